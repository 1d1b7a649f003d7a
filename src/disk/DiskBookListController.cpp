#include "disk/DiskBookListController.h"

#include <QPixmap>

DiskBookListController::DiskBookListController(QObject* parent) : DiskRecordList(parent) {}

QImage DiskBookListController::imageIcon(const PRBookNodePtr& book) const {
    if (!book || !book->imageIcon()) return {};
    auto it = images_.find(book.get());
    if (it == images_.end()) {
        QImage image;
        const auto& bytes = *book->imageIcon();
        image.loadFromData(bytes.data(), int(bytes.size()));
        it = images_.emplace(book.get(), image).first;
    }
    return it->second;
}

int DiskBookListController::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DiskBookListController::data(const QModelIndex& index, int role) const {
    const PRBookNodePtr book = objectAt(index.row());
    if (!book) return {};
    const Column column = Column(index.column());
    auto text = [&]() -> QString {
        switch (column) {
        case Name: return QString::fromStdString(book->bookName());
        case Type: return QString::fromStdString(book->fileType());
        case Path: return QString::fromStdString(book->filePath());
        case ColumnCount: break;
        }
        return {};
    };
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::UserRole: return text();
    case Qt::DecorationRole: {
        if (column != Name) return {};
        const QImage art = imageIcon(book);
        if (art.isNull()) return {};
        return QPixmap::fromImage(art.scaled(36, 36, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    default: return {};
    }
}

QVariant DiskBookListController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (Column(section)) {
    case Name: return tr("Name");
    case Type: return tr("Type");
    case Path: return tr("Path");
    case ColumnCount: break;
    }
    return {};
}
