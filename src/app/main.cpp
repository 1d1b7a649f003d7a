// Start-up of the application: the delegate is made, builds its windows and is told that the
// launch has finished, then the event loop runs. QUILLOMATRIX_SCREENSHOT=<png> grabs the settled
// main window after QUILLOMATRIX_SCREENSHOT_DELAY_MS (default 3000) and quits: scripts/run uses
// it on machines without a display. Log lines go to a file in the user's cache folder; the
// environment variable QUILLOMATRIX_LOG_STDERR=1 or the flag --log-stderr copies them to
// standard error.
#include "app/OstrevaneAppDelegate.h"
#include "platform/HeapGrowth.h"
#include "platform/Log.h"
#include "platform/NewFile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

void scheduleScreenshotIfAsked(QWidget* window) {
    const QByteArray target = qgetenv("QUILLOMATRIX_SCREENSHOT");
    if (target.isEmpty()) return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("QUILLOMATRIX_SCREENSHOT_DELAY_MS", &ok);
    if (!ok) delay = 3000;
    QTimer::singleShot(delay, window, [window, path = QString::fromLocal8Bit(target)] {
        QDir().mkpath(QFileInfo(path).absolutePath());
        const bool saved = window->grab().save(path);
        std::printf("%s %s\n", saved ? "screenshot:" : "could not write screenshot", qPrintable(path));
        std::fflush(stdout);
        QCoreApplication::exit(0);  // not quit(): that would ask the exit question
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    heapgrowth::growInLargeSteps();
    files::letWritesFailPastTheSizeLimit();
    // Before the application object, so that Qt's own start-up messages are logged too.
    applog::install(applog::applicationSettings(argc, argv));
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillomatrix");
    QApplication::setApplicationVersion("1.0");
    // The main window is frameless: closing it goes through the exit confirmation, which quits.
    QApplication::setQuitOnLastWindowClosed(false);

    OstrevaneAppDelegate delegate;
    delegate.awakeFromNib();
    delegate.applicationDidFinishLaunching();
    scheduleScreenshotIfAsked(delegate.window());
    return app.exec();
}
