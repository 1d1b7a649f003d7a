#include "platform/NewFile.h"

#include "platform/FileOpen.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>
#include <vector>

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

// A temporary name is "." name ".quillomatrix-" twelve letters or digits ".part": the program's
// own mark, which no user's file carries by chance, so that the sweep of files left by a run that
// died never takes a user's hidden ".backup.20241231.part".
constexpr size_t kSuffixLength = 12;
constexpr const char kTemporaryMark[] = ".quillomatrix-";
constexpr const char kPartEnding[] = ".part";

std::string randomSuffix() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::string suffix(kSuffixLength, 'x');
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

bool nameTaken(const std::string& folder, const std::string& name, unsigned n) {
    struct stat st {};
    const std::string candidate = joined(folder, n == 1 ? name : numberedName(name, n));
    // Any other answer than "there" (a name too long, a folder not readable) is left to the
    // placing, which then says why.
    return ::lstat(candidate.c_str(), &st) == 0;
}

// The first number from `from` on whose name is free, looked for by doubling the step past
// taken names and then halving it back, so that the 3,000th file of one name costs a few dozen
// looks rather than 3,000. A hole below it (a numbered file the user removed) is not refilled,
// which keeps later names in order; the no-replace placing has the last word in any case.
unsigned freeNumberFrom(const std::string& folder, const std::string& name, unsigned from) {
    if (from > kLastNumber || !nameTaken(folder, name, from)) return from;
    unsigned taken = from, step = 1;
    unsigned free = from + 1;
    while (free <= kLastNumber && nameTaken(folder, name, free)) {
        taken = free;
        step *= 2;
        free = taken + step;
    }
    if (free > kLastNumber) free = kLastNumber + 1;
    while (free - taken > 1) {
        const unsigned middle = taken + (free - taken) / 2;
        (nameTaken(folder, name, middle) ? taken : free) = middle;
    }
    return free;
}

thread_local bool skipFilesAlreadyThere = false;

// Whether the regular files a and b hold the same bytes (neither followed through a link).
bool sameBytes(const std::string& a, const std::string& b) {
    const int fa = openForReading(a, /*followLinks*/ false);
    const int fb = fa < 0 ? -1 : openForReading(b, /*followLinks*/ false);
    bool same = fb >= 0;
    constexpr size_t kChunk = 1u << 16;
    std::string ba(kChunk, '\0'), bb(kChunk, '\0');
    for (int64_t offset = 0; same;) {
        bool failedA = false, failedB = false;
        const size_t na = readAt(fa, ba.data(), kChunk, offset, &failedA);
        const size_t nb = readAt(fb, bb.data(), kChunk, offset, &failedB);
        same = !failedA && !failedB && na == nb && std::memcmp(ba.data(), bb.data(), na) == 0;
        if (na < kChunk) break;
        offset += int64_t(na);
    }
    if (fa >= 0) ::close(fa);
    if (fb >= 0) ::close(fb);
    return same;
}

// Whether name is the temporary file of a writer (see kTemporaryMark).
bool isTemporaryName(const std::string& name) {
    constexpr size_t kEnding = sizeof kPartEnding - 1, kMark = sizeof kTemporaryMark - 1;
    if (name.size() < 1 + kMark + kSuffixLength + kEnding || name[0] != '.' || !name.ends_with(kPartEnding))
        return false;
    const size_t suffix = name.size() - kEnding - kSuffixLength;
    if (name.compare(suffix - kMark, kMark, kTemporaryMark) != 0) return false;
    for (size_t i = suffix; i < suffix + kSuffixLength; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// A writer holds a lock on its temporary file for as long as it writes, and the system lets go
// of it when the writer's process ends however it ends. So a temporary file that nobody locks,
// and that has not changed for a while (a writer locks its file the moment it makes it), was
// left by a run that died: it is removed. Each folder is looked through once a run.
void removeLeftTemporaries(const std::string& folder) {
    static std::mutex mutex;
    static std::unordered_set<std::string> swept;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!swept.insert(folder).second) return;
    }
    constexpr time_t kQuietSeconds = 2;
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    DIR* listing = ::fdopendir(::dup(dir));
    std::vector<std::string> names;
    while (listing) {
        const dirent* entry = ::readdir(listing);
        if (!entry) break;
        if (isTemporaryName(entry->d_name)) names.emplace_back(entry->d_name);
    }
    if (listing) ::closedir(listing);
    const time_t now = ::time(nullptr);
    for (const std::string& name : names) {
        const int fd = openRegularAt(dir, name, O_RDONLY | O_NOFOLLOW);
        if (fd < 0) continue;
        struct stat held {
        }, named{};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && now - held.st_mtime >= kQuietSeconds &&
            ::fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == held.st_ino &&
            named.st_dev == held.st_dev)
            ::unlinkat(dir, name.c_str(), 0);
        ::close(fd);
    }
    ::close(dir);
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

SkipFilesAlreadyThere::SkipFilesAlreadyThere() : before_(std::exchange(skipFilesAlreadyThere, true)) {}

SkipFilesAlreadyThere::~SkipFilesAlreadyThere() { skipFilesAlreadyThere = before_; }

bool SkipFilesAlreadyThere::active() { return skipFilesAlreadyThere; }

