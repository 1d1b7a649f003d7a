// The application delegate: start-up, the main window and its pages, the app-wide state every
// page shares, the preferences window and the device connection with its overview page.
// One instance per run, reached everywhere through GetAppControllor(). Everything here runs on
// the main thread unless a method says otherwise.
//
// The widgets of each part of the window are grouped by page (frame(), banner(), overview(),
// backupList(), cleanPanel(), feedback()); the sidebar (PRSidebar) and the preferences window
// (PRPreferenceWindow) are classes of their own.
//
// The code is split by job: OstrevaneAppDelegate.cpp (start-up, shared state, exit, web pages,
// crash reporter), ...Window.cpp (the main window and its page views), ...Overview.cpp (the
// overview and no-device pages), ...Preferences.cpp (the preference actions), ...Sheets.cpp (about, welcome and
// feedback windows), ...Device.cpp (device connection),
// ...Banner.cpp (banner, feature pages, overview shortcuts), ...SidebarActions.cpp (sidebar rows,
// mode switches, scan indicators), ...CleanPanel.cpp (device-clean summary panel),
// ...BackupList.cpp (the backup list and its scan) and ...Pages.cpp (the page controllers).
#pragma once

#include "app/PRPreferenceWindow.h"
#include "app/PRSidebar.h"
#include "appcore/AppShell.h"
#include "appcore/AppState.h"
#include "model/PRIOSDeviceController.h"
#include "platform/CoreFoundation.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"
#include "platform/WorkerPool.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QTableView;
class QWidget;
class PRIOSDeviceTableModel;
class PRMainWindow;
class PRBannerButton;
class PRButton;
class PRClosedButton;
class PRColorProgressView;
class PRFeedBackView;
class FlashView;
class CircularBusyIndicator;
class PRBackupScanState;

// Page controllers of the feature pages; each is built by its own feature.
class PRResultViewController;
class PRPhoneSystemViewController;
class PRTansferViewController;
class PRCleanViewController;
class PRBackUpViewController;
class PRDiskaManagerViewController;
class PRFindLargeFileViewController;
class PROneCopyViewController;
class PRPrivacyController;
class PRSystemBoostViewController;

namespace amd {
class DeviceManager;
class BaseInfo;
class AirTrafficHostHelper;
}  // namespace amd

class OstrevaneAppDelegate : public QObject, public AppShell {
    Q_OBJECT
public:
    // init: start-up of the process state (see the .cpp for the order).
    OstrevaneAppDelegate();
    ~OstrevaneAppDelegate() override;

    static OstrevaneAppDelegate* GetAppControllor();

    // ---- Start-up and window -------------------------------------------------------------
    // Fills the out-values (each may be null) with the running system's version.
    static void getSystemVersionMajor(int* major, int* minor, int* bugFix);
    // The version in a BCD system-version word (0x1039 is 10.3.9); false at or above 0x1040,
    // where the word cannot hold the version.
    static bool decodeSystemVersionWord(long word, int* major, int* minor, int* bugFix);
    void awakeFromNib();                   // builds the windows
    void applicationDidFinishLaunching();  // lays the window out, starts the crash reporter
    void lanuchCrashApplication();
    void releaseCrashApplication();
    bool crashApplicationRunning() const { return checkTask > 0; }
    // The exit confirmation: true (and the application quits) only for " Exit ".
    bool windowShouldClose(QWidget* sender);
    void CloseTheMainWindow(QObject* sender);
    void ClickAbout(QObject* sender);
    void ClickCheckupDate(QObject* sender);
    void ClickHomePage(QObject* sender);
    void ClickHelp(QObject* sender);
    void ClickLearnMore(QObject* sender);
    void ClickStart(QObject* sender);
    void Cancel(QObject* sender);
    void Exit(QObject* sender);
    void Sender(QObject* sender);
    // Where a sheet of window is placed: rect lowered below the window's banner.
    QRectF window(QWidget* window, QWidget* sheet, QRectF rect) const;
    void hideMainView();
    void showMainView() override;
    void showMainBottomImageview() override;
    void HiddenMainBottomImageView() override;
    void MyClosebuttonMouseDownHandle(const NSNotification& notification);

