// The backup list of the backup browser page: one row per iTunes backup of the delegate's
// backup records, the "Name" column with the picture of the backup's model (its deviceImage).
// Main thread only.
#pragma once

#include "model/PRIOSDeviceController.h"

#include <QAbstractTableModel>

class PRIOSDeviceTableModel : public QAbstractTableModel {
public:
    enum Column { Name, Type, Version, BackupDate, Serial, ColumnCount };
    static constexpr int kIconSize = 24;

    PRIOSDeviceTableModel(const PRIOSDeviceController& backups, QObject* parent = nullptr);
    // The list was read again: every row is shown anew.
    void reload();
    PRIOSDeviceNodePtr backupAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Qt::UserRole gives a column's identifier ("Name" for the first).
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const PRIOSDeviceController& backups_;
};
