// The app cleaner's panel driven as a user drives it, against an in-memory device.
#include "FakeCleanDevice.h"
#include "TestSupport.h"
#include "clean/PRAdsRemoveController.h"
#include "clean/PRCleanViewController.h"
#include "model/PRRecordFields.h"
#include "platform/Dialogs.h"
#include "platform/Threads.h"
#include "widgets/ActionResultLine.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QDialog>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <thread>

using namespace clean;

namespace {

const std::string kMail = "com.example.mail";
const std::string kNotes = "com.example.notes";
const std::string kPlain = "com.example.plain";

struct Responder : DialogResponder {
    int answerAlert(const AlertRequest& request) override {
        alerts << request.messageText;
        return NSAlertFirstButtonReturn;
    }
    QStringList answerPanel(const PanelRequest&) override { return {}; }
    QStringList alerts;
};

// A gate a device call waits at until the test opens it.
struct Gate {
    void wait() {
        std::unique_lock<std::mutex> lock(mutex);
        ++waiting;
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        changed.notify_all();
    }
    int waiters() {
        std::lock_guard<std::mutex> lock(mutex);
        return waiting;
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int waiting = 0;
};

// Counts app lookups; the first one can be held at a gate.
class GatedDevice : public FakeCleanDevice {
public:
    bool lookupApplications(int index, std::vector<InstalledApp>& apps, int* status) override {
        if (++lookups == 1 && holdFirstLookup) gate.wait();
        return FakeCleanDevice::lookupApplications(index, apps, status);
    }
    std::atomic<int> lookups{0};
    bool holdFirstLookup = false;
    Gate gate;
};

class AppCleanPageTest : public testsupport::HomeTest {
protected:
    AppCleanPageTest() {
        device.addApp(kMail, "Mail");
        device.addFile(kMail, "/tmp/draft.tmp", 120);
        device.addFile(kMail, "/Library/Caches/Cache.db", 4000);
        device.addFile(kMail, "/Library/Caches/Snapshots/s.png", 2600);
        device.addFile(kMail, "/Library/Caches/com.google.admob/ad.dat", 500);
        device.addFile(kMail, "/Library/Caches/flurry/f.dat", 200);
        device.addFile(kMail, "/Library/Cookies/Cookies.binarycookies", 300);
        device.addFile(kMail, "/Library/Preferences/mail.plist", 10);
        device.addFile(kMail, "/Documents/photo.jpg", 900);
        device.addFile(kMail, "/Documents/notes.txt", 50);
        device.addApp(kNotes, "Notes");
        device.addFile(kNotes, "/tmp/x.plist", 60);
        device.addFile(kNotes, "/Library/Caches/Cache.db", 1000);
        device.addFile(kNotes, "/Library/Caches/mopub/m.dat", 100);
        device.addApp(kPlain, "Plain");
        device.addFile(kPlain, "/Documents/letter.txt", 10);
        dialogs::setResponder(&responder);
        page.deviceConnected = [this] { return device.connected(); };
        container.resize(960, 560);
        page.showView(&container);
        page.QuillomatrixShowDeviceClean(0);
        container.show();
    }
    ~AppCleanPageTest() override {
        testsupport::waitForWorkers();
        dialogs::setResponder(nullptr);
    }
    // As a user presses: a button that has become "Remove" takes a press once the results
    // have been on screen a moment.
    void press() {
        if (page.appClean().appStartBtn->imageName() == "RemoveBtnNom.png")
            testsupport::spinEventLoop(std::chrono::milliseconds(ResultsSettle::kMilliseconds + 100));
        QTest::mouseClick(page.appClean().appStartBtn, Qt::LeftButton);
    }
    void settle() {
        ASSERT_TRUE(testsupport::waitForWorkers());
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
    }
    void scan() {
        press();
        settle();
        ASSERT_TRUE(page.bAppCleanerFinish);
        ASSERT_FALSE(page.appCleanScanning());
    }
    static QStringList column(QAbstractItemModel* model, int c = 0) {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, c).data().toString();
        return out;
    }

