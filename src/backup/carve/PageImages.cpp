#include "backup/carve/PageImages.h"

#include <algorithm>

namespace carve {

namespace {

// The folded database's size as the log's last commit says it, bounded by what the files hold:
// every page of the folded database is a page of the main file or a frame of the log, so it
// cannot have more pages than the two have images (and the one page SQLite never writes, at the
// first gigabyte), nor a page past the last one either names. A commit field that says more
// (0xFFFFFFFF pages in a 4 KB log) is no reason to make room for it.
int64_t boundedFoldedPages(int64_t filePages, const std::vector<LogFrame>& frames, int64_t foldedPages) {
    int64_t lastNamed = filePages;
    for (const LogFrame& f : frames) lastNamed = std::max(lastNamed, f.page);
    const int64_t images = filePages + static_cast<int64_t>(frames.size()) + 1;
    return std::clamp<int64_t>(foldedPages, 0, std::min(lastNamed, images));
}

}  // namespace

PageImages::PageImages(int64_t filePages, std::vector<LogFrame> frames, int64_t foldedPages,
                       std::vector<LogFrame> earlier)
    : filePages_(std::max<int64_t>(filePages, 0)),
      foldedPages_(boundedFoldedPages(filePages_, frames, foldedPages)),
      frames_(std::move(frames)),
      earlier_(std::move(earlier)),
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
