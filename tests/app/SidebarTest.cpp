// The sidebar: every row's page, styling and sub-page; the mode switches against the banner's
// pages; the busy indicators; and the backup-browser row over the backups of the home.
#include "AppFixture.h"
#include "SampleBackup.h"
#include "app/AppStyle.h"
#include "backup/BackupNotices.h"
#include "backup/PRBackupScanState.h"
#include "browser/PRBackUpViewController.h"
#include "browser/PRResultViewController.h"
#include "clean/PRCleanViewController.h"
#include "disk/DiskNotices.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "transfer/PRTansferViewController.h"
#include "transfer/TransferNotices.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <condition_variable>
#include <mutex>

using apptest::AppTest;

namespace {

struct RowCase {
    int row;
    OstrevaneAppDelegate::Page page;
    QWidget* PRTansferViewController::*transferPane;                 // null: not a transfer row
    QWidget* PRCleanViewController::DeviceCleanOutlets::*cleanPane;  // null: not a junk row
};

const RowCase kRows[] = {
    {0, OstrevaneAppDelegate::kStatuView, nullptr, nullptr},
    {1, OstrevaneAppDelegate::kSystemlibView, nullptr, nullptr},
    {2, OstrevaneAppDelegate::kTansferView, &PRTansferViewController::appView, nullptr},
    {3, OstrevaneAppDelegate::kTansferView, &PRTansferViewController::photoView, nullptr},
    {4, OstrevaneAppDelegate::kTansferView, &PRTansferViewController::musicView, nullptr},
    {5, OstrevaneAppDelegate::kTansferView, &PRTansferViewController::videoView, nullptr},
    {6, OstrevaneAppDelegate::kTansferView, &PRTansferViewController::contactView, nullptr},
    {7, OstrevaneAppDelegate::kTansferView, &PRTansferViewController::messageView, nullptr},
    {8, OstrevaneAppDelegate::kTansferView, &PRTansferViewController::noteView, nullptr},
    {9, OstrevaneAppDelegate::kClearnView, nullptr, &PRCleanViewController::DeviceCleanOutlets::cleanJunkView},
    {10, OstrevaneAppDelegate::kClearnView, nullptr, &PRCleanViewController::DeviceCleanOutlets::cleanCacheview},
    {11, OstrevaneAppDelegate::kClearnView, nullptr, &PRCleanViewController::DeviceCleanOutlets::cleanCookView},
    {12, OstrevaneAppDelegate::kClearnView, nullptr, &PRCleanViewController::DeviceCleanOutlets::cleanMediaView},
    {13, OstrevaneAppDelegate::kBackupView, nullptr, nullptr},
    {14, OstrevaneAppDelegate::kITunesBackupBroswerView, nullptr, nullptr},
};

bool looksSelected(const OstrevaneAppDelegate::SidebarRow& row, bool selected) {
    const QColor background = selected ? appstyle::kSelectedRow : appstyle::kNormalRow;
    return row.imageView->property("imageName").toString() == (selected ? row.selectedImage : row.normalImage) &&
           row.button->palette().color(QPalette::Button) == background &&
           row.label->palette().color(QPalette::WindowText) == (selected ? QColor(Qt::white) : QColor(Qt::black));
}

void post(const NoticeName& notice) { notice.post(NSNotificationCenter::defaultCenter()); }

}  // namespace

