// The overflow pages deleted rows claim, and who keeps a page claimed twice (see ChainClaims.h).
#include "backup/carve/ChainClaims.h"

#include "backup/carve/RecordValues.h"
#include "backup/carve/ValueKeeper.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace carve {

uint64_t ChainLog::keyOf(std::string_view local, uint32_t firstPage) {
    // The last bytes: a reading of a cell whose head a freeblock took starts its payload at
    // another byte, but ends it at the same page number.
    constexpr size_t kTail = 32;
    const std::string_view tail = local.substr(local.size() - std::min(local.size(), kTail));
    return std::hash<std::string_view>()(tail) ^ (uint64_t{firstPage} * 0x9e3779b97f4a7c15u);
}

uint16_t ChainLog::add(uint64_t key, size_t local, const std::vector<int64_t>& pages) {
    if (pages.empty() || reads_.size() >= kMostReads) return 0;
    reads_.push_back({key, static_cast<uint32_t>(local), static_cast<uint32_t>(images_.size()),
                      static_cast<uint32_t>(pages.size())});
    images_.insert(images_.end(), pages.begin(), pages.end());
    return static_cast<uint16_t>(reads_.size());
}

uint16_t ChainClaims::hold(const ChainLog& log, uint16_t read, const ValueKeeper& keeper) {
    if (read == 0 || held_.size() >= ChainLog::kMostReads) return 0;
    const ChainLog::Read& r = log.read(read);
    Claim c;
    c.key = r.key;
    c.local = r.local;
    c.from = static_cast<uint32_t>(heldImages_.size());
    c.pages = r.pages;
    const std::span<const int64_t> pages = log.pagesOf(r);
    heldImages_.insert(heldImages_.end(), pages.begin(), pages.end());
    c.spansFrom = static_cast<uint32_t>(heldSpans_.size());
    c.spans = static_cast<uint32_t>(keeper.lastSlots());
    for (size_t slot = 0; slot < keeper.lastSlots(); ++slot) {
        Span s;
        s.column = static_cast<uint32_t>(keeper.lastColumn(slot));
        if (keeper.lastStart(slot) < ValueKeeper::kNotKept && keeper.lastEnd(slot) < kNoBytes) {
            s.start = static_cast<uint32_t>(keeper.lastStart(slot));
            s.end = static_cast<uint32_t>(keeper.lastEnd(slot));
        } else {
            s.start = kNoBytes;
        }
        heldSpans_.push_back(s);
    }
    held_.push_back(c);
    return static_cast<uint16_t>(held_.size());
}

void ChainClaims::place(uint16_t claim, size_t shape, size_t row) {
    if (claim == 0 || claim > held_.size()) return;
    Claim c = held_[claim - 1u];
    c.shape = static_cast<uint32_t>(shape);
    c.row = row;
    const auto pages = std::span<const int64_t>(heldImages_).subspan(c.from, c.pages);
    c.from = static_cast<uint32_t>(images_.size());
    images_.insert(images_.end(), pages.begin(), pages.end());
    const auto spans = std::span<const Span>(heldSpans_).subspan(c.spansFrom, c.spans);
    c.spansFrom = static_cast<uint32_t>(spans_.size());
    spans_.insert(spans_.end(), spans.begin(), spans.end());
    claims_.push_back(c);
}

bool cutValuesAt(CarvedRecord& record, const TableShape& shape, std::span<const ChainClaims::Span> spans,
                 size_t cutAt) {
    // The values sit in the table's store, which gave them to this row alone.
    auto* values = const_cast<CarvedValue*>(record.values.data());
    const size_t slots = std::min(spans.size(), record.values.size());
    for (size_t slot = 0; slot < slots; ++slot) {
        const ChainClaims::Span& s = spans[slot];
        if (s.start == ChainClaims::kNoBytes || s.end <= cutAt) continue;
        CarvedValue& v = values[slot];
        if (v.isLost()) continue;
        if (s.start < cutAt && v.type == CarvedValue::text && shape.readsInPart()) {
            // Its start, as far as whole characters go.
            const size_t kept = wholeCharacters(v.bytes, std::min<size_t>(v.length, cutAt - s.start));
            if (kept > 0) {
                v.length = static_cast<uint32_t>(kept);
                v.cut = true;
                continue;
            }
        }
        if (s.column < shape.wholeColumnCount()) return false;
        v = CarvedValue();
        v.type = CarvedValue::lost;
    }
    return true;
}

