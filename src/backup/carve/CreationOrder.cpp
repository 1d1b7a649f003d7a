#include "backup/carve/CreationOrder.h"

#include <algorithm>
#include <span>
#include <tuple>

namespace carve {

CreationOrder::CreationOrder(mapped::Vector<std::pair<int64_t, int64_t>> made) : made_(std::move(made)) {
    // Sorted by time (ties by id), the ids must rise too: rows made in the same second may have
    // any ids among themselves, but a row made later never has a lower id than one made before.
    // Callers often hand them over sorted already.
    if (!std::is_sorted(made_.begin(), made_.end())) std::sort(made_.begin(), made_.end());
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

mapped::Vector<std::optional<std::pair<int64_t, int64_t>>> CreationOrder::idsAround(
    std::span<const std::optional<int64_t>> made) const {
    mapped::Vector<std::optional<std::pair<int64_t, int64_t>>> around(made.size());
    mapped::Vector<std::pair<int64_t, size_t>> byTime;
    for (size_t row = 0; row < made.size(); ++row)
        if (made[row]) byTime.emplace_back(*made[row], row);
    std::sort(byTime.begin(), byTime.end());
    // The first known row made at or after the time, and the first made after it.
    size_t atOrAfter = 0, after = 0;
    for (const auto& [time, row] : byTime) {
        while (atOrAfter < made_.size() && made_[atOrAfter].first < time) ++atOrAfter;
        after = std::max(after, atOrAfter);
        while (after < made_.size() && made_[after].first <= time) ++after;
        if (atOrAfter > 0 && after < made_.size())
            around[row] = std::make_pair(made_[atOrAfter - 1].second, made_[after].second);
    }
    return around;
}

int64_t CreationOrder::knownBetween(int64_t low, int64_t high) const {
    auto byId = [](const std::pair<int64_t, int64_t>& row, int64_t id) { return row.second < id; };
    const auto first = std::lower_bound(made_.begin(), made_.end(), low + 1, byId);
    const auto end = std::lower_bound(made_.begin(), made_.end(), high, byId);
    return end - first;
}

mapped::Vector<std::optional<int64_t>> CreationOrder::idsByMaking(
    std::span<const std::optional<int64_t>> made, std::span<const int64_t> taken,
    const std::function<bool(size_t, int64_t)>& admits) const {
    return idsByMaking(made, idsAround(made), taken, admits);
}

mapped::Vector<std::optional<int64_t>> CreationOrder::idsByMaking(
    std::span<const std::optional<int64_t>> made, std::span<const std::optional<std::pair<int64_t, int64_t>>> around,
    std::span<const int64_t> taken, const std::function<bool(size_t, int64_t)>& admits) const {
    mapped::Vector<std::optional<int64_t>> ids(made.size());
    // The rows with a place in the order, by the known rows around them, then when made.
    struct Placed {
        std::pair<int64_t, int64_t> around;
        int64_t made;
        size_t row;
        bool operator<(const Placed& o) const {
            return std::tie(around, made, row) < std::tie(o.around, o.made, o.row);
        }
    };
    mapped::Vector<Placed> rows;
    for (size_t row = 0; row < made.size(); ++row)
        if (made[row] && around[row]) rows.push_back({*around[row], *made[row], row});
    std::sort(rows.begin(), rows.end());
    auto isFree = [&](int64_t id) {
        return knownBetween(id - 1, id + 1) == 0 && !std::binary_search(taken.begin(), taken.end(), id);
    };
    std::vector<std::pair<size_t, int64_t>> placed;
    for (auto from = rows.begin(); from != rows.end();) {
        const auto to = std::find_if(from, rows.end(), [&](const Placed& p) { return p.around != from->around; });
        const std::span<const Placed> group(&*from, static_cast<size_t>(to - from));
        from = to;
        const auto [low, high] = group.front().around;
        const int64_t takenBetween =
            std::lower_bound(taken.begin(), taken.end(), high) - std::upper_bound(taken.begin(), taken.end(), low);
        const int64_t free = high - low - 1 - knownBetween(low, high) - takenBetween;
        if (free != static_cast<int64_t>(group.size())) continue;
        placed.clear();
        int64_t id = low;
        bool agree = true;
        for (size_t k = 0; k < group.size() && agree; ++k) {
            do ++id;
            while (!isFree(id));
            agree = admits(group[k].row, id);
            const bool alone = (k == 0 || group[k - 1].made < group[k].made) &&
                               (k + 1 == group.size() || group[k].made < group[k + 1].made);
            if (alone) placed.emplace_back(group[k].row, id);
        }
        if (!agree) continue;
        for (const auto& [row, placedId] : placed) ids[row] = placedId;
    }
    return ids;
}

}  // namespace carve
