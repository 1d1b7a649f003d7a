// The device-clean summary panel: its handlers on notifications made here, and a whole device
// clean of the sample device from the window (progress, sizes, the closing sentence, a single
// removal and fix all).
#include "AppFixture.h"
#include "SampleDevice.h"
#include "clean/PRCleanViewController.h"
#include "clean/core/CleanNotices.h"
#include "platform/MobileDevice.h"
#include "platform/SimulatedDevices.h"
#include "platform/Threads.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTextDocument>
#include <QTreeView>

using apptest::AppTest;

namespace {

// Any object, as a poster that breaks the notice's word might send.
void post(const NoticeName& notice, NSObjectPtr object) {
    NSNotificationCenter::defaultCenter().postNotificationName(notice.name(), object);
}

NSObjectPtr sizes(uint64_t junk, uint64_t cache, uint64_t cookie) {
    return NSArray::arrayWithObjects({NSNumber::numberWithUnsignedLongLong(junk),
                                      NSNumber::numberWithUnsignedLongLong(cache),
                                      NSNumber::numberWithUnsignedLongLong(cookie)});
}

QString plain(QLabel* label) {
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

QString titled(const char* title, uint64_t bytes) {
    return QString("%1 (%2)").arg(title, OstrevaneAppDelegate::sizeText(bytes));
}

}  // namespace

TEST_F(AppTest, CleanPanelFollowsTheScanNotifications) {
    // From a worker, as the scan posts them: each waits for the window.
    NSThread::detachNewThread([] {
        post(notices::CleanFileProgressInfo, NSNumber::numberWithInt(45));
        post(notices::AddCleanFileSizeThreadProgressInfo, sizes(1500, 0, 20));
    });
    ASSERT_TRUE(testsupport::waitForWorkers());
    EXPECT_EQ(app->cleanPanel().cleanprogressor->value(), 45);
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->tempJunkFileTextlab), titled("Temp Files Cleaner", 1500));
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cacheTextlab), "Cache Cleaner");  // nothing found: the title stays
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cookieTextlab), titled("Cookie Cleaner", 20));
    EXPECT_EQ(app->counter(AppCounter::AllJunkFileNumber), 1500u);
    EXPECT_EQ(app->counter(AppCounter::AllCacheFileNumber), 0u);
    EXPECT_EQ(app->counter(AppCounter::AllCookFileNumber), 20u);

    // Objects of the wrong kind change nothing.
    post(notices::AddCleanFileSizeThreadProgressInfo, NSArray::arrayWithObjects({NSNumber::numberWithInt(5)}));
    post(notices::AddCleanFileSizeThreadProgressInfo, NSNumber::numberWithInt(5));
    post(notices::CleanFileProgressInfo, sizes(1, 2, 3));
    EXPECT_EQ(app->counter(AppCounter::AllJunkFileNumber), 1500u);
    EXPECT_EQ(app->cleanPanel().cleanprogressor->value(), 45);

    NSThread::detachNewThread([] { post(notices::CleanFilehasFinished, NSNumber::numberWithUnsignedLongLong(1500)); });
    ASSERT_TRUE(testsupport::waitForWorkers());
    EXPECT_EQ(app->cleanPanel().cleanprogressor->value(), 100);
    const QString size = OstrevaneAppDelegate::sizeText(1500);
    EXPECT_EQ(plain(app->cleanPanel().cleanFilelab), OstrevaneAppDelegate::cleanFinishedSentence(0, size));
    EXPECT_EQ(plain(app->cleanPanel().cleanFilelab).toStdString(),
              "0 app issues are affecting your iDevice system performance and wasting " + size.toStdString() +
                  " disk space on your iDevice, Fix now to speed up and revive your iPhone.");
    // The count and the size stand out from the white words.
    EXPECT_TRUE(app->cleanPanel().cleanFilelab->text().contains("color:#fdf009\">" + size + "<"));
    EXPECT_TRUE(app->cleanPanel().cleanFilelab->text().contains("color:#fdf009\">0<"));
    EXPECT_TRUE(app->cleanPanel().cleanFilelab->text().contains("color:#ffffff\">app issues are affecting"));
    EXPECT_EQ(app->allCleanFileNumber(), "0");
    EXPECT_EQ(app->allCleanFileSize(), size);
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->tempJunkFileTextlab), "Temp Files Cleaner");
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cookieTextlab), "Cookie Cleaner");
    EXPECT_TRUE(app->cleanPanel().cleanScanView->isHidden());
    EXPECT_FALSE(app->cleanPanel().cleanFinishView->isHidden());
    EXPECT_TRUE(app->cleanPanel().fixResultView->isHidden());
}

