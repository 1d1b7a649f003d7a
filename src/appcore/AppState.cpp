#include "appcore/AppState.h"

#include "platform/Paths.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::atomic<AppState*> g_current{nullptr};
}

AppState::AppState() { reset(); }

AppState* AppState::current() { return g_current.load(); }

void AppState::setCurrent(AppState* state) { g_current.store(state); }

bool AppState::deviceCountsAsConnected() {
    const AppState* state = current();
    return !state || state->deviceConnected();
}

QString AppState::defaultExportFolder() { return QString::fromStdString(paths::userPath("Documents/Quillomatrix")); }

QString AppState::exportFolder() {
    const AppState* state = current();
    return state ? state->exportPath() : defaultExportFolder();
}

void AppState::reset() {
    for (auto& counter : counters_) counter.store(0);
    largeFileLimit_.store(kDefaultLargeFileLimit);
    iOS6_.store(false);
    iOS7_.store(false);
    std::lock_guard lock(mutex_);
    exportPath_ = defaultExportFolder();
    currentIDevicenode_.reset();
    currentNode_.reset();
}

uint64_t AppState::lowerCounter(AppCounter which, uint64_t v) {
    std::atomic<uint64_t>& total = counters_[index(which)];
    uint64_t now = total.load();
    while (!total.compare_exchange_weak(now, now > v ? now - v : 0)) {}
    return now > v ? now - v : 0;
}

QString AppState::exportPath() const {
    std::lock_guard lock(mutex_);
    return exportPath_;
}

QString AppState::exportFolderProblem(const QString& path) {
    if (path.trimmed().isEmpty()) return QStringLiteral("No export folder is given.");
    if (!path.startsWith(QLatin1Char('/')))
        return QStringLiteral("The export folder must be a full path, starting with \"/\": %1").arg(path);
    // The folder, or the nearest folder above it that is there (the rest is made at the export).
    std::string at = QDir::cleanPath(path).toStdString();
    struct stat st {};
    while (::stat(at.c_str(), &st) != 0) {
        if ((errno != ENOENT && errno != ENOTDIR) || at == "/")
            return QStringLiteral("%1 cannot be reached.").arg(path);
        at = at.substr(0, std::max<size_t>(at.rfind('/'), 1));
    }
    if (!S_ISDIR(st.st_mode)) return QStringLiteral("%1 is not a folder.").arg(QString::fromStdString(at));
    if (::access(at.c_str(), W_OK | X_OK) != 0)
        return QStringLiteral("You cannot write in %1.").arg(QString::fromStdString(at));
    return {};
}

QString AppState::setExportPath(const QString& path) {
    QString problem = exportFolderProblem(path);
    if (!problem.isEmpty()) return problem;
    std::lock_guard lock(mutex_);
    exportPath_ = QDir::cleanPath(path);
    return {};
}

PRiDeviceNodePtr AppState::currentIDevicenode() const {
    std::lock_guard lock(mutex_);
    return currentIDevicenode_;
}

void AppState::setCurrentIDevicenode(PRiDeviceNodePtr node) {
    std::lock_guard lock(mutex_);
    currentIDevicenode_ = std::move(node);
}

NSObjectPtr AppState::currentNode() const {
    std::lock_guard lock(mutex_);
    return currentNode_;
}

void AppState::setCurrentNode(NSObjectPtr node) {
    std::lock_guard lock(mutex_);
    currentNode_ = std::move(node);
}
