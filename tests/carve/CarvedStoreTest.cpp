// The store of carved values hands out room that stays where it is: while it fills up, when a
// value is larger than its blocks, and after another store takes its blocks over.
#include "backup/carve/CarvedStore.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using carve::CarvedStore;

TEST(CarvedStore, WhatItGaveStaysPutAndAlignedWhenAnotherTakesItsBlocks) {
    CarvedStore taker;
    std::vector<std::pair<const char*, std::string>> given;
    auto fill = [&](CarvedStore& store, int from, int to) {
        for (int i = from; i < to; ++i) {
            // Mostly small rows, now and then one larger than any block.
            const std::string text = i % 9973 == 0 ? std::string(2 << 20, char('a' + i % 26)) : std::to_string(i);
            char* room = store.allocate(text.size());
            EXPECT_EQ(reinterpret_cast<uintptr_t>(room) % 8, 0u);
            std::memcpy(room, text.data(), text.size());
            given.emplace_back(room, text);
        }
    };
    fill(taker, 0, 20000);
    {
        CarvedStore other;
        fill(other, 20000, 40000);
        taker.take(std::move(other));
    }
    fill(taker, 40000, 41000);  // after the take, into blocks of its own
    for (const auto& [room, text] : given) ASSERT_EQ(std::string(room, text.size()), text);
}
