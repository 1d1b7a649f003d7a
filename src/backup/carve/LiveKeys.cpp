// The live rows' keys put together, and the deleted rows that repeat a live one (see LiveKeys.h).
#include "backup/carve/LiveKeys.h"

#include "backup/carve/KeySet.h"
#include "platform/WordHash.h"

#include <algorithm>
#include <iterator>

namespace carve {

LiveTables liveTables(std::vector<LiveLists>& found, size_t shapes, size_t threads) {
    LiveTables tables(shapes);
    for (size_t kind = 0; kind < std::size(LiveTables::kinds); ++kind)
        for (size_t s = 0; s < shapes; ++s) {
            std::vector<KeyList*> lists;
            for (LiveLists& thread : found) lists.push_back(&(thread.*LiveLists::kinds[kind])[s]);
            (tables.*LiveTables::kinds[kind])[s].build(lists, threads);
        }
    return tables;
}

namespace {

// Whether a deleted row that has a live row's id holds a value of it in the same column: always
// taken as so where the row id is a column (other rows name the row by it).
bool sharesIdValue(const LiveTables& live, const TableShape& shape, size_t s, const FoundRow& f) {
    if (shape.rowidAlias >= 0) return true;
    bool shares = false;
    valueKeys(f, [&](uint64_t key) { shares = shares || live.idValues[s].contains(key); });
    return shares;
}

}  // namespace

void markRepeats(const LiveTables& live, const std::vector<TableShape>& shapes, std::vector<FoundList>& deleted) {
    // The keys of a few rows ahead are asked for while a row is asked about: the tables of a
    // large file lie outside the cache, and nearly every row asks of its signature and its id.
    constexpr size_t kAhead = 8;
    for (size_t s = 0; s < shapes.size(); ++s)
        for (size_t i = 0; i < deleted[s].size(); ++i) {
            if (i + kAhead < deleted[s].size()) {
                const FoundRow& later = deleted[s][i + kAhead];
                live.values[s].prefetch(later.signature);
                if (later.record.rowidKnown) live.rowids[s].prefetch(static_cast<uint64_t>(later.record.rowid));
            }
            FoundRow& f = deleted[s][i];
            f.repeatsLive = f.repeatsLive || live.values[s].contains(f.signature) ||
                            (f.unique && live.uniques[s].contains(f.unique)) ||
                            (f.identity && live.identities[s].contains(f.identity)) ||
                            ((!f.record.rowidKnown || f.tailLost) && live.keptOf(s, shapes[s]).contains(f.kept)) ||
                            (f.record.rowidKnown && live.rowids[s].contains(static_cast<uint64_t>(f.record.rowid)) &&
                             sharesIdValue(live, shapes[s], s, f)) ||
                            (f.chainCut && live.chains[s].contains(f.chainKey));
        }
}

namespace {

bool sameValue(const CarvedValue& a, const CarvedValue& b) {
    if (a.type != b.type) return false;
    switch (a.type) {
    case CarvedValue::integerValue: return a.integer == b.integer;
    case CarvedValue::realValue: return a.real == b.real;
    case CarvedValue::text:
    case CarvedValue::blob: return a.bytesView() == b.bytesView();
    default: return true;
    }
}

// Compares the kept columns of two rows: false where a column no edit changes differs (or a
// row lacks it); otherwise each column an edit may change is handed to visit(column, same, value).
template <class Visit>
bool sameButEdited(const TableShape& shape, const CarvedRecord& old, const CarvedRecord& live, Visit&& visit) {
    const size_t kept = std::min({shape.keptColumns, shape.columns.size(), size_t{64}});
    for (size_t c = 0; c < kept; ++c) {
        if (shape.unstored(c)) continue;
        const size_t slot = shape.keptSlot(c);
        if (slot >= old.values.size() || slot >= live.values.size()) return false;
        const CarvedValue &a = old.values[slot], &b = live.values[slot];
        if (shape.editKeptColumns >> c & 1) {
            if (!visit(c, sameValue(a, b), a)) return false;
        } else if (!sameValue(a, b)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool editedCopy(const TableShape& shape, const CarvedRecord& old, const CarvedRecord& live) {
    int changed = 0;
    bool shared = false;
    // Where some of the edited values tell a row, the shared text must be one of those.
    const uint64_t telling = shape.editTellColumns ? shape.editTellColumns : ~uint64_t{0};
    const bool alike = sameButEdited(shape, old, live, [&](size_t c, bool same, const CarvedValue& a) {
        if (!same) return ++changed <= 1;
        shared = shared || ((telling >> c & 1) && a.type == CarvedValue::text && a.length > 0);
        return true;
    });
    return alike && shared;
}

uint64_t editedCopyOnPage(const TableShape& shape, const CarvedRecord& old, const CarvedRecord& live) {
    uint64_t shared = 0;
    const bool alike = sameButEdited(shape, old, live, [&](size_t c, bool same, const CarvedValue& a) {
        if (same && ((a.type == CarvedValue::text && a.length > 0) || a.type == CarvedValue::integerValue ||
                     a.type == CarvedValue::realValue))
            shared |= uint64_t{1} << c;
        return true;
    });
    return alike ? shared : 0;
}

bool sameUnedited(const TableShape& shape, const CarvedRecord& old, const CarvedRecord& live) {
    return sameButEdited(shape, old, live, [](size_t, bool, const CarvedValue&) { return true; });
}

uint64_t textKey(const TableShape& shape, const CarvedRecord& row, size_t column) {
    if (column >= shape.keptColumns || shape.unstored(column)) return 0;
    const size_t slot = shape.keptSlot(column);
    if (slot >= row.values.size() || row.values[slot].type != CarvedValue::text || row.values[slot].length == 0)
        return 0;
    WordHash h;
    h.word(column);
    h.mix(row.values[slot].bytes, row.values[slot].length);
    return h.h | 1;
}

bool sameInColumn(const TableShape& shape, const CarvedRecord& a, const CarvedRecord& b, size_t column) {
    if (column >= shape.keptColumns || shape.unstored(column)) return false;
    const size_t slot = shape.keptSlot(column);
    return slot < a.values.size() && slot < b.values.size() && sameValue(a.values[slot], b.values[slot]);
}

bool editTookTail(const TableShape& shape, const FoundRow& old, const FoundRow& live, const FoundRow& alike,
                  size_t fewest) {
    if (old.unique || !startsAlike(old.uniqueStart, live.uniqueStart)) return false;
    const size_t kept = startLength(old.uniqueStart);
    return kept >= kStartBytes || (kept >= fewest && editedCopyOnPage(shape, old.record, alike.record) != 0);
}

bool renamedAndMoved(const TableShape& shape, const FoundRow& old, const FoundRow& live, size_t fewest) {
    return !old.unique && startLength(old.uniqueStart) >= fewest && startsAlike(old.uniqueStart, live.uniqueStart) &&
           sameUnedited(shape, old.record, live.record);
}

namespace {

// The key of a row's kept values with the first bytes of its identifier (kStartBytesOfTaker).
uint64_t keptWithStart(const FoundRow& f) {
    const uint64_t start = f.uniqueStart & ((uint64_t{1} << (8 * kStartBytesOfTaker)) - 1);
    return ((f.kept ^ start) * 0x9E3779B97F4A7C15ULL) | 1;
}

}  // namespace

void markCopiesByIdentifierStart(const LiveTables& live, const std::vector<TableShape>& shapes,
                                 const std::vector<std::vector<FoundList>*>& deleted) {
    for (size_t s = 0; s < shapes.size(); ++s) {
        if (live.starts[s].size() == 0) continue;
        const bool startAlone = live.starts[s].size() <= kStartAloneRows;
        // Only rows whose identifier was cut are asked: one read whole is told by it.
        auto cut = [](const FoundRow& f) {
            return !f.repeatsLive && !f.unique && startLength(f.uniqueStart) >= kStartBytesOfTaker;
        };
        bool any = false;
        for (const std::vector<FoundList>* part : deleted)
            for (const FoundRow& f : (*part)[s]) any = any || cut(f);
        if (!any) continue;
        // The copies already tied to a live row: their starts with a text, and their kept values
        // with their start (a copy that holds another copy's values and begins its identifier
        // is a copy of the same row).
        KeySet copies, copiesKept;
        for (const std::vector<FoundList>* part : deleted)
            for (const FoundRow& f : (*part)[s])
                if (f.repeatsLive && startLength(f.uniqueStart) >= kStartBytesOfTaker) {
                    for (const size_t bytes : {kStartBytes, kStartBytesWithText})
                        startTextKeys(
                            shapes[s], f, [&](uint64_t key) { copies.insert(key); }, bytes);
                    copiesKept.insert(keptWithStart(f));
                }
        for (std::vector<FoundList>* part : deleted)
            for (FoundRow& f : (*part)[s]) {
                if (!cut(f)) continue;
                const size_t length = startLength(f.uniqueStart);
                if (length == kStartBytes && startAlone)
                    f.repeatsLive = live.starts[s].contains(f.uniqueStart);
                else
                    startTextKeys(
                        shapes[s], f,
                        [&](uint64_t key) {
                            f.repeatsLive = f.repeatsLive || live.startTexts[s].contains(key) || copies.contains(key);
                        },
                        length == kStartBytes ? kStartBytes : kStartBytesWithText);
                f.repeatsLive = f.repeatsLive || copiesKept.contains(keptWithStart(f));
            }
    }
}

}  // namespace carve
