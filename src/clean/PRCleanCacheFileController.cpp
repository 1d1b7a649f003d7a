#include "clean/PRCleanCacheFileController.h"

#include "clean/core/PRCleanDirNode.h"

#include <QFont>

PRCleanListController::PRCleanListController(QObject* parent)
    : PRAppFileController({"fileName", "appDisplayName", "fileSize", "filePath"}, parent) {}

QVariant PRCleanListController::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::FontRole) return QFont("Lucida Grande", 11);
    const auto* node = dynamic_cast<const PRCleanDirNode*>(objectAt(index.row()).get());
    if (node && columns().value(index.column()) == QLatin1String("appDisplayName")) {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return node->appDisplayName;
        if (role == Qt::DecorationRole && !node->nodeIcon.isNull())
            return node->nodeIcon.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return {};
    }
    return PRAppFileController::data(index, role);
}

QVariant PRCleanListController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole &&
        columns().value(section) == QLatin1String("appDisplayName"))
        return tr("App");
    return PRAppFileController::headerData(section, orientation, role);
}
