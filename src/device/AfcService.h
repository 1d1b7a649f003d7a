// File access to a device over AFC: the media area (AfcService), one app's container
// (AppDirService, through house arrest) and the whole file system of a device that offers it
// (Afc2Service). Make one with new, Start it on a device index, use it from one thread, delete it.
#pragma once

#include "device/BaseService.h"
#include "platform/NewFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace amd {

class AfcService : public BaseService {
public:
    ~AfcService() override;

    // Starts "com.apple.afc" and opens an AFC connection on it.
    int Start(int deviceIndex) override;

    // A file reference (mode 1 read, 2 write), 0 on failure.
    uint64_t FileOpen(const std::string& path, uint64_t mode);
    int FileClose(uint64_t ref);
    // The whole device file; empty when it cannot be read.
    std::vector<uint8_t> ReadFile(const std::string& path);
    // 0 once every byte was written; 1 without a connection, else the device's status. Written as
    // CopyToDevice writes: a failure leaves what path held.
    int WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
    // 0 when the file was copied whole and held at least one byte (AfcCalls.h says more).
    int CopyToLocal(const std::string& devicePath, const std::string& localPath);
    // Reads the file whole into a new local file: 0 once every byte was read.
    int CopyToLocal(const std::string& devicePath, files::NewFile& into);
    // Note the order: the local path comes first.
    int CopyToDevice(const std::string& localPath, const std::string& devicePath);
    int RemovePath(const std::string& path);
    // New dictionary of the entry's attributes ("st_ifmt", "st_size", "st_mtime", ...), or NULL.
    CFMutableDictionaryRef FileInfo(const std::string& path);
    // New array of the folder's names without "." and "..", or NULL.
    CFMutableArrayRef ListDirectory(const std::string& path);
    int MakeDirectory(const std::string& path);
    int Rename(const std::string& from, const std::string& to);
    int TransferApplication(const std::string& path, am_device_progress_callback callback);

protected:
    int startAfc(int deviceIndex, const char* serviceName);

    AFCConnectionRef afc = nullptr;
};

class AppDirService : public AfcService {
public:
    using AfcService::Start;
    // Opens the container of the app bundleId through house arrest.
    int Start(int deviceIndex, CFStringRef bundleId);
};

class Afc2Service : public AfcService {
public:
    int Start(int deviceIndex) override;
};

}  // namespace amd
