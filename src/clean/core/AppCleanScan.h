// The app cleaner's file scan: in every installed app's container it lists the files of
// "/Library/Caches" (cache), "/Library/Cookies" (cookie), "/tmp" (junk) and, of the known
// document kinds, "/Documents" (document), with the category walk of the device clean.
// Runs on a worker thread; the sink shows the paths, the callback the share of apps done.
#pragma once

#include "clean/core/JunkScan.h"

#include <functional>

namespace clean {

class AppCleanScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::function<bool()> deviceConnected;
        // After each app, when the share of apps done is above 0.1.
        std::function<void(float ratio)> categoryProgress;
    };

    AppCleanScan(DeviceCleanServices& services, Options options, JunkScanCounters& counters, JunkScanLists& lists,
                 JunkScanSink& sink);

    // NoAppList when the device is there but its apps cannot be listed: failureReason says why.
    enum class Outcome { Finished, Disconnected, NoAppList };
    Outcome startScanPhoneCache();
    const std::string& failureReason() const { return failureReason_; }

    // The index of extension in the table of document kinds (case ignored), -1 when it is not
    // there, empty or null.
    static int GetDocumentFileType(const char* extension);
    // What a path label shows: the path, or "..." and its last 34 characters from 36 on.
    static QString shortenedPath(const QString& path);

private:
    bool connected() const { return !options_.deviceConnected || options_.deviceConnected(); }
    // One app; false when the device went away.
    bool scanApp(const InstalledApp& app);

    DeviceCleanServices& services_;
    Options options_;
    JunkScan walk_;
    std::string failureReason_;
};

}  // namespace clean
