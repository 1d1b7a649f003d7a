#include "widgets/PageHost.h"

#include "widgets/PlainText.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGridLayout>
#include <QMouseEvent>
#include <QWidget>

namespace pagehost {

void place(QWidget* host, QWidget* page) {
    if (!host || !page) return;
    if (page->parentWidget() != host) {
        if (auto* grid = qobject_cast<QGridLayout*>(host->layout())) {
            grid->addWidget(page, 0, 0);  // over what the host shows
        } else if (auto* box = qobject_cast<QBoxLayout*>(host->layout())) {
            box->addWidget(page, 1);
        } else {
            auto* layout = new QVBoxLayout(host);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
            layout->addWidget(page);
        }
    }
    page->setHidden(false);
}

namespace {
class ClickFilter : public QObject {
public:
    ClickFilter(QWidget* widget, std::function<void()> action) : QObject(widget), action_(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::MouseButtonPress) {
            pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        } else if (event->type() == QEvent::MouseButtonRelease && pressed_) {
            pressed_ = false;
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint())) action_();
        }
        return false;  // the widget still sees every event (its own notifications)
    }

private:
    std::function<void()> action_;
    bool pressed_ = false;
};
}  // namespace

void onClick(QWidget* widget, std::function<void()> action) {
    if (widget) widget->installEventFilter(new ClickFilter(widget, std::move(action)));
}

}  // namespace pagehost

PageController::PageController(const char* pageName, QObject* parent) : QObject(parent), pageName_(pageName) {}

PageController::~PageController() { delete view_; }

QWidget* PageController::view() {
    if (!view_) {
        plaintext::install();  // what a device or a backup says is shown as text, on every page
        view_ = new QWidget;
        view_->setObjectName(pageName_);
        buildView(view_);
    }
    return view_;
}

void PageController::putInto(QWidget* host) { pagehost::place(host, view()); }
