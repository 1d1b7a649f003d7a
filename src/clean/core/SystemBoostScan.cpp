#include "clean/core/SystemBoostScan.h"

#include "model/PRRecordFields.h"
#include "platform/LogCategories.h"

#include <QStringList>
#include <QtDebug>

namespace clean {

namespace {

// Longer device paths are not walked: a folder link that leads back up would otherwise be
// walked without end.
constexpr size_t kMaxDevicePath = 1024;

bool endsWith(const std::string& s, const char* suffix) {
    const std::string_view tail(suffix);
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

QString boostFolderOf(BoostCategory category) {
    switch (category) {
    case BoostCategory::SystemLog: return QStringLiteral("/");
    case BoostCategory::DownloadTemp: return QStringLiteral("/Downloads");
    case BoostCategory::UserStorage: return QStringLiteral("/general_storage");
    case BoostCategory::SyncFailed: return QStringLiteral("/iTunes_Control/Sync/Media");
    case BoostCategory::SyncCache: return QStringLiteral("/PhotoData/Mutations/DCIM");
    }
    return {};
}

bool isEditedPhotoName(const std::string& name) {
    return endsWith(name, "jpg") || endsWith(name, "png") || endsWith(name, "jpeg");
}

SystemBoostScan::SystemBoostScan(SystemBoostServices& services, Options options, SystemBoostScanSink& sink)
    : services_(services), options_(std::move(options)), sink_(sink) {}

void SystemBoostScan::run() {
    CleanupiOSLogFiles();
    sink_.progress(0.2f);
    CleanupDownloadTempFiles();
    sink_.progress(0.4f);
    CleanupUserStorageFiles();
    sink_.progress(0.6f);
    CleanupiTuneSyncfailedFiles();
    sink_.progress(0.8f);
    CleanupiTunesSyncCacheFiles();
}

void SystemBoostScan::take(BoostCategory category, const std::string& path, const std::string& name,
                           const amd::FileEntry& info) {
    auto record = PRPhoneSystemFileNode::create();
    record->filePath = QString::fromStdString(path);
    record->fileName = QString::fromStdString(name);
    record->fileSizeNumber = info.size;
    record->fileSize = QString::fromStdString(sizeText(info.size));
    if (category == BoostCategory::SystemLog) record->fileType = QStringLiteral("Log");
    ++totalFileNumber_;
    BoostFiles& files = found(category);
    files.bytes += info.size;
    files.files.push_back(std::move(record));
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPath_ >= options_.pathInterval) {
        lastPath_ = now;
        sink_.showFilePath(category, QString::fromStdString(path));
    }
}

void SystemBoostScan::CleanupiOSLogFiles() {
    auto service = services_.startCrashReports(options_.deviceIndex);
    if (!service) return;
    std::vector<std::string> names;
    service->ListDirectory("/", names);
    QStringList listed;
    for (const std::string& name : names) listed << QString::fromStdString(name);
    qCInfo(lcClean).noquote() << "Crash list:\n " + listed.join(QStringLiteral(",\n "));
    for (const std::string& name : names) {
        const std::string path = "/" + name;
        amd::FileEntry info;
        service->FileInfo(path, info);  // a log the device tells nothing about is listed with 0 bytes
        take(BoostCategory::SystemLog, path, name, info);
        if (!connected()) break;
    }
}

void SystemBoostScan::scanMediaFolder(BoostCategory category) {
    auto service = services_.startMediaArea(options_.deviceIndex);
    if (!service) return;
    traverseDirWithpath(boostFolderOf(category).toStdString(), *service, category);
}

void SystemBoostScan::CleanupDownloadTempFiles() { scanMediaFolder(BoostCategory::DownloadTemp); }
void SystemBoostScan::CleanupUserStorageFiles() { scanMediaFolder(BoostCategory::UserStorage); }
void SystemBoostScan::CleanupiTuneSyncfailedFiles() { scanMediaFolder(BoostCategory::SyncFailed); }
void SystemBoostScan::CleanupiTunesSyncCacheFiles() { scanMediaFolder(BoostCategory::SyncCache); }

void SystemBoostScan::traverseDirWithpath(const std::string& path, amd::FileService& service, BoostCategory category) {
    std::vector<std::string> names;
    if (!service.ListDirectory(path, names)) return;
    for (const std::string& name : names) {
        const std::string entry = path + "/" + name;
        amd::FileEntry info;
        if (service.FileInfo(entry, info)) {
            if (info.kind == amd::FileEntry::Kind::Directory) {
                if (entry.size() < kMaxDevicePath) traverseDirWithpath(entry, service, category);
            } else if (info.kind == amd::FileEntry::Kind::Regular &&
                       (category != BoostCategory::SyncCache || isEditedPhotoName(name))) {
                take(category, entry, name, info);
            }
        }
        if (!connected()) return;
    }
}

}  // namespace clean
