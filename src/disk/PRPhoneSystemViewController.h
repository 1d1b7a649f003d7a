// The device file browser page, shown from the sidebar's system-library row: the device's media
// file system as a folder tree with the files of the selected folder beside it and a preview of
// the selected file. It walks the device once on a worker, then exports files or whole folders
// to the computer, deletes files on the device and adds a computer file into a device folder.
//
// The page is wiring: the walk is the user-data scan of disk/core, the exports, removals,
// additions and preview copies are FileBrowserActions. Every device operation runs on its own
// worker and hands its result to the main thread; the page stops and waits for its workers
// when it goes.
//
// The tree, the selection, the preview and its local copies belong to the device they came
// from (DeviceTie): when it leaves or another device is given, they are dropped and the next
// visit walks the device then attached; no export, removal or addition reaches another device.
#pragma once

#include "appcore/DeviceTie.h"
#include "clean/core/PRPhoneSystemDirNode.h"
#include "disk/core/DiskDeviceServices.h"
#include "disk/core/FileBrowserActions.h"
#include "disk/core/ScanThreads.h"
#include "platform/Threads.h"
#include "widgets/PageHost.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class PRSystemLibTreeController;
class PRSystemlibFileController;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTreeView;
class TrackPlayer;

class PRPhoneSystemViewController : public PageController {
    Q_OBJECT
public:
    explicit PRPhoneSystemViewController(QObject* parent = nullptr);
    // The page reaches the device through services (tests put their own there).
    explicit PRPhoneSystemViewController(disk::DiskDeviceServices& services, QObject* parent = nullptr);
    // Stops the workers and waits for them.
    ~PRPhoneSystemViewController() override;

    // Whether the device is still attached, asked by the walk between entries: the application
    // delegate's getDeviceConnected unless a test puts its own question here.
    std::function<bool()> deviceConnected;

    // ---- Entry points of the application delegate --------------------------------------
    void showPhoneSystemView(QWidget* host);
    // Walks the device once: nothing while a walk runs or once one has finished.
    void LookupSystemTree(int device);

    // ---- Actions ----------------------------------------------------------------------------
    // The selected files into the user's Documents folder.
    void ExportTheFileToDocument(QObject* sender = nullptr);
    // The selected files into a folder chosen in a save panel.
    void ExportTheFileToMac(QObject* sender = nullptr);
    // The selected outline folder's entries below a folder chosen in a save panel, each at its
    // device path.
    void ExportDirFileToMac(QObject* sender = nullptr);
    // After the confirmation, the selected files leave the device.
    void RemoveTheFiles(QObject* sender = nullptr);
    // The computer files chosen in an open panel go into the selected file's device folder, or
    // the folder shown when no file is selected.
    void addFilesToSystem(QObject* sender = nullptr);
    void SelecteAllFile(QObject* sender = nullptr);
    void UnSelecteAllFile(QObject* sender = nullptr);
    // The save panel's answer (1 for OK) for the export it was opened for.
    void savePanelDidEnd(int returnCode, const QString& path);
    // The open panel's answer: every chosen file is added.
    void openPanelDidEnd(int returnCode, const QStringList& paths);

    // ---- Views' delegates ---------------------------------------------------------------
    void outlineViewSelectionDidChange();
    void tableViewSelectionDidChange();
    // Opens the shown file's local copy in its own application (double-click, Return).
    void openPreviewedFile();
    // Enables the context menus' items: those for a row when the click hit one, those for the
    // selection while there is one, those for the folder on show always.
    void menuNeedsUpdate(QMenu* menu, bool hitRow);

    // ---- State ----------------------------------------------------------------------------
    int theDevice = 0;
    bool bScanStart = false;     // a walk runs
    bool bLoadFinished = false;  // the walk has completed
    bool bExportDirFile = false, bExportFileNode = false;
    QString exportPath;
    QString addFilePath;
    // Workers running (the walk, exports, removals, additions, preview copies).
    int runningWorkers() const { return threads_.running(); }
    // What the preview shows: "image", "movie", "text", "document", "folder" or "" (nothing).
    QString previewKind() const { return previewKind_; }
    QString previewedLocalPath() const { return previewedPath_; }

    // ---- Outlets --------------------------------------------------------------------------
    PRSystemLibTreeController* libTreeController = nullptr;
    PRSystemlibFileController* libFileController = nullptr;
    QWidget* showTableView = nullptr;
    QTreeView* theOutlineView = nullptr;
    QTableView* theTableView = nullptr;
    QProgressBar* progressor = nullptr;
    QLabel* infolab = nullptr;
    QLabel* scanImageView = nullptr;
    QStackedWidget* showPreview = nullptr;
    QLabel* showImageView = nullptr;
    QPlainTextEdit* showTextView = nullptr;
    QWidget* showMovView = nullptr;
    TrackPlayer* moviePlayer = nullptr;
    QLabel* previewNamelab = nullptr;
    QMenu* outlineViewMenu = nullptr;
    QMenu* rightDownMenu = nullptr;
    QPushButton *exportDocumentButton = nullptr, *exportButton = nullptr, *exportFolderButton = nullptr,
                *removeButton = nullptr, *addButton = nullptr;

protected:
    void buildView(QWidget* page) override;

private:
    // Runs job on a worker; fn handed back runs on the main thread while the page lives.
    void startWorker(std::function<void(const std::atomic<bool>& stop)> job);
    // Runs fn on the main thread while the page lives; with a stamp, only while the work's
    // device is still the page's.
    void handOff(const MainThreadReceiver& receiver, std::function<void()> fn);
    void handOff(const MainThreadReceiver& receiver, const DeviceStamp& stamp, std::function<void()> fn);
    bool connectedNow() const;
    // The device left or was replaced: the tree, the list, the preview and its copies go.
    void dropDeviceResults();
    void LookupSystemTreeFinishedOnMainThreadHanld();
    void walkEndedUnfinished();
    std::vector<PRPhoneSystemFileNodePtr> selectedEntries() const;
    PRPhoneSystemDirNodePtr selectedFolder() const;
    std::vector<disk::BrowserFile> filesOf(const std::vector<PRPhoneSystemFileNodePtr>& entries) const;
    void showLocalCopy(const PRPhoneSystemFileNodePtr& entry, const QString& localPath);
    void clearPreview();
    // The save panel of both exports, as a sheet of the window.
    void exportTheSelectedToMac();
    void exportSelectedFiles(const QString& target);
    void exportSelectedFolder(const QString& target);
    // The device path of a folder of the tree; empty when it has no entry to tell it.
    static std::string devicePathOfFolder(const PRPhoneSystemDirNodePtr& folder);
    // Lists the files added (device path and bytes) as the device now has them.
    void listAdded(const std::vector<std::pair<std::string, uint64_t>>& added);
    // The device paths Export Folder takes.
    std::vector<std::string> exportedFolderEntries() const;
    void removedFromDevice(const std::vector<PRPhoneSystemFileNodePtr>& entries, const std::vector<bool>& removed);
    QWidget* window() const;

    disk::DiskDeviceServices& services_;
    DeviceTie tie_{[this] { dropDeviceResults(); }};
    disk::ScanThreads threads_;
    std::atomic<bool> stopping_{false};
    // One set of preview copies per device: a copy made of one device's file never stands for
    // the file of the same path on the next. Workers hold the set they copy into.
    std::shared_ptr<disk::PreviewCopies> previewCopies_;
    int previewSets_ = 0;
    QString previewKind_;
    QString previewedPath_;
    PRPhoneSystemFileNodePtr previewed_;
};
