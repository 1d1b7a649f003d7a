// A cell's payload from its page and its overflow chain (see PayloadReader.h).
#include "backup/carve/PayloadReader.h"

#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/PageFormat.h"

#include <algorithm>

namespace carve {

PayloadReader::PayloadReader(CarveDatabase& db)
    : db_(db),
      file_(&db.file()),
      pageSize_(db.pageSize()),
      usable_(db.usableSize()),
      maxLocal_(maxLocalPayload(usable_)),
      minLocal_(minLocalPayload(usable_)),
      overflowLeft_(kOverflowReadsPerImage * db.imageCount() + kOverflowReadsAtLeast) {}

bool PayloadReader::read(const uint8_t* page, int64_t at, uint64_t payloadLength, std::string& out, int64_t& localEnd,
                         bool freed, ChainCut* cut, int64_t ownUpTo) {
    if (cut) *cut = {};
    int64_t local = static_cast<int64_t>(payloadLength);
    const bool overflow = local > maxLocal_;
    if (overflow) {
        local = minLocal_ +
                static_cast<int64_t>((payloadLength - minLocal_) % static_cast<uint64_t>(usable_ - kOverflowNextSize));
        if (local > maxLocal_) local = minLocal_;
    }
    localEnd = at + local + (overflow ? kOverflowPointerSize : 0);
    if (at < 0 || localEnd > usable_) return false;
    const auto perPage = static_cast<uint64_t>(usable_ - kOverflowNextSize);
    const auto chainPages =
        overflow ? static_cast<int64_t>((payloadLength - static_cast<uint64_t>(local) + perPage - 1) / perPage) : 0;
    if (chainPages > db_.imageCount()) return false;  // more pages than the database has
    if (overflow && freed && cut && localEnd > ownUpTo && at < ownUpTo) {
        out.assign(reinterpret_cast<const char*>(page + at), static_cast<size_t>(ownUpTo - at));
        cut->ownBytes = out.size();
        localEnd = ownUpTo;
        return true;
    }
    out.assign(reinterpret_cast<const char*>(page + at), static_cast<size_t>(local));
    if (!overflow) return true;
    const uint32_t first = static_cast<uint32_t>(readBigEndian(page, at + local, kPageNumberSize));
    int64_t next = first;
    // A freed row read in part: the bytes before ownBytes are its own, and all that is answered.
    const bool inPart = freed && cut;
    const auto onPage = static_cast<size_t>(local);
    // The images whose bytes the row keeps are its claim on them.
    auto noteChain = [&] {
        cut->read = chains_.add(ChainLog::keyOf(std::string_view(out).substr(0, onPage), first), onPage, taken_);
    };
    auto brokenAt = [&](size_t ownBytes) {
        if (!inPart) return false;
        cut->ownBytes = ownBytes;
        cut->firstPage = first;
        out.resize(ownBytes);
        if (ownBytes > onPage) noteChain();
        return true;
    };
    std::vector<uint8_t>& chunk = chunk_;
    chunk.resize(static_cast<size_t>(usable_));
    chain_.clear();
    taken_.clear();
    int64_t previous = 0;  // the chain's page before next; 0 for the cell's own page
    while (out.size() < payloadLength) {
        const int64_t image = db_.images().imageOf(next, state_);
        if (overflowLeft_ <= 0) return false;
        if (image < 0 || passed(next)) return brokenAt(onPage);
        if (freed && image == db_.images().currentImage(next)) {
            // A free page that went with another chain's page before it holds that chain's bytes.
            if (!db_.freeLeaf(next)) return brokenAt(out.size());
            if (const int64_t with = db_.freedWith(next); with != 0 && with != previous) return brokenAt(out.size());
        }
        previous = next;
        --overflowLeft_;
        taken_.push_back(image);
        file_->copy(image * pageSize_, chunk.size(), chunk.data());
        const size_t take = std::min<size_t>(payloadLength - out.size(), chunk.size() - kOverflowNextSize);
        out.append(reinterpret_cast<const char*>(chunk.data() + kOverflowNextSize), take);
        next = static_cast<int64_t>(readBigEndian(chunk.data(), 0, kPageNumberSize));
    }
    // The last page of a chain names no next one. A page that does was taken since for
    // another row's chain, whose bytes it now holds.
    if (next != 0) return brokenAt(onPage);
    if (inPart) noteChain();
    return true;
}

bool PayloadReader::passed(int64_t page) {
    constexpr size_t kListed = 32;  // a longer chain is looked up in a set
    if (chain_.size() < kListed) {
        if (std::find(chain_.begin(), chain_.end(), page) != chain_.end()) return true;
        chain_.push_back(page);
        if (chain_.size() == kListed) {
            chainSet_ = KeySet();
            for (int64_t p : chain_) chainSet_.insert(static_cast<uint64_t>(p));
        }
        return false;
    }
    return !chainSet_.insert(static_cast<uint64_t>(page));
}

}  // namespace carve
