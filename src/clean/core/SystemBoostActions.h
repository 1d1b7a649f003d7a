// Removal and export of what the system-boost scan found, as the workers run them. Callers take
// the records' values on the main thread and pass them in; results tell what the device really
// did, so that rows and totals can follow it.
#pragma once

#include "clean/core/JunkFileActions.h"
#include "clean/core/PRPhoneSystemDirNode.h"
#include "clean/core/SystemBoostServices.h"

#include <QString>
#include <functional>
#include <vector>

namespace clean {

// One found file as the page showed it.
struct BoostFileRef {
    QString filePath;
    uint64_t size = 0;
    bool crashLog = false;  // lies in the crash-report area, not the media area

    static BoostFileRef of(const PRPhoneSystemFileNode& record);
};

class SystemBoostActions {
public:
    SystemBoostActions(SystemBoostServices& services, int deviceIndex) : services_(services), device_(deviceIndex) {}

    ActionResult removeFile(const BoostFileRef& file);
    // Copies the file into folder (created when missing) under its last path component.
    ActionResult exportFile(const BoostFileRef& file, const QString& folder);
    // Removes every file, one service per area for a run of files of that area. progress is
    // called after each file with the files handled and the files removed so far.
    ActionResult removeFiles(const std::vector<BoostFileRef>& files,
                             const std::function<void(uint64_t handled, uint64_t removed)>& progress);

private:
    std::unique_ptr<amd::FileService> open(bool crashLog, int* status);

    SystemBoostServices& services_;
    int device_;
};

}  // namespace clean
