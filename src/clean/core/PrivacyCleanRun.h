// The call-history clean of the attached device, which is reached only through the backup tool:
// back the device up into the iTunes backup folder, keep a private copy of that backup, delete
// the calls in the backup, restore the device from it. Each step runs only when the one before
// it succeeded, so a failure leaves the device (and, before the delete, the backup) as it was.
// Blocks on the tool: run it on a worker thread.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <utility>

namespace clean {

enum class PrivacyCleanStep { Backup, Copy, Delete, Restore };

struct PrivacyCleanOutcome {
    enum class Kind {
        Finished,
        NoDevice,           // no usable device identifier
        BackupFailed,       // the tool's backup did not exit 0
        NoNewBackup,        // the tool exited 0 but wrote no backup newer than the clean's start
        CopyFailed,         // the private copy of the backup could not be made
        NoCallHistory,      // the backup holds no call-history database
        DeleteFailed,       // the calls could not be deleted in the backup
        RestoreFailed,      // the tool's restore failed: the device is as it was
        RestoreIncomplete,  // the tool restored the device but left out records of the backup
    };
    PrivacyCleanOutcome(Kind kind = Kind::Finished, int toolStatus = 0, std::string toolMessage = {})
        : kind(kind), toolStatus(toolStatus), toolMessage(std::move(toolMessage)) {}

    Kind kind;
    int toolStatus;           // the tool's exit status for the tool failures
    std::string toolMessage;  // what the tool's restore ended with on standard error, if anything

    bool finished() const { return kind == Kind::Finished; }
    // What the page tells the user.
    QString message() const;
};

class PrivacyCleanRun {
public:
    // How the backup tool is run: the identifier in, the exit status out (and for the restore,
    // what the tool ended with on standard error).
    struct Tool {
        std::function<int(const std::string&)> backup;                 // default: backuptool::backupDevice
        std::function<int(const std::string&, std::string*)> restore;  // default: backuptool::restoreDevice
    };

    explicit PrivacyCleanRun(std::string identifier, Tool tool = {});

    // Told before each step (on the running thread).
    std::function<void(PrivacyCleanStep)> onStep;

    PrivacyCleanOutcome run();

    // The device's backup in the user's iTunes backup folder.
    static std::string backupFolderOf(const std::string& identifier);
    // The private copy of it ("/tmp/Backup/<identifier>", mapped to the private temporary folder).
    static std::string copyFolderOf(const std::string& identifier);
    // Copies folder from to to (folders and regular files; links and other entries are left
    // out), replacing what was at to only once the whole copy has been made.
    static bool replaceWithCopy(const std::string& from, const std::string& to);

private:
    void tell(PrivacyCleanStep step) const {
        if (onStep) onStep(step);
    }

    std::string identifier_;
    Tool tool_;
};

}  // namespace clean
