// Results of one device never used on another: each page scans device A, then A leaves and B
// arrives (the same index again, files of its own, some at A's paths). The page shows nothing of
// A, an action confirmed while the devices changed does nothing to B and says why, and the next
// scan shows B's files.
#include "AppFixture.h"
#include "appcore/DeviceTie.h"
#include "clean/PRAppFileController.h"
#include "clean/PRAppTreeController.h"
#include "clean/PRCleanViewController.h"
#include "disk/DiskPhotoListController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRFindLargeFileViewController.h"
#include "disk/PRPhoneSystemViewController.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/PRSystemlibFileController.h"
#include "platform/SimulatedDevices.h"
#include "transfer/PROneCopyViewController.h"
#include "transfer/PRTansferViewController.h"
#include "widgets/PRButton.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>

using devicetest::exists;
using devicetest::readFile;
using devicetest::writeFile;

namespace {

// Answers like the fixture's responder, and runs a step of the test while the next question is
// open, as a user who pulls one device and plugs another in before answering.
class SwapWhileAsked : public apptest::Responder {
public:
    std::function<void()> whileAsked;
    int answerAlert(const AlertRequest& request) override {
        if (auto step = std::exchange(whileAsked, nullptr)) step();
        return Responder::answerAlert(request);
    }
};

class DeviceSwap : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        dialogs::setResponder(&asker);
        asker.alertAnswer = NSAlertFirstButtonReturn;
        devicetest::DeviceSpec specA, specB;
        specB.udid = "fedcba9876543210fedcba9876543210fedcba98";
        specB.name = "Other iPhone";
        a = devicetest::makeDevice(home.path() + "/A", specA);
        b = devicetest::makeDevice(home.path() + "/B", specB);
    }
    // In folder (below each device's folder): "shared.<ext>" on both devices, each with bytes of
    // its own device, and "a-only.<ext>" or "b-only.<ext>"; then A is attached.
    void fillAndAttachA(const std::string& folder, const std::string& ext, size_t size) {
        writeFile(a + folder + "shared." + ext, std::string(size, 'a'));
        writeFile(b + folder + "shared." + ext, std::string(size + 1, 'b'));
        writeFile(a + folder + "a-only." + ext, std::string(size + 2, 'a'));
        writeFile(b + folder + "b-only." + ext, std::string(size + 3, 'b'));
        idA = attachFolder(a);
    }
    int attachFolder(const std::string& folder) {
        const int id = simdevice::attach(folder);
        EXPECT_GT(id, 0);
        EXPECT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
        return id;
    }
    // A leaves and B arrives, while the next question is open.
    void swapWhileAsked() {
        asker.whileAsked = [this] {
            detach(idA);
            idB = attachFolder(b);
            EXPECT_EQ(app->theDevice, 0);  // B has A's index
        };
    }
    bool refused() const { return !asker.alerts.empty() && asker.alerts.back().messageText == DeviceTie::refusal(); }
    // B's own file is still there, with B's bytes.
    void expectKept(const std::string& path) {
        EXPECT_TRUE(exists(b + path)) << path;
        EXPECT_EQ(readFile(b + path).substr(0, 1), "b") << path;
    }

    SwapWhileAsked asker;
    std::string a, b;
    int idA = 0, idB = 0;
};

template <class Node>
bool anyEndsWith(const std::vector<Node>& nodes, const QString& end) {
    return std::any_of(nodes.begin(), nodes.end(), [&](const Node& n) { return n->filePath.endsWith(end); });
}

TEST_F(DeviceSwap, TheLargeFileFindersDeleteNeverRemovesTheOldDevicesPathsOnTheNewOne) {
    fillAndAttachA("/media/Downloads/", "mov", 2'100'000);
    PRFindLargeFileViewController* finder = app->findLargerFileViewController;
    auto scan = [&] {
        QTest::mouseClick(app->banner().findLargeBannerBtn, Qt::LeftButton);
        QTest::mouseClick(finder->startScanBtn, Qt::LeftButton);
        ASSERT_TRUE(testsupport::waitUntil([&] { return finder->bScanFinished && finder->runningWorkers() == 0; }));
        finder->ClickUserDataFileAction();
    };
    scan();
    ASSERT_TRUE(anyEndsWith(finder->userDataLargeFileArray, "/a-only.mov"));
    const auto rows = finder->userLargeFileController->content();
    const auto movie = std::find_if(rows.begin(), rows.end(), [](auto& n) { return n->fileName == "shared.mov"; });
    ASSERT_NE(movie, rows.end());
    finder->userDataLargeTableView->selectRow(int(movie - rows.begin()));

    swapWhileAsked();
    finder->ClickuserDataRemoveAction();
    expectKept("/media/Downloads/shared.mov");
    EXPECT_TRUE(refused());
    EXPECT_TRUE(finder->userDataLargeFileArray.empty());
    EXPECT_EQ(finder->userLargeFileController->rowCount(), 0);
    EXPECT_FALSE(finder->bScanFinished);
    EXPECT_FALSE(finder->userBtn->isEnabled());

    scan();
    EXPECT_TRUE(anyEndsWith(finder->userDataLargeFileArray, "/b-only.mov"));
    EXPECT_FALSE(anyEndsWith(finder->userDataLargeFileArray, "/a-only.mov"));
}

