#include "platform/NewFile.h"

#include "platform/FileOpen.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

// The longest file name the common Linux file systems hold, in bytes.
constexpr size_t kNameMax = 255;
// Where numbering gives up: a folder does not hold that many files of one name.
constexpr unsigned kLastNumber = 100000;

std::string errnoText(int error) { return std::strerror(error); }

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// text cut to at most bytes, never inside a UTF-8 sequence.
std::string cutTo(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) return text;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string randomSuffix() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::string suffix(8, 'x');
    for (char& c : suffix) c = kLetters[generator() % (sizeof kLetters - 1)];
    return suffix;
}

bool writeAll(int fd, const char* data, size_t size, int* error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

enum class Placed { Done, Taken, Unsupported, Failed };

Placed renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Placed::Done;
    if (errno == EEXIST) return Placed::Taken;
    return errno == EINVAL || errno == ENOSYS ? Placed::Unsupported : Placed::Failed;
}

// For file systems without the no-replace rename: a hard link never replaces either.
Placed linkNoReplace(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return Placed::Done;
    }
    if (errno == EEXIST) return Placed::Taken;
    return errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS ? Placed::Unsupported : Placed::Failed;
}

// The last resort (FAT media take neither): look, then rename.
Placed lookThenRename(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return Placed::Taken;
    if (errno != ENOENT) return Placed::Failed;
    return ::rename(from.c_str(), to.c_str()) == 0 ? Placed::Done : Placed::Failed;
}

}  // namespace

namespace {
// name with number put before its last extension, its stem cut so that the whole fits a file
// system's longest name.
std::string nameWithin(const std::string& name, const std::string& number) {
    const size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    std::string stem = hasExtension ? name.substr(0, dot) : name;
    std::string extension = hasExtension ? name.substr(dot) : std::string();
    if (extension.size() + number.size() >= kNameMax) extension.clear();
    stem = cutTo(stem, kNameMax - number.size() - extension.size());
    return stem + number + extension;
}
}  // namespace

std::string numberedName(const std::string& name, unsigned n) {
    return nameWithin(name, " (" + std::to_string(n) + ")");
}

NewFile::NewFile(std::string path) : path_(std::move(path)) {
    const std::string folder = folderOf(path_);
    const std::string name = nameOf(path_);
    if (name.empty() || name == "." || name == "..") {
        reason_ = "it has no file name";
        return;
    }
    // A name longer than a file system holds is cut before the first try, its extension kept.
    if (name.size() > kNameMax) path_ = joined(folder, nameWithin(name, ""));
    // Hidden and unlike any name a user gives; the name part is cut so that it stays valid.
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = joined(folder, "." + cutTo(name, 200) + "." + randomSuffix() + ".part");
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        reason_ = errnoText(errno);
        temp_.clear();
    }
}

NewFile::~NewFile() { closeAndRemove(); }

void NewFile::closeAndRemove() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool NewFile::write(const void* data, size_t size) {
    if (failed() || fd_ < 0) return false;
    int error = 0;
    if (!writeAll(fd_, static_cast<const char*>(data), size, &error)) {
        reason_ = errnoText(error);
        return false;
    }
    size_ += size;
    return true;
}

void NewFile::fail(std::string reason) {
    if (!failed()) reason_ = reason.empty() ? std::string("the copy failed") : std::move(reason);
}

Outcome NewFile::finish() { return place(/*replace*/ false); }

Outcome NewFile::finishOwn() { return place(/*replace*/ true); }

Outcome NewFile::place(bool replace) {
    Outcome outcome{path_, reason_};
    if (fd_ < 0 && outcome.reason.empty()) outcome.reason = "the file was already put in place";
    if (fd_ >= 0 && ::close(fd_) != 0 && outcome.reason.empty()) outcome.reason = errnoText(errno);
    fd_ = -1;
    if (!outcome.ok()) {
        closeAndRemove();
        return outcome;
    }
    if (replace) {
        if (::rename(temp_.c_str(), path_.c_str()) == 0)
            temp_.clear();
        else
            outcome.reason = errnoText(errno);
        closeAndRemove();
        return outcome;
    }
    const std::string folder = folderOf(path_);
    const std::string name = nameOf(path_);
    Placed (*placeAt)(const std::string&, const std::string&) = renameNoReplace;
    for (unsigned n = 1; n <= kLastNumber;) {
        const std::string candidate = n == 1 ? path_ : joined(folder, numberedName(name, n));
        const Placed placed = placeAt(temp_, candidate);
        if (placed == Placed::Done) {
            temp_.clear();
            outcome.path = candidate;
            return outcome;
        }
        if (placed == Placed::Taken) {
            ++n;
        } else if (placed == Placed::Unsupported) {
            placeAt = placeAt == renameNoReplace ? linkNoReplace : lookThenRename;
        } else {
            outcome.reason = errnoText(errno);
            closeAndRemove();
            return outcome;
        }
    }
    outcome.reason = "every numbered name of it is taken";
    closeAndRemove();
    return outcome;
}

Outcome writeNewFile(const std::string& path, std::string_view bytes) {
    NewFile file(path);
    file.write(bytes.data(), bytes.size());
    return file.finish();
}

Outcome copyNewFile(int sourceFd, const std::string& sourceName, const std::string& path) {
    NewFile file(path);
    constexpr size_t kChunk = 1u << 20;
    thread_local std::unique_ptr<char[]> buffer(new char[kChunk]);
    while (!file.failed()) {
        const ssize_t n = ::read(sourceFd, buffer.get(), kChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) file.fail("cannot read " + sourceName + ": " + errnoText(errno));
        if (n <= 0) break;
        file.write(buffer.get(), static_cast<size_t>(n));
    }
    return file.finish();
}

Outcome copyNewFile(const std::string& source, const std::string& path) {
    const int in = openForReading(source, /*followLinks*/ false);
    if (in < 0) return {path, source + " " + openFailure(errno)};
    Outcome outcome = copyNewFile(in, source, path);
    ::close(in);
    return outcome;
}

std::string makeFolders(const std::string& folder) {
    if (folder.empty()) return "no folder was given";
    std::string path;
    size_t from = 0;
    while (from <= folder.size()) {
        size_t slash = folder.find('/', from);
        if (slash == std::string::npos) slash = folder.size();
        path = folder.substr(0, slash);
        from = slash + 1;
        if (path.empty() || path.back() == '/') continue;
        if (::mkdir(path.c_str(), 0777) == 0) continue;
        const int error = errno;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        if (error == EEXIST) return path + " exists and is not a folder";
        return "cannot make " + path + ": " + errnoText(error);
    }
    return {};
}

bool replaceOwnFile(const std::string& path, std::string_view bytes, std::string* reason) {
    NewFile file(path);
    file.write(bytes.data(), bytes.size());
    const Outcome outcome = file.finishOwn();
    if (!outcome.ok() && reason) *reason = outcome.reason;
    return outcome.ok();
}

}  // namespace files
