// Reads a row of one of the table shapes from a cell's bytes on the page being walked: a whole
// cell (its length, row id, record header and values; CellReader.cpp), or a cell whose first four
// bytes a freeblock's head took, with its length, row id and perhaps the start of its record
// header (CellReaderFreeblock.cpp). A reading is taken only where every part of the record agrees
// with the shape; its values are kept in the shape's table (see ValueKeeper.h).
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/FoundRow.h"
#include "backup/carve/PageFormat.h"
#include "backup/carve/PayloadReader.h"
#include "backup/carve/RecordValues.h"
#include "backup/carve/SerialTypes.h"
#include "backup/carve/ShapeSummary.h"
#include "backup/carve/ValueKeeper.h"
#include "backup/carve/Varint.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace carve {

class CellReader {
public:
    // What a reading of a cell is for: a deleted row, a live row (whose values are kept only for
    // the shapes that keep them), or a look at whether a cell starts there (nothing kept).
    enum class Reading : uint8_t { deleted, live, look };

    // Reads the cells of page (the walk's copy of the page being read, usable bytes at least,
    // where every page is copied in turn), whose payloads payload reads, as rows of shapes,
    // keeping their values in tables (one per shape).
    CellReader(const std::vector<TableShape>& shapes, std::vector<CarvedTable>& tables, const uint8_t* page,
               int64_t usable, PayloadReader& payload)
        : shapes_(shapes),
          tables_(tables),
          page_(page),
          usable_(usable),
          maxLocal_(payload.maxLocal()),
          payload_(payload),
          summary_(shapes) {}

    // A whole cell at page offset at that is a row of some shape; its end on the page. A live
    // cell of a shape whose live values are not kept gets only its signature.
    bool wholeCell(int64_t at, int64_t limit, FoundRow& found, int64_t& end, size_t& shapeIndex,
                   Reading reading = Reading::deleted) {
        // Asked at every byte of free room, where most start no cell: told without a call.
        CellHead head;
        return wholeCellMayStart(at, limit, head) && readWholeCell(head, at, limit, found, end, shapeIndex, reading);
    }

    // Whether a cell may begin at at, whole (see wholeCellMayStart) or with its head overwritten
    // by a freeblock's (see looksLikeFreeblockHead): false at most bytes of free room, where
    // nothing more is worth trying.
    bool cellMayStart(int64_t at, int64_t limit) const {
        CellHead head;
        return wholeCellMayStart(at, limit, head) || looksLikeFreeblockHead(at, limit);
    }

    // The first cell of a freeblock, whose first four bytes the free-space chain overwrote.
    // The record header begins after the cell's length and row id: two bytes on (the header's
    // length and the first serial type are then lost; the first column is taken to be the row
    // id's NULL), three bytes on (its length lost), or four to six bytes on (whole).
    // lookalike: only the look of the four bytes at at says that a freeblock began there.
    bool damagedCell(int64_t at, int64_t limit, FoundRow& found, int64_t& end, size_t& shapeIndex,
                     bool lookalike = false) {
        return damagedCellAt(at, limit, found, end, shapeIndex, 0, lookalike);
    }

    // Four bytes a freeblock once wrote over a cell's head: the next block's offset (0, or
    // further on the page) and a size that covers at least a small cell and stays on the page.
    // Cells deleted one after another keep them even when their page went to the free list.
    bool looksLikeFreeblockHead(int64_t at, int64_t limit) const {
        if (at + kSmallestBlockLooked > limit) return false;
        const int64_t next = blockNextAt(at), size = blockSizeAt(at);
        return (next == 0 || (next > at && next < usable_)) && size >= kSmallestBlockLooked && size <= usable_;
    }

    // Where in [from, end), a row's body, a cell whose head a freeblock overwrote begins, its four
    // bytes all inside: 0 for nowhere. Not looked for in the row's header, whose serial types can
    // look like a block's head, nor across its end, where the next cell's length and id can.
    int64_t freedHeadWithin(int64_t from, int64_t end, int64_t limit);

