#include "widgets/FlashView.h"

#include "platform/Images.h"

#include <QPainter>
#include <cmath>

namespace {
constexpr int kFrameMs = 33;
constexpr qreal kTurnMs = 2000.0;
}  // namespace

FlashView::FlashView(QWidget* parent) : QWidget(parent), diskLayer_(images::imageNamed("load.png")) {
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void FlashView::startFlash() {
    clock_.restart();
    timer_.start();
    update();
}

void FlashView::stopFlash() {
    timer_.stop();
    update();
}

qreal FlashView::angle() const {
    if (!timer_.isActive()) return 0;
    return std::fmod(clock_.elapsed() / kTurnMs, 1.0) * 360.0;
}

void FlashView::paintEvent(QPaintEvent*) {
    if (diskLayer_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(angle());
    QSizeF size = diskLayer_.size().scaled(this->size(), Qt::KeepAspectRatio);
    painter.drawImage(QRectF(-size.width() / 2, -size.height() / 2, size.width(), size.height()), diskLayer_);
}

CircularBusyIndicator::CircularBusyIndicator(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(80);
    connect(&timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % 12;
        update();
    });
}

void CircularBusyIndicator::startAnimation() { timer_.start(); }

void CircularBusyIndicator::stopAnimation() {
    timer_.stop();
    update();
}

void CircularBusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    for (int i = 0; i < 12; ++i) {
        const int age = (step_ - i + 12) % 12;
        QColor color(90, 110, 140);
        color.setAlphaF(isAnimating() ? 1.0 - age / 13.0 : 0.35);
        painter.setPen(QPen(color, side / 9.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.42));
        painter.rotate(30);
    }
}
