// Hand-built table pages for what decides whether a carved row is a deleted row and which row id
// it had: a stale copy of a live row (part of it written over since) is none; an old row whose
// tail a cell written since took keeps the columns before it, and none after; rows that lost
// their ids take the ids the rows around them leave, or none when those leave no room (on a page
// that took rows into freed room, only rows that fill the room between those rows), and only
// ids that what a freed cell keeps of its id (its length, its last bits) allows; and every
// page of the file is looked through, the header page and a cut-off end named as left. And the
// times a carved row may hold reach a year past the present, whatever the year.
#include "CarveTestSupport.h"
#include "CarvingFixtures.h"
#include "TestShapes.h"
#include "backup/BackupFileKeys.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/CarvedRowid.h"
#include "backup/carve/CurrentCells.h"
#include "backup/carve/PairRows.h"

#include <array>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <tuple>
#include <utility>

using namespace carvetest;
using carvefix::PageFile;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kPage = 1024;

// A row of the test table (row id, an identifier, a text, two numbers) as SQLite writes it:
// the header (its length, then a serial type per column), then the values.
Bytes record(const std::string& guid, const std::string& text, uint8_t a, uint8_t b) {
    Bytes serials = {0};
    for (const std::string* value : {&guid, &text}) {
        const Bytes serial = varint(2 * value->size() + 13);
        serials.insert(serials.end(), serial.begin(), serial.end());
    }
    serials.insert(serials.end(), {1, 1});
    Bytes r = {static_cast<uint8_t>(serials.size() + 1)};
    r.insert(r.end(), serials.begin(), serials.end());
    r.insert(r.end(), guid.begin(), guid.end());
    r.insert(r.end(), text.begin(), text.end());
    r.push_back(a);
    r.push_back(b);
    return r;
}

// A row of texts alone (the row id's NULL first).
Bytes textRecord(const std::vector<std::string>& texts) {
    Bytes serials = {0};
    for (const std::string& text : texts) {
        const Bytes serial = varint(2 * text.size() + 13);
        serials.insert(serials.end(), serial.begin(), serial.end());
    }
    Bytes r = {static_cast<uint8_t>(serials.size() + 1)};
    r.insert(r.end(), serials.begin(), serials.end());
    for (const std::string& text : texts) r.insert(r.end(), text.begin(), text.end());
    return r;
}

// A whole cell: the payload's length and the row id, then the record.
Bytes cell(int64_t rowid, const Bytes& payload) {
    Bytes c = varint(payload.size());
    const Bytes id = varint(static_cast<uint64_t>(rowid));
    c.insert(c.end(), id.begin(), id.end());
    c.insert(c.end(), payload.begin(), payload.end());
    return c;
}

// The same cell freed: a freeblock's next offset and size were written over its first four
// bytes (its length, row id, header length and first serial type).
Bytes freed(const Bytes& whole, uint16_t next, uint16_t size) {
    Bytes c = whole;
    c[0] = static_cast<uint8_t>(next >> 8);
    c[1] = static_cast<uint8_t>(next & 0xff);
    c[2] = static_cast<uint8_t>(size >> 8);
    c[3] = static_cast<uint8_t>(size & 0xff);
    return c;
}

void putBig16(PageFile& f, int64_t at, int value) {
    f.put(at, Bytes{static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xff)});
}

// A table leaf at page index page: its cells at the offsets given (pointer order), its first
// freeblock and the start of its content.
void leaf(PageFile& f, int page, const std::vector<int>& cells, int firstFreeblock, int contentStart) {
    const int64_t p = f.pageStart(page);
    f.put(p, Bytes{0x0d});
    putBig16(f, p + 1, firstFreeblock);
    putBig16(f, p + 3, static_cast<int>(cells.size()));
    putBig16(f, p + 5, contentStart);
    for (size_t k = 0; k < cells.size(); ++k) putBig16(f, p + 8 + 2 * static_cast<int64_t>(k), cells[k]);
}

class CarvePageRows : public CarveTest {
protected:
    std::vector<carve::CarvedTable> carve(const PageFile& f, const char* shape, int runs = 1) {
        return carve(f, carvetest::shapeOf(shape), runs);
    }
    std::vector<carve::CarvedTable> carve(const PageFile& f, const carve::TableShape& shape, int runs = 1) {
        EXPECT_TRUE(f.write(file(backupkeys::callHistory)));
        carve::CarveDatabase db;
        EXPECT_TRUE(db.openIn(folder(), {backupkeys::callHistory}, context));
        coverage = db.coverage();
        auto tables = carve::carveRecords(db, {shape}, runs);
        coverage = db.coverage();
        return tables;
    }
    carve::CarveCoverage coverage;
};

}  // namespace

TEST_F(CarvePageRows, AStaleCopyOfALiveRowIsNoDeletedRow) {
    // A live row, and below it a freed copy of it whose last number was written over since.
    const Bytes live = cell(5, record("GUID-0001", "hello", 7, 9));
    const Bytes copy = freed(cell(5, record("GUID-0001", "hello", 7, 10)), 0, 24);
    PageFile f(kPage, 2);
    leaf(f, 1, {1000}, 900, 900);
    f.put(f.pageStart(1) + 1000, live);
    f.put(f.pageStart(1) + 900, copy);

    // Known for what it is by the identifier no two rows share, by the columns that together tell
    // a row (a text message's address, time and text), or, its id lost, by the values the table
    // keeps; a table that tells none of these takes it for a deleted row.
    EXPECT_TRUE(carve(f, "kT!tii")[0].deleted.empty());
    EXPECT_TRUE(carve(f, "kT^t^ii")[0].deleted.empty());
    EXPECT_TRUE(carve(f, "kTt|ii")[0].deleted.empty());
    const std::vector<carve::CarvedTable> plain = carve(f, "kTtii");
    ASSERT_EQ(plain[0].deleted.size(), 1u);
    EXPECT_EQ(plain[0].deleted[0].values[4].asInteger(), 10);
    EXPECT_FALSE(plain[0].deleted[0].rowidKnown);
}

