// The keys of the live rows, per shape, that tell a deleted row that repeats a live one: each
// part of the page walk lists those of the live rows it finds on its thread (KeyList); once every
// page is read, the lists are put together (KeyTable) and each deleted row is asked about.
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/FoundRow.h"
#include "backup/carve/IdentifierStart.h"
#include "backup/carve/KeyTable.h"
#include "backup/carve/RowValueKeys.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace carve {

// The live rows' ids, signatures (of all values and of the kept ones), unique values, chain
// keys (see chainKeyOf) and, in tables whose row id is no column, their values' keys
// (see valueKeys), per shape: listed by each thread as it finds them (KeyList), then put together
// (KeyTable).
template <class Keys>
struct LiveKeys {
    explicit LiveKeys(size_t shapes)
        : rowids(shapes),
          values(shapes),
          kept(shapes),
          uniques(shapes),
          identities(shapes),
          chains(shapes),
          idValues(shapes),
          starts(shapes),
          startTexts(shapes) {}
    std::vector<Keys> rowids, values, kept, uniques, identities, chains, idValues, starts, startTexts;
    // A shape that keeps every column has its kept signatures among its signatures.
    const Keys& keptOf(size_t s, const TableShape& shape) const {
        return shape.wholeColumnCount() < shape.columns.size() ? kept[s] : values[s];
    }
    static constexpr std::vector<Keys> LiveKeys::*kinds[] = {
        &LiveKeys::rowids, &LiveKeys::values,   &LiveKeys::kept,   &LiveKeys::uniques,   &LiveKeys::identities,
        &LiveKeys::chains, &LiveKeys::idValues, &LiveKeys::starts, &LiveKeys::startTexts};
};
using LiveLists = LiveKeys<KeyList>;
using LiveTables = LiveKeys<KeyTable>;

// The keys of the first bytes of a row's identifier start (the whole start: kStartBytes; or
// kStartBytesWithText) each with a text of it in a column an edit may change (see
// TableShape::editKeptColumns), handed to visit; none where the shape names no such columns or
// the start is shorter.
template <class Visit>
void startTextKeys(const TableShape& shape, const FoundRow& f, Visit&& visit, size_t bytes = kStartBytes);

// Lists the keys of f, a live row of shape s, in lists.
inline void listLiveRow(LiveLists& lists, size_t s, const TableShape& shape, const FoundRow& f) {
    lists.rowids[s].push(static_cast<uint64_t>(f.record.rowid));
    lists.values[s].push(f.signature);
    if (shape.wholeColumnCount() < shape.columns.size()) lists.kept[s].push(f.kept);
    if (f.unique) lists.uniques[s].push(f.unique);
    if (f.identity) lists.identities[s].push(f.identity);
    if (f.chainKey) lists.chains[s].push(f.chainKey);
    if (shape.rowidAlias < 0) valueKeys(f, [&](uint64_t key) { lists.idValues[s].push(key); });
    if (shape.live == LiveRows::values) {
        if (shape.editKeptColumns && startLength(f.uniqueStart) == kStartBytes) lists.starts[s].push(f.uniqueStart);
        for (const size_t bytes : {kStartBytes, kStartBytesWithText})
            startTextKeys(
                shape, f, [&](uint64_t key) { lists.startTexts[s].push(key); }, bytes);
    }
}

// Whether a deleted row is a live row's copy from before an edit (see
// TableShape::editKeptColumns): the two hold the same values in every kept column but one of
// those an edit changes, and the same text, not empty, in another of those (one that tells a
// row, where the shape names such: see TableShape::editTellColumns).
bool editedCopy(const TableShape& shape, const CarvedRecord& old, const CarvedRecord& live);

// Where the edited values tell a row among those of its page (see
// TableShape::editTellColumns), what makes a deleted row a live row's copy from before an edit:
// the two hold the same values in every kept column an edit leaves; answers the columns an edit
// changes in which they hold the same value, a text not empty or a number (an edit may change
// several: an event's start and end), a bit per column, 0 where they are not alike.
uint64_t editedCopyOnPage(const TableShape& shape, const CarvedRecord& old, const CarvedRecord& live);

