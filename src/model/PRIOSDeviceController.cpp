#include "model/PRIOSDeviceController.h"

#include "model/PRRecordFields.h"
#include "platform/CoreFoundation.h"
#include "platform/LogCategories.h"
#include "platform/SystemVersion.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>

namespace {

struct ModelName {
    const char* key;
    const char* name;
};

// Searched in order; the first key contained in the product type names the model.
constexpr ModelName kModels[] = {
    {"iPhone1,1", "iPhone"},    {"iPhone1,2", "iPhone3G"},  {"iPhone2,1", "iPhone3GS"}, {"iPhone3,1", "iPhone 4"},
    {"iPhone3,3", "iPhone 4"},  {"iPhone4,1", "iPhone 4S"}, {"iPhone5", "iPhone 5"},    {"iPod1,1", "iPodTouch"},
    {"iPod2,1", "iPodTouch2G"}, {"iPod3,1", "IpodTouch3G"}, {"iPod4,1", "iPodTouch4G"}, {"iPad1,1", "iPad 1"},
    {"iPad2,1", "iPad 2"},      {"iPad3", "NewiPad"},
};

bool containsIgnoringCase(const std::string& text, const char* key) {
    const std::string_view needle(key);
    return std::search(text.begin(), text.end(), needle.begin(), needle.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

bool isIPadName(const std::string& name) { return name == "iPad 1" || name == "iPad 2" || name == "NewiPad"; }

// Up to two entries of the folder besides "." and "..": all the list needs to know.
int countEntriesUpToTwo(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return 0;
    int count = 0;
    while (count < 2) {
        const dirent* entry = ::readdir(dir);
        if (!entry) break;
        const std::string name = entry->d_name;
        if (name != "." && name != "..") ++count;
    }
    ::closedir(dir);
    return count;
}

CFDictionaryRef dictionaryFromFile(const std::string& path, CFHolder<CFPropertyListRef>& holder) {
    holder.reset(CFPropertyListCreateFromFile(path, nullptr, /*followLinks*/ false));
    if (!holder || CFGetTypeID(holder.get()) != CFDictionaryGetTypeID()) return nullptr;
    return static_cast<CFDictionaryRef>(holder.get());
}

std::string stringValue(CFDictionaryRef dict, const char* key) {
    CFTypeRef value = CFDictionaryGetValue(dict, key);
    if (!value || CFGetTypeID(value) != CFStringGetTypeID()) return {};
    return CFStringGetStdString(static_cast<CFStringRef>(value));
}

struct BackupDescription {
    std::string name, serial, productType, version, itunesVersion, size;
    time_t modified = 0;
};

}  // namespace

void PRIOSDeviceController::addDeviceNodeByPath(const std::string& path) {
    struct stat folder {};
    if (::stat(path.c_str(), &folder) != 0) {
        qCInfo(lcModel, "Filepath is not exist");
        return;
    }
    if (countEntriesUpToTwo(path) < 2) return;

    const std::string infoPath = path + "/Info.plist";
    const std::string manifestPath = path + "/Manifest.plist";
    CFHolder<CFPropertyListRef> infoHolder;
    CFHolder<CFPropertyListRef> manifestHolder;
    CFDictionaryRef info = dictionaryFromFile(infoPath, infoHolder);
    BackupDescription backup;
    struct stat fileInfo {};
    if (info) {
        backup.name = stringValue(info, "Device Name");
        backup.serial = stringValue(info, "Serial Number");
        backup.productType = stringValue(info, "Product Type");
        backup.version = stringValue(info, "Product Version");
        backup.itunesVersion = stringValue(info, "iTunes Version");
        if (::stat(infoPath.c_str(), &fileInfo) == 0) {
            backup.modified = fileInfo.st_mtime;
            backup.size = std::to_string(static_cast<long long>(fileInfo.st_size));
        }
    } else {
        CFDictionaryRef manifest = dictionaryFromFile(manifestPath, manifestHolder);
        if (!manifest) return;
        CFTypeRef lockdownValue = CFDictionaryGetValue(manifest, "Lockdown");
        if (!lockdownValue || CFGetTypeID(lockdownValue) != CFDictionaryGetTypeID()) return;
        const auto lockdown = static_cast<CFDictionaryRef>(lockdownValue);
        backup.name = stringValue(lockdown, "DeviceName");
        backup.serial = stringValue(lockdown, "SerialNumber");
        backup.productType = stringValue(lockdown, "ProductType");
        backup.version = stringValue(lockdown, "ProductVersion");
        backup.itunesVersion = stringValue(lockdown, "BuildVersion");
        if (::stat(manifestPath.c_str(), &fileInfo) == 0) backup.modified = fileInfo.st_mtime;
    }

    auto node = std::make_shared<PRIOSDeviceNode>();
    node->setStrDeviceName(backup.name);
    node->setStrDeviceSerial(backup.serial);
    node->setStrIOSVersion(backup.version);
    node->setItunesVersion(backup.itunesVersion);
    node->setStrDeviceSize(backup.size);

    std::string time = convertCurrentTimeZone2(standardDateDescription(backup.modified));
    const size_t firstBlank = time.find(' ');
    const size_t secondBlank = firstBlank == std::string::npos ? std::string::npos : time.find(' ', firstBlank + 1);
    if (secondBlank != std::string::npos) time.resize(secondBlank);  // date and time of day, without the zone
    node->setStrDeviceBackUpTime(time);

    // A product type of no known model shows as itself, with the phone picture.
    const std::string model = GetDevcieType(backup.productType);
    node->setStrDeviceType(model.empty() ? backup.productType : model);
    node->setDeviceImage(isIPadName(model) ? "ipad" : "iphone");
    node->setBackUpFilePath(path);
    content_.push_back(std::move(node));
}

std::string PRIOSDeviceController::GetDevcieType(const std::string& productType) {
    if (productType.empty()) return "iPhone";
    for (const ModelName& model : kModels)
        if (containsIgnoringCase(productType, model.key)) return model.name;
    return {};
}

std::string PRIOSDeviceController::convertCurrentTimeZone2(const std::string& dateText) {
    unsigned minor = 0;
    getSystemVersionMajor(nullptr, &minor, nullptr);
    if (minor < 7) return dateText;
    struct tm utc {};
    char sign = '+';
    int zoneHours = 0;
    int zoneMinutes = 0;
    if (std::sscanf(dateText.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %c%2d%2d", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                    &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &sign, &zoneHours, &zoneMinutes) != 9 ||
        (sign != '+' && sign != '-'))
        return {};
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    const int zoneSeconds = (zoneHours * 3600 + zoneMinutes * 60) * (sign == '-' ? -1 : 1);
    const time_t at = ::timegm(&utc) - zoneSeconds;
    struct tm local {};
    if (!::localtime_r(&at, &local)) return {};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min);
    return text;
}

void PRIOSDeviceController::getSystemVersionMajor(unsigned* major, unsigned* minor, unsigned* bugFix) {
    const SystemVersion version = currentSystemVersion();
    if (major) *major = static_cast<unsigned>(version.major);
    if (minor) *minor = static_cast<unsigned>(version.minor);
    if (bugFix) *bugFix = static_cast<unsigned>(version.bugfix);
}
