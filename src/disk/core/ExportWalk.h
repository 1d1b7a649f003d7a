// The recursive export of device folders to the computer: every file of a device folder lands
// at the destination root followed by its device path, so the export recreates the device's
// folders below the root (a name that begins with a dot loses the dot). Used by the device file
// browser's folder export and by every other export of a whole device folder (an app's
// container, the books).
//
// Device names become local names only through the safe-name helper, so nothing is written
// outside the root whatever the device calls its entries. A copy that fails leaves no partial
// file behind and is counted with its reason; the walk goes on with the next entry.
#pragma once

#include "disk/core/ActionResult.h"
#include "disk/core/DiskDeviceServices.h"

#include <QString>
#include <atomic>

namespace disk {

class ExportWalk {
public:
    // service: a started service, used only by the calling thread. stop: true ends the walk
    // after the entry it is on.
    ExportWalk(amd::FileService& service, QString exportPath, const std::atomic<bool>* stop = nullptr);

    // Exports one device entry, a folder with everything below it or a single file.
    void exportEntry(const std::string& devicePath);
    // Exports the content of a device folder (the folder itself is made when something lands
    // in it, or when it holds folders).
    void traverseExportDirWithpath(const std::string& path);

    // Where a device path lands below the root.
    QString localPathOf(const std::string& devicePath) const;
    // Device paths inside base land below the root without base (a book folder
    // "/Books/Purchases/X.epub" lands at root/X.epub); other paths keep their whole path.
    void setDeviceBase(std::string base) { base_ = std::move(base); }
    const ActionResult& result() const { return result_; }

    // Copies one device file of size bytes to localPath, making its folder; true once the copy
    // is whole. A failed copy is removed and counted in result with its reason.
    static bool copyFile(amd::FileService& service, const std::string& devicePath, uint64_t size,
                         const QString& localPath, ActionResult& result);
    // The same for a file whose size is asked of the device first (a size seen earlier may be
    // out of date); a path that is not a regular file is counted as a failure.
    static bool copyFile(amd::FileService& service, const std::string& devicePath, const QString& localPath,
                         ActionResult& result);

private:
    bool stopped() const { return stop_ && stop_->load(); }
    void exportFolder(const std::string& devicePath);

    amd::FileService& service_;
    QString exportPath_;
    const std::atomic<bool>* stop_;
    std::string base_;
    ActionResult result_;
};

}  // namespace disk
