// The banner: its seven buttons' images and pages, the feature pages with their first-visit
// hand-over, and the overview's category shortcuts into the disk manager.
#include "app/OstrevaneAppDelegate.h"
#include "clean/PRCleanViewController.h"
#include "clean/PRPrivacyController.h"
#include "clean/PRSystemBoostViewController.h"
#include "device/BaseInfo.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRFindLargeFileViewController.h"
#include "transfer/PROneCopyViewController.h"
#include "widgets/PRButton.h"

namespace {

struct BannerEntry {
    PRBannerButton* OstrevaneAppDelegate::BannerOutlets::*button;
    const char* hover;
    const char* normal;
    const char* pressed;
    void (OstrevaneAppDelegate::*action)(QObject*);
};

const BannerEntry kBanner[] = {
    {&OstrevaneAppDelegate::BannerOutlets::mainStatusBannerBtn, "DeviceManager_Enter.png", "DeviceManager_Nom.png",
     "DeviceManager_Down.png", &OstrevaneAppDelegate::ClickMainStatu},
    {&OstrevaneAppDelegate::BannerOutlets::diskManageBannerBtn, "diskmanagerEnter.png", "diskmanagerNom.png",
     "diskmanagerDown.png", &OstrevaneAppDelegate::ClickDiskManage},
    {&OstrevaneAppDelegate::BannerOutlets::appCleanBannerBtn, "appcleanerEnter.png", "appcleanerNom.png",
     "appcleanerDown.png", &OstrevaneAppDelegate::ClickAppCleaner},
    {&OstrevaneAppDelegate::BannerOutlets::findLargeBannerBtn, "findlargefilesEnter.png", "findlargefilesNom.png",
     "findlargefilesDown.png", &OstrevaneAppDelegate::FindLargerFile},
    {&OstrevaneAppDelegate::BannerOutlets::oneClickCopyBannerBtn, "onecilickcopyEnter.png", "onecilickcopyNom.png",
     "onecilickcopyDown.png", &OstrevaneAppDelegate::ClickOneCopy},
    {&OstrevaneAppDelegate::BannerOutlets::privacyBannerBtn, "privacyclean_Enter.png", "privacyclean_Nom.png",
     "privacyclean_Down.png", &OstrevaneAppDelegate::ClickPrivacyClean},
    {&OstrevaneAppDelegate::BannerOutlets::adsRemoveBannerBtn, "SystemCleanup_Enter.png", "SystemCleanup_Nom.png",
     "SystemCleanup_Down.png", &OstrevaneAppDelegate::ClickAdsRemove},
};

struct ShortcutEntry {
    PRButton* OstrevaneAppDelegate::OverviewOutlets::*button;
    const char* hover;
    const char* normal;
};

const ShortcutEntry kShortcuts[] = {
    {&OstrevaneAppDelegate::OverviewOutlets::photoButton, "photos_Enter.png", "photos_Nom.png"},
    {&OstrevaneAppDelegate::OverviewOutlets::musicButton, "musics_Enter.png", "musics_Nom.png"},
    {&OstrevaneAppDelegate::OverviewOutlets::bookButton, "books_Enter.png", "books_Nom.png"},
    {&OstrevaneAppDelegate::OverviewOutlets::videoButton, "videos_Enter.png", "videos_Nom.png"},
    {&OstrevaneAppDelegate::OverviewOutlets::userAppsButton, "userapps_Enter.png", "userapps_Nom.png"},
    {&OstrevaneAppDelegate::OverviewOutlets::systemAppsButton, "systemapps_Enter.png", "systemapps_Nom.png"},
    {&OstrevaneAppDelegate::OverviewOutlets::userDataButton, "userdata_Enter.png", "userdata_Nom.png"},
};

}  // namespace

// ---- Banner buttons -------------------------------------------------------------------------

void OstrevaneAppDelegate::PRBannerButtonMouseEnteredHandle(const NSNotification& notification) {
    for (const BannerEntry& e : kBanner)
        if (notification.sender() == banner_.*e.button) return (banner_.*e.button)->setImageNamed(e.hover);
}

void OstrevaneAppDelegate::PRBannerButtonMouseExitedHandle(const NSNotification& notification) {
    for (const BannerEntry& e : kBanner)
        if (notification.sender() == banner_.*e.button) return (banner_.*e.button)->setImageNamed(e.normal);
}

void OstrevaneAppDelegate::pressBannerButton(PRBannerButton* pressed) {
    for (const BannerEntry& e : kBanner) {
        PRBannerButton* b = banner_.*e.button;
        if (b == pressed) {
            b->setImageNamed(e.pressed);
            b->setBtnDown(true);
        }
    }
    for (const BannerEntry& e : kBanner) {
        PRBannerButton* b = banner_.*e.button;
        if (b == pressed) continue;
        b->setImageNamed(e.normal);
        b->setBtnDown(false);
    }
}

void OstrevaneAppDelegate::PRBannerButtonMouseDownHandle(const NSNotification& notification) {
    for (const BannerEntry& e : kBanner) {
        if (notification.sender() != banner_.*e.button) continue;
        pressBannerButton(banner_.*e.button);
        (this->*e.action)(nullptr);
        return;
    }
}

// ---- Feature pages --------------------------------------------------------------------------

void OstrevaneAppDelegate::showFeaturePage(Page shown, bool& visited, const std::function<void()>& firstVisit) {
    showOnlyPage(shown);
    if (!visited) {
        firstVisit();
        visited = true;
    }
}

