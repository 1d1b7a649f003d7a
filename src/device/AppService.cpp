#include "device/AppService.h"

#include "device/AfcService.h"
#include "device/Conversions.h"

namespace amd {

AppService::~AppService() { CFRelease(lookup); }

int AppService::Start(int index) {
    int status = BaseService::Start(index);
    if (status == 0) status = StartService("com.apple.mobile.installation_proxy");
    return status;
}

CFDictionaryRef AppService::LookupOptions() {
    static CFDictionaryRef options = [] {
        static const char* const attributes[] = {"CFBundleIdentifier",
                                                 "ApplicationType",
                                                 "CFBundleExecutable",
                                                 "CFBundleDisplayName",
                                                 "CFBundleIconFile",
                                                 "CFBundleName",
                                                 "CFBundleShortVersionString",
                                                 "CFBundleVersion",
                                                 "Entitlements",
                                                 "Path",
                                                 "UIFileSharingEnabled",
                                                 "DynamicDiskUsage",
                                                 "StaticDiskUsage"};
        CFMutableArrayRef names = CFArrayCreateMutable();
        for (const char* name : attributes) {
            CFHolder<CFStringRef> text(CFStringCreateWithCString(name));
            CFArrayAppendValue(names, text.get());
        }
        CFMutableDictionaryRef dict = CFDictionaryCreateMutable();
        CFDictionarySetValue(dict, "ReturnAttributes", names);
        CFRelease(names);
        return static_cast<CFDictionaryRef>(dict);
    }();
    return options;
}

CFDictionaryRef AppService::LookupApplications(int* status) {
    int looked = kAMDNotConnectedError;
    CFDictionaryRef result = nullptr;
    if (device)
        looked = device->Lockdown(
            [&](AMDeviceRef handle) { return AMDeviceLookupApplications(handle, LookupOptions(), &result); });
    if (looked == 0 && result && CFGetTypeID(result) == CFDictionaryGetTypeID()) return result;
    CFRelease(result);
    if (status) *status = looked != 0 ? looked : kAMDUndefinedError;
    return nullptr;
}

bool forEachInstalledApp(int deviceIndex, int* status,
                         const std::function<void(CFTypeRef bundleId, CFDictionaryRef attributes)>& each) {
    AppService service;
    if (const int started = service.Start(deviceIndex); started != 0) {
        if (status) *status = started;
        return false;
    }
    CFHolder<CFDictionaryRef> lookup(service.LookupApplications(status));
    if (!lookup) return false;
    const CFIndex count = CFDictionaryGetCount(lookup.get());
    std::vector<CFTypeRef> keys(static_cast<size_t>(count)), values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(lookup.get(), keys.data(), values.data());
    for (size_t i = 0; i < keys.size(); ++i) each(keys[i], cfCast<CFDictionary>(values[i], CFDictionaryGetTypeID()));
    return true;
}

CFArrayRef AppService::AppIdList() {
    if (!lookup) lookup = LookupApplications();
    CFIndex entries = lookup ? CFDictionaryGetCount(lookup) : 0;
    Diagnostic("App list count = %ld\n", static_cast<long>(entries));
    keys.assign(entries, nullptr);
    values.assign(entries, nullptr);
    if (entries > 0) CFDictionaryGetKeysAndValues(lookup, keys.data(), values.data());
    count = static_cast<unsigned int>(entries);
    return CFArrayCreate(keys.data(), entries);
}

std::vector<AppRecord> AppService::AppRecords() {
    CFHolder<CFArrayRef> ids(AppIdList());
    static CFStringRef iconName = CFStringCreateWithCString("iTunesArtwork");
    auto get = [](CFTypeRef dict, const char* key) -> CFTypeRef {
        if (!dict || CFGetTypeID(dict) != CFDictionaryGetTypeID()) return nullptr;
        return CFDictionaryGetValue(static_cast<CFDictionaryRef>(dict), key);
    };
    auto as = [](CFTypeRef value, CFTypeID type) { return value && CFGetTypeID(value) == type ? value : nullptr; };
    std::vector<AppRecord> records;
    for (unsigned int i = 0; i < count; ++i) {
        AppRecord r;
        CFTypeRef attrs = values[i];
        r.displayName = static_cast<CFStringRef>(as(get(attrs, "CFBundleDisplayName"), CFStringGetTypeID()));
        r.bundleId = static_cast<CFStringRef>(keys[i]);
        r.iconName = iconName;
        r.applicationType = static_cast<CFStringRef>(as(get(attrs, "ApplicationType"), CFStringGetTypeID()));
        r.path = static_cast<CFStringRef>(as(get(attrs, "Path"), CFStringGetTypeID()));
        CFTypeRef entitlements = get(attrs, "Entitlements");
        r.ubiquityContainerIds = get(entitlements, "com.apple.developer.ubiquity-container-identifiers");
        r.ubiquityKvstoreId = get(entitlements, "com.apple.developer.ubiquity-kvstore-identifier");
        r.fileSharingEnabled = get(attrs, "UIFileSharingEnabled") != nullptr;
        r.dynamicDiskUsage = static_cast<CFNumberRef>(as(get(attrs, "DynamicDiskUsage"), CFNumberGetTypeID()));
        r.staticDiskUsage = static_cast<CFNumberRef>(as(get(attrs, "StaticDiskUsage"), CFNumberGetTypeID()));
        records.push_back(r);
    }
    return records;
}

int AppService::Uninstall(CFStringRef bundleId, am_device_progress_callback callback) {
    if (!bundleId) return 1;
    return AMDeviceUninstallApplication(socket, bundleId, nullptr, callback ? callback : DefaultProgressCallback,
                                        nullptr);
}

int AppService::Install(const std::string& path, am_device_progress_callback transferCallback,
                        am_device_progress_callback installCallback) {
    CFMutableDictionaryRef options = CFDictionaryCreateMutable();
    CFHolder<CFStringRef> type(CFStringCreateWithCString("Developer"));
    CFDictionarySetValue(options, "PackageType", type.get());
    auto* afc = new AfcService;
    int status = 1;
    if (afc->Start(deviceIndex) == 0) {
        status = afc->TransferApplication(path, transferCallback ? transferCallback : DefaultProgressCallback);
        if (status == 0) {
            CFHolder<CFStringRef> text(string_to_cfstring(path));
            status = AMDeviceInstallApplication(socket, text.get(), options,
                                                installCallback ? installCallback : DefaultProgressCallback, nullptr);
        }
    }
    CFRelease(options);
    delete afc;
    return status;
}

int AppService::Archive(CFStringRef bundleId, bool documents, bool application) {
    if (!documents && !application) return 0;
    const char* type = documents && application ? "All" : documents ? "DocumentsOnly" : "ApplicationOnly";
    CFMutableDictionaryRef options = CFDictionaryCreateMutable();
    CFHolder<CFStringRef> typeText(CFStringCreateWithCString(type));
    CFDictionarySetValue(options, "ArchiveType", typeText.get());
    CFDictionarySetValue(options, "SkipUninstall", kCFBooleanTrue);
    int status = AMDeviceArchiveApplication(socket, bundleId, options, DefaultProgressCallback, nullptr);
    CFRelease(options);
    return status;
}

CFPropertyListRef AppService::LookupArchives() {
    CFMutableDictionaryRef request = CFDictionaryCreateMutable();
    CFHolder<CFStringRef> command(CFStringCreateWithCString("LookupArchives"));
    CFDictionarySetValue(request, "Command", command.get());
    int sent = SendPlist(request);
    CFRelease(request);
    return sent != 0 ? ReceivePlist() : nullptr;
}

int AppService::RemoveApplicationArchive(CFStringRef bundleId) {
    return AMDeviceRemoveApplicationArchive(socket, bundleId, nullptr, DefaultProgressCallback, nullptr);
}

void AppService::DefaultProgressCallback(CFDictionaryRef status, void*) {
    if (status) Diagnostic("%s\n", cftype_to_string(status).c_str());
}

}  // namespace amd
