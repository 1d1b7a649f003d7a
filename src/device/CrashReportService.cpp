#include "device/CrashReportService.h"

#include "device/AfcCalls.h"

#include <cstring>

namespace amd {

CrashReportService::CrashReportService() : buffer(new uint8_t[kBufferSize]) {}

CrashReportService::~CrashReportService() {
    if (afc) AFCConnectionClose(afc);
}

int CrashReportService::Start(int index) {
    int status = BaseService::Start(index);
    if (status == 0) status = StartService("com.apple.crashreportcopymobile");
    if (status == 0) status = AFCConnectionOpen(socket, 0, &afc);
    return status;
}

int CrashReportService::CopyToLocal(const std::string& devicePath, const std::string& localPath) {
    return AfcCopyToLocal(afc, devicePath, localPath, buffer.get(), kBufferSize);
}

int CrashReportService::CopyToLocal(const std::string& devicePath, files::NewFile& into) {
    return AfcCopyToLocal(afc, devicePath, into, buffer.get(), kBufferSize);
}

CFMutableDictionaryRef CrashReportService::FileInfo(const std::string& path) { return AfcFileInfo(afc, path); }

CFMutableArrayRef CrashReportService::ListRoot() {
    return AfcListDirectory(afc, "/", [](const char* name) { return std::strchr(name, '.') != nullptr; });
}

int CrashReportService::RemovePath(const std::string& path) {
    if (!afc) return 1;
    return AFCRemovePath(afc, path.c_str());
}

uint64_t CrashReportService::FileOpen(const std::string& path, uint64_t mode) { return AfcFileOpen(afc, path, mode); }

int CrashReportService::FileClose(uint64_t ref) { return AfcFileClose(afc, ref); }

}  // namespace amd
