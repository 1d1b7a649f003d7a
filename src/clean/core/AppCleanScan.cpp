#include "clean/core/AppCleanScan.h"

#include "device/ServiceReplies.h"
#include "platform/LogCategories.h"

#include <QtDebug>
#include <strings.h>

namespace clean {

namespace {

// The document kinds, ended by an empty string.
const char* const gDocumentFileTypes[] = {
    "ICNS", "ICO", "JPG",  "JPEG", "PNG",  "IMG", "GIF", "THUMB", "PIC",   "PICT", "pic_thumb", "THM",
    "TIFF", "TIF", "AAC",  "AIF",  "AIFF", "WMA", "M4A", "MID",   "MIDI",  "LRC",  "TMP3",      "MP3",
    "WAV",  "AMR", "MP4",  "M4P",  "3GP",  "AVI", "M4V", "MPEG",  "MPG",   "MOV",  "FLA",       "F4V",
    "WMV",  "RM",  "RMVB", "CAF",  "tm3",  "tm8", "amr", "log",   "cache", "zip",  ""};

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

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
    : services_(services),
      options_(std::move(options)),
      walk_(services, walkOptions(options_), counters, lists, sink) {}

AppCleanScan::Outcome AppCleanScan::startScanPhoneCache() {
    std::vector<InstalledApp> apps;
    int status = 1;  // a service that fails without saying why is simply not available
    if (!services_.lookupApplications(options_.deviceIndex, apps, &status)) {
        if (!connected()) return Outcome::Disconnected;
        // Not "finished, nothing found": the apps were never looked at.
        failureReason_ = amd::appListFailure(status);
        return Outcome::NoAppList;
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
    JunkScan::ContainerWalk walk;
    walk.withDocuments = true;
    walk.entryFileAsRecord = true;
    walk.onEntry = [](const std::string& name) { qCInfo(lcClean).noquote() << "dictString=====" + qs(name); };
    return walk_.scanApp(app, walk);
}

}  // namespace clean
