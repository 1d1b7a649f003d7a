// Plain background views: a dark grey fill and the window-top image stretched over the view.
#pragma once

#include <QWidget>

class PRView : public QWidget {
    Q_OBJECT
public:
    explicit PRView(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

class PRBackView : public QWidget {
    Q_OBJECT
public:
    explicit PRBackView(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};
