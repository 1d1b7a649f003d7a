#include "transfer/core/PhotoTransfer.h"

#include "clean/core/JunkFileActions.h"
#include "platform/LocalNames.h"
#include "platform/NewFile.h"
#include "platform/Paths.h"
#include "platform/WorkerPool.h"

#include <QFileInfo>
#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace transfer {
namespace {

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

void appendFolderFiles(amd::FileService& service, const std::string& folder, std::vector<std::string>& out) {
    std::vector<std::string> names;
    if (!service.ListDirectory(folder, names)) return;
    for (const std::string& name : names) out.push_back(joined(folder, name));
}

// An empty device file answers 1 although its empty copy was made.
}  // namespace

PhotoTransferScan::PhotoTransferScan(clean::DeviceCleanServices& services, int deviceIndex, QString localRoot)
    : services_(services), device_(deviceIndex), root_(std::move(localRoot)) {
    if (root_.isEmpty()) root_ = QString::fromStdString(paths::resolve(kLocalPhotoFolder));
}

std::vector<std::string> PhotoTransferScan::cameraFiles(amd::FileService& service) {
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

// The files are reported one after the other in device order, each once its copy is made.
// Copies run ahead on a few more connections of their own (the device's transfers go in small
// records, so one connection leaves the disk idle between them); the scanning thread copies
// too, so without helpers the scan is a plain sequence.
struct PhotoTransferScan::Copies {
    struct Slot {
        IKImageItem item;
        QString reason;
        bool done = false;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Slot> entries;
    std::vector<std::string> devicePaths;
    size_t next = 0;  // the next file to claim
    int helpers = 0;  // helper jobs still running
    bool stop = false;

    // Claims the next file; false when none is left or the scan stops.
    bool claim(size_t& index) {
        std::lock_guard<std::mutex> lock(mutex);
        if (stop || next >= entries.size()) return false;
        index = next++;
        return true;
    }
    void copy(amd::FileService& service, size_t index) {
        Slot slot;
        {
            std::lock_guard<std::mutex> lock(mutex);
            slot.item = entries[index].item;
        }
        const std::string& devicePath = devicePaths[index];
        const std::string local = slot.item.filePath.toStdString();
        if (!paths::makeDirectories(paths::deletingLastPathComponent(local))) {
            slot.reason = QStringLiteral("the local folder cannot be made");
        } else {
            const int status = amd::copyToOwnFile(service, devicePath, local);
            if (status == 0) {
                slot.item.bhasCopy = true;
                slot.item.hasCopy = slot.item.filePath;
            } else {
                slot.reason = QStringLiteral("the device file could not be copied (status %1)").arg(status);
            }
        }
        std::lock_guard<std::mutex> lock(mutex);
        entries[index].item = slot.item;
        entries[index].reason = slot.reason;
        entries[index].done = true;
        changed.notify_all();
    }
};

PhotoScanResult PhotoTransferScan::run(const ItemHandler& onItem, const KeepGoing& keepGoing) {
    PhotoScanResult result;
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(device_);
    if (!service) return result;
    result.serviceStarted = true;
    // The local folder exists before the first copy, whichever camera folder it comes from.
    paths::makeDirectories(root_.toStdString());

    auto copies = std::make_shared<Copies>();
    copies->devicePaths = cameraFiles(*service);
    for (const std::string& devicePath : copies->devicePaths) {
        Copies::Slot slot;
        slot.item.devicePath = QString::fromStdString(devicePath);
        slot.item.filePath = localCopyPath(slot.item.devicePath);
        slot.item.fileType = IKImageItem::fileTypeForPath(slot.item.devicePath);
        copies->entries.push_back(std::move(slot));
    }
    const size_t count = copies->entries.size();
    const int helpers = int(std::min<size_t>(size_t(copyHelpers_), count > 1 ? count - 1 : 0));
    WorkerPool pool(helpers > 0 ? helpers : 1);
    copies->helpers = helpers;
    for (int h = 0; h < helpers; ++h) {
        pool.enqueue([copies, &services = services_, device = device_] {
            // Each helper has its own connection, made and ended on its thread.
            if (std::unique_ptr<amd::FileService> own = services.startMediaArea(device)) {
                size_t index = 0;
                while (copies->claim(index)) copies->copy(*own, index);
            }
            std::lock_guard<std::mutex> lock(copies->mutex);
            --copies->helpers;
            copies->changed.notify_all();
        });
    }

    for (size_t reported = 0; reported < count; ++reported) {
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(copies->mutex);
                if (copies->entries[reported].done) break;
            }
            size_t index = 0;
            if (copies->claim(index)) {
                copies->copy(*service, index);
                continue;
            }
            std::unique_lock<std::mutex> lock(copies->mutex);
            copies->changed.wait(lock, [&] { return copies->entries[reported].done; });
            break;
        }
        IKImageItem item;
        QString reason;
        {
            std::lock_guard<std::mutex> lock(copies->mutex);
            item = copies->entries[reported].item;
            reason = copies->entries[reported].reason;
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
    // The helpers end with the file in hand; none outlives the scan.
    std::unique_lock<std::mutex> lock(copies->mutex);
    copies->stop = true;
    copies->changed.wait(lock, [&] { return copies->helpers == 0; });
    return result;
}

PhotoExportResult exportPhotos(const std::vector<IKImageItem>& items, const QString& folder,
                               const std::atomic<bool>* cancelled) {
    PhotoExportResult result;
    result.folder = folder;
    auto fail = [&result](const QString& path, const QString& reason) {
        if (result.failures++ == 0) {
            result.firstFailurePath = path;
            result.firstFailureReason = reason;
        }
    };
    const bool folderMade = !folder.isEmpty() && files::makeFolders(folder.toStdString()).empty();
    for (const IKImageItem& item : items) {
        if (cancelled && *cancelled) break;
        const QString name = localnames::exportedName(QFileInfo(item.filePath).fileName());
        const QString target = folder + QLatin1Char('/') + name;
        if (!folderMade) {
            fail(target, QStringLiteral("the folder cannot be made"));
            continue;
        }
        if (!item.bhasCopy) {
            fail(item.devicePath, QStringLiteral("it was not copied from the device"));
            continue;
        }
        // A photo of a name already there (the user's own, or another folder's) gets the next
        // numbered name.
        const files::Outcome copied = files::copyNewFile(item.hasCopy.toStdString(), target.toStdString());
        if (!copied.ok()) {
            fail(target, QString::fromStdString(copied.reason));
            continue;
        }
        if (copied.alreadyThere) {
            ++result.alreadyThere;
            continue;
        }
        std::error_code error;
        ++result.files;
        result.bytes += fs::file_size(copied.path, error);
        result.written << QString::fromStdString(copied.path);
    }
    return result;
}

}  // namespace transfer
