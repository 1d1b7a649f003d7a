// How the backup tool fails: an exit status and the one line it prints on standard error.
#pragma once

#include <stdexcept>
#include <string>

namespace mobilebackup {

enum ExitStatus : int {
    kSucceeded = 0,
    kFailed = 1,  // the backup or restore could not be completed
    kBadArguments = 2,
    kUnknownDevice = 3,   // no attached device has the identifier
    kNoBackup = 4,        // the restore's source backup does not exist
    kNoRoom = 5,          // the backup does not fit on the target's disk
    kSkippedRecords = 6,  // the restore was written, but records of the backup were left out
};

class ToolError : public std::runtime_error {
public:
    ToolError(ExitStatus status, const std::string& message) : std::runtime_error(message), status_(status) {}
    ExitStatus status() const { return status_; }

private:
    ExitStatus status_;
};

}  // namespace mobilebackup
