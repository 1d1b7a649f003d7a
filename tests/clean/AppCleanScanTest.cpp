// The app cleaner's file scan, the advertising-cache scan and removal, without a window.
#include "FakeCleanDevice.h"
#include "TestSupport.h"
#include "clean/core/AdCacheRemover.h"
#include "clean/core/AdCacheScan.h"
#include "clean/core/AppCleanScan.h"
#include "platform/Paths.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace clean;

namespace {

struct PathSink : JunkScanSink {
    void deliver(JunkScanBatch) override {}
    void showFilePath(Category category, const QString& path) override { shown.push_back({category, path}); }
    std::vector<std::pair<Category, QString>> shown;
};

QStringList pathsOf(const std::vector<PRCleanDirNodePtr>& list) {
    QStringList out;
    for (const auto& node : list) out << node->filePath;
    return out;
}

TEST(DocumentTypes, ExtensionsAreLookedUpIgnoringCase) {
    EXPECT_EQ(AppCleanScan::GetDocumentFileType("JpG"), 2);
    EXPECT_EQ(AppCleanScan::GetDocumentFileType("pic_THUMB"), 10);
    EXPECT_EQ(AppCleanScan::GetDocumentFileType("amr"), 25);  // the first of "AMR" and "amr"
    EXPECT_EQ(AppCleanScan::GetDocumentFileType("zip"), 45);
    EXPECT_EQ(AppCleanScan::GetDocumentFileType("txt"), -1);
    EXPECT_EQ(AppCleanScan::GetDocumentFileType(""), -1);
    EXPECT_EQ(AppCleanScan::GetDocumentFileType(nullptr), -1);
}

TEST(PathLabel, LongPathsShowTheirEnd) {
    const QString p35 = "/Library/Caches/" + QString(19, 'a');
    ASSERT_EQ(p35.size(), 35);
    EXPECT_EQ(AppCleanScan::shortenedPath(p35), p35);
    const QString p36 = p35 + "b";
    EXPECT_EQ(AppCleanScan::shortenedPath(p36), "..." + p36.right(34));
}

class AppCleanScanTest : public testsupport::HomeTest {
protected:
    AppCleanScan::Outcome scan() {
        AppCleanScan::Options options;
        options.deviceConnected = [this] { return device.connected(); };
        options.categoryProgress = [this](float ratio) { ratios.push_back(ratio); };
        AppCleanScan scan(device, options, counters, lists, sink);
        return scan.startScanPhoneCache();
    }
    FakeCleanDevice device;
    JunkScanCounters counters;
    JunkScanLists lists;
    PathSink sink;
    std::vector<float> ratios;
};

TEST_F(AppCleanScanTest, EveryKindOfFolderLandsInItsCategory) {
    const std::string app = "com.example.full";
    device.addApp(app, "Full");
    device.addFile(app, "/Library/Caches/net/deep/blob", 100);
    device.addFile(app, "/Library/Caches/index.db", 20);
    device.addRawFile(app, "/Library/Caches", "../../Documents/x.jpg", 3);  // would climb out
    device.addFile(app, "/Library/caches/lower", 7);                        // not "Caches": never walked
    device.addFile(app, "/Library/Preferences/app.plist", 9);               // not a category
    device.addFile(app, "/Library/Cookies/Cookies.binarycookies", 30);
    device.addFile(app, "/tmp/upload.partial", 40);
    device.addFile(app, "/Documents/a.JpG", 50);
    device.addFile(app, "/Documents/sub/song.mp3", 60);
    device.addFile(app, "/Documents/readme.txt", 70);
    device.addFile(app, "/Documents/noextension", 80);
    // A regular file in place of the temporary folder is one junk file.
    const std::string other = "com.example.odd";
    device.addApp(other, "Odd");
    device.addFile(other, "/tmp", 5);

    ASSERT_EQ(scan(), AppCleanScan::Outcome::Finished);
    EXPECT_EQ(pathsOf(lists.cacheFileArray),
              (QStringList{"/Library/Caches/net/deep/blob", "/Library/Caches/index.db"}));
    EXPECT_EQ(pathsOf(lists.cookieFileArray), QStringList{"/Library/Cookies/Cookies.binarycookies"});
    EXPECT_EQ(pathsOf(lists.junkFileArray), (QStringList{"/tmp/upload.partial", "/tmp"}));
    EXPECT_EQ(pathsOf(lists.documentFileArray), (QStringList{"/Documents/a.JpG", "/Documents/sub/song.mp3"}));
    EXPECT_EQ(lists.junkFileArray[1]->appBundleName, "com.example.odd");
    EXPECT_EQ(lists.documentFileArray[0]->appDisplayName, "Full");
    EXPECT_EQ(lists.documentFileArray[0]->fileName, "a.JpG");

    EXPECT_EQ(counters.cacheFileSize, 120u);
    EXPECT_EQ(counters.cacheFileNumber, 2u);
    EXPECT_EQ(counters.cookieFileSize, 30u);
    EXPECT_EQ(counters.junkFileSize, 45u);
    EXPECT_EQ(counters.junkFileNumber, 2u);
    EXPECT_EQ(counters.documentFileSize, 110u);
    EXPECT_EQ(counters.documentFileNumber, 2u);
    EXPECT_EQ(counters.totalFileNumber, 7u);  // each file once
    EXPECT_EQ(counters.totalFileSize, 120u + 30 + 45 + 110);
    ASSERT_EQ(sink.shown.size(), 7u);
    EXPECT_EQ(sink.shown.front(), std::make_pair(Category::Cache, QString("/Library/Caches/net/deep/blob")));
}

TEST_F(AppCleanScanTest, BarsMoveOnceAppsPassATenthAndEveryAppCounts) {
    for (int i = 0; i < 20; ++i) device.addApp("com.example.a" + std::to_string(100 + i), "App");
    device.failContainer("com.example.a105");  // still advances the bars
    ASSERT_EQ(scan(), AppCleanScan::Outcome::Finished);
    ASSERT_EQ(ratios.size(), 18u);
    EXPECT_FLOAT_EQ(ratios.front(), 0.15f);
    EXPECT_FLOAT_EQ(ratios.back(), 1.0f);
}

TEST_F(AppCleanScanTest, ADeviceGoneMidWalkStopsTheScan) {
    device.addApp("com.example.big", "Big");
    for (int i = 0; i < 50; ++i) device.addFile("com.example.big", "/Library/Caches/f" + std::to_string(i), 1);
    device.disconnectAfterInfoCalls(10);
    EXPECT_EQ(scan(), AppCleanScan::Outcome::Disconnected);
    EXPECT_LT(counters.totalFileNumber, 50u);

    // An app list that cannot be read on a device still there is no finished scan that found
    // nothing: the scan says the apps could not be listed, and why.
    FakeCleanDevice unlisted;
    unlisted.failAppList();
    JunkScanCounters c;
    JunkScanLists l;
    AppCleanScan none(unlisted, {}, c, l, sink);
    EXPECT_EQ(none.startScanPhoneCache(), AppCleanScan::Outcome::NoAppList);
    EXPECT_EQ(c.totalFileNumber, 0u);
    EXPECT_NE(none.failureReason().find("app list could not be read"), std::string::npos) << none.failureReason();
}

// ---- Advertising caches ------------------------------------------------------------------------

class AdCacheTest : public testsupport::HomeTest {
protected:
    FakeCleanDevice device;
};

TEST_F(AdCacheTest, FoldersAreFoundByTheirNameFragments) {
    const std::string app = "com.example.game";
    device.addApp(app, "Game");
    device.addDir(app, "/Library/Caches/com.Flurry.Analytics");
    device.addDir(app, "/Library/Caches/admob-googleads");   // two fragments, one folder
    device.addFile(app, "/Library/Caches/admob.plist", 10);  // a file never counts
    device.addDir(app, "/Library/Caches/Snapshots");
    device.addRawFile(app, "/Library/Caches", "../mopub", 1);  // a name that climbs out
    auto container = device.startAppDir(0, app);
    const AdCacheSearch found = searchAdCaches(*container, adPlatformFragments());
    EXPECT_EQ(found.count, 2);
    EXPECT_EQ(found.paths, (QStringList{"/Library/Caches/com.Flurry.Analytics", "/Library/Caches/admob-googleads"}));
    EXPECT_EQ(adPlatformFragments().size(), 53);
}

TEST_F(AdCacheTest, ScanMakesOneRecordPerUserApp) {
    device.addApp("com.example.a", "A");
    device.addDir("com.example.a", "/Library/Caches/mopub");
    device.addDir("com.example.a", "/Library/Caches/tapjoy");
    device.addApp("com.example.b", "B");
    device.setAppVersions("com.example.b", "", "77");
    device.addApp("com.example.sys", "System");
    device.setAppType("com.example.sys", "System");
    device.addDir("com.example.sys", "/Library/Caches/admob");
    std::vector<QString> shown;
    AdCacheScan::Options options;
    options.showBundleId = [&](const QString& id) { shown.push_back(id); };
    AdCacheScan scan(device, options);
    ASSERT_EQ(scan.run(), AdCacheScan::Outcome::Finished);
    ASSERT_EQ(scan.records().size(), 2u);
    EXPECT_EQ(scan.totalAdsCount(), 2);
    EXPECT_EQ(scan.records()[0]->appAdsState, "Live");
    EXPECT_EQ(scan.records()[0]->appPlatformCount, "2");
    EXPECT_EQ(scan.records()[1]->appAdsState, "No Ads");
    EXPECT_EQ(scan.records()[1]->appVersion, "77");
    EXPECT_EQ(shown.size(), 3u);  // system apps pass through the label too
}

TEST(AdSorting, LargerCountsFirstByNumber) {
    std::vector<PRAppAdsRemoveNodePtr> records;
    for (const char* count : {"3", "10", "0"}) {
        records.push_back(PRAppAdsRemoveNode::create());
        records.back()->appPlatformCount = count;
    }
    sortByAdsPlatformCount(records);
    EXPECT_EQ(records[0]->appPlatformCount, "10");
    EXPECT_EQ(records[1]->appPlatformCount, "3");
    EXPECT_EQ(records[2]->appPlatformCount, "0");
    EXPECT_EQ(compareAdsPlatformCount(*records[2], *records[1]), 1);
}

TEST_F(AdCacheTest, RemovalEmptiesOneLevelAndLeavesAnEmptyFile) {
    const std::string app = "com.example.game";
    device.addApp(app, "Game");
    device.addFile(app, "/Library/Caches/flurry/a.dat", 10);
    device.addFile(app, "/Library/Caches/flurry/b.dat", 10);
    device.addFile(app, "/Library/Caches/mopub/creatives/c.dat", 10);  // a sub-folder with files
    device.addFile(app, "/Library/Caches/keep.db", 10);
    AdCacheRemover remover(device, 0);
    const AdRemovalResult result = remover.removeFolders(
        "com.example.game", {"/Library/Caches/flurry", "/Library/Caches/mopub", "/Library/Caches/../../Documents"});
    EXPECT_EQ(result.removedPaths, QStringList{"/Library/Caches/flurry"});
    EXPECT_EQ(result.remainingPaths, (QStringList{"/Library/Caches/mopub", "/Library/Caches/../../Documents"}));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(device.isEmptyFile(app, "/Library/Caches/flurry"));
    EXPECT_TRUE(device.exists(app, "/Library/Caches/mopub/creatives/c.dat"));
    EXPECT_TRUE(device.exists(app, "/Library/Caches/keep.db"));
    // The empty file was made in the private temporary folder.
    const QString local = QString::fromStdString(paths::resolve("/tmp/Ad")) + "/flurry";
    EXPECT_TRUE(QFileInfo(local).isFile());
    EXPECT_EQ(QFileInfo(local).size(), 0);

    device.failContainer(app);
    EXPECT_TRUE(remover.removeFolders("com.example.game", {"/Library/Caches/mopub"}).serviceFailed);
}

}  // namespace
