// The readers that the backup browser runs on a backup folder, in its order, each
// synchronously on the calling thread and posting on the given centre.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <string>
#include <vector>

// Every notification name the readers post (the names the result screen observes).
const std::vector<std::string>& backupReaderNotificationNames();
void runBackupReaders(const std::string& backupFolder, PRBackupScanState& state, NSNotificationCenter& nc);
