// A table's columns sized by what they show: short texts (sizes, dates, counts, types) whole,
// the long ones (names, paths) sharing the room that is left, cut in the middle with their
// whole text as the tooltip, never wrapped. The columns follow the rows as they come and the
// table as it is resized. Main thread only.
#pragma once

class QTableView;

namespace columnfit {

// Keeps table's columns fitted from now on.
void fitColumns(QTableView* table);

}  // namespace columnfit
