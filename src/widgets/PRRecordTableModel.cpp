#include "widgets/PRRecordTableModel.h"

#include <algorithm>
#include <numeric>

namespace {
// Texts compare ignoring case; numbers (byte counts, message counts) as numbers.
int compareKeys(const QVariant& a, const QVariant& b) {
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Less) return -1;
    if (order == QPartialOrdering::Greater) return 1;
    return 0;
}
}  // namespace

int PRRecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int PRRecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fieldColumns() + (layout_ == Layout::Marking ? 1 : 0);
}

QVariant PRRecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const size_t record = shown_[static_cast<size_t>(index.row())];
    const bool check = isCheckColumn(index.column());
    const int field = fieldOf(index.column());
    switch (role) {
    case Qt::CheckStateRole:
        if (check) return isMarked(record) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ToolTipRole:
        if (layout_ == Layout::Listing) return {};
        [[fallthrough]];
    case Qt::DisplayRole: return check ? QVariant() : text(record, field);
    case Qt::UserRole: return check ? QVariant() : sortKey(record, field);
    case Qt::ForegroundRole: return isDeleted(record) ? QVariant(deletedColor()) : QVariant();
    default: return {};
    }
}

QVariant PRRecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return isCheckColumn(section) ? QVariant(QString()) : QVariant(header(fieldOf(section)));
}

Qt::ItemFlags PRRecordTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (isCheckColumn(index.column())) f |= Qt::ItemIsUserCheckable;
    return f;
}

bool PRRecordTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !isCheckColumn(index.column()) || index.row() >= rowCount()) return false;
    const bool marked = value.toInt() == Qt::Checked;
    markRows(rowsToMark ? rowsToMark(index.row()) : std::vector<int>{index.row()}, marked);
    return true;
}

void PRRecordTableModel::markRows(const std::vector<int>& rows, bool selected) {
    for (int row : rows)
        if (row >= 0 && row < rowCount()) setMarked(shown_[static_cast<size_t>(row)], selected);
    if (rowCount() > 0)
        emit dataChanged(index(0, kCheckColumn), index(rowCount() - 1, kCheckColumn), {Qt::CheckStateRole});
    if (marksChanged) marksChanged();
}

void PRRecordTableModel::markAll(bool selected) {
    std::vector<int> rows(shown_.size());
    std::iota(rows.begin(), rows.end(), 0);
    markRows(rows, selected);
}

size_t PRRecordTableModel::markedCount() const {
    size_t count = 0;
    for (size_t i = 0, n = recordCount(); i < n; ++i) count += isMarked(i) ? 1 : 0;
    return count;
}

void PRRecordTableModel::setDeletedOnly(bool only) {
    if (only == deletedOnly_) return;
    deletedOnly_ = only;
    reload();
}

void PRRecordTableModel::setSearchText(const QString& text) {
    if (text == search_) return;
    search_ = text;
    reload();
}

void PRRecordTableModel::reload() {
    beginResetModel();
    refilter();
    endResetModel();
}

void PRRecordTableModel::refilter() {
    shown_.clear();
    const size_t n = recordCount();
    shown_.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (deletedOnly_ && !isDeleted(i)) continue;
        if (!search_.isEmpty() && !matches(i, search_)) continue;
        shown_.push_back(i);
    }
    if (sortField_ >= 0) {
        // Sort keys once per row, not once per comparison.
        std::vector<std::pair<QVariant, size_t>> keyed;
        keyed.reserve(shown_.size());
        for (size_t i : shown_) keyed.emplace_back(sortKey(i, sortField_), i);
        const bool ascending = sortOrder_ == Qt::AscendingOrder;
        std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto& a, const auto& b) {
            const int c = compareKeys(a.first, b.first);
            return ascending ? c < 0 : c > 0;
        });
        for (size_t k = 0; k < keyed.size(); ++k) shown_[k] = keyed[k].second;
    }
}

void PRRecordTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount() || isCheckColumn(column)) return;
    sortField_ = fieldOf(column);
    sortOrder_ = order;
    reload();
}
