#include "device/AfcService.h"

#include "device/AfcCalls.h"
#include "device/Conversions.h"

#include <algorithm>
#include <unistd.h>

namespace amd {

AfcService::~AfcService() {
    if (afc) AFCConnectionClose(afc);
}

int AfcService::startAfc(int index, const char* serviceName) {
    int status = BaseService::Start(index);
    if (status == 0) status = StartService(serviceName);
    if (status == 0) status = AFCConnectionOpen(socket, 0, &afc);
    return status;
}

int AfcService::Start(int index) { return startAfc(index, "com.apple.afc"); }

int Afc2Service::Start(int index) { return startAfc(index, "com.apple.afc2"); }

int AppDirService::Start(int index, CFStringRef bundleId) {
    int status = BaseService::Start(index);
    if (status != 0) return status;
    return device->Lockdown([&](AMDeviceRef handle) {
        int fd = 0;
        int started = AMDeviceStartHouseArrestService(handle, bundleId, nullptr, &fd, nullptr);
        if (started != 0) return started;
        if (socket != 0) ::close(socket);
        socket = fd;
        return AFCConnectionOpen(socket, 0, &afc);
    });
}

uint64_t AfcService::FileOpen(const std::string& path, uint64_t mode) { return AfcFileOpen(afc, path, mode); }

int AfcService::FileClose(uint64_t ref) { return AfcFileClose(afc, ref); }

std::vector<uint8_t> AfcService::ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    AFCFileRef ref = AfcFileOpen(afc, path, kAFCModeRead);
    if (ref == 0) return bytes;
    uint8_t buffer[4096];
    while (true) {
        uint32_t length = sizeof buffer;
        if (AFCFileRefRead(afc, ref, buffer, &length) != 0) {
            bytes.clear();  // a part of the file is not the file
            break;
        }
        if (length == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + length);
    }
    AFCFileRefClose(afc, ref);
    return bytes;
}

int AfcService::WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    AfcReplacingWrite out(afc, path);
    out.write(bytes.data(), bytes.size());
    return out.finish();
}

int AfcService::CopyToLocal(const std::string& devicePath, const std::string& localPath) {
    uint8_t buffer[4096];
    return AfcCopyToLocal(afc, devicePath, localPath, buffer, sizeof buffer);
}

int AfcService::CopyToLocal(const std::string& devicePath, files::NewFile& into) {
    uint8_t buffer[4096];
    return AfcCopyToLocal(afc, devicePath, into, buffer, sizeof buffer);
}

int AfcService::CopyToDevice(const std::string& localPath, const std::string& devicePath) {
    return AfcCopyToDevice(afc, localPath, devicePath);
}

int AfcService::RemovePath(const std::string& path) {
    if (!afc) return 1;
    return AFCRemovePath(afc, path.c_str());
}

CFMutableDictionaryRef AfcService::FileInfo(const std::string& path) { return AfcFileInfo(afc, path); }

CFMutableArrayRef AfcService::ListDirectory(const std::string& path) { return AfcListDirectory(afc, path); }

int AfcService::MakeDirectory(const std::string& path) {
    if (!afc) return 1;
    return AFCDirectoryCreate(afc, path.c_str());
}

int AfcService::Rename(const std::string& from, const std::string& to) {
    if (!afc) return 1;
    return AFCRenamePath(afc, from.c_str(), to.c_str());
}

int AfcService::TransferApplication(const std::string& path, am_device_progress_callback callback) {
    if (socket == 0) return 1;
    CFHolder<CFStringRef> text(string_to_cfstring(path));
    return AMDeviceTransferApplication(socket, text.get(), nullptr, callback, nullptr);
}

}  // namespace amd
