// A column whose cells read on two lines: the cell's own text, and under it, dimmer, the text of
// another column of the same row (a conversation's address under its name), unless that repeats
// the first line. The other column is hidden, so that a narrow table shows both texts whole in
// one column; rows are made two lines tall. Main thread only.
#pragma once

class QTableView;

namespace secondline {

// Shows the texts of column from under those of column in table.
void showUnder(QTableView* table, int column, int from);

}  // namespace secondline
