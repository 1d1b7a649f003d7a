// The disk manager page: how the device's space divides between the system and the user's data
// (the usage overview), one scan per category (photos, music and videos, books, apps, user data)
// on worker threads with a progress bar per category, and each category's results.
//
// The page is wiring: the walks, sums and records are the scans of disk/core, the state of each
// category DiskScanState; workers hand every view change to the main thread and wait. The code
// is split by job: PRDiskaManagerViewController.cpp (the panes, the overview, the launchers and
// the result pages), PRDiskaManagerViewControllerScans.cpp (the scan threads, their progress
// and finish handlers, the user-data and app scans) and PRDiskaManagerViewControllerMedia.cpp
// (the photo, music and video, and book scans, the detail panes and the photo preview).
//
// What the scans found belongs to the device they walked (DeviceTie): when it leaves or another
// device is given, every category is dropped and opens with a new scan; a scan of the old device
// hands nothing in, and no removal, export or uninstall reaches another device.
#pragma once

#include "appcore/AppState.h"
#include "appcore/DeviceTie.h"
#include "clean/core/PRAppDirTreeNode.h"
#include "clean/core/PRPhoneSystemDirNode.h"
#include "disk/core/AppScan.h"
#include "disk/core/DiskDeviceServices.h"
#include "disk/core/DiskManagerActions.h"
#include "disk/core/DiskScanState.h"
#include "disk/core/PRBookNode.h"
#include "disk/core/ScanThreads.h"
#include "disk/core/UserDataScan.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRTranMusicNode.h"
#include "platform/WorkerPool.h"
#include "widgets/PageHost.h"

#include <QImage>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class DiskAppListController;
class DiskBookListController;
class DiskMusicListController;
class DiskPhotoListController;
class QAbstractItemModel;
class NSNotification;
class PRDiskManagButton;
class PRProgressView;
class PRSystemLibTreeController;
class PRSystemlibFileController;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTreeView;

class PRDiskaManagerViewController : public PageController {
    Q_OBJECT
public:
    explicit PRDiskaManagerViewController(QObject* parent = nullptr);
    // The scans reach the device through services (tests and benchmarks put their own there).
    explicit PRDiskaManagerViewController(disk::DiskDeviceServices& services, QObject* parent = nullptr);
    // Stops the scans and waits for them.
    ~PRDiskaManagerViewController() override;

    // Whether the device is still attached, asked by the scans between entries: the
    // application delegate's getDeviceConnected unless a test puts its own question here.
    std::function<bool()> deviceConnected;

    // ---- Entry points of the application delegate --------------------------------------
    // Puts the page into host and shows the overview, every row button disabled, sizes hidden.
    void showView(QWidget* host);
    // The summary's figures less what was removed elsewhere in the program since they were
    // taken (the large-file finder, the app cleaner).
    void followRemovalsElsewhere();
    // Ties the page to the device at index; another device's results are dropped first.
    void setDiskManageDeviceIndex(int index);
    // The device's disk figures in bytes: data capacity and available, system capacity and
    // available.
    void setDiskManageDeviceWithAllUserData(uint64_t dataCapacity, uint64_t dataAvailable, uint64_t systemCapacity,
                                            uint64_t systemAvailable);
    // Open one category: its results once scanned, the category table while it scans, else a
    // new scan.
    void ScanDiskPhotoFiles(QObject* sender = nullptr);
    void ScanDiskMusicFiles(QObject* sender = nullptr);
    void ScanDiskVideoFiles(QObject* sender = nullptr);
    void ScanDiskBooksFiles(QObject* sender = nullptr);
    void ScanDiskUserAppFiles(QObject* sender = nullptr);
    void ScanDiskSystemAppFiles(QObject* sender = nullptr);
    void ScanDiskUserDataFiles(QObject* sender = nullptr);
    // The whole run: every category again, in turn (ignored while a scan runs).
    void MyDiskManagebuttonMouseDownHandle(const NSNotification& notification);
    void ScanDiskUsage(QObject* sender = nullptr);
    // Back to the device summary.
    void BackToDiskTalbeView(QObject* sender = nullptr);
    // Expands the user-data outline's first row.
    void refreshOutlineView();

