// Removal and export of what the device clean found, as the workers run them: each call opens
// its own device service, does one job and closes it. Callers take everything they need from
// the views on the main thread and pass it in as plain values.
#pragma once

#include "clean/core/CleanDeviceServices.h"
#include "device/ActionResult.h"
#include "platform/LocalNames.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace clean {

// One device file as the views showed it.
struct DeviceFileRef {
    QString filePath;       // path in the app's container, or in the media area
    QString appBundleName;  // empty: the media area
    uint64_t size = 0;
    bool btransfer = false;  // a local copy exists at transferPath
    QString transferPath;
};

struct ActionResult {
    uint64_t files = 0;          // files removed or copied
    uint64_t bytes = 0;          // their bytes
    uint64_t failures = 0;       // files the device or the disk refused
    QStringList devicePaths;     // paths of the files removed or copied
    bool serviceFailed = false;  // the container or media area could not be opened
    // The first failure: the file (or folder) it concerned, and why.
    QString failedPath;
    QString failureReason;
    bool ok() const { return failures == 0 && !serviceFailed; }

    // Counts a refused file; the first failure's path and reason are kept.
    void fail(const QString& path, const QString& reason);
    // The service for path could not be started; status is the device layer's.
    void failService(const QString& path, int status);
    // Adds the files, bytes and failures of a copy counted by the device layer.
    void add(const amd::ActionResult& copied);
    // "path: reason" of the first failure, or empty.
    QString failureDetail() const;
};

// The device layer's text for status (the reason of a refused removal or copy).
QString deviceStatusText(int status);
// Copies one device file into a new file at localPath (a taken name gets the next numbered
// one) and counts it in result: a copy, or a failure with its reason.
void copyDeviceFile(amd::FileService& service, const QString& devicePath, uint64_t size, const QString& localPath,
                    ActionResult& result);

// "Junk" -> "/tmp", "Cook" -> "/Library/Cookies", "Cache" -> "/Library/Caches"; empty otherwise.
QString categoryFolderOf(const QString& cleanType);

// Device names become local names only through these (shared with the disk pages).
using localnames::localPathUnder;
using localnames::safeLocalName;

class JunkFileActions {
public:
    JunkFileActions(DeviceCleanServices& services, int deviceIndex) : services_(services), device_(deviceIndex) {}

    // Removes one file (through the app's container, or the media area without a bundle).
    ActionResult actRemoveTheNode(const DeviceFileRef& file);
    // Removes many files, in order, opening one service for each run of files of one app (or of
    // the media area). removed[i] tells whether files[i] went; progress(done) follows each file.
    ActionResult actRemoveNodes(const std::vector<DeviceFileRef>& files, std::vector<bool>& removed,
                                const std::function<void(size_t done)>& progress = {});
    // Removes the regular files (and links, as links) under one app's category folder, depth
    // first; folders stay.
    ActionResult actRemoveDirNode(const QString& bundleId, const QString& cleanType);
    // Copies one file into target (created when missing), flat, under its last path component.
    ActionResult actExportTheNode(const DeviceFileRef& file, const QString& target);
    // Copies one app's category folder under exportPath, each file at its device path.
    ActionResult exportCategoryFolder(const QString& bundleId, const QString& folder, const QString& exportPath);

private:
    std::unique_ptr<amd::FileService> open(const QString& bundleId, int* status);
    void traverseRemoveDirWithpath(const std::string& path, amd::FileService& service, ActionResult& result);

    DeviceCleanServices& services_;
    int device_;
};

}  // namespace clean