TEST_F(AppTest, CleanPanelRemovalLabelsCountDownFromTheRunningTotal) {
    post(notices::AddCleanFileSizeThreadProgressInfo, sizes(300, 1000, 50));
    post(notices::CleanCacheFilesSize, NSNumber::numberWithUnsignedLongLong(400));
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cacheTextlab), titled("Cache Cleaner", 600));
    post(notices::CleanCacheFilesSize, NSNumber::numberWithUnsignedLongLong(400));
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cacheTextlab), titled("Cache Cleaner", 200));
    // More than is left: nothing is left, never a wrapped huge number.
    post(notices::CleanCacheFilesSize, NSNumber::numberWithUnsignedLongLong(900));
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cacheTextlab), titled("Cache Cleaner", 0));
    EXPECT_EQ(app->counter(AppCounter::AllCacheFileNumber), 0u);
    post(notices::CleanJunkFilesSize, NSNumber::numberWithUnsignedLongLong(300));  // the last bytes of the category
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->tempJunkFileTextlab), titled("Temp Files Cleaner", 0));
    post(notices::CleanCookFilesSize, NSNumber::numberWithUnsignedLongLong(20));
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cookieTextlab), titled("Cookie Cleaner", 30));
}

TEST_F(AppTest, FixAllWithoutAScanStatesThatNothingWasFreed) {
    app->CleanAlliPhoneFiles(nullptr);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !app->fixRunning(); }));
    EXPECT_FALSE(app->cleanPanel().fixResultView->isHidden());
    EXPECT_TRUE(app->cleanPanel().cleanScanView->isHidden() && app->cleanPanel().cleanFinishView->isHidden());
    EXPECT_EQ(app->cleanPanel().fixInfolab->text(),
              "0 app issues have been fixed, Quillomatrix had successfully free up " +
                  OstrevaneAppDelegate::sizeText(0) + " space on your device.");
    EXPECT_FALSE(app->cleanPanel().fixInfolab->text().contains("null"));
}

TEST_F(AppTest, DeviceCleanOfTheSampleDeviceThroughTheSummaryPanel) {
    const std::string folder = home.path() + "/sample";
    ASSERT_TRUE(sampledevice::write(folder));
    simdevice::attach(folder);
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));

    std::atomic<int> progress{0};
    int token = 0;
    notices::CleanFileProgressInfo.observe(NSNotificationCenter::defaultCenter(), &token,
                                           [&](const NSNotification&) { ++progress; });
    app->overview().cleanBtn->click();  // the overview's clean link
    EXPECT_EQ(shownPages(), std::vector<QWidget*>{app->frame().ClearnView});
    EXPECT_FALSE(app->cleanPanel().cleanScanView->isHidden());
    ASSERT_TRUE(testsupport::waitUntil([this] { return !app->cleanPanel().cleanFinishView->isHidden(); }));
    ASSERT_TRUE(testsupport::waitUntil([this] { return !app->cleanViewController->isScanning(); }));
    NSNotificationCenter::defaultCenter().removeObserver(&token);
    EXPECT_GT(progress.load(), 0);

    PRCleanViewController* page = app->cleanViewController;
    const clean::JunkScanCounters& counters = page->counters();
    EXPECT_EQ(app->cleanPanel().cleanprogressor->value(), 100);
    EXPECT_EQ(app->counter(AppCounter::AllCacheFileNumber), counters.cacheFileSize.load());
    EXPECT_EQ(app->counter(AppCounter::AllJunkFileNumber), counters.junkFileSize.load());
    EXPECT_EQ(app->counter(AppCounter::AllCookFileNumber), counters.cookieFileSize.load());
    ASSERT_GT(counters.cacheFileSize.load(), 0u);
    EXPECT_EQ(plain(app->cleanPanel().cleanFilelab),
              OstrevaneAppDelegate::cleanFinishedSentence(page->GetCleanTaotalFileNumber(),
                                                          OstrevaneAppDelegate::sizeText(counters.totalFileSize)));
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cacheTextlab), "Cache Cleaner");
    testsupport::saveScreenshot(app->window(), "clean-panel-finished");

    // One cache file from its table.
    app->ClickCleanCache(nullptr);
    QModelIndex at = page->deviceClean().CacheOutlineView->model()->index(0, 0);
    while (at.isValid() && page->deviceClean().CacheOutlineView->model()->rowCount(at) > 0)
        at = page->deviceClean().CacheOutlineView->model()->index(0, 0, at);
    page->deviceClean().CacheOutlineView->setCurrentIndex(at);
    ASSERT_GT(page->deviceClean().cacheFileTableView->model()->rowCount(), 0);
    page->deviceClean().cacheFileTableView->selectRow(0);
    const uint64_t cacheBefore = app->counter(AppCounter::AllCacheFileNumber);
    const uint64_t bytesBefore = counters.totalFileSize.load();
    responder.alertAnswer = NSAlertFirstButtonReturn;  // "Deleted"
    page->CleanCacheFile();
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->pendingJobs() == 0; }));
    const uint64_t removed = bytesBefore - counters.totalFileSize.load();
    ASSERT_GT(removed, 0u);
    EXPECT_EQ(app->counter(AppCounter::AllCacheFileNumber), cacheBefore - removed);
    EXPECT_EQ(PRSidebar::rowText(app->sidebar()->cacheTextlab), titled("Cache Cleaner", cacheBefore - removed));

    // Fix all states what the removals really freed, once they have ended.
    const uint64_t filesBefore = counters.totalFileNumber.load();
    const uint64_t sizeBefore = counters.totalFileSize.load();
    app->cleanPanel().fixAllButton->click();
    EXPECT_FALSE(app->cleanPanel().fixResultView->isHidden());
    EXPECT_TRUE(app->fixRunning());
    app->cleanPanel().fixAllButton->click();  // a second press while the first runs does nothing more
    ASSERT_TRUE(testsupport::waitUntil([this] { return !app->fixRunning(); }));
    const uint64_t filesFixed = filesBefore - counters.totalFileNumber.load();
    const uint64_t bytesFreed = sizeBefore - counters.totalFileSize.load();
    EXPECT_GT(filesFixed, 0u);
    EXPECT_GT(bytesFreed, 0u);
    EXPECT_EQ(app->cleanPanel().fixInfolab->text(),
              OstrevaneAppDelegate::cleanFixedSentence(QString::number(filesFixed),
                                                       OstrevaneAppDelegate::sizeText(bytesFreed)));
    EXPECT_EQ(page->deviceClean().cacheFileTableView->model()->rowCount(), 0);
    testsupport::saveScreenshot(app->window(), "clean-panel-fixed");
}

