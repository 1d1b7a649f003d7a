// The photo scan over a simulated device's camera folders, and the export of local copies.
#include "DeviceFolder.h"
#include "clean/core/CleanDeviceServices.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"
#include "transfer/core/PhotoTransfer.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace devicetest;
using transfer::PhotoTransferScan;
namespace fs = std::filesystem;

namespace {

class PhotoScanTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        device = deviceFolder("phone");
        fs::remove_all(device + "/media/DCIM");
        const std::string media = device + "/media";
        writeFile(media + "/DCIM/100APPLE/IMG_0001.JPG", std::string(3000, 'a'));
        writeFile(media + "/DCIM/100APPLE/IMG_0002.MOV", std::string(9000, 'm'));
        writeFile(media + "/DCIM/101apple/IMG_0001.JPG", std::string(4000, 'b'));  // same name, other folder
        writeFile(media + "/DCIM/101apple/clip.mp4", std::string(100, 'c'));
        writeFile(media + "/DCIM/.MISC/Info.plist", "not a photo");
        writeFile(media + "/DCIM/999CANON/IMG_9.JPG", "not read");
        writeFile(media + "/DiskAid/DCIM/100APPLE/IMG_0003.PNG", std::string(500, 'p'));
        attachAndWait(device);
        index = connected.back();
        root = testsupport::scratchDirectory("local") + "/Photos";
    }
    transfer::PhotoScanResult scan(std::vector<IKImageItem>& items,
                                   const PhotoTransferScan::KeepGoing& keepGoing = {}) {
        PhotoTransferScan photos(clean::deviceCleanServices(), index, QString::fromStdString(root));
        return photos.run([&](const IKImageItem& item) { items.push_back(item); }, keepGoing);
    }
    std::string device, root;
    int index = 0;
};

QStringList devicePaths(const std::vector<IKImageItem>& items) {
    QStringList out;
    for (const IKImageItem& item : items) out << item.devicePath;
    return out;
}

}  // namespace

TEST_F(PhotoScanTest, CameraFoldersInDeviceOrderWithLocalCopiesKeyedByDevicePath) {
    std::vector<IKImageItem> items;
    const transfer::PhotoScanResult result = scan(items);
    EXPECT_TRUE(result.serviceStarted);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(devicePaths(items),
              (QStringList{"/DCIM/100APPLE/IMG_0001.JPG", "/DCIM/100APPLE/IMG_0002.MOV", "/DCIM/101apple/IMG_0001.JPG",
                           "/DCIM/101apple/clip.mp4", "/DiskAid/DCIM/100APPLE/IMG_0003.PNG"}));
    EXPECT_EQ(result.items, 5);
    EXPECT_EQ(result.copies, 5);
    EXPECT_EQ(result.bytes, 3000u + 9000 + 4000 + 100 + 500);
    for (const IKImageItem& item : items) {
        EXPECT_TRUE(item.bhasCopy) << item.devicePath.toStdString();
        EXPECT_EQ(item.hasCopy, item.filePath);
        EXPECT_EQ(item.filePath, QString::fromStdString(root) + item.devicePath);
        EXPECT_EQ(readFile(item.filePath.toStdString()), readFile(device + "/media" + item.devicePath.toStdString()));
    }
    // Two files of one name keep two copies.
    EXPECT_NE(items[0].filePath, items[2].filePath);
    EXPECT_EQ(QStringList({items[0].fileType, items[1].fileType, items[3].fileType, items[4].fileType}),
              (QStringList{"Image", "Movie", "Movie", "Image"}));
}

