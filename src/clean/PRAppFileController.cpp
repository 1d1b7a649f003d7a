#include "clean/PRAppFileController.h"

#include "clean/core/PRAppDirTreeNode.h"
#include "clean/core/PRCleanDirNode.h"
#include "clean/core/PRPhoneSystemDirNode.h"
#include "model/PRRecordFields.h"

#include <algorithm>

namespace {

using Column = PRAppFileController::Column;

template <class Node>
QString field(const Node& n, Column f) {
    switch (f) {
    case Column::FileName: return n.fileName;
    case Column::FileSize: return n.fileSize;
    case Column::FileType: return n.fileType;
    case Column::FilePath: return n.filePath;
    case Column::AppDisplayName:
        if constexpr (requires { n.appDisplayName; }) return n.appDisplayName;
        return {};
    }
    return {};
}

QString titleOf(Column column) {
    switch (column) {
    case Column::FileName: return PRAppFileController::tr("Name");
    case Column::AppDisplayName: return PRAppFileController::tr("App");
    case Column::FileSize: return PRAppFileController::tr("Size");
    case Column::FileType: return PRAppFileController::tr("Type");
    case Column::FilePath: return PRAppFileController::tr("Path");
    }
    return {};
}

}  // namespace

PRAppFileController::PRAppFileController(std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

PRAppFileController::Column PRAppFileController::columnAt(int section) const {
    return section >= 0 && section < int(columns_.size()) ? columns_[size_t(section)] : Column::FileName;
}

QString PRAppFileController::fieldText(const NSObject& node, Column f) {
    if (auto c = dynamic_cast<const PRCleanFileNode*>(&node)) return field(*c, f);
    if (auto a = dynamic_cast<const PRAppFileTreeNode*>(&node)) return field(*a, f);
    if (auto d = dynamic_cast<const PRCleanDirNode*>(&node)) return field(*d, f);
    if (auto p = dynamic_cast<const PRPhoneSystemFileNode*>(&node)) return field(*p, f);
    return {};
}

uint64_t PRAppFileController::sizeBytes(const NSObject& node) {
    if (auto c = dynamic_cast<const PRCleanFileNode*>(&node)) return c->fileSizeNumber;
    if (auto d = dynamic_cast<const PRCleanDirNode*>(&node)) return d->fileSizeNumber;
    if (auto p = dynamic_cast<const PRPhoneSystemFileNode*>(&node)) return p->fileSizeNumber;
    // An app tree's file keeps only its size text.
    if (auto a = dynamic_cast<const PRAppFileTreeNode*>(&node)) return sizeFormString(a->fileSize.toStdString());
    return 0;
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

int PRAppFileController::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(content_.size());
}

int PRAppFileController::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant PRAppFileController::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(content_.size()) || index.column() >= int(columns_.size())) return {};
    const NSObject& node = *content_[size_t(index.row())];
    const Column column = columns_[size_t(index.column())];
    if (role == kSortRole) {
        if (column == Column::FileSize) return QVariant::fromValue<qulonglong>(sizeBytes(node));
        return fieldText(node, column);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    return fieldText(node, column);
}

QVariant PRAppFileController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(columns_.size())) return {};
    if (role == Qt::DisplayRole) return titleOf(columns_[size_t(section)]);
    return {};
}

void PRAppFileController::sort(int section, Qt::SortOrder order) {
    if (section < 0 || section >= int(columns_.size())) return;
    const Column column = columns_[size_t(section)];
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<NSObject*> rowsBefore;
    for (const QModelIndex& i : before) rowsBefore.push_back(objectAt(i.row()).get());
    auto less = [column](const NSObjectPtr& a, const NSObjectPtr& b) {
        if (column == Column::FileSize) return sizeBytes(*a) < sizeBytes(*b);
        return QString::localeAwareCompare(fieldText(*a, column), fieldText(*b, column)) < 0;
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(content_.begin(), content_.end(), less);
    else
        std::stable_sort(content_.begin(), content_.end(),
                         [&less](const NSObjectPtr& a, const NSObjectPtr& b) { return less(b, a); });
    QModelIndexList after;
    for (size_t i = 0; i < rowsBefore.size(); ++i) after << index(indexOf(rowsBefore[i]), before[int(i)].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
