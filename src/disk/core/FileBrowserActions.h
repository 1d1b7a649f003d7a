// What the device file browser does with the device's files: exports single files flat into a
// folder, exports the entries of a folder at their device paths (folders through the export
// walk), removes files, adds a computer file into a device folder, and keeps the local copies
// that previews show. Every call opens its own media-area service on the calling thread.
#pragma once

#include "device/AddToDevice.h"
#include "disk/core/ActionResult.h"
#include "disk/core/DiskDeviceServices.h"

#include <QString>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace disk {

// A file entry as the browser's table showed it.
struct BrowserFile {
    std::string devicePath;
    uint64_t size = 0;
    QString localCopy;  // a local copy made before (a preview), or empty
};

class FileBrowserActions {
public:
    FileBrowserActions(DiskDeviceServices& services, int deviceIndex) : services_(services), device_(deviceIndex) {}

    // Copies each file into target (made when missing) under its last path component, from its
    // local copy when the device file still is what was copied, else from the device; a taken
    // name gets the next numbered one.
    ActionResult exportFiles(const std::vector<BrowserFile>& files, const QString& target,
                             const std::atomic<bool>* stop = nullptr);
    // Copies each entry (a folder with everything below it, or a file) below exportPath at its
    // device path.
    ActionResult exportEntries(const std::vector<std::string>& devicePaths, const QString& exportPath,
                               const std::atomic<bool>* stop = nullptr);
    // Removes each path; removed[i] tells whether devicePaths[i] went.
    ActionResult removeFiles(const std::vector<std::string>& devicePaths, std::vector<bool>& removed);
    // Whether deviceFolder already has an entry of localFile's name (the device is asked).
    bool nameTaken(const std::string& deviceFolder, const QString& localFile);
    // Copies localFile into deviceFolder under its own name; where that name is taken, taken
    // decides (amd::addFileToDevice), and by default nothing is replaced. The device path
    // written is in added.
    ActionResult addFile(const QString& localFile, const std::string& deviceFolder, std::string& added,
                         amd::NameTaken taken = amd::NameTaken::Refuse);

    // Where a file is added when the entry at selectedPath is selected: its folder and the
    // local file's name.
    static std::string addedFilePath(const std::string& selectedPath, const QString& localFile);

private:
    DiskDeviceServices& services_;
    int device_;
};

// The local copies that previews show, one per device path, in one folder of their own. A copy
// counts as made only once it succeeded and is still there, so a failed one is tried again on
// the next use; it follows the device file's size and time (amd::ownCopyCurrent), and one the
// program changed on the device is forgotten. Safe to use from several threads.
class PreviewCopies {
public:
    explicit PreviewCopies(QString folder) : folder_(std::move(folder)) {}
    // The local copy of the device file, made now when there is none or the device file is no
    // longer the one copied; empty when it cannot be made (the reason in result).
    QString localCopy(DiskDeviceServices& services, int deviceIndex, const BrowserFile& file, ActionResult& result);
    // The copy made before, or empty; with size, only a copy of that many bytes (a walk that saw
    // another size saw another file).
    QString madeCopy(const std::string& devicePath, std::optional<uint64_t> size = std::nullopt) const;
    // The program replaced or removed the device file: its copy is no longer it.
    void forget(const std::string& devicePath);
    // Where the copy of a device path lies: distinct device paths never share a copy.
    QString copyPathOf(const std::string& devicePath) const;

private:
    QString folder_;
    mutable std::mutex mutex_;
    std::map<std::string, QString> made_;
};

}  // namespace disk
