#include "clean/core/AdCacheScan.h"

#include "device/ServiceReplies.h"
#include "platform/LogCategories.h"

#include <QtDebug>
#include <algorithm>

namespace clean {

namespace {

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// One name inside a folder, as the device lists it; anything else could reach another folder.
bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

const QStringList& adPlatformFragments() {
    static const QStringList fragments{
        "admob",           "adfonic",   "admarvel",  "admoda",      "adsmobi",          "adwhirl",
        "airpush",         "appflood",  "apppia",    "applifier",   "appnext",          "burstly",
        "buzzcity",        "casee",     "celtra",    "domob",       "DMAdCache",        "chartboos",
        "doubleclick",     "dsnrmg",    "fiksu",     "flurry",      "googleads",        "grestripe",
        "hipcricket",      "inmobi",    "jumptap",   "komlimobile", "leadboit",         "madvertise",
        "millennialmedia", "mmedia",    "mobclix",   "mobfox",      "mobgold",          "mobiletheory",
        "mobpartner",      "mojiva",    "mopub",     "placeplay",   "smaato",           "sponsormob",
        "sponsorpay",      "tapfortap", "tapit",     "tapjoy",      "trademob",         "adnxs",
        "iconpeak",        "pollfish",  "revmobads", "admogocache", "googlesyndication"};
    return fragments;
}

AdCacheSearch searchAdCaches(amd::FileService& container, const QStringList& fragments) {
    AdCacheSearch found;
    QString last;
    std::vector<std::string> names;
    container.ListDirectory("/Library/Caches", names);
    for (const auto& name : names) {
        if (!isPlainName(name)) continue;
        const std::string path = "/Library/Caches/" + name;
        amd::FileEntry info;
        if (!container.FileInfo(path, info) || info.kind != amd::FileEntry::Kind::Directory) continue;
        const QString lower = qs(name).toLower();
        const bool matches = std::any_of(fragments.begin(), fragments.end(),
                                         [&](const QString& f) { return lower.contains(f.toLower()); });
        // A folder whose name equals the one counted just before it is the same cache twice.
        if (!matches || lower == last) continue;
        qCInfo(lcClean).noquote() << "ads platform====" + qs(name);
        last = lower;
        ++found.count;
        found.paths << qs(path);
    }
    return found;
}

int compareAdsPlatformCount(const PRAppAdsRemoveNode& a, const PRAppAdsRemoveNode& b) {
    const int x = a.appPlatformCount.toInt(), y = b.appPlatformCount.toInt();
    return x < y ? 1 : x > y ? -1 : 0;
}

void sortByAdsPlatformCount(std::vector<PRAppAdsRemoveNodePtr>& records) {
    std::stable_sort(records.begin(), records.end(),
                     [](const PRAppAdsRemoveNodePtr& a, const PRAppAdsRemoveNodePtr& b) {
                         return compareAdsPlatformCount(*a, *b) < 0;
                     });
}

AdCacheScan::AdCacheScan(DeviceCleanServices& services, Options options)
    : services_(services), options_(std::move(options)) {}

AdCacheScan::Outcome AdCacheScan::run() {
    std::vector<InstalledApp> apps;
    int status = 1;  // a service that fails without saying why is simply not available
    const bool listed = services_.lookupApplications(options_.deviceIndex, apps, &status);
    if (options_.deviceConnected && !options_.deviceConnected()) return Outcome::Disconnected;
    if (!listed) {
        failureReason_ = amd::appListFailure(status);
        return Outcome::NoAppList;
    }
    QStringList keys;
    for (const auto& app : apps) keys << qs(app.bundleId);
    qCInfo(lcClean).noquote() << "dict====" << keys.join(", ");
    const float total = float(apps.size());
    float done = 0;
    for (const auto& app : apps) {
        const QString bundleId = qs(app.bundleId);
        if (app.applicationType == "User") {
            qCInfo(lcClean).noquote() << "dict====" + bundleId;
            if (auto container = services_.startAppDir(options_.deviceIndex, app.bundleId)) {
                auto record = PRAppAdsRemoveNode::create();
                if (options_.icon) record->appImage = options_.icon(*container, app.bundleId);
                record->appName = qs(app.shownName());
                record->appBundleID = bundleId;
                record->appVersion = qs(app.shortVersion.empty() ? app.bundleVersion : app.shortVersion);
                const AdCacheSearch found = searchAdCaches(*container, options_.fragments);
                totalAdsCount_ += found.count;
                record->appAdsState = found.count > 0 ? QStringLiteral("Live") : QStringLiteral("No Ads");
                record->appAdsPlatArray = found.paths;
                record->appPlatformCount = QString::number(found.count);
                records_.push_back(std::move(record));
            }
        }
        done += 1;
        const float ratio = done / total;
        if (ratio > 0.1f && options_.progress) options_.progress(ratio);
        if (options_.showBundleId) options_.showBundleId(bundleId);
    }
    return Outcome::Finished;
}

}  // namespace clean
