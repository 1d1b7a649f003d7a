#include "FakeCleanDevice.h"

#include "platform/MobileDevice.h"

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cstdio>

namespace {

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string join(const std::string& folder, const std::string& name) {
    return (folder == "/" ? "" : folder) + "/" + name;
}

}  // namespace

class FakeCleanDevice::Service final : public amd::FileService {
public:
    Service(FakeCleanDevice& device, std::string area) : device_(device), area_(std::move(area)) {
        const int now = ++device_.open_;
        int seen = device_.maxOpen_;
        while (now > seen && !device_.maxOpen_.compare_exchange_weak(seen, now)) {}
    }
    ~Service() override { --device_.open_; }

    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        std::lock_guard<std::mutex> lock(device_.mutex_);
        if (!device_.connected_) return false;
        Area& a = device_.areas_[area_];
        auto it = a.children.find(path);
        if (it == a.children.end()) return false;
        names = it->second;
        return true;
    }
    bool FileInfo(const std::string& path, amd::FileEntry& info) override {
        if (!device_.alive()) return false;
        std::lock_guard<std::mutex> lock(device_.mutex_);
        Area& a = device_.areas_[area_];
        auto it = a.entries.find(path);
        if (it == a.entries.end()) return false;
        info.kind = it->second.dir ? amd::FileEntry::Kind::Directory : amd::FileEntry::Kind::Regular;
        info.size = it->second.dir ? 68 : it->second.size;
        info.sizeText = std::to_string(info.size);
        return true;
    }
    int RemovePath(const std::string& path) override {
        if (device_.beforeRemove) device_.beforeRemove(area_, path);
        std::lock_guard<std::mutex> lock(device_.mutex_);
        if (!device_.connected_) return 11;
        Area& a = device_.areas_[area_];
        auto it = a.entries.find(path);
        if (it == a.entries.end()) return 8;
        if (a.refused.count(path)) return 10;
        if (it->second.dir && !a.children[path].empty()) return 33;
        a.entries.erase(it);
        a.children.erase(path);
        auto& siblings = a.children[parentOf(path)];
        const std::string name = path.substr(parentOf(path) == "/" ? 1 : parentOf(path).size() + 1);
        siblings.erase(std::remove(siblings.begin(), siblings.end(), name), siblings.end());
        return 0;
    }
    int CopyToLocal(const std::string& devicePath, files::NewFile& into) override {
        uint64_t size = 0;
        {
            std::lock_guard<std::mutex> lock(device_.mutex_);
            if (!device_.connected_) return 1;
            Area& a = device_.areas_[area_];
            auto it = a.entries.find(devicePath);
            if (it == a.entries.end() || it->second.dir) return 1;
            size = it->second.size;
        }
        const std::string bytes(size, 'x');
        return into.write(bytes.data(), bytes.size()) ? 0 : 1;
    }

    int CopyToDevice(const std::string& localPath, const std::string& devicePath) override {
        FILE* in = std::fopen(localPath.c_str(), "rb");
        if (!in) return 1;
        uint64_t size = 0;
        while (std::fgetc(in) != EOF) ++size;
        std::fclose(in);
        std::lock_guard<std::mutex> lock(device_.mutex_);
        if (!device_.connected_) return 1;
        Area& a = device_.areas_[area_];
        auto it = a.entries.find(devicePath);
        if (it != a.entries.end() && it->second.dir) return 1;
        if (!a.entries.count(parentOf(devicePath)) && parentOf(devicePath) != "/") return 1;
        device_.addChild(a, parentOf(devicePath),
                         devicePath.substr(parentOf(devicePath) == "/" ? 1 : parentOf(devicePath).size() + 1),
                         Entry{false, size});
        return size > 0 ? 0 : 1;
    }

private:
    FakeCleanDevice& device_;
    std::string area_;
};

bool FakeCleanDevice::alive() {
    if (disconnectAfter_ >= 0 && disconnectAfter_-- == 0) connected_ = false;
    return connected_;
}

void FakeCleanDevice::ensureFolder(Area& area, const std::string& path) {
    if (path == "/") {
        area.children["/"];
        return;
    }
    if (area.entries.count(path)) return;
    ensureFolder(area, parentOf(path));
    const std::string parent = parentOf(path);
    addChild(area, parent, path.substr(parent == "/" ? 1 : parent.size() + 1), Entry{true, 0});
    area.children[path];
}

void FakeCleanDevice::addChild(Area& area, const std::string& folder, const std::string& name, Entry entry) {
    const std::string path = join(folder, name);
    if (!area.entries.count(path)) area.children[folder].push_back(name);
    area.entries[path] = entry;
    if (entry.dir) area.children[path];
}

