// The manifest records a backup scan keeps for later look-ups: each one's domain, path and
// file key, in manifest order. The texts live in a few large blocks and each distinct domain
// once, so that keeping a hundred thousand records, and letting them go when the scan ends,
// costs a handful of allocations instead of several per record. Not thread-safe: the scan
// state locks around it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class KeptManifestRecords {
public:
    struct Record {
        std::string_view domain;
        std::string_view path;
        std::string_view key;
    };

    void add(std::string_view domain, std::string_view path, std::string_view key);
    void clear();
    size_t size() const { return records_.size(); }
    const std::vector<Record>& records() const { return records_; }
    // The key of the last record with this path, or null. Answers through an index that
    // catches up with the records at the first look-up after some were added, so a scan
    // that never looks anything up never pays for it.
    const std::string_view* keyForPath(std::string_view path);

private:
    std::string_view store(std::string_view text);
    std::string_view storeDomain(std::string_view domain);

    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t blockUsed_ = 0;
    size_t blockSize_ = 0;
    std::vector<std::string_view> domains_;  // the distinct domains stored so far
    std::vector<Record> records_;
    std::unordered_map<std::string_view, std::string_view> keyByPath_;
    size_t indexed_ = 0;  // records already in keyByPath_
};