    // ---- Pages ------------------------------------------------------------------------------
    void showStateView();
    void showTableView();
    void showMusicFileView();
    void showPhotoFileView();
    void showVideoFileView();
    void showBookFileView();
    void showAppFileView();
    void showSystemAppFileView();
    void showUserlibDataView();
    void ViewScanPhotoFiles(QObject* sender = nullptr);
    void ViewScanMusicFiles(QObject* sender = nullptr);
    void ViewScanVideoFiles(QObject* sender = nullptr);
    void ViewScanBookFiles(QObject* sender = nullptr);
    void ViewScanAppFiles(QObject* sender = nullptr);
    void ViewScanSystemAppFile(QObject* sender = nullptr);
    void ViewScanUserlibDataFile(QObject* sender = nullptr);
    // The user-data outline's selection: its folder's entries into the file list.
    void outlineViewSelectionDidChange();
    // A result table's selection: the selected row into the table's detail pane (a photo is
    // copied from the device first, once).
    void tableViewSelectionDidChange(QTableView* table);
    QWidget* shownPage() const;

    // ---- Scans (worker threads), each of the device of its stamp ---------------------------
    void startScanDevicePhoto(const DeviceStamp& stamp);
    void startScanDeviceMusic(const DeviceStamp& stamp);
    void startScanDeviceBooks(const DeviceStamp& stamp);
    void startScanDeviceApps(const DeviceStamp& stamp);
    void startScanUserData(const DeviceStamp& stamp);
    // Progress of the scans, handed to the main thread and waited for.
    void ScanPhotoProgressInfo(float value);
    void ScanMusicProgressInfo(float value);
    void ScanBookProgressInfo(float value);
    void ScanAppProgressInfo(float value);
    void scanUserDataProgressInfo(float value);

    // ---- Main-thread steps ----------------------------------------------------------------
    void ScanPhotoProgressInfoOnMainThread(float value);
    void ScanMusicProgressInfoOnMainThread(float value);
    void ScanBookProgressInfoOnMainThread(float value);
    void ScanAppProgressInfoOnMainThread(float value);
    void scanUserDataProgressInfoOnMainThread(float value);
    void addTreeOnMainThreadHanld(const PRPhoneSystemDirNodePtr& item);
    // The photo preview: the copy of the photo from the device (worker thread), then the pane
    // filled from the copy when the photo is still the one selected.
    void PreviewCopyOnThread(const PRPhotoAndVideoNodePtr& photo, const DeviceStamp& stamp);
    void PreviewCopyOnMainThreadHanld(const PRPhotoAndVideoNodePtr& photo, bool copied);
    // Finish handlers.
    void startScanDevicePhotoFinishHandle();
    void ScanDiskMusicFinishHandle();
    void ScanBookFinishHandle();
    void ScanAppsFinishHandle();
    void LookupUserTreeFinishedOnMainThreadHanld();
    // A scan that could not start or whose device left: its row can be opened again.
    void scanEndedUnfinished(disk::DiskScanGroup group);

    // ---- Removal and export (main thread; the copies run on workers) -----------------------
    // Remove the selected rows' files from the device once the user confirmed.
    void RemovePhotoItem(QObject* sender = nullptr);
    void RemoveMusicItem(QObject* sender = nullptr);
    void RemoveVideoItem(QObject* sender = nullptr);
    void RemoveBookItem(QObject* sender = nullptr);
    // Copy the selected rows' files into the export folder.
    void ExportPhotoItem(QObject* sender = nullptr);
    void ExportMusicItem(QObject* sender = nullptr);
    void ExportVideoItem(QObject* sender = nullptr);
    void ExportBookItem(QObject* sender = nullptr);
    // Copy every row's file into the export folder.
    void ExportAllPhotoItem(QObject* sender = nullptr);
    void ExportAllMusicItem(QObject* sender = nullptr);
    void ExportAllMoviesItem(QObject* sender = nullptr);
    void ExportAllBookItem(QObject* sender = nullptr);
    // The selected app's container into a folder named after the app, then that folder shown.
    void ExportAppData(QObject* sender = nullptr);
    // Uninstalls the selected app once the user confirmed.
    void UninStallAppData(QObject* sender = nullptr);
    // The selected user-data files into the export folder, then that folder shown.
    void ExportUserData(QObject* sender = nullptr);
    void RemoveUerDataFile(QObject* sender = nullptr);
    // Exports queued or running.
    int runningExports() const { return exportWorkers_.pendingJobs(); }

