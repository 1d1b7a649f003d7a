#include "backup/PreparedDatabase.h"

#include "backup/CommitDB.h"
#include "platform/FileOpen.h"
#include "platform/Paths.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
#include <map>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

// What identifies one state of an original: a copy is shared only while both files are unchanged.
using Identity = std::tuple<dev_t, ino_t, off_t, int64_t, off_t, int64_t>;

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::pair<Identity, std::weak_ptr<PreparedDatabase>>> copies;
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

int64_t nanoseconds(const struct timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; }

bool identityOf(const std::string& original, Identity* identity) {
    struct stat main {
    }, journal{};
    if (::stat(original.c_str(), &main) != 0 || !S_ISREG(main.st_mode)) return false;
    if (::stat((original + "-wal").c_str(), &journal) != 0 || !S_ISREG(journal.st_mode)) journal = {};
    *identity = {main.st_dev,     main.st_ino,
                 main.st_size,    nanoseconds(main.st_mtim),
                 journal.st_size, nanoseconds(journal.st_mtim)};
    return true;
}

// Copies in by reading and writing, from where the file offsets stand.
bool copyByReading(int in, int out) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return false;
            done += put;
        }
    }
}

// Copies one regular file, read through the checked opening, into a new file of ours. The
// file system shares the blocks where it can (a clone) or copies them itself; reading and
// writing is the way left for file systems that do neither.
bool copyInto(const std::string& from, const std::string& to) {
    const int in = files::openForReading(from);
    if (in < 0) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ok = out >= 0;
    if (ok && ::ioctl(out, FICLONE, in) != 0) {
        for (;;) {
            const ssize_t put = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) break;
        }
        // What the kernel did not copy (between two file systems, on an old kernel) goes by
        // reading from where it stopped; after a whole copy this reads nothing.
        ok = copyByReading(in, out);
    }
    ::close(in);
    if (out >= 0 && ::close(out) != 0) ok = false;
    return ok;
}

// Removes the copy folders of processes that ended without removing them.
void removeAbandoned(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> abandoned;
    while (const dirent* entry = ::readdir(dir)) {
        const long pid = std::strtol(entry->d_name, nullptr, 10);
        if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            abandoned.push_back(folder + "/" + entry->d_name);
    }
    ::closedir(dir);
    for (const std::string& path : abandoned) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

}  // namespace

std::string PreparedDatabase::copiesFolder() {
    const std::string temporary = paths::privateTempDirectory();
    return temporary.empty() ? std::string() : temporary + "/databases";
}

std::shared_ptr<PreparedDatabase> PreparedDatabase::prepare(const std::string& original) {
    Identity identity;
    if (!identityOf(original, &identity)) return nullptr;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto found = r.copies.find(original); found != r.copies.end() && found->second.first == identity) {
        if (auto shared = found->second.second.lock()) return shared;
    }

    const std::string copies = copiesFolder();
    if (copies.empty() || (::mkdir(copies.c_str(), 0700) != 0 && errno != EEXIST)) return nullptr;
    static std::once_flag cleaned;
    std::call_once(cleaned, [&] { removeAbandoned(copies); });
    std::string folder = copies + "/" + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(folder.data())) return nullptr;

    std::shared_ptr<PreparedDatabase> prepared(new PreparedDatabase);
    prepared->original_ = original;
    prepared->folder_ = folder;
    prepared->path_ = folder + "/" + paths::lastPathComponent(original);
    if (!copyInto(original, prepared->path_)) return nullptr;  // the destructor removes the folder
    // A journal that cannot be copied is left out: the copy then holds what the file holds.
    if (files::isRegularFile(original + "-wal") && !copyInto(original + "-wal", prepared->path_ + "-wal"))
        ::unlink((prepared->path_ + "-wal").c_str());
    commitDB(prepared->path_);
    r.copies[original] = {identity, prepared};
    return prepared;
}

PreparedDatabase::~PreparedDatabase() {
    if (folder_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}
