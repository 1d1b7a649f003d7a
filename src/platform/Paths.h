// Where things live on this machine. The system's own paths name the macOS layout:
// "/Users/<login>/..." is the user's home folder, and "/tmp/X" and "/private/tmp/X" (one folder
// there) are X inside one private per-user folder of mode 0700, never a shared /tmp name.
#pragma once

#include <string>
#include <string_view>

namespace paths {
// The login name of the account running the program (never empty).
std::string loginName();
// $HOME, else the account's home folder.
std::string homeDirectory();
// The private temporary folder, created with mode 0700 when missing and refused when it is
// a link or another user's; empty when it cannot be made safe.
std::string privateTempDirectory();
// Maps one of the system's own paths to this machine: "/Users/<login>/X" -> home/X,
// "/tmp/X" and "/private/tmp/X" -> private folder/X. Other paths, and paths already inside
// the home or private folder, are returned unchanged.
std::string resolve(const std::string& systemPath);
// The system's "/Users/%s/<rest>" for the current login name, resolved.
std::string userPath(const std::string& rest);
// The folder of the running executable (build/bin for everything we build).
std::string executableDirectory();
// The folder of our resources (images, scripts, helpers): $QUILLOMATRIX_RESOURCES, else the
// source tree's resources folder.
std::string resourcesDirectory();
// Creates path and its missing parents (mode 0755); true when it exists as a folder.
bool makeDirectories(const std::string& path);
// The last path component and the path without it, as the system writes them.
std::string lastPathComponent(const std::string& path);
std::string deletingLastPathComponent(const std::string& path);
std::string appendingPathComponent(const std::string& base, const std::string& component);
std::string pathExtension(const std::string& path);
// The same pieces as views of path, for callers that only look at them.
std::string_view lastPathComponentView(std::string_view path);
std::string_view pathExtensionView(std::string_view path);
// True when a relative device or archive path has no component that climbs out ("..").
bool isContainedRelativePath(const std::string& path);
}  // namespace paths
