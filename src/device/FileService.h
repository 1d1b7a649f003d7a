// The one seam between the features and a device's files: a file service started on one area of
// the device (the media area, one app's container, the crash logs) for one walk or one
// operation, used by one thread and destroyed on it. The cleaning, disk and transfer cores work
// through it; the device layer stands behind it in the application, and tests and benchmarks
// put their own in front.
#pragma once

#include "platform/NewFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace amd {

// One entry as the device describes it ("st_ifmt", "st_size", "st_mtime"). A symbolic link is
// a link, whatever it points at: walks never enter it and removal takes the link alone.
struct FileEntry {
    enum class Kind { Directory, Regular, Link, Other };
    Kind kind = Kind::Other;
    std::string sizeText;  // "st_size", a decimal byte count
    uint64_t size = 0;
    int64_t mtime = 0;  // "st_mtime" as the device gives it (nanoseconds since 1970)
};

class FileService {
public:
    virtual ~FileService() = default;
    // The names in a folder (without "." and ".."), in the device's order; false when it
    // cannot be listed.
    virtual bool ListDirectory(const std::string& path, std::vector<std::string>& names) = 0;
    // False when the device has no information about path.
    virtual bool FileInfo(const std::string& path, FileEntry& entry) = 0;
    // 0 on success, else the device's status (services that cannot write answer 1).
    virtual int RemovePath(const std::string& /*path*/) { return 1; }
    // Reads the device file to its end into the new local file: 0 once every byte was read (an
    // empty file included), else the device's status, or 1 when the file cannot be opened or
    // the local file failed (into then says why). into is not finished here.
    virtual int CopyToLocal(const std::string& /*devicePath*/, files::NewFile& /*into*/) { return 1; }
    // 0 when bytes were copied; 1 also for an empty local file, whose empty device file is
    // made all the same. The copy replaces devicePath only once whole: on a failure the device
    // keeps what devicePath held. Note the order: the local path comes first.
    virtual int CopyToDevice(const std::string& /*localPath*/, const std::string& /*devicePath*/) { return 1; }
};

// Started services of the device layer, or null with the start's status in *status (when
// given; device/StatusText.h says what it means).
std::unique_ptr<FileService> startMediaAreaFiles(int deviceIndex, int* status = nullptr);
std::unique_ptr<FileService> startAppDirFiles(int deviceIndex, const std::string& bundleId, int* status = nullptr);
// Its listing of "/" holds only the names that contain a "." (the crash logs), and nothing
// else is listed.
std::unique_ptr<FileService> startCrashReportFiles(int deviceIndex, int* status = nullptr);

// Copies a device file into a new file at localPath by the one writer's rules (never over a
// file that is there: a taken name gets the next numbered one). The outcome holds where the
// copy landed, or why it is not there: the device's status in words, or the local cause.
files::Outcome copyToNewFile(FileService& service, const std::string& devicePath, const std::string& localPath);

// Copies a device file into a private file of the program's own at localPath, replacing an
// earlier copy only once the new one is whole: 0 on success, else as CopyToLocal (and the
// reason in words in *reason, when given). The copy takes the device file's time as its own, so
// that it can be told later whether it still is the device's file (ownCopyCurrent).
int copyToOwnFile(FileService& service, const std::string& devicePath, const std::string& localPath,
                  std::string* reason = nullptr);

// Whether the copy at localPath that copyToOwnFile made still holds the device file: the device
// has a regular file there of the copy's size and time. A copy kept for previews and exports is
// used in place of the device file only then; any change (a Replace, a removal, a change made
// elsewhere) means the device is read again.
bool ownCopyCurrent(FileService& service, const std::string& devicePath, const std::string& localPath);
// The same against an entry the device gave.
bool ownCopyMatches(const FileEntry& entry, const std::string& localPath);

}  // namespace amd
