// The photo transfer of the transfer page without a window: the scan copies every file of the
// device's camera folders into a local folder, one file after the other, and reports each item
// as it arrives; the export copies local copies into a folder the user chose.
//
// Items are reported in device order; copies may run ahead of the reported item on helper
// connections (setCopyHelpers), which all end before run() returns.
//
// Local copies are keyed by the device path (root/DCIM/100APPLE/IMG_0001.JPG), so two files of
// one name in two camera folders keep two copies.
#pragma once

#include "clean/core/CleanDeviceServices.h"
#include "transfer/core/IKImageItem.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace transfer {

// The device's camera folder; only its sub-folders whose name holds "APPLE" are read.
inline constexpr const char* kCameraFolder = "/DCIM";
// A second folder read after them.
inline constexpr const char* kExtraCameraFolder = "/DiskAid/DCIM/100APPLE";
// The local folder of the copies, as the system names it ("/tmp" is the private folder).
inline constexpr const char* kLocalPhotoFolder = "/tmp/Photos";

struct PhotoScanResult {
    bool serviceStarted = false;  // false: the device's file access could not be started
    bool stopped = false;         // ended early: cancelled, or the device went away
    int items = 0;                // items reported
    int copies = 0;               // of them, with a local copy
    uint64_t bytes = 0;           // bytes of those copies
    QString firstFailurePath;     // the first device file that could not be copied
    QString firstFailureReason;
};

class PhotoTransferScan {
public:
    // Called on the scanning thread for every file, in device order, after its copy.
    using ItemHandler = std::function<void(const IKImageItem& item)>;
    // Asked after every file: false stops the scan (the device left, the page went).
    using KeepGoing = std::function<bool()>;

    PhotoTransferScan(clean::DeviceCleanServices& services, int deviceIndex, QString localRoot = {});
    // How many more connections copy ahead of the reported file (0: one file at a time).
    void setCopyHelpers(int helpers) { copyHelpers_ = helpers < 0 ? 0 : helpers; }

    // The camera folders' files in the order the scan copies them (device paths). A listing
    // that fails counts as empty.
    static std::vector<std::string> cameraFiles(amd::FileService& service);
    PhotoScanResult run(const ItemHandler& onItem, const KeepGoing& keepGoing = {});
    // Where the copy of devicePath goes: the local root followed by the device path, each
    // component made a safe local name.
    QString localCopyPath(const QString& devicePath) const;
    const QString& localRoot() const { return root_; }

private:
    struct Copies;
    clean::DeviceCleanServices& services_;
    int device_;
    QString root_;
    int copyHelpers_ = 3;
};

struct PhotoExportResult {
    int files = 0;
    int alreadyThere = 0;  // not written again: a file of its name held the same bytes
    uint64_t bytes = 0;
    int failures = 0;
    QString folder;  // where the photos went
    QString firstFailurePath;
    QString firstFailureReason;
    QStringList written;  // the files made, in order
    bool ok() const { return failures == 0; }
};

// Copies the local copies of items into folder (created with its parents), each under the last
// component of its path. A name that is already there is never overwritten: the photo takes the
// next numbered name, or, where the writer skips files already there, counts as already there.
// An item without a local copy fails. cancelled, when raised, stops between files.
PhotoExportResult exportPhotos(const std::vector<IKImageItem>& items, const QString& folder,
                               const std::atomic<bool>* cancelled = nullptr);

}  // namespace transfer
