// Hand-built pages for what real files rarely show: a call cell with a one-character number, a
// row left in the gap of a root that became an interior page, the journal byte a folding would
// rewrite, and hostile files that every carver must survive; and, byte for byte, a freed row
// whose room a new cell took the end of (a message then comes back partial), and an older row in
// a gap that a later cell cut short.
#include "CarveTestSupport.h"
#include "CarvingFixtures.h"
#include "backup/BackupFileKeys.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <fstream>
#include <functional>

using namespace carvetest;
using carvefix::PageFile;
using Bytes = std::vector<uint8_t>;

class CarverPage : public CarveTest {
protected:
    void write(const PageFile& f, const char* name) { ASSERT_TRUE(f.write(file(name))); }
};

TEST_F(CarverPage, TheBackupFileIsCarvedAsItLiesWithItsOwnJournalKind) {
    // A rollback-journal notes file: it is read, never folded (which would switch its header to
    // the write-ahead log), and its rollback layout (dates from the creation column) is carved.
    carvefix::Options o;
    o.deletedPages = 0;
    auto rows = carvefix::writeNotes(file(backupkeys::notes), o);
    carve::DelNoteCarver(context).scanDelNoteThread(folder());
    std::ifstream in(file(backupkeys::notes), std::ios::binary);
    char header[20];
    in.read(header, 20);
    EXPECT_EQ(header[18], 1) << "the backup's file was written";
    auto notes = posted(notices::ScanDelNoteInfo);
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
    f.put(f.pageStart(1) + 200, Bytes{0x10, 0x02, 0x09, 0x00, 0x0f, 0x04, 0x08, 0x01, 0x01, 0x00, 0x00, '7', 0x17, 0x40,
                                      0x11, 0x11, 0x05, 0xff});
    write(f, backupkeys::callHistory);
    state.contactArray.push_back(std::make_shared<PRContactNode>());
    state.contactArray.back()->setContactPhone("7");
    state.contactArray.back()->setContactName("Seven");
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
    auto calls = posted(notices::ScanDelCallHistoryInfo);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]->callPhone(), "7");
    EXPECT_EQ(calls[0]->callName(), "");
    EXPECT_EQ(calls[0]->callType(), "Outgoing");
    EXPECT_EQ(calls[0]->callDuration(), "Cancelled");
}

TEST_F(CarverPage, RowsLeftBelowTheCellsOfARootThatBecameInteriorAreCarved) {
    // A table's root page that filled up handed its rows to a child and now holds one short
    // interior cell; the call it held before stays in its unallocated gap.
    PageFile f(1024, 4);
    f.put(f.pageStart(1), Bytes{0x05, 0x00, 0x00, 0x00, 0x01, 0x03, 0xf8, 0x00, 0x00, 0x00, 0x00, 0x03, 0x03, 0xf8});
    f.put(f.pageStart(1) + 0x3f8, Bytes{0x00, 0x00, 0x00, 0x02, 0x05});
    f.put(f.pageStart(1) + 300, Bytes{0x10, 0x02, 0x09, 0x00, 0x0f, 0x04, 0x08, 0x01, 0x01, 0x00, 0x00, '7', 0x17, 0x40,
                                      0x11, 0x11, 0x05, 0xff});
    write(f, backupkeys::callHistory);
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
    auto calls = posted(notices::ScanDelCallHistoryInfo);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]->callPhone(), "7");
}

