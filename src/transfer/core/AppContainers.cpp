#include "transfer/core/AppContainers.h"

#include "device/ExportWalk.h"
#include "platform/LocalNames.h"
#include "platform/LogCategories.h"
#include "platform/NewFile.h"

#include <QFile>
#include <QFileInfo>

namespace transfer {

namespace {

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

void walk(amd::FileService& service, const std::string& folder,
          const std::function<void(const ContainerEntry&)>& onEntry, const std::function<bool()>& keepGoing, bool top) {
    std::vector<std::string> names;
    if (!service.ListDirectory(folder, names)) return;
    for (const std::string& name : names) {
        if (name.empty() || name == "." || name == "..") continue;
        ContainerEntry entry;
        entry.path = joined(folder, name);
        amd::FileEntry info;
        if (service.FileInfo(entry.path, info)) {
            if (info.kind == amd::FileEntry::Kind::Directory) {
                entry.folder = true;
                if (onEntry) onEntry(entry);
                walk(service, entry.path, onEntry, keepGoing, false);
            } else if (info.kind == amd::FileEntry::Kind::Regular) {
                entry.size = info.size;
                if (onEntry) onEntry(entry);
            }
        }
        if (top && keepGoing && !keepGoing()) return;
    }
}

bool plainContainerPath(const std::string& path) {
    if (path.empty() || path.front() != '/') return false;
    const QStringList parts = QString::fromStdString(path).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts)
        if (part == QLatin1String("..") || part == QLatin1String(".")) return false;
    return true;
}

}  // namespace

bool listUserApps(disk::DiskDeviceServices& services, int deviceIndex, std::vector<ContainerApp>& apps) {
    std::vector<disk::DeviceApp> installed;
    if (!services.lookupApplications(deviceIndex, installed)) return false;
    for (const disk::DeviceApp& app : installed) {
        if (app.applicationType != "User") continue;
        if (!services.appContainerOpens(deviceIndex, app.bundleId)) {
            qCWarning(lcTransfer, "error----------");
            continue;
        }
        ContainerApp entry;
        entry.bundleId = app.bundleId;
        entry.displayName = app.displayName;
        services.iconPNGData(deviceIndex, app.bundleId, entry.iconPNG);
        apps.push_back(std::move(entry));
    }
    return true;
}

bool readContainer(disk::DiskDeviceServices& services, int deviceIndex, const std::string& bundleId,
                   const std::function<void(const ContainerEntry&)>& onEntry, const std::function<bool()>& keepGoing) {
    std::unique_ptr<amd::FileService> service = services.startAppDir(deviceIndex, bundleId);
    if (!service) return false;
    walk(*service, "/", onEntry, keepGoing, true);
    return true;
}

std::string addTargetPath(const std::string& besidePath, const QString& localFile) {
    if (!plainContainerPath(besidePath)) return {};
    const size_t slash = besidePath.find_last_of('/');
    const std::string folder = slash == 0 ? std::string("/") : besidePath.substr(0, slash);
    return joined(folder, localnames::safeLocalName(QFileInfo(localFile).fileName()).toStdString());
}

bool containerNameTaken(disk::DiskDeviceServices& services, int deviceIndex, const std::string& bundleId,
                        const QString& localFile, const std::string& besidePath) {
    const std::string target = addTargetPath(besidePath, localFile);
    std::unique_ptr<amd::FileService> service = target.empty() ? nullptr : services.startAppDir(deviceIndex, bundleId);
    return service && amd::takenOnDevice(*service, target);
}

disk::ActionResult addFileToContainer(disk::DiskDeviceServices& services, int deviceIndex, const std::string& bundleId,
                                      const QString& localFile, const std::string& besidePath, amd::NameTaken taken,
                                      std::string* added) {
    disk::ActionResult result;
    std::string target = addTargetPath(besidePath, localFile);
    if (target.empty()) {
        result.failed(besidePath, "it is not a folder of the app's container");
        return result;
    }
    std::unique_ptr<amd::FileService> service = services.startAppDir(deviceIndex, bundleId);
    if (!service) {
        result.failed(target, "the app's container cannot be opened");
        return result;
    }
    amd::addFileToDevice(*service, localFile, target.substr(0, target.rfind('/')), taken, result, target);
    if (added) *added = target;
    return result;
}

