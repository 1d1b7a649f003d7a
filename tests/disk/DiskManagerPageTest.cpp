// The disk manager page against an in-memory device: opening categories, the whole run, scans
// that cannot start or lose their device, and a page that goes while it scans.
#include "FakeDiskDevice.h"
#include "TestSupport.h"
#include "disk/DiskAppListController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/PRSystemlibFileController.h"
#include "model/PRRecordFields.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"
#include "widgets/ButtonNotices.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeView>
#include <gtest/gtest.h>
#include <thread>

using disk::DiskScanGroup;
using testsupport::waitUntil;

namespace {

class DiskPageTest : public testsupport::HomeTest {
protected:
    void SetUp() override {
        device.addFile("/DCIM/100APPLE/IMG_0001.JPG", 4000);
        device.addFile("/DCIM/100APPLE/IMG_0002.JPG", 6000);
        device.addFile("/Downloads/guide.pdf", 90000);
        device.addFile("/Recordings/Memo 1.m4a", 20000);
        device.addFolder("/PublicStaging");
        auto& user = device.addApp("com.example.Recipes", "User");
        user.hasStaticDiskUsage = user.hasDynamicDiskUsage = true;
        user.staticDiskUsage = 2000000;
        user.dynamicDiskUsage = 30000;
        device.addApp("com.apple.mobilesafari", "System").hasStaticDiskUsage = true;
        page = std::make_unique<PRDiskaManagerViewController>(device);
        page->deviceConnected = [this] { return connected.load(); };
        host.resize(900, 600);
        page->showView(&host);
        host.show();
        auto* stack = page->view()->findChild<QStackedWidget*>();
        QObject::connect(stack, &QStackedWidget::currentChanged, &host,
                         [this, stack](int) { shown << stack->currentWidget()->objectName(); });
    }
    void TearDown() override {
        page.reset();
        EXPECT_TRUE(testsupport::waitForWorkers());
    }
    bool waitIdle() {
        return waitUntil([this] { return page->runningScans() == 0 && !page->scanState().anyScanning(); });
    }

    FakeDiskDevice device;
    std::atomic<bool> connected{true};
    QWidget host;
    std::unique_ptr<PRDiskaManagerViewController> page;
    QStringList shown;
};

TEST_F(DiskPageTest, OpensOnTheOverviewWithEveryRowClosed) {
    EXPECT_EQ(page->shownPage(), page->diskStateView);
    for (QPushButton* b :
         {page->photoScanButton, page->musicScanButton, page->appScanButton, page->userLibDataScanButton})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(page->userLibDataFileSizelab->isHidden());
}

TEST_F(DiskPageTest, TheOverviewShowsUsedAndFreeAndStaysEmptyWithoutFigures) {
    page->setDiskManageDeviceWithAllUserData(10000000000ULL, 2500000000ULL, 16000000000ULL, 4000000000ULL);
    EXPECT_EQ(page->iOSUsedlab->text(), "iOS Used:   12.00GB");
    EXPECT_EQ(page->iOSFreelab->text(), "iOS Free:   4.00GB");
    EXPECT_EQ(page->userUsedlab->text(), "User Used:   7.50GB");
    EXPECT_EQ(page->userFreelab->text(), "User Free:   2.50GB");
    EXPECT_FLOAT_EQ(page->systemProgress->value(), 0.75f);
    EXPECT_FLOAT_EQ(page->userDataProgress->value(), 0.75f);
    page->setDiskManageDeviceWithAllUserData(0, 0, 0, 0);
    EXPECT_EQ(page->iOSUsedlab->text(), "iOS Used:");
    EXPECT_EQ(page->userFreelab->text(), "User Free:");
    EXPECT_EQ(page->systemProgress->value(), 0.0f);
    EXPECT_EQ(page->userDataProgress->value(), 0.0f);
}

TEST_F(DiskPageTest, AnAppRowScansOnceThenShowsItsResults) {
    page->ScanDiskUserAppFiles();
    EXPECT_EQ(shown.value(0), "diskTableView");
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->shownPage(), page->appFileView);
    ASSERT_EQ(page->appFileController->rowCount(), 1);
    EXPECT_EQ(page->appFileController->objectAt(0)->appVersion, "1.0");
    EXPECT_FALSE(page->appFileController->objectAt(0)->appIcon.isNull());
    EXPECT_EQ(page->allAppFileSize, 2030000u);
    EXPECT_EQ(page->appFileSizelab->text(), "2.03MB");
    EXPECT_EQ(page->systemAppFileSizelab->text(), " ");
    EXPECT_TRUE(page->appScanButton->isEnabled());
    EXPECT_TRUE(page->systemAppScanButton->isEnabled());
    EXPECT_FLOAT_EQ(page->appProgress->value(), 1.0f);
    // Coming back through the window keeps the scanned rows open.
    page->showView(&host);
    EXPECT_TRUE(page->appScanButton->isEnabled());
    EXPECT_FALSE(page->appFileSizelab->isHidden());
    EXPECT_FALSE(page->photoScanButton->isEnabled());