TEST_F(CarverPage, ARowWhoseFreedRoomANewCellTookTheEndOfKeepsItsKeptColumns) {
    // A cell written into a freeblock takes the block's end, and the block keeps the rest: the
    // deleted call there lost its id and name to the new cell, and still has its number, date,
    // duration and flags. Where no cell begins at the block's end, nothing took the row's tail,
    // and no row is read past the block.
    const Bytes liveCall = {0x10, 0x03, 0x09, 0x00, 0x0f, 0x04, 0x08, 0x01, 0x01,
                            0x00, 0x00, '8',  0x51, 0x7f, 0xa1, 0x00, 0x05, 0x01};
    for (const bool cellAtBlockEnd : {false, true}) {
        SCOPED_TRACE(cellAtBlockEnd ? "a cell at the block's end" : "no cell at the block's end");
        PageFile f(1024, 2);
        const int64_t page = f.pageStart(1);
        const uint8_t cell = cellAtBlockEnd ? 0x73 : 0xbc;  // 627 or 700
        // Leaf: first freeblock at 600, one cell, cells from 600.
        f.put(page, Bytes{0x0d, 0x02, 0x58, 0x00, 0x01, 0x02, 0x58, 0x00, 0x02, cell});
        // The block's head (no next block, 27 bytes) over the cell's length and row id, then the
        // record: its header, "5551234", the date, duration 0, flags 5, id 1, "Someone Else".
        f.put(page + 600, Bytes{0x00, 0x00, 0x00, 0x1b, 0x09, 0x00, 0x1b, 0x04, 0x01, 0x01, 0x01, 0x25, 0x00});
        f.put(page + 613, std::string("5551234"));
        f.put(page + 620, Bytes{0x51, 0x7f, 0xa1, 0x00, 0x00, 0x05, 0x01});
        f.put(page + 627, std::string("Someone Else"));
        // The new cell over the name, or a copy of it where no cell begins.
        f.put(page + 627, liveCall);
        f.put(page + 700, liveCall);
        write(f, backupkeys::callHistory);
        carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
        const auto calls = posted(notices::ScanDelCallHistoryInfo);
        ASSERT_EQ(calls.size(), cellAtBlockEnd ? 1u : 0u);
        if (!cellAtBlockEnd) continue;
        EXPECT_EQ(calls[0]->callPhone(), "5551234");
        EXPECT_EQ(calls[0]->callDate(), recordDate(0x517fa100, false).str());
        EXPECT_EQ(calls[0]->callDuration(), "Cancelled");  // an outgoing call of no length
        EXPECT_EQ(calls[0]->callName(), "");
    }
}