namespace {

// The ids a row may have: its own where its cell kept it, else those between the rows around it.
struct IdRange {
    int64_t low = 1;
    int64_t high = std::numeric_limits<int64_t>::max();
};

// where its page keeps the order rows are written in, within what the tree allows its page.
IdRange idsOf(const FoundRow& f, const std::vector<LeafBounds>& bounds) {
    const CarvedRecord& r = f.record;
    if (r.rowidKnown && !r.rowidInferred) return {r.rowid, r.rowid};
    IdRange range;
    if (r.rowidBefore > 0) range.low = r.rowidBefore + 1;
    if (r.rowidAfter > 0) range.high = r.rowidAfter - 1;
    const auto page = static_cast<size_t>(r.page);
    if (f.pageInOrder && page < bounds.size() && bounds[page].known) {
        range.low = std::max(range.low, bounds[page].low + 1);
        range.high = std::min(range.high, bounds[page].high);
    }
    return range;
}

// The ids of the rows a row's chain may have been written after: those below its own, but for
// an earlier version of a live row, which an edit wrote at any time after its id was given.
IdRange idRangeOf(const FoundRow& f, const std::vector<LeafBounds>& bounds) {
    IdRange range = idsOf(f, bounds);
    if (f.repeatsLive) range.high = std::numeric_limits<int64_t>::max();
    return range;
}

}  // namespace

void settleClaims(const std::vector<const ChainClaims*>& claims, const std::vector<std::vector<FoundList>*>& parts,
                  const std::vector<TableShape>& shapes, const std::vector<LeafBounds>& bounds, int64_t perPage) {
    // One entry per page image a claim read, sorted by image: the sparse map of claimed pages.
    struct PageClaim {
        int64_t image;
        uint32_t part;
        uint32_t claim;
        uint32_t at;  // the page's place in the claim's chain
    };
    std::vector<PageClaim> pages;
    size_t count = 0;
    for (const ChainClaims* part : claims)
        for (const ChainClaims::Claim& c : part->claims()) count += c.pages;
    if (count == 0) return;
    pages.reserve(count);
    for (size_t p = 0; p < claims.size(); ++p)
        for (size_t k = 0; k < claims[p]->claims().size(); ++k) {
            const std::span<const int64_t> images = claims[p]->pagesOf(claims[p]->claims()[k]);
            for (size_t at = 0; at < images.size(); ++at)
                pages.push_back(
                    {images[at], static_cast<uint32_t>(p), static_cast<uint32_t>(k), static_cast<uint32_t>(at)});
        }
    std::sort(pages.begin(), pages.end(), [](const PageClaim& a, const PageClaim& b) {
        return a.image != b.image ? a.image < b.image : a.part != b.part ? a.part < b.part : a.claim < b.claim;
    });
    auto claimOf = [&](const PageClaim& pc) -> const ChainClaims::Claim& {
        return claims[pc.part]->claims()[pc.claim];
    };
    auto rowOf = [&](const PageClaim& pc) -> FoundRow& {
        const ChainClaims::Claim& c = claimOf(pc);
        return (*parts[pc.part])[c.shape][c.row];
    };
    // Per claim that lost a page, the first such page's place in its chain.
    std::vector<std::vector<uint32_t>> cutAt(claims.size());
    for (size_t p = 0; p < claims.size(); ++p) cutAt[p].assign(claims[p]->claims().size(), UINT32_MAX);
    for (size_t first = 0; first < pages.size();) {
        size_t last = first + 1;
        bool shared = false;
        while (last < pages.size() && pages[last].image == pages[first].image) {
            shared = shared || claimOf(pages[last]).key != claimOf(pages[first]).key;
            ++last;
        }
        if (shared) {
            // The ids each key's rows may have, taken together: the page is the latest row's
            // where every other's ids lie below its own.
            std::vector<std::pair<uint64_t, IdRange>> keys;
            for (size_t k = first; k < last; ++k) {
                const uint64_t key = claimOf(pages[k]).key;
                const IdRange r = idRangeOf(rowOf(pages[k]), bounds);
                auto it = std::find_if(keys.begin(), keys.end(), [&](const auto& e) { return e.first == key; });
                if (it == keys.end()) {
                    keys.emplace_back(key, r);
                } else {
                    it->second.low = std::min(it->second.low, r.low);
                    it->second.high = std::max(it->second.high, r.high);
                }
            }
            uint64_t owner = 0;
            bool owned = false;
            for (const auto& [key, range] : keys) {
                const bool latest = std::all_of(keys.begin(), keys.end(), [&](const auto& other) {
                    return other.first == key || other.second.high < range.low;
                });
                if (latest) {
                    owner = key;
                    owned = true;
                }
            }
            for (size_t k = first; k < last; ++k)
                if (!owned || claimOf(pages[k]).key != owner) {
                    uint32_t& cut = cutAt[pages[k].part][pages[k].claim];
                    cut = std::min(cut, pages[k].at);
                }
        }
        first = last;
    }
    for (size_t p = 0; p < claims.size(); ++p)
        for (size_t k = 0; k < cutAt[p].size(); ++k) {
            if (cutAt[p][k] == UINT32_MAX) continue;
            const ChainClaims::Claim& c = claims[p]->claims()[k];
            FoundRow& f = (*parts[p])[c.shape][c.row];
            const size_t at = c.local + static_cast<size_t>(cutAt[p][k]) * static_cast<size_t>(perPage);
            f.chainCut = true;
            // A row that must hold a value the cut takes is left out, as its reading would be.
            if (!cutValuesAt(f.record, shapes[c.shape], claims[p]->spansOf(c), at)) f.repeatsLive = true;
        }
}

}  // namespace carve
