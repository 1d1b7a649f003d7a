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
    explicit PRRecordTableModel(QObject* parent) : QAbstractTableModel(parent) {}

    // The columns after the check column.
    virtual int fieldColumns() const = 0;
    virtual QString header(int column) const = 0;
    virtual QString text(size_t record, int column) const = 0;
    // The sort key of a column: the text unless a column says otherwise (sizes give bytes).
    virtual QVariant sortKey(size_t record, int column) const = 0;
    virtual bool isDeleted(size_t record) const = 0;
    virtual bool isMarked(size_t record) const = 0;
    virtual void setMarked(size_t record, bool marked) = 0;
    virtual bool matches(size_t record, const QString& text) const = 0;

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

// A table over one array of shared records (Record provides bSelected/setBSelected), its
// columns after the check column given as a list in the order of the model's column enum.
template <class Record>
class PRArrayTableModel : public PRRecordTableModel {
public:
    using Ptr = std::shared_ptr<Record>;
    struct Field {
        Field(QString title, std::function<QString(const Record&)> text,
              std::function<QVariant(const Record&)> key = nullptr)
            : title(std::move(title)), text(std::move(text)), key(std::move(key)) {}
        QString title;
        std::function<QString(const Record&)> text;
        std::function<QVariant(const Record&)> key;  // the sort key when not the text
    };

    void setRecords(std::vector<Ptr> records) {
        records_ = std::move(records);
        reload();
    }
    const std::vector<Ptr>& records() const { return records_; }
    size_t recordCount() const override { return records_.size(); }
    const Ptr& recordOfRow(int row) const { return records_.at(recordAt(row)); }
    bool searchable() const override { return bool(search_); }
    bool hasDeletedRecords() const override { return bool(deleted_); }

protected:
    // deleted tells a deleted record (none: the category has no deleted records); search
    // tells whether a record's searched fields contain a text (none: the category finds nothing).
    PRArrayTableModel(QObject* parent, std::vector<Field> fields, std::function<bool(const Record&)> deleted = {},
                      std::function<bool(const Record&, const QString&)> search = {})
        : PRRecordTableModel(parent),
          fields_(std::move(fields)),
          deleted_(std::move(deleted)),
          search_(std::move(search)) {}

    int fieldColumns() const override { return static_cast<int>(fields_.size()); }
    QString header(int column) const override { return fields_.at(size_t(column - 1)).title; }
    QString text(size_t record, int column) const override {
        return fields_.at(size_t(column - 1)).text(*records_[record]);
    }
    QVariant sortKey(size_t record, int column) const override {
        const Field& field = fields_.at(size_t(column - 1));
        return field.key ? field.key(*records_[record]) : QVariant(field.text(*records_[record]));
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
