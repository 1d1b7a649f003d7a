#include "backup/ReadOnlyDatabaseFile.h"

#include "platform/FileOpen.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The descriptors connections may open, by the name the VFS knows each by.
struct Descriptors {
    std::mutex mutex;
    std::map<std::string, int> byName;
};

Descriptors& descriptors() {
    static Descriptors* d = new Descriptors;
    return *d;
}

// The default VFS, for SQLite's temporary files and for what is no file at all (time,
// randomness, sleeping).
sqlite3_vfs* base() {
    static sqlite3_vfs* const found = sqlite3_vfs_find(nullptr);
    return found;
}

struct File {
    sqlite3_file base;  // first, as SQLite requires
    int fd;
};

int fdOf(sqlite3_file* file) { return reinterpret_cast<File*>(file)->fd; }

int closeFile(sqlite3_file* file) {
    ::close(fdOf(file));
    return SQLITE_OK;
}

int readFile(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    bool failed = false;
    const size_t done = files::readAt(fdOf(file), buffer, static_cast<size_t>(amount), offset, &failed);
    if (failed) return SQLITE_IOERR_READ;
    if (done == static_cast<size_t>(amount)) return SQLITE_OK;
    // SQLite expects what lies past the end as zeros.
    std::memset(static_cast<char*>(buffer) + done, 0, static_cast<size_t>(amount) - done);
    return SQLITE_IOERR_SHORT_READ;
}

int refuseWrite(sqlite3_file*, const void*, int, sqlite3_int64) { return SQLITE_READONLY; }
int refuseTruncate(sqlite3_file*, sqlite3_int64) { return SQLITE_READONLY; }
int sync(sqlite3_file*, int) { return SQLITE_OK; }  // nothing was written

int fileSize(sqlite3_file* file, sqlite3_int64* size) {
    struct stat st {};
    if (::fstat(fdOf(file), &st) != 0) return SQLITE_IOERR_FSTAT;
    *size = st.st_size;
    return SQLITE_OK;
}

// An immutable file takes no locks.
int lock(sqlite3_file*, int) { return SQLITE_OK; }
int checkReservedLock(sqlite3_file*, int* reserved) {
    *reserved = 0;
    return SQLITE_OK;
}
int fileControl(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
int sectorSize(sqlite3_file*) { return 4096; }
int deviceCharacteristics(sqlite3_file*) { return SQLITE_IOCAP_IMMUTABLE; }

const sqlite3_io_methods kMethods = {
    1,       closeFile,         readFile,    refuseWrite, refuseTruncate,        sync,    fileSize, lock,
    lock,    checkReservedLock, fileControl, sectorSize,  deviceCharacteristics, nullptr, nullptr,  nullptr,
    nullptr, nullptr,           nullptr,
};

int openFile(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    file->pMethods = nullptr;
    // A temporary file of SQLite's own has no name: the default VFS makes it, as it would for
    // any connection, away from the database.
    if (!name) return base()->xOpen(base(), nullptr, file, flags, outFlags);
    if (!(flags & SQLITE_OPEN_MAIN_DB)) return SQLITE_CANTOPEN;
    Descriptors& d = descriptors();
    int fd = -1;
    {
        std::lock_guard lock(d.mutex);
        const auto found = d.byName.find(name);
        if (found == d.byName.end()) return SQLITE_CANTOPEN;
        fd = ::fcntl(found->second, F_DUPFD_CLOEXEC, 0);
    }
    if (fd < 0) return SQLITE_CANTOPEN;
    reinterpret_cast<File*>(file)->fd = fd;
    file->pMethods = &kMethods;
    if (outFlags) *outFlags = SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_READONLY;
    return SQLITE_OK;
}

// No journal exists beside an immutable file, and none is ever made or removed.
int deleteFile(sqlite3_vfs*, const char*, int) { return SQLITE_IOERR_DELETE_NOENT; }
int accessFile(sqlite3_vfs*, const char*, int, int* result) {
    *result = 0;
    return SQLITE_OK;
}

int fullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    const size_t length = std::strlen(name);
    if (length + 1 > static_cast<size_t>(size)) return SQLITE_CANTOPEN;
    std::memcpy(out, name, length + 1);
    return SQLITE_OK;
}

void* dlOpen(sqlite3_vfs*, const char* name) { return base()->xDlOpen(base(), name); }
void dlError(sqlite3_vfs*, int size, char* out) { base()->xDlError(base(), size, out); }
void (*dlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) { return base()->xDlSym(base(), handle, symbol); }
void dlClose(sqlite3_vfs*, void* handle) { base()->xDlClose(base(), handle); }
int randomness(sqlite3_vfs*, int size, char* out) { return base()->xRandomness(base(), size, out); }
int sleepFor(sqlite3_vfs*, int microseconds) { return base()->xSleep(base(), microseconds); }
int currentTime(sqlite3_vfs*, double* now) { return base()->xCurrentTime(base(), now); }
int lastError(sqlite3_vfs*, int size, char* out) { return base()->xGetLastError(base(), size, out); }
int currentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) { return base()->xCurrentTimeInt64(base(), now); }

const char* const kVfsName = "quillomatrix-read-only";
constexpr int kMaxName = 4096 + 32;  // any path, and the number before it

const char* registeredVfs() {
    static const bool registered = [] {
        static sqlite3_vfs vfs{};
        vfs.iVersion = 2;
        // The default VFS's files are made through this one too.
        vfs.szOsFile = std::max(static_cast<int>(sizeof(File)), base()->szOsFile);
        vfs.mxPathname = kMaxName;
        vfs.zName = kVfsName;
        vfs.xOpen = openFile;
        vfs.xDelete = deleteFile;
        vfs.xAccess = accessFile;
        vfs.xFullPathname = fullPathname;
        vfs.xDlOpen = dlOpen;
        vfs.xDlError = dlError;
        vfs.xDlSym = dlSym;
        vfs.xDlClose = dlClose;
        vfs.xRandomness = randomness;
        vfs.xSleep = sleepFor;
        vfs.xCurrentTime = currentTime;
        vfs.xGetLastError = lastError;
        vfs.xCurrentTimeInt64 = currentTimeInt64;
        return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    }();
    return registered ? kVfsName : nullptr;
}

}  // namespace

ReadOnlyDatabaseFile::ReadOnlyDatabaseFile(int fd, const std::string& label) : fd_(fd) {
    static std::atomic<unsigned long long> serial{0};
    // The number keeps two files of one path apart; it never reads as a "file:" address.
    name_ = std::to_string(++serial) + ":" + label;
    Descriptors& d = descriptors();
    std::lock_guard lock(d.mutex);
    d.byName[name_] = fd_;
}

ReadOnlyDatabaseFile::~ReadOnlyDatabaseFile() {
    {
        Descriptors& d = descriptors();
        std::lock_guard lock(d.mutex);
        d.byName.erase(name_);
    }
    ::close(fd_);
}

sqlite3* ReadOnlyDatabaseFile::open(int flags) const {
    const char* vfs = registeredVfs();
    if (!vfs || name_.size() > static_cast<size_t>(kMaxName)) return nullptr;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(name_.c_str(), &db, SQLITE_OPEN_READONLY | flags, vfs) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}
