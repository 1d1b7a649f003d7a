// The disk benchmarks' device services with a clock: the time spent inside every device call
// is added up, so that a benchmark can tell the share of its time spent outside them.
#pragma once

#include "disk/core/DiskDeviceServices.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace benchdisk {

using Clock = std::chrono::steady_clock;

inline std::atomic<int64_t> g_deviceNanos{0};

struct Timer {
    Clock::time_point start = Clock::now();
    ~Timer() { g_deviceNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count(); }
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
    int CopyToLocal(const std::string& d, const std::string& l) override {
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
    std::unique_ptr<disk::DeviceFileService> startAppDir(int d, const std::string& b) override {
        Timer t;
        auto s = inner_.startAppDir(d, b);
        return s ? std::make_unique<TimedFileService>(std::move(s)) : nullptr;
    }
    bool lookupApplications(int d, std::vector<disk::DeviceApp>& a, int* s) override {
        Timer t;
        return inner_.lookupApplications(d, a, s);
    }
    bool appContainerOpens(int d, const std::string& b) override {
        Timer t;
        return inner_.appContainerOpens(d, b);
    }
    IconResult iconPNGData(int d, const std::string& b, std::vector<uint8_t>& p, int* s) override {
        Timer t;
        return inner_.iconPNGData(d, b, p, s);
    }

private:
    disk::DiskDeviceServices& inner_;
};

}  // namespace benchdisk
