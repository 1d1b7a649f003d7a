// The device backup with the backup tool, as every feature runs it: the backup page into the
// user's iTunes backup folder, the transfer page and the one-click copy into a folder of their
// own. The tool runs as a child process and the call blocks until it exits, so callers run it
// on a worker thread and hand the result to the main thread themselves.
#pragma once

#include <string>

namespace browser {

struct BackupRunResult {
    enum class Status {
        Completed,       // the tool exited 0 and the backup is there
        NoDevice,        // no device identifier: nothing was started
        AlreadyRunning,  // a backup of the same device is running: nothing was started
        ToolFailed,      // the tool could not start or exited with a failure
        NothingWritten,  // the tool exited 0 but left no backup
    };
    Status status = Status::NoDevice;
    int exitStatus = -1;       // the tool's, when it ran
    std::string backupFolder;  // where the backup is (or was to be) written
    std::string message;       // the failure in words, with the tool's own message when it gave one
    bool completed() const { return status == Status::Completed; }
};

class BackupToolRun {
public:
    // Backs the device with identifier up. Without folder: into the user's iTunes backup folder
    // (its sub-folder named by the identifier). With one: into folder/identifier, the folder
    // created first; the folder is used exactly as given (a caller maps its own fixed paths
    // such as "/tmp/Backup" with paths::resolve first).
    static BackupRunResult run(const std::string& identifier, const std::string& folder = {});
    // True while a run of that device's backup is under way in this process.
    static bool isRunning(const std::string& identifier);
    // The folder a backup of identifier goes to, as run() would write it.
    static std::string backupFolderFor(const std::string& identifier, const std::string& folder = {});
};

}  // namespace browser
