// A column whose cells read on two lines: the cell's own text, and under it, dimmer, the text of
// another column of the same row (a conversation's address under its name), unless that repeats
// the first line. The other column is hidden, so that a narrow table shows both texts whole in
// one column. A text too wide for the column goes on over more lines, broken after its commas (a
// group conversation's members each stand whole), and its row grows to hold them; rows are two
// lines tall otherwise. Main thread only.
#pragma once

#include <QStringList>

class QFontMetrics;
class QTableView;

namespace secondline {

// Shows the texts of column from under those of column in table.
void showUnder(QTableView* table, int column, int from);

// The lines text takes in width: broken after ", " where it does not fit; a part wider than width
// stands alone on its line (and is cut there).
QStringList linesOf(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace secondline
