// AFC file calls on a simulated device: each connection works in the area folder of the
// service socket it was opened on, and every path stays inside that area.
#include "platform/FileOpen.h"
#include "platform/MobileDevice.h"
#include "platform/simdevice/AreaPath.h"
#include "platform/simdevice/SimDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace simdevice;

struct afc_connection {};  // handles are tokens, never dereferenced

struct afc_directory {
    std::vector<std::string> names;
    size_t next = 0;
    std::string current;
};

struct afc_dictionary {
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t next = 0;
    std::string key, value;
};

namespace {

struct Connection {
    DevicePtr device;
    std::string root;
    std::mutex mutex;
    std::map<AFCFileRef, int> files;
    AFCFileRef nextRef = 1;
};

struct Connections {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<Connection>> open;
    uintptr_t nextId = 1;
};

Connections& connections() {
    static auto* c = new Connections;
    return *c;
}

// The open connection behind a handle whose device is still attached, else null and *status.
std::shared_ptr<Connection> connectionOf(AFCConnectionRef handle, int* status) {
    std::shared_ptr<Connection> c;
    {
        std::lock_guard lock(connections().mutex);
        auto it = connections().open.find(reinterpret_cast<uintptr_t>(handle));
        if (it != connections().open.end()) c = it->second;
    }
    if (!c || !c->device->attached) {
        *status = kAFCNotConnectedError;
        return nullptr;
    }
    *status = kAFCSuccess;
    return c;
}

int statusOfErrno(int error) {
    switch (error) {
    case ENOENT: return kAFCObjectNotFoundError;
    case EISDIR: return kAFCObjectIsDirectoryError;
    case ENOTDIR: return kAFCObjectIsNotDirectoryError;
    case EEXIST: return kAFCObjectExistsError;
    case ENOTEMPTY: return kAFCDirectoryNotEmptyError;
    case ENOSPC: return kAFCNoSpaceLeftError;
    case EACCES:
    case EPERM:
    case ELOOP: return kAFCPermissionDeniedError;
    default: return kAFCUnknownError;
    }
}

const char* formatName(mode_t mode) {
    if (S_ISDIR(mode)) return "S_IFDIR";
    if (S_ISREG(mode)) return "S_IFREG";
    if (S_ISLNK(mode)) return "S_IFLNK";
    if (S_ISFIFO(mode)) return "S_IFIFO";
    if (S_ISCHR(mode)) return "S_IFCHR";
    if (S_ISBLK(mode)) return "S_IFBLK";
    return "S_IFSOCK";
}

std::string nanoseconds(const timespec& t) {
    return std::to_string(static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
}

}  // namespace

int AFCConnectionOpen(int socket, unsigned int, AFCConnectionRef* connection) {
    if (!connection) return kAFCInvalidArgumentError;
    auto service = serviceForSocket(socket);
    if (!service || service->kind != Service::Kind::Afc) return kAFCInvalidArgumentError;
    if (int status = service->device->injectedFailure("AFCConnectionOpen")) return status;
    auto c = std::make_shared<Connection>();
    c->device = service->device;
    c->root = service->areaRoot;
    std::lock_guard lock(connections().mutex);
    uintptr_t id = connections().nextId++;
    connections().open[id] = c;
    *connection = reinterpret_cast<AFCConnectionRef>(id);
    return kAFCSuccess;
}

int AFCConnectionClose(AFCConnectionRef handle) {
    std::shared_ptr<Connection> c;
    {
        std::lock_guard lock(connections().mutex);
        auto it = connections().open.find(reinterpret_cast<uintptr_t>(handle));
        if (it == connections().open.end()) return kAFCInvalidArgumentError;
        c = it->second;
        connections().open.erase(it);
    }
    std::lock_guard lock(c->mutex);
    for (auto& [ref, fd] : c->files) ::close(fd);
    c->files.clear();
    return kAFCSuccess;
}

int AFCFileRefOpen(AFCConnectionRef handle, const char* path, uint64_t mode, AFCFileRef* ref) {
    int status;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    if (!ref) return kAFCInvalidArgumentError;
    *ref = 0;
    std::string host;
    int fd = -1;
    if (mode == kAFCModeRead) {
        if ((status = resolveExisting(c->root, path, &host))) return status;
        fd = files::openRegular(host, O_RDONLY | O_NOFOLLOW);
    } else if (mode == kAFCModeWrite || mode == kAFCModeReadWrite) {
        if ((status = resolveForCreate(c->root, path, &host))) return status;
        int flags = mode == kAFCModeWrite ? (O_WRONLY | O_CREAT | O_TRUNC) : (O_RDWR | O_CREAT);
        fd = files::openRegular(host, flags | O_NOFOLLOW, 0644);
    } else {
        return kAFCInvalidArgumentError;
    }
    // A FIFO or device in a file's place would block the open; only regular files are opened.
    if (fd < 0) return errno == EINVAL ? kAFCPermissionDeniedError : statusOfErrno(errno);
    std::lock_guard lock(c->mutex);
    *ref = c->nextRef++;
    c->files[*ref] = fd;
    return kAFCSuccess;
}

static int fileOf(const std::shared_ptr<Connection>& c, AFCFileRef ref, int* fd) {
    std::lock_guard lock(c->mutex);
    auto it = c->files.find(ref);
    if (it == c->files.end()) return kAFCInvalidArgumentError;
    *fd = it->second;
    return kAFCSuccess;
}

int AFCFileRefRead(AFCConnectionRef handle, AFCFileRef ref, void* buffer, uint32_t* length) {
    int status, fd;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    if (!buffer || !length) return kAFCInvalidArgumentError;
    if ((status = fileOf(c, ref, &fd))) return status;
    if (int failure = c->device->injectedFailure("AFCFileRefRead")) return failure;
    ssize_t n;
    do {
        n = ::read(fd, buffer, *length);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return kAFCReadError;
    *length = static_cast<uint32_t>(n);
    return kAFCSuccess;
}

int AFCFileRefWrite(AFCConnectionRef handle, AFCFileRef ref, const void* buffer, uint32_t length) {
    int status, fd;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    if (!buffer && length) return kAFCInvalidArgumentError;
    if ((status = fileOf(c, ref, &fd))) return status;
    if (int failure = c->device->injectedFailure("AFCFileRefWrite")) return failure;
    const uint32_t fits = c->device->takeSpace(length);
    auto* p = static_cast<const char*>(buffer);
    for (uint32_t left = fits; left > 0;) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 && errno == ENOSPC ? kAFCNoSpaceLeftError : kAFCWriteError;
        p += n;
        left -= static_cast<uint32_t>(n);
    }
    return fits < length ? kAFCNoSpaceLeftError : kAFCSuccess;
}

int AFCFileRefClose(AFCConnectionRef handle, AFCFileRef ref) {
    int status;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    std::lock_guard lock(c->mutex);
    auto it = c->files.find(ref);
    if (it == c->files.end()) return kAFCInvalidArgumentError;
    ::close(it->second);
    c->files.erase(it);
    return kAFCSuccess;
}

int AFCFileInfoOpen(AFCConnectionRef handle, const char* path, AFCDictionaryRef* info) {
    int status;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    if (!info) return kAFCInvalidArgumentError;
    // The entry itself, as a device describes it: a link is a link, whatever it points at.
    std::string host;
    if ((status = resolveEntry(c->root, path, &host)) == kAFCPermissionDeniedError)
        status = resolveExisting(c->root, path, &host);  // the area's root
    if (status) return status;
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0) return statusOfErrno(errno);
    auto* d = new afc_dictionary;
    d->pairs = {
        {"st_size", std::to_string(static_cast<long long>(st.st_size))},
        {"st_blocks", std::to_string(static_cast<long long>(st.st_blocks))},
        {"st_nlink", std::to_string(static_cast<long long>(st.st_nlink))},
        {"st_ifmt", formatName(st.st_mode)},
        {"st_mtime", nanoseconds(st.st_mtim)},
        {"st_birthtime", nanoseconds(st.st_ctim)},
    };

