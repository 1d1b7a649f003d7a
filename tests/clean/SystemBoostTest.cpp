// The system-boost scan and page against the sample device and small devices made here,
// through the device layer.
#include "DeviceFolder.h"
#include "SampleDevice.h"
#include "clean/PRSystemBoostViewController.h"
#include "model/PRRecordFields.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ButtonNotices.h"
#include "widgets/PRButton.h"

#include <QDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using clean::BoostCategory;

namespace {

struct Responder : DialogResponder {
    int answerAlert(const AlertRequest& request) override {
        alerts << request.messageText;
        enterPresses << request.buttons.value(request.defaultButton, "OK");
        return NSAlertFirstButtonReturn;
    }
    QStringList answerPanel(const PanelRequest&) override { return {}; }
    QStringList alerts;
    QStringList enterPresses;  // the button each alert's Enter would press
};

struct RecordingSink : clean::SystemBoostScanSink {
    void progress(float value) override { values.push_back(value); }
    std::vector<float> values;
};

// Device path -> size of every regular file under a folder of the device's media area.
std::map<std::string, uint64_t> filesUnder(const std::string& device, const std::string& folder,
                                           const char* area = "/media") {
    std::map<std::string, uint64_t> out;
    const std::string root = device + area;
    if (!fs::exists(root + folder)) return out;
    for (const auto& entry : fs::recursive_directory_iterator(root + folder))
        if (entry.is_regular_file()) out[entry.path().string().substr(root.size())] = entry.file_size();
    return out;
}

std::map<std::string, uint64_t> found(const clean::BoostFiles& files) {
    std::map<std::string, uint64_t> out;
    for (const auto& record : files.files) out[record->filePath.toStdString()] = record->fileSizeNumber;
    return out;
}

QStringList column(QAbstractItemModel* model, int c = 0) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, c).data().toString();
    return out;
}

