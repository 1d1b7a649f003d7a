#include "disk/PRLargeFileController.h"

#include <QPixmap>

PRLargeFileController::PRLargeFileController(QObject* parent) : QAbstractTableModel(parent) {}

void PRLargeFileController::setContent(std::vector<PRLargeFileNodePtr> content) {
    beginResetModel();
    content_ = std::move(content);
    endResetModel();
}

PRLargeFileNodePtr PRLargeFileController::objectAt(int row) const {
    return row >= 0 && row < int(content_.size()) ? content_[size_t(row)] : nullptr;
}

int PRLargeFileController::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(content_.size());
}

int PRLargeFileController::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant PRLargeFileController::data(const QModelIndex& index, int role) const {
    const PRLargeFileNodePtr file = objectAt(index.row());
    if (!file) return {};
    auto text = [&]() -> QString {
        switch (Column(index.column())) {
        case FileName: return file->fileName;
        case FileSize: return file->fileSize;
        case FileParentName: return file->fileParentName;
        case FilePath: return file->filePath;
        case ColumnCount: break;
        }
        return {};
    };
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return text();
    if (role == Qt::DecorationRole && index.column() == FileParentName && !file->fileIcon.isNull())
        return QPixmap::fromImage(file->fileIcon.scaled(20, 20, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    if (role == Qt::UserRole)
        return index.column() == FileSize ? QVariant::fromValue<qulonglong>(file->fileSizeNumber) : QVariant(text());
    if (role == Qt::TextAlignmentRole && index.column() == FileSize) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant PRLargeFileController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (Column(section)) {
    case FileName: return tr("Name");
    case FileSize: return tr("Size");
    case FileParentName: return tr("App");
    case FilePath: return tr("Path");
    case ColumnCount: break;
    }
    return {};
}
