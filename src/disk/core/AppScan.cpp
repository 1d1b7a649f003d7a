#include "disk/core/AppScan.h"

#include "model/PRRecordFields.h"

#include <QtDebug>
#include <map>

namespace disk {

std::string AppScan::systemAppIconName(const std::string& bundleId) {
    static const std::map<std::string, std::string> icons = {
        {"com.apple.Passbook", "Passbookapp.tiff"},
        {"com.apple.AppStore", "appstore.png"},
        {"com.apple.calculator", "Calculatorapp.tiff"},
        {"com.apple.mobilenotes", "Notesapp.tiff"},
        {"com.apple.mobileslideshow", "Photosapp.tiff"},
        {"com.apple.MobileSMS", "Messagesapp.tiff"},
        {"com.apple.mobilesafari", "Safariapp.tiff"},
        {"com.apple.videos", "Videosapp.tiff"},
        {"com.apple.Music", "Musicapp.tiff"},
        {"com.apple.mobilemail", "Mailapp.tiff"},
        {"com.apple.mobiletimer", "Clockapp.tiff"},
        {"com.apple.Maps", "Mapsapp.tiff"},
        {"com.apple.MobileAddressBook", "Contactsapp.tiff"},
        {"com.apple.Preferences", "Settingsapp.tiff"},
        {"com.apple.gamecenter.GameCenterUIService", "Game Centerapp.tiff"},
        {"com.apple.facetime", "FaceTimeapp.tiff"},
        {"com.apple.mobilephone", "Phoneapp.tiff"},
        {"com.apple.mobilecal", "Calendar Officialapp.tiff"},
        {"com.apple.camera", "Cameraapp.tiff"},
        {"com.apple.weather", "Weatherapp.tiff"},
        {"com.apple.reminders", "Remindersapp.tiff"},
    };
    auto it = icons.find(bundleId);
    return it == icons.end() ? std::string("appstore.png") : it->second;
}

std::string AppScan::versionOf(const DeviceApp& app) {
    return app.shortVersion.empty() ? app.bundleVersion : app.shortVersion;
}

AppScan::AppScan(DiskDeviceServices& services, Options options, AppScanSink& sink)
    : services_(services), options_(std::move(options)), sink_(sink) {}

bool AppScan::userRecord(const DeviceApp& app, AppScanRecord& record) {
    if (!services_.appContainerOpens(options_.deviceIndex, app.bundleId)) return false;
    record.userApp = true;
    switch (services_.iconPNGData(options_.deviceIndex, app.bundleId, record.iconPNG)) {
    case DiskDeviceServices::IconResult::Icon: break;
    case DiskDeviceServices::IconResult::NoIcon: record.iconImageName = "NULLImage.png"; break;
    case DiskDeviceServices::IconResult::NoService: break;
    }
    record.filePath = app.path;
    record.appDisplayName = app.displayName;
    record.appBundleName = app.bundleId;
    record.appBundleId = app.identifier;
    record.appSizeNumber = app.staticDiskUsage;
    record.appDocumentSizeNumber = app.dynamicDiskUsage;
    record.appSize = sizeText(app.staticDiskUsage);
    record.appDocumentSize = sizeText(app.dynamicDiskUsage);
    record.totalAppSizeNumber = app.staticDiskUsage + app.dynamicDiskUsage;
    record.appVersion = versionOf(app);
    record.fileType = "DIR";
    return true;
}

AppScanRecord AppScan::systemRecord(const DeviceApp& app) const {
    qInfo("dict====%s", app.description.c_str());
    AppScanRecord record;
    record.appBundleName = app.bundleName;
    // Counted in characters as a person reads them, not in bytes.
    const bool shortName = QString::fromStdString(app.displayName).size() < 2;
    record.appDisplayName = shortName ? app.bundleName : app.displayName;
    record.appBundleId = app.identifier;
    record.iconImageName = systemAppIconName(app.identifier);
    record.filePath = app.path;
    record.appVersion = versionOf(app);
    if (app.hasStaticDiskUsage) {
        record.fileType = "App";
        record.appSizeNumber = app.staticDiskUsage;
        record.appDocumentSizeNumber = app.dynamicDiskUsage;
        record.appSize = sizeText(app.staticDiskUsage);
        record.appDocumentSize = sizeText(app.dynamicDiskUsage);
    } else {
        record.fileType = "Service";
        record.appSize = " ";
        record.appDocumentSize = " ";
    }
    return record;
}

AppScan::Outcome AppScan::startScanDeviceApps() {
    std::vector<DeviceApp> apps;
    failureReason_.clear();
    int status = 1;  // a service that fails without saying why is simply not available
    if (!services_.lookupApplications(options_.deviceIndex, apps, &status)) {
        failureReason_ = amd::appListFailure(status);
        return Outcome::NoService;
    }
    const size_t n = apps.size();
    size_t k = 0;
    for (const DeviceApp& app : apps) {
        if (options_.stop && options_.stop->load()) return Outcome::Stopped;
        if (options_.deviceConnected && !options_.deviceConnected()) return Outcome::Disconnected;
        AppScanRecord record;
        if (app.applicationType == "User") {
            if (!userRecord(app, record)) continue;
            total_ += app.staticDiskUsage;
            total_ += app.dynamicDiskUsage;
        } else if (app.applicationType == "System") {
            record = systemRecord(app);
        } else {
            continue;
        }
        ++k;
        sink_.deliver(std::move(record), float(k) / float(n));
    }
    return Outcome::Finished;
}

}  // namespace disk
