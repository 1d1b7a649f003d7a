// Where the files of the parts of multimedia messages lie in a backup. iOS 4 and 5 keep each in
// the media domain as Library/SMS/Parts/<folder>/<folder>/<message id>-<part id>.<extension>;
// the two folders' names come from nothing the messages database holds, so the files are found
// by their names among the backup's manifest records.
#pragma once

#include "model/PRRecord.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class MessagePartFiles {
public:
    // Reads the backup's manifest ("Manifest.mbdb") for the part files it lists; a backup
    // without one lists none.
    explicit MessagePartFiles(const std::string& backupFolder);

    // The path of the backup file holding a message's part; nothing where the backup holds none.
    PROptionalText fileOf(int64_t messageId, int64_t partId) const;

private:
    std::string folder_;
    std::unordered_map<std::string, std::string> keyByName_;  // "874-1" to its backup file's key
};
