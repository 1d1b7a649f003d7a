// The disk manager's media result pages against an in-memory device: the music, video, book
// and photo tables, their detail panes and the photo preview read from the local copy.
#include "FakeDiskDevice.h"
#include "SampleMediaLibrary.h"
#include "TestSupport.h"
#include "disk/DiskBookListController.h"
#include "disk/DiskMusicListController.h"
#include "disk/DiskPhotoListController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/core/MediaLibraryReader.h"
#include "model/PRRecordFields.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QTableView>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using testsupport::waitUntil;

namespace {

std::string encoded(const QColor& color, const char* format) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

// The colour in the middle of the picture a label shows.
QColor shownColour(QLabel* label) {
    const QImage image = label->pixmap().toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
           std::abs(a.blue() - b.blue()) < 24;
}

class DiskMediaPagesTest : public testsupport::HomeTest {
protected:
    void SetUp() override {
        page = std::make_unique<PRDiskaManagerViewController>(device);
        page->deviceConnected = [] { return true; };
        host.resize(1000, 620);
        page->showView(&host);
        host.show();
    }
    void TearDown() override {
        page.reset();
        EXPECT_TRUE(testsupport::waitForWorkers());
    }
    bool waitIdle() {
        return waitUntil([this] { return page->runningScans() == 0 && !page->scanState().anyScanning(); });
    }
    void select(QTableView* table, int row) {
        table->selectRow(row);
        table->setCurrentIndex(table->model()->index(row, 0));
    }

    FakeDiskDevice device;
    QWidget host;
    std::unique_ptr<PRDiskaManagerViewController> page;
};

TEST_F(DiskMediaPagesTest, PhotoPreviewCopiesOnceAndShowsTheFileOfThatPath) {
    // One name in two folders: each row must show its own picture.
    device.addFile("/DCIM/100APPLE/IMG_0001.JPG", encoded(QColor(220, 30, 30), "JPG"));
    device.addFile("/DCIM/101APPLE/IMG_0001.JPG", encoded(QColor(30, 40, 220), "JPG"));
    device.addFile("/DCIM/101APPLE/IMG_0002.PNG", encoded(QColor(30, 200, 60), "PNG"));
    page->ScanDiskPhotoFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->shownPage(), page->photoFileView);
    ASSERT_EQ(page->photoFileController->rowCount(), 3);
    EXPECT_EQ(page->photoFileSizelab->text().toStdString(), sizeText(page->allPhotoFileSize));

    select(page->photoFileTableview, 0);
    ASSERT_TRUE(waitUntil([this] { return page->photoFileController->objectAt(0)->bhasCopy(); }));
    ASSERT_TRUE(waitUntil([this] { return !page->photoPreviewImage->pixmap().isNull(); }));
    EXPECT_TRUE(near(shownColour(page->photoPreviewImage), QColor(220, 30, 30)));
    EXPECT_EQ(page->photoPreviewFileName->text(), "IMG_0001.JPG");

    select(page->photoFileTableview, 1);
    ASSERT_TRUE(waitUntil([this] { return near(shownColour(page->photoPreviewImage), QColor(30, 40, 220)); }));
    select(page->photoFileTableview, 2);
    ASSERT_TRUE(waitUntil([this] { return near(shownColour(page->photoPreviewImage), QColor(30, 200, 60)); }));

    // Selected again: the local copy, without asking the device.
    ASSERT_TRUE(waitUntil([this] { return page->runningScans() == 0; }));
    const int copies = device.copyCalls;
    select(page->photoFileTableview, 0);
    EXPECT_EQ(page->runningScans(), 0);
    EXPECT_TRUE(near(shownColour(page->photoPreviewImage), QColor(220, 30, 30)));
    EXPECT_EQ(device.copyCalls, copies);
}

TEST_F(DiskMediaPagesTest, APhotoThatCannotBeCopiedIsTriedAgainLater) {
    device.addFile("/DCIM/100APPLE/IMG_0001.JPG", 5000);  // no bytes to hand out
    page->ScanDiskPhotoFiles();
    ASSERT_TRUE(waitIdle());
    select(page->photoFileTableview, 0);
    ASSERT_TRUE(waitUntil([this] { return device.copyCalls == 1 && page->runningScans() == 0; }));
    EXPECT_FALSE(page->photoFileController->objectAt(0)->bhasCopy());
    page->photoFileTableview->clearSelection();
    select(page->photoFileTableview, 0);
    EXPECT_TRUE(waitUntil([this] { return device.copyCalls == 2; }));
}

