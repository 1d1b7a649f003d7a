#include "backup/carve/KeyPairTable.h"

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
    starts_.assign(buckets + 1, 0);
    size_t next = 0;
    for (size_t b = 0; b < buckets; ++b) {
        starts_[b] = next;
        for (std::vector<size_t>& counts : at) {
            const size_t count = counts[b];
            counts[b] = next;
            next += count;
        }
    }
    starts_[buckets] = next;
    KeyPairs().swap(pairs_);
    pairs_.resize(total);
    inParallel(parts.size(), threads, [&](size_t p, size_t) {
        for (const KeyPair& pair : parts[p]) pairs_[at[p][bucketOf(pair.first)]++] = pair;
        KeyPairs().swap(parts[p]);
    });
    const size_t perJob = std::max<size_t>(buckets / 64, 1);
    inParallel((buckets + perJob - 1) / perJob, threads, [&](size_t job, size_t) {
        for (size_t b = job * perJob; b < std::min(buckets, (job + 1) * perJob); ++b)
            std::sort(pairs_.begin() + static_cast<ptrdiff_t>(starts_[b]),
                      pairs_.begin() + static_cast<ptrdiff_t>(starts_[b + 1]));
    });
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

}  // namespace carve