// Whether two rows hold the same values in every kept column no edit changes, whatever those
// an edit changes hold (a row edited more than once may share none of them with its copy).
bool sameUnedited(const TableShape& shape, const CarvedRecord& old, const CarvedRecord& live);

// The key of a row's text in a kept column (with the column), 0 where it holds none.
uint64_t textKey(const TableShape& shape, const CarvedRecord& row, size_t column);

template <class Visit>
void startTextKeys(const TableShape& shape, const FoundRow& f, Visit&& visit, size_t bytes) {
    if (!shape.editKeptColumns || startLength(f.uniqueStart) < bytes) return;
    // A start cut to fewer bytes has its last ones zero: its keys are none of the whole start's.
    const uint64_t start = bytes >= kStartBytes ? f.uniqueStart : f.uniqueStart & ((uint64_t{1} << (8 * bytes)) - 1);
    for (size_t c = 0; shape.editKeptColumns >> c; ++c)
        if (shape.editKeptColumns >> c & 1)
            if (const uint64_t key = textKey(shape, f.record, c))
                visit((((key ^ start) * 0x9E3779B97F4A7C15ULL) ^ (start >> 7)) | 1);
}

// Whether a deleted row whose identifier a later cell cut (old) is a live row of its page (live)
// as it was before an edit: the start it kept begins the live row's identifier, long enough to
// tell the row (see kStartBytes), or of fewest bytes at least with a value it shares in a column
// an edit may change with alike, the live row or another copy of it (a row edited twice leaves
// two).
bool editTookTail(const TableShape& shape, const FoundRow& old, const FoundRow& live, const FoundRow& alike,
                  size_t fewest);

// Whether a deleted row whose identifier a later cell cut (old) is a live row of its page (live)
// renamed and then moved (or edited twice in one column): it shares no value an edit changes
// with its copy from before both, but the start it kept (fewest bytes at least: among a page's
// rows kStartBytesOfRenamed) begins the live row's identifier and every value no edit changes is
// the same.
bool renamedAndMoved(const TableShape& shape, const FoundRow& old, const FoundRow& live,
                     size_t fewest = kStartBytesOfRenamed);

// Whether a deleted row is a copy of a live one by what it kept whole: the same identifier, or
// the same row id read from its cell.
inline bool copyOfLive(const FoundRow& copy, const FoundRow& live) {
    return (copy.unique && copy.unique == live.unique) ||
           (copy.record.rowidKnown && !copy.record.rowidInferred && copy.record.rowid == live.record.rowid);
}

// Marks the deleted rows whose identifier a later cell cut that are a live row's copy from before
// an edit, told by the start of the identifier they kept (kStartBytes): alone, in a table of no
// more than kStartAloneRows live rows; otherwise with a text in a column an edit may change, the
// live row's or that of another copy of it already known (a row edited twice leaves two), as is
// a start of kStartBytesWithText bytes or more. A shorter start (kStartBytesOfTaker) tells a
// copy whose kept values are those of such a copy.
// deleted: every part's deleted rows, by shape, after markRepeats().
void markCopiesByIdentifierStart(const LiveTables& live, const std::vector<TableShape>& shapes,
                                 const std::vector<std::vector<FoundList>*>& deleted);

// Whether two rows of a shape hold the same value in a kept column.
bool sameInColumn(const TableShape& shape, const CarvedRecord& a, const CarvedRecord& b, size_t column);

// The threads' lists of each kind of key put together, one kind after another, each list
// emptied as it is taken in: the keys are held twice over for one kind at most.
LiveTables liveTables(std::vector<LiveLists>& found, size_t shapes, size_t threads);

// Marks the deleted rows that repeat a live row of their table found by any of the threads (rows
// the page walk marked already stay marked):
// the same row id (and, in a table whose row id is no column, a value in the same column: two
// tables laid out alike are read as one, and a later row may take a deleted one's id), the same
// values, or the same value where no two rows share one. A balance
// that moves rows to another page leaves their old cells behind, to be written over in part
// later: a row that lost its id repeats a live one whose kept values it has; and a stale copy
// whose overflow chain broke (the live row's pages are in use) has the live row's chain key.
// deleted: a part's deleted rows, by shape.
void markRepeats(const LiveTables& live, const std::vector<TableShape>& shapes, std::vector<FoundList>& deleted);

}  // namespace carve
