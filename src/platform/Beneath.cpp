#include "platform/Beneath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace beneath {

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int Fd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void Fd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

bool split(const std::string& path, std::vector<std::string>* components) {
    components->clear();
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") return false;
        if (!part.empty() && part != ".") components->push_back(std::move(part));
        start = end + 1;
    }
    return true;
}

std::string join(const std::vector<std::string>& components, size_t count) {
    std::string path;
    for (size_t i = 0; i < count && i < components.size(); ++i) path += (i ? "/" : "") + components[i];
    return path;
}

Fd openFolder(int base, const std::vector<std::string>& components, size_t count, std::vector<std::string>* made) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    Fd current(::openat(base, ".", kFlags));
    for (size_t i = 0; current && i < count && i < components.size(); ++i) {
        const std::string& name = components[i];
        Fd next(::openat(current.get(), name.c_str(), kFlags));
        if (!next && errno == ENOENT && made) {
            if (::mkdirat(current.get(), name.c_str(), 0755) == 0)
                made->push_back(join(components, i + 1));
            else if (errno != EEXIST)
                return Fd();
            next = Fd(::openat(current.get(), name.c_str(), kFlags));
        }
        if (!next) {
            // A link on the way opens as ELOOP, a file as ENOTDIR: either way it is not followed.
            return Fd();
        }
        current = std::move(next);
    }
    return current;
}

Fd openFolder(const std::string& root, const std::string& relative, std::vector<std::string>* made) {
    std::vector<std::string> components;
    if (!split(relative, &components)) {
        errno = EACCES;
        return Fd();
    }
    Fd base(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!base) return Fd();
    return openFolder(base.get(), components, made);
}

}  // namespace beneath
