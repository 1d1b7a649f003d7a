// The banner: each button's page alone on show, the buttons' images and pressed state, the
// feature pages' first-visit hand-over, the overview shortcuts into the disk manager, and the
// device index of a device attached later.
#include "AppFixture.h"
#include "clean/PRCleanViewController.h"
#include "clean/PRPrivacyController.h"
#include "clean/PRSystemBoostViewController.h"
#include "device/BaseInfo.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRFindLargeFileViewController.h"
#include "platform/SimulatedDevices.h"
#include "transfer/PROneCopyViewController.h"
#include "widgets/ButtonNotices.h"
#include "widgets/PRButton.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

using apptest::AppTest;
using apptest::click;

namespace {

void post(const NoticeName& notice, const void* sender) { notice.post(NSNotificationCenter::defaultCenter(), sender); }

struct BannerCase {
    PRBannerButton* OstrevaneAppDelegate::BannerOutlets::*button;
    QWidget* OstrevaneAppDelegate::WindowOutlets::*page;
    const char* pressed;
    const char* normal;
    const char* hover;
};

const BannerCase kCases[] = {
    {&OstrevaneAppDelegate::BannerOutlets::mainStatusBannerBtn, &OstrevaneAppDelegate::WindowOutlets::StatuView,
     "DeviceManager_Down.png", "DeviceManager_Nom.png", "DeviceManager_Enter.png"},
    {&OstrevaneAppDelegate::BannerOutlets::diskManageBannerBtn, &OstrevaneAppDelegate::WindowOutlets::diskManageView,
     "diskmanagerDown.png", "diskmanagerNom.png", "diskmanagerEnter.png"},
    {&OstrevaneAppDelegate::BannerOutlets::appCleanBannerBtn, &OstrevaneAppDelegate::WindowOutlets::ClearnView,
     "appcleanerDown.png", "appcleanerNom.png", "appcleanerEnter.png"},
    {&OstrevaneAppDelegate::BannerOutlets::findLargeBannerBtn, &OstrevaneAppDelegate::WindowOutlets::findLargerView,
     "findlargefilesDown.png", "findlargefilesNom.png", "findlargefilesEnter.png"},
    {&OstrevaneAppDelegate::BannerOutlets::oneClickCopyBannerBtn, &OstrevaneAppDelegate::WindowOutlets::oneCopyView,
     "onecilickcopyDown.png", "onecilickcopyNom.png", "onecilickcopyEnter.png"},
    {&OstrevaneAppDelegate::BannerOutlets::privacyBannerBtn, &OstrevaneAppDelegate::WindowOutlets::privacyCleanView,
     "privacyclean_Down.png", "privacyclean_Nom.png", "privacyclean_Enter.png"},
    {&OstrevaneAppDelegate::BannerOutlets::adsRemoveBannerBtn, &OstrevaneAppDelegate::WindowOutlets::adsRemoveView,
     "SystemCleanup_Down.png", "SystemCleanup_Nom.png", "SystemCleanup_Enter.png"},
};

}  // namespace

TEST_F(AppTest, EachBannerButtonShowsItsPageAloneAndStaysDown) {
    attach();
    // Twice round: the second press of each page is a later visit.
    for (int round = 0; round < 2; ++round) {
        for (const BannerCase& c : kCases) {
            click(app->banner().*c.button);
            ASSERT_EQ(shownPages().size(), 1u) << (app->banner().*c.button)->objectName().toStdString();
            EXPECT_EQ(shownPages()[0], app->frame().*c.page);
            for (const BannerCase& other : kCases) {
                PRBannerButton* b = app->banner().*other.button;
                const bool pressed = &other == &c;
                EXPECT_EQ(b->btnDown(), pressed) << b->objectName().toStdString();
                EXPECT_EQ(b->imageName(), pressed ? other.pressed : other.normal) << b->objectName().toStdString();
            }
            if (round == 0)
                testsupport::saveScreenshot(app->window(), "banner-" + (app->banner().*c.button)->objectName());
        }
    }
    // Pressing the button that is already down shows its page again, and the image stays.
    click(app->banner().findLargeBannerBtn);
    click(app->banner().findLargeBannerBtn);
    EXPECT_EQ(shownPages(), std::vector<QWidget*>{app->frame().findLargerView});
    EXPECT_EQ(app->banner().findLargeBannerBtn->imageName(), "findlargefilesDown.png");
}

