#include "appcore/AppState.h"

#include "platform/Paths.h"

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

void AppState::setExportPath(const QString& path) {
    std::lock_guard lock(mutex_);
    exportPath_ = path;
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
