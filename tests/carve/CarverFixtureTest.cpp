// Each carver over real SQLite files with deleted rows, at both page sizes: every row deleted
// into a freeblock comes back with its fields, and most rows of the freed pages do too (a few
// are legitimately lost when SQLite repacks the pages next to them).
#include "CarveTestSupport.h"
#include "CarvingFixtures.h"
#include "HostileFiles.h"
#include "backup/BackupFileKeys.h"
#include "backup/NoteBodyText.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "model/PRRecordFields.h"
#include "platform/FileOpen.h"

#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

using namespace carvetest;

namespace {

std::string dateText(int64_t value, bool fileType) {
    auto wide = GetDateTime(value, fileType);
    return wide ? GetNSStringDate(wide->c_str()) : std::string();
}

// Rows deleted into freeblocks must nearly all come back, rows of freed pages in part (SQLite
// repacks pages while it frees their neighbours, and what it packs away is gone); every
// row that comes back must carry its own fields.
template <class Row, class Record, class KeyOfRow, class KeyOfRecord, class Check>
void expectCarved(const carvefix::Rows<Row>& rows, int freeblockRows,
                  const std::vector<std::shared_ptr<Record>>& carved, KeyOfRow keyOfRow, KeyOfRecord keyOfRecord,
                  Check check) {
    std::multimap<std::string, std::shared_ptr<Record>> byKey;
    for (const auto& r : carved) byKey.emplace(keyOfRecord(*r), r);
    int found[2] = {0, 0}, total[2] = {0, 0};
    for (size_t i = 0; i < rows.deleted.size(); ++i) {
        const Row& row = rows.deleted[i];
        auto range = byKey.equal_range(keyOfRow(row));
        int kind = static_cast<int>(i) < freeblockRows ? 0 : 1;
        ++total[kind];
        if (range.first == range.second && kind == 0 && getenv("CARVE_DEBUG"))
            std::cout << "missing " << keyOfRow(row) << "\n";
        if (range.first == range.second) continue;
        ++found[kind];
        if (kind == 1) continue;  // freed pages can hold damaged copies; the count is enough
        bool any = false;
        for (auto it = range.first; it != range.second && !any; ++it) any = check(row, *it->second);
        EXPECT_TRUE(any) << "fields differ for " << keyOfRow(row) << ": " << range.first->second->description();
    }
    EXPECT_GE(found[0] * 10, total[0] * 8) << found[0] << " of " << total[0] << " rows in freeblocks";
    EXPECT_GE(found[1] * 4, total[1]) << found[1] << " of " << total[1] << " rows of freed pages";
    // In a table of one page no cell was ever moved (splitting a full page leaves old copies of
    // the moved rows behind), so a live row must never come back as a deleted record.
    if (total[1] == 0 && rows.live.size() + rows.deleted.size() <= 12) {
        std::set<std::string> live;
        for (const Row& row : rows.live) live.insert(keyOfRow(row));
        for (const auto& r : carved)
            EXPECT_EQ(live.count(keyOfRecord(*r)), 0u) << "live row reported: " << keyOfRecord(*r);
    }
}

// Page size, and whether a run of rows at the end is deleted too (freeing whole pages).
class CarverFixture : public CarveTest, public ::testing::WithParamInterface<std::tuple<int, bool>> {
protected:
    carvefix::Options options() const {
        carvefix::Options o;
        o.pageSize = std::get<0>(GetParam());
        o.deletedPages = !std::get<1>(GetParam()) ? 0 : o.pageSize == 1024 ? 40 : 90;
        if (o.pageSize == 4096 && o.deletedPages == 0) {
            o.live = 8;  // one page: see expectCarved
            o.deleted = 4;
        }
        return o;
    }
};

}  // namespace

TEST_P(CarverFixture, CallsOfBothLayouts) {
    for (bool ios6 : {true, false}) {
        carvefix::Options o = options();
        o.tag = ios6 ? "6" : "4";
        auto rows = carvefix::writeCallHistory(file(backupkeys::callHistory), o, ios6);
        ASSERT_FALSE(rows.deleted.empty());
        state.currentNodeIsiOS6Version = ios6;
        size_t before = posted(notices::ScanDelCallHistoryInfo).size();
        carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
        auto all = posted(notices::ScanDelCallHistoryInfo);
        std::vector<PRCallHistoryNodePtr> carved(all.begin() + static_cast<long>(before), all.end());
        expectCarved(
            rows, o.deleted, carved, [](const carvefix::CallRow& r) { return r.address; },
            [](const PRCallHistoryNode& c) { return c.callPhone(); },
            [](const carvefix::CallRow& r, const PRCallHistoryNode& c) {
                bool outgoing = r.flags == 5;
                std::string duration =
                    r.duration == 0 ? (outgoing ? "Cancelled" : "Missed") : getCallHistoryDuration(r.duration);
                return c.callDate() == dateText(r.date, false) && c.callTime() == r.duration &&
                       c.callType() == (outgoing ? "Outgoing" : "Incoming") && c.callDuration() == duration;
            });
    }
    EXPECT_EQ(progress(), (std::vector<int>{90, 90}));
}