disk::ActionResult removeContainerFiles(disk::DiskDeviceServices& services, int deviceIndex,
                                        const std::vector<ContainerFile>& files, std::vector<std::string>* removed) {
    disk::ActionResult result;
    for (const ContainerFile& file : files) {
        std::unique_ptr<amd::FileService> service = services.startAppDir(deviceIndex, file.bundleId);
        if (!service) {
            result.failed(file.path, "the app's container cannot be opened");
            continue;
        }
        amd::FileEntry info;
        const uint64_t size = service->FileInfo(file.path, info) ? info.size : 0;
        const int status = service->RemovePath(file.path);
        if (status == 0) {
            result.succeeded(size);
            if (removed) removed->push_back(file.path);
        } else {
            result.failed(file.path, "the device refused the removal (status " + std::to_string(status) + ")");
        }
    }
    return result;
}

QString flatCopyPath(const QString& folder, const std::string& devicePath) {
    // Only the name, named as every export names a file.
    return folder + QLatin1Char('/') +
           localnames::exportedName(QString::fromStdString(devicePath).section(QLatin1Char('/'), -1));
}

disk::ActionResult exportContainerFiles(disk::DiskDeviceServices& services, int deviceIndex,
                                        const std::vector<ContainerFile>& files, const QString& folder, bool flat,
                                        const std::atomic<bool>* cancelled) {
    disk::ActionResult result;
    for (const ContainerFile& file : files) {
        if (cancelled && *cancelled) break;
        std::unique_ptr<amd::FileService> service = services.startAppDir(deviceIndex, file.bundleId);
        if (!service) {
            result.failed(file.path, "the app's container cannot be opened");
            continue;
        }
        const QString devicePath = QString::fromStdString(file.path);
        QString local;
        if (flat) {
            local = flatCopyPath(folder, file.path);  // files of one name each get their own
        } else {
            local = localnames::localPathUnder(folder, devicePath);
        }
        amd::ExportWalk::copyFile(*service, file.path, local, result);
    }
    return result;
}

QString copyForPreview(disk::DiskDeviceServices& services, int deviceIndex, const ContainerFile& file,
                       const QString& folder, disk::ActionResult& result) {
    std::unique_ptr<amd::FileService> service = services.startAppDir(deviceIndex, file.bundleId);
    if (!service) {
        result.failed(file.path, "the app's container cannot be opened");
        return {};
    }
    const QString appFolder =
        folder + QLatin1Char('/') + localnames::safeLocalName(QString::fromStdString(file.bundleId));
    // The program's own copy, in the place of an earlier one once whole: a document replaced on
    // the device is never shown by the copy of what was there before.
    const QString local = localnames::localPathUnder(appFolder, QString::fromStdString(file.path));
    std::string why = files::makeFolders(QFileInfo(local).path().toStdString());
    if (why.empty() && amd::copyToOwnFile(*service, file.path, local.toStdString(), &why) == 0) {
        result.succeeded(uint64_t(QFileInfo(local).size()));
        return local;
    }
    result.failed(file.path, why.empty() ? std::string("the document cannot be read from the device") : why);
    return {};
}

disk::ActionResult exportContainerFolder(disk::DiskDeviceServices& services, int deviceIndex, const ContainerFile& dir,
                                         const QString& folder, const std::atomic<bool>* cancelled) {
    std::unique_ptr<amd::FileService> service = services.startAppDir(deviceIndex, dir.bundleId);
    if (!service) {
        disk::ActionResult result;
        result.failed(dir.path, "the app's container cannot be opened");
        return result;
    }
    amd::ExportWalk walk(*service, folder, cancelled);
    walk.traverseExportDirWithpath(dir.path);
    return walk.result();
}

}  // namespace transfer
