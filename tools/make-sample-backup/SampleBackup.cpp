#include "SampleBackup.h"

#include "SampleDatabases.h"
#include "backup/ManifestWriter.h"
#include "backup/SHAH.h"
#include "platform/CoreFoundation.h"
#include "platform/Paths.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace samplebackup {
namespace {

constexpr uint32_t kBaseTime = 1367409600;  // 2013-05-01 12:00:00 UTC

std::string sha1Bytes(const std::string& bytes) {
    SHAH sha;
    sha.Input(bytes.data(), static_cast<unsigned>(bytes.size()));
    unsigned digest[5];
    std::string raw;
    if (!sha.Result(digest)) return raw;
    for (unsigned word : digest)
        for (int shift = 24; shift >= 0; shift -= 8) raw += static_cast<char>((word >> shift) & 0xFF);
    return raw;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void setModificationTime(const std::string& path, int64_t seconds) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// A small photo-like picture: a sky gradient, a hill and a sun, varied by index.
std::string pictureJpeg(int index, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv((index * 37) % 360, 120, 240));
    sky.setColorAt(1, QColor::fromHsv((index * 37 + 40) % 360, 60, 255));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv((index * 53 + 90) % 360, 150, 150));
    painter.drawEllipse(QPointF(width * ((index % 5) / 5.0 + 0.1), height * 1.1), width * 0.7, height * 0.55);
    painter.setBrush(QColor(255, 230, 120));
    painter.drawEllipse(QPointF(width * (0.2 + (index % 7) / 10.0), height * 0.25), height * 0.1, height * 0.1);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 70);
    return bytes.toStdString();
}

// The start of an ISO media file of the given brand, padded: enough for a file to be
// recognised as a movie or sound by its header, not to be played.
std::string mediaStub(const char brand[4], size_t size, int seed) {
    std::string bytes(
        "\0\0\0\x18"
        "ftyp",
        8);
    bytes.append(brand, 4);
    bytes.append("\0\0\0\0", 4);
    bytes.append(brand, 4);
    bytes.append("isom", 4);
    std::mt19937 random(static_cast<unsigned>(seed));
    while (bytes.size() < size) bytes += static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string textFile(const std::string& title, int index, size_t lines) {
    std::string text;
    for (size_t line = 0; line < lines; ++line)
        text += title + " entry " + std::to_string(index) + "." + std::to_string(line) + "\n";
    return text;
}

std::string preferencesPlist(const std::string& identifier, int index) {
    CFHolder<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable());
    CFHolder<CFStringRef> id(CFStringCreateWithCString(identifier.c_str()));
    CFDictionarySetValue(dict.get(), "Identifier", id.get());
    const int launches = index * 7 + 3;
    CFHolder<CFNumberRef> count(CFNumberCreate(kCFNumberIntType, &launches));
    CFDictionarySetValue(dict.get(), "LaunchCount", count.get());
    CFDictionarySetValue(dict.get(), "Enabled", index % 2 ? kCFBooleanTrue : kCFBooleanFalse);
    CFHolder<CFDataRef> data(CFPropertyListCreateData(dict.get(), kCFPropertyListBinaryFormat_v1_0));
    if (!data) return {};
    return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data.get())),
                       static_cast<size_t>(CFDataGetLength(data.get())));
}

void addFolder(std::vector<BackupItem>& items, const std::string& domain, const std::string& path) {
    items.push_back(BackupItem{domain, path, {}, true, kBaseTime});
}

void addFile(std::vector<BackupItem>& items, const std::string& domain, const std::string& path, std::string bytes,
             uint32_t modified = kBaseTime) {
    items.push_back(BackupItem{domain, path, std::move(bytes), false, modified});
}

std::string padded(int number, int width) {
    std::string digits = std::to_string(number);
    return std::string(digits.size() < static_cast<size_t>(width) ? width - digits.size() : 0, '0') + digits;
}

