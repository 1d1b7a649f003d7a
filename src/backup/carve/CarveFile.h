// Read-only access to the bytes of one database file for the carvers.
//
// The carvers look at every byte of a page, at bytes a little before and after it, and now and
// then walk far backwards or forwards to a stop byte. The file is read once, in large blocks,
// into a sliding window that follows the walk; what the window does not hold is read directly
// (rare). Positions are file offsets. A position of 0 or less reads as nothing, bytes past the
// end of the file read as zero, and no access ever reaches outside the file.
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

    // Opens the file read-only; false when it does not open or is not a regular file.
    bool open(const std::string& path);
    // Works on bytes already in memory (fuzzing, tests). The bytes must outlive this object.
    void openMemory(const uint8_t* data, size_t size);
    // Another reader of the file other has open, with a window of its own (for another thread).
    bool openSame(const CarveFile& other);
    void close();
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

    // Position of the nearest stop byte at or before pos, walking towards the start of the file;
    // 0 when the walk reaches the start without meeting one.
    int64_t findBackward(int64_t pos, uint8_t stop);
    // Position of the nearest stop byte at or after pos; the file size when the walk reaches the
    // end without meeting one (past the end only zero bytes follow, so that is also where a
    // walk for 0x00 stops).
    int64_t findForward(int64_t pos, uint8_t stop);

    // How many bytes were read from the file (each part once, in a well-behaved walk).
    int64_t bytesRead() const { return bytesRead_; }

private:
    bool inWindow(int64_t pos, size_t n) const { return pos >= winLo_ && pos + static_cast<int64_t>(n) <= winHi_; }
    void readAt(int64_t pos, size_t n, uint8_t* dst);  // direct read, zero-filled past the end
    const uint8_t* bytesSlow(int64_t pos, size_t n);

    // Walk caches: the bytes of (low, high] (backward) or [low, high) (forward) hold no stop
    // byte and low (high) is where the last walk for that byte ended.
    struct Span {
        int64_t low = -1;
        int64_t high = -1;
    };

    int fd_ = -1;
    const uint8_t* memory_ = nullptr;
    int64_t size_ = 0;
    std::vector<uint8_t> window_;
    std::vector<uint8_t> spare_;        // the buffer of the window before, reused by the next move
    const uint8_t* winData_ = nullptr;  // the window's bytes: window_, or the caller's memory
    int64_t winLo_ = 0;
    int64_t winHi_ = 0;
    uint8_t scratch_[kMaxSpan] = {};
    std::vector<uint8_t> block_;
    Span backCache_[256];
    Span foreCache_[256];
    int64_t bytesRead_ = 0;
};

}  // namespace carve
