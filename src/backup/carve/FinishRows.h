// The finish of a carve: of the deleted rows every part of the page walk found, those kept, in
// the file's order, with what the rows around them and the tree tell of the ids they lost.
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/FoundRow.h"
#include "backup/carve/TreeBounds.h"

#include <cstddef>
#include <vector>

namespace carve {

// Puts in tables (the result, one per shape) the deleted rows, in the file's order (those of the
// parts of the walk, one after another), that repeat no live row of their table (see
// markRepeats() in LiveKeys.h) and no deleted row before them (same row id, values or unique value). parts:
// each part's deleted rows by shape, each list freed once read; each of the tables' parts
// (CarvedTable::parts, counted as the live rows were gathered) is given its deletedEnd here.
// Rows that lost their ids took those of the holes they fill before (see fillHoles); those at
// the edge of their page are bounded by what the tree gives the page (bounds).
// With threads, the tables, and the parts of each, are done side by side wherever no row's fate
// hangs on the rows before it; what does is asked of each table's rows in order.
void finishDeleted(const std::vector<TableShape>& shapes, const std::vector<LeafBounds>& bounds,
                   const std::vector<std::vector<FoundList>*>& parts, size_t threads, std::vector<CarvedTable>& tables);

}  // namespace carve
