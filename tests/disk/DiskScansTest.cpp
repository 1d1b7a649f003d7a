// The disk manager's scans without a window: the user-data walk and the app list against an
// in-memory device.
#include "FakeDiskDevice.h"
#include "disk/core/AppScan.h"
#include "disk/core/UserDataScan.h"
#include "platform/MobileDevice.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

struct Collected : disk::UserDataSink {
    void deliver(std::vector<disk::UserDataItem> batch, std::optional<float> progress) override {
        for (auto& item : batch) {
            order.push_back(item.path);
            items.push_back(std::move(item));
        }
        if (progress) progresses.push_back(*progress);
        ++deliveries;
    }
    std::vector<disk::UserDataItem> items;
    std::vector<std::string> order;
    std::vector<float> progresses;
    int deliveries = 0;
};

size_t positionOf(const std::vector<std::string>& order, const std::string& path) {
    return size_t(std::find(order.begin(), order.end(), path) - order.begin());
}

TEST(UserDataScan, HandsEveryItemAfterWhatIsBelowItAndSumsTheFiles) {
    FakeDiskDevice device;
    device.addFile("/DCIM/100APPLE/IMG_0001.JPG", 1000);
    device.addFile("/DCIM/100APPLE/IMG_0002.JPG", 2500);
    device.addFolder("/DCIM/.MISC");
    device.addFile("/Downloads/guide.pdf", 70000);
    device.addFile("/top.txt", 12);
    device.addOther("/broken-link");
    Collected sink;
    disk::UserDataScan scan(device, {}, sink);

    ASSERT_EQ(scan.startScanUserData(), disk::UserDataScan::Outcome::Finished);
    EXPECT_EQ(scan.allUserDataFileSize(), 1000u + 2500u + 70000u + 12u);
    EXPECT_EQ(scan.fileCount(), 4u);
    // Folders and files only: the empty folder is there, the other entry is not.
    EXPECT_EQ(sink.items.size(), 8u);
    EXPECT_EQ(positionOf(sink.order, "/broken-link"), sink.order.size());
    // Post-order: contents first.
    EXPECT_LT(positionOf(sink.order, "/DCIM/100APPLE/IMG_0002.JPG"), positionOf(sink.order, "/DCIM/100APPLE"));
    EXPECT_LT(positionOf(sink.order, "/DCIM/100APPLE"), positionOf(sink.order, "/DCIM"));
    EXPECT_LT(positionOf(sink.order, "/DCIM/.MISC"), positionOf(sink.order, "/DCIM"));
    for (const auto& item : sink.items) {
        if (item.isFile) {
            EXPECT_FALSE(item.sizeText.empty()) << item.path;
        } else {
            EXPECT_TRUE(item.sizeText.empty()) << item.path;
            EXPECT_EQ(item.size, 0u);
        }
    }
    EXPECT_EQ(sink.items[positionOf(sink.order, "/Downloads/guide.pdf")].sizeText, "70.00KB");
    // One progress per top-level entry, the skipped one included, ending at 1.
    EXPECT_EQ(sink.progresses, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}));
}

TEST(UserDataScan, OneFolderWithOneFileGivesTheFileThenTheFolderThenOneProgress) {
    FakeDiskDevice device;
    device.addFile("/DCIM/a.jpg", 5);
    Collected sink;
    disk::UserDataScan scan(device, {}, sink);
    ASSERT_EQ(scan.startScanUserData(), disk::UserDataScan::Outcome::Finished);
    EXPECT_EQ(sink.order, (std::vector<std::string>{"/DCIM/a.jpg", "/DCIM"}));
    EXPECT_EQ(sink.progresses, std::vector<float>{1.0f});
}

TEST(UserDataScan, BatchesNeverExceedTheirSize) {
    FakeDiskDevice device;
    for (int i = 0; i < 50; ++i) device.addFile("/Many/f" + std::to_string(i), 1);
    struct Sizes : disk::UserDataSink {
        void deliver(std::vector<disk::UserDataItem> batch, std::optional<float>) override {
            biggest = std::max(biggest, batch.size());
            total += batch.size();
        }
        size_t biggest = 0, total = 0;
    } sink;
    disk::UserDataScan::Options options;
    options.batchSize = 8;
    options.batchInterval = std::chrono::hours(1);
    disk::UserDataScan scan(device, options, sink);
    ASSERT_EQ(scan.startScanUserData(), disk::UserDataScan::Outcome::Finished);
    EXPECT_EQ(sink.total, 51u);
    EXPECT_LE(sink.biggest, 8u);
}

