// The row ids a page's rows leave the rows among them that lost theirs (see PageRowidBounds.h).
#include "backup/carve/PageRowidBounds.h"

#include "backup/carve/CarvedRowid.h"

#include <algorithm>
#include <cstddef>
#include <tuple>
#include <utility>

namespace carve {

void PageRowidBounds::bound(std::vector<FoundRow>& page, const std::vector<uint32_t>& order, int64_t gapEnd) {
    // Rows written one after another lie lower on the page the later they came, so their ids
    // fall as their places rise: there a row that lost its id lies between the rows around
    // it, whether they are cells, freed cells or rows freed into the unallocated gap. A page
    // whose ids do not keep that order took rows into room freed before (or was freed and
    // taken again): its rows are bounded by nothing there.
    // Of the rows in the unallocated gap, only those that fill it from the cells up, one
    // after another, were freed from the top of the cells as they are now (SQLite gives the
    // gap what it frees there); the others are what an older state of the page left, rows
    // that a balance moved away, and neither lie in the order nor bound anything.
    std::vector<uint32_t>& ordered = ordered_;
    ordered.clear();
    int64_t reach = gapEnd;
    for (uint32_t i : order) {
        FoundRow& f = page[i];
        if (f.fromGap && f.end() != reach) {
            f.pageInOrder = false;
            f.record.rowidBefore = f.record.rowidAfter = 0;
            continue;
        }
        if (f.fromGap) reach = f.record.position;
        ordered.push_back(i);
    }
    bool inOrder = true;
    int64_t last = 0;
    for (uint32_t i : ordered) {
        if (!page[i].record.rowidKnown) continue;
        inOrder = inOrder && page[i].record.rowid > last;
        last = page[i].record.rowid;
    }
    if (inOrder)
        boundByNeighbours(page, ordered);
    else
        boundByLocalOrder(page, order);
    dropBoundsAroundKnown(page);
    for (FoundRow& f : page) dropEmptyBounds(f);
}

void PageRowidBounds::boundByNeighbours(std::vector<FoundRow>& page, const std::vector<uint32_t>& order) {
    int64_t known = 0;
    for (uint32_t i : order) {
        page[i].pageInOrder = true;
        page[i].record.rowidBefore = known;
        if (page[i].record.rowidKnown) known = page[i].record.rowid;
    }
    known = 0;
    for (auto i = order.rbegin(); i != order.rend(); ++i) {
        page[*i].record.rowidAfter = known;
        if (page[*i].record.rowidKnown) known = page[*i].record.rowid;
    }
}

void PageRowidBounds::boundByLocalOrder(std::vector<FoundRow>& page, const std::vector<uint32_t>& order) {
    std::vector<int64_t>& ids = ids_;
    ids.clear();
    for (const FoundRow& f : page)
        if (f.record.rowidKnown && !f.fromGap) ids.push_back(f.record.rowid);
    std::sort(ids.begin(), ids.end());
    auto nextTo = [&](int64_t low, int64_t high) {
        const auto at = std::upper_bound(ids.begin(), ids.end(), low);
        return at != ids.end() && *at == high;
    };
    for (FoundRow& f : page) {
        f.pageInOrder = false;
        f.record.rowidBefore = f.record.rowidAfter = 0;
    }
    // From the lowest place up: the whole row below the stretch, and where the stretch of
    // rows above it that lost their ids ends so far, while they fill their room.
    constexpr size_t kNone = SIZE_MAX;
    size_t below = kNone;  // index in order
    int64_t reached = 0;
    bool tiled = true, any = false;
    for (size_t k = order.size(); k-- > 0;) {
        FoundRow& f = page[order[k]];
        if (f.fromGap) {
            tiled = false;
            continue;
        }
        if (!f.record.rowidKnown) {
            tiled = tiled && f.record.position == reached;
            reached = f.end();
            any = true;
            continue;
        }
        if (below != kNone && any && tiled && reached == f.record.position) {
            const int64_t older = f.record.rowid, newer = page[order[below]].record.rowid;
            if (older < newer && nextTo(older, newer))
                for (size_t j = k + 1; j < below; ++j) {
                    page[order[j]].record.rowidBefore = older;
                    page[order[j]].record.rowidAfter = newer;
                }
        }
        below = k;
        reached = f.end();
        tiled = true;
        any = false;
    }
}

void PageRowidBounds::dropBoundsAroundKnown(std::vector<FoundRow>& page) {
    auto bounded = [](const FoundRow& f) {
        const CarvedRecord& r = f.record;
        return !r.rowidKnown && r.rowidBefore > 0 && r.rowidAfter > r.rowidBefore;
    };
    // Most pages hold no row that lost its id: their ids are not sorted for nothing.
    if (std::none_of(page.begin(), page.end(), bounded)) return;
    std::vector<int64_t>& ids = ids_;
    ids.clear();
    for (const FoundRow& f : page)
        if (f.record.rowidKnown) ids.push_back(f.record.rowid);
    std::sort(ids.begin(), ids.end());
    for (FoundRow& f : page) {
        CarvedRecord& r = f.record;
        if (!bounded(f)) continue;
        const auto above = std::upper_bound(ids.begin(), ids.end(), r.rowidBefore);
        if (above == ids.end() || *above >= r.rowidAfter) continue;
        r.rowidBefore = r.rowidAfter = 0;
        f.pageInOrder = false;
    }
}

void dropEmptyBounds(FoundRow& f) {
    CarvedRecord& r = f.record;
    if (r.rowidKnown || r.rowidBefore == 0 || r.rowidAfter == 0 || r.rowidAfter > r.rowidBefore + 1) return;
    r.rowidBefore = r.rowidAfter = 0;
    f.pageInOrder = false;
}

void fillHoles(FoundList& found, const KeyTable& liveIds) {
    // The rows of a page's holes, by hole and each hole's in the order found; made for each page
    // in room kept across the pages.
    struct InHole {
        int64_t before, after;
        size_t index;
        bool operator<(const InHole& o) const {
            return std::tie(before, after, index) < std::tie(o.before, o.after, o.index);
        }
    };
    std::vector<InHole> inHoles;
    std::vector<CarvedRecord*> rows;
    for (size_t from = 0; from < found.size();) {
        size_t to = from;
        while (to < found.size() && found[to].record.page == found[from].record.page) ++to;
        inHoles.clear();
        for (size_t i = from; i < to; ++i) {
            const CarvedRecord& r = found[i].record;
            if (!r.rowidKnown && r.rowidBefore > 0 && r.rowidAfter > r.rowidBefore)
                inHoles.push_back({r.rowidBefore, r.rowidAfter, i});
        }
        std::sort(inHoles.begin(), inHoles.end());
        for (size_t next = 0; next < inHoles.size();) {
            const std::pair<int64_t, int64_t> hole(inHoles[next].before, inHoles[next].after);
            rows.clear();
            for (; next < inHoles.size() && inHoles[next].before == hole.first && inHoles[next].after == hole.second;
                 ++next)
                rows.push_back(&found[inHoles[next].index].record);
            if (hole.second - hole.first - 1 != static_cast<int64_t>(rows.size())) continue;
            bool liveWithin = false;
            for (int64_t id = hole.first + 1; id < hole.second && !liveWithin; ++id)
                liveWithin = liveIds.contains(static_cast<uint64_t>(id));
            if (liveWithin) continue;
            std::sort(rows.begin(), rows.end(),
                      [](const CarvedRecord* a, const CarvedRecord* b) { return a->position > b->position; });
            // What is left of a row's id must agree, or the rows are not those of the hole.
            bool agree = true;
            for (size_t k = 0; k < rows.size(); ++k)
                agree = agree && tailAdmits(*rows[k], hole.first + 1 + static_cast<int64_t>(k));
            if (!agree) continue;
            for (size_t k = 0; k < rows.size(); ++k) {
                rows[k]->rowid = hole.first + 1 + static_cast<int64_t>(k);
                rows[k]->rowidKnown = true;
                rows[k]->rowidInferred = true;
            }
        }
        from = to;
    }
}

}  // namespace carve
