// The backup tool against a device folder and a backup built to hurt: links above and below
// area roots, set-user-ID modes, records that clash, backup files that are links, trees
// deeper than a path can name, unreadable folders and FIFOs. Nothing is ever written outside
// the device, a restore that cannot be done whole changes nothing, and a backup never claims
// success with entries missing.
#include "BackupToolFixture.h"
#include "HostileFiles.h"
#include "backup/ManifestWriter.h"
#include "platform/BackupTool.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace backuptooltest;
using testsupport::folderPicture;

namespace {

const std::string kApp = "AppDomain-com.brightleaf.RecipeBox";
const std::string kContainer = "/apps/com.brightleaf.RecipeBox/container";

class HostileDevice : public BackupToolTest {
protected:
    void SetUp() override {
        BackupToolTest::SetUp();
        ASSERT_EQ(backuptool::backupDevice(udid), 0);
    }
    void addRecords(const std::vector<ManifestEntry>& entries, const std::string& bytes = "evil") {
        for (const ManifestEntry& entry : entries)
            if (S_ISREG(entry.mode)) writeFile(backupFile(backupFolder(), entry.domain, entry.path), bytes);
        ASSERT_TRUE(appendManifestRecords(backupFolder() + "/Manifest.mbdb", entries));
    }
    static ManifestEntry record(const std::string& domain, const std::string& path, uint16_t mode = S_IFREG | 0644) {
        ManifestEntry entry;
        entry.domain = domain;
        entry.path = path;
        entry.mode = mode;
        entry.size = 4;
        return entry;
    }
    ToolRun restore() const { return runTool({"--restore", "--target", udid, "--source", udid}); }
    // A folder of its own, moved out of the device and linked back from where it was.
    std::string linkOut(const std::string& inDevice) {
        const std::string outside =
            testsupport::scratchDirectory("outside") + "/" + fs::path(inDevice).filename().string();
        fs::rename(device + inDevice, outside);
        fs::create_symlink(outside, device + inDevice);
        return outside;
    }
};

}  // namespace

TEST_F(HostileDevice, LinksAboveAnAreaRootAreNeverFollowed) {
    ASSERT_TRUE(exists(device + "/home/Library/SMS/Attachments"));
    const std::string outside = linkOut("/home/Library/SMS");
    const auto outsideBefore = folderPicture(outside);
    const auto deviceBefore = folderPicture(device);

    // The restore writes nothing through the link (the backup holds the attachments) and says why.
    const ToolRun run = restore();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.error.find("home/Library/SMS"), std::string::npos) << run.error;
    EXPECT_TRUE(folderPicture(outside) == outsideBefore);
    EXPECT_TRUE(folderPicture(device) == deviceBefore);

    // A backup carries nothing from behind the link.
    ASSERT_EQ(runTool({"--backup", "--target", udid}).exitCode, 0);
    for (const auto& [label, record] : manifestRecords(backupFolder()))
        EXPECT_EQ(label.rfind("MediaDomain-Library/SMS", 0), std::string::npos) << label;
    EXPECT_TRUE(folderPicture(outside) == outsideBefore);
}

TEST_F(HostileDevice, LinksAtEveryLevelOfAnAreaAreRefused) {
    // A link in place of each folder on the way to a file of the app container, in turn.
    const std::vector<std::string> levels = {"/apps", "/apps/com.brightleaf.RecipeBox", kContainer,
                                             kContainer + "/Documents"};
    writeFile(backupFile(backupFolder(), kApp, "Documents/Shopping List.txt"), "changed in the backup");
    for (const std::string& level : levels) {
        const std::string outside = linkOut(level);
        const auto outsideBefore = folderPicture(outside);
        // Refused, or (a container that is a link) the app counts as not installed.
        restore();
        EXPECT_TRUE(folderPicture(outside) == outsideBefore) << level;
        ASSERT_EQ(runTool({"--backup", "--root", testsupport::scratchDirectory("again"), "--target", udid}).exitCode,
                  0);
        fs::remove(device + level);
        fs::rename(outside, device + level);
    }
    ASSERT_EQ(restore().exitCode, 0);
    EXPECT_EQ(readFile(device + kContainer + "/Documents/Shopping List.txt"), "changed in the backup");
}

TEST_F(HostileDevice, RestoredModesArePermissionBitsOnly) {
    addRecords({record(kApp, "Documents/setuid", S_IFREG | 06777), record(kApp, "Documents/sticky", S_IFREG | 01644)});
    ASSERT_EQ(restore().exitCode, 0);
    for (const char* name : {"setuid", "sticky"}) {
        struct stat info {};
        ASSERT_EQ(::lstat((device + kContainer + "/Documents/" + name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07000, 0u) << name;
        EXPECT_TRUE(S_ISREG(info.st_mode));
    }
}

TEST_F(HostileDevice, ARestoreThatCannotBeDoneWholeChangesNothing) {
    writeFile(backupFile(backupFolder(), kApp, "Documents/Shopping List.txt"), "changed in the backup");
    const auto deviceBefore = folderPicture(device);
    const std::string manifest = readFile(backupFolder() + "/Manifest.mbdb");

    // A backup file that is a link: the check refuses it as the copy would.
    const std::string key = backupFile(backupFolder(), kApp, "Library/Preferences/late.plist");
    addRecords({record(kApp, "Library/Preferences/late.plist")});
    fs::remove(key);
    fs::create_symlink(backupFolder() + "/Manifest.mbdb", key);
    ToolRun run = restore();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.error.find("incomplete"), std::string::npos) << run.error;
    EXPECT_TRUE(folderPicture(device) == deviceBefore);

    // A file record over a folder another record makes, after everything else.
    fs::remove(key);
    writeFile(backupFolder() + "/Manifest.mbdb", manifest);
    addRecords({record(kApp, "Documents/New", S_IFDIR | 0755), record(kApp, "Documents/New/inside"),
                record(kApp, "Documents/New")});
    run = restore();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.error.find("both as a file and as a folder"), std::string::npos) << run.error;
    EXPECT_TRUE(folderPicture(device) == deviceBefore);

    // A file record where the device has a folder.
    writeFile(backupFolder() + "/Manifest.mbdb", manifest);
    ASSERT_TRUE(fs::create_directory(device + kContainer + "/Documents/Made later"));
    const auto withFolder = folderPicture(device);
    addRecords({record(kApp, "Documents/Made later")});
    run = restore();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.error.find("is a folder on the device"), std::string::npos) << run.error;
    EXPECT_TRUE(folderPicture(device) == withFolder);
}

