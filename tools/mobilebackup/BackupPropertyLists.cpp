#include "BackupPropertyLists.h"

#include "DeviceFolder.h"
#include "backup/SHAH.h"

#include <algorithm>
#include <dirent.h>
#include <vector>

namespace mobilebackup {
namespace {

void setString(CFMutableDictionaryRef dict, const char* key, const std::string& text) {
    CFHolder<CFStringRef> value(CFStringCreateWithCString(text.c_str()));
    if (value) CFDictionarySetValue(dict, key, value.get());
}

void setDate(CFMutableDictionaryRef dict, const char* key, int64_t seconds) {
    CFHolder<CFDateRef> value(CFDateCreate(static_cast<double>(seconds) - kCFAbsoluteTimeIntervalSince1970));
    CFDictionarySetValue(dict, key, value.get());
}

// 32 upper-case hexadecimal digits derived from the device and the time.
std::string identifierText(const std::string& seed) {
    std::string hex = backupFileKey("mobilebackup", seed).substr(0, 32);
    std::transform(hex.begin(), hex.end(), hex.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return hex;
}

std::string stringOf(CFDictionaryRef dict, const char* key) {
    CFTypeRef value = CFDictionaryGetValue(dict, key);
    return CFGetTypeID(value) == CFStringGetTypeID() ? CFStringGetStdString(static_cast<CFStringRef>(value)) : "";
}

// The user apps of the device, by bundle identifier: identifier, version and bundle path.
CFMutableDictionaryRef userApplications(const std::string& appsFolder) {
    CFMutableDictionaryRef applications = CFDictionaryCreateMutable();
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(appsFolder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        CFHolder<CFPropertyListRef> attributes(
            CFPropertyListCreateFromFile(appsFolder + "/" + name + "/attributes.plist"));
        if (CFGetTypeID(attributes.get()) != CFDictionaryGetTypeID()) continue;
        const auto dict = static_cast<CFDictionaryRef>(attributes.get());
        if (stringOf(dict, "ApplicationType") != "User") continue;
        CFHolder<CFMutableDictionaryRef> app(CFDictionaryCreateMutable());
        setString(app.get(), "CFBundleIdentifier", name);
        setString(app.get(), "CFBundleVersion", stringOf(dict, "CFBundleVersion"));
        setString(app.get(), "Path", stringOf(dict, "Path"));
        CFDictionarySetValue(applications, name.c_str(), app.get());
    }
    return applications;
}

}  // namespace

bool writeBackupPropertyLists(const std::string& folder, const DeviceFolder& device, int64_t time) {
    const std::string udid = device.value("UniqueDeviceID");
    const std::string seed = udid + "@" + std::to_string(time);

    CFHolder<CFMutableDictionaryRef> info(CFDictionaryCreateMutable());
    setString(info.get(), "Build Version", device.value("BuildVersion"));
    setString(info.get(), "Device Name", device.value("DeviceName"));
    setString(info.get(), "Display Name", device.value("DeviceName"));
    setString(info.get(), "GUID", identifierText(seed + "guid"));
    setDate(info.get(), "Last Backup Date", time);
    setString(info.get(), "Phone Number", device.value("PhoneNumber"));
    setString(info.get(), "Product Type", device.value("ProductType"));
    setString(info.get(), "Product Version", device.value("ProductVersion"));
    setString(info.get(), "Serial Number", device.value("SerialNumber"));
    setString(info.get(), "Target Identifier", udid);
    setString(info.get(), "Target Type", "Device");
    setString(info.get(), "Unique Identifier", udid);
    setString(info.get(), "iTunes Version", kToolVersion);

    CFHolder<CFMutableDictionaryRef> status(CFDictionaryCreateMutable());
    setString(status.get(), "BackupState", "new");
    setDate(status.get(), "Date", time);
    CFDictionarySetValue(status.get(), "IsFullBackup", kCFBooleanTrue);
    setString(status.get(), "SnapshotState", "finished");
    setString(status.get(), "UUID", identifierText(seed + "status"));
    setString(status.get(), "Version", "2.4");

    CFHolder<CFMutableDictionaryRef> lockdown(CFDictionaryCreateMutable());
    for (const char* key :
         {"BuildVersion", "DeviceName", "ProductType", "ProductVersion", "SerialNumber", "UniqueDeviceID"})
        setString(lockdown.get(), key, device.value(key));
    CFHolder<CFMutableDictionaryRef> manifest(CFDictionaryCreateMutable());
    CFHolder<CFMutableDictionaryRef> applications(userApplications(device.folder + "/apps"));
    CFDictionarySetValue(manifest.get(), "Applications", applications.get());
    setDate(manifest.get(), "Date", time);
    CFDictionarySetValue(manifest.get(), "IsEncrypted", kCFBooleanFalse);
    CFDictionarySetValue(manifest.get(), "Lockdown", lockdown.get());
    setString(manifest.get(), "Version", "9.1");
    CFDictionarySetValue(manifest.get(), "WasPasscodeSet", kCFBooleanFalse);

    return CFPropertyListWriteToFile(info.get(), folder + "/Info.plist", kCFPropertyListXMLFormat_v1_0) &&
           CFPropertyListWriteToFile(status.get(), folder + "/Status.plist", kCFPropertyListBinaryFormat_v1_0) &&
           CFPropertyListWriteToFile(manifest.get(), folder + "/Manifest.plist", kCFPropertyListBinaryFormat_v1_0);
}

}  // namespace mobilebackup