    // The other app row shows the list of the same scan at once.
    page->ScanDiskSystemAppFiles();
    EXPECT_EQ(page->shownPage(), page->systemAppFileView);
    ASSERT_EQ(page->systemAppFileController->rowCount(), 1);
    EXPECT_EQ(page->systemAppFileController->objectAt(0)->fileType, "App");
    EXPECT_EQ(page->runningScans(), 0);
}

TEST_F(DiskPageTest, ADeviceWithoutMediaLibraryFinishesMusicAndVideosEmpty) {
    page->ScanDiskVideoFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->shownPage(), page->videoFileView);
    EXPECT_EQ(page->vidoeFileTableView->model()->rowCount(), 0);
    EXPECT_EQ(page->videoFileSizelab->text(), "0.00bytes");
    // One scan serves both rows.
    page->ScanDiskMusicFiles();
    EXPECT_EQ(page->shownPage(), page->musicFileView);
    EXPECT_TRUE(page->scanState().scanFinished(DiskScanGroup::MusicAndVideos));
}

TEST_F(DiskPageTest, TheWholeRunKeepsTheSummaryAndASecondRunAddsNothingTwice) {
    // The overview's scan button starts it, and says so while it runs; the category summary
    // stays on show while each row's size arrives.
    notices::MyDiskManagebuttonMouseDown.post(NSNotificationCenter::defaultCenter(), page->diskManageButton);
    EXPECT_EQ(page->diskManageButton->imageName(), "scanDown.png");
    ASSERT_TRUE(waitIdle());
    ASSERT_TRUE(waitUntil([this] { return page->diskManageButton->imageName() == "scanNom.png"; }));
    EXPECT_EQ(shown, QStringList{"diskTableView"});
    // A category's results, and Back to the summary.
    page->ScanDiskBooksFiles();
    EXPECT_EQ(page->shownPage(), page->booksFileView);
    for (QPushButton* b : page->booksFileView->findChildren<QPushButton*>())
        if (b->text() == "Back") b->click();
    EXPECT_EQ(page->shownPage(), page->diskTableView);
    const uint64_t expected = 4000 + 6000 + 90000 + 20000;
    EXPECT_EQ(page->allUserDataFileSize, expected);
    EXPECT_EQ(page->userLibDataFileSizelab->text(), QString::fromStdString(sizeText(expected)));
    EXPECT_FLOAT_EQ(page->userLibDataProgress->value(), 1.0f);
    ASSERT_EQ(page->libTreeController->rowCount(), 1);
    const size_t topFolders = page->libTreeController->content()[0]->children().size();
    const size_t topEntries = page->libTreeController->content()[0]->fileChildren().size();
    EXPECT_EQ(topEntries, 4u);
    EXPECT_EQ(page->appFilesArray.size() + page->systemAppFileArray.size(), 2u);

    // Scanned again from the summary.
    shown.clear();
    page->diskTableView->findChild<QPushButton*>("diskTableScanAgainButton")->click();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(shown.isEmpty());  // the summary stayed
    EXPECT_EQ(page->shownPage(), page->diskTableView);
    EXPECT_EQ(page->allUserDataFileSize, expected);
    EXPECT_EQ(page->allAppFileSize, 2030000u);
    EXPECT_EQ(page->appFilesArray.size() + page->systemAppFileArray.size(), 2u);
    EXPECT_EQ(page->libTreeController->content()[0]->children().size(), topFolders);
    EXPECT_EQ(page->libTreeController->content()[0]->fileChildren().size(), topEntries);
}

