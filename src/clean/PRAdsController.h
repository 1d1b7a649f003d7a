// The rows of an advertising-cache table: one app each, with its icon at 36 x 36 in the
// "Name" column. Main thread only.
#pragma once

#include "clean/core/PRAppAdsRemoveNode.h"

#include <QAbstractTableModel>
#include <vector>

class PRAdsController : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PRAdsController(QObject* parent = nullptr);

    const std::vector<PRAppAdsRemoveNodePtr>& content() const { return content_; }
    void setContent(std::vector<PRAppAdsRemoveNodePtr> content);
    void addObjects(const std::vector<PRAppAdsRemoveNodePtr>& objects);
    PRAppAdsRemoveNodePtr objectAt(int row) const;
    // Redraws every row (the records changed).
    void reloadData();

    // The columns, in order.
    enum Column { kName, kVersion, kCount, kState, kColumnCount };

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<PRAppAdsRemoveNodePtr> content_;
};
