// The large-file finder against the sample device through the device layer: the two areas'
// lists and their order against what the device folder holds, removal after the confirmation
// and after Cancel, uninstall, and export into the export folder.
#include "DeviceFolder.h"
#include "DialogAnswers.h"
#include "LocalFiles.h"
#include "SampleDevice.h"
#include "appcore/AppState.h"
#include "disk/PRFindLargeFileViewController.h"
#include "model/PRRecordFields.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/SimulatedDevices.h"
#include "platform/Workspace.h"
#include "widgets/ButtonNotices.h"
#include "widgets/PRButton.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using localfiles::slurp;

struct Found {
    std::string path;
    uint64_t size;
    bool operator==(const Found&) const = default;
};

// The files above the limit below a folder of the device folder, largest first, with their
// paths as the device names them below base.
std::vector<Found> largeFilesBelow(const fs::path& base, const fs::path& folder) {
    std::vector<Found> found;
    std::error_code error;
    if (!fs::exists(folder, error)) return found;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.file_size() > 2000000)
            found.push_back({"/" + fs::relative(e.path(), base).string(), e.file_size()});
    return found;
}

void largestFirst(std::vector<Found>& list) {
    std::stable_sort(list.begin(), list.end(), [](const Found& a, const Found& b) { return a.size > b.size; });
}

std::vector<Found> shown(const PRLargeFileController* controller) {
    std::vector<Found> rows;
    for (const auto& node : controller->content()) rows.push_back({node->filePath.toStdString(), node->fileSizeNumber});
    return rows;
}

class LargeFilePageTest : public devicetest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dialogs::setResponder(&responder);
        workspace::setRecorder([](workspace::Action, const QString&) {});
        folder = home.path() + "/sample";
        ASSERT_TRUE(sampledevice::write(folder));
        attachAndWait(folder);
        page = std::make_unique<PRFindLargeFileViewController>();
        page->deviceConnected = [] { return simdevice::attachedCount() > 0; };
        host.resize(960, 600);
        page->showView(&host);
        page->setDeviceIndex(connected.back());
        host.show();
        // The start button's press, as the button posts it.
        notices::MyLargeFileButtonMouseDown.post(NSNotificationCenter::defaultCenter(), page->startScanBtn);
        ASSERT_TRUE(testsupport::waitUntil([this] { return page->bScanFinished && page->runningWorkers() == 0; },
                                           std::chrono::seconds(60)));
    }
    void TearDown() override {
        page.reset();
        EXPECT_TRUE(testsupport::waitForWorkers());
        dialogs::setResponder(nullptr);
        workspace::setRecorder({});
        DeviceTest::TearDown();
    }
    // Selects rows of a table (the last one current).
    static void selectRows(QTableView* table, std::initializer_list<int> rows) {
        table->clearSelection();
        for (int row : rows)
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::string containerOf(const std::string& bundleId) const { return folder + "/apps/" + bundleId + "/container"; }

    DialogAnswers responder;
    std::string folder;
    QWidget host;
    std::unique_ptr<PRFindLargeFileViewController> page;
};

TEST_F(LargeFilePageTest, TheListsHoldTheDevicesLargeFilesLargestFirst) {
    testsupport::saveScreenshot(&host, "largefiles-overview");
    EXPECT_TRUE(page->userBtn->isEnabled());
    EXPECT_TRUE(page->appBtn->isEnabled());

    std::vector<Found> media = largeFilesBelow(folder + "/media", folder + "/media");
    largestFirst(media);
    ASSERT_GE(media.size(), 2u);
    page->ClickUserDataFileAction();
    EXPECT_EQ(page->shownPage(), page->userDataLargerFileView);
    EXPECT_EQ(shown(page->userLargeFileController), media);
    EXPECT_TRUE(page->userBigFileController->content().empty());
    uint64_t mediaBytes = 0;
    for (const Found& f : media) mediaBytes += f.size;
    EXPECT_EQ(page->allDocumentFileSize, mediaBytes);
    testsupport::saveScreenshot(&host, "largefiles-userdata");

    std::vector<Found> apps;
    for (const auto& app : fs::directory_iterator(folder + "/apps")) {
        const fs::path c = app.path() / "container";
        for (const char* sub : {"Documents", "tmp", "Library/Caches", "Library/Cookies"})
            for (const Found& f : largeFilesBelow(c, c / sub)) apps.push_back(f);
    }
    largestFirst(apps);
    ASSERT_GE(apps.size(), 3u);
    page->ClickAppDataFileAction();
    EXPECT_EQ(shown(page->appLargeFileController), apps);
    for (const auto& node : page->appLargeFileController->content()) {
        EXPECT_TRUE(node->fileParentName.endsWith(".app"));
        EXPECT_FALSE(node->fileIcon.isNull());
        EXPECT_FALSE(node->filePath.contains("Application Support"));
    }
    testsupport::saveScreenshot(&host, "largefiles-appdata");

    // A second press starts nothing.
    notices::MyLargeFileButtonMouseDown.post(NSNotificationCenter::defaultCenter(), page->startScanBtn);
    EXPECT_EQ(page->runningWorkers(), 0);
}

