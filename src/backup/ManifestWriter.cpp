#include "backup/ManifestWriter.h"

#include "backup/ManifestRecordStream.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace {

template <class T>
void putBigEndian(std::string& out, T value) {
    for (int shift = static_cast<int>(sizeof(T) * 8) - 8; shift >= 0; shift -= 8)
        out += static_cast<char>((static_cast<uint64_t>(value) >> shift) & 0xFF);
}

void putString(std::string& out, const std::optional<std::string>& text) {
    if (!text) {
        putBigEndian<uint16_t>(out, 0xFFFF);
        return;
    }
    const size_t length = std::min(text->size(), kLongestManifestString);
    putBigEndian<uint16_t>(out, static_cast<uint16_t>(length));
    out.append(*text, 0, length);
}

bool writeRecords(const std::string& path, const char* mode, bool withMagic,
                  const std::vector<ManifestEntry>& entries) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), mode), &std::fclose);
    if (!file) return false;
    std::string bytes;
    if (withMagic)
        bytes.assign(reinterpret_cast<const char*>(ManifestRecordStream::kMagic), sizeof ManifestRecordStream::kMagic);
    for (const ManifestEntry& entry : entries) bytes += encodeManifestRecord(entry);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}
}  // namespace

std::string encodeManifestRecord(const ManifestEntry& entry) {
    std::string out;
    putString(out, entry.domain);
    putString(out, entry.path);
    putString(out, entry.linkTarget);
    putString(out, entry.dataHash);
    putString(out, entry.encryptionKey);
    putBigEndian<uint16_t>(out, entry.mode);
    putBigEndian<uint64_t>(out, entry.inode);
    putBigEndian<uint32_t>(out, entry.uid);
    putBigEndian<uint32_t>(out, entry.gid);
    putBigEndian<uint32_t>(out, entry.mtime);
    putBigEndian<uint32_t>(out, entry.atime);
    putBigEndian<uint32_t>(out, entry.ctime);
    putBigEndian<uint64_t>(out, entry.size);
    putBigEndian<uint8_t>(out, entry.protectionClass);
    const size_t count = std::min<size_t>(entry.properties.size(), 255);
    putBigEndian<uint8_t>(out, static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) {
        putString(out, entry.properties[i].first);
        putString(out, entry.properties[i].second);
    }
    return out;
}

bool writeManifest(const std::string& path, const std::vector<ManifestEntry>& entries) {
    return writeRecords(path, "wb", true, entries);
}

bool appendManifestRecords(const std::string& path, const std::vector<ManifestEntry>& entries) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return writeManifest(path, entries);
    return writeRecords(path, "ab", false, entries);
}
