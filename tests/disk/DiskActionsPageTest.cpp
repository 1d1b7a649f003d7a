// The disk manager's removals, exports and uninstall against the sample device through the
// device layer: the device folder loses exactly the files the page says, the export folder
// holds exactly what was copied, nothing goes without the confirmation, and a refused removal
// keeps its row and its bytes.
#include "DeviceFolder.h"
#include "DialogAnswers.h"
#include "DiskTree.h"
#include "LocalFiles.h"
#include "SampleDevice.h"
#include "appcore/AppState.h"
#include "appcore/DeviceTie.h"
#include "device/ExportWalk.h"
#include "disk/DiskAppListController.h"
#include "disk/DiskBookListController.h"
#include "disk/DiskMusicListController.h"
#include "disk/DiskPageParts.h"
#include "disk/DiskPhotoListController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/PRSystemlibFileController.h"
#include "model/PRRecordFields.h"
#include "platform/Dialogs.h"
#include "platform/SimulatedDevices.h"
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using localfiles::slurp;
using localfiles::treeOf;

namespace {

class DiskActionsPageTest : public devicetest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dialogs::setResponder(&answers);
        workspace::setRecorder([this](workspace::Action action, const QString& path) {
            if (action == workspace::Action::ShowFolder) shownFolders << path;
        });
        state.setExportPath(QString::fromStdString(exportFolder));  // not there yet
        AppState::setCurrent(&state);
        folder = home.path() + "/sample";
        ASSERT_TRUE(sampledevice::write(folder));
        media = folder + "/media";
        simId = attachAndWait(folder);
        page = std::make_unique<PRDiskaManagerViewController>();
        page->deviceConnected = [] { return simdevice::attachedCount() > 0; };
        host.resize(1000, 620);
        page->showView(&host);
        page->setDiskManageDeviceIndex(connected.back());
        host.show();
    }
    void TearDown() override {
        page.reset();
        EXPECT_TRUE(testsupport::waitForWorkers());
        AppState::setCurrent(nullptr);
        workspace::setRecorder({});
        dialogs::setResponder(nullptr);
        DeviceTest::TearDown();
    }
    bool waitIdle() {
        return testsupport::waitUntil(
            [this] {
                return page->runningScans() == 0 && !page->scanState().anyScanning() && page->runningExports() == 0;
            },
            std::chrono::seconds(60));
    }
    void selectRows(QTableView* table, std::initializer_list<int> rows) {
        table->clearSelection();
        for (int row : rows)
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table->selectionModel()->setCurrentIndex(table->model()->index(*rows.begin(), 0),
                                                 QItemSelectionModel::NoUpdate);
    }
    std::vector<int> selectedViewRows(QTableView* table) {
        std::vector<int> rows;
        for (const QModelIndex& i : table->selectionModel()->selectedRows()) rows.push_back(i.row());
        return rows;
    }
    // Where a device path lies in the device folder (the library names tracks without the
    // leading "/").
    std::string onDisk(const std::string& devicePath) const {
        return media + (devicePath.starts_with('/') ? "" : "/") + devicePath;
    }
    uint64_t counter(AppCounter which) const { return state.counter(which); }
    // The records of the table's selected rows.
    template <class Controller>
    auto selected(QTableView* table, Controller* controller) {
        std::vector<decltype(controller->objectAt(0))> records;
        for (int row : diskpages::selectedSourceRows(table)) records.push_back(controller->objectAt(row));
        return records;
    }

    DialogAnswers answers;
    QStringList shownFolders;
    AppState state;
    std::string exportFolder = home.path() + "/Exported/Quillomatrix";
    std::string folder, media;
    int simId = 0;
    QWidget host;
    std::unique_ptr<PRDiskaManagerViewController> page;
};

