// The clean page: the device clean's junk, cache and cookie trees with their file tables and
// the list of failed-sync leftovers, with removal and export of what they show.
//
// The page is wiring: the scan is JunkScan, the device work JunkFileActions, run on a worker
// thread or the page's bounded worker pool; every view change happens on the main thread.
// The same page holds the app cleaner: one button scans every app's caches, cookies, temporary
// files, documents and advertising caches and then removes them in one pass; four lists and
// the advertising list act on single items.
//
// The code is split by job: PRCleanViewController.cpp (the page, its panes, outlines, menus),
// PRCleanViewControllerJunk.cpp (the device-clean scan), PRCleanViewControllerJunkActions.cpp
// (removal and export), PRCleanViewControllerAppClean.cpp (the app cleaner's panes, scan and
// one-pass removal), PRCleanViewControllerAppCleanLists.cpp (its four lists) and
// PRCleanViewControllerAds.cpp (its advertising caches).
//
// What both scans found belongs to the device they walked (DeviceTie): when it leaves or another
// device is given, the trees, lists and panels are dropped and the next press scans afresh; a
// scan of the old device hands nothing in, and a queued removal or export of its rows reaches no
// other device.
#pragma once

#include "appcore/DeviceTie.h"
#include "clean/PRAdsController.h"
#include "clean/PRAppFileController.h"
#include "clean/PRAppTreeController.h"
#include "clean/PRCleanCacheFileController.h"
#include "clean/core/AdCacheRemover.h"
#include "clean/core/CleanDeviceServices.h"
#include "clean/core/JunkFileActions.h"
#include "clean/core/JunkScan.h"
#include "platform/Notice.h"
#include "platform/WorkerPool.h"
#include "widgets/ResultsSettle.h"

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

class FlashView;
class NSNotification;
class PRAppCleanButton;
class PRProgressView;
class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QMenu;
class QTableView;
class QTreeView;
class QWidget;

class PRCleanViewController : public QObject {
    Q_OBJECT
public:
    explicit PRCleanViewController(clean::DeviceCleanServices& services = clean::deviceCleanServices(),
                                   QObject* parent = nullptr);
    ~PRCleanViewController() override;

    // The page ("CleanView"), built on first use; the window places it.
    QWidget* view();

    // Whether the device is still attached, asked by workers between entries: the application
    // delegate's getDeviceConnected unless a test puts its own question here.
    std::function<bool()> deviceConnected;
    // Called on the main thread after a removal of the device clean has changed its counters, so
    // that what the window says about them (the summary) follows.
    std::function<void()> countersChanged;

    // ---- Device-clean scan ----------------------------------------------------------------
    // Starts the scan of the device's junk; false (and nothing happens) while a scan runs.
    bool showDeviceClean(int deviceIndex);
    void StartDeviceCleanThread(const DeviceStamp& stamp);
    bool isScanning() const { return scanning_; }
    QImage getIPhoneAppIconwith(void* unused, const QString& bundleId);
    // Main-thread hand-over of a batch of files found (the trees and the sync-media list).
    void AddCleanFilesOnMainThreadHanld(clean::JunkScanBatch batch);
    void AddJunkFileInMainThreadHanld(const PRCleanDirNodePtr& node);
    void AddCacheFileInMainThreadHanld(const PRCleanDirNodePtr& node);
    void AddCookieFileInMainThreadHanld(const PRCleanDirNodePtr& node);
    void AddSyncFileOnMainThreadHanld(const std::vector<PRCleanFileNodePtr>& records);

    // Asked by a junk row's "Scan Device" button: the window starts the device clean's scan as
    // its own "Clean" link does.
    std::function<void()> requestDeviceCleanScan;

    void showCleanMainView();
    void showCleanJunkView();
    void showCleanCacheview();
    void showCleanCookView();
    void showCleanMediaView();
    void outlineViewSelectionDidChange(QTreeView* outline);
    void refreshOutlineView();

