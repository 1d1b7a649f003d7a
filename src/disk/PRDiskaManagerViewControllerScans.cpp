// The disk manager's scans: each runs on a scan thread, hands its records, tree items and
// progress to the main thread and waits, and ends in its category's finish handler, or, when
// its service does not start or its device leaves, returns its rows to a state the user can
// open again.
#include "appcore/AppState.h"
#include "disk/DiskAppListController.h"
#include "disk/DiskBookListController.h"
#include "disk/DiskMusicListController.h"
#include "disk/DiskPhotoListController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/PRSystemlibFileController.h"
#include "model/PRRecordFields.h"
#include "platform/Images.h"
#include "platform/LogCategories.h"
#include "platform/Threads.h"
#include "widgets/PRProgressView.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>

using disk::DiskCategory;
using disk::DiskScanGroup;

namespace {

QImage iconOf(const disk::AppScanRecord& record) {
    if (!record.iconPNG.empty()) {
        QImage icon;
        if (icon.loadFromData(record.iconPNG.data(), int(record.iconPNG.size()), "PNG")) return icon;
    }
    return record.iconImageName.empty() ? QImage() : images::imageNamed(QString::fromStdString(record.iconImageName));
}

PRAppDirTreeNodePtr appNode(const disk::AppScanRecord& record) {
    auto node = PRAppDirTreeNode::create();
    node->appIcon = iconOf(record);
    node->filePath = QString::fromStdString(record.filePath);
    node->appDisplayName = QString::fromStdString(record.appDisplayName);
    node->appBundleName = QString::fromStdString(record.appBundleName);
    node->appBundleId = QString::fromStdString(record.appBundleId);
    node->appSize = QString::fromStdString(record.appSize);
    node->appDocumentSize = QString::fromStdString(record.appDocumentSize);
    node->totalAppSizeNumber = record.totalAppSizeNumber;
    if (record.userApp) node->fileSize = QString::fromStdString(sizeText(record.totalAppSizeNumber));
    node->appVersion = QString::fromStdString(record.appVersion);
    node->fileType = QString::fromStdString(record.fileType);
    node->fileDirName = node->appDisplayName;
    return node;
}

PRPhoneSystemDirNodePtr treeItem(const disk::UserDataItem& item) {
    auto node = PRPhoneSystemDirNode::create();
    node->filePath = QString::fromStdString(item.path);
    node->deviceBytes = deviceBytesOf(item.path);
    if (item.isFile) {
        node->isFile = true;
        node->fileType = QStringLiteral("File");
        node->fileSize = QString::fromStdString(item.sizeText);
        node->fileSizeNumber = item.size;
    } else {
        node->fileType = QStringLiteral("Folder");
    }
    return node;
}

}  // namespace

// ---- Threads and hand-offs -------------------------------------------------------------------

void PRDiskaManagerViewController::handOff(std::function<void()> fn) {
    performOnMainThread(
        this,
        [this, fn = std::move(fn)] {
            if (!stopping_) fn();
        },
        true);
}

void PRDiskaManagerViewController::handOff(const DeviceStamp& stamp, std::function<void()> fn) {
    handOff([stamp, fn = std::move(fn)] {
        if (stamp.holds()) fn();
    });
}

bool PRDiskaManagerViewController::connectedNow() const {
    if (deviceConnected) return deviceConnected();
    return AppState::deviceCountsAsConnected();
}

std::function<bool()> PRDiskaManagerViewController::stillScanning(const DeviceStamp& stamp) const {
    return [this, stamp] { return connectedNow() && stamp.holds(); };
}

void PRDiskaManagerViewController::runScan(DiskScanGroup group, const DeviceStamp& stamp) {
    const auto onlyItsDevice = stamp.onlyThisDevice();
    switch (group) {
    case DiskScanGroup::Photos: return startScanDevicePhoto(stamp);
    case DiskScanGroup::MusicAndVideos: return startScanDeviceMusic(stamp);
    case DiskScanGroup::Books: return startScanDeviceBooks(stamp);
    case DiskScanGroup::Apps: return startScanDeviceApps(stamp);
    case DiskScanGroup::UserData: return startScanUserData(stamp);
    }
}

