// The clean page: the device clean's junk, cache and cookie trees with their file tables and
// the list of failed-sync leftovers, with removal and export of what they show.
//
// The page is wiring: the scan is JunkScan, the device work JunkFileActions, run on a worker
// thread or the page's bounded worker pool; every view change happens on the main thread.
// The code is split by job: PRCleanViewController.cpp (the page, its panes, outlines, menus),
// PRCleanViewControllerJunk.cpp (the device-clean scan) and PRCleanViewControllerJunkActions.cpp
// (removal and export).
#pragma once

#include "clean/CleanDeviceServices.h"
#include "clean/CleanWorkerPool.h"
#include "clean/JunkFileActions.h"
#include "clean/JunkScan.h"
#include "clean/PRAppFileController.h"
#include "clean/PRAppTreeController.h"

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

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

    // ---- Device-clean scan ----------------------------------------------------------------
    // Starts the scan of the device's junk; false (and nothing happens) while a scan runs.
    bool showDeviceClean(int deviceIndex);
    void StartDeviceCleanThread();
    bool isScanning() const { return scanning_; }
    QImage getIPhoneAppIconwith(void* unused, const QString& bundleId);
    // Main-thread hand-over of a batch of files found (the trees and the sync-media list).
    void AddCleanFilesOnMainThreadHanld(clean::JunkScanBatch batch);
    void AddJunkFileInMainThreadHanld(const PRCleanDirNodePtr& node);
    void AddCacheFileInMainThreadHanld(const PRCleanDirNodePtr& node);
    void AddCookieFileInMainThreadHanld(const PRCleanDirNodePtr& node);
    void AddSyncFileOnMainThreadHanld(const std::vector<PRCleanFileNodePtr>& records);

    void showCleanMainView();
    void showCleanJunkView();
    void showCleanCacheview();
    void showCleanCookView();
    void showCleanMediaView();
    void outlineViewSelectionDidChange(QTreeView* outline);
    void refreshOutlineView();

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
    // The name the save panel proposes for a moment: "Pelko <year-month-day> - <h.m.s>".
    static QString proposedExportName(const class QDateTime& when);

    QString exportPath() const;
    void setExportPath(const QString& path);

    // Enables every item of a context menu when its view's clicked row is a row, else none.
    void menuNeedsUpdate(QMenu* menu);
    // What a right click at pos (in the view's viewport) opens: the view's menu, made ready.
    QMenu* prepareContextMenu(QWidget* view, const QPoint& pos);

    // Removals and exports queued or running.
    int pendingJobs() const { return pool_.pendingJobs(); }

    // ---- Outlets -------------------------------------------------------------------------
    QWidget *cleanMainView = nullptr, *cleanJunkView = nullptr, *cleanCacheview = nullptr, *cleanCookView = nullptr,
            *cleanMediaView = nullptr;
    QTreeView *JunkOutlineView = nullptr, *CacheOutlineView = nullptr, *CookOutlineView = nullptr;
    QTableView *junkFileTableView = nullptr, *cacheFileTableView = nullptr, *cookieTableView = nullptr;
    QTableView* syncFailedTableView = nullptr;
    PRAppTreeController *JunkTreeController = nullptr, *CacheTreeController = nullptr, *CookTreeController = nullptr;
    PRAppFileController *JunkFileController = nullptr, *CacheFileController = nullptr, *CookFileController = nullptr;
    PRAppFileController* syncFailedController = nullptr;
    QMenu *cacheMenu = nullptr, *junkMenu = nullptr, *cookieMenu = nullptr, *cacheDirMenu = nullptr,
          *junkDirMenu = nullptr, *cookieDirMenu = nullptr, *syncedMenu = nullptr;

    std::vector<PRCleanFileNodePtr> syncFailedFileArray;  // every sync-media file found
    int cleanDevice = 0;

    bool bExportFile = false, bExportDirFile = false;
    bool bExportCache = false, bExportJunk = false, bExportCookie = false, bExportSynced = false;

private:
    // The views and names of one tree category.
    struct TreeViews {
        clean::Category category;
        const char* cleanType;       // "Junk", "Cache", "Cook"
        const char* sizeNotification;
        PRAppTreeController* tree;
        PRAppFileController* files;
        QTreeView* outline;
        QTableView* table;
    };
    TreeViews viewsOf(clean::Category category) const;
    void buildView();
    QWidget* buildTreePane(PRAppTreeController*& tree, PRAppFileController*& files,
                           QTreeView*& outline, QTableView*& table);
    void showPane(QWidget* pane);
    bool connectedNow() const { return !deviceConnected || deviceConnected(); }
    void resetScanResults();

    // Removal and export.
    struct Batch;
    std::shared_ptr<Batch> startBatch(const QString& failureText);
    void finishJob(const std::shared_ptr<Batch>& batch, const clean::ActionResult& result);
    void removeSelectedFile(clean::Category category);
    void removeSelectedFolder(clean::Category category);
    void removeAllFolders(clean::Category category);
    void fileRemoved(clean::Category category, const PRCleanFileNodePtr& node, const clean::ActionResult& result);
    void folderEmptied(clean::Category category, const QString& bundleId, const clean::ActionResult& result);
    void syncFilesRemoved(const std::vector<PRCleanFileNodePtr>& records, const clean::ActionResult& result);
    void chooseExport(bool oneFile, bool cache, bool junk, bool cookie, bool synced);
    static clean::DeviceFileRef refOf(const PRCleanFileNode& node);
    void showFailure(const QString& text);

    clean::DeviceCleanServices& services_;
    clean::JunkScanCounters counters_;
    clean::JunkScanLists lists_;
    std::atomic<bool> scanning_{false};
    clean::CleanWorkerPool pool_{4};
    mutable QMutex exportPathMutex_;
    QString exportPath_;
    QPointer<QWidget> view_;
    std::map<QWidget*, int> clickedRow_;  // the row under the last right click, per view
};
