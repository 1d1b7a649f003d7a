// The device calls of a benchmark with a clock: the time spent inside every call of a file
// service (and of whatever a benchmark wraps in a Timer) is added up, so that a benchmark can
// tell the share of its time spent outside them.
#pragma once

#include "device/FileService.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace bench {

inline std::atomic<int64_t> g_deviceNanos{0};

struct Timer {
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    ~Timer() { g_deviceNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count(); }
};

class TimedFileService final : public amd::FileService {
public:
    explicit TimedFileService(std::unique_ptr<amd::FileService> inner) : inner_(std::move(inner)) {}
    ~TimedFileService() override {
        Timer t;
        inner_.reset();
    }
    bool ListDirectory(const std::string& p, std::vector<std::string>& n) override {
        Timer t;
        return inner_->ListDirectory(p, n);
    }
    bool FileInfo(const std::string& p, amd::FileEntry& e) override {
        Timer t;
        return inner_->FileInfo(p, e);
    }
    int RemovePath(const std::string& p) override {
        Timer t;
        return inner_->RemovePath(p);
    }
    int CopyToLocal(const std::string& d, files::NewFile& into) override {
        Timer t;
        return inner_->CopyToLocal(d, into);
    }
    int CopyToDevice(const std::string& l, const std::string& d) override {
        Timer t;
        return inner_->CopyToDevice(l, d);
    }

    // s wrapped, or null.
    static std::unique_ptr<amd::FileService> wrap(std::unique_ptr<amd::FileService> s) {
        return s ? std::make_unique<TimedFileService>(std::move(s)) : nullptr;
    }

private:
    std::unique_ptr<amd::FileService> inner_;
};

}  // namespace bench
