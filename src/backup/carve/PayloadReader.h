// The payload of a cell: the part its page keeps and, of a payload too large for the page, the
// rest from its chain of overflow pages, each taken as the database stood when the page read was
// written. A chain that breaks (leaves the database, comes back to a page it passed, runs into a
// page taken again since) gives no payload, or, for a freed row that may be read in part, the
// bytes before the break; each part of the walk may read only so many overflow pages, so that
// crafted chains cannot make the carve of a file take long.
#pragma once

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveFile.h"
#include "backup/carve/ChainClaims.h"
#include "backup/carve/KeySet.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace carve {

// Where a freed row's overflow chain broke: the payload's bytes before ownBytes are the row's
// (all that read() answers), those after were lost with the chain. firstPage: the chain's first
// page, 0 where the link to it was lost. read: the chain's number in the reader's log (see
// PayloadReader::chains()), 0 where the row kept no overflow page's bytes.
struct ChainCut {
    size_t ownBytes = SIZE_MAX;
    uint32_t firstPage = 0;
    uint16_t read = 0;
    bool cut() const { return ownBytes != SIZE_MAX; }
};

class PayloadReader {
public:
    explicit PayloadReader(CarveDatabase& db);

    // The reader of the thread carving the pages, which overflow pages are read through.
    void setFile(CarveFile* file) { file_ = file; }
    // The state of the database the page read is of (see PageImages).
    void setState(int64_t state) { state_ = state; }
    // The most payload a table leaf cell keeps on its page; a larger one overflows.
    int64_t maxLocal() const { return maxLocal_; }

    // The payload of a cell of payloadLength bytes whose local part starts at page offset at;
    // the bytes past the page come from the overflow chain, each page as the database stood
    // when the image read was written. False when the cell leaves the page or the chain breaks:
    // it leaves the database, comes back to a page it already passed, or reaches past what the
    // part of the file read may ask for (see kOverflowReadsPerImage).
    // A freed row's chain (freed: the row is read as one the database no longer holds there)
    // went to the free list when the row was deleted: a page of it that the database as folded
    // took again since holds another's bytes, and breaks the chain too.
    // page: the page the cell lies on, usable size bytes of it at least.
    // With cut, a freed row whose chain broke is read in part instead: a page the database took
    // again since (in use, or the free list's own trunk) holds another's bytes, and the pages
    // before it are the row's. Where only a page's link says the chain went wrong (it ends too
    // soon, runs on, leaves the file or loops), another row's chain may have joined it at any
    // page before: only the part on the cell's own page is the row's.
    // ownUpTo: with cut, where a later cell took the rest of the page (a row in a page's gap): a
    // payload whose part on the page runs on past there lost the rest of that part and the link
    // to its chain, and is read up to there.
    bool read(const uint8_t* page, int64_t at, uint64_t payloadLength, std::string& out, int64_t& localEnd, bool freed,
              ChainCut* cut = nullptr, int64_t ownUpTo = INT64_MAX);

    // The chains read in part or whole for freed rows (with cut) since forgetChains(): the
    // overflow pages whose bytes each row kept, for the claims on them (see ChainClaims.h).
    const ChainLog& chains() const { return chains_; }
    void forgetChains() { chains_.clear(); }

private:
    // The overflow pages that the cells read from one part of the file may ask for, per page
    // image of the file: each overflow page of a sound file belongs to one row, read once or a
    // few times (a row and its stale copies). Crafted chains (each cell of a page naming the same
    // long chain) end there, so that the carve of any file takes time in proportion to its size.
    static constexpr int64_t kOverflowReadsPerImage = 2;
    static constexpr int64_t kOverflowReadsAtLeast = 4096;

    // Whether the chain read (chain_) already passed page; enters it when not.
    bool passed(int64_t page);

    CarveDatabase& db_;
    CarveFile* file_;
    int64_t pageSize_;
    int64_t usable_;
    int64_t maxLocal_;
    int64_t minLocal_;
    std::vector<uint8_t> chunk_;  // scratch of read(): an overflow page
    std::vector<int64_t> chain_;  // the overflow pages of the chain read (see passed())
    std::vector<int64_t> taken_;  // the images of those whose bytes read() took
    ChainLog chains_;
    KeySet chainSet_;       // the same, for a long chain
    int64_t overflowLeft_;  // overflow pages this reader may still read
    int64_t state_ = 0;     // the state of the database the page read is of
};

}  // namespace carve
