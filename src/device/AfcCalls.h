// The AFC work the file services share: streaming copies, file information and listings.
#pragma once

#include "platform/MobileDevice.h"
#include "platform/NewFile.h"

#include <cstdint>
#include <functional>
#include <string>

namespace amd {

// Reads the device file to its end into the new local file: 0 once it was read whole (an empty
// file included); 1 when it cannot be opened or the local file failed (into says why); an AFC
// status when the device failed part-way. into is not finished here.
int AfcCopyToLocal(AFCConnectionRef afc, const std::string& devicePath, files::NewFile& into, uint8_t* buffer,
                   uint32_t bufferSize);
// The same into a private file of the program's own at localPath, which an earlier copy keeps
// until the new one is whole: 0 for success; 1 when nothing was copied (an empty file's copy is
// made all the same) or the local file failed; an AFC status when the device failed.
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
