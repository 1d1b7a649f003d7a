#include "disk/core/DiskManagerActions.h"

#include "device/ExportWalk.h"
#include "device/StatusText.h"
#include "platform/LocalNames.h"
#include "platform/NewFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace disk {

namespace {

const char* const kNoService = "the device's files cannot be reached";

}  // namespace

int DiskManagerActions::removeOne(amd::FileService& service, const std::string& path, uint64_t& bytes) {
    amd::FileEntry entry;
    const bool known = service.FileInfo(path, entry);
    const int status = service.RemovePath(path);  // a folder goes only when empty; a link is the link
    if (status == 0 && known && entry.kind == amd::FileEntry::Kind::Regular) bytes += entry.size;
    return status;
}

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
    if (status == 0 && entry.kind == amd::FileEntry::Kind::Regular) bytes += entry.size;
    return status;
}

ActionResult DiskManagerActions::removeItems(const std::vector<std::string>& devicePaths, std::vector<bool>& removed,
                                             bool wholeFolders) {
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
        const int status =
            wholeFolders ? removeTree(*service, devicePaths[i], bytes) : removeOne(*service, devicePaths[i], bytes);
        // A folder whose removal stopped half-way is still there: its row stays, yet the files
        // that did go are counted.
        result.bytes += bytes;
        if (status == 0) {
            removed[i] = true;
            ++result.files;
        } else {
            result.failed(devicePaths[i], "the device refused the removal (" + amd::statusText(status) + ")");
        }
    }
    return result;
}

ActionResult DiskManagerActions::exportItems(const std::vector<ExportItem>& items, const QString& folder,
                                             const std::atomic<bool>* stop) {
    ActionResult result;
    if (const std::string why = files::makeFolders(folder.toStdString()); !why.empty()) {
        result.failed(folder.toStdString(), why);
        return result;
    }
    std::unique_ptr<amd::FileService> service;
    bool serviceTried = false, deviceLeft = false;
    for (const ExportItem& item : items) {
        if (stop && stop->load()) break;
        const QString target = folder + QLatin1Char('/') + localnames::exportedName(item.localName);
        if (!serviceTried) {
            service = services_.startMediaArea(device_);
            serviceTried = true;
        }
        if (!service || deviceLeft) {
            result.failed(item.devicePath, deviceLeft ? amd::ExportWalk::kDeviceLeft : kNoService);
            continue;
        }
        // A preview's copy stands in for the device file only while the device still has the
        // file that was copied.
        if (!item.localCopy.isEmpty() && amd::ownCopyCurrent(*service, item.devicePath, item.localCopy.toStdString())) {
            amd::ExportWalk::copyLocalCopy(item.localCopy, item.devicePath, uint64_t(QFileInfo(item.localCopy).size()),
                                           target, result);
            continue;
        }
        const uint64_t failedBefore = result.failures;
        amd::FileEntry entry;
        if (service->FileInfo(item.devicePath, entry) && entry.kind == amd::FileEntry::Kind::Directory) {
            amd::ExportWalk walk(*service, folder, stop);  // a book ("X.epub") is a folder of its own
            walk.exportIntoNewFolder(item.devicePath, target);
            result.add(walk.result());
        } else {
            amd::ExportWalk::copyFile(*service, item.devicePath, target, result);
        }
        deviceLeft = result.failures > failedBefore && !amd::ExportWalk::deviceAnswers(*service);
    }
    return result;
}

ActionResult DiskManagerActions::exportAppContainer(const std::string& bundleId, const QString& appFolder,
                                                    const std::atomic<bool>* stop) {
    auto service = services_.startAppDir(device_, bundleId);
    if (!service) {
        ActionResult result;
        result.failed(bundleId, "the app's container cannot be opened");
        return result;
    }
    amd::ExportWalk walk(*service, appFolder, stop);
    walk.exportIntoNewFolder("/", appFolder);
    return walk.result();
}

}  // namespace disk
