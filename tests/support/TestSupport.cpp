#include "TestSupport.h"

#include "platform/Paths.h"
#include "platform/Threads.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#ifndef QM_SCREENSHOT_DIR
#define QM_SCREENSHOT_DIR "build/screenshots"
#endif

namespace testsupport {

TempHome::TempHome() : previousHome_(qgetenv("HOME")), hadHome_(qEnvironmentVariableIsSet("HOME")) {
    qputenv("HOME", dir_.path().toLocal8Bit());
}

TempHome::~TempHome() {
    if (hadHome_)
        qputenv("HOME", previousHome_);
    else
        qunsetenv("HOME");
}

std::string TempHome::path() const { return dir_.path().toStdString(); }

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout.count()) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void spinEventLoop(std::chrono::milliseconds duration) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

bool waitForWorkers(std::chrono::milliseconds timeout) {
    return waitUntil([] { return NSThread::runningDetachedThreads() == 0; }, timeout);
}

QString saveScreenshot(QWidget* widget, const QString& name) {
    const QString dir = QStringLiteral(QM_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    const QString path = dir + "/" + name + ".png";
    widget->grab().save(path);
    return path;
}

std::string scratchDirectory(const std::string& name) {
    std::string dir = paths::homeDirectory() + "/scratch/" + name;
    paths::makeDirectories(dir);
    return dir;
}

}  // namespace testsupport
