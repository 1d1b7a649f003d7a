// A spinning "load.png", shown while a long job runs: startFlash turns it once every two
// seconds until stopFlash. Hiding the view is the caller's.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

class FlashView : public QWidget {
    Q_OBJECT
public:
    explicit FlashView(QWidget* parent = nullptr);
    void startFlash();
    void stopFlash();
    bool isFlashing() const { return timer_.isActive(); }
    qreal angle() const;  // degrees, 0 when not flashing

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage diskLayer_;
    QTimer timer_;
    QElapsedTimer clock_;
};

// The small circular busy indicator of the sidebar rows: hidden and still until started.
class CircularBusyIndicator : public QWidget {
    Q_OBJECT
public:
    explicit CircularBusyIndicator(QWidget* parent = nullptr);
    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return timer_.isActive(); }
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    int step_ = 0;
};
