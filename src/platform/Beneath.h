// Paths inside an area (a device folder, an app container): every component is opened in turn
// from the area's own folder with O_NOFOLLOW, so that a symbolic link at any level - above an
// area root as much as below it - is refused instead of followed out of the area.
#pragma once

#include <string>
#include <vector>

namespace beneath {

// An owned descriptor, closed with the object.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int fd_;
};

// Splits a relative path into its components, dropping empty ones and "."; false when a
// component is "..".
bool split(const std::string& path, std::vector<std::string>* components);

// The folder base/components[0..count), each step opened with O_NOFOLLOW | O_DIRECTORY: a
// link, a file or a missing entry on the way fails (errno ELOOP, ENOTDIR or ENOENT). With made
// given, missing folders are created (mode 0755) and their paths below base, joined with '/',
// are appended to *made in the order they were made.
Fd openFolder(int base, const std::vector<std::string>& components, size_t count,
              std::vector<std::string>* made = nullptr);
inline Fd openFolder(int base, const std::vector<std::string>& components, std::vector<std::string>* made = nullptr) {
    return openFolder(base, components, components.size(), made);
}
// The folder root/relative: root itself is opened as given (it is the area's real path), what
// lies below it step by step.
Fd openFolder(const std::string& root, const std::string& relative, std::vector<std::string>* made = nullptr);

// "a/b/c" of the first count components.
std::string join(const std::vector<std::string>& components, size_t count);

}  // namespace beneath
