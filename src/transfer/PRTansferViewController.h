// The transfer page, shown from the sidebar's transfer rows: a landing view and one sub-view
// per category (photos, music, videos, apps, contacts, messages, notes), one shown at a time,
// each filled by its loader with the device index. The export actions of the sub-views share
// one destination panel, whose accepted folder starts the worker the user asked for.
//
// The code is split by job: PRTansferViewController.cpp (the shell: sub-views, switching, the
// export panel and its dispatch, the context menus' enabling), PRTansferViewControllerPhotos.cpp
// (the photo grid, its scan and its exports), PRTansferViewControllerMusic.cpp (the music and
// video tables, the player, their exports and the add to the music library),
// PRTansferViewControllerApps.cpp (the app containers: browsing, adding, deleting, exporting)
// and PRTansferViewControllerRecords.cpp (contacts, messages and notes read from a device
// backup, their previews and exports).
//
// What the loaders found belongs to the device they read (DeviceTie): when it leaves or another
// device is given, every category is dropped and loads afresh at its next visit; a loader of
// the old device hands nothing in, and no copy, export, addition or removal reaches another
// device.
#pragma once

#include "appcore/DeviceTie.h"
#include "browser/MovieFrameGrabber.h"
#include "browser/core/PageWorkers.h"
#include "clean/core/PRAppDirTreeNode.h"
#include "transfer/core/AppContainers.h"
#include "transfer/core/IKImageItem.h"
#include "transfer/core/MusicTransfer.h"
#include "transfer/core/PhotoTransfer.h"
#include "transfer/core/RecordExport.h"
#include "transfer/core/TransferRecordIntake.h"
#include "transfer/core/TransferRecordRun.h"
#include "transfer/core/iTunesScriptHandler.h"
#include "widgets/PageHost.h"

#include <QByteArray>
#include <QDateTime>
#include <QPoint>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class QAbstractItemView;
class QAction;
class QLabel;
class QListView;
class QMenu;
class QProgressBar;
class QSlider;
class QTableView;
class QTreeView;
class PhotoBrowserModel;
class PRAppTreeController;
class PRAppFileController;
class MusicTrackTableModel;
class TrackPlayer;
class QPushButton;
class PRContactController;
class PRMessageTreeController;
class PRNoteController;
class PRConversationView;
class QItemSelection;

class PRTansferViewController : public PageController {
public:
    explicit PRTansferViewController(QObject* parent = nullptr);
    ~PRTansferViewController() override;

    // Puts the page into host and shows it with its landing view.
    void showView(QWidget* host);
    void showMianView() { showPane(tranMainView); }
    void showPhotoView() { showPane(photoView); }
    void showMusicView() { showPane(musicView); }
    void showVideoView() { showPane(videoView); }
    void showAppView() { showPane(appView); }
    void showContactView() { showPane(contactView); }
    void showMessageView() { showPane(messageView); }
    void showNoteView() { showPane(noteView); }

    // The category loaders, each with the device index.
    void ShowPhoto(int device);
    void ShowApp(int device);
    void ShowMusic(int device);
    void showContact(int device);
    void showMessage(int device);
    void showNote(int device);
    void refreshOutlineView();

    // ---- Context menus ------------------------------------------------------------------------
    // Enables the entries of the music, video and app menus as they open, each by what it acts
    // on: the row the menu was opened on, the selection, or the rows. The photo
    // and record menus are left as they are.
    void menuNeedsUpdate(QMenu* menu);
    // What a menu entry acts on, and so needs to be enabled.
    enum class MenuNeeds { ClickedRow, Selection, Rows };
    // The row the music, video and app menus were last opened on or clicked (-1: none): the
    // music and video actions take it, the app actions the selection it is part of.
    int musicClickedRow = -1, videoClickedRow = -1, appDirClickedRow = -1, appFileClickedRow = -1;