TEST_F(CarverPage, AMessageWhoseTailACellTookComesBackPartialWhereItsTextIsWhole) {
    // Old layout: ROWID, address, date, text, flags, replace, service centre, group id, five
    // numbers, subject, country, headers, recipients, read.
    auto message = [](const std::string& address, const std::string& text, uint8_t flags) {
        Bytes payload = {0x12,
                         0x00,
                         static_cast<uint8_t>(13 + 2 * address.size()),
                         0x04,
                         static_cast<uint8_t>(13 + 2 * text.size()),
                         0x01,
                         0x08,
                         0x00,
                         0x01,
                         0x08,
                         0x08,
                         0x08,
                         0x08,
                         0x00,
                         0x00,
                         0x00,
                         0x00,
                         0x09};
        payload.insert(payload.end(), address.begin(), address.end());
        payload.insert(payload.end(), {0x51, 0x7f, 0xa1, 0x00});
        payload.insert(payload.end(), text.begin(), text.end());
        payload.insert(payload.end(), {flags, 0x01});
        return payload;
    };
    // A deleted message freed into a block (its head the block's) whose end a live message took,
    // from its flags on; the block ends where its text does, or one byte into its text.
    for (const int textLost : {0, 1}) {
        SCOPED_TRACE(textLost ? "its text cut short" : "its text whole");
        PageFile f(1024, 2);
        const int64_t page = f.pageStart(1);
        const Bytes row = message("5551234", "see you at noon", 3);
        Bytes deleted = {static_cast<uint8_t>(row.size()), 0x81, 0x05};  // row 133
        deleted.insert(deleted.end(), row.begin(), row.end());
        const int blockEnd = 600 + static_cast<int>(deleted.size()) - 2 - textLost;
        deleted[0] = deleted[1] = 0;
        deleted[2] = 0;
        deleted[3] = static_cast<uint8_t>(blockEnd - 600);
        f.put(page, Bytes{0x0d, 0x02, 0x58, 0x00, 0x01, 0x02, 0x58, 0x00, static_cast<uint8_t>(blockEnd >> 8),
                          static_cast<uint8_t>(blockEnd & 0xff)});
        f.put(page + 600, deleted);
        const Bytes liveRow = message("5559999", "live one", 2);
        Bytes live = {static_cast<uint8_t>(liveRow.size()), 0x06};
        live.insert(live.end(), liveRow.begin(), liveRow.end());
        f.put(page + blockEnd, live);
        write(f, backupkeys::messages);
        const size_t before = posted(notices::ScanDelMessageInfo).size();
        carve::DelMessageCarver(context).scanDelMessageThread(folder());
        const auto messages = posted(notices::ScanDelMessageInfo);
        ASSERT_EQ(messages.size() - before, textLost ? 0u : 1u);
        if (textLost) continue;
        // Its address, time and text, marked partial; of its direction, lost, nothing is said.
        const PRMessageNode& partial = *messages.back();
        EXPECT_EQ(partial.messagePhone(), "5551234");
        EXPECT_EQ(partial.messageDate(), recordDate(0x517fa100, false).str());
        EXPECT_EQ(partial.messageContent(), "see you at noon");
        EXPECT_EQ(partial.messageType(), "unknown");
        EXPECT_TRUE(partial.bPartial());
    }

    // The newer layout: the last two bytes of a message's date (and so its direction after it)
    // taken by a later cell. It comes with its text, service and handle, no time or direction.
    Bytes serials(38, 0x08);  // 0 in every number column
    for (size_t c : {0, 4, 6, 7, 8, 13, 35}) serials[c] = 0x00;
    for (size_t c : {18, 19, 21}) serials[c] = 0x09;
    const std::string guid = "GUID-133", text = "see you at noon";
    serials[1] = static_cast<uint8_t>(13 + 2 * guid.size());
    serials[2] = static_cast<uint8_t>(13 + 2 * text.size());
    serials[5] = 0x01;   // handle 1
    serials[11] = 0x13;  // "SMS"
    serials[12] = 0x11;  // "e:"
    serials[15] = 0x04;  // the date
    // Row 133's cell (its payload's length, row id and header's length first), whose first four
    // bytes the freeblock's head then takes.
    Bytes deleted = {0x48, 0x81, 0x05, static_cast<uint8_t>(serials.size() + 1)};
    deleted.insert(deleted.end(), serials.begin(), serials.end());
    for (const std::string& value : {guid, text, std::string("\x01SMSe:\x17\x99\x00\x00", 10)})
        deleted.insert(deleted.end(), value.begin(), value.end());
    const int blockEnd = 600 + static_cast<int>(deleted.size()) - 2;
    deleted[0] = deleted[1] = deleted[2] = 0;
    deleted[3] = static_cast<uint8_t>(blockEnd - 600);
    PageFile f(1024, 2);
    const int64_t page = f.pageStart(1);
    f.put(page, Bytes{0x0d, 0x02, 0x58, 0x00, 0x01, 0x02, 0x58, 0x00, static_cast<uint8_t>(blockEnd >> 8),
                      static_cast<uint8_t>(blockEnd & 0xff)});
    f.put(page + 600, deleted);
    const std::string handle =
        "\x12\x01\x06\x00\x1b\x11\x13\x00"
        "5551234usSMS";
    f.put(page + blockEnd, Bytes(handle.begin(), handle.end()));
    write(f, backupkeys::messages);
    const size_t before = posted(notices::ScanDelMessageInfo).size();
    carve::DelMessageCarver(context).scanDelMessageThread(folder());
    const auto messages = posted(notices::ScanDelMessageInfo);
    ASSERT_EQ(messages.size() - before, 1u);
    const PRMessageNode& partial = *messages.back();
    EXPECT_EQ(partial.messageContent(), "see you at noon");
    EXPECT_EQ(partial.handle_id(), 1);
    EXPECT_FALSE(partial.bImessage());
    EXPECT_EQ(partial.messageDate(), "");
    EXPECT_EQ(partial.messageType(), "Unknowed");
    EXPECT_TRUE(partial.bPartial());
}