    // Why the last device clean could not scan the apps' junk (its results then hold only the
    // media area's sync leftovers); empty when it could. Main thread.
    const QString& appsNotScannedReason() const { return appsNotScannedReason_; }
    void setAppsNotScannedReason(const QString& reason) { appsNotScannedReason_ = reason; }

    // Files found by the last scan.
    uint64_t GetCleanTaotalFileNumber() const { return counters_.totalFileNumber; }
    const clean::JunkScanCounters& counters() const { return counters_; }
    const clean::JunkScanLists& categoryLists() const { return lists_; }

    // ---- Removal and export ----------------------------------------------------------------
    void CleanCacheFile(QObject* sender = nullptr);
    void CleanJunkFile(QObject* sender = nullptr);
    void CleanCookieFile(QObject* sender = nullptr);
    void cleanCacheDirFile(QObject* sender = nullptr);
    void CleanJunkDirFile(QObject* sender = nullptr);
    void CleanCookieDirFile(QObject* sender = nullptr);
    void cleanAllCacheFiles(QObject* sender = nullptr);
    void CleanAllJunkFiles(QObject* sender = nullptr);
    void CleanAllCookieFiles(QObject* sender = nullptr);
    void CleanSyncedMediaFile(QObject* sender = nullptr);
    void CleanAllSyncedMediaFile(QObject* sender = nullptr);
    // Everything the device clean found, every category and the failed-sync leftovers, without
    // a question of its own: the caller has asked once for all of it.
    void removeEverythingFound();
    void CleanSyncedDirMediaFile(QObject*) {}
    void ExportSyncedfilestoMac(QObject*) {}

    void ExportTheCacheFileToMac(QObject* sender = nullptr);
    void ExportTheJunkFiletoMac(QObject* sender = nullptr);
    void ExportTheCookieFiletoMac(QObject* sender = nullptr);
    void ExportTheSyncedFiletoMac(QObject* sender = nullptr);
    void ExportCacheFilesToMac(QObject* sender = nullptr);
    void ExportJunkFilestoMac(QObject* sender = nullptr);
    void ExportCookieFilestoMac(QObject* sender = nullptr);
    void ExportOpenpanelAction();
    // returnCode 1 is the panel's OK; path is the folder it named.
    void savePanelDidEnd(int returnCode, const QString& path);
    // The name the save panel proposes for a moment: "Quillomatrix <year-month-day> - <h.m.s>".
    static QString proposedExportName(const class QDateTime& when);

    QString exportPath() const;
    void setExportPath(const QString& path);

    // Enables every item of a context menu when its view's clicked row is a row, else none.
    void menuNeedsUpdate(QMenu* menu);
    // What a right click at pos (in the view's viewport) opens: the view's menu, made ready.
    QMenu* prepareContextMenu(QWidget* view, const QPoint& pos);

    // Removals and exports queued or running.
    int pendingJobs() const { return pool_.pendingJobs(); }

    // ---- App cleaner: panel, scan and one-pass removal -----------------------------------------
    // Puts the page into container and shows the app cleaner's overview (first and later visits).
    void showView(QWidget* container);
    void showcleanDiskView();
    void showCleanCacheTableView();
    void showCleanCookTableView();
    void showCleanJunkTableView();
    void showCleanDocumentTableView();
    void showcleanAppAdsTableView();
    // Ties the page to the device at index; another device's results are dropped first.
    void QuillomatrixShowDeviceClean(int deviceIndex);
    // The start button's two presses: scan, then remove everything found.
    void MyAppCleanbuttonMouseDownHandle(const NSNotification& notification);
    void startScanPhoneApp(QObject* sender = nullptr);
    static int GetDocumentFileType(const char* extension);
    // A header band ("tabHeadImage.png" stretched) with a caption over it.
    static QLabel* headerBand(QWidget* parent, const QString& caption);
    uint64_t GetCleanTaotalFileSize() const { return counters_.totalFileSize; }
    // What the app cleaner's scan found (the device clean keeps its own).
    const clean::JunkScanCounters& appCleanCounters() const { return appCounters_; }
    const clean::JunkScanLists& appCleanLists() const { return appLists_; }
    bool appCleanScanning() const { return bStartCleanScan || adsScanRunning_; }
    bool bStartCleanScan = false;    // the file scan runs
    bool bAppCleanerFinish = false;  // scanned: the next press removes
    std::atomic<uint64_t> hasRemoveNumber{0};

