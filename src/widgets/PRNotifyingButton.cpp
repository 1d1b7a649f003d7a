#include "widgets/PRNotifyingButton.h"

#include "platform/Images.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PRNotifyingButton::PRNotifyingButton(QWidget* parent)
    : QAbstractButton(parent), nc(&NSNotificationCenter::defaultCenter()) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void PRNotifyingButton::setImage(const QImage& image) {
    image_ = image;
    imageName_.clear();
    update();
}

void PRNotifyingButton::setImageNamed(const QString& name) {
    image_ = images::imageNamed(name);
    imageName_ = name;
    update();
}

QSize PRNotifyingButton::sizeHint() const {
    if (!image_.isNull()) return image_.size();
    return QAbstractButton::sizeHint();
}

void PRNotifyingButton::post(const NoticeName* notice) {
    if (notice) notice->post(*nc, this);
}

void PRNotifyingButton::enterEvent(QEnterEvent*) {
    if (isEnabled() && hoverAllowed()) post(enteredNotice());
}

void PRNotifyingButton::leaveEvent(QEvent*) {
    if (isEnabled() && hoverAllowed()) post(exitedNotice());
}

void PRNotifyingButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    willPostMouseDown();
    post(mouseDownNotice());
}

void PRNotifyingButton::mouseReleaseEvent(QMouseEvent*) {}
void PRNotifyingButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }
void PRNotifyingButton::keyPressEvent(QKeyEvent* event) { event->ignore(); }

void PRNotifyingButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled()) painter.setOpacity(0.35);  // greyed: it cannot be pressed now
    if (!image_.isNull()) {
        QSize size = image_.size().scaled(this->size(), Qt::KeepAspectRatio);
        QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
        painter.drawImage(target, image_);
    }
    if (!text().isEmpty()) {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
}
