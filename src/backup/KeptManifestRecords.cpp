#include "backup/KeptManifestRecords.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kBlockSize = 1 << 20;
// A scan keeps the records of a few domains; past this many distinct ones a domain is stored
// with its record instead of being searched for.
constexpr size_t kSharedDomains = 32;
}  // namespace

std::string_view KeptManifestRecords::store(std::string_view text) {
    if (text.empty()) return {};
    if (blocks_.empty() || blockSize_ - blockUsed_ < text.size()) {
        blockSize_ = std::max(kBlockSize, text.size());
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
        blockUsed_ = 0;
    }
    char* at = blocks_.back().get() + blockUsed_;
    std::memcpy(at, text.data(), text.size());
    blockUsed_ += text.size();
    return {at, text.size()};
}

std::string_view KeptManifestRecords::storeDomain(std::string_view domain) {
    for (std::string_view known : domains_)
        if (known == domain) return known;
    const std::string_view stored = store(domain);
    if (domains_.size() < kSharedDomains) domains_.push_back(stored);
    return stored;
}

void KeptManifestRecords::add(std::string_view domain, std::string_view path, std::string_view key) {
    records_.push_back({storeDomain(domain), store(path), store(key)});
}

void KeptManifestRecords::clear() {
    keyByPath_ = {};
    indexed_ = 0;
    records_ = {};
    domains_.clear();
    blocks_.clear();
    blockUsed_ = blockSize_ = 0;
}

const std::string_view* KeptManifestRecords::keyForPath(std::string_view path) {
    if (indexed_ < records_.size()) {
        keyByPath_.reserve(records_.size());
        for (; indexed_ < records_.size(); ++indexed_)
            keyByPath_.insert_or_assign(records_[indexed_].path, records_[indexed_].key);  // the later record wins
    }
    const auto found = keyByPath_.find(path);
    return found == keyByPath_.end() ? nullptr : &found->second;
}
