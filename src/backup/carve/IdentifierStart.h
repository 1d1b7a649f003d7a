// The start of a row's identifier (its unique text) as far as a later cell left it: an edit that
// rewrites a row writes it anew, often over the end of its own old cell, so the old copy keeps
// only the first characters of the identifier, which the live row still begins with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace carve {

// The bytes of an identifier's start kept, at most: eight characters of a hexadecimal identifier
// are 32 bits, which with a text the two rows share tell one row among millions.
constexpr size_t kStartBytes = 8;
// The fewest bytes of it that, with a text the two rows share, tell the live row whose cell took
// the copy's tail (one row, right after the copy, not any of the file), and any live row of the
// copy's page (a few dozen).
constexpr size_t kStartBytesOfTaker = 3;
constexpr size_t kStartBytesOnPage = 4;
// The fewest bytes of it that tell, among a page's few dozen rows, the live row a copy is of
// where the copy shares no value an edit changes with it (a row renamed and then moved) but
// every value no edit changes. (The live row whose cell took the copy's tail is told by
// kStartBytesOnPage.)
constexpr size_t kStartBytesOfRenamed = 6;
// The fewest bytes of it that, with a text the two rows share in a column an edit may change,
// tell the live row a copy is of among a whole file's: 24 bits of a hexadecimal identifier, and a
// text (an address, a title) that few rows hold. (The whole start tells it with such a text
// among any number of rows.)
constexpr size_t kStartBytesWithText = 6;
// The most live rows of a table among which the whole start alone (32 bits of a hexadecimal
// identifier) tells one: more than any phone's bookmarks or calendars hold. In a larger table a
// text the two rows share must tell it too.
constexpr size_t kStartAloneRows = size_t{1} << 20;

// The first bytes of an identifier of which own bytes may be the row's (up to kStartBytes), up to
// the first that is no printable character (the head of a later cell), packed into a word, the
// first byte lowest; 0 where there are none.
inline uint64_t identifierStart(const char* text, size_t own) {
    size_t n = 0;
    while (n < own && n<kStartBytes&& static_cast<unsigned char>(text[n])> 0x20 &&
           static_cast<unsigned char>(text[n]) < 0x7f)
        ++n;
    uint64_t start = 0;
    std::memcpy(&start, text, n);
    return start;
}

// How many bytes a start holds.
inline size_t startLength(uint64_t start) {
    size_t n = 0;
    while (n < kStartBytes && (start >> (8 * n) & 0xff) != 0) ++n;
    return n;
}

// Whether an identifier's kept start (cut) begins another's (whole).
inline bool startsAlike(uint64_t cut, uint64_t whole) {
    const size_t n = startLength(cut);
    if (n == 0 || startLength(whole) < n) return false;
    const uint64_t mask = n == kStartBytes ? ~uint64_t{0} : (uint64_t{1} << (8 * n)) - 1;
    return (cut & mask) == (whole & mask);
}

}  // namespace carve