TEST_P(CarverFixture, Bookmarks) {
    carvefix::Options o = options();
    auto rows = carvefix::writeBookmarks(file(backupkeys::bookmarks), o);
    carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder());
    auto carved = posted(notices::scanDelBookMarkInfo);
    // The reading-list folder was deleted too, but folders of that name are never posted.
    ASSERT_EQ(rows.deleted[0].title, "com.apple.ReadingList");
    rows.deleted.erase(rows.deleted.begin());
    expectCarved(
        rows, o.deleted - 1, carved, [](const carvefix::BookmarkRow& r) { return r.title; },
        [](const PRBookMarkNode& b) { return b.bookMarkTitle(); },
        [](const carvefix::BookmarkRow& r, const PRBookMarkNode& b) { return b.bookMarkURL() == r.url; });
    for (const auto& b : carved) {
        EXPECT_NE(b->bookMarkTitle(), "Root");
        EXPECT_NE(b->bookMarkTitle(), "com.apple.ReadingList");
    }
    EXPECT_EQ(progress(), std::vector<int>{95});
}

TEST_P(CarverFixture, CalendarOfBothJournalKinds) {
    for (int kind = 0; kind < 3; ++kind) {
        bool wal = kind > 0;
        carvefix::Options o = options();
        o.writeAheadLog = wal;
        o.ios6Calendar = kind == 2;  // the newer schema's wider rows
        state.currentNodeIsiOS6Version = kind == 2;
        o.tag = std::string(1, static_cast<char>('A' + kind));
        auto rows = carvefix::writeCalendar(file(backupkeys::calendar), o);
        size_t before = posted(notices::scanDelCalenderInfo).size();
        carve::DelCalenderCarver(context).ScanDelCalenderThread(folder());
        auto all = posted(notices::scanDelCalenderInfo);
        std::vector<PRCalenderNodePtr> carved(all.begin() + static_cast<long>(before), all.end());
        expectCarved(
            rows, o.deleted, carved, [](const carvefix::CalendarRow& r) { return r.title; },
            [](const PRCalenderNode& c) { return c.calTitle(); },
            [](const carvefix::CalendarRow& r, const PRCalenderNode& c) {
                return c.calNote() == r.description && c.location() == r.location &&
                       c.startDate() == dateText(r.start, true) && c.endDate() == dateText(r.end, true);
            });
    }
}

TEST_P(CarverFixture, NotesJoinHeadsAndBodies) {
    for (bool wal : {false, true}) {
        carvefix::Options o = options();
        o.writeAheadLog = wal;
        o.tag = wal ? "B" : "A";
        o.deletedPages = std::min(o.deletedPages, 30);  // note ids must stay below 128
        auto rows = carvefix::writeNotes(file(backupkeys::notes), o);
        state.noteArray.clear();
        state.noteValueArray.clear();
        size_t before = posted(notices::ScanDelNoteInfo).size();
        carve::DelNoteCarver(context).scanDelNoteThread(folder());
        auto all = posted(notices::ScanDelNoteInfo);
        std::vector<PRNoteNodePtr> carved(all.begin() + static_cast<long>(before), all.end());
        expectCarved(
            rows, o.deleted, carved, [](const carvefix::NoteRow& r) { return r.title; },
            [](const PRNoteNode& n) { return n.noteTitle(); },
            [&](const carvefix::NoteRow& r, const PRNoteNode& n) {
                // The rollback layout dates a note by its creation, the other by its change.
                // A body whose pairing the row ids leave open stays away: missing, never wrong.
                std::string expected = backuptext::noteBodyText(r.body);
                return n.noteDate() == dateText(wal ? r.modified : r.created, true) &&
                       (n.noteContent().empty() || expected.compare(0, 20, n.noteContent(), 0, 20) == 0);
            });
    }
}

