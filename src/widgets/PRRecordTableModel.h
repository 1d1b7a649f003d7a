// The table model every record table uses, on the results screen and on the transfer page: rows
// over an array of records, deleted rows drawn in the deleted colour, the deleted-only filter, a
// search over the category's own fields and sorting by column. A page chooses its layout: the
// results screen marks records in a check column before the fields, the transfer page lists
// them read only.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <memory>
#include <vector>

class PRRecordTableModel : public QAbstractTableModel {
public:
    // How a page shows its records. Marking: a check box column first, each field whole, its
    // text as the cell's tip. Listing: the fields alone, read only, without tips; a controller
    // may give a listed field other columns (a long field's first line).
    enum class Layout { Marking, Listing };

    // The colour of deleted rows and of the deleted-only check box.
    static QColor deletedColor() { return QColor(217, 81, 30); }
    // In the marking layout the first column holds the record's check box.
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
    virtual bool searchable() const = 0;
    // Whether the category has deleted records at all (the deleted-only filter applies).
    virtual bool hasDeletedRecords() const = 0;

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
    PRRecordTableModel(QObject* parent, Layout layout) : QAbstractTableModel(parent), layout_(layout) {}

    // The columns of the record's fields (after the check column in the marking layout),
    // numbered from 0.
    virtual int fieldColumns() const = 0;
    virtual QString header(int field) const = 0;
    virtual QVariant text(size_t record, int field) const = 0;
    // The sort key of a field: the text unless the field says otherwise (sizes give bytes).
    virtual QVariant sortKey(size_t record, int field) const = 0;
    virtual bool isDeleted(size_t record) const = 0;
    virtual bool isMarked(size_t record) const = 0;
    virtual void setMarked(size_t record, bool marked) = 0;
    virtual bool matches(size_t record, const QString& text) const = 0;

    // Shows the records anew after the array changed.
    void reload();

private:
    bool isCheckColumn(int column) const { return layout_ == Layout::Marking && column == kCheckColumn; }
    // The field a column shows.
    int fieldOf(int column) const { return layout_ == Layout::Marking ? column - 1 : column; }
    void refilter();

    Layout layout_;
    std::vector<size_t> shown_;
    bool deletedOnly_ = false;
    QString search_;
    int sortField_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// A table over one array of shared records (Record provides bSelected/setBSelected), its
// fields given as a list in the order of the model's column enum.
template <class Record>
class PRArrayTableModel : public PRRecordTableModel {
public:
    using Ptr = std::shared_ptr<Record>;
    using Text = std::function<QVariant(const Record&)>;
    struct Field {
        Field(QString title, Text text, Text key = nullptr)
            : title(std::move(title)), text(std::move(text)), key(std::move(key)) {}
        QString title;
        Text text;
        Text key;  // the sort key when not the text
    };

    void setRecords(std::vector<Ptr> records) {
        records_ = std::move(records);
        reload();
    }
    // The records in the order given, shown or not.
    const std::vector<Ptr>& content() const { return records_; }
    size_t recordCount() const override { return records_.size(); }
    const Ptr& recordOfRow(int row) const { return records_.at(recordAt(row)); }
    // The record of a row shown; null outside the rows.
    Ptr at(int row) const { return row >= 0 && row < rowCount() ? recordOfRow(row) : nullptr; }
    bool searchable() const override { return bool(search_); }
    bool hasDeletedRecords() const override { return bool(deleted_); }

protected:
    // deleted tells a deleted record (none: the category has no deleted records); search
    // tells whether a record's searched fields contain a text (none: the category finds nothing).
    PRArrayTableModel(QObject* parent, Layout layout, std::vector<Field> fields,
                      std::function<bool(const Record&)> deleted = {},
                      std::function<bool(const Record&, const QString&)> search = {})
        : PRRecordTableModel(parent, layout),
          fields_(std::move(fields)),
          deleted_(std::move(deleted)),
          search_(std::move(search)) {}

    int fieldColumns() const override { return static_cast<int>(fields_.size()); }
    QString header(int field) const override { return fields_.at(size_t(field)).title; }
    QVariant text(size_t record, int field) const override { return fields_.at(size_t(field)).text(*records_[record]); }
    QVariant sortKey(size_t record, int field) const override {
        const Field& f = fields_.at(size_t(field));
        return f.key ? f.key(*records_[record]) : f.text(*records_[record]);
    }
    bool isDeleted(size_t record) const override { return deleted_ && deleted_(*records_[record]); }
    bool matches(size_t record, const QString& text) const override {
        return search_ && search_(*records_[record], text);
    }
    bool isMarked(size_t record) const override { return records_[record]->bSelected(); }
    void setMarked(size_t record, bool marked) override { records_[record]->setBSelected(marked); }

    std::vector<Ptr> records_;

private:
    std::vector<Field> fields_;
    std::function<bool(const Record&)> deleted_;
    std::function<bool(const Record&, const QString&)> search_;
};
