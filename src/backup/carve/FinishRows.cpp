// The deleted rows kept of those every part of the walk found, in the file's order (see FinishRows.h).
#include "backup/carve/FinishRows.h"

#include "backup/carve/CutCopies.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/KeySet.h"
#include "backup/carve/PageRowidBounds.h"
#include "backup/carve/RowValueKeys.h"

#include <cstdint>
#include <utility>

namespace carve {

namespace {

// What a table's finish knows of all its rows before it keeps any.
struct TableSets {
    // Of a row's copies (a balance moves rows and leaves the bytes behind), the one that
    // says most of its row id is kept: read, else bounded on both sides, else the first.
    // A copy whose tail was lost repeats any other copy of the columns the table keeps.
    // Of such copies, one with its row id read is kept.
    // Only the copies of rows that lost their ids or tails are asked about: a file of
    // millions of rows that kept both lists no other copy.
    KeySet idLost, tailLost;
    // A live row's earlier copy may lie in the file more than once (a balance moved it before
    // the edit, leaving its bytes behind): the copy that keeps what ties it to the live row
    // (its id, its identifier) tells the others, which lost that, for the same live row's.
    KeySet liveCopies, liveCopiesKept;
    KeySet withId, bounded, keptWhole, keptTailWithId;
    // A table whose row id is no column of it: no other row names its rows by their ids,
    // and two rows of two tables laid out alike, or a row and one written after it took its
    // id, can share one. Deleted rows of one id that share no value are two rows; one that
    // shares a value with the row kept is a copy of that row, older or newer.
    bool idsNameNoRow = false;
    KeySet sharedIds;
    // The rows that repeat no live row, the most that can be kept: the sets of those kept are
    // made for that many and no more (a large file's copies of its live rows are many, and
    // sets made for every row found would take as much again as those kept need).
    size_t candidates = 0;
    bool uniques = false;  // whether any of those holds a unique value
};

// How many rows ahead of the one the keeping asks about the sets' memory is asked for.
constexpr size_t kAhead = 8;

// What is known of a found row before any is kept, by what the finish asks of it in turn:
// left out before the copies of its kept columns are counted, or after.
enum RowMark : uint8_t { kLeftOutFirst = 1, kLeftOutAfterTails = 2 };

// The sets of the rows that lost their ids or tails, the table's other deleted rows, and the
// rows that repeat live ones.
void fillSets(const TableShape& shape, const std::vector<std::vector<FoundList>*>& parts, size_t s, TableSets& sets) {
    for (const std::vector<FoundList>* part : parts)
        for (const FoundRow& f : (*part)[s]) {
            if (f.repeatsLive) {
                sets.liveCopies.insert(f.signature);
                if (!f.tailLost || f.record.rowidKnown) sets.liveCopiesKept.insert(f.kept);
                continue;
            }
            ++sets.candidates;
            sets.uniques = sets.uniques || f.unique != 0;
            if (!f.record.rowidKnown) sets.idLost.insert(f.signature);
            if (f.tailLost) sets.tailLost.insert(f.kept);
        }
    sets.idsNameNoRow = shape.rowidAlias < 0;
    KeySet seenIds;
    if (sets.idsNameNoRow)
        for (const std::vector<FoundList>* part : parts)
            for (const FoundRow& f : (*part)[s])
                if (!f.repeatsLive && f.record.rowidKnown && !seenIds.insert(static_cast<uint64_t>(f.record.rowid)))
                    sets.sharedIds.insert(static_cast<uint64_t>(f.record.rowid));
}

// The copies of a part's rows that lost their ids or tails, by what they kept of them, for the
// sets of the copies that say more (see TableSets): few of the rows, found side by side.
struct OtherCopies {
    std::vector<uint64_t> keptWhole, keptTailWithId, withId, bounded;
};
OtherCopies otherCopies(const TableSets& sets, const FoundList& rows) {
    OtherCopies found;
    if (sets.tailLost.empty() && sets.idLost.empty()) return found;
    for (const FoundRow& f : rows) {
        if (f.repeatsLive) continue;
        if (sets.tailLost.contains(f.kept)) {
            if (!f.tailLost)
                found.keptWhole.push_back(f.kept);
            else if (f.record.rowidKnown)
                found.keptTailWithId.push_back(f.kept);
        }
        if (sets.idLost.contains(f.signature)) {
            if (f.record.rowidKnown)
                found.withId.push_back(f.signature);
            else if (isBounded(f.record))
                found.bounded.push_back(f.signature);
        }
    }
    return found;
}

void addOtherCopies(TableSets& sets, const OtherCopies& found) {
    for (const uint64_t key : found.keptWhole) sets.keptWhole.insert(key);
    for (const uint64_t key : found.keptTailWithId) sets.keptTailWithId.insert(key);
    for (const uint64_t key : found.withId) sets.withId.insert(key);
    for (const uint64_t key : found.bounded) sets.bounded.insert(key);
}

// Marks the rows of a part that the sets alone leave out: those whose fate no row before them
// changes, asked side by side.
void markByTheSets(const TableSets& sets, const FoundList& rows, std::vector<uint8_t>& marks) {
    marks.assign(rows.size(), 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        const FoundRow& f = rows[i];
        const uint64_t key = f.signature;
        const bool idOrTailLost = !f.record.rowidKnown || f.record.rowidInferred || f.tailLost;
        if (f.repeatsLive ||
            (idOrTailLost && (sets.liveCopies.contains(key) || (f.tailLost && sets.liveCopiesKept.contains(f.kept)))) ||
            (f.tailLost &&
             (sets.keptWhole.contains(f.kept) || (!f.record.rowidKnown && sets.keptTailWithId.contains(f.kept)))))
            marks[i] = kLeftOutFirst;
        else if (!f.record.rowidKnown &&
                 (sets.withId.contains(key) || (!isBounded(f.record) && sets.bounded.contains(key))))
            marks[i] = kLeftOutAfterTails;
    }
}

// With what the tree tells of the ids a kept row lost, moves it to the end of its table.
void place(const std::vector<LeafBounds>& bounds, FoundRow& f, CarvedTable& table) {
    // A row at the edge of its page lies within what the page's parents give it.
    const LeafBounds& page = bounds[static_cast<size_t>(f.record.page)];
    if (page.known && f.pageInOrder && !f.record.rowidKnown) {
        if (f.record.rowidBefore == 0) f.record.rowidBefore = page.low;
        if (f.record.rowidAfter == 0 && page.high < INT64_MAX) f.record.rowidAfter = page.high + 1;
        dropEmptyBounds(f);
    }
    // On a page that keeps no order the rows around a row bound nothing, but a
    // row freed there (not one left in the gap from an older state of the page)
    // was most likely freed while the page held the ids its parents allow it now.
    // A balance since may have moved the page's edge past it: the range is used
    // only with the last bits of the id, which a wrong range leaves no other id.
    if (page.known && !f.pageInOrder && !f.fromGap && !f.record.rowidKnown && f.record.rowidTailBits > 0) {
        f.record.withinPage = true;
        table.pageRange.try_emplace(f.record.page, page.low, page.high);
    }
    table.deleted.push_back(std::move(f.record));
}

// Keeps, in the file's order, each row that repeats no row kept before it (same row id, values
// or unique value), moving it to the table; each part's rows are freed once read.
void keepFirstCopies(const TableSets& sets, const std::vector<LeafBounds>& bounds,
                     const std::vector<std::vector<FoundList>*>& parts, size_t s,
                     std::vector<std::vector<uint8_t>>& marks, CarvedTable& table) {
    KeySet deletedValues, deletedRowids, deletedUniques, keptOfTails, sharedValues;
    deletedValues.reserve(sets.candidates);
    deletedRowids.reserve(sets.candidates);
    if (sets.uniques) deletedUniques.reserve(sets.candidates);
    table.deleted.reserve(sets.candidates);
    auto anotherRow = [&](const FoundRow& f) {
        if (!sets.idsNameNoRow || !sets.sharedIds.contains(static_cast<uint64_t>(f.record.rowid))) return false;
        bool shares = false;
        valueKeys(f, [&](uint64_t key) { shares = shares || sharedValues.contains(key); });
        return !shares;
    };
    for (size_t k = 0; k < parts.size(); ++k) {
        FoundList& rows = (*parts[k])[s];
        const std::vector<uint8_t>& mark = marks[k];
        for (size_t i = 0; i < rows.size(); ++i) {
            // The sets' slots of a row a few ahead are asked for meanwhile.
            if (i + kAhead < rows.size() && mark[i + kAhead] != kLeftOutFirst) {
                const FoundRow& ahead = rows[i + kAhead];
                deletedValues.prefetch(ahead.signature);
                deletedRowids.prefetch(static_cast<uint64_t>(ahead.record.rowid));
                if (ahead.unique) deletedUniques.prefetch(ahead.unique);
            }
            if (mark[i] == kLeftOutFirst) continue;
            FoundRow& f = rows[i];
            const uint64_t key = f.signature;
            const auto rowid = static_cast<uint64_t>(f.record.rowid);
            if (deletedValues.contains(key)) continue;
            if (f.tailLost && !keptOfTails.insert(f.kept)) continue;
            if (mark[i] == kLeftOutAfterTails) continue;
            if (f.record.rowidKnown && deletedRowids.contains(rowid) && !anotherRow(f)) continue;
            if (f.unique && !deletedUniques.insert(f.unique)) continue;
            deletedValues.insert(key);
            if (f.record.rowidKnown) deletedRowids.insert(rowid);
            if (f.record.rowidKnown && sets.idsNameNoRow && sets.sharedIds.contains(rowid))
                valueKeys(f, [&](uint64_t v) { sharedValues.insert(v); });
            place(bounds, f, table);
        }
        rows.clear();
        std::vector<uint8_t>().swap(marks[k]);
        table.parts[k].deletedEnd = table.deleted.size();
    }
}

}  // namespace

void finishDeleted(const std::vector<TableShape>& shapes, const std::vector<LeafBounds>& bounds,
                   const std::vector<std::vector<FoundList>*>& parts, size_t threads,
                   std::vector<CarvedTable>& tables) {
    // Each table's rows are asked first what no other row changes (side by side, part by part),
    // then, in the file's order, whether a row kept before repeats them. A large file's tables
    // are one or two: a table at a time would leave every core but one idle.
    const size_t tableCount = shapes.size(), partCount = parts.size();
    std::vector<TableSets> sets(tableCount);
    inParallel(tableCount, threads, [&](size_t s, size_t) { fillSets(shapes[s], parts, s, sets[s]); });
    {
        std::vector<OtherCopies> copies(tableCount * partCount);
        inParallel(tableCount * partCount, threads, [&](size_t job, size_t) {
            copies[job] = otherCopies(sets[job / partCount], (*parts[job % partCount])[job / partCount]);
        });
        inParallel(tableCount, threads, [&](size_t s, size_t) {
            for (size_t k = 0; k < partCount; ++k) addOtherCopies(sets[s], copies[s * partCount + k]);
        });
    }
    std::vector<std::vector<std::vector<uint8_t>>> marks(tableCount, std::vector<std::vector<uint8_t>>(partCount));
    inParallel(tableCount * partCount, threads, [&](size_t job, size_t) {
        const size_t s = job / partCount, k = job % partCount;
        markByTheSets(sets[s], (*parts[k])[s], marks[s][k]);
    });
    inParallel(tableCount, threads, [&](size_t s, size_t) {
        keepFirstCopies(sets[s], bounds, parts, s, marks[s], tables[s]);
        sets[s] = TableSets();  // asked no more
        // Copies of one row whose chains broke at different places: the fullest stands for it.
        dropShorterCutCopies(shapes[s], tables[s]);
    });
}

}  // namespace carve
