#include "transfer/PhotoBrowserModel.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace {

// What a row shows when it has no picture: a movie (no frame is decoded) or a file that did
// not arrive from the device.
QPixmap placeholder(bool movie) {
    const int side = PhotoBrowserModel::kThumbnailSide;
    QPixmap pixmap(side, side * 3 / 4);
    pixmap.fill(movie ? QColor(52, 58, 70) : QColor(226, 229, 234));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = pixmap.rect();
    if (movie) {
        const QPointF c = box.center();
        const qreal r = side / 8.0;
        painter.setBrush(QColor(240, 240, 240));
        painter.setPen(Qt::NoPen);
        painter.drawPolygon(QPolygonF({c + QPointF(-r * 0.7, -r), c + QPointF(r, 0), c + QPointF(-r * 0.7, r)}));
    } else {
        painter.setPen(QPen(QColor(160, 166, 176), 6));
        painter.drawLine(box.topLeft() + QPointF(side / 3.0, side / 4.0),
                         box.bottomRight() - QPointF(side / 3.0, side / 4.0));
        painter.drawLine(box.topRight() + QPointF(-side / 3.0, side / 4.0),
                         box.bottomLeft() + QPointF(side / 3.0, -side / 4.0));
    }
    return pixmap;
}

}  // namespace

int PhotoBrowserModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(items_.size()); }

QVariant PhotoBrowserModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(items_.size())) return {};
    const IKImageItem& item = items_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole: return QFileInfo(item.devicePath).fileName();
    case Qt::ToolTipRole: return item.bhasCopy ? item.devicePath : item.devicePath + tr(" (not copied)");
    // An icon, not a pixmap: the view then draws it at its icon size, which the zoom sets.
    case Qt::DecorationRole: return thumbnail(item);
    case ItemPathRole: return item.filePath;
    case DevicePathRole: return item.devicePath;
    case HasCopyRole: return item.bhasCopy;
    default: return {};
    }
}

QIcon PhotoBrowserModel::thumbnail(const IKImageItem& item) const {
    auto found = thumbnails_.constFind(item.filePath);
    if (found != thumbnails_.constEnd()) return *found;
    QPixmap pixmap;
    if (item.bhasCopy && !item.isMovie()) {
        QImageReader reader(item.hasCopy);
        reader.setAutoTransform(true);
        QSize size = reader.size();
        if (size.isValid()) {
            size.scale(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio);
            reader.setScaledSize(size);  // JPEG decodes straight at the small size
        }
        const QImage image = reader.read();
        if (!image.isNull()) pixmap = QPixmap::fromImage(image);
    }
    if (pixmap.isNull()) pixmap = placeholder(item.isMovie());
    const QIcon icon(pixmap);
    thumbnails_.insert(item.filePath, icon);
    return icon;
}

void PhotoBrowserModel::append(const std::vector<IKImageItem>& items) {
    if (items.empty()) return;
    beginInsertRows({}, int(items_.size()), int(items_.size() + items.size()) - 1);
    for (const IKImageItem& item : items) {
        thumbnails_.remove(item.filePath);  // a new copy of the same device file
        items_.push_back(item);
    }
    endInsertRows();
}

void PhotoBrowserModel::clear() {
    beginResetModel();
    items_.clear();
    thumbnails_.clear();
    endResetModel();
}
