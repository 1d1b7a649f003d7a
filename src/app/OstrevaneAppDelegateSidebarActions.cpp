// The sidebar rows' actions, the mode switches they use and the busy indicators that the
// transfer and file-browser pages turn on and off around their scans.
#include "app/OstrevaneAppDelegate.h"
#include "browser/PRBackUpViewController.h"
#include "clean/PRCleanViewController.h"
#include "disk/PRPhoneSystemViewController.h"
#include "transfer/PRTansferViewController.h"
#include "widgets/FlashView.h"

#include <QProgressBar>

namespace {
enum Row {
    kStatusRow,
    kSystemLibRow,
    kAppRow,
    kPhotoRow,
    kMusicRow,
    kVideoRow,
    kContactRow,
    kMessageRow,
    kNoteRow,
    kJunkRow,
    kCacheRow,
    kCookieRow,
    kSyncRow,
    kBackupRow,
    kBroswerRow
};
}  // namespace

// ---- Mode switches --------------------------------------------------------------------------
// Each leaves exactly its own page visible, the feature pages of the banner included.

void OstrevaneAppDelegate::ClickTansfer(QObject*) {
    showOnlyPage(kTansferView);
    transferViewController->showView(frame_.TansferView);
}

void OstrevaneAppDelegate::ClickClean(QObject*) {
    showOnlyPage(kClearnView);
    showCleanPage();
    // The device clean's own pane (the rows' actions then show their lists), under its summary
    // once a scan has started.
    cleanViewController->showCleanMainView();
    cleanPanel_.cleanShowView->setHidden(!deviceCleanStarted_);
}

void OstrevaneAppDelegate::ClickBackup(QObject*) {
    showOnlyPage(kBackupView);
    backupViewController->showView(frame_.BackupView);
}

void OstrevaneAppDelegate::ClickiTunesBackupBroswer(QObject*) { showOnlyPage(kITunesBackupBroswerView); }

void OstrevaneAppDelegate::ClickCleanAction(QObject*) {
    ClickClean(nullptr);
    selectSidebarRow(-1);  // the device clean's own pane is no row's
    startDeviceCleanScan();
}

void OstrevaneAppDelegate::startDeviceCleanScan() {
    // A new scan starts the summary panel over; a scan already running keeps it as it is.
    if (cleanViewController->showDeviceClean(theDevice)) {
        deviceCleanStarted_ = true;
        cleanPanel_.cleanShowView->setHidden(false);
        cleanPanel_.cleanprogressor->setRange(0, 0);
        cleanPanel_.cleanScanView->setHidden(false);
        cleanPanel_.cleanFinishView->setHidden(true);
        cleanPanel_.fixResultView->setHidden(true);
    }
}

// ---- Rows -----------------------------------------------------------------------------------

void OstrevaneAppDelegate::ClickSystemLib(QObject*) {
    selectSidebarRow(kSystemLibRow);
    showOnlyPage(kSystemlibView);
    phonesystemViewController->showPhoneSystemView(frame_.systemlibView);
    phonesystemViewController->LookupSystemTree(theDevice);
}

void OstrevaneAppDelegate::ClickApp(QObject*) {
    selectSidebarRow(kAppRow);
    sidebar_->manageHasDeviceView->update();
    ClickTansfer(nullptr);
    transferViewController->showAppView();
    transferViewController->ShowApp(theDevice);
}

void OstrevaneAppDelegate::ClickPhoto(QObject*) {
    selectSidebarRow(kPhotoRow);
    ClickTansfer(nullptr);
    transferViewController->showPhotoView();
    transferViewController->ShowPhoto(theDevice);
}

void OstrevaneAppDelegate::ClickMusic(QObject*) {
    selectSidebarRow(kMusicRow);
    ClickTansfer(nullptr);
    transferViewController->showMusicView();
    transferViewController->ShowMusic(theDevice);
}

void OstrevaneAppDelegate::ClickVideo(QObject*) {
    selectSidebarRow(kVideoRow);
    ClickTansfer(nullptr);
    transferViewController->showVideoView();
    // The music scan fills the video list too: a first visit here starts it.
    transferViewController->ShowMusic(theDevice);
}

void OstrevaneAppDelegate::ClickContact(QObject*) {
    selectSidebarRow(kContactRow);
    ClickTansfer(nullptr);
    transferViewController->showContactView();
    transferViewController->showContact(theDevice);
}

void OstrevaneAppDelegate::CilckMessage(QObject*) {
    selectSidebarRow(kMessageRow);
    ClickTansfer(nullptr);
    transferViewController->showMessageView();
    transferViewController->showMessage(theDevice);
}

void OstrevaneAppDelegate::ClickNote(QObject*) {
    selectSidebarRow(kNoteRow);
    ClickTansfer(nullptr);
    transferViewController->showNoteView();
    transferViewController->showNote(theDevice);
}

void OstrevaneAppDelegate::ClickCleanJunk(QObject*) {
    selectSidebarRow(kJunkRow);
    ClickClean(nullptr);
    cleanViewController->showCleanJunkView();
}

