#include "clean/JunkFileActions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

namespace clean {

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }
QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

QString categoryFolderOf(const QString& cleanType) {
    if (cleanType == QLatin1String("Junk")) return QStringLiteral("/tmp");
    if (cleanType == QLatin1String("Cook")) return QStringLiteral("/Library/Cookies");
    if (cleanType == QLatin1String("Cache")) return QStringLiteral("/Library/Caches");
    return {};
}

std::unique_ptr<DeviceFileService> JunkFileActions::open(const QString& bundleId) {
    return bundleId.isEmpty() ? services_.startMediaArea(device_) : services_.startAppDir(device_, utf8(bundleId));
}

ActionResult JunkFileActions::actRemoveTheNode(const DeviceFileRef& file) {
    ActionResult result;
    auto service = open(file.appBundleName);
    if (!service) {
        result.serviceFailed = true;
        return result;
    }
    if (service->RemovePath(utf8(file.filePath)) == 0) {
        ++result.files;
        result.bytes += file.size;
        result.devicePaths << file.filePath;
    } else {
        ++result.failures;
    }
    return result;
}

ActionResult JunkFileActions::actRemoveNodes(const std::vector<DeviceFileRef>& files, std::vector<bool>& removed,
                                             const std::function<void(size_t)>& progress) {
    ActionResult result;
    removed.assign(files.size(), false);
    std::unique_ptr<DeviceFileService> service;
    QString openFor;
    bool opened = false;
    for (size_t i = 0; i < files.size(); ++i) {
        const DeviceFileRef& file = files[i];
        if (!opened || file.appBundleName != openFor) {
            service.reset();  // the previous app's service goes before the next one starts
            service = open(file.appBundleName);
            openFor = file.appBundleName;
            opened = true;
            if (!service) result.serviceFailed = true;
        }
        if (!service) {
            ++result.failures;
        } else if (service->RemovePath(utf8(file.filePath)) == 0) {
            removed[i] = true;
            ++result.files;
            result.bytes += file.size;
            result.devicePaths << file.filePath;
        } else {
            ++result.failures;
        }
        if (progress) progress(i + 1);
    }
    return result;
}

ActionResult JunkFileActions::actRemoveDirNode(const QString& bundleId, const QString& cleanType) {
    ActionResult result;
    const QString folder = categoryFolderOf(cleanType);
    qInfo().noquote() << "CleanFullPath====" + folder;
    if (folder.isEmpty()) return result;
    auto service = open(bundleId);
    if (!service || bundleId.isEmpty()) {
        result.serviceFailed = true;
        return result;
    }
    traverseRemoveDirWithpath(utf8(folder), *service, result);
    return result;
}

void JunkFileActions::traverseRemoveDirWithpath(const std::string& path, DeviceFileService& service,
                                                ActionResult& result) {
    std::vector<std::string> names;
    service.ListDirectory(path, names);
    for (const auto& name : names) {
        const std::string entry = path + "/" + name;
        DeviceEntryInfo info;
        if (!service.FileInfo(entry, info)) continue;
        if (info.kind == DeviceEntryInfo::Kind::Directory) {
            traverseRemoveDirWithpath(entry, service, result);
        } else if (info.kind == DeviceEntryInfo::Kind::Regular) {
            if (service.RemovePath(entry) == 0) {
                ++result.files;
                result.bytes += info.size;
                result.devicePaths << qs(entry);
            } else {
                ++result.failures;
            }
        }
    }
}

void JunkFileActions::copyOne(DeviceFileService& service, const std::string& devicePath, uint64_t size,
                              const QString& localPath, ActionResult& result) {
    const int status = service.CopyToLocal(devicePath, localPath.toStdString());
    qInfo("result===%d", status);
    // An empty device file copies no bytes and so reports 1, yet its empty copy is there.
    const QFileInfo copy(localPath);
    const bool copied = status == 0 || (size == 0 && copy.isFile() && copy.size() == 0);
    if (copied) {
        ++result.files;
        result.bytes += size;
        result.devicePaths << qs(devicePath);
    } else {
        ++result.failures;
    }
}

ActionResult JunkFileActions::actExportTheNode(const DeviceFileRef& file, const QString& target) {
    ActionResult result;
    const QString name = safeLocalName(file.filePath.mid(file.filePath.lastIndexOf(QLatin1Char('/')) + 1));
    const QString localPath = target + QLatin1Char('/') + name;
    if (file.btransfer) {
        if (!QDir().mkpath(target)) {
            ++result.failures;
            return result;
        }
        QFile::remove(localPath);
        if (QFile::copy(file.transferPath, localPath)) {
            ++result.files;
            result.bytes += file.size;
            result.devicePaths << file.filePath;
        } else {
            ++result.failures;
        }
        return result;
    }
    auto service = open(file.appBundleName);
    if (!service) {
        result.serviceFailed = true;
        return result;
    }
    if (!QDir().mkpath(target)) {
        ++result.failures;
        return result;
    }
    copyOne(*service, utf8(file.filePath), file.size, localPath, result);
    return result;
}

ActionResult JunkFileActions::exportCategoryFolder(const QString& bundleId, const QString& folder,
                                                   const QString& exportPath) {
    ActionResult result;
    auto service = open(bundleId);
    if (!service || bundleId.isEmpty()) {
        result.serviceFailed = true;
        return result;
    }
    traverseExportDirWithpath(utf8(folder), *service, exportPath, result);
    return result;
}

void JunkFileActions::traverseExportDirWithpath(const std::string& path, DeviceFileService& service,
                                                const QString& exportPath, ActionResult& result) {
    std::vector<std::string> names;
    service.ListDirectory(path, names);
    for (const auto& name : names) {
        const std::string entry = path + "/" + name;
        DeviceEntryInfo info;
        if (!service.FileInfo(entry, info)) continue;
        const QString local = localPathUnder(exportPath, qs(entry));
        if (info.kind == DeviceEntryInfo::Kind::Directory) {
            QDir().mkpath(local);
            traverseExportDirWithpath(entry, service, exportPath, result);
        } else if (info.kind == DeviceEntryInfo::Kind::Regular) {
            if (!QDir().mkpath(QFileInfo(local).path())) {
                ++result.failures;
                continue;
            }
            copyOne(service, entry, info.size, local, result);
        }
    }
}

}  // namespace clean
