// Whole cells read as rows of the table shapes (see CellReader.h).
#include "backup/carve/CellReader.h"

#include "backup/carve/SerialTypes.h"
#include "backup/carve/Varint.h"

#include <algorithm>

namespace carve {

bool CellReader::readWholeCell(const CellHead& head, int64_t at, int64_t limit, FoundRow& found, int64_t& end,
                               size_t& shapeIndex, Reading reading) {
    const uint8_t* p = page_ + at;
    const uint8_t* stop = page_ + limit;
    const uint64_t payloadLength = head.payloadLength, rowid = head.rowid;
    const int a = head.lengthBytes, b = head.rowidBytes;
    const ShapeSummary::Mask maybe = head.maybe;
    // The cell must end on the page before its bytes are worth copying; most offsets of a
    // gap fail here. A row in a page's unallocated gap may run on into the cells at its foot,
    // written since, which took its tail: its columns before them are still its own.
    const bool overflows = static_cast<int64_t>(payloadLength) > maxLocal_;
    const int64_t cellEnd = at + a + b + static_cast<int64_t>(payloadLength);
    const bool tailMayBeLost = reading == Reading::deleted && tailMayBeLostAt(cellEnd, limit);
    const int64_t reach = tailMayBeLost && !overflows ? usable_ : limit;
    if (!overflows && cellEnd > reach) return false;
    const size_t trusted = !overflows && cellEnd > limit ? static_cast<size_t>(limit - (at + a + b)) : SIZE_MAX;
    if (trusted != SIZE_MAX) {
        // Its record header at least must lie before the cell that took its tail: looked at
        // before the payload is copied, as most offsets of a gap fail here.
        uint64_t headerLength = 0;
        if (varint(p + a + b, stop, headerLength) == 0 || headerLength < kShortestHeader || headerLength > trusted)
            return false;
    }
    // Scratch buffers kept across calls: this runs at every byte of every gap.
    std::string& data = cellData_;
    ChainCut cut;
    if (!payload_.read(page_, at + a + b, payloadLength, data, end, reading == Reading::deleted, &cut,
                       tailMayBeLost ? limit : INT64_MAX) ||
        end > reach)
        return false;
    const auto* d = reinterpret_cast<const uint8_t*>(data.data());
    uint64_t headerLength = 0;
    const int h = varint(d, d + data.size(), headerLength);
    if (h == 0 || headerLength > std::min(data.size(), trusted)) return false;
    // A reading as a whole row of some shape first; only then, in a gap, one whose tail a
    // later cell took where a column past the kept ones is no text (see checkValues()).
    for (size_t k = 0; k < 2 * shapes_.size(); ++k) {
        const size_t s = k % shapes_.size();
        const bool lenient = k >= shapes_.size();
        if (lenient && !tailMayBeLost) break;
        if (!ShapeSummary::has(maybe, s)) continue;
        std::vector<uint64_t>& serials = cellSerials_;
        serials.clear();
        int used = 0;
        if (!serialTypesOfHeader(shapes_[s], 0, d + h, d + headerLength, serials, used)) continue;
        int64_t body = 0;
        for (uint64_t serial : serials) body += valueLength(serial);
        if (static_cast<uint64_t>(body) + headerLength != payloadLength) continue;
        // A column that aliases the row id is stored as NULL.
        if (const int alias = shapes_[s].rowidAlias; alias >= 0 && static_cast<size_t>(alias) < serials.size() &&
                                                     serials[static_cast<size_t>(alias)] != kNullSerial)
            continue;
        Signatures signatures;
        bool lost = false;
        if (!checkValues(shapes_[s], serials, data, headerLength, signatures, trusted, lenient, &lost, cut.ownBytes))
            continue;
        startFound(found, signatures, lost, at + a + b, end);
        identityStart_ = signatures.identityStart;
        keptEnd_ = at + a + b + static_cast<int64_t>(signatures.keptEnd);
        noteChain(found, overflows, localPart(data, at + a + b, end), end, cut);
        // A live row to be digested keeps its values apart, until its page is done.
        const bool digested = reading == Reading::live && shapes_[s].live == LiveRows::digest;
        if (reading == Reading::deleted || digested ||
            (reading == Reading::live && shapes_[s].live == LiveRows::values))
            found.record.values = keeper_.keep(digested ? liveValues_ : tables_[s].store, shapes_[s], serials, data,
                                               headerLength, std::min(trusted, signatures.ownEnd), false, cut.ownBytes);
        else if (reading == Reading::live && shapes_[s].live == LiveRows::alsoKept)
            found.record.values =
                keepValues(s, serials, data, headerLength, std::min(trusted, signatures.ownEnd), true, cut.ownBytes);
        found.record.rowid = static_cast<int64_t>(rowid);
        found.record.rowidKnown = true;
        shapeIndex = s;
        if (reading != Reading::look) {
            payloadAt_ = at + a + b;
            bodyAt_ = payloadAt_ + static_cast<int64_t>(headerLength);
            cellEnd_ = overflows ? end - kOverflowPointerSize : cellEnd;
        }
        return true;
    }
    return false;
}

bool CellReader::cellHeadAt(int64_t at, int64_t limit, int64_t& cellEnd) {
    CellHead head;
    if (!wholeCellMayStart(at, limit, head)) return false;
    const uint8_t* record = page_ + at + head.lengthBytes + head.rowidBytes;
    uint64_t headerLength = 0;
    const int h = varint(record, page_ + limit, headerLength);
    if (h == 0 || headerLength > head.payloadLength ||
        record + headerLength > page_ + std::min(limit, at + head.lengthBytes + head.rowidBytes + maxLocal_))
        return false;
    std::vector<uint64_t>& serials = cellSerials_;
    for (size_t s = 0; s < shapes_.size(); ++s) {
        if (!ShapeSummary::has(head.maybe, s)) continue;
        serials.clear();
        int used = 0;
        if (!serialTypesOfHeader(shapes_[s], 0, record + h, record + headerLength, serials, used)) continue;
        int64_t body = 0;
        for (uint64_t serial : serials) body += valueLength(serial);
        if (static_cast<uint64_t>(body) + headerLength != head.payloadLength) continue;
        if (const int alias = shapes_[s].rowidAlias; alias >= 0 && static_cast<size_t>(alias) < serials.size() &&
                                                     serials[static_cast<size_t>(alias)] != kNullSerial)
            continue;
        const bool overflows = static_cast<int64_t>(head.payloadLength) > maxLocal_;
        cellEnd = (record - page_) + static_cast<int64_t>(overflows ? headerLength : head.payloadLength);
        return true;
    }
    return false;
}

void CellReader::startFound(FoundRow& found, const Signatures& signatures, bool lost, int64_t payloadAt, int64_t& end) {
    found.record = {};
    found.tailLost = lost;
    if (lost) end = payloadAt + static_cast<int64_t>(signatures.keptEnd);
    found.signature = signatures.all;
    found.kept = signatures.kept;
    found.unique = signatures.unique;
    found.identity = signatures.identity;
    found.uniqueStart = signatures.uniqueStart;
}

}  // namespace carve