void OstrevaneAppDelegate::ClickCleanCache(QObject*) {
    selectSidebarRow(kCacheRow);
    ClickClean(nullptr);
    cleanViewController->showCleanCacheview();
}

void OstrevaneAppDelegate::ClickCleanCook(QObject*) {
    selectSidebarRow(kCookieRow);
    ClickClean(nullptr);
    cleanViewController->showCleanCookView();
}

void OstrevaneAppDelegate::ClickCleanMedia(QObject*) {
    selectSidebarRow(kSyncRow);
    ClickClean(nullptr);
    cleanViewController->showCleanMediaView();
}

void OstrevaneAppDelegate::ClickBackupAction(QObject*) {
    ClickBackup(nullptr);
    backupViewController->ShowbackupView();
    selectSidebarRow(kBackupRow);
    sidebar_->manageHasDeviceView->update();
}

void OstrevaneAppDelegate::ClickScaniTunesBackup(QObject*) {
    showIphoneDiskView();
    ClickiTunesBackupBroswer(nullptr);
    actScanIOSBackupFile(nullptr);
    selectSidebarRow(kBroswerRow);
    sidebar_->manageHasDeviceView->update();
}

// ---- Busy indicators ------------------------------------------------------------------------

// The pages call and post on the main thread; one that does not still never touches the
// indicator from its own thread.
// The call is tied to the delegate: the indicators live in its window, which goes after it has
// stopped taking calls from workers.
void OstrevaneAppDelegate::startIndicator(CircularBusyIndicator* indicator) {
    performOnMainThread(
        this,
        [indicator] {
            indicator->setHidden(false);
            indicator->startAnimation();
        },
        true);
}

void OstrevaneAppDelegate::stopIndicator(CircularBusyIndicator* indicator) {
    performOnMainThread(
        this,
        [indicator] {
            indicator->setHidden(true);
            indicator->stopAnimation();
        },
        true);
}

namespace {
// Runs method on the main thread and waits, unless the delegate is going.
void onMainAndWait(OstrevaneAppDelegate* delegate, void (OstrevaneAppDelegate::*method)()) {
    performOnMainThread(
        delegate, [delegate, method] { (delegate->*method)(); }, true);
}
}  // namespace

void OstrevaneAppDelegate::SystemlibhasStartHandle() {
    onMainAndWait(this, &OstrevaneAppDelegate::SystemlibhasStartHandleOnMain);
}
void OstrevaneAppDelegate::AppScanhasStartHandle() {
    onMainAndWait(this, &OstrevaneAppDelegate::AppScanhasStartHandleOnMain);
}
void OstrevaneAppDelegate::photoScanhasStartHandle() {
    onMainAndWait(this, &OstrevaneAppDelegate::photoScanhasStartHandleOnMain);
}
void OstrevaneAppDelegate::musicScanhasStartHandle() {
    onMainAndWait(this, &OstrevaneAppDelegate::musicScanhasStartHandleOnMain);
}

void OstrevaneAppDelegate::SystemlibhasStartHandleOnMain() { startIndicator(sidebar_->circleSystemProgress); }
void OstrevaneAppDelegate::AppScanhasStartHandleOnMain() { startIndicator(sidebar_->circleAppProgress); }
void OstrevaneAppDelegate::photoScanhasStartHandleOnMain() { startIndicator(sidebar_->circlePhotoProgress); }
void OstrevaneAppDelegate::musicScanhasStartHandleOnMain() {
    startIndicator(sidebar_->circleMusicProgress);
    startIndicator(sidebar_->circleVideoProgress);
}

void OstrevaneAppDelegate::contactScanhasStartHandle() { startIndicator(sidebar_->circleContactProgress); }
void OstrevaneAppDelegate::contactScanFinishedHandle() { stopIndicator(sidebar_->circleContactProgress); }
void OstrevaneAppDelegate::messageScanhasStartHandle() { startIndicator(sidebar_->circleMessageProgress); }
void OstrevaneAppDelegate::messageScanFinishedHandle() { stopIndicator(sidebar_->circleMessageProgress); }
void OstrevaneAppDelegate::noteScanhasStartHandle() { startIndicator(sidebar_->circleNoteProgress); }
void OstrevaneAppDelegate::noteScanFinishedHandle() { stopIndicator(sidebar_->circleNoteProgress); }

void OstrevaneAppDelegate::SystemlibhasFinishedHandle(const NSNotification&) {
    stopIndicator(sidebar_->circleSystemProgress);
}
void OstrevaneAppDelegate::AppScanFinishedHandle(const NSNotification&) { stopIndicator(sidebar_->circleAppProgress); }
void OstrevaneAppDelegate::photoScanFinishedHandle(const NSNotification&) {
    stopIndicator(sidebar_->circlePhotoProgress);
}
void OstrevaneAppDelegate::musicScanFinishedHandle(const NSNotification&) {
    stopIndicator(sidebar_->circleMusicProgress);
    stopIndicator(sidebar_->circleVideoProgress);
}