    // Controller accessors (null until their features are built).
    PRResultViewController* GetresultViewController() const { return resultViewController; }
    PRPhoneSystemViewController* GetSystemViewController() const { return phonesystemViewController; }
    PRTansferViewController* GetTansferViewController() const { return transferViewController; }
    PRCleanViewController* GetCleanViewController() const { return cleanViewController; }
    PRBackUpViewController* GetBackupDeviceController() const { return backupViewController; }
    PRDiskaManagerViewController* GetDiskManageViewController() const { return diskManagerViewController; }

    // ---- App-wide state ------------------------------------------------------------------
    QWidget* window() const override;
    QWidget* preferenceWindow() const;
    QWidget* aboutWindow() const { return aboutWindow_; }
    QDialog* leadWindow() const { return leadWindow_; }
    QDialog* cryWindow() const { return cryWindow_; }

    // The shared state, forwarded to the state unit the pages read (appcore/AppState.h).
    AppState& state() { return state_; }
    const AppState& state() const { return state_; }
    bool getDeviceConnected() const { return state_.deviceConnected(); }
    uint64_t GetLimitLargeFileSize() const { return state_.largeFileLimit(); }
    int macOsVersion() const { return macOsVer; }

    PRiDeviceNodePtr currentIDevicenode() const { return state_.currentIDevicenode(); }
    void setCurrentIDevicenode(PRiDeviceNodePtr node) { state_.setCurrentIDevicenode(std::move(node)); }
    NSObjectPtr currentNode() const { return state_.currentNode(); }
    void setCurrentNode(NSObjectPtr node) { state_.setCurrentNode(std::move(node)); }
    bool currentNodeIsiOS6Version() const { return state_.currentNodeIsiOS6Version(); }
    void setCurrentNodeIsiOS6Version(bool v) { state_.setCurrentNodeIsiOS6Version(v); }
    bool bIOS7DeviceNode() const { return state_.bIOS7DeviceNode(); }
    void setBIOS7DeviceNode(bool v) { state_.setBIOS7DeviceNode(v); }
    bool bFeedBack() const { return bFeedBack_; }
    QString quillomatrixExportPath() const { return state_.exportPath(); }
    // Why the folder was not taken; empty once it is (AppState::setExportPath).
    QString setQuillomatrixExportPath(const QString& path) { return state_.setExportPath(path); }
    QString allCleanFileNumber() const;
    void setAllCleanFileNumber(const QString& v);
    QString allCleanFileSize() const;
    void setAllCleanFileSize(const QString& v);
    uint64_t counter(AppCounter which) const { return state_.counter(which); }

    // Byte-size texts (any thread); buffer holds at least 100 bytes.
    static char* size_to_unit(uint64_t count, char* buffer);
    static uint64_t sizeFormString(const QString& text);
    // size_to_unit as a string, for labels.
    static QString sizeText(uint64_t count);

    // ---- Preferences ---------------------------------------------------------------------
    void OpenPreferenceWindow(QObject* sender);
    void ClosedPreferenceWindow(QObject* sender);
    void ActPreferenceGeneral(QObject* sender);
    void ActPreferenceCleanup(QObject* sender);
    void ActPreferenceOneClickCopy(QObject* sender);
    void showPreferenceGeneraView();
    void showPreferenceCleanupView();
    void showPreferenceOneCopyView();
    void TragTheLimttedAction(QObject* sender);
    void ChangeExportFilePath(QObject* sender);
    void ResetPreferenceSetting(QObject* sender);
    void ActCleanUpSchedulAction(QObject* sender);
    void ActOneCopySchedulAction(QObject* sender);
    // The start-at-login choice: kept as an action so a control may send it; it changes nothing.
    void CheckAutoRunAction(QObject* sender);
    // The slider's megabytes (value over maximum, times 50) and the limit they give.
    static int largeFileMegabytes(int sliderValue, int sliderMaximum) {
        return PRPreferenceWindow::largeFileMegabytes(sliderValue, sliderMaximum);
    }
    static uint64_t largeFileLimitForMegabytes(int megabytes) {
        return PRPreferenceWindow::largeFileLimitForMegabytes(megabytes);
    }

    // ---- Device connection and overview --------------------------------------------------
    void initDeviceManagement();
    void DeviceConnectHandle(const NSNotification& notification);
    void DeviceDisConnectHandle(const NSNotification& notification);
    void startBoardMessage();
    void BoardMessageTimer_hander();
    void startBoardMessageThreadOnMain(CFDictionaryRef metrics);
    void ClickMainStatu(QObject* sender) override;
    // How long the usage poll waits after a connection, and how often it then looks.
    static void setBoardMessageTimings(std::chrono::milliseconds startDelay, std::chrono::milliseconds interval);
    bool boardPollRunning() const { return boardTimer != nullptr || boardStartTimer != nullptr; }
    bool boardPollPending() const { return boardPending_; }

