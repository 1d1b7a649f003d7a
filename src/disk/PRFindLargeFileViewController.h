// The large-file finder page, shown from the banner: one scan of the device's user data and of
// every app container for files above the preferences' size limit, a progress bar, a running
// path and a total per area, and per area a detail view with its Large and Big tables, largest
// first, from which files are removed (after a confirmation), their apps uninstalled, or the
// files copied into the export folder.
//
// The page is wiring: the walk is LargeFileScan and the actions LargeFileActions of disk/core.
// The scan and the exports run on workers that hand every view change to the main thread; the
// removals and uninstalls run on the main thread inside the action that confirmed them. The
// page stops and waits for its workers when it goes.
//
// The lists belong to the device they were found on (DeviceTie): when it leaves or another
// device is given, they are dropped and the page is ready to scan again; a worker of the old
// device hands nothing in, and no removal, uninstall or export runs on another device.
#pragma once

#include "appcore/DeviceTie.h"
#include "disk/PRLargeFileController.h"
#include "disk/core/ActionResult.h"
#include "disk/core/DiskDeviceServices.h"
#include "disk/core/LargeFileScan.h"
#include "disk/core/ScanThreads.h"
#include "platform/Threads.h"
#include "widgets/PageHost.h"

#include <atomic>
#include <functional>
#include <initializer_list>
#include <vector>

class FlashView;
class NSNotification;
class PRLargeFileButton;
class PRProgressView;
class QLabel;
class QPushButton;
class QTableView;

class PRFindLargeFileViewController : public PageController {
    Q_OBJECT
public:
    explicit PRFindLargeFileViewController(QObject* parent = nullptr);
    // The page reaches the device through services (tests put their own there).
    explicit PRFindLargeFileViewController(disk::DiskDeviceServices& services, QObject* parent = nullptr);
    // Stops the workers and waits for them.
    ~PRFindLargeFileViewController() override;

    // Whether the device is still attached: the application delegate's getDeviceConnected
    // unless a test puts its own question here.
    std::function<bool()> deviceConnected;

    // ---- Entry points of the application delegate --------------------------------------
    void showView(QWidget* host);
    // Ties the page to the device at index; another device's lists are dropped first.
    void setDeviceIndex(int index);

    // ---- Sub-pages ------------------------------------------------------------------------
    void showMainTableView();
    void showUserDataLargerFileView();
    void showAppLargerFileView();
    void backToMainTableView(QObject* sender = nullptr);
    // Open an area's detail view: its two tables filled with its lists, largest first.
    void ClickUserDataFileAction(QObject* sender = nullptr);
    void ClickAppDataFileAction(QObject* sender = nullptr);

    // ---- The scan -------------------------------------------------------------------------
    // The start button's press (its notification): the limit is read again at every request;
    // only the first request of a run starts a scan.
    void MyLargeFileButtonMouseDownHandle(const NSNotification& notification);

    // ---- Actions --------------------------------------------------------------------------
    // The selection of one table clears its partner's.
    void tableViewSelectionDidChange(QTableView* table);
    void ClickuserDataRemoveAction(QObject* sender = nullptr);
    void ClickAppRemoveAction(QObject* sender = nullptr);
    void ExportUserDataAction(QObject* sender = nullptr);
    void ExportAppDataAction(QObject* sender = nullptr);

    // ---- State ----------------------------------------------------------------------------
    int deviceIndex = 0;
    uint64_t largeFileSize = 2000000;
    bool bScanStarted = false, bScanFinished = false;
    uint64_t allDocumentFileSize = 0, allAppFileSize = 0;
    // The scan's lists, in scan order; removals and uninstalls take their records out.
    std::vector<PRLargeFileNodePtr> userDataLargeFileArray, userDataBigFileArray, appLargeFileArray, appBigFileArray;
    int runningWorkers() const { return threads_.running(); }
    QWidget* shownPage() const;

    // ---- Outlets --------------------------------------------------------------------------
    QWidget *mainTableView = nullptr, *userDataLargerFileView = nullptr, *appLargerFileView = nullptr;
    PRLargeFileController* userLargeFileController = nullptr;
    PRAppLargeFileController* appLargeFileController = nullptr;
    PRUserDataBigController* userBigFileController = nullptr;
    PRAppBigController* appBigFileController = nullptr;
    PRProgressView *userDataProgress = nullptr, *appDataProgress = nullptr;
    QTableView *userDataLargeTableView = nullptr, *appLargeTableView = nullptr, *userDataBigTableView = nullptr,
               *appBigTableView = nullptr;
    QLabel *userDataFilelab = nullptr, *appDataFilelab = nullptr, *userDataFileSizelab = nullptr,
           *appDataFileSizelab = nullptr;
    QPushButton *userBtn = nullptr, *appBtn = nullptr;
    PRLargeFileButton* startScanBtn = nullptr;
    QLabel *userDataLargeHeadImageView = nullptr, *appDataLargeHeadImageView = nullptr,
           *userDataBigHeadImageView = nullptr, *appDataBigHeadImageView = nullptr;
    FlashView* theFlashView = nullptr;

protected:
    void buildView(QWidget* page) override;

private:
    // The main view before any scan: no totals, no way into the lists.
    void showIdle();
    QWidget* buildMainTableView();
    QWidget* buildDetailView(bool apps);
    // Runs fn on the main thread while the page lives; with a stamp, only while the work's
    // device is still the page's (a scan's results).
    void handOff(const MainThreadReceiver& receiver, std::function<void()> fn);
    void handOff(const MainThreadReceiver& receiver, const DeviceStamp& stamp, std::function<void()> fn);
    bool connectedNow() const;
    void startScan();
    void scanFinishLargeFileWithInUserDataOnMainThread(std::vector<disk::LargeFileRecord> large,
                                                       std::vector<disk::LargeFileRecord> big, uint64_t total);
    void scanFinishLargeFileWithInAppDataOnMainThread(std::vector<disk::LargeFileRecord> large,
                                                      std::vector<disk::LargeFileRecord> big, uint64_t total);
    void finishScanFindLargeFileMainThread();
    // The device left or was replaced: the lists, tables, totals and labels go, and the next
    // press scans again.
    void dropDeviceResults();
    void fill(PRLargeFileController* controller, const std::vector<PRLargeFileNodePtr>& list, QTableView* table);
    // Removes the selected rows of one table; what went leaves the table and the lists.
    // Some row of the tables is selected; otherwise the user is told what to select.
    bool anySelected(std::initializer_list<QTableView*> tables, const QString& what) const;
    disk::ActionResult removeSelected(QTableView* table, PRLargeFileController* controller, bool apps,
                                      const DeviceStamp& stamp);
    // Uninstalls the app of the table's last selected row; its rows leave both tables.
    disk::ActionResult uninstallSelected(QTableView* table, PRLargeFileController* controller,
                                         const DeviceStamp& stamp);
    void dropRecords(const std::vector<PRLargeFileNodePtr>& gone);
    // What a removal took from the apps' or the user data's files: their total and the
    // device's removed bytes follow.
    void removedBytes(bool apps, uint64_t bytes);
    void exportSelected(std::initializer_list<std::pair<QTableView*, PRLargeFileController*>> tables);
    QString exportFolder() const;
    QWidget* window() const;

    disk::DiskDeviceServices& services_;
    DeviceTie tie_{[this] { dropDeviceResults(); }};
    disk::ScanThreads threads_;
    std::atomic<bool> stopping_{false};
    QWidget* page_ = nullptr;
    class QStackedLayout* pages_ = nullptr;
};
