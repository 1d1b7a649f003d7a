#include "DeviceFolder.h"

#include "ToolError.h"
#include "platform/SimulatedDevices.h"

#include <climits>
#include <cstdlib>

namespace mobilebackup {
namespace {

CFDictionaryRef asDictionary(CFPropertyListRef value) {
    return CFGetTypeID(value) == CFDictionaryGetTypeID() ? static_cast<CFDictionaryRef>(value) : nullptr;
}

bool booleanOr(CFDictionaryRef dict, const char* key, bool fallback) {
    CFTypeRef value = dict ? CFDictionaryGetValue(dict, key) : nullptr;
    if (CFGetTypeID(value) != CFBooleanGetTypeID()) return fallback;
    return CFBooleanGetValue(static_cast<CFBooleanRef>(value));
}

std::unique_ptr<DeviceFolder> load(const std::string& folder) {
    char real[PATH_MAX];
    if (!::realpath(folder.c_str(), real)) return nullptr;
    auto device = std::make_unique<DeviceFolder>();
    device->folder = real;
    CFPropertyListRef values = CFPropertyListCreateFromFile(device->folder + "/lockdown/values.plist");
    if (!asDictionary(values)) {
        CFRelease(values);
        return nullptr;
    }
    device->values.reset(static_cast<CFDictionaryRef>(values));
    return device;
}

}  // namespace

std::string DeviceFolder::value(const char* key) const {
    CFTypeRef found = CFDictionaryGetValue(values.get(), key);
    if (CFGetTypeID(found) != CFStringGetTypeID()) return {};
    return CFStringGetStdString(static_cast<CFStringRef>(found));
}

bool DeviceFolder::trustsComputer() const {
    CFHolder<CFPropertyListRef> pairing(CFPropertyListCreateFromFile(folder + "/pairing.plist"));
    CFDictionaryRef dict = asDictionary(pairing.get());
    return booleanOr(dict, "Paired", true) || booleanOr(dict, "Trusted", true);
}

std::unique_ptr<DeviceFolder> findDevice(const std::string& identifier) {
    const char* list = std::getenv(simdevice::kEnvironmentVariable);
    const std::string all = list ? list : "";
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        const std::string folder = all.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) continue;
        std::unique_ptr<DeviceFolder> device = load(folder);
        if (device && device->value("UniqueDeviceID") == identifier) return device;
    }
    throw ToolError(kUnknownDevice, "no attached device has the identifier " + identifier);
}

}  // namespace mobilebackup
