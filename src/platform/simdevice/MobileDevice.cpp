// Lockdown, services and apps of a simulated device.
#include "platform/MobileDevice.h"

#include "platform/simdevice/SimDevice.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace simdevice;

namespace {

// The attached device behind handle, unless a test made function fail.
int lockdownDevice(AMDeviceRef handle, const char* function, DevicePtr* out) {
    DevicePtr device = deviceForHandle(handle);
    if (!device) return kAMDDeviceDisconnectedError;
    if (int status = device->injectedFailure(function)) return status;
    *out = std::move(device);
    return kAMDSuccess;
}

// Lockdown work needs a connection with a session on it.
int inSession(AMDeviceRef handle, const char* function, DevicePtr* out) {
    if (int status = lockdownDevice(handle, function, out)) return status;
    std::lock_guard lock((*out)->mutex);
    if ((*out)->connections == 0) return kAMDNotConnectedError;
    if ((*out)->sessions == 0) return kAMDSessionInactiveError;
    return kAMDSuccess;
}

// The installation-proxy or AFC service behind a socket, unless a test made function fail.
std::shared_ptr<Service> serviceOf(int socket, Service::Kind kind, const char* function, int* status) {
    auto service = serviceForSocket(socket);
    if (!service || service->kind != kind) {
        *status = kAMDInvalidArgumentError;
        return nullptr;
    }
    *status = service->device->injectedFailure(function);
    return *status ? nullptr : service;
}

std::string text(CFStringRef s) { return s && CFGetTypeID(s) == CFStringGetTypeID() ? CFStringGetStdString(s) : ""; }

void progress(am_device_progress_callback callback, void* context, const char* status, int percent) {
    if (!callback) return;
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable();
    CFHolder<CFStringRef> s(CFStringCreateWithCString(status));
    CFDictionarySetValue(dict, "Status", s.get());
    CFHolder<CFNumberRef> n(CFNumberCreate(kCFNumberIntType, &percent));
    CFDictionarySetValue(dict, "PercentComplete", n.get());
    callback(dict, context);
    CFRelease(dict);
}

bool validBundleId(const std::string& id) {
    return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos;
}

}  // namespace

int AMDeviceConnect(AMDeviceRef handle) {
    DevicePtr device;
    if (int status = lockdownDevice(handle, "AMDeviceConnect", &device)) return status;
    std::lock_guard lock(device->mutex);
    ++device->connections;
    return kAMDSuccess;
}

int AMDeviceDisconnect(AMDeviceRef handle) {
    DevicePtr device = deviceForHandle(handle);
    if (!device) return kAMDDeviceDisconnectedError;
    std::lock_guard lock(device->mutex);
    if (device->connections == 0) return kAMDNotConnectedError;
    if (--device->connections == 0) device->sessions = 0;
    auto it = device->failures.find("AMDeviceDisconnect");
    return it == device->failures.end() ? kAMDSuccess : it->second.status;
}

int AMDeviceStartSession(AMDeviceRef handle) {
    DevicePtr device;
    if (int status = lockdownDevice(handle, "AMDeviceStartSession", &device)) return status;
    std::lock_guard lock(device->mutex);
    if (device->connections == 0) return kAMDNotConnectedError;
    if (!device->paired) return kAMDInvalidPairRecordError;
    ++device->sessions;
    return kAMDSuccess;
}

int AMDeviceStopSession(AMDeviceRef handle) {
    DevicePtr device;
    if (int status = lockdownDevice(handle, "AMDeviceStopSession", &device)) return status;
    std::lock_guard lock(device->mutex);
    if (device->sessions == 0) return kAMDSessionInactiveError;
    --device->sessions;
    return kAMDSuccess;
}

int AMDeviceValidatePairing(AMDeviceRef handle) {
    DevicePtr device;
    if (int status = lockdownDevice(handle, "AMDeviceValidatePairing", &device)) return status;
    std::lock_guard lock(device->mutex);
    if (device->connections == 0) return kAMDNotConnectedError;
    return device->paired ? kAMDSuccess : kAMDInvalidPairRecordError;
}

int AMDevicePair(AMDeviceRef handle) {
    DevicePtr device;
    if (int status = lockdownDevice(handle, "AMDevicePair", &device)) return status;
    std::lock_guard lock(device->mutex);
    if (device->connections == 0) return kAMDNotConnectedError;
    if (!device->trusted) return kAMDPasswordProtectedError;  // the user did not accept on the device
    device->paired = true;
    return kAMDSuccess;
}

bool AMDeviceIsPaired(AMDeviceRef handle) {
    DevicePtr device = deviceForHandle(handle);
    if (!device) return false;
    std::lock_guard lock(device->mutex);
    return device->paired;
}

CFTypeRef AMDeviceCopyValue(AMDeviceRef handle, CFStringRef domain, CFStringRef key) {
    DevicePtr device;
    if (inSession(handle, "AMDeviceCopyValue", &device)) return nullptr;
    CFDictionaryRef values = device->values.get();
    if (domain) {
        auto it = device->domains.find(text(domain));
        if (it == device->domains.end()) return nullptr;
        values = it->second.get();
    }
    if (!key) return CFRetain(values);
    return CFRetain(CFDictionaryGetValue(values, key));
}

