// The large-file finder's scan and actions against an in-memory device: which files are listed
// and in which list, which container folders are walked, the records' fields and order, an end
// mid-walk, and removals, uninstalls and exports that keep what the device refused.
#include "LocalFiles.h"
#include "MemoryDiskDevice.h"
#include "TestSupport.h"
#include "disk/core/LargeFileActions.h"
#include "disk/core/LargeFileScan.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using disk::LargeFileRecord;
using disk::LargeFileScan;

namespace {

using localfiles::slurp;

constexpr uint64_t kLimit = 2000000;

struct RecordingSink : disk::LargeFileSink {
    std::vector<float> userProgress, appProgress;
    std::vector<std::string> userPaths, appPaths;
    void userDataProgress(float v) override { userProgress.push_back(v); }
    void foundUserDataFile(const std::string& p) override { userPaths.push_back(p); }
    void appDataProgress(float v) override { appProgress.push_back(v); }
    void foundAppDataFile(const std::string& p) override { appPaths.push_back(p); }
};

std::vector<std::string> pathsOf(const std::vector<LargeFileRecord>& records) {
    std::vector<std::string> paths;
    for (const auto& r : records) paths.push_back(r.filePath);
    return paths;
}

class LargeFileCoreTest : public testsupport::HomeTest {
protected:
    LargeFileScan::Options options() const {
        LargeFileScan::Options o;
        o.largeFileSize = kLimit;
        return o;
    }
    MemoryDiskDevice device;
    RecordingSink sink;
};

TEST_F(LargeFileCoreTest, UserDataFilesAboveTheLimitGoToTheLargeOrTheBigList) {
    device.media.addSizedFile("/Downloads/exact.bin", kLimit);
    device.media.addSizedFile("/Downloads/one-more.bin", kLimit + 1);
    device.media.addSizedFile("/a/b/c/d/e/hundred.mov", 100000000);
    device.media.addSizedFile("/a/b/c/d/e/f/hundred-and-one.mov", 100000001);
    device.media.addSizedFile("/small.txt", 10);
    device.media.addSizedFile("/DCIM/100APPLE/IMG_0001.MOV", 5000000);

    LargeFileScan scan(device, options(), sink);
    EXPECT_EQ(scan.scanFindLargeFileWithInUserData(), LargeFileScan::Outcome::Finished);
    EXPECT_EQ(
        pathsOf(scan.userDataLargeFileArray),
        (std::vector<std::string>{"/Downloads/one-more.bin", "/a/b/c/d/e/hundred.mov", "/DCIM/100APPLE/IMG_0001.MOV"}));
    EXPECT_EQ(pathsOf(scan.userDataBigFileArray), (std::vector<std::string>{"/a/b/c/d/e/f/hundred-and-one.mov"}));
    EXPECT_EQ(scan.allDocumentFileSize, kLimit + 1 + 100000000 + 100000001 + 5000000);
    EXPECT_EQ(sink.userPaths.size(), 4u);
    EXPECT_EQ(sink.userProgress, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}));
    const LargeFileRecord& r = scan.userDataLargeFileArray[0];
    EXPECT_EQ(r.fileName, "one-more.bin");
    EXPECT_EQ(r.fileSizeNumber, kLimit + 1);
    EXPECT_TRUE(r.fileParentName.empty());
    EXPECT_TRUE(r.appBundId.empty());

    // Largest first, by bytes: two files of one size text keep their order.
    std::vector<LargeFileRecord> list = scan.userDataLargeFileArray;
    disk::sortLargestFirst(list);
    EXPECT_EQ(pathsOf(list), (std::vector<std::string>{"/a/b/c/d/e/hundred.mov", "/DCIM/100APPLE/IMG_0001.MOV",
                                                       "/Downloads/one-more.bin"}));

    // With a limit of 100,000,000 bytes every hit is big.
    LargeFileScan::Options high = options();
    high.largeFileSize = 100000000;
    LargeFileScan bigOnly(device, high, sink);
    bigOnly.scanFindLargeFileWithInUserData();
    EXPECT_TRUE(bigOnly.userDataLargeFileArray.empty());
    EXPECT_EQ(bigOnly.userDataBigFileArray.size(), 1u);
}