    // Restyles the sidebar so that row (0-14, in sidebar order) alone looks selected.
    void selectSidebarRow(int row) { sidebar_->selectRow(row); }
    using SidebarRow = PRSidebar::Row;
    static void styleSidebarRow(const SidebarRow& row, bool selected) { PRSidebar::styleRow(row, selected); }
    static constexpr int kSidebarRows = PRSidebar::kRows;

    // ---- Banner and feature pages (...Banner.cpp) -----------------------------------------
    void PRBannerButtonMouseEnteredHandle(const NSNotification& notification);
    void PRBannerButtonMouseExitedHandle(const NSNotification& notification);
    void PRBannerButtonMouseDownHandle(const NSNotification& notification);
    void PRbuttonMouseEnteredHandle(const NSNotification& notification);
    void PRbuttonMouseExitedHandle(const NSNotification& notification);
    void ClickDiskManage(QObject* sender);
    void ClickAppCleaner(QObject* sender);
    void FindLargerFile(QObject* sender);
    void ClickOneCopy(QObject* sender);
    void ClickPrivacyClean(QObject* sender);
    void ClickAdsRemove(QObject* sender);
    void ClickPhotoDiskManage(QObject* sender);
    void ClickMusicDiskManage(QObject* sender);
    void ClickVideoDiskManage(QObject* sender);
    void ClickBooksDiskManage(QObject* sender);
    void ClickAppsDiskManage(QObject* sender);
    void ClickSystemAppsDiskManage(QObject* sender);
    void ClickUserDataDiskManage(QObject* sender);

    // ---- Sidebar rows, mode switches and scan indicators (...SidebarActions.cpp) -----------
    void ClickSystemLib(QObject* sender);
    void ClickApp(QObject* sender);
    void ClickPhoto(QObject* sender);
    void ClickMusic(QObject* sender);
    void ClickVideo(QObject* sender);
    void ClickContact(QObject* sender);
    void CilckMessage(QObject* sender);
    void ClickNote(QObject* sender);
    void ClickCleanJunk(QObject* sender);
    void ClickCleanCache(QObject* sender);
    void ClickCleanCook(QObject* sender);
    void ClickCleanMedia(QObject* sender);
    void ClickBackupAction(QObject* sender) override;
    void ClickScaniTunesBackup(QObject* sender) override;
    void ClickTansfer(QObject* sender);
    void ClickClean(QObject* sender);
    void ClickBackup(QObject* sender) override;
    void ClickiTunesBackupBroswer(QObject* sender);
    void ClickCleanAction(QObject* sender);
    // Starts the device clean's scan (with its summary panel) on the pane on show.
    void startDeviceCleanScan();
    // Start operations of the system, app, photo and music indicators: any thread (they hop
    // to the main thread and wait). The others: main thread.
    void SystemlibhasStartHandle() override;
    void AppScanhasStartHandle() override;
    void photoScanhasStartHandle() override;
    void musicScanhasStartHandle() override;
    void SystemlibhasStartHandleOnMain();
    void AppScanhasStartHandleOnMain();
    void photoScanhasStartHandleOnMain();
    void musicScanhasStartHandleOnMain();
    void contactScanhasStartHandle();
    void contactScanFinishedHandle();
    void messageScanhasStartHandle();
    void messageScanFinishedHandle();
    void noteScanhasStartHandle();
    void noteScanFinishedHandle();
    void SystemlibhasFinishedHandle(const NSNotification& notification);
    void AppScanFinishedHandle(const NSNotification& notification);
    void photoScanFinishedHandle(const NSNotification& notification);
    void musicScanFinishedHandle(const NSNotification& notification);

