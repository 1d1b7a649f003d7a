// The store of carved values hands out room that stays where it is: while it fills up, when a
// value is larger than its blocks, and after another store takes its blocks over. The carvers'
// lists of rows found keep each item where it was put, across their small first block and the
// large ones after it, and free every item they hold.
#include "backup/carve/BlockList.h"
#include "backup/carve/CarvedStore.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
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

TEST(BlockList, KeepsEachItemWhereItWasPutAndFreesThemAll) {
    // Items that own memory: one left unfreed, or freed twice, shows under the sanitizers.
    carve::BlockList<std::shared_ptr<std::string>> list;
    std::vector<const std::shared_ptr<std::string>*> places;
    const size_t count = 3 * (size_t{2} << 20) / sizeof(std::shared_ptr<std::string>) + 7;  // past two large blocks
    for (size_t i = 0; i < count; ++i) {
        list.push_back(std::make_shared<std::string>(std::to_string(i)));
        places.push_back(&list[i]);
    }
    ASSERT_EQ(list.size(), count);
    size_t i = 0;
    for (const std::shared_ptr<std::string>& item : list) {
        ASSERT_EQ(&item, places[i]) << i;
        ASSERT_EQ(*item, std::to_string(i));
        ++i;
    }
    carve::BlockList<std::shared_ptr<std::string>> moved;
    moved.push_back(std::make_shared<std::string>("dropped by the move"));
    moved = std::move(list);
    EXPECT_EQ(list.size(), 0u);
    ASSERT_EQ(moved.size(), count);
    EXPECT_EQ(*moved[count - 1], std::to_string(count - 1));
    const std::weak_ptr<std::string> last = moved[count - 1];
    moved.clear();
    EXPECT_TRUE(last.expired());
    moved.push_back(std::make_shared<std::string>("again"));
    EXPECT_EQ(*moved[0], "again");
}
