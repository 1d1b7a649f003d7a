// The page walk of one part of a database file: each page image read in turn, its kind told by
// its first byte. A table leaf gives its cells (live rows, or deleted ones on a page gone from
// the database as folded), the cells in its freeblocks and the rows left in its unallocated gap;
// an interior table page gives its children for the tree's bounds (TreeBounds.h) and, as an
// index page does, the rows left in its gap; a freed page of another kind is looked through
// whole. The cells are read by CellReader; when a page is done, the row ids its rows leave one
// another are worked out (PageRowidBounds.h), the live rows are answered and listed (LiveKeys.h), and
// the deleted ones wait for the finish (FinishRows.h).
#pragma once

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveFile.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/CellReader.h"
#include "backup/carve/ChainClaims.h"
#include "backup/carve/CurrentCells.h"
#include "backup/carve/FoundRow.h"
#include "backup/carve/LiveKeys.h"
#include "backup/carve/PageRowidBounds.h"
#include "backup/carve/PayloadReader.h"
#include "backup/carve/TreeBounds.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace carve {

class PageCarver {
public:
    PageCarver(CarveDatabase& db, const std::vector<TableShape>& shapes);

    // Pages [from, to), upwards, each brought into the reader's window with its neighbours.
    // Read through reader, the thread's own; the keys of the live rows found are listed in live.
    void carvePages(int64_t from, int64_t to, CarveFile& reader, LiveLists& live);

    // Per shape: the live rows found, answered as the shape asks, and the store of every row's values.
    std::vector<CarvedTable>& tables() { return tables_; }
    // Per shape: the deleted rows found, in the order of their pages, for the finish.
    std::vector<FoundList>& deleted() { return deleted_; }
    // Deleted rows that are a live row's copy from before an edit but for a text that tells a row
    // only where no other live row of the file holds it (a bookmark's address: the bookmarks of
    // one site share theirs): where each lies, and the key of that text (see textKey() in
    // LiveKeys.h). The live rows of their shapes are kept (LiveRows::values) to count them.
    struct PendingCopy {
        size_t shape;
        int64_t position;
        uint64_t text;
    };
    const std::vector<PendingCopy>& pendingCopies() const { return pending_; }
    // Per shape that digests its live rows (LiveRows::digest), whose values are then not kept:
    // the keys of their texts in the columns such copies are counted by, for the same count.
    const std::vector<std::vector<uint64_t>>& liveTextKeys() const { return liveTextKeys_; }
    // What the pages read told of the tables' trees.
    const TreePages& tree() const { return tree_; }
    // The overflow pages the deleted rows found claim (see ChainClaims.h).
    const ChainClaims& claims() const { return claims_; }
    int64_t examined() const { return examined_; }        // pages read and looked through
    int64_t headerPages() const { return headerPages_; }  // images of the header page, left

private:
    // A freed page is looked through past its first eight bytes: a leaf page's header, or a
    // free-list trunk page's next trunk and count of leaves.
    static constexpr int64_t kFreedPageFrom = 8;
    static constexpr int64_t kLongestHead = 6;  // a freeblock's four bytes and the header's length

    // One page image, at pageStart in the file: the header page and pointer-map pages are left,
    // any other is read and its rows of each shape ended.
    void carvePage(int64_t index, int64_t pageStart);
    // The rows of the page, by its kind.
    void readPage(int64_t index, int64_t pageStart);
    // Notes an interior table page of the tree (see Interior). The children are named by their pages; the tree is the
    // folded database's, so each is taken as that database's image of its page.
    void readInterior(int64_t index);
    // The unallocated gap of an interior or index page. A table's root page that filled up moved
    // its rows to a new child and became an interior page with a few short cells: the rows it
    // held stay below its cell pointers. A freed leaf taken again for an index keeps its old
    // rows there the same way.
    void scanOtherPageGap(int64_t index, int64_t pageStart, uint8_t type);
    // A page's unallocated gap keeps rows of older states of the page; cells written since (those
    // at its foot, and older ones a later state wrote over the gap) took the tails of some.
    void scanGap(int64_t index, int64_t pageStart, int64_t from, int64_t to);
    // Cells anywhere in [from, to): the unallocated gap, the rest of a freeblock, a freed page.
    // Whole cells, and cells whose head a freeblock overwrote; a cell found is stepped over.
    void scan(int64_t index, int64_t pageStart, int64_t from, int64_t to);
    // Where in [from, end) (a row's values) four bytes begin that a freeblock's head wrote: the
    // next block they name, if any, lies past their block and is one of the page's freeblocks,
    // and their block ends where a cell of the page begins (one that took the rest of the block
    // later) or where the page does, or a freed cell's record header follows them. 0 for nowhere.
    int64_t blockHeadWithin(int64_t from, int64_t end);
    // A row of a freeblock at at, read whole (headWhole) or with its head a block's, whose kept
    // values run over the head of a cell that took the block's end before the live cell there
    // (see CellReader::earlierHeadBefore), read again up to that head. False, with found left as
    // it was, where it cannot be read without the head's bytes.
    bool cutAtEarlierHead(int64_t at, int64_t head, bool headWhole, FoundRow& found, int64_t& rowEnd, size_t& shape);
    // A freed cell at at whose last bytes a cell written later took, that cell freed in turn
    // (its bytes joined to the freed room around it): read up to where the first cell that
    // begins inside [at, end) and reads as a row up to limit does, without what it lost. In a
    // freeblock (freedHeads false) that cell is whole: the block's own cells have their heads.
    // Answers false where no such cell begins there or the row read lost nothing to it.
    bool cutByLaterCell(int64_t at, int64_t end, int64_t limit, bool freedHeads, FoundRow& found, int64_t& rowEnd,
                        size_t& shape);
    // Keeps a row found at [at, end) of the page among the page's rows of its shape.
    void keep(FoundRow found, size_t shape, int64_t index, int64_t pageStart, int64_t at, int64_t end) {
        found.record.page = index;
        found.record.position = pageStart + at;
        found.length = static_cast<uint32_t>(end - at);
        found.fromGap = inGap_;
        found.claim = found.live ? 0 : claims_.hold(payload_.chains(), found.claim, reader_.keeper());
        pageFound_[shape].push_back(std::move(found));
    }
    // The page's rows of one shape in the order of their cells' positions, each with the row ids
    // of the nearest whole rows around it: rows inserted one after another sit below one another,
    // the newest lowest. The live ones are answered and remembered at once; the deleted ones wait
    // for the finish (FinishRows.h), which needs every live row of the file.
    void endPage(size_t s);
    // Marks as repeating a live row the deleted rows of the page, of one shape, that are that
    // row's copies from before an edit (see TableShape::editKeptColumns). order: the page's rows
    // by place, lowest first.
    void markEditedCopies(size_t s, std::vector<FoundRow>& page, const std::vector<uint32_t>& order);
    // Keeps what the shape's digest makes of a live row of shape s (LiveRows::digest).
    void digestLive(size_t s, const CarvedRecord& live);
    // Whether the deleted row f of shape s is the live row live of its page as it was, told by the
    // start of its identifier (of fewest bytes at least) with a text it shares with live or with
    // another copy of live on the page (see editTookTail() in LiveKeys.h).
    bool identifierTells(size_t s, const FoundRow& f, const FoundRow& live, const std::vector<FoundRow>& page,
                         size_t fewest) const;