    // ---- App cleaner: the four lists ---------------------------------------------------------
    void ClickDocumentFileAction(QObject* sender = nullptr);
    void ClickCacheFileAction(QObject* sender = nullptr);
    void ClickCookieFileAction(QObject* sender = nullptr);
    void ClickJunkFileAction(QObject* sender = nullptr);
    void ExportTheCleanDocumentNode(QObject* sender = nullptr);
    void ExportTheCleanCacheNode(QObject* sender = nullptr);
    void ExportTheCleanCookNode(QObject* sender = nullptr);
    void ExportTheCleanJunkNode(QObject* sender = nullptr);
    void RemoveOneDocumentFile(QObject* sender = nullptr);
    void RemoveOneCacheFiles(QObject* sender = nullptr);
    void RemoveOneCookFiles(QObject* sender = nullptr);
    void RemoveOneJunkFile(QObject* sender = nullptr);
    void RemoveAllDocumentFiles(QObject* sender = nullptr);
    void RemoveAllCacheFiles(QObject* sender = nullptr);
    void RemoveAllCookFiles(QObject* sender = nullptr);
    void RemoveAllJunkFiles(QObject* sender = nullptr);
    void cacheFileBackAction(QObject* = nullptr) { showcleanDiskView(); }
    // The folder exports go to: "AppData" under the export folder.
    static QString appDataFolder();

    // ---- App cleaner: advertising caches -----------------------------------------------------
    void ClickAppAdsFileAction(QObject* sender = nullptr);
    void RemoveAdsAction(QObject* sender = nullptr);
    void RemoveAllAdsAction(QObject* sender = nullptr);
    // Advertising folders found and not removed, in all apps.
    int totalAdsCount = 0;
    QStringList adPlatArray;
    std::vector<PRAppAdsRemoveNodePtr> adsRemoveArray;  // the scan's records
    PRAppAdsRemoveNodePtr currentRemoveNode;

    PRCleanCacheFileController* cleanCacheFileController = nullptr;
    PRCleanDocumentController* cleanDocumentController = nullptr;
    PRCleanJunkFileController* cleanJunkController = nullptr;
    PRCookFileController* cleanCookController = nullptr;
    PRAdsController* adsController = nullptr;

