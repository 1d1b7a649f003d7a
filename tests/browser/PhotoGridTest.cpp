// The photo grid: thumbnails are decoded only for the cells on screen and the rows just past
// them, the range follows the real column count (also when the grid is narrower than a
// cell), and the cell titles are shortened at whole characters.
#include "SampleDeviceMedia.h"
#include "TestSupport.h"
#include "browser/PRRecordPreviewPane.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRSrollThumView.h"
#include "browser/PRThumbnailModel.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QScrollBar>

namespace {

class PhotoGridTest : public testsupport::HomeTest {
protected:
    // count small PNG photos on disk, as the scan would list them.
    std::vector<PRPhotoAndVideoNodePtr> photos(int count) {
        const std::string dir = testsupport::scratchDirectory("grid");
        std::vector<PRPhotoAndVideoNodePtr> records;
        QImage image(160, 120, QImage::Format_RGB32);
        for (int i = 0; i < count; ++i) {
            image.fill(QColor::fromHsv(i % 360, 200, 220));
            const QString path = QString::fromStdString(dir) + QString("/IMG_%1.PNG").arg(i, 5, 10, QChar('0'));
            image.save(path, "PNG", 100);  // stored fast, uncompressed
            auto p = std::make_shared<PRPhotoAndVideoNode>();
            p->setFileNodeName(QString("IMG_%1.PNG").arg(i, 5, 10, QChar('0')).toStdString());
            p->setFilePath(path.toStdString());
            records.push_back(p);
        }
        return records;
    }
};

}  // namespace

TEST_F(PhotoGridTest, OnlyTheCellsOnScreenAndJustPastThemAreDecoded) {
    PRPhotoAndVideoController photos;
    photos.setRecords(this->photos(5000));
    PRThumbnailModel model(&photos);
    PRSrollThumView grid;
    grid.setThumbnailModel(&model);
    grid.resize(720, 440);  // 5 columns, about 3 rows of 140
    grid.show();
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    model.waitForIdle();

    const int columns = grid.columnCount();
    EXPECT_EQ(columns, (grid.viewport()->width()) / PRSrollThumView::kCell);
    const int visible = columns * 3;
    for (int row = 0; row < visible; ++row) EXPECT_TRUE(model.isLoaded(row)) << row;
    EXPECT_LE(model.decodedCount(), columns * (4 + 4));
    EXPECT_FALSE(model.isLoaded(4999));
    testsupport::saveScreenshot(&grid, "photo-grid");

    // Scrolled to the end: the last cells load, the middle never does.
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    model.waitForIdle();
    EXPECT_TRUE(model.isLoaded(4999));
    EXPECT_FALSE(model.isLoaded(2500));
    EXPECT_LE(model.decodedCount(), 2 * columns * (4 + 4));

    // Narrower than one cell: one column, and its cells still load.
    grid.verticalScrollBar()->setValue(0);
    grid.resize(60, 440);
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    model.waitForIdle();
    EXPECT_EQ(grid.columnCount(), 1);
    EXPECT_TRUE(model.isLoaded(0));
}

