// A backup that cannot be made fails with a non-zero status and one line, and leaves the
// earlier backup exactly as it was.
#include "BackupToolFixture.h"
#include "platform/Paths.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <gtest/gtest.h>

using namespace backuptooltest;

namespace {

class EarlierBackup : public BackupToolTest {
protected:
    void SetUp() override {
        BackupToolTest::SetUp();
        ASSERT_EQ(runTool({"--backup", "--target", udid}).exitCode, 0);
        manifest = readFile(backupFolder() + "/Manifest.mbdb");
        names = folderNames(backupFolder());
        ASSERT_FALSE(manifest.empty());
    }
    void expectEarlierBackupIntact() {
        EXPECT_EQ(readFile(backupFolder() + "/Manifest.mbdb"), manifest);
        EXPECT_EQ(folderNames(backupFolder()), names);
        EXPECT_EQ(folderNames(iTunesFolder()), std::vector<std::string>{udid});  // no work folder left
    }
    static void expectOneLine(const ToolRun& run) {
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(std::count(run.error.begin(), run.error.end(), '\n'), 1) << run.error;
    }
    std::string manifest;
    std::vector<std::string> names;
};

}  // namespace

TEST_F(EarlierBackup, UnknownDevice) {
    const ToolRun run = runTool({"--backup", "--target", "ffffffffffffffffffffffffffffffffffffffff"});
    EXPECT_EQ(run.exitCode, 3);
    expectOneLine(run);
    expectEarlierBackupIntact();
}

TEST_F(EarlierBackup, DeviceThatDoesNotTrustThisComputer) {
    writeFile(device + "/pairing.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Paired</key><false/>"
              "<key>Trusted</key><false/></dict></plist>");
    const ToolRun run = runTool({"--backup", "--target", udid});
    expectOneLine(run);
    expectEarlierBackupIntact();
}

TEST_F(EarlierBackup, WriteFailingHalfway) {
    // A file-size limit makes the copy of the first larger photo fail after smaller files
    // were already written into the work folder. The tool is not killed by the limit's signal:
    // it says what happened.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUILLOMATRIX_SIMULATED_DEVICES", QString::fromStdString(device));
    process.setProcessEnvironment(environment);
    const QString tool = QString::fromStdString(paths::executableDirectory() + "/mobilebackup");
    process.start("/bin/sh",
                  {"-c", "ulimit -f 8; exec \"$0\" --backup --target \"$1\"", tool, QString::fromStdString(udid)});
    ASSERT_TRUE(process.waitForFinished(120000));
    const ToolRun run{process.exitCode(), process.readAllStandardError().toStdString()};
    EXPECT_EQ(run.exitCode, 1) << run.error;
    EXPECT_NE(run.error.find("File too large"), std::string::npos) << run.error;
    expectOneLine(run);
    expectEarlierBackupIntact();
}

TEST_F(EarlierBackup, TargetThatCannotHoldFolders) {
    const std::string root = testsupport::scratchDirectory("root");
    writeFile(root + "/blocked", "a file where the folder should be");
    const ToolRun run = runTool({"--backup", "--root", root + "/blocked", "--target", udid});
    expectOneLine(run);
    EXPECT_EQ(readFile(root + "/blocked"), "a file where the folder should be");
    expectEarlierBackupIntact();
}

TEST_F(EarlierBackup, RestoreFromAMissingSource) {
    const std::string photo = readFile(device + "/media/DCIM/100APPLE/IMG_0001.JPG");
    const ToolRun run = runTool({"--restore", "--target", udid, "--source", "0123456789"});
    EXPECT_EQ(run.exitCode, 4);
    expectOneLine(run);
    EXPECT_EQ(readFile(device + "/media/DCIM/100APPLE/IMG_0001.JPG"), photo);
    expectEarlierBackupIntact();
}
