#include "app/PRMainWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWindow>

PRMainWindow::PRMainWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {}

void PRMainWindow::setDragArea(QWidget* area) {
    dragArea_ = area;
    if (area) area->installEventFilter(this);
}

void PRMainWindow::closeEvent(QCloseEvent* event) {
    if (shouldClose_ && !shouldClose_()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool PRMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dragArea_ && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && windowHandle()) {
            windowHandle()->startSystemMove();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
