#include "platform/NotificationCenter.h"
#include "widgets/ButtonNotices.h"
#include "widgets/NSImageResizeTo.h"
#include "widgets/PRButton.h"
#include "widgets/PRButtonCell.h"
#include "widgets/PRImageAndTextCell.h"
#include "widgets/PRTextView.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Records every notification of the given names with its sender.
class Recorder {
public:
    explicit Recorder(std::initializer_list<const NoticeName*> notices) {
        for (const NoticeName* notice : notices)
            notice->observe(NSNotificationCenter::defaultCenter(), this,
                            [this](const NSNotification& n) { posted.emplace_back(n.name(), n.sender()); });
    }
    ~Recorder() { NSNotificationCenter::defaultCenter().removeObserver(this); }
    std::vector<std::pair<std::string, const void*>> posted;
};

void enter(QWidget* w) {
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(w, &e);
}

void leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

void press(QWidget* w, QPoint at = QPoint(3, 3)) {
    QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
    QMouseEvent r(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &r);
}

QImage solid(int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

}  // namespace

TEST(NotifyingButtons, BannerButtonIsSilentWhileDown) {
    PRBannerButton banner;
    banner.resize(40, 40);
    Recorder rec(
        {&notices::PRBannerButtonMouseEntered, &notices::PRBannerButtonMouseExited, &notices::PRBannerButtonMouseDown});
    QSignalSpy clicked(&banner, &QAbstractButton::clicked);

    enter(&banner);
    leave(&banner);
    press(&banner);
    EXPECT_TRUE(banner.btnDown());
    enter(&banner);  // down: no hover
    leave(&banner);
    press(&banner);  // a second press posts again
    banner.setBtnDown(false);
    enter(&banner);

    const std::vector<std::pair<std::string, const void*>> expected = {
        {notices::PRBannerButtonMouseEntered.name(), &banner},
        {notices::PRBannerButtonMouseExited.name(), &banner},
        {notices::PRBannerButtonMouseDown.name(), &banner},
        {notices::PRBannerButtonMouseDown.name(), &banner},
        {notices::PRBannerButtonMouseEntered.name(), &banner}};
    EXPECT_EQ(rec.posted, expected);
    EXPECT_EQ(clicked.count(), 0);  // the notification is the only effect of a press
}

TEST(NotifyingButtons, EachClassPostsItsOwnNameWithItselfAsSender) {
    PRButton hover;
    PRScanButton scanA, scanB;
    PRClosedButton close;
    PROneCopyButton copy;
    PRDiskManagButton disk;
    PRAppCleanButton clean;
    PRLargeFileButton large;
    Recorder rec({&notices::PRbuttonMouseEntered, &notices::PRbuttonMouseExited, &notices::MyScanbuttonMouseDown,
                  &notices::MyClosebuttonMouseDown, &notices::MyOneCopyButtonMouseDown,
                  &notices::MyDiskManagebuttonMouseDown, &notices::MyAppCleanbuttonMouseDown,
                  &notices::MyLargeFileButtonMouseDown});
    enter(&hover);
    leave(&hover);
    press(&hover);  // a hover button does nothing on a press
    for (QWidget* w : std::initializer_list<QWidget*>{&scanB, &scanA, &close, &copy, &disk, &clean, &large}) press(w);

    const std::vector<std::pair<std::string, const void*>> expected = {
        {notices::PRbuttonMouseEntered.name(), &hover},       {notices::PRbuttonMouseExited.name(), &hover},
        {notices::MyScanbuttonMouseDown.name(), &scanB},      {notices::MyScanbuttonMouseDown.name(), &scanA},
        {notices::MyClosebuttonMouseDown.name(), &close},     {notices::MyOneCopyButtonMouseDown.name(), &copy},
        {notices::MyDiskManagebuttonMouseDown.name(), &disk}, {notices::MyAppCleanbuttonMouseDown.name(), &clean},
        {notices::MyLargeFileButtonMouseDown.name(), &large}};
    EXPECT_EQ(rec.posted, expected);
}

