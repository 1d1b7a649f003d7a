#include "DeviceRestore.h"

#include "BackupDomains.h"
#include "DeviceFolder.h"
#include "FileCopy.h"
#include "ToolError.h"
#include "backup/ManifestRecordStream.h"
#include "backup/SHAH.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mobilebackup {
namespace {

struct Step {
    const DomainArea* area = nullptr;
    std::vector<std::string> components;  // root-relative path
    bool folder = false;
    uint16_t mode = 0;
    std::string from;   // the backup file, for a file
    std::string label;  // domain-path, for messages
};

std::string join(const std::vector<std::string>& components, size_t count)
{
    std::string path;
    for (size_t i = 0; i < count; ++i)
        path += (i ? "/" : "") + components[i];
    return path;
}

// Makes root/components[0..count) as real folders, refusing links and files on the way, so
// that nothing is ever written outside root.
bool makeFolders(const Step& step, size_t count, std::string* failure)
{
    const std::string& root = step.area->root;
    struct stat info {};
    if (::lstat(root.c_str(), &info) != 0) {
        if (!step.area->creatable || !paths::makeDirectories(root)) {
            *failure = "cannot make " + root;
            return false;
        }
    } else if (!S_ISDIR(info.st_mode)) {
        *failure = root + " is not a folder";
        return false;
    }
    std::string path = root;
    for (size_t i = 0; i < count; ++i) {
        path += "/" + step.components[i];
        if (::lstat(path.c_str(), &info) == 0) {
            if (S_ISDIR(info.st_mode))
                continue;
            *failure = path + " is not a folder";
            return false;
        }
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
            *failure = "cannot make " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool restoreFile(const Step& step, const std::set<std::string>& carried, std::string* failure)
{
    if (!makeFolders(step, step.components.size() - 1, failure))
        return false;
    const std::string target = step.area->root + "/" + join(step.components, step.components.size());
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        *failure = target + " is a folder";
        return false;
    }
    // Written beside the target and renamed over it: the device never sees half a file.
    std::string temporary = paths::deletingLastPathComponent(target) + "/.mobilebackup-restore-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        *failure = "cannot write beside " + target + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    ::unlink(temporary.c_str());
    const CopyResult copy = copyFile(step.from, temporary, (step.mode & 07777) ? (step.mode & 07777) : 0644, false);
    if (!copy.ok || ::rename(temporary.c_str(), target.c_str()) != 0) {
        *failure = "cannot write " + target + ": " + std::strerror(copy.ok ? errno : copy.error);
        ::unlink(temporary.c_str());
        return false;
    }
    // A journal left from the replaced database would be replayed over the restored one.
    const std::string domainPath = step.label.substr(step.area->domain.size() + 1);
    for (const char* suffix : {"-wal", "-shm"})
        if (!carried.count(step.area->domain + "-" + domainPath + suffix))
            ::unlink((target + suffix).c_str());
    return true;
}

std::vector<Step> readSteps(const std::vector<DomainArea>& areas, const std::string& backupFolder,
                            std::set<std::string>* carried)
{
    ManifestRecordStream manifest;
    if (!manifest.open(backupFolder + "/Manifest.mbdb"))
        throw ToolError(kFailed, "the backup's manifest cannot be read: " + backupFolder + "/Manifest.mbdb");
    std::vector<Step> steps;
    ManifestRecord record;
    while (manifest.next(record)) {
        carried->insert(record.domain + "-" + record.path);
        std::string relative;
        const DomainArea* area = areaFor(areas, record.domain, record.path, &relative);
        Step step;
        if (!area || !splitRelativePath(relative, &step.components))
            continue;
        step.area = area;
        step.mode = record.mode;
        step.label = record.domain + "-" + record.path;
        if (S_ISDIR(record.mode)) {
            step.folder = true;
        } else if (S_ISREG(record.mode) && !step.components.empty()) {
            step.from = backupFolder + "/" + backupFileKey(record.domain, record.path);
            struct stat info {};
            if (::stat(step.from.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
                throw ToolError(kFailed, "the backup is incomplete: " + step.label + " has no file");
        } else {
            continue;
        }
        steps.push_back(std::move(step));
    }
    if (manifest.position() != manifest.fileSize())
        throw ToolError(kFailed, "the backup's manifest is damaged after " + std::to_string(steps.size()) + " records");
    return steps;
}

}  // namespace

void restoreBackup(const DeviceFolder& device, const std::string& backupFolder)
{
    std::set<std::string> carried;
    const std::vector<DomainArea> areas = domainAreas(device.folder);
    const std::vector<Step> steps = readSteps(areas, backupFolder, &carried);
    size_t failures = 0;
    std::string first;
    for (const Step& step : steps) {
        if (stopRequested())
            throw ToolError(kFailed, "stopped before the restore was complete");
        std::string failure;
        const bool done = step.folder ? makeFolders(step, step.components.size(), &failure)
                                      : restoreFile(step, carried, &failure);
        if (!done && failures++ == 0)
            first = failure;
    }
    if (failures)
        throw ToolError(kFailed, std::to_string(failures) + " items could not be restored; the first: " + first);
}

}  // namespace mobilebackup
