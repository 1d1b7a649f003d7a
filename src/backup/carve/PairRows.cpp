// Rows that name each other paired where the row ids leave one partner (see PairRows.h).
#include "backup/carve/PairRows.h"

#include "backup/carve/CarvedRowid.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

namespace carve {

namespace {

// Whether what is left of the lost row ids of a pair (see CarvedRecord) allows each the id the
// other names: l names named, r names ref.
bool tailsAgree(const CarvedRecord& l, const CarvedRecord& r, int64_t named, int64_t ref) {
    return tailAdmits(l, ref) && tailAdmits(r, named);
}

// For each left row, the right rows that may be its partner (see pairRows), in order. Rather
// than every right row for every left row, each left row looks only where the row ids allow: the
// right rows whose own row id is the one it names; the right rows whose lost row id lies between
// close neighbours, by the lower one; and the others (a neighbour missing or far away) in sweeps
// over the named ids, among those that name an id the left row allows.
std::vector<std::vector<int>> partnerCandidates(const std::vector<const CarvedRecord*>& left,
                                                std::span<const int64_t> leftNamed,
                                                const std::vector<const CarvedRecord*>& right,
                                                std::span<const int64_t> rightNamed,
                                                const std::function<bool(size_t left, size_t right)>& fits,
                                                std::span<const CarvedTable* const> leftTables) {
    constexpr int64_t kClose = 64;
    std::vector<std::vector<int>> candidates(left.size());
    // The rows looked up by one id, each with what decides whether it is a candidate, so that
    // the many passed over are never read from their records.
    struct Near {
        int64_t id;  // its own row id (read), or the one before it (lost between close rows)
        int row;
        int64_t ref;    // the id it names
        int64_t after;  // the row id after it when its own is lost, 0 when read
        bool operator<(const Near& o) const { return id != o.id ? id < o.id : row < o.row; }
    };
    std::vector<Near> byRowid;                   // rows whose id was read
    std::vector<Near> close;                     // rows whose id is lost between close neighbours
    std::vector<std::pair<int64_t, int>> above;  // (rowid before, row): no row after
    std::vector<std::pair<int64_t, int>> far;    // (rowid before, row): the row after far
    std::vector<std::pair<int64_t, int>> below;  // (rowid after, row): no row before
    for (size_t i = 0; i < right.size(); ++i) {
        const CarvedRecord& r = *right[i];
        const int b = static_cast<int>(i);
        if (r.rowidKnown)
            byRowid.push_back({r.rowid, b, rightNamed[i], 0});
        else if (r.rowidBefore != 0 && r.rowidAfter != 0 && r.rowidAfter - r.rowidBefore <= kClose)
            close.push_back({r.rowidBefore, b, rightNamed[i], r.rowidAfter});
        else if (r.rowidBefore == 0 && r.rowidAfter != 0)
            below.emplace_back(r.rowidAfter, b);
        else if (r.rowidAfter == 0)
            above.emplace_back(r.rowidBefore, b);
        else
            far.emplace_back(r.rowidBefore, b);
    }
    std::sort(byRowid.begin(), byRowid.end());
    std::sort(close.begin(), close.end());
    // The ids a left row admits (see admitsRowid): its own, or those between its neighbours.
    struct Query {
        int64_t named, lowest, highest;
        size_t row;
    };
    std::vector<Query> queries;
    for (size_t a = 0; a < left.size(); ++a) {
        const CarvedRecord& l = *left[a];
        const int64_t named = leftNamed[a];
        auto [shortest, longest] = tailRange(l);
        if (!leftTables.empty() && l.withinPage) {
            const auto [low, high] = leftTables[a]->pageRange.at(l.page);
            shortest = std::max(shortest, low + 1);
            longest = std::min(longest, high);
        }
        const int64_t lowest =
            l.rowidKnown ? l.rowid : std::max<int64_t>(std::max<int64_t>(l.rowidBefore, 0) + 1, shortest);
        const int64_t highest =
            l.rowidKnown ? l.rowid : std::min(l.rowidAfter == 0 ? INT64_MAX : l.rowidAfter - 1, longest);
        if (lowest <= highest) queries.push_back({named, lowest, highest, a});
    }
    // The left rows in the order of the ids they name, so that the sorted rows are walked once.
    std::sort(queries.begin(), queries.end(), [](const Query& x, const Query& y) { return x.named < y.named; });
    auto own = byRowid.cbegin();
    auto near = close.cbegin();
    for (const Query& q : queries) {
        // The look-ups below leave only rows that admit the named id as far as the id they are
        // found by goes: a read id is the named one, a lost one lies above the id before it.
        auto consider = [&](const Near& n) {
            const CarvedRecord& r = *right[static_cast<size_t>(n.row)];
            if ((n.after == 0 || q.named < n.after) && n.ref >= q.lowest && n.ref <= q.highest &&
                tailsAgree(*left[q.row], r, q.named, n.ref) && fits(q.row, static_cast<size_t>(n.row)))
                candidates[q.row].push_back(n.row);
        };
        for (; own != byRowid.cend() && own->id < q.named; ++own) {}
        for (auto it = own; it != byRowid.cend() && it->id == q.named; ++it) consider(*it);
        if (q.named <= 0) continue;  // a lost row id is a positive one
        for (; near != close.cend() && near->id < q.named - kClose; ++near) {}
        for (auto it = near; it != close.cend() && it->id < q.named; ++it) consider(*it);
    }
    std::erase_if(queries, [](const Query& q) { return q.named <= 0; });
    // Sweeps over the rows whose range of ids is open on one side, by the id bounding the other:
    // the queries run from the widest reach down, and a row whose bound no longer lets it reach
    // the named id leaves a list sorted by the id it names (skipped through a disjoint-set
    // forest), so that each query meets only the rows it admits.
    auto sweep = [&](std::vector<std::pair<int64_t, int>>& rows, bool reachesUp) {
        std::vector<std::pair<int64_t, int>> byRef;  // (named id, row)
        byRef.reserve(rows.size());
        for (const auto& [bound, b] : rows) byRef.emplace_back(rightNamed[static_cast<size_t>(b)], b);
        std::sort(byRef.begin(), byRef.end());
        std::vector<size_t> at(right.size());
        for (size_t i = 0; i < byRef.size(); ++i) at[static_cast<size_t>(byRef[i].second)] = i;
        std::vector<size_t> next(byRef.size() + 1);
        for (size_t i = 0; i < next.size(); ++i) next[i] = i;
        auto find = [&](size_t i) {
            size_t root = i;
            while (next[root] != root) root = next[root];
            while (next[i] != root) i = std::exchange(next[i], root);
            return root;
        };
        // reachesUp: a row reaches the ids above its bound (rowid before), so the queries go from
        // the highest named id down and the rows with the highest bounds leave first.
        std::sort(rows.begin(), rows.end(),
                  [&](const auto& x, const auto& y) { return reachesUp ? x.first > y.first : x.first < y.first; });
        std::sort(queries.begin(), queries.end(),
                  [&](const Query& x, const Query& y) { return reachesUp ? x.named > y.named : x.named < y.named; });
        size_t leaving = 0;
        for (const Query& q : queries) {
            for (;
                 leaving < rows.size() && (reachesUp ? rows[leaving].first >= q.named : rows[leaving].first <= q.named);
                 ++leaving) {
                const size_t i = at[static_cast<size_t>(rows[leaving].second)];
                next[i] = i + 1;
            }
            const auto from = std::lower_bound(byRef.begin(), byRef.end(), std::make_pair(q.lowest, INT_MIN));
            for (size_t i = find(static_cast<size_t>(from - byRef.begin()));
                 i < byRef.size() && byRef[i].first <= q.highest; i = find(i + 1)) {
                const CarvedRecord& r = *right[static_cast<size_t>(byRef[i].second)];
                // A row of the sweep up may still have a far neighbour after it.
                if ((r.rowidAfter == 0 || q.named < r.rowidAfter) &&
                    tailsAgree(*left[q.row], r, q.named, byRef[i].first) &&
                    fits(q.row, static_cast<size_t>(byRef[i].second)))
                    candidates[q.row].push_back(byRef[i].second);
            }
        }
    };
    sweep(far, true);
    sweep(above, true);
    sweep(below, false);
    // In order of the right rows; a long list (each row in it once) through a bitmap of them all.
    std::vector<uint64_t> bits((right.size() + 63) / 64);
    for (std::vector<int>& list : candidates) {
        if (list.size() < bits.size()) {
            std::sort(list.begin(), list.end());
            continue;
        }
        for (int b : list) bits[static_cast<size_t>(b) / 64] |= uint64_t{1} << (b % 64);
        list.clear();
        for (size_t w = 0; w < bits.size(); ++w)
            for (uint64_t word = std::exchange(bits[w], 0); word != 0; word &= word - 1)
                list.push_back(static_cast<int>(w * 64 + static_cast<size_t>(__builtin_ctzll(word))));
    }
    return candidates;
}
}  // namespace

std::vector<int> pairRows(const std::vector<const CarvedRecord*>& left, std::span<const int64_t> leftNamed,
                          const std::vector<const CarvedRecord*>& right, std::span<const int64_t> rightNamed,
                          const std::function<bool(size_t left, size_t right)>& fits,
                          std::span<const CarvedTable* const> leftTables) {
    std::vector<int> partner(left.size(), -1);
    if (left.empty()) return partner;
    std::vector<std::vector<int>> candidates = partnerCandidates(left, leftNamed, right, rightNamed, fits, leftTables);
    std::vector<bool> taken(right.size(), false);
    size_t takenCount = 0;
    auto take = [&](size_t a, int b) {
        partner[a] = b;
        taken[static_cast<size_t>(b)] = true;
        ++takenCount;
    };
    std::vector<size_t> cleared(left.size(), 0);  // how many rows were taken when each list was last cleared
    auto clear = [&](size_t a) {
        std::erase_if(candidates[a], [&](int b) { return taken[static_cast<size_t>(b)]; });
        cleared[a] = takenCount;
    };
    // One candidate left: the pair is certain; taking it may leave another row one candidate.
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t a = 0; a < left.size(); ++a) {
            if (partner[a] >= 0) continue;
            // A list longer by two than the rows taken since it was last cleared keeps two at
            // least: clearing it can wait until it may come down to one.
            const size_t fresh = takenCount - cleared[a];
            if (fresh > 0 && candidates[a].size() <= fresh + 1) clear(a);
            if (candidates[a].size() == 1) {
                take(a, candidates[a].front());
                changed = true;
            }
        }
        // The same from the right, for a right row whose own row id is certain (read, or the one
        // id its neighbours leave): when one left row alone names it, they belong together
        // (an event with the place whose id it names, though the event's own id is lost).
        std::vector<int> wanting(right.size(), 0), wanter(right.size(), -1);
        for (size_t a = 0; a < left.size(); ++a)
            if (partner[a] < 0)
                for (int b : candidates[a])
                    if (!taken[static_cast<size_t>(b)]) {
                        ++wanting[static_cast<size_t>(b)];
                        wanter[static_cast<size_t>(b)] = static_cast<int>(a);
                    }
        for (size_t b = 0; b < right.size(); ++b) {
            const int a = wanter[b];
            if (wanting[b] != 1 || partner[static_cast<size_t>(a)] >= 0 || !onlyRowid(*right[b])) continue;
            take(static_cast<size_t>(a), static_cast<int>(b));
            changed = true;
        }
    }
    return partner;
}

}  // namespace carve
