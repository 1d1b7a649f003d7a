// The disk manager's books and photo scans against an in-memory device.
#include "FakeDiskDevice.h"
#include "TestSupport.h"
#include "disk/core/BookScan.h"
#include "disk/core/PhotoScan.h"
#include "platform/CoreFoundation.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

struct Photos : disk::PhotoScanSink {
    void deliver(const PRPhotoAndVideoNodePtr& record, float progress) override {
        records.push_back(record);
        values.push_back(progress);
    }
    void progress(float value) override { ends.push_back(value); }
    std::vector<PRPhotoAndVideoNodePtr> records;
    std::vector<float> values, ends;
};

TEST(PhotoScan, WalksTheFourSourcesInOrderWithTheirLabelsAndBands) {
    FakeDiskDevice device;
    for (int i = 1; i <= 10; ++i) device.addFile("/DCIM/100apple/IMG_000" + std::to_string(i) + ".JPG", 1000);
    device.addFile("/DCIM/101APPLE/IMG_0011.PNG", 500);
    device.addFile("/DCIM/101APPLE/IMG_0012.MOV", 7000);
    device.addFile("/DCIM/.MISC/Info.plist", 80);
    device.addFile("/PhotoStreamsData/1285471922/100APPLE/IMG_0101.JPG", 300);
    device.addFile("/PhotoStreamsData/1285471922/Other/IMG_0102.JPG", 300);
    device.addFile("/PhotoData/Sync/100SYNCD/IMG_0201.JPG", 200);
    device.addFile("/Photos/Sync/100syncd/IMG_0301.JPG", 100);
    device.entries["/DCIM/100apple/IMG_0001.JPG"].mtime = 1399021500123456789;
    Photos sink;
    disk::PhotoScan scan(device, {}, sink);
    ASSERT_EQ(scan.startScanDevicePhoto(), disk::PhotoScan::Outcome::Finished);

    ASSERT_EQ(sink.records.size(), 15u);
    EXPECT_EQ(scan.allPhotoFileSize(), 10000u + 500u + 7000u + 300u + 200u + 100u);
    const PRPhotoAndVideoNode& first = *sink.records[0];
    EXPECT_EQ(first.fileNodeName(), "IMG_0001.JPG");
    EXPECT_EQ(first.filePath(), "/DCIM/100apple/IMG_0001.JPG");
    EXPECT_EQ(first.fileType(), "Camera roll");
    EXPECT_EQ(first.fileNodeSize(), "1.00KB");
    EXPECT_EQ(first.fileSizeNumber(), 1000u);
    EXPECT_EQ(first.fileModifyTime(), "2014-05-02 09:05:00 +0000");
    EXPECT_EQ(sink.records[11]->fileNodeName(), "IMG_0012.MOV");  // every entry, whatever its kind
    EXPECT_EQ(sink.records[12]->fileType(), "Photo Stream");
    EXPECT_EQ(sink.records[13]->fileType(), "Photo Library");
    EXPECT_EQ(sink.records[14]->fileType(), "Photo Library");
    EXPECT_EQ(sink.records[14]->filePath(), "/Photos/Sync/100syncd/IMG_0301.JPG");

    // The count runs over the source's folders, the share over the folder being walked.
    EXPECT_FLOAT_EQ(sink.values[0], 0.1f * 0.35f);
    EXPECT_FLOAT_EQ(sink.values[10], 11.0f / 2.0f * 0.35f);
    EXPECT_FLOAT_EQ(sink.values[12], 1.0f * 0.3f + 0.45f);
    EXPECT_EQ(sink.ends, (std::vector<float>{0.35f, 0.65f, 0.85f, 1.0f}));
}

TEST(PhotoScan, StopsWhenTheDeviceLeavesAndEndsWithoutService) {
    FakeDiskDevice device;
    for (int i = 0; i < 5; ++i) device.addFile("/DCIM/100APPLE/IMG_" + std::to_string(i) + ".JPG", 10);
    Photos sink;
    disk::PhotoScan::Options options;
    int asked = 0;
    options.deviceConnected = [&asked] { return ++asked < 3; };
    EXPECT_EQ(disk::PhotoScan(device, options, sink).startScanDevicePhoto(), disk::PhotoScan::Outcome::Disconnected);
    EXPECT_EQ(sink.records.size(), 3u);

    device.mediaAreaStarts = false;
    Photos none;
    EXPECT_EQ(disk::PhotoScan(device, {}, none).startScanDevicePhoto(), disk::PhotoScan::Outcome::NoService);
}

struct Books : disk::BookScanSink {
    void deliver(const PRBookNodePtr& book, float progress) override {
        books.push_back(book);
        values.push_back(progress);
    }
    std::vector<PRBookNodePtr> books;
    std::vector<float> values;
};

