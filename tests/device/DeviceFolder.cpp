#include "DeviceFolder.h"

#include "device/DeviceManager.h"
#include "device/DeviceNotices.h"
#include "device/PRDeviceNotify.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"

#include <QDir>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace devicetest {
namespace {

void setString(CFMutableDictionaryRef dict, const char* key, const std::string& value) {
    CFHolder<CFStringRef> s(CFStringCreateWithCString(value.c_str()));
    CFDictionarySetValue(dict, key, s.get());
}

void setNumber(CFMutableDictionaryRef dict, const char* key, int64_t value) {
    CFHolder<CFNumberRef> n(CFNumberCreate(kCFNumberSInt64Type, &value));
    CFDictionarySetValue(dict, key, n.get());
}

void writePlist(CFTypeRef value, const std::string& path) {
    paths::makeDirectories(paths::deletingLastPathComponent(path));
    CFPropertyListWriteToFile(value, path, kCFPropertyListXMLFormat_v1_0);
}

void writeApp(const std::string& folder, const std::string& id, const std::string& name, const char* type) {
    CFMutableDictionaryRef attrs = CFDictionaryCreateMutable();
    setString(attrs, "CFBundleIdentifier", id);
    setString(attrs, "ApplicationType", type);
    setString(attrs, "CFBundleDisplayName", name);
    setString(attrs, "Path", "/private/var/mobile/Applications/" + id + "/" + name + ".app");
    setNumber(attrs, "DynamicDiskUsage", 4096);
    setNumber(attrs, "StaticDiskUsage", 1000000);
    writePlist(attrs, folder + "/apps/" + id + "/attributes.plist");
    CFRelease(attrs);
    writeFile(folder + "/apps/" + id + "/icon.png", "\x89PNG fake icon of " + id);
    paths::makeDirectories(folder + "/apps/" + id + "/container/Library/Caches");
    paths::makeDirectories(folder + "/apps/" + id + "/container/tmp");
    writeFile(folder + "/apps/" + id + "/container/Documents/notes.txt", "notes of " + id);
}

}  // namespace

void writeFile(const std::string& path, const std::string& bytes) {
    paths::makeDirectories(paths::deletingLastPathComponent(path));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string makeDevice(const std::string& folder, const DeviceSpec& spec) {
    CFMutableDictionaryRef values = CFDictionaryCreateMutable();
    setString(values, "DeviceName", spec.name);
    setString(values, "UniqueDeviceID", spec.udid);
    setString(values, "ProductType", spec.productType);
    setString(values, "ProductVersion", "7.1.2");
    if (spec.sendsNumbers) {
        setString(values, "BuildVersion", "11D257");
        setString(values, "SerialNumber", "F2LLX0XXFF9R");
        setString(values, "PhoneNumber", spec.phoneNumber);
    }
    setNumber(values, "TimeZoneOffsetFromUTC", 3600);
    writePlist(values, folder + "/lockdown/values.plist");
    CFRelease(values);
    if (spec.diskUsage) {
        CFMutableDictionaryRef disk = CFDictionaryCreateMutable();
        setNumber(disk, "TotalDiskCapacity", 16000000000LL);
        setNumber(disk, "TotalDataCapacity", 13000000000LL);
        setNumber(disk, "TotalSystemCapacity", 3000000000LL);
        setNumber(disk, "AmountDataAvailable", 9000000000LL);
        setNumber(disk, "TotalSystemAvailable", 500000000LL);
        setNumber(disk, "TotalDataAvailable", 9000000001LL);
        writePlist(disk, folder + "/lockdown/com.apple.disk_usage.plist");
        CFRelease(disk);
    }
    CFMutableDictionaryRef battery = CFDictionaryCreateMutable();
    setNumber(battery, "BatteryCurrentCapacity", 87);
    writePlist(battery, folder + "/lockdown/com.apple.mobile.battery.plist");
    CFRelease(battery);

    CFMutableDictionaryRef pairing = CFDictionaryCreateMutable();
    CFDictionarySetValue(pairing, "Paired", spec.paired ? kCFBooleanTrue : kCFBooleanFalse);
    CFDictionarySetValue(pairing, "Trusted", spec.trusted ? kCFBooleanTrue : kCFBooleanFalse);
    writePlist(pairing, folder + "/pairing.plist");
    CFRelease(pairing);

    writeFile(folder + "/media/iTunes_Control/iTunes/iTunesPrefs",
              std::string(spec.itunesPrefs.begin(), spec.itunesPrefs.end()));
    writeFile(folder + "/media/DCIM/100APPLE/IMG_0001.JPG", std::string(5000, 'j'));
    paths::makeDirectories(folder + "/media/Downloads");
    writeFile(folder + "/crashreports/MobileSafari_2014-05-01-101010_iPhone.ips", "crash");
    writeFile(folder + "/crashreports/LowMemory-2014-05-02-121212.ips", "low memory");
    paths::makeDirectories(folder + "/crashreports/Panics");
    writeApp(folder, "com.example.notes", "Notes Plus", "User");
    writeApp(folder, "com.apple.mobilesafari", "Safari", "System");

    CFMutableArrayRef messages = CFArrayCreateMutable();
    CFMutableDictionaryRef other = CFDictionaryCreateMutable();
    setString(other, "Command", "SyncAllowed");
    CFArrayAppendValue(messages, other);
    CFRelease(other);
    CFMutableDictionaryRef metrics = CFDictionaryCreateMutable();
    setString(metrics, "Command", "AssetMetrics");
    CFMutableDictionaryRef params = CFDictionaryCreateMutable();
    CFMutableDictionaryRef app = CFDictionaryCreateMutable();
    setNumber(app, "_PhysicalSize", spec.applicationBytes);
    CFDictionarySetValue(params, "Application", app);
    CFRelease(app);
    CFDictionarySetValue(metrics, "Params", params);
    CFRelease(params);
    CFArrayAppendValue(messages, metrics);
    CFRelease(metrics);
    writePlist(messages, folder + "/sync/messages.plist");
    CFRelease(messages);
    return folder;
}

void DeviceTest::SetUp() {
    static bool subscribed = false;
    static amd::PRDeviceNotify sink;
    if (!subscribed) {
        amd::DeviceManager::Instance()->SetNotify(&sink);
        amd::DeviceManager::Instance()->Subscribe();
        subscribed = true;
    }
    auto& center = NSNotificationCenter::defaultCenter();
    notices::DeviceConnect.observe(center, this, [this](const NSNumberPtr& n) { connected.push_back(n->intValue()); });
    notices::DeviceDisConnect.observe(center, this,
                                      [this](const NSNumberPtr& n) { disconnected.push_back(n->intValue()); });
}

void DeviceTest::TearDown() {
    simdevice::detachAll();
    testsupport::waitUntil([] { return amd::DeviceManager::Instance()->DeviceCount() == 0; });
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

int DeviceTest::attachAndWait(const std::string& folder) {
    size_t before = connected.size();
    int id = simdevice::attach(folder);
    EXPECT_GT(id, 0) << folder;
    EXPECT_TRUE(testsupport::waitUntil([&] { return connected.size() > before; }));
    return id;
}

void DeviceTest::detachAndWait(int id) {
    size_t before = disconnected.size();
    EXPECT_TRUE(simdevice::detach(id));
    EXPECT_TRUE(testsupport::waitUntil([&] { return disconnected.size() > before; }));
}

std::string DeviceTest::deviceFolder(const std::string& name, const DeviceSpec& spec) {
    return makeDevice(home.path() + "/" + name, spec);
}

}  // namespace devicetest
