#include "BackupWriter.h"

#include "BackupDomains.h"
#include "BackupPropertyLists.h"
#include "DeviceFolder.h"
#include "FileCopy.h"
#include "ToolError.h"
#include "backup/CommitDB.h"
#include "backup/ManifestWriter.h"
#include "backup/SHAH.h"
#include "platform/Beneath.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace mobilebackup {
namespace {

constexpr uint32_t kMobileUser = 501;
constexpr uint8_t kFileProtection = 4;
constexpr uint64_t kRoomToSpare = 4 << 20;  // property lists, manifest and file-system overhead

struct Item {
    std::string domain;
    std::string path;                     // domain path
    std::vector<std::string> components;  // relative to the device's folder
    struct stat info {};
    off_t journalSize = -1;  // the "-wal" beside a file, when there is one
};

// An entry the backup could not read: reported, and the backup fails rather than lack it.
struct LeftOut {
    std::string label;
    std::string why;
};

std::string domainPath(const DomainArea& area, const std::string& relative) {
    if (area.prefix.empty()) return relative;
    return relative.empty() ? area.prefix : area.prefix + "/" + relative;
}

bool endsWith(const std::string& text, const char* suffix) {
    const size_t length = std::strlen(suffix);
    return text.size() > length && text.compare(text.size() - length, length, suffix) == 0;
}

std::string describe(int error) { return std::strerror(error); }

bool isRegularAt(int folder, const std::string& name, struct stat* info = nullptr) {
    struct stat own {};
    struct stat* at = info ? info : &own;
    return ::fstatat(folder, name.c_str(), at, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(at->st_mode);
}

// The names in a folder, sorted; false with errno when it cannot be listed whole.
bool listFolder(int folder, std::vector<std::string>* names) {
    const int copy = ::dup(folder);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        const int error = errno;
        if (copy >= 0) ::close(copy);
        errno = error;
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names->emplace_back(entry->d_name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    errno = error;
    std::sort(names->begin(), names->end());
    return error == 0;
}

// Adds the folders and regular files below the area's root. Every folder is opened step by
// step from the device's folder without following a link, so that no link at any level leads
// the backup outside the device; links and special files are not carried, and a database's
// "-wal" and "-shm" files travel with it. Whatever cannot be read is added to leftOut. The
// folders still to list are kept on a stack of their own, so any depth is walked.
void walk(int device, const DomainArea& area, const std::vector<std::string>& root, std::vector<Item>& items,
          std::vector<LeftOut>& leftOut) {
    struct Pending {
        std::vector<std::string> components;
        std::string relative;  // below the area root
        std::string label;
    };
    std::vector<Pending> pending{{root, "", area.domain + "-" + area.prefix}};
    while (!pending.empty()) {
        const Pending current = std::move(pending.back());
        pending.pop_back();
        beneath::Fd folder = beneath::openFolder(device, current.components);
        std::vector<std::string> names;
        if (!folder || !listFolder(folder.get(), &names)) {
            leftOut.push_back({current.label, "the folder cannot be read: " + describe(errno)});
            continue;
        }
        const std::set<std::string> present(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string child = current.relative.empty() ? name : current.relative + "/" + name;
            if (area.excludes(child)) continue;
            if ((endsWith(name, "-wal") || endsWith(name, "-shm")) && present.count(name.substr(0, name.size() - 4)) &&
                isRegularAt(folder.get(), name.substr(0, name.size() - 4)))
                continue;
            Item item{area.domain, domainPath(area, child), current.components, {}};
            item.components.push_back(name);
            const std::string label = item.domain + "-" + item.path;
            if (::fstatat(folder.get(), name.c_str(), &item.info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT)  // gone since the listing is no loss
                    leftOut.push_back({label, describe(errno)});
                continue;
            }
            if (!S_ISDIR(item.info.st_mode) && !S_ISREG(item.info.st_mode)) continue;
            if (item.path.size() > kLongestManifestString) {
                leftOut.push_back({label.substr(0, 200) + "...", "the path is too long for the manifest"});
                continue;
            }
            struct stat journal {};
            if (S_ISREG(item.info.st_mode) && isRegularAt(folder.get(), name + "-wal", &journal))
                item.journalSize = journal.st_size;
            if (S_ISDIR(item.info.st_mode)) pending.push_back({item.components, child, label});
            items.push_back(std::move(item));
        }
    }
}

// Every carried item of the device, each folder followed by what it holds, in name order.
// Throws ToolError, after naming each on standard error, when entries cannot be read.
std::vector<Item> carriedItems(const std::string& deviceFolder) {
    beneath::Fd device(::open(deviceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!device) throw ToolError(kFailed, "cannot open the device folder " + deviceFolder + ": " + describe(errno));
    std::vector<Item> carried;
    std::vector<LeftOut> leftOut;
    for (const DomainArea& area : domainAreas(deviceFolder)) {
        std::vector<std::string> root;
        beneath::split(area.root, &root);
        Item rootItem{area.domain, area.prefix, root, {}};
        // An area whose folder is missing, or is reached only through a link, holds nothing.
        beneath::Fd folder = beneath::openFolder(device.get(), root);
        if (!folder || ::fstat(folder.get(), &rootItem.info) != 0) continue;
        std::vector<Item> items;
        if (!area.prefix.empty()) items.push_back(rootItem);
        walk(device.get(), area, root, items, leftOut);
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.components < b.components; });
        carried.insert(carried.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    }
    if (!leftOut.empty()) {
        for (const LeftOut& entry : leftOut)
            std::fprintf(stderr, "mobilebackup: cannot back up %s: %s\n", entry.label.c_str(), entry.why.c_str());
        throw ToolError(kFailed, std::to_string(leftOut.size()) + " entries of the device cannot be read; the first: " +
                                     leftOut.front().label + ": " + leftOut.front().why);
    }
    return carried;
}

uint64_t bytesNeeded(const std::vector<Item>& items) {
    uint64_t total = kRoomToSpare;
    for (const Item& item : items) {
        if (!S_ISREG(item.info.st_mode)) continue;
        total += static_cast<uint64_t>(item.info.st_size) + 512;  // the file and its manifest record
        if (item.journalSize > 0) total += static_cast<uint64_t>(item.journalSize);
    }
    return total;
}

[[noreturn]] void failCopy(const CopyResult& result, const Item& item) {
    if (result.stopped) throw ToolError(kFailed, "stopped before the backup was complete");
    if (result.error == ENOSPC || result.error == EDQUOT) throw ToolError(kNoRoom, "not enough room for the backup");
    throw ToolError(kFailed, "cannot back up " + item.domain + "-" + item.path + ": " + describe(result.error));
}

// The hidden folder a backup is written in; removed unless the backup was swapped into place.
class WorkFolder {
public:
    WorkFolder(const std::string& parent, const std::string& identifier) {
        const std::string prefix = "." + identifier + ".incomplete-";
        removeAbandoned(parent, prefix);
        std::string pattern = parent + "/" + prefix + std::to_string(::getpid()) + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw ToolError(errno == ENOSPC ? kNoRoom : kFailed,
                            "cannot write into " + parent + ": " + describe(errno));
        path_ = pattern;
    }
    ~WorkFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    // Work folders left by runs that were killed outright (their process no longer exists).
    static void removeAbandoned(const std::string& parent, const std::string& prefix) {
        DIR* dir = ::opendir(parent.c_str());
        if (!dir) return;
        std::vector<std::string> abandoned;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
            if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                abandoned.push_back(parent + "/" + name);
        }
        ::closedir(dir);
        for (const std::string& folder : abandoned) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }

    std::string path_;
};

ManifestEntry entryFor(const Item& item) {
    ManifestEntry entry;
    entry.domain = item.domain;
    entry.path = item.path;
    entry.mode = static_cast<uint16_t>(item.info.st_mode & 0xFFFF);
    entry.inode = static_cast<uint64_t>(item.info.st_ino);
    entry.uid = entry.gid = kMobileUser;
    entry.mtime = static_cast<uint32_t>(item.info.st_mtime);
    entry.atime = static_cast<uint32_t>(item.info.st_atime);
    entry.ctime = static_cast<uint32_t>(item.info.st_ctime);
    return entry;
}

// Copies one file under its key; returns its records (two when a journal could not be folded).
std::vector<ManifestEntry> backUpFile(int device, const Item& item, const std::string& work) {
    const std::string key = work + "/" + backupFileKey(item.domain, item.path);
    beneath::Fd folder = beneath::openFolder(device, item.components, item.components.size() - 1);
    if (!folder) {
        CopyResult gone;
        gone.error = errno;
        if (errno == ENOENT) return {};  // its folder was deleted on the device since the listing
        failCopy(gone, item);
    }
    const std::string& name = item.components.back();
    const std::string journal = name + "-wal";
    const bool withJournal = isRegularAt(folder.get(), journal);
    CopyResult copy = copyFileAt(folder.get(), name, AT_FDCWD, key, 0600, !withJournal);
    if (copy.sourceMissing) return {};  // deleted on the device since the listing
    if (!copy.ok) failCopy(copy, item);

    std::vector<ManifestEntry> entries;
    if (withJournal) {
        const CopyResult journalCopy = copyFileAt(folder.get(), journal, AT_FDCWD, key + "-wal", 0600, false);
        if (!journalCopy.ok && !journalCopy.sourceMissing) failCopy(journalCopy, item);
        commitDB(key);
        ::unlink((key + "-shm").c_str());
        struct stat left {};
        if (::lstat((key + "-wal").c_str(), &left) == 0) {
            // Not a database after all, or a journal SQLite refused: carry it as the file it is.
            Item journalItem{item.domain, item.path + "-wal", {}, item.info};
            ManifestEntry entry = entryFor(journalItem);
            entry.size = static_cast<uint64_t>(left.st_size);
            entry.dataHash = fileDigest(key + "-wal");
            entry.protectionClass = kFileProtection;
            if (::rename((key + "-wal").c_str(), (work + "/" + backupFileKey(item.domain, entry.path)).c_str()) != 0)
                throw ToolError(kFailed, "cannot back up " + item.domain + "-" + entry.path + ": " + describe(errno));
            entries.push_back(std::move(entry));
        }
        struct stat folded {};
        copy.sha1 = fileDigest(key);
        if (copy.sha1.empty() || ::stat(key.c_str(), &folded) != 0)
            throw ToolError(kFailed, "cannot back up " + item.domain + "-" + item.path + ": " + describe(errno));
        copy.size = static_cast<uint64_t>(folded.st_size);
    }
    ManifestEntry entry = entryFor(item);
    entry.size = copy.size;
    entry.dataHash = copy.sha1;
    entry.protectionClass = kFileProtection;
    entries.insert(entries.begin(), std::move(entry));
    return entries;
}

// Puts the finished work folder in place of target; the earlier backup is removed only after.
void swapIntoPlace(const std::string& work, const std::string& target) {
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) != 0) {
        if (::rename(work.c_str(), target.c_str()) != 0)
            throw ToolError(kFailed, "cannot write " + target + ": " + describe(errno));
        return;
    }
    if (::renameat2(AT_FDCWD, work.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0)
        return;  // work now holds the earlier backup, which its owner removes
    if (errno != EINVAL && errno != ENOSYS)
        throw ToolError(kFailed, "cannot replace " + target + ": " + describe(errno));
    // A file system without an atomic exchange: two renames, undone when the second fails.
    const std::string previous = work + ".previous";
    if (::rename(target.c_str(), previous.c_str()) != 0)
        throw ToolError(kFailed, "cannot replace " + target + ": " + describe(errno));
    if (::rename(work.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::rename(previous.c_str(), target.c_str());
        throw ToolError(kFailed, "cannot replace " + target + ": " + describe(error));
    }
    std::error_code ignored;
    std::filesystem::remove_all(previous, ignored);
}

}  // namespace

void writeBackup(const DeviceFolder& device, const std::string& parent) {
    const std::string identifier = device.value("UniqueDeviceID");
    if (!paths::makeDirectories(parent))
        throw ToolError(kFailed, "cannot make the folder " + parent + ": " + describe(errno));

    const std::vector<Item> items = carriedItems(device.folder);
    beneath::Fd deviceFolder(::open(device.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!deviceFolder)
        throw ToolError(kFailed, "cannot open the device folder " + device.folder + ": " + describe(errno));
    struct statvfs disk {};
    if (::statvfs(parent.c_str(), &disk) == 0) {
        const uint64_t available = static_cast<uint64_t>(disk.f_bavail) * disk.f_frsize;
        const uint64_t needed = bytesNeeded(items);
        if (available < needed)
            throw ToolError(kNoRoom, "not enough room in " + parent + " for the backup (" + std::to_string(needed) +
                                         " bytes needed, " + std::to_string(available) + " free)");
    }

    WorkFolder work(parent, identifier);
    std::vector<ManifestEntry> entries;
    entries.reserve(items.size());
    for (const Item& item : items) {
        if (stopRequested()) throw ToolError(kFailed, "stopped before the backup was complete");
        if (S_ISDIR(item.info.st_mode)) {
            entries.push_back(entryFor(item));
            continue;
        }
        for (ManifestEntry& entry : backUpFile(deviceFolder.get(), item, work.path()))
            entries.push_back(std::move(entry));
    }
    if (!writeManifest(work.path() + "/Manifest.mbdb", entries) ||
        !writeBackupPropertyLists(work.path(), device, static_cast<int64_t>(std::time(nullptr))))
        throw ToolError(errno == ENOSPC ? kNoRoom : kFailed, "cannot write the backup's manifest: " + describe(errno));
    if (stopRequested()) throw ToolError(kFailed, "stopped before the backup was complete");
    swapIntoPlace(work.path(), parent + "/" + identifier);
}

}  // namespace mobilebackup
