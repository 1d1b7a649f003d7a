#include "clean/core/PrivacyCleanRun.h"

#include "clean/core/BackupDatabaseCleaner.h"
#include "platform/BackupTool.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QtDebug>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace clean {

namespace {

// What tells one manifest file from another: a fresh backup writes a new one.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    off_t size = 0;

    static FileStamp of(const std::string& path) {
        FileStamp stamp;
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return stamp;
        stamp.exists = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.modified = info.st_mtim;
        stamp.size = info.st_size;
        return stamp;
    }
    bool sameFileAs(const FileStamp& other) const {
        return exists == other.exists && device == other.device && inode == other.inode &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
               size == other.size;
    }
};

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool copyTree(const fs::path& from, const fs::path& to) {
    std::error_code error;
    if (!fs::create_directory(to, error) || error) return false;
    for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
        const fs::file_status status = it->symlink_status(error);
        if (error) return false;
        const fs::path target = to / it->path().filename();
        if (fs::is_directory(status)) {
            if (!copyTree(it->path(), target)) return false;
        } else if (fs::is_regular_file(status)) {
            if (!fs::copy_file(it->path(), target, error) || error) return false;
        }
    }
    return !error;
}

QString tr(const char* text) { return QCoreApplication::translate("PrivacyClean", text); }

}  // namespace

QString PrivacyCleanOutcome::message() const {
    const QString toolSaid = toolMessage.empty() ? QString() : ": " + QString::fromStdString(toolMessage);
    switch (kind) {
    case Kind::Finished: return tr("The call history has been cleaned.");
    case Kind::NoDevice: return tr("No device is connected. Nothing was changed.");
    case Kind::BackupFailed:
        return tr("The device could not be backed up (the backup tool ended with status %1). Nothing was changed.")
            .arg(toolStatus);
    case Kind::NoNewBackup: return tr("The backup tool wrote no new backup of the device. Nothing was changed.");
    case Kind::CopyFailed: return tr("The backup could not be copied to the temporary folder. Nothing was changed.");
    case Kind::NoCallHistory: return tr("The device's backup holds no call history. Nothing was changed.");
    case Kind::DeleteFailed:
        return tr("The call history in the backup could not be deleted. The device was not restored and is unchanged.");
    case Kind::RestoreFailed:
        return tr("The device could not be restored from the cleaned backup (the backup tool ended with status %1%2). "
                  "Its call history is unchanged.")
            .arg(toolStatus)
            .arg(toolSaid);
    case Kind::RestoreIncomplete:
        return tr("The device was restored from the cleaned backup, but not whole (the backup tool ended with status "
                  "%1%2).")
            .arg(toolStatus)
            .arg(toolSaid);
    }
    return {};
}

PrivacyCleanRun::PrivacyCleanRun(std::string identifier, Tool tool)
    : identifier_(std::move(identifier)), tool_(std::move(tool)) {
    if (!tool_.backup) tool_.backup = [](const std::string& id) { return backuptool::backupDevice(id); };
    if (!tool_.restore)
        tool_.restore = [](const std::string& id, std::string* message) {
            return backuptool::restoreDevice(id, message);
        };
}

std::string PrivacyCleanRun::backupFolderOf(const std::string& identifier) {
    return paths::userPath("Library/Application Support/MobileSync/Backup/" + identifier);
}

std::string PrivacyCleanRun::copyFolderOf(const std::string& identifier) {
    return paths::resolve("/tmp/Backup/" + identifier);
}

bool PrivacyCleanRun::replaceWithCopy(const std::string& from, const std::string& to) {
    const fs::path target(to);
    const std::string suffix = "." + std::to_string(::getpid()) + "-" + std::to_string(std::time(nullptr));
    const fs::path work = target.parent_path() / ("." + target.filename().string() + ".copy" + suffix);
    const fs::path previous = target.parent_path() / ("." + target.filename().string() + ".old" + suffix);
    std::error_code error;
    fs::remove_all(work, error);
    if (!copyTree(from, work)) {
        fs::remove_all(work, error);
        return false;
    }
    const bool hadCopy = fs::exists(fs::symlink_status(target, error));
    if (hadCopy && (fs::rename(target, previous, error), error)) {
        fs::remove_all(work, error);
        return false;
    }
    if (fs::rename(work, target, error), error) {
        if (hadCopy) fs::rename(previous, target, error);
        fs::remove_all(work, error);
        return false;
    }
    if (hadCopy) fs::remove_all(previous, error);
    return true;
}

PrivacyCleanOutcome PrivacyCleanRun::run() {
    using Kind = PrivacyCleanOutcome::Kind;
    if (!isPlainName(identifier_)) return {Kind::NoDevice};
    const std::string backup = backupFolderOf(identifier_);
    const std::string copy = copyFolderOf(identifier_);

    // Only a backup written by this run may be changed and restored: an older one would put
    // back the device as it was then.
    tell(PrivacyCleanStep::Backup);
    const FileStamp before = FileStamp::of(backup + "/Manifest.mbdb");
    const std::time_t start = std::time(nullptr);
    const int backupStatus = tool_.backup(identifier_);
    if (backupStatus != 0) return {Kind::BackupFailed, backupStatus};
    const FileStamp after = FileStamp::of(backup + "/Manifest.mbdb");
    // One second of slack: file times come from a coarser clock than time().
    if (!after.exists || after.sameFileAs(before) || after.modified.tv_sec + 1 < start) return {Kind::NoNewBackup};

    tell(PrivacyCleanStep::Copy);
    const std::string copies = paths::resolve("/tmp/Backup");
    if (copies.empty() || !paths::makeDirectories(copies) || ::chmod(copies.c_str(), 0700) != 0 ||
        !replaceWithCopy(backup, copy))
        return {Kind::CopyFailed};

    tell(PrivacyCleanStep::Delete);
    switch (BackupDatabaseCleaner::cleanCallHistory(backup)) {
    case DatabaseCleanResult::Cleaned: break;
    case DatabaseCleanResult::NoDatabase: return {Kind::NoCallHistory};
    case DatabaseCleanResult::Failed: return {Kind::DeleteFailed};
    }

    tell(PrivacyCleanStep::Restore);
    std::string toolMessage;
    const int restoreStatus = tool_.restore(identifier_, &toolMessage);
    if (restoreStatus == backuptool::kRestoreLeftOutRecords)
        return {Kind::RestoreIncomplete, restoreStatus, toolMessage};
    if (restoreStatus != 0) return {Kind::RestoreFailed, restoreStatus, toolMessage};
    return {Kind::Finished};
}

}  // namespace clean
