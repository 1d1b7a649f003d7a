#include "clean/PRAppFileController.h"

#include "clean/core/PRAppDirTreeNode.h"
#include "clean/core/PRCleanDirNode.h"
#include "clean/core/PRPhoneSystemDirNode.h"

namespace {

template <class Node>
QString field(const Node& n, const QString& f) {
    if (f == QLatin1String("fileName")) return n.fileName;
    if (f == QLatin1String("fileSize")) return n.fileSize;
    if (f == QLatin1String("fileType")) return n.fileType;
    if (f == QLatin1String("filePath")) return n.filePath;
    if constexpr (requires { n.appBundleName; })
        if (f == QLatin1String("appBundleName")) return n.appBundleName;
    return {};
}

QString titleOf(const QString& column) {
    if (column == QLatin1String("fileName")) return PRAppFileController::tr("Name");
    if (column == QLatin1String("fileSize")) return PRAppFileController::tr("Size");
    if (column == QLatin1String("fileType")) return PRAppFileController::tr("Type");
    if (column == QLatin1String("filePath")) return PRAppFileController::tr("Path");
    return column;
}

}  // namespace

PRAppFileController::PRAppFileController(QStringList columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

QString PRAppFileController::fieldText(const NSObject& node, const QString& f) {
    if (auto c = dynamic_cast<const PRCleanFileNode*>(&node)) return field(*c, f);
    if (auto a = dynamic_cast<const PRAppFileTreeNode*>(&node)) return field(*a, f);
    if (auto d = dynamic_cast<const PRCleanDirNode*>(&node)) return field(*d, f);
    if (auto p = dynamic_cast<const PRPhoneSystemFileNode*>(&node)) return field(*p, f);
    return {};
}

void PRAppFileController::setContent(std::vector<NSObjectPtr> content) {
    beginResetModel();
    content_ = std::move(content);
    endResetModel();
}

void PRAppFileController::addObjects(const std::vector<NSObjectPtr>& objects) {
    if (objects.empty()) return;
    beginInsertRows({}, int(content_.size()), int(content_.size() + objects.size()) - 1);
    content_.insert(content_.end(), objects.begin(), objects.end());
    endInsertRows();
}

void PRAppFileController::removeObjectAtArrangedObjectIndex(int row) {
    if (row < 0 || row >= int(content_.size())) return;
    beginRemoveRows({}, row, row);
    content_.erase(content_.begin() + row);
    endRemoveRows();
}

bool PRAppFileController::removeObject(const NSObject* object) {
    const int row = indexOf(object);
    if (row < 0) return false;
    removeObjectAtArrangedObjectIndex(row);
    return true;
}

NSObjectPtr PRAppFileController::objectAt(int row) const {
    return row >= 0 && row < int(content_.size()) ? content_[row] : nullptr;
}

int PRAppFileController::indexOf(const NSObject* object) const {
    for (size_t i = 0; i < content_.size(); ++i)
        if (content_[i].get() == object) return int(i);
    return -1;
}

int PRAppFileController::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(content_.size()); }

int PRAppFileController::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant PRAppFileController::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(content_.size()) || index.column() >= columns_.size()) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    return fieldText(*content_[index.row()], columns_[index.column()]);
}

QVariant PRAppFileController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) return {};
    if (role == Qt::DisplayRole) return titleOf(columns_[section]);
    if (role == Qt::UserRole) return columns_[section];
    return {};
}
