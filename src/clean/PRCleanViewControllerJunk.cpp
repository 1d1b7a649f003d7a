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
class PageSink final : public clean::JunkScanSink {
public:
    explicit PageSink(PRCleanViewController& page) : page_(page) {}
    void deliver(clean::JunkScanBatch batch) override {
        auto shared = std::make_shared<clean::JunkScanBatch>(std::move(batch));
        PRCleanViewController* page = &page_;
        performOnMainThread(
            page, [page, shared] { page->AddCleanFilesOnMainThreadHanld(std::move(*shared)); }, true);
    }
    // Known to the page before the scan's end is posted, so the summary of that end says it.
    void appsNotScanned(const std::string& reason) override {
        PRCleanViewController* page = &page_;
        performOnMainThread(
            page, [page, text = QString::fromStdString(reason)] { page->setAppsNotScannedReason(text); }, true);
    }

private:
    PRCleanViewController& page_;
};

}  // namespace

void PRCleanViewController::resetScanResults() {
    for (PRAppTreeController* tree : {JunkTreeController, CacheTreeController, CookTreeController})
        tree->removeAllContent();
    for (PRAppFileController* files :
         {JunkFileController, CacheFileController, CookFileController, syncFailedController})
        files->setContent({});
    syncFailedFileArray.clear();
    lists_.clear();
    counters_.reset();
    appsNotScannedReason_.clear();
}

bool PRCleanViewController::showDeviceClean(int deviceIndex) {
    bool idle = false;
    if (!scanning_.compare_exchange_strong(idle, true)) {
        qCInfo(lcClean, "A device clean is already running; the new one is not started.");
        return false;
    }
    cleanDevice = deviceIndex;
    resetScanResults();
    scans_.enqueue([this] { StartDeviceCleanThread(); });
    return true;
}

void PRCleanViewController::StartDeviceCleanThread() {
    std::lock_guard<std::mutex> turn(deviceScanTurn_);  // after an app cleaner scan under way
    PageSink sink(*this);
    clean::JunkScan::Options options;
    options.deviceIndex = cleanDevice;
    options.deviceConnected = [this] { return connectedNow(); };
    options.sender = this;
    clean::JunkScan scan(services_, options, counters_, lists_, sink);
    scan.run();
    scanning_ = false;
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
