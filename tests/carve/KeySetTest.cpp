// The carvers' key sets answer as a set does through every growth, with room reserved or not,
// for the key that marks an empty slot too, and never fill up (a full table's probe would not end);
// their tables of the live rows' keys answer as the set of every key listed.
#include "backup/carve/KeySet.h"
#include "backup/carve/KeyTable.h"

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

// The live rows' keys, listed on several threads and then put in one table, answer as a set of
// all of them does: duplicates, runs of row ids, 0 and the all-ones key, empty lists, a table of
// no keys, of a few and of many.
TEST(KeyTable, AnswersAsTheSetOfEveryListedKey) {
    for (const size_t keys : {size_t{0}, size_t{5}, size_t{40000}, size_t{300000}}) {
        for (const size_t threads : {size_t{1}, size_t{4}}) {
            SCOPED_TRACE(std::to_string(keys) + " keys on " + std::to_string(threads) + " threads");
            std::vector<carve::KeyList> lists(5);
            std::unordered_set<uint64_t> expected;
            std::mt19937_64 random(keys);
            for (size_t i = 0; i < keys; ++i) {
                const uint64_t key = i % 3 == 0 ? i / 3 : (i % 3 == 1 ? random() : random() % 1000);
                lists[i % 4].push(key);  // the fifth list stays empty
                expected.insert(key);
            }
            if (keys > 0)
                for (const uint64_t key : {uint64_t{0}, ~uint64_t{0}}) {
                    lists[1].push(key);
                    expected.insert(key);
                }
            std::vector<carve::KeyList*> pointers;
            size_t listed = 0;
            for (carve::KeyList& list : lists) {
                listed += list.size();
                pointers.push_back(&list);
            }
            carve::KeyTable table;
            table.build(pointers, threads);
            EXPECT_EQ(table.size(), listed);
            for (const carve::KeyList& list : lists) EXPECT_EQ(list.size(), 0u);
            for (const uint64_t key : expected) ASSERT_TRUE(table.contains(key)) << key;
            for (uint64_t probe = 0; probe < 200000; ++probe) {
                const uint64_t key = probe % 2 ? random() : probe;
                ASSERT_EQ(table.contains(key), expected.count(key) == 1) << key;
            }
            EXPECT_EQ(table.contains(~uint64_t{0}), keys > 0);
        }
    }
}
