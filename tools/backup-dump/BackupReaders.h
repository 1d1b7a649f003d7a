// The readers that the backup browser runs on a backup folder, in its order, each
// synchronously on the calling thread and posting on the given centre.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/Notice.h"

#include <functional>
#include <string>
#include <vector>

// Every notification the readers and carvers post (those the result screen observes).
const std::vector<const NoticeName*>& backupReaderNotices();
// The manifest, then the databases: contacts, messages, notes, calls, bookmarks, calendar.
// namesRead, when given, is called once the schema flags are set and the contacts and the
// message groups (which name the parties of carved messages) are read; contactsMayStart, when
// given, before the contacts are read, and may wait.
void runBackupReaders(const std::string& backupFolder, PRBackupScanState& state, NSNotificationCenter& nc,
                      const std::function<void()>& namesRead = nullptr,
                      const std::function<void()>& contactsMayStart = nullptr);

// Every notification the transfer readers post (those the one-click copy observes).
const std::vector<const NoticeName*>& transferReaderNotices();
// The transfer variants of the database readers, in the same order, on a backup folder made
// for the transfer pages; the contacts stay in the state's transfer contact list.
void runTransferReaders(const std::string& backupFolder, PRBackupScanState& state, NSNotificationCenter& nc);
