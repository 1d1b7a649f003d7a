// The app containers of the transfer page without a window: the user apps whose container
// opens, each with its icon; the whole of one container read depth first; a computer file added
// beside a container file; container files removed; files and folders exported.
//
// Every operation opens the app's container on the calling thread and ends it there. Device
// names become local names only through the safe-name helper; an add never names a device path
// outside the container's folder it was asked for.
#pragma once

#include "device/AddToDevice.h"
#include "disk/core/ActionResult.h"
#include "disk/core/DiskDeviceServices.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace transfer {

struct ContainerApp {
    std::string bundleId;
    std::string displayName;       // "CFBundleDisplayName"
    std::vector<uint8_t> iconPNG;  // empty: the app gave no icon
};

// The user apps ("ApplicationType" "User") in the lookup's order, leaving out an app whose
// container does not open. False when the installed-app list cannot be read.
bool listUserApps(disk::DiskDeviceServices& services, int deviceIndex, std::vector<ContainerApp>& apps);

struct ContainerEntry {
    std::string path;  // inside the container, from "/"
    bool folder = false;
    uint64_t size = 0;
};
// Reads the container depth first: each folder's entry comes right before its content. keepGoing
// is asked after each top-level entry. False when the container does not open.
bool readContainer(disk::DiskDeviceServices& services, int deviceIndex, const std::string& bundleId,
                   const std::function<void(const ContainerEntry&)>& onEntry,
                   const std::function<bool()>& keepGoing = {});

// The device path a computer file lands at when added beside the container file besidePath: the
// folder of besidePath and the file's own name (made safe). A besidePath that ends in "/" names
// the folder itself. Empty when besidePath is not a plain container path (it names ".." or is
// relative).
std::string addTargetPath(const std::string& besidePath, const QString& localFile);
// Whether the container already has an entry at addTargetPath(besidePath, localFile).
bool containerNameTaken(disk::DiskDeviceServices& services, int deviceIndex, const std::string& bundleId,
                        const QString& localFile, const std::string& besidePath);
// Copies localFile into the container beside besidePath; where its name is taken, taken decides
// (amd::addFileToDevice), and by default nothing is replaced. added (when given) gets the
// device path written.
disk::ActionResult addFileToContainer(disk::DiskDeviceServices& services, int deviceIndex, const std::string& bundleId,
                                      const QString& localFile, const std::string& besidePath,
                                      amd::NameTaken taken = amd::NameTaken::Refuse, std::string* added = nullptr);

struct ContainerFile {
    std::string bundleId;
    std::string path;
};
// Removes each file; the paths that went are added to removed (when given).
disk::ActionResult removeContainerFiles(disk::DiskDeviceServices& services, int deviceIndex,
                                        const std::vector<ContainerFile>& files,
                                        std::vector<std::string>* removed = nullptr);
// Where a flat copy of the container file devicePath lands in folder: its name alone, made safe.
QString flatCopyPath(const QString& folder, const std::string& devicePath);
// Copies each file to folder + its container path (flat: flatCopyPath; files of one name each
// get their own, by the one writer's numbered names).
disk::ActionResult exportContainerFiles(disk::DiskDeviceServices& services, int deviceIndex,
                                        const std::vector<ContainerFile>& files, const QString& folder, bool flat,
                                        const std::atomic<bool>* cancelled = nullptr);
// Copies one container file for a preview below folder, at its app's and its container path
// (folder/<app>/<path>), so that two documents of one name never share a copy. Returns where the
// copy landed; empty when it could not be made (result says why).
QString copyForPreview(disk::DiskDeviceServices& services, int deviceIndex, const ContainerFile& file,
                       const QString& folder, disk::ActionResult& result);
// Exports the content of a container folder below folder at its container path.
disk::ActionResult exportContainerFolder(disk::DiskDeviceServices& services, int deviceIndex, const ContainerFile& dir,
                                         const QString& folder, const std::atomic<bool>* cancelled = nullptr);

}  // namespace transfer
