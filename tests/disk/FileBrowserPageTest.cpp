// The device file browser against the sample device through the device layer: the tree shows
// the media area, previews show images and text and open other files, a folder export is
// identical to the device's folder, files are exported, deleted (after the confirmation only)
// and added.
#include "DeviceFolder.h"
#include "DialogAnswers.h"
#include "LocalFiles.h"
#include "SampleDevice.h"
#include "disk/PRPhoneSystemViewController.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/PRSystemlibFileController.h"
#include "platform/Dialogs.h"
#include "platform/SimulatedDevices.h"
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"
#include "widgets/TrackPlayer.h"

#include <QItemSelectionModel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;

namespace {

using localfiles::slurp;
using localfiles::treeOf;

class FileBrowserPageTest : public devicetest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dialogs::setResponder(&responder);
        workspace::setRecorder(
            [this](workspace::Action action, const QString& path) { opened.emplace_back(action, path); });
        folder = home.path() + "/sample";
        ASSERT_TRUE(sampledevice::write(folder));
        simId = attachAndWait(folder);
        page = std::make_unique<PRPhoneSystemViewController>();
        page->deviceConnected = [] { return simdevice::attachedCount() > 0; };
        host.resize(1000, 600);
        page->showPhoneSystemView(&host);
        host.show();
        page->LookupSystemTree(connected.back());
        ASSERT_TRUE(waitIdle());
        ASSERT_TRUE(page->bLoadFinished);
    }
    void TearDown() override {
        page.reset();
        EXPECT_TRUE(testsupport::waitForWorkers());
        dialogs::setResponder(nullptr);
        workspace::setRecorder({});
        DeviceTest::TearDown();
    }
    bool waitIdle() {
        return testsupport::waitUntil([this] { return page->runningWorkers() == 0; }, std::chrono::seconds(60));
    }
    // Shows the folder of a device path in the outline.
    void openFolder(const std::string& devicePath) {
        PRPhoneSystemDirNodePtr node = page->libTreeController->content().at(0);
        for (const QString& part :
             QString::fromStdString(devicePath).replace("/.", "/").split('/', Qt::SkipEmptyParts)) {
            PRPhoneSystemDirNodePtr next;
            for (const auto& child : node->children())
                if (child->fileDirName == part) next = child;
            ASSERT_TRUE(next) << devicePath;
            node = next;
        }
        page->theOutlineView->setCurrentIndex(page->libTreeController->indexForNode(node.get()));
    }
    // Selects the rows of the named files in the table (the last one current).
    void selectFiles(const QStringList& names) {
        auto* proxy = static_cast<QSortFilterProxyModel*>(page->theTableView->model());
        page->theTableView->clearSelection();
        for (const QString& name : names) {
            int row = -1;
            for (size_t i = 0; i < page->libFileController->content().size(); ++i)
                if (page->libFileController->content()[i]->fileName == name) row = int(i);
            ASSERT_GE(row, 0) << name.toStdString() << " in " << shownNames().join(",").toStdString();
            const QModelIndex index = proxy->mapFromSource(page->libFileController->index(row, 0));
            page->theTableView->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QStringList shownNames() const {
        QStringList names;
        for (const auto& e : page->libFileController->content()) names << e->fileName;
        return names;
    }

    DialogAnswers responder;
    std::vector<std::pair<workspace::Action, QString>> opened;
    std::string folder;
    int simId = 0;
    QWidget host;
    std::unique_ptr<PRPhoneSystemViewController> page;
};

TEST_F(FileBrowserPageTest, TheTreeShowsTheMediaAreaAndPreviewsItsFiles) {
    // Every folder of the media area is in the tree, every entry in its folder's list.
    size_t entries = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder + "/media")) {
        if (!entry.is_directory()) continue;
        const std::string devicePath = entry.path().string().substr(folder.size() + 6);
        if (fs::is_empty(entry.path())) continue;  // an empty folder is only an entry of its parent
        openFolder(devicePath);
        size_t inFolder = 0;
        for (const auto& e : fs::directory_iterator(entry.path())) {
            (void)e;
            ++inFolder;
        }
        EXPECT_EQ(page->libFileController->rowCount(), int(inFolder)) << devicePath;
        entries += inFolder;
    }
    EXPECT_GT(entries, 80u);
    // A second visit does not walk again.
    page->LookupSystemTree(connected.back());
    EXPECT_EQ(page->runningWorkers(), 0);

    openFolder("/general_storage/Archive/2014/04/Photos");
    selectFiles({"Beach.jpg"});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->previewKind(), "image");
    EXPECT_EQ(slurp(page->previewedLocalPath().toStdString()),
              slurp(folder + "/media/general_storage/Archive/2014/04/Photos/Beach.jpg"));
    testsupport::saveScreenshot(&host, "filebrowser-image");

    openFolder("/general_storage/Archive/Notes");
    selectFiles({"Ideas.txt"});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->previewKind(), "text");
    EXPECT_EQ(page->showTextView->toPlainText(), "Paint the fence.\nCall the plumber.\n");
    testsupport::saveScreenshot(&host, "filebrowser-text");

    openFolder("/Downloads");
    selectFiles({"Travel Guide.pdf"});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->previewKind(), "document");
    page->openPreviewedFile();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, workspace::Action::OpenFile);
    EXPECT_EQ(opened[0].second, page->previewedLocalPath());
    testsupport::saveScreenshot(&host, "filebrowser-document");

    // Previewed again, the local copy is used: the device is not asked.
    const QString copy = page->previewedLocalPath();
    simdevice::failCall(simId, "AMDeviceStartService", 7);
    selectFiles({"downloads.28.sqlitedb"});
    ASSERT_TRUE(waitIdle());
    selectFiles({"Travel Guide.pdf"});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->previewedLocalPath(), copy);
    simdevice::failCall(simId, "AMDeviceStartService", 0);

    // A movie loads into the player, not started.
    ASSERT_TRUE(fs::exists(folder + "/media/DCIM/101APPLE/IMG_0016.MOV")) << "the movie maker (ffmpeg) is missing";
    openFolder("/DCIM/101APPLE");
    selectFiles({"IMG_0016.MOV"});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->previewKind(), "movie");
    EXPECT_EQ(page->showPreview->currentWidget(), page->showMovView);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->moviePlayer->loaded() || page->moviePlayer->failed(); }));
    EXPECT_FALSE(page->moviePlayer->failed());
    EXPECT_FALSE(page->moviePlayer->playing());
    EXPECT_EQ(slurp(page->previewedLocalPath().toStdString()), slurp(folder + "/media/DCIM/101APPLE/IMG_0016.MOV"));
    testsupport::saveScreenshot(&host, "filebrowser-movie");
}