TEST_F(PhotoScanTest, TheLocalFolderIsMadeWithoutAnyAppleFolder) {
    fs::remove_all(device + "/media/DCIM");
    std::vector<IKImageItem> items;
    scan(items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(items[0].bhasCopy);
    EXPECT_TRUE(fs::is_directory(root));
}

TEST_F(PhotoScanTest, AFileThatDoesNotArriveIsShownWithoutACopy) {
    // The second file leaves the device after the listing: the first arrives, the second not.
    std::vector<IKImageItem> items;
    bool failing = false;
    PhotoTransferScan photos(clean::deviceCleanServices(), index, QString::fromStdString(root));
    photos.setCopyHelpers(0);  // no copy runs ahead of the reported file
    const transfer::PhotoScanResult result = photos.run([&](const IKImageItem& item) {
        items.push_back(item);
        if (!failing) {
            failing = true;
            fs::remove(device + "/media/DCIM/100APPLE/IMG_0002.MOV");  // gone before its copy
        }
    });
    ASSERT_EQ(items.size(), 5u);
    EXPECT_TRUE(items[0].bhasCopy);
    EXPECT_FALSE(items[1].bhasCopy);
    EXPECT_TRUE(items[1].hasCopy.isEmpty());
    EXPECT_FALSE(fs::exists(items[1].filePath.toStdString()));
    EXPECT_EQ(result.copies, 4);
    EXPECT_EQ(result.firstFailurePath, "/DCIM/100APPLE/IMG_0002.MOV");
    EXPECT_FALSE(result.firstFailureReason.isEmpty());
}

TEST_F(PhotoScanTest, ADeviceThatLeavesStopsAfterTheFileInHand) {
    std::vector<IKImageItem> items;
    bool attached = true;
    PhotoTransferScan photos(clean::deviceCleanServices(), index, QString::fromStdString(root));
    const transfer::PhotoScanResult result = photos.run(
        [&](const IKImageItem& item) {
            items.push_back(item);
            if (items.size() == 2) {
                simdevice::detachAll();
                attached = false;
            }
        },
        [&] { return attached; });
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(items.size(), 2u);
}

TEST_F(PhotoScanTest, NoFileAccessReportsIt) {
    std::vector<IKImageItem> items;
    PhotoTransferScan photos(clean::deviceCleanServices(), index + 100, QString::fromStdString(root));
    const transfer::PhotoScanResult result = photos.run([&](const IKImageItem& item) { items.push_back(item); });
    EXPECT_FALSE(result.serviceStarted);
    EXPECT_TRUE(items.empty());
}

TEST_F(PhotoScanTest, ExportCopiesLocalCopiesByteForByteAndNeverOverwrites) {
    std::vector<IKImageItem> items;
    scan(items);
    const std::string folder = testsupport::scratchDirectory("export") + "/Quillomatrix 2026-12-07 - 10.00.00";
    const transfer::PhotoExportResult all = transfer::exportPhotos(items, QString::fromStdString(folder));
    // The second IMG_0001.JPG finds the first one's name taken and takes the next one.
    EXPECT_EQ(all.files, 5);
    EXPECT_EQ(all.failures, 0);
    EXPECT_EQ(readFile(folder + "/IMG_0001.JPG"), std::string(3000, 'a'));
    EXPECT_TRUE(all.written.contains(QString::fromStdString(folder + "/IMG_0001 (2).JPG")));
    EXPECT_FALSE(readFile(folder + "/IMG_0001 (2).JPG").empty());
    EXPECT_EQ(readFile(folder + "/IMG_0002.MOV"), readFile(device + "/media/DCIM/100APPLE/IMG_0002.MOV"));
    EXPECT_EQ(readFile(folder + "/clip.mp4"), readFile(device + "/media/DCIM/101apple/clip.mp4"));
    EXPECT_EQ(readFile(folder + "/IMG_0003.PNG"), readFile(device + "/media/DiskAid/DCIM/100APPLE/IMG_0003.PNG"));
    EXPECT_EQ(all.written.size(), 5);
}

TEST_F(PhotoScanTest, ExportOfItemsWithoutCopiesOrIntoNoFolderFailsWithAReason) {
    IKImageItem missing;
    missing.devicePath = "/DCIM/100APPLE/IMG_0404.JPG";
    missing.filePath = QString::fromStdString(root) + missing.devicePath;
    const std::string folder = testsupport::scratchDirectory("export2");
    transfer::PhotoExportResult result = transfer::exportPhotos({missing}, QString::fromStdString(folder));
    EXPECT_EQ(result.failures, 1);
    EXPECT_EQ(result.firstFailurePath, missing.devicePath);
    EXPECT_FALSE(fs::exists(folder + "/IMG_0404.JPG"));

    writeFile(folder + "/file", "a file where the folder should be");
    std::vector<IKImageItem> items;
    scan(items);
    result = transfer::exportPhotos(items, QString::fromStdString(folder + "/file/photos"));
    EXPECT_EQ(result.files, 0);
    EXPECT_EQ(result.failures, 5);
    EXPECT_EQ(result.firstFailureReason, "the folder cannot be made");

    const std::atomic<bool> cancelled{true};
    result = transfer::exportPhotos(items, QString::fromStdString(folder + "/cancelled"), &cancelled);
    EXPECT_EQ(result.files, 0);
    EXPECT_EQ(result.failures, 0);
}

TEST(PhotoItemTest, MoviesByExtensionInAnyCase) {
    for (const char* movie : {"a.MOV", "b.mov", "c.mp4", "d.M4V", "e.mpeg"})
        EXPECT_EQ(IKImageItem::fileTypeForPath(movie), "Movie") << movie;
    for (const char* image : {"a.JPG", "b.PNG", "c.heic", "MOV", "d.mov.jpg"})
        EXPECT_EQ(IKImageItem::fileTypeForPath(image), "Image") << image;
}