    // ---- Device-clean summary panel (...CleanPanel.cpp) -----------------------------------
    // The first handlers run on the posting thread and wait until the main-thread one has run.
    void CleanFileProgressInfoHandle(const NSNotification& notification);
    void AddCleanFileSizeThreadProgressInfoHandle(const NSNotification& notification);
    void CleanFilehasFinishedHandle(const NSNotification& notification);
    void CleanCacheFilesSizeHandle(const NSNotification& notification);
    void CleanJunkFilesSizeHandle(const NSNotification& notification);
    void CleanCookFilesSizeHandle(const NSNotification& notification);
    void CleanFileProgressInfoHandleOnMain(int percent);
    void AddCleanFileSizeThreadProgressInfoHandleOnMain(uint64_t junk, uint64_t cache, uint64_t cookie);
    void CleanFilehasFinishedOnMainThreadHanld(uint64_t totalBytes);
    void CleanCacheFilesSizeHandleOnMain(uint64_t bytes);
    void CleanJunkFilesSizeHandleMain(uint64_t bytes);
    void CleanCookFilesSizeHandleMain(uint64_t bytes);
    // The fix button: removes everything found; the fixed sentence follows once the removals end.
    void CleanAlliPhoneFiles(QObject* sender);
    bool fixRunning() const { return fixTimer_ != nullptr; }
    // The finished sentence and the fixed sentence for a count and a size text.
    static QString cleanFinishedSentence(uint64_t issues, const QString& size);
    static QString cleanFixedSentence(const QString& issues, const QString& size);
    // The summary's sentence when the apps could not be scanned (reason: the device's) and only
    // the media area's sync leftovers were.
    static QString cleanAppsNotScannedSentence(uint64_t issues, const QString& size, const QString& reason);

    // ---- Backup list and scan (...BackupList.cpp) -----------------------------------------
    // Lists the backups again; the list's selection is cleared (its scan button then off).
    void showIphoneDiskView();
    PRIOSDeviceController* GetPRIOSDeviceController() override { return &deviceController; }
    // Opens the results screen on a backup: the one chosen last while it is listed, else the first.
    void actScanIOSBackupFile(QObject* sender);
    // The backup list's selection changed: its scan button works only with a backup selected.
    void tableViewSelectionDidChange();
    // The backup list's scan button: opens and scans the selected backup.
    void scanSelectedBackup();
    void showResultView();
    // Has the results screen scan path on its worker (the readers of the manifest, contacts,
    // messages, notes, calls, bookmarks and calendars, in that order, then the deleted-record
    // carvers); false (and nothing changes) while a scan runs.
    bool ScanIOSBackFile(const QString& path);
    void removeSomeArray();
    bool IOSVersionIOS6(const QString& version) override;
    bool backupScanRunning() const;
    PRBackupScanState& backupScanState();

    // ---- Outlets -------------------------------------------------------------------------
    // The fifteen page views inside mainShowView, in their fixed order.
    enum Page {
        kStatuView,
        kTansferView,
        kBackupView,
        kClearnView,
        kITunesBackupBroswerView,
        kMusicView,
        kCleanLogView,
        kSystemlibView,
        kAppView,
        kNoDeviceView,
        kDiskManageView,
        kFindLargerView,
        kOneCopyView,
        kAdsRemoveView,
        kPrivacyCleanView,
        kPageCount
    };
    QWidget* page(Page which) const { return pages_[which]; }
    // Hides every page view but shown.
    void showOnlyPage(Page shown);

