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
// How many rows ahead the finish asks for the slots of the sets it asks of.
constexpr size_t kAhead = 8;
}  // namespace

void finishDeleted(const std::vector<TableShape>& shapes, const std::vector<LeafBounds>& bounds,
                   const std::vector<std::vector<FoundList>*>& parts, size_t threads,
                   std::vector<CarvedTable>& tables) {
    inParallel(shapes.size(), threads, [&](size_t s, size_t) {
        KeySet deletedValues, deletedRowids, deletedUniques;
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
        // The rows that repeat no live row, the most that can be kept: the sets of those kept are
        // made for that many and no more (a large file's copies of its live rows are many, and
        // sets made for every row found would take as much again as those kept need).
        size_t candidates = 0;
        for (const std::vector<FoundList>* part : parts)
            for (const FoundRow& f : (*part)[s]) {
                if (f.repeatsLive) {
                    liveCopies.insert(f.signature);
                    if (!f.tailLost || f.record.rowidKnown) liveCopiesKept.insert(f.kept);
                    continue;
                }
                ++candidates;
                if (!f.record.rowidKnown) idLost.insert(f.signature);
                if (f.tailLost) tailLost.insert(f.kept);
            }
        deletedValues.reserve(candidates);
        deletedRowids.reserve(candidates);
        deletedUniques.reserve(candidates);
        tables[s].deleted.reserve(candidates);
        // A table whose row id is no column of it: no other row names its rows by their ids,
        // and two rows of two tables laid out alike, or a row and one written after it took its
        // id, can share one. Deleted rows of one id that share no value are two rows; one that
        // shares a value with the row kept is a copy of that row, older or newer.
        const bool idsNameNoRow = shapes[s].rowidAlias < 0;
        KeySet seenIds, sharedIds, sharedValues;
        if (idsNameNoRow)
            for (const std::vector<FoundList>* part : parts)
                for (const FoundRow& f : (*part)[s])
                    if (!f.repeatsLive && f.record.rowidKnown && !seenIds.insert(static_cast<uint64_t>(f.record.rowid)))
                        sharedIds.insert(static_cast<uint64_t>(f.record.rowid));
        auto anotherRow = [&](const FoundRow& f) {
            if (!idsNameNoRow || !sharedIds.contains(static_cast<uint64_t>(f.record.rowid))) return false;
            bool shares = false;
            valueKeys(f, [&](uint64_t key) { shares = shares || sharedValues.contains(key); });
            return !shares;
        };
        KeySet withId, bounded, keptWhole, keptTailWithId, keptOfTails;
        for (const std::vector<FoundList>* part : parts)
            for (const FoundRow& f : (*part)[s]) {
                if (f.repeatsLive) continue;
                if (tailLost.contains(f.kept)) {
                    if (!f.tailLost)
                        keptWhole.insert(f.kept);
                    else if (f.record.rowidKnown)
                        keptTailWithId.insert(f.kept);
                }
                if (idLost.contains(f.signature)) {
                    if (f.record.rowidKnown)
                        withId.insert(f.signature);
                    else if (isBounded(f.record))
                        bounded.insert(f.signature);
                }
            }
        for (size_t k = 0; k < parts.size(); ++k) {
            FoundList& found = (*parts[k])[s];
            for (size_t i = 0; i < found.size(); ++i) {
                // The sets of a large table lie outside the cache: the slots a later row asks
                // for are asked for while this one is worked on.
                if (i + kAhead < found.size()) {
                    const FoundRow& later = found[i + kAhead];
                    deletedValues.prefetch(later.signature);
                    deletedRowids.prefetch(static_cast<uint64_t>(later.record.rowid));
                    if (later.unique) deletedUniques.prefetch(later.unique);
                }
                FoundRow& f = found[i];
                const uint64_t key = f.signature;
                const auto rowid = static_cast<uint64_t>(f.record.rowid);
                if (f.repeatsLive || deletedValues.contains(key)) continue;
                const bool idOrTailLost = !f.record.rowidKnown || f.record.rowidInferred || f.tailLost;
                if (idOrTailLost && (liveCopies.contains(key) || (f.tailLost && liveCopiesKept.contains(f.kept))))
                    continue;
                if (f.tailLost &&
                    (keptWhole.contains(f.kept) || (!f.record.rowidKnown && keptTailWithId.contains(f.kept)) ||
                     !keptOfTails.insert(f.kept)))
                    continue;
                if (!f.record.rowidKnown && (withId.contains(key) || (!isBounded(f.record) && bounded.contains(key))))
                    continue;
                if (f.record.rowidKnown && deletedRowids.contains(rowid) && !anotherRow(f)) continue;
                if (f.unique && !deletedUniques.insert(f.unique)) continue;
                deletedValues.insert(key);
                if (f.record.rowidKnown) deletedRowids.insert(rowid);
                if (f.record.rowidKnown && idsNameNoRow && sharedIds.contains(rowid))
                    valueKeys(f, [&](uint64_t k) { sharedValues.insert(k); });
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
                    tables[s].pageRange.try_emplace(f.record.page, page.low, page.high);
                }
                tables[s].deleted.push_back(std::move(f.record));
            }
            (*parts[k])[s].clear();
            tables[s].parts[k].deletedEnd = tables[s].deleted.size();
        }
        // Copies of one row whose chains broke at different places: the fullest stands for it.
        dropShorterCutCopies(shapes[s], tables[s]);
    });
}

}  // namespace carve
