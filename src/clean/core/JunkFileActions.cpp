#include "clean/core/JunkFileActions.h"

#include "device/ExportWalk.h"
#include "device/StatusText.h"
#include "platform/LocalNames.h"
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

void copyDeviceFile(amd::FileService& service, const QString& devicePath, uint64_t size, const QString& localPath,
                    ActionResult& result) {
    const files::Outcome copied = amd::copyToNewFile(service, utf8(devicePath), utf8(localPath));
    qCInfo(lcClean, "result===%d", copied.ok() ? 0 : 1);
    if (copied.ok()) {
        ++result.files;
        result.bytes += size;
        result.devicePaths << devicePath;
    } else {
        result.fail(devicePath, qs(copied.reason));
    }
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

void ActionResult::add(const amd::ActionResult& copied) {
    files += copied.files;
    bytes += copied.bytes;
    if (copied.failures) {
        fail(qs(copied.firstFailurePath), qs(copied.firstFailureReason));
        failures += copied.failures - 1;
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

std::unique_ptr<amd::FileService> JunkFileActions::open(const QString& bundleId, int* status) {
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
    std::unique_ptr<amd::FileService> service;
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

void JunkFileActions::traverseRemoveDirWithpath(const std::string& path, amd::FileService& service,
                                                ActionResult& result) {
    std::vector<std::string> names;
    service.ListDirectory(path, names);
    for (const auto& name : names) {
        const std::string entry = path + "/" + name;
        amd::FileEntry info;
        if (!service.FileInfo(entry, info)) continue;
        if (info.kind == amd::FileEntry::Kind::Directory) {
            traverseRemoveDirWithpath(entry, service, result);
        } else if (info.kind == amd::FileEntry::Kind::Regular || info.kind == amd::FileEntry::Kind::Link) {
            // A link goes as the link: what it points at is not junk of this folder.
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

ActionResult JunkFileActions::actExportTheNode(const DeviceFileRef& file, const QString& target) {
    ActionResult result;
    const QString name = localnames::exportedName(file.filePath.mid(file.filePath.lastIndexOf(QLatin1Char('/')) + 1));
    const QString localPath = target + QLatin1Char('/') + name;
    if (file.btransfer) {
        if (!QDir().mkpath(target)) {
            result.fail(target, kFolderNotMade);
            return result;
        }
        const files::Outcome copied = files::copyNewFile(utf8(file.transferPath), utf8(localPath));
        if (copied.ok()) {
            ++result.files;
            result.bytes += file.size;
            result.devicePaths << file.filePath;
        } else {
            result.fail(file.filePath, qs(copied.reason));
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
    copyDeviceFile(*service, file.filePath, file.size, localPath, result);
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
    amd::ExportWalk walk(*service, exportPath);
    walk.traverseExportDirWithpath(utf8(folder));
    result.add(walk.result());
    return result;
}

}  // namespace clean
