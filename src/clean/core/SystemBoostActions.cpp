#include "clean/core/SystemBoostActions.h"

#include "platform/LocalNames.h"

#include <QDir>
#include <QFileInfo>

namespace clean {

namespace {

void removeWith(amd::FileService* service, const BoostFileRef& file, ActionResult& result) {
    if (!service) {
        ++result.failures;  // the service's failure is kept already
        return;
    }
    if (const int status = service->RemovePath(file.filePath.toStdString()); status == 0) {
        ++result.files;
        result.bytes += file.size;
        result.devicePaths << file.filePath;
    } else {
        result.fail(file.filePath, deviceStatusText(status));
    }
}

}  // namespace

BoostFileRef BoostFileRef::of(const PRPhoneSystemFileNode& record) {
    return {record.filePath, record.fileSizeNumber, record.fileType == QLatin1String("Log")};
}

std::unique_ptr<amd::FileService> SystemBoostActions::open(bool crashLog, int* status) {
    return crashLog ? services_.startCrashReports(device_, status) : services_.startMediaArea(device_, status);
}

ActionResult SystemBoostActions::removeFile(const BoostFileRef& file) {
    ActionResult result;
    int status = 0;
    auto service = open(file.crashLog, &status);
    if (!service) {
        result.failService(file.filePath, status);
        return result;
    }
    removeWith(service.get(), file, result);
    return result;
}

ActionResult SystemBoostActions::removeFiles(const std::vector<BoostFileRef>& files,
                                             const std::function<void(uint64_t, uint64_t)>& progress) {
    ActionResult result;
    std::unique_ptr<amd::FileService> service;
    bool serviceIsCrashArea = false, opened = false;
    uint64_t handled = 0;
    for (const BoostFileRef& file : files) {
        if (!opened || serviceIsCrashArea != file.crashLog) {
            service.reset();  // one area's service at a time
            int status = 0;
            service = open(file.crashLog, &status);
            serviceIsCrashArea = file.crashLog;
            opened = true;
            if (!service) result.failService(file.filePath, status);
        }
        removeWith(service.get(), file, result);
        if (progress) progress(++handled, result.files);
    }
    return result;
}

ActionResult SystemBoostActions::exportFile(const BoostFileRef& file, const QString& folder) {
    ActionResult result;
    int started = 0;
    auto service = open(file.crashLog, &started);
    if (!service) {
        result.failService(file.filePath, started);
        return result;
    }
    if (!QDir().mkpath(folder)) {
        result.fail(folder, QStringLiteral("The folder could not be made"));
        return result;
    }
    const QString name = localnames::exportedName(file.filePath.mid(file.filePath.lastIndexOf(QLatin1Char('/')) + 1));
    const QString localPath = folder + QLatin1Char('/') + name;
    copyDeviceFile(*service, file.filePath, file.size, localPath, result);
    return result;
}

}  // namespace clean
