#include "widgets/PRRecordTableModel.h"

#include "platform/Threads.h"
#include "platform/WorkerPool.h"
#include "widgets/ColumnFit.h"

#include <QPointer>
#include <numeric>

PRRecordTableModel::PRRecordTableModel(QObject* parent, Layout layout)
    : QAbstractTableModel(parent), layout_(layout), rows_(std::make_shared<RecordRows>(RecordRows::Reader{})) {}

PRRecordTableModel::~PRRecordTableModel() {
    // A query still on the worker stops at its next step; its rows are handed to nobody.
    ++*latest_;
}

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
    if (orientation == Qt::Horizontal && role == columnfit::kValuesRole)
        return !isCheckColumn(section) && !isFreeText(header(fieldOf(section)));
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

bool PRRecordTableModel::setDeletedOnly(bool only) {
    if (only == query_.deletedOnly) return false;
    query_.deletedOnly = only;
    refresh(false);
    return true;
}

bool PRRecordTableModel::setSearchText(const QString& text) {
    if (text == query_.search) return false;
    query_.search = text;
    refresh(false);
    return true;
}

bool PRRecordTableModel::showEveryRecord() {
    if (!query_.deletedOnly && query_.search.isEmpty()) return false;
    query_.deletedOnly = false;
    query_.search.clear();
    refresh(false);
    return true;
}

void PRRecordTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount() || isCheckColumn(column)) return;
    const int field = fieldOf(column);
    const bool descending = order == Qt::DescendingOrder;
    if (field == query_.sortField && descending == query_.descending) return;
    query_.sortField = field;
    query_.descending = descending;
    refresh(false);
}

void PRRecordTableModel::reload(RecordRows::Reader reader) {
    rows_ = std::make_shared<RecordRows>(std::move(reader));
    refresh(true);
}

void PRRecordTableModel::refresh(bool newRecords) {
    // Whatever is still worked out on the worker is for an older query now.
    const uint64_t generation = ++*latest_;
    const RecordRows::Query query = query_;
    const bool inArrayOrder = query == RecordRows::Query{};
    if (inArrayOrder || rows_->count() <= kRecordsWorkedOutAtOnce) {
        pending_ = false;
        show(inArrayOrder ? rows_->everyRow() : *rows_->rows(query, [] { return false; }), query, newRecords,
             !newRecords);
        return;
    }
    // New records show in array order until their rows are worked out.
    if (newRecords) show(rows_->everyRow(), RecordRows::Query{}, true, false);
    pending_ = true;
    if (!worker_) worker_ = std::make_unique<WorkerPool>(1);
    worker_->enqueue([this, receiver = MainThreadReceiver(this), records = rows_, query, generation, latest = latest_,
                      announce = !newRecords] {
        const RecordRows::Cancelled stale = [&] { return latest->load() != generation; };
        auto hand = [&](std::vector<RecordRows::Row> rows) {
            auto shown = std::make_shared<std::vector<RecordRows::Row>>(std::move(rows));
            performOnMainThread(
                receiver,
                [this, shown, query, generation, latest, announce] {
                    if (latest->load() != generation) return;
                    pending_ = false;
                    show(std::move(*shown), query, false, announce);
                },
                false);
        };
        // The kept order at once, then checked against the values the records hold now: the
        // rows move when some changed since it was taken.
        auto rows = records->rows(query, stale, /*checkOrder*/ false);
        if (!rows) return;
        hand(*rows);
        if (query.sortField < 0) return;
        const std::optional<bool> holds = records->orderHolds(query.sortField, *rows, stale);
        if (!holds || *holds) return;
        if (auto moved = records->rows(query, stale)) hand(std::move(*moved));
    });
}

void PRRecordTableModel::show(std::vector<RecordRows::Row> rows, const RecordRows::Query& query, bool newRecords,
                              bool announce) {
    const bool sorted = !newRecords && query.sameRecords(shownQuery_) && rows.size() == shown_.size();
    shownQuery_ = query;
    if (!sorted) {
        beginResetModel();
        shown_ = std::move(rows);
        endResetModel();
    } else {
        // The same records in a new order: what pointed at a record (the selection, the current
        // row) goes with it to its new row.
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        if (!before.isEmpty()) {
            std::vector<RecordRows::Row> rowOf(recordCount());
            for (size_t row = 0; row < rows.size(); ++row) rowOf[rows[row]] = RecordRows::Row(row);
            QModelIndexList after;
            after.reserve(before.size());
            for (const QModelIndex& at : before)
                after << createIndex(int(rowOf[shown_[size_t(at.row())]]), at.column());
            changePersistentIndexList(before, after);
        }
        shown_ = std::move(rows);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    if (announce && rowsShown) rowsShown(sorted ? RowsChange::Sorted : RowsChange::Filtered);
}

bool PRRecordTableModel::isFreeText(const QString& title) {
    // Titles, notes, contents and links are free texts of any length: the rest are values a row
    // is read by, and a path holds a folder's path.
    static const QStringList freeTexts = {tr("Title"), tr("Note"), tr("Content"), tr("URL"), tr("Path")};
    return freeTexts.contains(title);
}