    // The widgets of each part of the window, grouped by page; the delegate alone sets them.
    // The main window: its page views, backgrounds and title bar.
    struct WindowOutlets {
        QWidget* mainShowView = nullptr;
        QWidget* noDeviceView = nullptr;
        QWidget* StatuView = nullptr;
        QWidget* TansferView = nullptr;
        QWidget* BackupView = nullptr;
        QWidget* ClearnView = nullptr;
        QWidget* iTunesBackupBroswerView = nullptr;
        QWidget* musicView = nullptr;
        QWidget* cleanLogView = nullptr;
        QWidget* systemlibView = nullptr;
        QWidget* appView = nullptr;
        QWidget* diskManageView = nullptr;
        QWidget* findLargerView = nullptr;
        QWidget* oneCopyView = nullptr;
        QWidget* adsRemoveView = nullptr;
        QWidget* privacyCleanView = nullptr;
        QLabel* topWindowImageView = nullptr;
        QLabel* topInfoImageView = nullptr;
        QLabel* bottomImageView = nullptr;
        QLabel* mainBottomImageView = nullptr;
        QLabel* noDeveiceBottomImageView = nullptr;
        QLabel* bottomMainImageView = nullptr;
        PRClosedButton* closedButton = nullptr;
        QPushButton* minimizeButton = nullptr;
        QPushButton* zoomButton = nullptr;
        QAction* checkUpdateMenuItem = nullptr;
    };
    // The banner, in banner order.
    struct BannerOutlets {
        PRBannerButton* mainStatusBannerBtn = nullptr;
        PRBannerButton* diskManageBannerBtn = nullptr;
        PRBannerButton* appCleanBannerBtn = nullptr;
        PRBannerButton* findLargeBannerBtn = nullptr;
        PRBannerButton* oneClickCopyBannerBtn = nullptr;
        PRBannerButton* privacyBannerBtn = nullptr;
        PRBannerButton* adsRemoveBannerBtn = nullptr;
    };
    // The overview page and the no-device page's button.
    struct OverviewOutlets {
        QLabel *iDeviceNamelab = nullptr, *iDeviceCapacityValuelab = nullptr, *iDeviceSoftwareVersionValuelab = nullptr,
               *iDeviceFirmValuelab = nullptr, *iDeviceIDValuelab = nullptr, *iDeviceSerialValuelab = nullptr,
               *iDevicepPhoneValuelab = nullptr;
        QLabel *usedSpaceLab = nullptr, *freeSpacelab = nullptr;
        QLabel *photoSizelab = nullptr, *musicSizelab = nullptr, *movieSizelab = nullptr, *appSizelab = nullptr,
               *otherSizelab = nullptr;
        PRColorProgressView* iDeviceColorView = nullptr;
        PRButton *photoButton = nullptr, *musicButton = nullptr, *bookButton = nullptr, *videoButton = nullptr,
                 *userAppsButton = nullptr, *systemAppsButton = nullptr, *userDataButton = nullptr;
        QPushButton *transferBtn = nullptr, *cleanBtn = nullptr, *backupDeviceBtn = nullptr, *broswerMainBtn = nullptr,
                    *disConnectBroswerMainBtn = nullptr;
    };
    // The backup list page (hideMainView / showMainView).
    struct BackupListOutlets {
        QWidget* manageBroswerBackupView = nullptr;
        QWidget* manageHasBackupView = nullptr;
        QWidget* manageNoBackUpView = nullptr;
        QLabel* imageView = nullptr;
        QWidget* tableScrolleView = nullptr;
        QTableView* diskTableView = nullptr;  // the backups, in tableScrolleView
        QPushButton* button = nullptr;
        QLabel* infoTextlab = nullptr;
        QLabel* notelab = nullptr;
        QPushButton* helpBtn = nullptr;
        QWidget* titleline = nullptr;
    };
    // The device-clean summary panel.
    struct CleanPanelOutlets {
        QWidget* cleanShowView = nullptr;
        QWidget* cleanScanView = nullptr;
        QWidget* cleanFinishView = nullptr;
        QWidget* fixResultView = nullptr;
        QProgressBar* cleanprogressor = nullptr;
        QLabel* cleanFilelab = nullptr;
        QLabel* fixInfolab = nullptr;
        QPushButton* fixAllButton = nullptr;
    };
    // The feedback sheet.
    struct FeedbackOutlets {
        PRFeedBackView* feedbackTextView = nullptr;
        FlashView* feedbackIndicator = nullptr;
    };
    const WindowOutlets& frame() const { return frame_; }
    const BannerOutlets& banner() const { return banner_; }
    const OverviewOutlets& overview() const { return overview_; }
    const BackupListOutlets& backupList() const { return backupList_; }
    const CleanPanelOutlets& cleanPanel() const { return cleanPanel_; }
    const FeedbackOutlets& feedback() const { return feedback_; }
    PRSidebar* sidebar() const { return sidebar_.get(); }
    PRPreferenceWindow* preferences() const { return preferenceWindow_; }
    const SidebarRow& sidebarRow(int row) const { return sidebar_->row(row); }

    // First-visit flags of the banner pages.
    bool bMainStatus = false, bDiskManage = false, bFindLargeFiles = false, bAppClean = false, bOneClickCopy = false,
         bAdsRemove = false, bPrivacyClean = false;
    bool hasBackUpFile = false;

    // Feature page controllers, set by the features that build them.
    PRResultViewController* resultViewController = nullptr;
    PRPhoneSystemViewController* phonesystemViewController = nullptr;
    PRTansferViewController* transferViewController = nullptr;
    PRCleanViewController* cleanViewController = nullptr;
    PRBackUpViewController* backupViewController = nullptr;
    PRDiskaManagerViewController* diskManagerViewController = nullptr;
    PRFindLargeFileViewController* findLargerFileViewController = nullptr;
    PROneCopyViewController* oneCopyViewController = nullptr;
    PRPrivacyController* privacyController = nullptr;
    PRSystemBoostViewController* systemBoostViewController = nullptr;

