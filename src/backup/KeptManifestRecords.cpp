#include "backup/KeptManifestRecords.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kBlockSize = 1 << 20;
constexpr size_t kSearchedShared = 16;
}  // namespace

const char* KeptManifestRecords::store(std::string_view first, std::string_view second) {
    const size_t size = first.size() + second.size();
    if (blocks_.empty() || blockSize_ - blockUsed_ < size) {
        blockSize_ = std::max(kBlockSize, size);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
        blockUsed_ = 0;
    }
    char* at = blocks_.back().get() + blockUsed_;
    if (!first.empty()) std::memcpy(at, first.data(), first.size());
    if (!second.empty()) std::memcpy(at + first.size(), second.data(), second.size());
    blockUsed_ += size;
    return at;
}

uint32_t KeptManifestRecords::shared(std::string_view text, uint32_t& last) {
    if (last < shared_.size() && shared_[last] == text) return last;
    // A scan shares a handful of texts, found faster by looking at each than by hashing.
    if (shared_.size() <= kSearchedShared) {
        for (uint32_t i = 0; i < shared_.size(); ++i)
            if (shared_[i] == text) return last = i;
    } else if (const auto found = sharedIndex_.find(text); found != sharedIndex_.end()) {
        return last = found->second;
    }
    const char* stored = store(text, {});
    shared_.emplace_back(stored, text.size());
    if (shared_.size() > kSearchedShared) {
        for (auto i = static_cast<uint32_t>(sharedIndex_.size()); i < shared_.size(); ++i)
            sharedIndex_.emplace(shared_[i], i);
    }
    return last = static_cast<uint32_t>(shared_.size() - 1);
}

void KeptManifestRecords::add(std::string_view domain, std::string_view path, std::string_view key) {
    // Keys of one scan name files of one folder: the folder is shared, the name kept. Most
    // keys are in the folder of the one before.
    size_t nameStart;
    Stored stored{};
    const std::string_view lastFolder = lastKeyFolder_ < shared_.size() ? shared_[lastKeyFolder_] : std::string_view();
    if (!lastFolder.empty() && key.starts_with(lastFolder) &&
        key.find('/', lastFolder.size()) == std::string_view::npos) {
        nameStart = lastFolder.size();
        stored.keyFolder = lastKeyFolder_;
    } else {
        const size_t slash = key.rfind('/');
        nameStart = slash == std::string_view::npos ? 0 : slash + 1;
        stored.keyFolder = shared(key.substr(0, nameStart), lastKeyFolder_);
    }
    stored.domain = shared(domain, lastDomain_);
    stored.texts = store(path, key.substr(nameStart));
    stored.pathLength = static_cast<uint32_t>(path.size());
    stored.keyNameLength = static_cast<uint32_t>(key.size() - nameStart);
    records_.push_back(stored);
}

KeptManifestRecords::Record KeptManifestRecords::record(size_t index) const {
    const Stored& stored = records_[index];
    const std::string_view folder = shared_[stored.keyFolder];
    Record made{shared_[stored.domain], pathOf(stored), {}};
    made.key.reserve(folder.size() + stored.keyNameLength);
    made.key.append(folder).append(stored.texts + stored.pathLength, stored.keyNameLength);
    return made;
}

void KeptManifestRecords::clear() {
    recordByPath_ = {};
    indexed_ = 0;
    records_ = {};
    sharedIndex_ = {};
    shared_ = {};
    lastDomain_ = lastKeyFolder_ = 0;
    blocks_ = decltype(blocks_)();
    blockUsed_ = blockSize_ = 0;
}

bool KeptManifestRecords::keyForPath(std::string_view path, std::string& key) {
    if (indexed_ < records_.size()) {
        recordByPath_.reserve(records_.size());
        for (; indexed_ < records_.size(); ++indexed_)  // the later record wins
            recordByPath_.insert_or_assign(pathOf(records_[indexed_]), static_cast<uint32_t>(indexed_));
    }
    const auto found = recordByPath_.find(path);
    if (found == recordByPath_.end()) return false;
    key = record(found->second).key;
    return true;
}
