#include "backup/PreparedDatabase.h"

#include "backup/CommitDB.h"
#include "platform/FileOpen.h"
#include "platform/LogCategories.h"
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

// What identifies one state of an original: a preparation is shared only while both the file and
// its "-wal" are unchanged.
using Identity = std::tuple<dev_t, ino_t, off_t, int64_t, off_t, int64_t>;

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::pair<Identity, std::weak_ptr<PreparedDatabase>>> prepared;
    // Whether the journal of each state prepared was set aside: asked after its holders let go.
    std::map<std::string, std::pair<Identity, bool>> journalVerdicts;
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

int64_t nanoseconds(const struct timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; }

// The identity of original as main, the file read, shows it; false when it is no regular file.
bool identityOf(const std::string& original, const struct stat& main, Identity* identity) {
    if (!S_ISREG(main.st_mode)) return false;
    struct stat journal {};
    if (::lstat((original + "-wal").c_str(), &journal) != 0 || !S_ISREG(journal.st_mode)) journal = {};
    *identity = {main.st_dev,     main.st_ino,
                 main.st_size,    nanoseconds(main.st_mtim),
                 journal.st_size, nanoseconds(journal.st_mtim)};
    return true;
}

bool identityOf(const std::string& original, Identity* identity) {
    struct stat main {};
    return ::lstat(original.c_str(), &main) == 0 && identityOf(original, main, identity);
}

bool journalHoldsAnything(const Identity& identity) { return std::get<4>(identity) > 0; }

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
    const int in = files::openForReading(from, /*followLinks*/ false);
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
    if (!identityOf(original, &identity)) {
        // Named in the log: a missing database is common, a link or a FIFO in its place is not.
        const int fd = files::openForReading(original, /*followLinks*/ false);
        const int error = fd >= 0 ? EINVAL : errno;
        if (fd >= 0) ::close(fd);
        if (error != ENOENT) qCInfo(lcBackup, "%s %s: not read", original.c_str(), files::openFailure(error).c_str());
        return nullptr;
    }
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto found = r.prepared.find(original); found != r.prepared.end() && found->second.first == identity) {
        if (auto shared = found->second.second.lock()) return shared;
    }

    std::shared_ptr<PreparedDatabase> prepared(new PreparedDatabase);
    prepared->original_ = original;
    if (!journalHoldsAnything(identity)) {
        const int fd = files::openForReading(original, /*followLinks*/ false);
        if (fd < 0) return nullptr;
        prepared->file_ = std::make_unique<ReadOnlyDatabaseFile>(fd, original);
        // What is read is the file opened, whatever stood at the path a moment before.
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !identityOf(original, opened, &identity)) return nullptr;
        if (journalHoldsAnything(identity)) prepared->file_.reset();  // a journal came meanwhile
    }
    if (!prepared->readsInPlace() && !prepared->copy()) return nullptr;
    r.prepared[original] = {identity, prepared};
    r.journalVerdicts[original] = {identity, prepared->journalSetAside_};
    return prepared;
}

std::vector<std::string> PreparedDatabase::journalsSetAside() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<std::string> originals;
    for (const auto& [original, verdict] : r.journalVerdicts)
        if (verdict.second) originals.push_back(original);
    return originals;
}

bool PreparedDatabase::journalSetAside(const std::string& original) {
    Identity identity;
    if (!identityOf(original, &identity) || !journalHoldsAnything(identity)) return false;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        if (auto found = r.journalVerdicts.find(original);
            found != r.journalVerdicts.end() && found->second.first == identity)
            return found->second.second;
    }
    const auto prepared = prepare(original);
    return prepared && prepared->journalSetAside();
}

bool PreparedDatabase::copy() {
    const std::string copies = copiesFolder();
    if (copies.empty() || (::mkdir(copies.c_str(), 0700) != 0 && errno != EEXIST)) return false;
    static std::once_flag cleaned;
    std::call_once(cleaned, [&] { removeAbandoned(copies); });
    std::string folder = copies + "/" + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(folder.data())) return false;
    folder_ = folder;  // the destructor removes it
    path_ = folder + "/" + paths::lastPathComponent(original_);
    auto copyMain = [&] {
        for (const char* suffix : {"", "-wal", "-shm"}) ::unlink((path_ + suffix).c_str());
        return copyInto(original_, path_);
    };
    if (!copyMain()) return false;
    // A journal that cannot be copied is left out: the copy then holds what the file holds.
    const bool withJournal = files::isRegularFile(original_ + "-wal", /*followLinks*/ false);
    if (withJournal && !copyInto(original_ + "-wal", path_ + "-wal")) ::unlink((path_ + "-wal").c_str());
    const bool folded = commitDB(path_);
    if (!withJournal || (folded && databaseReadsWhole(path_))) return true;
    // The journal spoilt the copy (or SQLite refused it): the main file alone, as the last
    // checkpoint left it, is read instead, unless it is no better without the journal.
    if (!copyMain()) return false;
    if (databaseReadsWhole(path_)) {
        journalSetAside_ = true;
        qCWarning(lcBackup, "%s: its journal (-wal) cannot be used; read as of its last checkpoint", original_.c_str());
        return true;
    }
    if (!copyMain()) return false;
    if (!copyInto(original_ + "-wal", path_ + "-wal")) ::unlink((path_ + "-wal").c_str());
    commitDB(path_);
    return true;
}

sqlite3* PreparedDatabase::open(int flags) const {
    if (file_) return file_->open(flags);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

PreparedDatabase::~PreparedDatabase() {
    if (folder_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}
