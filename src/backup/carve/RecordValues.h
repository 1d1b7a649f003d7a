// The values of a record read as a table's shape holds them: checked against the shape (each
// value within the payload, each text UTF-8) and summed up in signatures, the hashes that tell a
// row from the live rows and from other copies of it whatever its row id.
#pragma once

#include "backup/carve/CarveRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace carve {

// What checkValues() answers of a record.
struct Signatures {
    uint64_t all = 0, kept = 0, unique = 0, identity = 0;
    // Of the shape's unique text, the key of its first bytes (see kUniqueHead), read whole or
    // kept before a later cell took the rest: 0 where fewer are there.
    uint64_t uniqueHead = 0;
    size_t keptEnd = 0;  // where the bytes of the kept columns the row holds end in data
    // Where the row's own bytes end in data: a cut found where a later column is no text
    // (see checkValues()); the values past it are a later cell's and are lost.
    size_t ownEnd = SIZE_MAX;
    bool chainCut = false;  // some values were lost with the row's overflow chain
};

// How many of a text's first length bytes, the rest of it lost, make whole characters: a
// character whose last bytes were lost is left out.
size_t wholeCharacters(const char* bytes, size_t length);

// Whether a value of serial type serial starting at at in a payload whose bytes from chainEnd on
// were lost with its overflow chain (see ChainCut) keeps its start: a text the cut runs through.
bool cutText(uint64_t serial, size_t at, size_t chainEnd);

// Checks the values of a record whose body starts at body inside data, and answers their
// signatures: a hash of the values with the row id column aside (each value's type, length
// and bytes, eight at a time), the same of the columns every reading of a row holds whole
// (TableShape::wholeColumnCount), and that of the shape's unique value when it holds a text
// there (0 otherwise). False when a value runs past the end or a text is not UTF-8. Bytes of
// data from trusted on are no longer the row's (a newer cell was written over its tail): a
// column reaching there is lost, taken as no value of the row; false when the row must hold
// it whole. When lenient, and the last column kept is a text, the first column past those
// kept whose bytes are no text starts the lost tail too. lost says whether a column was lost.
// Bytes from chainEnd on were lost with the row's overflow chain: the text the cut runs
// through keeps its start where the shape reads rows in part (even one the row must hold whole:
// a long text cut short is still the row's), and the columns after it are lost.
bool checkValues(const TableShape& shape, const std::vector<uint64_t>& serials, const std::string& data, size_t body,
                 Signatures& out, size_t trusted = SIZE_MAX, bool lenient = false, bool* lost = nullptr,
                 size_t chainEnd = SIZE_MAX);

}  // namespace carve
