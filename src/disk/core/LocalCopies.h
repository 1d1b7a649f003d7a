// Where the disk manager keeps local copies of device files (the media library, photo
// previews, book artwork): folders inside the private temporary folder, each copy under its
// whole device path, so two "IMG_0001.JPG" of two folders never share a copy.
#pragma once

#include <string>

namespace disk {

// privateTemp/name, made when missing; empty when the private folder cannot be had.
std::string localCopyFolder(const std::string& name);
// folder + the device path, with the folders above it made; empty for a path that would leave
// folder ("..") or names no file.
std::string localCopyPath(const std::string& folder, const std::string& devicePath);

// The local copy a photo's preview is read from, under the private "DB" folder.
std::string previewCopyPath(const std::string& devicePath);

}  // namespace disk
