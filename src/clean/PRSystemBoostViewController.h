// The system-boost page: finds crash logs, downloads, user-storage leftovers, media of failed
// syncs and edited-photo images on the device, shows their sizes, lists each kind, and removes
// or exports one file, or removes everything.
//
// The page is wiring: the scan is SystemBoostScan on a worker thread, removal and export are
// SystemBoostActions on the page's worker pool; views change only on the main thread, and rows
// and totals change only by what the device really removed. The code is split by job:
// PRSystemBoostViewController.cpp (the page, its panes and the scan) and
// PRSystemBoostViewControllerRemove.cpp (removal and export).
//
// What the scan found belongs to the device it walked (DeviceTie): when it leaves or another
// device is given, the lists are dropped and the panel is ready to scan again; a scan of the old
// device hands nothing in, and no removal or export reaches another device.
#pragma once

#include "appcore/DeviceTie.h"
#include "clean/PRSystemBoostController.h"
#include "clean/core/PRPhoneSystemDirNode.h"
#include "clean/core/SystemBoostActions.h"
#include "clean/core/SystemBoostScan.h"
#include "clean/core/SystemBoostServices.h"
#include "platform/WorkerPool.h"
#include "widgets/ResultsSettle.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <set>
#include <vector>

class FlashView;
class NSNotification;
class PRProgressView;
class PRScanButton;
class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QWidget;

class PRSystemBoostViewController : public QObject {
    Q_OBJECT
public:
    explicit PRSystemBoostViewController(clean::SystemBoostServices& services = clean::systemBoostServices(),
                                         QObject* parent = nullptr);
    ~PRSystemBoostViewController() override;

    // Whether the device is still attached, asked by the scan between entries: the
    // application delegate's getDeviceConnected unless a test puts its own question here.
    std::function<bool()> deviceConnected;
    // The folder exports go to: the delegate's quillomatrixExportPath unless a test puts its
    // own here.
    std::function<QString()> exportFolder;

    // The page ("SystemBoost"), built on first use.
    QWidget* view();
    void showView(QWidget* container);
    // Ties the page to the device at index; another device's lists are dropped first.
    void setDeviceIndex(int index);
    void showMainView();
    void showResultView();
    // The main view before any scan: no sizes, no paths, empty bars, the scan button.
    void showIdle();
    void BackAction(QObject* sender = nullptr);

    // ---- Scan -------------------------------------------------------------------------------
    void MyScanbuttonMouseDownHandle(const NSNotification& notification);
    void StartSystemCleanupAction(QObject* sender = nullptr);
    void StartSystemCleanupThread(const DeviceStamp& stamp);
    void scanSystemBoostProgressOnMainThread(float value);
    void scanFilePathOnMainThread(clean::BoostCategory category, const QString& path);
    void FinishScanSystemThreadOnMainThread(clean::SystemBoostScan& scan);
    bool isScanning() const { return bStartScan; }
    bool isScanFinished() const { return bScanFinished; }

    // ---- The list -----------------------------------------------------------------------------
    void ClickDownloadAction(QObject* sender = nullptr);
    void ClickSystemLogAction(QObject* sender = nullptr);
    void ClickUsesStorageAction(QObject* sender = nullptr);
    void ClickiTunesCacheAction(QObject* sender = nullptr);
    void ClickiTunesSyncfailedAction(QObject* sender = nullptr);
    void RemoveOneFileAction(QObject* sender = nullptr);
    void ExportOneFileAction(QObject* sender = nullptr);

    // ---- Remove all ---------------------------------------------------------------------------
    void RemoveAllFilesAction(QObject* sender = nullptr);
    void removeAllFilesThreader(std::vector<clean::BoostFileRef> files, const DeviceStamp& stamp);
    void sendRemoveProgressInfo(int percent);
    void sendRemoveProgressInfoOnMainThread(int percent);
    void removeAllFilesFinishOnMainThread(const clean::ActionResult& result, const DeviceStamp& stamp = {});
    bool isRemoving() const { return removing_; }

    // Removals and exports queued or running.
    int pendingJobs() const { return pool_.pendingJobs(); }

