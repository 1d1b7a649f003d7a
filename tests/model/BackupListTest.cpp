#include "FixedTimeZone.h"
#include "TestSupport.h"
#include "model/PRIOSDeviceController.h"
#include "platform/CoreFoundation.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace {

constexpr time_t kBackupTime = 1367409600;  // 2013-05-01 12:00:00 UTC

void writePlist(const std::string& path, const std::map<std::string, std::string>& values,
                const std::map<std::string, std::string>* lockdown = nullptr) {
    CFHolder<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable());
    for (const auto& [key, text] : values) {
        CFHolder<CFStringRef> value(CFStringCreateWithCString(text.c_str()));
        CFDictionarySetValue(dict.get(), key.c_str(), value.get());
    }
    if (lockdown) {
        CFHolder<CFMutableDictionaryRef> inner(CFDictionaryCreateMutable());
        for (const auto& [key, text] : *lockdown) {
            CFHolder<CFStringRef> value(CFStringCreateWithCString(text.c_str()));
            CFDictionarySetValue(inner.get(), key.c_str(), value.get());
        }
        CFDictionarySetValue(dict.get(), "Lockdown", inner.get());
    }
    ASSERT_TRUE(CFPropertyListWriteToFile(dict.get(), path, kCFPropertyListXMLFormat_v1_0));
    const struct timespec times[2] = {{kBackupTime, 0}, {kBackupTime, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

const std::map<std::string, std::string> kInfo = {{"Device Name", "Info Phone"},
                                                  {"Serial Number", "INFO123"},
                                                  {"Product Type", "iPhone3,1"},
                                                  {"Product Version", "6.1.3"},
                                                  {"iTunes Version", "11.0.2"}};
const std::map<std::string, std::string> kLockdown = {{"DeviceName", "Lockdown Pad"},
                                                      {"SerialNumber", "LOCK456"},
                                                      {"ProductType", "iPad2,1"},
                                                      {"ProductVersion", "5.1.1"},
                                                      {"BuildVersion", "9B206"}};

class BackupList : public testsupport::HomeTest {
protected:
    std::string folder(const std::string& name) { return testsupport::scratchDirectory(name); }
    void touch(const std::string& path) { std::ofstream(path) << "x"; }
    PRIOSDeviceController list;
    FixedTimeZone zone{"QMT-3"};  // three hours east of UTC
};

TEST_F(BackupList, InfoPlistDescribesTheBackupEvenWhenAManifestPlistIsThere) {
    const std::string backup = folder("both");
    writePlist(backup + "/Info.plist", kInfo);
    writePlist(backup + "/Manifest.plist", {}, &kLockdown);
    list.addDeviceNodeByPath(backup);
    ASSERT_EQ(list.arrangedObjects().size(), 1u);
    const PRIOSDeviceNode& node = *list.arrangedObjects()[0];
    EXPECT_EQ(node.strDeviceName(), "Info Phone");
    EXPECT_EQ(node.strDeviceSerial(), "INFO123");
    EXPECT_EQ(node.strIOSVersion(), "6.1.3");
    EXPECT_EQ(node.itunesVersion(), "11.0.2");
    EXPECT_EQ(node.strDeviceType(), "iPhone 4");
    EXPECT_EQ(node.deviceImage(), "iphone");
    EXPECT_EQ(node.strDeviceBackUpTime(), "2013-05-01 15:00");  // local time of the file's date
    struct stat info {};
    ASSERT_EQ(::stat((backup + "/Info.plist").c_str(), &info), 0);
    EXPECT_EQ(node.strDeviceSize(), std::to_string(info.st_size));
    EXPECT_EQ(node.backUpFilePath(), backup);
}

TEST_F(BackupList, ManifestPlistAloneDescribesTheBackupThroughItsLockdownEntry) {
    const std::string backup = folder("manifest");
    writePlist(backup + "/Manifest.plist", {}, &kLockdown);
    touch(backup + "/Manifest.mbdb");
    list.addDeviceNodeByPath(backup);
    ASSERT_EQ(list.arrangedObjects().size(), 1u);
    const PRIOSDeviceNode& node = *list.arrangedObjects()[0];
    EXPECT_EQ(node.strDeviceName(), "Lockdown Pad");
    EXPECT_EQ(node.strDeviceSerial(), "LOCK456");
    EXPECT_EQ(node.strIOSVersion(), "5.1.1");
    EXPECT_EQ(node.itunesVersion(), "9B206");
    EXPECT_EQ(node.strDeviceType(), "iPad 2");
    EXPECT_EQ(node.deviceImage(), "ipad");
    EXPECT_EQ(node.strDeviceSize(), "");
    EXPECT_EQ(node.strDeviceBackUpTime(), "2013-05-01 15:00");
}

TEST_F(BackupList, FoldersThatDescribeNoBackupAddNothing) {
    const std::string noLockdown = folder("no-lockdown");
    writePlist(noLockdown + "/Manifest.plist", {{"Version", "9.1"}});
    touch(noLockdown + "/Manifest.mbdb");
    const std::string single = folder("single");
    writePlist(single + "/Info.plist", kInfo);
    const std::string neither = folder("neither");
    touch(neither + "/a");
    touch(neither + "/b");
    const std::string unreadable = folder("unreadable");
    touch(unreadable + "/Info.plist");  // not a property list
    touch(unreadable + "/Manifest.mbdb");
    for (const std::string& path : {noLockdown, single, neither, unreadable, folder("x") + "/missing"})
        list.addDeviceNodeByPath(path);
    EXPECT_TRUE(list.arrangedObjects().empty());
}

TEST_F(BackupList, UnknownModelsShowTheirProductType) {
    const std::string backup = folder("unknown");
    auto info = kInfo;
    info["Product Type"] = "iPhone9,9";
    writePlist(backup + "/Info.plist", info);
    touch(backup + "/Manifest.mbdb");
    list.addDeviceNodeByPath(backup);
    ASSERT_EQ(list.arrangedObjects().size(), 1u);
    EXPECT_EQ(list.arrangedObjects()[0]->strDeviceType(), "iPhone9,9");
    EXPECT_EQ(list.arrangedObjects()[0]->deviceImage(), "iphone");
}

TEST(BackupListModels, ProductTypesNameTheirModelByTheFirstKeyTheyContain) {
    EXPECT_EQ(PRIOSDeviceController::GetDevcieType(""), "iPhone");
    EXPECT_EQ(PRIOSDeviceController::GetDevcieType("iPhone1,2"), "iPhone3G");
    EXPECT_EQ(PRIOSDeviceController::GetDevcieType("iPhone3,3"), "iPhone 4");
    EXPECT_EQ(PRIOSDeviceController::GetDevcieType("iPhone5,3"), "iPhone 5");
    EXPECT_EQ(PRIOSDeviceController::GetDevcieType("ipad3,4"), "NewiPad");
    EXPECT_EQ(PRIOSDeviceController::GetDevcieType("iPod3,1"), "IpodTouch3G");
    EXPECT_EQ(PRIOSDeviceController::GetDevcieType("iPad2,5"), "");
}

TEST(BackupListModels, BackupTimesShowInTheLocalZone) {
    FixedTimeZone zone("QMT+5");  // five hours west of UTC
    EXPECT_EQ(PRIOSDeviceController::convertCurrentTimeZone2("2013-05-01 02:30:00 +0000"), "2013-04-30 21:30");
    EXPECT_EQ(PRIOSDeviceController::convertCurrentTimeZone2("2013-05-01 02:30:00 +0200"), "2013-04-30 19:30");
    EXPECT_EQ(PRIOSDeviceController::convertCurrentTimeZone2("yesterday"), "");
}

}  // namespace