NewFile::NewFile(std::string path) : path_(std::move(path)) {
    const std::string folder = folderOf(path_);
    const std::string name = nameOf(path_);
    if (name.empty() || name == "." || name == "..") {
        reason_ = "it has no file name";
        return;
    }
    // A name longer than a file system holds is cut before the first try, its extension kept.
    if (name.size() > kNameMax) path_ = joined(folder, nameWithin(name, ""));
    removeLeftTemporaries(folder);
    // Hidden and unlike any name a user gives; the name part is cut so that it stays valid.
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = joined(folder, "." + cutTo(name, 200) + kTemporaryMark + randomSuffix() + kPartEnding);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        reason_ = errnoText(errno);
        temp_.clear();
        return;
    }
    ::flock(fd_, LOCK_EX | LOCK_NB);  // says "still being written" to a later run's sweep
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
    // The lock goes with the file's open description: a second descriptor of it keeps the lock
    // past the close below, until the file has its name or is gone, so that another run's sweep
    // never takes a whole file while this one compares it or renames it.
    struct Held {
        int fd;
        ~Held() {
            if (fd >= 0) ::close(fd);
        }
    } const held{fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1};
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
    if (skipFilesAlreadyThere) {
        if (std::string same = sameFileThere(); !same.empty()) {
            outcome.path = std::move(same);
            outcome.alreadyThere = true;
            closeAndRemove();
            return outcome;
        }
    }
    const std::string folder = folderOf(path_);
    const std::string name = nameOf(path_);
    Placed (*placeAt)(const std::string&, const std::string&) = renameNoReplace;
    for (unsigned n = 1; (n = freeNumberFrom(folder, name, n)) <= kLastNumber;) {
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

std::string NewFile::sameFileThere() const {
    const std::string folder = folderOf(path_);
    const std::string name = nameOf(path_);
    for (unsigned n = 1; n <= kLastNumber; ++n) {
        const std::string candidate = n == 1 ? path_ : joined(folder, numberedName(name, n));
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) != 0) break;  // the numbered names end here
        if (S_ISREG(st.st_mode) && uint64_t(st.st_size) == size_ && sameBytes(temp_, candidate)) return candidate;
    }
    return {};
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

namespace {

// Whether the folders a and b hold the same entries: folders alike, regular files of the same
// bytes, and nothing else (a link or anything else makes them differ).
bool sameFolders(const std::string& a, const std::string& b) {
    auto listed = [](const std::string& folder, std::vector<std::pair<std::string, bool>>& out) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return false;
        bool sound = true;
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            struct stat st {};
            if (::lstat(joined(folder, name).c_str(), &st) != 0 || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)))
                sound = false;
            out.emplace_back(name, S_ISDIR(st.st_mode));
        }
        ::closedir(dir);
        std::sort(out.begin(), out.end());
        return sound;
    };
    std::vector<std::pair<std::string, bool>> inA, inB;
    if (!listed(a, inA) || !listed(b, inB) || inA != inB) return false;
    for (const auto& [name, folder] : inA) {
        const std::string pa = joined(a, name), pb = joined(b, name);
        if (folder ? !sameFolders(pa, pb) : !sameBytes(pa, pb)) return false;
    }
    return true;
}

}  // namespace

std::string sameFolderThere(const std::string& requested, const std::string& made) {
    std::string name = nameOf(requested);
    while (!name.empty() && name.back() == '/') name.pop_back();
    const std::string folder = folderOf(requested);
    // The earlier ones are the names before the one made (with the holes a user left), and those
    // after it up to the first free name.
    bool pastMade = false;
    for (unsigned n = 1; n <= kLastNumber; ++n) {
        const std::string candidate = n == 1 ? joined(folder, name) : joined(folder, numberedName(name, n));
        if (candidate == made) {
            pastMade = true;
            continue;
        }
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) != 0) {
            if (pastMade) break;
            continue;
        }
        if (S_ISDIR(st.st_mode) && sameFolders(candidate, made)) return candidate;
    }
    return {};
}

Outcome makeNewFolder(const std::string& path) {
    std::string name = nameOf(path);
    while (!name.empty() && name.back() == '/') name.pop_back();
    if (name.empty() || name == "." || name == "..") return {path, "it has no folder name"};
    const std::string folder = folderOf(path);
    if (std::string why = makeFolders(folder); !why.empty()) return {path, why};
    for (unsigned n = 1; (n = freeNumberFrom(folder, name, n)) <= kLastNumber; ++n) {
        const std::string candidate = n == 1 ? joined(folder, name) : joined(folder, numberedName(name, n));
        if (::mkdir(candidate.c_str(), 0777) == 0) return {candidate, {}};
        if (errno != EEXIST) return {candidate, "cannot make " + candidate + ": " + errnoText(errno)};
    }
    return {path, "every numbered name of it is taken"};
}

void letWritesFailPastTheSizeLimit() { ::signal(SIGXFSZ, SIG_IGN); }

bool replaceOwnFile(const std::string& path, std::string_view bytes, std::string* reason) {
    NewFile file(path);
    file.write(bytes.data(), bytes.size());
    const Outcome outcome = file.finishOwn();
    if (!outcome.ok() && reason) *reason = outcome.reason;
    return outcome.ok();
}

}  // namespace files