TEST_F(CarvePageRows, AnOlderImagesCellIsALiveRowsCopyOnlyWhereTheFoldedImageHoldsItByteForByte) {
    // Two images of one page: an older one (page index 1) and the folded one (index 2). Row 5
    // stayed as it was (moved on the page), row 6 was edited, row 7 deleted; row 8 reads on
    // into overflow pages, whose bytes its cell does not hold.
    const Bytes kept = cell(5, record("GUID-0001", "hello", 7, 9));
    const Bytes edited = cell(6, record("GUID-0002", "hello", 7, 9));
    const Bytes gone = cell(7, record("GUID-0003", "bye", 1, 2));
    Bytes overflowing = varint(2000);
    overflowing.push_back(8);
    overflowing.resize(overflowing.size() + 40, 'x');
    PageFile f(kPage, 3);
    leaf(f, 1, {900, 800, 700, 600}, 0, 600);
    f.put(f.pageStart(1) + 900, kept);
    f.put(f.pageStart(1) + 800, edited);
    f.put(f.pageStart(1) + 700, gone);
    f.put(f.pageStart(1) + 600, overflowing);
    leaf(f, 2, {950, 850, 600}, 0, 600);
    f.put(f.pageStart(2) + 950, kept);
    f.put(f.pageStart(2) + 850, cell(6, record("GUID-0002", "hellp", 7, 9)));
    f.put(f.pageStart(2) + 600, overflowing);
    carve::CarveFile file;
    file.openMemory(f.bytes().data(), f.bytes().size());
    const uint8_t* older = f.bytes().data() + f.pageStart(1);
    carve::CurrentCells current;
    current.read(file, 2, kPage, kPage);
    EXPECT_TRUE(current.holds(older, 900, kPage));
    EXPECT_FALSE(current.holds(older, 800, kPage)) << "an edited row's earlier version";
    EXPECT_FALSE(current.holds(older, 700, kPage)) << "a deleted row";
    EXPECT_FALSE(current.holds(older, 600, kPage)) << "a row whose overflow pages may differ";
    // A folded image that is no table leaf holds no live row; nor does one not read.
    f.put(f.pageStart(2), Bytes{0x05});
    file.openMemory(f.bytes().data(), f.bytes().size());
    current.read(file, 2, kPage, kPage);
    EXPECT_FALSE(current.holds(older, 900, kPage));
    current.read(file, -1, kPage, kPage);
    EXPECT_FALSE(current.holds(older, 900, kPage));
}

TEST_F(CarvePageRows, EveryCopyOfALiveRowsEarlierVersionGoesWithTheOneThatNamesIt) {
    // Row 30 was edited: its new version is live. Its version from before lies twice in the page's
    // free room (a balance had moved it before the edit): whole in the gap, its id read, and freed,
    // its head and id a freeblock's. The copy with the id names the live row, and so the other
    // copy of the same values too. A deleted row of other values in the same block stays one.
    const Bytes before = cell(30, record("GUID-30", "before", 3, 3));
    const Bytes other = cell(20031, record("GUID-31", "another", 4, 4));
    PageFile f(kPage, 2);
    leaf(f, 1, {980}, 800, 800);
    const int64_t page = f.pageStart(1);
    f.put(page + 980, cell(30, record("GUID-30", "after the edit", 3, 3)));
    f.put(page + 496, Bytes(4, 0xee));  // the end of an older row's text
    f.put(page + 500, before);
    f.put(page + 800, freed(before, 0, static_cast<uint16_t>(before.size() + other.size())));
    f.put(page + 800 + static_cast<int64_t>(before.size()), other);

    const std::vector<carve::CarvedTable> tables = carve(f, "kTtii");
    std::vector<std::string> texts;
    for (const carve::CarvedRecord& r : tables[0].deleted) texts.emplace_back(r.values[2].bytesView());
    EXPECT_EQ(texts, std::vector<std::string>{"another"});
}

TEST_F(CarvePageRows, AnEditedRowsCopyIsKnownByWhatIsLeftOfItsIdentifier) {
    // An event renamed and moved: its new version was written into the end of the block its old
    // cell had become, over all of the old one's identifier but its first eight characters. The
    // old copy shares neither title nor start with the live row, but every value no edit changes
    // and the start of its identifier. Another freed row, of another identifier, stays deleted.
    auto event = [](const std::string& title, const std::string& notes, uint8_t start, const std::string& uuid) {
        Bytes serials = {0};
        for (const std::string* text : {&title, &notes}) serials.push_back(static_cast<uint8_t>(2 * text->size() + 13));
        serials.insert(serials.end(), {1, 1, static_cast<uint8_t>(2 * uuid.size() + 13)});
        Bytes r = {static_cast<uint8_t>(serials.size() + 1)};
        r.insert(r.end(), serials.begin(), serials.end());
        r.insert(r.end(), title.begin(), title.end());
        r.insert(r.end(), notes.begin(), notes.end());
        r.insert(r.end(), {start, 9});
        r.insert(r.end(), uuid.begin(), uuid.end());
        return r;
    };
    const std::string uuid = "ABCDEF12-3456-7890-ABCD-EF1234567890", otherUuid = "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0";
    // Ids of three bytes: with the cell's length, the four bytes a freeblock's head takes.
    const Bytes live = cell(20040, event("Renamed", "notes of 40", 20, uuid));
    const Bytes old = cell(20040, event("Original", "notes of 40", 10, uuid));
    const Bytes other = cell(20041, event("Another", "notes of 41", 30, otherUuid));
    // The old copy up to the ninth character of its identifier, then the live row.
    const size_t oldKept = old.size() - uuid.size() + 8;
    constexpr int kOtherAt = 500, kOldAt = 800;
    const int liveAt = kOldAt + static_cast<int>(oldKept);
    PageFile f(kPage, 2);
    leaf(f, 1, {liveAt}, kOtherAt, kOtherAt);
    const int64_t page = f.pageStart(1);
    f.put(page + kOtherAt, freed(other, kOldAt, static_cast<uint16_t>(other.size())));
    f.put(page + kOldAt,
          freed(Bytes(old.begin(), old.begin() + static_cast<ptrdiff_t>(oldKept)), 0, static_cast<uint16_t>(oldKept)));
    f.put(page + liveAt, live);

    // The title and start are what an edit changes, and tell a row; the notes and end are kept.
    carve::TableShape shape = shapeOf("kTtii|t!");
    shape.editKeptColumns = shape.editTellColumns = (uint64_t{1} << 1) | (uint64_t{1} << 3);
    const std::vector<carve::CarvedTable> tables = carve(f, shape);
    std::vector<std::string> titles;
    for (const carve::CarvedRecord& r : tables[0].deleted) titles.emplace_back(r.values[1].bytesView());
    EXPECT_EQ(titles, std::vector<std::string>{"Another"});
}

