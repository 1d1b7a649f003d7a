// A large table read in parts side by side. The rows of "SELECT columns FROM table" come in the
// order a plain walk of the table gives them (by row id); the row ids are read in stretches on
// threads and connections of their own (to the same prepared database) and made into items
// there, and the items are handed over in that order on the calling thread as each stretch is
// made, a few stretches ahead at most (read), or each part's rows kept by the part's own reader
// where the caller finds them (readEach: nothing is held twice). A call history of a million rows
// is read in a fraction of the time one connection takes.
//
// A table too small to gain, a table without row ids, or a query SQLite would answer other than
// by walking the table is read plainly, on the calling thread. A part or stretch whose thread or
// connection fails is read again on the calling thread, so no row is lost.
#pragma once

#include "backup/BackupDatabase.h"
#include "platform/Prefetch.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
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

namespace detail {

// Parts first and on of a read, each on a thread and connection of its own (to the same prepared
// database): from 1 while the calling thread reads part 0, from 0 while it hands the parts' rows
// over. readPart(connection, k) reads part k and says whether it read it whole.
class PartThreads {
public:
    template <class ReadPart>
    PartThreads(BackupDatabase& db, size_t first, size_t parts, const ReadPart& readPart)
        : first_(first), whole_(parts, 0) {
        for (size_t k = first; k < parts; ++k) {
            try {
                // Each thread its own copy of readPart, which may be a temporary of the caller's.
                threads_.emplace_back([&db, readPart, this, k] {
                    BackupDatabase own(db.prepared());
                    whole_[k] = own.isOpen() && readPart(own, k);
                });
            } catch (const std::system_error&) {
                break;  // no thread: the parts left are read on the calling thread
            }
        }
    }
    ~PartThreads() {
        for (std::thread& thread : threads_)
            if (thread.joinable()) thread.join();
    }
    PartThreads(const PartThreads&) = delete;
    PartThreads& operator=(const PartThreads&) = delete;

    // Waits for part k (from first): false when it is to be read again on the calling thread.
    bool join(size_t k) {
        if (k - first_ >= threads_.size()) return false;
        threads_[k - first_].join();
        return whole_[k] != 0;
    }

private:
    size_t first_;
    std::vector<std::thread> threads_;
    std::vector<char> whole_;  // by part; not vector<bool>, whose elements share bytes across threads
};

}  // namespace detail

namespace detail {

// The stretches of a read handed out in order, to the calling thread and to the parts' threads,
// none more than `ahead` stretches past the first the calling thread has not yet handed over:
// what is made and waits is then a few stretches' items, not most of the table's.
class Stretches {
public:
    enum class State : uint8_t { free, reading, whole, failed };
    Stretches(size_t count, size_t ahead) : states_(count, State::free), ahead_(ahead) {}

    // On a part's thread: the next stretch to read, waiting while the window is full; none when
    // every stretch is taken.
    std::optional<size_t> next();
    // On a part's thread: stretch s was read, whole or not.
    void read(size_t s, bool whole);
    // On the calling thread: waits until stretch s is read or taken by nobody, and answers
    // which; a free one is then the calling thread's to read.
    State waitFor(size_t s);
    // On the calling thread: stretch s was handed over, the window moves on.
    void handedOver(size_t s);
    // No stretch is handed out any more (the calling thread stops early): the parts' threads
    // end rather than wait for a window that no longer moves.
    void stop();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<State> states_;
    size_t next_ = 0;        // the first stretch nobody took
    size_t handedOver_ = 0;  // the stretches before it were handed over
    size_t ahead_;
};

// The stretches of the row ids the parts span, each about kRowsPerStretch of them.
std::vector<Part> stretchesOf(const std::vector<Part>& parts);

}  // namespace detail