TEST_F(DeviceSwap, TheFileBrowserForgetsTheOldTreeAndRemovesNothingOnTheNewDevice) {
    fillAndAttachA("/media/Notes/", "txt", 10);
    PRPhoneSystemViewController* browser = app->GetSystemViewController();
    auto walk = [&] {
        app->ClickSystemLib(nullptr);
        ASSERT_TRUE(testsupport::waitUntil([&] { return browser->bLoadFinished && browser->runningWorkers() == 0; }));
        for (const auto& folder : browser->libTreeController->content().at(0)->children())
            if (folder->fileDirName == "Notes")
                browser->theOutlineView->setCurrentIndex(browser->libTreeController->indexForNode(folder.get()));
    };
    auto shown = [&] {
        QStringList names;
        for (const auto& e : browser->libFileController->content()) names << e->fileName;
        return names;
    };
    walk();
    ASSERT_TRUE(shown().contains("a-only.txt"));
    auto* proxy = static_cast<QSortFilterProxyModel*>(browser->theTableView->model());
    const int row = int(shown().indexOf("shared.txt"));
    browser->theTableView->selectRow(proxy->mapFromSource(browser->libFileController->index(row, 0)).row());

    swapWhileAsked();
    browser->RemoveTheFiles();
    EXPECT_TRUE(testsupport::waitUntil([&] { return browser->runningWorkers() == 0; }));
    expectKept("/media/Notes/shared.txt");
    EXPECT_TRUE(refused());
    EXPECT_TRUE(browser->libTreeController->content().empty());
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(browser->previewKind().isEmpty());

    walk();
    EXPECT_TRUE(shown().contains("b-only.txt"));
    EXPECT_FALSE(shown().contains("a-only.txt"));
}

TEST_F(DeviceSwap, TheDiskManagerDropsTheOldPhotosAndRemovesNoneOnTheNewDevice) {
    fillAndAttachA("/media/DCIM/100APPLE/", "JPG", 100);
    QTest::mouseClick(app->banner().diskManageBannerBtn, Qt::LeftButton);
    PRDiskaManagerViewController* disk = app->diskManagerViewController;
    auto scan = [&] {
        disk->ScanDiskPhotoFiles();
        ASSERT_TRUE(testsupport::waitUntil([&] {
            return disk->shownPage() == disk->photoFileView && disk->runningScans() == 0 &&
                   !disk->scanState().anyScanning();
        }));
    };
    auto has = [&](const std::string& name) {
        return std::any_of(disk->photoFilesArray.begin(), disk->photoFilesArray.end(),
                           [&](const auto& p) { return p->filePath().ends_with(name); });
    };
    scan();
    ASSERT_TRUE(has("a-only.JPG"));
    auto* proxy = static_cast<QSortFilterProxyModel*>(disk->photoFileTableview->model());
    const auto& photos = disk->photoFileController->content();
    for (size_t i = 0; i < photos.size(); ++i)
        if (photos[i]->filePath().ends_with("shared.JPG"))
            disk->photoFileTableview->selectRow(
                proxy->mapFromSource(disk->photoFileController->index(int(i), 0)).row());

    swapWhileAsked();
    disk->RemovePhotoItem();
    expectKept("/media/DCIM/100APPLE/shared.JPG");
    EXPECT_TRUE(refused());
    EXPECT_TRUE(disk->photoFilesArray.empty());
    EXPECT_EQ(disk->photoFileController->rowCount(), 0);
    EXPECT_EQ(disk->scanState().phase(disk::DiskScanGroup::Photos), disk::DiskScanState::Phase::NeverScanned);

    scan();
    EXPECT_TRUE(has("b-only.JPG"));
    EXPECT_FALSE(has("a-only.JPG"));
}