TEST_F(LargeFileCoreTest, AppContainersAreWalkedOnlyInTheirDataFolders) {
    device.addApp("com.example.maps", "Maps Plus", 40000000, 9000000);
    auto& c = device.containers["com.example.maps"];
    c.addSizedFile("/Documents/Offline/region.db", 3000000);
    c.addSizedFile("/tmp/download.part", 4000000);
    c.addSizedFile("/Library/Caches/tiles/t1.bin", 2500000);
    c.addSizedFile("/Library/Cookies/Cookies.binarycookies", 2100000);
    c.addSizedFile("/Library/Preferences/huge.plist", 9000000);  // not walked
    c.addSizedFile("/Caches/direct.bin", 9000000);               // not under Library: not walked
    c.addSizedFile("/MapsPlus.app/MapsPlus", 150000000);
    c.addSizedFile("/Other/elsewhere.bin", 9000000);
    device.addApp("com.example.closed", "Closed", 1, 1);
    device.containers.erase("com.example.closed");  // its container does not open
    device.addApp("com.example.tiny", "Tiny", 1, 1).displayName = "Tiny";
    device.containers["com.example.tiny"].addSizedFile("/Documents/note.txt", 100);

    LargeFileScan scan(device, options(), sink);
    EXPECT_EQ(scan.scanFindLargeFileWithInAppData(), LargeFileScan::Outcome::Finished);
    EXPECT_EQ(pathsOf(scan.appLargeFileArray),
              (std::vector<std::string>{"/Documents/Offline/region.db", "/tmp/download.part",
                                        "/Library/Caches/tiles/t1.bin", "/Library/Cookies/Cookies.binarycookies"}));
    EXPECT_EQ(pathsOf(scan.appBigFileArray), (std::vector<std::string>{"/MapsPlus.app/MapsPlus"}));
    EXPECT_EQ(scan.allAppFileSize, 3000000u + 4000000 + 2500000 + 2100000 + 150000000);
    for (const auto& r : scan.appLargeFileArray) {
        EXPECT_EQ(r.fileParentName, "Maps Plus.app");
        EXPECT_EQ(r.appBundId, "com.example.maps");
        EXPECT_EQ(r.appFileSizeNumber, 49000000u);
        ASSERT_TRUE(r.iconPNG);
        EXPECT_EQ(std::string(r.iconPNG->begin(), r.iconPNG->end()), "com.example.maps");
    }
    // The app whose container does not open still counts for the progress.
    EXPECT_EQ(sink.appProgress.size(), 3u);
    EXPECT_FLOAT_EQ(sink.appProgress.back(), 1.0f);
}

TEST_F(LargeFileCoreTest, AnAppListThatCannotBeReadEndsTheAppWalkWithItsReason) {
    device.addApp("com.example.maps", "Maps Plus", 40000000, 9000000);
    device.containers["com.example.maps"].addSizedFile("/Documents/region.db", 3000000);
    device.appListStatus = 1;  // the list service did not start
    LargeFileScan scan(device, options(), sink);
    EXPECT_EQ(scan.scanFindLargeFileWithInAppData(), LargeFileScan::Outcome::NoService);
    EXPECT_TRUE(scan.appLargeFileArray.empty());
    EXPECT_NE(scan.failureReason().find("app list could not be read"), std::string::npos) << scan.failureReason();
}

TEST_F(LargeFileCoreTest, AWalkEndsAfterTheEntryOnWhichTheDeviceLeft) {
    for (int i = 0; i < 6; ++i) device.media.addSizedFile("/Movies/m" + std::to_string(i) + ".mov", 3000000);
    int asked = 0;
    LargeFileScan::Options o = options();
    o.deviceConnected = [&asked] { return ++asked < 3; };
    LargeFileScan scan(device, o, sink);
    EXPECT_EQ(scan.scanFindLargeFileWithInUserData(), LargeFileScan::Outcome::Disconnected);
    EXPECT_EQ(scan.userDataLargeFileArray.size(), 3u);
    EXPECT_TRUE(sink.userProgress.empty());

    device.mediaAreaStarts = false;
    LargeFileScan none(device, options(), sink);
    EXPECT_EQ(none.scanFindLargeFileWithInUserData(), LargeFileScan::Outcome::NoService);
}

