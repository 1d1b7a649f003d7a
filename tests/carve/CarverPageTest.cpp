// Hand-built pages for what real files rarely show: row-id marks, persons without a readable row
// id, phones from the last page, the bookmark echo rule, the note join, the journal byte that
// folding rewrites, and hostile files that every carver must survive.
#include "CarveTestSupport.h"
#include "CarvingFixtures.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "model/PRRecordFields.h"

#include <fstream>
#include <functional>

using namespace carvetest;
using carvefix::PageFile;
using Bytes = std::vector<uint8_t>;

namespace {

// A person row at cell offset `cell` of page `page`: the cell opens with a one-byte payload
// size and the row-id bytes, then the header size (0x23 marks a readable row id; anything else
// hides it) and 34 serial types, all empty but the sort columns, then the values.
void putPerson(PageFile& f, int page, int cell, Bytes rowid, uint8_t headerSize, const std::string& first) {
    Bytes b = {0x50};
    b.insert(b.end(), rowid.begin(), rowid.end());
    b.push_back(headerSize);
    Bytes types(34, 0x00);                                      // columns 0 to 33
    types[1] = static_cast<uint8_t>(13 + 2 * first.size());     // First
    types[29] = 0x04, types[30] = 0x04, types[31] = 0x01;       // "0000040401" from column 27
    types[33] = 0x09;                                           // IsPreferredName = 1
    b.insert(b.end(), types.begin(), types.end());
    b.insert(b.end(), first.begin(), first.end());
    Bytes ints = {0x7f, 0xff, 0xff, 0xff, 0x7f, 0xff, 0xff, 0xff, 0xff};
    b.insert(b.end(), ints.begin(), ints.end());
    f.put(f.pageStart(page) + cell, b);
}

}  // namespace

class CarverPage : public CarveTest {
protected:
    void write(const PageFile& f, const char* name) { ASSERT_TRUE(f.write(file(name))); }
    std::vector<PRContactNodePtr> carveContacts() {
        carve::DelContactCarver(context).scanDelContactThread(folder());
        return posted<PRContactNode>("ScanDelContactInfo");
    }
};

TEST_F(CarverPage, PersonRowIdsFromTheirMarks) {
    PageFile f(1024, 2);
    f.tableLeaf(1, 100);
    putPerson(f, 1, 100, {0x05}, 0x23, "Ann");
    putPerson(f, 1, 300, {0x83, 0x05}, 0x23, "Bob");
    write(f, carvefix::names::addressBook);
    auto people = carveContacts();
    ASSERT_EQ(people.size(), 2u);
    EXPECT_EQ(people[0]->contactName(), "Ann");
    EXPECT_EQ(people[0]->rowid(), 5);
    EXPECT_EQ(people[1]->contactName(), "Bob");
    EXPECT_EQ(people[1]->rowid(), 389);
    EXPECT_EQ(progress(), std::vector<int>{75});
}

TEST_F(CarverPage, PersonsWithoutAReadableRowId) {
    PageFile f(1024, 3);
    // Page 2 is walked first: two damaged rows before any row id is known, then row id 10.
    f.tableLeaf(2, 40);
    putPerson(f, 2, 40, {0x01}, 0x00, "Ann");
    putPerson(f, 2, 240, {0x02}, 0x00, "Bob");
    putPerson(f, 2, 440, {0x0a}, 0x23, "Cid");
    // Page 1: two damaged rows after it.
    f.tableLeaf(1, 40);
    putPerson(f, 1, 40, {0x01}, 0x00, "Dan");
    putPerson(f, 1, 240, {0x01}, 0x00, "Eve");
    write(f, carvefix::names::addressBook);
    std::map<std::string, int> rowids;
    for (const auto& p : carveContacts()) rowids[p->contactName()] = p->rowid();
    // The unknown ones get the highest row id seen + 1, + 2, the last found first; the later
    // damaged ones count down from the last known row id (which the first naming left at 10).
    EXPECT_EQ(rowids["Cid"], 10);
    EXPECT_EQ(rowids["Bob"], 11);
    EXPECT_EQ(rowids["Ann"], 12);
    EXPECT_EQ(rowids["Dan"], 9);
    EXPECT_EQ(rowids["Eve"], 8);
}

TEST_F(CarverPage, PhoneFromTheLastPage) {
    PageFile f(1024, 3);
    f.tableLeaf(1, 100);
    putPerson(f, 1, 100, {0x05}, 0x23, "Ann");
    // The last page holds search keys: name without blanks, then the number and a blank.
    f.put(f.pageStart(2) + 10, std::string("xxAnn+4477001234 more text"));
    write(f, carvefix::names::addressBook);
    auto people = carveContacts();
    ASSERT_EQ(people.size(), 1u);
    EXPECT_EQ(people[0]->contactPhone(), "+4477001234 ");
}

