#include "MemoryDiskDevice.h"

#include <fstream>
#include <sstream>

namespace {

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

class MemoryFileService final : public amd::FileService {
public:
    MemoryFileService(MemoryDiskDevice& device, MemoryDiskDevice::Area& area) : device_(device), area_(area) {}

    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        std::lock_guard<std::mutex> lock(device_.mutex);
        auto it = area_.entries.find(path);
        if (it == area_.entries.end() || !it->second.folder) return false;
        names.insert(names.end(), it->second.children.begin(), it->second.children.end());
        return true;
    }
    bool FileInfo(const std::string& path, amd::FileEntry& entry) override {
        std::lock_guard<std::mutex> lock(device_.mutex);
        auto it = area_.entries.find(path);
        if (it == area_.entries.end()) return false;
        entry.kind = it->second.folder ? amd::FileEntry::Kind::Directory : amd::FileEntry::Kind::Regular;
        entry.size = it->second.folder ? 0 : it->second.size;
        return true;
    }
    int RemovePath(const std::string& path) override {
        std::lock_guard<std::mutex> lock(device_.mutex);
        auto it = area_.entries.find(path);
        if (it == area_.entries.end() || device_.refusedRemovals.count(path)) return 1;
        if (it->second.folder && !it->second.children.empty()) return 1;
        auto& siblings = area_.entries[parentOf(path)].children;
        std::erase(siblings, path.substr(path.rfind('/') + 1));
        area_.entries.erase(it);
        return 0;
    }
    int CopyToLocal(const std::string& devicePath, files::NewFile& into) override {
        std::string bytes;
        {
            std::lock_guard<std::mutex> lock(device_.mutex);
            auto it = area_.entries.find(devicePath);
            if (it == area_.entries.end() || it->second.folder || device_.refusedCopies.count(devicePath)) return 1;
            bytes = it->second.bytes;
            if (bytes.size() < it->second.size) bytes.resize(it->second.size, 'L');
        }
        return into.write(bytes.data(), bytes.size()) ? 0 : 1;
    }
    int CopyToDevice(const std::string& localPath, const std::string& devicePath) override {
        std::ifstream in(localPath, std::ios::binary);
        if (!in) return 1;
        std::stringstream bytes;
        bytes << in.rdbuf();
        std::lock_guard<std::mutex> lock(device_.mutex);
        const std::string parent = parentOf(devicePath);
        auto folder = area_.entries.find(parent);
        if (folder == area_.entries.end() || !folder->second.folder) return 1;
        if (!area_.entries.count(devicePath)) area_.addChild(parent, devicePath.substr(devicePath.rfind('/') + 1), {});
        auto& entry = area_.entries[devicePath];
        entry.bytes = bytes.str();
        entry.size = entry.bytes.size();
        return entry.bytes.empty() ? 1 : 0;
    }

private:
    MemoryDiskDevice& device_;
    MemoryDiskDevice::Area& area_;
};

}  // namespace

void MemoryDiskDevice::Area::addChild(const std::string& folder, const std::string& name, Entry entry) {
    entries[folder].folder = true;
    entries[folder].children.push_back(name);
    entries[folder == "/" ? "/" + name : folder + "/" + name] = std::move(entry);
}

void MemoryDiskDevice::Area::addFolder(const std::string& path) {
    if (entries.count(path)) return;
    const std::string parent = parentOf(path);
    addFolder(parent);
    addChild(parent, path.substr(path.rfind('/') + 1), {true, {}, 0, {}});
}

void MemoryDiskDevice::Area::addFile(const std::string& path, const std::string& bytes) {
    const std::string parent = parentOf(path);
    addFolder(parent);
    addChild(parent, path.substr(path.rfind('/') + 1), {false, bytes, bytes.size(), {}});
}

void MemoryDiskDevice::Area::addSizedFile(const std::string& path, uint64_t size) {
    const std::string parent = parentOf(path);
    addFolder(parent);
    addChild(parent, path.substr(path.rfind('/') + 1), {false, {}, size, {}});
}

disk::DeviceApp& MemoryDiskDevice::addApp(const std::string& bundleId, const std::string& displayName,
                                          uint64_t staticBytes, uint64_t dynamicBytes) {
    disk::DeviceApp app;
    app.bundleId = app.identifier = bundleId;
    app.applicationType = "User";
    app.displayName = displayName;
    app.hasStaticDiskUsage = app.hasDynamicDiskUsage = true;
    app.staticDiskUsage = staticBytes;
    app.dynamicDiskUsage = dynamicBytes;
    apps.push_back(app);
    containers[bundleId];
    return apps.back();
}

std::unique_ptr<amd::FileService> MemoryDiskDevice::startMediaArea(int) {
    if (!mediaAreaStarts) return nullptr;
    return std::make_unique<MemoryFileService>(*this, media);
}

std::unique_ptr<amd::FileService> MemoryDiskDevice::startAppDir(int, const std::string& bundleId) {
    auto it = containers.find(bundleId);
    if (it == containers.end()) return nullptr;
    return std::make_unique<MemoryFileService>(*this, it->second);
}

bool MemoryDiskDevice::lookupApplications(int, std::vector<disk::DeviceApp>& list, int* status) {
    if (appListStatus != 0) {
        if (status) *status = appListStatus;
        return false;
    }
    list = apps;
    return true;
}

bool MemoryDiskDevice::appContainerOpens(int, const std::string& bundleId) { return containers.count(bundleId) > 0; }

disk::DiskDeviceServices::IconResult MemoryDiskDevice::iconPNGData(int, const std::string& bundleId,
                                                                   std::vector<uint8_t>& png, int*) {
    png.assign(bundleId.begin(), bundleId.end());
    return IconResult::Icon;
}

int MemoryDiskDevice::uninstallApp(int, const std::string& bundleId) {
    std::lock_guard<std::mutex> lock(mutex);
    if (refusedUninstalls.count(bundleId)) return 7;
    uninstalled.push_back(bundleId);
    return 0;
}