    // ---- State --------------------------------------------------------------------------
    const disk::DiskScanState& scanState() const { return state_; }
    // Scan threads running.
    int runningScans() const { return threads_.running(); }
    int diskDeviceIndex = 0;
    uint64_t allPhotoFileSize = 0, allMusicFileSize = 0, allVideoFileSize = 0, allBooksFileSize = 0, allAppFileSize = 0,
             allSystemAppFileSize = 0, allUserDataFileSize = 0;
    uint64_t allUserData = 0, freeData = 0, allIOSData = 0, iosFreeData = 0;  // the overview's figures
    std::vector<PRPhotoAndVideoNodePtr> photoFilesArray;
    std::vector<PRTranMusicNodePtr> musicFilesArray, videoFilesArray;
    std::vector<PRBookNodePtr> bookFilesArray;
    std::vector<PRAppDirTreeNodePtr> appFilesArray, systemAppFileArray;

    // ---- Outlets --------------------------------------------------------------------------
    QWidget *diskStateView = nullptr, *diskTableView = nullptr, *musicFileView = nullptr, *photoFileView = nullptr,
            *videoFileView = nullptr, *booksFileView = nullptr, *appFileView = nullptr, *systemAppFileView = nullptr,
            *userLibDataView = nullptr;
    QPushButton *musicScanButton = nullptr, *photoScanButton = nullptr, *videoScanButton = nullptr,
                *booksScanButton = nullptr, *appScanButton = nullptr, *systemAppScanButton = nullptr,
                *userLibDataScanButton = nullptr;
    QLabel *musicFileSizelab = nullptr, *photoFileSizelab = nullptr, *videoFileSizelab = nullptr,
           *booksFileSizelab = nullptr, *appFileSizelab = nullptr, *systemAppFileSizelab = nullptr,
           *userLibDataFileSizelab = nullptr;
    PRProgressView *musicProgress = nullptr, *photoProgress = nullptr, *videoProgress = nullptr,
                   *bookProgress = nullptr, *appProgress = nullptr, *systemAppProgress = nullptr,
                   *userLibDataProgress = nullptr;
    QLabel *iOSUsedlab = nullptr, *iOSFreelab = nullptr, *userUsedlab = nullptr, *userFreelab = nullptr;
    PRProgressView *systemProgress = nullptr, *userDataProgress = nullptr;
    QTableView *musicFileTableView = nullptr, *photoFileTableview = nullptr, *vidoeFileTableView = nullptr,
               *bookFileTableview = nullptr, *appFileTableView = nullptr, *systemAppFileTableView = nullptr,
               *userLibDataFileTableView = nullptr;
    QTreeView* userLibDataFileOutlineView = nullptr;
    QLabel *musicHeadImageView = nullptr, *photoHeadImageView = nullptr, *videoHeadImageView = nullptr,
           *bookHeadImageView = nullptr, *appHeadImageView = nullptr, *systemAppHeadImageView = nullptr,
           *userlibDataHeadImageView = nullptr;
    PRDiskManagButton* diskManageButton = nullptr;
    // Detail panes beside the media tables.
    QLabel *photoPreviewImage = nullptr, *photoPreviewFileName = nullptr, *photoPreviewFileSize = nullptr;
    QLabel *musicPreviewImage = nullptr, *musicPreviewFileName = nullptr, *musicPreviewFileSize = nullptr;
    QLabel *videoPreviewImage = nullptr, *videoPreviewFileName = nullptr, *videoPreviewFileSize = nullptr;
    QLabel *bookPreviewImage = nullptr, *bookPreviewFileName = nullptr;
    // Beside the app tables: the icon, name and version of the selected app.
    QLabel *appPreviewImage = nullptr, *appFileNamelab = nullptr, *appVersionlab = nullptr;
    QLabel *systemAppPreviewImageView = nullptr, *systemAppNamelb = nullptr, *systemAppVersionlab = nullptr;
    // The result tables' content.
    DiskMusicListController *muiscFileController = nullptr, *videoFileController = nullptr;
    DiskPhotoListController* photoFileController = nullptr;
    DiskBookListController* booksFileController = nullptr;
    DiskAppListController *appFileController = nullptr, *systemAppFileController = nullptr;
    PRSystemLibTreeController* libTreeController = nullptr;
    PRSystemlibFileController* libFileController = nullptr;

protected:
    void buildView(QWidget* page) override;

private:
    struct CategoryRow {
        QLabel* head;
        PRProgressView* bar;
        QLabel* size;
        QPushButton* button;
    };
    QWidget* buildStateView();
    QWidget* buildTableView();
    // A category's page: its table, and beside it the detail pane when one is given.
    QWidget* buildResultPage(const QString& title, QLabel*& head, QTableView*& table, QAbstractItemModel* model,
                             const QString& name, QWidget* detail = nullptr);
    // A detail pane of a picture, a name and (when size is given) a size label.
    QWidget* buildDetailPane(const QString& name, QLabel*& image, QLabel*& fileName, QLabel** size);
    // The record row selected in table (through its sorting), or -1.
    int selectedContentRow(QTableView* table) const;
    void showPhotoPreview(const PRPhotoAndVideoNodePtr& photo);
    // Empties the detail panes of the group's tables (a new scan starts).
    void clearDetailPanes(disk::DiskScanGroup group);
    QWidget* buildUserDataPage();
    CategoryRow rowOf(disk::DiskCategory category) const;
    void launch(disk::DiskCategory category);
    // The category's results page (after hiding the window's bottom image).
    void showResults(disk::DiskCategory category);
    // A finished scan's results, unless a whole run keeps the summary on show.
    void showFinished(disk::DiskCategory category);
    // After a removal from a media or book category: its figure and the device's removed bytes
    // count what went.
    void removed(disk::DiskCategory category, AppCounter counter, const disk::ActionResult& result);
    // A category's figure on the summary, and the program's count of the bytes removed from it
    // (none for system apps).
    uint64_t* totalOf(disk::DiskCategory category);
    static std::optional<AppCounter> removalCounterOf(disk::DiskCategory category);
    // Per category, the program's count of removed bytes already taken off its figure.
    std::map<disk::DiskCategory, uint64_t> removalsTaken_;
    // Empties what the scan of group found before, so that scanning again adds nothing twice.
    void resetGroup(disk::DiskScanGroup group);
    void runScan(disk::DiskScanGroup group, const DeviceStamp& stamp);
    void showPage(QWidget* page);
    // Runs fn on the main thread and waits; dropped once the page stops its scans or goes, and
    // with a stamp, once the work's device is no longer the page's.
    void handOff(std::function<void()> fn);
    void handOff(const DeviceStamp& stamp, std::function<void()> fn);
    bool connectedNow() const;
    // What a scan asks between entries: still attached, and still the page's device.
    std::function<bool()> stillScanning(const DeviceStamp& stamp) const;
    // The device left or was replaced: every category's results, rows and panes go.
    void dropDeviceResults();
    void finishRow(disk::DiskCategory category, uint64_t total);
    // The buttons under a result page's table.
    void addActionButtons(QWidget* page, const std::vector<std::pair<QString, std::function<void()>>>& buttons);
    QWidget* window() const;
    // Copies items into folder on a worker, then names the first failure and shows folder.
    // selection: the items are the table's selection (an empty one is told what to select).
    void startExport(std::vector<disk::ExportItem> items, const QString& folder, bool selection = false);

    disk::DiskDeviceServices& services_;
    DeviceTie tie_{[this] { dropDeviceResults(); }};
    disk::DiskScanState state_;
    bool wholeRun_ = false;  // a whole run is under way: the summary stays on show
    disk::ScanThreads threads_;
    std::atomic<bool> stopping_{false};  // the page is going: scans end, hand-offs are dropped
    QStackedWidget* pages_ = nullptr;
    WorkerPool exportWorkers_{2};
};
