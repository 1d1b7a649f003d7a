// The keys of the live rows (row ids, value hashes) that every deleted row is checked against.
// A file of ten million live rows gives tens of millions of keys, found on several threads at
// once and then only asked: each thread lists its keys as it finds them, 8 bytes a key, and the
// lists are then sorted into one table of 8 bytes a key. A set that grows as the keys come takes
// two to four times that, and one per thread would have every question ask each of them.
#pragma once

#include "backup/carve/BlockList.h"
#include "platform/MappedMemory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace carve {

// Keys as one thread finds them, in blocks that never move (no regrowth copies the keys found
// so far) and go back to the system as soon as they are freed.
class KeyList {
public:
    void push(uint64_t key) { keys_.push_back(key); }
    size_t size() const { return keys_.size(); }
    template <class F>
    void forEach(F&& f) const {
        for (uint64_t key : keys_) f(key);
    }
    void clear() { keys_.clear(); }

private:
    BlockList<uint64_t> keys_;
};

// A set of keys made once from lists and then only asked.
class KeyTable {
public:
    // Takes in the keys of every list, emptying each as it goes, sorting on up to threads threads.
    void build(const std::vector<KeyList*>& lists, size_t threads);
    bool contains(uint64_t key) const;
    // Asks memory for the keys contains(key) would read first: a caller that asks of many keys
    // in turn asks a few ahead, so that each is there when its turn comes (a large table lies
    // far outside the cache, and every question would otherwise wait on memory).
    void prefetch(uint64_t key) const;
    size_t size() const { return size_; }

private:
    // Row ids come in runs: keys are spread over the whole range before they are placed. An odd
    // factor gives each key a value of its own.
    static uint64_t spread(uint64_t key) { return key * 0x9E3779B97F4A7C15ULL; }
    size_t bucketOf(uint64_t spreadKey) const {
        return bits_ == 0 ? 0 : static_cast<size_t>(spreadKey >> (64 - bits_));
    }

    mapped::Room<uint64_t> keys_;    // spread, sorted within each bucket
    mapped::Vector<size_t> starts_;  // where each bucket starts in keys_, and the end
    size_t size_ = 0;
    int bits_ = 0;  // buckets are named by the top bits of a spread key
};

}  // namespace carve
