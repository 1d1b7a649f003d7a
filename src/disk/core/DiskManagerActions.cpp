#include "disk/core/DiskManagerActions.h"

#include "disk/core/ExportWalk.h"
#include "platform/LocalNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace disk {

namespace {

const char* const kNoService = "the device's files cannot be reached";

}  // namespace

int DiskManagerActions::removeTree(amd::FileService& service, const std::string& path, uint64_t& bytes) {
    amd::FileEntry entry;
    if (!service.FileInfo(path, entry)) return service.RemovePath(path);  // the device says why
    if (entry.kind == amd::FileEntry::Kind::Directory) {
        std::vector<std::string> names;
        if (service.ListDirectory(path, names)) {
            const std::string prefix = path.ends_with('/') ? path : path + "/";
            for (const std::string& name : names) {
                if (name.empty() || name == "." || name == "..") continue;
                if (int status = removeTree(service, prefix + name, bytes)) return status;
            }
        }
    }
    const int status = service.RemovePath(path);
    if (status == 0 && entry.kind != amd::FileEntry::Kind::Directory) bytes += entry.size;
    return status;
}

ActionResult DiskManagerActions::removeItems(const std::vector<std::string>& devicePaths, std::vector<bool>& removed) {
    ActionResult result;
    removed.assign(devicePaths.size(), false);
    if (devicePaths.empty()) return result;
    auto service = services_.startMediaArea(device_);
    for (size_t i = 0; i < devicePaths.size(); ++i) {
        if (!service) {
            result.failed(devicePaths[i], kNoService);
            continue;
        }
        uint64_t bytes = 0;
        const int status = removeTree(*service, devicePaths[i], bytes);
        // A folder whose removal stopped half-way is still there: its row stays, yet the files
        // that did go are counted.
        result.bytes += bytes;
        if (status == 0) {
            removed[i] = true;
            ++result.files;
        } else {
            result.failed(devicePaths[i], "the device refused the removal (status " + std::to_string(status) + ")");
        }
    }
    return result;
}

QString DiskManagerActions::freeName(const QString& folder, const QString& name, const QString& prefix,
                                     const std::vector<QString>& taken) {
    auto isFree = [&](const QString& candidate) {
        return !QFileInfo::exists(folder + QLatin1Char('/') + candidate) &&
               std::find(taken.begin(), taken.end(), candidate) == taken.end();
    };
    if (isFree(name)) return name;
    if (isFree(prefix + name)) return prefix + name;
    for (int n = 2;; ++n) {
        const QString candidate = prefix + QString::number(n) + QLatin1Char('_') + name;
        if (isFree(candidate)) return candidate;
    }
}

ActionResult DiskManagerActions::exportItems(const std::vector<ExportItem>& items, const QString& folder,
                                             const QString& clashPrefix, const std::atomic<bool>* stop) {
    ActionResult result;
    if (!QDir().mkpath(folder)) {
        result.failed(folder.toStdString(), "the folder cannot be made");
        return result;
    }
    std::unique_ptr<amd::FileService> service;
    bool serviceTried = false;
    std::vector<QString> taken;
    for (const ExportItem& item : items) {
        if (stop && stop->load()) break;
        const QString name = freeName(folder, localnames::safeLocalName(item.localName), clashPrefix, taken);
        taken.push_back(name);
        const QString target = folder + QLatin1Char('/') + name;
        if (!item.localCopy.isEmpty() && QFileInfo(item.localCopy).isFile()) {
            if (QFile::copy(item.localCopy, target))
                result.succeeded(uint64_t(QFileInfo(target).size()));
            else
                result.failed(item.devicePath, "the file cannot be written to " + target.toStdString());
            continue;
        }
        if (!serviceTried) {
            service = services_.startMediaArea(device_);
            serviceTried = true;
        }
        if (!service) {
            result.failed(item.devicePath, kNoService);
            continue;
        }
        amd::FileEntry entry;
        if (service->FileInfo(item.devicePath, entry) && entry.kind == amd::FileEntry::Kind::Directory) {
            ExportWalk walk(*service, target, stop);
            walk.setDeviceBase(item.devicePath);
            QDir().mkpath(target);
            walk.traverseExportDirWithpath(item.devicePath);
            result.add(walk.result());
            continue;
        }
        ExportWalk::copyFile(*service, item.devicePath, target, result);
    }
    return result;
}

ActionResult DiskManagerActions::exportAppContainer(const std::string& bundleId, const QString& appFolder,
                                                    const std::atomic<bool>* stop) {
    ActionResult result;
    if (!QDir().mkpath(appFolder)) {
        result.failed(appFolder.toStdString(), "the folder cannot be made");
        return result;
    }
    auto service = services_.startAppDir(device_, bundleId);
    if (!service) {
        result.failed(bundleId, "the app's container cannot be opened");
        return result;
    }
    ExportWalk walk(*service, appFolder, stop);
    walk.traverseExportDirWithpath("/");
    return walk.result();
}

}  // namespace disk
