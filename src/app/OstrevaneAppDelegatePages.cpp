// The feature page controllers, made with the window as its interface file made them, and
// the window's controls wired to the delegate's actions.
#include "app/OstrevaneAppDelegate.h"
#include "browser/PRBackUpViewController.h"
#include "clean/PRCleanViewController.h"
#include "clean/PRPrivacyController.h"
#include "clean/PRSystemBoostViewController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRFindLargeFileViewController.h"
#include "disk/PRPhoneSystemViewController.h"
#include "transfer/PROneCopyViewController.h"
#include "transfer/PRTansferViewController.h"
#include "widgets/PRButton.h"
#include "widgets/PageHost.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

void OstrevaneAppDelegate::buildFeatureControllers() {
    // The results screen is made when a backup is first opened (showResultView).
    diskManagerViewController = new PRDiskaManagerViewController(this);
    findLargerFileViewController = new PRFindLargeFileViewController(this);
    phonesystemViewController = new PRPhoneSystemViewController(this);
    transferViewController = new PRTansferViewController(this);
    transferViewController->recordScanIndicator = [this](transfer::RecordKind kind, bool busy) {
        using Handle = void (OstrevaneAppDelegate::*)();
        const Handle start[] = {&OstrevaneAppDelegate::contactScanhasStartHandle,
                                &OstrevaneAppDelegate::messageScanhasStartHandle,
                                &OstrevaneAppDelegate::noteScanhasStartHandle};
        const Handle stop[] = {&OstrevaneAppDelegate::contactScanFinishedHandle,
                               &OstrevaneAppDelegate::messageScanFinishedHandle,
                               &OstrevaneAppDelegate::noteScanFinishedHandle};
        const int index = int(kind) - 1;
        (this->*(busy ? start : stop)[index])();
    };
    oneCopyViewController = new PROneCopyViewController(this);
    backupViewController = new PRBackUpViewController(this);
    cleanViewController = new PRCleanViewController(clean::deviceCleanServices(), this);
    cleanViewController->deviceConnected = [this] { return getDeviceConnected(); };
    // A list's own Scan button scans and stays on that list, which the scan then fills.
    cleanViewController->requestDeviceCleanScan = [this] { startDeviceCleanScan(); };
    cleanViewController->countersChanged = [this] { showCleanFoundSentence(); };
    systemBoostViewController = new PRSystemBoostViewController(clean::systemBoostServices(), this);
    privacyController = new PRPrivacyController(this);
}

void OstrevaneAppDelegate::showCleanPage() {
    // The clean page lies below the summary panel, taking the room left.
    cleanViewController->showView(frame_.ClearnView);
    if (auto* box = qobject_cast<QBoxLayout*>(frame_.ClearnView->layout()))
        box->setStretchFactor(cleanViewController->view(), 1);
}

void OstrevaneAppDelegate::handDeviceToVisitedPages() {
    // A page keeps the device it was given on its first visit: a device attached later must
    // replace it, or the page would keep working on an index that no longer exists.
    if (bDiskManage) diskManagerViewController->setDiskManageDeviceIndex(theDevice);
    if (bFindLargeFiles) findLargerFileViewController->setDeviceIndex(theDevice);
    if (bOneClickCopy) oneCopyViewController->setCopyIndex(theDevice);
    if (bAppClean) cleanViewController->QuillomatrixShowDeviceClean(theDevice);
    if (bPrivacyClean) privacyController->setDeviceIndex(theDevice);
    if (bAdsRemove) systemBoostViewController->setDeviceIndex(theDevice);
}

void OstrevaneAppDelegate::wireWindowActions() {
    using Action = void (OstrevaneAppDelegate::*)(QObject*);
    const std::pair<QPushButton*, Action> links[] = {
        {overview_.transferBtn, &OstrevaneAppDelegate::ClickApp},
        {overview_.cleanBtn, &OstrevaneAppDelegate::ClickCleanAction},
        {overview_.backupDeviceBtn, &OstrevaneAppDelegate::ClickBackupAction},
        {overview_.broswerMainBtn, &OstrevaneAppDelegate::ClickScaniTunesBackup},
        {overview_.disConnectBroswerMainBtn, &OstrevaneAppDelegate::ClickScaniTunesBackup},
        {cleanPanel_.fixAllButton, &OstrevaneAppDelegate::CleanAlliPhoneFiles},
    };
    for (const auto& [button, action] : links)
        QObject::connect(button, &QPushButton::clicked, this, [this, button, action] { (this->*action)(button); });

    const Action rows[kSidebarRows] = {&OstrevaneAppDelegate::ClickMainStatu,
                                       &OstrevaneAppDelegate::ClickSystemLib,
                                       &OstrevaneAppDelegate::ClickApp,
                                       &OstrevaneAppDelegate::ClickPhoto,
                                       &OstrevaneAppDelegate::ClickMusic,
                                       &OstrevaneAppDelegate::ClickVideo,
                                       &OstrevaneAppDelegate::ClickContact,
                                       &OstrevaneAppDelegate::CilckMessage,
                                       &OstrevaneAppDelegate::ClickNote,
                                       &OstrevaneAppDelegate::ClickCleanJunk,
                                       &OstrevaneAppDelegate::ClickCleanCache,
                                       &OstrevaneAppDelegate::ClickCleanCook,
                                       &OstrevaneAppDelegate::ClickCleanMedia,
                                       &OstrevaneAppDelegate::ClickBackupAction,
                                       &OstrevaneAppDelegate::ClickScaniTunesBackup};
    for (int i = 0; i < kSidebarRows; ++i) {
        QPushButton* button = sidebar_->row(i).button;
        const Action action = rows[i];
        QObject::connect(button, &QPushButton::clicked, this, [this, button, action] { (this->*action)(button); });
    }

    // The sidebar without a device: back to the connect page, or the backup browser.
    QObject::connect(sidebar_->connectDeviceRow.button, &QPushButton::clicked, this, [this] {
        styleSidebarRow(sidebar_->connectDeviceRow, true);
        styleSidebarRow(sidebar_->disConnectBroswerRow, false);
        showOnlyPage(kNoDeviceView);
    });
    QObject::connect(sidebar_->disConnectBroswerRow.button, &QPushButton::clicked, this, [this] {
        ClickScaniTunesBackup(sidebar_->disConnectBroswerRow.button);
        styleSidebarRow(sidebar_->disConnectBroswerRow, true);
        styleSidebarRow(sidebar_->connectDeviceRow, false);
    });

    // The overview's category shortcuts only post hover notifications: their clicks are
    // caught here.
    const std::pair<PRButton*, Action> shortcuts[] = {
        {overview_.photoButton, &OstrevaneAppDelegate::ClickPhotoDiskManage},
        {overview_.musicButton, &OstrevaneAppDelegate::ClickMusicDiskManage},
        {overview_.bookButton, &OstrevaneAppDelegate::ClickBooksDiskManage},
        {overview_.videoButton, &OstrevaneAppDelegate::ClickVideoDiskManage},
        {overview_.userAppsButton, &OstrevaneAppDelegate::ClickAppsDiskManage},
        {overview_.systemAppsButton, &OstrevaneAppDelegate::ClickSystemAppsDiskManage},
        {overview_.userDataButton, &OstrevaneAppDelegate::ClickUserDataDiskManage},
    };
    for (const auto& [button, action] : shortcuts)
        pagehost::onClick(button, [this, button, action] { (this->*action)(button); });
}
