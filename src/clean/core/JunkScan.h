// The device-clean scan: walks every installed app's "tmp", "Library/Caches" and
// "Library/Cookies" folders and the media area's "/iTunes_Control/Sync", counts what it finds,
// and hands the files to the main thread in batches. It posts "CleanFileProgressInfo" and
// "AddCleanFileSizeThreadProgressInfo" after each app and "CleanFilehasFinished" at the end.
// Runs on one worker thread; the sink decides how batches reach the views.
#pragma once

#include "clean/core/CleanDeviceServices.h"
#include "clean/core/PRCleanDirNode.h"

#include <QImage>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace clean {

enum class Category { Junk, Cache, Cookie, Document };

// Counts written by the scanning worker. Readers on other threads see values that are at
// most one file behind; the page reads them after the worker has handed over.
struct JunkScanCounters {
    std::atomic<uint64_t> totalFileNumber{0}, totalFileSize{0};
    std::atomic<uint64_t> junkFileSize{0}, cacheFileSize{0}, cookieFileSize{0}, documentFileSize{0};
    std::atomic<uint64_t> junkFileNumber{0}, cacheFileNumber{0}, cookFileNumber{0}, documentFileNumber{0};
    void reset();
    std::atomic<uint64_t>& sizeOf(Category c);
    std::atomic<uint64_t>& numberOf(Category c);
};

// Takes amount off a counter, stopping at 0.
inline void subtractClamped(std::atomic<uint64_t>& counter, uint64_t amount) {
    uint64_t now = counter.load();
    while (!counter.compare_exchange_weak(now, now > amount ? now - amount : 0)) {}
}

// The per-category lists of files found (one record per regular file), appended by the walk.
struct JunkScanLists {
    std::vector<PRCleanDirNodePtr> junkFileArray, cacheFileArray, cookieFileArray, documentFileArray;
    std::vector<PRCleanDirNodePtr>& listOf(Category c);
    void clear();
};

// Files found since the last hand-over.
struct JunkScanBatch {
    std::vector<PRCleanDirNodePtr> junk, cache, cookie;  // records for the three trees
    std::vector<PRCleanFileNodePtr> synced;              // sync-media records
    size_t size() const { return junk.size() + cache.size() + cookie.size() + synced.size(); }
    bool empty() const { return size() == 0; }
};

class JunkScanSink {
public:
    virtual ~JunkScanSink() = default;
    // Called on the worker; returns once the batch has been taken (the page waits for the
    // main thread here).
    virtual void deliver(JunkScanBatch batch) = 0;
    // A file about to be added to a category list (the app cleaner shows its path).
    virtual void showFilePath(Category, const QString& /*devicePath*/) {}
    // Called on the worker when the device is there but its apps cannot be listed, before the
    // media area is walked and the scan's end is posted: what the scan then reports is not the
    // whole device, and reason says why.
    virtual void appsNotScanned(const std::string& /*reason*/) {}
};

class JunkScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::function<bool()> deviceConnected;         // false ends the walk after the current entry
        const void* sender = nullptr;                  // identity on the posted notifications
        size_t batchSize = 512;                        // files per hand-over at most
        std::chrono::milliseconds batchInterval{150};  // and at least this often while files come
        // Whether a file of an app's documents folder is one of the listed document kinds.
        std::function<bool(const QString& extension)> isDocumentType;
    };

    JunkScan(DeviceCleanServices& services, Options options, JunkScanCounters& counters, JunkScanLists& lists,
             JunkScanSink& sink);

    // The whole scan. Disconnected when the device went away (no finishing notification then).
    // NoAppList when the device is there but its apps cannot be listed: the media area's sync
    // leftovers are still scanned and the end posted, and failureReason says why the apps were not.
    enum class Outcome { Finished, Disconnected, NoAppList };
    Outcome run();
    const std::string& failureReason() const { return failureReason_; }

    // The category walk of one folder of an app's container. fileType is "Caches", "Cookies",
    // "tmp" or "Documents". False when the device went away.
    bool traverseDirWithpath(const std::string& path, amd::FileService& service, const QString& displayName,
                             const QString& fileType, const QImage& image, const QString& bundleId);
    // Records one regular file of a category (name: its last path component): counts it, shows
    // its path and adds it to the category's list. Files of the documents folder only when the
    // document-type test lists their extension; false when the file is not recorded.
    bool addCategoryRecord(Category category, const std::string& path, const std::string& name,
                           const amd::FileEntry& info, const QString& displayName, const QImage& image,
                           const QString& bundleId);
    // The walk of a sub-folder of the sync folder.
    void traverseSyncDirWithpath(const std::string& path, amd::FileService& service);
    // Hands what is pending to the sink.
    void flush();

    // Where the walks of an app's container differ: the device clean's takes the caches,
    // cookies and temporary files, and lists a category entry that is itself a file as an entry
    // of the trees; the app cleaner's takes the documents too and lists such a file as a row.
    struct ContainerWalk {
        bool withDocuments = false;
        bool entryFileAsRecord = false;
        std::function<void(const std::string& name)> onEntry;  // each name at the container's top
    };
    // One app's container; false when the device went away.
    bool scanApp(const InstalledApp& app, const ContainerWalk& walk);

    // The app's icon: null when the icon service cannot be started, the "NULLImage.png" image
    // when the device has no icon for the app.
    static QImage appIcon(DeviceCleanServices& services, int deviceIndex, const std::string& bundleId);

private:
    bool connected() const { return !options_.deviceConnected || options_.deviceConnected(); }
    void addCategoryEntryFile(Category category, const std::string& path, const amd::FileEntry& info,
                              const QString& displayName, const QImage& icon, const QString& bundleId);
    void addSyncRecord(const std::string& path, const amd::FileEntry& info);
    void pending(Category category, PRCleanDirNodePtr record);
    void maybeFlush();
    void postProgress(int appsDone, int appCount);

    DeviceCleanServices& services_;
    Options options_;
    JunkScanCounters& counters_;
    JunkScanLists& lists_;
    JunkScanSink& sink_;
    JunkScanBatch batch_;
    std::chrono::steady_clock::time_point lastFlush_;
    std::string failureReason_;
};

}  // namespace clean