void cameraRoll(std::vector<BackupItem>& items) {
    const std::string domain = "CameraRollDomain";
    for (const char* folder : {"Media", "Media/DCIM", "Media/DCIM/100APPLE", "Media/PhotoData"})
        addFolder(items, domain, folder);
    for (int i = 1; i <= 96; ++i) {
        const uint32_t taken = kBaseTime - static_cast<uint32_t>(96 - i) * 86400 / 3;
        if (i % 8 == 0)
            addFile(items, domain, "Media/DCIM/100APPLE/IMG_" + padded(i, 4) + ".MOV", mediaStub("qt  ", 6000, i),
                    taken);
        else
            addFile(items, domain, "Media/DCIM/100APPLE/IMG_" + padded(i, 4) + ".JPG", pictureJpeg(i, 240, 180), taken);
    }
    addFile(items, domain, "Media/PhotoData/Photos.sqlite", std::string(4096, '\0'));
}

void mediaDomain(std::vector<BackupItem>& items) {
    const std::string domain = "MediaDomain";
    for (const char* folder : {"Media", "Media/Recordings", "Library", "Library/SMS", "Library/SMS/Attachments"})
        addFolder(items, domain, folder);
    for (int i = 1; i <= 12; ++i)
        addFile(items, domain,
                "Media/Recordings/2013050" + std::to_string(i % 9 + 1) + " 0" + std::to_string(i % 10) + "00" +
                    padded(i, 2) + ".m4a",
                mediaStub("M4A ", 3000, 100 + i));
    addFile(items, domain, "Media/Recordings/Recordings.db", std::string(2048, '\0'));
}

void homeDomain(std::vector<BackupItem>& items) {
    const std::string domain = "HomeDomain";
    for (const char* folder :
         {"Library", "Library/Preferences", "Library/Caches", "Library/Caches/com.apple.mobilesafari",
          "Library/Cookies", "Library/Keyboard", "Library/Safari", "Library/Mail", "Documents"})
        addFolder(items, domain, folder);
    static const char* const kPreferences[] = {"com.apple.springboard", "com.apple.mobilesafari", "com.apple.Maps",
                                               "com.apple.mobilephone", "com.apple.weather",      "com.apple.stocks",
                                               "com.apple.mobilenotes", "com.apple.MobileSMS",    "com.apple.camera",
                                               "com.apple.mobiletimer"};
    for (int i = 0; i < 60; ++i) {
        const std::string identifier = std::string(kPreferences[i % 10]) + (i < 10 ? "" : "." + std::to_string(i / 10));
        addFile(items, domain, "Library/Preferences/" + identifier + ".plist", preferencesPlist(identifier, i));
    }
    for (int i = 0; i < 1100; ++i)
        addFile(items, domain, "Library/Caches/com.apple.mobilesafari/Cache" + padded(i, 4) + ".dat",
                textFile("cache", i, 2 + i % 4));
    for (int i = 0; i < 40; ++i)
        addFile(items, domain, "Library/Safari/Thumbnails/" + padded(i, 3) + ".png", textFile("thumbnail", i, 1));
    addFile(items, domain, "Library/Cookies/Cookies.binarycookies", textFile("cookie", 0, 20));
    addFile(items, domain, "Library/Keyboard/dynamic-text.dat", textFile("word", 0, 30));
    addFile(items, domain, "Documents/Welcome.jpg", pictureJpeg(500, 200, 150));
    addFile(items, domain, "Documents/Song.mp3", mediaStub("mp42", 2500, 501));
    // Cache paths can run long; the key is still the digest of the whole path.
    std::string longPath = "Library/Caches/com.apple.mobilesafari/fsCachedData";
    while (longPath.size() < 300) longPath += "/segment" + std::to_string(longPath.size());
    addFile(items, domain, longPath + "/entry.dat", textFile("long", 0, 2));
}

