// The disk benchmarks' device services with a clock (support/TimedFileService.h).
#pragma once

#include "../support/TimedFileService.h"
#include "disk/core/DiskDeviceServices.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace benchdisk {

using bench::g_deviceNanos;
using bench::Timer;
using Clock = bench::Timer::Clock;

class TimedServices final : public disk::DiskDeviceServices {
public:
    explicit TimedServices(disk::DiskDeviceServices& inner) : inner_(inner) {}
    std::unique_ptr<amd::FileService> startMediaArea(int d) override {
        Timer t;
        auto s = inner_.startMediaArea(d);
        return bench::TimedFileService::wrap(std::move(s));
    }
    std::unique_ptr<amd::FileService> startAppDir(int d, const std::string& b) override {
        Timer t;
        auto s = inner_.startAppDir(d, b);
        return bench::TimedFileService::wrap(std::move(s));
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
