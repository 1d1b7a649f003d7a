// What the disk manager does with the rows of its result tables: removes photos, tracks, books
// and user files from the device, copies them into the export folder, and copies an app's
// container. Every call opens its own device service on the calling thread and says which rows
// went, so that a refused one keeps its row and only what really went is counted.
#pragma once

#include "disk/core/ActionResult.h"
#include "disk/core/DiskDeviceServices.h"

#include <QString>
#include <atomic>
#include <string>
#include <vector>

namespace disk {

// One row to export: where it lies on the device and the name it gets in the export folder.
struct ExportItem {
    std::string devicePath;
    QString localName;  // taken from device data; made safe before use
    QString localCopy;  // a copy made before (a photo's preview) to copy from, or empty
};

class DiskManagerActions {
public:
    DiskManagerActions(DiskDeviceServices& services, int deviceIndex) : services_(services), device_(deviceIndex) {}

    // Removes each path from the media area; removed[i] tells whether devicePaths[i] is gone.
    // bytes counts the files removed. With wholeFolders a folder goes with everything below
    // it, deepest first (a book kept as a folder); without, only an empty folder goes and a full
    // one stays with the device's reason. A link is always removed as the link, never entered.
    ActionResult removeItems(const std::vector<std::string>& devicePaths, std::vector<bool>& removed,
                             bool wholeFolders = true);

    // Copies each item into folder (made when missing). A name already taken there gets the
    // next numbered one (platform/NewFile.h), so that no file already there or exported in the
    // same run is overwritten. A device folder (a book kept as a folder) is copied whole into a
    // new folder of its name ("X (2).epub" beside an earlier export's "X.epub"). Once the device
    // has gone, the items left are counted as failed.
    ActionResult exportItems(const std::vector<ExportItem>& items, const QString& folder,
                             const std::atomic<bool>* stop = nullptr);

    // Copies the app's container into a new folder at appFolder, each file at its path in the
    // container; an earlier export of the app keeps its folder and this one goes beside it
    // ("Recipe Box (2)"). The result's folder is the one made.
    ActionResult exportAppContainer(const std::string& bundleId, const QString& appFolder,
                                    const std::atomic<bool>* stop = nullptr);

private:
    // Removes path (a folder after its content) with service; adds the removed files' bytes.
    int removeTree(amd::FileService& service, const std::string& path, uint64_t& bytes);
    // Removes path alone (a folder only when empty); adds the file's bytes.
    int removeOne(amd::FileService& service, const std::string& path, uint64_t& bytes);

    DiskDeviceServices& services_;
    int device_;
};

}  // namespace disk
