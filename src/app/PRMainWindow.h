// A frameless top-level window with our own title strip: the strip drags the window, and a
// close request asks the owner first (the main window's exit confirmation).
#pragma once

#include <QWidget>
#include <functional>

class PRMainWindow : public QWidget {
    Q_OBJECT
public:
    explicit PRMainWindow(QWidget* parent = nullptr);
    // Asked on every close request; false keeps the window open. Unset: the window closes.
    void setShouldClose(std::function<bool()> shouldClose) { shouldClose_ = std::move(shouldClose); }
    // The area from which a press moves the window (the title strip).
    void setDragArea(QWidget* area);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> shouldClose_;
    QWidget* dragArea_ = nullptr;
};
