// Where the values of carved rows are kept: in blocks that never move, so that a row's values stay
// put while the rows themselves are moved, gathered from the threads and sorted. A large file
// yields a million small rows; a heap block of their own each would cost more in headers, page
// faults and frees than the values themselves.
#pragma once

#include "platform/MappedMemory.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

namespace carve {

class CarvedStore {
public:
    // n bytes aligned to eight (numbers, pointers), valid while this store or the one that takes it lives.
    char* allocate(size_t n) {
        n = (n + kAlign - 1) & ~(kAlign - 1);
        if (n > left_) {
            // Blocks grow, so that a table of a few rows keeps a few kilobytes; once they are
            // large enough to be mappings, they are large ones at once (see MappedMemory.h).
            next_ = next_ * 2 >= mapped::kMappedAtLeast ? mapped::kLargeBlock : next_ * 2;
            const size_t size = std::max(next_, n);
            blocks_.emplace_back(size);
            at_ = blocks_.back().get();
            left_ = size;
        }
        char* given = at_;
        at_ += n;
        left_ -= n;
        return given;
    }

    // A copy of text, valid as what allocate() gives is.
    std::string_view keep(std::string_view text) {
        if (text.empty()) return {};
        char* at = allocate(text.size());
        std::memcpy(at, text.data(), text.size());
        return {at, text.size()};
    }

    // How many blocks this store holds or held: what it gives from now on lies in later ones.
    size_t blocks() const { return blocks_.size(); }
    // Frees the first n blocks and what they held, for a caller done with it.
    void releaseFirst(size_t n) {
        n = std::min(n, blocks_.size());
        for (size_t b = 0; b < n; ++b) blocks_[b].reset();
        if (n == blocks_.size()) left_ = 0;  // the block values were being given from is gone
    }

    // Takes over other's blocks: what other gave out stays where it is.
    void take(CarvedStore&& other) {
        blocks_.insert(blocks_.end(), std::make_move_iterator(other.blocks_.begin()),
                       std::make_move_iterator(other.blocks_.end()));
        other = CarvedStore();
        left_ = 0;  // this store's last block now sits among the others': the next value starts anew
    }

private:
    static constexpr size_t kAlign = 8;

    std::vector<mapped::Room<char>> blocks_;
    char* at_ = nullptr;
    size_t left_ = 0;
    size_t next_ = 2048;  // half the size of the next block
};

}  // namespace carve
