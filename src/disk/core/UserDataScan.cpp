#include "disk/core/UserDataScan.h"

#include "model/PRRecordFields.h"

#include <QtDebug>

namespace disk {

UserDataScan::UserDataScan(DiskDeviceServices& services, Options options, UserDataSink& sink)
    : services_(services), options_(std::move(options)), sink_(sink) {}

bool UserDataScan::mustEnd() {
    if (options_.stop && options_.stop->load()) {
        ending_ = Outcome::Stopped;
        return true;
    }
    if (options_.deviceConnected && !options_.deviceConnected()) {
        ending_ = Outcome::Disconnected;
        return true;
    }
    return false;
}

void UserDataScan::add(UserDataItem item) {
    batch_.push_back(std::move(item));
    if (batch_.size() >= options_.batchSize || std::chrono::steady_clock::now() - lastFlush_ >= options_.batchInterval)
        flush(std::nullopt);
}

void UserDataScan::flush(std::optional<float> progress) {
    lastFlush_ = std::chrono::steady_clock::now();
    if (batch_.empty() && !progress) return;
    std::vector<UserDataItem> items;
    items.swap(batch_);
    sink_.deliver(std::move(items), progress);
}

bool UserDataScan::examine(const std::string& path, amd::FileService& service, bool logFile) {
    amd::FileEntry entry;
    if (!service.FileInfo(path, entry)) return true;
    if (entry.kind == amd::FileEntry::Kind::Directory) {
        if (!traverseDirWithpath(path, service)) return false;
        add({path, false, 0, {}});
    } else if (entry.kind == amd::FileEntry::Kind::Regular) {
        if (logFile) qInfo("dictary====%s: %llu bytes", path.c_str(), static_cast<unsigned long long>(entry.size));
        total_ += entry.size;
        ++files_;
        add({path, true, entry.size, sizeText(entry.size)});
    }
    return true;
}

bool UserDataScan::traverseDirWithpath(const std::string& path, amd::FileService& service) {
    std::vector<std::string> names;
    if (!service.ListDirectory(path, names)) return true;
    for (const std::string& name : names) {
        if (!examine(path + "/" + name, service, false)) return false;
        if (mustEnd()) return false;
    }
    return true;
}

UserDataScan::Outcome UserDataScan::startScanUserData() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (!service) return Outcome::NoService;
    lastFlush_ = std::chrono::steady_clock::now();
    std::vector<std::string> names;
    service->ListDirectory("/", names);
    const size_t n = names.size();
    for (size_t i = 0; i < n; ++i) {
        const bool goOn = examine("/" + names[i], *service, true) && !mustEnd();
        if (!goOn) {
            // What was found stays with the page; the walk ends without finishing.
            flush(std::nullopt);
            return ending_;
        }
        flush(float(i + 1) / float(n));
    }
    flush(std::nullopt);
    return Outcome::Finished;
}

}  // namespace disk