TEST_F(DiskActionsPageTest, ConfirmedRemovalsTakeExactlyTheSelectedFiles) {
    answers.alertAnswer = NSAlertFirstButtonReturn;  // "Deleted"

    // Photos in rows 1 and 2 go; row 0 is selected afterwards.
    page->ScanDiskPhotoFiles();
    ASSERT_TRUE(waitIdle());
    const int photos = page->photoFileController->rowCount();
    ASSERT_GT(photos, 3);
    selectRows(page->photoFileTableview, {0});
    const auto kept = selected(page->photoFileTableview, page->photoFileController);
    selectRows(page->photoFileTableview, {1, 2});
    const auto gone = selected(page->photoFileTableview, page->photoFileController);
    ASSERT_EQ(gone.size(), 2u);
    const uint64_t photoBytes = fs::file_size(media + gone[0]->filePath()) + fs::file_size(media + gone[1]->filePath());
    const uint64_t photosBefore = page->allPhotoFileSize;
    page->RemovePhotoItem();
    // The category's figure on the summary counts what is left.
    EXPECT_EQ(page->allPhotoFileSize, photosBefore - photoBytes);
    EXPECT_EQ(page->photoFileSizelab->text(), QString::fromStdString(sizeText(photosBefore - photoBytes)));
    // The window's result line says what went, not what an earlier action did.
    const auto* line = host.findChild<ActionResultLine*>();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text(), "2 files removed");
    ASSERT_EQ(answers.alerts.size(), 1u);  // the confirmation only
    EXPECT_EQ(answers.alerts[0].buttons, (QStringList{"Deleted", "Cancel"}));
    for (const auto& photo : gone) EXPECT_FALSE(fs::exists(media + photo->filePath())) << photo->filePath();
    EXPECT_TRUE(fs::exists(media + kept[0]->filePath()));
    EXPECT_EQ(page->photoFileController->rowCount(), photos - 2);
    EXPECT_EQ(page->photoFilesArray.size(), size_t(photos - 2));
    EXPECT_TRUE(selectedViewRows(page->photoFileTableview).empty());  // a second click removes nothing
    // Nothing chosen: the detail of a removed photo is gone with it, its room the table's.
    EXPECT_TRUE(page->photoPreviewImage->parentWidget()->isHidden());
    EXPECT_EQ(counter(AppCounter::TotalPhotoRemoveFileSize), photoBytes);
    testsupport::saveScreenshot(&host, "disk-photos-actions");

    // One track: its file goes; the library database is left as it was.
    page->ScanDiskMusicFiles();
    ASSERT_TRUE(waitIdle());
    const int tracks = page->muiscFileController->rowCount();
    const std::string library = media + "/iTunes_Control/iTunes/MediaLibrary.sqlitedb";
    const std::string libraryBefore = slurp(library);
    selectRows(page->musicFileTableView, {0});
    const auto track = selected(page->musicFileTableView, page->muiscFileController);
    ASSERT_EQ(track.size(), 1u);
    const uint64_t trackBytes = fs::file_size(onDisk(track[0]->musicLoctionpath()));
    page->RemoveMusicItem();
    EXPECT_FALSE(fs::exists(onDisk(track[0]->musicLoctionpath())));
    EXPECT_EQ(page->muiscFileController->rowCount(), tracks - 1);
    EXPECT_EQ(slurp(library), libraryBefore);
    EXPECT_EQ(counter(AppCounter::TotalMusicRemoveFileSize), trackBytes);

    // Every video.
    page->ScanDiskVideoFiles();
    const int videos = page->videoFileController->rowCount();
    ASSERT_GT(videos, 0);
    page->vidoeFileTableView->selectAll();
    uint64_t videoBytes = 0;
    std::vector<std::string> videoFiles;
    for (const auto& video : page->videoFileController->content()) {
        videoFiles.push_back(onDisk(video->musicLoctionpath()));
        videoBytes += fs::file_size(videoFiles.back());
    }
    page->RemoveVideoItem();
    for (const std::string& file : videoFiles) EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_EQ(page->videoFileController->rowCount(), 0);
    EXPECT_EQ(counter(AppCounter::TotalVideoRemoveFileSize), videoBytes);

    // One book kept as a folder: the folder goes whole, and no removed-byte total moves.
    page->ScanDiskBooksFiles();
    ASSERT_TRUE(waitIdle());
    int row = -1;
    for (int r = 0; r < page->booksFileController->rowCount(); ++r) {
        selectRows(page->bookFileTableview, {r});
        if (selected(page->bookFileTableview, page->booksFileController)[0]->filePath().ends_with(".epub")) row = r;
    }
    ASSERT_GE(row, 0);
    selectRows(page->bookFileTableview, {row});
    const auto book = selected(page->bookFileTableview, page->booksFileController);
    const size_t alertsBefore = answers.alerts.size();
    page->RemoveBookItem();
    EXPECT_EQ(answers.alerts.size(), alertsBefore + 1);
    EXPECT_TRUE(answers.alerts.back().informativeText.startsWith("CAUTION: Only advanced users"));
    EXPECT_FALSE(fs::exists(media + book[0]->filePath()));
    EXPECT_EQ(page->booksFileController->rowCount(), 2);
    // The book's bytes count as freed, as every removal's do.
    EXPECT_GT(counter(AppCounter::TotalBooksRemoveFileSize), 0u);
    EXPECT_EQ(counter(AppCounter::TotalPhotoRemoveFileSize), photoBytes);
}