class SystemBoostTest : public devicetest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dialogs::setResponder(&responder);
        workspace::setRecorder([this](workspace::Action, const QString& path) { shown << path; });
    }
    void TearDown() override {
        testsupport::waitForWorkers();
        page.reset();
        dialogs::setResponder(nullptr);
        workspace::setRecorder({});
        DeviceTest::TearDown();
    }
    std::string sampleDevice() {
        const std::string folder = home.path() + "/sample";
        std::string error;
        EXPECT_TRUE(sampledevice::write(folder, nullptr, &error)) << error;
        return folder;
    }
    void makePage(int deviceIndex) {
        page = std::make_unique<PRSystemBoostViewController>();
        page->deviceConnected = [] { return simdevice::attachedCount() > 0; };
        page->exportFolder = [this] { return QString::fromStdString(exportFolder); };
        page->setDeviceIndex(deviceIndex);
        page->view()->resize(820, 560);
        page->view()->show();
    }
    void pressScanButton() {
        notices::MyScanbuttonMouseDown.post(NSNotificationCenter::defaultCenter(), page->scanButton);
    }
    void scan() {
        pressScanButton();
        ASSERT_TRUE(page->isScanning());
        ASSERT_TRUE(testsupport::waitUntil([this] { return page->isScanFinished(); }, std::chrono::seconds(60)));
    }
    // The scan's results have been on screen long enough for "Remove All" to take a press.
    void letTheResultsSettle() {
        testsupport::spinEventLoop(std::chrono::milliseconds(ResultsSettle::kMilliseconds + 100));
    }
    void waitForJobs() {
        ASSERT_TRUE(testsupport::waitUntil([this] { return page->pendingJobs() == 0 && !page->isRemoving(); }));
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
    }
    void select(int row) {
        page->systemBoostTableview->clearSelection();
        page->systemBoostTableview->selectionModel()->select(page->systemBoostcontroller->index(row, 0),
                                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QList<int> selectedRows() const {
        QList<int> rows;
        for (const QModelIndex& index : page->systemBoostTableview->selectionModel()->selectedRows())
            rows << index.row();
        return rows;
    }

    Responder responder;
    QStringList shown;
    std::string exportFolder = home.path() + "/Documents/Quillomatrix/not yet made";
    std::unique_ptr<PRSystemBoostViewController> page;
};

TEST_F(SystemBoostTest, ScanFindsTheFiveCategoriesOfTheSampleDevice) {
    const std::string device = sampleDevice();
    attachAndWait(device);
    RecordingSink sink;
    clean::SystemBoostScan::Options options;
    options.deviceIndex = connected.back();
    clean::SystemBoostScan scan(clean::systemBoostServices(), options, sink);
    scan.run();

    // Crash logs: the names at the area's root that hold a dot; folders such as "Panics" are not.
    std::map<std::string, uint64_t> logs;
    for (const auto& entry : fs::directory_iterator(device + "/crashreports"))
        if (entry.path().filename().string().find('.') != std::string::npos)
            logs["/" + entry.path().filename().string()] = entry.file_size();
    EXPECT_EQ(found(scan.found(BoostCategory::SystemLog)), logs);
    for (const auto& record : scan.found(BoostCategory::SystemLog).files) EXPECT_EQ(record->fileType, "Log");

    const auto downloads = filesUnder(device, "/Downloads");
    EXPECT_EQ(downloads.size(), 3u);  // one of them in a sub-folder
    EXPECT_EQ(found(scan.found(BoostCategory::DownloadTemp)), downloads);
    EXPECT_EQ(found(scan.found(BoostCategory::UserStorage)), filesUnder(device, "/general_storage"));
    EXPECT_EQ(found(scan.found(BoostCategory::SyncFailed)), filesUnder(device, "/iTunes_Control/Sync/Media"));

    // Edited photos: only names ending in a lower-case image extension.
    std::map<std::string, uint64_t> edits;
    for (const auto& [path, size] : filesUnder(device, "/PhotoData/Mutations/DCIM"))
        if (path.ends_with("/FullSizeRender.jpg")) edits[path] = size;
    EXPECT_EQ(edits.size(), 2u);
    EXPECT_EQ(found(scan.found(BoostCategory::SyncCache)), edits);

    uint64_t total = 0;
    for (BoostCategory category : clean::kBoostCategories) {
        uint64_t bytes = 0;
        for (const auto& record : scan.found(category).files) {
            bytes += record->fileSizeNumber;
            EXPECT_EQ(record->fileSize.toStdString(), sizeText(record->fileSizeNumber));
            EXPECT_EQ(record->fileName, record->filePath.section('/', -1));
        }
        EXPECT_EQ(scan.found(category).bytes, bytes);
        total += scan.found(category).files.size();
    }
    EXPECT_EQ(scan.totalFileNumber(), total);
    EXPECT_EQ(sink.values, (std::vector<float>{0.2f, 0.4f, 0.6f, 0.8f}));
}

TEST_F(SystemBoostTest, EditedPhotoNamesAreTakenByTheirExactEnding) {
    EXPECT_TRUE(clean::isEditedPhotoName("a.jpg"));
    EXPECT_TRUE(clean::isEditedPhotoName("a.jpeg"));
    EXPECT_TRUE(clean::isEditedPhotoName("a.png"));
    EXPECT_FALSE(clean::isEditedPhotoName("a.JPG"));
    EXPECT_FALSE(clean::isEditedPhotoName("Adjustments.plist"));
}

TEST_F(SystemBoostTest, PageListsRemovesAndExportsFilesOfTheSampleDevice) {
    const std::string device = sampleDevice();
    const int id = attachAndWait(device);
    makePage(connected.back());
    scan();
    EXPECT_FALSE(page->systemlogPathlab->isVisible());
    for (BoostCategory category : clean::kBoostCategories) {
        EXPECT_TRUE(page->sizeLabelOf(category)->isVisible());
        EXPECT_TRUE(page->buttonOf(category)->isEnabled());
        EXPECT_EQ(page->sizeLabelOf(category)->text().toStdString(), sizeText(page->sizeOf(category)));
    }
    testsupport::saveScreenshot(page->view(), "boost-sample-main");

    // The downloads list; removing the third row selects the second, removing the first none.
    page->downloadtempButton->click();
    EXPECT_TRUE(page->ResultView->isVisible());
    ASSERT_EQ(page->systemBoostcontroller->rowCount(), 3);
    const QStringList before = column(page->systemBoostcontroller, 2);
    const uint64_t bytesBefore = page->downloadtempFileSizeNumber;
    select(2);
    testsupport::saveScreenshot(page->view(), "boost-sample-list");
    const uint64_t third = page->downloadTempArray[2]->fileSizeNumber;
    page->RemoveOneFileAction();
    page->RemoveOneFileAction();  // pressed twice: one removal
    waitForJobs();
    EXPECT_FALSE(fs::exists(device + "/media" + before[2].toStdString()));
    EXPECT_EQ(column(page->systemBoostcontroller, 2), before.mid(0, 2));
    EXPECT_EQ(selectedRows(), QList<int>{1});
    EXPECT_EQ(page->downloadtempFileSizeNumber, bytesBefore - third);
    EXPECT_EQ(page->downloadtempFileSizelab->text().toStdString(), sizeText(bytesBefore - third));
    select(0);
    page->RemoveOneFileAction();
    waitForJobs();
    EXPECT_EQ(column(page->systemBoostcontroller, 2), before.mid(1, 1));
    EXPECT_TRUE(selectedRows().isEmpty());
    // Each removal asked first, with Cancel for Enter.
    EXPECT_EQ(responder.alerts,
              QStringList(2, "Are you sure you want to permanently delete the selected file(s) from your device?"));
    EXPECT_EQ(responder.enterPresses, QStringList(2, "Cancel"));

    // A removal the device refuses (the file became a folder with content) or cannot start
    // leaves the row and its bytes, and says so once.
    const uint64_t left = page->downloadtempFileSizeNumber;
    const std::string last = device + "/media" + before[1].toStdString();
    fs::remove(last);
    devicetest::writeFile(last + "/inside", "x");
    select(0);
    page->RemoveOneFileAction();
    waitForJobs();
    EXPECT_EQ(page->systemBoostcontroller->rowCount(), 1);
    EXPECT_EQ(page->downloadtempFileSizeNumber, left);
    EXPECT_EQ(responder.alerts.size(), 4);  // the question, then the refusal
    simdevice::failCall(id, "AFCConnectionOpen", 1);
    page->RemoveOneFileAction();
    waitForJobs();
    EXPECT_EQ(page->systemBoostcontroller->rowCount(), 1);
    EXPECT_EQ(page->downloadtempFileSizeNumber, left);
    EXPECT_EQ(responder.alerts.size(), 6);
    simdevice::failCall(id, "AFCConnectionOpen", 0);

    // A crash log is exported into the export folder, which is made when missing.
    page->BackAction();
    page->ClickSystemLogAction();
    select(0);
    const std::string log = page->systemLogArray[0]->fileName.toStdString();
    page->ExportOneFileAction();
    waitForJobs();
    EXPECT_EQ(devicetest::readFile(exportFolder + "/" + log), devicetest::readFile(device + "/crashreports/" + log));
    EXPECT_EQ(shown, QStringList{QString::fromStdString(exportFolder)});
    // Exporting copies; the log stays on the device and in the list.
    EXPECT_TRUE(fs::exists(device + "/crashreports/" + log));
    EXPECT_EQ(page->systemBoostcontroller->rowCount(), int(page->systemLogArray.size()));
}

TEST_F(SystemBoostTest, RemoveAllEmptiesTheCategoriesOnTheDevice) {
    const std::string device = sampleDevice();
    attachAndWait(device);
    makePage(connected.back());
    scan();
    const uint64_t files = page->totalFileNumber;
    EXPECT_TRUE(page->removeMessage().startsWith(QString::number(files) + " files will be cleaned up and "));
    // The second press of a double-click on "Scan" comes before the results have settled: the
    // button, now "Remove All", takes it as nothing.
    pressScanButton();
    EXPECT_FALSE(page->isRemoving());
    EXPECT_TRUE(responder.alerts.isEmpty());
    letTheResultsSettle();
    pressScanButton();  // the button now removes everything
    ASSERT_TRUE(testsupport::waitUntil([this] { return page->scanButton->imageName() == "doneNom.png"; }));
    waitForJobs();

    EXPECT_TRUE(filesUnder(device, "/Downloads").empty());
    EXPECT_TRUE(filesUnder(device, "/general_storage").empty());
    EXPECT_TRUE(filesUnder(device, "/iTunes_Control/Sync/Media").empty());
    // Edits the scan did not take are still there.
    const auto edits = filesUnder(device, "/PhotoData/Mutations/DCIM");
    EXPECT_EQ(edits.size(), 2u);
    for (const auto& [path, size] : edits) EXPECT_FALSE(path.ends_with(".jpg")) << path;
    for (const auto& entry : fs::directory_iterator(device + "/crashreports"))
        EXPECT_EQ(entry.path().filename().string().find('.'), std::string::npos) << entry.path();

    EXPECT_EQ(page->totalFileNumber, 0u);
    for (BoostCategory category : clean::kBoostCategories) {
        EXPECT_EQ(page->sizeLabelOf(category)->text().toStdString(), sizeText(0));
        EXPECT_FALSE(page->buttonOf(category)->isEnabled());
    }
    EXPECT_EQ(page->removeProgress->value(), 100);
    EXPECT_FALSE(page->removeWindow->isVisible());
    ASSERT_EQ(responder.alerts.size(), 1);  // the question before the removal, Enter for Cancel
    EXPECT_TRUE(responder.alerts[0].startsWith(QString::number(files) + " files will be cleaned up and "));
    EXPECT_EQ(responder.enterPresses, QStringList{"Cancel"});
    // The window says what went.
    const auto* line = page->view()->window()->findChild<ActionResultLine*>();
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().startsWith(QString::number(files) + " files removed, ")) << line->text().toStdString();
    EXPECT_TRUE(line->text().endsWith(" freed")) << line->text().toStdString();
    // Spent: a further press does nothing.
    pressScanButton();
    EXPECT_FALSE(page->isRemoving());
}

