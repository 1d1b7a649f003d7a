// Small helpers for the window's page views: placing a controller's page into its host view,
// and a click action for image buttons that only post notifications of their own.
#pragma once

#include <functional>

class QWidget;

namespace pagehost {

// Puts page into host once, and shows it: over what a grid host holds, below what a box
// host holds (taking the room left), alone in a host without a layout.
void place(QWidget* host, QWidget* page);

// Runs action when widget is clicked: the left button pressed and released over it.
void onClick(QWidget* widget, std::function<void()> action);

}  // namespace pagehost

#include <QObject>
#include <QPointer>

// A page controller's page: made on first use, named after its interface file, and deleted
// with the controller unless the window that holds it went first.
class PageController : public QObject {
    Q_OBJECT
public:
    explicit PageController(const char* pageName, QObject* parent = nullptr);
    ~PageController() override;
    QWidget* view();

protected:
    // Fills the new page; called once, from view().
    virtual void buildView(QWidget* page) = 0;
    // place() of the page into host.
    void putInto(QWidget* host);

private:
    const char* pageName_;
    QPointer<QWidget> view_;
};
