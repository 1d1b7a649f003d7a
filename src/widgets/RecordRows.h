// The rows a record table shows, worked out from its records: all of them or only the deleted
// ones, those whose searched texts contain a text (ignoring case), in array order or in the
// order of one column. What a query needs of the records is read once and kept for the next
// one: a column's order as a rank per record (columnranks), the deleted marks, the searched
// texts folded. Records may change while they are shown (a conversation takes in its deleted
// messages): a column's order is kept with a digest of each record's key, and a query whose
// records' keys no longer match takes the order anew, so that rows always go by the values
// they show. Reading every key again costs as much as reading it the first time, so a caller
// in a hurry may take the kept order first and check it afterwards (orderHolds). Queries may
// run on any thread, one after another or at once, and a query that is no longer wanted stops
// early.
#pragma once

#include "widgets/ColumnRanks.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace foldedtext {
class Column;
}

class RecordRows {
public:
    using Row = uint32_t;  // a record's index in its array
    using Cancelled = columnranks::Cancelled;

    // How the records are read. The functions are called on the thread of a query, so they read
    // only what stays as it is while the table shows the records.
    struct Reader {
        size_t count = 0;
        std::function<QVariant(size_t record, int field)> key;        // a field's sort key
        std::function<bool(size_t record)> deleted;                   // none: no record is deleted
        std::vector<std::function<QString(size_t record)>> searched;  // the texts a search looks in
    };

    struct Query {
        bool deletedOnly = false;
        QString search;      // empty: every record
        int sortField = -1;  // -1: array order
        bool descending = false;
        // The same records, whatever their order.
        bool sameRecords(const Query& other) const {
            return deletedOnly == other.deletedOnly && search == other.search;
        }
        bool operator==(const Query& other) const = default;
    };

    explicit RecordRows(Reader reader);
    ~RecordRows();
    size_t count() const { return reader_.count; }

    // The records the query shows, in order (records of equal keys in array order, either way);
    // nothing when cancelled said so first. Unless checkOrder is false, in the order of the
    // values they hold now.
    std::optional<std::vector<Row>> rows(const Query& query, const Cancelled& cancelled, bool checkOrder = true);
    // Whether rows, of a query sorted by field, hold the keys the field's kept order was taken
    // from (true when none is kept); nothing when cancelled said so first.
    std::optional<bool> orderHolds(int field, const std::vector<Row>& rows, const Cancelled& cancelled);
    // Every record in array order.
    std::vector<Row> everyRow() const;

private:
    // A column's order as taken, with what it was taken from.
    struct Order {
        std::vector<columnranks::Rank> ranks;
        std::vector<uint64_t> digests;  // of each record's key then
    };
    // The field's order, taken anew when none is kept or (with check) a key of rows changed
    // since it was; null when cancelled said so first.
    std::shared_ptr<const Order> order(int field, const std::vector<Row>& rows, bool check, const Cancelled& cancelled);
    std::shared_ptr<const Order> keptOrder(int field);
    // Whether the keys of rows are those the order was taken from; nothing when cancelled.
    std::optional<bool> holds(const Order& order, int field, const std::vector<Row>& rows,
                              const Cancelled& cancelled) const;
    std::shared_ptr<const std::vector<char>> deletedMarks(const Cancelled& cancelled);
    std::shared_ptr<const foldedtext::Column> searchedTexts(const Cancelled& cancelled);

    Reader reader_;
    std::mutex mutex_;  // guards the kept pieces below, each made once and then only read
    std::map<int, std::shared_ptr<const Order>> orders_;  // by field
    std::shared_ptr<const std::vector<char>> deleted_;
    std::shared_ptr<const foldedtext::Column> searched_;
};
