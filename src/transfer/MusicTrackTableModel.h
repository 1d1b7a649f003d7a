// The content of the music or video table of the transfer page: one track a row (title,
// artist, album, length, size). The size column sorts by bytes.
#pragma once

#include "model/PRTranMusicNode.h"

#include <QAbstractTableModel>
#include <vector>

class MusicTrackTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Title, Artist, Album, Time, Size, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    const std::vector<PRTranMusicNodePtr>& content() const { return tracks_; }
    void addObjects(const std::vector<PRTranMusicNodePtr>& tracks);
    void clear();
    PRTranMusicNodePtr objectAt(int row) const;
    // Tells the views that the row of track changed (its copy was made).
    void trackChanged(const PRTranMusicNode* track);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    std::vector<PRTranMusicNodePtr> tracks_;
};