TEST_F(LargeFileCoreTest, PathLabelsKeepTheEndOfLongPaths) {
    const std::string p35(35, 'p');
    EXPECT_EQ(disk::largeFilePathLabel(p35), p35);
    const std::string p36 = "/" + std::string(34, 'q') + "Z";
    EXPECT_EQ(disk::largeFilePathLabel(p36), "..." + std::string(33, 'q') + "Z");
    // Characters, not bytes: a long name in another script is not cut inside a character.
    const std::string greek = "/Έγγραφα/" + std::string(20, 'x') + "/Ταινίες/βίντεο.mov";
    EXPECT_EQ(QString::fromStdString(disk::largeFilePathLabel(greek)).size(), 37);
}

TEST_F(LargeFileCoreTest, RemovalsAndUninstallsKeepWhatTheDeviceRefused) {
    device.media.addSizedFile("/Downloads/a.bin", 3000000);
    device.media.addSizedFile("/Downloads/b.bin", 4000000);
    device.addApp("com.example.one", "One", 10, 20);
    device.containers["com.example.one"].addSizedFile("/Documents/x.bin", 5000000);
    device.refusedRemovals = {"/Downloads/b.bin"};
    LargeFileScan scan(device, options(), sink);
    scan.scanFindLargeFileWithInUserData();
    scan.scanFindLargeFileWithInAppData();

    disk::LargeFileActions actions(device, 0);
    std::vector<LargeFileRecord> records = scan.userDataLargeFileArray;
    records.push_back(scan.appLargeFileArray[0]);
    std::vector<bool> removed;
    const disk::ActionResult result = actions.removeFiles(records, removed);
    EXPECT_EQ(removed, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(result.bytes, 8000000u);
    EXPECT_EQ(result.firstFailurePath, "/Downloads/b.bin");
    EXPECT_FALSE(device.media.entries.count("/Downloads/a.bin"));
    EXPECT_FALSE(device.containers["com.example.one"].entries.count("/Documents/x.bin"));

    const LargeFileRecord& app = scan.appLargeFileArray[0];
    device.refusedUninstalls = {"com.example.one"};
    const disk::ActionResult refused = actions.uninstallApp(app);
    EXPECT_EQ(refused.failures, 1u);
    EXPECT_EQ(refused.bytes, 0u);
    device.refusedUninstalls.clear();
    const disk::ActionResult done = actions.uninstallApp(app);
    EXPECT_TRUE(done.ok());
    EXPECT_EQ(done.bytes, 30u);
    EXPECT_EQ(device.uninstalled, std::vector<std::string>{"com.example.one"});
}

TEST_F(LargeFileCoreTest, ExportsMakeTheFolderAndCopyEachFile) {
    device.media.addFile("/Downloads/guide.pdf", "guide bytes");
    device.addApp("com.example.one", "One", 1, 1);
    device.addApp("com.example.two", "Two", 1, 1);
    device.containers["com.example.one"].addFile("/Documents/data.db", "from one");
    device.containers["com.example.two"].addFile("/tmp/data.db", "from two");
    LargeFileScan::Options o = options();
    o.largeFileSize = 1;
    LargeFileScan scan(device, o, sink);
    scan.scanFindLargeFileWithInUserData();
    scan.scanFindLargeFileWithInAppData();
    ASSERT_EQ(scan.appLargeFileArray.size(), 2u);

    const QString exportPath = QString::fromStdString(home.path() + "/Documents/Quillomatrix");
    disk::LargeFileActions actions(device, 0);
    EXPECT_TRUE(actions.exportFile(scan.userDataLargeFileArray[0], exportPath).ok());
    EXPECT_EQ(slurp(home.path() + "/Documents/Quillomatrix/guide.pdf"), "guide bytes");
    EXPECT_TRUE(actions.exportFile(scan.appLargeFileArray[0], exportPath).ok());
    EXPECT_TRUE(actions.exportFile(scan.appLargeFileArray[1], exportPath).ok());
    // Two app files of one name: both arrive.
    EXPECT_EQ(slurp(home.path() + "/Documents/Quillomatrix/AppData/data.db"), "from one");
    EXPECT_EQ(slurp(home.path() + "/Documents/Quillomatrix/AppData/data (2).db"), "from two");

    device.containers.erase("com.example.two");
    EXPECT_EQ(actions.exportFile(scan.appLargeFileArray[1], exportPath).failures, 1u);
}

}  // namespace
