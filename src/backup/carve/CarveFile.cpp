#include "backup/carve/CarveFile.h"

#include "platform/FileOpen.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace carve {

namespace {
// The window reads ahead this much at least; large enough that a page walk reads the file in
// big sequential blocks, small enough to stay modest next to a 500 MB database.
constexpr int64_t kReadAhead = 2 * 1024 * 1024;
constexpr int64_t kWalkBlock = 64 * 1024;
}  // namespace

CarveFile::~CarveFile() { close(); }

bool CarveFile::open(const std::string& path) {
    close();
    int fd = files::openForReading(path);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = st.st_size;
    return true;
}

void CarveFile::openMemory(const uint8_t* data, size_t size) {
    close();
    memory_ = data;
    size_ = static_cast<int64_t>(size);
    winData_ = data;
    winLo_ = 0;
    winHi_ = size_;
}

bool CarveFile::openSame(const CarveFile& other) {
    if (other.memory_) {
        openMemory(other.memory_, static_cast<size_t>(other.size_));
        return true;
    }
    close();
    if (other.fd_ < 0) return false;
    fd_ = ::fcntl(other.fd_, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) return false;
    size_ = other.size_;
    return true;
}

void CarveFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    memory_ = nullptr;
    size_ = 0;
    window_.clear();
    spare_.clear();
    winData_ = nullptr;
    winLo_ = winHi_ = 0;
    for (auto& s : backCache_) s = Span{};
    for (auto& s : foreCache_) s = Span{};
    bytesRead_ = 0;
}

void CarveFile::readAt(int64_t pos, size_t n, uint8_t* dst) {
    std::memset(dst, 0, n);
    if (pos < 0 || pos >= size_ || n == 0) return;
    size_t avail = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), size_ - pos));
    if (memory_) {
        std::memcpy(dst, memory_ + pos, avail);
        return;
    }
    // A file that shrank under us, or a failed read: the rest stays zero.
    bytesRead_ += static_cast<int64_t>(files::readAt(fd_, dst, avail, pos));
}

void CarveFile::focus(int64_t lo, int64_t hi, bool upwards) {
    lo = std::max<int64_t>(lo, 0);
    hi = std::min<int64_t>(hi, size_);
    if (memory_ || lo >= hi || (lo >= winLo_ && hi <= winHi_)) return;
    int64_t span = std::max<int64_t>(hi - lo, kReadAhead);
    int64_t newLo = upwards ? lo : std::max<int64_t>(0, hi - span);
    int64_t newHi = upwards ? std::min<int64_t>(size_, lo + span) : hi;
    // The previous window's buffer is kept for the next move: a fresh one of this size would
    // come from the system each time, zeroed and faulted in page by page.
    std::vector<uint8_t>& next = spare_;
    next.resize(static_cast<size_t>(newHi - newLo));
    // Keep what the old window already holds; read only the rest.
    int64_t keepLo = std::max(newLo, winLo_);
    int64_t keepHi = std::min(newHi, winHi_);
    if (keepLo < keepHi) {
        std::memcpy(next.data() + (keepLo - newLo), window_.data() + (keepLo - winLo_),
                    static_cast<size_t>(keepHi - keepLo));
        if (newLo < keepLo) readAt(newLo, static_cast<size_t>(keepLo - newLo), next.data());
        if (keepHi < newHi) readAt(keepHi, static_cast<size_t>(newHi - keepHi), next.data() + (keepHi - newLo));
    } else {
        readAt(newLo, next.size(), next.data());
    }
    window_.swap(next);
    winData_ = window_.data();
    winLo_ = newLo;
    winHi_ = newHi;
}

uint8_t CarveFile::byte(int64_t pos) {
    if (pos <= 0 || pos >= size_) return 0;
    if (inWindow(pos, 1)) return winData_[pos - winLo_];
    uint8_t b = 0;
    readAt(pos, 1, &b);
    return b;
}

