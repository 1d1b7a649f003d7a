#include "DeviceRestore.h"

#include "BackupDomains.h"
#include "DeviceFolder.h"
#include "FileCopy.h"
#include "ToolError.h"
#include "backup/ManifestRecordStream.h"
#include "backup/SHAH.h"
#include "platform/Beneath.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mobilebackup {
namespace {

struct Step {
    std::vector<std::string> components;  // relative to the device's folder, area root included
    bool folder = false;
    bool creatable = true;  // the area root may be made
    size_t rootDepth = 0;   // how many components name the area root
    mode_t mode = 0644;
    std::string from;   // the backup file's key, for a file
    std::string label;  // domain-path, for messages
    std::string domain, domainPath;
};

std::string describe(int error) { return std::strerror(error); }

// The permission bits a device gives a restored file: never set-user-ID, set-group-ID or sticky.
mode_t permissionBits(uint16_t mode) {
    const mode_t bits = mode & 0777;
    return bits ? bits : 0644;
}

std::vector<Step> readSteps(const std::vector<DomainArea>& areas, const std::string& backupFolder,
                            std::set<std::string>* carried, std::vector<SkippedRecord>& skipped) {
    ManifestRecordStream manifest;
    if (!manifest.open(backupFolder + "/Manifest.mbdb"))
        throw ToolError(kFailed, "the backup's manifest cannot be read: " + backupFolder + "/Manifest.mbdb");
    std::vector<Step> steps;
    ManifestRecord record;
    while (manifest.next(record)) {
        const std::string label = record.domain + "-" + record.path;
        carried->insert(label);
        auto skip = [&](std::string reason) { skipped.push_back({label, std::move(reason)}); };
        std::vector<std::string> below;
        // A name is used up to a NUL: "..<NUL>x" would pass the check and open "..".
        if (label.find('\0') != std::string::npos) {
            skip("its name holds a NUL character");
            continue;
        }
        if (!beneath::split(record.path, &below)) {
            skip("its path climbs out of its folder");
            continue;
        }
        if (!record.path.empty() && record.path.front() == '/') {
            skip("its path is absolute");
            continue;
        }
        std::string relative;
        const DomainArea* area = areaFor(areas, record.domain, record.path, &relative);
        if (!area) {
            skip(
                "it belongs to no folder of the device that a restore writes (another domain, an app that is not "
                "installed, or a folder left out of backups)");
            continue;
        }
        beneath::split(relative, &below);
        Step step;
        beneath::split(area->root, &step.components);
        step.rootDepth = step.components.size();
        step.components.insert(step.components.end(), below.begin(), below.end());
        step.creatable = area->creatable;
        step.mode = permissionBits(record.mode);
        step.label = label;
        step.domain = record.domain;
        step.domainPath = record.path;
        if (S_ISDIR(record.mode)) {
            step.folder = true;
        } else if (S_ISREG(record.mode) && !below.empty()) {
            // Checked as the copy opens it: the key itself, never through a link.
            step.from = backupFolder + "/" + backupFileKey(record.domain, record.path);
            struct stat info {};
            if (::lstat(step.from.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
                throw ToolError(kFailed, "the backup is incomplete: " + step.label + " has no file");
        } else {
            skip(S_ISLNK(record.mode)   ? "it is a link"
                 : S_ISREG(record.mode) ? "a file cannot take the place of the folder " + area->root
                                        : "it is neither a file nor a folder");
            continue;
        }
        steps.push_back(std::move(step));
    }
    if (manifest.position() != manifest.fileSize())
        throw ToolError(kFailed, "the backup's manifest is damaged after " + std::to_string(steps.size()) + " records");
    return steps;
}

// Checks every step against the device and against the steps before it, exactly as the
// writing will meet them: each component opened without following links, folders that are
// missing made later, and no path wanted as a file by one record and as a folder by another.
void checkSteps(int device, const std::vector<Step>& steps) {
    std::map<std::string, bool> planned;  // device-relative path -> is a folder
    auto plan = [&](const std::string& path, bool folder, const Step& step) {
        auto [at, added] = planned.emplace(path, folder);
        if (!added && at->second != folder)
            throw ToolError(kFailed,
                            "the backup holds " + path + " both as a file and as a folder (" + step.label + ")");
    };
    for (const Step& step : steps) {
        const size_t folders = step.folder ? step.components.size() : step.components.size() - 1;
        for (const std::string& name : step.components)
            if (name.size() > NAME_MAX)
                throw ToolError(kFailed, "cannot restore " + step.label + ": a name is too long");
        for (size_t i = 1; i <= folders; ++i) plan(beneath::join(step.components, i), true, step);
        if (!step.folder) plan(beneath::join(step.components, step.components.size()), false, step);

        // How far the folders exist on the device; the rest is made by the restore.
        size_t existing = 0;
        beneath::Fd deepest(::dup(device));
        int error = 0;
        while (existing < folders) {
            const int next = ::openat(deepest.get(), step.components[existing].c_str(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0) {
                error = errno;
                break;
            }
            deepest.reset(next);
            ++existing;
        }
        const std::string stopped = beneath::join(step.components, existing + 1);
        if (existing < folders) {
            if (error != ENOENT)
                throw ToolError(kFailed, "cannot restore " + step.label + ": " + stopped +
                                             " is a link or a file on the device (" + describe(error) + ")");
            if (existing < step.rootDepth && !step.creatable)
                throw ToolError(kFailed, "cannot restore " + step.label + ": " + stopped + " is missing");
        } else if (!step.folder) {
            struct stat info {};
            if (::fstatat(deepest.get(), step.components.back().c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(info.st_mode))
                throw ToolError(kFailed,
                                "cannot restore " + step.label + ": " + stopped + " is a folder on the device");
        }
    }
}

// What a restore has done so far, to be undone when a later step fails: the folders it made,
// the new files it put beside their places, and the files it moved in (with the ones they
// replaced moved aside).
class Undo {
public:
    explicit Undo(int device) : device_(device) {}

    struct Placed {
        std::vector<std::string> folder;  // device-relative components
        std::string name, staged, aside;  // aside is empty when nothing was replaced
        bool moved = false;
    };

    std::vector<std::string> madeFolders;
    std::vector<Placed> files;

    // Puts every staged file in its place; false (everything moved back) when one cannot be.
    bool commit(std::string* failure) {
        for (Placed& file : files) {
            beneath::Fd folder = beneath::openFolder(device_, file.folder);
            struct stat info {};
            const bool replaces = folder && ::fstatat(folder.get(), file.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
            if (replaces) {
                file.aside = file.staged + "-previous";
                if (::renameat(folder.get(), file.name.c_str(), folder.get(), file.aside.c_str()) != 0) {
                    file.aside.clear();
                    *failure = "cannot replace " + label(file) + ": " + describe(errno);
                    return false;
                }
            }
            if (!folder || ::renameat(folder.get(), file.staged.c_str(), folder.get(), file.name.c_str()) != 0) {
                *failure = "cannot write " + label(file) + ": " + describe(errno);
                return false;
            }
            file.moved = true;
        }
        for (const Placed& file : files) {
            beneath::Fd folder = beneath::openFolder(device_, file.folder);
            if (folder && !file.aside.empty()) ::unlinkat(folder.get(), file.aside.c_str(), 0);
        }
        files.clear();
        madeFolders.clear();
        return true;
    }

    // Takes back, newest first, everything not committed.
    ~Undo() {
        for (auto file = files.rbegin(); file != files.rend(); ++file) {
            beneath::Fd folder = beneath::openFolder(device_, file->folder);
            if (!folder) continue;
            if (file->moved) ::renameat(folder.get(), file->name.c_str(), folder.get(), file->staged.c_str());
            ::unlinkat(folder.get(), file->staged.c_str(), 0);
            if (!file->aside.empty()) ::renameat(folder.get(), file->aside.c_str(), folder.get(), file->name.c_str());
        }
        for (auto made = madeFolders.rbegin(); made != madeFolders.rend(); ++made) {
            std::vector<std::string> components;
            beneath::split(*made, &components);
            beneath::Fd parent = beneath::openFolder(device_, components, components.size() - 1);
            if (parent) ::unlinkat(parent.get(), components.back().c_str(), AT_REMOVEDIR);
        }
    }

private:
    static std::string label(const Placed& file) {
        return beneath::join(file.folder, file.folder.size()) + "/" + file.name;
    }
    int device_;
};

// Makes a step's folders and, for a file, writes it beside its place under a hidden name.
void stage(int device, const Step& step, Undo& undo) {
    const size_t folders = step.folder ? step.components.size() : step.components.size() - 1;
    std::vector<std::string> parent(step.components.begin(), step.components.begin() + static_cast<long>(folders));
    beneath::Fd folder = beneath::openFolder(device, parent, &undo.madeFolders);
    if (!folder) throw ToolError(kFailed, "cannot restore " + step.label + ": " + describe(errno));
    if (step.folder) return;
    static unsigned counter = 0;
    const std::string staged = ".mobilebackup-restore-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const CopyResult copy = copyFileAt(AT_FDCWD, step.from, folder.get(), staged, step.mode, false);
    if (!copy.ok) {
        if (copy.stopped) throw ToolError(kFailed, "stopped before the restore was complete");
        throw ToolError(kFailed, "cannot write " + beneath::join(step.components, step.components.size()) + ": " +
                                     describe(copy.error));
    }
    undo.files.push_back({parent, step.components.back(), staged, {}, false});
}

}  // namespace

void restoreBackup(const DeviceFolder& device, const std::string& backupFolder, std::vector<SkippedRecord>& skipped) {
    std::set<std::string> carried;
    const std::vector<DomainArea> areas = domainAreas(device.folder);
    const std::vector<Step> steps = readSteps(areas, backupFolder, &carried, skipped);
    beneath::Fd root(::open(device.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root) throw ToolError(kFailed, "cannot open the device folder " + device.folder + ": " + describe(errno));
    checkSteps(root.get(), steps);

    // Everything is written beside its place first and moved in only when all of it was
    // written; a failure on the way takes back what was done.
    Undo undo(root.get());
    for (const Step& step : steps) {
        if (stopRequested()) throw ToolError(kFailed, "stopped before the restore was complete");
        stage(root.get(), step, undo);
    }
    std::string failure;
    if (!undo.commit(&failure)) throw ToolError(kFailed, failure);

    // A journal left from the replaced database would be replayed over the restored one.
    for (const Step& step : steps) {
        if (step.folder) continue;
        std::vector<std::string> parent(step.components.begin(), step.components.end() - 1);
        beneath::Fd folder = beneath::openFolder(root.get(), parent);
        for (const char* suffix : {"-wal", "-shm"})
            if (folder && !carried.count(step.label + suffix))
                ::unlinkat(folder.get(), (step.components.back() + suffix).c_str(), 0);
    }
}

}  // namespace mobilebackup
