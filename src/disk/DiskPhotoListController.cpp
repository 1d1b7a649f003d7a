#include "disk/DiskPhotoListController.h"

#include "platform/Images.h"
#include "widgets/NSImageResizeTo.h"

#include <QPixmap>

DiskPhotoListController::DiskPhotoListController(QObject* parent)
    : DiskRecordList(parent), photoIcon_(thumbnailImage(images::imageNamed("photos01.png"), QSize(18, 18))) {}

int DiskPhotoListController::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DiskPhotoListController::data(const QModelIndex& index, int role) const {
    const PRPhotoAndVideoNodePtr photo = objectAt(index.row());
    if (!photo) return {};
    const Column column = Column(index.column());
    auto text = [&]() -> QString {
        switch (column) {
        case Name: return QString::fromStdString(photo->fileNodeName());
        case Size: return QString::fromStdString(photo->fileNodeSize());
        case Source: return QString::fromStdString(photo->fileType());
        case Modified: return QString::fromStdString(photo->fileModifyTime());
        case Path: return QString::fromStdString(photo->filePath());
        case ColumnCount: break;
        }
        return {};
    };
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return text();
    case Qt::DecorationRole:
        if (column == Name && !photoIcon_.isNull()) return QPixmap::fromImage(photoIcon_);
        return {};
    case Qt::UserRole:
        if (column == Size) return QVariant::fromValue<qulonglong>(photo->fileSizeNumber());
        return text();
    default: return {};
    }
}

QVariant DiskPhotoListController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (Column(section)) {
    case Name: return tr("Name");
    case Size: return tr("Size");
    case Source: return tr("Source");
    case Modified: return tr("Modified");
    case Path: return tr("Path");
    case ColumnCount: break;
    }
    return {};
}
