#include "browser/PRTreeController.h"

#include "browser/core/PRBackupFileTree.h"
#include "platform/Images.h"

#include <QIcon>
#include <QPixmap>

namespace {
const PRTreeDirNode* node(const QModelIndex& index) {
    return static_cast<const PRTreeDirNode*>(index.internalPointer());
}

void numberRows(const std::vector<PRTreeDirNodePtr>& level, std::unordered_map<const PRTreeDirNode*, int>& rows) {
    for (size_t i = 0; i < level.size(); ++i) {
        rows[level[i].get()] = static_cast<int>(i);
        numberRows(level[i]->children(), rows);
    }
}
}  // namespace

void PRTreeController::setRoots(std::vector<PRTreeDirNodePtr> roots) {
    beginResetModel();
    roots_ = std::move(roots);
    rows_.clear();
    numberRows(roots_, rows_);
    endResetModel();
}

const std::vector<PRTreeDirNodePtr>& PRTreeController::level(const QModelIndex& parent) const {
    return parent.isValid() ? node(parent)->children() : roots_;
}

PRTreeDirNodePtr PRTreeController::folderAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    return const_cast<PRTreeDirNode*>(node(index))->shared_from_this();
}

QModelIndex PRTreeController::indexOf(const PRTreeDirNodePtr& folder) const {
    if (!folder) return {};
    auto row = rows_.find(folder.get());
    return row == rows_.end() ? QModelIndex() : createIndex(row->second, NodeName, folder.get());
}

QModelIndex PRTreeController::index(int row, int column, const QModelIndex& parent) const {
    const auto& list = level(parent);
    if (row < 0 || column < 0 || column >= ColumnCount || row >= static_cast<int>(list.size())) return {};
    return createIndex(row, column, list[static_cast<size_t>(row)].get());
}

QModelIndex PRTreeController::parent(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    return indexOf(node(index)->parent());
}

int PRTreeController::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != NodeName) return 0;
    return static_cast<int>(level(parent).size());
}

int PRTreeController::columnCount(const QModelIndex&) const { return ColumnCount; }

QVariant PRTreeController::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const PRTreeDirNode* folder = node(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return QString::fromStdString(folder->fileName());
    case Qt::CheckStateRole:
        switch (folder->isSelected()) {
        case PRTreeSelected: return Qt::Checked;
        case PRTreeSelectedSome: return Qt::PartiallyChecked;
        default: return Qt::Unchecked;
        }
    case Qt::DecorationRole:
        if (folderIcon_.isNull()) folderIcon_ = QIcon(QPixmap::fromImage(images::imageNamed("folder")));
        return folderIcon_;
    default: return {};
    }
}

QVariant PRTreeController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == NodeName) return tr("Folders");
    return {};
}

Qt::ItemFlags PRTreeController::flags(const QModelIndex& index) const {
    return QAbstractItemModel::flags(index) | Qt::ItemIsUserCheckable;
}

bool PRTreeController::setData(const QModelIndex& index, const QVariant&, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole) return false;
    PRBackupFileTree::toggleFolder(folderAt(index));
    refreshMarks();
    if (marksChanged) marksChanged();
    return true;
}

void PRTreeController::emitChecks(const QModelIndex& parent) {
    const int rows = rowCount(parent);
    if (rows == 0) return;
    emit dataChanged(index(0, NodeName, parent), index(rows - 1, NodeName, parent), {Qt::CheckStateRole});
    for (int row = 0; row < rows; ++row) emitChecks(index(row, NodeName, parent));
}

void PRTreeController::refreshMarks() { emitChecks({}); }
