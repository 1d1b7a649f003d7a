// The disk manager's music and video tables: one track per row with its title (beside the
// track picture), artist, album, duration and size. Sorting by size sorts by bytes.
#pragma once

#include "disk/DiskRecordList.h"
#include "model/PRTranMusicNode.h"

#include <QImage>

class DiskMusicListController : public DiskRecordList<PRTranMusicNode> {
    Q_OBJECT
public:
    enum Column { Title, Artist, Album, Time, Size, ColumnCount };

    explicit DiskMusicListController(QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QImage trackIcon_;
};
