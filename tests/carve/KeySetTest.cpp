// The carvers' key sets answer as a set does through every growth, with room reserved or not,
// for the key that marks an empty slot too, and never fill up (a full table's probe would not end);
// their tables of the live rows' keys answer as the set of every key listed, and their tables of
// keyed pairs answer every pair made with a key; a search from a guessed place finds what a
// binary search does, whatever the guess.
#include "backup/carve/KeyPairTable.h"
#include "backup/carve/KeySet.h"
#include "backup/carve/KeyTable.h"
#include "backup/carve/SearchFrom.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <span>
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

// Pairs of keys and numbers made in parts on several threads answer, for every key, the pairs
// made with it (equal pairs as often as made, in the order of their numbers) and none for keys
// never made: keys that share their top bits (one bucket holding most pairs), many pairs of one
// key spread over the parts, 0 and the all-ones key, empty parts, a table of no pairs.
TEST(KeyPairTable, AnswersThePairsOfEveryKey) {
    for (const size_t pairs : {size_t{0}, size_t{7}, size_t{50000}, size_t{400000}}) {
        for (const size_t threads : {size_t{1}, size_t{4}}) {
            SCOPED_TRACE(std::to_string(pairs) + " pairs on " + std::to_string(threads) + " threads");
            std::vector<carve::KeyPairs> parts(6);
            std::map<uint64_t, std::vector<int64_t>> expected;
            std::mt19937_64 random(pairs + threads);
            for (size_t i = 0; i < pairs; ++i) {
                uint64_t key = random();
                if (i % 5 == 1) key = random() % 64;                  // top bits all 0: one bucket
                if (i % 5 == 2) key = 0xABCD000000000000ULL | i % 7;  // top bits shared, few keys
                if (i % 97 == 3) key = i % 2 ? 0 : ~uint64_t{0};
                const int64_t number = i % 3 ? static_cast<int64_t>(random() % 5) - 2 : INT64_MAX;
                parts[i % 5].emplace_back(key, number);  // the sixth part stays empty
                expected[key].push_back(number);
            }
            carve::KeyPairTable table;
            table.build(parts, threads);
            EXPECT_EQ(table.size(), pairs);
            for (const carve::KeyPairs& part : parts) EXPECT_TRUE(part.empty());
            for (auto& [key, numbers] : expected) {
                std::sort(numbers.begin(), numbers.end());
                const std::span<const carve::KeyPair> found = table.of(key);
                std::vector<int64_t> got;
                for (const carve::KeyPair& pair : found) {
                    ASSERT_EQ(pair.first, key);
                    got.push_back(pair.second);
                }
                ASSERT_EQ(got, numbers) << key;
            }
            for (int probe = 0; probe < 100000; ++probe) {
                const uint64_t key = probe % 2 ? random() : static_cast<uint64_t>(probe);
                ASSERT_EQ(table.of(key).size(), expected.count(key) ? expected[key].size() : 0u) << key;
            }
        }
    }
}

// From every place it may start, for every key below, among and above a run's keys (runs of
// equal keys, an empty run), the search answers the first key not below the one looked for.
TEST(SearchFrom, FindsWhatABinarySearchFindsFromAnyGuess) {
    std::mt19937_64 random(7);
    for (size_t n = 0; n <= 70; ++n) {
        std::vector<uint64_t> keys(n);
        for (uint64_t& key : keys) key = 2 + 2 * (random() % (n / 2 + 1));  // even, many equal
        std::sort(keys.begin(), keys.end());
        for (uint64_t key = 0; key <= n + 4; ++key) {
            const auto expected = std::lower_bound(keys.begin(), keys.end(), key);
            for (size_t guess = 0; guess <= n; ++guess) {
                const auto found = carve::lowerBoundFrom(keys.begin(), keys.end(), keys.begin() + guess,
                                                         [&](uint64_t held) { return held < key; });
                ASSERT_EQ(found - keys.begin(), expected - keys.begin())
                    << "key " << key << " guessed at " << guess << " of " << n;
            }
        }
    }
    // The guess of a place stays within the run, from the least value to the greatest.
    for (const size_t n : {size_t{0}, size_t{1}, size_t{33}, size_t{100000}}) {
        EXPECT_EQ(carve::guessedPlace(0, n), 0u);
        EXPECT_LE(carve::guessedPlace(~uint64_t{0}, n), n == 0 ? 0 : n - 1);
    }
}