TEST_F(SystemBoostTest, RemoveAllKeepsWhatTheDeviceRefused) {
    const std::string folder = deviceFolder("small");
    devicetest::writeFile(folder + "/media/Downloads/a.bin", std::string(1000, 'a'));
    devicetest::writeFile(folder + "/media/Downloads/b.bin", std::string(2000, 'b'));
    devicetest::writeFile(folder + "/media/general_storage/c.bin", std::string(3000, 'c'));
    devicetest::writeFile(folder + "/media/general_storage/d.bin", std::string(4000, 'd'));
    fs::remove_all(folder + "/crashreports");
    fs::create_directories(folder + "/crashreports");
    attachAndWait(folder);
    makePage(connected.back());
    scan();
    ASSERT_EQ(page->totalFileNumber, 4u);
    // The device refuses to remove d.bin: it became a folder with content.
    fs::remove(folder + "/media/general_storage/d.bin");
    devicetest::writeFile(folder + "/media/general_storage/d.bin/inside", "x");
    page->RemoveAllFilesAction();
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page->isRemoving(); }));
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(page->totalFileNumber, 1u);
    EXPECT_TRUE(filesUnder(folder, "/Downloads").empty());
    EXPECT_EQ(filesUnder(folder, "/general_storage"),
              (std::map<std::string, uint64_t>{{"/general_storage/d.bin/inside", 1}}));
    EXPECT_EQ(page->userStorageFileSizeNumber, 4000u);
    EXPECT_EQ(page->userStorageFileSizelab->text().toStdString(), sizeText(4000));
    EXPECT_TRUE(page->userStorageButton->isEnabled());
    EXPECT_EQ(page->downloadtempFileSizelab->text().toStdString(), sizeText(0));
    EXPECT_EQ(responder.alerts.size(), 2);  // the question, then the refusal
    EXPECT_EQ(page->removeProgress->value(), 100);
}

