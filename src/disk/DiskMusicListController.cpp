#include "disk/DiskMusicListController.h"

#include "platform/Images.h"
#include "widgets/NSImageResizeTo.h"

DiskMusicListController::DiskMusicListController(QObject* parent)
    : DiskRecordList(parent),
      trackIcon_(QPixmap::fromImage(thumbnailImage(images::imageNamed("defaultMuisc.png"), QSize(20, 20)))) {}

QString DiskMusicListController::title(int column) const {
    switch (Column(column)) {
    case Title: return tr("Title");
    case Artist: return tr("Artist");
    case Album: return tr("Album");
    case Time: return tr("Time");
    case Size: return tr("Size");
    case ColumnCount: break;
    }
    return {};
}

QString DiskMusicListController::text(const PRTranMusicNode& track, int column) const {
    switch (Column(column)) {
    case Title: return QString::fromStdString(track.musicTitle());
    case Artist: return QString::fromStdString(track.musicArtist());
    case Album: return QString::fromStdString(track.musicAlbm().value_or(std::string()));
    case Time: return QString::fromStdString(track.musicTime());
    case Size: return QString::fromStdString(track.musicFileSize());
    case ColumnCount: break;
    }
    return {};
}

QPixmap DiskMusicListController::icon(const PRTranMusicNodePtr&, int column) const {
    return column == Title ? trackIcon_ : QPixmap();
}

std::optional<uint64_t> DiskMusicListController::bytes(const PRTranMusicNode& track, int column) const {
    if (column == Size) return track.fileSizeNumber();
    return std::nullopt;
}
