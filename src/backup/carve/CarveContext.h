// What a carver takes from the application: the scan state (the arrays the carvers add to, the
// schema flags and the contact-name look-up), the notification centre it posts on, and where a
// missing database is logged. Carvers read the backup's files as they lie, never writing them.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <functional>
#include <string>

namespace carve {

struct CarveContext {
    CarveContext(PRBackupScanState& scanState, NSNotificationCenter& center);

    PRBackupScanState& state;
    NSNotificationCenter* nc;
    // The log line of a missing database; standard error unless set.
    std::function<void(const std::string&)> log;

    // The contact name for a phone number, empty when no contact matches.
    std::string nameFor(const std::string& phone) const;
    void writeLog(const std::string& line) const;
};

}  // namespace carve
