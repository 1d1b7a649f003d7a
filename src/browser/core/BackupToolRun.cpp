#include "browser/core/BackupToolRun.h"

#include "platform/BackupTool.h"
#include "platform/Paths.h"

#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace browser {
namespace {

std::mutex g_mutex;
std::set<std::string> g_running;  // identifiers whose backup runs now

// Claims the device for one run; released when the run ends, whatever happens.
class RunningClaim {
public:
    explicit RunningClaim(const std::string& identifier) : identifier_(identifier) {
        std::lock_guard<std::mutex> lock(g_mutex);
        claimed_ = g_running.insert(identifier).second;
    }
    ~RunningClaim() {
        if (!claimed_) return;
        std::lock_guard<std::mutex> lock(g_mutex);
        g_running.erase(identifier_);
    }
    bool claimed() const { return claimed_; }

private:
    std::string identifier_;
    bool claimed_ = false;
};

// The tool ends its message with a line break; the user sees one line.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// The manifest is the last file the tool puts in place: a backup has one written by this run.
bool manifestWrittenSince(const std::string& backupFolder, fs::file_time_type start) {
    std::error_code error;
    const fs::path manifest = fs::path(backupFolder) / "Manifest.mbdb";
    if (!fs::is_regular_file(manifest, error)) return false;
    const auto written = fs::last_write_time(manifest, error);
    return !error && written >= start;
}

}  // namespace

std::string BackupToolRun::backupFolderFor(const std::string& identifier, const std::string& folder) {
    // A folder the user chose or typed is used exactly as given.
    const std::string root = folder.empty() ? paths::userPath("Library/Application Support/MobileSync/Backup") : folder;
    return paths::appendingPathComponent(root, identifier);
}

bool BackupToolRun::isRunning(const std::string& identifier) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_running.count(identifier) > 0;
}

BackupRunResult BackupToolRun::run(const std::string& identifier, const std::string& folder) {
    BackupRunResult result;
    if (identifier.empty()) {
        result.status = BackupRunResult::Status::NoDevice;
        result.message = "No device is connected.";
        return result;
    }
    result.backupFolder = backupFolderFor(identifier, folder);
    RunningClaim claim(identifier);
    if (!claim.claimed()) {
        result.status = BackupRunResult::Status::AlreadyRunning;
        result.message = "A backup of this device is already running.";
        return result;
    }
    // File times may lag the clock by a tick of the file system: allow a little.
    const fs::file_time_type start = fs::file_time_type::clock::now() - std::chrono::seconds(2);
    std::string toolMessage;
    result.exitStatus = backuptool::backupDevice(identifier, folder, &toolMessage);
    toolMessage = oneLine(toolMessage);
    if (result.exitStatus != 0) {
        result.status = BackupRunResult::Status::ToolFailed;
        if (result.exitStatus < 0)
            result.message = "The backup tool could not be started (" + backuptool::launchPath() + ").";
        else
            result.message = "The backup failed" + (toolMessage.empty() ? std::string(".") : ": " + toolMessage);
        return result;
    }
    if (!manifestWrittenSince(result.backupFolder, start)) {
        result.status = BackupRunResult::Status::NothingWritten;
        result.message = "The backup tool ended without writing a backup into " + result.backupFolder + ".";
        return result;
    }
    result.status = BackupRunResult::Status::Completed;
    result.message = "The Backup operation has been completed";
    return result;
}

}  // namespace browser
