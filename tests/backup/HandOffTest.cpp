// backup-dump's hand-off between threads: everything given is taken, once, in the order given,
// whether the taker waits for the giver or the giver runs ahead.
#include "HandOff.h"

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
