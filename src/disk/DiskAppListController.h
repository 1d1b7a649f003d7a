// The content of the disk manager's two app tables (user apps and system apps): one app record
// per row, with its icon beside its name. Sorting by a size sorts by bytes. Main thread only.
#pragma once

#include "clean/core/PRAppDirTreeNode.h"

#include <QAbstractTableModel>
#include <vector>

class DiskAppListController : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Version, AppSize, DocumentSize, TotalSize, ColumnCount };

    explicit DiskAppListController(QObject* parent = nullptr);

    const std::vector<PRAppDirTreeNodePtr>& content() const { return content_; }
    void setContent(std::vector<PRAppDirTreeNodePtr> content);
    PRAppDirTreeNodePtr objectAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<PRAppDirTreeNodePtr> content_;
};