void socialApps(std::vector<BackupItem>& items) {
    struct App {
        const char* domain;
        int images;
        int files;
    };
    static const App kApps[] = {{"AppDomain-com.facebook.Facebook", 20, 60},
                                {"AppDomain-com.facebook.Messenger", 8, 30},
                                {"AppDomain-com.atebits.Tweetie2", 12, 40}};
    int seed = 600;
    for (const App& app : kApps) {
        for (const char* folder : {"Documents", "Library", "Library/Caches", "Library/Preferences"})
            addFolder(items, app.domain, folder);
        for (int i = 0; i < app.images; ++i)
            addFile(items, app.domain, "Library/Caches/images/" + padded(i, 3) + ".jpg", pictureJpeg(seed++, 160, 120));
        for (int i = 0; i < app.files; ++i)
            addFile(items, app.domain, "Library/Caches/feed/" + padded(i, 3) + ".json",
                    "{\"item\": " + std::to_string(i) + ", \"text\": \"post " + std::to_string(i) + "\"}\n");
        addFile(items, app.domain, "Documents/clip.mov", mediaStub("qt  ", 4000, seed++));
        addFile(items, app.domain, "Library/Preferences/" + std::string(app.domain).substr(10) + ".plist",
                preferencesPlist(std::string(app.domain).substr(10), seed++));
    }
}

void otherDomains(std::vector<BackupItem>& items) {
    static const char* const kApps[] = {"AppDomain-net.lumenfield.Weatherly", "AppDomain-org.brightpine.Sketchbook",
                                        "AppDomain-com.tallowmere.Recipes", "AppDomain-io.harbourline.Transit"};
    int index = 0;
    for (const char* domain : kApps) {
        for (const char* folder : {"Documents", "Library", "Library/Caches", "Library/Preferences"})
            addFolder(items, domain, folder);
        for (int i = 0; i < 110; ++i)
            addFile(items, domain, "Library/Caches/data" + padded(i, 3) + ".bin", textFile(domain, i, 1 + i % 3));
        addFile(items, domain, "Documents/photo.jpg", pictureJpeg(700 + index++, 160, 120));
    }
    static const char* const kSystem[] = {"SystemPreferencesDomain", "KeychainDomain",
                                          "WirelessDomain",          "RootDomain",
                                          "MobileDeviceDomain",      "ManagedPreferencesDomain"};
    for (const char* domain : kSystem) {
        addFolder(items, domain, "Library");
        for (int i = 0; i < 15; ++i)
            addFile(items, domain, "Library/Preferences/" + std::string(domain) + "." + std::to_string(i) + ".plist",
                    preferencesPlist(domain, i));
    }
}

CFStringRef makeString(const std::string& text) { return CFStringCreateWithCString(text.c_str()); }

void setString(CFMutableDictionaryRef dict, const char* key, const std::string& text) {
    CFHolder<CFStringRef> value(makeString(text));
    CFDictionarySetValue(dict, key, value.get());
}

void setDate(CFMutableDictionaryRef dict, const char* key, int64_t seconds) {
    CFHolder<CFDateRef> value(CFDateCreate(static_cast<double>(seconds) - kCFAbsoluteTimeIntervalSince1970));
    CFDictionarySetValue(dict, key, value.get());
}

bool writePlist(const std::string& path, CFPropertyListRef plist, int64_t modified) {
    if (!CFPropertyListWriteToFile(plist, path, kCFPropertyListXMLFormat_v1_0)) return false;
    setModificationTime(path, modified);
    return true;
}

std::string hexDigest(const std::string& text) { return backupFileKey("Quillomatrix", text); }

}  // namespace

