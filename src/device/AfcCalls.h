// The AFC work the file services share: streaming copies, file information and listings.
#pragma once

#include "platform/MobileDevice.h"

#include <cstdint>
#include <functional>
#include <string>

namespace amd {

// 0 for success; 1 when nothing was copied or a local file failed; an AFC status when the
// device failed. A copy that fails part-way leaves no partial file behind.
int AfcCopyToLocal(AFCConnectionRef afc, const std::string& devicePath, const std::string& localPath, uint8_t* buffer,
                   uint32_t bufferSize);
int AfcCopyToDevice(AFCConnectionRef afc, const std::string& localPath, const std::string& devicePath);
// New dictionary of text pairs, or NULL.
CFMutableDictionaryRef AfcFileInfo(AFCConnectionRef afc, const std::string& path);
// New array of the names of a folder without "." and "..", those keep accepts; or NULL.
CFMutableArrayRef AfcListDirectory(AFCConnectionRef afc, const std::string& path,
                                   const std::function<bool(const char*)>& keep = {});
AFCFileRef AfcFileOpen(AFCConnectionRef afc, const std::string& path, uint64_t mode);
int AfcFileClose(AFCConnectionRef afc, AFCFileRef ref);

}  // namespace amd
