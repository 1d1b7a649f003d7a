// The row ids a carved row may have (see CarvedRowid.h).
#include "backup/carve/CarvedRowid.h"

#include "backup/carve/Varint.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace carve {

bool admitsRowid(const CarvedRecord& r, int64_t x) {
    if (r.rowidKnown) return r.rowid == x;
    return x > 0 && (r.rowidBefore == 0 || r.rowidBefore < x) && (r.rowidAfter == 0 || x < r.rowidAfter) &&
           tailAdmits(r, x);
}

bool couldHaveHad(const CarvedRecord& r, int64_t x) {
    if (r.rowidKnown && !r.rowidInferred) return r.rowid == x;
    if ((r.rowidBefore > 0 && x <= r.rowidBefore) || (r.rowidAfter > 0 && x >= r.rowidAfter)) return false;
    if (!r.rowidKnown) return tailAdmits(r, x);
    return x > 0 && (x & ((int64_t{1} << r.rowidTailBits) - 1)) == r.rowidTail;
}

std::pair<int64_t, int64_t> tailRange(const CarvedRecord& r) {
    // SQLite writes a varint in as few bytes as hold it: n bytes hold the ids from 2^(7(n-1)).
    if (r.rowidKnown || r.rowidLength == 0 || r.rowidLength > kSevenBitBytes) return {1, INT64_MAX};
    const int fewest = std::max(1, r.rowidTailBits / kVarintBits);
    return {fewest == 1 ? 1 : int64_t{1} << (kVarintBits * fewest - kVarintBits),
            (int64_t{1} << (kVarintBits * r.rowidLength)) - 1};
}

bool tailAdmits(const CarvedRecord& r, int64_t x) {
    if (r.rowidKnown) return true;
    const auto [low, high] = tailRange(r);
    const int64_t mask = (int64_t{1} << r.rowidTailBits) - 1;
    return x >= low && x <= high && (x & mask) == r.rowidTail;
}

std::optional<int64_t> onlyRowid(const CarvedRecord& r) {
    if (r.rowidKnown) return r.rowid;
    if (r.rowidBefore <= 0 || r.rowidAfter <= r.rowidBefore) return std::nullopt;
    const auto [low, high] = tailRange(r);
    const int64_t from = std::max(r.rowidBefore + 1, low), to = std::min(r.rowidAfter - 1, high);
    const int64_t step = int64_t{1} << r.rowidTailBits;
    const int64_t first = from + ((r.rowidTail - from) & (step - 1));
    if (first > to || first + step <= to) return std::nullopt;
    return first;
}

}  // namespace carve
