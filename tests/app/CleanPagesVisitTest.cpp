// The clean pages as a user meets them: the banner and sidebar visits in any order (the page
// shown, its banner button and its sidebar row), removals and what the labels say afterwards,
// and the confirmation before each bulk removal.
#include "AppFixture.h"
#include "SampleDevice.h"
#include "clean/PRCleanViewController.h"
#include "clean/PRPrivacyController.h"
#include "clean/PRSystemBoostViewController.h"
#include "clean/core/CleanNotices.h"
#include "platform/SimulatedDevices.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTextDocumentFragment>
#include <QTreeView>

using apptest::AppTest;
using apptest::click;

namespace {

// A button that has become "Remove" takes a press once the scan's results have been on screen a
// moment, as a user's next press comes.
void letResultsSettle() { testsupport::spinEventLoop(std::chrono::milliseconds(ResultsSettle::kMilliseconds + 100)); }

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
            if (app->sidebar()->row(i).imageView->property("imageName").toString() ==
                app->sidebar()->row(i).selectedImage)
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
         {&OstrevaneAppDelegate::ClickCleanJunk, &OstrevaneAppDelegate::ClickCleanCache,
          &OstrevaneAppDelegate::ClickCleanCook, &OstrevaneAppDelegate::ClickCleanMedia}) {
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
        {[this] { click(app->overview().photoButton); }, "diskManageBannerBtn", {}},  // a disk manager page
        {[this] { app->ClickPhotoDiskManage(nullptr); }, "diskManageBannerBtn", {}},
        {[this] { app->sidebar()->row(3).button->click(); }, "mainStatusBannerBtn", {3}},  // photos
        {[this] { click(app->banner().adsRemoveBannerBtn); }, "adsRemoveBannerBtn", {}},
        {[this] { app->overview().cleanBtn->click(); }, "mainStatusBannerBtn", {}},  // the device clean's pane
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

TEST_F(CleanPages, EachBulkRemovalAsksOnceAndCancelChangesNothing) {
    attachSample();
    auto lastQuestion = [this] { return responder.alerts.back(); };
    auto isQuestion = [](const AlertRequest& alert) {
        return alert.buttons == QStringList{"Deleted", "Cancel"} && alert.window != nullptr;
    };

    // The device clean: "Fix all" and a category's remove-all.
    scanDevice();
    const clean::JunkScanCounters& found = page()->counters();
    const uint64_t files = found.totalFileNumber, bytes = found.totalFileSize;
    ASSERT_GT(files, 0u);
    responder.alertAnswer = NSAlertSecondButtonReturn;  // "Cancel"
    app->cleanPanel().fixAllButton->click();
    ASSERT_EQ(responder.alerts.size(), 1u);
    EXPECT_TRUE(isQuestion(lastQuestion()));
    EXPECT_EQ(lastQuestion().messageText,
              QString("Everything the scan found will be removed from your device: %1 files, %2.")
                  .arg(files)
                  .arg(OstrevaneAppDelegate::sizeText(bytes)));
    EXPECT_FALSE(app->fixRunning());
    EXPECT_FALSE(app->cleanPanel().cleanFinishView->isHidden()) << "the panel stays as it was";
    app->ClickCleanCache(nullptr);
    page()->cleanAllCacheFiles();
    ASSERT_EQ(responder.alerts.size(), 2u);
    EXPECT_TRUE(isQuestion(lastQuestion()));
    EXPECT_TRUE(lastQuestion().messageText.startsWith(
        QString("All cache files found on your device will be removed: %1 files, ").arg(found.cacheFileNumber.load())));
    page()->CleanAllSyncedMediaFile();
    ASSERT_EQ(responder.alerts.size(), 3u);
    EXPECT_TRUE(
        lastQuestion().messageText.startsWith("All failed-sync leftovers found on your device will be removed: "));
    ASSERT_TRUE(testsupport::waitUntil([this] { return page()->pendingJobs() == 0; }));
    EXPECT_EQ(found.totalFileNumber, files);
    EXPECT_EQ(found.totalFileSize, bytes);

    // The app cleaner's one pass, which takes the apps' documents too.
    click(app->banner().appCleanBannerBtn);
    click(page()->appClean().appStartBtn);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page()->appCleanScanning(); }));
    const uint64_t appFiles = page()->appCleanCounters().totalFileNumber;
    letResultsSettle();
    click(page()->appClean().appStartBtn);
    ASSERT_EQ(responder.alerts.size(), 4u);
    EXPECT_TRUE(isQuestion(lastQuestion()));
    EXPECT_TRUE(lastQuestion().messageText.startsWith(QString("%1 files (").arg(appFiles)));
    EXPECT_TRUE(lastQuestion().informativeText.contains("documents"));
    EXPECT_EQ(page()->appClean().appStartBtn->imageName(), "RemoveBtnNom.png");
    EXPECT_FALSE(page()->removeSheet().removeWindow && page()->removeSheet().removeWindow->isVisible());
    EXPECT_EQ(page()->appCleanCounters().totalFileNumber, appFiles);
    // Asked again, "Deleted" removes.
    responder.alertAnswer = NSAlertFirstButtonReturn;
    click(page()->appClean().appStartBtn);
    ASSERT_EQ(responder.alerts.size(), 5u);
    ASSERT_TRUE(
        testsupport::waitUntil([this] { return page()->appClean().appStartBtn->imageName() == "doneNom.png"; }));
    EXPECT_LT(page()->appCleanCounters().totalFileNumber, appFiles);

    // System boost's remove-all, which empties the device's Downloads.
    responder.alertAnswer = NSAlertSecondButtonReturn;
    click(app->banner().adsRemoveBannerBtn);
    PRSystemBoostViewController* boost = app->systemBoostViewController;
    click(boost->scanButton);
    ASSERT_TRUE(testsupport::waitUntil([boost] { return boost->isScanFinished(); }));
    const uint64_t boostFiles = boost->totalFileNumber;
    ASSERT_GT(boostFiles, 0u);
    letResultsSettle();
    click(boost->scanButton);
    ASSERT_EQ(responder.alerts.size(), 6u);
    EXPECT_TRUE(isQuestion(lastQuestion()));
    EXPECT_EQ(lastQuestion().messageText, boost->removeMessage());
    EXPECT_TRUE(lastQuestion().informativeText.contains("Downloads"));
    EXPECT_FALSE(boost->isRemoving());
    EXPECT_EQ(boost->scanButton->imageName(), "RemoveBtnNom.png");
    EXPECT_EQ(boost->totalFileNumber, boostFiles);

    // The privacy clean: a backup, a delete and a restore of the device.
    click(app->banner().privacyBannerBtn);
    EXPECT_FALSE(app->privacyController->StartPrivacyClean());
    ASSERT_EQ(responder.alerts.size(), 7u);
    EXPECT_TRUE(isQuestion(lastQuestion()));
    EXPECT_TRUE(lastQuestion().messageText.startsWith("The device will be backed up and restored"));
    EXPECT_FALSE(PRPrivacyController::isCleaning());
}