TEST_F(DeviceSwap, TheCleanPageDropsTheOldJunkAndCleansNothingOnTheNewDevice) {
    const std::string tmp = "/apps/com.example.notes/container/tmp/";
    fillAndAttachA(tmp, "tmp", 100);
    PRCleanViewController* clean = app->cleanViewController;
    auto scan = [&] {
        app->ClickCleanAction(nullptr);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !clean->isScanning() && clean->pendingJobs() == 0; }));
    };
    const auto& junk = clean->categoryLists().junkFileArray;
    scan();
    ASSERT_TRUE(anyEndsWith(junk, "/a-only.tmp"));
    ASSERT_FALSE(clean->JunkTreeController->cleanContent().empty());

    swapWhileAsked();
    clean->CleanAllJunkFiles();
    EXPECT_TRUE(testsupport::waitUntil([&] { return clean->pendingJobs() == 0; }));
    expectKept(tmp + "shared.tmp");
    expectKept(tmp + "b-only.tmp");
    EXPECT_TRUE(refused());
    EXPECT_TRUE(clean->JunkTreeController->cleanContent().empty());
    EXPECT_TRUE(junk.empty());

    scan();
    EXPECT_TRUE(anyEndsWith(junk, "/b-only.tmp"));
    EXPECT_FALSE(anyEndsWith(junk, "/a-only.tmp"));
}

TEST_F(DeviceSwap, TheTransferPageDropsTheOldContainersAndDeletesNothingOnTheNewDevice) {
    const std::string documents = "/apps/com.example.notes/container/Documents/";
    fillAndAttachA(documents, "txt", 10);
    PRTansferViewController* transfer = app->transferViewController;
    auto child = [&](const QModelIndex& parent, const QString& name) {
        for (int r = 0; r < transfer->appTreeController->rowCount(parent); ++r) {
            const QModelIndex i = transfer->appTreeController->index(r, 0, parent);
            if (i.data().toString() == name) return i;
        }
        return QModelIndex();
    };
    auto select = [&](const QModelIndex& index) {
        transfer->appOutlineView->selectionModel()->select(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    };
    auto files = [&] {
        QStringList names;
        for (int r = 0; r < transfer->appFileController->rowCount(); ++r)
            names << transfer->appFileController->index(r, 0).data().toString();
        return names;
    };
    auto openDocuments = [&] {
        app->ClickApp(nullptr);
        ASSERT_TRUE(testsupport::waitUntil([&] { return transfer->bAppLoadFinished; }));
        const int before = transfer->appJobsFinished();
        select(child({}, "Notes Plus"));
        ASSERT_TRUE(testsupport::waitUntil([&] { return transfer->appJobsFinished() > before; }));
        select(child(child({}, "Notes Plus"), "Documents"));
    };
    openDocuments();
    ASSERT_TRUE(files().contains("a-only.txt"));
    transfer->appTableView->selectRow(int(files().indexOf("shared.txt")));

    swapWhileAsked();
    const int jobs = transfer->appJobsFinished();
    transfer->AppDeleted();
    testsupport::spinEventLoop(std::chrono::milliseconds(100));
    EXPECT_EQ(transfer->appJobsFinished(), jobs);
    expectKept(documents + "shared.txt");
    EXPECT_TRUE(refused());
    EXPECT_EQ(transfer->appTreeController->rowCount(), 0);
    EXPECT_TRUE(files().isEmpty());
    EXPECT_FALSE(transfer->bAppLoadFinished);

    openDocuments();
    EXPECT_TRUE(files().contains("b-only.txt"));
    EXPECT_FALSE(files().contains("a-only.txt"));
}

TEST_F(DeviceSwap, TheOneClickCopyForgetsWhatItSaidOfTheOldDevice) {
    idA = attachFolder(a);
    QTest::mouseClick(app->banner().oneClickCopyBannerBtn, Qt::LeftButton);
    PROneCopyViewController* copy = app->oneCopyViewController;
    // The camera roll alone: no backup is needed.
    for (size_t i = 0; i < transfer::kOneCopyCategoryCount; ++i)
        if (i != size_t(transfer::OneCopyCategory::CameraRoll) && copy->enabled(transfer::OneCopyCategory(i)))
            copy->rows[i].checkBtn->click();
    copy->StartOneCopyAction();
    ASSERT_TRUE(testsupport::waitUntil([&] { return copy->copiesFinished() == 1; }, std::chrono::seconds(60)));
    ASSERT_FALSE(copy->summaryText->text().isEmpty());
    const QLabel* done = copy->rows[size_t(transfer::OneCopyCategory::CameraRoll)].okBtn;
    ASSERT_TRUE(done->isVisibleTo(copy->view()));

    detach(idA);
    idB = attachFolder(b);
    EXPECT_TRUE(copy->summaryText->text().isEmpty());
    EXPECT_FALSE(done->isVisibleTo(copy->view()));
    EXPECT_FALSE(copy->bBackup);
}

}  // namespace