    // The records and bytes of a category.
    std::vector<PRPhoneSystemFileNodePtr>& arrayOf(clean::BoostCategory category);
    uint64_t& sizeOf(clean::BoostCategory category);
    QLabel* sizeLabelOf(clean::BoostCategory category) const;
    QPushButton* buttonOf(clean::BoostCategory category) const;
    // The remove-all message ("%lld files will be cleaned up ...").
    QString removeMessage() const;

    // ---- Fields and outlets -------------------------------------------------------------------
    QWidget *mainView = nullptr, *ResultView = nullptr;
    int deviceIndex = 0;
    std::vector<PRPhoneSystemFileNodePtr> downloadTempArray, systemLogArray, userStorageArray, iTunesSyncCacheArray,
        iTunesSyncFailedArray;
    bool bStartScan = false;
    bool bScanFinished = false;
    PRScanButton* scanButton = nullptr;
    FlashView* theFalshView = nullptr;
    PRProgressView *downloadTempProgressor = nullptr, *systemlogProgressor = nullptr, *userStorageProgressor = nullptr,
                   *iTunessystemCacheProgressor = nullptr, *iTunesSyncFailedProgressor = nullptr;
    QLabel *downloadtempPathlab = nullptr, *systemlogPathlab = nullptr, *userstoragePathlab = nullptr,
           *iTunesSystemCachePathlab = nullptr, *iTunesSystemFailedPathlab = nullptr;
    QLabel *downloadtempFileSizelab = nullptr, *systemlogFileSizelab = nullptr, *userStorageFileSizelab = nullptr,
           *iTunesSystemCacheFileSizelab = nullptr, *iTunesSystemFailedFileSizelab = nullptr;
    QPushButton *downloadtempButton = nullptr, *systemlogButton = nullptr, *userStorageButton = nullptr,
                *iTunesSystemCacheButton = nullptr, *iTunesSystemFaileFileButton = nullptr;
    PRSystemBoostController* systemBoostcontroller = nullptr;
    QTableView* systemBoostTableview = nullptr;
    QLabel* systemBoostImageView = nullptr;
    QPushButton *exportButton = nullptr, *removeButton = nullptr, *backButton = nullptr;
    uint64_t totalFileNumber = 0;
    uint64_t downloadtempFileSizeNumber = 0, systemlogFileSizeNumber = 0, userStorageFileSizeNumber = 0,
             iTunesSystemCacheFileSizeNumber = 0, iTunesSystemFailedFileSizeNumber = 0;
    std::atomic<uint64_t> hasRemoveNumber{0};
    QPointer<QDialog> removeWindow;  // a child of the page: gone when the window takes the page with it
    QLabel* removeFileInfolab = nullptr;
    QLabel* removeNumberInfolab = nullptr;
    QProgressBar* removeProgress = nullptr;

private:
    struct Row;
    void buildView();
    QWidget* buildMainView();
    QWidget* buildResultView();
    void buildRemoveWindow();
    void showCategory(clean::BoostCategory category);
    void setScanButtonImage(const QString& name, const QString& fallbackText);
    uint64_t totalBytes() const;
    QString exportFolderNow() const;
    // Takes a removed record out of its category and the list, with its bytes.
    void forget(const PRPhoneSystemFileNodePtr& record);
    // Takes every record whose path was removed out of its category and the list.
    void forgetRemoved(const QStringList& devicePaths);
    void showSizeOf(clean::BoostCategory category);
    void showFailure(const QString& text, const QString& detail = {});
    // The device left or was replaced: the lists and totals go, and the panel is idle.
    void dropDeviceResults();
    PRProgressView* progressorOf(clean::BoostCategory category) const;
    QLabel* pathLabelOf(clean::BoostCategory category) const;

    clean::SystemBoostServices& services_;
    DeviceTie tie_{[this] { dropDeviceResults(); }};
    WorkerPool pool_{2};   // one file's removal or export
    WorkerPool scans_{2};  // the scan's thread and the removal pass's
    QPointer<QWidget> view_;
    std::atomic<bool> removing_{false};
    bool removedAll_ = false;
    ResultsSettle resultsSettle_;                              // "Scan" has become "Remove All"
    int shownCategory_ = -1;                                   // the category the list shows
    std::set<const PRPhoneSystemFileNode*> removalsUnderWay_;  // records whose removal is under way
};