    // ---- The export destination panel ---------------------------------------------------
    // Opens the panel; the export actions call it after setting their request flag.
    void ExportOpenpanelAction();
    // The panel's end: with returnCode 1 (OK), the first request flag set starts its worker
    // into path and the folder is shown.
    void savePanelDidEnd(int returnCode, const QString& path);
    // The folder name the panel proposes for a moment: "Quillomatrix 2013-05-02 - 14.05.09".
    static QString defaultExportName(const QDateTime& when);

    // ---- Photos (PRTansferViewControllerPhotos.cpp) ----------------------------------------
    void zoomSliderDidChange(QSlider* slider);
    void imageBrowsercellWasRightClickedAtIndex(int index, const QPoint& globalPosition);
    void photoDeleted(QObject*) {}
    void ExportSelectedPhotoToMac(QObject* sender = nullptr);
    void ExportAllPhotoToMac(QObject* sender = nullptr);
    int numberOfItemsInImageBrowser() const { return int(imageArray.size()); }
    // The items shown, in arrival order.
    std::vector<IKImageItem> imageArray;
    // The context menu of the last right click (null before one).
    QMenu* photoContextMenu() const { return photoContextMenu_; }

    // ---- Music and video (PRTansferViewControllerMusic.cpp) ------------------------------
    void musicPlay(QObject* sender = nullptr);
    void videoPlay(QObject* sender = nullptr);
    void musicSelectAll(QObject* = nullptr);
    void musicUnSelecteAll(QObject* = nullptr);
    void videoSelecteAll(QObject* = nullptr);
    void videoUnSelectAll(QObject* = nullptr);
    void musicExporttoDocument(QObject* = nullptr);
    void videoExporttoDocument(QObject* = nullptr);
    void musicExporttoMac(QObject* = nullptr);
    void videoExporttoMac(QObject* = nullptr);
    void musicCopytoiTunes(QObject* = nullptr);
    void videoCopytoiTunes(QObject* = nullptr);
    void musicCopyAlltoiTunes(QObject* = nullptr);
    void videoCopyAlltoiTunes(QObject* = nullptr);
    void ExportSelectedMusicToITuneslib(QObject* = nullptr);
    // These do nothing: the device's library is read-only here.
    void musicDeleted(QObject*) {}
    void musicRename(QObject*) {}
    void musicReload(QObject*) {}
    void videoDeletd(QObject*) {}
    void videoRename(QObject*) {}
    void videoReload(QObject*) {}
    std::vector<PRTranMusicNodePtr> musicArray, videoArray;
    MusicTrackTableModel *musicController = nullptr, *videoController = nullptr;
    QWidget *musicPlayView = nullptr, *videoPlayView = nullptr;
    // What the player says of the loaded track ("This track cannot be played." and the like).
    QLabel *musicStatuslab = nullptr, *videoStatuslab = nullptr;
    TrackPlayer *musicPlayer = nullptr, *videoPlayer = nullptr;
    iTunesScriptHandler _iTunesHander;
    // Music and video jobs (copies, exports, adds) that have ended, on the main thread.
    int musicJobsFinished() const { return musicJobsFinished_; }
    int runningMusicJobs() const { return musicScanWorkers_.pending() + trackWorkers_.pending(); }

    // ---- Apps (PRTansferViewControllerApps.cpp) -------------------------------------------
    void addFilesToApp(QObject* = nullptr);
    void AppSelectAll(QObject* = nullptr);
    void AppUnSelecteAll(QObject* = nullptr);
    void AppDeleted(QObject* = nullptr);
    void AppExportFilestoMac(QObject* = nullptr);
    void AppExportFilestoDocument(QObject* = nullptr);
    void AppDirExporttoMac(QObject* = nullptr);
    void AppReload(QObject*) {}
    void AppDirReload(QObject*) {}
    // Lists the selected folder's files in the table; an app's first selection reads its container.
    void outlineViewSelectionDidChange();
    PRAppTreeController* appTreeController = nullptr;
    PRAppFileController* appFileController = nullptr;
    // App jobs (container reads, adds, deletes, exports) that have ended, on the main thread.
    int appJobsFinished() const { return appJobsFinished_; }

