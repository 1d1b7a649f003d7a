// Disk services that add the time spent inside every device call to g_deviceNanos, so that a
// benchmark can report its own work apart from the device's.
#pragma once

#include "disk/core/DiskDeviceServices.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

inline std::atomic<int64_t> g_deviceNanos{0};

struct Timer {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    ~Timer() { g_deviceNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count(); }
};

// Counts the time spent inside every device call.
class TimedFileService final : public disk::DeviceFileService {
public:
    explicit TimedFileService(std::unique_ptr<disk::DeviceFileService> inner) : inner_(std::move(inner)) {}
    ~TimedFileService() override {
        Timer t;
        inner_.reset();
    }
    bool ListDirectory(const std::string& p, std::vector<std::string>& n) override {
        Timer t;
        return inner_->ListDirectory(p, n);
    }
    bool FileInfo(const std::string& p, disk::DeviceEntry& e) override {
        Timer t;
        return inner_->FileInfo(p, e);
    }
    bool CopyToLocal(const std::string& d, const std::string& l) override {
        Timer t;
        return inner_->CopyToLocal(d, l);
    }

private:
    std::unique_ptr<disk::DeviceFileService> inner_;
};

class TimedServices final : public disk::DiskDeviceServices {
public:
    explicit TimedServices(disk::DiskDeviceServices& inner) : inner_(inner) {}
    std::unique_ptr<disk::DeviceFileService> startMediaArea(int d) override {
        Timer t;
        auto s = inner_.startMediaArea(d);
        return s ? std::make_unique<TimedFileService>(std::move(s)) : nullptr;
    }
    bool lookupApplications(int d, std::vector<disk::DeviceApp>& a) override { return inner_.lookupApplications(d, a); }
    bool appContainerOpens(int d, const std::string& b) override { return inner_.appContainerOpens(d, b); }
    IconResult iconPNGData(int d, const std::string& b, std::vector<uint8_t>& p) override {
        return inner_.iconPNGData(d, b, p);
    }

private:
    disk::DiskDeviceServices& inner_;
};

