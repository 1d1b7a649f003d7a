#include "backup/carve/ShapeSummary.h"

#include "backup/carve/SerialTypes.h"
#include "backup/carve/Varint.h"

#include <algorithm>

namespace carve {

ShapeSummary::ShapeSummary(const std::vector<TableShape>& shapes)
    : shapes_(shapes), tellsApart_(shapes.size() <= kMostShapes) {
    all_ = !tellsApart_ || shapes.size() == kMostShapes ? ~Mask{0} : (Mask{1} << shapes.size()) - 1;
    for (size_t b = 0; b < kOneByte; ++b) {
        headerLength_[b] = headerLengthMask(b, 1);
        const auto byte = static_cast<uint8_t>(b);
        for (size_t c = 0; c < kColumnsSummed; ++c) serial_[c][b] = serialMask(c, &byte, &byte + 1);
    }
}

ShapeSummary::Mask ShapeSummary::headerLengthMask(uint64_t headerLength, int lengthBytes) const {
    if (!tellsApart_) return all_;
    Mask mask = 0;
    for (size_t s = 0; s < shapes_.size(); ++s) {
        // Every column the header holds takes one to nine bytes; a shape whose rows may be shorter
        // holds its fewest columns at least.
        const size_t columns = shapes_[s].columns.size();
        const auto fewest = static_cast<uint64_t>(std::min(shapes_[s].fewestColumns, columns));
        const auto most = static_cast<uint64_t>(kLongestVarint) * columns;
        const auto serialBytes = headerLength - static_cast<uint64_t>(lengthBytes);
        if (headerLength >= static_cast<uint64_t>(lengthBytes) && serialBytes >= fewest && serialBytes <= most)
            mask |= Mask{1} << s;
    }
    return mask;
}

ShapeSummary::Mask ShapeSummary::serialMask(size_t column, const uint8_t* p, const uint8_t* end) const {
    if (!tellsApart_) return all_;
    uint64_t serial = 0;
    const bool read = p && varint(p, end, serial) > 0;
    Mask mask = 0;
    for (size_t s = 0; s < shapes_.size(); ++s)
        if (shapes_[s].columns.size() <= column || (read && fits(s, column, serial))) mask |= Mask{1} << s;
    return mask;
}

bool ShapeSummary::fits(size_t s, size_t c, uint64_t serial) const {
    const TableShape& shape = shapes_[s];
    if (shape.columns.size() <= c) return true;
    // A column that aliases the row id is stored as NULL, its value being the row id.
    if (shape.rowidAlias == static_cast<int>(c)) return serial == kNullSerial;
    return serialFits(shape.columns[c], serial);
}

}  // namespace carve