int AMDeviceStartService(AMDeviceRef handle, CFStringRef serviceName, int* socket) {
    DevicePtr device;
    if (int status = inSession(handle, "AMDeviceStartService", &device)) return status;
    if (!socket) return kAMDInvalidArgumentError;
    std::string name = text(serviceName);
    if (name == "com.apple.afc" && !device->mediaRoot.empty())
        return startService(device, Service::Kind::Afc, device->mediaRoot, socket);
    if (name == "com.apple.crashreportcopymobile" && !device->crashRoot.empty())
        return startService(device, Service::Kind::Afc, device->crashRoot, socket);
    if (name == "com.apple.mobile.installation_proxy")
        return startService(device, Service::Kind::InstallationProxy, {}, socket);
    if (name == "com.apple.springboardservices") return startService(device, Service::Kind::SpringBoard, {}, socket);
    return kAMDServiceProhibitedError;
}

int AMDeviceStartHouseArrestService(AMDeviceRef handle, CFStringRef bundleId, CFDictionaryRef, int* socket,
                                    unsigned int*) {
    DevicePtr device;
    if (int status = inSession(handle, "AMDeviceStartHouseArrestService", &device)) return status;
    if (!socket) return kAMDInvalidArgumentError;
    std::string folder = device->appFolder(text(bundleId));
    if (folder.empty()) return kAMDApplicationNotFoundError;
    std::error_code ec;
    fs::path container = fs::path(folder) / "container";
    if (fs::is_symlink(container, ec) || !fs::is_directory(container, ec)) return kAMDApplicationNotFoundError;
    return startService(device, Service::Kind::Afc, container.string(), socket);
}

int AMDeviceLookupApplications(AMDeviceRef handle, CFDictionaryRef options, CFDictionaryRef* result) {
    DevicePtr device;
    if (int status = inSession(handle, "AMDeviceLookupApplications", &device)) return status;
    if (!result) return kAMDInvalidArgumentError;
    CFArrayRef wanted = nullptr;
    if (options) {
        CFTypeRef v = CFDictionaryGetValue(options, "ReturnAttributes");
        if (v && CFGetTypeID(v) == CFArrayGetTypeID()) wanted = static_cast<CFArrayRef>(v);
    }
    CFMutableDictionaryRef apps = CFDictionaryCreateMutable();
    std::error_code ec;
    std::vector<std::string> ids;
    if (!device->appsRoot.empty())
        for (const auto& entry : fs::directory_iterator(device->appsRoot, ec))
            ids.push_back(entry.path().filename().string());
    std::sort(ids.begin(), ids.end());
    for (const std::string& id : ids) {
        std::string folder = device->appFolder(id);
        if (folder.empty()) continue;
        CFHolder<CFTypeRef> attrs(CFPropertyListCreateFromFile(folder + "/attributes.plist"));
        if (!attrs || CFGetTypeID(attrs.get()) != CFDictionaryGetTypeID()) continue;
        auto all = static_cast<CFDictionaryRef>(attrs.get());
        CFMutableDictionaryRef chosen = CFDictionaryCreateMutable();
        CFIndex count = CFDictionaryGetCount(all);
        std::vector<CFTypeRef> keys(count), values(count);
        CFDictionaryGetKeysAndValues(all, keys.data(), values.data());
        for (CFIndex i = 0; i < count; ++i) {
            bool take = !wanted;
            for (CFIndex w = 0; wanted && w < CFArrayGetCount(wanted) && !take; ++w)
                take = CFEqual(CFArrayGetValueAtIndex(wanted, w), keys[i]);
            if (take) CFDictionarySetValue(chosen, static_cast<CFStringRef>(keys[i]), values[i]);
        }
        CFHolder<CFStringRef> key(CFStringCreateWithCString(id.c_str()));
        CFDictionarySetValue(apps, key.get(), chosen);
        CFRelease(chosen);
    }
    *result = apps;
    return kAMDSuccess;
}

int AMDeviceUninstallApplication(int socket, CFStringRef bundleId, CFDictionaryRef,
                                 am_device_progress_callback callback, void* context) {
    int status = 0;
    auto service = serviceOf(socket, Service::Kind::InstallationProxy, "AMDeviceUninstallApplication", &status);
    if (!service) return status;
    std::string folder = service->device->appFolder(text(bundleId));
    if (folder.empty()) return kAMDApplicationNotFoundError;
    progress(callback, context, "RemovingApplication", 50);
    std::error_code ec;
    fs::remove_all(folder, ec);  // never follows links
    if (ec) return kAMDUndefinedError;
    progress(callback, context, "Complete", 100);
    return kAMDSuccess;
}

