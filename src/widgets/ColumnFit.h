// A table's columns sized by what they show: the texts a row is read by (names, numbers, dates,
// sizes, and any column of single words: file names, e-mails, domains) whole, and never a column
// narrower than its title; long free texts and paths share
// the room that is left, a path cut at its start so that its file name shows, any other text
// in the middle, with the whole text as the tooltip, never wrapped. Where the columns need more
// room than the table has, it scrolls sideways. The columns follow the rows as they come and
// the table as it is resized. Main thread only.
#pragma once

#include <Qt>

class QTableView;
class QTreeView;

namespace columnfit {

// A model's horizontal header answers true for this role where a column holds values a row is
// read by (names, numbers, e-mails, file names, dates): they are shown whole, the table
// scrolling sideways where they need the room, never cut nor taken for paths. False or no
// answer: the column is judged by its texts.
constexpr int kValuesRole = Qt::UserRole + 0x5646;

// Keeps table's columns fitted from now on.
void fitColumns(QTableView* table);
// Shows a tree's names whole: deep folders and long names make it scroll sideways instead of
// being cut.
void showWholeNames(QTreeView* tree);
// Whether table cuts the texts of column at their start (a column of paths).
bool cutsAtStart(const QTableView* table, int column);

}  // namespace columnfit
