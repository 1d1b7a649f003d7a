#include "backup/ManifestRecordStream.h"

#include "platform/FileOpen.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr size_t kBufferSize = 1 << 20;
constexpr unsigned kAbsent = 0xFFFF;
constexpr size_t kFixedFields = 39;
constexpr size_t kModifiedOffset = 18;  // after mode, inode, uid and gid
constexpr size_t kSizeOffset = 30;      // after those and the three times
}  // namespace

ManifestRecordStream::~ManifestRecordStream() {
    if (fd_ >= 0) ::close(fd_);
}

bool ManifestRecordStream::open(const std::string& path) {
    fd_ = files::openForReading(path, /*followLinks*/ false);  // a link in a backup is never followed
    if (fd_ < 0) return false;
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    fileSize_ = static_cast<uint64_t>(info.st_size);
    buffer_.resize(kBufferSize);
    if (!ensure(sizeof kMagic) || std::memcmp(&buffer_[begin_], kMagic, sizeof kMagic) != 0) return false;
    begin_ += sizeof kMagic;
    position_ = sizeof kMagic;
    return true;
}

bool ManifestRecordStream::ensure(size_t count) {
    if (end_ - begin_ >= count) return true;
    if (fd_ < 0 || bufferOffset_ + begin_ + count > fileSize_) return false;
    // Move what is left to the front and fill the rest.
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    bufferOffset_ += begin_;
    end_ -= begin_;
    begin_ = 0;
    while (end_ < count) {
        const uint64_t remaining = fileSize_ - (bufferOffset_ + end_);
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer_.size() - end_, remaining));
        if (want == 0) return false;
        const ssize_t got = ::read(fd_, buffer_.data() + end_, want);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // the file shrank or cannot be read: treat as its end
        end_ += static_cast<size_t>(got);
    }
    return true;
}

bool ManifestRecordStream::skip(uint64_t count) {
    const size_t buffered = end_ - begin_;
    if (count <= buffered) {
        begin_ += static_cast<size_t>(count);
        return true;
    }
    const uint64_t target = bufferOffset_ + begin_ + count;
    if (target > fileSize_) return false;
    if (::lseek(fd_, static_cast<off_t>(target), SEEK_SET) < 0) return false;
    bufferOffset_ = target;
    begin_ = end_ = 0;
    return true;
}

bool ManifestRecordStream::readString(std::string* out) {
    if (!ensure(2)) return false;
    const unsigned length = (static_cast<unsigned>(buffer_[begin_]) << 8) | buffer_[begin_ + 1];
    begin_ += 2;
    if (out) out->clear();
    if (length == kAbsent || length == 0) return true;
    if (!out) return skip(length);
    if (!ensure(length)) return false;
    out->assign(reinterpret_cast<const char*>(&buffer_[begin_]), length);
    begin_ += length;
    return true;
}

bool ManifestRecordStream::next(ManifestRecord& record) {
    if (fd_ < 0 || position_ >= fileSize_) return false;
    // A record cut short ends the stream: nothing after it is read or reported.
    bool whole = readString(&record.domain) && readString(&record.path) && readString(nullptr) && readString(nullptr) &&
                 readString(nullptr) && ensure(kFixedFields + 1);
    if (whole) {
        const unsigned char* fixed = &buffer_[begin_];
        record.mode = static_cast<uint16_t>((fixed[0] << 8) | fixed[1]);
        record.size = 0;
        for (size_t i = kSizeOffset; i < kSizeOffset + 8; ++i) record.size = (record.size << 8) | fixed[i];
        record.modified = 0;
        for (size_t i = kModifiedOffset; i < kModifiedOffset + 4; ++i)
            record.modified = (record.modified << 8) | fixed[i];
        begin_ += kFixedFields;
        const unsigned properties = buffer_[begin_++];
        for (unsigned i = 0; whole && i < properties; ++i) whole = readString(nullptr) && readString(nullptr);
    }
    if (!whole) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    position_ = bufferOffset_ + begin_;
    return true;
}
