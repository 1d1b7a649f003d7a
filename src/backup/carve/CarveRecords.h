// Rows of known tables read back from a database file's pages, the deleted ones included.
//
// A deleted row stays on its page until the space is reused: as a freeblock (whose first four
// bytes now hold the free-space chain, so the cell's length, its row id and the first bytes of
// its record header are gone), in the unallocated gap of the page (whole), or on a page that went
// to the free list (whole, with its cell pointers). The reader knows each table's columns and the
// kinds of values they hold, and takes a stretch of bytes for a row only when every part of the
// record agrees with them: the serial types, the lengths adding up, texts that are UTF-8. Live
// rows are read too, so that a stale copy of a live row is never taken for a deleted one.
//
// Where each part is done: CarveRecords.cpp runs the steps; PageCarver walks the pages;
// CellReader reads a cell as a row (PayloadReader its payload, SerialTypes.h and RecordValues.h
// its record, ValueKeeper keeps its values); PageRowidBounds and TreeBounds bound the ids that
// rows lost; LiveKeys.h tells the rows that repeat a live one; FinishRows.h keeps the deleted
// rows. PageFormat.h names the file format's numbers. The carvers pair the rows afterwards with
// PairRows.h, asking CarvedRowid.h which ids a row may have.
#pragma once

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarvedStore.h"
#include "platform/MappedMemory.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace carve {

// Seconds from 1970 to 2001, from which the newer columns count.
constexpr int64_t kSince2001 = 978307200;

// The latest time, in seconds from 1970, that a call, message or note of a phone can hold: a
// carved row said to be later is other bytes that fit the layout. A year past the date of the
// backup that holds it (a phone's clock may be somewhat ahead of the computer's), whatever the
// year: a fixed year would drop every row written after it. backupTime is the backup's date in
// seconds from 1970; without one (0), the clock's when first asked.
int64_t latestPlausibleTime(int64_t backupTime);

// What a column may hold. Columns declared REAL keep whole numbers as integers on disk.
enum class ColumnKind : uint8_t { integer, real, text, blob, any };

struct ColumnShape {
    ColumnKind kind = ColumnKind::any;
    bool nullable = true;
};

// What a table answers of its live rows: none (the carve still reads them all, to tell its deleted
// rows apart, but most carvers never look at a live row), their row ids and places, their row ids
// with the values of the columns also kept (see TableShape::alsoKept) alone (CarvedTable::liveKept),
// those with their values, or what the shape's digest makes of each (CarvedTable::digests), its
// values kept only while the digest is made: a carver that needs a few numbers of each live row
// of a large table (its times, keys of its texts) holds those rather than every row's values.
enum class LiveRows : uint8_t { none, places, alsoKept, values, digest };

struct CarvedRecord;

// What a carver keeps of a live row of a shape that digests them (see TableShape::digest): its
// row id and a few numbers of the carver's own.
struct LiveDigest {
    int64_t rowid = 0;
    std::array<uint64_t, 7> words{};
};
static_assert(sizeof(LiveDigest) == 64, "a large file has millions of live rows");

