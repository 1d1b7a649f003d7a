// Writes a backup's "Manifest.mbdb": the magic, then one record per backed-up file or folder,
// in the layout ManifestRecordStream reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The longest string a record holds; a writer cuts longer ones, so a path longer than this
// cannot be carried.
constexpr size_t kLongestManifestString = 0xFFFE;

struct ManifestEntry {
    std::string domain;
    std::string path;
    std::optional<std::string> linkTarget;
    std::optional<std::string> dataHash;  // 20 bytes of SHA-1 of the content, when known
    std::optional<std::string> encryptionKey;
    uint16_t mode = 0100644;  // file type and permission bits
    uint64_t inode = 0;
    uint32_t uid = 501;
    uint32_t gid = 501;
    uint32_t mtime = 0;
    uint32_t atime = 0;
    uint32_t ctime = 0;
    uint64_t size = 0;
    uint8_t protectionClass = 0;
    std::vector<std::pair<std::string, std::string>> properties;  // at most 255
};

// One record's bytes; strings longer than 65534 bytes are cut to that length.
std::string encodeManifestRecord(const ManifestEntry& entry);
// Writes a new manifest (magic and records) at path, replacing the file.
bool writeManifest(const std::string& path, const std::vector<ManifestEntry>& entries);
// Appends records to an existing manifest, or writes a new one when there is none.
bool appendManifestRecords(const std::string& path, const std::vector<ManifestEntry>& entries);
