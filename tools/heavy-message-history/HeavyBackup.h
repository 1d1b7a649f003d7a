// A heavy user's backup: the sample iPhone's backup (iOS 6) whose message database is a natural
// one of many messages in many conversations, 30% of them deleted as a phone deletes them
// (tools/make-carving-fixtures), alone in a backup folder as the backup browser lists them.
#pragma once

#include <string>

namespace heavyhistory {

struct HistorySize {
    int messages = 1600000;
    int conversations = 2000;
};

// The backup's folder under backupRoot, written unless a backup of that size is there already
// (a kept home measured again); empty when it could not be written. made tells which.
std::string heavyBackup(const std::string& backupRoot, const HistorySize& size, bool* made = nullptr);

}  // namespace heavyhistory