TEST_F(CarverPage, AFreeblockWhoseEndACellTookKeepsItsOtherRowsWhole) {
    // Only the row that runs on into the cell that took a block's end lost its tail: a row that
    // ends inside the block is read whole or not at all. Here the block's first row (its head
    // lost to the block's four bytes) holds an identifier that is no text, and the row after it
    // ends where the live cell begins.
    PageFile f(1024, 2);
    const int64_t page = f.pageStart(1);
    f.put(page, Bytes{0x0d, 0x02, 0x58, 0x00, 0x01, 0x02, 0x58, 0x00, 0x02, 0xad});  // block at 600, cell at 685
    // Columns: id, special id, parent, type, title, URL | children, editable, deletable, hidden,
    // hidden ancestors, order, external id.
    const Bytes header = {0x00, 0x08, 0x01, 0x08, 0x17, 0x2f, 0x08, 0x09, 0x09, 0x08, 0x08, 0x01};
    auto row = [&](const std::string& title, char site, const Bytes& externalId) {
        Bytes cell = {0x0e};
        cell.insert(cell.end(), header.begin(), header.end());
        cell.push_back(static_cast<uint8_t>(13 + 2 * externalId.size()));
        cell.push_back(0x01);
        cell.insert(cell.end(), title.begin(), title.end());
        const std::string url = std::string("http://") + site + ".example/";
        cell.insert(cell.end(), url.begin(), url.end());
        cell.push_back(0x02);
        cell.insert(cell.end(), externalId.begin(), externalId.end());
        return cell;
    };
    f.put(page + 600, Bytes{0x00, 0x00, 0x00, 0x55});  // the block's head, 85 bytes to the cell
    f.put(page + 604, row("Alpha", 'a', Bytes{0xff}));
    Bytes whole = {0x28, 0x06};
    const Bytes bravo = row("Bravo", 'b', Bytes{'u', '2'});
    whole.insert(whole.end(), bravo.begin(), bravo.end());
    f.put(page + 643, whole);
    Bytes live = {0x28, 0x07};
    const Bytes charlie = row("Charl", 'c', Bytes{'u', '3'});
    live.insert(live.end(), charlie.begin(), charlie.end());
    f.put(page + 685, live);
    write(f, backupkeys::bookmarks);
    carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder());
    const auto bookmarks = posted(notices::scanDelBookMarkInfo);
    ASSERT_EQ(bookmarks.size(), 1u);
    EXPECT_EQ(bookmarks[0]->bookMarkTitle(), "Bravo");
    EXPECT_EQ(bookmarks[0]->bookMarkURL(), "http://b.example/");
}

