// Copies of one deleted row cut short at different places (see CutCopies.h).
#include "backup/carve/CutCopies.h"

#include "backup/carve/RowValueKeys.h"
#include "platform/WordHash.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace carve {

void dropShorterCutCopies(const TableShape& shape, CarvedTable& table) {
    // The identity's last text column, kept and stored: the one a broken chain cuts.
    const size_t columns = std::min({shape.columns.size(), shape.keptColumns, size_t{64}});
    int last = -1;
    for (size_t c = 0; c < columns; ++c)
        if ((shape.identityColumns >> c & 1) && !shape.unstored(c) && shape.columns[c].kind == ColumnKind::text)
            last = static_cast<int>(c);
    if (last < 0) return;
    const size_t textSlot = shape.keptSlot(static_cast<size_t>(last));
    CarvedRows<CarvedRecord>& rows = table.deleted;
    auto textOf = [&](const CarvedRecord& r) -> const CarvedValue* {
        if (textSlot >= r.values.size()) return nullptr;
        const CarvedValue& v = r.values[textSlot];
        return v.type == CarvedValue::text ? &v : nullptr;
    };
    // The key of the identity's other values.
    auto groupOf = [&](const CarvedRecord& r) {
        WordHash h;
        for (size_t c = 0; c < columns; ++c) {
            if (!(shape.identityColumns >> c & 1) || static_cast<int>(c) == last || shape.unstored(c)) continue;
            const size_t slot = shape.keptSlot(c);
            if (slot >= r.values.size()) continue;
            mixValue(h, c, r.values[slot]);
        }
        return h.h;
    };
    // Few rows are cut: only their groups are gathered.
    std::unordered_set<uint64_t> cutGroups;
    for (const CarvedRecord& r : rows)
        if (const CarvedValue* text = textOf(r); text && text->cut) cutGroups.insert(groupOf(r));
    if (cutGroups.empty()) return;
    std::unordered_map<uint64_t, std::vector<size_t>> groups;
    for (size_t i = 0; i < rows.size(); ++i)
        if (textOf(rows[i]))
            if (const uint64_t group = groupOf(rows[i]); cutGroups.count(group)) groups[group].push_back(i);
    std::vector<bool> shorter(rows.size(), false);
    for (const auto& [group, members] : groups)
        for (const size_t a : members) {
            const CarvedValue& cut = *textOf(rows[a]);
            if (!cut.cut) continue;
            const std::string_view start = cut.bytesView();
            for (const size_t b : members) {
                const CarvedValue& other = *textOf(rows[b]);
                if (b == a || other.bytesView().substr(0, start.size()) != start) continue;
                if (other.length > start.size() || (b < a && other.cut)) {
                    shorter[a] = true;
                    break;
                }
            }
        }
    // The rows kept move up, each part's end with them.
    size_t kept = 0, part = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        for (; part < table.parts.size() && table.parts[part].deletedEnd <= i; ++part)
            table.parts[part].deletedEnd = kept;
        if (shorter[i]) continue;
        if (kept != i) rows[kept] = std::move(rows[i]);
        ++kept;
    }
    for (; part < table.parts.size(); ++part) table.parts[part].deletedEnd = kept;
    rows.resize(kept);
}

}  // namespace carve
