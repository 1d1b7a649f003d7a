// The personal databases of a backup that the scan reads and carves, under their backup file
// names, in the order the carvers look through them (carve/CarveAll.h).
#pragma once

#include <string>
#include <vector>

struct PersonalDatabase {
    const char* category;
    std::vector<const char*> names;  // the backup file names, newest layout first
};

const std::vector<PersonalDatabase>& personalDatabases();

// The path of database in a backup folder: its first name there as a regular file; empty when
// the backup has none.
std::string personalDatabaseIn(const std::string& folder, const PersonalDatabase& database);
