// What a user cannot read or use on a shown window: labels, buttons and item-view cells whose
// text does not fit where it is shown, conversation bubbles that leave their pane, and pages
// without a single control. Each finding is one line naming the widget and the text.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace readable {

// The shown labels, buttons, header sections and cells under root whose text is cut: wider
// than the widget or its column, taller than a wrapping label, or reaching outside the area
// its parents show. A text elided by its view with the whole text in the tooltip is not cut.
QStringList cutTexts(QWidget* root);
// The shown cells under root that hold one of values and show it cut (whatever the tooltip),
// the paths cut anywhere but at their start (their file names lost), and tree rows without a
// name.
QStringList cutValues(QWidget* root, const QStringList& values);
// The bubbles of every shown conversation under root that reach outside its visible width,
// and the date lines and texts that reach outside their bubble.
QStringList bubblesOutside(QWidget* root);
// Buttons that do not look like the others of their kind: an image button (a page's main
// action) drawn as bare text, and a push button unlike the push buttons beside it (another
// font, colour or height).
QStringList oddButtons(QWidget* root);
// Whether root shows an enabled control inside the window: a button, a filled list, a field.
bool hasControl(QWidget* root);

}  // namespace readable