TEST_F(CarverPage, AnOlderRowInTheGapEndsWhereACellWrittenOverItBegan) {
    // The gap keeps rows of older states of the page, and a cell written over one of them later,
    // then freed, cut it short. Here the older copy of a live contact, its head a freeblock's,
    // lies under another contact freed there since, from the last letter of its company on: the
    // copy is no deleted contact (it would come back with a company cut short), and the contact
    // freed over it is one.
    {
        // made: the third byte of the time the person was made (each person has a time of its own).
        auto person = [](const Bytes& head, const std::string& first, const std::string& last,
                         const std::string& company, uint8_t made) {
            auto text = [](const std::string& t) { return static_cast<uint8_t>(13 + 2 * t.size()); };
            const std::string firstSort = first + " " + last, lastSort = last + " " + first;
            // ROWID, the names, phonetics, company ... sort keys, times, store, sort sections,
            // language indexes, person link, image, preferred name.
            const Bytes types = {0x00,
                                 text(first),
                                 text(last),
                                 0,
                                 0,
                                 0,
                                 0,
                                 text(company),
                                 0,
                                 0,
                                 0x08,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 text(firstSort),
                                 text(lastSort),
                                 0x04,
                                 0x04,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0x08,
                                 0,
                                 0,
                                 0x0f,
                                 0x0f,
                                 0x08,
                                 0x08,
                                 0x01,
                                 0x00,
                                 0x09};
            Bytes cell = head;
            cell.push_back(static_cast<uint8_t>(1 + types.size()));
            cell.insert(cell.end(), types.begin(), types.end());
            for (const std::string& t : {first, last, company, firstSort, lastSort})
                cell.insert(cell.end(), t.begin(), t.end());
            const Bytes times = {0x14, 0x83, made, 0x58, 0x14, 0xa9, 0x5d, 0x79};
            cell.insert(cell.end(), times.begin(), times.end());
            cell.insert(cell.end(), {static_cast<uint8_t>(first[0]), static_cast<uint8_t>(last[0]), 0xff});
            return cell;
        };
        PageFile f(1024, 2);
        const int64_t page = f.pageStart(1);
        // Row 455788 (a three-byte id after a two-byte length), the page's one cell, at 891.
        const Bytes live = person({0x81, 0x00, 0x9b, 0xe8, 0x6c}, "Hugo455787", "Keller455787", "piano rain Ltd", 0x5b);
        ASSERT_EQ(live.size(), 133u);
        f.put(page, Bytes{0x0d, 0x00, 0x00, 0x00, 0x01, 0x03, 0x7b, 0x00, 0x03, 0x7b});
        f.put(page + 891, live);
        f.put(page + 300, live);
        f.put(page + 300, Bytes{0x00, 0x00, 0x03, 0x69});
        const int64_t lastLetter = 300 + 5 + 35 + 10 + 12 + 13;  // its head, header, names
        f.put(page + lastLetter, person({0x03, 0x9c, 0x00, 0x67}, "Chloé", "Weber455795", "", 0x6a));
        write(f, backupkeys::addressBook);
        carve::DelContactCarver(context).scanDelContactThread(folder());
        std::vector<std::string> names;
        for (const auto& c : posted(notices::ScanDelContactInfo))
            names.push_back(c->contactName() + "|" + c->contactCompany());
        EXPECT_EQ(names, std::vector<std::string>{"Chloé Weber455795|"});
    }
    // Two deleted calls side by side stay whole where the second's length and id, with the flags
    // before them, look like a freeblock's head.
    {
        const Bytes date = {0x51, 0x7f, 0xa1, 0x00};
        // Old layout: ROWID, address, date, duration, flags, id, name, country_code.
        auto call = [&](const Bytes& head, const std::string& number, uint8_t flags, const std::string& name) {
            Bytes cell = head;
            cell.insert(cell.end(), {0x09, 0x00, 0x1b, 0x04, 0x01, 0x01, static_cast<uint8_t>(name.empty() ? 0 : 1),
                                     static_cast<uint8_t>(name.empty() ? 0 : 13 + 2 * name.size()), 0x00});
            cell.insert(cell.end(), number.begin(), number.end());
            cell.insert(cell.end(), date.begin(), date.end());
            cell.insert(cell.end(), {0x07, flags});
            if (!name.empty()) {
                cell.push_back(0x01);
                cell.insert(cell.end(), name.begin(), name.end());
            }
            return cell;
        };
        PageFile f(1024, 2);
        const int64_t page = f.pageStart(1);
        f.tableLeaf(1, 1000);
        const Bytes first = call({0x16, 0x02}, "5552222", 3, "");
        f.put(page + 500, first);
        f.put(page + 500 + static_cast<int64_t>(first.size()), call({0x1c, 0x03}, "5553333", 0, "Three"));
        write(f, backupkeys::callHistory);
        carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
        std::vector<std::string> numbers;
        for (const auto& c : posted(notices::ScanDelCallHistoryInfo)) numbers.push_back(c->callPhone());
        std::sort(numbers.begin(), numbers.end());
        EXPECT_EQ(numbers, (std::vector<std::string>{"5552222", "5553333"}));
    }
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
        {backupkeys::addressBook, 75, [&] { carve::DelContactCarver(context).scanDelContactThread(folder()); }},
        {backupkeys::messages, 80, [&] { carve::DelMessageCarver(context).scanDelMessageThread(folder()); }},
        {backupkeys::notes, 85, [&] { carve::DelNoteCarver(context).scanDelNoteThread(folder()); }},
        {backupkeys::callHistory, 90, [&] { carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder()); }},
        {backupkeys::bookmarks, 95, [&] { carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder()); }},
        {backupkeys::calendar, 100, [&] { carve::DelCalenderCarver(context).ScanDelCalenderThread(folder()); }},
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
                f.put(f.pageStart(page) + i,
                      Bytes{static_cast<uint8_t>((i * 7 + page) % 3 == 0 ? 0x01 : (i % 5 ? 0x08 : 0x00))});
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
            std::ofstream(file(c.file), std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
    EXPECT_EQ(logLines,
              (std::vector<std::string>{"contactDB is not exist", "messageDB is not exist", "NoteDB is not exist"}));
}