TEST(CarverPageText, LastPageTextAndPhoneSearch) {
    const uint8_t bytes[] = {'A', 0x00, 'b', 0x7f, 0x80, ' ', '~'};
    EXPECT_EQ(carve::DelContactCarver::GetLastPageStringWithChar(bytes, 7), "A.b.. ~");
    using carve::DelContactCarver;
    EXPECT_EQ(DelContactCarver::getNextSubStringInString("..annlee123 x", "AnnLee"), std::optional<std::string>("123 "));
    EXPECT_EQ(DelContactCarver::getNextSubStringInString("..annlee123", "AnnLee"), std::optional<std::string>("12"));
    EXPECT_FALSE(DelContactCarver::getNextSubStringInString("..annlee123 x", "").has_value());
    EXPECT_FALSE(DelContactCarver::getNextSubStringInString("nothing here", "Zed").has_value());
    // A candidate of 21 characters or more is passed over.
    EXPECT_FALSE(DelContactCarver::getNextSubStringInString("Ann123456789012345678901 z", "Ann").has_value());
}

TEST_F(CarverPage, BookmarkEchoesCloseAfterASixOnesRow) {
    // Mode 19 from the first cell's header; rows opening "0101010155" 18 and 19 bytes after a
    // "010101010101" row: only the second is a bookmark.
    PageFile f(1024, 2);
    const int K = 100;
    f.tableLeaf(1, K);
    const int64_t P = f.pageStart(1);
    f.put(P + K, Bytes{0x40, 0x01, 0x14, 0x00, 0x01, 0x01, 0x01, 0x15, 0x00, 0x01, 0x01, 0x01, 0x01, 0x55, 0x01, 0x01});
    auto bookmarkAt = [&](int64_t j, const std::string& title) {
        // Header from j - 6: col0 (0x00), three integers, title, URL(null), then the row at j.
        f.put(j - 6, Bytes{0x00, 0x01, 0x01, 0x01, static_cast<uint8_t>(13 + 2 * title.size()), 0x00});
        f.put(j, Bytes{0x01, 0x01, 0x01, 0x01, 0x55});
        f.put(j - 6 + 19, Bytes{0x00, 0x00, 0x00});  // values of the three integers
        f.put(j - 6 + 22, title);
    };
    const int64_t six = P + 300;
    f.put(six, Bytes{0x01, 0x01, 0x01, 0x01, 0x01, 0x01});
    bookmarkAt(six + 18, "Near");
    bookmarkAt(six + 200, "Far");
    write(f, carvefix::names::bookmarks);
    carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder());
    std::vector<std::string> titles;
    for (const auto& b : posted<PRBookMarkNode>("scanDelBookMarkInfo")) titles.push_back(b->bookMarkTitle());
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Near"), 0);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Far"), 1);
}

TEST_F(CarverPage, NoteJoinRaisesRepeatedIdsAndStripsMarkup) {
    auto head = [](int uid, const std::string& title) {
        auto h = std::make_shared<PRNoteNode>();
        h->setUid(uid);
        h->setNoteTitle(title);
        return h;
    };
    state.noteArray = {head(0, "zero"), head(5, "A"), head(5, "B"), head(7, "C")};
    auto body = std::make_shared<PRNoteValueNode>();
    body->setUid(6);
    body->setNoteValue("<div>one</div>&nbsp;two<br>three");
    auto first = std::make_shared<PRNoteValueNode>();
    first->setUid(1);
    state.noteValueArray = {body, first};
    PageFile f(1024, 1);  // one page: nothing is examined, the join still runs
    write(f, carvefix::names::notes);
    carve::DelNoteCarver(context).scanDelNoteThread(folder());
    auto notes = posted<PRNoteNode>("ScanDelNoteInfo");
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0]->noteTitle(), "B");
    EXPECT_EQ(notes[0]->noteContent(), "one two three");
    EXPECT_EQ(notes[1]->noteTitle(), "zero");  // the head of id 0 became 1
    EXPECT_EQ(state.noteArray[2]->uid(), 6);
    EXPECT_EQ(progress(), std::vector<int>{85});
}

TEST_F(CarverPage, TheBackupFileIsCarvedAsItLiesWithItsOwnJournalKind) {
    // A rollback-journal notes file: it is read, never folded (which would switch its header to
    // the write-ahead log), and its rollback layout (dates from the creation column) is carved.
    carvefix::Options o;
    o.deletedPages = 0;
    auto rows = carvefix::writeNotes(file(carvefix::names::notes), o);
    carve::DelNoteCarver(context).scanDelNoteThread(folder());
    std::ifstream in(file(carvefix::names::notes), std::ios::binary);
    char header[20];
    in.read(header, 20);
    EXPECT_EQ(header[18], 1) << "the backup's file was written";
    auto notes = posted<PRNoteNode>("ScanDelNoteInfo");
    ASSERT_FALSE(notes.empty());
    const carvefix::NoteRow& deleted = rows.deleted.front();
    auto created = GetNSStringDate(GetDateTime(deleted.created, true)->c_str());
    bool found = false;
    for (const auto& n : notes) found = found || (n->noteTitle() == deleted.title && n->noteDate() == created);
    EXPECT_TRUE(found);
}

