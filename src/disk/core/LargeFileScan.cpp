#include "disk/core/LargeFileScan.h"

#include "device/ServiceReplies.h"
#include "model/PRRecordFields.h"

#include <QtDebug>
#include <algorithm>

namespace disk {

struct LargeFileScan::AppContext {
    const DeviceApp* app = nullptr;
    uint64_t currentAppFileSizeNumber = 0;
    bool iconFetched = false;
    std::shared_ptr<const std::vector<uint8_t>> iconPNG;
    std::string iconImageName;
};

std::string largeFilePathLabel(const std::string& path) {
    // Counted in characters, not bytes: a cut inside a UTF-8 sequence would show garbage.
    const QString text = QString::fromStdString(path);
    if (text.size() < 36) return path;
    return ("..." + text.right(34)).toStdString();
}

LargeFileScan::LargeFileScan(DiskDeviceServices& services, Options options, LargeFileSink& sink)
    : services_(services), options_(std::move(options)), sink_(sink) {}

bool LargeFileScan::mustEnd() {
    if (options_.stop && options_.stop->load()) {
        ending_ = Outcome::Stopped;
        return true;
    }
    if (options_.deviceConnected && !options_.deviceConnected()) {
        ending_ = Outcome::Disconnected;
        return true;
    }
    return false;
}

void LargeFileScan::hit(const std::string& path, uint64_t size, AppContext* app) {
    LargeFileRecord record;
    record.filePath = path;
    record.fileName = path.substr(path.rfind('/') + 1);
    record.fileSize = sizeText(size);
    record.fileSizeNumber = size;
    if (app) {
        if (!app->iconFetched) {
            // Asked once per app, and only for apps with a hit.
            app->iconFetched = true;
            std::vector<uint8_t> png;
            switch (services_.iconPNGData(options_.deviceIndex, app->app->bundleId, png)) {
            case DiskDeviceServices::IconResult::NoService: break;
            case DiskDeviceServices::IconResult::NoIcon: app->iconImageName = "NULLImage.png"; break;
            case DiskDeviceServices::IconResult::Icon:
                app->iconPNG = std::make_shared<const std::vector<uint8_t>>(std::move(png));
                break;
            }
        }
        record.fileParentName = app->app->displayName + ".app";
        record.appBundId = app->app->bundleId;
        record.appFileSizeNumber = app->currentAppFileSizeNumber;
        record.iconPNG = app->iconPNG;
        record.iconImageName = app->iconImageName;
        allAppFileSize += size;
        (size <= kBigFileSize ? appLargeFileArray : appBigFileArray).push_back(std::move(record));
        sink_.foundAppDataFile(path);
    } else {
        allDocumentFileSize += size;
        (size <= kBigFileSize ? userDataLargeFileArray : userDataBigFileArray).push_back(std::move(record));
        sink_.foundUserDataFile(path);
    }
}

bool LargeFileScan::examine(const std::string& path, amd::FileService& service, AppContext* app) {
    amd::FileEntry entry;
    if (service.FileInfo(path, entry)) {
        if (entry.kind == amd::FileEntry::Kind::Directory) {
            if (app)
                traverseDirWithpath(path, service, *app);
            else
                traverseDirWithpath(path, service);
            if (ending_ != Outcome::Finished) return false;
        } else if (entry.kind == amd::FileEntry::Kind::Regular) {
            ++filesExamined;
            if (entry.size > options_.largeFileSize) hit(path, entry.size, app);
        }
    }
    return !mustEnd();
}

void LargeFileScan::traverseDirWithpath(const std::string& path, amd::FileService& service) {
    std::vector<std::string> names;
    if (!service.ListDirectory(path, names)) return;
    for (const std::string& name : names)
        if (!examine(path + "/" + name, service, nullptr)) return;
}

void LargeFileScan::traverseDirWithpath(const std::string& path, amd::FileService& service, AppContext& app) {
    std::vector<std::string> names;
    if (!service.ListDirectory(path, names)) return;
    for (const std::string& name : names)
        if (!examine(path + "/" + name, service, &app)) return;
}

LargeFileScan::Outcome LargeFileScan::scanFindLargeFileWithInUserData() {
    ending_ = Outcome::Finished;
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (!service) return Outcome::NoService;
    std::vector<std::string> names;
    service->ListDirectory("/", names);
    const size_t count = names.size();
    for (size_t i = 0; i < count; ++i) {
        if (!examine("/" + names[i], *service, nullptr)) return ending_;
        sink_.userDataProgress(float(i + 1) / float(count));
    }
    return Outcome::Finished;
}

void LargeFileScan::walkContainer(amd::FileService& service, AppContext& app) {
    std::vector<std::string> names;
    if (!service.ListDirectory("/", names)) return;
    for (const std::string& name : names) {
        if (name == "Library") {
            amd::FileEntry library;
            if (!service.FileInfo("/Library", library) || library.kind != amd::FileEntry::Kind::Directory) continue;
            std::vector<std::string> children;
            service.ListDirectory("/Library", children);
            for (const std::string& child : children) {
                if (child != "Caches" && child != "Cookies") continue;
                if (!examine("/Library/" + child, service, &app)) return;
            }
        } else if (name == "tmp" || name == "Documents" || (name.size() > 4 && name.ends_with(".app"))) {
            if (!examine("/" + name, service, &app)) return;
        }
    }
}

LargeFileScan::Outcome LargeFileScan::scanFindLargeFileWithInAppData() {
    ending_ = Outcome::Finished;
    std::vector<DeviceApp> apps;
    int status = 1;  // a service that fails without saying why is simply not available
    if (!services_.lookupApplications(options_.deviceIndex, apps, &status)) {
        failureReason_ = amd::appListFailure(status);
        return Outcome::NoService;
    }
    if (mustEnd()) return ending_;
    const size_t count = apps.size();
    for (size_t done = 0; done < count; ++done) {
        const DeviceApp& app = apps[done];
        std::unique_ptr<amd::FileService> service = services_.startAppDir(options_.deviceIndex, app.bundleId);
        if (service) {
            AppContext context;
            context.app = &app;
            context.currentAppFileSizeNumber = app.staticDiskUsage + app.dynamicDiskUsage;
            walkContainer(*service, context);
            if (ending_ != Outcome::Finished) return ending_;
        } else {
            qInfo("error----------");
        }
        sink_.appDataProgress(float(done + 1) / float(count));
    }
    return Outcome::Finished;
}

}  // namespace disk
