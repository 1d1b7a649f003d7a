// Reads the file records of a backup's "Manifest.mbdb" one by one, streaming the file
// through a fixed buffer. The file is opened read-only. Every length is checked against the
// file size: a truncated or malformed last record ends the stream after the last whole one.
//
// Layout: the magic 6D 62 64 62 05 00, then records of five strings (domain, path, link
// target, data hash, encryption key), 39 bytes of fixed fields, a property count and that
// many name/value string pairs. A string is a 2-byte big-endian length and the bytes;
// 0xFFFF marks an absent string with no bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ManifestRecord {
    std::string domain;  // raw bytes; empty when absent
    std::string path;
    uint16_t mode = 0;  // file type and permission bits
    uint64_t size = 0;
    uint32_t modified = 0;  // when the file was last changed, in seconds from 1970
};

class ManifestRecordStream {
public:
    static constexpr unsigned char kMagic[6] = {0x6D, 0x62, 0x64, 0x62, 0x05, 0x00};

    ManifestRecordStream() = default;
    ~ManifestRecordStream();
    ManifestRecordStream(const ManifestRecordStream&) = delete;
    ManifestRecordStream& operator=(const ManifestRecordStream&) = delete;

    // Opens the file and checks the magic; false when it cannot be read or is no manifest.
    bool open(const std::string& path);
    // Reads the next whole record; false at the end, or at a record cut short.
    bool next(ManifestRecord& record);
    // The file offset just past the last record read, and the size of the file at opening.
    uint64_t position() const { return position_; }
    uint64_t fileSize() const { return fileSize_; }

private:
    bool ensure(size_t count);          // at least count bytes buffered, without passing the file size
    bool readString(std::string* out);  // out null: skip
    bool skip(uint64_t count);

    int fd_ = -1;
    uint64_t fileSize_ = 0;
    uint64_t position_ = 0;      // offset of the end of the last whole record
    uint64_t bufferOffset_ = 0;  // file offset of buffer_[0]
    std::vector<unsigned char> buffer_;
    size_t begin_ = 0;  // next unread byte in buffer_
    size_t end_ = 0;    // end of valid bytes in buffer_
};
