// Turns a device path into a path inside one area folder (the media area, the crash-report
// area, an app container). A path never leaves its area: ".." components are refused, an
// absolute path starts at the area's root, and a symbolic link that resolves outside the area
// is refused, never followed.
#pragma once

#include <string>

namespace simdevice {

// An existing entry, symbolic links resolved: 0 and *hostPath, or an AFC status.
int resolveExisting(const std::string& areaRoot, const char* devicePath, std::string* hostPath);
// An entry to create or replace: its folder must exist inside the area and the entry itself
// must not be a symbolic link. 0 and *hostPath, or an AFC status.
int resolveForCreate(const std::string& areaRoot, const char* devicePath, std::string* hostPath);
// An existing entry taken as itself (a link is the link, not its target), for removal and
// renaming. The area root itself is refused. 0 and *hostPath, or an AFC status.
int resolveEntry(const std::string& areaRoot, const char* devicePath, std::string* hostPath);

}  // namespace simdevice
