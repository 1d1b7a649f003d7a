#include "widgets/PRProgressView.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {
const QColor kRed(252, 61, 45);
const QColor kLightBlue(139, 234, 254);

// Every segment lies inside a view of width w and height h.
void expectInside(const std::vector<BarSegment>& segments, qreal w, qreal h) {
    for (const BarSegment& s : segments) {
        EXPECT_GE(s.rect.left(), 0);
        EXPECT_LE(s.rect.right(), w);
        EXPECT_GE(s.rect.top(), 0);
        EXPECT_LE(s.rect.bottom(), h);
    }
}
}  // namespace

TEST(PRProgressView, BarFollowsTheValueWithAMinimumWidth) {
    EXPECT_FALSE(PRProgressView::barFor(200, 20, 0));
    EXPECT_FALSE(PRProgressView::barFor(200, 20, 1.01f));
    auto half = PRProgressView::barFor(200, 20, 0.5f);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->rect, QRectF(2, 2.5, 96, 16.5));     // 1 point above the bottom, 3.5 shorter
    auto tiny = PRProgressView::barFor(200, 20, 0.01f);  // 200 * 0.01 - 4 <= 0
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->rect.width(), 2);
    auto full = PRProgressView::barFor(200, 20, 1.0f);
    ASSERT_TRUE(full);
    expectInside({*full}, 200, 20);
}

TEST(PRColorProgressView, UsedFreeModeTurnsRedAboveHalf) {
    PRColorProgressView bar;
    EXPECT_FALSE(bar.getShowMore());
    EXPECT_TRUE(bar.segments(200, 20).empty());  // a fresh bar draws only its bezel

    bar.setProgressValueWithusedValue(0.5f, 0.5f);
    auto half = bar.segments(200, 20);
    ASSERT_EQ(half.size(), 1u);
    EXPECT_EQ(half[0].start, kLightBlue);
    EXPECT_EQ(half[0].rect.x(), 2);

    bar.setProgressValueWithusedValue(0.51f, 0.49f);
    auto more = bar.segments(200, 20);
    ASSERT_EQ(more.size(), 1u);
    EXPECT_EQ(more[0].start, kRed);

    bar.setProgressValueWithusedValue(1.0f, 0.0f);  // full: clipped at the right edge
    expectInside(bar.segments(200, 20), 200, 20);

    bar.setProgressValueWithusedValue(0.0f, 0.0f);  // a capacity of 0 shows an empty bar
    EXPECT_TRUE(bar.segments(200, 20).empty());
}

TEST(PRColorProgressView, CategoriesFollowEachOtherAndSkipEmptyOnes) {
    PRColorProgressView bar;
    bar.setProgressValueWithMusicValue(0, 0.3f, 0.0001f, 0.2f, 0);
    EXPECT_TRUE(bar.getShowMore());
    auto s = bar.segments(200, 20);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].start, PRColorProgressView::categoryColor(1));  // photo
    EXPECT_DOUBLE_EQ(s[0].rect.x(), 0);
    EXPECT_NEAR(s[0].rect.width(), 60, 1e-4);
    EXPECT_NEAR(s[1].rect.x(), 60, 1e-4);  // video: too thin, drawn 2 wide
    EXPECT_DOUBLE_EQ(s[1].rect.width(), 2);
    EXPECT_NEAR(s[2].rect.x(), 62, 1e-4);  // app
    EXPECT_NEAR(s[2].rect.width(), 40, 1e-4);

    // The used/free call goes back to two-part mode.
    bar.setProgressValueWithusedValue(0.2f, 0.8f);
    EXPECT_FALSE(bar.getShowMore());
}

TEST(PRColorProgressView, SharesAboveTheWholeStayInsideTheView) {
    PRColorProgressView bar;
    bar.setProgressValueWithMusicValue(0.6f, 0.6f, 0.6f, -0.4f, 2.0f);
    auto s = bar.segments(300, 22);
    EXPECT_LE(s.size(), 3u);  // the negative share draws nothing, the rest stops at the edge
    expectInside(s, 300, 22);
}

TEST(CircleProgressView, StoresWithoutRedrawingAndDrawsNothingAtZero) {
    CircleProgressView view;
    view.resize(40, 40);
    EXPECT_EQ(view.progress(), 0);
    QImage blank(40, 40, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    QImage drawn = blank;
    view.render(&drawn, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_EQ(drawn, blank);
    view.setProgress(3.0f);
    EXPECT_FLOAT_EQ(view.progress(), 3.0f);
    view.render(&drawn, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_NE(drawn, blank);
}