    // ---- Outlets -------------------------------------------------------------------------
    // The widgets of each page, grouped; the page alone sets them.
    // The device clean: its four panes with their outlines, tables and context menus.
    struct DeviceCleanOutlets {
        QWidget *cleanMainView = nullptr, *cleanJunkView = nullptr, *cleanCacheview = nullptr, *cleanCookView = nullptr,
                *cleanMediaView = nullptr;
        QTreeView *JunkOutlineView = nullptr, *CacheOutlineView = nullptr, *CookOutlineView = nullptr;
        QTableView *junkFileTableView = nullptr, *cacheFileTableView = nullptr, *cookieTableView = nullptr;
        QTableView* syncFailedTableView = nullptr;
        QMenu *cacheMenu = nullptr, *junkMenu = nullptr, *cookieMenu = nullptr, *cacheDirMenu = nullptr,
              *junkDirMenu = nullptr, *cookieDirMenu = nullptr, *syncedMenu = nullptr;
    };
    // The app cleaner: its overview, the four lists and the advertising list.
    struct AppCleanOutlets {
        QWidget *cleanDiskView = nullptr, *cleanCacheTableView = nullptr, *cleanDocumentTableView = nullptr,
                *cleanJunkTableView = nullptr, *cleanCookTableView = nullptr, *cleanAppAdsView = nullptr;
        QTableView *cleanCacheFileTableView = nullptr, *cleanJunkFileTableView = nullptr,
                   *cleanCookieFileTableView = nullptr, *cleanDocumentFileTableview = nullptr;
        QPushButton *appDocumentBtn = nullptr, *appCacheBtn = nullptr, *appJunkBtn = nullptr, *appCookBtn = nullptr,
                    *appAdsBtn = nullptr;
        QLabel *appDocumentlab = nullptr, *appCachelab = nullptr, *appJunklab = nullptr, *appCooklab = nullptr,
               *appAdslab = nullptr;
        QLabel *appDocumentShowFilePathlab = nullptr, *appCacheShowFilePathlab = nullptr,
               *appJunkShowFilePathlab = nullptr, *appCookShowFilePathlab = nullptr, *appAdsShowFilePathlab = nullptr;
        QLabel *appDocumentImageView = nullptr, *appCacheImageView = nullptr, *appJunkImageView = nullptr,
               *appCookImageView = nullptr, *theAdsImageView = nullptr;
        PRProgressView *appDocumentProgress = nullptr, *appCacheProgress = nullptr, *appJunkProgress = nullptr,
                       *appCookProgress = nullptr, *adsProgressor = nullptr;
        PRAppCleanButton* appStartBtn = nullptr;
        QLabel* appCleanResultlab = nullptr;  // what the panel says beside the button
        FlashView* appFlashView = nullptr;
        QLabel *documentFileInfolab = nullptr, *cacheFileInfolab = nullptr, *cookFileInfolab = nullptr,
               *junkFileInfolab = nullptr;
        QProgressBar *documentProgressor = nullptr, *cacheProgressor = nullptr, *cookProgressor = nullptr,
                     *junkProgressor = nullptr;
        QPushButton *documentExportBtn = nullptr, *cacheExportBtn = nullptr, *cookExportBtn = nullptr,
                    *junkExportBtn = nullptr;
        QPushButton *documentRemoveBtn = nullptr, *cacheRemoveBtn = nullptr, *cookRemoveBtn = nullptr,
                    *junkRemoveBtn = nullptr;
        QPushButton *documentRemoveAllBtn = nullptr, *cacheRemoveAllBtn = nullptr, *cookRemoveAllBtn = nullptr,
                    *junkRemoveAllBtn = nullptr;
        QTableView* AdsTableView = nullptr;
    };
    // The app cleaner's removal sheet.
    struct RemoveSheetOutlets {
        QPointer<QDialog> removeWindow;  // a sheet of the main window, which may go first
        QLabel *removeNumberlab = nullptr, *removeNumberInfolab = nullptr;
        QProgressBar* removeProgress = nullptr;
    };
    const DeviceCleanOutlets& deviceClean() const { return clean_; }
    const AppCleanOutlets& appClean() const { return appClean_; }
    const RemoveSheetOutlets& removeSheet() const { return removeSheet_; }

    PRAppTreeController *JunkTreeController = nullptr, *CacheTreeController = nullptr, *CookTreeController = nullptr;
    PRAppFileController *JunkFileController = nullptr, *CacheFileController = nullptr, *CookFileController = nullptr;
    PRAppFileController* syncFailedController = nullptr;

    std::vector<PRCleanFileNodePtr> syncFailedFileArray;  // every sync-media file found
    int cleanDevice = 0;

