#include "disk/DiskPhotoListController.h"

#include "platform/Images.h"
#include "widgets/NSImageResizeTo.h"

DiskPhotoListController::DiskPhotoListController(QObject* parent)
    : DiskRecordList(parent),
      photoIcon_(QPixmap::fromImage(thumbnailImage(images::imageNamed("photos01.png"), QSize(18, 18)))) {}

QString DiskPhotoListController::title(int column) const {
    switch (Column(column)) {
    case Name: return tr("Name");
    case Size: return tr("Size");
    case Source: return tr("Source");
    case Modified: return tr("Modified");
    case Path: return tr("Path");
    case ColumnCount: break;
    }
    return {};
}

QString DiskPhotoListController::text(const PRPhotoAndVideoNode& photo, int column) const {
    switch (Column(column)) {
    case Name: return QString::fromStdString(photo.fileNodeName());
    case Size: return QString::fromStdString(photo.fileNodeSize());
    case Source: return QString::fromStdString(photo.fileType());
    case Modified: return QString::fromStdString(photo.fileModifyTime());
    case Path: return QString::fromStdString(photo.filePath());
    case ColumnCount: break;
    }
    return {};
}

QPixmap DiskPhotoListController::icon(const PRPhotoAndVideoNodePtr&, int column) const {
    return column == Name ? photoIcon_ : QPixmap();
}

std::optional<uint64_t> DiskPhotoListController::bytes(const PRPhotoAndVideoNode& photo, int column) const {
    if (column == Size) return photo.fileSizeNumber();
    return std::nullopt;
}
