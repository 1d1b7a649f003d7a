// The disk manager's photo table: one picture or movie per row with its name, size, source
// (camera roll, photo stream, photo library), date and device path. Sorting by size sorts by
// bytes.
#pragma once

#include "disk/DiskRecordList.h"
#include "model/PRPhotoAndVideoNode.h"

#include <QImage>

class DiskPhotoListController : public DiskRecordList<PRPhotoAndVideoNode> {
    Q_OBJECT
public:
    enum Column { Name, Size, Source, Modified, Path, ColumnCount };

    explicit DiskPhotoListController(QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QImage photoIcon_;
};
