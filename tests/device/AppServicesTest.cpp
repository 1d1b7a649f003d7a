// Installed apps, icons, uninstall and archives.
#include "DeviceFolder.h"
#include "LogCapture.h"
#include "device/AppService.h"
#include "device/Conversions.h"
#include "device/SBService.h"
#include "platform/SimulatedDevices.h"

#include <gtest/gtest.h>

using namespace devicetest;

namespace {

class AppServices : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        folder = deviceFolder("phone");
        simId = attachAndWait(folder);
    }
    std::string folder;
    int simId = 0;
};

TEST_F(AppServices, LookupListsAppsWithTheirAttributes) {
    amd::AppService apps;
    ASSERT_EQ(apps.Start(0), 0);
    CFHolder<CFDictionaryRef> lookup(apps.LookupApplications());
    ASSERT_TRUE(lookup);
    auto map = amd::cfdictionary_to_map(lookup.get());
    ASSERT_EQ(map.size(), 2u);
    auto notes = amd::cfdictionary_to_map(map["com.example.notes"]);
    EXPECT_EQ(amd::cftype_to_string(notes["ApplicationType"]), "User");
    EXPECT_EQ(amd::cftype_to_string(notes["CFBundleDisplayName"]), "Notes Plus");
    EXPECT_EQ(amd::cfnumber_to_int64(notes["StaticDiskUsage"]), 1000000);
    EXPECT_EQ(amd::cftype_to_string(amd::cfdictionary_to_map(map["com.apple.mobilesafari"])["ApplicationType"]),
              "System");

    testsupport::captureLog("quillomatrix.device");
    CFHolder<CFArrayRef> ids(apps.AppIdList());
    CFHolder<CFArrayRef> again(apps.AppIdList());
    EXPECT_EQ(testsupport::capturedLog(), "App list count = 2\nApp list count = 2\n");
    EXPECT_EQ(CFArrayGetCount(again.get()), 2);
    testsupport::captureLog("quillomatrix.device");
    auto records = apps.AppRecords();
    testsupport::capturedLog();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(amd::cftype_to_string(records[1].bundleId), "com.example.notes");
    EXPECT_EQ(amd::cftype_to_string(records[1].iconName), "iTunesArtwork");
    EXPECT_FALSE(records[1].fileSharingEnabled);
    EXPECT_EQ(amd::cfnumber_to_int64(records[1].dynamicDiskUsage), 4096);
}

TEST_F(AppServices, AFailedLookupGivesTheDevicesStatus) {
    amd::AppService apps;
    ASSERT_EQ(apps.Start(0), 0);
    simdevice::failCall(simId, "AMDeviceLookupApplications", kAMDPasswordProtectedError);
    int status = 0;
    EXPECT_EQ(apps.LookupApplications(&status), nullptr);
    EXPECT_EQ(status, kAMDPasswordProtectedError);
    simdevice::failCall(simId, "AMDeviceLookupApplications", 0);
    CFHolder<CFDictionaryRef> lookup(apps.LookupApplications(&status));
    EXPECT_TRUE(lookup);
}

TEST_F(AppServices, IconsOverTheServiceSocket) {
    amd::SBService icons;
    ASSERT_EQ(icons.Start(0), 0);
    CFHolder<CFStringRef> known(amd::string_to_cfstring("com.example.notes"));
    const uint8_t* bytes = nullptr;
    int64_t length = -1;
    ASSERT_EQ(icons.getIconPNGData(known.get(), &bytes, &length), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), length), "\x89PNG fake icon of com.example.notes");
    CFHolder<CFStringRef> unknown(amd::string_to_cfstring("com.example.none"));
    EXPECT_EQ(icons.getIconPNGData(unknown.get(), &bytes, &length), 2);
    EXPECT_EQ(bytes, nullptr);
    EXPECT_EQ(length, 0);
    CFHolder<CFPropertyListRef> state(icons.getIconState());
    EXPECT_TRUE(state);

    amd::SBService unstarted;
    EXPECT_EQ(unstarted.getIconPNGData(known.get(), &bytes, &length), 1);
}

TEST_F(AppServices, UninstallAndArchives) {
    amd::AppService apps;
    ASSERT_EQ(apps.Start(0), 0);
    EXPECT_EQ(apps.Uninstall(nullptr, nullptr), 1);
    EXPECT_EQ(apps.Archive(nullptr, false, false), 0);

    CFHolder<CFStringRef> notes(amd::string_to_cfstring("com.example.notes"));
    testsupport::captureLog("quillomatrix.device");
    EXPECT_EQ(apps.Archive(notes.get(), true, false), 0);
    CFHolder<CFPropertyListRef> archives(apps.LookupArchives());
    ASSERT_TRUE(archives);
    auto result = amd::cfdictionary_to_map(amd::cfdictionary_to_map(archives.get())["LookupResult"]);
    EXPECT_EQ(amd::cftype_to_string(amd::cfdictionary_to_map(result["com.example.notes"])["ArchiveType"]),
              "DocumentsOnly");
    EXPECT_EQ(apps.RemoveApplicationArchive(notes.get()), 0);
    EXPECT_EQ(apps.Uninstall(notes.get(), nullptr), 0);
    std::string progress = testsupport::capturedLog();
    EXPECT_NE(progress.find("Complete"), std::string::npos) << progress;
    EXPECT_FALSE(exists(folder + "/apps/com.example.notes"));
    EXPECT_NE(apps.Uninstall(notes.get(), nullptr), 0);

    amd::AppService fresh;
    ASSERT_EQ(fresh.Start(0), 0);
    CFHolder<CFDictionaryRef> lookup(fresh.LookupApplications());
    EXPECT_EQ(CFDictionaryGetCount(lookup.get()), 1);
}

}  // namespace