    // Where the head of a cell that took a freeblock's end before the cell at at did begins,
    // in [from, at): SQLite gives a cell the end of a block, so a cell that took it before the
    // cell at at (the row at at before an edit made it shorter, or another row freed since)
    // leaves its head right before the new cell, over the last bytes of the block's row. Such a
    // head is told by what survives of it: its payload's length, which ends it where the cell at
    // at ends, and its row id whole; then the same row id (of two bytes or more) with the length
    // of its record's header where that survives too, or the serial types of its record header
    // up to at, enough of them to tell a record (see recordHeaderFits). (A cell's length alone,
    // over the row's last byte, tells nothing: as many rows end in that byte by themselves.) 0
    // where none is seen.
    int64_t earlierHeadBefore(int64_t at, int64_t from);

    // Whether the four bytes at at are a freed cell's head over its length and row id: a record
    // header that some shape takes follows them (its length and every serial type, or those
    // before cellAt, where a cell written later begins), however far its row's body runs.
    bool freedHeaderAt(int64_t at, int64_t cellAt);
    // Whether four bytes that read as a freed cell's head, before blockEnd, lie over some of
    // [from, to).
    bool blockHeadOver(int64_t from, int64_t to, int64_t blockEnd) const;
    // Whether a record header that some shape takes begins at header: its length and every
    // serial type, or where a cell written later begins at cut, inside it, the serial types
    // before cut, enough of them to tell a record.
    bool recordHeaderFits(const uint8_t* header, const uint8_t* cut);

    // Where in [from, end) the first cell begins that reads as a row up to limit: a whole cell,
    // or where freedHeads, also one whose head a freeblock overwrote; 0 for nowhere.
    int64_t cellWithin(int64_t from, int64_t end, int64_t limit, bool freedHeads);
    // Forgets where cellWithin() looked: the page's bytes are about to change.
    void forgetCellsLooked() { looked_ = {}; }

    // The size a freeblock's head at at names (what a lookalike head says of its block), and the
    // offset of the next block it names (0 for none).
    int64_t blockSizeAt(int64_t at) const {
        return static_cast<int64_t>(readBigEndian(page_, at + kFreeblockSizeAt, kOffsetSize));
    }
    int64_t blockNextAt(int64_t at) const {
        return static_cast<int64_t>(readBigEndian(page_, at + kFreeblockNextAt, kOffsetSize));
    }

    // Whether the bytes read next may hold rows whose tails a later cell took (see
    // PageCarver::scanGap), and whether only the row that runs on past the end of what is read
    // may (a freeblock whose end a cell took; see PageCarver::readPage).
    void allowLostTails(bool mayBeLost, bool onlyPastLimit = false) {
        tailMayBeLost_ = mayBeLost;
        blockEndTaken_ = onlyPastLimit;
    }

    // Where the body of the row read last begins on the page, and where its bytes there end
    // (before an overflow page's number).
    int64_t lastBodyAt() const { return bodyAt_; }
    int64_t lastCellEnd() const { return cellEnd_; }
    // Where the kept columns of the whole cell read last end on the page: the bytes after them
    // are those of the columns a carver does not keep (see PageCarver::markEditedCopies).
    int64_t lastKeptEnd() const { return keptEnd_; }
    // Where the values of the row read last that its carver keeps end on the page, whole cell or
    // damaged (lastKeptEnd() counts the kept columns of a whole cell read alone).
    int64_t lastValuesEnd() const {
        size_t end = 0;
        for (size_t slot = 0; slot < keeper_.lastSlots(); ++slot)
            if (keeper_.lastStart(slot) < ValueKeeper::kNotKept) end = std::max(end, keeper_.lastEnd(slot));
        return payloadAt_ + static_cast<int64_t>(end);
    }
    // What kept the values of the row read last (where they lie in its payload).
    const ValueKeeper& keeper() const { return keeper_; }
    // Of the whole cell read last, the key of its identity by its long texts' starts (see
    // Signatures::identityStart), 0 where it has none.
    uint64_t lastIdentityStart() const { return identityStart_; }

    // Frees the values of the live rows read to be digested (see LiveRows::digest), once their
    // page is done with them.
    void forgetLiveValues() { liveValues_ = CarvedStore(); }

private:
    // What the first bytes of a whole cell say: its payload's length and row id, the bytes their
    // varints take, and the shapes its record header's first bytes leave.
    struct CellHead {
        uint64_t payloadLength = 0, rowid = 0;
        int lengthBytes = 0, rowidBytes = 0;
        ShapeSummary::Mask maybe = 0;
    };

