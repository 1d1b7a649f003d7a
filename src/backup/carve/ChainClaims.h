// Which deleted rows claim which overflow pages. A deleted row's overflow pages go to the free
// list; a later row may take some of them and be deleted in turn. Where it took the last pages of
// the first row's chain as its own last pages, the first row's chain still reads as whole (each
// link in place, the last page ending it), and would carry the later row's words. So every
// deleted row whose payload was read from overflow pages claims the page images it read; once
// every part of the walk is done, a page image claimed by two rows belongs to the later one
// where their ids tell which that is, and to neither where they do not (an earlier version of a
// live row, which an edit wrote at any time since its id was given, is never told the earlier),
// and a row that lost a page keeps only the bytes of its payload before it (its text cut short
// there, marked partial).
// A live row's pages are in use, and no deleted row's chain reads them (see PayloadReader::read):
// they are never claimed.
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/FoundRow.h"
#include "backup/carve/TreeBounds.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace carve {

class ValueKeeper;

// The chains that the payload reader followed for deleted rows while one page was read: each
// with the images of the overflow pages whose bytes the row kept, in the chain's order.
class ChainLog {
public:
    struct Read {
        uint64_t key = 0;    // of the row that read it (see ChainLog::keyOf)
        uint32_t local = 0;  // payload bytes on the cell's own page, before the first overflow page's
        uint32_t from = 0;   // its first image in images
        uint32_t pages = 0;  // how many
    };
    // A page reads few chains; crafted pages that read more than this leave the rest unclaimed.
    static constexpr size_t kMostReads = 65535;

    // Which row read a chain: its first page and the last bytes of the payload on the cell's
    // page, the same in every copy of the row (a stale copy left by a balance, an older image of
    // its page, a reading of its cell whose head a freeblock took) and different between rows.
    static uint64_t keyOf(std::string_view local, uint32_t firstPage);

    // Notes a chain read (pages, the images whose bytes the row kept); its number for
    // ChainCut::read, 0 when none is noted (no page, or too many reads on the page).
    uint16_t add(uint64_t key, size_t local, const std::vector<int64_t>& pages);
    const Read& read(uint16_t number) const { return reads_[number - 1u]; }
    std::span<const int64_t> pagesOf(const Read& read) const { return {images_.data() + read.from, read.pages}; }
    void clear() {
        reads_.clear();
        images_.clear();
    }

private:
    std::vector<Read> reads_;
    std::vector<int64_t> images_;
};

// The claims of one part of the walk: those of the rows kept on the page being read wait there
// until the page ends and its deleted rows take their places in the part's lists.
class ChainClaims {
public:
    // Holds the claim of a deleted row just read from the page (read: its chain's number in
    // log, see ChainCut::read), with where its values lie in its payload (keeper, which kept
    // them last). Answers the number FoundRow::claim keeps, 0 for none.
    uint16_t hold(const ChainLog& log, uint16_t read, const ValueKeeper& keeper);
    // The row holding claim took its place: row of the part's deleted rows of shape.
    void place(uint16_t claim, size_t shape, size_t row);
    // The page is done: the claims of rows not placed (live ones) go.
    void endPage() {
        held_.clear();
        heldImages_.clear();
        heldSpans_.clear();
    }

    // Where a value lies in a row's payload, and its column; a start of kNoBytes for a value
    // left NULL or lost.
    struct Span {
        uint32_t start = 0;
        uint32_t end = 0;
        uint32_t column = 0;
    };
    static constexpr uint32_t kNoBytes = UINT32_MAX;

    struct Claim {
        uint64_t key = 0;
        uint32_t shape = 0;
        uint32_t local = 0;
        size_t row = 0;
        uint32_t from = 0, pages = 0;  // its images in images()
        uint32_t spansFrom = 0, spans = 0;
    };
    const std::vector<Claim>& claims() const { return claims_; }
    std::span<const int64_t> pagesOf(const Claim& c) const { return {images_.data() + c.from, c.pages}; }
    std::span<const Span> spansOf(const Claim& c) const { return {spans_.data() + c.spansFrom, c.spans}; }

private:
    std::vector<Claim> claims_, held_;
    std::vector<int64_t> images_, heldImages_;
    std::vector<Span> spans_, heldSpans_;
};

// Gives each overflow page image that rows of different keys claimed to the latest of them, or
// to none where their ids do not tell which came last, and cuts each row that lost a page at
// that page: its payload's bytes from there on are lost (a text the cut runs through keeps its
// start where the shape reads rows in part; a row that must hold a lost value whole is left out).
// claims and parts: each part's claims and its deleted rows by shape (the rows the claims name);
// bounds: the ids the tree allows each page image (see TreeBounds.h); perPage: the payload bytes
// an overflow page holds.
void settleClaims(const std::vector<const ChainClaims*>& claims, const std::vector<std::vector<FoundList>*>& parts,
                  const std::vector<TableShape>& shapes, const std::vector<LeafBounds>& bounds, int64_t perPage);

// Cuts a row's values at byte cutAt of its payload (spans: where each lies there), as a chain
// that broke there leaves them. False when the row must hold a value whole that the cut takes.
bool cutValuesAt(CarvedRecord& record, const TableShape& shape, std::span<const ChainClaims::Span> spans, size_t cutAt);

}  // namespace carve