TEST_F(AppTest, EverySidebarRowShowsItsPageAloneAndLooksSelected) {
    attach();
    for (const RowCase& c : kRows) {
        // Start from a banner page each time: the rows hide those too.
        app->ClickOneCopy(nullptr);
        app->sidebarRow(c.row).button->click();
        ASSERT_EQ(shownPages().size(), 1u) << "row " << c.row;
        EXPECT_EQ(shownPages()[0], app->page(c.page)) << "row " << c.row;
        for (int other = 0; other < OstrevaneAppDelegate::kSidebarRows; ++other)
            EXPECT_TRUE(looksSelected(app->sidebarRow(other), other == c.row)) << "row " << c.row << " other " << other;
        if (c.transferPane) {
            QWidget* shown = app->transferViewController->*c.transferPane;
            EXPECT_TRUE(shown->isVisibleTo(app->frame().TansferView)) << "row " << c.row;
            EXPECT_TRUE(app->transferViewController->tranMainView->isHidden());
        }
        if (c.cleanPane) {
            EXPECT_TRUE((app->cleanViewController->deviceClean().*c.cleanPane)->isVisibleTo(app->frame().ClearnView));
        }
    }
    // The contacts row's own image pair ends in Down and Nom.
    app->ClickContact(nullptr);
    EXPECT_EQ(app->sidebarRow(6).imageView->property("imageName").toString(), "transContactDown");
    EXPECT_EQ(app->sidebarRow(7).imageView->property("imageName").toString(), "transMessageNom");
    EXPECT_EQ(app->sidebarRow(9).imageView->property("imageName").toString(), "TempJunkFiles01");

    // The backup row opens the backup page with the user's backup folder, ready to back up.
    app->ClickBackupAction(nullptr);
    PRBackUpViewController* backup = app->backupViewController;
    EXPECT_TRUE(backup->mainShowView->isVisibleTo(app->frame().BackupView));
    EXPECT_EQ(backup->backupLocationlab->text().toStdString(),
              paths::userPath("Library/Application Support/MobileSync/Backup"));
    EXPECT_TRUE(backup->backupBtn->isVisibleTo(app->frame().BackupView));
    EXPECT_FALSE(backup->backupRunning());
    EXPECT_EQ(app->frame().BackupView->findChildren<QWidget*>("BackupView").size(), 1);
    testsupport::saveScreenshot(app->window(), "sidebar-backup");
}

TEST_F(AppTest, BusyIndicatorsFollowTheirStartsAndFinishes) {
    attach();
    auto shows = [](CircularBusyIndicator* i) { return !i->isHidden() && i->isAnimating(); };
    auto still = [](CircularBusyIndicator* i) { return i->isHidden() && !i->isAnimating(); };

    // These four may be started from a worker: they hop to the main thread and wait.
    NSThread::detachNewThread([a = app.get()] {
        a->SystemlibhasStartHandle();
        a->AppScanhasStartHandle();
        a->photoScanhasStartHandle();
        a->musicScanhasStartHandle();
    });
    ASSERT_TRUE(testsupport::waitForWorkers());
    for (CircularBusyIndicator* i :
         {app->sidebar()->circleSystemProgress, app->sidebar()->circleAppProgress, app->sidebar()->circlePhotoProgress,
          app->sidebar()->circleMusicProgress, app->sidebar()->circleVideoProgress})
        EXPECT_TRUE(shows(i));
    post(notices::SystemlibhasFinished);
    post(notices::AppScanFinished);
    NSThread::detachNewThread([] { post(notices::photoScanFinished); });  // a page posting from its worker
    ASSERT_TRUE(testsupport::waitForWorkers());
    EXPECT_TRUE(still(app->sidebar()->circleSystemProgress));
    EXPECT_TRUE(still(app->sidebar()->circleAppProgress));
    EXPECT_TRUE(still(app->sidebar()->circlePhotoProgress));
    EXPECT_TRUE(shows(app->sidebar()->circleMusicProgress));
    post(notices::musicScanFinished);  // the video list comes from the music scan
    EXPECT_TRUE(still(app->sidebar()->circleMusicProgress));
    EXPECT_TRUE(still(app->sidebar()->circleVideoProgress));

    app->contactScanhasStartHandle();
    app->messageScanhasStartHandle();
    app->noteScanhasStartHandle();
    app->contactScanhasStartHandle();  // a second start changes nothing
    EXPECT_TRUE(shows(app->sidebar()->circleContactProgress) && shows(app->sidebar()->circleMessageProgress) &&
                shows(app->sidebar()->circleNoteProgress));
    app->contactScanFinishedHandle();
    app->messageScanFinishedHandle();
    EXPECT_TRUE(still(app->sidebar()->circleContactProgress) && still(app->sidebar()->circleMessageProgress));
    EXPECT_TRUE(shows(app->sidebar()->circleNoteProgress));
    app->noteScanFinishedHandle();
    EXPECT_TRUE(still(app->sidebar()->circleNoteProgress));

    // The rows whose pages have no scans start nothing; the photo row's scan, the record
    // tables' backup and the system library's walk stop their indicators when they are done.
    for (int row = 1; row <= 8; ++row) app->sidebarRow(row).button->click();
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->transferViewController->bPhotoLoadFinished; }));
    PRTansferViewController* transfer = app->transferViewController;
    ASSERT_TRUE(testsupport::waitUntil(
        [transfer] {
            return !transfer->bContactStartTransfer && !transfer->bMessageStartTransfer && !transfer->bNoteStartTrasfer;
        },
        std::chrono::seconds(60)));
    for (CircularBusyIndicator* i : {app->sidebar()->circleAppProgress, app->sidebar()->circlePhotoProgress,
                                     app->sidebar()->circleMusicProgress, app->sidebar()->circleContactProgress})
        EXPECT_TRUE(still(i));
    EXPECT_TRUE(testsupport::waitUntil([&] { return still(app->sidebar()->circleSystemProgress); }));
}