    // The checks of a whole cell at at that read nothing but its first bytes on the page: a
    // payload length a row may have, a row id above 0, and a record header whose length and
    // first serial type some shape takes (see ShapeSummary). The payload starts on the page, and
    // its first bytes there are those of the record that wholeCell() reads.
    bool wholeCellMayStart(int64_t at, int64_t limit, CellHead& head) const {
        const uint8_t* p = page_ + at;
        const uint8_t* stop = page_ + limit;
        head.lengthBytes = varint(p, stop, head.payloadLength);
        if (head.lengthBytes == 0 || head.payloadLength < kShortestHeader || head.payloadLength > kLargestPayload)
            return false;
        head.rowidBytes = varint(p + head.lengthBytes, stop, head.rowid);
        if (head.rowidBytes == 0 || static_cast<int64_t>(head.rowid) <= 0) return false;
        const uint8_t* record = p + head.lengthBytes + head.rowidBytes;
        const uint8_t* pageEnd = page_ + usable_;
        uint64_t headerLength = 0;
        const int h = varint(record, pageEnd, headerLength);
        if (h == 0) return false;
        head.maybe = summary_.byHeaderLength(headerLength, h) & summary_.bySerial(0, record + h, pageEnd);
        return head.maybe != 0;
    }

    // wholeCell() of a cell whose first bytes wholeCellMayStart() took (head).
    bool readWholeCell(const CellHead& head, int64_t at, int64_t limit, FoundRow& found, int64_t& end,
                       size_t& shapeIndex, Reading reading);

    // The fewest bytes a freeblock is taken to cover where only the look of its head says one
    // began: its own four bytes and the first four of a small cell.
    static constexpr int64_t kSmallestBlockLooked = 8;

    // Whether a row read up to limit whose bytes end at end may have lost its tail to a later
    // cell: in a gap any row may; in a freeblock whose end a cell took, only the row that runs on
    // into that cell (see PageCarver::readPage).
    bool tailMayBeLostAt(int64_t end, int64_t limit) const {
        return tailMayBeLost_ && (!blockEndTaken_ || end > limit);
    }

    // depth 1 looks at whether such a cell starts at at, keeping nothing.
    bool damagedCellAt(int64_t at, int64_t limit, FoundRow& found, int64_t& end, size_t& shapeIndex, int depth,
                       bool lookalike = false);

    // The serial type of the first column of a freed cell at at whose header's length and first
    // type the free-space chain took (the first column no row id), told by where the cell ends:
    // fixedEnd is its end were that value empty. The cell ends where its block ends, or where the
    // block its own head names ends, or where another cell begins; none where no length of the
    // column's kind ends it so. valueAt: where the first value begins.
    std::optional<uint64_t> lostFirstSerial(const ColumnShape& column, int64_t at, int64_t valueAt, int64_t fixedEnd,
                                            int64_t limit, int depth);

    // Whether a freed cell's head at at names a block that ends at blockEnd: a cell freed before
    // the one before it, which joined it, ends the same block. Its head alone is enough: a cell
    // written later may have taken the rest.
    bool sameBlockEnd(int64_t at, int64_t blockEnd, int64_t limit) const;

    // Whether a freed cell at at whose bytes end at end fills the block its own head names: it
    // ends where that block ends, or where a cell freed after it and joined to it begins.
    bool endsOwnBlock(int64_t at, int64_t end, int64_t limit) const;

    // A reading's row, begun afresh with its signatures. A row whose tail was taken ends, on the
    // page, where its kept columns do (payloadAt: where its payload starts on the page).
    static void startFound(FoundRow& found, const Signatures& signatures, bool lost, int64_t payloadAt, int64_t& end);

    // Whether a cell whose head a freeblock overwrote starts at at (the next cell of a block):
    // its first four bytes look like a block's, and a row follows.
    bool headOnlyCell(int64_t at, int64_t limit);

    // Whether a cell that runs on past end, whole or with its head overwritten by a freeblock's,
    // begins in (from, end), a row's body. Before keptEnd (where the row's kept columns end), the
    // head of a freed cell whose values were written over in turn counts too: a kept value
    // reaching into it would hold that cell's bytes.
    bool laterCellWithin(int64_t from, int64_t end, int64_t limit, int64_t keptEnd = 0);

    // Whether the head of a cell written over others lies at at: its length, row id and whole
    // record header read as a row of some shape, the header before limit, though its values
    // may since have been written over in turn. cellEnd: where its bytes on the page end at the
    // least (its header's end where its payload overflows).
    bool cellHeadAt(int64_t at, int64_t limit, int64_t& cellEnd);

