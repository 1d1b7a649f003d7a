// A row as the page walk finds it, before the finish (see FinishRows.h) keeps or leaves it: its
// record, the signatures that tell it from the live rows and from other copies of it, and what
// the walk saw of where it lay.
#pragma once

#include "backup/carve/BlockList.h"
#include "backup/carve/CarveRecords.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace carve {

struct FoundRow {
    CarvedRecord record;
    uint64_t signature = 0;  // of the values, row id aside (see checkValues())
    uint64_t kept = 0;       // of the values of the columns every reading holds (see checkValues())
    uint64_t unique = 0;     // of the shape's unique value, 0 when it has none (see checkValues())
    uint64_t identity = 0;   // of the values of the shape's identity, 0 without (see checkValues())
    // The first bytes of its unique text still its own, 0 without (see IdentifierStart.h).
    uint64_t uniqueStart = 0;
    // Flags of a bit each: a large file's walk holds hundreds of thousands of rows.
    bool live : 1 = false;
    // Read from a page's unallocated gap: bytes of an older state of the page, whose rows
    // are no neighbours of the cells there now.
    bool fromGap : 1 = false;
    bool repeatsLive : 1 = false;  // see markRepeats() in LiveKeys.h
    bool tailLost : 1 = false;     // a row whose tail a later cell took (see PageCarver::scanGap)
    bool pageInOrder : 1 = false;  // see PageRowidBounds
    // Its overflow chain broke: its values from the break on were lost (see ChainCut).
    bool chainCut : 1 = false;
    // A cell of an older image of its page that the page's folded image holds byte for byte (see
    // CurrentCells.h): read, without its values, only for the row ids it leaves the rows around
    // it, and no deleted row.
    bool copyOfCurrent : 1 = false;
    // While its page is read, of a row that kept bytes of overflow pages: the number of its chain
    // in the payload reader's log (see ChainCut::read), then that of its claim on the pages (see
    // ChainClaims::hold); 0 for none.
    uint16_t claim = 0;
    // Where the cell's bytes end, counted from its start: a cell lies within its page, and the
    // count fits in the room the flags leave.
    uint32_t length = 0;
    // Of a row whose payload overflows, its bytes on its own page and its first overflow page
    // (see chainKeyOf); 0 for a row without a chain. A stale copy of a live row has the live row's.
    uint64_t chainKey = 0;

    // Where the cell's bytes on its page end, as record.position counts.
    int64_t end() const { return record.position + length; }
};

static_assert(sizeof(FoundRow) <= 120, "a large file's walk holds hundreds of thousands of rows");

// The key of a chain: a payload's bytes on the cell's page and its first overflow page.
inline uint64_t chainKeyOf(std::string_view local, uint32_t firstPage) {
    return (std::hash<std::string_view>()(local) ^ (uint64_t{firstPage} * 0x9e3779b97f4a7c15u)) | 1;
}

// The deleted rows a part of the walk found, of one shape.
using FoundList = BlockList<FoundRow>;

}  // namespace carve
