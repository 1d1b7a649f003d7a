#include "disk/DiskMusicListController.h"

#include "platform/Images.h"
#include "widgets/NSImageResizeTo.h"

#include <QPixmap>

DiskMusicListController::DiskMusicListController(QObject* parent)
    : DiskRecordList(parent), trackIcon_(thumbnailImage(images::imageNamed("defaultMuisc.png"), QSize(20, 20))) {}

int DiskMusicListController::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DiskMusicListController::data(const QModelIndex& index, int role) const {
    const PRTranMusicNodePtr track = objectAt(index.row());
    if (!track) return {};
    const Column column = Column(index.column());
    auto text = [&]() -> QString {
        switch (column) {
        case Title: return QString::fromStdString(track->musicTitle());
        case Artist: return QString::fromStdString(track->musicArtist());
        case Album: return QString::fromStdString(track->musicAlbm().value_or(std::string()));
        case Time: return QString::fromStdString(track->musicTime());
        case Size: return QString::fromStdString(track->musicFileSize());
        case ColumnCount: break;
        }
        return {};
    };
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return text();
    case Qt::DecorationRole:
        if (column == Title && !trackIcon_.isNull()) return QPixmap::fromImage(trackIcon_);
        return {};
    case Qt::UserRole:
        if (column == Size) return QVariant::fromValue<qulonglong>(track->fileSizeNumber());
        return text();
    default: return {};
    }
}

QVariant DiskMusicListController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (Column(section)) {
    case Title: return tr("Title");
    case Artist: return tr("Artist");
    case Album: return tr("Album");
    case Time: return tr("Time");
    case Size: return tr("Size");
    case ColumnCount: break;
    }
    return {};
}
