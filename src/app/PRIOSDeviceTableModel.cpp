#include "app/PRIOSDeviceTableModel.h"

#include "platform/Images.h"

#include <QIcon>
#include <QPixmap>

PRIOSDeviceTableModel::PRIOSDeviceTableModel(const PRIOSDeviceController& backups, QObject* parent)
    : QAbstractTableModel(parent), backups_(backups) {}

void PRIOSDeviceTableModel::reload() {
    beginResetModel();
    endResetModel();
}

PRIOSDeviceNodePtr PRIOSDeviceTableModel::backupAt(int row) const {
    const auto& list = backups_.arrangedObjects();
    return row >= 0 && row < int(list.size()) ? list[size_t(row)] : nullptr;
}

int PRIOSDeviceTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(backups_.arrangedObjects().size());
}

int PRIOSDeviceTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant PRIOSDeviceTableModel::data(const QModelIndex& index, int role) const {
    const PRIOSDeviceNodePtr backup = backupAt(index.row());
    if (!backup) return {};
    if (role == Qt::DecorationRole && index.column() == Name) {
        const QImage picture = images::imageNamed(QString::fromStdString(backup->deviceImage()));
        if (picture.isNull()) return {};
        return QIcon(
            QPixmap::fromImage(picture.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
    case Name: return QString::fromStdString(backup->strDeviceName());
    case Type: return QString::fromStdString(backup->strDeviceType());
    case Version: return QString::fromStdString(backup->strIOSVersion());
    case BackupDate: return QString::fromStdString(backup->strDeviceBackUpTime());
    case Serial: return QString::fromStdString(backup->strDeviceSerial());
    default: return {};
    }
}

QVariant PRIOSDeviceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    static const char* const titles[ColumnCount] = {"Name", "Type", "iOS Version", "Backup Date", "Serial Number"};
    static const char* const identifiers[ColumnCount] = {"Name", "Type", "Version", "BackupDate", "Serial"};
    if (section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole) return tr(titles[section]);
    if (role == Qt::UserRole) return QString::fromLatin1(identifiers[section]);
    return {};
}
