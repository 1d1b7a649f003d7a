// The row ids a page's rows leave a row that lost its own: rows written one after another lie
// lower on the page the later they came, so on a page that keeps that order a row without its
// id lies between the whole rows around it, and rows that fill the hole between two ids to the
// last one take those ids. A page that took rows into room freed before keeps the order only in
// stretches, and bounds only what fills such a stretch to the byte.
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/FoundRow.h"
#include "backup/carve/KeyTable.h"

#include <cstdint>
#include <vector>

namespace carve {

// Bounds the rows of a page, one shape's, as the walk ends the page; scratch kept across pages.
class PageRowidBounds {
public:
    // Sets each row's rowidBefore, rowidAfter and pageInOrder. order: the page's rows by place,
    // highest first; gapEnd: where the page's unallocated gap ends, as the rows' places count.
    void bound(std::vector<FoundRow>& page, const std::vector<uint32_t>& order, int64_t gapEnd);

private:
    // Each row of an in-order page (order: by place, highest first) is bounded by the nearest
    // rows around it whose ids were read.
    static void boundByNeighbours(std::vector<FoundRow>& page, const std::vector<uint32_t>& order);

    // A page that took rows into room freed before keeps the order rows are written in only in
    // stretches: rows written into the gap lie one below the other, each cell ending where the
    // one before it starts, while a row written into a freed cell lands among older ones and
    // (being no longer than the room it took) leaves some of it free. So rows that lost their ids
    // are bounded by the whole rows around them only where, together, they fill the room between
    // those two whole rows to the byte, and those two are also next to each other among the
    // page's ids, the older one higher. Any other row of such a page is bounded by nothing.
    // order: the page's rows by place, highest first.
    void boundByLocalOrder(std::vector<FoundRow>& page, const std::vector<uint32_t>& order);

    // A row whose bounds hold the id of another row of the page, which lies elsewhere, is
    // bounded by nothing: that row was written anew at another place (an edit that changed its
    // length), so rows here were not written in the order of their ids, and the hole between
    // the two around it is no count of the rows it held.
    void dropBoundsAroundKnown(std::vector<FoundRow>& page);

    std::vector<uint32_t> ordered_;  // the rows that keep the page's order, by place, highest first
    std::vector<int64_t> ids_;       // scratch of boundByLocalOrder()
};

// Whether r, a row that lost its id, is bounded by whole rows on both sides.
inline bool isBounded(const CarvedRecord& r) { return r.rowidBefore > 0 && r.rowidAfter > r.rowidBefore; }

// A row that lost its id between rows whose ids leave none between them is no row of their
// order: bytes a balance left in the gap from before it wrote the page anew. It is bounded by
// nothing.
void dropEmptyBounds(FoundRow& f);

// Rows that lost their ids and fill the whole hole between two rows of their page whose ids
// were read, as many rows as ids between them: on a page whose ids keep the order rows are
// written in, they take those ids in the order of their places, the first highest. A hole that
// holds the id of a live row (liveIds), which lies elsewhere, is no count of its rows: that row
// was written anew (an edit), and one of the rows here may be its old copy.
// found: a part's deleted rows of one shape, page after page.
void fillHoles(FoundList& found, const KeyTable& liveIds);

}  // namespace carve