TEST_F(DiskMediaPagesTest, MusicAndVideoTablesShowTheLibraryAndSortSizesByBytes) {
    sampledb::MediaLibrary library;
    library.baseLocations = {{3840, "iTunes_Control/Music/F00"}};
    auto add = [&](int64_t pid, const char* title, int kind, int64_t size, const char* file) {
        sampledb::MediaTrack t;
        t.itemPid = pid;
        t.title = title;
        t.mediaKind = kind;
        t.fileSize = size;
        t.totalTimeMs = 61000;
        t.artist = "The Band";
        t.artistPid = 9001;
        t.album = "First Album";
        t.albumPid = 9002;
        t.baseLocationId = 3840;
        t.location = file;
        library.tracks.push_back(t);
        device.addFile(std::string("/iTunes_Control/Music/F00/") + file, uint64_t(size));
    };
    add(11, "Big Song", 1, 9000000, "AAAA.m4a");
    add(12, "Small Song", 1, 950000, "BBBB.m4a");
    add(13, "Mid Song", 1, 3000000, "CCCC.m4a");
    add(14, "Holiday Film", 2, 42000000, "DDDD.m4v");
    const std::string made = testsupport::scratchDirectory("made") + "/MediaLibrary.sqlitedb";
    ASSERT_TRUE(sampledb::writeMediaLibrary(made, library));
    std::ifstream in(made, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    device.addFile(disk::kMediaLibraryDevicePath, bytes.str());

    page->ScanDiskMusicFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->shownPage(), page->musicFileView);
    QAbstractItemModel* shown = page->musicFileTableView->model();
    ASSERT_EQ(shown->rowCount(), 3);
    EXPECT_EQ(page->musicFileSizelab->text().toStdString(), sizeText(9000000 + 950000 + 3000000));
    EXPECT_EQ(page->videoFileSizelab->text().toStdString(), sizeText(42000000));
    EXPECT_EQ(shown->index(0, DiskMusicListController::Artist).data().toString(), "The Band");
    EXPECT_EQ(shown->index(0, DiskMusicListController::Album).data().toString(), "First Album");
    EXPECT_EQ(shown->index(0, DiskMusicListController::Time).data().toString(), "00:01:01");

    // "950.00KB" sorts below "3.00MB" and "9.00MB" by bytes, not by its text.
    page->musicFileTableView->sortByColumn(DiskMusicListController::Size, Qt::AscendingOrder);
    QStringList titles;
    for (int r = 0; r < 3; ++r) titles << shown->index(r, DiskMusicListController::Title).data().toString();
    EXPECT_EQ(titles, (QStringList{"Small Song", "Mid Song", "Big Song"}));

    select(page->musicFileTableView, 0);
    EXPECT_EQ(page->musicPreviewFileName->text(), "Small Song");
    EXPECT_EQ(page->musicPreviewFileSize->text(), "950.00KB");
    EXPECT_FALSE(page->musicPreviewImage->pixmap().isNull());

    page->ScanDiskVideoFiles();
    ASSERT_EQ(page->shownPage(), page->videoFileView);
    ASSERT_EQ(page->vidoeFileTableView->model()->rowCount(), 1);
    select(page->vidoeFileTableView, 0);
    EXPECT_EQ(page->videoPreviewFileName->text(), "Holiday Film");
}

TEST_F(DiskMediaPagesTest, ABookShowsItsArtworkAndNameAndLeavesTheSizeAlone) {
    device.addFile("/Books/Purchases/Purchases.plist",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Books</key><array>"
                   "<dict><key>Name</key><string>Sea Stories</string><key>Path</key><string>Sea.epub</string></dict>"
                   "</array></dict></plist>\n");
    device.addFile("/Books/Purchases/Sea.epub/iTunesArtwork", encoded(QColor(240, 180, 20), "PNG"));
    device.addFile("/Books/Purchases/Sea.epub/OPS/book.xhtml", 12000);
    page->ScanDiskBooksFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->shownPage(), page->booksFileView);
    ASSERT_EQ(page->booksFileController->rowCount(), 1);
    EXPECT_EQ(page->booksFileSizelab->text().toStdString(),
              sizeText(12000 + device.entries["/Books/Purchases/Sea.epub/iTunesArtwork"].size));
    EXPECT_FALSE(page->bookFileTableview->model()->index(0, 0).data(Qt::DecorationRole).isNull());
    select(page->bookFileTableview, 0);
    EXPECT_EQ(page->bookPreviewFileName->text(), "Sea Stories.epub");
    EXPECT_TRUE(near(shownColour(page->bookPreviewImage), QColor(240, 180, 20)));
}

}  // namespace
