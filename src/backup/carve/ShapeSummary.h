// What the first bytes of a record header say of the table shapes a walk reads rows of, worked
// out once per walk: which shapes a header of a given length may belong to (each column takes one
// to nine bytes of it), and which may begin with a given serial type in their first or second
// column (a row id alias holds NULL, serial type 0). The cell readers try a cell at every byte of
// a page's free room; most offsets are told apart from every shape by these two bytes alone,
// before any payload is copied or any shape tried in full.
#pragma once

#include "backup/carve/CarveRecords.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace carve {

class ShapeSummary {
public:
    // A bit per shape, from the first. A walk of more shapes than it holds tells none apart.
    using Mask = uint64_t;
    static constexpr size_t kMostShapes = 64;

    explicit ShapeSummary(const std::vector<TableShape>& shapes);

    // Whether shape s may be among those of mask.
    static bool has(Mask mask, size_t s) { return s >= kMostShapes || (mask >> s & 1); }

    // The shapes whose record header may be headerLength bytes long, its own length taking
    // lengthBytes of them.
    Mask byHeaderLength(uint64_t headerLength, int lengthBytes) const {
        if (lengthBytes == 1 && headerLength < kOneByte) return headerLength_[headerLength];
        return headerLengthMask(headerLength, lengthBytes);
    }

    // The shapes whose column (0 or 1) may hold the serial type whose varint begins at p, inside
    // [p, end); a shape of fewer columns has no such column, and may. None where no varint ends
    // before end.
    Mask bySerial(size_t column, const uint8_t* p, const uint8_t* end) const {
        if (p < end && *p < kOneByte) return serial_[column][*p];
        return serialMask(column, p, end);
    }

private:
    static constexpr size_t kOneByte = 0x80;  // the values a one-byte varint holds
    static constexpr size_t kColumnsSummed = 2;

    Mask headerLengthMask(uint64_t headerLength, int lengthBytes) const;
    Mask serialMask(size_t column, const uint8_t* p, const uint8_t* end) const;
    // Whether column c of shape s may hold serial type serial.
    bool fits(size_t s, size_t c, uint64_t serial) const;

    const std::vector<TableShape>& shapes_;
    bool tellsApart_;  // false for a walk of more shapes than a mask holds
    Mask all_ = 0;
    std::array<Mask, kOneByte> headerLength_{};
    std::array<std::array<Mask, kOneByte>, kColumnsSummed> serial_{};
};

}  // namespace carve
