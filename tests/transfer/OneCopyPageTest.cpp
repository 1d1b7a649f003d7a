// The one-click copy page with the sample device: a press runs the whole copy on a worker with
// busy rows and a summary, a second press meanwhile does nothing, the export folder is the one
// the preferences name when the copy starts, and a device that leaves ends the run with a message.
#include "DeviceFolder.h"
#include "MediaAreaWrapper.h"
#include "SampleDevice.h"
#include "appcore/AppState.h"
#include "device/DeviceManager.h"
#include "platform/NotificationCenter.h"
#include "platform/SimulatedDevices.h"
#include "platform/Workspace.h"
#include "transfer/PROneCopyViewController.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ButtonNotices.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

using transfer::OneCopyCategory;
using transfer::OneCopyRun;

namespace {

const char* const kSampleUdid = "5a1e7c0ffee5a1e7c0ffee0123456789abcdef01";

// The device's services, each copy taking a little while, so that a test can act mid-copy.
int slowCopy(amd::FileService& inner, const std::string& from, files::NewFile& into) {
    QThread::msleep(60);
    return inner.CopyToLocal(from, into);
}

class OneCopyPageTest : public devicetest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        workspace::setRecorder([this](workspace::Action action, const QString& path) {
            if (action == workspace::Action::ShowFolder) shownFolders << path;
        });
        exportA = QString::fromStdString(testsupport::scratchDirectory("exportA"));
        exportB = QString::fromStdString(testsupport::scratchDirectory("exportB"));
        state.setExportPath(exportA);
        state.setDeviceConnected(true);
        auto node = std::make_shared<PRiDeviceNode>();
        node->setUdidNumber(kSampleUdid);
        node->setDeviceName("Sample iPhone");
        state.setCurrentIDevicenode(node);
        AppState::setCurrent(&state);
        device = home.path() + "/sample";
        ASSERT_TRUE(sampledevice::write(device));
        simId = attachAndWait(device);
        page = std::make_unique<PROneCopyViewController>();
        host.resize(760, 460);
        page->showView(&host);
        page->setCopyIndex(connected.back());
        host.show();
    }
    void TearDown() override {
        page.reset();
        EXPECT_TRUE(testsupport::waitForWorkers());
        AppState::setCurrent(nullptr);
        workspace::setRecorder({});
        DeviceTest::TearDown();
    }
    void press() { notices::MyOneCopyButtonMouseDown.post(NSNotificationCenter::defaultCenter(), page->startScanBtn); }
    bool waitForCopies(int n) {
        return testsupport::waitUntil([&] { return page->copiesFinished() >= n; }, std::chrono::seconds(120));
    }
    const PROneCopyViewController::Row& row(OneCopyCategory c) const { return page->rows[size_t(c)]; }

    AppState state;
    std::string device;
    int simId = 0;
    QString exportA, exportB;
    QStringList shownFolders;
    QWidget host;
    std::unique_ptr<PROneCopyViewController> page;
};

}  // namespace

TEST_F(OneCopyPageTest, OnePressCopiesEverythingWithProgressAndASummary) {
    transfertest::MediaAreaWrapper slow(slowCopy);
    page->setServices(&slow);
    page->MusicAction();  // music off: the video switch alone copies the videos
    EXPECT_FALSE(row(OneCopyCategory::Music).checkBtn->isChecked());
    press();
    ASSERT_TRUE(page->copying());
    EXPECT_TRUE(page->theFalshView->isFlashing());
    EXPECT_TRUE(row(OneCopyCategory::CameraRoll).progress->isAnimating());
    EXPECT_TRUE(row(OneCopyCategory::Music).progress->isHidden());
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->progressText->text().startsWith("Copying"); }));
    press();  // a second press during the copy starts nothing
    testsupport::saveScreenshot(&host, "onecopy-during");

    ASSERT_TRUE(waitForCopies(1));
    testsupport::spinEventLoop(std::chrono::milliseconds(200));
    EXPECT_EQ(page->copiesFinished(), 1);
    EXPECT_FALSE(page->copying());
    EXPECT_FALSE(page->theFalshView->isFlashing());
    testsupport::saveScreenshot(&host, "onecopy-after");

    EXPECT_TRUE(page->bBackup);
    for (OneCopyCategory c : {OneCopyCategory::CameraRoll, OneCopyCategory::Contacts, OneCopyCategory::CallLogs})
        EXPECT_TRUE(row(c).okBtn->isVisibleTo(&host)) << OneCopyRun::categoryName(c);
    EXPECT_FALSE(row(OneCopyCategory::Music).okBtn->isVisibleTo(&host));
    EXPECT_FALSE(row(OneCopyCategory::Video).progress->isAnimating()) << "nothing keeps turning once the copy ended";
    EXPECT_TRUE(QFileInfo::exists(exportA + "/IMG_0001.JPG"));
    EXPECT_FALSE(QFileInfo::exists(exportA + "/Lanterns.wav"));
    EXPECT_TRUE(QFileInfo::exists(exportA + "/Note/Notes.txt"));
    const QString summary = page->summaryText->text();
    EXPECT_TRUE(summary.contains("media files copied")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("Contacts: ")) << summary.toStdString();
    EXPECT_EQ(shownFolders, QStringList{exportA});
}

