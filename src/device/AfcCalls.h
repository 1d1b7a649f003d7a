// The AFC work the file services share: streaming copies, file information and listings.
#pragma once

#include "platform/MobileDevice.h"
#include "platform/NewFile.h"

#include <cstdint>
#include <functional>
#include <string>

namespace amd {

// Reads the device file to its end into the new local file: 0 once it was read whole (an empty
// file included); 1 when it cannot be opened or the local file failed (into says why); an AFC
// status when the device failed part-way. into is not finished here.
int AfcCopyToLocal(AFCConnectionRef afc, const std::string& devicePath, files::NewFile& into, uint8_t* buffer,
                   uint32_t bufferSize);
// The same into a private file of the program's own at localPath, which an earlier copy keeps
// until the new one is whole: 0 for success; 1 when nothing was copied (an empty file's copy is
// made all the same) or the local file failed; an AFC status when the device failed.
int AfcCopyToLocal(AFCConnectionRef afc, const std::string& devicePath, const std::string& localPath, uint8_t* buffer,
                   uint32_t bufferSize);
// Copies the local file to devicePath through an AfcReplacingWrite: 0 when bytes were copied; 1
// when the local file cannot be read or is empty (an empty one is put in place all the same);
// else the device's status, and devicePath keeps what it held.
int AfcCopyToDevice(AFCConnectionRef afc, const std::string& localPath, const std::string& devicePath);

// The one way a file is written on a device: the bytes go to a temporary name beside
// devicePath that no user gives a file, which is renamed over devicePath once whole. A failure,
// or an end without finish(), removes the temporary file alone, so the device keeps whatever
// devicePath held (a Replace that fails on a full device loses nothing).
class AfcReplacingWrite {
public:
    AfcReplacingWrite(AFCConnectionRef afc, const std::string& devicePath);
    ~AfcReplacingWrite();
    AfcReplacingWrite(const AfcReplacingWrite&) = delete;
    AfcReplacingWrite& operator=(const AfcReplacingWrite&) = delete;

    // 0 while every step so far succeeded, else the first failure's status.
    int status() const { return status_; }
    // Sends bytes to the temporary file; the status, which sticks once it fails.
    int write(const uint8_t* bytes, size_t length);
    // Closes the temporary file and renames it over devicePath: 0, else the failure's status.
    int finish();
    // The temporary name used (for tests and reasons); empty when none could be had.
    const std::string& temporaryPath() const { return temporary_; }

private:
    void discard();

    AFCConnectionRef afc_;
    std::string target_, temporary_;
    AFCFileRef ref_ = 0;
    int status_ = 0;
    bool done_ = false;
};

// The temporary name beside devicePath that a write of it uses ("<folder>/.quillomatrix-incoming-N"),
// one that names no entry yet; empty when none is free.
std::string AfcIncomingPathBeside(AFCConnectionRef afc, const std::string& devicePath);
// New dictionary of text pairs, or NULL.
CFMutableDictionaryRef AfcFileInfo(AFCConnectionRef afc, const std::string& path);
// New array of the names of a folder without "." and "..", those keep accepts; or NULL.
CFMutableArrayRef AfcListDirectory(AFCConnectionRef afc, const std::string& path,
                                   const std::function<bool(const char*)>& keep = {});
AFCFileRef AfcFileOpen(AFCConnectionRef afc, const std::string& path, uint64_t mode);
int AfcFileClose(AFCConnectionRef afc, AFCFileRef ref);

}  // namespace amd
