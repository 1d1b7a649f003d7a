// What the types of CarveRecords.h answer of themselves: a value as a number or a text, where a
// shape keeps a column's value, a row's lost and also-kept values; and the latest time a carved
// row may hold.
#include "backup/carve/CarveRecords.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <bit>
#include <ctime>

namespace carve {

int64_t latestPlausibleTime(int64_t backupTime) {
    static const int64_t present = static_cast<int64_t>(std::time(nullptr));
    return (backupTime > 0 ? backupTime : present) + kClockMargin;
}

int64_t CarvedValue::asInteger() const {
    if (type == integerValue) return integer;
    if (type == realValue) return static_cast<int64_t>(real);
    return 0;
}

double CarvedValue::asReal() const {
    if (type == realValue) return real;
    if (type == integerValue) return static_cast<double>(integer);
    return 0;
}

std::string textOf(const CarvedValue& value) {
    return value.type == CarvedValue::text ? GetStringFormChar(value.bytes, value.length) : std::string();
}

std::string_view textView(const CarvedValue& value) {
    return value.type == CarvedValue::text ? GetStringViewFormChar(value.bytesView()) : std::string_view();
}

size_t TableShape::keptSlot(size_t column) const {
    const uint64_t before = column < 64 ? (uint64_t{1} << column) - 1 : ~uint64_t{0};
    return column - static_cast<size_t>(std::popcount(unstoredColumns & before));
}

bool lostPart(const CarvedRecord& row) {
    return std::any_of(row.values.begin(), row.values.end(), [](const CarvedValue& v) { return v.isLost() || v.cut; });
}

std::span<const CarvedValue> alsoKeptValues(const CarvedRecord& row, const TableShape& shape) {
    if (row.values.size() < shape.alsoKept.size()) return {};
    return row.values.last(shape.alsoKept.size());
}

}  // namespace carve
