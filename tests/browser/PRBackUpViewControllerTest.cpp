// The backup page inside the launched application: its three states, where the backup goes,
// what the user reads and hears at the end, and a device that leaves while the tool runs.
#include "AppFixture.h"
#include "BackupToolFixture.h"
#include "ToolStandIn.h"
#include "browser/PRBackUpViewController.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

using browsertest::ToolStandIn;
namespace fs = std::filesystem;

namespace {

class BackupPageTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        page = app->GetBackupDeviceController();
        page->speak = [this](const QString& text) {
            spoken << text;
            return false;  // as on a machine without a voice
        };
    }
    void attachDevice() {
        deviceId = attach(spec);
        window()->resize(1000, 680);
    }
    QWidget* window() const { return app->window(); }
    std::string iTunesBackup() const {
        return paths::userPath("Library/Application Support/MobileSync/Backup") + "/" + spec.udid;
    }
    // Presses the button and waits for the finished state.
    void backUp() {
        page->backupBtn->click();
        ASSERT_TRUE(testsupport::waitUntil([this] { return !page->backupRunning(); }, std::chrono::seconds(60)));
    }
    bool shows(QWidget* state) const {
        return state->isVisibleTo(page->mainShowView) && !page->mainShowView->isHidden();
    }

    PRBackUpViewController* page = nullptr;
    devicetest::DeviceSpec spec;
    int deviceId = 0;
    QStringList spoken;
    std::string scratch = testsupport::scratchDirectory("tools");
};

}  // namespace

TEST_F(BackupPageTest, BacksUpIntoTheITunesFolderAndTheBrowserListsIt) {
    attachDevice();
    app->ClickBackupAction(nullptr);
    EXPECT_TRUE(shows(page->startBackupView));
    EXPECT_FALSE(shows(page->BackupingView));
    EXPECT_EQ(page->backupLocationlab->text(), PRBackUpViewController::defaultLocation());
    EXPECT_TRUE(page->backupLocationlab->isReadOnly());
    testsupport::saveScreenshot(window(), "backup-page-start");

    backUp();
    EXPECT_TRUE(shows(page->finishBackupView));
    EXPECT_FALSE(shows(page->startBackupView));
    EXPECT_TRUE(page->backupfinishlab->text().startsWith("The Backup operation has been completed"));
    EXPECT_TRUE(page->backupfinishlab->text().contains(QString::fromStdString(iTunesBackup())));
    EXPECT_EQ(spoken, QStringList{"The Backup operation has been completed"});
    EXPECT_TRUE(fs::is_regular_file(iTunesBackup() + "/Manifest.mbdb"));
    testsupport::saveScreenshot(window(), "backup-page-finished");

    page->browseBackupBtn->click();
    ASSERT_EQ(app->GetPRIOSDeviceController()->arrangedObjects().size(), 1u);

    // A new visit starts over with the default location.
    page->ChangeBackupLocation(nullptr);
    page->backupLocationlab->setText("/somewhere/else");
    app->ClickBackupAction(nullptr);
    EXPECT_TRUE(shows(page->startBackupView));
    EXPECT_EQ(page->backupLocationlab->text(), PRBackUpViewController::defaultLocation());
    EXPECT_TRUE(page->backupLocationlab->isReadOnly());
}

TEST_F(BackupPageTest, ATypedFolderIsWhereTheBackupGoes) {
    attachDevice();
    app->ClickBackupAction(nullptr);
    page->backupMatrix->button(1)->click();
    EXPECT_FALSE(page->backupLocationlab->isReadOnly());
    const std::string chosen = testsupport::scratchDirectory("chosen") + "/nested";
    page->backupLocationlab->setText(QString::fromStdString(chosen));
    backUp();
    EXPECT_TRUE(page->backupfinishlab->text().startsWith("The Backup operation has been completed"));
    EXPECT_TRUE(fs::is_regular_file(chosen + "/" + spec.udid + "/Manifest.mbdb"));
    EXPECT_FALSE(fs::exists(iTunesBackup()));

    // A relative path is refused before anything runs.
    app->ClickBackupAction(nullptr);
    page->backupMatrix->button(1)->click();
    page->backupLocationlab->setText("relative/folder");
    page->backupBtn->click();
    EXPECT_TRUE(shows(page->finishBackupView));
    EXPECT_TRUE(page->backupfinishlab->text().contains("full path"));
    EXPECT_FALSE(fs::exists("relative"));
}

TEST_F(BackupPageTest, AFailingToolIsReportedWithItsMessage) {
    attachDevice();
    ToolStandIn tool(scratch, "echo 'mobilebackup: the device does not trust this computer' >&2; exit 1");
    app->ClickBackupAction(nullptr);
    backUp();
    EXPECT_TRUE(shows(page->finishBackupView));
    EXPECT_EQ(page->backupfinishlab->text(),
              "The backup failed: mobilebackup: the device does not trust this computer");
    EXPECT_EQ(spoken, QStringList{"The Backup operation has failed"});
}

TEST_F(BackupPageTest, BackingUpStateAndADeviceThatLeavesMidBackup) {
    attachDevice();
    const std::string started = scratch + "/started", go = scratch + "/go", calls = scratch + "/calls";
    ToolStandIn tool(scratch, "echo \"$@\" >> '" + calls + "'; touch '" + started +
                                  "'; "
                                  "while [ ! -e '" +
                                  go +
                                  "' ]; do sleep 0.02; done; "
                                  "echo 'mobilebackup: the device was disconnected' >&2; exit 1");
    app->ClickBackupAction(nullptr);
    page->backupBtn->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return fs::exists(started); }));
    EXPECT_TRUE(page->backupRunning());
    EXPECT_TRUE(shows(page->BackupingView));
    EXPECT_FALSE(shows(page->startBackupView));
    EXPECT_EQ(page->backupProgresser->maximum(), 0);  // animating
    testsupport::saveScreenshot(window(), "backup-page-backing-up");

    // Leaving and coming back keeps the running backup in view; pressing again starts nothing.
    app->ClickBackupAction(nullptr);
    EXPECT_TRUE(shows(page->BackupingView));
    page->BackupAction(nullptr);

    detach(deviceId);
    backuptooltest::writeFile(go, "");
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page->backupRunning(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(shows(page->finishBackupView));
    EXPECT_EQ(page->backupfinishlab->text(), "The backup failed: mobilebackup: the device was disconnected");
    EXPECT_EQ(backuptooltest::readFile(calls), "--backup --target " + spec.udid + "\n");

    // With the device gone the tool is not started at all, and no "(null)" target appears.
    page->BackupAction(nullptr);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page->backupRunning(); }));
    EXPECT_EQ(page->backupfinishlab->text(), "No device is connected.");
    EXPECT_EQ(backuptooltest::readFile(calls), "--backup --target " + spec.udid + "\n");
}

TEST_F(BackupPageTest, WithTheDesktopVoiceTheRunStillFinishes) {
    // The application's own voice: on a machine without audio the engine fails, and the message
    // stays on the page.
    PRBackUpViewController fresh;
    fresh.deviceIdentifier = [] { return QString(); };
    QWidget host;
    fresh.showView(&host);
    fresh.BackupAction(nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !fresh.backupRunning(); }));
    EXPECT_FALSE(fresh.finishBackupView->isHidden());
    EXPECT_EQ(fresh.backupfinishlab->text(), "No device is connected.");
    testsupport::spinEventLoop(std::chrono::milliseconds(300));
}
