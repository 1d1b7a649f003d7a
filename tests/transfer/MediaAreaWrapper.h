// The device's real media-area services with the file copy passed through a test's own hook:
// a copy that takes its time, or one that the device refuses half-way.
#pragma once

#include "disk/core/DiskDeviceServices.h"

#include <functional>
#include <memory>

namespace transfertest {

class MediaAreaWrapper : public disk::DiskDeviceServices {
public:
    // Called for every copy with the real service; its answer is the copy's.
    using CopyHook = std::function<int(amd::FileService& inner, const std::string& from, files::NewFile& into)>;
    explicit MediaAreaWrapper(CopyHook hook) : hook_(std::move(hook)) {}

    std::unique_ptr<amd::FileService> startMediaArea(int index) override {
        auto inner = disk::deviceDiskServices().startMediaArea(index);
        return inner ? std::make_unique<Service>(std::move(inner), hook_) : nullptr;
    }
    bool lookupApplications(int, std::vector<disk::DeviceApp>&, int*) override { return false; }
    bool appContainerOpens(int, const std::string&) override { return false; }
    IconResult iconPNGData(int, const std::string&, std::vector<uint8_t>&, int*) override {
        return IconResult::NoService;
    }

private:
    struct Service : amd::FileService {
        Service(std::unique_ptr<amd::FileService> s, CopyHook h) : inner(std::move(s)), hook(std::move(h)) {}
        bool ListDirectory(const std::string& p, std::vector<std::string>& n) override {
            return inner->ListDirectory(p, n);
        }
        bool FileInfo(const std::string& p, amd::FileEntry& e) override { return inner->FileInfo(p, e); }
        int CopyToLocal(const std::string& from, files::NewFile& into) override { return hook(*inner, from, into); }
        std::unique_ptr<amd::FileService> inner;
        CopyHook hook;
    };
    CopyHook hook_;
};

}  // namespace transfertest
