// The backups the backup-dump benchmarks run on, and one run of backup-dump as a child process.
#pragma once

#include "NaturalFixtures.h"

#include <filesystem>
#include <functional>
#include <string>

namespace dumpbench {

using carvefix::CarveKind;

// A backup folder holding one natural database, written once and copied afresh before each run,
// so that no run sees what an earlier one may have left beside it.
struct Backup {
    CarveKind kind;
    std::string folder;
    std::string database;
    carvefix::NaturalRows rows;  // as written: what the deleted records are scored against
    int pageSize = 4096;

    // The database's size, with its log's.
    double megabytes() const {
        std::error_code none;
        const auto log = std::filesystem::file_size(database + "-wal", none);
        return static_cast<double>(std::filesystem::file_size(database) + (none ? 0 : log)) / (1024.0 * 1024.0);
    }
    carvefix::NaturalOptions options;
    bool withLog() const { return std::filesystem::exists(database + "-wal.original"); }
    void restore() const {
        std::filesystem::copy_file(database + ".original", database, std::filesystem::copy_options::overwrite_existing);
        for (const char* suffix : {"-wal", "-shm"}) std::filesystem::remove(database + suffix);
        if (withLog()) std::filesystem::copy_file(database + "-wal.original", database + "-wal");
    }
};

// The backup of that name, written at the first call: a database of kind holding rows rows.
const Backup& backupOf(CarveKind kind, int rows, const char* name, int pageSize = 4096, int conversations = 25,
                       double inLog = 0, bool phoneHabits = false);

// About 100 MB: messages to and from 26,666 people.
const Backup& messages100MB();

// What one run of backup-dump gave: its standard output line by line (when asked for), its
// standard error whole, the peak memory of its process, the most threads it was seen to have at
// once (looked at every few milliseconds) and the processor time it took (user and system, on
// every core).
struct Run {
    bool ok = false;
    std::string errors;
    double peakMegabytes = 0;
    long mostThreads = 0;
    double cpuSeconds = 0;
};

// Runs backup-dump on the folder (with --carve when carve, --quiet when quiet), kept to the first
// cores processors when cores is not 0. Each line of its output goes to onLine when given, else
// to /dev/null.
Run runBackupDump(const std::string& folder, bool quiet, bool carve,
                  const std::function<void(const char*, size_t)>& onLine = {}, int cores = 0);

// Whether backup-dump said it looked through every page of the database.
bool everyPageLookedThrough(const Run& run, const Backup& backup);

}  // namespace dumpbench
