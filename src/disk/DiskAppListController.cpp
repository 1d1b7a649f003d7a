#include "disk/DiskAppListController.h"

#include "model/PRRecordFields.h"
#include "widgets/NSImageResizeTo.h"

#include <QPixmap>

DiskAppListController::DiskAppListController(QObject* parent) : QAbstractTableModel(parent) {}

void DiskAppListController::setContent(std::vector<PRAppDirTreeNodePtr> content) {
    beginResetModel();
    content_ = std::move(content);
    endResetModel();
}

PRAppDirTreeNodePtr DiskAppListController::objectAt(int row) const {
    return row >= 0 && row < int(content_.size()) ? content_[size_t(row)] : nullptr;
}

int DiskAppListController::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(content_.size());
}

int DiskAppListController::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DiskAppListController::data(const QModelIndex& index, int role) const {
    const PRAppDirTreeNodePtr app = objectAt(index.row());
    if (!app) return {};
    const Column column = Column(index.column());
    auto text = [&]() -> QString {
        switch (column) {
        case Name: return app->appDisplayName;
        case Version: return app->appVersion;
        case AppSize: return app->appSize;
        case DocumentSize: return app->appDocumentSize;
        case TotalSize: return app->fileType == QLatin1String("DIR") ? app->fileSize : QString();
        case ColumnCount: break;
        }
        return {};
    };
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return text();
    case Qt::DecorationRole:
        if (column == Name && !app->appIcon.isNull()) return QPixmap::fromImage(resizeTo(app->appIcon, QSize(36, 36)));
        return {};
    case Qt::UserRole: {
        // Sizes sort by bytes: the texts hold them to two decimals of their unit.
        switch (column) {
        case AppSize: return QVariant::fromValue<qulonglong>(sizeFormString(app->appSize.toStdString()));
        case DocumentSize: return QVariant::fromValue<qulonglong>(sizeFormString(app->appDocumentSize.toStdString()));
        case TotalSize: return QVariant::fromValue<qulonglong>(app->totalAppSizeNumber);
        default: return text();
        }
    }
    default: return {};
    }
}

QVariant DiskAppListController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (Column(section)) {
    case Name: return tr("Name");
    case Version: return tr("Version");
    case AppSize: return tr("App Size");
    case DocumentSize: return tr("Documents");
    case TotalSize: return tr("Total");
    case ColumnCount: break;
    }
    return {};
}
