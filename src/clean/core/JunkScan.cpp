#include "clean/core/JunkScan.h"

#include "clean/core/CleanNotices.h"
#include "device/ServiceReplies.h"
#include "model/PRRecordFields.h"
#include "platform/Images.h"
#include "platform/LogCategories.h"
#include "platform/NotificationCenter.h"

#include <QStringList>
#include <QtDebug>

namespace clean {

namespace {

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// The interface's size text ("1.50KB") of a byte count.
QString sizeTextOf(uint64_t bytes) { return QString::fromStdString(::sizeText(bytes)); }

// The folder name that stands for a category in the walk.
const char* typeWordOf(Category category) {
    switch (category) {
    case Category::Cache: return "Caches";
    case Category::Cookie: return "Cookies";
    case Category::Junk: return "tmp";
    case Category::Document: break;
    }
    return "Documents";
}

std::string lastComponent(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QString extensionOf(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return {};
    return qs(name.substr(dot + 1));
}

}  // namespace

void JunkScanCounters::reset() {
    for (auto* c : {&totalFileNumber, &totalFileSize, &junkFileSize, &cacheFileSize, &cookieFileSize, &documentFileSize,
                    &junkFileNumber, &cacheFileNumber, &cookFileNumber, &documentFileNumber})
        c->store(0);
}

std::atomic<uint64_t>& JunkScanCounters::sizeOf(Category c) {
    switch (c) {
    case Category::Junk: return junkFileSize;
    case Category::Cache: return cacheFileSize;
    case Category::Cookie: return cookieFileSize;
    case Category::Document: break;
    }
    return documentFileSize;
}

std::atomic<uint64_t>& JunkScanCounters::numberOf(Category c) {
    switch (c) {
    case Category::Junk: return junkFileNumber;
    case Category::Cache: return cacheFileNumber;
    case Category::Cookie: return cookFileNumber;
    case Category::Document: break;
    }
    return documentFileNumber;
}

std::vector<PRCleanDirNodePtr>& JunkScanLists::listOf(Category c) {
    switch (c) {
    case Category::Junk: return junkFileArray;
    case Category::Cache: return cacheFileArray;
    case Category::Cookie: return cookieFileArray;
    case Category::Document: break;
    }
    return documentFileArray;
}

void JunkScanLists::clear() {
    junkFileArray.clear();
    cacheFileArray.clear();
    cookieFileArray.clear();
    documentFileArray.clear();
}

JunkScan::JunkScan(DeviceCleanServices& services, Options options, JunkScanCounters& counters, JunkScanLists& lists,
                   JunkScanSink& sink)
    : services_(services),
      options_(std::move(options)),
      counters_(counters),
      lists_(lists),
      sink_(sink),
      lastFlush_(std::chrono::steady_clock::now()) {}

QImage JunkScan::appIcon(DeviceCleanServices& services, int deviceIndex, const std::string& bundleId) {
    std::vector<uint8_t> png;
    switch (services.iconPNGData(deviceIndex, bundleId, png)) {
    case DeviceCleanServices::IconResult::NoService: return {};
    case DeviceCleanServices::IconResult::NoIcon: return images::imageNamed("NULLImage.png");
    case DeviceCleanServices::IconResult::Icon: break;
    }
    QImage icon = QImage::fromData(png.data(), int(png.size()), "PNG");
    return icon.isNull() ? images::imageNamed("NULLImage.png") : icon;
}

JunkScan::Outcome JunkScan::run() {
    failureReason_.clear();
    std::vector<InstalledApp> apps;
    int status = 1;  // a service that fails without saying why is simply not available
    const bool listed = services_.lookupApplications(options_.deviceIndex, apps, &status);
    if (!connected()) return Outcome::Disconnected;
    if (!listed) {
        // The media area is still worth its scan, but what it finds is not the whole device.
        failureReason_ = amd::appListFailure(status);
        qCInfo(lcClean).noquote() << qs(failureReason_);
        sink_.appsNotScanned(failureReason_);
    } else {
        QStringList keys;
        for (const auto& app : apps) keys << qs(app.bundleId);
        qCInfo(lcClean).noquote() << "dict====" << keys.join(", ");
        const int appCount = int(apps.size());
        int appsDone = 0;
        for (const auto& app : apps) {
            // A device pulled out between apps makes every later app fail to open; stop here
            // rather than report a finished scan of nothing.
            if (!scanApp(app, ContainerWalk{}) || !connected()) {
                flush();
                return Outcome::Disconnected;
            }
            ++appsDone;
            flush();
            postProgress(appsDone, appCount);
        }
    }

    if (!connected()) return Outcome::Disconnected;
    if (auto media = services_.startMediaArea(options_.deviceIndex)) {
        const std::string syncFolder = "/iTunes_Control/Sync";
        std::vector<std::string> names;
        media->ListDirectory(syncFolder, names);
        for (const auto& name : names) {
            const std::string path = syncFolder + "/" + name;
            amd::FileEntry info;
            if (media->FileInfo(path, info)) {
                if (info.kind == amd::FileEntry::Kind::Directory)
                    traverseSyncDirWithpath(path, *media);
                else
                    addSyncRecord(path, info);
            }
            if (!connected()) {
                flush();
                return Outcome::Disconnected;
            }
        }
    }
    flush();

    const uint64_t total = counters_.totalFileSize.load();
    notices::CleanFilehasFinished.post(NSNotificationCenter::defaultCenter(),
                                       NSNumber::numberWithUnsignedLongLong(total), options_.sender);
    qCInfo(lcClean, "totalFilesize====%lld", static_cast<long long>(total));
    return failureReason_.empty() ? Outcome::Finished : Outcome::NoAppList;
}

bool JunkScan::scanApp(const InstalledApp& app, const ContainerWalk& walk) {
    const QString displayName = qs(app.shownName());
    const QString bundleId = qs(app.bundleId);
    auto container = services_.startAppDir(options_.deviceIndex, app.bundleId);
    if (!container) {
        qCInfo(lcClean, "error----------");
        return true;
    }
    const QImage icon = appIcon(services_, options_.deviceIndex, app.bundleId);
    // One category entry: a folder is walked, a plain file is one record of its own.
    auto take = [&](Category category, const std::string& path) {
        amd::FileEntry info;
        if (!container->FileInfo(path, info)) return true;
        if (info.kind == amd::FileEntry::Kind::Directory)
            return traverseDirWithpath(path, *container, displayName, typeWordOf(category), icon, bundleId);
        if (info.kind != amd::FileEntry::Kind::Regular) return true;
        if (walk.entryFileAsRecord)
            addCategoryRecord(category, path, lastComponent(path), info, displayName, icon, bundleId);
        else
            addCategoryEntryFile(category, path, info, displayName, icon, bundleId);
        return true;
    };
    std::vector<std::string> entries;
    container->ListDirectory("/", entries);
    for (const auto& entry : entries) {
        if (walk.onEntry) walk.onEntry(entry);
        if (entry == "Library") {
            amd::FileEntry libraryInfo;
            if (!container->FileInfo("/Library", libraryInfo) || libraryInfo.kind != amd::FileEntry::Kind::Directory)
                continue;
            std::vector<std::string> subEntries;
            container->ListDirectory("/Library", subEntries);
            for (const auto& sub : subEntries) {
                if (sub == "Caches" || sub == "Cookies")
                    if (!take(sub == "Caches" ? Category::Cache : Category::Cookie, "/Library/" + sub)) return false;
                if (!connected()) return false;
            }
        } else if (entry == "tmp" || (walk.withDocuments && entry == "Documents")) {
            if (!take(entry == "tmp" ? Category::Junk : Category::Document, "/" + entry)) return false;
            if (!connected()) return false;
        }
    }
    return true;
}

bool JunkScan::traverseDirWithpath(const std::string& path, amd::FileService& service, const QString& displayName,
                                   const QString& fileType, const QImage& image, const QString& bundleId) {
    Category category;
    if (fileType == QLatin1String("Caches"))
        category = Category::Cache;
    else if (fileType == QLatin1String("Cookies"))
        category = Category::Cookie;
    else if (fileType == QLatin1String("tmp"))
        category = Category::Junk;
    else if (fileType == QLatin1String("Documents"))
        category = Category::Document;
    else
        return connected();  // other kinds are not walked

    std::vector<std::string> names;
    service.ListDirectory(path, names);
    for (const auto& name : names) {
        // A name that is not one plain name would reach outside the folder, and a removal of
        // what the walk lists would remove there.
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) continue;
        const std::string entryPath = path + "/" + name;
        amd::FileEntry info;
        if (service.FileInfo(entryPath, info)) {
            if (info.kind == amd::FileEntry::Kind::Directory) {
                if (!traverseDirWithpath(entryPath, service, displayName, fileType, image, bundleId)) return false;
            } else if (info.kind == amd::FileEntry::Kind::Regular) {
                addCategoryRecord(category, entryPath, name, info, displayName, image, bundleId);
            }
        }
        if (!connected()) return false;
    }
    return true;
}

bool JunkScan::addCategoryRecord(Category category, const std::string& path, const std::string& name,
                                 const amd::FileEntry& info, const QString& displayName, const QImage& image,
                                 const QString& bundleId) {
    const bool listed =
        category != Category::Document || (options_.isDocumentType && options_.isDocumentType(extensionOf(name)));
    if (!listed) return false;
    auto record = PRCleanDirNode::create();
    record->filePath = qs(path);
    record->fileName = qs(name);
    record->appDisplayName = displayName;
    record->fileSizeNumber = info.size;
    record->fileSize = sizeTextOf(info.size);
    record->appBundleName = bundleId;
    record->fileType = QStringLiteral("FILE");
    record->nodeIcon = image;
    counters_.totalFileSize += info.size;
    counters_.sizeOf(category) += info.size;
    ++counters_.totalFileNumber;
    ++counters_.numberOf(category);
    sink_.showFilePath(category, record->filePath);
    lists_.listOf(category).push_back(record);
    pending(category, std::move(record));
    return true;
}

void JunkScan::addCategoryEntryFile(Category category, const std::string& path, const amd::FileEntry& info,
                                    const QString& displayName, const QImage& icon, const QString& bundleId) {
    auto row = PRCleanDirNode::create();
    row->filePath = qs(path);
    row->fileName = qs(lastComponent(path));
    row->appDisplayName = displayName;
    row->fileSizeNumber = info.size;
    row->fileSize = sizeTextOf(info.size);
    row->fileType = QStringLiteral("FILE");
    row->appBundleName = bundleId;
    row->nodeIcon = icon;
    counters_.totalFileSize += info.size;
    counters_.sizeOf(category) += info.size;
    ++counters_.totalFileNumber;
    pending(category, std::move(row));
}

void JunkScan::traverseSyncDirWithpath(const std::string& path, amd::FileService& service) {
    std::vector<std::string> names;
    service.ListDirectory(path, names);
    for (const auto& name : names) {
        const std::string entryPath = path + "/" + name;
        amd::FileEntry info;
        if (!service.FileInfo(entryPath, info)) continue;
        if (info.kind == amd::FileEntry::Kind::Directory)
            traverseSyncDirWithpath(entryPath, service);
        else
            addSyncRecord(entryPath, info);
    }
}

void JunkScan::addSyncRecord(const std::string& path, const amd::FileEntry& info) {
    auto record = PRCleanFileNode::create();
    record->filePath = qs(path);
    record->fileName = qs(lastComponent(path));
    // Every file, also one lying directly in the sync folder, shows the one size text.
    record->fileSize = sizeTextOf(info.size);
    record->fileSizeNumber = info.size;
    counters_.totalFileSize += info.size;
    ++counters_.totalFileNumber;
    batch_.synced.push_back(std::move(record));
    maybeFlush();
}

void JunkScan::pending(Category category, PRCleanDirNodePtr record) {
    switch (category) {
    case Category::Junk: batch_.junk.push_back(std::move(record)); break;
    case Category::Cache: batch_.cache.push_back(std::move(record)); break;
    case Category::Cookie: batch_.cookie.push_back(std::move(record)); break;
    case Category::Document: return;  // documents have no tree
    }
    maybeFlush();
}

void JunkScan::maybeFlush() {
    if (batch_.size() >= options_.batchSize || std::chrono::steady_clock::now() - lastFlush_ >= options_.batchInterval)
        flush();
}

void JunkScan::flush() {
    lastFlush_ = std::chrono::steady_clock::now();
    if (batch_.empty()) return;
    JunkScanBatch out;
    std::swap(out, batch_);
    sink_.deliver(std::move(out));
}

void JunkScan::postProgress(int appsDone, int appCount) {
    auto& center = NSNotificationCenter::defaultCenter();
    notices::CleanFileProgressInfo.post(center, NSNumber::numberWithInt(appsDone * 90 / appCount), options_.sender);
    notices::AddCleanFileSizeThreadProgressInfo.post(
        center,
        NSArray::arrayWithObjects({NSNumber::numberWithUnsignedLongLong(counters_.junkFileSize.load()),
                                   NSNumber::numberWithUnsignedLongLong(counters_.cacheFileSize.load()),
                                   NSNumber::numberWithUnsignedLongLong(counters_.cookieFileSize.load())}),
        options_.sender);
}

}  // namespace clean
