#include "MarkerSearch.h"

#include "backup/carve/InParallel.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

namespace carvequality {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Whether marker lies at at, with no digit after a numbered one.
bool markerAt(std::string_view bytes, const MarkerText& marker, size_t at) {
    const std::string_view text = marker.text;
    if (at + text.size() > bytes.size() || bytes.compare(at, text.size(), text) != 0) return false;
    const size_t after = at + text.size();
    return !marker.numbered || after >= bytes.size() || !isDigit(bytes[after]);
}

// Markers are found by eight of their bytes (a gram), or, when they are long enough, by two or
// four grams side by side: every place of the file is looked up by the key of the gram, and of
// the two and four grams, that start there. Each marker is looked for by its rarest key, so that
// a gram many markers share ("+1555", "@example.com") or that the file holds everywhere (two
// common words) does not make every place it occurs check them all. Sixteen bytes of text written
// in everyday words still recur all over a large file, and more often the larger it is, while
// the markers looked for grow with it too: a stretch of a long message is looked for by 32 of
// its bytes, which few other places hold.
constexpr size_t kGram = 8;

// Markers shorter than a gram (a place's name and its row's number) are found by their first
// four bytes, in the same walk through the file.
constexpr size_t kShortGram = 4;

uint32_t shortGramAt(const char* p) {
    uint32_t gram;
    std::memcpy(&gram, p, kShortGram);
    return gram;
}

uint64_t gramAt(const char* p) {
    uint64_t gram;
    std::memcpy(&gram, p, kGram);
    return gram;
}

uint64_t spread(uint64_t gram) {
    gram ^= gram >> 33;
    gram *= 0xff51afd7ed558ccdULL;
    gram ^= gram >> 33;
    gram *= 0xc4ceb9fe1a85ec53ULL;
    return gram ^ (gram >> 33);
}

// The key of one gram at p, or of two side by side.
uint64_t singleKey(const char* p) { return spread(gramAt(p)); }
uint64_t pairKey(const char* p) { return spread(gramAt(p) ^ spread(gramAt(p + kGram))); }
// Of four grams: two pairs side by side (the second pair's key turned, so that the pairs'
// order counts).
uint64_t quadKey(const char* p) {
    const uint64_t second = pairKey(p + 2 * kGram);
    return spread(pairKey(p) ^ (second << 17 | second >> 47));
}
// How many grams a marker of size bytes is looked for by: one, two or four side by side.
size_t gramsFor(size_t size) { return size >= 4 * kGram ? 4 : size >= 2 * kGram ? 2 : 1; }
uint64_t keyOf(const char* p, size_t grams) { return grams == 4 ? quadKey(p) : grams == 2 ? pairKey(p) : singleKey(p); }
uint64_t shortKey(const char* p) { return spread(shortGramAt(p)); }

struct Anchor {
    uint64_t key;
    uint32_t marker;
    uint32_t offset;  // of the key's bytes in the marker
};

// The anchors by key: a filter of one bit per key, small enough to stay in the cache while most
// places of the file are ruled out by it, then a table of the distinct keys.
class AnchorTable {
public:
    explicit AnchorTable(std::vector<Anchor> anchors) : anchors_(std::move(anchors)) {
        std::sort(anchors_.begin(), anchors_.end(), [](const Anchor& a, const Anchor& b) { return a.key < b.key; });
        size_t slots = 16;
        while (slots < 2 * anchors_.size()) slots *= 2;
        slots_.assign(slots, 0);
        // About sixteen bits a key, so that most places of the file are ruled out by one bit, in
        // as few bits as that takes: a small filter stays in the faster caches.
        filterBits_ = 12;
        while (filterBits_ < kMostFilterBits && (size_t{1} << filterBits_) < 16 * anchors_.size()) ++filterBits_;
        filter_.assign(size_t{1} << filterBits_ >> 6, 0);
        for (size_t i = 0; i < anchors_.size(); ++i) {
            if (i > 0 && anchors_[i].key == anchors_[i - 1].key) continue;
            const uint64_t bit = anchors_[i].key >> (64 - filterBits_);
            filter_[bit >> 6] |= uint64_t{1} << (bit & 63);
            const uint64_t h = anchors_[i].key;
            size_t s = h & (slots_.size() - 1);
            while (slots_[s]) s = (s + 1) & (slots_.size() - 1);
            slots_[s] = static_cast<uint32_t>(i + 1);
        }
    }
    bool empty() const { return anchors_.empty(); }

