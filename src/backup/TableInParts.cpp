#include "backup/TableInParts.h"

#include "platform/UsableCores.h"

#include <algorithm>

namespace tableparts {

namespace {
// Fewer rows than this to a part would cost more in connections and threads than they save.
constexpr int64_t kRowsPerPart = 32768;
constexpr size_t kMostParts = 4;
}  // namespace

std::string plainQuery(const Source& source, const std::string& columns) {
    return "select " + columns + " from " + source.table + (source.join.empty() ? "" : " " + source.join);
}

std::string partQuery(const Source& source, const std::string& columns) {
    return plainQuery(source, columns) + " where " + source.table + ".rowid between ?1 and ?2";
}

size_t partsForThisMachine() { return std::clamp<size_t>(usablecores::workerCores() / 2, 1, kMostParts); }

std::vector<Part> plan(BackupDatabase& db, const Source& source, const std::string& columns, size_t maxParts) {
    if (maxParts < 2) return {};
    // Only where the plain query walks the table itself: its rows then come in row id order,
    // which the parts keep. (An index that covers the columns would give another order.) A row
    // of a joined table is looked up by its row id for each row, which keeps that order.
    const std::string& table = source.table;
    bool walksTable = false, otherPlan = false;
    db.query("explain query plan " + plainQuery(source, columns), [&](const BackupDatabase::Row& row) {
        const char* detail = row.text(3);
        const std::string text = detail ? detail : "";
        const bool byRowid =
            text.rfind("SEARCH ", 0) == 0 && text.find(" USING INTEGER PRIMARY KEY (rowid=?)") != std::string::npos;
        if (text == "SCAN " + table || text == "SCAN TABLE " + table)
            walksTable = true;
        else if (source.join.empty() || !byRowid)
            otherPlan = true;
    });
    if (!walksTable || otherPlan) return {};
    std::optional<int64_t> first, last;
    // A table without row ids has no "rowid" column: the query fails and the table is read plainly.
    // Asked apart: SQLite finds a lone min() or max() of the row id at one end of the table, but
    // walks every row for both in one query.
    db.query("select min(rowid) from " + table, [&](const BackupDatabase::Row& row) { first = row.wholeNumber(0); });
    db.query("select max(rowid) from " + table, [&](const BackupDatabase::Row& row) { last = row.wholeNumber(0); });
    if (!first || !last || *last < *first) return {};
    const uint64_t span = static_cast<uint64_t>(*last) - static_cast<uint64_t>(*first) + 1;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(maxParts, span / kRowsPerPart));
    if (count < 2) return {};
    std::vector<Part> parts(count);
    const uint64_t step = span / count;
    for (size_t k = 0; k < count; ++k) {
        parts[k].first = static_cast<int64_t>(static_cast<uint64_t>(*first) + k * step);
        parts[k].last =
            k + 1 == count ? *last : static_cast<int64_t>(static_cast<uint64_t>(*first) + (k + 1) * step - 1);
    }
    return parts;
}

}  // namespace tableparts
