#include "CraftedLog.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sqlite3.h>

namespace carvefix {

namespace {

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t bigEndianAt(const std::vector<uint8_t>& bytes, size_t at, int n) {
    uint32_t value = 0;
    for (int i = 0; i < n; ++i) value = value << 8 | bytes[at + static_cast<size_t>(i)];
    return value;
}

// The log's running checksum over big-endian words (the magic 0x377f0683 says so).
void addToChecksum(const std::vector<uint8_t>& data, size_t from, size_t size, uint32_t sum[2]) {
    for (size_t i = from; i + 8 <= from + size; i += 8) {
        sum[0] += bigEndianAt(data, i, 4) + sum[1];
        sum[1] += bigEndianAt(data, i + 4, 4) + sum[0];
    }
}

// The root page of table, read without writing beside the file; 2 when there is none.
uint32_t rootPageOf(const std::string& path, const std::string& table) {
    sqlite3* db = nullptr;
    uint32_t root = 2;
    const std::string uri = "file:" + path + "?immutable=1";
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = ?1", -1, &query,
                               nullptr) == SQLITE_OK) {
            sqlite3_bind_text(query, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(query) == SQLITE_ROW && sqlite3_column_int64(query, 0) > 0)
                root = static_cast<uint32_t>(sqlite3_column_int64(query, 0));
        }
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return root;
}

}  // namespace

std::vector<uint8_t> writeAheadLog(uint32_t pageSize, const std::vector<LogFrame>& frames) {
    const uint32_t salt[2] = {0x5a17c0de, 0x00c0ffee};
    std::vector<uint8_t> log;
    for (uint32_t word : {0x377f0683u, 3007000u, pageSize, 0u, salt[0], salt[1]}) putBigEndian(log, word);
    uint32_t sum[2] = {0, 0};
    addToChecksum(log, 0, 24, sum);
    putBigEndian(log, sum[0]);
    putBigEndian(log, sum[1]);
    for (const LogFrame& frame : frames) {
        const size_t start = log.size();
        for (uint32_t word : {frame.page, frame.commit, salt[0], salt[1]}) putBigEndian(log, word);
        std::vector<uint8_t> page = frame.bytes;
        page.resize(pageSize, 0);
        addToChecksum(log, start, 8, sum);
        addToChecksum(page, 0, page.size(), sum);
        putBigEndian(log, sum[0]);
        putBigEndian(log, sum[1]);
        log.insert(log.end(), page.begin(), page.end());
    }
    return log;
}

std::vector<uint8_t> unusableLog(const std::string& databasePath, UnusableLog kind, const std::string& table) {
    std::ifstream in(databasePath, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 100) return {};
    uint32_t pageSize = bigEndianAt(file, 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0 || file.size() < pageSize) return {};
    const auto pages = static_cast<uint32_t>(file.size() / pageSize);
    const uint32_t root = rootPageOf(databasePath, table);
    switch (kind) {
    case UnusableLog::OtherPageSize: {
        // The table's page again, at half (or twice) the database's page size.
        const uint32_t other = pageSize > 512 ? pageSize / 2 : pageSize * 2;
        return writeAheadLog(other, {{root, pages, {}}});
    }
    case UnusableLog::TablePageOverwritten: {
        // A leaf of a table whose cells point anywhere: what a page of another file would look like.
        std::vector<uint8_t> page(pageSize);
        uint32_t noise = 0x9e3779b9;
        for (uint8_t& b : page) {
            noise = noise * 1664525 + 1013904223;
            b = static_cast<uint8_t>(noise >> 24);
        }
        page[0] = 0x0d;
        return writeAheadLog(pageSize, {{root, pages, page}});
    }
    case UnusableLog::HugeCommit: {
        // The first page unchanged, committed with a database of 0xFFFFFFFF pages.
        const std::vector<uint8_t> first(file.begin(), file.begin() + pageSize);
        return writeAheadLog(pageSize, {{1, 0xFFFFFFFFu, first}});
    }
    }
    return {};
}

bool writeUnusableLog(const std::string& databasePath, UnusableLog kind, const std::string& table) {
    const std::vector<uint8_t> log = unusableLog(databasePath, kind, table);
    if (log.empty()) return false;
    std::remove((databasePath + "-shm").c_str());
    std::ofstream out(databasePath + "-wal", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(log.data()), static_cast<std::streamsize>(log.size()));
    return static_cast<bool>(out);
}

}  // namespace carvefix
