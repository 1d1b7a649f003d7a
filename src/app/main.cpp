// Start-up of the application. QUILLOMATRIX_SCREENSHOT=<png> grabs the settled main window
// after QUILLOMATRIX_SCREENSHOT_DELAY_MS (default 3000) and quits: scripts/run uses it on
// machines without a display.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

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
        QApplication::quit();
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillomatrix");
    QMainWindow window;
    window.setWindowTitle("Quillomatrix");
    window.resize(1000, 650);
    window.show();
    scheduleScreenshotIfAsked(&window);
    return app.exec();
}
