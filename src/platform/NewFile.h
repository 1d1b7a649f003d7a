// The one way the program puts a file on the user's computer. The bytes go to a hidden
// temporary file in the destination folder, which takes its final name only once it is whole,
// and never the name of a file that is already there: a taken name becomes the next free
// numbered name ("IMG_0001 (2).JPG"). A file that fails leaves nothing behind, and its outcome
// says why, local causes in the system's own words ("No space left on device").
//
// Files the program keeps for itself (its music library's playlists) are the one exception:
// they are replaced whole, in one step, by replaceOwnFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace files {

// What became of one file.
struct Outcome {
    std::string path;    // where the file now is; on failure, where it was meant to go
    std::string reason;  // why it is not there; empty once it is whole in place
    bool ok() const { return reason.empty(); }
};

// The distinct-name rule: "name (n).ext" for n >= 2, the number before the last extension so
// that the file still opens with the same program; a name that begins with its only dot
// (".profile") has no extension. Shortened where needed to stay a valid file name.
std::string numberedName(const std::string& name, unsigned n);

// One new file being written. Not copyable; used by one thread.
class NewFile {
public:
    // Opens the hidden temporary file for path now; the folder must exist.
    explicit NewFile(std::string path);
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile();  // what was never finished is removed

    // Appends bytes; false once anything has failed (the first reason is kept).
    bool write(const void* data, size_t size);
    // The source of the bytes failed: the file is not put in place and this is the reason.
    void fail(std::string reason);
    bool failed() const { return !reason_.empty(); }
    uint64_t size() const { return size_; }

    // Puts the file in place under its name or the next free one, unless something failed.
    Outcome finish();
    // For a file of the program's own only (a private copy, its library's playlist): puts it in
    // place over the file of that name, in one step.
    Outcome finishOwn();

private:
    Outcome place(bool replace);
    void closeAndRemove();

    std::string path_;
    std::string temp_;
    std::string reason_;
    int fd_ = -1;
    uint64_t size_ = 0;
};

Outcome writeNewFile(const std::string& path, std::string_view bytes);
// Copies the regular file source, never through a symbolic link and never blocking on a FIFO
// or device in its place (each a named failure), into a new file at path.
Outcome copyNewFile(const std::string& source, const std::string& path);
// The same from a descriptor opened by the caller; sourceName names it in a failure.
Outcome copyNewFile(int sourceFd, const std::string& sourceName, const std::string& path);

// Makes folder and the folders above it. Empty when it is there, else why not.
std::string makeFolders(const std::string& folder);

// Replaces a file of the program's own with bytes in one step; false with the reason.
bool replaceOwnFile(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

}  // namespace files
