// The device backup tool: a separate program that backs an attached device up into a legacy
// iTunes backup folder or restores it from one. The application runs it as a child process and
// blocks the calling thread until it exits, so callers run it on a worker thread.
#pragma once

#include <string>
#include <vector>

namespace backuptool {

// Overrides the tool's launch path (tests point it at a stand-in).
inline constexpr const char* kLaunchPathVariable = "QUILLOMATRIX_BACKUP_TOOL";

// $QUILLOMATRIX_BACKUP_TOOL when set and not empty, else "mobilebackup" beside the running
// executable.
std::string launchPath();

// Runs the tool with arguments and waits for it to exit. The child sees exactly the simulated
// devices attached in this process (QUILLOMATRIX_SIMULATED_DEVICES lists their folders), as
// the real tool sees the devices plugged in. Returns the exit status (0 on success), or -1 when
// the tool could not be started. With message, the tool's standard error is kept there.
int run(const std::vector<std::string>& arguments, std::string* message = nullptr);

// Backs the device up. Without a folder: "--backup", "--target", identifier, into the user's
// iTunes backup folder. With one (used as given: the caller maps its own fixed paths): the
// folder is created first, then "--backup", "--root", folder, "--target", identifier, which
// writes folder/identifier.
int backupDevice(const std::string& identifier, const std::string& folder = {}, std::string* message = nullptr);

// The exit status of a restore that was written but left out records of the backup: the tool
// names each on standard error, and counts them on its last line.
inline constexpr int kRestoreLeftOutRecords = 6;

// Restores the device from its own backup in the user's iTunes backup folder:
// "--restore", "--target", identifier, "--source", identifier. Any exit status but 0 is a
// failure; with message, the tool's last line on standard error (what it ended with) is kept there.
int restoreDevice(const std::string& identifier, std::string* message = nullptr);

}  // namespace backuptool