    // Whether a freed cell's head lies at at, its own values and even the end of its record
    // header written over in turn: four bytes a freeblock's head could be, then the cell's row id
    // and a record header whose length and first serial types some shape takes (as many of them
    // as seldom read so by chance). cellEnd: where the block its head names ends.
    bool freedCellHeadAt(int64_t at, int64_t limit, int64_t& cellEnd) const;

    // Keeps the values of a reading of shape s in its table (see ValueKeeper::keep).
    std::span<const CarvedValue> keepValues(size_t s, const std::vector<uint64_t>& serials, const std::string& data,
                                            size_t body, size_t trusted = SIZE_MAX, bool alsoKeptOnly = false,
                                            size_t chainEnd = SIZE_MAX) {
        return keeper_.keep(tables_[s].store, shapes_[s], serials, data, body, trusted, alsoKeptOnly, chainEnd);
    }

    // The bytes of a payload read into data from page offset at that lie on the cell's page, up
    // to localEnd (see PayloadReader::read), of a payload that overflows.
    static std::string_view localPart(const std::string& data, int64_t at, int64_t localEnd) {
        return std::string_view(data).substr(
            0, static_cast<size_t>(std::max<int64_t>(localEnd - kOverflowPointerSize - at, 0)));
    }

    // Notes in found, of a row whose payload overflows (its local part, local, ending on the page
    // before localEnd, its first overflow page's number), the key of its chain, and whether its
    // chain broke (cut).
    void noteChain(FoundRow& found, bool overflows, std::string_view local, int64_t localEnd,
                   const ChainCut& cut) const {
        // A row cut on its own page lost the link to its chain (see PayloadReader::read).
        const bool linked = overflows && !(cut.cut() && cut.firstPage == 0);
        found.chainKey = linked ? chainKeyOf(local, static_cast<uint32_t>(readBigEndian(
                                                        page_, localEnd - kOverflowPointerSize, kOverflowPointerSize)))
                                : 0;
        found.chainCut = cut.cut();
        found.claim = cut.read;
    }

    const std::vector<TableShape>& shapes_;
    std::vector<CarvedTable>& tables_;
    // Read at every byte of a page's free room: the page's bytes and the numbers asked of each
    // cell are kept here, not looked up through the walk.
    const uint8_t* page_;
    int64_t usable_;
    int64_t maxLocal_;  // the most payload a cell keeps on its page (see PayloadReader::maxLocal)
    PayloadReader& payload_;
    // Which shapes a record header's first bytes leave: most offsets of free room none.
    ShapeSummary summary_;
    ValueKeeper keeper_;
    CarvedStore liveValues_;  // of the live rows of the page being read that are to be digested
    // Scratch of the readings of cells: whole ones, those of freeblocks, the look at the cell
    // after one of those, and the best reading of a freeblock kept while others are tried.
    std::string cellData_;
    std::vector<uint64_t> cellSerials_;
    std::string blockData_;
    std::vector<uint64_t> blockSerials_;
    std::string lookData_;
    std::vector<uint64_t> lookSerials_;
    std::string bestData_;
    std::vector<uint64_t> bestSerials_;
    // Where the chains of the reading of a freeblock, of the look at the cell after it, and of
    // the freeblock's best reading broke.
    ChainCut cut_, lookCut_, bestCut_;
    bool tailMayBeLost_ = false;  // the bytes read may hold a row whose tail runs past them (see allowLostTails)
    bool blockEndTaken_ = false;  // a cell took the end of the freeblock read (see PageCarver::readPage)
    int64_t payloadAt_ = 0;       // where the payload of the row read last begins on the page
    int64_t bodyAt_ = 0;          // and its body
    int64_t cellEnd_ = 0;         // and where its bytes there end (before an overflow page's number)
    uint64_t identityStart_ = 0;  // see lastIdentityStart()
    int64_t keptEnd_ = 0;         // see lastKeptEnd()
    // What cellWithin() found last: a scan of free room asks again from each next byte, and what
    // lies at a byte depends only on the page, the limit and how the row may be read, so the
    // stretch looked through is not looked through again.
    struct CellsLooked {
        int64_t from = 0, end = 0, limit = -1;  // [from, end) was looked through up to limit
        int64_t found = 0;                      // the first cell there, 0 for none
        bool freedHeads = false, tailMayBeLost = false, blockEndTaken = false;
    } looked_;
};

}  // namespace carve
