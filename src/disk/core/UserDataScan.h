// The user-data scan: walks the device's media area from "/" and hands every folder and regular
// file to the sink, each folder after everything below it (the folder tree relies on that
// order), adding up the bytes of the regular files. Other entries (links that lead nowhere,
// devices) are skipped. Progress is the share of top-level entries done.
// Runs on one worker thread; items go to the sink in batches.
#pragma once

#include "disk/core/DiskDeviceServices.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace disk {

struct UserDataItem {
    std::string path;      // absolute device path
    bool isFile = false;   // a regular file; else a folder
    uint64_t size = 0;     // "st_size" of a file
    std::string sizeText;  // its size as the pages show it; empty for a folder
};

class UserDataSink {
public:
    virtual ~UserDataSink() = default;
    // Called on the worker with the items found since the last call, in walk order, and the
    // progress reached after them when a top-level entry was completed; returns once taken.
    virtual void deliver(std::vector<UserDataItem> items, std::optional<float> progress) = 0;
};

class UserDataScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::function<bool()> deviceConnected;         // false ends the walk after the current entry
        const std::atomic<bool>* stop = nullptr;       // true ends the walk after the current entry
        size_t batchSize = 512;                        // items per hand-over at most
        std::chrono::milliseconds batchInterval{100};  // and at least this often while items come
    };

    UserDataScan(DiskDeviceServices& services, Options options, UserDataSink& sink);

    enum class Outcome { Finished, NoService, Disconnected, Stopped };
    Outcome startScanUserData();

    // Bytes of the regular files handed over.
    uint64_t allUserDataFileSize() const { return total_; }
    uint64_t fileCount() const { return files_; }

private:
    // The walk below one folder; false when it must end (device gone, stop asked).
    bool traverseDirWithpath(const std::string& path, amd::FileService& service);
    // One entry at path; false when the walk must end.
    bool examine(const std::string& path, amd::FileService& service, bool logFile);
    bool mustEnd();
    void add(UserDataItem item);
    void flush(std::optional<float> progress);

    DiskDeviceServices& services_;
    Options options_;
    UserDataSink& sink_;
    std::vector<UserDataItem> batch_;
    std::chrono::steady_clock::time_point lastFlush_;
    Outcome ending_ = Outcome::Finished;
    uint64_t total_ = 0;
    uint64_t files_ = 0;
};

}  // namespace disk
