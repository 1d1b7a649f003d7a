#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#ifndef QM_SOURCE_RESOURCES_DIR
#define QM_SOURCE_RESOURCES_DIR "resources"
#endif

namespace {

const struct passwd* account() { return getpwuid(getuid()); }

bool startsWithFolder(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

// "/prefix/rest" -> "rest" ("" for "/prefix" itself), when path starts with the folder prefix.
bool stripFolder(const std::string& path, const std::string& prefix, std::string& rest) {
    if (!startsWithFolder(path, prefix)) return false;
    rest = path.size() > prefix.size() ? path.substr(prefix.size() + 1) : std::string();
    return true;
}

std::string joined(const std::string& base, const std::string& rest) { return rest.empty() ? base : base + "/" + rest; }

}  // namespace

namespace paths {

std::string loginName() {
    if (const struct passwd* pw = account(); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
    if (const char* user = std::getenv("USER"); user && *user) return user;
    return "user";
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const struct passwd* pw = account(); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string privateTempDirectory() {
    static std::mutex mutex;
    static std::string cachedFor, cached;
    const std::string home = homeDirectory();
    std::lock_guard<std::mutex> lock(mutex);
    if (cachedFor == home && !cached.empty()) return cached;

    // One folder per user, inside the user's own cache folder, never a guessable shared name.
    const std::string cacheRoot = home + "/.cache";
    const std::string appRoot = cacheRoot + "/Quillomatrix";
    const std::string dir = appRoot + "/tmp";
    if (!makeDirectories(appRoot)) return {};
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return {};
    if ((st.st_mode & 0777) != 0700 && chmod(dir.c_str(), 0700) != 0) return {};
    cachedFor = home;
    cached = dir;
    return cached;
}

std::string resolve(const std::string& systemPath) {
    const std::string home = homeDirectory();
    if (startsWithFolder(systemPath, home)) return systemPath;
    const std::string priv = privateTempDirectory();
    if (!priv.empty() && startsWithFolder(systemPath, priv)) return systemPath;

    std::string rest;
    if (stripFolder(systemPath, "/private/tmp", rest) || stripFolder(systemPath, "/tmp", rest))
        return priv.empty() ? std::string() : joined(priv, rest);
    if (stripFolder(systemPath, "/Users", rest)) {
        // "/Users/<anyone>/X": only our own user's home exists here.
        size_t slash = rest.find('/');
        return joined(home, slash == std::string::npos ? std::string() : rest.substr(slash + 1));
    }
    return systemPath;
}

std::string userPath(const std::string& rest) {
    std::string tail = rest;
    while (!tail.empty() && tail.front() == '/') tail.erase(0, 1);
    return resolve("/Users/" + loginName() + (tail.empty() ? "" : "/" + tail));
}

std::string executableDirectory() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = '\0';
    return deletingLastPathComponent(buf);
}

std::string resourcesDirectory() {
    if (const char* env = std::getenv("QUILLOMATRIX_RESOURCES"); env && *env) return env;
    return QM_SOURCE_RESOURCES_DIR;
}

bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string parent = deletingLastPathComponent(path);
    if (!parent.empty() && parent != path && parent != "/" && !makeDirectories(parent)) return false;
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {
// The last component as a view into path: asked for every file of a scan, so no copies.
std::string_view lastComponentView(std::string_view p) {
    while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
    // memrchr searches many bytes at a time, where rfind looks at one.
    const auto* slash = static_cast<const char*>(::memrchr(p.data(), '/', p.size()));
    return !slash || p.size() == 1 ? p : p.substr(static_cast<size_t>(slash - p.data()) + 1);
}
}  // namespace

std::string lastPathComponent(const std::string& path) { return std::string(lastComponentView(path)); }

std::string_view lastPathComponentView(std::string_view path) { return lastComponentView(path); }

std::string deletingLastPathComponent(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return "";
    if (slash == 0) return p.size() > 1 ? "/" : "/";
    return p.substr(0, slash);
}

std::string appendingPathComponent(const std::string& base, const std::string& component) {
    if (base.empty()) return component;
    if (component.empty()) return base;
    bool baseSlash = base.back() == '/';
    bool compSlash = component.front() == '/';
    if (baseSlash && compSlash) return base + component.substr(1);
    if (baseSlash || compSlash) return base + component;
    return base + "/" + component;
}

std::string pathExtension(const std::string& path) { return std::string(pathExtensionView(path)); }

std::string_view pathExtensionView(std::string_view path) {
    std::string_view last = lastComponentView(path);
    size_t dot = last.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return last.substr(dot + 1);
}

bool isContainedRelativePath(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0 && end - start == 2) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace paths
