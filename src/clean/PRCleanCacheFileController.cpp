#include "clean/PRCleanCacheFileController.h"

#include "clean/core/PRCleanDirNode.h"

#include <QFont>

PRCleanListController::PRCleanListController(QObject* parent)
    : PRAppFileController({Column::FileName, Column::AppDisplayName, Column::FileSize, Column::FilePath}, parent) {}

QVariant PRCleanListController::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::FontRole) return QFont("Lucida Grande", 11);
    const auto* node = dynamic_cast<const PRCleanDirNode*>(objectAt(index.row()).get());
    if (node && columnAt(index.column()) == Column::AppDisplayName) {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == kSortRole) return node->appDisplayName;
        if (role == Qt::DecorationRole && !node->nodeIcon.isNull())
            return node->nodeIcon.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return {};
    }
    return PRAppFileController::data(index, role);
}