TEST_F(CleanPages, SpinnersShowOnlyWhileWorkRunsAndDoneGoesBackToIdle) {
    attachSample();
    responder.alertAnswer = NSAlertFirstButtonReturn;
    click(app->banner().appCleanBannerBtn);
    const PRCleanViewController::AppCleanOutlets& panel = page()->appClean();
    auto bars = {panel.appCacheProgress, panel.appCookProgress, panel.appJunkProgress, panel.appDocumentProgress,
                 panel.adsProgressor};
    for (PRProgressView* bar : bars) EXPECT_EQ(bar->value(), 0.0f) << "no progress before a scan";
    EXPECT_FALSE(panel.appFlashView->isVisible());

    click(panel.appStartBtn);
    EXPECT_TRUE(panel.appFlashView->isVisible());
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page()->appCleanScanning(); }));
    EXPECT_FALSE(panel.appFlashView->isVisible()) << "the scan has ended";
    for (PRProgressView* bar : bars) EXPECT_EQ(bar->value(), 1.0f);
    letResultsSettle();
    click(panel.appStartBtn);  // remove
    ASSERT_TRUE(testsupport::waitUntil([&] { return panel.appStartBtn->imageName() == "doneNom.png"; }));
    EXPECT_FALSE(panel.appFlashView->isVisible());
    click(panel.appStartBtn);  // "Done"
    EXPECT_EQ(panel.appStartBtn->imageName(), "scanNom.png");
    for (PRProgressView* bar : bars) EXPECT_EQ(bar->value(), 0.0f);
    EXPECT_FALSE(panel.appCachelab->isVisible());
    EXPECT_TRUE(panel.appCleanResultlab->text().isEmpty());
    // A new scan from idle works as the first did.
    click(panel.appStartBtn);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page()->appCleanScanning(); }));
    EXPECT_EQ(panel.appStartBtn->imageName(), "RemoveBtnNom.png");
    EXPECT_FALSE(panel.appFlashView->isVisible());

    // System boost: the same round.
    click(app->banner().adsRemoveBannerBtn);
    PRSystemBoostViewController* boost = app->systemBoostViewController;
    EXPECT_FALSE(boost->theFalshView->isVisible());
    click(boost->scanButton);
    ASSERT_TRUE(testsupport::waitUntil([boost] { return boost->isScanFinished(); }));
    EXPECT_FALSE(boost->theFalshView->isVisible());
    letResultsSettle();
    click(boost->scanButton);
    ASSERT_TRUE(testsupport::waitUntil([boost] { return boost->scanButton->imageName() == "doneNom.png"; }));
    click(boost->scanButton);  // "Done"
    EXPECT_EQ(boost->scanButton->imageName(), "scanNom.png");
    EXPECT_FALSE(boost->isScanFinished());
    EXPECT_FALSE(boost->theFalshView->isVisible());
}