    bool bExportFile = false, bExportDirFile = false;
    bool bExportCache = false, bExportJunk = false, bExportCookie = false, bExportSynced = false;

private:
    // The views and names of one tree category.
    struct TreeViews {
        clean::Category category;
        const char* cleanType;               // "Junk", "Cache", "Cook"
        const Notice<NSNumber>* sizeNotice;  // the bytes removed
        PRAppTreeController* tree;
        PRAppFileController* files;
        QTreeView* outline;
        QTableView* table;
    };
    TreeViews viewsOf(clean::Category category) const;
    void buildView();
    QWidget* buildTreePane(PRAppTreeController*& tree, PRAppFileController*& files, QTreeView*& outline,
                           QTableView*& table);
    void showPane(QWidget* pane);
    // A junk list on show with nothing chosen lists the files of its first folder that has any.
    void showFoundFiles(clean::Category category);
    // False too once the page goes, so that its scans end early.
    bool connectedNow() const { return !scans_.isCancelled() && (!deviceConnected || deviceConnected()); }
    void resetScanResults();
    // The device clean's trees, tables and sync list, without the scan's lists and counters.
    void clearDeviceCleanViews();
    // Runs fn on the main thread while the work's device (stamp) is still the page's.
    void onMainForDevice(const DeviceStamp& stamp, std::function<void()> fn, bool wait = true);
    // The device left or was replaced: what both scans found goes. A scan still winding down
    // keeps its lists until it has ended, and then drops them itself.
    void dropDeviceResults();
    // Removal and export.
    // Jobs started by one user action; the failures of all of them are shown once, at the end.
    struct Batch {
        QString failureText;
        QString detail;  // the first failing path and its reason
        int remaining = 0;
        uint64_t failures = 0;
        uint64_t files = 0;  // files the jobs handled
        QString exportedTo;  // an export's folder: the batch ends saying what went there
        DeviceStamp stamp;   // the device it acts on: its line says when that device went
    };
    std::shared_ptr<Batch> startBatch(const QString& failureText);
    void finishJob(const std::shared_ptr<Batch>& batch, const clean::ActionResult& result);
    void removeSelectedFile(clean::Category category);
    void removeSelectedFolder(clean::Category category);
    void removeAllFolders(clean::Category category);
    void confirmAndRemoveAllFolders(clean::Category category);
    void removeAllSyncFiles();
    void fileRemoved(clean::Category category, const PRCleanFileNodePtr& node, const clean::ActionResult& result);
    void folderEmptied(clean::Category category, const QString& bundleId, const clean::ActionResult& result);
    void syncFilesRemoved(const std::vector<PRCleanFileNodePtr>& records, const clean::ActionResult& result);
    void chooseExport(bool oneFile, bool cache, bool junk, bool cookie, bool synced);
    static clean::DeviceFileRef refOf(const PRCleanFileNode& node);
    void showFailure(const QString& text, const QString& detail = {});

