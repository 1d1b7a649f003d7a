// A table's columns sized by what they show: the texts a row is read by (names, numbers, dates,
// sizes) whole, and never a column narrower than its title; long free texts and paths share
// the room that is left, a path cut at its start so that its file name shows, any other text
// in the middle, with the whole text as the tooltip, never wrapped. Where the columns need more
// room than the table has, it scrolls sideways. The columns follow the rows as they come and
// the table as it is resized. Main thread only.
#pragma once

class QTableView;
class QTreeView;

namespace columnfit {

// Keeps table's columns fitted from now on.
void fitColumns(QTableView* table);
// Shows a tree's names whole: deep folders and long names make it scroll sideways instead of
// being cut.
void showWholeNames(QTreeView* tree);
// Whether table cuts the texts of column at their start (a column of paths).
bool cutsAtStart(const QTableView* table, int column);

}  // namespace columnfit
