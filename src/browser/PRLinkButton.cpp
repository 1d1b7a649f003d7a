#include "browser/PRLinkButton.h"

#include <QMouseEvent>
#include <QPainter>

PRLinkButton::PRLinkButton(const QString& title, QWidget* parent) : PRButton(parent) {
    setText(title);
    setCursor(Qt::ArrowCursor);
}

QSize PRLinkButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 4, metrics.height() + 4};
}

void PRLinkButton::mousePressEvent(QMouseEvent* event) { QAbstractButton::mousePressEvent(event); }
void PRLinkButton::mouseReleaseEvent(QMouseEvent* event) { QAbstractButton::mouseReleaseEvent(event); }

void PRLinkButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(isEnabled() ? QColor(17, 11, 137) : palette().color(QPalette::Disabled, QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, text());
}
