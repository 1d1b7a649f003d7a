// backup-dump's hand-off between threads: everything given is taken, once, in the order given,
// whether the taker waits for the giver or the giver runs ahead.
#include "HandOff.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(HandOff, TakesEverythingInOrderAcrossBatches) {
    for (bool takerFirst : {true, false}) {
        HandOff<int> handOff;
        std::vector<int> taken;
        std::thread taker;
        if (takerFirst) taker = std::thread([&] { handOff.takeAll([&](int& n) { taken.push_back(n); }); });
        constexpr int kItems = 5000;  // several batches and a part batch
        for (int i = 0; i < kItems; ++i) {
            handOff.push(i);
            if (i == 10) handOff.flush();  // a part batch handed over early
        }
        handOff.close();
        if (!takerFirst) taker = std::thread([&] { handOff.takeAll([&](int& n) { taken.push_back(n); }); });
        taker.join();
        ASSERT_EQ(taken.size(), static_cast<size_t>(kItems)) << takerFirst;
        for (int i = 0; i < kItems; ++i) ASSERT_EQ(taken[static_cast<size_t>(i)], i) << takerFirst;
    }
}

TEST(HandOff, ClosingWithNothingGivenEndsTheTaker) {
    HandOff<int> handOff;
    int taken = 0;
    std::thread taker([&] { handOff.takeAll([&](int&) { ++taken; }); });
    handOff.close();
    taker.join();
    EXPECT_EQ(taken, 0);
}

// Held back, a giver that runs ahead waits for the taker rather than pile up what it gives: no
// more than the bound and one batch ever wait, and everything still goes over in order.
TEST(HandOff, AGiverHeldBackWaitsForTheTaker) {
    constexpr size_t kMostWaiting = 2048;
    HandOff<int> handOff(kMostWaiting);
    std::atomic<int> given{0};
    std::vector<int> taken;
    size_t mostAhead = 0;
    std::thread taker([&] {
        handOff.takeAll([&](int& n) {
            // A slow taker: the giver is soon the bound ahead.
            if (n % 512 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            mostAhead = std::max(mostAhead, static_cast<size_t>(given.load() - n));
            taken.push_back(n);
        });
    });
    constexpr int kItems = 40000;
    for (int i = 0; i < kItems; ++i) {
        handOff.push(i);
        given = i + 1;
    }
    handOff.close();
    taker.join();
    ASSERT_EQ(taken.size(), static_cast<size_t>(kItems));
    for (int i = 0; i < kItems; ++i) ASSERT_EQ(taken[static_cast<size_t>(i)], i);
    // What waits and what the taker holds (each under the bound with a batch over it), and the
    // giver's own batch.
    EXPECT_LE(mostAhead, 2 * kMostWaiting + 3 * 1024);
}
