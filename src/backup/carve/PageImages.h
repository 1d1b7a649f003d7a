// Every image of a page that a database holds, numbered as the carve reads them: the main file's
// whole pages first (image k is page k + 1), then the frames of its write-ahead log in the log's
// order, then the frames its log kept of earlier runs. The database as folded (its log
// checkpointed into it) is, for each of its pages, the last frame of that page, else the main
// file's page; every other image is an older state of its page, whose rows the folded database
// no longer holds unless it holds them elsewhere. A frame of an earlier run is older than the
// main file (its run was checkpointed into it): it belongs to no state the current run knows.
#pragma once

#include "backup/carve/WriteAheadLog.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace carve {

class PageImages {
public:
    PageImages() = default;
    // The main file's whole pages and the log's frames of committed transactions; foldedPages,
    // the database's size in pages once folded (the main file's pages when the log has none);
    // earlier, the frames of the log's earlier runs.
    PageImages(int64_t filePages, std::vector<LogFrame> frames, int64_t foldedPages,
               std::vector<LogFrame> earlier = {});

    int64_t count() const { return filePages_ + frames() + earlierFrames(); }
    int64_t filePages() const { return filePages_; }
    // The frames of the log's current run.
    int64_t frames() const { return static_cast<int64_t>(frames_.size()); }
    int64_t earlierFrames() const { return static_cast<int64_t>(earlier_.size()); }
    int64_t foldedPages() const { return foldedPages_; }

    // The page an image is of, counted from 1.
    int64_t pageOf(int64_t image) const {
        if (image < filePages_) return image + 1;
        if (image < filePages_ + frames()) return frames_[static_cast<size_t>(image - filePages_)].page;
        return earlier_[static_cast<size_t>(image - filePages_ - frames())].page;
    }
    // Whether the image is the folded database's image of its page.
    bool current(int64_t image) const {
        if (image < filePages_) return !replaced_[static_cast<size_t>(image)] && image < foldedPages_;
        return image < filePages_ + frames() && currentFrame_[static_cast<size_t>(image - filePages_)];
    }
    // The state of the database an image belongs to, for asking of other pages (see imageOf):
    // kFileAlone for the main file's pages, else the index of the frame that committed the
    // image's transaction. A frame of an earlier run asks the main file, which its run was
    // checkpointed into.
    static constexpr int64_t kFileAlone = -1;
    int64_t stateOf(int64_t image) const {
        if (image < filePages_ || image >= filePages_ + frames()) return kFileAlone;
        return frames_[static_cast<size_t>(image - filePages_)].commit;
    }
    // The image of page (from 1) as the database stood in state: the last frame of it up to the
    // frame state names, else the main file's page; -1 when neither holds it.
    int64_t imageOf(int64_t page, int64_t state) const;
    // The folded database's image of page; -1 for a page it does not have.
    int64_t currentImage(int64_t page) const {
        return page >= 1 && page <= foldedPages_ ? imageOf(page, frames() - 1) : -1;
    }

private:
    int64_t filePages_ = 0;
    int64_t foldedPages_ = 0;
    std::vector<LogFrame> frames_;
    std::vector<LogFrame> earlier_;
    std::vector<std::pair<int64_t, int64_t>> byPage_;  // (page, frame index), sorted
    std::vector<bool> replaced_;                       // per page of the file: a frame holds it
    std::vector<bool> currentFrame_;                   // per frame
};

}  // namespace carve
