// What the large-file finder does with the files it listed: removes them from the device (from
// the media area, or from their app's container), uninstalls their app, or copies them into the
// export folder. Every call opens its own device services and closes them; the results say
// which files went, so that a refused one keeps its row.
#pragma once

#include "disk/core/ActionResult.h"
#include "disk/core/DiskDeviceServices.h"
#include "disk/core/LargeFileScan.h"

#include <QString>
#include <vector>

namespace disk {

class LargeFileActions {
public:
    LargeFileActions(DiskDeviceServices& services, int deviceIndex) : services_(services), device_(deviceIndex) {}

    // Removes the records' files, in order; removed[i] tells whether records[i] went. Files of
    // one app share one container service.
    ActionResult removeFiles(const std::vector<LargeFileRecord>& records, std::vector<bool>& removed);
    // Uninstalls the record's app; counts the whole app's bytes when the device took it.
    ActionResult uninstallApp(const LargeFileRecord& record);
    // Copies the record's file into exportPath (user data) or exportPath/AppData (app files),
    // under its last path component, replacing a file of that name; the folder is made when
    // missing.
    ActionResult exportFile(const LargeFileRecord& record, const QString& exportPath);

private:
    std::unique_ptr<amd::FileService> open(const std::string& bundleId);

    DiskDeviceServices& services_;
    int device_;
};

}  // namespace disk