// One table: its columns in order; rowidAlias is the column declared INTEGER PRIMARY KEY (stored
// as NULL, its value being the row id), or -1.
struct TableShape {
    std::vector<ColumnShape> columns;
    int rowidAlias = 0;
    // A column whose texts no two rows share (a row's identifier), or -1: a deleted row with the
    // text of a live row there is a copy of it, whatever else of it was written over since.
    int uniqueColumn = -1;
    // Another column of identifiers (a server's), or -1: the row's unique text where the unique
    // column holds none.
    int spareUniqueColumn = -1;
    // Columns that together tell a row (a message's address, time and text), where the table has
    // no unique column that every row fills: a deleted row with a live row's values there is a copy
    // of it whose later columns were written over. A bit per column, from the first.
    uint64_t identityColumns = 0;
    // Texts an edit changes one at a time (a person's names): a row that lost its id, and its tail
    // to the live row next on its page that holds the same values but in one of these, is that
    // row's copy from before the edit (see editedCopy() in LiveKeys.h). A bit per column, from
    // the first.
    uint64_t editKeptColumns = 0;
    // Of those, the values that tell a row among those of its page (a bookmark's title, an
    // event's title and times; never a person's names, which a family shares): a row that lost
    // its id and tail is the copy of any live row of its page, not only of the next one, that
    // holds its other kept values and the same value, held by no other live row there, in one
    // of these (see editedCopyOnPage() in LiveKeys.h). A bit per column, from the first.
    uint64_t editTellColumns = 0;
    LiveRows live = LiveRows::none;
    // With LiveRows::digest: fills in what the carver keeps of a live row (its row id is set),
    // called on the walk's threads with the row, whose values hold only during the call.
    std::function<void(const CarvedRecord& live, LiveDigest& digest)> digest;
    // The rows keep the values of their first keptColumns columns; those of the columns after
    // are checked as any others, but no carver reads them.
    size_t keptColumns = SIZE_MAX;
    // Kept columns whose values the rows do not store (checked as the other kept ones, but no
    // carver reads them, and a large file's rows would hold millions): a bit per column, from the
    // first. The stored values follow one another (see keptSlot()).
    uint64_t unstoredColumns = 0;
    // A row whose last bytes a later write took is read, for the columns before those bytes,
    // where it still holds its first wholeColumns columns whole: the kept columns it lost are
    // then lost values (CarvedValue::lost). By default every kept column must be whole.
    size_t wholeColumns = SIZE_MAX;
    // Columns past the kept ones whose values the rows keep too, after those of the kept columns
    // (a time a carver orders rows by, where keeping every column before it would copy the texts
    // of millions of rows): lost where a row's bytes there were lost, NULL past the columns the
    // row has. See alsoKeptValues().
    std::vector<size_t> alsoKept;
    // The fewest columns a row may have whose record header says where it ends: a table that
    // grew by ALTER TABLE keeps its older rows as they were written, shorter, the columns added
    // since read as NULL. By default every row has every column.
    size_t fewestColumns = SIZE_MAX;

    // Whether its carver takes rows read in part (it names wholeColumns): only such rows may
    // keep a text cut short (see CarvedValue::cut), which it then shows as partial.
    bool readsInPart() const { return wholeColumns != SIZE_MAX; }
    // The columns every reading of a row holds whole.
    size_t wholeColumnCount() const { return std::min({keptColumns, wholeColumns, columns.size()}); }
    bool unstored(size_t column) const { return column < 64 && (unstoredColumns >> column & 1); }
    // Where a row keeps the value of a kept column among its values: the column's place less the
    // unstored columns before it.
    size_t keptSlot(size_t column) const;
};

// One value of a carved row: a number in place, a text's or blob's bytes kept by the row's table.
struct CarvedValue {
    // lost: a kept value whose bytes a later write took (see TableShape::wholeColumns), NULL to
    // a reader that does not ask (isNull).
    enum Type : uint8_t { null, integerValue, realValue, text, blob, lost };
    Type type = null;
    // A text whose bytes past length were lost with the row's overflow chain: its start alone.
    bool cut = false;
    uint32_t length = 0;  // of a text or blob
    union {
        int64_t integer = 0;
        double real;
        const char* bytes;  // a text's or blob's
    };

    bool isNull() const { return type == null || type == lost; }
    bool isLost() const { return type == lost; }
    // A number as an integer (a real is cut), 0 otherwise.
    int64_t asInteger() const;
    // A number as a real, 0 otherwise.
    double asReal() const;
    // A text's or blob's bytes, empty otherwise.
    std::string_view bytesView() const {
        return type == text || type == blob ? std::string_view(bytes, length) : std::string_view();
    }
};
static_assert(sizeof(CarvedValue) == 16, "a large file's carve keeps millions of values");

// A text column as the record classes hold text (empty for any other value).
std::string textOf(const CarvedValue& value);
// The same text as a view of the value's bytes, for a caller that copies it once where it keeps it.
std::string_view textView(const CarvedValue& value);

