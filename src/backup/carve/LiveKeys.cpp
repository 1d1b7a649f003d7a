// The live rows' keys put together, and the deleted rows that repeat a live one (see LiveKeys.h).
#include "backup/carve/LiveKeys.h"

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

void markRepeats(const LiveTables& live, const std::vector<TableShape>& shapes, std::vector<FoundList>& deleted) {
    for (size_t s = 0; s < shapes.size(); ++s)
        for (FoundRow& f : deleted[s])
            f.repeatsLive = live.values[s].contains(f.signature) || (f.unique && live.uniques[s].contains(f.unique)) ||
                            (f.identity && live.identities[s].contains(f.identity)) ||
                            ((!f.record.rowidKnown || f.tailLost) && live.keptOf(s, shapes[s]).contains(f.kept)) ||
                            (f.record.rowidKnown && live.rowids[s].contains(static_cast<uint64_t>(f.record.rowid))) ||
                            (f.chainCut && live.chains[s].contains(f.chainKey));
}

}  // namespace carve