    // Seams: the application's busy indicators of the music and app scans (none without one).
    std::function<void()> musicScanhasStartHandle, AppScanhasStartHandle;
    // ---- Contacts, messages and notes (PRTansferViewControllerRecords.cpp) ----------------------
    // The preview of the row selected in a table: a track is loaded into its player (copied from
    // the device first), an app document is shown as a picture, a record fills its preview.
    // Selecting never starts playback.
    void tableViewSelectionDidChange(QTableView* table);
    void exportSelectedContactToDocument(QObject* sender = nullptr);
    void exportallContactsToDocument(QObject* sender = nullptr);
    void exportSelectedMessageToDocumentHtml(QObject* sender = nullptr);
    void exportAllMessagesToDocumentHtml(QObject* sender = nullptr);
    void exportSelectedMessageToDocumentPdf(QObject* sender = nullptr);
    void exportAllMessagesToDocumentPdf(QObject* sender = nullptr);
    void exortSelectedNoteToDocument(QObject* sender = nullptr);
    void exportAllNotesToDocument(QObject* sender = nullptr);
    // The same exports into a folder the user chooses.
    void exportRecordsToChosenFolder(transfer::RecordKind kind);
    // The row a context menu was opened on (-1 on no row), as the exports of the clicked row read it.
    int contactClickedRow = -1, messageClickedRow = -1, noteClickedRow = -1;
    // Writes the PDF of a conversation to pdfPath from a worker thread: drawn on the main thread
    // (the worker waits), its bytes going to the file as they are made, the file put in place on
    // the worker's thread.
    files::Outcome writeConversationPdf(const PRMessageTreeNodePtr& conversation, const QString& pdfPath);
    PRContactController* contactController = nullptr;
    PRMessageTreeController* messageController = nullptr;
    PRNoteController* noteController = nullptr;
    PRConversationView* messageTreeScrollView = nullptr;
    // The line above each record table: reading, or why the records could not be read.
    QLabel *contactStatuslab = nullptr, *messageStatuslab = nullptr, *noteStatuslab = nullptr;
    // Ends of the record reads and exports, on the main thread (tests wait for them).
    int recordReadsFinished() const { return recordReadsFinished_; }
    int recordExportsFinished() const { return recordExportsFinished_; }
    // The records the page took in from its own reader runs.
    const transfer::TransferRecordIntake& recordIntake() const { return recordIntake_; }
    // Seam: the device identifier and name to read records of (default: the attached device's).
    std::function<std::pair<std::string, std::string>()> recordDevice;
    // Seam: the sidebar's busy indicator of a kind (started true, stopped false).
    std::function<void(transfer::RecordKind, bool busy)> recordScanIndicator;

    // Seam: whether the device is still attached (default: the application's answer).
    std::function<bool()> deviceConnected;

    // ---- Sub-views and their widgets ---------------------------------------------------------
    QWidget *tranMainView = nullptr, *photoView = nullptr, *musicView = nullptr, *videoView = nullptr,
            *appView = nullptr, *contactView = nullptr, *messageView = nullptr, *noteView = nullptr;
    QListView* imageBroswerView = nullptr;
    QSlider* zoomSlider = nullptr;
    QLabel* photoCountlab = nullptr;
    // Filled by the music, video, app, contact, message and note features.
    QTableView *musicTableView = nullptr, *videoTableView = nullptr, *appTableView = nullptr,
               *contactTableView = nullptr, *messageTableView = nullptr, *noteTableView = nullptr;
    QTreeView* appOutlineView = nullptr;
    QProgressBar *musicProgress = nullptr, *videoProgress = nullptr;
    QLabel *musicImageView = nullptr, *musicTitlelab = nullptr, *musicArtistlab = nullptr, *appImageView = nullptr;
    QLabel *contactNamelab = nullptr, *contactPhonelab = nullptr, *contactEmaillab = nullptr,
           *contactCompanylab = nullptr, *contactAddresslab = nullptr, *contactHomepagelab = nullptr,
           *contactJobtitlelab = nullptr, *contactBirthdaylab = nullptr, *contactNotelab = nullptr,
           *contactImageView = nullptr, *noteContentlab = nullptr;
    QMenu *appDirMenu = nullptr, *appFileMenu = nullptr, *photoMenu = nullptr, *musicMenu = nullptr,
          *videoMenu = nullptr, *contactMenu = nullptr, *messageMenu = nullptr, *noteMenu = nullptr;

