// The clean pages as a user meets them: the banner and sidebar visits in any order (the page
// shown, its banner button and its sidebar row), removals and what the labels say afterwards,
// and the confirmation before each bulk removal.
#include "AppFixture.h"

#include "SampleDevice.h"
#include "clean/PRCleanViewController.h"
#include "platform/SimulatedDevices.h"
#include "widgets/PRButton.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

using apptest::AppTest;

namespace {

void click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

class CleanPages : public AppTest {
protected:
    void attachSample() {
        const std::string folder = home.path() + "/sample";
        ASSERT_TRUE(sampledevice::write(folder));
        simdevice::attach(folder);
        ASSERT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
        app->window()->resize(1100, 700);
    }
    void scanDevice() {
        app->overview().cleanBtn->click();
        ASSERT_TRUE(testsupport::waitUntil([this] { return !app->cleanPanel().cleanFinishView->isHidden(); }));
        ASSERT_TRUE(testsupport::waitUntil([this] { return !app->cleanViewController->isScanning(); }));
    }
    // The banner buttons shown pressed, by object name.
    std::vector<std::string> litBanner() const {
        std::vector<std::string> lit;
        for (PRBannerButton* b : app->window()->findChildren<PRBannerButton*>())
            if (b->btnDown()) lit.push_back(b->objectName().toStdString());
        return lit;
    }
    // The sidebar rows styled as selected, by row number.
    std::vector<int> litRows() const {
        std::vector<int> lit;
        for (int i = 0; i < PRSidebar::kRows; ++i)
            if (app->sidebar()->row(i).imageView->property("imageName").toString() == app->sidebar()->row(i).selectedImage)
                lit.push_back(i);
        return lit;
    }
    PRCleanViewController* page() const { return app->cleanViewController; }
    bool appCleanerPanelShown() const {
        return page()->appClean().cleanDiskView->isVisible() && app->cleanPanel().cleanShowView->isHidden();
    }
};

}  // namespace

TEST_F(CleanPages, EveryAppCleanerVisitShowsItsPanelAsLeftWhateverListWasShownBefore) {
    attachSample();
    click(app->banner().appCleanBannerBtn);
    EXPECT_TRUE(appCleanerPanelShown());
    // Before any scan the top of the page draws no progress at all.
    EXPECT_TRUE(app->cleanPanel().cleanShowView->isHidden());

    // The app cleaner scans; its lists and the device clean's lists come and go.
    click(page()->appClean().appStartBtn);
    ASSERT_TRUE(page()->appCleanScanning());
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page()->appCleanScanning(); }));
    page()->ClickCacheFileAction();
    EXPECT_TRUE(page()->appClean().cleanCacheTableView->isVisible());
    click(app->banner().appCleanBannerBtn);
    EXPECT_TRUE(appCleanerPanelShown());
    EXPECT_TRUE(page()->appClean().appCachelab->isVisible()) << "the scanned state stays";
    EXPECT_TRUE(page()->appClean().appCacheBtn->isEnabled());

    scanDevice();
    for (void (OstrevaneAppDelegate::*row)(QObject*) :
         {&OstrevaneAppDelegate::ClickCleanJunk, &OstrevaneAppDelegate::ClickCleanCache, &OstrevaneAppDelegate::ClickCleanCook,
          &OstrevaneAppDelegate::ClickCleanMedia}) {
        (app.get()->*row)(nullptr);
        EXPECT_FALSE(page()->appClean().cleanDiskView->isVisible());
        EXPECT_FALSE(app->cleanPanel().cleanShowView->isHidden()) << "the device clean keeps its summary";
        click(app->banner().appCleanBannerBtn);
        EXPECT_TRUE(appCleanerPanelShown());
        EXPECT_TRUE(page()->appClean().appCachelab->isVisible());
    }
    testsupport::saveScreenshot(app->window(), "app-cleaner-after-a-clean-list");
}

TEST_F(CleanPages, TheLitBannerButtonAndSidebarRowAreThoseOfThePageShown) {
    attachSample();
    EXPECT_EQ(litBanner(), std::vector<std::string>{"mainStatusBannerBtn"});
    EXPECT_EQ(litRows(), std::vector<int>{0});

    struct Visit {
        std::function<void()> go;
        const char* banner;
        std::vector<int> rows;
    };
    const Visit visits[] = {
        {[this] { click(app->banner().privacyBannerBtn); }, "privacyBannerBtn", {}},
        {[this] { app->sidebar()->row(13).button->click(); }, "mainStatusBannerBtn", {13}},  // back up the device
        {[this] { click(app->banner().appCleanBannerBtn); }, "appCleanBannerBtn", {}},
        {[this] { app->sidebar()->row(10).button->click(); }, "mainStatusBannerBtn", {10}},  // cache cleaner
        {[this] { click(app->banner().mainStatusBannerBtn); }, "mainStatusBannerBtn", {0}},
        {[this] { click(app->overview().photoButton); }, "diskManageBannerBtn", {}},       // a disk manager page
        {[this] { app->ClickPhotoDiskManage(nullptr); }, "diskManageBannerBtn", {}},
        {[this] { app->sidebar()->row(3).button->click(); }, "mainStatusBannerBtn", {3}},    // photos
        {[this] { click(app->banner().adsRemoveBannerBtn); }, "adsRemoveBannerBtn", {}},
        {[this] { app->overview().cleanBtn->click(); }, "mainStatusBannerBtn", {}},          // the device clean's pane
        {[this] { click(app->banner().findLargeBannerBtn); }, "findLargeBannerBtn", {}},
        {[this] { app->sidebar()->row(14).button->click(); }, "mainStatusBannerBtn", {14}},  // the backup browser
        {[this] { click(app->banner().oneClickCopyBannerBtn); }, "oneClickCopyBannerBtn", {}},
        {[this] { app->sidebar()->row(1).button->click(); }, "mainStatusBannerBtn", {1}},
    };
    int step = 0;
    for (const Visit& v : visits) {
        v.go();
        EXPECT_EQ(litBanner(), std::vector<std::string>{v.banner}) << "step " << step;
        EXPECT_EQ(litRows(), v.rows) << "step " << step;
        ++step;
    }
}
