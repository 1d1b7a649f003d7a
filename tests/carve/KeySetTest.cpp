// The carvers' key sets answer as a set does through every growth, with room reserved or not,
// for the key that marks an empty slot too, and never fill up (a full table's probe would not end).
#include "backup/carve/KeySet.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <unordered_set>

using carve::KeySet;

TEST(KeySet, AnswersAsASetThroughEveryGrowth) {
    for (const size_t reserved : {size_t{0}, size_t{12}, size_t{100000}}) {
        KeySet keys;
        keys.reserve(reserved);
        std::unordered_set<uint64_t> expected;
        std::mt19937_64 random(reserved);
        // Runs of row ids, random signatures and the all-ones key, each more than once.
        for (int round = 0; round < 2; ++round)
            for (uint64_t i = 0; i < 70000; ++i) {
                for (const uint64_t key : {i, random() % 200000, ~uint64_t{0}}) {
                    const bool added = expected.insert(key).second;
                    ASSERT_EQ(keys.insert(key), added) << key << " with " << reserved << " reserved";
                }
            }
        for (uint64_t key = 0; key < 300000; ++key) ASSERT_EQ(keys.contains(key), expected.count(key) == 1) << key;
        EXPECT_TRUE(keys.contains(~uint64_t{0}));
        EXPECT_FALSE(keys.contains(~uint64_t{0} - 1));
    }
}
