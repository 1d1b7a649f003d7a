#include "widgets/PRProgressView.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
// The bars' height and inset: 1 point above the bottom, 3.5 points shorter than the view.
constexpr qreal kBottomInset = 1;
constexpr qreal kHeightLoss = 3.5;

QRectF barRect(qreal x, qreal w, qreal viewW, qreal viewH) {
    const qreal h = std::max<qreal>(0, viewH - kHeightLoss);
    const qreal top = viewH - kBottomInset - h;
    const qreal right = std::min(x + w, viewW);
    return QRectF(x, top, std::max<qreal>(0, right - x), h);
}

void fill(QPainter& painter, const BarSegment& s) {
    QLinearGradient gradient(s.rect.bottomLeft(), s.rect.topLeft());
    gradient.setColorAt(0, s.start);
    gradient.setColorAt(1, s.end);
    painter.fillRect(s.rect, gradient);
}

bool positive(float v) { return v > 0; }  // false for NaN too
}  // namespace

PRProgressView::PRProgressView(QWidget* parent) : QWidget(parent) {}

void PRProgressView::setProgressValue(float value) {
    value_ = value;
    update();
}

void PRProgressView::drawBezel(QPainter& painter, qreal w, qreal h, const QColor& fillColor) {
    painter.save();
    painter.setClipRect(QRectF(0, 0, w, h / 2));
    painter.setPen(QPen(QColor(255, 255, 255, 51), 1));
    painter.drawRect(QRectF(0.5, 1, w - 1, h - 1));
    painter.restore();
    painter.fillRect(QRectF(1, 1.5, w - 1, h - 1.5), fillColor);
}

std::optional<BarSegment> PRProgressView::barFor(qreal w, qreal h, float value) {
    if (!positive(value) || value > 1.0f) return std::nullopt;
    const qreal bw = w * value - 4;
    return BarSegment{barRect(2, bw > 0 ? bw : 2, w, h), QColor(95, 146, 236), QColor(95, 146, 236)};
}

void PRProgressView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawBezel(painter, width(), height(), QColor(168, 168, 168));
    if (auto bar = barFor(width(), height(), value_)) fill(painter, *bar);
}

PRColorProgressView::PRColorProgressView(QWidget* parent) : QWidget(parent) {}

void PRColorProgressView::setProgressValueWithMusicValue(float music, float photo, float video, float app,
                                                         float others) {
    musicValue_ = music;
    photoValue_ = photo;
    videoValue_ = video;
    appValue_ = app;
    othersValue_ = others;
    bshowMore_ = true;
    update();
}

void PRColorProgressView::setProgressValueWithusedValue(float used, float free) {
    usedValue_ = used;
    freevalue_ = free;
    bshowMore_ = false;
}

QColor PRColorProgressView::categoryColor(int category) {
    static const QColor colors[] = {QColor(90, 152, 246), QColor(255, 128, 110), QColor(64, 222, 179),
                                    QColor(247, 217, 21), QColor(214, 71, 141)};
    return colors[std::clamp(category, 0, 4)];
}

std::vector<BarSegment> PRColorProgressView::segments(qreal w, qreal h) const {
    std::vector<BarSegment> out;
    if (!bshowMore_) {
        if (freevalue_ > 1.0f || !positive(usedValue_)) return out;
        const qreal bw = w * std::min(usedValue_, 1.0f);
        const QRectF rect = barRect(2, bw > 0 ? bw : 2, w, h);
        if (usedValue_ > 0.5f)
            out.push_back({rect, QColor(252, 61, 45), QColor(198, 39, 33)});
        else
            out.push_back({rect, QColor(139, 234, 254), QColor(115, 200, 223)});
        return out;
    }
    const float values[] = {musicValue_, photoValue_, videoValue_, appValue_, othersValue_};
    static const QColor ends[] = {QColor(90, 154, 246), QColor(255, 128, 110), QColor(64, 222, 179),
                                  QColor(247, 217, 21), QColor(214, 71, 141)};
    qreal x = 0;
    for (int i = 0; i < 5; ++i) {
        if (!positive(values[i])) continue;
        if (x >= w) break;  // shares adding up to more than the whole stop at the view's edge
        const qreal sw = w * std::min(values[i], 1.0f);
        const qreal width = sw > 1 ? sw : 2;
        const QRectF rect = barRect(x, width, w, h);
        out.push_back({rect, categoryColor(i), ends[i]});
        x += width;
    }
    return out;
}

void PRColorProgressView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PRProgressView::drawBezel(painter, width(), height(), QColor(219, 219, 219));
    for (const BarSegment& s : segments(width(), height())) fill(painter, s);
}

CircleProgressView::CircleProgressView(QWidget* parent) : QWidget(parent) {}

void CircleProgressView::paintEvent(QPaintEvent*) {
    if (progress_ == 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor::fromRgbF(0.498, 0.718, 0.898, 1.0), 5.0));
    const qreal radius = 0.4 * std::min(width(), height());
    const QPointF centre(width() / 2.0, height() / 2.0);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    // Anticlockwise from the top to the end angle.
    const double startDeg = 90.0;
    double spanDeg = std::fmod(double(progress_) * 180.0 / M_PI - startDeg, 360.0);
    if (spanDeg < 0) spanDeg += 360.0;
    painter.drawArc(box, int(startDeg * 16), int(spanDeg * 16));
}
