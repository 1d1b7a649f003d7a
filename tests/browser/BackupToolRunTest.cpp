// The backup-tool run against the real tool and the sample device, and against stand-ins that
// fail, write nothing or take their time.
#include "BackupToolFixture.h"
#include "ToolStandIn.h"
#include "browser/core/BackupToolRun.h"
#include "model/PRIOSDeviceController.h"
#include "platform/Paths.h"

#include <QProcess>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <thread>

using browser::BackupRunResult;
using browser::BackupToolRun;
using browsertest::ToolStandIn;
namespace fs = std::filesystem;

namespace {

int backupDump(const std::string& folder, QByteArray* out = nullptr) {
    QProcess process;
    process.start(QString::fromStdString(paths::executableDirectory() + "/backup-dump"),
                  {QString::fromStdString(folder)});
    if (!process.waitForFinished(120000)) return -1;
    if (out) *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

class BackupRunTest : public backuptooltest::BackupToolTest {
protected:
    std::string scratch = testsupport::scratchDirectory("tools");
};

}  // namespace

TEST_F(BackupRunTest, SampleDeviceIntoTheITunesFolderIsListedAndReadWhole) {
    const BackupRunResult result = BackupToolRun::run(udid);
    ASSERT_TRUE(result.completed()) << result.message;
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.backupFolder, backupFolder());
    EXPECT_EQ(result.message, "The Backup operation has been completed");
    EXPECT_FALSE(BackupToolRun::isRunning(udid));

    PRIOSDeviceController browserList;
    browserList.addDeviceNodeByPath(backupFolder());
    EXPECT_EQ(browserList.arrangedObjects().size(), 1u);
    QByteArray dump;
    EXPECT_EQ(backupDump(backupFolder(), &dump), 0);
    EXPECT_TRUE(dump.contains("ScanContactInfo")) << dump.left(400).toStdString();
}

TEST_F(BackupRunTest, SampleDeviceIntoAChosenFolderCreatedFirstAndUsedAsTyped) {
    // A folder typed under the system's temporary folder is the user's, not the program's own
    // private one that the program's fixed "/tmp/..." paths map to.
    char made[] = "/tmp/qm-typed-XXXXXX";
    ASSERT_NE(::mkdtemp(made), nullptr);
    const std::string typed = std::string(made) + "/chosen";
    struct Removed {
        std::string folder;
        ~Removed() { fs::remove_all(folder); }
    } removed{made};
    const BackupRunResult result = BackupToolRun::run(udid, typed);
    ASSERT_TRUE(result.completed()) << result.message;
    const std::string expected = typed + "/" + udid;
    EXPECT_EQ(result.backupFolder, expected);
    EXPECT_TRUE(fs::is_regular_file(expected + "/Manifest.mbdb"));
    EXPECT_FALSE(fs::exists(backupFolder()));  // nothing went to the iTunes folder
    EXPECT_EQ(backupDump(expected), 0);
}

TEST_F(BackupRunTest, NoDeviceStartsNoTool) {
    const std::string calls = scratch + "/calls";
    ToolStandIn tool(scratch, "echo called >> '" + calls + "'");
    const BackupRunResult result = BackupToolRun::run("");
    EXPECT_EQ(result.status, BackupRunResult::Status::NoDevice);
    EXPECT_FALSE(result.completed());
    EXPECT_FALSE(fs::exists(calls));
    EXPECT_EQ(result.message.find("(null)"), std::string::npos);
}

TEST_F(BackupRunTest, FailuresCarryTheToolsMessage) {
    {
        ToolStandIn tool(scratch, "echo 'mobilebackup: the backup does not fit on the disk' >&2; exit 5");
        const BackupRunResult result = BackupToolRun::run(udid);
        EXPECT_EQ(result.status, BackupRunResult::Status::ToolFailed);
        EXPECT_EQ(result.exitStatus, 5);
        EXPECT_EQ(result.message, "The backup failed: mobilebackup: the backup does not fit on the disk");
    }
    {
        ToolStandIn tool(scratch + "/no such tool");
        const BackupRunResult result = BackupToolRun::run(udid);
        EXPECT_EQ(result.status, BackupRunResult::Status::ToolFailed);
        EXPECT_NE(result.message.find("could not be started"), std::string::npos) << result.message;
    }
    {
        // The real tool with a device it does not know.
        const BackupRunResult result = BackupToolRun::run("ffffffffffffffffffffffffffffffffffffffff");
        EXPECT_EQ(result.status, BackupRunResult::Status::ToolFailed);
        EXPECT_EQ(result.exitStatus, 3);
        EXPECT_NE(result.message.find("mobilebackup:"), std::string::npos) << result.message;
    }
}

TEST_F(BackupRunTest, SuccessWithoutABackupIsNoSuccess) {
    // An earlier backup stays where it was; a tool that exits 0 without writing is found out.
    ASSERT_TRUE(BackupToolRun::run(udid).completed());
    const auto old = fs::last_write_time(backupFolder() + "/Manifest.mbdb") - std::chrono::hours(1);
    fs::last_write_time(backupFolder() + "/Manifest.mbdb", old);
    ToolStandIn tool(scratch, "exit 0");
    const BackupRunResult result = BackupToolRun::run(udid);
    EXPECT_EQ(result.status, BackupRunResult::Status::NothingWritten);
    EXPECT_NE(result.message.find(backupFolder()), std::string::npos);
}

TEST_F(BackupRunTest, ASecondBackupOfTheDeviceWhileOneRunsIsRefused) {
    const std::string go = scratch + "/go";
    ToolStandIn tool(scratch, "while [ ! -e '" + go + "' ]; do sleep 0.02; done; exit 7");
    BackupRunResult first;
    std::thread running([&] { first = BackupToolRun::run(udid); });
    ASSERT_TRUE(testsupport::waitUntil([&] { return BackupToolRun::isRunning(udid); }));
    const BackupRunResult second = BackupToolRun::run(udid);
    EXPECT_EQ(second.status, BackupRunResult::Status::AlreadyRunning);
    backuptooltest::writeFile(go, "");
    running.join();
    EXPECT_EQ(first.exitStatus, 7);
    EXPECT_FALSE(BackupToolRun::isRunning(udid));
}
