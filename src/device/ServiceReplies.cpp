#include "device/ServiceReplies.h"

#include "device/SBService.h"
#include "device/StatusText.h"
#include "platform/LogCategories.h"

#include <QtDebug>
#include <cstdlib>

namespace amd {

std::string stringValue(CFTypeRef value) {
    auto s = cfCast<CFString>(value, CFStringGetTypeID());
    return s ? CFStringGetStdString(s) : std::string();
}

void appendEntryNames(CFArrayRef list, std::vector<std::string>& names) {
    const CFIndex count = CFArrayGetCount(list);
    names.reserve(names.size() + size_t(count));
    for (CFIndex i = 0; i < count; ++i) {
        const CFTypeRef value = CFArrayGetValueAtIndex(list, i);
        // A name that is not UTF-8 comes as its bytes.
        std::string name =
            CFGetTypeID(value) == CFDataGetTypeID()
                ? std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(static_cast<CFDataRef>(value))),
                              size_t(CFDataGetLength(static_cast<CFDataRef>(value))))
                : stringValue(value);
        if (!name.empty()) names.push_back(std::move(name));
    }
}

FileEntry entryFromAttributes(CFDictionaryRef attributes) {
    FileEntry entry;
    const std::string type = stringValue(CFDictionaryGetValue(attributes, "st_ifmt"));
    entry.kind = type == "S_IFDIR"   ? FileEntry::Kind::Directory
                 : type == "S_IFREG" ? FileEntry::Kind::Regular
                 : type == "S_IFLNK" ? FileEntry::Kind::Link
                                     : FileEntry::Kind::Other;
    entry.sizeText = stringValue(CFDictionaryGetValue(attributes, "st_size"));
    entry.size = std::strtoull(entry.sizeText.c_str(), nullptr, 10);
    entry.mtime = std::strtoll(stringValue(CFDictionaryGetValue(attributes, "st_mtime")).c_str(), nullptr, 10);
    return entry;
}

std::string appListFailure(int status) { return "The app list could not be read: " + statusText(status); }

IconFetch fetchIconPNGData(int deviceIndex, const std::string& bundleId, std::vector<uint8_t>& png, int* status) {
    SBService service;
    if (const int started = service.Start(deviceIndex); started != 0) {
        if (status) *status = started;
        return IconFetch::NoService;
    }
    CFHolder<CFStringRef> id(CFStringCreateWithCString(bundleId.c_str()));
    const uint8_t* bytes = nullptr;
    int64_t length = 0;
    const int fetched = service.getIconPNGData(id.get(), &bytes, &length);
    qCInfo(lcDevice, "Get PNGData %d", fetched);
    if (length <= 0 || !bytes) return IconFetch::NoIcon;
    png.assign(bytes, bytes + length);
    return IconFetch::Icon;
}

}  // namespace amd
