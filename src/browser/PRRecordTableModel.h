// The table model every category table of the results screen uses: rows over an array of
// records, a check column that marks records, deleted rows drawn in the deleted colour, the
// deleted-only filter, a search over the category's own fields and sorting by column.
#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include <functional>
#include <memory>
#include <vector>

class PRRecordTableModel : public QAbstractTableModel {
public:
    // The colour of deleted rows and of the deleted-only check box.
    static QColor deletedColor() { return QColor(217, 81, 30); }
    // Every model's first column holds the record's check box.
    static constexpr int kCheckColumn = 0;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // The check column never sorts; a size column sorts by bytes.
    void sort(int column, Qt::SortOrder order) override;

    // Only deleted records, or all of them.
    void setDeletedOnly(bool only);
    bool deletedOnly() const { return deletedOnly_; }
    // Rows whose searched fields contain text, ignoring case; all rows for an empty text.
    void setSearchText(const QString& text);
    // Whether the category has fields a search looks at.
    virtual bool searchable() const { return false; }
    // Whether the category has deleted records at all (the deleted-only filter applies).
    virtual bool hasDeletedRecords() const { return true; }

    // Marks or unmarks the records of the given rows, or of every row shown.
    void markRows(const std::vector<int>& rows, bool selected);
    void markAll(bool selected);
    // Records marked, shown or not: the count is read from the marks themselves.
    size_t markedCount() const;
    // Records in the model, shown or not.
    virtual size_t recordCount() const = 0;
    // The record index of a row shown.
    size_t recordAt(int row) const { return shown_.at(static_cast<size_t>(row)); }

    // Asked when a row's check box is edited: the rows it applies to (all selected rows when
    // the edited one is among them). Without it, the edited row alone.
    std::function<std::vector<int>(int row)> rowsToMark;
    // Called after any change of marks.
    std::function<void()> marksChanged;

protected:
    explicit PRRecordTableModel(QObject* parent) : QAbstractTableModel(parent) {}

    // The columns after the check column.
    virtual int fieldColumns() const = 0;
    virtual QString header(int column) const = 0;
    virtual QString text(size_t record, int column) const = 0;
    // The sort key of a column: the text unless a column says otherwise (sizes give bytes).
    virtual QVariant sortKey(size_t record, int column) const { return text(record, column); }
    virtual bool isDeleted(size_t) const { return false; }
    virtual bool isMarked(size_t record) const = 0;
    virtual void setMarked(size_t record, bool marked) = 0;
    virtual bool matches(size_t, const QString&) const { return false; }

    // Shows the records anew after the array changed.
    void reload();

private:
    void refilter();
    std::vector<size_t> shown_;
    bool deletedOnly_ = false;
    QString search_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// A table over one array of shared records; Record provides bSelected/setBSelected.
template <class Record>
class PRArrayTableModel : public PRRecordTableModel {
public:
    using Ptr = std::shared_ptr<Record>;
    void setRecords(std::vector<Ptr> records) {
        records_ = std::move(records);
        reload();
    }
    const std::vector<Ptr>& records() const { return records_; }
    size_t recordCount() const override { return records_.size(); }
    const Ptr& recordOfRow(int row) const { return records_.at(recordAt(row)); }

protected:
    explicit PRArrayTableModel(QObject* parent) : PRRecordTableModel(parent) {}
    bool isMarked(size_t record) const override { return records_[record]->bSelected(); }
    void setMarked(size_t record, bool marked) override { records_[record]->setBSelected(marked); }
    std::vector<Ptr> records_;
};