TEST_F(HostileDevice, AFailureWhileWritingTakesBackEverythingWritten) {
    writeFile(backupFile(backupFolder(), kApp, "Documents/Shopping List.txt"), "changed in the backup");
    writeFile(backupFile(backupFolder(), "CameraRollDomain", "Media/DCIM/101APPLE/IMG_0012.JPG"), "changed photo");
    // The last file passes the check (it is there) but cannot be read when it is copied.
    addRecords({record(kApp, "Documents/New folder/late.txt")});
    const std::string late = backupFile(backupFolder(), kApp, "Documents/New folder/late.txt");
    ASSERT_EQ(::chmod(late.c_str(), 0), 0);
    const auto deviceBefore = folderPicture(device);
    const ToolRun run = runTool(
        {"--restore", "--target", udid, "--source", udid},
        {"setpriv", "--bounding-set=-dac_override,-dac_read_search", "--inh-caps=-dac_override,-dac_read_search"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.error.find("New folder/late.txt"), std::string::npos) << run.error;
    EXPECT_TRUE(folderPicture(device) == deviceBefore) << "files, staged copies or folders were left";
}

TEST_F(HostileDevice, TreesDeeperThanAPathCanNameAreRestoredAndBackedUpWhole) {
    std::string deep = "Documents";
    for (int i = 0; i < 2500; ++i) deep += "/d";
    addRecords({record(kApp, deep + "/bottom.txt")}, "at the bottom");
    const ToolRun restored = restore();
    ASSERT_EQ(restored.exitCode, 0) << restored.error;
    ASSERT_EQ(runTool({"--backup", "--target", udid}).exitCode, 0);
    const auto records = manifestRecords(backupFolder());
    ASSERT_TRUE(records.count(kApp + "-" + deep + "/bottom.txt"));
    EXPECT_EQ(readFile(backupFile(backupFolder(), kApp, deep + "/bottom.txt")), "at the bottom");
    EXPECT_TRUE(records.count(kApp + "-" + deep));

    // Taken apart from the top, one short path at a time: no path can name the bottom.
    const std::string top = device + kContainer + "/Documents/d", aside = device + kContainer + "/Documents/aside";
    while (fs::exists(top + "/d")) {
        fs::rename(top + "/d", aside);
        fs::remove(top);
        fs::rename(aside, top);
    }
    fs::remove_all(top);
}

TEST_F(HostileDevice, UnreadableFoldersFailTheBackupAndNameWhatIsMissing) {
    const std::string locked = device + kContainer + "/Documents/Locked";
    ASSERT_TRUE(fs::create_directories(locked));
    writeFile(locked + "/secret.txt", "kept");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    const std::string manifest = readFile(backupFolder() + "/Manifest.mbdb");
    // Without the capability to read past permissions even when run by root.
    const ToolRun run = runTool(
        {"--backup", "--target", udid},
        {"setpriv", "--bounding-set=-dac_override,-dac_read_search", "--inh-caps=-dac_override,-dac_read_search"});
    ::chmod(locked.c_str(), 0755);
    EXPECT_EQ(run.exitCode, 1) << run.error;
    EXPECT_NE(run.error.find(kApp + "-Documents/Locked: the folder cannot be read"), std::string::npos) << run.error;
    EXPECT_EQ(readFile(backupFolder() + "/Manifest.mbdb"), manifest);  // the earlier backup stays
}

TEST_F(HostileDevice, FifosAndDeepListsOnTheDeviceEndWithoutAHang) {
    ASSERT_TRUE(testsupport::makeFifo(device + kContainer + "/Documents/pipe"));
    ASSERT_TRUE(testsupport::makeFifo(device + "/pairing.plist"));
    ASSERT_EQ(runTool({"--backup", "--target", udid}).exitCode, 0);
    EXPECT_FALSE(manifestRecords(backupFolder()).count(kApp + "-Documents/pipe"));
    ASSERT_EQ(restore().exitCode, 0);

    ::unlink((device + "/pairing.plist").c_str());
    writeFile(device + "/pairing.plist", testsupport::deepXmlPropertyList(100000));
    EXPECT_EQ(runTool({"--backup", "--target", udid}).exitCode, 0);
    writeFile(device + "/lockdown/values.plist", testsupport::deepBinaryPropertyList(100000));
    EXPECT_EQ(runTool({"--backup", "--target", udid}).exitCode, 3);  // no readable device of that identifier
}
