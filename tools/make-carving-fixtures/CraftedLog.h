// Write-ahead logs that SQLite reads as sound (their salts and checksums are right) and yet cannot
// use: one whose header names another page size than its database's, one whose frame puts bytes
// no tree can read in a table's page, one whose commit says the database has 0xFFFFFFFF pages.
// For the readers, which must then read the main file as it stands, and for the carvers, which
// must not take a count in a log for room to make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace carvefix {

enum class UnusableLog { OtherPageSize, TablePageOverwritten, HugeCommit };

struct LogFrame {
    uint32_t page = 0;
    uint32_t commit = 0;  // the database's pages after the commit this frame ends; 0 inside one
    std::vector<uint8_t> bytes;
};

// A log of pageSize pages holding frames, with the salts and running checksums SQLite checks.
std::vector<uint8_t> writeAheadLog(uint32_t pageSize, const std::vector<LogFrame>& frames);

// The unusable log of that kind for the database file at path, its frame over the root page of
// table (the second page when the database has no such table); empty when the file is no
// database.
std::vector<uint8_t> unusableLog(const std::string& databasePath, UnusableLog kind, const std::string& table);
// Writes it beside the database, as its "-wal" (replacing one there); false when it cannot.
bool writeUnusableLog(const std::string& databasePath, UnusableLog kind, const std::string& table);

}  // namespace carvefix