std::string purchases(const std::vector<std::pair<std::string, std::string>>& entries) {
    CFHolder<CFMutableArrayRef> books(CFArrayCreateMutable());
    for (const auto& [path, name] : entries) {
        CFHolder<CFMutableDictionaryRef> entry(CFDictionaryCreateMutable());
        CFHolder<CFStringRef> p(CFStringCreateWithCString(path.c_str())), n(CFStringCreateWithCString(name.c_str()));
        CFDictionarySetValue(entry.get(), "Path", p.get());
        CFDictionarySetValue(entry.get(), "Name", n.get());
        CFArrayAppendValue(books.get(), entry.get());
    }
    CFHolder<CFMutableDictionaryRef> root(CFDictionaryCreateMutable());
    CFDictionarySetValue(root.get(), "Books", books.get());
    CFHolder<CFDataRef> xml(CFPropertyListCreateXMLData(root.get()));
    return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(xml.get())), size_t(CFDataGetLength(xml.get())));
}

class BookScanTest : public testsupport::HomeTest {
protected:
    disk::BookScan::Options options() const {
        disk::BookScan::Options o;
        o.listFolder = testsupport::scratchDirectory("DB");
        o.iconFolder = testsupport::scratchDirectory("Icon");
        return o;
    }
};

TEST_F(BookScanTest, ListsEveryPurchaseWithItsArtworkAndMeasuresFolders) {
    FakeDiskDevice device;
    device.addFile("/Books/Purchases/Purchases.plist",
                   purchases({{"Book1.epub", "Title"}, {"Guide.pdf", "Guide"}, {"Other.epub", "Title"}}));
    device.addFile("/Books/Purchases/Book1.epub/mimetype", 20);
    device.addFile("/Books/Purchases/Book1.epub/OEBPS/chapter1.xhtml", 5000);
    device.addFile("/Books/Purchases/Book1.epub/iTunesArtwork", "first-art");
    device.addFile("/Books/Purchases/Guide.pdf", 90000);
    device.addFile("/Books/Purchases/Other.epub/content.opf", 700);
    device.addFile("/Books/Purchases/Other.epub/iTunesArtwork", "second-art");
    Books sink;
    disk::BookScan scan(device, options(), sink);
    ASSERT_EQ(scan.startScanDeviceBooks(), disk::BookScan::Outcome::Finished);

    ASSERT_EQ(sink.books.size(), 3u);
    const PRBookNode& first = *sink.books[0];
    EXPECT_EQ(first.filePath(), "/Books/Purchases/Book1.epub");
    EXPECT_EQ(first.bookName(), "Title.epub");
    EXPECT_EQ(first.fileType(), "epub");
    // A book kept as one file is listed and adds nothing; the artwork counts with its folder.
    EXPECT_EQ(sink.books[1]->bookName(), "Guide.pdf");
    EXPECT_EQ(sink.books[1]->imageIcon(), nullptr);
    EXPECT_EQ(scan.allBooksFileSize(), 20u + 5000u + 9u + 700u + 10u);
    // Two books of one name keep their own pictures.
    ASSERT_TRUE(first.imageIcon() && sink.books[2]->imageIcon());
    EXPECT_EQ(std::string(first.imageIcon()->begin(), first.imageIcon()->end()), "first-art");
    EXPECT_EQ(std::string(sink.books[2]->imageIcon()->begin(), sink.books[2]->imageIcon()->end()), "second-art");
    EXPECT_EQ(sink.values, (std::vector<float>{1.0f / 3, 2.0f / 3, 1.0f}));

    // Scanned again after the artwork went from the device: no picture from the earlier copy.
    device.contents.erase("/Books/Purchases/Book1.epub/iTunesArtwork");
    Books again;
    disk::BookScan(device, options(), again).startScanDeviceBooks();
    ASSERT_EQ(again.books.size(), 3u);
    EXPECT_EQ(again.books[0]->imageIcon(), nullptr);
}

TEST_F(BookScanTest, MissingOrBrokenListGivesNoBooksAndPathsNeverLeaveTheCopyFolder) {
    FakeDiskDevice device;
    Books none;
    EXPECT_EQ(disk::BookScan(device, options(), none).startScanDeviceBooks(), disk::BookScan::Outcome::Finished);
    EXPECT_TRUE(none.books.empty());

    device.addFile("/Books/Purchases/Purchases.plist", std::string("<?xml version=\"1.0\"?><plist><dict><key>Bo"));
    Books broken;
    disk::BookScan(device, options(), broken).startScanDeviceBooks();
    EXPECT_TRUE(broken.books.empty());

    // An entry climbing out of the purchases folder: its artwork is never copied outside.
    FakeDiskDevice hostile;
    hostile.addFile("/Books/Purchases/Purchases.plist", purchases({{"../../../escape", "Escape"}}));
    hostile.addFile("/escape/iTunesArtwork", "x");
    Books sink;
    disk::BookScan(hostile, options(), sink).startScanDeviceBooks();
    ASSERT_EQ(sink.books.size(), 1u);
    const std::filesystem::path icons = options().iconFolder;
    for (const auto& above : {icons.parent_path(), icons.parent_path().parent_path()})
        EXPECT_FALSE(std::filesystem::exists(above / "escape")) << above;
    EXPECT_EQ(hostile.copyCalls, 1);  // the list only

    device.mediaAreaStarts = false;
    Books noService;
    EXPECT_EQ(disk::BookScan(device, options(), noService).startScanDeviceBooks(), disk::BookScan::Outcome::NoService);
}

}  // namespace
