// Streaming file copies for the backup and the restore, and the stop request of a signal.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace mobilebackup {

// Makes SIGINT, SIGTERM and SIGHUP ask the running copy to stop, so that the tool can remove
// its unfinished work before it exits.
void installStopHandlers();
bool stopRequested();

struct CopyResult {
    bool ok = false;
    bool sourceMissing = false;  // the source vanished before it could be opened
    bool stopped = false;        // a stop was requested while copying
    int error = 0;               // errno of the failure
    uint64_t size = 0;           // bytes copied
    std::string sha1;            // 20 raw bytes, when asked for
};

// Copies the regular file from (never following a link, never opening a FIFO or device) into
// a new file to, created with mode; a half-written target is removed on failure.
CopyResult copyFile(const std::string& from, const std::string& to, mode_t mode, bool withDigest);
// The same with each name inside a folder descriptor (AT_FDCWD for the working folder).
CopyResult copyFileAt(int fromFolder, const std::string& from, int toFolder, const std::string& to, mode_t mode,
                      bool withDigest);

// The SHA-1 of a file's content as 20 raw bytes; empty when it cannot be read.
std::string fileDigest(const std::string& path);

}  // namespace mobilebackup
