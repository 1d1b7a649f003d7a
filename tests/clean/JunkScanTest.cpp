#include "FakeCleanDevice.h"
#include "clean/core/CleanNotices.h"
#include "clean/core/JunkScan.h"
#include "platform/Images.h"
#include "platform/MobileDevice.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>
#include <mutex>

using namespace clean;

namespace {

struct CollectingSink : JunkScanSink {
    void deliver(JunkScanBatch batch) override {
        ++deliveries;
        for (auto& r : batch.junk) junk.push_back(r);
        for (auto& r : batch.cache) cache.push_back(r);
        for (auto& r : batch.cookie) cookie.push_back(r);
        for (auto& r : batch.synced) synced.push_back(r);
    }
    void appsNotScanned(const std::string& reason) override {
        notScanned.push_back(reason);
        notScannedBeforeDeliveries = deliveries;
    }
    int deliveries = 0, notScannedBeforeDeliveries = -1;
    std::vector<std::string> notScanned;
    std::vector<PRCleanDirNodePtr> junk, cache, cookie;
    std::vector<PRCleanFileNodePtr> synced;
};

// Records the clean notifications in the order they arrive.
struct NotificationLog {
    NotificationLog() {
        using namespace notices;
        for (const NoticeName* notice : std::initializer_list<const NoticeName*>{
                 &CleanFileProgressInfo, &AddCleanFileSizeThreadProgressInfo, &CleanFilehasFinished})
            notice->observe(NSNotificationCenter::defaultCenter(), this, [this](const NSNotification& n) {
                std::lock_guard<std::mutex> lock(mutex);
                names.push_back(n.name());
                if (auto number = n.objectAs<NSNumber>()) values.push_back(number->description());
                if (auto array = n.objectAs<NSArray>()) values.push_back(array->description());
            });
    }
    ~NotificationLog() { NSNotificationCenter::defaultCenter().removeObserver(this); }
    std::vector<std::string> progress() const {
        std::vector<std::string> out;
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == notices::CleanFileProgressInfo.name()) out.push_back(values[i]);
        return out;
    }
    std::mutex mutex;
    std::vector<std::string> names, values;
};

struct ScanRun {
    explicit ScanRun(FakeCleanDevice& device, size_t batchSize = 512) {
        JunkScan::Options options;
        options.deviceConnected = [&device] { return device.connected(); };
        options.batchSize = batchSize;
        options.batchInterval = std::chrono::hours(1);
        JunkScan scan(device, options, counters, lists, sink);
        outcome = scan.run();
    }
    JunkScanCounters counters;
    JunkScanLists lists;
    CollectingSink sink;
    JunkScan::Outcome outcome{};
};

// Two apps and the sync folder, with every kind of entry the scan meets.
void fillDevice(FakeCleanDevice& d) {
    d.addApp("com.example.mail", "Mail");
    d.addFile("com.example.mail", "/tmp/a", 100);
    d.addFile("com.example.mail", "/tmp/sub/b", 200);
    d.addFile("com.example.mail", "/Library/Caches/c.db", 300);
    d.addFile("com.example.mail", "/Library/Caches/x/y", 50);
    d.addFile("com.example.mail", "/Library/Cookies/Cookies.binarycookies", 40);
    d.addFile("com.example.mail", "/Library/Preferences/p.plist", 9000);
    d.addFile("com.example.mail", "/Documents/doc.pdf", 9000);
    d.addApp("com.example.notes", "Notes", false);
    d.addFile("com.example.notes", "/Library/Caches", 70);  // a regular file where the folder would be
    d.addFile("com.example.notes", "/tmp", 5);
    d.addFile(FakeCleanDevice::kMedia, "/iTunes_Control/Sync/file1", 1234);
    d.addFile(FakeCleanDevice::kMedia, "/iTunes_Control/Sync/Media/m.mp3", 2500);
    d.addFile(FakeCleanDevice::kMedia, "/DCIM/photo.jpg", 9000);
}

QStringList paths(const std::vector<PRCleanDirNodePtr>& records) {
    QStringList out;
    for (const auto& r : records) out << r->appDisplayName + r->filePath;
    return out;
}

