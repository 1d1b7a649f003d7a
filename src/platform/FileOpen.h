// The one way files from outside (backups, devices, property lists) are opened for reading.
// Only regular files are opened: a FIFO, socket or device in a file's place would block the
// open or the first read forever, so its type is checked before the open, and the open itself
// is non-blocking so that a file swapped for a FIFO in between cannot block it either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace files {

// Opens path with flags (O_CLOEXEC added; O_NONBLOCK during the open only) and keeps the
// descriptor only when it names a regular file. -1 otherwise, with errno EISDIR for a folder
// and EINVAL for anything else that is not a regular file. For writers too: a FIFO opened
// for writing blocks just the same.
int openRegular(const std::string& path, int flags, mode_t mode = 0);
// The same for name inside the folder descriptor dir (AT_FDCWD for the working folder).
int openRegularAt(int dir, const std::string& name, int flags, mode_t mode = 0);

// A regular file opened read-only, its type checked before it is opened: a device file is
// never opened at all. With followLinks false a symbolic link is refused (ELOOP).
int openForReading(const std::string& path, bool followLinks = true);

// True when path names a regular file (links followed, unless followLinks is false: a link
// is then no regular file).
bool isRegularFile(const std::string& path, bool followLinks = true);

// Reads n bytes at offset of the file fd into out (retried where a signal cuts a read short)
// and returns how many it read: fewer where the file ends, or where a read fails, which also
// sets *failed (when given; errno then says why).
size_t readAt(int fd, void* out, size_t n, int64_t offset, bool* failed = nullptr);

// Reads a whole regular file of at most limit bytes into *bytes. False with a one-line reason
// in *error (when given) for a missing or unreadable file, a file that is no regular file, or
// one larger than limit; with followLinks false, also for a symbolic link.
bool readRegularFile(const std::string& path, size_t limit, std::string* bytes, std::string* error = nullptr,
                     bool followLinks = true);

// The reason of a failed open as the end of a sentence about the file ("is not a regular file"
// for EINVAL, "is a symbolic link" for ELOOP, "does not exist", "cannot be opened: ...").
std::string openFailure(int error);

}  // namespace files