TEST_F(FileBrowserPageTest, AFolderExportIsIdenticalToTheDeviceFolder) {
    const std::string chosen = home.path() + "/Exports/Mirror";
    responder.panelAnswer = {QString::fromStdString(chosen)};
    openFolder("/general_storage");
    page->ExportDirFileToMac();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(responder.alerts.empty());
    EXPECT_EQ(treeOf(chosen + "/general_storage", false), treeOf(folder + "/media/general_storage", true));
    EXPECT_TRUE(fs::is_directory(chosen + "/general_storage/Archive/Empty"));
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), std::make_pair(workspace::Action::ShowFolder, QString::fromStdString(chosen)));
    // The same name chosen again: the first export stays as it was, the second goes beside it.
    // A row selected in the list is what Export Folder takes.
    selectFiles({"Archive"});
    page->ExportDirFileToMac();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(treeOf(chosen + "/general_storage", false), treeOf(folder + "/media/general_storage", true));
    EXPECT_EQ(treeOf(chosen + " (2)/general_storage/Archive", false),
              treeOf(folder + "/media/general_storage/Archive", true));
    EXPECT_FALSE(fs::exists(chosen + " (2)/general_storage/index"));
    EXPECT_EQ(responder.panels.back().directory, QString::fromStdString(home.path() + "/Exports"));

    // Single files go flat into the chosen folder, and into Documents.
    const std::string flat = home.path() + "/Exports/Flat";
    responder.panelAnswer = {QString::fromStdString(flat)};
    openFolder("/Downloads");
    selectFiles({"Travel Guide.pdf", "downloads.28.sqlitedb"});
    page->ExportTheFileToMac();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(slurp(flat + "/Travel Guide.pdf"), slurp(folder + "/media/Downloads/Travel Guide.pdf"));
    EXPECT_EQ(slurp(flat + "/downloads.28.sqlitedb"), slurp(folder + "/media/Downloads/downloads.28.sqlitedb"));
    page->ExportTheFileToDocument();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(fs::exists(home.path() + "/Documents/Travel Guide.pdf"));
}

