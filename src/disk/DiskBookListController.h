// The disk manager's book table: one purchased book per row with its artwork beside its name,
// its type and device path. The artwork is decoded once per book.
#pragma once

#include "disk/DiskRecordList.h"
#include "disk/core/PRBookNode.h"

#include <QImage>
#include <map>

class DiskBookListController : public DiskRecordList<PRBookNode> {
    Q_OBJECT
public:
    enum Column { Name, Type, Path, ColumnCount };

    explicit DiskBookListController(QObject* parent = nullptr);

    // The book's artwork as an image (null when it has none or it cannot be decoded).
    QImage imageIcon(const PRBookNodePtr& book) const;

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    void contentChanged() override { images_.clear(); }

private:
    mutable std::map<const PRBookNode*, QImage> images_;
};