void PRDiskaManagerViewController::resetGroup(DiskScanGroup group) {
    view();
    clearDetailPanes(group);
    auto clearRow = [this](DiskCategory category) {
        const CategoryRow row = rowOf(category);
        row.bar->setProgressValue(0);
        row.size->hide();
        row.button->setEnabled(false);
        row.button->setIcon(QPixmap::fromImage(images::imageNamed("arrowrightUnNom.png")));
    };
    switch (group) {
    case DiskScanGroup::Photos:
        allPhotoFileSize = 0;
        photoFilesArray.clear();
        photoFileController->setContent({});
        clearRow(DiskCategory::Photos);
        return;
    case DiskScanGroup::MusicAndVideos:
        allMusicFileSize = allVideoFileSize = 0;
        musicFilesArray.clear();
        videoFilesArray.clear();
        muiscFileController->setContent({});
        videoFileController->setContent({});
        clearRow(DiskCategory::Music);
        clearRow(DiskCategory::Videos);
        return;
    case DiskScanGroup::Books:
        allBooksFileSize = 0;
        bookFilesArray.clear();
        booksFileController->setContent({});
        clearRow(DiskCategory::Books);
        return;
    case DiskScanGroup::Apps:
        allAppFileSize = 0;
        appFilesArray.clear();
        systemAppFileArray.clear();
        appFileController->setContent({});
        systemAppFileController->setContent({});
        clearRow(DiskCategory::UserApps);
        clearRow(DiskCategory::SystemApps);
        return;
    case DiskScanGroup::UserData:
        allUserDataFileSize = 0;
        libFileController->setContent({});
        libTreeController->removeAllContent();
        clearRow(DiskCategory::UserData);
        return;
    }
}

void PRDiskaManagerViewController::scanEndedUnfinished(DiskScanGroup group) {
    state_.failed(group);
    const std::vector<DiskCategory> categories =
        group == DiskScanGroup::MusicAndVideos ? std::vector<DiskCategory>{DiskCategory::Music, DiskCategory::Videos}
        : group == DiskScanGroup::Apps   ? std::vector<DiskCategory>{DiskCategory::UserApps, DiskCategory::SystemApps}
        : group == DiskScanGroup::Photos ? std::vector<DiskCategory>{DiskCategory::Photos}
        : group == DiskScanGroup::Books  ? std::vector<DiskCategory>{DiskCategory::Books}
                                         : std::vector<DiskCategory>{DiskCategory::UserData};
    for (DiskCategory c : categories) rowOf(c).bar->setProgressValue(0);
}

// ---- Progress -------------------------------------------------------------------------------

void PRDiskaManagerViewController::ScanPhotoProgressInfo(float value) {
    handOff([this, value] { ScanPhotoProgressInfoOnMainThread(value); });
}
void PRDiskaManagerViewController::ScanMusicProgressInfo(float value) {
    handOff([this, value] { ScanMusicProgressInfoOnMainThread(value); });
}
void PRDiskaManagerViewController::ScanBookProgressInfo(float value) {
    handOff([this, value] { ScanBookProgressInfoOnMainThread(value); });
}
void PRDiskaManagerViewController::ScanAppProgressInfo(float value) {
    handOff([this, value] { ScanAppProgressInfoOnMainThread(value); });
}
void PRDiskaManagerViewController::scanUserDataProgressInfo(float value) {
    handOff([this, value] { scanUserDataProgressInfoOnMainThread(value); });
}

void PRDiskaManagerViewController::ScanPhotoProgressInfoOnMainThread(float value) {
    photoProgress->show();
    photoProgress->setProgressValue(value);
}

void PRDiskaManagerViewController::ScanMusicProgressInfoOnMainThread(float value) {
    musicProgress->show();
    musicProgress->setProgressValue(value);
    if (value > 0.5f) {
        videoProgress->show();
        videoProgress->setProgressValue(value);
    }
}

void PRDiskaManagerViewController::ScanBookProgressInfoOnMainThread(float value) {
    bookProgress->show();
    bookProgress->setProgressValue(value);
}

void PRDiskaManagerViewController::ScanAppProgressInfoOnMainThread(float value) {
    appProgress->show();
    appProgress->setProgressValue(value);
    if (value > 0.5f) {
        systemAppProgress->show();
        systemAppProgress->setProgressValue(value);
    }
}

void PRDiskaManagerViewController::scanUserDataProgressInfoOnMainThread(float value) {
    userLibDataProgress->setProgressValue(value);
}

// ---- Finish handlers ------------------------------------------------------------------------

void PRDiskaManagerViewController::finishRow(DiskCategory category, uint64_t total) {
    // The figure is as scanned: removals made before it are in it already.
    if (const auto counter = removalCounterOf(category))
        if (const AppState* state = AppState::current()) removalsTaken_[category] = state->counter(*counter);
    const CategoryRow row = rowOf(category);
    row.size->setText(QString::fromStdString(sizeText(total)));
    row.size->show();
    row.button->show();
    row.button->setEnabled(true);
    row.button->setIcon(QPixmap::fromImage(images::imageNamed("arrowright.png")));
}

void PRDiskaManagerViewController::startScanDevicePhotoFinishHandle() {
    finishRow(DiskCategory::Photos, allPhotoFileSize);
    state_.finished(DiskScanGroup::Photos);
    showFinished(DiskCategory::Photos);
}

void PRDiskaManagerViewController::ScanDiskMusicFinishHandle() {
    finishRow(DiskCategory::Music, allMusicFileSize);
    finishRow(DiskCategory::Videos, allVideoFileSize);
    state_.finished(DiskScanGroup::MusicAndVideos);
    showFinished(state_.resultCategory(DiskScanGroup::MusicAndVideos));
}

void PRDiskaManagerViewController::ScanBookFinishHandle() {
    finishRow(DiskCategory::Books, allBooksFileSize);
    state_.finished(DiskScanGroup::Books);
    showFinished(DiskCategory::Books);
}

