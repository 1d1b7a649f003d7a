// A set of 64-bit keys (row ids, value hashes) in one flat table. The carvers fill sets of a
// million keys and more, once per file; a node-based set spends that time allocating nodes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace carve {

class KeySet {
public:
    // Room for n keys without growing. The table is kept at most two thirds full: a probe still
    // ends within a few slots, and a million keys take 12 to 24 MB rather than 16 to 32.
    void reserve(size_t n) {
        size_t capacity = 16;
        while (2 * capacity < 3 * n) capacity *= 2;
        if (capacity > slots_.size()) rehash(capacity);
    }

    // True when key was not in the set yet.
    bool insert(uint64_t key) {
        if (key == kEmpty) {
            const bool added = !hasEmptyKey_;
            hasEmptyKey_ = true;
            return added;
        }
        if (3 * (size_ + 1) > 2 * slots_.size()) rehash(slots_.empty() ? 16 : 2 * slots_.size());
        for (size_t i = slotOf(key);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == key) return false;
            if (slots_[i] == kEmpty) {
                slots_[i] = key;
                ++size_;
                return true;
            }
        }
    }

    bool contains(uint64_t key) const {
        if (key == kEmpty) return hasEmptyKey_;
        if (slots_.empty()) return false;
        for (size_t i = slotOf(key);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == key) return true;
            if (slots_[i] == kEmpty) return false;
        }
    }

    bool empty() const { return size_ == 0 && !hasEmptyKey_; }

    // Asks memory for the slot where key would be looked for: a caller that asks of many keys
    // in turn, in no order, asks a few rows ahead, so that each slot is there when its turn
    // comes rather than waited for (a large set lies far outside the cache).
    void prefetch(uint64_t key) const {
        if (!slots_.empty()) __builtin_prefetch(slots_.data() + slotOf(key));
    }

private:
    static constexpr uint64_t kEmpty = ~uint64_t{0};

    size_t slotOf(uint64_t key) const {
        // Row ids come in runs: spread them over the table before taking the slot.
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
    }

    void rehash(size_t capacity) {
        std::vector<uint64_t> old;
        old.swap(slots_);
        slots_.assign(capacity, kEmpty);
        shift_ = 64;
        for (size_t c = capacity; c > 1; c /= 2) --shift_;
        size_ = 0;
        for (uint64_t key : old)
            if (key != kEmpty) insert(key);
    }

    std::vector<uint64_t> slots_;
    size_t size_ = 0;
    int shift_ = 64;
    bool hasEmptyKey_ = false;
};

}  // namespace carve