    // The backups on this computer, listed by showIphoneDiskView.
    PRIOSDeviceController deviceController;

    // Device.
    amd::DeviceManager* manager = nullptr;
    int theDevice = 0;
    amd::BaseInfo* bi = nullptr;

private:
    void init();
    void registerObservers();
    void buildMainWindow();
    QWidget* buildTitleBar();
    QWidget* buildBanner();
    void buildPageViews();
    void buildOverviewPage();
    void buildNoDevicePage();
    void buildBackupBrowserPage();
    void buildCleanPage();
    void buildFeatureControllers();
    void wireWindowActions();
    void showCleanPage();
    // The summary's sentence, count and size for what the device clean has found and not yet
    // removed (the scan's total, or the page's counters now).
    void showCleanFoundSentence(uint64_t totalBytes);
    void showCleanFoundSentence();
    void pressBannerButton(PRBannerButton* pressed);
    // A first-visited feature page's controller learns a newly attached device's index.
    void handDeviceToVisitedPages();
    void showDiskManagePage();
    void openDiskCategory(void (PRDiskaManagerViewController::*scan)(QObject*));
    // Hides every page but shown; on the first visit only, firstVisit hands the controller its
    // page and the device.
    void showFeaturePage(Page shown, bool& visited, const std::function<void()>& firstVisit);
    void startIndicator(CircularBusyIndicator* indicator);
    void stopIndicator(CircularBusyIndicator* indicator);
    void setCleanCategoryLabel(QLabel* label, const char* title, uint64_t bytes);
    void resetCleanCategoryLabels();
    void removedFromCleanCategory(AppCounter total, QLabel* label, const char* title, uint64_t bytes);
    void finishFix(uint64_t filesBefore, uint64_t bytesBefore);
    void buildAboutWindow();
    void buildSheets();
    void styleLinkButton(QPushButton* button, const QString& title);
    void setTitleBarImages();
    void endSheet(QDialog* sheet);
    void quitApplication();
    void setBannerButtonsVisible(bool visible);
    void stopBoardMessage();
    // The per-category texts and the bar from the usage the device sent, less what was removed
    // in the program since (drawBar: the bar's five parts too); nothing before the usage is known.
    void showUsageFigures(bool drawBar);
    // Every figure of the device that left: its values, usage, bar and clean labels.
    void clearDeviceFigures();

    NSNotificationCenter* nc = nullptr;
    int macOsVer = 0;
    int checkTask = -1;  // crash reporter process id
    AppState state_;

    mutable std::mutex stateMutex_;  // the summary texts below
    QString allCleanFileNumber_;
    QString allCleanFileSize_;
    bool bFeedBack_ = false;

    // Usage poll: the pending start, the ticking timer and the second sync-message connection.
    NSTimerPtr boardStartTimer;
    NSTimerPtr boardTimer;
    std::shared_ptr<amd::AirTrafficHostHelper> boardHelper_;
    uint64_t connectionGeneration_ = 0;  // changes at every connect and disconnect
    bool boardPending_ = false;          // a worker is opening the connection
    bool usageKnown_ = false;            // the current device's asset metrics arrived

    // The readers' shared arrays of the delegate (the results screen's scan keeps its own).
    struct BackupScan;
    std::shared_ptr<BackupScan> backupScan_;
    NSTimerPtr fixTimer_;              // waits for the fix's removals to end
    bool deviceCleanStarted_ = false;  // the summary panel shows from the first device scan on
    WorkerPool workers_{2};            // the backup scan and the usage poll's connection

    std::array<QWidget*, kPageCount> pages_{};
    WindowOutlets frame_;
    BannerOutlets banner_;
    OverviewOutlets overview_;
    BackupListOutlets backupList_;
    PRIOSDeviceTableModel* backupListModel_ = nullptr;  // the rows of backupList_.diskTableView
    CleanPanelOutlets cleanPanel_;
    FeedbackOutlets feedback_;
    std::unique_ptr<PRSidebar> sidebar_;  // its views belong to the main window
    PRMainWindow* window_ = nullptr;
    PRPreferenceWindow* preferenceWindow_ = nullptr;
    QWidget* aboutWindow_ = nullptr;
    QDialog* leadWindow_ = nullptr;
    QDialog* cryWindow_ = nullptr;
};