TEST_F(FileBrowserPageTest, FilesAreDeletedOnlyAfterTheConfirmationAndAddedBesideTheSelection) {
    openFolder("/general_storage/Archive/2014/05/Receipts");
    selectFiles({"Hardware Store.txt"});
    responder.alertAnswer = NSAlertSecondButtonReturn;  // "Cancel"
    page->RemoveTheFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(responder.alerts.size(), 1u);
    EXPECT_EQ(responder.alerts[0].buttons, (QStringList{"Deleted", "Cancel"}));
    EXPECT_TRUE(fs::exists(folder + "/media/general_storage/Archive/2014/05/Receipts/Hardware Store.txt"));

    responder.alertAnswer = NSAlertFirstButtonReturn;  // "Deleted"
    page->RemoveTheFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(fs::exists(folder + "/media/general_storage/Archive/2014/05/Receipts/Hardware Store.txt"));
    EXPECT_EQ(shownNames(), QStringList{"index"});  // shown without its dot
    EXPECT_EQ(responder.alerts.size(), 2u);         // no failure to tell

    const std::string local = home.path() + "/Desk/Packing List.txt";
    fs::create_directories(home.path() + "/Desk");
    std::ofstream(local) << "tent\nstove\n";
    responder.panelAnswer = {QString::fromStdString(local)};
    selectFiles({"index"});
    page->addFilesToSystem();
    ASSERT_TRUE(waitIdle());
    const std::string receipts = folder + "/media/general_storage/Archive/2014/05/Receipts";
    EXPECT_EQ(slurp(receipts + "/Packing List.txt"), "tent\nstove\n");
    EXPECT_EQ(shownNames(), (QStringList{"index", "Packing List.txt"}));
    // The window says what was added.
    const auto* line = host.findChild<ActionResultLine*>();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "1 file added");
    testsupport::saveScreenshot(&host, "filebrowser-added");

    // The menu opened off the rows, nothing selected: what acts on the folder on show works.
    page->theTableView->clearSelection();
    page->menuNeedsUpdate(page->rightDownMenu, /*hitRow*/ false);
    std::map<QString, bool> enabled;
    for (QAction* action : page->rightDownMenu->actions())
        if (!action->isSeparator()) enabled[action->text()] = action->isEnabled();
    EXPECT_TRUE(enabled["Select All"]);
    EXPECT_TRUE(enabled["Add File..."]);
    EXPECT_FALSE(enabled["Open"]);
    EXPECT_FALSE(enabled["Delete"]);
    // With rows selected, the entries for them work from anywhere in the list.
    page->SelecteAllFile();
    page->menuNeedsUpdate(page->rightDownMenu, /*hitRow*/ false);
    for (QAction* action : page->rightDownMenu->actions()) {
        if (action->text() == "Delete" || action->text() == "Export to Documents") {
            EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
        }
    }
    page->theTableView->clearSelection();

    // Added again, with no row selected (into the folder shown) and a second file chosen: the
    // device's file of that name is replaced only when the answer says so, Cancel the default.
    std::ofstream(local) << "tent\nstove\nlamp\n";
    std::ofstream(home.path() + "/Desk/Map.txt") << "map";
    responder.panelAnswer = {QString::fromStdString(local), QString::fromStdString(home.path() + "/Desk/Map.txt")};
    page->theTableView->clearSelection();
    page->theTableView->setCurrentIndex({});
    const size_t asked = responder.alerts.size();
    for (int answer : {NSAlertThirdButtonReturn, NSAlertSecondButtonReturn, NSAlertFirstButtonReturn}) {
        responder.alertAnswer = answer;  // Cancel, Keep Both, Replace
        page->addFilesToSystem();
        ASSERT_TRUE(waitIdle());
        if (answer == NSAlertThirdButtonReturn) {
            EXPECT_EQ(slurp(receipts + "/Packing List.txt"), "tent\nstove\n");
        }
    }
    // Asked each time a name was taken: once (Map.txt went in at once), then twice, twice.
    ASSERT_EQ(responder.alerts.size(), asked + 5);
    EXPECT_EQ(responder.alerts[asked].buttons, (QStringList{"Replace", "Keep Both", "Cancel"}));
    EXPECT_EQ(responder.alerts[asked].defaultButton, 2);
    EXPECT_EQ(slurp(receipts + "/Packing List.txt"), "tent\nstove\nlamp\n");
    EXPECT_EQ(slurp(receipts + "/Packing List (2).txt"), "tent\nstove\nlamp\n");
    EXPECT_EQ(slurp(receipts + "/Map.txt"), "map");
    EXPECT_EQ(slurp(receipts + "/Map (2).txt"), "map");
    // The list shows the folder as the device now has it: each name once.
    EXPECT_EQ(shownNames(),
              (QStringList{"index", "Packing List.txt", "Map.txt", "Packing List (2).txt", "Map (2).txt"}));
    responder.alertAnswer = NSAlertFirstButtonReturn;

    // A folder that is not empty cannot be deleted: the device refuses, its row stays and one
    // alert names it.
    openFolder("/general_storage/Archive");
    selectFiles({"Notes"});
    page->RemoveTheFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(responder.alerts.size(), asked + 7u);
    EXPECT_TRUE(responder.alerts.back().informativeText.contains("/general_storage/Archive/Notes"));
    EXPECT_TRUE(shownNames().contains("Notes"));
}

