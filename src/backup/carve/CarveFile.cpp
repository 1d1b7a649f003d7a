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
// big sequential blocks (a read of this size costs the system no more per byte than a larger
// one), small enough that every thread's window, and the spare one each keeps, stay modest
// next to a 100 MB database.
constexpr int64_t kReadAhead = 256 * 1024;
}  // namespace

CarveFile::~CarveFile() { close(); }

bool CarveFile::open(const std::string& path) {
    close();
    int fd = files::openForReading(path, /*followLinks*/ false);
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
    close();
    if (other.memory_) {
        openMemory(other.memory_, static_cast<size_t>(other.size_));
    } else {
        if (other.fd_ < 0) return false;
        fd_ = ::fcntl(other.fd_, F_DUPFD_CLOEXEC, 0);
        if (fd_ < 0) return false;
        size_ = other.size_;
    }
    if (other.piecesFd_ < 0) return true;
    const int pieces = ::fcntl(other.piecesFd_, F_DUPFD_CLOEXEC, 0);
    if (pieces < 0) {
        close();
        return false;
    }
    size_ = other.piecesAt_;
    return showPieces(pieces, other.piecesAt_, other.pieceOffsets_, other.pieceLength_);
}

int CarveFile::duplicateDescriptor() const { return fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1; }

bool CarveFile::showPieces(int fd, int64_t at, std::vector<int64_t> offsets, int64_t length) {
    if (fd < 0 || at < 0 || at > size_ || length <= 0) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    if (piecesFd_ >= 0) ::close(piecesFd_);
    piecesFd_ = fd;
    piecesAt_ = at;
    pieceLength_ = length;
    pieceOffsets_ = std::move(offsets);
    size_ = at + static_cast<int64_t>(pieceOffsets_.size()) * length;
    // Whatever the window held of the file past at is no longer shown; bytes in memory stay in
    // the window up to at, and the pieces are read directly.
    window_.clear();
    winData_ = memory_;
    winLo_ = 0;
    winHi_ = memory_ ? at : 0;
    return true;
}

void CarveFile::close() {
    if (fd_ >= 0) ::close(fd_);
    if (piecesFd_ >= 0) ::close(piecesFd_);
    fd_ = piecesFd_ = -1;
    piecesAt_ = pieceLength_ = 0;
    pieceOffsets_.clear();
    memory_ = nullptr;
    size_ = 0;
    window_.clear();
    spare_.clear();
    winData_ = nullptr;
    winLo_ = winHi_ = 0;
    bytesRead_ = 0;
}

void CarveFile::readAt(int64_t pos, size_t n, uint8_t* dst) {
    if (pos < 0 || pos >= size_ || n == 0) {
        std::memset(dst, 0, n);
        return;
    }
    // Only what is not read is zeroed: a window's move reads a quarter of a megabyte at a time.
    size_t avail = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), size_ - pos));
    std::memset(dst + avail, 0, n - avail);
    if (piecesFd_ < 0 || pos + static_cast<int64_t>(avail) <= piecesAt_) {
        readOwn(pos, avail, dst);
        return;
    }
    const size_t own = pos < piecesAt_ ? static_cast<size_t>(piecesAt_ - pos) : 0;
    readOwn(pos, own, dst);
    readPieces(pos + static_cast<int64_t>(own), avail - own, dst + own);
}

void CarveFile::readOwn(int64_t pos, size_t n, uint8_t* dst) {
    if (n == 0) return;
    if (memory_) {
        std::memcpy(dst, memory_ + pos, n);
        return;
    }
    // A file that shrank under us, or a failed read: the rest is zero.
    const size_t got = files::readAt(fd_, dst, n, pos);
    std::memset(dst + got, 0, n - got);
    bytesRead_ += static_cast<int64_t>(got);
}

void CarveFile::readPieces(int64_t pos, size_t n, uint8_t* dst) {
    while (n > 0) {
        const int64_t into = pos - piecesAt_;
        const auto piece = static_cast<size_t>(into / pieceLength_);
        const int64_t within = into % pieceLength_;
        const size_t take = std::min<size_t>(n, static_cast<size_t>(pieceLength_ - within));
        const size_t got = files::readAt(piecesFd_, dst, take, pieceOffsets_[piece] + within);
        std::memset(dst + got, 0, take - got);
        bytesRead_ += static_cast<int64_t>(got);
        pos += static_cast<int64_t>(take);
        dst += take;
        n -= take;
    }
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

}  // namespace carve
