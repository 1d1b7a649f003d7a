#include "clean/core/DeviceLayerEntries.h"

namespace clean {

DeviceEntryInfo entryInfoFromAttributes(CFDictionaryRef attributes) {
    const amd::AfcEntry entry = amd::entryFromAttributes(attributes);
    DeviceEntryInfo info;
    info.kind = entry.kind == amd::AfcEntry::Kind::Directory ? DeviceEntryInfo::Kind::Directory
                : entry.kind == amd::AfcEntry::Kind::Regular ? DeviceEntryInfo::Kind::Regular
                                                             : DeviceEntryInfo::Kind::Other;
    info.sizeText = entry.sizeText;
    info.size = entry.size;
    return info;
}

}  // namespace clean
