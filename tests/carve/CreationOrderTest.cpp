// The order rows were made in places the rows that lost their ids: every id it gives is the
// row's own, whatever was lost around it, and it gives one wherever the rows made between two
// live ones are all there; a file whose times do not rise with the ids gives none.
#include "backup/carve/CreationOrder.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

using carve::CreationOrder;

namespace {

// A table of rows made one after another (a sync's burst in the same seconds, then one by
// one), some deleted: of those, some gone from the file, some whose ids were read, the others
// with their ids lost but their times kept.
struct Table {
    std::vector<int64_t> madeAt;  // by id - 1
    std::vector<std::pair<int64_t, int64_t>> live;
    std::vector<int64_t> taken;                // deleted rows whose ids were read
    std::vector<std::optional<int64_t>> lost;  // the lost rows' times
    std::vector<int64_t> lostIds;              // and their true ids
    std::set<int64_t> gone;
};

Table table(uint64_t seed, int rows) {
    std::mt19937_64 random(seed);
    Table t;
    int64_t when = 300000000;
    for (int64_t id = 1; id <= rows; ++id) {
        when += id < rows / 5 ? static_cast<int64_t>(random() % 2) : 1 + static_cast<int64_t>(random() % 5000);
        t.madeAt.push_back(when);
        const auto fate = random() % 100;
        if (fate < 70)
            t.live.emplace_back(when, id);
        else if (fate < 76)
            t.gone.insert(id);
        else if (fate < 80)
            t.taken.push_back(id);
        else {
            // A few lost rows lost their times too.
            t.lost.push_back(fate < 82 ? std::nullopt : std::optional<int64_t>(when));
            t.lostIds.push_back(id);
        }
    }
    return t;
}

}  // namespace

TEST(CreationOrder, GivesOnlyEachRowsOwnIdAndOneWhereverItsNeighboursAreAllThere) {
    for (uint64_t seed = 1; seed <= 20; ++seed) {
        const Table t = table(seed, 3000);
        const CreationOrder order({t.live.begin(), t.live.end()});
        ASSERT_TRUE(order.holds());
        // Asked all at once (times before, after and between the live rows', ties and unknown
        // times among them), the order answers as asked one by one.
        std::vector<std::optional<int64_t>> times = {std::nullopt, t.live.front().first - 1, t.live.back().first + 1};
        for (const int64_t when : t.madeAt) times.insert(times.begin() + static_cast<long>(when % 3), when);
        const auto around = order.idsAround(times);
        for (size_t i = 0; i < times.size(); ++i)
            ASSERT_EQ(around[i], times[i] ? order.idsAround(*times[i]) : std::nullopt) << i << ", seed " << seed;
        const auto ids = order.idsByMaking(t.lost, t.taken, [](size_t, int64_t) { return true; });
        ASSERT_EQ(ids.size(), t.lost.size());
        size_t given = 0, settleable = 0;
        for (size_t i = 0; i < ids.size(); ++i) {
            if (ids[i]) {
                EXPECT_EQ(*ids[i], t.lostIds[i]) << "seed " << seed;
                ++given;
            }
            if (!t.lost[i]) {
                EXPECT_FALSE(ids[i]) << "a row whose time was lost has nothing to place it";
                continue;
            }
            const auto around = order.idsAround(*t.lost[i]);
            if (!around) continue;
            // Every other id between those of the live rows made just before and after it is
            // live, read, or a lost row with its time placed between the same live rows; and no
            // other of those was made in its second.
            bool all = true;
            for (int64_t other = around->first + 1; other < around->second; ++other) {
                const bool live = std::binary_search(t.live.begin(), t.live.end(),
                                                     std::make_pair(t.madeAt[static_cast<size_t>(other - 1)], other));
                const auto lostAt = std::find(t.lostIds.begin(), t.lostIds.end(), other);
                const auto& time =
                    lostAt == t.lostIds.end() ? std::nullopt : t.lost[static_cast<size_t>(lostAt - t.lostIds.begin())];
                const bool lostWithTime = time && order.idsAround(*time) == around;
                const bool read = std::find(t.taken.begin(), t.taken.end(), other) != t.taken.end();
                if (other != t.lostIds[i] && !live && !read && !lostWithTime) all = false;
                if (other != t.lostIds[i] && lostWithTime && t.madeAt[static_cast<size_t>(other - 1)] == *t.lost[i])
                    all = false;
            }
            settleable += all;
            EXPECT_EQ(ids[i].has_value(), all) << "row " << t.lostIds[i] << ", seed " << seed;
        }
        EXPECT_EQ(given, settleable);
        EXPECT_GT(settleable, t.lost.size() / 4) << "the table leaves too few rows to place to test anything";
    }
}

TEST(CreationOrder, RefusesWhatTheTimesOrAnyRowOfAGroupRefute) {
    const Table t = table(7, 2000);
    // One live row made out of turn: the file's times say nothing of its ids.
    std::vector<std::pair<int64_t, int64_t>> swapped = t.live;
    std::swap(swapped[1000].first, swapped[1001].first);
    const CreationOrder broken({swapped.begin(), swapped.end()});
    EXPECT_FALSE(broken.holds());
    EXPECT_FALSE(broken.idsAround(t.madeAt[1500]));
    for (const auto& id : broken.idsByMaking(t.lost, t.taken, [](size_t, int64_t) { return true; })) EXPECT_FALSE(id);
    // Rows made before the first live row or after the last have no bounds.
    const CreationOrder order({t.live.begin(), t.live.end()});
    EXPECT_FALSE(order.idsAround(t.live.front().first - 1));
    EXPECT_FALSE(order.idsAround(t.live.back().first + 1));
    // A row whose other evidence refuses the id its place gives it leaves its whole group
    // unplaced: their count no longer says which id is whose.
    const auto all = order.idsByMaking(t.lost, t.taken, [](size_t, int64_t) { return true; });
    size_t refused = all.size();
    for (size_t i = 0; i < all.size() && refused == all.size(); ++i)
        if (all[i]) refused = i;
    ASSERT_LT(refused, all.size());
    const auto without = order.idsByMaking(t.lost, t.taken, [&](size_t i, int64_t) { return i != refused; });
    const auto around = order.idsAround(*t.lost[refused]);
    for (size_t i = 0; i < all.size(); ++i) {
        const bool sameGroup = t.lost[i] && order.idsAround(*t.lost[i]) == around;
        EXPECT_EQ(without[i], sameGroup ? std::nullopt : all[i]) << i;
    }
}