const uint8_t* CarveFile::bytesSlow(int64_t pos, size_t n) {
    n = std::min(n, kMaxSpan);
    copy(pos, n, scratch_);
    return scratch_;
}

void CarveFile::copy(int64_t pos, size_t n, uint8_t* dst) {
    if (pos <= 0) {
        std::memset(dst, 0, n);
        return;
    }
    // Whatever part the window holds comes from it; the rest is read directly.
    int64_t end = pos + static_cast<int64_t>(n);
    int64_t inLo = std::max(pos, winLo_);
    int64_t inHi = std::min(end, winHi_);
    if (inLo >= inHi) {
        readAt(pos, n, dst);
        return;
    }
    if (pos < inLo) readAt(pos, static_cast<size_t>(inLo - pos), dst);
    std::memcpy(dst + (inLo - pos), winData_ + (inLo - winLo_), static_cast<size_t>(inHi - inLo));
    if (inHi < end) readAt(inHi, static_cast<size_t>(end - inHi), dst + (inHi - pos));
}

int64_t CarveFile::findBackward(int64_t pos, uint8_t stop) {
    if (pos <= 0) return 0;
    if (pos >= size_) {
        // Past the end every byte reads as zero.
        if (stop == 0) return pos;
        pos = size_ - 1;
        if (pos <= 0) return 0;
    }
    const int64_t start = pos;
    int64_t q = pos;  // next position still to look at
    Span& cache = backCache_[stop];
    int64_t found = -1;
    while (found < 0) {
        if (q <= 0) {
            found = 0;
            break;
        }
        if (cache.high >= 0 && q > cache.low && q <= cache.high) {
            found = cache.low;
            break;
        }
        const uint8_t* base;
        int64_t lo;
        if (inWindow(q, 1)) {
            lo = std::max<int64_t>(1, winLo_);
            // Do not scan past the cached stretch: it already knows the answer below.
            if (cache.high >= 0 && cache.high < q && cache.high >= lo) lo = cache.high + 1;
            base = winData_ + (lo - winLo_);
        } else {
            lo = std::max<int64_t>(1, q - kWalkBlock + 1);
            if (cache.high >= 0 && cache.high < q && cache.high >= lo) lo = cache.high + 1;
            block_.resize(static_cast<size_t>(q - lo + 1));
            readAt(lo, block_.size(), block_.data());
            base = block_.data();
        }
        const void* hit = memrchr(base, stop, static_cast<size_t>(q - lo + 1));
        if (hit) {
            found = lo + (static_cast<const uint8_t*>(hit) - base);
            break;
        }
        q = lo - 1;
    }
    cache.low = found;
    cache.high = start;
    return found;
}

int64_t CarveFile::findForward(int64_t pos, uint8_t stop) {
    if (pos < 1) pos = 1;
    if (pos >= size_) return pos;
    const int64_t start = pos;
    int64_t q = pos;
    Span& cache = foreCache_[stop];
    int64_t found = -1;
    while (found < 0) {
        if (q >= size_) {
            found = size_;
            break;
        }
        if (cache.high >= 0 && q >= cache.low && q < cache.high) {
            found = cache.high;
            break;
        }
        const uint8_t* base;
        int64_t hi;  // exclusive
        if (inWindow(q, 1)) {
            hi = winHi_;
            if (cache.high >= 0 && cache.low > q && cache.low < hi) hi = cache.low;
            base = winData_ + (q - winLo_);
        } else {
            hi = std::min<int64_t>(size_, q + kWalkBlock);
            if (cache.high >= 0 && cache.low > q && cache.low < hi) hi = cache.low;
            block_.resize(static_cast<size_t>(hi - q));
            readAt(q, block_.size(), block_.data());
            base = block_.data();
        }
        const void* hit = std::memchr(base, stop, static_cast<size_t>(hi - q));
        if (hit) {
            found = q + (static_cast<const uint8_t*>(hit) - base);
            break;
        }
        q = hi;
    }
    cache.low = start;
    cache.high = found;
    return found;
}

}  // namespace carve
