// The advertising-cache scan: in every user app's "/Library/Caches" it finds the folders whose
// names hold the name fragment of an advertising library, and makes one record per app. Runs
// on a worker thread; the callbacks decide how progress reaches the views.
#pragma once

#include "clean/core/CleanDeviceServices.h"
#include "clean/core/PRAppAdsRemoveNode.h"

#include <QImage>
#include <QStringList>
#include <functional>
#include <vector>

namespace clean {

// The name fragments of advertising libraries, in the order they are tried.
const QStringList& adPlatformFragments();

struct AdCacheSearch {
    QStringList paths;  // "/Library/Caches/<folder>"
    int count = 0;
};

// The advertising folders of one open container. A folder counts once however many fragments
// its name holds, and names that could leave the folder ("..", "a/b") are never taken.
AdCacheSearch searchAdCaches(amd::FileService& container, const QStringList& fragments);

// For sorting: -1 when a holds more advertising folders than b, 1 when fewer, 0 when as many.
int compareAdsPlatformCount(const PRAppAdsRemoveNode& a, const PRAppAdsRemoveNode& b);
// Larger counts first; records of equal counts keep their order.
void sortByAdsPlatformCount(std::vector<PRAppAdsRemoveNodePtr>& records);

class AdCacheScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::function<bool()> deviceConnected;  // asked once, right after the app lookup
        QStringList fragments = adPlatformFragments();
        // The app's icon, given its open container.
        std::function<QImage(amd::FileService& container, const std::string& bundleId)> icon;
        // After each app, user or not: the share of apps done, when it is above 0.1 ...
        std::function<void(float ratio)> progress;
        // ... and the app's identifier.
        std::function<void(const QString& bundleId)> showBundleId;
    };

    AdCacheScan(DeviceCleanServices& services, Options options);

    // NoAppList when the device is there but its apps cannot be listed: failureReason says why.
    enum class Outcome { Finished, Disconnected, NoAppList };
    Outcome run();
    const std::string& failureReason() const { return failureReason_; }

    // One record per user app whose container opened, in the lookup's order.
    const std::vector<PRAppAdsRemoveNodePtr>& records() const { return records_; }
    // Advertising folders found in all apps.
    int totalAdsCount() const { return totalAdsCount_; }

private:
    DeviceCleanServices& services_;
    Options options_;
    std::vector<PRAppAdsRemoveNodePtr> records_;
    std::string failureReason_;
    int totalAdsCount_ = 0;
};

}  // namespace clean
