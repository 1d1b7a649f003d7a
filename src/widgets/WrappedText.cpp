#include "widgets/WrappedText.h"

#include <QFont>
#include <QPainter>
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
    return layOut(layout, width);
}

void draw(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font) {
    QTextLayout layout(withLineSeparators(text), font);
    layOut(layout, rect.width());
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    layout.draw(&painter, rect.topLeft());
    painter.restore();
}

}  // namespace wrappedtext