TEST_F(OneCopyPageTest, TheExportFolderIsReadWhenEachCopyStarts) {
    for (int i = 0; i < transfer::kOneCopyCategoryCount; ++i)
        if (OneCopyCategory(i) != OneCopyCategory::CameraRoll) page->rows[size_t(i)].checkBtn->click();
    EXPECT_TRUE(page->enabled(OneCopyCategory::CameraRoll));
    EXPECT_FALSE(page->enabled(OneCopyCategory::Notes));
    press();
    ASSERT_TRUE(waitForCopies(1));
    EXPECT_TRUE(QFileInfo::exists(exportA + "/IMG_0001.JPG"));

    // Pressed again once the copy is done: nothing is copied twice, and the page says so.
    const QStringList copied = QDir(exportA).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    press();
    testsupport::spinEventLoop(std::chrono::milliseconds(300));
    EXPECT_FALSE(page->copying());
    EXPECT_EQ(page->copiesFinished(), 1);
    EXPECT_EQ(QDir(exportA).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), copied);
    const auto* line = host.findChild<ActionResultLine*>();
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->text().startsWith("The one-click copy is done")) << line->text().toStdString();

    // The preferences name another folder: the next copy, books included, goes there alone.
    state.setExportPath(exportB);
    QDir(exportA).removeRecursively();
    press();
    ASSERT_TRUE(waitForCopies(2));
    EXPECT_TRUE(QFileInfo::exists(exportB + "/IMG_0001.JPG"));
    EXPECT_TRUE(QDir(exportB + "/Books/Purchases").exists());
    EXPECT_FALSE(QFileInfo::exists(exportA));
    EXPECT_EQ(page->bookExportPath, exportB);
    EXPECT_EQ(shownFolders, (QStringList{exportA, exportB}));
}

TEST_F(OneCopyPageTest, ADeviceThatLeavesMidCopyEndsTheRunWithAMessage) {
    transfertest::MediaAreaWrapper slow(slowCopy);
    page->setServices(&slow);
    press();
    ASSERT_TRUE(testsupport::waitUntil([&] { return QDir(exportA).entryList(QDir::Files).size() >= 2; }));
    state.setDeviceConnected(false);
    detachAndWait(simId);
    ASSERT_TRUE(waitForCopies(1));
    EXPECT_FALSE(page->copying());
    EXPECT_TRUE(page->lastSummary().deviceLeft);
    EXPECT_TRUE(page->summaryText->text().contains("disconnected")) << page->summaryText->text().toStdString();
    EXPECT_FALSE(QDir(exportA + "/Books").exists());
    EXPECT_FALSE(row(OneCopyCategory::CameraRoll).okBtn->isVisibleTo(&host));
    EXPECT_TRUE(shownFolders.isEmpty());
}

// A device that leaves in the copy's first moments, before the watcher has looked again (the
// application still counts it as connected): the copy asks the device itself before it ends, and
// says it did not complete, naming what arrived and what did not. Once the device is back the
// page shows where that copy stands.
TEST_F(OneCopyPageTest, ACopyCutShortInItsFirstSecondSaysSo) {
    std::atomic<int> copies{0};
    transfertest::MediaAreaWrapper leaving([&](amd::FileService& inner, const std::string& from, files::NewFile& into) {
        if (++copies == 3) simdevice::detach(simId);
        return inner.CopyToLocal(from, into);
    });
    page->setServices(&leaving);
    page->MusicAction();  // the sample library names a track whose file is gone: left out here
    press();
    ASSERT_TRUE(waitForCopies(1));
    const transfer::OneCopySummary& summary = page->lastSummary();
    EXPECT_TRUE(summary.deviceLeft);
    EXPECT_FALSE(summary.complete());
    const auto* line = host.findChild<ActionResultLine*>();
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->text().startsWith("The one-click copy did not complete: the device was disconnected"))
        << line->text().toStdString();
    EXPECT_FALSE(line->text().contains("is done"));
    const QString said = page->summaryText->text();
    EXPECT_TRUE(said.contains("media files copied")) << said.toStdString();
    EXPECT_TRUE(said.contains("Not copied: ")) << said.toStdString();
    EXPECT_TRUE(said.contains("Contacts")) << said.toStdString();
    EXPECT_TRUE(shownFolders.isEmpty()) << "a copy cut short is not shown as a whole one";

    // The device comes back: the page is not blank, it shows that copy's outcome.
    state.setDeviceConnected(false);
    testsupport::waitUntil([] { return amd::DeviceManager::Instance()->DeviceCount() == 0; });
    page->summaryText->clear();
    simId = attachAndWait(device);
    state.setDeviceConnected(true);
    page->setCopyIndex(connected.back());
    EXPECT_EQ(page->summaryText->text(), said);
    // Pressed again, the copy runs (it was not done), keeping what arrived the first time.
    page->setServices(nullptr);
    press();
    ASSERT_TRUE(waitForCopies(2));
    EXPECT_TRUE(page->lastSummary().complete()) << page->lastSummary().lines().join("\n").toStdString();
    EXPECT_TRUE(line->text().startsWith("The one-click copy is done")) << line->text().toStdString();
}