void PRDiskaManagerViewController::ScanAppsFinishHandle() {
    finishRow(DiskCategory::UserApps, allAppFileSize);
    finishRow(DiskCategory::SystemApps, 0);
    systemAppFileSizelab->setText(QStringLiteral(" "));  // system apps are not summed
    state_.finished(DiskScanGroup::Apps);
    showFinished(state_.resultCategory(DiskScanGroup::Apps));
}

void PRDiskaManagerViewController::LookupUserTreeFinishedOnMainThreadHanld() {
    finishRow(DiskCategory::UserData, allUserDataFileSize);
    state_.finished(DiskScanGroup::UserData);
    showFinished(DiskCategory::UserData);
}

// ---- Scans ------------------------------------------------------------------------------------

namespace {

class PageAppSink final : public disk::AppScanSink {
public:
    explicit PageAppSink(std::function<void(PRAppDirTreeNodePtr, bool, float)> take) : take_(std::move(take)) {}
    void deliver(disk::AppScanRecord record, float progress) override {
        take_(appNode(record), record.userApp, progress);  // the icon is decoded here, on the worker
    }

private:
    std::function<void(PRAppDirTreeNodePtr, bool, float)> take_;
};

class PageUserDataSink final : public disk::UserDataSink {
public:
    explicit PageUserDataSink(std::function<void(std::vector<PRPhoneSystemDirNodePtr>, std::optional<float>)> take)
        : take_(std::move(take)) {}
    void deliver(std::vector<disk::UserDataItem> items, std::optional<float> progress) override {
        std::vector<PRPhoneSystemDirNodePtr> nodes;
        nodes.reserve(items.size());
        for (const disk::UserDataItem& item : items) nodes.push_back(treeItem(item));
        take_(std::move(nodes), progress);
    }

private:
    std::function<void(std::vector<PRPhoneSystemDirNodePtr>, std::optional<float>)> take_;
};

}  // namespace

void PRDiskaManagerViewController::startScanDeviceApps(const DeviceStamp& stamp) {
    PageAppSink sink([this, stamp](PRAppDirTreeNodePtr node, bool userApp, float progress) {
        handOff(stamp, [this, node = std::move(node), userApp, progress] {
            (userApp ? appFilesArray : systemAppFileArray).push_back(node);
            ScanAppProgressInfoOnMainThread(progress);
        });
    });
    disk::AppScan::Options options;
    options.deviceIndex = stamp.index();
    options.deviceConnected = stillScanning(stamp);
    options.stop = &stopping_;
    disk::AppScan scan(services_, options, sink);
    const disk::AppScan::Outcome outcome = scan.startScanDeviceApps();
    if (outcome == disk::AppScan::Outcome::Finished) {
        const uint64_t total = scan.allAppFileSize();
        handOff(stamp, [this, total] {
            allAppFileSize = total;
            ScanAppsFinishHandle();
        });
    } else if (outcome != disk::AppScan::Outcome::Stopped) {
        if (!scan.failureReason().empty()) qCWarning(lcDisk).noquote() << QString::fromStdString(scan.failureReason());
        handOff(stamp, [this] { scanEndedUnfinished(DiskScanGroup::Apps); });
    }
}

void PRDiskaManagerViewController::addTreeOnMainThreadHanld(const PRPhoneSystemDirNodePtr& item) {
    libTreeController->addTreeNode(item);
}

void PRDiskaManagerViewController::startScanUserData(const DeviceStamp& stamp) {
    PageUserDataSink sink([this, stamp](std::vector<PRPhoneSystemDirNodePtr> nodes, std::optional<float> progress) {
        handOff(stamp, [this, nodes = std::move(nodes), progress] {
            for (const PRPhoneSystemDirNodePtr& node : nodes) addTreeOnMainThreadHanld(node);
            if (progress) scanUserDataProgressInfoOnMainThread(*progress);
            // The folder on show may have received entries.
            PRPhoneSystemDirNodePtr shown = libTreeController->nodeForIndex(userLibDataFileOutlineView->currentIndex());
            if (shown && shown->fileChildren().size() != libFileController->content().size())
                outlineViewSelectionDidChange();
        });
    });
    disk::UserDataScan::Options options;
    options.deviceIndex = stamp.index();
    options.deviceConnected = stillScanning(stamp);
    options.stop = &stopping_;
    disk::UserDataScan scan(services_, options, sink);
    const disk::UserDataScan::Outcome outcome = scan.startScanUserData();
    if (outcome == disk::UserDataScan::Outcome::Finished) {
        const uint64_t total = scan.allUserDataFileSize();
        handOff(stamp, [this, total] {
            allUserDataFileSize = total;
            LookupUserTreeFinishedOnMainThreadHanld();
        });
    } else if (outcome != disk::UserDataScan::Outcome::Stopped) {
        handOff(stamp, [this] { scanEndedUnfinished(DiskScanGroup::UserData); });
    }
}
