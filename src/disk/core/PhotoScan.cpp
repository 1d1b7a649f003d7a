#include "disk/core/PhotoScan.h"

#include "model/PRRecordFields.h"
#include "platform/LogCategories.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace disk {

namespace {

bool containsNoCase(const std::string& name, const std::string& part) {
    auto it = std::search(name.begin(), name.end(), part.begin(), part.end(),
                          [](char a, char b) { return std::toupper(uint8_t(a)) == std::toupper(uint8_t(b)); });
    return it != name.end();
}

}  // namespace

struct PhotoScan::Source {
    const char* root;
    bool nested;        // the matching folders lie one level further down (the photo stream)
    const char* match;  // part of a matching folder's name
    const char* label;
    float scale, offset;  // progress while scanning: f * scale + offset
    float after;
};

PhotoScan::PhotoScan(DiskDeviceServices& services, Options options, PhotoScanSink& sink)
    : services_(services), options_(std::move(options)), sink_(sink) {}

bool PhotoScan::walkFolder(amd::FileService& service, const Source& source, const std::string& folder, int& made) {
    std::vector<std::string> names;
    if (!service.ListDirectory(folder, names)) return true;
    const float n = float(names.size());
    for (const std::string& name : names) {
        if (options_.stop && *options_.stop) {
            ending_ = Outcome::Stopped;
            return false;
        }
        const std::string path = folder + "/" + name;
        amd::FileEntry entry;
        if (!service.FileInfo(path, entry)) entry = amd::FileEntry{};
        auto record = std::make_shared<PRPhotoAndVideoNode>();
        record->setFileNodeName(name);
        record->setFileNodeSize(sizeText(entry.size));
        record->setFileSizeNumber(entry.size);
        record->setFileType(source.label);
        record->setFilePath(path);
        record->setFileModifyTime(GetPhoneDate(entry.mtime));
        total_ += entry.size;
        const float f = float(made + 1) / n;
        ++made;
        const float value = f * source.scale + source.offset;
        qCDebug(lcDisk, "fnumber===%f", double(value));
        sink_.deliver(record, value);
        if (options_.deviceConnected && !options_.deviceConnected()) {
            ending_ = Outcome::Disconnected;
            return false;
        }
    }
    return true;
}

PhotoScan::Outcome PhotoScan::startScanDevicePhoto() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (!service) return Outcome::NoService;
    static const Source sources[] = {
        {"/DCIM", false, "APPLE", "Camera roll", 0.35f, 0.0f, 0.35f},
        {"/PhotoStreamsData", true, "APPLE", "Photo Stream", 0.3f, 0.45f, 0.65f},
        {"/PhotoData/Sync", false, "SYNCD", "Photo Library", 0.2f, 0.65f, 0.85f},
        {"/Photos/Sync", false, "SYNCD", "Photo Library", 0.15f, 0.85f, 1.0f},
    };
    for (const Source& source : sources) {
        int made = 0;
        std::vector<std::string> rootNames;
        service->ListDirectory(source.root, rootNames);
        for (const std::string& top : rootNames) {
            const std::string topPath = std::string(source.root) + "/" + top;
            std::vector<std::string> folders;
            if (source.nested) {
                std::vector<std::string> inner;
                service->ListDirectory(topPath, inner);
                for (const std::string& name : inner)
                    if (containsNoCase(name, source.match)) folders.push_back(topPath + "/" + name);
            } else if (containsNoCase(top, source.match)) {
                folders.push_back(topPath);
            }
            for (const std::string& folder : folders)
                if (!walkFolder(*service, source, folder, made)) return ending_;
        }
        sink_.progress(source.after);
    }
    return Outcome::Finished;
}

}  // namespace disk