TEST_F(CarvePageRows, OldRowsWhoseTailsLaterCellsTookKeepTheirColumnsBeforeThem) {
    PageFile f(kPage, 3);
    // Row 6 in the unallocated gap, the last bytes of its note under the live row 5 written since.
    const Bytes live = cell(5, textRecord({"GUID-0001", "hello", "note one"}));
    const Bytes six = cell(6, textRecord({"GUID-0006", "older", "note six"}));
    leaf(f, 1, {1000}, 0, 1000);
    f.put(f.pageStart(1) + 1000 - static_cast<int64_t>(six.size()) + 2, six);
    f.put(f.pageStart(1) + 1000, live);
    // Row 7 with its head whole, its note's last bytes under the freed row 300, whose head a
    // freeblock took and whose note runs on under the live row 5.
    const Bytes seven = cell(7, textRecord({"GUID-0007", "first", "note seven"}));
    const Bytes freed300 = freed(cell(300, textRecord({"GUID-0300", "middle", "note three hundred"})), 0, 40);
    leaf(f, 2, {1000}, 0, 1000);
    const int64_t at300 = f.pageStart(2) + 1000 - static_cast<int64_t>(freed300.size()) + 3;
    f.put(at300 - static_cast<int64_t>(seven.size()) + 4, seven);
    f.put(at300, freed300);
    f.put(f.pageStart(2) + 1000, live);

    // A table that keeps the columns before the lost note has each row, with its id where read...
    const std::vector<carve::CarvedTable> kept = carve(f, "kTt|t");
    ASSERT_EQ(kept[0].deleted.size(), 3u);
    const std::array<std::tuple<const char*, const char*, int64_t>, 3> rows = {
        {{"GUID-0006", "older", 6}, {"GUID-0007", "first", 7}, {"GUID-0300", "middle", 0}}};
    for (size_t k = 0; k < rows.size(); ++k) {
        const auto& [guid, text, rowid] = rows[k];
        EXPECT_EQ(kept[0].deleted[k].values[1].bytesView(), guid);
        EXPECT_EQ(kept[0].deleted[k].values[2].bytesView(), text);
        EXPECT_EQ(kept[0].deleted[k].rowidKnown ? kept[0].deleted[k].rowid : 0, rowid) << guid;
    }
    // ...one that keeps the note has none: its bytes are no longer theirs.
    EXPECT_TRUE(carve(f, "kTtt")[0].deleted.empty());

    // Row 8 whose kept text a freed cell's head took (bytes that still read as a text, but
    // control bytes no name holds), its note then that cell's header: no row, not a garbled one.
    const std::string note = "note eight, long enough";
    const Bytes eight = cell(8, textRecord({"GUID-0008", "lastname", note}));
    const Bytes freed9 = freed(cell(9, record("GUID-0009", "ninth", 0, 0)), 0x0330, 0x016e);
    PageFile g(kPage, 2);
    leaf(g, 1, {1000}, 0, 1000);
    g.put(g.pageStart(1) + 600, eight);
    g.put(g.pageStart(1) + 600 + static_cast<int64_t>(eight.size() - note.size()) - 4, freed9);
    g.put(g.pageStart(1) + 1000, live);
    const std::vector<carve::CarvedTable> cut = carve(g, "kTt|t");
    for (const carve::CarvedRecord& r : cut[0].deleted)
        EXPECT_NE(r.values[1].bytesView(), "GUID-0008") << r.values[2].bytesView();
}

// A deleted row's bytes are its own only where nothing written since took them: a cell written
// later over its last bytes (whole, or freed in turn), or its overflow page taken again for
// another row. Such a row comes without a value it lost, never with bytes of another's.
TEST_F(CarvePageRows, ARowsBytesAreItsOwnOnlyWhereNoLaterWriteTookThem) {
    const Bytes live = cell(5, textRecord({"GUID-0005", "hello", "+1 555 0105"}));
    const Bytes ten = freed(cell(1010, textRecord({"GUID-1010", "tenth", "+44 7700 733366"})), 0, 44);
    // A value row freed (its head a freeblock's), then a later cell written from its last byte
    // on, whole; and from its last two bytes on, then freed in turn, its head naming the next
    // block on: the row's number would read "+44 7700 73336?".
    const Bytes eleven = cell(1011, textRecord({"GUID-1011", "eleventh", "+1 555 0111"}));
    const Bytes twelve = freed(cell(1012, textRecord({"GUID-1012", "twelfth", "+1 555 0112"})), 0x026f, 40);
    for (const auto& [later, back, row] :
         {std::tuple{eleven, 1, "GUID-1011 +1 555 0111"}, std::tuple{twelve, 2, "GUID-1012 +1 555 0112"}}) {
        PageFile f(kPage, 2);
        leaf(f, 1, {1000}, 0, 1000);
        f.put(f.pageStart(1) + 1000, live);
        f.put(f.pageStart(1) + 300, ten);
        f.put(f.pageStart(1) + 300 + static_cast<int64_t>(ten.size()) - back, later);
        std::vector<std::string> found;
        const std::vector<carve::CarvedTable> tables = carve(f, "kTtt");
        for (const carve::CarvedRecord& r : tables[0].deleted)
            found.push_back(std::string(r.values[1].bytesView()) + " " + std::string(r.values[3].bytesView()));
        EXPECT_EQ(found, std::vector<std::string>{row});
    }

    // A row that also keeps a time past its kept columns (as a contact keeps when it was made),
    // freed, then written over from inside its last text by a later cell that no longer reads
    // as one: the text is cut there, and the time after it is the later cell's bytes, not the
    // row's. The row comes back without a time.
    auto timed = [](const std::vector<std::string>& texts, Bytes time) {
        Bytes r = textRecord(texts);
        r.insert(r.begin() + r[0], 4);  // a four-byte integer's serial type ends the header
        ++r[0];
        r.insert(r.end(), time.begin(), time.end());
        return r;
    };
    const Bytes sorted =
        freed(cell(1020, timed({"GUID-1020", "Jonas", "Rossi Jonas"}, {0x10, 0xb0, 0xba, 0x96})), 0, 48);
    for (const bool writtenOver : {false, true}) {
        PageFile f(kPage, 2);
        leaf(f, 1, {1000}, 0, 1000);
        f.put(f.pageStart(1) + 1000, cell(5, timed({"GUID-0005", "Ben", "Evans Ben"}, {0x10, 0xb0, 0xba, 0x90})));
        f.put(f.pageStart(1) + 300, sorted);
        if (writtenOver)
            f.put(f.pageStart(1) + 300 + static_cast<int64_t>(sorted.size()) - 9,
                  Bytes{0, 0, 1, 0xc7, 0x11, 0, 0, 0, 0});
        const std::vector<carve::CarvedTable> tables = carve(f, "kTt|ti+");
        ASSERT_EQ(tables[0].deleted.size(), 1u) << (writtenOver ? "written over" : "whole");
        const carve::CarvedRecord& r = tables[0].deleted[0];
        EXPECT_EQ(r.values[1].bytesView(), "GUID-1020");
        EXPECT_EQ(r.values[3].isNull(), writtenOver) << r.values[3].asInteger();
    }

    // A freed row that ran on into an overflow page (page 3): its text is whole while the page
    // lies on the free list as a leaf, and lost once the database took the page again.
    const std::string note(1198, 'n');
    const Bytes payload = textRecord({"GUID-0020", note});
    constexpr size_t kLocal = 192;  // what a 1024-byte page keeps of a 1212-byte payload
    ASSERT_EQ(payload.size(), 1212u);
    Bytes head = varint(payload.size());
    head.push_back(20);
    head.insert(head.end(), payload.begin(), payload.begin() + kLocal);
    head.insert(head.end(), {0, 0, 0, 3});
    Bytes overflow = {0, 0, 0, 0};
    overflow.insert(overflow.end(), payload.begin() + kLocal, payload.end());
    const Bytes shortLive = cell(5, textRecord({"GUID-0005", "hello"}));
    // Or taken again as the second page of another row's chain and freed with it: the free list
    // holds it right after that chain's first page (page 5), which links on to it, and its bytes
    // are that chain's. A leaf before it that links elsewhere says nothing of it.
    enum class Page { onFreeList, takenAgain, freedWithAnother, freedAfterAnother };
    for (const Page state : {Page::onFreeList, Page::takenAgain, Page::freedWithAnother, Page::freedAfterAnother}) {
        PageFile f(kPage, 5);
        leaf(f, 1, {1000}, 0, 1000);
        f.put(f.pageStart(1) + 1000, shortLive);
        f.put(f.pageStart(1) + 400, freed(head, 0, static_cast<uint16_t>(head.size())));
        f.put(f.pageStart(2), overflow);
        if (state == Page::onFreeList) {
            f.put(32, Bytes{0, 0, 0, 4, 0, 0, 0, 2});                          // the free list: trunk page 4, two pages
            f.put(f.pageStart(3), Bytes{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 3});  // its one leaf, page 3
        } else if (state != Page::takenAgain) {
            f.put(32, Bytes{0, 0, 0, 4, 0, 0, 0, 3});                                      // three pages
            f.put(f.pageStart(3), Bytes{0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 5, 0, 0, 0, 3});  // leaves 5 and 3
            const uint8_t next = state == Page::freedWithAnother ? 3 : 0;
            f.put(f.pageStart(4), Bytes{0, 0, 0, next, 'n', 'n'});
        }
        std::vector<std::string> found;
        const std::vector<carve::CarvedTable> tables = carve(f, "kTt");
        for (const carve::CarvedRecord& r : tables[0].deleted)
            found.push_back(std::string(r.values[1].bytesView()) + " " +
                            std::to_string(r.values[2].bytesView().size()));
        const bool own = state == Page::onFreeList || state == Page::freedAfterAnother;
        EXPECT_EQ(found, own ? std::vector<std::string>{"GUID-0020 1198"} : std::vector<std::string>{})
            << static_cast<int>(state);
    }
}