    GatedDevice device;
    Responder responder;
    QWidget container;
    PRCleanViewController page{device};
};

TEST_F(AppCleanPageTest, ScanThenRemoveEverythingItListed) {
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "scanNom.png");
    EXPECT_TRUE(page.appClean().cleanDiskView->isVisible());
    EXPECT_FALSE(page.appClean().appCacheBtn->isEnabled());
    testsupport::saveScreenshot(&container, "appclean-before");

    press();
    EXPECT_TRUE(page.appCleanScanning());
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "scanDown.png");
    press();  // ignored while the scan runs
    settle();
    EXPECT_TRUE(page.bAppCleanerFinish);
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "RemoveBtnNom.png");
    EXPECT_EQ(device.lookups, 2);  // one file scan, one advertising scan
    EXPECT_EQ(page.cleanCacheFileController->rowCount(), 6);
    EXPECT_EQ(column(page.cleanDocumentController), QStringList{"photo.jpg"});
    EXPECT_EQ(page.appCleanCounters().totalFileNumber, 10u);
    EXPECT_EQ(page.appClean().appCachelab->text(), "8.40KB");
    EXPECT_TRUE(page.appClean().appCachelab->isVisible());
    EXPECT_FALSE(page.appClean().appCacheShowFilePathlab->isVisible());
    EXPECT_EQ(page.appClean().appAdslab->text(), "3 built-in ads");
    EXPECT_TRUE(page.appClean().appAdsBtn->isEnabled());
    EXPECT_TRUE(page.appClean().appCleanResultlab->text().isEmpty());

    // The advertising list is never opened: the removal still takes the scan's caches.
    press();
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "RemoveBtnDown.png");
    EXPECT_TRUE(page.removeSheet().removeNumberlab->text().contains("10</span> files will be cleaned up"));
    settle();
    EXPECT_FALSE(page.removeSheet().removeWindow->isVisible());
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "doneNom.png");
    EXPECT_TRUE(page.appClean().appStartBtn->isEnabled());
    for (const std::string& app : {kMail, kNotes})
        for (const char* folder : {"/tmp", "/Library/Cookies"})
            EXPECT_TRUE(device.filesUnder(app, folder).empty()) << app << folder;
    // Of the caches only the empty files that stand in for the advertising folders are left.
    EXPECT_EQ(device.filesUnder(kMail, "/Library/Caches"),
              (std::vector<std::string>{"/Library/Caches/com.google.admob", "/Library/Caches/flurry"}));
    EXPECT_EQ(device.filesUnder(kNotes, "/Library/Caches"), std::vector<std::string>{"/Library/Caches/mopub"});
    EXPECT_TRUE(device.isEmptyFile(kMail, "/Library/Caches/com.google.admob"));
    EXPECT_TRUE(device.isEmptyFile(kMail, "/Library/Caches/flurry"));
    EXPECT_TRUE(device.isEmptyFile(kNotes, "/Library/Caches/mopub"));
    EXPECT_FALSE(device.exists(kMail, "/Library/Caches/Snapshots/s.png"));
    // What was not listed is still there.
    EXPECT_TRUE(device.exists(kMail, "/Documents/notes.txt"));
    EXPECT_FALSE(device.exists(kMail, "/Documents/photo.jpg"));
    EXPECT_TRUE(device.exists(kMail, "/Library/Preferences/mail.plist"));
    EXPECT_TRUE(device.exists(kPlain, "/Documents/letter.txt"));

    EXPECT_EQ(page.appCleanCounters().totalFileSize, 0u);
    EXPECT_EQ(page.appCleanCounters().totalFileNumber, 0u);
    EXPECT_EQ(page.appClean().appCachelab->text().toStdString(), sizeText(0));
    EXPECT_FALSE(page.appClean().appCacheBtn->isEnabled());
    EXPECT_EQ(page.cleanCacheFileController->rowCount(), 0);
    EXPECT_EQ(page.appClean().appAdslab->text(), "0 built-in ads");
    EXPECT_EQ(page.adsRemoveArray[0]->appAdsState, "Removed");
    EXPECT_TRUE(page.appClean().appCleanResultlab->text().startsWith("10 files have been removed"));
    // The one question before the removal, and nothing else.
    ASSERT_EQ(responder.alerts.size(), 1);
    EXPECT_TRUE(responder.alerts[0].startsWith("10 files (")) << responder.alerts[0].toStdString();
    testsupport::saveScreenshot(&container, "appclean-after");
    press();  // "Done": the panel is idle again, ready for a new scan
    settle();
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "scanNom.png");
    EXPECT_TRUE(page.appClean().appCachelab->isHidden());
    EXPECT_FALSE(page.appClean().appCacheBtn->isEnabled());
    EXPECT_TRUE(page.appClean().appCleanResultlab->text().isEmpty());
    EXPECT_TRUE(page.appClean().appFlashView->isHidden());
}

