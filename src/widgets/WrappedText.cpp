#include "widgets/WrappedText.h"

#include "widgets/TextFonts.h"

#include <QFont>
#include <QGlyphRun>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>

namespace wrappedtext {
namespace {

// A text layout takes a line break only as the Unicode line separator: "\n" would be drawn as
// a blank and the lines after it lost.
QString withLineSeparators(QString text) {
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    text.replace(QChar('\n'), QChar::LineSeparator);
    text.replace(QChar('\r'), QChar::LineSeparator);
    return text;
}

// Emoji are drawn in the colour emoji font, whatever glyphs the text's own font has for them.
void useEmojiFont(QTextLayout& layout, const QFont& font) {
    QList<QTextLayout::FormatRange> formats;
    for (const auto& [start, length] : textfonts::emojiRuns(layout.text())) {
        QTextLayout::FormatRange range;
        range.start = start;
        range.length = length;
        range.format.setFont(textfonts::emojiFont(font));
        formats << range;
    }
    layout.setFormats(formats);
}

// An emoji drawn in colour at four times size, to stand in for its glyphs.
QImage emojiPicture(const QString& emoji, const QFont& font, QSizeF size) {
    constexpr int kScale = 4;
    QImage picture((size * kScale).toSize().expandedTo({1, 1}), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.scale(kScale, kScale);
    QTextLayout layout(emoji, textfonts::emojiFont(font));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    layout.draw(&painter, QPointF(0, 0));
    return picture;
}

// Lays text out in layout at width; returns the widest line and the height.
QSizeF layOut(QTextLayout& layout, qreal width) {
    layout.setTextOption(option());
    layout.beginLayout();
    qreal height = 0, widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return {widest, height};
}

}  // namespace

QTextOption option() {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

QSizeF size(const QString& text, const QFont& font, qreal width) {
    QTextLayout layout(withLineSeparators(text), font);
    useEmojiFont(layout, font);
    return layOut(layout, width);
}

void draw(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font) {
    QTextLayout layout(withLineSeparators(text), font);
    useEmojiFont(layout, font);
    layOut(layout, rect.width());
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    const bool pdf = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Pdf;
    if (!pdf) {
        layout.draw(&painter, rect.topLeft());
    } else {
        // A PDF holds no colour glyphs, and the PDF writer must never be handed the emoji font's:
        // reading them for the file leaves that font drawn cut in half on screen afterwards. The
        // other glyphs go in as text; each emoji is drawn as a picture of itself where the layout
        // left its room.
        const QString emojiFamily = textfonts::emojiFamily();
        for (int i = 0; i < layout.lineCount(); ++i)
            for (const QGlyphRun& run : layout.lineAt(i).glyphRuns())
                if (run.rawFont().familyName() != emojiFamily) painter.drawGlyphRun(rect.topLeft(), run);
        for (const auto& [start, length] : textfonts::emojiRuns(layout.text())) {
            const QTextLine line = layout.lineForTextPosition(start);
            if (!line.isValid()) continue;
            const qreal left = line.cursorToX(start), right = line.cursorToX(start + length);
            const QRectF room(rect.left() + left, rect.top() + line.y(), right - left, line.height());
            painter.drawImage(room, emojiPicture(layout.text().mid(start, length), font, room.size()));
        }
    }
    painter.restore();
}

}  // namespace wrappedtext