// A freed row whose tail a cell written later took, that cell freed in turn and joined to the
// room around it, keeps its columns before that cell and loses those after; the later one comes
// back whole. The later cell keeps its head where it lies inside a freeblock (the block took
// its bytes whole); in a page's gap its head is a freeblock's, as the earlier row's is.
TEST_F(CarvePageRows, AFreedRowWhoseTailALaterFreedCellTookKeepsWhatLiesBeforeIt) {
    // Ids of two bytes: each freed head took a row's length, id and header length, and left its
    // serial types whole.
    const Bytes earlier = cell(300, textRecord({"GUID-0300", "three hundred", "a note the later row took"}));
    const Bytes later = cell(301, textRecord({"GUID-0301", "three hundred one", "its own note"}));
    const int64_t laterAt = static_cast<int64_t>(earlier.size()) - 6;  // over the note's last bytes
    const auto size = static_cast<uint16_t>(laterAt + static_cast<int64_t>(later.size()));
    for (const bool inFreeblock : {true, false}) {
        SCOPED_TRACE(inFreeblock ? "in a freeblock" : "in the gap");
        PageFile f(kPage, 2);
        leaf(f, 1, {1000}, inFreeblock ? 600 : 0, inFreeblock ? 600 : 1000);
        f.put(f.pageStart(1) + 1000, cell(5, textRecord({"GUID-0005", "hello", "live note"})));
        const int64_t at = f.pageStart(1) + 600;
        // The block the first head names: the joined one, or the earlier row's own.
        f.put(at, freed(earlier, 0, inFreeblock ? size : static_cast<uint16_t>(earlier.size())));
        f.put(at + laterAt, inFreeblock ? later : freed(later, 0, static_cast<uint16_t>(later.size())));
        std::map<std::string, const carve::CarvedRecord*> found;
        const std::vector<carve::CarvedTable> tables = carve(f, "kTt/t");
        for (const carve::CarvedRecord& r : tables[0].deleted) found[std::string(r.values[1].bytesView())] = &r;
        ASSERT_EQ(found.size(), 2u);
        ASSERT_TRUE(found.count("GUID-0300") && found.count("GUID-0301"));
        EXPECT_EQ(found["GUID-0300"]->values[2].bytesView(), "three hundred");
        EXPECT_TRUE(found["GUID-0300"]->values[3].isLost()) << found["GUID-0300"]->values[3].bytesView();
        EXPECT_EQ(found["GUID-0301"]->values[3].bytesView(), "its own note");
    }
}

// A freed row in a page's gap whose head took its length, id and first serial type is read as
// far as the block its head names: where that block ends, or where a row freed after it and
// joined to it begins (its head names the same end). The bytes after it need not read as a row;
// a head whose block ends elsewhere says nothing of where the row ends.
TEST_F(CarvePageRows, AFreedRowEndsWhereTheBlockItsHeadNamesEnds) {
    const Bytes row = cell(31, record("GUID-0031", "thirty-one", 7, 9));
    const auto length = static_cast<uint16_t>(row.size());
    for (const auto& [blockSize, joinedHead, found] : {std::tuple<uint16_t, bool, bool>{length, false, true},
                                                       {length + 12, true, true},
                                                       {length + 5, false, false}}) {
        SCOPED_TRACE(std::to_string(blockSize - length) + " bytes past it");
        PageFile f(kPage, 2);
        leaf(f, 1, {1000}, 0, 1000);
        f.put(f.pageStart(1) + 1000, cell(5, record("GUID-0005", "hello", 7, 9)));
        f.put(f.pageStart(1) + 300, Bytes(700, 0xff));  // bytes that read as no row
        f.put(f.pageStart(1) + 300, freed(row, 0, blockSize));
        if (joinedHead) f.put(f.pageStart(1) + 300 + length, Bytes{0, 0, 0, 12});
        const std::vector<carve::CarvedTable> tables = carve(f, "kTtii");
        ASSERT_EQ(tables[0].deleted.size(), found ? 1u : 0u);
        if (found) {
            EXPECT_EQ(tables[0].deleted[0].values[2].bytesView(), "thirty-one");
        }
    }
    // Its block's last bytes taken by a row written later and freed in turn, which runs on past
    // them: those bytes are the later row's, which is the one read.
    const Bytes later = cell(300, record("GUID-0300", "later", 7, 9));
    PageFile f(kPage, 2);
    leaf(f, 1, {1000}, 0, 1000);
    f.put(f.pageStart(1) + 1000, cell(5, record("GUID-0005", "hello", 7, 9)));
    f.put(f.pageStart(1) + 300, Bytes(700, 0xff));
    f.put(f.pageStart(1) + 300, freed(row, 0, length));
    f.put(f.pageStart(1) + 300 + length - 2, freed(later, 0, static_cast<uint16_t>(later.size())));
    std::vector<std::string> guids;
    const std::vector<carve::CarvedTable> tables = carve(f, "kTtii");
    for (const carve::CarvedRecord& r : tables[0].deleted) guids.emplace_back(r.values[1].bytesView());
    EXPECT_EQ(guids, std::vector<std::string>{"GUID-0300"});
}

