#include "backup/carve/KeyPairTable.h"

#include "backup/carve/BucketPlaces.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/SearchFrom.h"

#include <algorithm>

namespace carve {

namespace {
// Buckets of a few dozen pairs.
constexpr size_t kPairsPerBucket = 32;
// At most 4,096 buckets: each part counts its pairs per bucket while the table is made.
constexpr int kMostBits = 12;
}  // namespace

void KeyPairTable::build(std::vector<KeyPairs>& parts, size_t threads) {
    size_t total = 0;
    for (const KeyPairs& part : parts) total += part.size();
    bits_ = 0;
    while (bits_ < kMostBits && (size_t{1} << bits_) * kPairsPerBucket < total) ++bits_;
    const size_t buckets = size_t{1} << bits_;
    // Each part's count per bucket, then where its pairs of each bucket go.
    std::vector<std::vector<size_t>> at(parts.size(), std::vector<size_t>(buckets, 0));
    inParallel(parts.size(), threads, [&](size_t p, size_t) {
        for (const KeyPair& pair : parts[p]) ++at[p][bucketOf(pair.first)];
    });
    placeBuckets(at, buckets, starts_);
    KeyPairs().swap(pairs_);
    pairs_.resize(total);
    inParallel(parts.size(), threads, [&](size_t p, size_t) {
        for (const KeyPair& pair : parts[p]) pairs_[at[p][bucketOf(pair.first)]++] = pair;
        KeyPairs().swap(parts[p]);
    });
    sortBuckets(pairs_.data(), starts_, buckets, threads);
}

std::span<const KeyPair> KeyPairTable::of(uint64_t key) const {
    const size_t b = bucketOf(key);
    const KeyPair* from = pairs_.data() + starts_[b];
    const KeyPair* to = pairs_.data() + starts_[b + 1];
    const KeyPair* guess = from + guessedPlace(bits_ == 0 ? key : key << bits_, static_cast<size_t>(to - from));
    const KeyPair* first = lowerBoundFrom(from, to, guess, [&](const KeyPair& pair) { return pair.first < key; });
    const KeyPair* end = first;
    while (end != to && end->first == key) ++end;
    return {first, end};
}

void KeyPairTable::prefetch(uint64_t key) const {
    const size_t b = bucketOf(key);
    const size_t from = starts_[b];
    __builtin_prefetch(pairs_.data() + from +
                       guessedPlace(bits_ == 0 ? key : key << bits_, static_cast<size_t>(starts_[b + 1] - from)));
}

}  // namespace carve
