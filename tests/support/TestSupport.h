// Helpers every test folder shares: a fresh temporary home, waiting while the Qt event loop
// turns, and widget screenshots for review.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>

class QWidget;

namespace testsupport {

// Sets HOME to a new empty folder for the life of the object and restores it afterwards.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    std::string path() const;

private:
    QTemporaryDir dir_;
    QByteArray previousHome_;
    bool hadHome_;
};

// A test fixture giving every test its own home.
class HomeTest : public ::testing::Test {
protected:
    TempHome home;
};

// Turns the Qt event loop until condition holds or timeout passes; returns the condition.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Turns the event loop for a while.
void spinEventLoop(std::chrono::milliseconds duration);
// Waits (event loop turning) until every detached worker thread has ended.
bool waitForWorkers(std::chrono::milliseconds timeout = std::chrono::seconds(30));
// Writes widget's picture to build/screenshots/<name>.png and returns the path.
QString saveScreenshot(QWidget* widget, const QString& name);
// A folder for files a test writes, below the test's temporary home.
std::string scratchDirectory(const std::string& name);

}  // namespace testsupport