TEST_F(AppCleanPageTest, TheSheetShowsTheRemovalUnderWay) {
    scan();
    std::atomic<int> removals{0};
    device.beforeRemove = [&](const std::string&, const std::string&) {
        if (++removals == 4) device.gate.wait();
    };
    press();
    ASSERT_TRUE(testsupport::waitUntil([&] { return device.gate.waiters() == 1; }));
    testsupport::spinEventLoop(std::chrono::milliseconds(30));
    EXPECT_TRUE(page.removeSheet().removeWindow->isVisible());
    EXPECT_EQ(page.removeSheet().removeProgress->value(), 25);  // 3 of 10 files and 2 advertising records
    EXPECT_EQ(page.removeSheet().removeNumberInfolab->text(), "Has remove 3 files of 10 files, 9.78KB ");
    testsupport::saveScreenshot(&container, "appclean-during");
    testsupport::saveScreenshot(page.removeSheet().removeWindow, "appclean-during-sheet");
    device.gate.release();
    settle();
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "doneNom.png");
}

TEST_F(AppCleanPageTest, WhatTheDeviceRefusesStaysListedAndCounted) {
    device.refuseRemoval(kMail, "/Library/Cookies/Cookies.binarycookies");
    device.refuseRemoval(kNotes, "/Library/Caches/mopub");
    scan();
    press();
    settle();
    EXPECT_TRUE(device.exists(kMail, "/Library/Cookies/Cookies.binarycookies"));
    EXPECT_EQ(page.cleanCookController->rowCount(), 1);
    EXPECT_EQ(page.appCleanCounters().cookieFileSize, 300u);
    EXPECT_EQ(page.appCleanCounters().totalFileNumber, 1u);
    EXPECT_EQ(page.appClean().appCooklab->text(), "300.00bytes");
    EXPECT_TRUE(page.appClean().appCookBtn->isEnabled());
    EXPECT_EQ(page.appClean().appCachelab->text().toStdString(), sizeText(0));
    EXPECT_EQ(page.appClean().appAdslab->text(), "1 built-in ads");
    EXPECT_EQ(responder.alerts.mid(1), QStringList{"Some files could not be removed from the device."});
}

TEST_F(AppCleanPageTest, NothingFoundIsSaidAndNothingIsDivided) {
    FakeCleanDevice bare;
    bare.addApp(kPlain, "Plain");
    bare.addFile(kPlain, "/Documents/letter.txt", 10);
    QWidget other;
    PRCleanViewController empty(bare);
    empty.deviceConnected = [] { return true; };
    empty.showView(&other);
    other.show();
    QTest::mouseClick(empty.appClean().appStartBtn, Qt::LeftButton);
    settle();
    EXPECT_EQ(empty.appClean().appCleanResultlab->text(), "Nothing to clean up was found on your iDevice.");
    testsupport::spinEventLoop(std::chrono::milliseconds(ResultsSettle::kMilliseconds + 100));
    QTest::mouseClick(empty.appClean().appStartBtn, Qt::LeftButton);
    settle();
    EXPECT_TRUE(!empty.removeSheet().removeWindow || !empty.removeSheet().removeWindow->isVisible());
    EXPECT_EQ(empty.appClean().appStartBtn->imageName(), "doneNom.png");
    EXPECT_EQ(empty.appClean().appCleanResultlab->text(), "Nothing to clean up was found on your iDevice.");
    EXPECT_TRUE(responder.alerts.isEmpty());
}