    // ---- State -------------------------------------------------------------------------------
    int tranferDevice = 0;
    bool bMusiceStartTransfer = false, bImageStartTransfer = false, bappStartTransfer = false;
    bool bPhotoLoadFinished = false, bMusicLoadFinished = false, bAppLoadFinished = false;
    bool bBackup = false, bContactStartTransfer = false, bMessageStartTransfer = false, bNoteStartTrasfer = false;
    bool bContactFinished = false, bMessageFinished = false, bNoteFinished = false;
    bool bPreviewTag = false;
    QString exportPath;
    QString addFilePath;
    QString messagePDFFilePath;
    // Export requests: the next accepted panel starts the worker of the one set.
    bool bPhotoSelectedExport = false, bPhotoAllExport = false, bMusicAllExport = false, bAppSelectedExport = false,
         bAppDirExport = false, bVideoAllExport = false;

    // Ends of the photo workers, on the main thread (tests wait for them).
    int photoExportsFinished() const { return photoExportsFinished_; }

protected:
    void buildView(QWidget* page) override;

private:
    void showPane(QWidget* pane);
    // The window alerts of the page are sheets of (the application's, or none).
    QWidget* alertWindow() const;
    // The one alert of a user action that failed: text, and the first failing path with its reason.
    void alertFailure(const disk::ActionResult& result, const QString& text);
    std::array<QWidget*, 8> panes() const {
        return {tranMainView, photoView, musicView, videoView, appView, contactView, messageView, noteView};
    }
    // Sets one request flag and clears the other five.
    void setExportRequest(bool* flag);
    // A context menu of the page, brought up to date by menuNeedsUpdate as it opens.
    QMenu* tableMenu(QWidget* owner, const char* name);
    void addMenuAction(QMenu* menu, const QString& title, void (PRTansferViewController::*action)(QObject*),
                       MenuNeeds needs = MenuNeeds::ClickedRow);
    // Opens menu at the view's point at and notes the row under it in clicked (-1: none); with
    // select, that row becomes the selection unless it is part of it.
    void openTableMenu(QAbstractItemView* view, QMenu* menu, int* clicked, const QPoint& at, bool select);
    void buildPhotoView();
    void StartPhotoThread();
    void UpImageDataSource(const IKImageItem& item);
    void ScanphotoFinishHandle(const transfer::PhotoScanResult& result);
    void ExportSelectedPhotoToMacThread();
    void ExportAllPhotoToMacThread();
    void startPhotoExport(std::vector<IKImageItem> items);
    void finishPhotoExport(const transfer::PhotoExportResult& result);
    void updatePhotoCount();
    // Music and video.
    void buildMusicViews();
    QWidget* buildTrackPane(QWidget* pane, const QString& title, bool video);
    void StartMusicThread();
    void UpMusiceDataSource(transfer::MusicScanResult result);
    void ScanMusicFinishHandle(bool complete);
    void playTrack(bool video);
    void MusichasCopyFinishedOnMainThread(const PRTranMusicNodePtr& track, const transfer::TrackCopy& copy, bool start);
    void startTrackCopy(const PRTranMusicNodePtr& track, bool video);
    // The music picture: the loaded track's artwork from its tags, else the default image.
    void showTrackArtwork();
    void exportTracksToFolder(std::vector<PRTranMusicNodePtr> tracks, const QString& folder, bool reveal);
    void ExportAllMusicToMacThread();
    void ExportAllVideoToMacThread();
    void addTracksToLibrary(const std::vector<PRTranMusicNodePtr>& tracks, bool dropFallback);
    PRTranMusicNodePtr clickedTrack(bool video) const;
    std::vector<PRTranMusicNodePtr> selectedTracks(bool video) const;
    // The tracks an entry of the menu acts on: every selected one when the click was on one of
    // them, else the one clicked; none off the rows.
    std::vector<PRTranMusicNodePtr> chosenTracks(bool video) const;
    QMenu* buildTrackMenu(QTableView* table, bool video);
    void previewTrack(bool video);
    // Track copies on their way: a second request for one of them waits for the first.
    std::vector<PRTranMusicNodePtr> copyingTracks_;
    // Apps.
    void buildAppView();
    void StartAppThread();
    void ScanAppFinishHandle(bool listed);
    void ExpandItemThread(const PRAppDirTreeNodePtr& app);
    void ExportSelectedAppToMacThreadHandle();
    void ExportDirAppToMacThread();
    // Runs job on an app worker inside the device of stamp, unless that device is no longer the
    // page's (the user is told, nothing runs). done, when given, runs on the main thread with the
    // result (the lists follow what the device did, an export says where its files went).
    void startAppJob(const DeviceStamp& stamp, std::function<disk::ActionResult(const std::atomic<bool>&)> job,
                     QString failureText, std::function<void(const disk::ActionResult&)> done = {});
    // The end of an app export: the window's result line says how many files went to folder
    // (opening it too, unless the save panel's choice showed it already).
    void appExportEnded(const disk::ActionResult& result, const QString& folder, bool openFolder);
    std::vector<transfer::ContainerFile> selectedAppFiles() const;
    // The files removed from the device leave the shown folder's list (and its preview).
    void forgetAppFiles(const std::vector<std::string>& devicePaths);
    // Lists the shown folder's files again, keeping the chosen ones chosen.
    void refreshAppFiles();
    PRAppDirTreeNodePtr selectedAppFolder() const;
    void previewAppFile();
    // Shows picture in the app document's view, or the "document" image when it is null.
    void showAppPicture(QImage picture);
    void buildRecordViews();
    void openRecords(transfer::RecordKind kind);
    void StartBackupDeviceThread(transfer::RecordKind kind);
    void FinisdBackupDeviceThread(const transfer::RecordReadResult& result);
    void ScanTransferFinishedOnMainThread(transfer::RecordKind kind);
    void startRecordExport(std::function<transfer::RecordExportResult()> work, const QString& folder);
    void exportConversationsAsPdf(std::vector<PRMessageTreeNodePtr> conversations, const QString& folder);
    void finishRecordExport(const transfer::RecordExportResult& result, const QString& folder);
    std::string recordDeviceName() const;
    // Empties the record tables and previews (nothing of an earlier device stays).
    void clearRecords();
    // The device left or was replaced: every category's results go, and busy indicators stop.
    void dropDeviceResults();

