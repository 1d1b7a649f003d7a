// Sums over the first k of n slots, each slot changed on its own, both in logarithmic time
// (a Fenwick tree): the carvers count what is still open or taken among many candidates, where
// counting them one by one for every row of a large file is slow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace carve {

class SlotSums {
public:
    // n slots, each holding start.
    explicit SlotSums(size_t n, int64_t start = 0) : tree_(n + 1, 0) {
        if (start == 0) return;
        for (size_t i = 1; i <= n; ++i) {
            tree_[i] += start;
            if (const size_t up = i + (i & (~i + 1)); up <= n) tree_[up] += tree_[i];
        }
    }
    void add(size_t slot, int64_t delta) {
        for (size_t i = slot + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += delta;
    }
    // The sum of the first k slots.
    int64_t before(size_t k) const {
        int64_t sum = 0;
        for (; k > 0; k -= k & (~k + 1)) sum += tree_[k];
        return sum;
    }
    // The slot at which the running sum first reaches n (n from 1), for slots holding 0 or more.
    size_t nth(int64_t n) const {
        size_t at = 0;
        size_t step = 1;
        while (2 * step < tree_.size()) step *= 2;
        for (; step > 0; step /= 2)
            if (at + step < tree_.size() && tree_[at + step] < n) {
                at += step;
                n -= tree_[at];
            }
        return at;
    }

private:
    std::vector<int64_t> tree_;
};

}  // namespace carve
