#include "platform/FileOpen.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

int openRegular(const std::string& path, int flags, mode_t mode) { return openRegularAt(AT_FDCWD, path, flags, mode); }

int openRegularAt(int dir, const std::string& name, int flags, mode_t mode) {
    const int fd = ::openat(dir, name.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return -1;
    }
    // Regular files never block; the flag is dropped so that reads behave as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int openForReading(const std::string& path, bool followLinks) {
    struct stat st {};
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : S_ISLNK(st.st_mode) ? ELOOP : EINVAL;
        return -1;
    }
    return openRegular(path, O_RDONLY | (followLinks ? 0 : O_NOFOLLOW));
}

bool isRegularFile(const std::string& path, bool followLinks) {
    struct stat st {};
    return !path.empty() && (followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0 &&
           S_ISREG(st.st_mode);
}

std::string openFailure(int error) {
    switch (error) {
    case EINVAL: return "is not a regular file";
    case EISDIR: return "is a folder";
    case ELOOP: return "is a symbolic link";
    case ENOENT: return "does not exist";
    default: return std::string("cannot be opened: ") + std::strerror(error);
    }
}

size_t readAt(int fd, void* out, size_t n, int64_t offset, bool* failed) {
    auto* bytes = static_cast<char*>(out);
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, bytes + done, n - done, offset + static_cast<int64_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && failed) *failed = true;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

bool readRegularFile(const std::string& path, size_t limit, std::string* bytes, std::string* error, bool followLinks) {
    auto fail = [&](const std::string& why) {
        if (error) *error = path + ": " + why;
        return false;
    };
    const int fd = openForReading(path, followLinks);
    if (fd < 0) return fail(openFailure(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<uint64_t>(st.st_size) > limit) {
        ::close(fd);
        return fail("larger than " + std::to_string(limit) + " bytes");
    }
    bytes->assign(static_cast<size_t>(st.st_size), '\0');
    const size_t done = readAt(fd, bytes->data(), bytes->size(), 0);
    const int readError = errno;
    ::close(fd);
    if (done != bytes->size()) return fail(done ? "shorter than its size" : std::strerror(readError));
    return true;
}

}  // namespace files
