// A large table read in parts side by side. The rows of "SELECT columns FROM table" come in the
// order a plain walk of the table gives them (by row id); each part, a stretch of row ids, is
// read on a thread and connection of its own (to the same prepared database) and made into items
// there, and the items are handed over in that order on the calling thread. A call history of a
// million rows is read in a fraction of the time one connection takes.
//
// A table too small to gain, a table without row ids, or a query SQLite would answer other than
// by walking the table is read plainly, on the calling thread. A part whose thread or connection
// fails is read again on the calling thread, so no row is lost.
#pragma once

#include "backup/BackupDatabase.h"
#include "platform/Prefetch.h"

#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tableparts {

// Where the rows come from: a table, with the rows of other tables that each of its rows names
// joined by their integer primary keys (join, e.g. "left join handle on
// message.handle_id=handle.ROWID"), which leaves the table's own order as it is.
struct Source {
    Source(const char* table) : table(table) {}
    Source(std::string table, std::string join = {}) : table(std::move(table)), join(std::move(join)) {}
    std::string table;
    std::string join;
};

// Row ids from first to last, both included.
struct Part {
    int64_t first = 0;
    int64_t last = 0;
};

// The parts to read source in, at most maxParts; none when it is to be read plainly.
std::vector<Part> plan(BackupDatabase& db, const Source& source, const std::string& columns, size_t maxParts);
// As many parts as the machine has cores for, a few at most.
size_t partsForThisMachine();

// How many items ahead of handing one over its memory is asked for.
constexpr size_t kAhead = 8;

// "SELECT columns FROM table join", and the same for one part.
std::string plainQuery(const Source& source, const std::string& columns);
std::string partQuery(const Source& source, const std::string& columns);

// Reads the rows of source: newMaker() is called once per part on the part's thread and gives a
// maker, whose calls (one per row, on that thread) give the items; take(item) gets every item
// in order on the calling thread. False when the table cannot be read (no such table or column).
template <class NewMaker, class Take>
bool read(BackupDatabase& db, const Source& source, const std::string& columns, NewMaker newMaker, Take take,
          size_t maxParts = partsForThisMachine()) {
    const std::vector<Part> parts = plan(db, source, columns, maxParts);
    if (parts.empty()) {
        auto make = newMaker();
        return db.query(plainQuery(source, columns), [&](const BackupDatabase::Row& row) { take(make(row)); });
    }
    using Item = decltype(newMaker()(std::declval<const BackupDatabase::Row&>()));
    const std::string sql = partQuery(source, columns);
    auto readPart = [&](BackupDatabase& on, const Part& part, auto&& use) {
        auto make = newMaker();
        return on.query(sql, {part.first, part.last}, [&](const BackupDatabase::Row& row) { use(make(row)); });
    };
    struct Made {
        std::vector<Item> items;
        bool read = false;
    };
    std::vector<Made> made(parts.size());
    std::vector<std::thread> threads;
    for (size_t k = 1; k < parts.size(); ++k) {
        try {
            threads.emplace_back([&, k] {
                BackupDatabase own(db.prepared());
                made[k].read = own.isOpen() &&
                               readPart(own, parts[k], [&](Item&& item) { made[k].items.push_back(std::move(item)); });
            });
        } catch (const std::system_error&) {
            break;  // no thread: the parts left are read here
        }
    }
    const bool readFirst = readPart(db, parts[0], [&](Item&& item) { take(std::move(item)); });
    for (size_t k = 1; k < parts.size(); ++k) {
        if (k - 1 < threads.size()) threads[k - 1].join();
        if (made[k].read) {
            std::vector<Item>& items = made[k].items;
            for (size_t i = 0; i < items.size(); ++i) {
                // An item made on another thread is not in this one's cache: a record is asked
                // for a few items before it is handed over.
                if constexpr (requires { items[i].get(); })
                    if (i + kAhead < items.size()) prefetchShared(items[i + kAhead].get());
                take(std::move(items[i]));
            }
            std::vector<Item>().swap(items);
        } else {
            readPart(db, parts[k], [&](Item&& item) { take(std::move(item)); });
        }
    }
    return readFirst;
}

}  // namespace tableparts
