#include "backup/carve/KeyTable.h"

#include "backup/carve/BucketPlaces.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/SearchFrom.h"

#include <algorithm>

namespace carve {

namespace {
// Buckets of a few dozen keys: a question reads the bucket's bounds and a cache line or two.
constexpr size_t kKeysPerBucket = 32;
// At most 65,536 buckets: each list counts its keys per bucket while the table is made.
constexpr int kMostBits = 16;
// Fewer keys than this a thread are not worth one.
constexpr size_t kKeysPerThread = 65536;
}  // namespace

void KeyTable::build(const std::vector<KeyList*>& lists, size_t threads) {
    size_ = 0;
    for (const KeyList* list : lists) size_ += list->size();
    // A kind of key that few rows give is put together on this thread: starting threads would
    // take longer than the keys.
    threads = std::min(threads, threadsFor(size_, kKeysPerThread));
    bits_ = 0;
    while (bits_ < kMostBits && (size_t{1} << bits_) * kKeysPerBucket < size_) ++bits_;
    const size_t buckets = size_t{1} << bits_;
    // Each list's count per bucket, then where its keys of each bucket go.
    std::vector<mapped::Vector<size_t>> at(lists.size(), mapped::Vector<size_t>(buckets, 0));
    inParallel(lists.size(), threads,
               [&](size_t l, size_t) { lists[l]->forEach([&](uint64_t key) { ++at[l][bucketOf(spread(key))]; }); });
    placeBuckets(at, buckets, starts_);
    keys_ = mapped::Room<uint64_t>(std::max<size_t>(size_, 1));
    inParallel(lists.size(), threads, [&](size_t l, size_t) {
        lists[l]->forEach([&](uint64_t key) {
            const uint64_t k = spread(key);
            keys_[at[l][bucketOf(k)]++] = k;
        });
        lists[l]->clear();
    });
    sortBuckets(keys_.get(), starts_, buckets, threads);
}

bool KeyTable::contains(uint64_t key) const {
    if (size_ == 0) return false;
    const uint64_t k = spread(key);
    const size_t b = bucketOf(k);
    const uint64_t* first = keys_.get() + starts_[b];
    const uint64_t* last = keys_.get() + starts_[b + 1];
    const uint64_t* guess = first + guessedPlace(bits_ == 0 ? k : k << bits_, static_cast<size_t>(last - first));
    const uint64_t* at = lowerBoundFrom(first, last, guess, [&](uint64_t held) { return held < k; });
    return at != last && *at == k;
}

void KeyTable::prefetch(uint64_t key) const {
    if (size_ == 0) return;
    const uint64_t k = spread(key);
    const size_t b = bucketOf(k);
    const size_t first = starts_[b];
    __builtin_prefetch(keys_.get() + first +
                       guessedPlace(bits_ == 0 ? k : k << bits_, static_cast<size_t>(starts_[b + 1] - first)));
}

}  // namespace carve