TEST_F(AppTest, ADeviceCleanThatCannotListTheAppsSaysSoBesideTheSyncLeftoversItFound) {
    const std::string folder = home.path() + "/sample";
    ASSERT_TRUE(sampledevice::write(folder));
    const int id = simdevice::attach(folder);
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
    PRCleanViewController* page = app->cleanViewController;
    const clean::JunkScanCounters& counters = page->counters();
    auto scanToTheEnd = [&] {
        app->ClickCleanAction(nullptr);
        ASSERT_FALSE(app->cleanPanel().cleanScanView->isHidden());
        ASSERT_TRUE(testsupport::waitUntil([this] { return !app->cleanPanel().cleanFinishView->isHidden(); }));
        ASSERT_TRUE(testsupport::waitUntil([page] { return !page->isScanning(); }));
    };

    simdevice::failCall(id, "AMDeviceLookupApplications", kAMDPasswordProtectedError);
    scanToTheEnd();
    // The media area's leftovers are still reported, and nothing of the apps.
    EXPECT_FALSE(page->syncFailedFileArray.empty());
    EXPECT_EQ(counters.cacheFileSize + counters.junkFileSize + counters.cookieFileSize, 0u);
    // The reason is the device's own status for the failed lookup.
    const QString reason = "The app list could not be read: The device is locked with a passcode";
    EXPECT_EQ(page->appsNotScannedReason(), reason);
    const QString sentence = OstrevaneAppDelegate::cleanAppsNotScannedSentence(
        page->GetCleanTaotalFileNumber(), OstrevaneAppDelegate::sizeText(counters.totalFileSize), reason);
    EXPECT_EQ(plain(app->cleanPanel().cleanFilelab), sentence);
    EXPECT_TRUE(sentence.startsWith("The apps' junk could not be scanned. " + reason + ". Only the synced media"))
        << sentence.toStdString();
    EXPECT_EQ(app->cleanPanel().cleanprogressor->value(), 100);
    testsupport::saveScreenshot(app->window(), "clean-panel-apps-not-scanned");

    // The summary redrawn after a removal still says it.
    ASSERT_TRUE(page->countersChanged);
    page->countersChanged();
    EXPECT_EQ(plain(app->cleanPanel().cleanFilelab), sentence);

    // With the list readable again the next scan covers the apps and says nothing of the last.
    simdevice::failCall(id, "AMDeviceLookupApplications", 0);
    scanToTheEnd();
    EXPECT_TRUE(page->appsNotScannedReason().isEmpty());
    EXPECT_GT(counters.cacheFileSize.load(), 0u);
    EXPECT_EQ(plain(app->cleanPanel().cleanFilelab),
              OstrevaneAppDelegate::cleanFinishedSentence(page->GetCleanTaotalFileNumber(),
                                                          OstrevaneAppDelegate::sizeText(counters.totalFileSize)));
}

TEST_F(AppTest, RemovedByteTotalsKeepEveryWorkersBytes) {
    constexpr int kWorkers = 8, kAdds = 5000;
    for (int w = 0; w < kWorkers; ++w)
        NSThread::detachNewThread([a = app.get()] {
            for (int i = 0; i < kAdds; ++i) {
                a->state().raiseCounter(AppCounter::TotalAppRemoveFileSize, 3);
                a->state().raiseCounter(AppCounter::TotalPhotoRemoveFileSize, 1);
            }
        });
    ASSERT_TRUE(testsupport::waitForWorkers());
    EXPECT_EQ(app->counter(AppCounter::TotalAppRemoveFileSize), uint64_t(3) * kWorkers * kAdds);
    EXPECT_EQ(app->counter(AppCounter::TotalPhotoRemoveFileSize), uint64_t(kWorkers) * kAdds);
}
