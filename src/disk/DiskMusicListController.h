// The disk manager's music and video tables: one track per row with its title (beside the
// track picture), artist, album, duration and size. Sorting by size sorts by bytes.
#pragma once

#include "disk/DiskRecordList.h"
#include "model/PRTranMusicNode.h"

class DiskMusicListController : public DiskRecordList<PRTranMusicNode> {
    Q_OBJECT
public:
    enum Column { Title, Artist, Album, Time, Size, ColumnCount };

    explicit DiskMusicListController(QObject* parent = nullptr);

protected:
    int columns() const override { return ColumnCount; }
    QString title(int column) const override;
    QString text(const PRTranMusicNode& track, int column) const override;
    QPixmap icon(const PRTranMusicNodePtr& track, int column) const override;
    std::optional<uint64_t> bytes(const PRTranMusicNode& track, int column) const override;

private:
    QPixmap trackIcon_;
};
