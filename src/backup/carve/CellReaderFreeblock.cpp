// Cells whose first four bytes a freeblock's head took (see CellReader.h): the first cell of a freeblock,
// the cells after it in the block, and cells the look of such a head finds anywhere in free room.
#include "backup/carve/CellReader.h"
#include "backup/carve/SerialTypes.h"
#include "backup/carve/Varint.h"

#include <algorithm>
#include <optional>

namespace carve {

namespace {

// What the head of a freed cell keeps of its row id (see CarvedRecord): the cell held
// [payload length][row id] in the offset bytes before its record header, and the free-space chain
// wrote over the first four. The id's varint takes the bytes the payload length's leaves; those
// of them past the fourth are the id's last ones, each but the last with its high bit set. The
// block may start up to three bytes before the cell (a fragment it took in): the id's varint is
// then shorter, and the bytes past the fourth still end with its own or show no varint's end.
void keepRowidTail(const uint8_t* cell, int offset, uint64_t payloadLength, CarvedRecord& r) {
    const int lengthBytes = varintLength(payloadLength);
    const int idBytes = offset - lengthBytes;
    if (idBytes < 1 || idBytes > kSevenBitBytes) return;
    const int from = std::max(static_cast<int>(kFreeblockHeadSize), lengthBytes);
    uint32_t tail = 0;
    for (int i = from; i < offset; ++i) {
        if (((cell[i] & 0x80) != 0) != (i + 1 < offset)) return;  // no varint's end: another reading
        tail = tail << kVarintBits | (cell[i] & 0x7fu);
    }
    r.rowidLength = static_cast<uint8_t>(idBytes);
    r.rowidTailBits = static_cast<uint8_t>(kVarintBits * std::max(offset - from, 0));
    r.rowidTail = static_cast<uint16_t>(tail);
}

// Where the record header of a cell whose first four bytes a freeblock's head took may begin, in
// bytes from the cell's start, in the order tried: four to six bytes on it is whole (the cell's
// length and row id took those bytes), three bytes on its length was lost, two bytes on its
// first serial type too.
constexpr int kFreedHeaderOffsets[] = {4, 5, 6, 3, 2};
constexpr int kHeaderLengthLost = 3;
constexpr int kFirstSerialLost = 2;

// The serial type of the value of a column whose type byte was lost, told by the length of the
// value alone: none where two types give that length (a NULL, a 0 and a 1 take none; an integer
// and a real both take eight bytes in a column that may hold either) or where the type would
// not fit the one header byte its place had. A column declared REAL keeps whole numbers as
// integers, so its lengths below eight are integers.
std::optional<uint64_t> serialOfLength(const ColumnShape& column, int64_t length) {
    static constexpr int64_t kIntegerLengths[] = {1, 2, 3, 4, 6, 8};
    std::optional<uint64_t> serial;
    switch (column.kind) {
    case ColumnKind::integer:
    case ColumnKind::real:
        for (uint64_t s = kFirstIntegerSerial; s <= kLastIntegerSerial; ++s)
            if (kIntegerLengths[s - kFirstIntegerSerial] == length) serial = s;
        if (column.kind == ColumnKind::real && length == kRealSize) serial = kRealSerial;
        break;
    case ColumnKind::text: serial = kFirstTextSerial + 2 * static_cast<uint64_t>(length); break;
    case ColumnKind::blob: serial = kFirstBlobSerial + 2 * static_cast<uint64_t>(length); break;
    case ColumnKind::any: break;
    }
    if (!serial || *serial > kLargestOneByteVarint || !serialFits(column, *serial)) return std::nullopt;
    return serial;
}

// Whether the integer of serial type serial at value is as SQLite writes one: in the fewest
// bytes that hold it, and 0 and 1 in none. Zeroed bytes and other stretches read with a guessed
// type seldom are.
bool writtenAsSqliteWould(uint64_t serial, const uint8_t* value) {
    if (serial < kFirstIntegerSerial || serial > kLastIntegerSerial) return true;
    const int64_t v = valueOf(serial, value, valueLength(serial)).integer;
    if (v == 0 || v == 1) return false;
    uint64_t fewest = kFirstIntegerSerial;
    while (fewest < kLastIntegerSerial) {
        const int64_t limit = int64_t{1} << (8 * valueLength(fewest) - 1);
        if (v >= -limit && v < limit) break;
        ++fewest;
    }
    return fewest == serial;
}

// The longest first value whose type one header byte holds: a text of 57 bytes (type 127).
constexpr int64_t kLongestLostFirstValue = (kLargestOneByteVarint - kFirstTextSerial) / 2;

// The fewest serial types other than NULL of a freed cell's record header, cut short by a cell
// written later, that tell a record of a shape from other bytes (zeros read as NULLs).
constexpr size_t kFewestTypesOfCutHeader = 6;

// How far a look at the cell after a freed cell whose first type was lost may go on: each such
// cell is told by the one after it, and a block of many of them would be looked through again
// for each.
constexpr int kDeepestLook = 3;

}  // namespace

bool CellReader::sameBlockEnd(int64_t at, int64_t blockEnd, int64_t limit) const {
    if (at + kFreeblockHeadSize > limit) return false;
    const int64_t next = blockNextAt(at), size = blockSizeAt(at);
    return (next == 0 || next > at) && size >= kSmallestCell && at + size == blockEnd;
}

bool CellReader::endsOwnBlock(int64_t at, int64_t end, int64_t limit) const {
    const int64_t blockEnd = at + blockSizeAt(at);
    return end == blockEnd || sameBlockEnd(end, blockEnd, limit);
}

std::optional<uint64_t> CellReader::lostFirstSerial(const ColumnShape& column, int64_t at, int64_t valueAt,
                                                    int64_t fixedEnd, int64_t limit, int depth) {
    auto serialOf = [&](int64_t length) -> std::optional<uint64_t> {
        const std::optional<uint64_t> serial = serialOfLength(column, length);
        if (!serial || valueAt + length > limit || !writtenAsSqliteWould(*serial, page_ + valueAt)) return std::nullopt;
        return serial;
    };
    // A freed cell fills the block it became unless later cells were freed after it and joined
    // it: it then ends where the block its own head says ends, or where the next of them begins.
    // The first place that ends it is taken: a value is not read on over a cell's head.
    const int64_t headSize = blockSizeAt(at);
    const int64_t headEnd = at + headSize;
    const int64_t longest = std::min({limit, headEnd, fixedEnd + kLongestLostFirstValue}) - fixedEnd;
    for (int64_t length = 0; length <= longest; ++length) {
        const std::optional<uint64_t> serial = serialOf(length);
        if (!serial) continue;
        FoundRow ignored;
        int64_t nextEnd = 0;
        size_t nextShape = 0;
        const int64_t next = fixedEnd + length;
        if (next == limit || next == headEnd || sameBlockEnd(next, headEnd, limit) ||
            wholeCell(next, limit, ignored, nextEnd, nextShape, Reading::look) ||
            (depth < kDeepestLook && looksLikeFreeblockHead(next, limit) &&
             damagedCellAt(next, limit, ignored, nextEnd, nextShape, depth + 1)))
            return serial;
    }
    return std::nullopt;
}

bool CellReader::damagedCellAt(int64_t at, int64_t limit, FoundRow& found, int64_t& end, size_t& shapeIndex, int depth,
                               bool lookalike) {
    const uint8_t* base = page_;
    // The reading kept while others are tried (see below); most calls find none.
    std::optional<FoundRow> bestFound;
    int64_t bestEnd = 0;
    size_t bestShape = 0;
    size_t bestBodyAt = 0;
    int64_t bestBodyStart = 0, bestCellEnd = 0, bestKeptEnd = 0;
    size_t bestTrusted = SIZE_MAX;
    for (int offset : kFreedHeaderOffsets) {
        // In a gap, a row whose tail a later cell took (see wholeCell), its serial types whole.
        const bool tailMayBeLost = tailMayBeLost_ && depth == 0 && offset >= kHeaderLengthLost;
        // The shapes the first bytes of the record header leave (see ShapeSummary.h): its length
        // and first serial type where it is whole, the first serial type read where its length
        // was lost, the second where the first was too.
        const uint8_t* pageEnd = base + usable_;
        ShapeSummary::Mask maybe = 0;
        if (offset >= kFreeblockHeadSize) {
            uint64_t lengthOfHeader = 0;
            if (const int n = varint(base + at + offset, pageEnd, lengthOfHeader); n > 0)
                maybe =
                    summary_.byHeaderLength(lengthOfHeader, n) & summary_.bySerial(0, base + at + offset + n, pageEnd);
        } else {
            maybe = summary_.bySerial(offset == kFirstSerialLost ? 1 : 0, base + at + kFreeblockHeadSize, pageEnd);
        }
        if (maybe == 0) continue;
        for (size_t s = 0; s < shapes_.size(); ++s) {
            if (!ShapeSummary::has(maybe, s)) continue;
            const TableShape& shape = shapes_[s];
            // Scratch of its own for the look at the next cell, which runs before this
            // reading's values are kept.
            std::vector<uint64_t>& serials = depth > 0 ? lookSerials_ : blockSerials_;
            serials.clear();
            size_t from = 0;
            int lengthBytes = 1;  // a header length lost under the block's head is taken as one byte
            int64_t serialsAt = at + offset;
            // The first column's type lost with the header's length: the row id's NULL where
            // the first column is the row id; otherwise told below by where the cell ends.
            const bool firstTypeLost = offset == kFirstSerialLost && shape.rowidAlias != 0;
            if (offset == kFirstSerialLost) {
                serials.push_back(kNullSerial);
                from = 1;
                serialsAt = at + kFreeblockHeadSize;
            } else if (offset == kHeaderLengthLost) {
                serialsAt = at + kFreeblockHeadSize;
            }
            uint64_t headerLength = 0;
            if (offset >= kFreeblockHeadSize) {
                lengthBytes = varint(base + serialsAt, base + limit, headerLength);
                if (lengthBytes == 0) continue;
                serialsAt += lengthBytes;
            }
            int used = 0;
            if (serialsAt >= limit) continue;
            // Where the header length is whole it says where the serial types end, and a row of
            // fewer columns (written before the table grew) reads as such.
            const bool headerEnds = offset >= kFreeblockHeadSize;
            if (headerEnds && headerLength > static_cast<uint64_t>(limit - serialsAt + lengthBytes)) continue;
            const int64_t headerEnd = serialsAt - lengthBytes + static_cast<int64_t>(headerLength);
            if (headerEnds) {
                if (headerEnd > limit ||
                    !serialTypesOfHeader(shape, from, base + serialsAt, base + headerEnd, serials, used))
                    continue;
            } else if (shape.fewestColumns < shape.columns.size() && !firstTypeLost) {
                // Its header's end lost too: a shorter row is told by where it ends.
                if (!serialTypesFillingRoom(shape, from, base + serialsAt, base + limit,
                                            lengthBytes + static_cast<int64_t>(from), limit - (at + offset),
                                            kFreeblockHeadSize, serials, used))
                    continue;
            } else if (!serialTypes(shape, from, base + serialsAt, base + limit, serials, used)) {
                continue;
            }
            const int64_t computed = lengthBytes + used + static_cast<int64_t>(from);
            if (offset >= kFreeblockHeadSize && static_cast<int64_t>(headerLength) != computed) continue;
            int64_t body = 0;
            for (uint64_t serial : serials) body += valueLength(serial);
            if (firstTypeLost) {
                // The look at the cells after it reads serial types into the same scratch.
                std::vector<uint64_t> held;
                if (depth > 0) held = serials;
                const std::optional<uint64_t> first = lostFirstSerial(shape.columns[0], at, at + offset + computed,
                                                                      at + offset + computed + body, limit, depth);
                if (depth > 0) serials = std::move(held);
                if (!first) continue;
                serials[0] = *first;
                body += valueLength(*first);
            }
            const uint64_t payloadLength = static_cast<uint64_t>(computed + body);
            // The bytes lost before the header held the cell's length and row id: two bytes
            // hold a length of one byte, three one of two bytes at most.
            if ((offset == kFirstSerialLost && payloadLength > kLargestOneByteVarint) ||
                (offset == kHeaderLengthLost && payloadLength > kLargestTwoByteVarint))
                continue;
            // A shape that needs a NULL for the row id must not meet data there.
            if (shape.rowidAlias >= 0 && serials[static_cast<size_t>(shape.rowidAlias)] != kNullSerial) continue;
            std::string& data = depth > 0 ? lookData_ : blockData_;
            const int64_t headerAt = at + offset;
            const bool overflows = static_cast<int64_t>(payloadLength) > maxLocal_;
            ChainCut& cut = depth > 0 ? lookCut_ : cut_;
            if (!payload_.read(page_, headerAt, payloadLength, data, end, depth == 0, &cut,
                               tailMayBeLost ? limit : INT64_MAX) ||
                end > (tailMayBeLost && !overflows ? usable_ : limit))
                continue;
            const size_t trusted = end > limit ? static_cast<size_t>(limit - headerAt) : SIZE_MAX;
            Signatures signatures;
            const auto bodyAt = static_cast<size_t>(computed);
            bool lost = false;
            const bool lenient = tailMayBeLost && tailMayBeLostAt(end, limit);
            if (!checkValues(shape, serials, data, bodyAt, signatures, trusted, lenient, &lost, cut.ownBytes)) continue;
            startFound(found, signatures, lost, headerAt, end);
            noteChain(found, overflows, localPart(data, headerAt, end), end, cut);
            // The row's own bytes on the page (see freedHeadWithin).
            const int64_t bodyStart = headerAt + static_cast<int64_t>(bodyAt);
            const int64_t ownEnd =
                overflows ? end - kOverflowPointerSize : headerAt + static_cast<int64_t>(payloadLength);
            // Where the kept columns end on the page (a freed head found past them says less).
            const int64_t keptEnd = headerAt + static_cast<int64_t>(signatures.keptEnd);
            // Where only the look of four bytes says a block began, no cell need begin there.
            if (!lookalike) keepRowidTail(base + at, offset, payloadLength, found.record);
            // A reading that ends where the block ends (or leaves too few bytes for a
            // freeblock: a fragment), or where a whole cell starts, is the cell's own;
            // another one is kept only while nothing better turns up. In free room read whole
            // (a gap, a freed page) the block is the one the cell's own head names: the reading
            // ends where that block ends, or where a cell freed after it and joined to it begins
            // (whose head names the same end), even where the cell after it lost its own tail;
            // but not where a cell written later begins inside it and runs on past its end (the
            // block's last bytes are that cell's).
            const bool fitsBlock = firstTypeLost || depth > 0 || end >= limit || end + kFreeblockHeadSize > limit;
            FoundRow ignored;
            int64_t nextEnd = 0;
            size_t nextShape = 0;
            if (fitsBlock || wholeCell(end, limit, ignored, nextEnd, nextShape, Reading::look) ||
                headOnlyCell(end, limit) ||
                (endsOwnBlock(at, end, limit) && !laterCellWithin(bodyStart, end, limit, keptEnd))) {
                if (depth == 0) {
                    found.record.values =
                        keepValues(s, serials, data, bodyAt, std::min(trusted, signatures.ownEnd), false, cut.ownBytes);
                    payloadAt_ = headerAt;
                    bodyAt_ = bodyStart;
                    cellEnd_ = ownEnd;
                }
                shapeIndex = s;
                return true;
            }
            // The weakest reading (the header's length and first serial type lost) behind a
            // lookalike head must end where a cell or the block ends: on its own it is as
            // often a stretch of another record's header.
            if (!bestFound && !(lookalike && offset == kFirstSerialLost)) {
                bestFound = found;
                bestEnd = end;
                bestShape = s;
                bestBodyAt = bodyAt;
                bestBodyStart = bodyStart;
                bestCellEnd = ownEnd;
                bestKeptEnd = keptEnd;
                bestTrusted = std::min(trusted, signatures.ownEnd);
                bestData_ = data;
                bestSerials_ = serials;
                bestCut_ = cut;
            }
        }
    }
    if (!bestFound) return false;
    // Nor is it the cell's own where a cell written over it later (whole, or freed in turn)
    // begins inside it and runs on past its end: its last bytes are that cell's, and that
    // cell is read instead.
    if (depth == 0 && laterCellWithin(bestBodyStart, bestEnd, limit, bestKeptEnd)) return false;
    found = *bestFound;
    // A reading kept for want of a better one may have its header elsewhere: the bytes
    // before it tell nothing of the row id.
    found.record.rowidLength = found.record.rowidTailBits = 0;
    found.record.rowidTail = 0;
    found.record.values =
        keepValues(bestShape, bestSerials_, bestData_, bestBodyAt, bestTrusted, false, bestCut_.ownBytes);
    end = bestEnd;
    shapeIndex = bestShape;
    if (depth == 0) {
        payloadAt_ = bestBodyStart - static_cast<int64_t>(bestBodyAt);
        bodyAt_ = bestBodyStart;
        cellEnd_ = bestCellEnd;
    }
    return true;
}

int64_t CellReader::earlierHeadBefore(int64_t at, int64_t from) {
    CellHead head;
    if (!wholeCellMayStart(at, usable_, head) || static_cast<int64_t>(head.payloadLength) > maxLocal_) return 0;
    const int64_t cellEnd = at + head.lengthBytes + head.rowidBytes + static_cast<int64_t>(head.payloadLength);
    // The nearest such head is the last cell that took the end: looked for from at back. Its
    // length and row id lie whole before at.
    for (int64_t start = at - 2; start >= from; --start) {
        // Most starts hold a length of one byte that, with a row id of any length, ends no cell
        // at cellEnd: passed over before the varints are read.
        if (const uint8_t first = page_[start]; first <= kLargestOneByteVarint) {
            const int64_t idRoom = cellEnd - start - 1 - first;
            if (idRoom < 1 || idRoom > kLongestVarint) continue;
        }
        uint64_t length = 0, id = 0;
        const int lengthBytes = varint(page_ + start, page_ + at, length);
        const int64_t idAt = start + lengthBytes;
        if (lengthBytes == 0 || length < kShortestHeader || static_cast<int64_t>(length) > maxLocal_ || idAt >= at)
            continue;
        // The same row, a byte or two longer: the new cell took the end of its id, and the bytes
        // of it left begin the new cell's id (each with its high bit set, as no text's byte of
        // the first 128 has).
        if (idAt + head.rowidBytes > at && idAt + head.rowidBytes + static_cast<int64_t>(length) == cellEnd &&
            std::equal(page_ + idAt, page_ + at, page_ + at + head.lengthBytes))
            return start;
        const int idBytes = varint(page_ + idAt, page_ + at, id);
        const int64_t headerAt = idAt + idBytes;
        if (idBytes == 0 || headerAt + static_cast<int64_t>(length) != cellEnd) continue;
        // The same row, edited to a shorter one: told by its id (an id of one byte is any
        // character of a text: too little to tell), and by the length of its record's header
        // where that survives, which fits its payload.
        if (id == head.rowid && idBytes == head.rowidBytes && idBytes >= 2 &&
            (headerAt == at || (page_[headerAt] >= kShortestHeader && page_[headerAt] <= length)))
            return start;
        // Another row, freed since (a row deleted, or moved by an edit): told by what the cell at
        // at left of its record header, which a table's rows must have. Not where four bytes that
        // read as a freed cell's head lie over its length and id: those are a row's own head in
        // the block (blocks that met keep each cell's), followed by its own record header, and
        // the offsets they name lie near the cell at at, so that they can read as a length that
        // ends there. (A cell's length and id seldom read so: its length would be an offset past
        // the page.)
        if (headerAt < at && !blockHeadOver(start, headerAt, at) && recordHeaderFits(page_ + headerAt, page_ + at))
            return start;
    }
    return 0;
}

bool CellReader::blockHeadOver(int64_t from, int64_t to, int64_t blockEnd) const {
    for (int64_t k = std::max<int64_t>(from - kFreeblockHeadSize + 1, 0); k < to; ++k)
        if (looksLikeFreeblockHead(k, blockEnd)) return true;
    return false;
}

bool CellReader::freedHeaderAt(int64_t at, int64_t cellAt) {
    const uint8_t* cut = page_ + std::min(cellAt, usable_);
    // Where the cell's length and row id took four bytes or more, its header is whole after them.
    for (const int offset : kFreedHeaderOffsets)
        if (offset >= kFreeblockHeadSize && page_ + at + offset < cut && recordHeaderFits(page_ + at + offset, cut))
            return true;
    return false;
}

bool CellReader::recordHeaderFits(const uint8_t* header, const uint8_t* cut) {
    const uint8_t* pageEnd = page_ + usable_;
    uint64_t headerLength = 0;
    const int n = varint(header, cut, headerLength);
    if (n == 0 || headerLength < kShortestHeader || static_cast<int64_t>(headerLength) > pageEnd - header) return false;
    const ShapeSummary::Mask maybe =
        summary_.byHeaderLength(headerLength, n) & summary_.bySerial(0, header + n, pageEnd);
    for (size_t s = 0; s < shapes_.size(); ++s) {
        const TableShape& shape = shapes_[s];
        // A serial type takes a byte at least: the header holds one for each column its rows have.
        if (!ShapeSummary::has(maybe, s) || headerLength < n + shape.fewestColumns) continue;
        lookSerials_.clear();
        int used = 0;
        bool fits = false;
        if (header + headerLength <= cut) {
            fits = serialTypesOfHeader(shape, 0, header + n, header + headerLength, lookSerials_, used);
        } else {
            // A cell written later took the rest of the header: the serial types before it
            // fit the shape's first columns, enough of them to tell a record.
            size_t told = 0;
            for (size_t c = 0; c < shape.columns.size() && header + n + used < cut; ++c) {
                uint64_t serial = 0;
                const int bytes = varint(header + n + used, cut, serial);
                if (bytes == 0 || !serialFits(shape.columns[c], serial)) break;
                lookSerials_.push_back(serial);
                told += serial != kNullSerial;
                used += bytes;
            }
            fits = header + n + used == cut && told >= kFewestTypesOfCutHeader;
        }
        if (fits && (shape.rowidAlias < 0 || static_cast<size_t>(shape.rowidAlias) >= lookSerials_.size() ||
                     lookSerials_[static_cast<size_t>(shape.rowidAlias)] == kNullSerial))
            return true;
    }
    return false;
}

bool CellReader::headOnlyCell(int64_t at, int64_t limit) {
    if (!looksLikeFreeblockHead(at, limit)) return false;
    FoundRow found;
    int64_t end = 0;
    size_t shape = 0;
    return damagedCellAt(at, limit, found, end, shape, /*depth*/ 1);
}

bool CellReader::laterCellWithin(int64_t from, int64_t end, int64_t limit, int64_t keptEnd) {
    FoundRow ignored;
    int64_t cellEnd = 0;
    size_t shape = 0;
    for (int64_t k = from + 1; k < end; ++k)
        if ((wholeCell(k, limit, ignored, cellEnd, shape, Reading::look) ||
             (looksLikeFreeblockHead(k, limit) && damagedCellAt(k, limit, ignored, cellEnd, shape, /*depth*/ 1))) &&
            cellEnd > end)
            return true;
    // A later cell whose own values a cell written after it took in turn reads as no row, but its
    // head still says that the bytes from there on are not the row's.
    for (int64_t k = from + 1; k < end; ++k)
        if ((cellHeadAt(k, limit, cellEnd) || (k < keptEnd && freedCellHeadAt(k, limit, cellEnd))) && cellEnd > end)
            return true;
    return false;
}

bool CellReader::freedCellHeadAt(int64_t at, int64_t limit, int64_t& cellEnd) const {
    // The serial types that must fit: enough that a row's own bytes seldom read so.
    constexpr size_t kSerialsLooked = 12;
    if (!looksLikeFreeblockHead(at, limit)) return false;
    const uint8_t* stop = page_ + limit;
    // The header whole: four to six bytes on (the cell's length and row id took those bytes).
    for (int64_t offset = kFreeblockHeadSize; offset <= kFreeblockHeadSize + 2; ++offset) {
        const uint8_t* header = page_ + at + offset;
        uint64_t headerLength = 0;
        const int h = varint(header, stop, headerLength);
        if (h == 0 || headerLength < kShortestHeader) continue;
        const ShapeSummary::Mask maybe =
            summary_.byHeaderLength(headerLength, h) & summary_.bySerial(0, header + h, page_ + usable_);
        for (size_t s = 0; s < shapes_.size(); ++s) {
            if (!ShapeSummary::has(maybe, s)) continue;
            const TableShape& shape = shapes_[s];
            const size_t wanted = std::min(kSerialsLooked, shape.columns.size());
            const uint8_t* p = header + h;
            const uint8_t* end = std::min(header + headerLength, stop);
            size_t c = 0;
            for (; c < wanted && p < end; ++c) {
                uint64_t serial = 0;
                const int n = varint(p, end, serial);
                if (n == 0 || !serialFits(shape.columns[c], serial) ||
                    (static_cast<int>(c) == shape.rowidAlias && serial != kNullSerial))
                    break;
                p += n;
            }
            if (c < wanted) continue;
            cellEnd = at + blockSizeAt(at);
            return true;
        }
    }
    return false;
}

int64_t CellReader::cellWithin(int64_t from, int64_t end, int64_t limit, bool freedHeads) {
    CellsLooked& l = looked_;
    const bool same = l.limit == limit && l.freedHeads == freedHeads && l.tailMayBeLost == tailMayBeLost_ &&
                      l.blockEndTaken == blockEndTaken_ && l.from <= from;
    if (same && l.found != 0 && from <= l.found) return l.found < end ? l.found : 0;
    if (same && l.found == 0 && from <= l.end && end <= l.end) return 0;
    // Nothing lies in [from, l.end) where the last look found nothing there: looking goes on past it.
    const int64_t start = same && l.found == 0 && from <= l.end ? l.end : from;
    FoundRow ignored;
    int64_t cellEnd = 0;
    size_t shape = 0;
    int64_t found = 0;
    for (int64_t k = start; k < end; ++k)
        if (wholeCell(k, limit, ignored, cellEnd, shape, Reading::look) || (freedHeads && headOnlyCell(k, limit))) {
            found = k;
            break;
        }
    l = {same && start != from ? l.from : from, end, limit, found, freedHeads, tailMayBeLost_, blockEndTaken_};
    return found;
}

int64_t CellReader::freedHeadWithin(int64_t from, int64_t end, int64_t limit) {
    for (int64_t k = from; k + kFreeblockHeadSize <= end; ++k)
        if (headOnlyCell(k, limit)) return k;
    return 0;
}

}  // namespace carve
