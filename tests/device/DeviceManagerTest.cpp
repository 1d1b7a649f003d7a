// Device arrival and removal, lockdown values and the sync-message connection.
#include "DeviceFolder.h"
#include "HostileFiles.h"
#include "LogCapture.h"
#include "device/AirTrafficHostHelper.h"
#include "device/BaseInfo.h"
#include "device/Conversions.h"
#include "device/DeviceManager.h"
#include "device/DeviceNotices.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace devicetest;
using testsupport::spinEventLoop;
using testsupport::waitUntil;

namespace {

class DeviceManagerTest : public DeviceTest {};

std::string text(CFStringRef owned) {
    CFHolder<CFStringRef> holder(owned);
    return amd::cftype_to_string(holder.get());
}

int64_t appBytes(amd::BaseInfo* info) {
    auto metrics = info->GetAssetMetrics();
    if (!metrics) return -1;
    return amd::cfnumber_to_int64(CFDictionaryGetValue(
        static_cast<CFDictionaryRef>(CFDictionaryGetValue(metrics.get(), "Application")), "_PhysicalSize"));
}

TEST_F(DeviceManagerTest, IndicesFollowTheLastDeviceAndRestartAtZero) {
    auto* manager = amd::DeviceManager::Instance();
    DeviceSpec b, c, d;
    b.udid = "bbbb";
    c.udid = "cccc";
    d.udid = "dddd";
    int first = attachAndWait(deviceFolder("a"));
    int second = attachAndWait(deviceFolder("b", b));
    EXPECT_EQ(connected, (std::vector<int>{0, 1}));
    detachAndWait(first);
    EXPECT_EQ(disconnected, (std::vector<int>{0}));
    EXPECT_EQ(manager->FindItem(0), nullptr);
    int third = attachAndWait(deviceFolder("c", c));
    EXPECT_EQ(connected.back(), 2);
    detachAndWait(second);
    detachAndWait(third);
    EXPECT_EQ(manager->DeviceCount(), 0u);
    attachAndWait(deviceFolder("d", d));
    EXPECT_EQ(connected.back(), 0);
    EXPECT_EQ(text(manager->FindItem(0)->info->UniqueDeviceID()), "dddd");
}

// A worker still acting for a device that left never reaches the next device given its index:
// inside an OnlyAttachment its look-ups, and so every service it starts, find nothing there.
TEST_F(DeviceManagerTest, WorkForOneAttachmentNeverReachesTheNextDeviceOfItsIndex) {
    auto* manager = amd::DeviceManager::Instance();
    DeviceSpec other;
    other.udid = "bbbb";
    const int first = attachAndWait(deviceFolder("a"));
    const uint64_t gone = manager->AttachmentAt(0);
    ASSERT_NE(gone, 0u);
    detachAndWait(first);
    EXPECT_EQ(manager->AttachmentAt(0), 0u);
    attachAndWait(deviceFolder("b", other));
    ASSERT_EQ(connected.back(), 0);
    const uint64_t now = manager->AttachmentAt(0);
    EXPECT_NE(now, gone);
    std::async(std::launch::async, [&] {
        const amd::OnlyAttachment onlyTheFirst(0, gone);
        EXPECT_EQ(manager->FindDevice(0), nullptr);
        EXPECT_EQ(manager->AttachmentAt(0), 0u);
        amd::BaseInfo info;
        EXPECT_NE(info.Start(0), 0);
        const amd::OnlyAttachment onlyTheSecond(1, now);  // another index: no say over index 0
        EXPECT_EQ(manager->FindDevice(0), nullptr);
    }).get();
    const amd::OnlyAttachment onlyTheSecond(0, now);
    EXPECT_NE(manager->FindDevice(0), nullptr);
}

TEST_F(DeviceManagerTest, UntrustedDeviceIsNotAnnouncedAndLeavesNothing) {
    DeviceSpec untrusted;
    untrusted.paired = false;
    untrusted.trusted = false;
    testsupport::captureLog("quillomatrix.device");
    ASSERT_GT(simdevice::attach(deviceFolder("untrusted", untrusted)), 0);
    spinEventLoop(std::chrono::milliseconds(300));
    std::string out = testsupport::capturedLog();
    EXPECT_NE(out.find("The device may not trust\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("A device added"), std::string::npos);
    EXPECT_TRUE(connected.empty());
    EXPECT_EQ(amd::DeviceManager::Instance()->DeviceCount(), 0u);
    // Its index was given back.
    attachAndWait(deviceFolder("trusted"));
    EXPECT_EQ(connected, std::vector<int>{0});
}

TEST_F(DeviceManagerTest, RemovalIsPostedWhileTheDeviceObjectsExist) {
    int id = attachAndWait(deviceFolder("phone"));
    bool infoPresent = false;
    int observer = 0;
    notices::DeviceDisConnect.observe(NSNotificationCenter::defaultCenter(), &observer, [&](const NSNumberPtr& n) {
        amd::DeviceItem* item = amd::DeviceManager::Instance()->FindItem(n->intValue());
        infoPresent = item && item->info && item->device;
    });
    detachAndWait(id);
    NSNotificationCenter::defaultCenter().removeObserver(&observer);
    EXPECT_TRUE(infoPresent);
    EXPECT_EQ(amd::DeviceManager::Instance()->FindItem(0), nullptr);

    // Other callback codes, and a removal of an unknown handle, change nothing.
    attachAndWait(deviceFolder("phone2"));
    am_device_notification_callback_info info{amd::DeviceManager::Instance()->FindDevice(0)->Handle(), 3, nullptr};
    amd::DeviceManager::OnDeviceNotification(&info, nullptr);
    EXPECT_EQ(amd::DeviceManager::Instance()->DeviceCount(), 1u);
    testsupport::captureLog("quillomatrix.device");
    amd::DeviceManager::Instance()->RemoveDevice(reinterpret_cast<AMDeviceRef>(uintptr_t(999999)));
    EXPECT_EQ(testsupport::capturedLog(), "* Remove an unknown device\n");
    EXPECT_EQ(amd::DeviceManager::Instance()->DeviceCount(), 1u);
}

TEST_F(DeviceManagerTest, LockdownValuesAndDiskUsage) {
    DeviceSpec noDisk;
    noDisk.diskUsage = false;
    noDisk.udid = "nodisk";
    noDisk.productType = "iPod5,1";
    attachAndWait(deviceFolder("phone"));
    attachAndWait(deviceFolder("nodisk", noDisk));
    amd::BaseInfo* info = amd::DeviceManager::Instance()->FindItem(0)->info;
    EXPECT_EQ(text(info->DeviceName()), "Test iPhone");
    EXPECT_EQ(text(info->ProductVersion()), "7.1.2");
    EXPECT_EQ(text(info->SerialNumber()), "F2LLX0XXFF9R");
    EXPECT_EQ(info->TimeZoneOffset(), 3600);
    EXPECT_EQ(info->ModelCode(), 13);
    CFHolder<CFDictionaryRef> battery(info->BatteryInfo());
    EXPECT_EQ(amd::cfnumber_to_int64(CFDictionaryGetValue(battery.get(), "BatteryCurrentCapacity")), 87);
    amd::DiskCapacities disk;
    info->DiskUsage(disk);
    EXPECT_EQ(disk.totalDiskCapacity, 16000000000ULL);
    EXPECT_EQ(disk.totalDataCapacity, 13000000000ULL);
    EXPECT_EQ(disk.totalDataAvailable, 9000000001ULL);
    EXPECT_EQ(disk.totalSystemAvailable, 500000000ULL);

    amd::BaseInfo* other = amd::DeviceManager::Instance()->FindItem(1)->info;
    other->DiskUsage(disk);
    EXPECT_EQ(disk.totalDiskCapacity + disk.totalDataCapacity + disk.totalSystemCapacity + disk.amountDataAvailable +
                  disk.totalSystemAvailable + disk.totalDataAvailable,
              0u);
    EXPECT_EQ(other->ModelCode(), 19);
    CFHolder<CFStringRef> key(CFStringCreateWithCString("NoSuchKey"));
    EXPECT_EQ(other->CopyValue(nullptr, key.get()), nullptr);
}

TEST_F(DeviceManagerTest, AssetMetricsFollowTheLatestMessage) {
    int id = attachAndWait(deviceFolder("phone"));
    amd::BaseInfo* info = amd::DeviceManager::Instance()->FindItem(0)->info;
    ASSERT_TRUE(waitUntil([&] { return appBytes(info) == 123456; }));

    // Another command leaves the metrics; a new AssetMetrics replaces them.
    CFHolder<CFMutableDictionaryRef> params(CFDictionaryCreateMutable());
    CFHolder<CFMutableDictionaryRef> app(CFDictionaryCreateMutable());
    CFHolder<CFNumberRef> size(amd::int64_to_cfnumber(42));
    CFDictionarySetValue(app.get(), "_PhysicalSize", size.get());
    CFDictionarySetValue(params.get(), "Application", app.get());
    simdevice::postSyncMessage(id, "SyncFinished", params.get());
    spinEventLoop(std::chrono::milliseconds(100));
    EXPECT_EQ(appBytes(info), 123456);
    simdevice::postSyncMessage(id, "AssetMetrics", params.get());
    EXPECT_TRUE(waitUntil([&] { return appBytes(info) == 42; }));

    // Metrics keep arriving while the device goes: the reader stops before its BaseInfo goes.
    std::atomic<bool> done{false};
    std::thread poster([&] {
        while (!done) simdevice::postSyncMessage(id, "AssetMetrics", params.get());
    });
    detachAndWait(id);
    done = true;
    poster.join();
}

TEST_F(DeviceManagerTest, LocalDirIsPrivateAndPerDevice) {
    attachAndWait(deviceFolder("phone"));
    auto* manager = amd::DeviceManager::Instance();
    testsupport::captureLog("quillomatrix.device");
    std::string dir = manager->LocalDir(0);
    std::string out = testsupport::capturedLog();
    EXPECT_EQ(out, "make local dir: " + dir + "\n");
    EXPECT_EQ(dir, paths::privateTempDirectory() + "/tmp/0123456789abcdef0123456789abcdef01234567/");
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(manager->LocalDir(0), dir);
    EXPECT_EQ(manager->LocalDir(5), "");  // never another device's folder
}

class SyncHelper : public DeviceTest {};

TEST_F(SyncHelper, LibraryIdFromThePreferencesFile) {
    DeviceSpec spec;
    spec.itunesPrefs.assign(104, 0);
    spec.itunesPrefs[20] = 0x0F;  // 0x...0F at offset 20, little-endian
    spec.itunesPrefs[27] = 0xA0;
    spec.itunesPrefs[96] = 0x01;
    attachAndWait(deviceFolder("exact", spec));
    EXPECT_EQ(text(amd::AirTrafficHostHelper::LibraryId(0)), "A00000000000000E");

    DeviceSpec equal = spec;
    equal.udid = "equal";
    equal.itunesPrefs[96] = 0x0F;
    equal.itunesPrefs[103] = 0xA0;
    attachAndWait(deviceFolder("equal", equal));
    EXPECT_EQ(text(amd::AirTrafficHostHelper::LibraryId(1)), "0");

    DeviceSpec shortFile = spec;
    shortFile.udid = "short";
    shortFile.itunesPrefs.resize(103);
    attachAndWait(deviceFolder("short", shortFile));
    EXPECT_EQ(text(amd::AirTrafficHostHelper::LibraryId(2)), "4A7C2E91B05D3F68");
    EXPECT_EQ(text(amd::AirTrafficHostHelper::LibraryId(9)), "4A7C2E91B05D3F68");
}

TEST_F(SyncHelper, DeletingAHelperWithABlockedReaderReturns) {
    attachAndWait(deviceFolder("phone"));
    auto* helper = new amd::AirTrafficHostHelper;
    CFHolder<CFStringRef> udid(amd::DeviceManager::Instance()->FindItem(0)->info->UniqueDeviceID());
    ASSERT_EQ(helper->Connect(udid.get(), 0), 0);
    ASSERT_EQ(helper->StartReader(), 0);
    EXPECT_EQ(helper->StartReader(), 0);
    spinEventLoop(std::chrono::milliseconds(100));  // the reader has taken both messages and waits
    auto deleted = std::async(std::launch::async, [helper] { delete helper; });
    EXPECT_EQ(deleted.wait_for(std::chrono::seconds(10)), std::future_status::ready);

    amd::AirTrafficHostHelper refused;
    testsupport::captureLog("quillomatrix.device");
    EXPECT_EQ(refused.Connect(nullptr, 0), 1);
    CFHolder<CFStringRef> unknown(CFStringCreateWithCString("unknown-udid"));
    EXPECT_EQ(refused.Connect(unknown.get(), 0), 1);
    EXPECT_NE(testsupport::capturedLog().find("*** ATHostConnectionCreateWithLibrary failed("), std::string::npos);
}

}  // namespace

// Hostile files of a device met at attach time: a FIFO where the media library preferences
// file is read (on the main thread), and sync messages and a lockdown domain nested 100,000
// levels deep. The device attaches, the reads give up, nothing blocks or overflows.
TEST_F(SyncHelper, FifosAndDeepListsOnTheDeviceNeitherBlockNorCrash) {
    DeviceSpec spec;
    const std::string folder = deviceFolder("hostile", spec);
    ASSERT_TRUE(testsupport::makeFifo(folder + "/media/iTunes_Control/iTunes/iTunesPrefs"));
    testsupport::writeFile(folder + "/sync/messages.plist", testsupport::deepXmlPropertyList(100000));
    testsupport::writeFile(folder + "/lockdown/com.apple.disk_usage.plist",
                           testsupport::deepBinaryPropertyList(100000));
    attachAndWait(folder);
    EXPECT_EQ(text(amd::AirTrafficHostHelper::LibraryId(0)), "4A7C2E91B05D3F68");  // as without a file
}
