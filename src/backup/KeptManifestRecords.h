// The manifest records a backup scan keeps for later look-ups: each one's domain, path and
// file key, in manifest order. Paths and key names live in a few large blocks; domains and
// key folders, shared by many records, once each. Keeping a hundred thousand records, and
// letting them go when the scan ends, so costs a handful of allocations and a few megabytes
// instead of several allocations per record. Not thread-safe: the scan state locks around it.
#pragma once

#include <cstddef>
#include <cstdint>
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
        std::string key;
    };

    void add(std::string_view domain, std::string_view path, std::string_view key);
    void clear();
    size_t size() const { return records_.size(); }
    Record record(size_t index) const;
    // The key of the last record with this path into key; false when there is none. Answers
    // through an index that catches up with the records at the first look-up after some were
    // added, so a scan that never looks anything up never pays for it.
    bool keyForPath(std::string_view path, std::string& key);

private:
    struct Stored {
        const char* texts;  // the path, then the key's name
        uint32_t pathLength;
        uint32_t keyNameLength;
        uint32_t domain;     // in shared_
        uint32_t keyFolder;  // in shared_
    };

    const char* store(std::string_view first, std::string_view second);
    uint32_t shared(std::string_view text, uint32_t& last);
    std::string_view pathOf(const Stored& stored) const { return {stored.texts, stored.pathLength}; }

    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t blockUsed_ = 0;
    size_t blockSize_ = 0;
    std::vector<std::string_view> shared_;
    std::unordered_map<std::string_view, uint32_t> sharedIndex_;  // once there are more than a handful
    uint32_t lastDomain_ = 0;                                     // the last shared texts met, tried first
    uint32_t lastKeyFolder_ = 0;
    std::vector<Stored> records_;
    std::unordered_map<std::string_view, uint32_t> recordByPath_;
    size_t indexed_ = 0;  // records already in recordByPath_
};
