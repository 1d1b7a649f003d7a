// The disk manager's photo table: one picture or movie per row with its name, size, source
// (camera roll, photo stream, photo library), date and device path. Sorting by size sorts by
// bytes.
#pragma once

#include "disk/DiskRecordList.h"
#include "model/PRPhotoAndVideoNode.h"

class DiskPhotoListController : public DiskRecordList<PRPhotoAndVideoNode> {
    Q_OBJECT
public:
    enum Column { Name, Size, Source, Modified, Path, ColumnCount };

    explicit DiskPhotoListController(QObject* parent = nullptr);

protected:
    int columns() const override { return ColumnCount; }
    QString title(int column) const override;
    QString text(const PRPhotoAndVideoNode& photo, int column) const override;
    QPixmap icon(const PRPhotoAndVideoNodePtr& photo, int column) const override;
    std::optional<uint64_t> bytes(const PRPhotoAndVideoNode& photo, int column) const override;

private:
    QPixmap photoIcon_;
};
