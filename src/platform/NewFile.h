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
    std::string path;           // where the file now is; on failure, where it was meant to go
    std::string reason;         // why it is not there; empty once it is whole in place
    bool alreadyThere = false;  // not written: path already held the same bytes
    bool ok() const { return reason.empty(); }
};

// The distinct-name rule: "name (n).ext" for n >= 2, the number before the last extension so
// that the file still opens with the same program; a name that begins with its only dot
// (".profile") has no extension. Shortened where needed to stay a valid file name.
std::string numberedName(const std::string& name, unsigned n);

// While one lives on a thread, a file written there whose bytes equal those of a file already
// at its name, or at one of its numbered names, is not written again: its outcome is that file,
// marked alreadyThere. For a copy run again into the folder of an earlier run, which should
// leave what is the same and add only what changed (under the next numbered name).
class SkipFilesAlreadyThere {
public:
    SkipFilesAlreadyThere();
    ~SkipFilesAlreadyThere();
    SkipFilesAlreadyThere(const SkipFilesAlreadyThere&) = delete;
    SkipFilesAlreadyThere& operator=(const SkipFilesAlreadyThere&) = delete;

    // Whether one lives on the calling thread.
    static bool active();

private:
    bool before_;
};

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
    // The file of path's name or of one of its numbered names that holds the same bytes as the
    // temporary file; empty when there is none.
    std::string sameFileThere() const;
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

// The folder of one export (an app's container, a book, a device folder): made new at path, or
// at the next free numbered name when path is taken by a file or folder ("Trip (2)"), so that
// an export never mixes into an earlier one. The folders above it are made as needed. The
// outcome's path is the folder made.
Outcome makeNewFolder(const std::string& path);

// The folder at requested, or at one of its numbered names, other than made, that holds the same
// files with the same bytes as made (folders alike, nothing else in either); empty when none does.
// For an export of a whole folder run again into an earlier run's folder.
std::string sameFolderThere(const std::string& requested, const std::string& made);

// Makes folder and the folders above it. Empty when it is there, else why not.
std::string makeFolders(const std::string& folder);

// Past the file-size limit (ulimit -f) the system kills a writing process unless it ignores the
// signal; ignored, the write fails with "File too large" and the other files still go. Called
// once at the start of every program that writes files.
void letWritesFailPastTheSizeLimit();

// Replaces a file of the program's own with bytes in one step; false with the reason.
bool replaceOwnFile(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

}  // namespace files
