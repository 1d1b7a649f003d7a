// The serial types of a record's header, which say what each column of the row holds and in how
// many bytes, and whether a column of a table's shape can hold it. Read at every byte of a page's
// free room, so defined here, where the cell readers' loops see them.
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/Varint.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace carve {

// The serial types, from the file format.
constexpr uint64_t kNullSerial = 0;
constexpr uint64_t kFirstIntegerSerial = 1;  // 1 to 6: big-endian integers of 1, 2, 3, 4, 6 and 8 bytes
constexpr uint64_t kLastIntegerSerial = 6;
constexpr uint64_t kRealSerial = 7;  // an eight-byte big-endian IEEE float
constexpr uint64_t kZeroSerial = 8;  // the integers 0 and 1, held by the type alone
constexpr uint64_t kOneSerial = 9;
constexpr uint64_t kFirstReservedSerial = 10;  // 10 and 11: kept for internal use, no record on disk holds them
constexpr uint64_t kLastReservedSerial = 11;
constexpr uint64_t kFirstBlobSerial = 12;  // 12 and the even types after: a blob of (N-12)/2 bytes
constexpr uint64_t kFirstTextSerial = 13;  // 13 and the odd types after: a text of (N-13)/2 bytes
constexpr int kRealSize = 8;

constexpr uint64_t kLargestPayload = 1u << 24;  // no row of these databases comes near
// A record's header holds its own length and the serial type of one column at least.
constexpr uint64_t kShortestHeader = 2;

// The bytes the value of serial type serial takes in the record's body.
inline int64_t valueLength(uint64_t serial) {
    // Below the first blob's type: none for NULL, 0 and 1; -1 for the reserved ones.
    static constexpr int64_t kFixed[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, -1, -1};
    if (serial < kFirstBlobSerial) return kFixed[serial];
    return static_cast<int64_t>((serial - kFirstBlobSerial) / 2);
}

// Whether a column of that shape can hold a value of serial type serial.
inline bool serialFits(const ColumnShape& column, uint64_t serial) {
    if (serial == kNullSerial) return column.nullable;
    if (serial >= kFirstReservedSerial && serial <= kLastReservedSerial) return false;
    // A text or blob longer than any row (a serial type read from other bytes) would also make
    // the sums of the lengths overflow.
    if (serial >= kFirstBlobSerial && (serial - kFirstBlobSerial) / 2 > kLargestPayload) return false;
    switch (column.kind) {
    case ColumnKind::integer: return serial <= kLastIntegerSerial || serial == kZeroSerial || serial == kOneSerial;
    case ColumnKind::real: return serial <= kOneSerial;
    case ColumnKind::text: return serial >= kFirstTextSerial && (serial & 1);
    case ColumnKind::blob: return serial >= kFirstBlobSerial && !(serial & 1);
    case ColumnKind::any: return true;
    }
    return false;
}

// The serial types of columns [from, N) read from header bytes at p; false when one does not
// fit its column or the header runs past end.
inline bool serialTypes(const TableShape& shape, size_t from, const uint8_t* p, const uint8_t* end,
                        std::vector<uint64_t>& serials, int& used) {
    used = 0;
    for (size_t c = from; c < shape.columns.size(); ++c) {
        uint64_t s = 0;
        const int n = varint(p + used, end, s);
        if (n == 0 || !serialFits(shape.columns[c], s)) return false;
        serials.push_back(s);
        used += n;
    }
    return true;
}

// The serial types of a record whose header ends at end: those of columns [from, n), n the
// columns the header holds, which may be fewer than the shape's down to its fewestColumns (a row
// written before ALTER TABLE added the rest); false when one does not fit its column, or the
// header ends between two serial types or holds more than the shape's columns.
inline bool serialTypesOfHeader(const TableShape& shape, size_t from, const uint8_t* p, const uint8_t* end,
                                std::vector<uint64_t>& serials, int& used) {
    if (shape.fewestColumns >= shape.columns.size())
        return serialTypes(shape, from, p, end, serials, used) && p + used == end;
    used = 0;
    size_t c = from;
    for (; c < shape.columns.size() && p + used < end; ++c) {
        uint64_t s = 0;
        const int n = varint(p + used, end, s);
        if (n == 0 || !serialFits(shape.columns[c], s)) return false;
        serials.push_back(s);
        used += n;
    }
    return p + used == end && c >= shape.fewestColumns;
}

// The serial types of a record whose header's length was lost (a freeblock's head took it), of
// columns [from, n): for a shape whose rows may be shorter (see fewestColumns), the n whose row
// ends in the last few bytes of its room (a freed cell fills the block it became, but for a
// fragment too small to be a block of its own), the most columns preferred, where the whole row
// would run past the room; otherwise every column, as for any shape. fixedBytes: the header's bytes before p (its
// length, and the serial types before from); room: the bytes from the header to the block's end.
inline bool serialTypesFillingRoom(const TableShape& shape, size_t from, const uint8_t* p, const uint8_t* end,
                                   int64_t fixedBytes, int64_t room, int64_t slack, std::vector<uint64_t>& serials,
                                   int& used) {
    const size_t first = serials.size();
    int64_t body = 0;
    for (uint64_t s : serials) body += valueLength(s);
    used = 0;
    size_t fitting = 0;  // the columns of the longest reading that fills the room; 0 for none
    int fittingUsed = 0;
    for (size_t c = from; c < shape.columns.size(); ++c) {
        uint64_t s = 0;
        const int n = varint(p + used, end, s);
        if (n == 0 || !serialFits(shape.columns[c], s)) break;
        serials.push_back(s);
        used += n;
        body += valueLength(s);
        const int64_t rowEnd = fixedBytes + used + body;
        if (c + 1 >= shape.fewestColumns && rowEnd <= room && rowEnd > room - slack) {
            fitting = c + 1;
            fittingUsed = used;
        }
    }
    // A whole row that ends inside its room may be followed by another freed cell of the block.
    const bool whole = serials.size() - first + from == shape.columns.size();
    if (whole && (fitting == 0 || fitting == shape.columns.size() || fixedBytes + used + body <= room)) return true;
    if (fitting == 0) return false;
    serials.resize(fitting - from + first);
    used = fittingUsed;
    return true;
}

// The value of serial type s whose bytes start at b, the bytes of a text or blob left out.
inline CarvedValue valueOf(uint64_t s, const uint8_t* b, int64_t length) {
    CarvedValue v;
    if (s >= kFirstIntegerSerial && s <= kLastIntegerSerial) {
        uint64_t raw = readBigEndian(b, 0, static_cast<int>(length));
        const int bits = static_cast<int>(length) * 8;
        if (bits < 64 && (raw >> (bits - 1)) & 1) raw |= ~uint64_t{0} << bits;  // sign
        v.type = CarvedValue::integerValue;
        v.integer = static_cast<int64_t>(raw);
    } else if (s == kRealSerial) {
        const uint64_t raw = readBigEndian(b, 0, kRealSize);
        v.type = CarvedValue::realValue;
        std::memcpy(&v.real, &raw, sizeof v.real);
    } else if (s == kZeroSerial || s == kOneSerial) {
        v.type = CarvedValue::integerValue;
        v.integer = s == kOneSerial ? 1 : 0;
    } else if (s >= kFirstBlobSerial) {
        v.type = (s & 1) ? CarvedValue::text : CarvedValue::blob;
        v.length = static_cast<uint32_t>(length);
    }
    return v;
}

}  // namespace carve