void FakeCleanDevice::addApp(const std::string& bundleId, const std::string& displayName, bool hasIcon) {
    std::lock_guard<std::mutex> lock(mutex_);
    apps_[bundleId] = {displayName, hasIcon};
    appInfo_[bundleId] = {bundleId, displayName, "User", "1.0", "1.0"};
    areas_[bundleId].children["/"];
}

void FakeCleanDevice::setAppType(const std::string& bundleId, const std::string& applicationType) {
    std::lock_guard<std::mutex> lock(mutex_);
    appInfo_[bundleId].applicationType = applicationType;
}

void FakeCleanDevice::setAppVersions(const std::string& bundleId, const std::string& shortVersion,
                                     const std::string& bundleVersion) {
    std::lock_guard<std::mutex> lock(mutex_);
    appInfo_[bundleId].shortVersion = shortVersion;
    appInfo_[bundleId].bundleVersion = bundleVersion;
}

bool FakeCleanDevice::isEmptyFile(const std::string& area, const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = areas_.find(area);
    if (it == areas_.end()) return false;
    auto entry = it->second.entries.find(path);
    return entry != it->second.entries.end() && !entry->second.dir && entry->second.size == 0;
}

void FakeCleanDevice::addFile(const std::string& area, const std::string& path, uint64_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    Area& a = areas_[area];
    ensureFolder(a, parentOf(path));
    addChild(a, parentOf(path), path.substr(parentOf(path) == "/" ? 1 : parentOf(path).size() + 1), Entry{false, size});
}

void FakeCleanDevice::addDir(const std::string& area, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    ensureFolder(areas_[area], path);
}

void FakeCleanDevice::addRawFile(const std::string& area, const std::string& folder, const std::string& name,
                                 uint64_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    Area& a = areas_[area];
    ensureFolder(a, folder);
    addChild(a, folder, name, Entry{false, size});
}

bool FakeCleanDevice::exists(const std::string& area, const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = areas_.find(area);
    return it != areas_.end() && it->second.entries.count(path);
}

std::vector<std::string> FakeCleanDevice::filesUnder(const std::string& area, const std::string& folder) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> files;
    auto it = areas_.find(area);
    if (it == areas_.end()) return files;
    for (const auto& [path, entry] : it->second.entries)
        if (!entry.dir && path.rfind(folder + "/", 0) == 0) files.push_back(path);
    return files;
}

uint64_t FakeCleanDevice::bytesUnder(const std::string& area, const std::string& folder) const {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t bytes = 0;
    auto it = areas_.find(area);
    if (it == areas_.end()) return 0;
    for (const auto& [path, entry] : it->second.entries)
        if (!entry.dir && path.rfind(folder + "/", 0) == 0) bytes += entry.size;
    return bytes;
}

void FakeCleanDevice::refuseRemoval(const std::string& area, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    areas_[area].refused.insert(path);
}

void FakeCleanDevice::failContainer(const std::string& bundleId) {
    std::lock_guard<std::mutex> lock(mutex_);
    failedContainers_.insert(bundleId);
}

std::unique_ptr<amd::FileService> FakeCleanDevice::startAppDir(int, const std::string& bundleId, int* status) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!connected_ || failedContainers_.count(bundleId) || !apps_.count(bundleId)) {
            if (status) *status = kAMDApplicationNotFoundError;
            return nullptr;
        }
    }
    ++started_;
    return std::make_unique<Service>(*this, bundleId);
}

std::unique_ptr<amd::FileService> FakeCleanDevice::startMediaArea(int, int* status) {
    if (!connected_ || mediaFails_) {
        if (status) *status = kAMDDeviceDisconnectedError;
        return nullptr;
    }
    ++started_;
    return std::make_unique<Service>(*this, kMedia);
}

bool FakeCleanDevice::lookupApplications(int, std::vector<clean::InstalledApp>& apps, int* status) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_ || appListStatus_.load() != 0) {
        if (status) *status = connected_ ? appListStatus_.load() : kAMDDeviceDisconnectedError;
        return false;
    }
    for (const auto& [id, app] : apps_) {
        clean::InstalledApp info = appInfo_[id];
        info.bundleId = id;
        info.displayName = app.first;
        apps.push_back(info);
    }
    return true;
}

FakeCleanDevice::IconResult FakeCleanDevice::iconPNGData(int, const std::string& bundleId, std::vector<uint8_t>& png,
                                                         int*) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (iconServiceFails_ || !connected_) return IconResult::NoService;
    auto it = apps_.find(bundleId);
    if (it == apps_.end() || !it->second.second) return IconResult::NoIcon;
    QImage icon(8, 8, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    icon.save(&buffer, "PNG");
    png.assign(bytes.begin(), bytes.end());
    return IconResult::Icon;
}
