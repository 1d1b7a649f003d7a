// A search of a sorted run from where the key is guessed to lie. The carvers' key tables hold
// hashes, spread evenly within each bucket: a key's place in its bucket is known within a few
// places from its value, where halving the bucket would read a new cache line at every step.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace carve {

// Where in a run of n keys spread evenly over the values of a bucket a key of that bucket is
// likely to lie: rel is the key's place within the bucket's values as a fraction of 2^64 (the
// key without the bits that name the bucket, shifted to the top).
inline size_t guessedPlace(uint64_t rel, size_t n) {
    return static_cast<size_t>(((rel >> 32) * static_cast<uint64_t>(n)) >> 32);
}

// The first of sorted [first, last) that is not below the key (less(element) tells an element
// below it), looked for outward from guess in steps that double, then by halves within the last
// step: a few reads where the guess is good, never more than twice a binary search's where not.
template <class It, class Less>
It lowerBoundFrom(It first, It last, It guess, Less&& less) {
    auto below = [&](const auto& element, int) { return less(element); };
    if (guess != last && less(*guess)) {
        It from = guess + 1;
        for (ptrdiff_t step = 1;; step *= 2) {
            if (last - from <= step) return std::lower_bound(from, last, 0, below);
            const It probe = from + (step - 1);
            if (!less(*probe)) return std::lower_bound(from, probe, 0, below);
            from = probe + 1;
        }
    }
    It to = guess;  // not below the key, or the end
    for (ptrdiff_t step = 1;; step *= 2) {
        if (to - first <= step) return std::lower_bound(first, to, 0, below);
        const It probe = to - step;
        if (less(*probe)) return std::lower_bound(probe + 1, to, 0, below);
        to = probe;
    }
}

}  // namespace carve
