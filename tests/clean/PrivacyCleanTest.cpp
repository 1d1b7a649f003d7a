// The call-history clean of the sample device through the backup tool: the calls leave the
// device and stay in the private copy; a failing step leaves the device and the earlier backup
// as they were and says why.
#include "SampleDatabases.h"
#include "SampleDevice.h"
#include "TestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/ManifestWriter.h"
#include "backup/SHAH.h"
#include "clean/PRPrivacyController.h"
#include "platform/BackupTool.h"
#include "platform/CoreFoundation.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sqlite3.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using clean::PrivacyCleanOutcome;
using clean::PrivacyCleanRun;
using Kind = PrivacyCleanOutcome::Kind;

namespace {

int callRows(const std::string& path) {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "select count(*) from call", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Responder : DialogResponder {
    int answerAlert(const AlertRequest& request) override {
        alerts << request.messageText + ": " + request.informativeText;
        return NSAlertFirstButtonReturn;
    }
    QStringList answerPanel(const PanelRequest&) override { return {}; }
    QStringList alerts;
};

class PrivacyCleanTest : public testsupport::HomeTest {
protected:
    void SetUp() override {
        device = testsupport::scratchDirectory("device");
        std::string error;
        ASSERT_TRUE(sampledevice::write(device, nullptr, &error)) << error;
        ASSERT_GT(simdevice::attach(device, &error), 0) << error;
        CFHolder<CFPropertyListRef> values(CFPropertyListCreateFromFile(device + "/lockdown/values.plist"));
        udid = CFStringGetStdString(static_cast<CFStringRef>(
            CFDictionaryGetValue(static_cast<CFDictionaryRef>(values.get()), "UniqueDeviceID")));
        calls = int(sampledevice::homeData().calls.size());
        ASSERT_EQ(callRows(deviceCalls()), calls);
        dialogs::setResponder(&responder);
    }
    void TearDown() override {
        testsupport::waitForWorkers();
        dialogs::setResponder(nullptr);
        simdevice::detachAll();
    }
    std::string deviceCalls() const { return device + "/wireless/Library/CallHistory/call_history.db"; }
    std::string backup() const { return PrivacyCleanRun::backupFolderOf(udid); }
    std::string backupCalls() const { return backup() + "/" + backupkeys::callHistory; }
    std::string copy() const { return PrivacyCleanRun::copyFolderOf(udid); }

    // A run whose restores are counted.
    PrivacyCleanRun::Tool countingTool() {
        PrivacyCleanRun::Tool tool;
        tool.restore = [this](const std::string& id, std::string* message) {
            ++restores;
            return backuptool::restoreDevice(id, message);
        };
        return tool;
    }
    // An earlier backup, and what must stay as it is.
    void makeEarlierBackup() {
        ASSERT_EQ(backuptool::backupDevice(udid), 0);
        manifest = readFile(backup() + "/Manifest.mbdb");
        callDatabase = readFile(backupCalls());
        ASSERT_FALSE(manifest.empty());
        ASSERT_FALSE(callDatabase.empty());
    }
    void expectUntouched() {
        EXPECT_EQ(restores, 0);
        EXPECT_EQ(callRows(deviceCalls()), calls);
        EXPECT_EQ(readFile(backup() + "/Manifest.mbdb"), manifest);
        EXPECT_EQ(readFile(backupCalls()), callDatabase);
    }

    std::string device, udid;
    int calls = 0;
    int restores = 0;
    std::string manifest, callDatabase;
    Responder responder;
};

TEST_F(PrivacyCleanTest, CleanEmptiesTheDeviceCallHistoryAndKeepsThemInThePrivateCopy) {
    // An older copy is replaced whole.
    fs::create_directories(copy());
    std::ofstream(copy() + "/left from before") << "old";

    PRPrivacyController page;
    page.deviceIdentifier = [this] { return QString::fromStdString(udid); };
    page.view()->resize(700, 420);
    page.view()->show();
    ASSERT_TRUE(page.StartPrivacyClean());
    EXPECT_FALSE(page.cleanButton->isEnabled());
    EXPECT_FALSE(page.StartPrivacyClean()) << "a second clean while one runs";
    EXPECT_EQ(page.statusText(), "A privacy clean is already running.");
    ASSERT_TRUE(testsupport::waitUntil([] { return !PRPrivacyController::isCleaning(); }, std::chrono::seconds(120)));
    ASSERT_TRUE(testsupport::waitForWorkers());
    testsupport::spinEventLoop(std::chrono::milliseconds(50));

    EXPECT_TRUE(page.lastOutcome().finished()) << page.statusText().toStdString();
    EXPECT_EQ(page.statusText(), "The call history has been cleaned.");
    EXPECT_EQ(page.statusLabel->text(), page.statusText());
    EXPECT_TRUE(page.cleanButton->isEnabled());
    ASSERT_EQ(responder.alerts.size(), 2);
    EXPECT_TRUE(responder.alerts[0].startsWith("The device will be backed up and restored"));
    EXPECT_EQ(responder.alerts[1], "Privacy clean finished: The call history has been cleaned.");
    testsupport::saveScreenshot(page.view(), "privacy-finished");

    EXPECT_EQ(callRows(deviceCalls()), 0);
    EXPECT_EQ(callRows(backupCalls()), 0);
    EXPECT_EQ(callRows(copy() + "/" + backupkeys::callHistory), calls);
    EXPECT_FALSE(fs::exists(copy() + "/left from before"));
    struct stat info {};
    ASSERT_EQ(::stat(paths::resolve("/tmp/Backup").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(paths::resolve("/tmp/Backup").rfind(paths::privateTempDirectory(), 0), 0u);
}

TEST_F(PrivacyCleanTest, AFailingBackupToolLeavesTheDeviceAndTheEarlierBackupAsTheyWere) {
    makeEarlierBackup();

    // The tool exits with an error: the device does not trust this computer.
    std::ofstream(device + "/pairing.plist")
        << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Paired</key><false/>"
           "<key>Trusted</key><false/></dict></plist>";
    PrivacyCleanOutcome outcome = PrivacyCleanRun(udid, countingTool()).run();
    EXPECT_EQ(outcome.kind, Kind::BackupFailed);
    EXPECT_NE(outcome.toolStatus, 0);
    EXPECT_TRUE(outcome.message().contains("could not be backed up")) << outcome.message().toStdString();
    expectUntouched();
    EXPECT_FALSE(fs::exists(copy()));
    fs::remove(device + "/pairing.plist");

    // The tool exits 0 but writes nothing: the earlier backup must not be taken for a new one.
    const QByteArray previous = qgetenv(backuptool::kLaunchPathVariable);
    qputenv(backuptool::kLaunchPathVariable, "/bin/true");
    outcome = PrivacyCleanRun(udid, countingTool()).run();
    qputenv(backuptool::kLaunchPathVariable, previous);
    EXPECT_EQ(outcome.kind, Kind::NoNewBackup);
    EXPECT_EQ(outcome.message(), "The backup tool wrote no new backup of the device. Nothing was changed.");
    expectUntouched();
    EXPECT_FALSE(fs::exists(copy()));

    // Nor is a missing backup.
    fs::remove_all(backup());
    PrivacyCleanRun::Tool nothing = countingTool();
    nothing.backup = [](const std::string&) { return 0; };
    EXPECT_EQ(PrivacyCleanRun(udid, nothing).run().kind, Kind::NoNewBackup);
    EXPECT_EQ(restores, 0);
    EXPECT_EQ(callRows(deviceCalls()), calls);
}

TEST_F(PrivacyCleanTest, TheDeviceIsRestoredOnlyAfterTheCallsWereDeleted) {
    // A backup whose call history cannot be changed (here: damaged by the time it is read).
    PrivacyCleanRun::Tool tool = countingTool();
    tool.backup = [this](const std::string& id) {
        const int status = backuptool::backupDevice(id);
        std::ofstream(backupCalls(), std::ios::trunc) << std::string(8192, 'x');
        return status;
    };
    PrivacyCleanOutcome outcome = PrivacyCleanRun(udid, tool).run();
    EXPECT_EQ(outcome.kind, Kind::DeleteFailed);
    EXPECT_TRUE(outcome.message().contains("was not restored")) << outcome.message().toStdString();
    EXPECT_EQ(restores, 0);
    EXPECT_EQ(callRows(deviceCalls()), calls);

    // A backup without a call history: nothing to clean, nothing restored.
    tool.backup = [this](const std::string& id) {
        const int status = backuptool::backupDevice(id);
        fs::remove(backupCalls());
        return status;
    };
    EXPECT_EQ(PrivacyCleanRun(udid, tool).run().kind, Kind::NoCallHistory);
    EXPECT_EQ(restores, 0);
    EXPECT_EQ(callRows(deviceCalls()), calls);
}

TEST_F(PrivacyCleanTest, ARestoreThatFailsIsReportedWithTheToolStatus) {
    PrivacyCleanRun::Tool tool;
    tool.restore = [](const std::string&, std::string*) { return 4; };
    PrivacyCleanOutcome outcome = PrivacyCleanRun(udid, tool).run();
    EXPECT_EQ(outcome.kind, Kind::RestoreFailed);
    EXPECT_TRUE(outcome.message().contains("status 4")) << outcome.message().toStdString();
    EXPECT_EQ(callRows(deviceCalls()), calls);
    EXPECT_EQ(callRows(copy() + "/" + backupkeys::callHistory), calls);

    // A restore that leaves out a record of the backup is no success either: the tool's words
    // tell which record.
    tool = countingTool();
    tool.backup = [this](const std::string& id) {
        const int status = backuptool::backupDevice(id);
        ManifestEntry climbing;
        climbing.domain = "HomeDomain";
        climbing.path = "../outside.txt";
        std::ofstream(backup() + "/" + backupFileKey(climbing.domain, climbing.path)) << "evil";
        return appendManifestRecords(backup() + "/Manifest.mbdb", {climbing}) ? status : -1;
    };
    outcome = PrivacyCleanRun(udid, tool).run();
    EXPECT_EQ(outcome.kind, Kind::RestoreIncomplete);
    EXPECT_FALSE(outcome.finished());
    EXPECT_EQ(outcome.message(),
              "The device was restored from the cleaned backup, but not whole (the backup tool ended with status 6: "
              "mobilebackup: the restore left out 1 record of the backup; the first: HomeDomain-../outside.txt: its "
              "path climbs out of its folder).");
    EXPECT_FALSE(fs::exists(device + "/outside.txt"));
}

TEST_F(PrivacyCleanTest, PageTellsWhyItStopped) {
    PRPrivacyController page;
    page.deviceIdentifier = [] { return QString(); };
    EXPECT_FALSE(page.StartPrivacyClean());
    EXPECT_EQ(page.statusText(), "No device is connected. Nothing was changed.");
    // Identifiers that are no plain folder name never reach the tool or a path.
    EXPECT_EQ(PrivacyCleanRun("../x").run().kind, Kind::NoDevice);

    page.deviceIdentifier = [this] { return QString::fromStdString(udid); };
    page.backupTool.backup = [](const std::string&) { return 3; };
    page.view()->resize(700, 420);
    ASSERT_TRUE(page.StartPrivacyClean());
    ASSERT_TRUE(testsupport::waitUntil([] { return !PRPrivacyController::isCleaning(); }));
    ASSERT_TRUE(testsupport::waitForWorkers());
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    EXPECT_EQ(page.lastOutcome().kind, Kind::BackupFailed);
    EXPECT_EQ(page.statusLabel->text(),
              "The device could not be backed up (the backup tool ended with status 3). Nothing was changed.");
    ASSERT_EQ(responder.alerts.size(), 2);
    EXPECT_TRUE(responder.alerts[1].startsWith("Privacy clean stopped: "));
    testsupport::saveScreenshot(page.view(), "privacy-stopped");
    EXPECT_EQ(callRows(deviceCalls()), calls);
}

}  // namespace
