// Byte counts as the short texts shown everywhere in the interface ("1.50KB", "2.00GB") and
// back. Decimal units, a divisor of 1000, two decimals of a single-precision quotient. Both
// directions ignore the user's locale: a size text always uses a point as decimal separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bytesize {
// Size of the caller's buffer that sizeToUnit writes into; every text fits it.
constexpr size_t kBufferSize = 100;
// Writes the text of count into buffer (at least kBufferSize bytes) and returns buffer.
char* sizeToUnit(uint64_t count, char* buffer);
std::string sizeToUnit(uint64_t count);
// The byte count of a text made by sizeToUnit; 0 for an empty text, a text without a known
// unit, or a text whose number cannot be read. Negative numbers give 0, numbers too large
// for 64 bits give the largest count.
uint64_t sizeFromString(std::string_view text);
}  // namespace bytesize
