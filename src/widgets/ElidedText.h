// Texts cut to the room they are shown in, never silently: a label keeps its whole text and
// shows it cut with "..." to its width (again whenever it is resized), the whole text then in
// its tooltip; an item view cuts its cells in the middle (a path keeps its file name) and
// shows a cut cell's whole text as its tooltip. Main thread only.
#pragma once

#include <QString>
#include <Qt>

class QAbstractItemView;
class QLabel;
class QModelIndex;

namespace elided {

// Shows text in label, cut with "..." (at mode's side) to the label's width.
void setText(QLabel* label, const QString& text, Qt::TextElideMode mode = Qt::ElideRight);
// The whole text given to setText (the label's own text when it was never given one).
QString wholeText(const QLabel* label);

// Cells of view cut in the middle, and a cut cell's whole text as its tooltip (a tooltip the
// model gives itself is kept); a table's cut column titles likewise.
void showWholeCellTexts(QAbstractItemView* view);
// Whether view shows index's text cut to its column.
bool isCut(const QAbstractItemView* view, const QModelIndex& index);

}  // namespace elided