TEST_F(PhotoGridTest, TheRangeFollowsTheColumnsAndTheCheckBoxesMarkTheRecords) {
    using R = PRSrollThumView::Range;
    auto range = [](int count, double p, int columns, int rows) {
        const R r = PRSrollThumView::getArrayRange(count, p, columns, rows);
        return std::make_pair(r.first, r.end);
    };
    EXPECT_EQ(range(3, 0, 5, 4), std::make_pair(0, 3));
    EXPECT_EQ(range(1000, 0, 5, 4), std::make_pair(0, 40));
    EXPECT_EQ(range(1000, 2.4, 5, 4), std::make_pair(10, 55));  // whole rows from the one at the top
    EXPECT_EQ(range(1000, 2.4, 8, 4), std::make_pair(16, 88));
    EXPECT_EQ(range(1000, 0, 0, 0), std::make_pair(0, 5));   // below one cell: one column, one row
    EXPECT_EQ(range(10, 50, 5, 4), std::make_pair(10, 10));  // past the end: empty

    EXPECT_EQ(PRThumbnailModel::shortTitle("IMG_00001.JP"), "IMG_00001.JP");
    EXPECT_EQ(PRThumbnailModel::shortTitle("IMG_0001X.JPG"), "IMG_0001X.JPG");   // 13 bytes
    EXPECT_EQ(PRThumbnailModel::shortTitle("IMG_00001X.JPG"), "IMG_0...X.JPG");  // 14 bytes
    EXPECT_EQ(PRThumbnailModel::shortTitle(QString::fromUtf8("Été_photo_2013.jpg")), QString::fromUtf8("Été_...3.jpg"));
    EXPECT_EQ(PRThumbnailModel::shortTitle(QString::fromUtf8("😀😀😀😀😀😀")), QString::fromUtf8("😀😀😀😀...😀😀😀😀😀"));

    // A corrupt file keeps its placeholder; a check box marks the record of the table.
    PRPhotoAndVideoController photos;
    auto records = this->photos(2);
    auto broken = std::make_shared<PRPhotoAndVideoNode>();
    broken->setFileNodeName("broken.jpg");
    broken->setFilePath(testsupport::scratchDirectory("grid") + "/IMG_00000.PNG.missing");
    records.push_back(broken);
    photos.setRecords(records);
    PRThumbnailModel model(&photos);
    EXPECT_TRUE(PRThumbnailModel::decodeThumbnail(QString::fromStdString(broken->filePath())).isNull());
    model.loadRange(0, 3);
    model.waitForIdle();
    EXPECT_TRUE(model.isLoaded(2));
    EXPECT_FALSE(model.index(2, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(model.index(0, 0).data(Qt::DecorationRole).value<QIcon>().availableSizes().value(0),
              QSize(PRThumbnailModel::kThumbnailSize, 96));
    model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_TRUE(records[1]->bSelected());
    EXPECT_EQ(photos.markedCount(), 1u);

    // Another backup's records: nothing cached for the old ones is shown for them.
    model.loadRange(0, 3);
    photos.setRecords(this->photos(1));
    EXPECT_FALSE(model.isLoaded(0));
    model.waitForIdle();
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_FALSE(model.isLoaded(0));
    model.loadRange(0, 1);
    model.waitForIdle();
    EXPECT_TRUE(model.isLoaded(0));
}

// Movies show their first frame; what gives no picture shows the icon of its type: a movie the
// media backend cannot open (or one named by a link, which is not followed), and a photo that
// does not decode.
TEST_F(PhotoGridTest, MoviesShowAFrameAndWhatGivesNoPictureItsTypeIcon) {
    const std::string movie = sampledevice::shortMovie(320, 240, 2, "mov");
    ASSERT_FALSE(movie.empty()) << "the movie maker (ffmpeg) is missing";
    const QString dir = QString::fromStdString(testsupport::scratchDirectory("grid"));
    auto put = [&](const QString& name, const std::string& bytes) {
        QFile file(dir + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), qint64(bytes.size()));
        return (dir + "/" + name).toStdString();
    };
    auto record = [](const std::string& name, const std::string& path, bool movie) {
        auto r = std::make_shared<PRPhotoAndVideoNode>();
        r->setFileNodeName(name);
        r->setFilePath(path);
        r->setBmov(movie);
        return r;
    };
    const std::string real = put("IMG_0001.MOV", movie);
    ASSERT_TRUE(QFile::link(QString::fromStdString(real), dir + "/linked"));
    PRPhotoAndVideoController photos;
    photos.setRecords({record("IMG_0001.MOV", real, true), record("IMG_0002.MOV", put("fake", "not a movie"), true),
                       record("IMG_0003.MOV", (dir + "/linked").toStdString(), true),
                       record("IMG_0004.PNG", put("broken", "not a picture"), false)});
    PRThumbnailModel model(&photos);
    model.loadRange(0, 4);
    model.waitForIdle();
    auto shown = [&](int row) {
        return model.index(row, 0)
            .data(Qt::DecorationRole)
            .value<QIcon>()
            .pixmap(PRThumbnailModel::kThumbnailSize)
            .toImage();
    };
    auto icon = [](const QString& extension) {
        return QIcon(QPixmap::fromImage(PRRecordPreviewPane::fileTypeIcon(extension).scaled(
                         PRThumbnailModel::kThumbnailSize, PRThumbnailModel::kThumbnailSize, Qt::KeepAspectRatio,
                         Qt::SmoothTransformation)))
            .pixmap(PRThumbnailModel::kThumbnailSize)
            .toImage();
    };
    for (int row = 0; row < 4; ++row) EXPECT_TRUE(model.isLoaded(row)) << row;
    // The frame: 4:3 as the movie, and no icon.
    EXPECT_EQ(shown(0).size(), QSize(PRThumbnailModel::kThumbnailSize, 96));
    EXPECT_NE(shown(0), icon("mov"));
    EXPECT_EQ(shown(1), icon("mov"));
    EXPECT_EQ(shown(2), icon("mov"));
    EXPECT_EQ(shown(3), icon("PNG"));
}
