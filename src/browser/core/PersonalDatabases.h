// The personal databases of a backup that the scan reads and carves, under their backup file
// names, in the order the carvers look through them (carve/CarveAll.h).
#pragma once

#include <string>
#include <vector>

struct PersonalDatabase {
    const char* category;
    std::vector<const char*> names;  // the backup file names, newest layout first
    const char* holder = "";         // what the database is, in a sentence ("the call history")
    const char* records = "";        // what its records are ("calls")
};

// The sentence that names a database whose journal could not be used: "the journal of the call
// history could not be read; calls as of the last checkpoint".
std::string journalSetAsideText(const PersonalDatabase& database);

const std::vector<PersonalDatabase>& personalDatabases();

// The path of database in a backup folder: its first name there as a regular file; empty when
// the backup has none.
std::string personalDatabaseIn(const std::string& folder, const PersonalDatabase& database);