TEST_P(CarverFixture, ContactsWithTheirValues) {
    carvefix::Options o = options();
    auto rows = carvefix::writeAddressBook(file(backupkeys::addressBook), o);
    carve::DelContactCarver(context).scanDelContactThread(folder());
    auto carved = posted(notices::ScanDelContactInfo);
    // The parts that are there, one blank between two (never one in front).
    auto name = [](const carvefix::ContactRow& r) {
        std::string n;
        for (const std::string* part : {&r.first, &r.last, &r.middle})
            if (!part->empty()) n += (n.empty() ? "" : " ") + *part;
        return n;
    };
    expectCarved(
        rows, o.deleted, carved, name, [](const PRContactNode& c) { return c.contactName(); },
        [](const carvefix::ContactRow& r, const PRContactNode& c) {
            std::string company = r.organization + (r.department.empty() ? "" : " " + r.department);
            bool jobtitle = c.contactJobtitle() == "Engineer";
            return c.contactCompany() == company && c.contactNote() == r.note && jobtitle;
        });
    // Deleted persons whose row id survived are joined with their deleted values.
    int joined = 0;
    std::map<std::string, const carvefix::ContactRow*> deletedByName;
    for (const auto& d : rows.deleted) deletedByName[name(d)] = &d;
    for (const auto& c : carved) {
        auto it = deletedByName.find(c->contactName());
        if (it != deletedByName.end() && c->contactPhone() == it->second->phones.front()) ++joined;
    }
    EXPECT_GT(joined, 0);
    EXPECT_EQ(progress(), std::vector<int>{75});

    // A number whose last bytes a later state of its page wrote over (a grown page's cell
    // pointers, control bytes) is left out, never joined cut short.
    const carvefix::ContactRow* damaged = nullptr;
    for (const auto& c : carved)
        if (auto it = deletedByName.find(c->contactName());
            !damaged && it != deletedByName.end() && c->contactPhone() == it->second->phones.front())
            damaged = it->second;
    ASSERT_TRUE(damaged);
    const std::string path = file(backupkeys::addressBook), phone = damaged->phones.front();
    std::string bytes;
    ASSERT_TRUE(files::readRegularFile(path, size_t{1} << 30, &bytes));
    for (size_t at = bytes.find(phone); at != std::string::npos; at = bytes.find(phone, at + 1))
        bytes.replace(at + phone.size() - 2, 2, "\x01\"");
    ASSERT_TRUE(testsupport::writeFile(path, bytes));
    const size_t before = carved.size();
    carve::DelContactCarver(context).scanDelContactThread(folder());
    const auto again = posted(notices::ScanDelContactInfo);
    ASSERT_GT(again.size(), before);
    for (size_t k = before; k < again.size(); ++k) {
        if (again[k]->contactName() == name(*damaged)) {
            EXPECT_EQ(again[k]->contactPhone().find(phone.substr(0, phone.size() - 2)), std::string::npos)
                << again[k]->contactPhone();
        }
    }
}

TEST_P(CarverFixture, MessagesOfEveryLayout) {
    struct Case {
        carvefix::MessageLayout layout;
        bool wal;
        bool ios6;
    };
    for (Case c :
         {Case{carvefix::MessageLayout::ios6, false, true}, Case{carvefix::MessageLayout::plain, false, false},
          Case{carvefix::MessageLayout::plain, true, false}, Case{carvefix::MessageLayout::madrid, true, false}}) {
        carvefix::Options o = options();
        o.writeAheadLog = c.wal;
        o.tag = std::to_string(static_cast<int>(c.layout)) + (c.wal ? "w" : "");
        auto rows = carvefix::writeMessages(file(backupkeys::messages), o, c.layout);
        state.currentNodeIsiOS6Version = c.ios6;
        state.messageArray.clear();
        state.chatMessageArray.clear();
        size_t before = posted(notices::ScanDelMessageInfo).size();
        carve::DelMessageCarver(context).scanDelMessageThread(folder());
        auto all = posted(notices::ScanDelMessageInfo);
        std::vector<PRMessageNodePtr> carved(all.begin() + static_cast<long>(before), all.end());
        expectCarved(
            rows, o.deleted, carved, [](const carvefix::MessageRow& r) { return r.text; },
            [](const PRMessageNode& m) { return m.messageContent(); },
            [&](const carvefix::MessageRow& r, const PRMessageNode& m) {
                if (c.layout == carvefix::MessageLayout::ios6) {
                    return m.messagePhone() == r.address && m.messageDate() == dateText(r.date, false) &&
                           m.messageType() == (r.fromMe ? "Send" : "Received") &&
                           m.bImessage() == (r.service != "SMS") && m.handle_id() == r.handle;
                }
                // Every iMessage of the fixture carries madrid_flags 12289: received.
                std::string type =
                    c.layout == carvefix::MessageLayout::madrid ? "Received" : (r.fromMe ? "Send" : "Received");
                return m.messagePhone() == r.address && m.messageDate() == dateText(r.date, false) &&
                       m.messageType() == type && m.bImessage() == (c.layout == carvefix::MessageLayout::madrid);
            });
    }
    EXPECT_EQ(progress(), (std::vector<int>{80, 80, 80, 80}));
}

INSTANTIATE_TEST_SUITE_P(PageSizes, CarverFixture,
                         ::testing::Combine(::testing::Values(1024, 4096), ::testing::Bool()));