struct CarvedRecord {
    // The values of the columns the shape keeps, in order, held by the table's store; none for a
    // live row whose values are not kept.
    std::span<const CarvedValue> values;
    int64_t rowid = 0;
    // Read from the cell (a freeblock's first row has lost it), or the one id the rows around it
    // on its page leave it (rowidInferred).
    bool rowidKnown = false;
    // What a freed cell keeps of its lost row id: the free-space chain wrote over the cell's
    // first four bytes, but the bytes after them up to the record header are the row id's last
    // ones, and where the header starts tells how long the id's varint can be. rowidLength is
    // the most bytes it can have (0 when unknown), rowidTail the id's last rowidTailBits bits
    // (0, 7 or 14; the id has at least as many bytes as those left).
    uint8_t rowidLength = 0;
    uint8_t rowidTailBits = 0;
    uint16_t rowidTail = 0;
    // Known only from the rows around it on its page (see rowidKnown), not read: the count that
    // gave it holds only while every row there is one of the page's order.
    bool rowidInferred = false;
    // Freed from its page as the tree now places that page, on a page whose rows keep no order,
    // with its id's last bits kept: its lost id most likely lies within the ids the tree allows
    // the page (see CarvedTable::pageRange).
    bool withinPage = false;
    int64_t position = 0;  // where the record's cell (or what is left of it) starts
    int64_t page = 0;      // page index
    // Row ids of the nearest whole rows of the same table before and after it on its page, in
    // the order the page keeps its cells (0 when there is none): a lost row id lies between.
    int64_t rowidBefore = 0;
    int64_t rowidAfter = 0;
};

static_assert(sizeof(CarvedRecord) == 64, "a large file's carve keeps millions of rows");

// A live row of a table that answers no more of it than its also-kept values (LiveRows::alsoKept):
// a carver that orders rows by a time needs the live ones' ids and times, and a large file has
// millions of them.
struct LiveKeptRow {
    int64_t rowid = 0;
    std::span<const CarvedValue> values;  // of the columns also kept, in order, held by the table's store
};

// Rows of a table: a large file's take hundreds of megabytes, given back when freed (see MappedMemory.h).
template <class Row>
using CarvedRows = mapped::Vector<Row>;

struct CarvedTable {
    CarvedRows<CarvedRecord> live;     // of a shape that answers its live rows' places or values
    CarvedRows<LiveKeptRow> liveKept;  // of a shape that answers their also-kept values alone
    CarvedRows<LiveDigest> digests;    // of a shape that digests them, in the file's order
    CarvedRows<CarvedRecord> deleted;
    CarvedStore store;  // the rows' values
    // The parts of the file read side by side, in order: the deleted rows read from a part come
    // before its deletedEnd, and their values (and its live rows') lie in the store's blocks
    // before its blockEnd.
    struct Part {
        size_t deletedEnd = 0;
        size_t blockEnd = 0;
    };
    std::vector<Part> parts;
    // The ids the tree allows the pages of the deleted rows withinPage, (first, second], by page.
    std::unordered_map<int64_t, std::pair<int64_t, int64_t>> pageRange;
};

// Reads every row of each shape from the database's pages. The result has one table per shape,
// in order. A deleted row that repeats a live row of its table (same row id, or the same values
// when its row id is lost) is left out, as is a second copy of a deleted row.
// The pages of a large file are read in runs side by side (one thread each); runs chooses how
// many, 0 leaving it to the file's size and the machine. The result is the same for any number.
// pastPeak, when given, is called once the most the carve holds at once is behind it: every page
// was read and the live rows' keys let go, the deleted rows still to be finished.
std::vector<CarvedTable> carveRecords(CarveDatabase& db, const std::vector<TableShape>& shapes, int runs = 0,
                                      const std::function<void()>& pastPeak = {});

// Frees the values of the deleted rows before row, and of the live rows read from the same parts
// of the file, in whole parts: for a caller that makes what it keeps of the deleted rows in order,
// and does not read those rows (nor any live row) again. A large file's values take hundreds of
// megabytes, as much again as what is made of them.
void releaseValuesBefore(CarvedTable& table, size_t row);

// Frees what carveRecords answered.
void releaseTables(std::vector<CarvedTable>&& tables);

// Whether a later write took some of the values a row's shape keeps: a row read in part (see
// TableShape::wholeColumns), or one whose overflow chain broke (a text cut short, the values
// after it lost).
bool lostPart(const CarvedRecord& row);

// The values of the columns a row's shape also keeps (TableShape::alsoKept), in that order; none
// where the row keeps no values.
std::span<const CarvedValue> alsoKeptValues(const CarvedRecord& row, const TableShape& shape);

}  // namespace carve
