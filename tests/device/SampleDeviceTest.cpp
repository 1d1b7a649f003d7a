// The sample device the application is shown with: attached like a real device, its figures
// agree with what it holds.
#include "DeviceFolder.h"
#include "LogCapture.h"
#include "SampleDevice.h"
#include "device/AfcService.h"
#include "device/AirTrafficHostHelper.h"
#include "device/AppService.h"
#include "device/BaseInfo.h"
#include "device/Conversions.h"
#include "device/CrashReportService.h"
#include "device/DeviceManager.h"
#include "device/SBService.h"

#include <functional>
#include <gtest/gtest.h>

using namespace devicetest;

namespace {

class SampleDevice : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        folder = home.path() + "/devices/sample";
        std::string error;
        ASSERT_TRUE(sampledevice::write(folder, nullptr, &error)) << error;
        attachAndWait(folder);
    }
    std::string folder;
};

// Bytes of every regular file below path, walked with ListDirectory and FileInfo.
uint64_t treeBytes(amd::AfcService& afc, const std::string& path) {
    uint64_t total = 0;
    CFHolder<CFMutableArrayRef> names(afc.ListDirectory(path));
    for (CFTypeRef name : amd::cfarray_to_vector(names.get())) {
        std::string child = (path == "/" ? "" : path) + "/" + amd::cftype_to_string(name);
        CFHolder<CFMutableDictionaryRef> info(afc.FileInfo(child));
        auto map = amd::cfdictionary_to_map(info.get());
        if (amd::cftype_to_string(map["st_ifmt"]) == "S_IFDIR")
            total += treeBytes(afc, child);
        else
            total += std::stoull(amd::cftype_to_string(map["st_size"]));
    }
    return total;
}

int64_t metric(CFDictionaryRef metrics, std::initializer_list<const char*> keys) {
    CFTypeRef value = metrics;
    for (const char* key : keys)
        value = value && CFGetTypeID(value) == CFDictionaryGetTypeID()
                    ? CFDictionaryGetValue(static_cast<CFDictionaryRef>(value), key)
                    : nullptr;
    return amd::cfnumber_to_int64(value);
}

TEST_F(SampleDevice, AppsIconsAndContainersAgreeWithTheirAttributes) {
    amd::AppService apps;
    ASSERT_EQ(apps.Start(0), 0);
    testsupport::captureLog("quillomatrix.device");
    auto records = apps.AppRecords();
    testsupport::capturedLog();
    ASSERT_GE(records.size(), 25u);
    int user = 0, adFolders = 0;
    amd::SBService icons;
    ASSERT_EQ(icons.Start(0), 0);
    for (const amd::AppRecord& app : records) {
        std::string type = amd::cftype_to_string(app.applicationType);
        if (type == "User") ++user;
        const uint8_t* png = nullptr;
        int64_t length = 0;
        ASSERT_EQ(icons.getIconPNGData(app.bundleId, &png, &length), 0);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(png), 4), "\x89PNG");

        amd::AppDirService container;
        ASSERT_EQ(container.Start(0, app.bundleId), 0);
        EXPECT_EQ(treeBytes(container, "/"), static_cast<uint64_t>(amd::cfnumber_to_int64(app.dynamicDiskUsage)))
            << amd::cftype_to_string(app.bundleId);
        CFHolder<CFMutableArrayRef> caches(container.ListDirectory("/Library/Caches"));
        for (CFTypeRef name : amd::cfarray_to_vector(caches.get())) {
            std::string n = amd::cftype_to_string(name);
            for (const char* fragment : {"admob", "flurry", "mopub", "chartboos", "tapjoy", "inmobi", "googleads"})
                if (n.find(fragment) != std::string::npos) ++adFolders;
        }
    }
    EXPECT_GE(user, 15);
    EXPECT_GE(records.size() - user, 5u);
    EXPECT_GE(adFolders, 8);
}

