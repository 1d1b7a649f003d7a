// Backups of the sample device, through the platform layer's run and by hand.
#include "BackupToolFixture.h"
#include "platform/BackupTool.h"
#include "platform/CoreFoundation.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace backuptooltest;

namespace {

std::string plistString(const std::string& path, const char* key, const char* inside = nullptr) {
    CFHolder<CFPropertyListRef> plist(CFPropertyListCreateFromFile(path));
    if (CFGetTypeID(plist.get()) != CFDictionaryGetTypeID()) return "(no dictionary)";
    auto dict = static_cast<CFDictionaryRef>(plist.get());
    if (inside) {
        CFTypeRef nested = CFDictionaryGetValue(dict, inside);
        if (CFGetTypeID(nested) != CFDictionaryGetTypeID()) return "(no " + std::string(inside) + ")";
        dict = static_cast<CFDictionaryRef>(nested);
    }
    CFTypeRef value = CFDictionaryGetValue(dict, key);
    return CFGetTypeID(value) == CFStringGetTypeID() ? CFStringGetStdString(static_cast<CFStringRef>(value)) : "(none)";
}

}  // namespace

TEST_F(BackupToolTest, BackupCarriesTheDeviceFilesUnderTheirKeysWithTheirSizes) {
    ASSERT_EQ(backuptool::backupDevice(udid), 0);
    const std::string backup = backupFolder();
    const auto records = manifestRecords(backup);

    struct Expected {
        std::string domain, path, deviceFile;
    };
    const Expected carried[] = {
        {"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", device + "/media/DCIM/100APPLE/IMG_0001.JPG"},
        {"CameraRollDomain", "Media/DCIM/101APPLE/IMG_0014.JPG", device + "/media/DCIM/101APPLE/IMG_0014.JPG"},
        {"AppDomain-com.brightleaf.RecipeBox", "Documents/Shopping List.txt",
         device + "/apps/com.brightleaf.RecipeBox/container/Documents/Shopping List.txt"},
    };
    for (const Expected& file : carried) {
        SCOPED_TRACE(file.path);
        const auto found = records.find(file.domain + "-" + file.path);
        ASSERT_NE(found, records.end());
        const std::string bytes = readFile(file.deviceFile);
        EXPECT_TRUE(S_ISREG(found->second.mode));
        EXPECT_EQ(found->second.size, bytes.size());
        EXPECT_EQ(readFile(backupFile(backup, file.domain, file.path)), bytes);
    }
    ASSERT_TRUE(records.count("CameraRollDomain-Media/DCIM/100APPLE"));
    EXPECT_TRUE(S_ISDIR(records.at("CameraRollDomain-Media/DCIM/100APPLE").mode));

    // Temporary files, caches and synced media are not backed up.
    for (const auto& [name, record] : records) {
        EXPECT_EQ(name.find("/tmp/"), std::string::npos) << name;
        EXPECT_EQ(name.find("Library/Caches"), std::string::npos) << name;
        EXPECT_EQ(name.find("iTunes_Control"), std::string::npos) << name;
    }

    EXPECT_EQ(plistString(backup + "/Info.plist", "Unique Identifier"), udid);
    EXPECT_EQ(plistString(backup + "/Info.plist", "Device Name"), "Sample iPhone");
    EXPECT_EQ(plistString(backup + "/Info.plist", "Serial Number"), "F2LMX1Y3FF9V");
    EXPECT_EQ(plistString(backup + "/Info.plist", "Product Type"), "iPhone6,1");
    EXPECT_EQ(plistString(backup + "/Info.plist", "Product Version"), "7.1.2");
    EXPECT_EQ(plistString(backup + "/Manifest.plist", "UniqueDeviceID", "Lockdown"), udid);
    EXPECT_EQ(plistString(backup + "/Status.plist", "SnapshotState"), "finished");
}

TEST_F(BackupToolTest, RootFormWritesUnderTheIdentifierInACreatedFolder) {
    const std::string root = paths::resolve("/tmp/Backup/nested");  // the caller maps its own paths
    ASSERT_EQ(backuptool::backupDevice(udid, root), 0);
    const std::string backup = root + "/" + udid;
    EXPECT_FALSE(manifestRecords(backup).empty());
    EXPECT_TRUE(exists(backup + "/Info.plist"));
    EXPECT_FALSE(exists(iTunesFolder()));
    // Nothing but the backup beside it: the work folder was renamed into place.
    EXPECT_EQ(folderNames(root), std::vector<std::string>{udid});
}

TEST_F(BackupToolTest, ANewBackupReplacesTheEarlierOneWhole) {
    ASSERT_EQ(backuptool::backupDevice(udid), 0);
    const std::string leftover = backupFolder() + "/0000000000000000000000000000000000000000";
    writeFile(leftover, "from an older backup");
    const std::string photo = device + "/media/DCIM/100APPLE/IMG_0001.JPG";
    writeFile(photo, "edited");
    ::unlink((device + "/media/DCIM/100APPLE/IMG_0002.JPG").c_str());

    ASSERT_EQ(backuptool::backupDevice(udid), 0);
    const auto records = manifestRecords(backupFolder());
    EXPECT_FALSE(exists(leftover));
    EXPECT_FALSE(records.count("CameraRollDomain-Media/DCIM/100APPLE/IMG_0002.JPG"));
    EXPECT_EQ(readFile(backupFile(backupFolder(), "CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG")), "edited");
    EXPECT_EQ(folderNames(iTunesFolder()), std::vector<std::string>{udid});
}

TEST_F(BackupToolTest, ThePlatformRunSeesOnlyTheDevicesAttachedNow) {
    // The application's own list of folders does not count: the tool sees what is plugged in.
    ::setenv(simdevice::kEnvironmentVariable, device.c_str(), 1);
    simdevice::detach(deviceId);
    EXPECT_EQ(backuptool::backupDevice(udid), 3);
    ::unsetenv(simdevice::kEnvironmentVariable);
    EXPECT_FALSE(exists(backupFolder()));

    ASSERT_GT(simdevice::attach(device), 0);
    EXPECT_EQ(backuptool::backupDevice(udid), 0);
}

TEST_F(BackupToolTest, BadArgumentsAreRefusedWithOneLine) {
    const std::vector<std::vector<std::string>> refused = {
        {},
        {"--backup"},
        {"--backup", "--target"},
        {"--backup", "--restore", "--target", udid},
        {"--backup", "--target", udid, "--source", udid},
        {"--restore", "--target", udid},
        {"--restore", "--root", "/x", "--target", udid, "--source", udid},
        {"--backup", "--target", "../escape"},
        {"--restore", "--target", udid, "--source", ".."},
        {"--backup", "--target", udid, "--verbose"},
    };
    for (const auto& arguments : refused) {
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.error;
        EXPECT_EQ(std::count(run.error.begin(), run.error.end(), '\n'), 1) << run.error;
    }
    EXPECT_FALSE(exists(iTunesFolder()));
}
