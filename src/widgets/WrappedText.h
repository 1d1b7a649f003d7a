// Text wrapped to a width as labels, previews and message bubbles show it: each line break
// starts a new line, a word longer than the width (an address, a link) breaks anywhere, and
// emoji are drawn in colour (textfonts::emojiFamily).
// What is measured here is what is drawn here, so a text is never shown taller or shorter than
// the room it was given. Main thread only.
#pragma once

#include <QSizeF>
#include <QString>
#include <QTextOption>

class QFont;
class QPainter;
class QRectF;

namespace wrappedtext {

// Left and top aligned, breaking at word boundaries or, for a longer word, anywhere.
QTextOption option();
// The widest line and the height of text's lines wrapped at width.
QSizeF size(const QString& text, const QFont& font, qreal width);
// Draws text wrapped at rect's width from its top left, in the painter's pen.
void draw(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font);

}  // namespace wrappedtext