TEST_F(LargeFilePageTest, FilesLeaveOnlyAfterTheConfirmationAndExportsCopyEachOne) {
    page->ClickUserDataFileAction();
    ASSERT_EQ(page->userLargeFileController->rowCount(), 2);
    const std::string first = page->userLargeFileController->objectAt(0)->filePath.toStdString();
    const std::string second = page->userLargeFileController->objectAt(1)->filePath.toStdString();

    // Export of both rows: both land in the export folder, which is made.
    selectRows(page->userDataLargeTableView, {0, 1});
    page->ExportUserDataAction();
    ASSERT_TRUE(testsupport::waitUntil([this] { return page->runningWorkers() == 0; }));
    const std::string exports = home.path() + "/Documents/Quillomatrix/";
    EXPECT_EQ(slurp(exports + fs::path(first).filename().string()), slurp(folder + "/media" + first));
    EXPECT_EQ(slurp(exports + fs::path(second).filename().string()), slurp(folder + "/media" + second));

    selectRows(page->userDataLargeTableView, {1});
    responder.alertAnswer = NSAlertSecondButtonReturn;  // "Cancel"
    page->ClickuserDataRemoveAction();
    EXPECT_TRUE(fs::exists(folder + "/media" + second));
    EXPECT_EQ(page->userLargeFileController->rowCount(), 2);
    responder.alertAnswer = NSAlertFirstButtonReturn;  // "Deleted"
    const uint64_t totalBefore = page->allDocumentFileSize;
    const uint64_t secondBytes = fs::file_size(folder + "/media" + second);
    page->ClickuserDataRemoveAction();
    EXPECT_FALSE(fs::exists(folder + "/media" + second));
    // The user data's total counts what is left.
    EXPECT_EQ(page->allDocumentFileSize, totalBefore - secondBytes);
    EXPECT_EQ(page->userDataFileSizelab->text(), QString::fromStdString(sizeText(totalBefore - secondBytes)));
    EXPECT_EQ(page->userLargeFileController->rowCount(), 1);
    EXPECT_EQ(page->userDataLargeFileArray.size(), 1u);  // opened again, the file is not listed
    ASSERT_EQ(responder.alerts.size(), 2u);
    EXPECT_EQ(responder.alerts[1].buttons, (QStringList{"Deleted", "Cancel"}));
    // No row stays chosen: a second click removes nothing.
    EXPECT_FALSE(page->userDataLargeTableView->selectionModel()->hasSelection());

    // Uninstall: the app goes and all its rows with it.
    page->ClickAppDataFileAction();
    int trailRow = -1;
    for (int r = 0; r < page->appLargeFileController->rowCount(); ++r)
        if (page->appLargeFileController->objectAt(r)->appBundId == "com.northwind.TrailMaps") trailRow = r;
    ASSERT_GE(trailRow, 0);
    const int rowsBefore = page->appLargeFileController->rowCount();
    selectRows(page->appLargeTableView, {trailRow});
    responder.alertAnswer = NSAlertThirdButtonReturn;  // "Uninstall"
    page->ClickAppRemoveAction();
    EXPECT_FALSE(fs::exists(folder + "/apps/com.northwind.TrailMaps"));
    EXPECT_EQ(page->appLargeFileController->rowCount(), rowsBefore - 1);
    EXPECT_EQ(responder.alerts.back().buttons, (QStringList{"Deleted", "Cancel", "Uninstall"}));

    // An app file removed through its container; its export lands in AppData.
    ASSERT_GE(page->appLargeFileController->rowCount(), 1);
    const PRLargeFileNodePtr app = page->appLargeFileController->objectAt(0);
    selectRows(page->appLargeTableView, {0});
    page->ExportAppDataAction();
    ASSERT_TRUE(testsupport::waitUntil([this] { return page->runningWorkers() == 0; }));
    EXPECT_EQ(slurp(exports + "AppData/" + app->fileName.toStdString()),
              slurp(containerOf(app->appBundId.toStdString()) + app->filePath.toStdString()));
    responder.alertAnswer = NSAlertFirstButtonReturn;
    page->ClickAppRemoveAction();
    EXPECT_FALSE(fs::exists(containerOf(app->appBundId.toStdString()) + app->filePath.toStdString()));
    EXPECT_EQ(page->appLargeFileController->rowCount(), rowsBefore - 2);
    testsupport::saveScreenshot(&host, "largefiles-after-removal");
}

}  // namespace

TEST_F(LargeFilePageTest, NothingSelectedIsSaidAndAChangedLimitAppliesOnTheNextScan) {
    // Delete and Export with no row: no question about nothing, only what to select.
    page->ClickUserDataFileAction();
    page->userDataLargeTableView->clearSelection();
    page->ClickuserDataRemoveAction();
    page->ExportUserDataAction();
    page->ClickAppRemoveAction();
    ASSERT_EQ(responder.alerts.size(), 3u);
    for (const AlertRequest& alert : responder.alerts) EXPECT_EQ(alert.messageText, "Nothing is selected.");
    EXPECT_EQ(page->runningWorkers(), 0);

    // The limit set in the preferences is taken by the next press of the scan button.
    const size_t before = page->userDataLargeFileArray.size();
    ASSERT_GE(before, 1u);
    AppState state;
    state.setLargeFileLimit(100'000'000'000ULL);
    AppState::setCurrent(&state);
    notices::MyLargeFileButtonMouseDown.post(NSNotificationCenter::defaultCenter(), page->startScanBtn);
    ASSERT_TRUE(testsupport::waitUntil([this] { return page->bScanFinished && page->runningWorkers() == 0; },
                                       std::chrono::seconds(60)));
    AppState::setCurrent(nullptr);
    EXPECT_EQ(page->largeFileSize, 100'000'000'000ULL);
    EXPECT_TRUE(page->userDataLargeFileArray.empty());
    EXPECT_EQ(page->allDocumentFileSize, 0u);
}