TEST_F(CleanPages, LabelsHeaderAndTreesFollowWhatWasRemoved) {
    attachSample();
    scanDevice();
    responder.alertAnswer = NSAlertFirstButtonReturn;
    const clean::JunkScanCounters& left = page()->counters();
    auto header = [this] {
        return QTextDocumentFragment::fromHtml(app->cleanPanel().cleanFilelab->text()).toPlainText();
    };
    auto headerSays = [&] {
        return OstrevaneAppDelegate::cleanFinishedSentence(left.totalFileNumber,
                                                           OstrevaneAppDelegate::sizeText(left.totalFileSize));
    };
    auto titled = [](const char* title, uint64_t bytes) {
        return QString("%1 (%2)").arg(title, OstrevaneAppDelegate::sizeText(bytes));
    };
    EXPECT_EQ(header(), headerSays());

    // One app's cache folder, from the outline.
    app->ClickCleanCache(nullptr);
    QTreeView* outline = page()->deviceClean().CacheOutlineView;
    const int apps = outline->model()->rowCount();
    ASSERT_GT(apps, 1);
    const uint64_t cacheBefore = app->counter(AppCounter::AllCacheFileNumber);
    const uint64_t filesBefore = left.totalFileNumber;
    outline->setCurrentIndex(outline->model()->index(0, 0));
    page()->cleanCacheDirFile();
    ASSERT_TRUE(testsupport::waitUntil([this] { return page()->pendingJobs() == 0; }));
    ASSERT_LT(left.totalFileNumber, filesBefore);
    EXPECT_EQ(outline->model()->rowCount(), apps - 1) << "the emptied app leaves the tree";
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cacheTextlab), titled("Cache Cleaner", left.cacheFileSize));
    EXPECT_LT(app->counter(AppCounter::AllCacheFileNumber), cacheBefore);
    EXPECT_EQ(header(), headerSays());
    EXPECT_EQ(app->allCleanFileNumber(), QString::number(left.totalFileNumber));

    // Every cookie folder at once.
    app->ClickCleanCook(nullptr);
    page()->CleanAllCookieFiles();
    ASSERT_TRUE(testsupport::waitUntil([this] { return page()->pendingJobs() == 0; }));
    EXPECT_EQ(page()->deviceClean().CookOutlineView->model()->rowCount(), 0);
    EXPECT_EQ(left.cookieFileSize, 0u);
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cookieTextlab), titled("Cookie Cleaner", 0));
    EXPECT_EQ(header(), headerSays());
    testsupport::saveScreenshot(app->window(), "sidebar-after-a-remove-all");

    // The failed-sync leftovers: the header follows those too.
    app->ClickCleanMedia(nullptr);
    const uint64_t beforeSync = left.totalFileNumber;
    page()->CleanAllSyncedMediaFile();
    ASSERT_TRUE(testsupport::waitUntil([this] { return page()->pendingJobs() == 0; }));
    EXPECT_LT(left.totalFileNumber, beforeSync);
    EXPECT_EQ(header(), headerSays());

    // Fix all takes the rest: every tree is empty and every label says nothing is left.
    app->cleanPanel().fixAllButton->click();
    ASSERT_TRUE(testsupport::waitUntil([this] { return !app->fixRunning(); }));
    for (QTreeView* tree : {page()->deviceClean().JunkOutlineView, page()->deviceClean().CacheOutlineView,
                            page()->deviceClean().CookOutlineView})
        EXPECT_EQ(tree->model()->rowCount(), 0) << tree->objectName().toStdString();
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->tempJunkFileTextlab), titled("Temp Files Cleaner", left.junkFileSize));
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cacheTextlab), titled("Cache Cleaner", left.cacheFileSize));
    EXPECT_EQ(app->allCleanFileNumber(), QString::number(left.totalFileNumber));
}

