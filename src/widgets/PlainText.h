// Text from a device or a backup (device names, phone numbers, file names, record fields) is
// shown as the text it is, never read as markup: a name "<font size=6>Bob</font><img src=...>"
// must neither grow nor load a picture from the computer's disk. Installed on the application,
// it makes every label that does not ask for rich text a plain-text one, and shows a tooltip that
// would read as markup (a widget's own, or an item view's row's) as the plain text it is.
#pragma once

class QString;

namespace plaintext {

// Once per application; later calls do nothing. Without an application, nothing.
void install();

// The text of a tooltip as Qt shows plain text: itself, or, where Qt would take it for markup,
// the markup that shows it as it is.
QString tooltipOf(const QString& text);

}  // namespace plaintext
