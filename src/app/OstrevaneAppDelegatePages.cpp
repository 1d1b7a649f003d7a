// The feature page controllers, made with the window as its interface file made them, and
// the window's controls wired to the delegate's actions.
#include "app/OstrevaneAppDelegate.h"
#include "widgets/PageHost.h"
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

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

void OstrevaneAppDelegate::buildFeatureControllers() {
    // The results screen is made when a backup is first opened (showResultView).
    diskManagerViewController = new PRDiskaManagerViewController(this);
    findLargerFileViewController = new PRFindLargeFileViewController(this);
    phonesystemViewController = new PRPhoneSystemViewController(this);
    transferViewController = new PRTansferViewController(this);
    oneCopyViewController = new PROneCopyViewController(this);
    backupViewController = new PRBackUpViewController(this);
    cleanViewController = new PRCleanViewController(clean::deviceCleanServices(), this);
    cleanViewController->deviceConnected = [this] { return getDeviceConnected(); };
    systemBoostViewController = new PRSystemBoostViewController(clean::systemBoostServices(), this);
    privacyController = new PRPrivacyController(this);
}

void OstrevaneAppDelegate::showCleanPage() {
    // The clean page lies below the summary panel, taking the room left.
    cleanViewController->showView(ClearnView);
    if (auto* box = qobject_cast<QBoxLayout*>(ClearnView->layout()))
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
        {transferBtn, &OstrevaneAppDelegate::ClickApp},
        {cleanBtn, &OstrevaneAppDelegate::ClickCleanAction},
        {backupDeviceBtn, &OstrevaneAppDelegate::ClickBackupAction},
        {broswerMainBtn, &OstrevaneAppDelegate::ClickScaniTunesBackup},
        {disConnectBroswerMainBtn, &OstrevaneAppDelegate::ClickScaniTunesBackup},
        {fixAllButton, &OstrevaneAppDelegate::CleanAlliPhoneFiles},
    };
    for (const auto& [button, action] : links)
        QObject::connect(button, &QPushButton::clicked, this, [this, button, action] { (this->*action)(button); });

    const Action rows[kSidebarRows] = {
        &OstrevaneAppDelegate::ClickMainStatu,     &OstrevaneAppDelegate::ClickSystemLib,
        &OstrevaneAppDelegate::ClickApp,           &OstrevaneAppDelegate::ClickPhoto,
        &OstrevaneAppDelegate::ClickMusic,         &OstrevaneAppDelegate::ClickVideo,
        &OstrevaneAppDelegate::ClickContact,       &OstrevaneAppDelegate::CilckMessage,
        &OstrevaneAppDelegate::ClickNote,          &OstrevaneAppDelegate::ClickCleanJunk,
        &OstrevaneAppDelegate::ClickCleanCache,    &OstrevaneAppDelegate::ClickCleanCook,
        &OstrevaneAppDelegate::ClickCleanMedia,    &OstrevaneAppDelegate::ClickBackupAction,
        &OstrevaneAppDelegate::ClickScaniTunesBackup};
    for (int i = 0; i < kSidebarRows; ++i) {
        QPushButton* button = sidebarRows_[i].button;
        const Action action = rows[i];
        QObject::connect(button, &QPushButton::clicked, this, [this, button, action] { (this->*action)(button); });
    }

    // The sidebar without a device: back to the connect page, or the backup browser.
    QObject::connect(connectDeviceRow.button, &QPushButton::clicked, this, [this] {
        styleSidebarRow(connectDeviceRow, true);
        styleSidebarRow(disConnectBroswerRow, false);
        showOnlyPage(kNoDeviceView);
    });
    QObject::connect(disConnectBroswerRow.button, &QPushButton::clicked, this, [this] {
        ClickScaniTunesBackup(disConnectBroswerRow.button);
        styleSidebarRow(disConnectBroswerRow, true);
        styleSidebarRow(connectDeviceRow, false);
    });

    // The overview's category shortcuts only post hover notifications: their clicks are
    // caught here.
    const std::pair<PRButton*, Action> shortcuts[] = {
        {photoButton, &OstrevaneAppDelegate::ClickPhotoDiskManage},
        {musicButton, &OstrevaneAppDelegate::ClickMusicDiskManage},
        {bookButton, &OstrevaneAppDelegate::ClickBooksDiskManage},
        {videoButton, &OstrevaneAppDelegate::ClickVideoDiskManage},
        {userAppsButton, &OstrevaneAppDelegate::ClickAppsDiskManage},
        {systemAppsButton, &OstrevaneAppDelegate::ClickSystemAppsDiskManage},
        {userDataButton, &OstrevaneAppDelegate::ClickUserDataDiskManage},
    };
    for (const auto& [button, action] : shortcuts)
        pagehost::onClick(button, [this, button, action] { (this->*action)(button); });
}