TEST_F(DiskActionsPageTest, CancelOrARefusalLeavesTheRowsAndTheirBytes) {
    page->ScanDiskPhotoFiles();
    ASSERT_TRUE(waitIdle());
    const int photos = page->photoFileController->rowCount();
    const auto before = treeOf(media);

    // Nothing selected: no question about nothing, only what to select.
    page->photoFileTableview->clearSelection();
    page->RemovePhotoItem();
    ASSERT_EQ(answers.alerts.size(), 1u);
    EXPECT_EQ(answers.alerts[0].messageText, "Nothing is selected.");
    answers.alerts.clear();

    selectRows(page->photoFileTableview, {1});
    page->RemovePhotoItem();  // answered "Cancel"
    EXPECT_EQ(answers.alerts.size(), 1u);
    EXPECT_EQ(treeOf(media), before);
    EXPECT_EQ(page->photoFileController->rowCount(), photos);

    // The device refuses: the row and the file stay, nothing is counted, one alert names it.
    answers.alertAnswer = NSAlertFirstButtonReturn;
    const auto photo = selected(page->photoFileTableview, page->photoFileController);
    simdevice::failCall(simId, "AFCRemovePath", 7);
    page->RemovePhotoItem();
    simdevice::failCall(simId, "AFCRemovePath", 0);
    ASSERT_EQ(answers.alerts.size(), 3u);  // the confirmation and the failure
    EXPECT_TRUE(answers.alerts[2].informativeText.contains(QString::fromStdString(photo[0]->filePath())));
    EXPECT_EQ(treeOf(media), before);
    EXPECT_EQ(page->photoFileController->rowCount(), photos);
    EXPECT_EQ(counter(AppCounter::TotalPhotoRemoveFileSize), 0u);

    // An export the device refuses says so in its line, and opens no folder.
    shownFolders.clear();
    selectRows(page->photoFileTableview, {2, 3});
    simdevice::failCall(simId, "AFCFileRefRead", 7);
    page->ExportPhotoItem();
    ASSERT_TRUE(waitIdle());
    simdevice::failCall(simId, "AFCFileRefRead", 0);
    const auto* line = host.findChild<ActionResultLine*>();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "Nothing was exported: 2 files failed");
    EXPECT_TRUE(line->folder().isEmpty());
    EXPECT_TRUE(shownFolders.isEmpty());
    answers.alerts.clear();

    // An uninstall the user cancels or the device refuses keeps the app.
    page->ScanDiskUserAppFiles();
    ASSERT_TRUE(waitIdle());
    const int apps = page->appFileController->rowCount();
    selectRows(page->appFileTableView, {0});
    answers.alertAnswer = NSAlertSecondButtonReturn;
    page->UninStallAppData();
    EXPECT_EQ(answers.alerts.back().buttons, (QStringList{"Uninstall", "Cancel"}));
    answers.alertAnswer = NSAlertFirstButtonReturn;
    simdevice::failCall(simId, "AMDeviceUninstallApplication", 11);
    page->UninStallAppData();
    simdevice::failCall(simId, "AMDeviceUninstallApplication", 0);
    EXPECT_EQ(page->appFileController->rowCount(), apps);
    EXPECT_EQ(counter(AppCounter::TotalAppRemoveFileSize), 0u);
    EXPECT_EQ(treeOf(media), before);
}