TEST_F(SystemBoostTest, DeviceWithoutJunk) {
    const std::string folder = deviceFolder("clean");
    fs::remove_all(folder + "/crashreports");
    fs::create_directories(folder + "/crashreports");
    attachAndWait(folder);
    makePage(connected.back());
    scan();
    for (BoostCategory category : clean::kBoostCategories) {
        EXPECT_EQ(page->sizeLabelOf(category)->text().toStdString(), sizeText(0));
        EXPECT_FALSE(page->buttonOf(category)->isEnabled());
    }
    letTheResultsSettle();
    pressScanButton();
    ASSERT_TRUE(testsupport::waitUntil(
        [this] { return !page->isRemoving() && page->scanButton->imageName() == "doneNom.png"; }));
    EXPECT_TRUE(page->removeFileInfolab->text().startsWith("<span style=\"color:#f83634\">0</span> files"));
    EXPECT_TRUE(responder.alerts.isEmpty());
}

TEST_F(SystemBoostTest, ScanOfAPulledDeviceStillFinishes) {
    const std::string folder = deviceFolder("pulled");
    for (int i = 0; i < 300; ++i) devicetest::writeFile(folder + "/media/Downloads/d" + std::to_string(i), "x");
    const int id = attachAndWait(folder);
    makePage(connected.back());
    pressScanButton();
    simdevice::detach(id);
    // The scan ends, and what it found went with the device: the panel is ready for the next one.
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page->isScanning(); }, std::chrono::seconds(60)));
    EXPECT_TRUE(testsupport::waitForWorkers());
    EXPECT_FALSE(page->isScanFinished());
    EXPECT_TRUE(page->downloadTempArray.empty());
}

}  // namespace
