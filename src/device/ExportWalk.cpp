#include "device/ExportWalk.h"

#include "platform/LocalNames.h"
#include "platform/NewFile.h"

#include <QFileInfo>
#include <filesystem>
#include <utility>

namespace amd {

ExportWalk::ExportWalk(FileService& service, QString exportPath, const std::atomic<bool>* stop)
    : service_(service), exportPath_(std::move(exportPath)), stop_(stop) {}

std::string ExportWalk::notCopiedReason(FileEntry::Kind kind) {
    switch (kind) {
    case FileEntry::Kind::Directory:
    case FileEntry::Kind::Regular: return {};
    case FileEntry::Kind::Link: return "not copied: it is a link to another place on the device";
    case FileEntry::Kind::Other: break;
    }
    return "not copied: it is not a regular file (a FIFO, device or socket)";
}

bool ExportWalk::deviceAnswers(FileService& service) {
    FileEntry root;
    return service.FileInfo("/", root);
}

QString ExportWalk::localPathOf(const std::string& devicePath) const {
    if (!base_.empty() && devicePath.size() > base_.size() && devicePath.starts_with(base_) &&
        (base_.ends_with('/') || devicePath[base_.size()] == '/')) {
        std::string rest = devicePath.substr(base_.size());
        if (!rest.starts_with('/')) rest.insert(0, "/");
        return localnames::localPathUnder(exportPath_, QString::fromStdString(rest));
    }
    return localnames::localPathUnder(exportPath_, QString::fromStdString(devicePath));
}

namespace {

bool counted(const files::Outcome& copied, const std::string& devicePath, uint64_t size, ActionResult& result,
             QString* landedAt) {
    if (!copied.ok()) {
        result.failed(devicePath, copied.reason);
        return false;
    }
    if (copied.alreadyThere)
        ++result.alreadyThere;
    else
        result.succeeded(size);
    if (landedAt) *landedAt = QString::fromStdString(copied.path);
    return true;
}

}  // namespace

bool ExportWalk::copyFile(FileService& service, const std::string& devicePath, uint64_t size, const QString& localPath,
                          ActionResult& result, QString* landedAt) {
    if (const std::string why = files::makeFolders(QFileInfo(localPath).path().toStdString()); !why.empty()) {
        result.failed(devicePath, why);
        return false;
    }
    return counted(copyToNewFile(service, devicePath, localPath.toStdString()), devicePath, size, result, landedAt);
}

bool ExportWalk::copyFile(FileService& service, const std::string& devicePath, const QString& localPath,
                          ActionResult& result, QString* landedAt) {
    FileEntry entry;
    if (!service.FileInfo(devicePath, entry)) {
        result.failed(devicePath, "the device has no such file");
        return false;
    }
    if (entry.kind != FileEntry::Kind::Regular) {
        const std::string why = notCopiedReason(entry.kind);
        result.failed(devicePath, why.empty() ? std::string("not copied: it is a folder") : why);
        return false;
    }
    return copyFile(service, devicePath, entry.size, localPath, result, landedAt);
}

bool ExportWalk::copyLocalCopy(const QString& localCopy, const std::string& devicePath, uint64_t size,
                               const QString& localPath, ActionResult& result, QString* landedAt) {
    if (const std::string why = files::makeFolders(QFileInfo(localPath).path().toStdString()); !why.empty()) {
        result.failed(devicePath, why);
        return false;
    }
    return counted(files::copyNewFile(localCopy.toStdString(), localPath.toStdString()), devicePath, size, result,
                   landedAt);
}

void ExportWalk::noteFailure() {
    if (!deviceLeft_ && !deviceAnswers(service_)) deviceLeft_ = true;
}

void ExportWalk::copyOne(const std::string& devicePath, uint64_t size) {
    if (!copyFile(service_, devicePath, size, localPathOf(devicePath), result_)) noteFailure();
}

QString ExportWalk::exportIntoNewFolder(const std::string& devicePath, const QString& localFolder) {
    const files::Outcome made = files::makeNewFolder(localFolder.toStdString());
    if (!made.ok()) {
        result_.failed(devicePath, made.reason);
        return {};
    }
    const bool first = result_.folder.empty();
    if (first) result_.folder = made.path;
    const QString folder = QString::fromStdString(made.path);
    // Below it, paths map into the folder made rather than the one asked for.
    const QString root = std::exchange(exportPath_, folder);
    const std::string base = std::exchange(base_, devicePath);
    const ActionResult before = result_;
    traverseExportDirWithpath(devicePath);
    exportPath_ = root;
    base_ = base;
    // A copy run again into an earlier run's folder keeps the first: a folder whole and equal to
    // one of its name or of a numbered one there already is not kept twice.
    if (files::SkipFilesAlreadyThere::active() && result_.failures == before.failures) {
        if (const std::string same = files::sameFolderThere(localFolder.toStdString(), made.path); !same.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(made.path, ignored);
            result_.alreadyThere += result_.files - before.files;
            result_.files = before.files;
            result_.bytes = before.bytes;
            if (first) result_.folder = same;
            return QString::fromStdString(same);
        }
    }
    return folder;
}

void ExportWalk::exportFolder(const std::string& devicePath, bool asNewFolder) {
    const QString local = localPathOf(devicePath);
    if (asNewFolder) {
        exportIntoNewFolder(devicePath, local);
        return;
    }
    if (const std::string why = files::makeFolders(local.toStdString()); !why.empty()) {
        result_.failed(devicePath, why);
        return;
    }
    traverseExportDirWithpath(devicePath);
}

void ExportWalk::exportEntry(const std::string& devicePath, bool asNewFolder) {
    FileEntry entry;
    if (!service_.FileInfo(devicePath, entry)) {
        noteFailure();
        result_.failed(devicePath, deviceLeft_ ? kDeviceLeft : "the device has no such file");
        return;
    }
    if (entry.kind == FileEntry::Kind::Directory)
        exportFolder(devicePath, asNewFolder);
    else if (entry.kind == FileEntry::Kind::Regular)
        copyOne(devicePath, entry.size);
    else
        result_.failed(devicePath, notCopiedReason(entry.kind));
}

void ExportWalk::traverseExportDirWithpath(const std::string& path) {
    std::vector<std::string> names;
    if (!service_.ListDirectory(path, names)) {
        noteFailure();
        result_.failed(path, deviceLeft_ ? kDeviceLeft : "not copied: the folder cannot be listed");
        return;
    }
    const std::string prefix = path.ends_with('/') ? path : path + "/";
    for (const std::string& name : names) {
        if (stopped()) return;
        // The folder itself and the one above are not entries: following them would never end
        // or would leave the folder being exported.
        if (name.empty() || name == "." || name == "..") continue;
        // A name that is not valid text is read by its own bytes and lands under the name the
        // computer can hold, its bad bytes shown as U+FFFD (a taken name gets the next number).
        if (deviceLeft_)
            result_.failed(prefix + name, kDeviceLeft);
        else
            exportEntry(prefix + name);
    }
}

}  // namespace amd
