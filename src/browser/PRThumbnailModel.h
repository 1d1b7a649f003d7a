// The photos and videos of a backup as grid cells: the records of the photo table (so the
// grid shares its marks, search and filter), each with its shortened name, its check box and
// a thumbnail. Thumbnails are made only for the rows the grid asks for (a photo's decoded on a
// worker, a movie's first frame taken by the media backend), and a bounded cache keeps the
// latest ones; a row whose thumbnail is not ready shows the icon of its type, and so does one
// that gives no picture.
#pragma once

#include "browser/MovieFrameGrabber.h"
#include "browser/PRResultTableModels.h"
#include "browser/core/PageWorkers.h"

#include <QIcon>
#include <QIdentityProxyModel>
#include <QPointer>
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

class PRThumbnailModel : public QIdentityProxyModel {
public:
    // The longest side of a thumbnail, and how many the cache keeps.
    static constexpr int kThumbnailSize = 128;
    static constexpr size_t kCacheLimit = 600;

    explicit PRThumbnailModel(PRPhotoAndVideoController* source, QObject* parent = nullptr);
    ~PRThumbnailModel() override;

    QVariant data(const QModelIndex& index, int role) const override;

    // Decodes the thumbnails of rows [first, end) that are not cached yet; rows asked for
    // before and no longer in a range are dropped from the worker's queue.
    void loadRange(int first, int end);
    // Thumbnails decoded so far (tests and benchmarks).
    int decodedCount() const { return decoded_->load(); }
    bool isLoaded(int row) const;
    // Waits for the queued decoding to end, events turning (tests and benchmarks).
    void waitForIdle();

    // The cell title: names under 14 UTF-8 bytes whole, else the first five characters (four
    // when they take more than five bytes), "..." and the last five.
    static QString shortTitle(const QString& name);
    // A thumbnail of the image file at path, at most kThumbnailSize on its longer side; null
    // when the file does not decode, or is no regular file (a link is not followed).
    static QImage decodeThumbnail(const QString& path);

private:
    using Key = const PRPhotoAndVideoNode*;
    struct Wanted {
        std::mutex mutex;
        std::unordered_set<Key> keys;
    };
    const PRPhotoAndVideoNode* recordOf(int row) const;
    void store(Key key, int row, const QImage& image);

    QPointer<PRPhotoAndVideoController> photos_;  // may go first when both belong to one page
    bool closing_ = false;
    // Grows when the records are replaced: a record's address may then be reused by another,
    // so what was cached or queued under the old records is dropped.
    int generation_ = 0;
    std::unordered_map<Key, std::pair<QIcon, std::list<Key>::iterator>> cache_;
    std::list<Key> recent_;  // most recent first
    std::unordered_set<Key> queued_;
    std::shared_ptr<Wanted> wanted_ = std::make_shared<Wanted>();
    std::shared_ptr<std::atomic<int>> decoded_ = std::make_shared<std::atomic<int>>(0);
    QIcon photoPlaceholder_, videoIcon_;
    MovieFrameGrabber movies_;
    browser::PageWorkers workers_{2};
};