TEST_F(AppTest, BannerHoverImagesAndForeignSenders) {
    attach();
    for (const BannerCase& c : kCases) {
        PRBannerButton* b = app->banner().*c.button;
        post(notices::PRBannerButtonMouseEntered, b);
        EXPECT_EQ(b->imageName(), c.hover);
        post(notices::PRBannerButtonMouseExited, b);
        EXPECT_EQ(b->imageName(), c.normal);
    }
    // A press posted by a button that is not in the banner changes nothing.
    const std::vector<QWidget*> before = shownPages();
    QWidget stranger;
    post(notices::PRBannerButtonMouseDown, &stranger);
    post(notices::PRBannerButtonMouseEntered, &stranger);
    EXPECT_EQ(shownPages(), before);
    EXPECT_EQ(app->banner().mainStatusBannerBtn->imageName(), "DeviceManager_Nom.png");
}

TEST_F(AppTest, BottomImageIsLeftAloneByTheDiskManagerOnly) {
    attach();
    app->frame().mainBottomImageView->setHidden(true);
    click(app->banner().diskManageBannerBtn);
    EXPECT_TRUE(app->frame().mainBottomImageView->isHidden());
    click(app->banner().oneClickCopyBannerBtn);
    EXPECT_FALSE(app->frame().mainBottomImageView->isHidden());
}

TEST_F(AppTest, FeatureControllersGetTheirPageAndDeviceOnTheFirstVisitOnly) {
    attach();
    const int device = app->theDevice;
    click(app->banner().diskManageBannerBtn);
    click(app->banner().appCleanBannerBtn);
    click(app->banner().findLargeBannerBtn);
    click(app->banner().oneClickCopyBannerBtn);
    click(app->banner().privacyBannerBtn);
    click(app->banner().adsRemoveBannerBtn);

    PRDiskaManagerViewController* disk = app->diskManagerViewController;
    EXPECT_EQ(disk->view()->parentWidget(), app->frame().diskManageView);
    EXPECT_EQ(disk->diskDeviceIndex, device);
    amd::DiskCapacities figures;
    app->bi->DiskUsage(figures);
    EXPECT_GT(figures.totalDataCapacity, 0u);
    EXPECT_EQ(disk->allUserData, figures.totalDataCapacity);
    EXPECT_EQ(disk->freeData, figures.totalDataAvailable);
    EXPECT_EQ(disk->allIOSData, figures.totalSystemCapacity);
    EXPECT_EQ(disk->iosFreeData, figures.totalSystemAvailable);
    EXPECT_TRUE(app->cleanViewController->view()->isVisibleTo(app->frame().ClearnView));
    EXPECT_EQ(app->cleanViewController->cleanDevice, device);
    EXPECT_EQ(app->findLargerFileViewController->view()->parentWidget(), app->frame().findLargerView);
    EXPECT_EQ(app->findLargerFileViewController->deviceIndex, device);
    EXPECT_EQ(app->oneCopyViewController->view()->parentWidget(), app->frame().oneCopyView);
    EXPECT_EQ(app->oneCopyViewController->copyIndex, device);
    EXPECT_EQ(app->oneCopyViewController->bookExportPath, app->quillomatrixExportPath());
    EXPECT_TRUE(app->privacyController->view()->isVisibleTo(app->frame().privacyCleanView));
    EXPECT_TRUE(app->systemBoostViewController->view()->isVisibleTo(app->frame().adsRemoveView));
    for (bool flag : {app->bDiskManage, app->bAppClean, app->bFindLargeFiles, app->bOneClickCopy, app->bPrivacyClean,
                      app->bAdsRemove})
        EXPECT_TRUE(flag);

    // Later visits only switch pages: what the controllers hold now stays.
    disk->diskDeviceIndex = 41;
    disk->allUserData = 1;
    app->cleanViewController->cleanDevice = 42;
    app->findLargerFileViewController->deviceIndex = 43;
    app->oneCopyViewController->copyIndex = 44;
    app->privacyController->deviceIndex = 45;
    app->systemBoostViewController->deviceIndex = 46;
    for (const BannerCase& c : kCases) click(app->banner().*c.button);
    EXPECT_EQ(disk->diskDeviceIndex, 41);
    EXPECT_EQ(disk->allUserData, 1u);
    EXPECT_EQ(app->cleanViewController->cleanDevice, 42);
    EXPECT_EQ(app->findLargerFileViewController->deviceIndex, 43);
    EXPECT_EQ(app->oneCopyViewController->copyIndex, 44);
    EXPECT_EQ(app->privacyController->deviceIndex, 45);
    EXPECT_EQ(app->systemBoostViewController->deviceIndex, 46);
    // One page in each host, however often it was shown.
    EXPECT_EQ(app->frame().diskManageView->findChildren<QWidget*>("PRDiskManageView").size(), 1);
}

