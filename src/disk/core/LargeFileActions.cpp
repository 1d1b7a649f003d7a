#include "disk/core/LargeFileActions.h"

#include "device/ExportWalk.h"
#include "platform/LocalNames.h"

namespace disk {

std::unique_ptr<amd::FileService> LargeFileActions::open(const std::string& bundleId) {
    return bundleId.empty() ? services_.startMediaArea(device_) : services_.startAppDir(device_, bundleId);
}

ActionResult LargeFileActions::removeFiles(const std::vector<LargeFileRecord>& records, std::vector<bool>& removed) {
    ActionResult result;
    removed.assign(records.size(), false);
    std::unique_ptr<amd::FileService> service;
    std::string openFor;
    bool opened = false;
    for (size_t i = 0; i < records.size(); ++i) {
        const LargeFileRecord& record = records[i];
        if (!opened || record.appBundId != openFor) {
            service.reset();  // the previous app's service goes before the next one starts
            service = open(record.appBundId);
            openFor = record.appBundId;
            opened = true;
        }
        if (!service) {
            result.failed(record.filePath, record.appBundId.empty()
                                               ? "the device's files cannot be reached"
                                               : "the container of " + record.appBundId + " cannot be opened");
            continue;
        }
        const int status = service->RemovePath(record.filePath);
        if (status == 0) {
            removed[i] = true;
            result.succeeded(record.fileSizeNumber);
        } else {
            result.failed(record.filePath, "the device refused the removal (status " + std::to_string(status) + ")");
        }
    }
    return result;
}

ActionResult LargeFileActions::uninstallApp(const LargeFileRecord& record) {
    ActionResult result;
    const int status = services_.uninstallApp(device_, record.appBundId);
    if (status == 0)
        result.succeeded(record.appFileSizeNumber);
    else
        result.failed(record.fileParentName,
                      status < 0 ? "the app list service cannot be started"
                                 : "the device refused to uninstall the app (status " + std::to_string(status) + ")");
    return result;
}

ActionResult LargeFileActions::exportFile(const LargeFileRecord& record, const QString& exportPath) {
    ActionResult result;
    auto service = open(record.appBundId);
    if (!service) {
        result.failed(record.filePath, record.appBundId.empty()
                                           ? "the device's files cannot be reached"
                                           : "the container of " + record.appBundId + " cannot be opened");
        return result;
    }
    const QString folder = record.appBundId.empty() ? exportPath : exportPath + QStringLiteral("/AppData");
    const QString target =
        folder + QLatin1Char('/') + localnames::exportedName(QString::fromStdString(record.fileName));
    amd::ExportWalk::copyFile(*service, record.filePath, target, result);
    return result;
}

}  // namespace disk