// A file replaced through Add File is previewed and exported as the new one, never as the copy
// kept of what was there; a change made on the device by another hand is seen at the export too.
TEST_F(FileBrowserPageTest, AReplacedFileIsPreviewedAndExportedAsTheNewOne) {
    const std::string onDevice = folder + "/media/general_storage/Archive/Notes/Ideas.txt";
    openFolder("/general_storage/Archive/Notes");
    selectFiles({"Ideas.txt"});
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->showTextView->toPlainText(), "Paint the fence.\nCall the plumber.\n");

    fs::create_directories(home.path() + "/Desk");
    const std::string local = home.path() + "/Desk/Ideas.txt";
    std::ofstream(local) << "Sell the boat";
    responder.panelAnswer = {QString::fromStdString(local)};
    responder.alertAnswer = NSAlertFirstButtonReturn;  // Replace
    page->addFilesToSystem();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(slurp(onDevice), "Sell the boat");

    selectFiles({"Ideas.txt"});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->showTextView->toPlainText(), "Sell the boat");
    page->ExportTheFileToDocument();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(slurp(home.path() + "/Documents/Ideas.txt"), "Sell the boat");

    // Same size, another time: the copy kept no longer stands for the device file.
    { std::ofstream(onDevice, std::ios::trunc) << "Buy the boat!"; }
    fs::last_write_time(onDevice, fs::last_write_time(onDevice) + std::chrono::seconds(5));
    page->ExportTheFileToDocument();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(slurp(home.path() + "/Documents/Ideas (2).txt"), "Buy the boat!");
}

}  // namespace
