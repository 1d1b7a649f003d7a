#include "clean/core/JunkFileActions.h"

#include "device/StatusText.h"
#include "platform/LogCategories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

namespace clean {

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }
QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

const QString kFolderNotMade = QStringLiteral("The folder could not be made");

}  // namespace

QString deviceStatusText(int status) { return QString::fromStdString(amd::statusText(status)); }

QString copyFailureReason(int status, const QString& localPath) {
    return status == 1 ? QStringLiteral("The file could not be copied to ") + localPath : deviceStatusText(status);
}

void ActionResult::fail(const QString& path, const QString& reason) {
    ++failures;
    if (failedPath.isEmpty() && failureReason.isEmpty()) {
        failedPath = path;
        failureReason = reason;
    }
}

void ActionResult::failService(const QString& path, int status) {
    serviceFailed = true;
    if (failedPath.isEmpty() && failureReason.isEmpty()) {
        failedPath = path;
        failureReason = QStringLiteral("The device's file service could not be started: ") + deviceStatusText(status);
    }
}

QString ActionResult::failureDetail() const {
    if (failureReason.isEmpty()) return {};
    return failedPath.isEmpty() ? failureReason : failedPath + QStringLiteral(": ") + failureReason;
}

QString categoryFolderOf(const QString& cleanType) {
    if (cleanType == QLatin1String("Junk")) return QStringLiteral("/tmp");
    if (cleanType == QLatin1String("Cook")) return QStringLiteral("/Library/Cookies");
    if (cleanType == QLatin1String("Cache")) return QStringLiteral("/Library/Caches");
    return {};
}

std::unique_ptr<DeviceFileService> JunkFileActions::open(const QString& bundleId, int* status) {
    return bundleId.isEmpty() ? services_.startMediaArea(device_, status)
                              : services_.startAppDir(device_, utf8(bundleId), status);
}

ActionResult JunkFileActions::actRemoveTheNode(const DeviceFileRef& file) {
    ActionResult result;
    int status = 0;
    auto service = open(file.appBundleName, &status);
    if (!service) {
        result.failService(file.filePath, status);
        return result;
    }
    status = service->RemovePath(utf8(file.filePath));
    if (status == 0) {
        ++result.files;
        result.bytes += file.size;
        result.devicePaths << file.filePath;
    } else {
        result.fail(file.filePath, deviceStatusText(status));
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
    int openStatus = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const DeviceFileRef& file = files[i];
        if (!opened || file.appBundleName != openFor) {
            service.reset();  // the previous app's service goes before the next one starts
            service = open(file.appBundleName, &openStatus);
            openFor = file.appBundleName;
            opened = true;
            if (!service) result.failService(file.filePath, openStatus);
        }
        if (!service) {
            ++result.failures;
        } else if (const int status = service->RemovePath(utf8(file.filePath)); status == 0) {
            removed[i] = true;
            ++result.files;
            result.bytes += file.size;
            result.devicePaths << file.filePath;
        } else {
            result.fail(file.filePath, deviceStatusText(status));
        }
        if (progress) progress(i + 1);
    }
    return result;
}

ActionResult JunkFileActions::actRemoveDirNode(const QString& bundleId, const QString& cleanType) {
    ActionResult result;
    const QString folder = categoryFolderOf(cleanType);
    qCInfo(lcClean).noquote() << "CleanFullPath====" + folder;
    if (folder.isEmpty()) return result;
    int status = -1;  // without an app nothing is started
    auto service = bundleId.isEmpty() ? nullptr : open(bundleId, &status);
    if (!service) {
        result.failService(folder, status);
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
            if (const int status = service.RemovePath(entry); status == 0) {
                ++result.files;
                result.bytes += info.size;
                result.devicePaths << qs(entry);
            } else {
                result.fail(qs(entry), deviceStatusText(status));
            }
        }
    }
}

void JunkFileActions::copyOne(DeviceFileService& service, const std::string& devicePath, uint64_t size,
                              const QString& localPath, ActionResult& result) {
    const int status = service.CopyToLocal(devicePath, localPath.toStdString());
    qCInfo(lcClean, "result===%d", status);
    // An empty device file copies no bytes and so reports 1, yet its empty copy is there.
    const QFileInfo copy(localPath);
    const bool copied = status == 0 || (size == 0 && copy.isFile() && copy.size() == 0);
    if (copied) {
        ++result.files;
        result.bytes += size;
        result.devicePaths << qs(devicePath);
    } else {
        result.fail(qs(devicePath), copyFailureReason(status, localPath));
    }
}

ActionResult JunkFileActions::actExportTheNode(const DeviceFileRef& file, const QString& target) {
    ActionResult result;
    const QString name = safeLocalName(file.filePath.mid(file.filePath.lastIndexOf(QLatin1Char('/')) + 1));
    const QString localPath = target + QLatin1Char('/') + name;
    if (file.btransfer) {
        if (!QDir().mkpath(target)) {
            result.fail(target, kFolderNotMade);
            return result;
        }
        QFile::remove(localPath);
        if (QFile::copy(file.transferPath, localPath)) {
            ++result.files;
            result.bytes += file.size;
            result.devicePaths << file.filePath;
        } else {
            result.fail(file.filePath, QStringLiteral("The copy could not be written to ") + localPath);
        }
        return result;
    }
    int status = 0;
    auto service = open(file.appBundleName, &status);
    if (!service) {
        result.failService(file.filePath, status);
        return result;
    }
    if (!QDir().mkpath(target)) {
        result.fail(target, kFolderNotMade);
        return result;
    }
    copyOne(*service, utf8(file.filePath), file.size, localPath, result);
    return result;
}

ActionResult JunkFileActions::exportCategoryFolder(const QString& bundleId, const QString& folder,
                                                   const QString& exportPath) {
    ActionResult result;
    int status = -1;  // without an app nothing is started
    auto service = bundleId.isEmpty() ? nullptr : open(bundleId, &status);
    if (!service) {
        result.failService(folder, status);
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
                result.fail(QFileInfo(local).path(), kFolderNotMade);
                continue;
            }
            copyOne(service, entry, info.size, local, result);
        }
    }
}

}  // namespace clean