TEST_F(CarverPage, CallWithOneCharacterPhoneKeepsAnEmptyName) {
    PageFile f(1024, 2);
    f.tableLeaf(1, 200);
    // Old layout (header 9 at the first cell), phone "7", date, duration 0, flags 5.
    f.put(f.pageStart(1) + 200, Bytes{0x20, 0x02, 0x09, 0x00, 0x0f, 0x04, 0x08, 0x01, 0x01, 0x00, 0x00,
                                       '7', 0x17, 0x40, 0x11, 0x11, 0x05, 0xff});
    write(f, carvefix::names::calls);
    state.contactArray.push_back(std::make_shared<PRContactNode>());
    state.contactArray.back()->setContactPhone("7");
    state.contactArray.back()->setContactName("Seven");
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
    auto calls = posted<PRCallHistoryNode>("ScanDelCallHistoryInfo");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]->callPhone(), "7");
    EXPECT_EQ(calls[0]->callName(), "");
    EXPECT_EQ(calls[0]->callType(), "Outgoing");
    EXPECT_EQ(calls[0]->callDuration(), "Cancelled");
}

// Every carver over files it must survive: it posts its progress once and nothing it cannot
// read; a missing file posts nothing at all.
TEST_F(CarverPage, HostileFiles) {
    struct Carver {
        const char* file;
        int progress;
        std::function<void()> run;
    };
    std::vector<Carver> carvers = {
        {carvefix::names::addressBook, 75, [&] { carve::DelContactCarver(context).scanDelContactThread(folder()); }},
        {carvefix::names::messages, 80, [&] { carve::DelMessageCarver(context).scanDelMessageThread(folder()); }},
        {carvefix::names::notes, 85, [&] { carve::DelNoteCarver(context).scanDelNoteThread(folder()); }},
        {carvefix::names::calls, 90, [&] { carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder()); }},
        {carvefix::names::bookmarks, 95, [&] { carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder()); }},
        {carvefix::names::calendar, 100, [&] { carve::DelCalenderCarver(context).ScanDelCalenderThread(folder()); }},
    };
    std::vector<std::pair<std::string, Bytes>> files;
    files.push_back({"all zeros", Bytes(64 * 1024, 0)});
    files.push_back({"ten bytes", Bytes(10, 0x0d)});
    {
        PageFile one(4096, 1);
        files.push_back({"one page", one.bytes()});
    }
    for (uint16_t size : {uint16_t{0}, uint16_t{1}, uint16_t{3000}, uint16_t{256}}) {
        PageFile f(4096, 4);
        f.setPageSizeField(size);
        files.push_back({"page size " + std::to_string(size), f.bytes()});
    }
    {
        // Table leaves full of the bytes every pattern is made of, the last page cut short.
        PageFile f(1024, 8, true);
        for (int page = 1; page < 8; ++page) {
            f.tableLeaf(page, 12);
            for (int i = 12; i < 1024; ++i)
                f.put(f.pageStart(page) + i, Bytes{static_cast<uint8_t>((i * 7 + page) % 3 == 0 ? 0x01 : (i % 5 ? 0x08 : 0x00))});
        }
        f.truncate(7 * 1024 + 500);
        files.push_back({"pattern soup", f.bytes()});
    }
    {
        // No zero byte anywhere after the header: every backward and forward walk runs to an end.
        PageFile f(1024, 6);
        for (int page = 1; page < 6; ++page) {
            f.tableLeaf(page, 0x0101);
            Bytes ones(1024 - 10, 0x01);
            f.put(f.pageStart(page) + 10, ones);
        }
        files.push_back({"no stop bytes", f.bytes()});
    }
    for (const auto& [what, bytes] : files) {
        for (const Carver& c : carvers) {
            std::ofstream(file(c.file), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                 static_cast<std::streamsize>(bytes.size()));
            size_t before = progress().size();
            c.run();
            ASSERT_EQ(progress().size(), before + 1) << what << " " << c.file;
            EXPECT_EQ(progress().back(), c.progress) << what;
            std::remove(file(c.file).c_str());
        }
    }
    // A missing database: nothing at all, and the three older carvers say so in the log.
    size_t before = progress().size();
    for (const Carver& c : carvers) c.run();
    EXPECT_EQ(progress().size(), before);
    EXPECT_EQ(logLines, (std::vector<std::string>{"contactDB is not exist", "messageDB is not exist", "NoteDB is not exist"}));
}