void OstrevaneAppDelegate::ClickDiskManage(QObject*) {
    showFeaturePage(kDiskManageView, bDiskManage, [this] {
        diskManagerViewController->showView(frame_.diskManageView);
        diskManagerViewController->setDiskManageDeviceIndex(theDevice);
        // Each figure asks the device anew; without a device every figure is 0.
        auto figure = [this](uint64_t amd::DiskCapacities::*field) -> uint64_t {
            if (!bi) return 0;
            amd::DiskCapacities disk;
            bi->DiskUsage(disk);
            return disk.*field;
        };
        const uint64_t dataCapacity = figure(&amd::DiskCapacities::totalDataCapacity);
        const uint64_t dataAvailable = figure(&amd::DiskCapacities::totalDataAvailable);
        const uint64_t systemCapacity = figure(&amd::DiskCapacities::totalSystemCapacity);
        const uint64_t systemAvailable = figure(&amd::DiskCapacities::totalSystemAvailable);
        diskManagerViewController->setDiskManageDeviceWithAllUserData(dataCapacity, dataAvailable, systemCapacity,
                                                                      systemAvailable);
    });
    // Its figures count what was removed on the other pages since it was last shown.
    diskManagerViewController->followRemovalsElsewhere();
    // The disk manager leaves the bottom image as it is.
}

void OstrevaneAppDelegate::ClickAppCleaner(QObject*) {
    showFeaturePage(kClearnView, bAppClean, [this] { cleanViewController->QuillomatrixShowDeviceClean(theDevice); });
    // The clean page's view also holds the device clean's lists: each visit brings back the app
    // cleaner's panel as the user left it, without the device clean's summary above it.
    showCleanPage();
    cleanPanel_.cleanShowView->setHidden(true);
    pressBannerButton(banner_.appCleanBannerBtn);
    sidebar_->selectRow(-1);
    showMainBottomImageview();
}

void OstrevaneAppDelegate::FindLargerFile(QObject*) {
    showFeaturePage(kFindLargerView, bFindLargeFiles, [this] {
        findLargerFileViewController->showView(frame_.findLargerView);
        findLargerFileViewController->setDeviceIndex(theDevice);
    });
    showMainBottomImageview();
}

void OstrevaneAppDelegate::ClickOneCopy(QObject*) {
    showFeaturePage(kOneCopyView, bOneClickCopy, [this] {
        oneCopyViewController->showView(frame_.oneCopyView);
        oneCopyViewController->setCopyIndex(theDevice);
    });
    showMainBottomImageview();
}

void OstrevaneAppDelegate::ClickPrivacyClean(QObject*) {
    showFeaturePage(kPrivacyCleanView, bPrivacyClean, [this] {
        privacyController->showView(frame_.privacyCleanView);
        privacyController->setDeviceIndex(theDevice);
    });
    showMainBottomImageview();
}

void OstrevaneAppDelegate::ClickAdsRemove(QObject*) {
    showFeaturePage(kAdsRemoveView, bAdsRemove, [this] {
        systemBoostViewController->showView(frame_.adsRemoveView);
        systemBoostViewController->setDeviceIndex(theDevice);
    });
    showMainBottomImageview();
}

// ---- Overview shortcuts ---------------------------------------------------------------------

void OstrevaneAppDelegate::PRbuttonMouseEnteredHandle(const NSNotification& notification) {
    for (const ShortcutEntry& e : kShortcuts)
        if (notification.sender() == overview_.*e.button) return (overview_.*e.button)->setImageNamed(e.hover);
}

void OstrevaneAppDelegate::PRbuttonMouseExitedHandle(const NSNotification& notification) {
    for (const ShortcutEntry& e : kShortcuts)
        if (notification.sender() == overview_.*e.button) return (overview_.*e.button)->setImageNamed(e.normal);
}

void OstrevaneAppDelegate::openDiskCategory(void (PRDiskaManagerViewController::*scan)(QObject*)) {
    // Every click hands the page over again; the first-visit flag is neither read nor set.
    showOnlyPage(kDiskManageView);
    diskManagerViewController->showView(frame_.diskManageView);
    diskManagerViewController->setDiskManageDeviceIndex(theDevice);
    diskManagerViewController->followRemovalsElsewhere();
    (diskManagerViewController->*scan)(nullptr);
}

void OstrevaneAppDelegate::ClickPhotoDiskManage(QObject*) {
    openDiskCategory(&PRDiskaManagerViewController::ScanDiskPhotoFiles);
}
void OstrevaneAppDelegate::ClickMusicDiskManage(QObject*) {
    openDiskCategory(&PRDiskaManagerViewController::ScanDiskMusicFiles);
}
void OstrevaneAppDelegate::ClickVideoDiskManage(QObject*) {
    openDiskCategory(&PRDiskaManagerViewController::ScanDiskVideoFiles);
}
void OstrevaneAppDelegate::ClickBooksDiskManage(QObject*) {
    openDiskCategory(&PRDiskaManagerViewController::ScanDiskBooksFiles);
}
void OstrevaneAppDelegate::ClickAppsDiskManage(QObject*) {
    openDiskCategory(&PRDiskaManagerViewController::ScanDiskUserAppFiles);
}
void OstrevaneAppDelegate::ClickSystemAppsDiskManage(QObject*) {
    openDiskCategory(&PRDiskaManagerViewController::ScanDiskSystemAppFiles);
}
void OstrevaneAppDelegate::ClickUserDataDiskManage(QObject*) {
    openDiskCategory(&PRDiskaManagerViewController::ScanDiskUserDataFiles);
}