TEST_F(AppCleanPageTest, TheTwoScansTakeTurns) {
    device.holdFirstLookup = true;
    ASSERT_TRUE(page.showDeviceClean(0));  // holds the device at its first lookup
    ASSERT_TRUE(testsupport::waitUntil([&] { return device.gate.waiters() == 1; }));
    press();
    testsupport::spinEventLoop(std::chrono::milliseconds(150));
    EXPECT_EQ(device.lookups, 1);  // the app cleaner waits its turn
    EXPECT_TRUE(page.appCleanScanning());
    device.gate.release();
    settle();
    EXPECT_EQ(device.lookups, 3);
    EXPECT_TRUE(page.bAppCleanerFinish);
    // Each scan counted into its own totals.
    EXPECT_EQ(page.appCleanCounters().totalFileNumber, 10u);
    EXPECT_EQ(page.counters().totalFileNumber, 9u);
    EXPECT_EQ(page.counters().documentFileNumber, 0u);
}

TEST_F(AppCleanPageTest, ADeviceGoneMidScanLeavesThePanelReadyToScanAgain) {
    device.disconnectAfterInfoCalls(5);
    press();
    settle();
    EXPECT_FALSE(page.appCleanScanning());
    EXPECT_FALSE(page.bAppCleanerFinish);
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "scanNom.png");
    EXPECT_FALSE(page.appClean().appCleanResultlab->text().isEmpty());
}

TEST_F(AppCleanPageTest, AnAppListThatCannotBeReadIsSaidAndThePanelCanScanAgain) {
    device.failAppList();
    press();
    settle();
    EXPECT_FALSE(page.appCleanScanning());
    EXPECT_FALSE(page.bAppCleanerFinish);
    EXPECT_EQ(page.appClean().appStartBtn->imageName(), "scanNom.png");
    EXPECT_TRUE(page.appClean().appCleanResultlab->text().contains("app list could not be read"))
        << page.appClean().appCleanResultlab->text().toStdString();
    testsupport::saveScreenshot(&container, "appclean-no-app-list");
}

