// The summary of a walk's shapes that the cell readers reject most offsets of free room by: it
// must leave every shape a header could still be a row of, and only those.
#include "TestShapes.h"
#include "backup/carve/ShapeSummary.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using carve::ShapeSummary;
using carvetest::shapeOf;

constexpr ShapeSummary::Mask kAliased = 1, kNoAlias = 2, kNullableFirst = 4, kWide = 8, kShorter = 16;

// The shapes a header of these bytes leaves, its first serial type right after its length.
ShapeSummary::Mask headerLeaves(const ShapeSummary& summary, const std::vector<uint8_t>& bytes) {
    const uint8_t* end = bytes.data() + bytes.size();
    uint64_t length = 0;
    int n = 0;
    for (; n < static_cast<int>(bytes.size()); ++n) {
        length = length << 7 | (bytes[static_cast<size_t>(n)] & 0x7fu);
        if (!(bytes[static_cast<size_t>(n)] & 0x80)) break;
    }
    return summary.byHeaderLength(length, n + 1) & summary.bySerial(0, bytes.data() + n + 1, end);
}

TEST(ShapeSummary, LeavesEveryShapeAHeaderMayBelongToAndNoOther) {
    std::vector<carve::TableShape> shapes = {
        shapeOf("kTt"),                         // the row id first, stored as NULL
        shapeOf("Iit"),                         // no alias: a number first, never NULL
        shapeOf("itt"),                         // no alias: a number or NULL first
        shapeOf(std::string(70, 'a').c_str()),  // a header of 70 columns and more: its length takes two bytes
        shapeOf("Tttt"),
    };
    shapes[4].fewestColumns = 2;  // rows written before two columns were added
    const ShapeSummary summary(shapes);

    // The header's length: one byte each for three columns, up to nine each; fewer only where
    // the shape's rows may be shorter.
    EXPECT_EQ(summary.byHeaderLength(4, 1), kAliased | kNoAlias | kNullableFirst | kShorter);
    EXPECT_EQ(summary.byHeaderLength(3, 1), kShorter);
    EXPECT_EQ(summary.byHeaderLength(2, 1), 0u);
    EXPECT_EQ(summary.byHeaderLength(28, 1), kAliased | kNoAlias | kNullableFirst | kShorter);
    EXPECT_EQ(summary.byHeaderLength(29, 1), kShorter);
    EXPECT_EQ(summary.byHeaderLength(0, 1), 0u);

    // The row id's NULL: a number where the row id's column lies is another table's row; in a
    // table without an alias a number is what the first column holds.
    EXPECT_EQ(headerLeaves(summary, {4, 0, 13, 13}) & ~kWide, kAliased | kNullableFirst);
    EXPECT_EQ(headerLeaves(summary, {4, 1, 13, 13}) & ~kWide, kNoAlias | kNullableFirst);
    EXPECT_EQ(headerLeaves(summary, {4, 9, 13, 13}) & ~kWide, kNoAlias | kNullableFirst);
    // A reserved type fits no column, not even one that takes anything.
    EXPECT_EQ(headerLeaves(summary, {4, 10, 13, 13}), 0u);
    // A text first: only shapes whose first column holds one.
    EXPECT_EQ(headerLeaves(summary, {5, 15, 13, 13, 13}), kShorter);

    // A header of 130 bytes, its length in two bytes (0x81 0x02): the wide shape alone, whatever
    // its first type; the first type of a long text takes two bytes too (0x81 0x55: 213, a text
    // of 100 bytes).
    EXPECT_EQ(headerLeaves(summary, {0x81, 0x02, 0x81, 0x55}), kWide);
    EXPECT_EQ(summary.byHeaderLength(130, 2), kWide);
    const std::vector<uint8_t> longText = {0x81, 0x55};
    EXPECT_EQ(summary.bySerial(0, longText.data(), longText.data() + 2), kWide | kShorter);
    // A varint that runs past the bytes there are ends no header.
    EXPECT_EQ(summary.bySerial(0, longText.data(), longText.data() + 1), 0u);

    // The second column, where a freed cell lost its first type with its header's length.
    const std::vector<uint8_t> number = {1}, nothing = {0};
    EXPECT_EQ(summary.bySerial(1, number.data(), number.data() + 1), kNoAlias | kWide);
    EXPECT_EQ(summary.bySerial(1, nothing.data(), nothing.data() + 1), kNoAlias | kNullableFirst | kWide | kShorter);
}

TEST(ShapeSummary, TellsNothingApartForMoreShapesThanAMaskHolds) {
    const std::vector<carve::TableShape> shapes(ShapeSummary::kMostShapes + 1, shapeOf("kT"));
    const ShapeSummary summary(shapes);
    const std::vector<uint8_t> number = {1};
    EXPECT_EQ(summary.byHeaderLength(0, 1), ~ShapeSummary::Mask{0});
    EXPECT_EQ(summary.bySerial(0, number.data(), number.data() + 1), ~ShapeSummary::Mask{0});
    EXPECT_TRUE(ShapeSummary::has(0, ShapeSummary::kMostShapes));
}

}  // namespace
