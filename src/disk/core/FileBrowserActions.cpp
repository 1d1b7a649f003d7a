#include "disk/core/FileBrowserActions.h"

#include "device/ExportWalk.h"
#include "platform/LocalNames.h"
#include "platform/NewFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace disk {

namespace {

QString lastComponent(const std::string& devicePath) {
    return QString::fromStdString(devicePath.substr(devicePath.rfind('/') + 1));
}

const char* const kNoService = "the device's files cannot be reached";

}  // namespace

ActionResult FileBrowserActions::exportFiles(const std::vector<BrowserFile>& files, const QString& target,
                                             const std::atomic<bool>* stop) {
    ActionResult result;
    if (const std::string why = files::makeFolders(target.toStdString()); !why.empty()) {
        result.failed(target.toStdString(), why);
        return result;
    }
    std::unique_ptr<amd::FileService> service;
    for (const BrowserFile& file : files) {
        if (stop && stop->load()) break;
        const QString local = target + QLatin1Char('/') + localnames::exportedName(lastComponent(file.devicePath));
        if (!service) service = services_.startMediaArea(device_);
        if (!service) {
            result.failed(file.devicePath, kNoService);
            continue;
        }
        // A preview's copy stands in for the device file only while the device still has the
        // file that was copied.
        if (!file.localCopy.isEmpty() && amd::ownCopyCurrent(*service, file.devicePath, file.localCopy.toStdString())) {
            amd::ExportWalk::copyLocalCopy(file.localCopy, file.devicePath, file.size, local, result);
            continue;
        }
        amd::ExportWalk::copyFile(*service, file.devicePath, local, result);
    }
    return result;
}

ActionResult FileBrowserActions::exportEntries(const std::vector<std::string>& devicePaths, const QString& exportPath,
                                               const std::atomic<bool>* stop) {
    ActionResult result;
    if (devicePaths.empty()) return result;
    auto service = services_.startMediaArea(device_);
    if (!service) {
        result.failed(devicePaths.front(), kNoService);
        return result;
    }
    amd::ExportWalk walk(*service, exportPath, stop);
    for (const std::string& path : devicePaths) {
        if (stop && stop->load()) break;
        walk.exportEntry(path);
    }
    return walk.result();
}

ActionResult FileBrowserActions::removeFiles(const std::vector<std::string>& devicePaths, std::vector<bool>& removed) {
    ActionResult result;
    removed.assign(devicePaths.size(), false);
    if (devicePaths.empty()) return result;
    auto service = services_.startMediaArea(device_);
    for (size_t i = 0; i < devicePaths.size(); ++i) {
        if (!service) {
            result.failed(devicePaths[i], kNoService);
            continue;
        }
        amd::FileEntry entry;
        const uint64_t size = service->FileInfo(devicePaths[i], entry) ? entry.size : 0;
        const int status = service->RemovePath(devicePaths[i]);
        if (status == 0) {
            removed[i] = true;
            result.succeeded(size);
        } else {
            result.failed(devicePaths[i], "the device refused the removal (status " + std::to_string(status) + ")");
        }
    }
    return result;
}

std::string FileBrowserActions::addedFilePath(const std::string& selectedPath, const QString& localFile) {
    const std::string folder = selectedPath.substr(0, selectedPath.rfind('/'));
    return folder + "/" + QFileInfo(localFile).fileName().toStdString();
}

bool FileBrowserActions::nameTaken(const std::string& deviceFolder, const QString& localFile) {
    auto service = services_.startMediaArea(device_);
    return service &&
           amd::takenOnDevice(
               *service, amd::devicePathIn(deviceFolder,
                                           localnames::safeLocalName(QFileInfo(localFile).fileName()).toStdString()));
}

ActionResult FileBrowserActions::addFile(const QString& localFile, const std::string& deviceFolder, std::string& added,
                                         amd::NameTaken taken) {
    ActionResult result;
    added = amd::devicePathIn(deviceFolder, QFileInfo(localFile).fileName().toStdString());
    auto service = services_.startMediaArea(device_);
    if (!service) {
        result.failed(added, kNoService);
        return result;
    }
    amd::addFileToDevice(*service, localFile, deviceFolder, taken, result, added);
    return result;
}

QString PreviewCopies::copyPathOf(const std::string& devicePath) const {
    const QByteArray key =
        QCryptographicHash::hash(QByteArray::fromStdString(devicePath), QCryptographicHash::Sha1).toHex().left(16);
    return folder_ + QLatin1Char('/') + QString::fromLatin1(key) + QLatin1Char('-') +
           localnames::safeLocalName(lastComponent(devicePath));
}

QString PreviewCopies::madeCopy(const std::string& devicePath, std::optional<uint64_t> size) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = made_.find(devicePath);
    if (it == made_.end()) return {};
    const QFileInfo copy(it->second);
    return copy.isFile() && (!size || uint64_t(copy.size()) == *size) ? it->second : QString();
}

void PreviewCopies::forget(const std::string& devicePath) {
    std::lock_guard<std::mutex> lock(mutex_);
    made_.erase(devicePath);
}

QString PreviewCopies::localCopy(DiskDeviceServices& services, int deviceIndex, const BrowserFile& file,
                                 ActionResult& result) {
    auto service = services.startMediaArea(deviceIndex);
    if (!service) {
        result.failed(file.devicePath, kNoService);
        return {};
    }
    if (QString made = madeCopy(file.devicePath);
        !made.isEmpty() && amd::ownCopyCurrent(*service, file.devicePath, made.toStdString()))
        return made;
    // The program's own copy: one left by an earlier run is replaced once the new one is whole.
    const QString local = copyPathOf(file.devicePath);
    std::string why = files::makeFolders(folder_.toStdString());
    if (!why.empty() || amd::copyToOwnFile(*service, file.devicePath, local.toStdString(), &why) != 0) {
        result.failed(file.devicePath, why.empty() ? std::string("the device file cannot be read") : why);
        return {};
    }
    result.succeeded(uint64_t(QFileInfo(local).size()));
    std::lock_guard<std::mutex> lock(mutex_);
    made_[file.devicePath] = local;
    return local;
}

}  // namespace disk