    // Where on the page a whole cell read again has its body, the end of its kept columns and
    // its end.
    struct CellPlaces {
        int64_t bodyAt = 0, keptEnd = 0, cellEnd = 0;
    };
    CellPlaces lastPlaces() const { return {reader_.lastBodyAt(), reader_.lastKeptEnd(), reader_.lastCellEnd()}; }
    // Where the bytes of a row f of the page that lost its tail may be its own up to (a page
    // offset; 0 for nowhere known): where the next row found on the page begins (nextStart, 0
    // where none does), or before that where the block its freed head names ends, the rest of
    // the block having gone to a later cell.
    int64_t ownEnd(const FoundRow& f, int64_t nextStart) const;
    // Where the values of a row of shape s from the first column an edit changes on begin on the
    // page, its kept columns ending at keptEnd; -1 where a value between is not known by its
    // length (a number, a column not kept).
    int64_t editedFrom(size_t s, const CarvedRecord& row, int64_t keptEnd) const;
    // Whether the deleted row f of shape s, whose tail a later cell took at ownEnd (a page
    // offset), is the live row live (whose cell is at places) as it was before an edit by every
    // byte it kept but those of the texts an edit changes: the values before them, and past its
    // kept columns, up to ownEnd (fewest bytes at least). Those are columns a carver does not
    // read, which an edit of the ones it reads leaves as they were (a bookmark's folder, its
    // place there and the start of its identifier).
    bool sameTail(size_t s, const FoundRow& f, int64_t ownEnd, const FoundRow& live, const CellPlaces& places,
                  int64_t fewest) const;
    // The fewest bytes past its kept columns a copy must share with the live row: one where that
    // row's cell took the copy's tail (often a bookmark's place in its folder), two where it is
    // any live row of the page. The last byte of its row id, where the copy kept it before its
    // record header, counts as one.
    static constexpr int64_t kTailBytesOfTaker = 1;
    static constexpr int64_t kTailBytesOnPage = 2;

    CarveDatabase& db_;
    CarveFile* file_;  // the reader of the thread carving the pages
    const std::vector<TableShape>& shapes_;
    int64_t pageSize_;
    int64_t usable_;
    std::vector<uint8_t> page_;
    std::vector<FoundRow> pageLive_;
    std::vector<CellPlaces> pageLivePlaces_;  // where the cells of pageLive_ lie
    std::vector<PendingCopy> pending_;        // a page's live rows read again (see markEditedCopies)
    std::vector<int64_t> ownEnds_;            // scratch of markEditedCopies()
    std::vector<CarvedTable> tables_;
    PayloadReader payload_;
    CellReader reader_;
    PageRowidBounds bounds_;
    std::vector<std::vector<FoundRow>> pageFound_;     // per shape: the rows of the page being read
    std::vector<uint32_t> order_;                      // scratch of endPage()
    std::vector<int64_t> cellStarts_;                  // where the cells of the leaf read begin (readPage())
    std::vector<int64_t> blockStarts_;                 // and its freeblocks, in order
    std::vector<FoundList> deleted_;                   // per shape: deleted rows found so far
    std::vector<std::vector<uint64_t>> liveTextKeys_;  // per shape (see liveTextKeys())
    LiveLists* live_ = nullptr;                        // the lists of the thread carving the pages
    bool inGap_ = false;                               // the scan under way reads a page's unallocated gap
    int64_t gapEnd_ = -1;                              // where the gap of the page read ends (see scanGap)
    int64_t pageStart_ = 0;                            // where the page read starts in the file
    int64_t examined_ = 0;
    int64_t headerPages_ = 0;
    TreePages tree_;  // the interior pages read, the leaves' lowest live ids
    ChainClaims claims_;
    CurrentCells current_;  // of the page read, where it is an older image of its page
};

}  // namespace carve