TEST_F(SampleDevice, DiskUsageAndMetricsAgreeWithTheContent) {
    amd::BaseInfo* info = amd::DeviceManager::Instance()->FindItem(0)->info;
    ASSERT_TRUE(testsupport::waitUntil([&] { return bool(info->GetAssetMetrics()); }));
    auto metrics = info->GetAssetMetrics();
    amd::DiskCapacities disk;
    info->DiskUsage(disk);
    EXPECT_EQ(disk.totalDiskCapacity, disk.totalDataCapacity + disk.totalSystemCapacity);
    EXPECT_LT(disk.totalDataAvailable, disk.totalDataCapacity);

    amd::AfcService media;
    ASSERT_EQ(media.Start(0), 0);
    EXPECT_EQ(metric(metrics.get(), {"Photo", "CameraRoll", "_PhysicalSize"}),
              static_cast<int64_t>(treeBytes(media, "/DCIM/100APPLE") + treeBytes(media, "/DCIM/101APPLE")));
    EXPECT_EQ(metric(metrics.get(), {"Photo", "Photo", "_PhysicalSize"}),
              static_cast<int64_t>(treeBytes(media, "/PhotoStreamsData") + treeBytes(media, "/PhotoData/Sync") +
                                   treeBytes(media, "/Photos/Sync")));
    // Songs and movies share the library's folders.
    EXPECT_EQ(metric(metrics.get(), {"Media", "Music", "_PhysicalSize"}) +
                  metric(metrics.get(), {"Media", "Movie", "_PhysicalSize"}),
              static_cast<int64_t>(treeBytes(media, "/iTunes_Control/Music")));
    EXPECT_EQ(metric(metrics.get(), {"Book", "_PhysicalSize"}),
              static_cast<int64_t>(treeBytes(media, "/Books/Purchases")) -
                  int64_t(media.ReadFile("/Books/Purchases/Purchases.plist").size()));

    amd::AppService apps;
    ASSERT_EQ(apps.Start(0), 0);
    int64_t appBytes = 0;
    testsupport::captureLog("quillomatrix.device");
    for (const amd::AppRecord& app : apps.AppRecords())
        appBytes += amd::cfnumber_to_int64(app.staticDiskUsage) + amd::cfnumber_to_int64(app.dynamicDiskUsage);
    testsupport::capturedLog();
    EXPECT_EQ(metric(metrics.get(), {"Application", "_PhysicalSize"}), appBytes);

    // Other data is what remains of the used space: never negative.
    int64_t used = static_cast<int64_t>(disk.totalDataCapacity - disk.totalDataAvailable);
    EXPECT_GT(used - appBytes - metric(metrics.get(), {"Photo", "CameraRoll", "_PhysicalSize"}) -
                  metric(metrics.get(), {"Photo", "Photo", "_PhysicalSize"}) -
                  metric(metrics.get(), {"Media", "Music", "_PhysicalSize"}) -
                  metric(metrics.get(), {"Media", "Movie", "_PhysicalSize"}),
              0);
}

TEST_F(SampleDevice, MediaAreaAndCrashLogs) {
    amd::AfcService media;
    ASSERT_EQ(media.Start(0), 0);
    EXPECT_GE(media.ReadFile("/iTunes_Control/iTunes/iTunesPrefs").size(), 104u);
    CFHolder<CFStringRef> library(amd::AirTrafficHostHelper::LibraryId(0));
    EXPECT_NE(amd::cftype_to_string(library.get()), "4A7C2E91B05D3F68");
    for (const char* folder : {"/DCIM/100APPLE", "/Downloads", "/general_storage", "/iTunes_Control/Sync/Media",
                               "/PhotoData/Mutations/DCIM", "/PhotoStreamsData", "/PhotoData/Sync"}) {
        CFHolder<CFMutableArrayRef> names(media.ListDirectory(folder));
        ASSERT_TRUE(names) << folder;
        EXPECT_GT(CFArrayGetCount(names.get()), 0) << folder;
    }
    amd::CrashReportService crashes;
    ASSERT_EQ(crashes.Start(0), 0);
    CFHolder<CFMutableArrayRef> logs(crashes.ListRoot());
    EXPECT_GE(CFArrayGetCount(logs.get()), 6);
}

}  // namespace
