#include "disk/PRSystemlibFileController.h"

#include <QVariant>

PRSystemlibFileController::PRSystemlibFileController(QObject* parent) : QAbstractTableModel(parent) {}

void PRSystemlibFileController::setContent(std::vector<PRPhoneSystemFileNodePtr> content) {
    beginResetModel();
    content_ = std::move(content);
    endResetModel();
}

PRPhoneSystemFileNodePtr PRSystemlibFileController::objectAt(int row) const {
    return row >= 0 && row < int(content_.size()) ? content_[size_t(row)] : nullptr;
}

int PRSystemlibFileController::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(content_.size());
}

int PRSystemlibFileController::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PRSystemlibFileController::data(const QModelIndex& index, int role) const {
    const PRPhoneSystemFileNodePtr file = objectAt(index.row());
    if (!file) return {};
    auto text = [&]() -> QString {
        switch (Column(index.column())) {
        case FileName: return file->fileName;
        case FileSize: return file->fileSize;
        case FileType: return file->fileType;
        case FilePath: return file->filePath;
        case ColumnCount: break;
        }
        return {};
    };
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return text();
    if (role == Qt::UserRole)
        return index.column() == FileSize ? QVariant::fromValue<qulonglong>(file->fileSizeNumber) : QVariant(text());
    return {};
}

QVariant PRSystemlibFileController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (Column(section)) {
    case FileName: return tr("Name");
    case FileSize: return tr("Size");
    case FileType: return tr("Type");
    case FilePath: return tr("Path");
    case ColumnCount: break;
    }
    return {};
}