int AMDeviceTransferApplication(int socket, CFStringRef path, CFDictionaryRef, am_device_progress_callback callback,
                                void* context) {
    int status = 0;
    auto service = serviceOf(socket, Service::Kind::Afc, "AMDeviceTransferApplication", &status);
    if (!service) return status;
    const Device& device = *service->device;
    if (device.mediaRoot.empty() || service->areaRoot != device.mediaRoot) return kAMDInvalidArgumentError;
    fs::path source(text(path));
    std::error_code ec;
    if (source.empty() || !fs::exists(source, ec)) return kAMDNotFoundError;
    fs::path staging = fs::path(device.mediaRoot) / "PublicStaging";
    fs::create_directories(staging, ec);
    fs::path target = staging / source.filename();
    fs::remove_all(target, ec);
    progress(callback, context, "CopyingFile", 50);
    fs::copy(source, target, fs::copy_options::recursive, ec);
    if (ec) return kAMDUndefinedError;
    progress(callback, context, "Complete", 100);
    return kAMDSuccess;
}

int AMDeviceInstallApplication(int socket, CFStringRef path, CFDictionaryRef, am_device_progress_callback callback,
                               void* context) {
    int status = 0;
    auto service = serviceOf(socket, Service::Kind::InstallationProxy, "AMDeviceInstallApplication", &status);
    if (!service) return status;
    const Device& device = *service->device;
    if (device.mediaRoot.empty() || device.appsRoot.empty()) return kAMDInvalidArgumentError;
    // A package is a folder with the app's attributes.plist and optionally its icon.png.
    fs::path staged = fs::path(device.mediaRoot) / "PublicStaging" / fs::path(text(path)).filename();
    std::error_code ec;
    if (fs::is_symlink(staged, ec) || !fs::is_directory(staged, ec)) return kAMDNotFoundError;
    CFHolder<CFTypeRef> attrs(CFPropertyListCreateFromFile((staged / "attributes.plist").string()));
    if (!attrs || CFGetTypeID(attrs.get()) != CFDictionaryGetTypeID()) return kAMDInvalidArgumentError;
    CFTypeRef idValue = CFDictionaryGetValue(static_cast<CFDictionaryRef>(attrs.get()), "CFBundleIdentifier");
    std::string id =
        idValue && CFGetTypeID(idValue) == CFStringGetTypeID() ? text(static_cast<CFStringRef>(idValue)) : "";
    if (!validBundleId(id)) return kAMDInvalidArgumentError;
    progress(callback, context, "InstallingApplication", 50);
    fs::path app = fs::path(device.appsRoot) / id;
    fs::create_directories(app, ec);
    fs::copy_file(staged / "attributes.plist", app / "attributes.plist", fs::copy_options::overwrite_existing, ec);
    if (ec) return kAMDUndefinedError;
    if (fs::is_regular_file(staged / "icon.png", ec))
        fs::copy_file(staged / "icon.png", app / "icon.png", fs::copy_options::overwrite_existing, ec);
    for (const char* sub : {"Documents", "Library/Caches", "Library/Cookies", "Library/Preferences", "tmp"})
        fs::create_directories(app / "container" / sub, ec);
    progress(callback, context, "Complete", 100);
    return kAMDSuccess;
}

int AMDeviceArchiveApplication(int socket, CFStringRef bundleId, CFDictionaryRef options,
                               am_device_progress_callback callback, void* context) {
    int status = 0;
    auto service = serviceOf(socket, Service::Kind::InstallationProxy, "AMDeviceArchiveApplication", &status);
    if (!service) return status;
    Device& device = *service->device;
    std::string id = text(bundleId);
    std::string folder = device.appFolder(id);
    if (folder.empty()) return kAMDApplicationNotFoundError;
    std::string type = "All";
    bool skipUninstall = false;
    if (options) {
        CFTypeRef t = CFDictionaryGetValue(options, "ArchiveType");
        if (t && CFGetTypeID(t) == CFStringGetTypeID()) type = text(static_cast<CFStringRef>(t));
        CFTypeRef s = CFDictionaryGetValue(options, "SkipUninstall");
        if (s && CFGetTypeID(s) == CFBooleanGetTypeID())
            skipUninstall = CFBooleanGetValue(static_cast<CFBooleanRef>(s));
    }
    progress(callback, context, "ArchivingApplication", 50);
    {
        std::lock_guard lock(device.mutex);
        device.archives[id] = type;
    }
    if (!skipUninstall) {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    progress(callback, context, "Complete", 100);
    return kAMDSuccess;
}

int AMDeviceRemoveApplicationArchive(int socket, CFStringRef bundleId, CFDictionaryRef,
                                     am_device_progress_callback callback, void* context) {
    int status = 0;
    auto service = serviceOf(socket, Service::Kind::InstallationProxy, "AMDeviceRemoveApplicationArchive", &status);
    if (!service) return status;
    {
        std::lock_guard lock(service->device->mutex);
        if (service->device->archives.erase(text(bundleId)) == 0) return kAMDNotFoundError;
    }
    progress(callback, context, "Complete", 100);
    return kAMDSuccess;
}