TEST_F(AppCleanPageTest, ListsRemoveWhatIsSelectedOrEverything) {
    device.addFile(kMail, "/Library/Cookies/a.cookie", 11);
    device.addFile(kMail, "/Library/Cookies/b.cookie", 22);
    scan();
    page.ClickCacheFileAction();
    EXPECT_TRUE(page.appClean().cleanCacheTableView->isVisible());
    EXPECT_EQ(page.appClean().cacheFileInfolab->text(), "Files Found: 8.40KB in  6 file(s)");

    // Two cache files of one selection.
    page.appClean().cleanCacheFileTableView->selectRow(1);
    page.appClean().cleanCacheFileTableView->selectionModel()->select(
        page.cleanCacheFileController->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page.RemoveOneCacheFiles();
    settle();
    EXPECT_FALSE(device.exists(kMail, "/Library/Caches/Snapshots/s.png"));
    EXPECT_FALSE(device.exists(kMail, "/Library/Caches/com.google.admob/ad.dat"));
    EXPECT_EQ(page.cleanCacheFileController->rowCount(), 4);
    EXPECT_EQ(page.appCleanCounters().cacheFileSize, 8400u - 3100);
    EXPECT_EQ(page.appCleanCounters().cacheFileNumber, 4u);
    EXPECT_EQ(page.appClean().cacheFileInfolab->text(), "Files Found: 5.30KB in  4 file(s)");
    EXPECT_EQ(page.appClean().appCachelab->text(), "5.30KB");
    // The user was asked first, and afterwards no row is chosen: a second click removes nothing.
    ASSERT_EQ(responder.alerts.size(), 1);
    EXPECT_TRUE(responder.alerts[0].startsWith("2 files will be removed from your device: "))
        << responder.alerts[0].toStdString();
    EXPECT_FALSE(page.appClean().cleanCacheFileTableView->selectionModel()->hasSelection());
    page.RemoveOneCacheFiles();
    settle();
    EXPECT_EQ(page.cleanCacheFileController->rowCount(), 4);
    EXPECT_EQ(responder.alerts.size(), 1);

    // Every selected cookie goes, not only the first.
    page.ClickCookieFileAction();
    page.appClean().cleanCookieFileTableView->selectAll();
    page.RemoveOneCookFiles();
    settle();
    EXPECT_TRUE(device.filesUnder(kMail, "/Library/Cookies").empty());
    EXPECT_EQ(page.cleanCookController->rowCount(), 0);

    // A refused file stays, once said.
    device.refuseRemoval(kNotes, "/tmp/x.plist");
    page.ClickJunkFileAction();
    page.RemoveAllJunkFiles();
    settle();
    EXPECT_FALSE(device.exists(kMail, "/tmp/draft.tmp"));
    EXPECT_TRUE(device.exists(kNotes, "/tmp/x.plist"));
    EXPECT_EQ(column(page.cleanJunkController), QStringList{"x.plist"});
    EXPECT_TRUE(page.appClean().junkRemoveAllBtn->isEnabled());
    // Asked before the cookies and before all the temporary files went; then the refusal.
    ASSERT_EQ(responder.alerts.size(), 4);
    EXPECT_TRUE(responder.alerts[2].contains(" will be removed from your device: "))
        << responder.alerts[2].toStdString();
    EXPECT_EQ(responder.alerts[3], "Some files could not be removed from the device.");

    page.RemoveAllDocumentFiles();
    settle();
    EXPECT_EQ(page.appClean().documentFileInfolab->text(), "All document files have been removed.");
    EXPECT_FALSE(page.appClean().documentRemoveAllBtn->isVisibleTo(page.appClean().cleanDocumentTableView));
    EXPECT_EQ(page.appClean().appDocumentlab->text().toStdString(), sizeText(0));
    EXPECT_FALSE(page.appClean().appDocumentBtn->isEnabled());
    EXPECT_EQ(page.appCleanCounters().documentFileSize, 0u);
    EXPECT_FALSE(device.exists(kMail, "/Documents/photo.jpg"));
}

QStringList filesBelow(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

TEST_F(AppCleanPageTest, ExportsOfSameNamedFilesAreKeptApart) {
    scan();
    page.ClickCacheFileAction();
    page.appClean().cleanCacheFileTableView->selectAll();
    page.ExportTheCleanCacheNode();
    settle();
    const QString appData = PRCleanViewController::appDataFolder();
    EXPECT_EQ(
        filesBelow(appData),
        (QStringList{"com.example.mail/Library/Caches/Cache.db", "com.example.mail/Library/Caches/Snapshots/s.png",
                     "com.example.mail/Library/Caches/com.google.admob/ad.dat",
                     "com.example.mail/Library/Caches/flurry/f.dat", "com.example.notes/Library/Caches/Cache.db",
                     "com.example.notes/Library/Caches/mopub/m.dat"}));
    EXPECT_EQ(QFileInfo(appData + "/com.example.mail/Library/Caches/Cache.db").size(), 4000);
    EXPECT_EQ(QFileInfo(appData + "/com.example.notes/Library/Caches/Cache.db").size(), 1000);
    EXPECT_EQ(page.cleanCacheFileController->rowCount(), 6);  // export keeps the rows
    EXPECT_TRUE(responder.alerts.isEmpty());
    // The export ends with a word: how many files went where.
    const auto* line = container.findChild<ActionResultLine*>();
    ASSERT_TRUE(line && line->isVisible());
    EXPECT_TRUE(line->text().startsWith("6 files exported in " + appData)) << line->text().toStdString();

    // A removal after it says what it did, rather than keep telling of the export.
    page.appClean().cleanCacheFileTableView->selectAll();
    page.RemoveOneCacheFiles();
    settle();
    EXPECT_EQ(page.cleanCacheFileController->rowCount(), 0);
    EXPECT_TRUE(line->text().startsWith("6 files removed")) << line->text().toStdString();
}

TEST_F(AppCleanPageTest, AdvertisingCachesAreRemovedAppByApp) {
    scan();
    page.ClickAppAdsFileAction();
    EXPECT_TRUE(page.appClean().cleanAppAdsView->isVisible());
    EXPECT_EQ(column(page.adsController), (QStringList{"Mail", "Notes", "Plain"}));
    EXPECT_EQ(column(page.adsController, 2), (QStringList{"2", "1", "0"}));
    EXPECT_FALSE(page.adsController->index(0, 0).data(Qt::DecorationRole).isNull());
    testsupport::saveScreenshot(&container, "appclean-ads");

    page.appClean().AdsTableView->selectRow(2);  // no ads: said, nothing done
    page.RemoveAdsAction();
    ASSERT_EQ(responder.alerts.size(), 1);
    EXPECT_TRUE(responder.alerts[0].startsWith("No ads detected"));

    page.appClean().AdsTableView->selectRow(1);
    page.RemoveAdsAction();
    settle();
    EXPECT_TRUE(device.isEmptyFile(kNotes, "/Library/Caches/mopub"));
    EXPECT_TRUE(device.exists(kMail, "/Library/Caches/flurry/f.dat"));
    EXPECT_EQ(column(page.adsController, 3), (QStringList{"Live", "Removed", "No Ads"}));
    EXPECT_EQ(page.adsController->index(1, 2).data().toString(), "0");
    EXPECT_EQ(page.appClean().appAdslab->text(), "2 built-in ads");

    page.RemoveAllAdsAction();
    settle();
    EXPECT_TRUE(device.isEmptyFile(kMail, "/Library/Caches/flurry"));
    EXPECT_EQ(page.appClean().appAdslab->text(), "0 built-in ads");
    EXPECT_EQ(responder.alerts.size(), 1);
}

TEST_F(AppCleanPageTest, TheStandAloneScreenSaysWhenTheAppsCannotBeListed) {
    device.failAppList();
    PRAdsRemoveController screen(device);
    screen.deviceConnected = [this] { return device.connected(); };
    QWidget host;
    screen.showView(&host);
    host.show();
    QTest::mouseClick(screen.scanButton, Qt::LeftButton);
    settle();
    EXPECT_TRUE(screen.adsRemoveFirstView->isVisible());  // ready to scan again
    EXPECT_FALSE(screen.bStartScan);
    ASSERT_EQ(responder.alerts.size(), 1);
    EXPECT_TRUE(responder.alerts[0].contains("app list could not be read")) << responder.alerts[0].toStdString();
}

TEST_F(AppCleanPageTest, TheStandAloneScreenScansAndRemoves) {
    PRAdsRemoveController screen(device);
    screen.deviceConnected = [this] { return device.connected(); };
    QWidget host;
    screen.showView(&host);
    host.show();
    EXPECT_TRUE(screen.adsRemoveFirstView->isVisible());
    QTest::mouseClick(screen.scanButton, Qt::LeftButton);
    QTest::mouseClick(screen.scanButton, Qt::LeftButton);  // ignored after the first
    settle();
    EXPECT_EQ(device.lookups, 1);
    EXPECT_TRUE(screen.adsRemoveSecondView->isVisible());
    EXPECT_EQ(column(screen.adsController), (QStringList{"Mail", "Notes", "Plain"}));
    EXPECT_EQ(screen.floatAdsProgress->value(), 0.0f);
    screen.adTableView->selectRow(0);
    EXPECT_EQ(screen.currentRemoveNode, screen.adsController->objectAt(0));
    screen.RemoveAllAdsAction();
    settle();
    EXPECT_TRUE(device.isEmptyFile(kMail, "/Library/Caches/com.google.admob"));
    EXPECT_TRUE(device.isEmptyFile(kNotes, "/Library/Caches/mopub"));
    EXPECT_EQ(column(screen.adsController, 3), (QStringList{"Removed", "Removed", "No Ads"}));
    screen.BackToScanAdsAction();
    EXPECT_TRUE(screen.adsRemoveFirstView->isVisible());
    EXPECT_EQ(screen.adsController->rowCount(), 0);
    EXPECT_FALSE(screen.bStartScan);
}

}  // namespace
