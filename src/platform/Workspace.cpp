#include "platform/Workspace.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
workspace::Recorder g_recorder;
bool g_fileManager = true;
bool g_browser = true;
}  // namespace

namespace workspace {

void setRecorder(Recorder recorder) { g_recorder = std::move(recorder); }

bool openURL(const QString& url) {
    if (g_recorder) {
        g_recorder(Action::OpenURL, url);
        return g_browser;
    }
    return QDesktopServices::openUrl(QUrl(url));
}

void openFile(const QString& path) {
    if (g_recorder) return g_recorder(Action::OpenFile, path);
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool selectFile(const QString& file, const QString& folder) {
    const QString target = folder.isEmpty() ? QFileInfo(file).absolutePath() : folder;
    if (g_recorder) {
        g_recorder(Action::ShowFolder, target);
        return g_fileManager;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(target));
}

void setFileManagerAvailable(bool available) { g_fileManager = available; }
void setBrowserAvailable(bool available) { g_browser = available; }

}  // namespace workspace