    // The anchors of key, as [first, last); empty when none.
    std::pair<const Anchor*, const Anchor*> find(uint64_t key) const {
        const uint64_t bit = key >> (64 - filterBits_);
        if (!(filter_[bit >> 6] >> (bit & 63) & 1)) return {nullptr, nullptr};
        for (size_t s = key & (slots_.size() - 1); slots_[s]; s = (s + 1) & (slots_.size() - 1)) {
            const Anchor* first = &anchors_[slots_[s] - 1];
            if (first->key != key) continue;
            const Anchor* last = first;
            while (last != anchors_.data() + anchors_.size() && last->key == key) ++last;
            return {first, last};
        }
        return {nullptr, nullptr};
    }

private:
    static constexpr int kMostFilterBits = 26;  // 8 MB
    int filterBits_ = 12;
    std::vector<Anchor> anchors_;
    std::vector<uint32_t> slots_;  // index of a key's first anchor plus one; 0 free
    std::vector<uint64_t> filter_;
};

}  // namespace

size_t findMarker(std::string_view bytes, const MarkerText& marker, size_t at) {
    if (marker.text.empty()) return std::string_view::npos;
    for (at = bytes.find(marker.text, at); at != std::string_view::npos; at = bytes.find(marker.text, at + 1))
        if (markerAt(bytes, marker, at)) return at;
    return std::string_view::npos;
}