bool addFilesToBackup(const std::string& backupFolder, const std::vector<BackupItem>& items) {
    if (!paths::makeDirectories(backupFolder)) return false;
    std::vector<ManifestEntry> entries;
    entries.reserve(items.size());
    uint64_t inode = 100000;
    for (const BackupItem& item : items) {
        ManifestEntry entry;
        entry.domain = item.domain;
        entry.path = item.path;
        entry.inode = inode++;
        entry.mtime = entry.atime = entry.ctime = item.modified;
        if (item.folder) {
            entry.mode = 040755;
        } else {
            entry.mode = 0100644;
            entry.size = item.bytes.size();
            entry.dataHash = sha1Bytes(item.bytes);
            entry.protectionClass = 4;
            const std::string key = backupFileKey(item.domain, item.path);
            if (key.empty() || !writeFile(backupFolder + "/" + key, item.bytes)) return false;
        }
        entries.push_back(std::move(entry));
    }
    return appendManifestRecords(backupFolder + "/Manifest.mbdb", entries);
}

bool addSampleDatabases(const std::string& backupFolder, const sampledb::BackupSchemas& schemas,
                        const sampledb::SampleSize& size) {
    if (!paths::makeDirectories(backupFolder)) return false;
    const auto data = sampledb::makeSampleData(size);
    const auto files = sampledb::writeBackupDatabases(backupFolder, data, schemas);
    if (files.size() != sampledb::backupDatabaseRecords(data, schemas).size()) return false;
    std::vector<ManifestEntry> entries;
    uint64_t inode = 200000;
    for (const auto& file : files) {
        std::ifstream in(backupFolder + "/" + file.fileName, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        ManifestEntry entry;
        entry.domain = file.domain;
        entry.path = file.path;
        entry.inode = inode++;
        entry.mtime = entry.atime = entry.ctime = 1367409600;
        entry.size = bytes.str().size();
        entry.dataHash = sha1Bytes(bytes.str());
        entry.protectionClass = 4;
        entries.push_back(std::move(entry));
    }
    return appendManifestRecords(backupFolder + "/Manifest.mbdb", entries);
}

bool writeBackupPropertyLists(const std::string& backupFolder, const SampleDevice& device, bool withInfo) {
    if (!paths::makeDirectories(backupFolder)) return false;
    if (withInfo) {
        CFHolder<CFMutableDictionaryRef> info(CFDictionaryCreateMutable());
        setString(info.get(), "Build Version", device.buildVersion);
        setString(info.get(), "Device Name", device.name);
        setString(info.get(), "Display Name", device.name);
        setString(info.get(), "GUID", hexDigest(device.udid + "guid").substr(0, 32));
        setDate(info.get(), "Last Backup Date", device.backupTime);
        setString(info.get(), "Phone Number", device.phoneNumber);
        setString(info.get(), "Product Type", device.productType);
        setString(info.get(), "Product Version", device.productVersion);
        setString(info.get(), "Serial Number", device.serialNumber);
        setString(info.get(), "Target Identifier", device.udid);
        setString(info.get(), "Target Type", "Device");
        setString(info.get(), "Unique Identifier", device.udid);
        setString(info.get(), "iTunes Version", device.itunesVersion);
        if (!writePlist(backupFolder + "/Info.plist", info.get(), device.backupTime)) return false;
    }

    CFHolder<CFMutableDictionaryRef> status(CFDictionaryCreateMutable());
    setString(status.get(), "BackupState", "new");
    setDate(status.get(), "Date", device.backupTime);
    CFDictionarySetValue(status.get(), "IsFullBackup", kCFBooleanFalse);
    setString(status.get(), "SnapshotState", "finished");
    setString(status.get(), "UUID", hexDigest(device.udid + "status").substr(0, 32));
    setString(status.get(), "Version", "2.4");
    if (!writePlist(backupFolder + "/Status.plist", status.get(), device.backupTime)) return false;

    CFHolder<CFMutableDictionaryRef> lockdown(CFDictionaryCreateMutable());
    setString(lockdown.get(), "BuildVersion", device.buildVersion);
    setString(lockdown.get(), "DeviceName", device.name);
    setString(lockdown.get(), "ProductType", device.productType);
    setString(lockdown.get(), "ProductVersion", device.productVersion);
    setString(lockdown.get(), "SerialNumber", device.serialNumber);
    setString(lockdown.get(), "UniqueDeviceID", device.udid);
    CFHolder<CFMutableDictionaryRef> manifest(CFDictionaryCreateMutable());
    CFHolder<CFMutableDictionaryRef> applications(CFDictionaryCreateMutable());
    for (const char* bundle : {"com.facebook.Facebook", "com.facebook.Messenger", "com.atebits.Tweetie2"}) {
        CFHolder<CFMutableDictionaryRef> app(CFDictionaryCreateMutable());
        setString(app.get(), "CFBundleIdentifier", bundle);
        setString(app.get(), "CFBundleVersion", "6.0");
        setString(app.get(), "Path",
                  std::string("/var/mobile/Applications/") + hexDigest(bundle).substr(0, 8) + "/App.app");
        CFDictionarySetValue(applications.get(), bundle, app.get());
    }
    CFDictionarySetValue(manifest.get(), "Applications", applications.get());
    setDate(manifest.get(), "Date", device.backupTime);
    CFDictionarySetValue(manifest.get(), "IsEncrypted", kCFBooleanFalse);
    CFDictionarySetValue(manifest.get(), "Lockdown", lockdown.get());
    setString(manifest.get(), "SystemDomainsVersion", "16.0");
    setString(manifest.get(), "Version", "9.1");
    CFDictionarySetValue(manifest.get(), "WasPasscodeSet", kCFBooleanFalse);
    return writePlist(backupFolder + "/Manifest.plist", manifest.get(), device.backupTime);
}

SampleDevice sampleIPhone() {
    SampleDevice device;
    device.name = "Ada's iPhone";
    device.productType = "iPhone5,2";
    device.productVersion = "6.1.4";
    device.buildVersion = "10B350";
    device.serialNumber = "QMX4F7K2DTWN";
    device.udid = hexDigest("sample iPhone");
    device.phoneNumber = "+1 (555) 010-2288";
    device.itunesVersion = "11.0.4";
    device.backupTime = 1367409600;
    return device;
}

SampleDevice sampleIPad() {
    SampleDevice device;
    device.name = "Ada's iPad";
    device.productType = "iPad2,1";
    device.productVersion = "7.0.4";
    device.buildVersion = "11B554a";
    device.serialNumber = "QMXDL9PQF1R2";
    device.udid = hexDigest("sample iPad");
    device.itunesVersion = "11.1.3";
    device.backupTime = 1387540800;
    return device;
}

SampleDevice sampleIPhoneOfIos4() {
    SampleDevice device;
    device.name = "Ada's old iPhone";
    device.productType = "iPhone3,1";
    device.productVersion = "4.3.5";
    device.buildVersion = "8L1";
    device.serialNumber = "QMX88A3B1HC7";
    device.udid = hexDigest("sample iPhone of iOS 4");
    device.phoneNumber = "+1 (555) 010-4431";
    device.itunesVersion = "10.5";
    device.backupTime = 1318003200;
    return device;
}

SampleDevice sampleIPhoneOfIos5() {
    SampleDevice device;
    device.name = "Ben's iPhone";
    device.productType = "iPhone4,1";
    device.productVersion = "5.1.1";
    device.buildVersion = "9B206";
    device.serialNumber = "QMX9C2TK7DTC";
    device.udid = hexDigest("sample iPhone of iOS 5");
    device.phoneNumber = "+1 (555) 010-5517";
    device.itunesVersion = "10.6.3";
    device.backupTime = 1341835200;
    return device;
}

SampleDevice sampleIPhoneUpgradedToIos5() {
    SampleDevice device;
    device.name = "Clara's iPhone";
    device.productType = "iPhone2,1";
    device.productVersion = "5.0.1";
    device.buildVersion = "9A405";
    device.serialNumber = "QMX7R4WD3NP8";
    device.udid = hexDigest("sample iPhone upgraded to iOS 5");
    device.phoneNumber = "+1 (555) 010-3062";
    device.itunesVersion = "10.5.1";
    device.backupTime = 1323518400;  // 2011-12-10 12:00 UTC
    return device;
}

std::vector<OlderPhone> olderPhones() {
    // A few deleted messages in either order of the iOS 5 table: some deleted in the main file,
    // the latest in its log.
    constexpr int kDeletedMessages = 6;
    sampledb::BackupSchemas fresh = sampledb::BackupSchemas::forIos(sampledb::Ios::v5);
    fresh.messages = sampledb::MessageSchema::ios5Fresh;
    fresh.deletedMessages = kDeletedMessages;
    sampledb::BackupSchemas upgraded = fresh;
    upgraded.messages = sampledb::MessageSchema::ios5Upgraded;
    return {{sampleIPhoneOfIos4(), sampledb::BackupSchemas::forIos(sampledb::Ios::v4)},
            {sampleIPhoneOfIos5(), fresh},
            {sampleIPhoneUpgradedToIos5(), upgraded}};
}

sampledb::SampleSize olderPhoneSize() { return {60, 8, 500, 90, 14, 20, 30, true}; }

sampledb::DeletedMessages deletedMessagesOf(const OlderPhone& phone) {
    return sampledb::deletedMessagesOf(sampledb::makeSampleData(olderPhoneSize()), phone.schemas);
}

std::vector<BackupItem> sampleBackupItems() {
    std::vector<BackupItem> items;
    cameraRoll(items);
    mediaDomain(items);
    otherDomains(items);
    homeDomain(items);
    socialApps(items);
    return items;
}

sampledb::BackupSchemas sampleDatabaseSchemas() {
    return {};  // the iOS 6 schemas, with a few rows of each database left in its journal
}

std::vector<std::string> writeSampleBackups(const std::string& root) {
    std::vector<std::string> written;
    const SampleDevice phone = sampleIPhone();
    const std::string phoneFolder = root + "/" + phone.udid;
    const SampleDevice pad = sampleIPad();
    const std::string padFolder = root + "/" + pad.udid;
    // Written afresh: adding to a manifest left by an earlier run would list every file twice.
    for (const std::string& folder : {phoneFolder, padFolder}) ::unlink((folder + "/Manifest.mbdb").c_str());
    if (!addFilesToBackup(phoneFolder, sampleBackupItems()) ||
        !addSampleDatabases(phoneFolder, sampleDatabaseSchemas(), sampledb::SampleSize{}) ||
        !writeBackupPropertyLists(phoneFolder, phone))
        return written;
    written.push_back(phoneFolder);

    std::vector<BackupItem> padItems;
    cameraRoll(padItems);
    padItems.resize(24);
    addFolder(padItems, "HomeDomain", "Library");
    addFile(padItems, "HomeDomain", "Library/Preferences/com.apple.springboard.plist",
            preferencesPlist("com.apple.springboard", 1));
    sampledb::BackupSchemas padSchemas = sampledb::BackupSchemas::forIos(sampledb::Ios::v7);
    padSchemas.binaryHistory = false;
    if (!addFilesToBackup(padFolder, padItems) ||
        !addSampleDatabases(padFolder, padSchemas, sampledb::SampleSize{20, 4, 150, 30, 8, 10, 12, true}) ||
        !writeBackupPropertyLists(padFolder, pad, false))
        return written;
    written.push_back(padFolder);

    // Older phones: their databases in the layouts of iOS 4 and iOS 5.
    for (const OlderPhone& older : olderPhones()) {
        const std::string folder = root + "/" + older.device.udid;
        ::unlink((folder + "/Manifest.mbdb").c_str());
        std::vector<BackupItem> items;
        cameraRoll(items);
        items.resize(12);
        addFolder(items, "HomeDomain", "Library");
        if (!addFilesToBackup(folder, items) || !addSampleDatabases(folder, older.schemas, olderPhoneSize()) ||
            !writeBackupPropertyLists(folder, older.device))
            return written;
        written.push_back(folder);
    }
    return written;
}

}  // namespace samplebackup