    *info = d;
    return kAFCSuccess;
}

int AFCKeyValueRead(AFCDictionaryRef info, char** key, char** value) {
    if (!info || !key || !value) return kAFCInvalidArgumentError;
    if (info->next >= info->pairs.size()) {
        *key = *value = nullptr;
        return kAFCSuccess;
    }
    info->key = info->pairs[info->next].first;
    info->value = info->pairs[info->next].second;
    ++info->next;
    *key = info->key.data();
    *value = info->value.data();
    return kAFCSuccess;
}

int AFCKeyValueClose(AFCDictionaryRef info) {
    if (!info) return kAFCInvalidArgumentError;
    delete info;
    return kAFCSuccess;
}

int AFCDirectoryOpen(AFCConnectionRef handle, const char* path, AFCDirectoryRef* dir) {
    int status;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    if (!dir) return kAFCInvalidArgumentError;
    std::string host;
    if ((status = resolveExisting(c->root, path, &host))) return status;
    if (int failure = c->device->injectedFailure("AFCDirectoryOpen")) return failure;
    DIR* d = ::opendir(host.c_str());
    if (!d) return statusOfErrno(errno);
    auto* listing = new afc_directory;
    while (dirent* e = ::readdir(d)) listing->names.emplace_back(e->d_name);
    ::closedir(d);
    // A stable order, "." and ".." first, as a device gives them.
    std::sort(listing->names.begin(), listing->names.end());
    *dir = listing;
    return kAFCSuccess;
}

int AFCDirectoryRead(AFCConnectionRef, AFCDirectoryRef dir, char** name) {
    if (!dir || !name) return kAFCInvalidArgumentError;
    if (dir->next >= dir->names.size()) {
        *name = nullptr;
        return kAFCSuccess;
    }
    dir->current = dir->names[dir->next++];
    *name = dir->current.data();
    return kAFCSuccess;
}

int AFCDirectoryClose(AFCConnectionRef, AFCDirectoryRef dir) {
    if (!dir) return kAFCInvalidArgumentError;
    delete dir;
    return kAFCSuccess;
}

int AFCDirectoryCreate(AFCConnectionRef handle, const char* path) {
    int status;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    std::string host;
    if ((status = resolveForCreate(c->root, path, &host))) return status;
    if (::mkdir(host.c_str(), 0755) == 0) return kAFCSuccess;
    struct stat st {};
    if (errno == EEXIST && ::lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return kAFCSuccess;
    return statusOfErrno(errno);
}

int AFCRemovePath(AFCConnectionRef handle, const char* path) {
    int status;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    std::string host;
    if ((status = resolveEntry(c->root, path, &host))) return status;
    if (int failure = c->device->injectedFailure("AFCRemovePath")) return failure;
    if (::remove(host.c_str()) != 0) return statusOfErrno(errno);  // a file, a link or an empty folder
    return kAFCSuccess;
}

int AFCRenamePath(AFCConnectionRef handle, const char* from, const char* to) {
    int status;
    auto c = connectionOf(handle, &status);
    if (!c) return status;
    std::string source, target;
    if ((status = resolveEntry(c->root, from, &source))) return status;
    if ((status = resolveForCreate(c->root, to, &target))) return status;
    if (::rename(source.c_str(), target.c_str()) != 0) return statusOfErrno(errno);
    return kAFCSuccess;
}
