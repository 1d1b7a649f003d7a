#include "AppFixture.h"

#include "device/DeviceManager.h"
#include "platform/SimulatedDevices.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

namespace apptest {

void click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void AppTest::SetUp() {
    dialogs::setResponder(&responder);
    OstrevaneAppDelegate::setBoardMessageTimings(std::chrono::milliseconds(50), std::chrono::milliseconds(20));
    app = std::make_unique<OstrevaneAppDelegate>();
    app->awakeFromNib();
    app->applicationDidFinishLaunching();
}

void AppTest::TearDown() {
    simdevice::detachAll();
    testsupport::waitUntil([] { return amd::DeviceManager::Instance()->DeviceCount() == 0; });
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    app.reset();
    testsupport::waitForWorkers();
    dialogs::setResponder(nullptr);
}

std::vector<QWidget*> AppTest::shownPages() const {
    std::vector<QWidget*> shown;
    for (int i = 0; i < OstrevaneAppDelegate::kPageCount; ++i) {
        QWidget* page = app->page(static_cast<OstrevaneAppDelegate::Page>(i));
        if (!page->isHidden()) shown.push_back(page);
    }
    return shown;
}

int AppTest::attach(const devicetest::DeviceSpec& spec, const std::string& name) {
    const std::string folder = devicetest::makeDevice(home.path() + "/" + name, spec);
    const int id = simdevice::attach(folder);
    EXPECT_GT(id, 0);
    EXPECT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
    return id;
}

void AppTest::detach(int id) {
    EXPECT_TRUE(simdevice::detach(id));
    EXPECT_TRUE(testsupport::waitUntil([this] { return !app->getDeviceConnected(); }));
}

QString AppTest::text(QLabel* label) const { return label->text(); }

}  // namespace apptest
