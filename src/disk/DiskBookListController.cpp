#include "disk/DiskBookListController.h"

DiskBookListController::DiskBookListController(QObject* parent) : DiskRecordList(parent) {}

const DiskBookListController::Artwork& DiskBookListController::artworkOf(const PRBookNodePtr& book) const {
    auto it = artwork_.find(book.get());
    if (it == artwork_.end()) {
        Artwork art;
        if (const PRBytes& bytes = book->imageIcon()) art.image.loadFromData(bytes->data(), int(bytes->size()));
        if (!art.image.isNull())
            art.icon = QPixmap::fromImage(art.image.scaled(36, 36, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        it = artwork_.emplace(book.get(), std::move(art)).first;
    }
    return it->second;
}

QImage DiskBookListController::imageIcon(const PRBookNodePtr& book) const {
    return book ? artworkOf(book).image : QImage();
}

QString DiskBookListController::title(int column) const {
    switch (Column(column)) {
    case Name: return tr("Name");
    case Type: return tr("Type");
    case Path: return tr("Path");
    case ColumnCount: break;
    }
    return {};
}

QString DiskBookListController::text(const PRBookNode& book, int column) const {
    switch (Column(column)) {
    case Name: return QString::fromStdString(book.bookName());
    case Type: return QString::fromStdString(book.fileType());
    case Path: return QString::fromStdString(book.filePath());
    case ColumnCount: break;
    }
    return {};
}

QPixmap DiskBookListController::icon(const PRBookNodePtr& book, int column) const {
    return column == Name ? artworkOf(book).icon : QPixmap();
}