TEST(PRButtonCell, LeftSquareIsTheTrackingArea) {
    PRButtonCell cell;
    const QRectF frame(10, 0, 100, 20);
    EXPECT_EQ(cell.hitTestForEvent(QPointF(25, 10), frame), NSCellHitTrackableArea);
    EXPECT_EQ(cell.hitTestForEvent(QPointF(60, 10), frame), NSCellHitContentArea | NSCellHitTrackableArea);
    EXPECT_EQ(cell.hitTestForEvent(QPointF(200, 10), frame), NSCellHitNone);
    cell.mouseEntered();
    EXPECT_TRUE(cell.showsBorderOnlyWhileMouseInside());
    cell.mouseExited();
    EXPECT_FALSE(cell.showsBorderOnlyWhileMouseInside());
}

TEST(PRImageAndTextCell, GeometryWithAndWithoutAnIcon) {
    PRImageAndTextCell cell;
    PRAppImageAndTextCell appCell;
    const QRectF frame(10, 20, 200, 40);
    const QImage icon = solid(16, 16, Qt::red);

    // Without an icon the text sits 5 points lower (18 in the app cell) and the size is 3 wider.
    EXPECT_EQ(cell.textDrawRect(frame, QImage()), QRectF(10, 25, 200, 35));
    EXPECT_EQ(appCell.textDrawRect(frame, QImage()), QRectF(10, 38, 200, 22));
    EXPECT_EQ(cell.cellSize(QSizeF(50, 17), QImage()), QSizeF(53, 17));
    EXPECT_TRUE(cell.titleRectForBounds(frame).isNull());

    EXPECT_EQ(PRImageAndTextCell::imageRectForBounds(frame, icon), QRectF(13, 32, 16, 16));
    EXPECT_EQ(PRImageAndTextCell::titleRectForBounds(frame, icon), QRectF(29, 20, 181, 40));
    EXPECT_EQ(cell.textDrawRect(frame, icon), QRectF(29, 20, 181, 40));
    EXPECT_EQ(appCell.imageDrawRect(frame, icon).x(), cell.imageDrawRect(frame, icon).x() + 10);
    EXPECT_EQ(cell.cellSize(QSizeF(50, 17), icon), QSizeF(69, 17));
    EXPECT_EQ(cell.hitTestForEvent(QPointF(15, 25), frame, icon), 1);
}

TEST(PRImageAndTextCell, PressRecordsWhetherItLandedOnTheCheckArea) {
    PRImageAndTextCell cell;
    PRAppImageAndTextCell appCell;
    const QImage icon = solid(16, 16, Qt::red);
    const QRectF frame(0, 0, 400, 20);
    EXPECT_TRUE(cell.trackMouse(272, frame, icon));  // 272 - 8 - 0 - 264 = 0
    EXPECT_TRUE(cellCheckAreaClicked);
    cell.trackMouse(273, frame, icon);
    EXPECT_FALSE(cellCheckAreaClicked);
    cellCheckAreaClicked = true;
    EXPECT_TRUE(appCell.trackMouse(900, frame, icon));  // the app cell records nothing
    EXPECT_TRUE(cellCheckAreaClicked);
}

TEST(TextViews, ReadOnlyTextSwallowsInputAndFeedbackClearsItsPlaceholder) {
    PRTextView text;
    text.setString("kept");
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(text.viewport(), &key);
    QApplication::sendEvent(&text, &key);
    EXPECT_EQ(text.string(), "kept");
    EXPECT_EQ(text.contextMenuPolicy(), Qt::NoContextMenu);

    PRFeedBackView feedback;
    feedback.setPlainText(PRFeedBackView::kPlaceholder);
    press(feedback.viewport());
    EXPECT_EQ(feedback.toPlainText(), "");
    EXPECT_EQ(feedback.font().pixelSize() > 0 ? feedback.font().pixelSize() : feedback.font().pointSize(), 11);
    feedback.setPlainText("my own words");
    press(feedback.viewport());
    EXPECT_EQ(feedback.toPlainText(), "my own words");
}

TEST(ImageScaling, ResizeDrawsOnWhiteAndThumbnailRefusesNull) {
    const QImage clear = solid(10, 10, Qt::transparent);
    const QImage resized = resizeTo(clear, QSize(36, 36));
    EXPECT_EQ(resized.size(), QSize(36, 36));
    EXPECT_EQ(resized.pixelColor(18, 18), QColor(Qt::white));
    EXPECT_TRUE(thumbnailImage(QImage(), QSize(20, 20)).isNull());
    EXPECT_EQ(thumbnailImage(solid(8, 8, Qt::blue), QSize(20, 10)).size(), QSize(20, 10));
}
