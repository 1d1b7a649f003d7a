#include "FakeDiskDevice.h"

#include <QBuffer>
#include <QImage>
#include <cstdio>

namespace {

// The device takes a path without a leading "/" from its root.
std::string absolute(const std::string& path) { return !path.empty() && path[0] == '/' ? path : "/" + path; }

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

class FakeFileService final : public amd::FileService {
public:
    explicit FakeFileService(FakeDiskDevice& device) : device_(device) {}
    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        auto it = device_.entries.find(absolute(path));
        if (it == device_.entries.end() || it->second.kind != amd::FileEntry::Kind::Directory) return false;
        names.insert(names.end(), it->second.children.begin(), it->second.children.end());
        return true;
    }
    bool FileInfo(const std::string& path, amd::FileEntry& entry) override {
        ++device_.fileInfoCalls;
        if (device_.onFileInfo) device_.onFileInfo(path);
        auto it = device_.entries.find(absolute(path));
        if (it == device_.entries.end()) return false;
        entry.kind = it->second.kind;
        entry.size = it->second.size;
        entry.mtime = it->second.mtime;
        return true;
    }
    int CopyToLocal(const std::string& devicePath, files::NewFile& into) override {
        ++device_.copyCalls;
        auto it = device_.contents.find(absolute(devicePath));
        if (it == device_.contents.end()) return 1;
        return into.write(it->second.data(), it->second.size()) ? 0 : 1;
    }

private:
    FakeDiskDevice& device_;
};

}  // namespace

void FakeDiskDevice::link(const std::string& given, amd::FileEntry::Kind kind, uint64_t size) {
    const std::string path = absolute(given);
    if (entries.count(path)) return;
    const std::string parent = parentOf(path);
    if (!entries.count(parent)) link(parent, amd::FileEntry::Kind::Directory, 0);
    entries[parent].children.push_back(path.substr(path.rfind('/') + 1));
    Entry& e = entries[path];
    e.kind = kind;
    e.size = size;
}

void FakeDiskDevice::addFile(const std::string& path, uint64_t size) {
    link(path, amd::FileEntry::Kind::Regular, size);
}
void FakeDiskDevice::addFile(const std::string& path, const std::string& bytes) {
    link(path, amd::FileEntry::Kind::Regular, bytes.size());
    contents[absolute(path)] = bytes;
}

void FakeDiskDevice::addFolder(const std::string& path) { link(path, amd::FileEntry::Kind::Directory, 0); }
void FakeDiskDevice::addOther(const std::string& path) { link(path, amd::FileEntry::Kind::Other, 0); }

disk::DeviceApp& FakeDiskDevice::addApp(const std::string& bundleId, const std::string& type) {
    disk::DeviceApp app;
    app.bundleId = bundleId;
    app.identifier = bundleId;
    app.applicationType = type;
    app.displayName = bundleId.substr(bundleId.rfind('.') + 1);
    app.bundleName = app.displayName;
    app.path = "/Applications/" + app.displayName + ".app";
    app.shortVersion = "1.0";
    app.bundleVersion = "100";
    apps.push_back(app);
    return apps.back();
}

std::unique_ptr<amd::FileService> FakeDiskDevice::startMediaArea(int) {
    ++mediaAreaStartsCount;
    if (!mediaAreaStarts) return nullptr;
    return std::make_unique<FakeFileService>(*this);
}

bool FakeDiskDevice::lookupApplications(int, std::vector<disk::DeviceApp>& out, int* status) {
    if (!appListReadable) {
        if (status) *status = appListStatus;
        return false;
    }
    out = apps;
    return true;
}

bool FakeDiskDevice::appContainerOpens(int, const std::string& bundleId) { return !closedContainers.count(bundleId); }

disk::DiskDeviceServices::IconResult FakeDiskDevice::iconPNGData(int, const std::string& bundleId,
                                                                 std::vector<uint8_t>& png, int*) {
    if (!iconServiceStarts) return IconResult::NoService;
    if (appsWithoutIcon.count(bundleId)) return IconResult::NoIcon;
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    png.assign(bytes.begin(), bytes.end());
    return IconResult::Icon;
}