TEST(UserDataScan, EndsWithoutFinishingWhenTheServiceFailsTheDeviceLeavesOrAStopIsAsked) {
    FakeDiskDevice device;
    for (int i = 0; i < 20; ++i) device.addFile("/A/f" + std::to_string(i), 10);
    device.addFile("/B/g", 10);
    {
        device.mediaAreaStarts = false;
        Collected sink;
        disk::UserDataScan scan(device, {}, sink);
        EXPECT_EQ(scan.startScanUserData(), disk::UserDataScan::Outcome::NoService);
        EXPECT_TRUE(sink.items.empty());
        device.mediaAreaStarts = true;
    }
    {
        int asked = 0;
        disk::UserDataScan::Options options;
        options.deviceConnected = [&asked] { return ++asked < 5; };
        Collected sink;
        disk::UserDataScan scan(device, options, sink);
        EXPECT_EQ(scan.startScanUserData(), disk::UserDataScan::Outcome::Disconnected);
        // The walk stopped at the next entry; what it found was handed over.
        EXPECT_EQ(sink.items.size(), 5u);
        EXPECT_TRUE(sink.progresses.empty());
    }
    {
        std::atomic<bool> stop{false};
        device.onFileInfo = [&stop](const std::string& path) {
            if (path == "/A/f3") stop = true;
        };
        disk::UserDataScan::Options options;
        options.stop = &stop;
        Collected sink;
        disk::UserDataScan scan(device, options, sink);
        EXPECT_EQ(scan.startScanUserData(), disk::UserDataScan::Outcome::Stopped);
        EXPECT_EQ(sink.items.size(), 4u);
    }
}

// ---- Apps -------------------------------------------------------------------------------------

struct Records : disk::AppScanSink {
    void deliver(disk::AppScanRecord record, float progress) override {
        records.push_back(std::move(record));
        progresses.push_back(progress);
    }
    const disk::AppScanRecord* find(const std::string& id) const {
        for (const auto& r : records)
            if (r.appBundleId == id) return &r;
        return nullptr;
    }
    std::vector<disk::AppScanRecord> records;
    std::vector<float> progresses;
};

TEST(AppScan, BuildsUserAndSystemRecordsWithSizesVersionsAndIcons) {
    FakeDiskDevice device;
    disk::DeviceApp& recipes = device.addApp("com.example.Recipes", "User");
    recipes.displayName = "Recipe Box";
    recipes.hasStaticDiskUsage = recipes.hasDynamicDiskUsage = true;
    recipes.staticDiskUsage = 24117248;
    recipes.dynamicDiskUsage = 50000;
    disk::DeviceApp& noShort = device.addApp("com.example.Plain", "User");
    noShort.shortVersion.clear();
    noShort.bundleVersion = "42";
    device.appsWithoutIcon.insert("com.example.Plain");
    disk::DeviceApp& alpha = device.addApp("com.apple.alpha", "System");
    alpha.displayName = "A";
    alpha.bundleName = "Alpha";
    alpha.hasStaticDiskUsage = true;
    alpha.staticDiskUsage = 3000000;
    disk::DeviceApp& service = device.addApp("com.apple.gamecenter.GameCenterUIService", "System");
    service.displayName.clear();
    service.bundleName = "Game Center";
    device.addApp("com.apple.AppStore", "System").hasStaticDiskUsage = true;
    device.addApp("com.example.plugin", "Plugin");

    Records sink;
    disk::AppScan scan(device, {}, sink);
    ASSERT_EQ(scan.startScanDeviceApps(), disk::AppScan::Outcome::Finished);
    ASSERT_EQ(sink.records.size(), 5u);
    EXPECT_EQ(scan.allAppFileSize(), 24117248u + 50000u);

    const auto* r = sink.find("com.example.Recipes");
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->userApp);
    EXPECT_EQ(r->fileType, "DIR");
    EXPECT_EQ(r->appBundleName, "com.example.Recipes");
    EXPECT_EQ(r->appDisplayName, "Recipe Box");
    EXPECT_EQ(r->appSize, "24.12MB");
    EXPECT_EQ(r->appDocumentSize, "50.00KB");
    EXPECT_EQ(r->totalAppSizeNumber, 24117248u + 50000u);
    EXPECT_EQ(r->appVersion, "1.0");
    EXPECT_FALSE(r->iconPNG.empty());

    const auto* plain = sink.find("com.example.Plain");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->appVersion, "42");
    EXPECT_EQ(plain->iconImageName, "NULLImage.png");
    EXPECT_TRUE(plain->iconPNG.empty());

    const auto* a = sink.find("com.apple.alpha");
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->userApp);
    EXPECT_EQ(a->appDisplayName, "Alpha");
    EXPECT_EQ(a->fileType, "App");
    EXPECT_EQ(a->appSize, "3.00MB");
    EXPECT_EQ(a->iconImageName, "appstore.png");

    const auto* s = sink.find("com.apple.gamecenter.GameCenterUIService");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->appDisplayName, "Game Center");
    EXPECT_EQ(s->fileType, "Service");
    EXPECT_EQ(s->appSize, " ");
    EXPECT_EQ(s->appDocumentSize, " ");
    EXPECT_EQ(s->iconImageName, "Game Centerapp.tiff");
    EXPECT_EQ(sink.find("com.apple.AppStore")->iconImageName, "appstore.png");
}

