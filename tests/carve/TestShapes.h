// Row shapes written compactly, for tests of the page walk that need a table of a few columns
// rather than one of a phone's (the carvers make theirs from a file's own schema).
#pragma once

#include "backup/carve/CarveRecords.h"

#include <cstdint>
#include <span>
#include <vector>

namespace carvetest {

// One letter per column: 'i' integer, 'r' real, 't' text, 'b' blob, 'a' anything; upper case
// for a column that is never NULL; 'k' for the row-id column; '!' after the letter of the
// unique column, '^' after each column of the identity. A '|' ends the columns whose values are
// kept; a '-' after a kept column's letter leaves its value unstored; a '+' after a later
// column's letter keeps that column's value too. A '/' ends the columns a row read in part must
// hold whole (see TableShape::wholeColumns). "kTt|t": the row id, a text never NULL and a text,
// both kept, then a text checked but not kept.
carve::TableShape shapeOf(const char* columns, carve::LiveRows live = carve::LiveRows::none);

// The integer each row holds in column, as pairRows takes the ids rows name.
std::vector<int64_t> namedIn(std::span<const carve::CarvedRecord* const> rows, size_t column);

}  // namespace carvetest
