#include "widgets/PRView.h"

#include "platform/Images.h"

#include <QPaintEvent>
#include <QPainter>

void PRView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3, 1.0));
}

void PRBackView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), images::imageNamed("WindowTopImage.png"));
}
