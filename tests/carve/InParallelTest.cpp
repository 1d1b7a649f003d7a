// Stretches made side by side and handed over in order: every item is made once, each stretch is
// handed over once, in order, on the calling thread, and only once every item in it is made,
// however the threads finish.
#include "backup/carve/InParallel.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

struct Delivery {
    size_t from = 0;
    size_t to = 0;
    bool allMade = false;
    bool onCaller = false;
};

void checkInOrder(size_t count, size_t perStretch, int threads) {
    SCOPED_TRACE(testing::Message() << count << " items, " << perStretch << " a stretch, threads " << threads);
    std::vector<std::atomic<int>> made(count);
    std::vector<Delivery> deliveries;
    const std::thread::id caller = std::this_thread::get_id();
    carve::inStretchesInOrder(
        count, perStretch, threads,
        [&](size_t from, size_t to, size_t) {
            // The first stretch is the slowest, so that later ones are made before it.
            if (from == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (size_t i = from; i < to; ++i) made[i].fetch_add(1);
        },
        [&](size_t from, size_t to) {
            bool allMade = true;
            for (size_t i = from; i < to; ++i) allMade = allMade && made[i].load() == 1;
            deliveries.push_back({from, to, allMade, std::this_thread::get_id() == caller});
        });
    size_t next = 0;
    for (const Delivery& d : deliveries) {
        EXPECT_EQ(d.from, next);
        EXPECT_GT(d.to, d.from);
        EXPECT_TRUE(d.allMade);
        EXPECT_TRUE(d.onCaller);
        next = d.to;
    }
    EXPECT_EQ(next, count);
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(made[i].load(), 1) << i;
}

}  // namespace

TEST(InParallel, StretchesAreHandedOverInOrderOnTheCallingThreadOnceMade) {
    for (int threads : {0, 1, 2, 7}) {
        checkInOrder(0, 16, threads);
        checkInOrder(1, 16, threads);
        checkInOrder(1000, 16, threads);
        checkInOrder(1000, 1, threads);
    }
}