TEST(JunkScan, FindsEachCategoryAndTheSyncLeftoversWithTheirSizes) {
    FakeCleanDevice device;
    fillDevice(device);
    NotificationLog log;
    ScanRun run(device);

    EXPECT_EQ(run.outcome, JunkScan::Outcome::Finished);
    EXPECT_EQ(paths(run.sink.junk), (QStringList{"Mail/tmp/a", "Mail/tmp/sub/b", "Notes/tmp"}));
    EXPECT_EQ(paths(run.sink.cache),
              (QStringList{"Mail/Library/Caches/c.db", "Mail/Library/Caches/x/y", "Notes/Library/Caches"}));
    EXPECT_EQ(paths(run.sink.cookie), QStringList{"Mail/Library/Cookies/Cookies.binarycookies"});
    // Category lists hold the files the walk found, not the category entries that are files.
    EXPECT_EQ(paths(run.lists.junkFileArray), (QStringList{"Mail/tmp/a", "Mail/tmp/sub/b"}));
    EXPECT_EQ(run.lists.cacheFileArray.size(), 2u);
    EXPECT_TRUE(run.lists.documentFileArray.empty());

    EXPECT_EQ(run.counters.junkFileSize, 305u);
    EXPECT_EQ(run.counters.cacheFileSize, 420u);
    EXPECT_EQ(run.counters.cookieFileSize, 40u);
    EXPECT_EQ(run.counters.junkFileNumber, 2u);
    EXPECT_EQ(run.counters.cacheFileNumber, 2u);
    EXPECT_EQ(run.counters.cookFileNumber, 1u);
    EXPECT_EQ(run.counters.totalFileNumber, 9u);
    EXPECT_EQ(run.counters.totalFileSize, 305u + 420u + 40u + 1234u + 2500u);

    const auto& c = run.sink.cache[0];
    EXPECT_EQ(c->fileName, "c.db");
    EXPECT_EQ(c->fileSizeNumber, 300u);
    EXPECT_EQ(c->fileSize, "300.00bytes");
    EXPECT_EQ(c->appBundleName, "com.example.mail");
    EXPECT_FALSE(c->nodeIcon.isNull());

    ASSERT_EQ(run.sink.synced.size(), 2u);
    EXPECT_EQ(run.sink.synced[0]->filePath, "/iTunes_Control/Sync/file1");
    EXPECT_EQ(run.sink.synced[0]->fileSize, "1.23KB");  // the one size text, not the device's bare count
    EXPECT_TRUE(run.sink.synced[0]->appBundleName.isEmpty());
    EXPECT_EQ(run.sink.synced[1]->filePath, "/iTunes_Control/Sync/Media/m.mp3");
    EXPECT_EQ(run.sink.synced[1]->fileSize, "2.50KB");

    EXPECT_EQ(log.names, (std::vector<std::string>{
                             notices::CleanFileProgressInfo.name(), notices::AddCleanFileSizeThreadProgressInfo.name(),
                             notices::CleanFileProgressInfo.name(), notices::AddCleanFileSizeThreadProgressInfo.name(),
                             notices::CleanFilehasFinished.name()}));
    EXPECT_EQ(log.values[0], "45");
    EXPECT_EQ(log.values[1], "( 300, 350, 40 )");
    EXPECT_EQ(log.values[3], "( 305, 420, 40 )");
    EXPECT_EQ(log.values[4], std::to_string(305 + 420 + 40 + 1234 + 2500));
}

TEST(JunkScan, ProgressStepsAreWholePercentsUpToNinety) {
    FakeCleanDevice seven;
    for (int i = 0; i < 7; ++i) seven.addApp("com.example.a" + std::to_string(i), "A" + std::to_string(i));
    seven.failContainer("com.example.a3");  // still counts as done
    NotificationLog log;
    ScanRun run(seven);
    EXPECT_EQ(log.progress(), (std::vector<std::string>{"12", "25", "38", "51", "64", "77", "90"}));
}

TEST(JunkScan, WithoutAppsTheSyncFolderStillFinishesTheScan) {
    FakeCleanDevice device;
    device.addFile(FakeCleanDevice::kMedia, "/iTunes_Control/Sync/x", 10);
    {
        NotificationLog log;
        ScanRun run(device);
        EXPECT_EQ(run.outcome, JunkScan::Outcome::Finished);
        EXPECT_EQ(log.names, std::vector<std::string>{notices::CleanFilehasFinished.name()});
        EXPECT_EQ(run.sink.synced.size(), 1u);
    }
    FakeCleanDevice noMedia;
    noMedia.failMediaArea();
    NotificationLog log;
    ScanRun run(noMedia);
    EXPECT_EQ(run.outcome, JunkScan::Outcome::Finished);
    EXPECT_EQ(log.names, std::vector<std::string>{notices::CleanFilehasFinished.name()});
}