TEST_F(DiskActionsPageTest, ExportsAndUninstallShowWhatTheyDid) {
    // Every book into the export folder, which is made first, under the title the list shows;
    // then the folder is shown.
    page->ScanDiskBooksFiles();
    ASSERT_TRUE(waitIdle());
    page->ExportAllBookItem();
    ASSERT_TRUE(waitIdle());
    std::map<std::string, std::string> books;
    for (const PRBookNodePtr& book : page->booksFileController->content()) {
        const std::string file = fs::path(book->filePath()).filename().string();
        const std::string title = book->bookName() + fs::path(file).extension().string();
        for (const auto& [path, content] : treeOf(media + "/Books/Purchases"))
            if (path == file || path.starts_with(file + "/")) books[title + path.substr(file.size())] = content;
    }
    EXPECT_TRUE(std::any_of(books.begin(), books.end(),
                            [](const auto& entry) { return entry.first.starts_with("Gardens of Stone.epub"); }));
    EXPECT_EQ(treeOf(exportFolder), books);
    EXPECT_EQ(shownFolders, QStringList{QString::fromStdString(exportFolder)});

    // An app's container into a folder named after the app.
    page->ScanDiskUserAppFiles();
    ASSERT_TRUE(waitIdle());
    int recipe = -1;
    for (int r = 0; r < page->appFileTableView->model()->rowCount(); ++r)
        if (page->appFileTableView->model()->index(r, 0).data().toString().contains("Recipe Box")) recipe = r;
    ASSERT_GE(recipe, 0);
    selectRows(page->appFileTableView, {recipe});
    page->ExportAppData();
    ASSERT_TRUE(waitIdle());
    const std::string container = folder + "/apps/com.brightleaf.RecipeBox/container";
    EXPECT_EQ(treeOf(exportFolder + "/Recipe Box", true), treeOf(container, true));
    EXPECT_EQ(shownFolders.back(), QString::fromStdString(exportFolder + "/Recipe Box"));
    testsupport::saveScreenshot(&host, "disk-apps-actions");

    // Uninstall: gone from the device and its list; the app that followed takes the row.
    const int apps = page->appFileController->rowCount();
    const uint64_t appsBytes = page->allAppFileSize;
    const QString next =
        recipe + 1 < apps ? page->appFileTableView->model()->index(recipe + 1, 0).data().toString() : QString();
    selectRows(page->appFileTableView, {recipe});
    const PRAppDirTreeNodePtr app = selected(page->appFileTableView, page->appFileController)[0];
    answers.alertAnswer = NSAlertFirstButtonReturn;
    page->UninStallAppData();
    ASSERT_FALSE(answers.alerts.empty());
    EXPECT_EQ(answers.alerts.back().messageText,
              "Are you sure you want to permanently uninstall the Recipe Box.app from your device?");
    EXPECT_FALSE(fs::exists(folder + "/apps/com.brightleaf.RecipeBox"));
    std::vector<disk::DeviceApp> list;
    ASSERT_TRUE(disk::deviceDiskServices().lookupApplications(connected.back(), list));
    for (const disk::DeviceApp& a : list) EXPECT_NE(a.bundleId, "com.brightleaf.RecipeBox");
    EXPECT_EQ(page->appFileController->rowCount(), apps - 1);
    EXPECT_EQ(page->appFilesArray.size(), size_t(apps - 1));
    if (!next.isEmpty()) {
        ASSERT_EQ(selectedViewRows(page->appFileTableView), std::vector<int>{recipe});
        EXPECT_EQ(page->appFileTableView->model()->index(recipe, 0).data().toString(), next);
    }
    EXPECT_EQ(counter(AppCounter::TotalAppRemoveFileSize), app->totalAppSizeNumber);
    // The summary's total counts what is still on the device.
    EXPECT_EQ(page->appFileSizelab->text(), QString::fromStdString(sizeText(page->allAppFileSize)));
    EXPECT_EQ(page->allAppFileSize, appsBytes - app->totalAppSizeNumber);
    // An app's files removed on another page (the large-file finder) count when the page is
    // shown again, once.
    state.raiseCounter(AppCounter::TotalAppRemoveFileSize, 5000);
    page->followRemovalsElsewhere();
    page->followRemovalsElsewhere();
    EXPECT_EQ(page->allAppFileSize, appsBytes - app->totalAppSizeNumber - 5000);
    EXPECT_EQ(page->appFileSizelab->text(), QString::fromStdString(sizeText(page->allAppFileSize)));

    // User files: two of a folder copied into the export folder, then removed from the device.
    page->ScanDiskUserDataFiles();
    ASSERT_TRUE(waitIdle());
    const uint64_t userDataBytes = page->allUserDataFileSize;
    const PRPhoneSystemDirNodePtr camera = disktree::folderAt(*page->libTreeController, "/DCIM/100APPLE");
    ASSERT_TRUE(camera);
    page->userLibDataFileOutlineView->setCurrentIndex(page->libTreeController->indexForNode(camera.get()));
    const int files = page->libFileController->rowCount();
    ASSERT_GT(files, 3);
    selectRows(page->userLibDataFileTableView, {2, 3});
    const auto chosen = selected(page->userLibDataFileTableView, page->libFileController);
    ASSERT_EQ(chosen.size(), 2u);
    page->ExportUserData();
    ASSERT_TRUE(waitIdle());
    uint64_t userBytes = 0;
    for (const auto& file : chosen) {
        const std::string device = media + file->filePath.toStdString();
        EXPECT_EQ(slurp(exportFolder + "/" + fs::path(device).filename().string()), slurp(device));
        userBytes += fs::file_size(device);
    }
    page->RemoveUerDataFile();
    for (const auto& file : chosen) EXPECT_FALSE(fs::exists(media + file->filePath.toStdString()));
    EXPECT_EQ(page->libFileController->rowCount(), files - 2);
    EXPECT_EQ(camera->fileChildren().size(), size_t(files - 2));
    EXPECT_EQ(counter(AppCounter::TotalUserdataRemoveFileSize), userBytes);
    EXPECT_EQ(page->allUserDataFileSize, userDataBytes - userBytes);
    EXPECT_EQ(page->userLibDataFileSizelab->text(), QString::fromStdString(sizeText(userDataBytes - userBytes)));
    testsupport::saveScreenshot(&host, "disk-userdata-actions");
}

}  // namespace

// An export whose device went before it ended says so in its line, with what arrived.
TEST(DiskExportEnded, ADeviceThatWentIsNamedInTheLine) {
    QWidget window;
    window.resize(600, 400);
    window.show();
    DialogAnswers answers;
    dialogs::setResponder(&answers);
    workspace::setRecorder([](workspace::Action, const QString&) {});
    disk::ActionResult result;
    result.succeeded(100);
    result.succeeded(100);
    result.failed("/DCIM/100APPLE/IMG_0003.JPG", amd::ExportWalk::kDeviceLeft);
    const DeviceStamp gone;  // a stamp of a tie cut since
    diskpages::exportEnded(&window, result, "/tmp/out", &gone);
    workspace::setRecorder({});
    dialogs::setResponder(nullptr);
    const auto* line = window.findChild<ActionResultLine*>();
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().startsWith("2 files exported, 1 failed. The device was disconnected before it ended."))
        << line->text().toStdString();
}
