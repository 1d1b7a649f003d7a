// The state the application shares with its pages: the device flag, the export folder, the
// large-file limit, the connected device's records, and counters by category. It sits below
// both the application and the pages, so a page reads it without linking the application.
//
// The application installs one for its run (AppState::current()); without one (a tool, a test
// of a page alone) the helpers below answer as a page alone expects: the device counts as
// attached and exports go to the default export folder. Every value is read and written in one
// step from any thread.
#pragma once

#include "appcore/PRiDeviceNode.h"
#include "platform/NSObject.h"

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

// The counters by category: the clean summary's found-file totals, the bytes removed per media
// category since the device was attached, and the device's current bytes per category.
enum class AppCounter {
    AllJunkFileNumber,
    AllCacheFileNumber,
    AllCookFileNumber,
    TotalPhotoRemoveFileSize,
    TotalMusicRemoveFileSize,
    TotalVideoRemoveFileSize,
    TotalAppRemoveFileSize,
    TotalBooksRemoveFileSize,
    TotalUserdataRemoveFileSize,
    CurrentPhotoFileSize,
    CurrentMusicFileSize,
    CurrentVideoFileSize,
    CurrentAppFileSize,
    CurrentBooksFileSize,
    CurrentUserDataFileSize,
    Count
};

class AppState {
public:
    AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // The state of the running application, or null without one.
    static AppState* current();
    static void setCurrent(AppState* state);
    // A page's view: true without an application, else whether a device is attached.
    static bool deviceCountsAsConnected();
    // A page's view: the export folder, the default one without an application.
    static QString exportFolder();
    static QString defaultExportFolder();

    // Back to the values of a fresh start.
    void reset();

    uint64_t counter(AppCounter which) const { return counters_[index(which)].load(); }
    void setCounter(AppCounter which, uint64_t v) { counters_[index(which)].store(v); }
    // Several workers raise the removed-byte totals at once: each raise is one step.
    void raiseCounter(AppCounter which, uint64_t v) { counters_[index(which)].fetch_add(v); }
    // Lowers by v, stopping at zero; returns the new value.
    uint64_t lowerCounter(AppCounter which, uint64_t v);

    bool deviceConnected() const { return deviceConnected_.load(); }
    void setDeviceConnected(bool v) { deviceConnected_.store(v); }
    uint64_t largeFileLimit() const { return largeFileLimit_.load(); }
    void setLargeFileLimit(uint64_t v) { largeFileLimit_.store(v); }
    QString exportPath() const;
    // Takes path as the export folder only when it can be one (exportFolderProblem); returns why
    // not otherwise, and the folder stays as it was. Every exporter reads the folder taken.
    QString setExportPath(const QString& path);
    // Why path cannot be the export folder, empty when it can: it must be a full path ("/" first)
    // of a folder the user can write in, or of one that can be made in such a folder.
    static QString exportFolderProblem(const QString& path);

    PRiDeviceNodePtr currentIDevicenode() const;
    void setCurrentIDevicenode(PRiDeviceNodePtr node);
    NSObjectPtr currentNode() const;
    void setCurrentNode(NSObjectPtr node);
    bool currentNodeIsiOS6Version() const { return iOS6_.load(); }
    void setCurrentNodeIsiOS6Version(bool v) { iOS6_.store(v); }
    bool bIOS7DeviceNode() const { return iOS7_.load(); }
    void setBIOS7DeviceNode(bool v) { iOS7_.store(v); }

    static constexpr uint64_t kDefaultLargeFileLimit = 2000000;

private:
    static size_t index(AppCounter which) { return static_cast<size_t>(which); }

    std::array<std::atomic<uint64_t>, static_cast<size_t>(AppCounter::Count)> counters_{};
    std::atomic<bool> deviceConnected_{false};
    std::atomic<uint64_t> largeFileLimit_{kDefaultLargeFileLimit};
    std::atomic<bool> iOS6_{false};
    std::atomic<bool> iOS7_{false};
    mutable std::mutex mutex_;  // the records and the path below
    QString exportPath_;
    PRiDeviceNodePtr currentIDevicenode_;
    NSObjectPtr currentNode_;
};