// SQLite gives a cell the end of a freeblock. A live row edited to a shorter one took the end
// of the block its earlier cell became: that cell's head (its length, the same row id, the start
// of its record) lies over the numbers of the freed row before it, which are not that row's. So
// does the head of a cell two bytes longer, of which the live cell left the length and the first
// byte of the id; and that of another row's cell that took the end before and was freed since,
// its record header left whole. A last byte that merely reads as the length of a cell a byte
// longer than the live one tells nothing (as many rows end in such a byte by themselves): the
// row keeps it.
TEST_F(CarvePageRows, AFreedRowsBytesUnderItsNeighboursEarlierHeadAreNotItsOwn) {
    // The freed row's two numbers (of eight bytes) run on to the live cell; an earlier cell's
    // first bytes lie over them, the numbers from lostFrom on.
    constexpr int64_t kFirstNumber = 0x0102030405060708;
    auto numbersUnder = [&](const Bytes& earlier, const Bytes& live, size_t lostFrom) {
        Bytes numbers = {6, 0, 13 + 2 * 9, 13 + 2 * 10, 6, 6};
        for (const std::string& text : {std::string("GUID-0300"), std::string("three hund")})
            numbers.insert(numbers.end(), text.begin(), text.end());
        for (const int64_t n : {kFirstNumber, int64_t{0x1112131415161718}})
            for (int shift = 56; shift >= 0; shift -= 8) numbers.push_back(static_cast<uint8_t>(n >> shift & 0xff));
        const Bytes row = cell(300, numbers);
        const int liveAt = 600 + static_cast<int>(row.size());
        const auto headBytes = static_cast<int64_t>(earlier.size() - live.size());
        PageFile f(kPage, 2);
        leaf(f, 1, {liveAt}, 600, 600);
        f.put(f.pageStart(1) + 600, freed(row, 0, static_cast<uint16_t>(row.size())));
        f.put(f.pageStart(1) + liveAt - headBytes, Bytes(earlier.begin(), earlier.begin() + headBytes));
        f.put(f.pageStart(1) + liveAt, live);
        const std::vector<carve::CarvedTable> tables = carve(f, "kTt/ii");
        ASSERT_EQ(tables[0].deleted.size(), 1u);
        const carve::CarvedRecord& r = tables[0].deleted[0];
        EXPECT_EQ(r.values[2].bytesView(), "three hund");
        for (size_t c = 3; c <= 4; ++c)
            if (c < lostFrom)
                EXPECT_EQ(r.values[c].asInteger(), kFirstNumber);
            else
                EXPECT_TRUE(r.values[c].isLost()) << c << ": " << r.values[c].asInteger();
    };
    {
        SCOPED_TRACE("the live row edited to a shorter one");
        numbersUnder(cell(301, record("GUID-0301", "hello, world", 7, 9)),
                     cell(301, record("GUID-0301", "hello", 7, 9)), 4);
    }
    {
        SCOPED_TRACE("the live row two bytes longer before its edit");
        numbersUnder(cell(301, record("GUID-0301", "hello!!", 7, 9)), cell(301, record("GUID-0301", "hello", 7, 9)), 4);
    }
    {
        SCOPED_TRACE("another row, freed since");
        numbersUnder(cell(400, record("GUID-0400", "four hundred and", 7, 9)),
                     cell(301, record("GUID-0301", "hello", 7, 9)), 3);
    }
    const Bytes live = cell(301, textRecord({"GUID-0301", "three hundred one", "its note"}));
    {
        const std::string note = std::string("a note ending in ") + static_cast<char>(live[0] + 1);
        const Bytes row = cell(300, textRecord({"GUID-0300", "three hundred", note}));
        const int liveAt = 600 + static_cast<int>(row.size());
        PageFile f(kPage, 2);
        leaf(f, 1, {liveAt}, 600, 600);
        f.put(f.pageStart(1) + 600, freed(row, 0, static_cast<uint16_t>(row.size())));
        f.put(f.pageStart(1) + liveAt, live);
        const std::vector<carve::CarvedTable> tables = carve(f, "kTt/t");
        ASSERT_EQ(tables[0].deleted.size(), 1u);
        EXPECT_EQ(tables[0].deleted[0].values[3].bytesView(), note);
    }
    {
        // Two freed rows in one block: the second one kept the head it had as a block of its own
        // (its next block's offset, its size then), whose bytes read as a length and an id that
        // end a cell where the live one ends, its record header after them. That head is the
        // row's own, no earlier cell's: both rows come back.
        constexpr int kBlock = 600, kSecond = 790, kLiveAt = 900;
        const Bytes first = cell(300, record("GUID-0300", std::string(168, 'x'), 7, 9));
        ASSERT_EQ(kBlock + static_cast<int>(first.size()), kSecond);
        const Bytes taker = cell(5, record("GUID-0005", "hey", 7, 9));
        ASSERT_EQ(kSecond + 4 + 128, kLiveAt + static_cast<int>(taker.size()));
        PageFile f(kPage, 2);
        leaf(f, 1, {kLiveAt}, kBlock, kBlock);
        f.put(f.pageStart(1) + kBlock, Bytes(kLiveAt - kBlock, 0xff));
        f.put(f.pageStart(1) + kBlock, freed(first, 0, kLiveAt - kBlock));
        // Its next block's offset ends in 0x81: with its size's first byte, a length of 128.
        f.put(f.pageStart(1) + kSecond, freed(cell(20000, record("GUID-0790", "abc", 7, 9)), 0x381, 80));
        f.put(f.pageStart(1) + kLiveAt, taker);
        const std::vector<carve::CarvedTable> tables = carve(f, "kTt/ii");
        std::vector<std::string> guids;
        for (const carve::CarvedRecord& r : tables[0].deleted) guids.emplace_back(r.values[1].bytesView());
        EXPECT_EQ(guids, (std::vector<std::string>{"GUID-0300", "GUID-0790"}));
    }
}

