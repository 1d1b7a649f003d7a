#include "clean/core/DeviceLayerEntries.h"

#include <cstdlib>

namespace clean {

std::string stringValue(CFTypeRef value) {
    auto s = cfCast<CFString>(value, CFStringGetTypeID());
    return s ? CFStringGetStdString(s) : std::string();
}

void appendEntryNames(CFArrayRef list, std::vector<std::string>& names) {
    const CFIndex count = CFArrayGetCount(list);
    names.reserve(names.size() + size_t(count));
    for (CFIndex i = 0; i < count; ++i) {
        std::string name = stringValue(CFArrayGetValueAtIndex(list, i));
        if (!name.empty()) names.push_back(std::move(name));
    }
}

DeviceEntryInfo entryInfoFromAttributes(CFDictionaryRef attributes) {
    DeviceEntryInfo info;
    const std::string type = stringValue(CFDictionaryGetValue(attributes, "st_ifmt"));
    info.kind = type == "S_IFDIR"   ? DeviceEntryInfo::Kind::Directory
                : type == "S_IFREG" ? DeviceEntryInfo::Kind::Regular
                                    : DeviceEntryInfo::Kind::Other;
    info.sizeText = stringValue(CFDictionaryGetValue(attributes, "st_size"));
    info.size = std::strtoull(info.sizeText.c_str(), nullptr, 10);
    return info;
}

}  // namespace clean
