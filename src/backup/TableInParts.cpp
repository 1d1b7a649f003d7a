#include "backup/TableInParts.h"

#include "platform/UsableCores.h"

#include <algorithm>

namespace tableparts {

namespace {
// Fewer rows than this to a part would cost more in connections and threads than they save.
constexpr int64_t kRowsPerPart = 32768;
constexpr size_t kMostParts = 4;
// Rows to a stretch of a read handed over in order: enough that a query's start costs nothing
// beside its rows, few enough that the stretches waiting hold a small share of a large table.
constexpr int64_t kRowsPerStretch = 4096;
// Row ids far apart (a table whose ids were set by hand) make no more stretches than this.
constexpr uint64_t kMostStretches = 1024;
}  // namespace

std::string plainQuery(const Source& source, const std::string& columns) {
    return "select " + columns + " from " + source.table + (source.join.empty() ? "" : " " + source.join);
}

std::string partQuery(const Source& source, const std::string& columns) {
    return plainQuery(source, columns) + " where " + source.table + ".rowid between ?1 and ?2";
}

// As many parts as cores: the parts' threads do the reading, the calling thread (and whatever
// takes its items) only hands the rows on, and takes a core's share at most.
size_t partsForThisMachine() { return std::clamp<size_t>(usablecores::workerCores(), 1, kMostParts); }

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

namespace detail {

std::optional<size_t> Stretches::next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return next_ >= states_.size() || next_ < handedOver_ + ahead_; });
    if (next_ >= states_.size()) return std::nullopt;
    states_[next_] = State::reading;
    return next_++;
}

void Stretches::read(size_t s, bool whole) {
    {
        std::lock_guard lock(mutex_);
        states_[s] = whole ? State::whole : State::failed;
    }
    changed_.notify_all();
}

Stretches::State Stretches::waitFor(size_t s) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return states_[s] != State::reading; });
    const State state = states_[s];
    if (state == State::free) {
        // Every stretch before it was taken: it is the next, now the calling thread's.
        states_[s] = State::reading;
        next_ = s + 1;
    }
    return state;
}

void Stretches::handedOver(size_t s) {
    {
        std::lock_guard lock(mutex_);
        handedOver_ = s + 1;
    }
    changed_.notify_all();
}

void Stretches::stop() {
    {
        std::lock_guard lock(mutex_);
        next_ = states_.size();
    }
    changed_.notify_all();
}

std::vector<Part> stretchesOf(const std::vector<Part>& parts) {
    if (parts.empty()) return {};
    const auto first = static_cast<uint64_t>(parts.front().first), last = static_cast<uint64_t>(parts.back().last);
    const uint64_t span = last - first + 1;
    const uint64_t count = std::clamp<uint64_t>(span / kRowsPerStretch, parts.size(), kMostStretches);
    std::vector<Part> stretches(static_cast<size_t>(count));
    for (uint64_t k = 0; k < count; ++k) {
        stretches[k].first = static_cast<int64_t>(first + span / count * k);
        stretches[k].last =
            k + 1 == count ? static_cast<int64_t>(last) : static_cast<int64_t>(first + span / count * (k + 1) - 1);
    }
    return stretches;
}

}  // namespace detail

}  // namespace tableparts
