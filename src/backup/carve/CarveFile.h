// Read-only access to the bytes of one database file for the carvers.
//
// The carvers look at every byte of a page and at bytes a little before and after it. The file
// is read once, in large blocks, into a sliding window that follows the walk; what the window
// does not hold is read directly (rare). Positions are file offsets. A position of 0 or less
// reads as nothing, bytes past the end of the file read as zero, and no access ever reaches
// outside the file.
//
// The pages of the database's write-ahead log may be shown after the file's own whole pages
// (see showPieces): the carve then reads every page image the database holds as one run of pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace carve {

class CarveFile {
public:
    CarveFile() = default;
    ~CarveFile();
    CarveFile(const CarveFile&) = delete;
    CarveFile& operator=(const CarveFile&) = delete;

    // Opens the file read-only through the checked opener; false when it does not open, is not a
    // regular file or is a symbolic link (never followed).
    bool open(const std::string& path);
    // Works on bytes already in memory (fuzzing, tests). The bytes must outlive this object.
    void openMemory(const uint8_t* data, size_t size);
    // Another reader of the file other has open, with a window of its own (for another thread).
    bool openSame(const CarveFile& other);
    // From position at on (the end of this file's whole pages), shows pieces of length bytes of
    // another file, the k-th read at offsets[k] of it: the file's bytes past at are then hidden.
    // The other file's descriptor is taken (and closed with this object). False when at lies
    // past the file.
    bool showPieces(int fd, int64_t at, std::vector<int64_t> offsets, int64_t length);
    void close();
    // A descriptor of its own of the file opened (not of bytes in memory); -1 when none.
    int duplicateDescriptor() const;
    bool isOpen() const { return fd_ >= 0 || memory_ != nullptr; }
    int64_t size() const { return size_; }

    // The walk is about to work on [lo, hi): keep at least that range in memory, reading ahead
    // in the direction of the walk so that each part of the file is read once.
    void focus(int64_t lo, int64_t hi, bool upwards);

    // True when a read at pos yields anything at all (position 0 and below never do).
    static bool readable(int64_t pos) { return pos > 0; }
    // The byte at pos; 0 for positions that are not readable or lie past the end.
    uint8_t byte(int64_t pos);
    // n contiguous bytes at pos (n at most kMaxSpan), zero past the end or when not readable.
    // The pointer is valid until the next call on this object.
    static constexpr size_t kMaxSpan = 64;
    const uint8_t* bytes(int64_t pos, size_t n) {
        if (pos > 0 && n <= kMaxSpan && inWindow(pos, n)) return winData_ + (pos - winLo_);
        return bytesSlow(pos, n);
    }
    // The n bytes at pos straight from the window, or null when the window does not hold them
    // all or pos is not readable. Valid until the next focus; lets a page walk look at every
    // byte without asking for each one.
    const uint8_t* held(int64_t pos, size_t n) const {
        return pos > 0 && inWindow(pos, n) ? winData_ + (pos - winLo_) : nullptr;
    }
    // Copies n bytes at pos into dst, zero past the end of the file.
    void copy(int64_t pos, size_t n, uint8_t* dst);

    // How many bytes were read from the file (each part once, in a well-behaved walk).
    int64_t bytesRead() const { return bytesRead_; }

private:
    bool inWindow(int64_t pos, size_t n) const { return pos >= winLo_ && pos + static_cast<int64_t>(n) <= winHi_; }
    void readAt(int64_t pos, size_t n, uint8_t* dst);   // direct read, zero-filled past the end
    void readOwn(int64_t pos, size_t n, uint8_t* dst);  // of the file itself, before piecesAt_
    void readPieces(int64_t pos, size_t n, uint8_t* dst);
    const uint8_t* bytesSlow(int64_t pos, size_t n);

    int fd_ = -1;
    // The other file's pieces shown from piecesAt_ on (see showPieces); none when piecesFd_ < 0.
    int piecesFd_ = -1;
    int64_t piecesAt_ = 0;
    int64_t pieceLength_ = 0;
    std::vector<int64_t> pieceOffsets_;
    const uint8_t* memory_ = nullptr;
    int64_t size_ = 0;
    std::vector<uint8_t> window_;
    std::vector<uint8_t> spare_;        // the buffer of the window before, reused by the next move
    const uint8_t* winData_ = nullptr;  // the window's bytes: window_, or the caller's memory
    int64_t winLo_ = 0;
    int64_t winHi_ = 0;
    uint8_t scratch_[kMaxSpan] = {};
    int64_t bytesRead_ = 0;
};

}  // namespace carve
