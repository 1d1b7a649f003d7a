// The device-clean scan of the clean page: one worker thread walks the device (JunkScan) and
// hands the files it finds to the main thread in batches.
#include "clean/PRCleanViewController.h"
#include "platform/LogCategories.h"
#include "platform/Threads.h"

#include <QTableView>
#include <QTreeView>
#include <QtDebug>

using clean::Category;

namespace {

// Hands each batch to the main thread and waits there, so that the walk never runs ahead of
// what the views show by more than one batch.
// A batch of a device that is no longer the page's is not taken in.
class PageSink final : public clean::JunkScanSink {
public:
    PageSink(PRCleanViewController& page, DeviceStamp stamp) : page_(page), stamp_(std::move(stamp)) {}
    void deliver(clean::JunkScanBatch batch) override {
        auto shared = std::make_shared<clean::JunkScanBatch>(std::move(batch));
        PRCleanViewController* page = &page_;
        performOnMainThread(
            page,
            [page, shared, stamp = stamp_] {
                if (stamp.holds()) page->AddCleanFilesOnMainThreadHanld(std::move(*shared));
            },
            true);
    }
    // Known to the page before the scan's end is posted, so the summary of that end says it.
    void appsNotScanned(const std::string& reason) override {
        PRCleanViewController* page = &page_;
        performOnMainThread(
            page,
            [page, text = QString::fromStdString(reason), stamp = stamp_] {
                if (stamp.holds()) page->setAppsNotScannedReason(text);
            },
            true);
    }

private:
    PRCleanViewController& page_;
    DeviceStamp stamp_;
};

}  // namespace

void PRCleanViewController::clearDeviceCleanViews() {
    for (PRAppTreeController* tree : {JunkTreeController, CacheTreeController, CookTreeController})
        tree->removeAllContent();
    for (PRAppFileController* files :
         {JunkFileController, CacheFileController, CookFileController, syncFailedController})
        files->setContent({});
    syncFailedFileArray.clear();
    appsNotScannedReason_.clear();
}

void PRCleanViewController::resetScanResults() {
    clearDeviceCleanViews();
    lists_.clear();
    counters_.reset();
    deviceCleanScanned_ = false;
}

void PRCleanViewController::onMainForDevice(const DeviceStamp& stamp, std::function<void()> fn, bool wait) {
    performOnMainThread(
        this,
        [stamp, fn = std::move(fn)] {
            if (stamp.holds()) fn();
        },
        wait);
}

void PRCleanViewController::QuillomatrixShowDeviceClean(int deviceIndex) {
    cleanDevice = deviceIndex;
    tie_.tieTo(deviceIndex);
}

void PRCleanViewController::dropDeviceResults() {
    // The trees and tables are the main thread's; the scans' lists and counters are written by
    // a scan while it runs, so a running one drops them itself when it ends.
    if (scanning_)
        clearDeviceCleanViews();
    else
        resetScanResults();

    for (Category c : {Category::Cache, Category::Document, Category::Cookie, Category::Junk})
        appCategory(c).controller->setContent({});
    adsController->setContent({});
    currentRemoveNode.reset();
    if (!bStartCleanScan && !adsScanRunning_) {
        appLists_.clear();
        appCounters_.reset();
        adsRemoveArray.clear();
        totalAdsCount = 0;
    }
    deviceCleanScanned_ = false;
    if (!view_) return;
    refreshJunkHints();
    showAppCleanIdle();
    showcleanDiskView();
}

bool PRCleanViewController::showDeviceClean(int deviceIndex) {
    const DeviceStamp stamp = tie_.tieTo(deviceIndex);
    bool idle = false;
    if (!scanning_.compare_exchange_strong(idle, true)) {
        qCInfo(lcClean, "A device clean is already running; the new one is not started.");
        return false;
    }
    cleanDevice = deviceIndex;
    resetScanResults();
    refreshJunkHints();
    scans_.enqueue([this, stamp] { StartDeviceCleanThread(stamp); });
    return true;
}

void PRCleanViewController::StartDeviceCleanThread(const DeviceStamp& stamp) {
    std::lock_guard<std::mutex> turn(deviceScanTurn_);  // after an app cleaner scan under way
    const auto onlyItsDevice = stamp.onlyThisDevice();
    PageSink sink(*this, stamp);
    clean::JunkScan::Options options;
    options.deviceIndex = stamp.index();
    options.deviceConnected = [this, stamp] { return connectedNow() && stamp.holds(); };
    options.sender = this;
    clean::JunkScan scan(services_, options, counters_, lists_, sink);
    scan.run();
    performOnMainThread(
        this,
        [this, &stamp] {
            // The device went while the scan ran: what it found went with it.
            if (!stamp.holds()) {
                lists_.clear();
                counters_.reset();
            }
            scanning_ = false;
            deviceCleanScanned_ = stamp.holds();
            refreshJunkHints();
            // The list on show opens its first folder of files, as when it is chosen.
            for (Category category : {Category::Junk, Category::Cache, Category::Cookie}) showFoundFiles(category);
        },
        true);
}

QImage PRCleanViewController::getIPhoneAppIconwith(void*, const QString& bundleId) {
    return clean::JunkScan::appIcon(services_, cleanDevice, bundleId.toStdString());
}

void PRCleanViewController::AddJunkFileInMainThreadHanld(const PRCleanDirNodePtr& node) {
    JunkTreeController->addTreeNode(node, true);
}

void PRCleanViewController::AddCacheFileInMainThreadHanld(const PRCleanDirNodePtr& node) {
    CacheTreeController->addTreeNode(node, true);
}

void PRCleanViewController::AddCookieFileInMainThreadHanld(const PRCleanDirNodePtr& node) {
    CookTreeController->addTreeNode(node, true);
}

void PRCleanViewController::AddSyncFileOnMainThreadHanld(const std::vector<PRCleanFileNodePtr>& records) {
    if (records.empty()) return;
    syncFailedFileArray.insert(syncFailedFileArray.end(), records.begin(), records.end());
    syncFailedController->addObjects({records.begin(), records.end()});
    if (clean_.syncFailedTableView) {
        clean_.syncFailedTableView->clearSelection();
        clean_.syncFailedTableView->viewport()->update();
    }
}

void PRCleanViewController::AddCleanFilesOnMainThreadHanld(clean::JunkScanBatch batch) {
    for (const auto& node : batch.junk) AddJunkFileInMainThreadHanld(node);
    for (const auto& node : batch.cache) AddCacheFileInMainThreadHanld(node);
    for (const auto& node : batch.cookie) AddCookieFileInMainThreadHanld(node);
    AddSyncFileOnMainThreadHanld(batch.synced);
    // A folder shown in a file table may have received files: show them too.
    for (Category category : {Category::Junk, Category::Cache, Category::Cookie}) {
        const TreeViews v = viewsOf(category);
        if (!v.outline) continue;
        PRCleanDirNodePtr shown = v.tree->cleanNodeForIndex(v.outline->currentIndex());
        if (shown && shown->fileChildren().size() != v.files->content().size())
            outlineViewSelectionDidChange(v.outline);
    }
}
