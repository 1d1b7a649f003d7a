// Pairs of a 64-bit key (a hash of values) and a number, made on several threads and then only
// asked for the numbers that go with a key. The pairs are put in buckets by the top bits of
// their keys, each part's side by side with the others', and each bucket is sorted on its own:
// no thread sorts or merges the whole list, and a question searches one bucket of a few dozen
// pairs rather than the whole list.
#pragma once

#include "platform/MappedMemory.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace carve {

using KeyPair = std::pair<uint64_t, int64_t>;
using KeyPairs = mapped::Vector<KeyPair>;

class KeyPairTable {
public:
    // Takes in the pairs of every part, in any order, emptying each part as it goes, on up to
    // threads threads. Keys that are hashes spread evenly over the buckets; any others are
    // answered as well, only sorted on fewer threads.
    void build(std::vector<KeyPairs>& parts, size_t threads);
    // The pairs of key, by their numbers (an equal pair as often as it was made).
    std::span<const KeyPair> of(uint64_t key) const;
    // Asks memory for the pairs of(key) would read first: a large table lies outside the cache,
    // and a caller that asks of many keys in turn asks a few ahead.
    void prefetch(uint64_t key) const;
    size_t size() const { return pairs_.size(); }

private:
    size_t bucketOf(uint64_t key) const { return bits_ == 0 ? 0 : static_cast<size_t>(key >> (64 - bits_)); }

    KeyPairs pairs_;                       // sorted within each bucket, so all sorted
    std::vector<size_t> starts_ = {0, 0};  // where each bucket starts in pairs_, and the end
    int bits_ = 0;
};

}  // namespace carve