TEST(JunkScan, AnAppListThatCannotBeReadIsSaidWhileTheSyncLeftoversAreStillFound) {
    FakeCleanDevice device;
    fillDevice(device);
    device.failAppList(kAMDPasswordProtectedError);
    NotificationLog log;
    JunkScanCounters counters;
    JunkScanLists lists;
    CollectingSink sink;
    JunkScan::Options options;
    options.deviceConnected = [&device] { return device.connected(); };
    JunkScan scan(device, options, counters, lists, sink);

    // Not a finished scan of the whole device: the apps were never looked at, and the device's
    // reason is kept, told to the sink before the end is posted.
    EXPECT_EQ(scan.run(), JunkScan::Outcome::NoAppList);
    EXPECT_EQ(scan.failureReason(), "The app list could not be read: The device is locked with a passcode");
    EXPECT_EQ(sink.notScanned, std::vector<std::string>{scan.failureReason()});
    EXPECT_EQ(sink.notScannedBeforeDeliveries, 0);
    // What could be scanned is still reported, and the scan still ends.
    ASSERT_EQ(sink.synced.size(), 2u);
    EXPECT_TRUE(sink.junk.empty() && sink.cache.empty() && sink.cookie.empty());
    EXPECT_EQ(counters.totalFileSize, 1234u + 2500u);
    EXPECT_EQ(log.names, std::vector<std::string>{notices::CleanFilehasFinished.name()});
    EXPECT_EQ(log.values[0], std::to_string(1234 + 2500));

    // Once the list can be read, the same scan covers the apps and forgets the old reason.
    device.failAppList(0);
    counters.reset();
    lists.clear();
    EXPECT_EQ(scan.run(), JunkScan::Outcome::Finished);
    EXPECT_TRUE(scan.failureReason().empty());
    EXPECT_EQ(counters.totalFileSize, 305u + 420u + 40u + 1234u + 2500u);
    EXPECT_EQ(sink.notScanned.size(), 1u);
}

TEST(JunkScan, ADeviceRemovedMidScanStopsWithoutTheFinishingNotification) {
    FakeCleanDevice device;
    fillDevice(device);
    for (int i = 0; i < 50; ++i) device.addFile("com.example.mail", "/Library/Caches/more/f" + std::to_string(i), 1);
    device.disconnectAfterInfoCalls(20);
    NotificationLog log;
    ScanRun run(device);
    EXPECT_EQ(run.outcome, JunkScan::Outcome::Disconnected);
    EXPECT_TRUE(std::find(log.names.begin(), log.names.end(), notices::CleanFilehasFinished.name()) == log.names.end());
    EXPECT_TRUE(log.progress().empty());  // the first app never finished
    // What was found before is still handed over.
    EXPECT_EQ(run.sink.cache.size() + run.sink.junk.size(), size_t(run.counters.totalFileNumber));
    EXPECT_GT(run.counters.totalFileNumber, 0u);
}

TEST(JunkScan, FilesReachTheMainThreadInBatches) {
    FakeCleanDevice device;
    device.addApp("com.example.big", "Big");
    for (int i = 0; i < 3000; ++i)
        device.addFile("com.example.big", "/Library/Caches/d" + std::to_string(i % 7) + "/f" + std::to_string(i), 1);
    ScanRun run(device, 256);
    EXPECT_EQ(run.sink.cache.size(), 3000u);
    EXPECT_LE(run.sink.deliveries, 3000 / 256 + 2);
}

TEST(JunkScan, AppIconsComeFromTheIconServiceOrNot) {
    FakeCleanDevice device;
    device.addApp("com.example.mail", "Mail");
    device.addApp("com.example.plain", "Plain", false);
    const QImage icon = JunkScan::appIcon(device, 0, "com.example.mail");
    EXPECT_EQ(icon.size(), QSize(8, 8));
    const QImage placeholder = JunkScan::appIcon(device, 0, "com.example.plain");
    EXPECT_FALSE(placeholder.isNull());
    EXPECT_EQ(placeholder, images::imageNamed("NULLImage.png"));
    device.failIconService();
    EXPECT_TRUE(JunkScan::appIcon(device, 0, "com.example.mail").isNull());
}

}  // namespace
