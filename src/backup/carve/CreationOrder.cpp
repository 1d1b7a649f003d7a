#include "backup/carve/CreationOrder.h"

#include <algorithm>
#include <map>

namespace carve {

CreationOrder::CreationOrder(std::vector<std::pair<int64_t, int64_t>> made) : made_(std::move(made)) {
    // Sorted by time (ties by id), the ids must rise too: rows made in the same second may have
    // any ids among themselves, but a row made later never has a lower id than one made before.
    std::sort(made_.begin(), made_.end());
    made_.erase(std::unique(made_.begin(), made_.end()), made_.end());
    holds_ = !made_.empty();
    for (size_t i = 1; i < made_.size() && holds_; ++i) holds_ = made_[i - 1].second < made_[i].second;
    if (!holds_) made_.clear();
}

std::optional<std::pair<int64_t, int64_t>> CreationOrder::idsAround(int64_t made) const {
    // Rows made in the same second as it bound nothing: it may lie on either side of them.
    const auto after = std::upper_bound(made_.begin(), made_.end(), std::make_pair(made, INT64_MAX));
    const auto before = std::lower_bound(made_.begin(), made_.end(), std::make_pair(made, INT64_MIN));
    if (before == made_.begin() || after == made_.end()) return std::nullopt;
    return std::make_pair(std::prev(before)->second, after->second);
}

int64_t CreationOrder::knownBetween(int64_t low, int64_t high) const {
    auto byId = [](const std::pair<int64_t, int64_t>& row, int64_t id) { return row.second < id; };
    const auto first = std::lower_bound(made_.begin(), made_.end(), low + 1, byId);
    const auto end = std::lower_bound(made_.begin(), made_.end(), high, byId);
    return end - first;
}

std::vector<std::optional<int64_t>> CreationOrder::idsByMaking(
    const std::vector<std::optional<int64_t>>& made, const std::vector<int64_t>& taken,
    const std::function<bool(size_t, int64_t)>& admits) const {
    std::vector<std::optional<int64_t>> ids(made.size());
    std::map<std::pair<int64_t, int64_t>, std::vector<size_t>> between;
    for (size_t row = 0; row < made.size(); ++row)
        if (made[row])
            if (const auto around = idsAround(*made[row])) between[*around].push_back(row);
    for (auto& [around, rows] : between) {
        const auto [low, high] = around;
        const int64_t takenBetween =
            std::lower_bound(taken.begin(), taken.end(), high) - std::upper_bound(taken.begin(), taken.end(), low);
        const int64_t free = high - low - 1 - knownBetween(low, high) - takenBetween;
        if (free != static_cast<int64_t>(rows.size())) continue;
        std::sort(rows.begin(), rows.end(), [&](size_t a, size_t b) { return *made[a] < *made[b]; });
        std::vector<std::pair<size_t, int64_t>> placed;
        auto isFree = [&](int64_t id) {
            return knownBetween(id - 1, id + 1) == 0 && !std::binary_search(taken.begin(), taken.end(), id);
        };
        int64_t id = low;
        bool agree = true;
        for (size_t k = 0; k < rows.size() && agree; ++k) {
            do ++id;
            while (!isFree(id));
            agree = admits(rows[k], id);
            const bool alone = (k == 0 || *made[rows[k - 1]] < *made[rows[k]]) &&
                               (k + 1 == rows.size() || *made[rows[k]] < *made[rows[k + 1]]);
            if (alone) placed.emplace_back(rows[k], id);
        }
        if (!agree) continue;
        for (const auto& [row, placedId] : placed) ids[row] = placedId;
    }
    return ids;
}

}  // namespace carve
