// The table model every record table uses, on the results screen and on the transfer page: rows
// over an array of records, deleted rows drawn in the deleted colour, the deleted-only filter, a
// search over the category's own fields and sorting by column. A page chooses its layout: the
// results screen marks records in a check column before the fields, the transfer page lists
// them read only.
// The rows of a filter, search or sort are worked out by RecordRows: at once for a small table,
// on a worker thread for a large one, whose rows stay on show until the new ones are swapped in
// (the last one asked for wins); the main thread never waits for a million records. A large
// table's sort comes in a column's kept order, and its rows move once more when the values
// its records hold changed since that order was taken.
#pragma once

#include "widgets/RecordRows.h"

#include <QAbstractTableModel>
#include <QColor>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class WorkerPool;

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
    // Tables of up to this many records work their rows out at once (a few milliseconds);
    // larger ones on a worker thread.
    static constexpr size_t kRecordsWorkedOutAtOnce = 20000;

    ~PRRecordTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // The check column never sorts; a size column sorts by bytes. The records keep their rows'
    // selection: they move to their new rows.
    void sort(int column, Qt::SortOrder order) override;

    // Only deleted records, or all of them. False when that is what was asked already.
    bool setDeletedOnly(bool only);
    bool deletedOnly() const { return query_.deletedOnly; }
    // Rows whose searched fields contain text, ignoring case; all rows for an empty text. False
    // when that is what was asked already.
    bool setSearchText(const QString& text);
    // Every record again, neither filtered nor searched. False when nothing was.
    bool showEveryRecord();
    // Whether a column of this title holds free text (a title, a note, a link) or paths rather
    // than values a row is read by.
    static bool isFreeText(const QString& title);
    // Whether the category has fields a search looks at.
    virtual bool searchable() const = 0;
    // Whether the category has deleted records at all (the deleted-only filter applies).
    virtual bool hasDeletedRecords() const = 0;
    // Whether the rows of a changed filter, search or sort are still being worked out.
    bool rowsPending() const { return pending_; }

    // What the rows shown became: other records (a filter or a search), or the same records in
    // another order (a sort; the selection moved with its records).
    enum class RowsChange { Filtered, Sorted };
    // Called once the rows of a changed filter, search or sort are shown (not after new records).
    std::function<void(RowsChange)> rowsShown;

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
    PRRecordTableModel(QObject* parent, Layout layout);

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

    // Shows the records anew after the array changed; reader reads them from any thread.
    void reload(RecordRows::Reader reader);

private:
    bool isCheckColumn(int column) const { return layout_ == Layout::Marking && column == kCheckColumn; }
    // The field a column shows.
    int fieldOf(int column) const { return layout_ == Layout::Marking ? column - 1 : column; }
    // Works the rows of query_ out, at once or on the worker.
    void refresh(bool newRecords);
    // Shows rows, the rows of query: with newRecords, of records just set (the view starts
    // over); else of the records shown, announced to rowsShown when asked.
    void show(std::vector<RecordRows::Row> rows, const RecordRows::Query& query, bool newRecords, bool announce);

    Layout layout_;
    std::shared_ptr<RecordRows> rows_;
    RecordRows::Query query_;       // asked for last
    RecordRows::Query shownQuery_;  // the one shown_ shows
    std::vector<RecordRows::Row> shown_;
    bool pending_ = false;
    // Raised with every query: a query on the worker that is no longer the latest stops.
    std::shared_ptr<std::atomic<uint64_t>> latest_ = std::make_shared<std::atomic<uint64_t>>(0);
    std::unique_ptr<WorkerPool> worker_;  // made for the first query worked out there
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
        records_ = std::make_shared<const std::vector<Ptr>>(std::move(records));
        reload(reader());
    }
    // The records in the order given, shown or not.
    const std::vector<Ptr>& content() const { return *records_; }
    size_t recordCount() const override { return records_->size(); }
    const Ptr& recordOfRow(int row) const { return records_->at(recordAt(row)); }
    // The record of a row shown; null outside the rows.
    Ptr at(int row) const { return row >= 0 && row < rowCount() ? recordOfRow(row) : nullptr; }
    bool searchable() const override { return !searched_.empty(); }
    bool hasDeletedRecords() const override { return bool(deleted_); }

protected:
    // deleted tells a deleted record (none: the category has no deleted records); a search looks
    // for its text in the searched fields (none: the category finds nothing).
    PRArrayTableModel(QObject* parent, Layout layout, std::vector<Field> fields,
                      std::function<bool(const Record&)> deleted = {}, std::vector<Text> searched = {})
        : PRRecordTableModel(parent, layout),
          fields_(std::make_shared<const std::vector<Field>>(std::move(fields))),
          deleted_(std::move(deleted)),
          searched_(std::move(searched)) {}

    int fieldColumns() const override { return static_cast<int>(fields_->size()); }
    QString header(int field) const override { return fields_->at(size_t(field)).title; }
    QVariant text(size_t record, int field) const override {
        return fields_->at(size_t(field)).text(*(*records_)[record]);
    }
    QVariant sortKey(size_t record, int field) const override { return keyOf(*fields_, *(*records_)[record], field); }
    bool isDeleted(size_t record) const override { return deleted_ && deleted_(*(*records_)[record]); }
    bool isMarked(size_t record) const override { return (*records_)[record]->bSelected(); }
    void setMarked(size_t record, bool marked) override { (*records_)[record]->setBSelected(marked); }

    // Shared with the queries on the worker thread, which read them while the table shows them.
    std::shared_ptr<const std::vector<Ptr>> records_ = std::make_shared<const std::vector<Ptr>>();

private:
    static QVariant keyOf(const std::vector<Field>& fields, const Record& record, int field) {
        const Field& f = fields.at(size_t(field));
        return f.key ? f.key(record) : f.text(record);
    }
    // How the rows' queries read the records, from any thread: each function holds the records
    // and the fields it reads.
    RecordRows::Reader reader() const {
        RecordRows::Reader reader;
        reader.count = records_->size();
        reader.key = [records = records_, fields = fields_](size_t record, int field) {
            return keyOf(*fields, *(*records)[record], field);
        };
        if (deleted_)
            reader.deleted = [records = records_, deleted = deleted_](size_t record) {
                return deleted(*(*records)[record]);
            };
        for (const Text& text : searched_)
            reader.searched.push_back(
                [records = records_, text](size_t record) { return text(*(*records)[record]).toString(); });
        return reader;
    }

    std::shared_ptr<const std::vector<Field>> fields_;
    std::function<bool(const Record&)> deleted_;
    std::vector<Text> searched_;
};
