#include "clean/core/SystemBoostActions.h"

#include <QDir>
#include <QFileInfo>

namespace clean {

namespace {

void removeWith(DeviceFileService* service, const BoostFileRef& file, ActionResult& result) {
    if (service && service->RemovePath(file.filePath.toStdString()) == 0) {
        ++result.files;
        result.bytes += file.size;
        result.devicePaths << file.filePath;
    } else {
        ++result.failures;
    }
}

}  // namespace

BoostFileRef BoostFileRef::of(const PRPhoneSystemFileNode& record) {
    return {record.filePath, record.fileSizeNumber, record.fileType == QLatin1String("Log")};
}

std::unique_ptr<DeviceFileService> SystemBoostActions::open(bool crashLog) {
    return crashLog ? services_.startCrashReports(device_) : services_.startMediaArea(device_);
}

ActionResult SystemBoostActions::removeFile(const BoostFileRef& file) {
    ActionResult result;
    auto service = open(file.crashLog);
    if (!service) {
        result.serviceFailed = true;
        return result;
    }
    removeWith(service.get(), file, result);
    return result;
}

ActionResult SystemBoostActions::removeFiles(const std::vector<BoostFileRef>& files,
                                             const std::function<void(uint64_t, uint64_t)>& progress) {
    ActionResult result;
    std::unique_ptr<DeviceFileService> service;
    bool serviceIsCrashArea = false, opened = false;
    uint64_t handled = 0;
    for (const BoostFileRef& file : files) {
        if (!opened || serviceIsCrashArea != file.crashLog) {
            service.reset();  // one area's service at a time
            service = open(file.crashLog);
            serviceIsCrashArea = file.crashLog;
            opened = true;
            if (!service) result.serviceFailed = true;
        }
        removeWith(service.get(), file, result);
        if (progress) progress(++handled, result.files);
    }
    return result;
}

ActionResult SystemBoostActions::exportFile(const BoostFileRef& file, const QString& folder) {
    ActionResult result;
    auto service = open(file.crashLog);
    if (!service) {
        result.serviceFailed = true;
        return result;
    }
    if (!QDir().mkpath(folder)) {
        ++result.failures;
        return result;
    }
    const QString name = safeLocalName(file.filePath.mid(file.filePath.lastIndexOf(QLatin1Char('/')) + 1));
    const QString localPath = folder + QLatin1Char('/') + name;
    const int status = service->CopyToLocal(file.filePath.toStdString(), localPath.toStdString());
    // An empty device file copies no bytes and so reports 1, yet its empty copy is there.
    const QFileInfo copy(localPath);
    if (status == 0 || (file.size == 0 && copy.isFile() && copy.size() == 0)) {
        ++result.files;
        result.bytes += file.size;
        result.devicePaths << file.filePath;
    } else {
        ++result.failures;
    }
    return result;
}

}  // namespace clean
