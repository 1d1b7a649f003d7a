// The disk manager as the window opens it: the banner's first visit hands over the device's
// disk figures, and the overview's shortcuts open their categories.
#include "AppFixture.h"
#include "device/BaseInfo.h"
#include "disk/PRDiskaManagerViewController.h"
#include "model/PRRecordFields.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QLabel>
#include <QTest>

namespace {

class DiskFromTheWindow : public apptest::AppTest {
protected:
    bool settled(PRDiskaManagerViewController* disk, QWidget* page) {
        return testsupport::waitUntil(
            [&] { return disk->shownPage() == page && disk->runningScans() == 0 && !disk->scanState().anyScanning(); });
    }
};

TEST_F(DiskFromTheWindow, TheBannerShowsTheDevicesFiguresAndEveryShortcutOpensItsCategory) {
    attach();
    QTest::mouseClick(app->banner().diskManageBannerBtn, Qt::LeftButton);
    PRDiskaManagerViewController* disk = app->diskManagerViewController;
    EXPECT_TRUE(disk->view()->isVisible());
    EXPECT_EQ(disk->shownPage(), disk->diskStateView);
    amd::DiskCapacities figures;
    app->bi->DiskUsage(figures);
    ASSERT_GT(figures.totalDataCapacity, 0u);
    EXPECT_EQ(disk->userFreelab->text().toStdString(), "User Free:   " + sizeText(figures.totalDataAvailable));
    EXPECT_EQ(disk->iOSFreelab->text().toStdString(), "iOS Free:   " + sizeText(figures.totalSystemAvailable));
    EXPECT_FLOAT_EQ(disk->userDataProgress->value(),
                    float(figures.totalDataCapacity - figures.totalDataAvailable) / float(figures.totalDataCapacity));

    const std::pair<PRButton * OstrevaneAppDelegate::OverviewOutlets::*, QWidget * PRDiskaManagerViewController::*>
        shortcuts[] = {
            {&OstrevaneAppDelegate::OverviewOutlets::userAppsButton, &PRDiskaManagerViewController::appFileView},
            {&OstrevaneAppDelegate::OverviewOutlets::systemAppsButton,
             &PRDiskaManagerViewController::systemAppFileView},
            {&OstrevaneAppDelegate::OverviewOutlets::userDataButton, &PRDiskaManagerViewController::userLibDataView},
            {&OstrevaneAppDelegate::OverviewOutlets::photoButton, &PRDiskaManagerViewController::photoFileView},
            {&OstrevaneAppDelegate::OverviewOutlets::musicButton, &PRDiskaManagerViewController::musicFileView},
            {&OstrevaneAppDelegate::OverviewOutlets::videoButton, &PRDiskaManagerViewController::videoFileView},
            {&OstrevaneAppDelegate::OverviewOutlets::bookButton, &PRDiskaManagerViewController::booksFileView},
        };
    for (const auto& [button, page] : shortcuts) {
        app->ClickMainStatu(nullptr);
        QTest::mouseClick(app->overview().*button, Qt::LeftButton);
        EXPECT_TRUE(settled(disk, disk->*page)) << (disk->*page)->objectName().toStdString();
    }
    EXPECT_FALSE(disk->appFilesArray.empty());
    EXPECT_GT(disk->allUserDataFileSize, 0u);
}

}  // namespace