// A row in the gap whose number a freeblock's head lies over: a cell written over the row later
// and freed began there, and the block its head names ends where a live cell begins (that cell
// took the rest of the block), or the freed cell's record header follows the head. The number is
// that head's, not the row's: the row keeps what lies before it. Without the head, the row is
// whole.
TEST_F(CarvePageRows, ARowsNumberUnderTheHeadOfALaterBlockIsLost) {
    auto row = [](uint32_t a) {
        Bytes r = {6, 0, 13 + 2 * 9, 13 + 2 * 10, 4, 4};
        for (const std::string& text : {std::string("GUID-0031"), std::string("thirty-one")})
            r.insert(r.end(), text.begin(), text.end());
        for (const uint32_t v : {a, uint32_t{9}})
            r.insert(r.end(), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                               static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
        return cell(31, r);
    };
    constexpr int kRowAt = 300, kNumberAt = kRowAt + 2 + 6 + 9 + 10, kLiveAt = 1000;
    enum Head { blockToTheCell, freedHeader, none };
    for (const Head head : {blockToTheCell, freedHeader, none}) {
        SCOPED_TRACE(head == blockToTheCell ? "a head whose block ends at the live cell"
                     : head == freedHeader  ? "a head before a freed record's header"
                                            : "the row's own number");
        PageFile f(kPage, 2);
        leaf(f, 1, {kLiveAt}, 0, kLiveAt);
        f.put(f.pageStart(1) + kLiveAt, cell(5, record("GUID-0005", "hello", 7, 9)));
        // The head (no next block) names a block that ends where the live cell begins, or one of
        // 100 bytes followed by the freed cell's row id and record header.
        f.put(f.pageStart(1) + kRowAt, row(head == blockToTheCell ? kLiveAt - kNumberAt
                                           : head == freedHeader  ? 100
                                                                  : 7));
        if (head == freedHeader) f.put(f.pageStart(1) + kNumberAt + 4, Bytes{32, 6, 0, 13 + 2 * 9, 13 + 2 * 6, 4, 4});
        const std::vector<carve::CarvedTable> tables = carve(f, "kTt/ii");
        ASSERT_EQ(tables[0].deleted.size(), 1u);
        const carve::CarvedRecord& r = tables[0].deleted[0];
        EXPECT_EQ(r.values[1].bytesView(), "GUID-0031");
        EXPECT_EQ(r.values[2].bytesView(), "thirty-one");
        if (head != none)
            EXPECT_TRUE(r.values[3].isLost()) << r.values[3].asInteger();
        else
            EXPECT_EQ(r.values[3].asInteger(), 7);
    }
}

// A freed row whose last bytes a later cell's head took, that cell's own values taken in turn by
// a third write: the later cell no longer reads as a row, but its head (its length, id and
// record header, or where it was freed too, the block's head over its length and id and the
// header after it) still says the bytes from there on are not the earlier row's, which never
// comes back with them as its values.
TEST_F(CarvePageRows, AFreedRowNeverTakesTheHeadOfACellWrittenOverItAsItsValues) {
    const Bytes row = cell(31, record("GUID-0031", "thirty-one", 7, 9));
    // An id of three bytes: a freed head takes its cell's length and id, and leaves its header.
    const Bytes later = cell(20000, record("GUID-0300", "later", 7, 9));
    const Bytes third = cell(302, record("GUID-0302", "third", 7, 9));
    const int64_t laterAt = static_cast<int64_t>(row.size()) - 2;  // over its two numbers
    const int64_t thirdAt = laterAt + 14;                          // into the later one's identifier
    const auto blockSize = static_cast<uint16_t>(thirdAt + static_cast<int64_t>(third.size()) + 40);
    for (const bool laterFreed : {false, true}) {
        SCOPED_TRACE(laterFreed ? "the later cell freed" : "the later cell whole");
        PageFile f(kPage, 2);
        leaf(f, 1, {1000}, 300, 300);
        f.put(f.pageStart(1) + 1000, cell(5, record("GUID-0005", "hello", 7, 9)));
        f.put(f.pageStart(1) + 300, Bytes(700, 0));
        f.put(f.pageStart(1) + 300, freed(row, 0, blockSize));
        f.put(f.pageStart(1) + 300 + laterAt,
              laterFreed ? freed(later, 0, static_cast<uint16_t>(later.size())) : later);
        f.put(f.pageStart(1) + 300 + thirdAt, freed(third, 0, static_cast<uint16_t>(third.size())));
        const std::vector<carve::CarvedTable> tables = carve(f, "kTtii");
        for (const carve::CarvedRecord& r : tables[0].deleted) {
            if (r.values[1].bytesView() != "GUID-0031") continue;
            EXPECT_EQ(r.values[2].bytesView(), "thirty-one");
            for (size_t c : {size_t{3}, size_t{4}})
                EXPECT_TRUE(r.values[c].isLost() || r.values[c].asInteger() == (c == 3 ? 7 : 9))
                    << "column " << c << " holds " << r.values[c].asInteger();
        }
    }
}

TEST_F(CarvePageRows, SerialTypesOfTextsLongerThanAnyRowAreNoRow) {
    // In a gap, what looks like a freed cell whose serial types say texts of 2^62 bytes: their
    // lengths would overflow any sum.
    Bytes bytes = {0, 0, 0, 64, 29, 0};
    for (int column = 0; column < 3; ++column) {
        const uint64_t huge = 0x7ffffffffffffff1;
        for (int k = 0; k < 8; ++k) bytes.push_back(static_cast<uint8_t>(0x80 | ((huge >> (57 - 7 * k)) & 0x7f)));
        bytes.push_back(static_cast<uint8_t>(huge & 0xff));
    }
    bytes.resize(bytes.size() + 40, 'x');
    PageFile f(kPage, 2);
    leaf(f, 1, {1000}, 0, 1000);
    f.put(f.pageStart(1) + 600, bytes);
    f.put(f.pageStart(1) + 1000, cell(5, textRecord({"GUID-0001", "hello", "note one"})));
    EXPECT_TRUE(carve(f, "kTt|t")[0].deleted.empty());
}

TEST_F(CarvePageRows, ARowWithAValueWhereTheRowIdAliasLiesIsAnotherTablesRow) {
    // A row left in a gap whose first column holds a number: a table whose first column is the
    // row id stores NULL there, so the row is another table's, laid out alike; a table whose
    // first column is a number of its own has it.
    Bytes numbered = {4, 1, 2 * 9 + 13, 2 * 4 + 13, 42};
    for (const char* text : {"GUID-0009", "gone"}) numbered.insert(numbered.end(), text, text + std::strlen(text));
    PageFile f(kPage, 2);
    leaf(f, 1, {1000}, 0, 1000);
    f.put(f.pageStart(1) + 1000, cell(5, textRecord({"GUID-0005", "hello"})));
    f.put(f.pageStart(1) + 500, cell(9, numbered));
    EXPECT_TRUE(carve(f, "kTt")[0].deleted.empty());
    const std::vector<carve::CarvedTable> own = carve(f, "iTt");
    ASSERT_EQ(own[0].deleted.size(), 1u);
    EXPECT_EQ(own[0].deleted[0].values[0].asInteger(), 42);
    EXPECT_EQ(own[0].deleted[0].values[1].bytesView(), "GUID-0009");
    // The same row with the row id's NULL is the first table's.
    f.put(f.pageStart(1) + 500, cell(9, textRecord({"GUID-0009", "gone"})));
    EXPECT_EQ(carve(f, "kTt")[0].deleted.size(), 1u);
}

TEST_F(CarvePageRows, TextsOfControlBytesAreNoRowsValues) {
    // Rows left in a gap whose kept texts are a number, and the same bytes where the number's
    // text is control bytes (the head of another cell, or no text at all): the second is no row.
    // Tabs and line breaks are text.
    for (const auto& [number, isRow] : {std::pair<std::string, bool>{"+1 555 0199", true},
                                        {"line one\tand\r\ntwo", true},
                                        {std::string("\x05\x03\x11\x1b\x02", 5), false}}) {
        PageFile f(kPage, 2);
        leaf(f, 1, {1000}, 0, 1000);
        f.put(f.pageStart(1) + 1000, cell(5, textRecord({"GUID-0005", "hello", "+1 555 0105"})));
        f.put(f.pageStart(1) + 500, cell(9, textRecord({"GUID-0009", "gone", number})));
        EXPECT_EQ(carve(f, "kTtt")[0].deleted.size(), isRow ? 1u : 0u) << number;
    }
}

TEST_F(CarvePageRows, RowsThatLostTheirIdsTakeTheIdsTheRowsAroundThemLeave) {
    PageFile f(kPage, 5);
    // Rows 10 to 13 written one after another, each lower on the page; 12 and then 11 deleted,
    // their freeblocks merged, each keeping a freeblock's head over its own.
    leaf(f, 1, {1000, 928}, 952, 928);
    f.put(f.pageStart(1) + 1000, cell(10, record("GUID-0010", "ten..", 1, 2)));
    f.put(f.pageStart(1) + 976, freed(cell(11, record("GUID-0011", "elev.", 3, 4)), 0, 24));
    f.put(f.pageStart(1) + 952, freed(cell(12, record("GUID-0012", "twel.", 5, 6)), 0, 48));
    f.put(f.pageStart(1) + 928, cell(13, record("GUID-0013", "thir.", 7, 8)));
    // Rows 20 and 21 with a freed row between them that cannot be theirs: bytes of another time.
    leaf(f, 2, {1000, 952}, 976, 952);
    f.put(f.pageStart(2) + 1000, cell(20, record("GUID-0020", "twen.", 1, 1)));
    f.put(f.pageStart(2) + 976, freed(cell(99, record("GUID-0099", "other", 2, 2)), 0, 24));
    f.put(f.pageStart(2) + 952, cell(21, record("GUID-0021", "tw.on", 3, 3)));
    // A page that took rows into freed room, as a phone's newest page does: rows 30 to 36 written
    // one below the other, 31 deleted and row 40 written into its room. Row 33, deleted, still
    // fills the room between 32 and 34 to the byte: it is theirs. Row 35's room took row 41, a
    // shorter one, at its end, and 41 was deleted in turn: it lies between 34 and 36 but does not
    // fill their room, so it is no row of their order (taking 35 would give it another's values).
    leaf(f, 3, {1000, 952, 904, 856, 976}, 880, 856);
    f.put(f.pageStart(3) + 1000, cell(30, record("GUID-0030", "thir.", 1, 1)));
    f.put(f.pageStart(3) + 976, cell(40, record("GUID-0040", "fort.", 1, 1)));
    f.put(f.pageStart(3) + 952, cell(32, record("GUID-0032", "th.tw", 1, 1)));
    f.put(f.pageStart(3) + 928, freed(cell(33, record("GUID-0033", "th.th", 1, 1)), 0, 24));
    f.put(f.pageStart(3) + 904, cell(34, record("GUID-0034", "th.fo", 1, 1)));
    f.put(f.pageStart(3) + 880, Bytes{928 >> 8, 928 & 0xff, 0, 24});
    f.put(f.pageStart(3) + 884, freed(cell(41, record("GUID-0041", "f", 1, 1)), 0, 20));
    f.put(f.pageStart(3) + 856, cell(36, record("GUID-0036", "th.si", 1, 1)));
    // Rows 50 and 51, and row 52 freed from the top of the cells into the gap, where rows 5 and 3
    // of an older state of the page still lie: 52 comes after 51; 5 is bounded by nothing, and 3
    // tells nothing of the page's order.
    leaf(f, 4, {1000, 976}, 0, 976);
    f.put(f.pageStart(4) + 1000, cell(50, record("GUID-0050", "fifty", 1, 1)));
    f.put(f.pageStart(4) + 976, cell(51, record("GUID-0051", "fi.on", 1, 1)));
    f.put(f.pageStart(4) + 952, freed(cell(52, record("GUID-0052", "fi.tw", 1, 1)), 0, 24));
    f.put(f.pageStart(4) + 500, freed(cell(5, record("GUID-0005", "five.", 1, 1)), 0, 24));
    f.put(f.pageStart(4) + 524, cell(3, record("GUID-0003", "three", 1, 1)));

    const std::vector<carve::CarvedTable> tables = carve(f, "kTtii");
    std::map<std::string, const carve::CarvedRecord*> byGuid;
    for (const carve::CarvedRecord& r : tables[0].deleted) byGuid[std::string(r.values[1].bytesView())] = &r;
    ASSERT_EQ(byGuid.size(), 8u);
    ASSERT_EQ(byGuid.count("GUID-0052"), 1u);
    EXPECT_EQ(byGuid["GUID-0052"]->rowidBefore, 51);
    ASSERT_EQ(byGuid.count("GUID-0005"), 1u);
    EXPECT_EQ(byGuid["GUID-0005"]->rowidBefore, 0);
    EXPECT_EQ(byGuid["GUID-0005"]->rowidAfter, 0);
    for (const auto& [guid, rowid] :
         {std::pair<std::string, int64_t>{"GUID-0011", 11}, {"GUID-0012", 12}, {"GUID-0033", 33}}) {
        ASSERT_EQ(byGuid.count(guid), 1u) << guid;
        EXPECT_TRUE(byGuid[guid]->rowidKnown) << guid;
        EXPECT_EQ(byGuid[guid]->rowid, rowid) << guid;
    }
    for (const std::string guid : {"GUID-0099", "GUID-0041"}) {
        ASSERT_EQ(byGuid.count(guid), 1u) << guid;
        const carve::CarvedRecord& stray = *byGuid[guid];
        EXPECT_FALSE(stray.rowidKnown) << guid;
        EXPECT_EQ(stray.rowidBefore, 0) << guid;
        EXPECT_EQ(stray.rowidAfter, 0) << guid;
    }
}

TEST_F(CarvePageRows, ACellFreedIntoTheBlockBeforeItKeepsItsHeadAndItsId) {
    // Rows 20001, 20003 and 20007 freed in the order of their places: the first one's head took
    // the block's, and each later one joined that block, which grew over it and left its own head
    // (its length and row id) whole. Row 20003 had been edited: its new version is live above,
    // and its old cell here is no deleted row. Row 20007 is gone from the table, with its own id.
    const Bytes first = cell(20001, record("GUID-1", "first", 1, 1));
    const Bytes old = cell(20003, record("GUID-3", "before", 3, 3));
    const Bytes gone = cell(20007, record("GUID-7", "seventh", 7, 7));
    constexpr int kBlockAt = 700;
    PageFile f(kPage, 2);
    leaf(f, 1, {1000, 960}, kBlockAt, kBlockAt);
    const int64_t page = f.pageStart(1);
    f.put(page + 1000, cell(20000, record("GUID-0", "zero", 0, 0)));
    f.put(page + 960, cell(20003, record("GUID-3", "after the edit", 3, 3)));
    f.put(page + kBlockAt, freed(first, 0, static_cast<uint16_t>(first.size() + old.size() + gone.size())));
    f.put(page + kBlockAt + static_cast<int64_t>(first.size()), old);
    f.put(page + kBlockAt + static_cast<int64_t>(first.size() + old.size()), gone);

    const std::vector<carve::CarvedTable> tables = carve(f, "kTtii");
    std::map<std::string, const carve::CarvedRecord*> byText;
    for (const carve::CarvedRecord& r : tables[0].deleted) byText[std::string(r.values[2].bytesView())] = &r;
    EXPECT_EQ(byText.count("before"), 0u) << "the edited row's old copy is listed as deleted";
    ASSERT_EQ(byText.count("seventh"), 1u);
    EXPECT_TRUE(byText["seventh"]->rowidKnown);
    EXPECT_FALSE(byText["seventh"]->rowidInferred);
    EXPECT_EQ(byText["seventh"]->rowid, 20007);
    EXPECT_EQ(byText.count("first"), 1u);
}

TEST_F(CarvePageRows, WhatAFreedCellKeepsOfItsLostIdDecidesWhichRowsItJoins) {
    // Three rows freed one after another, each a freeblock of its own whose head was written over
    // its cell's length and the start of its row id: of ids 20000 and 20003 (three bytes) the
    // last byte is left, 300's two bytes are gone.
    PageFile f(kPage, 2);
    leaf(f, 1, {}, 500, 500);
    const std::vector<std::pair<int64_t, int>> rows = {{20000, 500}, {20003, 700}, {300, 850}};
    for (size_t k = 0; k < rows.size(); ++k) {
        const auto [rowid, at] = rows[k];
        // A text of 110 bytes runs the record to 128: its length takes two bytes.
        const Bytes whole =
            cell(rowid, record("GUID-" + std::to_string(rowid), std::string(110, 'a'), static_cast<uint8_t>(5 + k), 1));
        const int next = k + 1 < rows.size() ? rows[k + 1].second : 0;
        f.put(f.pageStart(1) + at, freed(whole, static_cast<uint16_t>(next), static_cast<uint16_t>(whole.size())));
    }
    const std::vector<carve::CarvedTable> tables = carve(f, "kTtii");
    std::map<std::string, const carve::CarvedRecord*> byGuid;
    for (const carve::CarvedRecord& r : tables[0].deleted) byGuid[std::string(r.values[1].bytesView())] = &r;
    ASSERT_EQ(byGuid.size(), 3u);
    const carve::CarvedRecord& first = *byGuid["GUID-20000"];
    const carve::CarvedRecord& second = *byGuid["GUID-20003"];
    const carve::CarvedRecord& early = *byGuid["GUID-300"];
    for (const carve::CarvedRecord* r : {&first, &second, &early}) {
        EXPECT_FALSE(r->rowidKnown);
        EXPECT_EQ(r->rowidBefore, 0);
        EXPECT_EQ(r->rowidAfter, 0);
    }
    // Where the header starts bounds the id's length (the block may have taken in a few bytes
    // before the cell, so from above only); the byte left of it gives its last seven bits.
    EXPECT_EQ(carve::tailRange(first), std::make_pair(int64_t{1}, int64_t{2097151}));
    EXPECT_TRUE(carve::admitsRowid(first, 20000));
    EXPECT_TRUE(carve::admitsRowid(first, 20000 + 128));
    EXPECT_FALSE(carve::admitsRowid(first, 20003));
    EXPECT_FALSE(carve::admitsRowid(first, 20000 + 2097152));
    EXPECT_TRUE(carve::admitsRowid(second, 20003));
    EXPECT_EQ(carve::tailRange(early), std::make_pair(int64_t{1}, int64_t{16383}));
    EXPECT_TRUE(carve::admitsRowid(early, 300));
    EXPECT_TRUE(carve::admitsRowid(early, 301));
    EXPECT_FALSE(carve::admitsRowid(early, 20000));

    // Places whose own ids are lost and bounded by nothing name the rows that own them (column
    // 0): every place is open to either row by their bounds alone. Row 20003 takes the one place
    // its id's last bits allow; row 20000 takes none, since two places (naming 20000 and 20128)
    // still fit it.
    std::vector<carve::CarvedValue> named(3);
    std::vector<carve::CarvedRecord> places(3);
    for (size_t k = 0; k < places.size(); ++k) {
        named[k].type = carve::CarvedValue::integerValue;
        named[k].integer = std::array<int64_t, 3>{20003, 20000, 20128}[k];
        places[k].values = {&named[k], 1};
    }
    const std::vector<const carve::CarvedRecord*> left = {&first, &second};
    const std::vector<const carve::CarvedRecord*> right = {&places[0], &places[1], &places[2]};
    auto anyTexts = [](size_t, size_t) { return true; };
    EXPECT_EQ(carve::pairRows(left, namedIn(left, 3), right, namedIn(right, 0), anyTexts), (std::vector<int>{-1, 0}));
}

TEST_F(CarvePageRows, EveryPageIsLookedThroughWhateverTheRuns) {
    // Three pages and a stretch past the last whole one.
    PageFile f(kPage, 4);
    for (int page = 1; page < 4; ++page) leaf(f, page, {}, 0, kPage);
    f.truncate(4 * kPage + 300);
    for (int runs : {1, 2, 3}) {
        SCOPED_TRACE("runs " + std::to_string(runs));
        carve(f, "kTtii", runs);
        EXPECT_EQ(coverage.pages, 4);
        EXPECT_EQ(coverage.examined, 3);
        EXPECT_EQ(coverage.headerPages, 1);
        EXPECT_EQ(coverage.partialBytes, 300);
        EXPECT_TRUE(coverage.complete());
    }
}

TEST(CarvedTimes, RowsAreJudgedByTheBackupsDateWhateverTheYear) {
    // A row dated up to a year past its backup is a phone's, whatever the year; without a
    // backup's date, the present stands for it.
    constexpr int64_t k2030 = 1893456000, kYear = 365 * 86400;
    for (int64_t backup : {k2030 - 5 * kYear, k2030 + 3 * kYear, k2030 + 40 * kYear}) {
        EXPECT_GE(carve::latestPlausibleTime(backup), backup + kYear) << backup;
        EXPECT_LT(carve::latestPlausibleTime(backup), backup + 2 * kYear) << backup;
    }
    EXPECT_GE(carve::latestPlausibleTime(0), static_cast<int64_t>(std::time(nullptr)) + kYear - 86400);
}
