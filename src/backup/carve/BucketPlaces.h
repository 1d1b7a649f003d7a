// The steps shared by the tables of keys made from several threads' lists: the keys are put in
// buckets (by the top bits of their values), each list's keys of a bucket after those of the
// lists before it, and then each bucket is sorted on its own.
#pragma once

#include "backup/carve/InParallel.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace carve {

// counts[l][b], how many of list l's keys fall in bucket b, becomes where list l's first key of
// bucket b goes; starts is made where each bucket starts, and the end.
template <class Counts, class Starts>
void placeBuckets(std::vector<Counts>& counts, size_t buckets, Starts& starts) {
    starts.assign(buckets + 1, 0);
    size_t next = 0;
    for (size_t b = 0; b < buckets; ++b) {
        starts[b] = next;
        for (Counts& list : counts) {
            const size_t count = list[b];
            list[b] = next;
            next += count;
        }
    }
    starts[buckets] = next;
}

// Sorts each bucket of keys on up to threads threads, a few dozen buckets a job.
template <class Key, class Starts>
void sortBuckets(Key* keys, const Starts& starts, size_t buckets, size_t threads) {
    const size_t perJob = std::max<size_t>(buckets / 64, 1);
    inParallel((buckets + perJob - 1) / perJob, threads, [&](size_t job, size_t) {
        for (size_t b = job * perJob; b < std::min(buckets, (job + 1) * perJob); ++b)
            std::sort(keys + starts[b], keys + starts[b + 1]);
    });
}

}  // namespace carve
