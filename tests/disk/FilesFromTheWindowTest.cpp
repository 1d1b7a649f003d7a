// The file browser and the large-file finder as the window opens them: the system-library row
// walks the attached device, the Large Files banner scans it with the preferences' limit.
#include "AppFixture.h"
#include "disk/PRFindLargeFileViewController.h"
#include "disk/PRPhoneSystemViewController.h"
#include "disk/PRSystemLibTreeController.h"
#include "platform/NotificationCenter.h"
#include "widgets/PRButton.h"

#include <QPushButton>
#include <QTest>

namespace {

using FilesFromTheWindow = apptest::AppTest;

TEST_F(FilesFromTheWindow, TheRowWalksTheDeviceAndTheBannerScansItWithThePreferencesLimit) {
    attach();
    app->ClickSystemLib(nullptr);
    PRPhoneSystemViewController* browser = app->GetSystemViewController();
    ASSERT_TRUE(testsupport::waitUntil([&] { return browser->bLoadFinished && browser->runningWorkers() == 0; }));
    EXPECT_TRUE(browser->view()->isVisible());
    EXPECT_FALSE(browser->libTreeController->content().empty());
    testsupport::saveScreenshot(app->window(), "filebrowser-window");

    QTest::mouseClick(app->banner().findLargeBannerBtn, Qt::LeftButton);
    PRFindLargeFileViewController* finder = app->findLargerFileViewController;
    EXPECT_TRUE(finder->view()->isVisible());
    QTest::mouseClick(finder->startScanBtn, Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitUntil([&] { return finder->bScanFinished && finder->runningWorkers() == 0; }));
    EXPECT_EQ(finder->largeFileSize, app->GetLimitLargeFileSize());
    EXPECT_TRUE(finder->userBtn->isEnabled());
    testsupport::saveScreenshot(app->window(), "largefiles-window");
}

}  // namespace
