// When a backup was made, as its own files say: the times of the records it holds are judged
// against it (a record cannot be much younger than the backup that holds it), never against the
// present or a fixed year.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace backupdate {

// Seconds from 1970 of the backup in backupFolder: its Info.plist's "Last Backup Date", else (the
// older backups, without one) the latest time a file its Manifest.mbdb lists was changed.
// Nothing when neither says, or says a time before any phone was backed up.
std::optional<int64_t> backupDate(const std::string& backupFolder);

}  // namespace backupdate