    // App cleaner.
    struct AppCleanCategory {
        clean::Category category;
        QWidget* pane;
        QTableView* table;
        PRAppFileController* controller;
        QLabel *infoLabel, *sizeLabel, *pathLabel;
        QProgressBar* progress;
        QPushButton *exportBtn, *removeBtn, *removeAllBtn, *arrowBtn;
        PRProgressView* bar;
        const char* removedSentence;
    };
    struct RemovalPlan;
    struct RemovalOutcome;
    AppCleanCategory appCategory(clean::Category category) const;
    std::vector<QWidget*> allPanes() const;
    void buildAppCleanPanes(class QLayout* layout);
    QWidget* buildAppCleanOverview();
    QWidget* buildAppCleanListPane(clean::Category category);
    QWidget* buildAdsPane();
    void buildRemoveWindow();
    void pressStartButton(bool showSpinner);
    void startScanPhoneAppThread(const DeviceStamp& stamp);
    // The scan ended early: the panel is ready to scan again and says why (the device left
    // unless reason is given).
    void appCleanScanAbortedOnMainThread(const QString& reason = {});
    // The scan's device went while it ran: what it found goes and the panel may scan again.
    void appCleanScanDropped();
    void startScanPhoneCacheFinishedOnMainThread();
    void StartScanAppAdsThread(const DeviceStamp& stamp);
    void FinishedScanAppAdsThreadOnMainThread(std::vector<PRAppAdsRemoveNodePtr> records, int adsFound);
    void startRemoval();
    void removeAllFilesThreader(std::shared_ptr<RemovalPlan> plan);
    void sendRemoveProgressInfoOnMainThread(int percent);
    void removeAllFilesFinishOnMainThread(const std::shared_ptr<RemovalPlan>& plan, const RemovalOutcome& outcome);
    void showAppCleanPathLabels();
    void showCategorySize(clean::Category category);
    void showAdsCount();
    // The rows of a category's list taken away on the device; counters follow.
    void appCleanRowsRemoved(clean::Category category, const std::vector<PRCleanDirNodePtr>& rows);
    void adsRemoved(const PRAppAdsRemoveNodePtr& record, const clean::AdRemovalResult& result);
    void addToRemovedAppBytes(uint64_t bytes);
    void openAppCleanList(clean::Category category);
    void exportSelectedAppCleanRows(clean::Category category);
    void removeSelectedAppCleanRows(clean::Category category);
    // Asks before files of the app lists go; true when the user agreed.
    bool confirmRemoval(size_t files, uint64_t bytes);
    void removeAllAppCleanRows(clean::Category category);
    void removeAdRecords(std::vector<PRAppAdsRemoveNodePtr> records, bool reloadOnce);
    std::vector<PRCleanDirNodePtr> selectedAppCleanRows(clean::Category category) const;

    clean::JunkScanCounters appCounters_;
    clean::JunkScanLists appLists_;
    std::atomic<bool> adsScanRunning_{false};
    bool removalStarted_ = false;
    ResultsSettle startButtonSettle_;  // the start button has become "Remove"
    bool appCleanDone_ = false;        // removed: the start button says "Done"
    void showAppCleanIdle();
    // Held by a scan's worker while it walks the device: the app cleaner's scan and the device
    // clean's never walk at once; the later one waits its turn.
    std::mutex deviceScanTurn_;
    // Path labels: the worker leaves the newest path here, the main thread shows it.
    std::mutex pathLabelMutex_;
    QString pendingPaths_[4];
    bool pathLabelsPosted_ = false;

    clean::DeviceCleanServices& services_;
    DeviceTie tie_{[this] { dropDeviceResults(); }};
    clean::JunkScanCounters counters_;
    clean::JunkScanLists lists_;
    QString appsNotScannedReason_;
    std::atomic<bool> scanning_{false};
    bool deviceCleanScanned_ = false;  // a device clean finished on the device now shown

    // What the junk rows' panes say above their lists (PRCleanViewControllerJunkHints.cpp).
    enum class JunkPane { Junk, Cache, Cookie, Sync };
    static constexpr int kJunkPanes = 4;
    struct JunkHeader {
        QLabel* hint = nullptr;
        QPushButton* scan = nullptr;
    };
    JunkHeader junkHeaders_[kJunkPanes];
    QWidget* withJunkHeader(JunkPane pane, QWidget* list);
    // Files and bytes the last scan found for a pane.
    std::pair<uint64_t, uint64_t> foundIn(JunkPane pane) const;
    void refreshJunkHints();
    // After a removal changed the counters: the panes' words and the window's summary follow.
    void countsChanged();
    WorkerPool pool_{4};   // removals and exports
    WorkerPool scans_{4};  // the scans, the removal pass and the list removals, each on a thread of its own
    mutable QMutex exportPathMutex_;
    QString exportPath_;
    QPointer<QWidget> view_;
    DeviceCleanOutlets clean_;
    AppCleanOutlets appClean_;
    RemoveSheetOutlets removeSheet_;
    std::map<QWidget*, int> clickedRow_;  // the row under the last right click, per view
};
