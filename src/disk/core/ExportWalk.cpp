#include "disk/core/ExportWalk.h"

#include "platform/LocalNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace disk {

ExportWalk::ExportWalk(amd::FileService& service, QString exportPath, const std::atomic<bool>* stop)
    : service_(service), exportPath_(std::move(exportPath)), stop_(stop) {}

QString ExportWalk::localPathOf(const std::string& devicePath) const {
    if (!base_.empty() && devicePath.size() > base_.size() && devicePath.starts_with(base_) &&
        (base_.ends_with('/') || devicePath[base_.size()] == '/')) {
        std::string rest = devicePath.substr(base_.size());
        if (!rest.starts_with('/')) rest.insert(0, "/");
        return localnames::localPathUnder(exportPath_, QString::fromStdString(rest));
    }
    return localnames::localPathUnder(exportPath_, QString::fromStdString(devicePath));
}

bool ExportWalk::copyFile(amd::FileService& service, const std::string& devicePath, uint64_t size,
                          const QString& localPath, ActionResult& result) {
    if (!QDir().mkpath(QFileInfo(localPath).path())) {
        result.failed(devicePath, "the folder " + QFileInfo(localPath).path().toStdString() + " cannot be made");
        return false;
    }
    const files::Outcome copied = amd::copyToNewFile(service, devicePath, localPath.toStdString());
    if (copied.ok()) {
        result.succeeded(size);
        return true;
    }
    result.failed(devicePath, copied.reason);
    return false;
}

bool ExportWalk::copyFile(amd::FileService& service, const std::string& devicePath, const QString& localPath,
                          ActionResult& result) {
    amd::FileEntry entry;
    if (!service.FileInfo(devicePath, entry)) {
        result.failed(devicePath, "the device has no such file");
        return false;
    }
    if (entry.kind != amd::FileEntry::Kind::Regular) {
        result.failed(devicePath, "it is not a file");
        return false;
    }
    return copyFile(service, devicePath, entry.size, localPath, result);
}

void ExportWalk::exportFolder(const std::string& devicePath) {
    const QString local = localPathOf(devicePath);
    if (!QDir().mkpath(local)) {
        result_.failed(devicePath, "the folder " + local.toStdString() + " cannot be made");
        return;
    }
    traverseExportDirWithpath(devicePath);
}

void ExportWalk::exportEntry(const std::string& devicePath) {
    amd::FileEntry entry;
    if (!service_.FileInfo(devicePath, entry)) {
        result_.failed(devicePath, "the device has no such file");
        return;
    }
    if (entry.kind == amd::FileEntry::Kind::Directory)
        exportFolder(devicePath);
    else if (entry.kind == amd::FileEntry::Kind::Regular)
        copyFile(service_, devicePath, entry.size, localPathOf(devicePath), result_);
}

void ExportWalk::traverseExportDirWithpath(const std::string& path) {
    std::vector<std::string> names;
    if (!service_.ListDirectory(path, names)) return;
    const std::string prefix = path.ends_with('/') ? path : path + "/";
    for (const std::string& name : names) {
        if (stopped()) return;
        // The folder itself and the one above are not entries: following them would never end
        // or would leave the folder being exported.
        if (name.empty() || name == "." || name == "..") continue;
        exportEntry(prefix + name);
    }
}

}  // namespace disk
