// File access to a device's crash-report area ("com.apple.crashreportcopymobile"). Copies go
// through a 1 MiB buffer of the object's own.
#pragma once

#include "device/BaseService.h"
#include "platform/NewFile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace amd {

class CrashReportService : public BaseService {
public:
    static constexpr uint32_t kBufferSize = 1u << 20;

    CrashReportService();
    ~CrashReportService() override;

    int Start(int deviceIndex) override;
    int CopyToLocal(const std::string& devicePath, const std::string& localPath);
    int CopyToLocal(const std::string& devicePath, files::NewFile& into);
    CFMutableDictionaryRef FileInfo(const std::string& path);
    // New array of the names in "/" that contain a "."; NULL when "/" cannot be opened.
    CFMutableArrayRef ListRoot();
    int RemovePath(const std::string& path);
    uint64_t FileOpen(const std::string& path, uint64_t mode);
    int FileClose(uint64_t ref);

private:
    AFCConnectionRef afc = nullptr;
    std::unique_ptr<uint8_t[]> buffer;
};

}  // namespace amd