TEST_F(CleanPages, SidebarLabelsFitOrAreCutWithTheWholeTextInTheirTooltip) {
    attachSample();
    scanDevice();
    // The longest category label with a size, as a scan writes it: it fits whole.
    notices::AddCleanFileSizeThreadProgressInfo.post(
        NSNotificationCenter::defaultCenter(),
        NSArray::arrayWithObjects({NSNumber::numberWithUnsignedLongLong(999990),
                                   NSNumber::numberWithUnsignedLongLong(1290000),
                                   NSNumber::numberWithUnsignedLongLong(888880)}));
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    for (QLabel* label :
         {app->sidebar()->tempJunkFileTextlab, app->sidebar()->cacheTextlab, app->sidebar()->cookieTextlab}) {
        EXPECT_EQ(label->text(), PRSidebar::rowText(label));
        EXPECT_TRUE(label->text().endsWith("KB)") || label->text().endsWith("MB)")) << label->text().toStdString();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
        EXPECT_TRUE(label->toolTip().isEmpty());
    }
    EXPECT_EQ(app->sidebar()->cacheTextlab->text(), "Cache Cleaner (1.29MB)");

    // A text too long for the row is cut, whole in its tooltip, and whole again given room.
    QLabel* label = app->sidebar()->tempJunkFileTextlab;
    const QString longText = "Temp Files Cleaner (123456789 files, 999.99GB)";
    PRSidebar::setRowText(label, longText);
    EXPECT_NE(label->text(), longText);
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
    EXPECT_EQ(label->toolTip(), longText);
    label->resize(label->fontMetrics().horizontalAdvance(longText) + 20, label->height());
    EXPECT_EQ(label->text(), longText);
    EXPECT_TRUE(label->toolTip().isEmpty());

    // The sidebar follows the window's height.
    app->window()->resize(1100, 900);
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_GT(app->sidebar()->manageDeviceView->height(), 700);
}

// A list's own Scan button scans the device and stays on that list, which then opens its first
// folder of files: the user lands on what they asked for, not on the summary.
TEST_F(CleanPages, ScanOnAListStaysOnItAndShowsItsFirstFiles) {
    attachSample();
    app->ClickCleanJunk(nullptr);
    const PRCleanViewController::DeviceCleanOutlets& list = page()->deviceClean();
    auto* scan = list.cleanJunkView->findChild<QPushButton*>("junkScanBtn");
    ASSERT_NE(scan, nullptr);
    scan->click();
    ASSERT_TRUE(testsupport::waitUntil([this] { return !app->cleanViewController->isScanning(); }));
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    EXPECT_TRUE(list.cleanJunkView->isVisible());
    EXPECT_FALSE(list.cleanMainView->isVisible());
    EXPECT_EQ(litRows(), std::vector<int>{9});
    EXPECT_TRUE(list.JunkOutlineView->selectionModel()->hasSelection());
    EXPECT_GT(list.junkFileTableView->model()->rowCount(), 0);
    testsupport::saveScreenshot(app->window(), "clean-temp-after-its-scan");
}
