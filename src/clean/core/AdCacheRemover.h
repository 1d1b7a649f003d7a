// Removal of an app's advertising folders: each folder is emptied one level deep and removed,
// and an empty file of the same name is put in its place, so that the library finds no folder
// to write into. The empty file is made in the private temporary folder ("/tmp/Ad") and copied
// to the device. One call opens the app's container once, on the calling thread.
#pragma once

#include "clean/core/CleanDeviceServices.h"

#include <QString>
#include <QStringList>

namespace clean {

struct AdRemovalResult {
    QStringList removedPaths;    // folders that are gone
    QStringList remainingPaths;  // folders still there (the device refused, or a sub-folder holds files)
    bool serviceFailed = false;  // the container could not be opened: nothing was done
    QString failureReason;       // why the first remaining folder stayed
    bool ok() const { return remainingPaths.isEmpty() && !serviceFailed; }
    // "path: reason" of the first remaining folder, or empty.
    QString failureDetail() const;
};

class AdCacheRemover {
public:
    AdCacheRemover(DeviceCleanServices& services, int deviceIndex) : services_(services), device_(deviceIndex) {}

    // Only paths of the form "/Library/Caches/<name>" are acted on; others stay as remaining.
    AdRemovalResult removeFolders(const QString& bundleId, const QStringList& paths);

    // The local empty file that stands in for a folder of that name (made when missing).
    static QString placeholderFile(const QString& folderName);

private:
    DeviceCleanServices& services_;
    int device_;
};

}  // namespace clean
