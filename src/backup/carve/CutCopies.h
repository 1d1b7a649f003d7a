// Copies of one deleted row whose overflow chains broke at different places: a balance or an
// edit leaves a row's earlier cells behind, each naming the same chain, and a later write cuts
// each short where it took that copy's bytes. Of such copies the one that kept the most of its
// text stands for the row.
#pragma once

#include "backup/carve/CarveRecords.h"

namespace carve {

// Leaves out of table's deleted rows (of shape) those that hold the values of another deleted
// row's identity but its last text (a message's address and time) and whose last text was cut
// short with their chain (CarvedValue::cut) to a start of the other's: the other is the same row
// with more of its text. Of two copies cut alike, the first in the file stays. The parts' ends
// (CarvedTable::Part::deletedEnd) follow. Nothing for a shape whose identity holds no text.
void dropShorterCutCopies(const TableShape& shape, CarvedTable& table);

}  // namespace carve
