// Drawn progress widgets: a flat one-fraction bar, the device capacity bar (used/free or five
// coloured categories), an arc and a spinning image. Values are set on the main thread.
// Geometry is computed in the view's top-left coordinates and never leaves the view.
#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>
#include <optional>
#include <vector>

class QPainter;

// A filled rectangle with a vertical gradient from bottom (start) to top (end).
struct BarSegment {
    QRectF rect;
    QColor start;
    QColor end;
};

class PRProgressView : public QWidget {
    Q_OBJECT
public:
    explicit PRProgressView(QWidget* parent = nullptr);
    void setProgressValue(float value);
    float value() const { return value_; }
    // The bar for a view of width w and height h; none for 0 or a value above 1.
    static std::optional<BarSegment> barFor(qreal w, qreal h, float value);
    // The frame and fill drawn under every bar.
    static void drawBezel(QPainter& painter, qreal w, qreal h, const QColor& fill);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float value_ = 0;
};

class PRColorProgressView : public QWidget {
    Q_OBJECT
public:
    explicit PRColorProgressView(QWidget* parent = nullptr);
    void setProgressValueWithMusicValue(float music, float photo, float video, float app, float others);
    // Does not redraw: the caller does.
    void setProgressValueWithusedValue(float used, float free);
    bool getShowMore() const { return bshowMore_; }

    float freevalue() const { return freevalue_; }
    float usedValue() const { return usedValue_; }
    float musicValue() const { return musicValue_; }
    float photoValue() const { return photoValue_; }
    float videoValue() const { return videoValue_; }
    float appValue() const { return appValue_; }
    float othersValue() const { return othersValue_; }

    // What the bar draws over the bezel for a view of width w and height h.
    std::vector<BarSegment> segments(qreal w, qreal h) const;

    static QColor categoryColor(int category);  // 0 music, 1 photo, 2 video, 3 app, 4 others

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float freevalue_ = 0, musicValue_ = 0, photoValue_ = 0, videoValue_ = 0, appValue_ = 0, othersValue_ = 0,
          usedValue_ = 0;
    bool bshowMore_ = false;
};

class CircleProgressView : public QWidget {
    Q_OBJECT
public:
    explicit CircleProgressView(QWidget* parent = nullptr);
    float progress() const { return progress_; }
    void setProgress(float progress) { progress_ = progress; }  // no redraw by itself

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float progress_ = 0;
};