TEST_F(DiskPageTest, SelectingAFolderListsItsEntries) {
    page->ScanDiskUserDataFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->shownPage(), page->userLibDataView);
    QTreeView* outline = page->userLibDataFileOutlineView;
    const QModelIndex root = page->libTreeController->index(0, 0);
    EXPECT_TRUE(outline->isExpanded(root));
    QModelIndex dcim;
    for (int r = 0; r < page->libTreeController->rowCount(root); ++r)
        if (page->libTreeController->index(r, 0, root).data() == "DCIM")
            dcim = page->libTreeController->index(r, 0, root);
    ASSERT_TRUE(dcim.isValid());
    outline->setCurrentIndex(page->libTreeController->index(0, 0, dcim));
    ASSERT_EQ(page->libFileController->rowCount(), 2);
    EXPECT_EQ(page->libFileController->objectAt(1)->filePath, "/DCIM/100APPLE/IMG_0002.JPG");
    // Sorting the list by size sorts by bytes.
    QTableView* table = page->userLibDataFileTableView;
    table->sortByColumn(PRSystemlibFileController::FileSize, Qt::DescendingOrder);
    EXPECT_EQ(table->model()->index(0, PRSystemlibFileController::FileName).data().toString(), "IMG_0002.JPG");
}

TEST_F(DiskPageTest, AServiceThatDoesNotStartLeavesTheRowReadyToScanAgain) {
    device.mediaAreaStarts = false;
    device.appListReadable = false;
    page->ScanDiskUserDataFiles();
    ASSERT_TRUE(waitIdle());
    page->ScanDiskSystemAppFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->scanState().phase(DiskScanGroup::UserData), disk::DiskScanState::Phase::NeverScanned);
    EXPECT_EQ(page->scanState().phase(DiskScanGroup::Apps), disk::DiskScanState::Phase::NeverScanned);
    EXPECT_EQ(page->shownPage(), page->diskTableView);

    device.mediaAreaStarts = true;
    device.appListReadable = true;
    page->ScanDiskUserDataFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->shownPage(), page->userLibDataView);
    page->ScanDiskSystemAppFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->shownPage(), page->systemAppFileView);
    EXPECT_EQ(device.mediaAreaStartsCount, 2);
}

TEST_F(DiskPageTest, ADeviceRemovedMidScanStopsTheWalkAndAReturnScansCleanly) {
    device.onFileInfo = [this](const std::string& path) {
        if (path == "/Downloads/guide.pdf") connected = false;
    };
    page->ScanDiskUserDataFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->scanState().phase(DiskScanGroup::UserData), disk::DiskScanState::Phase::NeverScanned);
    EXPECT_EQ(page->userLibDataProgress->value(), 0.0f);
    EXPECT_FALSE(page->userLibDataScanButton->isEnabled());
    EXPECT_EQ(page->shownPage(), page->diskTableView);

    device.onFileInfo = nullptr;
    connected = true;
    page->ScanDiskUserDataFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->allUserDataFileSize, 120000u);
    const auto& root = page->libTreeController->content()[0];
    EXPECT_EQ(root->fileChildren().size(), 4u);  // not doubled by the first, broken walk
}

TEST_F(DiskPageTest, APageThatGoesMidScanStopsItsScanAndWaitsForIt) {
    for (int i = 0; i < 400; ++i) device.addFile("/Slow/file" + std::to_string(i), 1);
    std::atomic<int> seen{0};
    device.onFileInfo = [&seen](const std::string&) {
        ++seen;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    page->ScanDiskUsage();
    ASSERT_TRUE(waitUntil([&seen] { return seen > 20; }));
    page.reset();
    // The scan has ended by the time the page is gone: it reads nothing more.
    const int atEnd = seen.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(seen.load(), atEnd);
    EXPECT_LT(atEnd, 400);
}

}  // namespace
