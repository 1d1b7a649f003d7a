#include "transfer/MusicTrackTableModel.h"

#include <QIcon>
#include <algorithm>

namespace {

QString text(const std::string& value) { return QString::fromStdString(value).trimmed(); }

QVariant sortValue(const PRTranMusicNode& track, int column) {
    switch (column) {
    case MusicTrackTableModel::Size: return QVariant::fromValue<qulonglong>(track.fileSizeNumber());
    case MusicTrackTableModel::Title: return text(track.musicTitle()).toLower();
    case MusicTrackTableModel::Artist: return text(track.musicArtist()).toLower();
    case MusicTrackTableModel::Album: return text(track.musicAlbm().value_or(std::string())).toLower();
    case MusicTrackTableModel::Time: return text(track.musicTime());
    }
    return {};
}

}  // namespace

void MusicTrackTableModel::addObjects(const std::vector<PRTranMusicNodePtr>& tracks) {
    if (tracks.empty()) return;
    beginInsertRows({}, int(tracks_.size()), int(tracks_.size() + tracks.size()) - 1);
    tracks_.insert(tracks_.end(), tracks.begin(), tracks.end());
    endInsertRows();
}

void MusicTrackTableModel::clear() {
    beginResetModel();
    tracks_.clear();
    endResetModel();
}

PRTranMusicNodePtr MusicTrackTableModel::objectAt(int row) const {
    return row >= 0 && row < int(tracks_.size()) ? tracks_[size_t(row)] : nullptr;
}

void MusicTrackTableModel::trackChanged(const PRTranMusicNode* track) {
    for (size_t row = 0; row < tracks_.size(); ++row)
        if (tracks_[row].get() == track) emit dataChanged(index(int(row), 0), index(int(row), ColumnCount - 1));
}

int MusicTrackTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(tracks_.size());
}
int MusicTrackTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant MusicTrackTableModel::data(const QModelIndex& index, int role) const {
    const PRTranMusicNodePtr track = objectAt(index.row());
    if (!track) return {};
    if (role == kSortRole) return sortValue(*track, index.column());
    if (role == Qt::ToolTipRole && index.column() == Title && track->bhasCopy()) return tr("Copied to this computer");
    if (role == Qt::TextAlignmentRole && (index.column() == Size || index.column() == Time))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case Title: return text(track->musicTitle());
    case Artist: return text(track->musicArtist());
    case Album: return text(track->musicAlbm().value_or(std::string()));
    case Time: return text(track->musicTime());
    case Size: return text(track->musicFileSize());
    }
    return {};
}

QVariant MusicTrackTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case Title: return tr("Name");
    case Artist: return tr("Artist");
    case Album: return tr("Album");
    case Time: return tr("Time");
    case Size: return tr("Size");
    }
    return {};
}

void MusicTrackTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount) return;
    emit layoutAboutToBeChanged();
    std::stable_sort(tracks_.begin(), tracks_.end(), [&](const PRTranMusicNodePtr& a, const PRTranMusicNodePtr& b) {
        const QVariant x = sortValue(*a, column), y = sortValue(*b, column);
        const bool less = column == Size ? x.toULongLong() < y.toULongLong() : x.toString() < y.toString();
        const bool greater = column == Size ? y.toULongLong() < x.toULongLong() : y.toString() < x.toString();
        return order == Qt::AscendingOrder ? less : greater;
    });
    emit layoutChanged();
}