TEST_F(AppTest, OverviewShortcutsOpenTheDiskManagerOnEveryClick) {
    attach();
    struct Shortcut {
        PRButton* OstrevaneAppDelegate::OverviewOutlets::*button;
        const char* hover;
        const char* normal;
    };
    const Shortcut shortcuts[] = {
        {&OstrevaneAppDelegate::OverviewOutlets::photoButton, "photos_Enter.png", "photos_Nom.png"},
        {&OstrevaneAppDelegate::OverviewOutlets::musicButton, "musics_Enter.png", "musics_Nom.png"},
        {&OstrevaneAppDelegate::OverviewOutlets::bookButton, "books_Enter.png", "books_Nom.png"},
        {&OstrevaneAppDelegate::OverviewOutlets::videoButton, "videos_Enter.png", "videos_Nom.png"},
        {&OstrevaneAppDelegate::OverviewOutlets::userAppsButton, "userapps_Enter.png", "userapps_Nom.png"},
        {&OstrevaneAppDelegate::OverviewOutlets::systemAppsButton, "systemapps_Enter.png", "systemapps_Nom.png"},
        {&OstrevaneAppDelegate::OverviewOutlets::userDataButton, "userdata_Enter.png", "userdata_Nom.png"},
    };
    for (const Shortcut& s : shortcuts) {
        PRButton* b = app->overview().*s.button;
        post(notices::PRbuttonMouseEntered, b);
        EXPECT_EQ(b->imageName(), s.hover);
        post(notices::PRbuttonMouseExited, b);
        EXPECT_EQ(b->imageName(), s.normal);

        app->ClickMainStatu(nullptr);
        app->diskManagerViewController->diskDeviceIndex = 99;
        click(b);
        EXPECT_EQ(shownPages(), std::vector<QWidget*>{app->frame().diskManageView}) << b->objectName().toStdString();
        EXPECT_EQ(app->diskManagerViewController->diskDeviceIndex, app->theDevice);
    }
    // The shortcuts leave the banner's first visit to come: it hands over the figures too.
    EXPECT_FALSE(app->bDiskManage);
    EXPECT_EQ(app->diskManagerViewController->allUserData, 0u);
    click(app->banner().diskManageBannerBtn);
    EXPECT_TRUE(app->bDiskManage);
    EXPECT_GT(app->diskManagerViewController->allUserData, 0u);
}

TEST_F(AppTest, PagesVisitedEarlierFollowADeviceAttachedLater) {
    attach();
    for (const BannerCase& c : kCases) click(app->banner().*c.button);
    const int firstIndex = app->theDevice;
    devicetest::DeviceSpec second;
    second.udid = "fedcba9876543210fedcba9876543210fedcba98";
    simdevice::attach(devicetest::makeDevice(home.path() + "/second", second));
    ASSERT_TRUE(testsupport::waitUntil([&] { return app->theDevice != firstIndex; }));
    EXPECT_EQ(shownPages(), std::vector<QWidget*>{app->frame().StatuView});
    EXPECT_TRUE(app->banner().mainStatusBannerBtn->btnDown());
    EXPECT_FALSE(app->banner().adsRemoveBannerBtn->btnDown());
    EXPECT_EQ(app->banner().adsRemoveBannerBtn->imageName(), "SystemCleanup_Nom.png");
    EXPECT_EQ(app->diskManagerViewController->diskDeviceIndex, app->theDevice);
    EXPECT_EQ(app->cleanViewController->cleanDevice, app->theDevice);
    EXPECT_EQ(app->findLargerFileViewController->deviceIndex, app->theDevice);
    EXPECT_EQ(app->oneCopyViewController->copyIndex, app->theDevice);
    EXPECT_EQ(app->privacyController->deviceIndex, app->theDevice);
    EXPECT_EQ(app->systemBoostViewController->deviceIndex, app->theDevice);
}
