#include "clean/core/AppCleanScan.h"
#include "platform/LogCategories.h"

#include <QtDebug>
#include <strings.h>

namespace clean {

namespace {

// The document kinds, ended by an empty string.
const char* const gDocumentFileTypes[] = {
    "ICNS", "ICO",  "JPG", "JPEG", "PNG", "IMG", "GIF",  "THUMB", "PIC", "PICT", "pic_thumb", "THM",
    "TIFF", "TIF",  "AAC", "AIF",  "AIFF", "WMA", "M4A", "MID",   "MIDI", "LRC", "TMP3",      "MP3",
    "WAV",  "AMR",  "MP4", "M4P",  "3GP", "AVI", "M4V",  "MPEG",  "MPG", "MOV",  "FLA",       "F4V",
    "WMV",  "RM",   "RMVB", "CAF", "tm3", "tm8", "amr",  "log",   "cache", "zip", ""};

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

const char* typeWordOf(Category category) {
    switch (category) {
    case Category::Cache: return "Caches";
    case Category::Cookie: return "Cookies";
    case Category::Junk: return "tmp";
    case Category::Document: break;
    }
    return "Documents";
}

JunkScan::Options walkOptions(const AppCleanScan::Options& options) {
    JunkScan::Options walk;
    walk.deviceIndex = options.deviceIndex;
    walk.deviceConnected = options.deviceConnected;
    walk.isDocumentType = [](const QString& extension) {
        return AppCleanScan::GetDocumentFileType(extension.toUtf8().constData()) != -1;
    };
    return walk;
}

}  // namespace

int AppCleanScan::GetDocumentFileType(const char* extension) {
    if (!extension) return -1;
    for (int i = 0; gDocumentFileTypes[i][0] != '\0'; ++i)
        if (strcasecmp(extension, gDocumentFileTypes[i]) == 0) return i;
    return -1;
}

QString AppCleanScan::shortenedPath(const QString& path) {
    if (path.size() < 36) return path;
    return QStringLiteral("...%1").arg(path.right(34));
}

AppCleanScan::AppCleanScan(DeviceCleanServices& services, Options options, JunkScanCounters& counters,
                           JunkScanLists& lists, JunkScanSink& sink)
    : services_(services), options_(std::move(options)), walk_(services, walkOptions(options_), counters, lists, sink) {}

AppCleanScan::Outcome AppCleanScan::startScanPhoneCache() {
    std::vector<InstalledApp> apps;
    if (!services_.lookupApplications(options_.deviceIndex, apps)) {
        return connected() ? Outcome::Finished : Outcome::Disconnected;
    }
    if (!connected()) return Outcome::Disconnected;
    const float total = float(apps.size());
    float done = 0;
    for (const auto& app : apps) {
        if (!scanApp(app)) return Outcome::Disconnected;
        done += 1;
        const float ratio = done / total;
        if (ratio > 0.1f && options_.categoryProgress) options_.categoryProgress(ratio);
    }
    walk_.flush();
    return Outcome::Finished;
}

bool AppCleanScan::scanApp(const InstalledApp& app) {
    const QString displayName = qs(app.displayName);
    const QString bundleId = qs(app.bundleId);
    auto container = services_.startAppDir(options_.deviceIndex, app.bundleId);
    if (!container) {
        qCInfo(lcClean, "error----------");
        return true;
    }
    const QImage icon = JunkScan::appIcon(services_, options_.deviceIndex, app.bundleId);
    std::vector<std::string> entries;
    container->ListDirectory("/", entries);
    bool gone = false;
    for (const auto& entry : entries) {
        qCInfo(lcClean).noquote() << "dictString=====" + qs(entry);
        if (entry == "Library") {
            DeviceEntryInfo library;
            if (!container->FileInfo("/Library", library) || library.kind != DeviceEntryInfo::Kind::Directory) continue;
            std::vector<std::string> subEntries;
            container->ListDirectory("/Library", subEntries);
            for (const auto& sub : subEntries) {
                if (sub == "Caches") examine(Category::Cache, "/Library/Caches", *container, displayName, icon, bundleId, gone);
                else if (sub == "Cookies")
                    examine(Category::Cookie, "/Library/Cookies", *container, displayName, icon, bundleId, gone);
                if (gone || !connected()) return false;
            }
        } else if (entry == "tmp" || entry == "Documents") {
            examine(entry == "tmp" ? Category::Junk : Category::Document, "/" + entry, *container, displayName, icon,
                    bundleId, gone);
            if (gone || !connected()) return false;
        }
    }
    return true;
}

void AppCleanScan::examine(Category category, const std::string& path, DeviceFileService& container,
                           const QString& displayName, const QImage& icon, const QString& bundleId, bool& gone) {
    DeviceEntryInfo info;
    if (!container.FileInfo(path, info)) return;
    if (info.kind == DeviceEntryInfo::Kind::Directory) {
        gone = !walk_.traverseDirWithpath(path, container, displayName, typeWordOf(category), icon, bundleId);
    } else if (info.kind == DeviceEntryInfo::Kind::Regular) {
        walk_.addCategoryRecord(category, path, path.substr(path.rfind('/') + 1), info, displayName, icon, bundleId);
    }
}

}  // namespace clean
