#include "CraftedFiles.h"

#include "CarvingFixtures.h"
#include "CraftedLog.h"
#include "FixtureDatabase.h"
#include "backup/layouts/IosSchemas.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace carvefix {

namespace {

std::vector<uint8_t> be(uint64_t value, int bytes) {
    std::vector<uint8_t> out(static_cast<size_t>(bytes));
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) out[static_cast<size_t>(i)] = static_cast<uint8_t>(value);
    return out;
}

// A call's cell as the newer call table lays it out, claiming a payload of payload bytes whose
// overflow pages begin at page firstOverflow: its local part fills the page's room up to there.
std::vector<uint8_t> callCellWithOverflow(int pageSize, uint32_t payload, uint32_t firstOverflow) {
    const int usable = pageSize, maxLocal = usable - 35, minLocal = (usable - 12) * 32 / 255 - 23;
    int local =
        minLocal + static_cast<int>((payload - static_cast<uint32_t>(minLocal)) % static_cast<uint32_t>(usable - 4));
    if (local > maxLocal) local = minLocal;
    std::vector<uint8_t> cell = {static_cast<uint8_t>(0x80 | (payload >> 14 & 0x7f)),
                                 static_cast<uint8_t>(0x80 | (payload >> 7 & 0x7f)),
                                 static_cast<uint8_t>(payload & 0x7f), 0x05};  // row id 5
    // The record header: ROWID (NULL), an address whose text takes the rest, the date, the
    // duration and the flags, then the later columns NULL.
    const uint32_t text = payload - 15 - 4 - 2;
    const uint32_t serial = 13 + 2 * text;
    std::vector<uint8_t> record = {15,
                                   0,
                                   static_cast<uint8_t>(0x80 | (serial >> 14 & 0x7f)),
                                   static_cast<uint8_t>(0x80 | (serial >> 7 & 0x7f)),
                                   static_cast<uint8_t>(serial & 0x7f),
                                   4,
                                   1,
                                   1,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0};
    record.resize(static_cast<size_t>(local), 'x');
    cell.insert(cell.end(), record.begin(), record.end());
    const std::vector<uint8_t> next = be(firstOverflow, 4);
    cell.insert(cell.end(), next.begin(), next.end());
    return cell;
}

