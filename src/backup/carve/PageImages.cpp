#include "backup/carve/PageImages.h"

#include <algorithm>

namespace carve {

PageImages::PageImages(int64_t filePages, std::vector<LogFrame> frames, int64_t foldedPages)
    : filePages_(std::max<int64_t>(filePages, 0)),
      foldedPages_(std::max<int64_t>(foldedPages, 0)),
      frames_(std::move(frames)),
      replaced_(static_cast<size_t>(filePages_), false),
      currentFrame_(frames_.size(), false) {
    for (size_t k = 0; k < frames_.size(); ++k) byPage_.emplace_back(frames_[k].page, static_cast<int64_t>(k));
    std::sort(byPage_.begin(), byPage_.end());
    for (size_t i = 0; i < byPage_.size(); ++i) {
        const auto [page, frame] = byPage_[i];
        if (page <= filePages_) replaced_[static_cast<size_t>(page - 1)] = true;
        const bool last = i + 1 == byPage_.size() || byPage_[i + 1].first != page;
        currentFrame_[static_cast<size_t>(frame)] = last && page <= foldedPages_;
    }
}

int64_t PageImages::imageOf(int64_t page, int64_t state) const {
    if (page < 1) return -1;
    if (state != kFileAlone && !byPage_.empty()) {
        // The last frame of page at or before state.
        const auto after = std::upper_bound(byPage_.begin(), byPage_.end(), std::make_pair(page, state));
        if (after != byPage_.begin() && std::prev(after)->first == page) return filePages_ + std::prev(after)->second;
    }
    return page <= filePages_ ? page - 1 : -1;
}

}  // namespace carve