    DeviceTie tie_{[this] { dropDeviceResults(); }};
    DeviceStamp recordRunStamp_;  // the device of the record read under way
    PhotoBrowserModel* photoModel_ = nullptr;
    QMenu* photoContextMenu_ = nullptr;
    MovieFrameGrabber appMovieFrames_;        // the first frames of movie documents
    QAction* photoExportSelected_ = nullptr;  // in the grid's menu, and on its keys
    QAction* photoExportAll_ = nullptr;
    int photoExportsFinished_ = 0;
    int musicJobsFinished_ = 0;
    int appJobsFinished_ = 0;
    browser::PageWorkers scanWorkers_{1};
    browser::PageWorkers exportWorkers_{1};
    browser::PageWorkers musicScanWorkers_{1};
    // Track copies, exports and adds: a few at a time, however many tracks a user acts on.
    browser::PageWorkers trackWorkers_{3};
    browser::PageWorkers appWorkers_{3};
    // The record reads run one after another: a second request waits for the backup of the first.
    PRBackupScanState recordScanState_;
    transfer::TransferRecordIntake recordIntake_;
    browser::PageWorkers recordWorkers_{1};
    browser::PageWorkers recordExportWorkers_{1};
    std::string recordDeviceName_;
    int recordReadsFinished_ = 0;
    int recordExportsFinished_ = 0;
};