// Calls into the call table of db, from first on, each third of them deleted after; the table
// has the columns named, whatever their order.
void addCalls(FixtureDatabase& db, const std::string& columns, int first, int count) {
    std::string marks;
    for (size_t k = 0, n = static_cast<size_t>(std::count(columns.begin(), columns.end(), ',')) + 1; k < n; ++k)
        marks += k ? ", ?" : "?";
    db.exec("BEGIN;");
    for (int i = first; i < first + count; ++i) {
        std::vector<Value> values;
        for (size_t at = 0; at < columns.size();) {
            const size_t comma = std::min(columns.find(',', at), columns.size());
            const std::string column = columns.substr(at, comma - at);
            if (column == "address" || column == "name")
                values.emplace_back(column + " +1555000" + std::to_string(1000 + i));
            else
                values.emplace_back(int64_t{column == "date" ? 1300000000 + 3600 * i : i % 2 ? 5 : 4});
            at = comma + 1;
        }
        db.run("INSERT INTO call (" + columns + ") VALUES (" + marks + ")", values);
    }
    db.exec("COMMIT;");
    db.exec("DELETE FROM call WHERE ROWID % 3 = 0 AND ROWID >= " + std::to_string(first) + ";");
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

bool writeCraftedFiles(const std::string& folder, int pageSize) {
    constexpr int kPages = 48;
    bool ok = true;
    {
        // Table leaves whose gaps are full of cells whose overflow chains loop on one page.
        PageFile file(pageSize, kPages);
        const uint32_t loop = kPages;
        file.put(file.pageStart(kPages - 1), be(loop, 4));
        for (int page = 1; page < kPages - 1; ++page) {
            file.tableLeaf(page, 0);
            file.put(file.pageStart(page) + 3, be(0, 2));
            const std::vector<uint8_t> cell = callCellWithOverflow(pageSize, 40000, loop);
            for (int64_t at = 8; at + static_cast<int64_t>(cell.size()) <= pageSize;
                 at += static_cast<int64_t>(cell.size()))
                file.put(file.pageStart(page) + at, cell);
        }
        ok = file.write(folder + "/crafted-looping-overflow") && ok;
    }
    {
        // Freeblock lists that go back over their blocks, a free list whose trunk names itself and
        // an interior page that is its own child.
        PageFile file(pageSize, kPages);
        file.put(32, be(2, 4));  // the first trunk page
        file.put(36, be(1, 4));
        file.put(file.pageStart(1), be(2, 4));  // the trunk names itself as the next
        file.put(file.pageStart(1) + 4, be(1, 4));
        file.put(file.pageStart(1) + 8, be(2, 4));
        file.put(file.pageStart(2), std::vector<uint8_t>{0x05, 0, 0, 0, 0, 0, 0, 0});
        file.put(file.pageStart(2) + 8, be(3, 4));  // its right-most child: itself
        for (int page = 3; page < kPages; ++page) {
            file.tableLeaf(page, 0);
            file.put(file.pageStart(page) + 3, be(0, 2));
            // Blocks of the whole page, each naming one a byte further on.
            file.put(file.pageStart(page) + 1, be(16, 2));
            for (int at = 16; at + 4 <= pageSize; at += 1) {
                file.put(file.pageStart(page) + at, be(static_cast<uint64_t>(at + 1), 2));
                file.put(file.pageStart(page) + at + 2, be(static_cast<uint64_t>(pageSize - at), 2));
            }
        }
        ok = file.write(folder + "/crafted-looping-lists") && ok;
    }
    {
        // A call history whose last deletions are still in its write-ahead log, the log after the
        // file.
        const std::string path = folder + "/crafted-with-log.db";
        {
            FixtureDatabase db(path, pageSize, false);
            db.exec(iosschema::callHistory(iosschema::Ios::v6));
            db.exec("BEGIN;");
            for (int i = 0; i < 300; ++i)
                db.run("INSERT INTO call (address, date, duration, flags) VALUES (?, ?, ?, 5)",
                       {"+1555000" + std::to_string(1000 + i), int64_t{1300000000} + 3600 * i, int64_t{i}});
            db.exec("COMMIT;");
            db.exec("DELETE FROM call WHERE ROWID % 7 = 0;");
            db.keepWritingInLog();
            db.exec("DELETE FROM call WHERE ROWID % 5 = 0;");
            db.exec("INSERT INTO call (address, date, duration, flags) VALUES ('+15559990000', 1400000000, 3, 4);");
            ok = db.ok() && ok;
        }
        std::vector<uint8_t> bytes = readBytes(path);
        const std::vector<uint8_t> log = readBytes(path + "-wal");
        bytes.insert(bytes.end(), log.begin(), log.end());
        for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
        ok = !log.empty() && writeBytes(folder + "/crafted-with-log", bytes) && ok;
    }
    {
        // The same history with logs SQLite cannot use: another page size, a table's page
        // overwritten, a commit that says 0xFFFFFFFF pages.
        const std::string path = folder + "/crafted-unusable.db";
        {
            FixtureDatabase db(path, pageSize, false);
            db.exec(iosschema::callHistory(iosschema::Ios::v6));
            db.exec("BEGIN;");
            for (int i = 0; i < 200; ++i)
                db.run("INSERT INTO call (address, date, duration, flags) VALUES (?, ?, ?, 5)",
                       {"+1555100" + std::to_string(1000 + i), int64_t{1300000000} + 3600 * i, int64_t{i}});
            db.exec("COMMIT;");
            db.exec("DELETE FROM call WHERE ROWID % 3 = 0;");
            ok = db.ok() && ok;
        }
        const std::vector<uint8_t> main = readBytes(path);
        const std::pair<UnusableLog, const char*> kinds[] = {{UnusableLog::OtherPageSize, "other-page-size"},
                                                             {UnusableLog::TablePageOverwritten, "table-overwritten"},
                                                             {UnusableLog::HugeCommit, "huge-commit"}};
        for (const auto& [kind, name] : kinds) {
            const std::vector<uint8_t> log = unusableLog(path, kind, "call");
            std::vector<uint8_t> bytes = main;
            bytes.insert(bytes.end(), log.begin(), log.end());
            ok = !log.empty() && writeBytes(folder + "/crafted-log-" + name, bytes) && ok;
        }
        for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
    }
    ok = writeCraftedSchemas(folder, pageSize) && ok;
    return ok;
}

bool writeCraftedSchemas(const std::string& folder, int pageSize) {
    bool ok = true;
    const std::string path = folder + "/crafted-schema.db";
    auto take = [&](const char* name, bool withLog) {
        std::vector<uint8_t> bytes = readBytes(path);
        if (withLog) {
            const std::vector<uint8_t> log = readBytes(path + "-wal");
            ok = !log.empty() && ok;
            bytes.insert(bytes.end(), log.begin(), log.end());
        }
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
        ok = writeBytes(folder + "/" + name, bytes) && ok;
    };
    {
        // The call table's names quoted every way SQLite takes, with comments and constraints.
        FixtureDatabase db(path, pageSize, false);
        db.exec(
            "CREATE TABLE \"call\" ( -- the calls, (quoted\n"
            "[ROWID] INTEGER PRIMARY KEY AUTOINCREMENT, 'address' TEXT /* , a comment ( */, `date` \"INTEGER\","
            "\"duration\" INTEGER DEFAULT (0), flags INTEGER CHECK (flags IN (4, 5)),"
            "\"id\" INTEGER NOT NULL DEFAULT -1, [name] TEXT COLLATE NOCASE, country_code 'TEXT')");
        addCalls(db, "address,date,duration,flags,name", 1, 40);
        ok = db.ok() && ok;
    }
    take("crafted-schema-quoting", false);
    {
        // Columns in another order, two of them added by ALTER TABLE between rows.
        FixtureDatabase db(path, pageSize, false);
        db.exec(
            "CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, date INTEGER, address TEXT, flags "
            "INTEGER)");
        addCalls(db, "date,address,flags", 1, 30);
        db.exec("ALTER TABLE call ADD COLUMN duration INTEGER DEFAULT 0;");
        db.exec("ALTER TABLE call ADD COLUMN name TEXT;");
        addCalls(db, "date,address,flags,duration,name", 31, 30);
        ok = db.ok() && ok;
    }
    take("crafted-schema-grown", false);
    {
        // A table whose statement SQLite would never take: the carvers fall back on the layouts they know.
        FixtureDatabase db(path, pageSize, false);
        db.exec(iosschema::callHistory(iosschema::Ios::v6));
        addCalls(db, "address,date,duration,flags,name", 1, 40);
        db.exec("PRAGMA writable_schema=ON;");
        db.exec(
            "UPDATE sqlite_master SET sql = 'CREATE TABLE call (ROWID INTEGER PRIMARY KEY, address TEXT, (' "
            "WHERE name = 'call';");
        ok = db.ok() && ok;
    }
    take("crafted-schema-unparsed", false);
    {
        // The file's schema and the log's disagree: the log renamed the call table and made a new
        // one of other columns, and rows were deleted in both.
        FixtureDatabase db(path, pageSize, false);
        db.exec(iosschema::callHistory(iosschema::Ios::v6));
        addCalls(db, "address,date,duration,flags,name", 1, 40);
        db.keepWritingInLog();
        db.exec("ALTER TABLE call RENAME TO call_before;");
        db.exec("CREATE TABLE call (ROWID INTEGER PRIMARY KEY, flags INTEGER, name TEXT, date INTEGER, address TEXT);");
        addCalls(db, "flags,name,date,address", 100, 40);
        db.exec("DELETE FROM call_before WHERE ROWID % 4 = 1;");
        ok = db.ok() && ok;
    }
    take("crafted-schema-log", true);
    return ok;
}

}  // namespace carvefix
