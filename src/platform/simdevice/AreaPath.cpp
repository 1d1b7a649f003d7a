#include "platform/simdevice/AreaPath.h"

#include "platform/Beneath.h"
#include "platform/MobileDevice.h"

#include <cerrno>
#include <stdlib.h>
#include <sys/stat.h>
#include <vector>

namespace simdevice {
namespace {

bool inside(const std::string& path, const std::string& root) {
    return path == root ||
           (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
}

int statusOfErrno(int error) {
    switch (error) {
    case ENOENT: return kAFCObjectNotFoundError;
    case ENOTDIR: return kAFCObjectIsNotDirectoryError;
    case EACCES:
    case EPERM:
    case ELOOP: return kAFCPermissionDeniedError;
    default: return kAFCUnknownError;
    }
}

// The real path of joined components, which must lie inside root.
int realInside(const std::string& root, const std::vector<std::string>& parts, size_t count, std::string* out) {
    std::string joined = root;
    for (size_t i = 0; i < count; ++i) joined += "/" + parts[i];
    char* resolved = ::realpath(joined.c_str(), nullptr);
    if (!resolved) return statusOfErrno(errno);
    std::string real(resolved);
    ::free(resolved);
    if (!inside(real, root)) return kAFCPermissionDeniedError;
    *out = real;
    return kAFCSuccess;
}

int split(const std::string& root, const char* devicePath, std::vector<std::string>* parts) {
    if (root.empty()) return kAFCNotConnectedError;
    if (!devicePath || !*devicePath) return kAFCInvalidArgumentError;
    if (!beneath::split(devicePath, parts)) return kAFCPermissionDeniedError;
    return kAFCSuccess;
}

}  // namespace

int resolveExisting(const std::string& areaRoot, const char* devicePath, std::string* hostPath) {
    std::vector<std::string> parts;
    if (int status = split(areaRoot, devicePath, &parts)) return status;
    return realInside(areaRoot, parts, parts.size(), hostPath);
}

static int resolveLast(const std::string& areaRoot, const char* devicePath, std::string* hostPath, bool mustExist) {
    std::vector<std::string> parts;
    if (int status = split(areaRoot, devicePath, &parts)) return status;
    if (parts.empty()) return kAFCPermissionDeniedError;  // the area root itself
    std::string folder;
    if (int status = realInside(areaRoot, parts, parts.size() - 1, &folder)) return status;
    std::string path = folder + "/" + parts.back();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT || mustExist) return statusOfErrno(errno);
    } else if (!mustExist && S_ISLNK(st.st_mode)) {
        return kAFCPermissionDeniedError;
    }
    *hostPath = path;
    return kAFCSuccess;
}

int resolveForCreate(const std::string& areaRoot, const char* devicePath, std::string* hostPath) {
    return resolveLast(areaRoot, devicePath, hostPath, false);
}

int resolveEntry(const std::string& areaRoot, const char* devicePath, std::string* hostPath) {
    return resolveLast(areaRoot, devicePath, hostPath, true);
}

}  // namespace simdevice