TEST(AppScan, ProgressCountsRecordsOverEveryAppListed) {
    // Ten apps: three user apps that open, one that does not, five system apps, one other kind.
    FakeDiskDevice device;
    for (int i = 0; i < 4; ++i) device.addApp("com.example.user" + std::to_string(i), "User");
    for (int i = 0; i < 5; ++i) device.addApp("com.apple.system" + std::to_string(i), "System");
    device.addApp("com.example.extension", "Plugin");
    device.apps[1].hasStaticDiskUsage = true;
    device.apps[1].staticDiskUsage = 777;
    device.closedContainers.insert("com.example.user1");

    Records sink;
    disk::AppScan scan(device, {}, sink);
    ASSERT_EQ(scan.startScanDeviceApps(), disk::AppScan::Outcome::Finished);
    std::vector<float> expected;
    for (int k = 1; k <= 8; ++k) expected.push_back(float(k) / 10.0f);
    EXPECT_EQ(sink.progresses, expected);
    // The app left out is not counted.
    EXPECT_EQ(scan.allAppFileSize(), 0u);
    EXPECT_FALSE(sink.find("com.example.user1"));
}

TEST(AppScan, NoListNoIconServiceAndADeviceThatLeaves) {
    FakeDiskDevice device;
    device.addApp("com.example.one", "User");
    device.addApp("com.example.two", "User");
    {
        device.appListReadable = false;
        Records sink;
        disk::AppScan scan(device, {}, sink);
        device.appListStatus = kAMDNotConnectedError;
        EXPECT_EQ(scan.startScanDeviceApps(), disk::AppScan::Outcome::NoService);
        EXPECT_EQ(scan.failureReason(), amd::appListFailure(kAMDNotConnectedError));
        device.appListReadable = true;
    }
    {
        device.iconServiceStarts = false;
        Records sink;
        disk::AppScan scan(device, {}, sink);
        ASSERT_EQ(scan.startScanDeviceApps(), disk::AppScan::Outcome::Finished);
        ASSERT_EQ(sink.records.size(), 2u);
        EXPECT_TRUE(sink.records[0].iconPNG.empty());
        EXPECT_TRUE(sink.records[0].iconImageName.empty());
        device.iconServiceStarts = true;
    }
    {
        bool connected = true;
        disk::AppScan::Options options;
        options.deviceConnected = [&connected] { return connected; };
        struct Pull : Records {
            bool* connected = nullptr;
            void deliver(disk::AppScanRecord record, float progress) override {
                Records::deliver(std::move(record), progress);
                *connected = false;
            }
        } sink;
        sink.connected = &connected;
        disk::AppScan scan(device, options, sink);
        EXPECT_EQ(scan.startScanDeviceApps(), disk::AppScan::Outcome::Disconnected);
        EXPECT_EQ(sink.records.size(), 1u);
    }
}

}  // namespace
