// The live rows' keys put together, and the deleted rows that repeat a live one (see LiveKeys.h).
#include "backup/carve/LiveKeys.h"

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
    for (size_t s = 0; s < shapes.size(); ++s)
        for (FoundRow& f : deleted[s])
            f.repeatsLive = f.repeatsLive || live.values[s].contains(f.signature) ||
                            (f.unique && live.uniques[s].contains(f.unique)) ||
                            (f.identity && live.identities[s].contains(f.identity)) ||
                            ((!f.record.rowidKnown || f.tailLost) && live.keptOf(s, shapes[s]).contains(f.kept)) ||
                            (f.record.rowidKnown && live.rowids[s].contains(static_cast<uint64_t>(f.record.rowid)) &&
                             sharesIdValue(live, shapes[s], s, f)) ||
                            (f.chainCut && live.chains[s].contains(f.chainKey));
}

bool editedCopy(const TableShape& shape, const CarvedRecord& old, const CarvedRecord& live) {
    auto same = [](const CarvedValue& a, const CarvedValue& b) {
        if (a.type != b.type) return false;
        switch (a.type) {
        case CarvedValue::integerValue: return a.integer == b.integer;
        case CarvedValue::realValue: return a.real == b.real;
        case CarvedValue::text:
        case CarvedValue::blob: return a.bytesView() == b.bytesView();
        default: return true;
        }
    };
    const size_t kept = std::min({shape.keptColumns, shape.columns.size(), size_t{64}});
    int changed = 0;
    bool shared = false;
    for (size_t c = 0; c < kept; ++c) {
        if (shape.unstored(c)) continue;
        const size_t slot = shape.keptSlot(c);
        if (slot >= old.values.size() || slot >= live.values.size()) return false;
        const CarvedValue &a = old.values[slot], &b = live.values[slot];
        const bool editable = shape.editKeptColumns >> c & 1;
        if (!same(a, b)) {
            if (!editable || ++changed > 1) return false;
        } else if (editable && a.type == CarvedValue::text && a.length > 0) {
            shared = true;
        }
    }
    return shared;
}

}  // namespace carve