std::vector<bool> markersFound(std::string_view bytes, const std::vector<MarkerText>& markers, bool split) {
    const size_t n = markers.size();
    auto found = std::make_unique<std::atomic<bool>[]>(n);
    // How often each key lies in the markers and in a sample of the file, roughly (counted by
    // their hash), to choose anchors.
    constexpr int kCountBits = 22;
    constexpr size_t kSampleStep = 61;
    std::vector<uint32_t> counts(size_t{1} << kCountBits, 0);
    auto countOf = [&](uint64_t key) -> uint32_t& { return counts[key >> (64 - kCountBits)]; };
    auto keys = [&](std::string_view text, const std::function<void(size_t, size_t)>& each) {
        const size_t grams = gramsFor(text.size());
        for (size_t o = 0; o + grams * kGram <= text.size(); ++o) each(o, grams);
    };
    for (const MarkerText& marker : markers) {
        if (marker.text.size() < kGram) {
            for (size_t o = 0; o + kShortGram <= marker.text.size(); ++o) ++countOf(shortKey(marker.text.data() + o));
            continue;
        }
        keys(marker.text, [&](size_t o, size_t grams) { ++countOf(keyOf(marker.text.data() + o, grams)); });
    }
    for (size_t at = 0; at + 4 * kGram <= bytes.size(); at += kSampleStep) {
        ++countOf(singleKey(bytes.data() + at));
        ++countOf(pairKey(bytes.data() + at));
        ++countOf(quadKey(bytes.data() + at));
        ++countOf(shortKey(bytes.data() + at));
    }
    std::vector<Anchor> singles, pairs, quads, shorts;
    for (size_t m = 0; m < n; ++m) {
        const std::string_view marker = markers[m].text;
        if (marker.empty()) {
            found[m] = true;
        } else if (marker.size() < kShortGram) {
            found[m] = findMarker(bytes, markers[m]) != std::string_view::npos;  // few: a word or two
        } else if (marker.size() < kGram) {
            size_t best = 0;
            for (size_t o = 1; o + kShortGram <= marker.size(); ++o)
                if (countOf(shortKey(marker.data() + o)) < countOf(shortKey(marker.data() + best))) best = o;
            shorts.push_back({shortKey(marker.data() + best), static_cast<uint32_t>(m), static_cast<uint32_t>(best)});
        } else {
            size_t best = 0;
            const size_t grams = gramsFor(marker.size());
            keys(marker, [&](size_t o, size_t) {
                if (countOf(keyOf(marker.data() + o, grams)) < countOf(keyOf(marker.data() + best, grams))) best = o;
            });
            (grams == 4   ? quads
             : grams == 2 ? pairs
                          : singles)
                .push_back({keyOf(marker.data() + best, grams), static_cast<uint32_t>(m), static_cast<uint32_t>(best)});
        }
    }
    std::vector<uint32_t>().swap(counts);
    const AnchorTable single(std::move(singles)), paired(std::move(pairs)), quadded(std::move(quads)),
        shortOnes(std::move(shorts));
    const size_t places = bytes.size() >= kShortGram ? bytes.size() - kShortGram + 1 : 0;
    constexpr size_t kPlacesPerStretch = size_t{1} << 22;
    carve::inStretches(places, kPlacesPerStretch, 0, [&](size_t from, size_t to, size_t) {
        auto check = [&](std::pair<const Anchor*, const Anchor*> anchors, size_t p) {
            for (const Anchor* a = anchors.first; a != anchors.second; ++a) {
                if (a->offset > p || found[a->marker].load(std::memory_order_relaxed)) continue;
                if (markerAt(bytes, markers[a->marker], p - a->offset))
                    found[a->marker].store(true, std::memory_order_relaxed);
            }
        };
        for (size_t p = from; p < to; ++p) {
            if (!shortOnes.empty()) check(shortOnes.find(shortKey(bytes.data() + p)), p);
            if (p + kGram > bytes.size()) continue;
            if (!single.empty()) check(single.find(singleKey(bytes.data() + p)), p);
            if (!paired.empty() && p + 2 * kGram <= bytes.size()) check(paired.find(pairKey(bytes.data() + p)), p);
            if (!quadded.empty() && p + 4 * kGram <= bytes.size()) check(quadded.find(quadKey(bytes.data() + p)), p);
        }
    });
    std::vector<bool> result(n);
    for (size_t m = 0; m < n; ++m) result[m] = found[m].load(std::memory_order_relaxed);
    // A stretch of a long value not found whole may lie across the end of a page, where the value
    // runs on into its overflow pages: it counts as found when it splits into two parts, each a
    // gram long at least, that are both in the file (a page may end a few letters before the
    // stretch does, or a few after it starts). A start of a stretch in the file means every
    // shorter start is, and so for its ends: so the longest start in the file, found by halving
    // (a pass of one text a stretch each time), leaves one end to look for, the shortest that
    // joins it. (Every split looked for at once made short, common parts that the larger the
    // file, the more often each place of it had to check.)
    struct Halving {
        size_t marker;
        size_t low, high;  // the longest start in the file is at least low bytes and below high
    };
    std::vector<Halving> halvings;
    for (size_t m = 0; m < n; ++m) {
        const size_t size = markers[m].text.size();
        // Starts of kGram to size - kGram bytes; kGram - 1 stands for none.
        if (split && !result[m] && markers[m].mayBeSplit && size >= 4 * kGram)
            halvings.push_back({m, kGram - 1, size - kGram + 1});
    }
    for (;;) {
        std::vector<MarkerText> parts;
        std::vector<size_t> asked;  // per part: its halving
        for (size_t h = 0; h < halvings.size(); ++h)
            if (halvings[h].high - halvings[h].low > 1) {
                parts.push_back({markers[halvings[h].marker].text.substr(0, (halvings[h].low + halvings[h].high) / 2)});
                asked.push_back(h);
            }
        if (parts.empty()) break;
        const std::vector<bool> partFound = markersFound(bytes, parts, false);
        for (size_t k = 0; k < parts.size(); ++k)
            (partFound[k] ? halvings[asked[k]].low : halvings[asked[k]].high) = parts[k].text.size();
    }
    // The end after the longest start (a gram long at least, as the start is) completes it.
    std::vector<MarkerText> ends;
    std::vector<size_t> endOf;
    for (const Halving& v : halvings) {
        const MarkerText& marker = markers[v.marker];
        if (v.low < kGram) continue;
        ends.push_back({marker.text.substr(v.low), marker.numbered});
        endOf.push_back(v.marker);
    }
    if (ends.empty()) return result;
    const std::vector<bool> endFound = markersFound(bytes, ends, false);
    for (size_t k = 0; k < ends.size(); ++k) result[endOf[k]] = endFound[k];
    return result;
}

}  // namespace carvequality
