// The readers that the backup browser runs on a backup folder, in its order, each
// synchronously on the calling thread and posting on the given centre.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <functional>
#include <string>
#include <vector>

// Every notification name the readers post (the names the result screen observes).
const std::vector<std::string>& backupReaderNotificationNames();
// The manifest, then the databases: contacts, messages, notes, calls, bookmarks, calendar.
// contactsRead, when given, is called once the schema flags are set and the contacts read.
void runBackupReaders(const std::string& backupFolder, PRBackupScanState& state, NSNotificationCenter& nc,
                      const std::function<void()>& contactsRead = nullptr);

// Every notification name the transfer readers post (the names the one-click copy observes).
const std::vector<std::string>& transferReaderNotificationNames();
// The transfer variants of the database readers, in the same order, on a backup folder made
// for the transfer pages; the contacts stay in the state's transfer contact list.
void runTransferReaders(const std::string& backupFolder, PRBackupScanState& state, NSNotificationCenter& nc);