// Reads the rows of source: newMaker() is called once per stretch of rows on the thread that
// reads it and gives a maker, whose calls (one per row, on that thread) give the items; take(item)
// gets every item in order on the calling thread. The parts' threads read stretches a little
// ahead of the one handed over, so that few items wait made at any time. False when the table
// cannot be read (no such table or column).
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
    const std::vector<Part> stretches = detail::stretchesOf(parts);
    auto readStretch = [&](BackupDatabase& on, size_t s, auto&& use) {
        auto make = newMaker();
        return on.query(sql, {stretches[s].first, stretches[s].last},
                        [&](const BackupDatabase::Row& row) { use(make(row)); });
    };
    // Two stretches in the making or waiting for each thread keep every thread busy while the
    // calling thread hands the first over.
    detail::Stretches order(stretches.size(), 2 * parts.size());
    std::vector<std::vector<Item>> made(stretches.size());
    // As many threads read stretches as there are parts, the calling thread handing their items
    // over (costing a part's thread a small share of its work): were it to read too, a read in
    // two parts would read on one thread, or it would hand a stretch over only once it had read
    // one of its own. It reads a stretch only where no thread took it (no thread could start).
    // A thread whose connection does not open takes no stretch: the others read them.
    detail::PartThreads threads(db, 0, parts.size(), [&](BackupDatabase& own, size_t) {
        while (const std::optional<size_t> s = order.next())
            order.read(*s, readStretch(own, *s, [&](Item&& item) { made[*s].push_back(std::move(item)); }));
        return true;
    });
    // Should take() throw, the parts' threads are let go before they are joined.
    struct Stop {
        detail::Stretches& order;
        ~Stop() { order.stop(); }
    } stop{order};
    bool readFirst = false;
    for (size_t s = 0; s < stretches.size(); ++s) {
        const detail::Stretches::State state = order.waitFor(s);
        if (state == detail::Stretches::State::whole) {
            std::vector<Item>& items = made[s];
            for (size_t i = 0; i < items.size(); ++i) {
                // An item made on another thread is not in this one's cache: a record is asked
                // for a few items before it is handed over.
                if constexpr (requires { items[i].get(); })
                    if (i + kAhead < items.size()) prefetchShared(items[i + kAhead].get());
                take(std::move(items[i]));
            }
            if (s == 0) readFirst = true;
        } else {
            // Free (read here) or failed on its thread (what it made is dropped, and it is read
            // again here, so that no row is lost).
            const bool whole = readStretch(db, s, [&](Item&& item) { take(std::move(item)); });
            if (s == 0) readFirst = whole;
        }
        std::vector<Item>().swap(made[s]);
        order.handedOver(s);
    }
    return readFirst;
}

// Reads the rows of source with nothing handed over between threads: each part's rows go, in
// order and on that part's thread, to a reader of its own, which keeps what it makes of them
// where the caller finds it by the part's number. newReader(k) gives the reader of part k, on
// the calling thread, for k = 0, 1... in turn before a row is read (once, for a table read
// plainly); the parts' rows in the order of their numbers are the rows of one walk of the table.
// A part whose thread or connection fails is read again on the calling thread by a new reader
// from newReader(k), which drops what the first one kept. False when the table cannot be read
// (no such table or column).
template <class NewReader>
bool readEach(BackupDatabase& db, const Source& source, const std::string& columns, NewReader newReader,
              size_t maxParts = partsForThisMachine()) {
    const std::vector<Part> parts = plan(db, source, columns, maxParts);
    if (parts.empty()) {
        auto reader = newReader(size_t{0});
        return db.query(plainQuery(source, columns), [&](const BackupDatabase::Row& row) { reader(row); });
    }
    std::vector<std::optional<decltype(newReader(size_t{0}))>> readers(parts.size());
    for (size_t k = 0; k < parts.size(); ++k) readers[k].emplace(newReader(k));
    const std::string sql = partQuery(source, columns);
    auto readPart = [&](BackupDatabase& on, size_t k) {
        return on.query(sql, {parts[k].first, parts[k].last},
                        [&](const BackupDatabase::Row& row) { (*readers[k])(row); });
    };
    detail::PartThreads threads(db, 1, parts.size(), readPart);
    const bool readFirst = readPart(db, 0);
    for (size_t k = 1; k < parts.size(); ++k) {
        if (threads.join(k)) continue;
        readers[k].reset();
        readers[k].emplace(newReader(k));
        readPart(db, k);
    }
    return readFirst;
}

}  // namespace tableparts
