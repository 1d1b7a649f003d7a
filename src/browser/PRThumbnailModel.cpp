#include "browser/PRThumbnailModel.h"

#include "browser/BackupPicture.h"
#include "browser/PRRecordPreviewPane.h"
#include "platform/Threads.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPixmap>
#include <algorithm>
#include <vector>

namespace {

// A file-type icon at the size of a thumbnail.
QIcon typeIcon(const QString& extension) {
    const QImage icon = PRRecordPreviewPane::fileTypeIcon(extension);
    return icon.isNull() ? QIcon()
                         : QIcon(QPixmap::fromImage(icon.scaled(PRThumbnailModel::kThumbnailSize,
                                                                PRThumbnailModel::kThumbnailSize, Qt::KeepAspectRatio,
                                                                Qt::SmoothTransformation)));
}

QString extensionOf(const PRPhotoAndVideoNode& record) {
    return QFileInfo(QString::fromStdString(record.fileNodeName())).suffix();
}

}  // namespace

PRThumbnailModel::PRThumbnailModel(PRPhotoAndVideoController* source, QObject* parent)
    : QIdentityProxyModel(parent),
      photos_(source),
      photoPlaceholder_(typeIcon(QStringLiteral("jpg"))),
      videoIcon_(typeIcon(QStringLiteral("mov"))) {
    setSourceModel(source);
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
        ++generation_;
        movies_.clear();
        cache_.clear();
        recent_.clear();
        queued_.clear();
        std::lock_guard lock(wanted_->mutex);
        wanted_->keys.clear();
    });
}

PRThumbnailModel::~PRThumbnailModel() {
    closing_ = true;  // hand-offs that run while the workers end store nothing
    movies_.clear();
    workers_.cancelAndWait();
}

QString PRThumbnailModel::shortTitle(const QString& name) {
    if (name.toUtf8().size() < 14) return name;
    // Whole characters (a pair of UTF-16 units stays together).
    const QList<uint> chars = name.toUcs4();
    auto text = [&chars](qsizetype from, qsizetype count) {
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData() + from), count);
    };
    const qsizetype n = chars.size();
    qsizetype head = std::min<qsizetype>(5, n);
    if (text(0, head).toUtf8().size() > 5) head = std::min<qsizetype>(4, n);
    const qsizetype tail = std::min<qsizetype>(5, n);
    return text(0, head) + "..." + text(n - tail, tail);
}

QImage PRThumbnailModel::decodeThumbnail(const QString& path) {
    return backuppicture::read(path.toStdString(), kThumbnailSize);
}

const PRPhotoAndVideoNode* PRThumbnailModel::recordOf(int row) const {
    if (!photos_ || row < 0 || row >= photos_->rowCount()) return nullptr;
    return photos_->recordOfRow(row).get();
}

bool PRThumbnailModel::isLoaded(int row) const {
    const Key key = recordOf(row);
    return key && cache_.count(key);
}

QVariant PRThumbnailModel::data(const QModelIndex& index, int role) const {
    const PRPhotoAndVideoNode* record = index.isValid() ? recordOf(index.row()) : nullptr;
    if (!record) return QIdentityProxyModel::data(index, role);
    switch (role) {
    case Qt::DisplayRole: return shortTitle(QString::fromStdString(record->fileNodeName()));
    case Qt::ToolTipRole: return QString::fromStdString(record->fileNodeName());
    case Qt::DecorationRole: {
        const auto found = cache_.find(record);
        if (found != cache_.end()) return found->second.first;
        return record->bmov() ? videoIcon_ : photoPlaceholder_;
    }
    case Qt::CheckStateRole:
        return QIdentityProxyModel::data(index.siblingAtColumn(PRRecordTableModel::kCheckColumn), role);
    default: return QIdentityProxyModel::data(index, role);
    }
}

void PRThumbnailModel::loadRange(int first, int end) {
    if (!photos_ || closing_) return;
    end = std::min(end, photos_->rowCount());
    struct Item {
        Key key;
        int row;
        QString path;
    };
    std::vector<Item> items;
    std::unordered_set<Key> wanted;
    for (int row = std::max(0, first); row < end; ++row) {
        const Key key = recordOf(row);
        if (cache_.count(key)) continue;
        if (key->bmov()) {
            // A movie's first frame comes from the media backend, one movie at a time.
            if (queued_.insert(key).second)
                movies_.grab(QString::fromStdString(key->filePath()), QSize(kThumbnailSize, kThumbnailSize),
                             [this, key, row, generation = generation_](const QImage& frame) {
                                 if (closing_ || generation != generation_) return;
                                 queued_.erase(key);
                                 store(key, row, frame);
                             });
            continue;
        }
        wanted.insert(key);
        if (queued_.insert(key).second) items.push_back({key, row, QString::fromStdString(key->filePath())});
    }
    {
        std::lock_guard lock(wanted_->mutex);
        wanted_->keys = wanted;
    }
    if (items.empty()) return;
    const MainThreadReceiver receiver(this);
    workers_.start([this, receiver, items = std::move(items), wantedKeys = wanted_, decoded = decoded_,
                    generation = generation_](const std::atomic<bool>& cancelled) {
        for (const Item& item : items) {
            if (cancelled) return;
            bool still;
            {
                std::lock_guard lock(wantedKeys->mutex);
                still = wantedKeys->keys.count(item.key) > 0;
            }
            QImage image;
            if (still) {
                image = decodeThumbnail(item.path);
                ++*decoded;
            }
            // Handed over also when skipped, so that a later range asks for it again.
            performOnMainThread(
                receiver,
                [this, item, image, still, generation] {
                    if (closing_ || generation != generation_) return;
                    queued_.erase(item.key);
                    if (still) store(item.key, item.row, image);
                },
                false);
        }
    });
}

void PRThumbnailModel::store(Key key, int row, const QImage& image) {
    // A file that gives no picture shows the icon of its type (a movie's: the movie icon),
    // cached so that it is not read again.
    QIcon icon = !image.isNull() ? QIcon(QPixmap::fromImage(image))
                 : key->bmov()   ? videoIcon_
                                 : typeIcon(extensionOf(*key));
    recent_.push_front(key);
    cache_[key] = {std::move(icon), recent_.begin()};
    while (cache_.size() > kCacheLimit) {
        cache_.erase(recent_.back());
        recent_.pop_back();
    }
    // The row may have moved (sort, search) while the worker ran.
    if (recordOf(row) != key) return;
    const QModelIndex at = index(row, PRRecordTableModel::kCheckColumn);
    emit dataChanged(at, at, {Qt::DecorationRole});
}

void PRThumbnailModel::waitForIdle() {
    while (workers_.pending() > 0 || movies_.pending() > 0 || !queued_.empty()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}
