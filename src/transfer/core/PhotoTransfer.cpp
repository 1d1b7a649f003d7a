#include "transfer/core/PhotoTransfer.h"

#include "clean/JunkFileActions.h"
#include "platform/Paths.h"

#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace transfer {
namespace {

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

void appendFolderFiles(clean::DeviceFileService& service, const std::string& folder, std::vector<std::string>& out) {
    std::vector<std::string> names;
    if (!service.ListDirectory(folder, names)) return;
    for (const std::string& name : names) out.push_back(joined(folder, name));
}

// An empty device file answers 1 although its empty copy was made.
bool emptyCopyMade(clean::DeviceFileService& service, const std::string& devicePath, const QString& local) {
    clean::DeviceEntryInfo info;
    if (!service.FileInfo(devicePath, info) || info.kind != clean::DeviceEntryInfo::Kind::Regular || info.size != 0)
        return false;
    const QFileInfo copy(local);
    return copy.isFile() && copy.size() == 0;
}

}  // namespace

PhotoTransferScan::PhotoTransferScan(clean::DeviceCleanServices& services, int deviceIndex, QString localRoot)
    : services_(services), device_(deviceIndex), root_(std::move(localRoot)) {
    if (root_.isEmpty()) root_ = QString::fromStdString(paths::resolve(kLocalPhotoFolder));
}

std::vector<std::string> PhotoTransferScan::cameraFiles(clean::DeviceFileService& service) {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    if (service.ListDirectory(kCameraFolder, folders)) {
        for (const std::string& folder : folders)
            if (QString::fromStdString(folder).contains(QLatin1String("APPLE"), Qt::CaseInsensitive))
                appendFolderFiles(service, joined(kCameraFolder, folder), files);
    }
    appendFolderFiles(service, kExtraCameraFolder, files);
    return files;
}

QString PhotoTransferScan::localCopyPath(const QString& devicePath) const {
    return clean::localPathUnder(root_, devicePath);
}

PhotoScanResult PhotoTransferScan::run(const ItemHandler& onItem, const KeepGoing& keepGoing) {
    PhotoScanResult result;
    std::unique_ptr<clean::DeviceFileService> service = services_.startMediaArea(device_);
    if (!service) return result;
    result.serviceStarted = true;
    // The local folder exists before the first copy, whichever camera folder it comes from.
    paths::makeDirectories(root_.toStdString());
    for (const std::string& devicePath : cameraFiles(*service)) {
        IKImageItem item;
        item.devicePath = QString::fromStdString(devicePath);
        item.filePath = localCopyPath(item.devicePath);
        item.fileType = IKImageItem::fileTypeForPath(item.devicePath);
        const std::string local = item.filePath.toStdString();
        QString reason;
        if (!paths::makeDirectories(paths::deletingLastPathComponent(local))) {
            reason = QStringLiteral("the local folder cannot be made");
        } else {
            const int status = service->CopyToLocal(devicePath, local);
            if (status == 0 || emptyCopyMade(*service, devicePath, item.filePath)) {
                item.bhasCopy = true;
                item.hasCopy = item.filePath;
            } else {
                reason = QStringLiteral("the device file could not be copied (status %1)").arg(status);
            }
        }
        if (item.bhasCopy) {
            ++result.copies;
            result.bytes += uint64_t(QFileInfo(item.filePath).size());
        } else if (result.firstFailurePath.isEmpty()) {
            result.firstFailurePath = item.devicePath;
            result.firstFailureReason = reason;
        }
        ++result.items;
        if (onItem) onItem(item);
        if (keepGoing && !keepGoing()) {
            result.stopped = true;
            break;
        }
    }
    return result;
}

PhotoExportResult exportPhotos(const std::vector<IKImageItem>& items, const QString& folder,
                               const std::atomic<bool>* cancelled) {
    PhotoExportResult result;
    auto fail = [&result](const QString& path, const QString& reason) {
        if (result.failures++ == 0) {
            result.firstFailurePath = path;
            result.firstFailureReason = reason;
        }
    };
    const bool folderMade = !folder.isEmpty() && paths::makeDirectories(folder.toStdString());
    for (const IKImageItem& item : items) {
        if (cancelled && *cancelled) break;
        const QString name = clean::safeLocalName(QFileInfo(item.filePath).fileName());
        const QString target = folder + QLatin1Char('/') + name;
        if (!folderMade) {
            fail(target, QStringLiteral("the folder cannot be made"));
            continue;
        }
        if (!item.bhasCopy) {
            fail(item.devicePath, QStringLiteral("it was not copied from the device"));
            continue;
        }
        std::error_code error;
        const fs::path to = target.toStdString();
        if (fs::exists(fs::symlink_status(to, error))) {
            fail(target, QStringLiteral("a file of that name is already there"));
            continue;
        }
        if (!fs::copy_file(item.hasCopy.toStdString(), to, fs::copy_options::none, error)) {
            const QString reason = QString::fromStdString(error.message());
            if (error != std::errc::file_exists) fs::remove(to, error);  // no partial file stays
            fail(target, reason);
            continue;
        }
        ++result.files;
        result.bytes += fs::file_size(to, error);
        result.written << target;
    }
    return result;
}

}  // namespace transfer