TEST_F(AppTest, BackupBrowserRowListsTheBackupsAndScansTheFirstOnce) {
    const std::string root = paths::userPath("Library/Application Support/MobileSync/Backup");
    const std::vector<std::string> made = samplebackup::writeSampleBackups(root);
    ASSERT_FALSE(made.empty());
    QDir().mkpath(QString::fromStdString(root + "/.hidden"));

    // Hold the scan inside its manifest until the row has been clicked a second time.
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    std::atomic<int> records{0};
    auto& nc = NSNotificationCenter::defaultCenter();
    int token = 0;
    notices::FindBackUpDirFileInfo.observe(nc, &token, [&](const NSNotification&) {
        if (records++ != 0) return;
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return release; });
    });

    app->ClickScaniTunesBackup(nullptr);
    EXPECT_EQ(app->GetPRIOSDeviceController()->arrangedObjects().size(), made.size());
    ASSERT_TRUE(app->backupScanRunning());
    EXPECT_EQ(shownPages(), std::vector<QWidget*>{app->frame().iTunesBackupBroswerView});
    EXPECT_TRUE(looksSelected(app->sidebarRow(14), true));
    PRResultViewController* result = app->resultViewController;
    ASSERT_NE(result, nullptr);
    const auto first = app->GetPRIOSDeviceController()->arrangedObjects().front();
    EXPECT_EQ(app->currentNode(), first);
    EXPECT_EQ(result->deviceNamelab->text().toStdString(), first->strDeviceName());
    EXPECT_TRUE(result->view()->isVisibleTo(app->frame().iTunesBackupBroswerView));
    EXPECT_FALSE(result->scanProgressor->isHidden());

    // A second click while the scan runs starts no scan over its arrays.
    app->ClickScaniTunesBackup(nullptr);
    EXPECT_FALSE(app->ScanIOSBackFile(QString::fromStdString(first->backUpFilePath())));
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !app->backupScanRunning(); }));
    ASSERT_TRUE(testsupport::waitForWorkers());
    nc.removeObserver(&token);
    const int oneScan = records.load();
    EXPECT_GT(oneScan, 1);
    // The scan ended on the screen and let its arrays go.
    EXPECT_TRUE(result->scanProgressor->isHidden());
    EXPECT_EQ(app->backupScanState().treeFileCount(), 0u);
    EXPECT_TRUE(app->backupScanState().contactArray.empty());
    testsupport::saveScreenshot(app->window(), "sidebar-backup-browser");

    // A later click scans again, as many records as the first time.
    records = 0;
    int again = 0;
    notices::FindBackUpDirFileInfo.observe(nc, &again, [&](const NSNotification&) { ++records; });
    app->ClickScaniTunesBackup(nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !app->backupScanRunning(); }));
    ASSERT_TRUE(testsupport::waitForWorkers());
    nc.removeObserver(&again);
    EXPECT_EQ(records.load(), oneScan);
}

TEST_F(AppTest, BackupBrowserWithoutBackupsShowsTheEmptyScreen) {
    // No device either: the no-device page's link reaches the browser.
    app->overview().disConnectBroswerMainBtn->click();
    EXPECT_TRUE(app->GetPRIOSDeviceController()->arrangedObjects().empty());
    EXPECT_EQ(shownPages(), std::vector<QWidget*>{app->frame().iTunesBackupBroswerView});
    EXPECT_FALSE(app->backupScanRunning());
    EXPECT_EQ(app->currentNode(), nullptr);
    ASSERT_NE(app->resultViewController, nullptr);
    EXPECT_TRUE(app->resultViewController->scanProgressor->isHidden());
    EXPECT_TRUE(app->resultViewController->deviceNamelab->text().isEmpty());
    // And back to the connect page from the sidebar without a device.
    app->sidebar()->connectDeviceRow.button->click();
    EXPECT_EQ(shownPages(), std::vector<QWidget*>{app->frame().noDeviceView});
}
