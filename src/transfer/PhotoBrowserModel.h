// The photo grid's items: one row per picture or movie of the camera roll, shown as a
// thumbnail of its local copy with the file name under it. Thumbnails are decoded when a row
// is first drawn, at the largest zoom size, and kept.
#pragma once

#include "transfer/core/IKImageItem.h"

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>
#include <vector>

class PhotoBrowserModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The largest side of a kept thumbnail (the zoom's largest icon).
    static constexpr int kThumbnailSide = 256;
    enum Role { ItemPathRole = Qt::UserRole, DevicePathRole, HasCopyRole };

    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Appends items at the end, in order.
    void append(const std::vector<IKImageItem>& items);
    void clear();
    const std::vector<IKImageItem>& items() const { return items_; }

private:
    QIcon thumbnail(const IKImageItem& item) const;
    std::vector<IKImageItem> items_;
    mutable QHash<QString, QIcon> thumbnails_;
};
