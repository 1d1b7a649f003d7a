#include "FakeCleanDevice.h"
#include "TestSupport.h"
#include "clean/PRCleanViewController.h"
#include "clean/core/CleanNotices.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace clean;

namespace {

const std::string kMail = "com.example.mail";
const std::string kNotes = "com.example.notes";

struct Responder : DialogResponder {
    int answerAlert(const AlertRequest& request) override {
        alerts << request.messageText;
        return answer_;
    }
    int answer_ = NSAlertFirstButtonReturn;
    QStringList answerPanel(const PanelRequest& request) override {
        panels << request.suggestedName;
        return answer.isEmpty() ? QStringList{} : QStringList{answer};
    }
    QStringList alerts, panels;
    QString answer;
};

struct Notifications {
    Notifications() {
        using namespace notices;
        for (const NoticeName* notice : std::initializer_list<const NoticeName*>{
                 &CleanFileProgressInfo, &AddCleanFileSizeThreadProgressInfo, &CleanFilehasFinished,
                 &CleanCacheFilesSize, &CleanJunkFilesSize, &CleanCookFilesSize})
            notice->observe(NSNotificationCenter::defaultCenter(), this, [this](const NSNotification& n) {
                std::lock_guard<std::mutex> lock(mutex);
                names.push_back(n.name());
                values.push_back(n.object() ? n.object()->description() : "");
            });
    }
    ~Notifications() { NSNotificationCenter::defaultCenter().removeObserver(this); }
    int count(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex);
        return int(std::count(names.begin(), names.end(), name));
    }
    std::mutex mutex;
    std::vector<std::string> names, values;
};

class CleanPageTest : public testsupport::HomeTest {
protected:
    CleanPageTest() {
        device.addApp(kMail, "Mail");
        device.addFile(kMail, "/tmp/draft.tmp", 120);
        device.addFile(kMail, "/Library/Caches/com.example.mail/Cache.db", 4000);
        device.addFile(kMail, "/Library/Caches/com.example.mail/fsCachedData/A1", 800);
        device.addFile(kMail, "/Library/Caches/Snapshots/s.png", 2600);
        device.addFile(kMail, "/Library/Cookies/Cookies.binarycookies", 300);
        device.addApp(kNotes, "Notes");
        device.addFile(kNotes, "/tmp/x.plist", 60);
        device.addFile(kNotes, "/Library/Caches/index.db", 1000);
        device.addFile(FakeCleanDevice::kMedia, "/iTunes_Control/Sync/sync.plist", 700);
        device.addFile(FakeCleanDevice::kMedia, "/iTunes_Control/Sync/Media/song.m4a", 5000);
        dialogs::setResponder(&responder);
        workspace::setRecorder([this](workspace::Action, const QString& path) { shown << path; });
        page.deviceConnected = [this] { return device.connected(); };
        page.view()->resize(900, 560);
        page.view()->show();
    }
    ~CleanPageTest() override {
        testsupport::waitForWorkers();
        dialogs::setResponder(nullptr);
        workspace::setRecorder({});
    }
    void scan() {
        ASSERT_TRUE(page.showDeviceClean(0));
        ASSERT_TRUE(testsupport::waitForWorkers());
        testsupport::spinEventLoop(std::chrono::milliseconds(20));  // queued alerts
    }
    void settle() {
        ASSERT_TRUE(testsupport::waitForWorkers());
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
    }
    // Selects the folder at the path of outline rows and returns its index.
    QModelIndex selectFolder(QTreeView* outline, std::initializer_list<int> rows) {
        QModelIndex at;
        for (int row : rows) {
            at = outline->model()->index(row, 0, at);
            outline->expand(at);
        }
        outline->setCurrentIndex(at);
        return at;
    }

    FakeCleanDevice device;
    Responder responder;
    QStringList shown;
    PRCleanViewController page{device};
};

QStringList rowTexts(QAbstractItemModel* model, int column = 0) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, column).data().toString();
    return out;
}

TEST_F(CleanPageTest, ScanShowsTreesTablesAndTheSyncList) {
    Notifications log;
    scan();
    EXPECT_EQ(rowTexts(page.JunkTreeController), (QStringList{"Mail", "Notes"}));
    EXPECT_EQ(rowTexts(page.CacheTreeController), (QStringList{"Mail", "Notes"}));
    EXPECT_EQ(rowTexts(page.CookTreeController), QStringList{"Mail"});
    // The first app is shown opened; its cache folders are listed in order.
    const QModelIndex mailCaches = page.CacheTreeController->index(0, 0, page.CacheTreeController->index(0, 0));
    EXPECT_TRUE(page.deviceClean().CacheOutlineView->isExpanded(page.CacheTreeController->index(0, 0)));
    selectFolder(page.deviceClean().CacheOutlineView, {0, 0, 0, 0});  // Mail/Library/Caches/com.example.mail
    EXPECT_EQ(rowTexts(page.CacheFileController), QStringList{"Cache.db"});
    EXPECT_EQ(mailCaches.data().toString(), "Library");

    EXPECT_EQ(rowTexts(page.syncFailedController),
              (QStringList{"/iTunes_Control/Sync/sync.plist", "/iTunes_Control/Sync/Media/song.m4a"}));
    EXPECT_EQ(page.syncFailedController->index(0, 1).data().toString(), "700.00bytes");

    EXPECT_EQ(page.GetCleanTaotalFileNumber(), 9u);
    EXPECT_EQ(page.counters().cacheFileSize, 8400u);
    EXPECT_EQ(page.counters().totalFileSize, 120u + 8400 + 300 + 60 + 700 + 5000);
    EXPECT_EQ(log.names, (std::vector<std::string>{
                             notices::CleanFileProgressInfo.name(), notices::AddCleanFileSizeThreadProgressInfo.name(),
                             notices::CleanFileProgressInfo.name(), notices::AddCleanFileSizeThreadProgressInfo.name(),
                             notices::CleanFilehasFinished.name()}));
    EXPECT_EQ(log.values[3], "( 180, 8400, 300 )");

    page.showCleanJunkView();
    selectFolder(page.deviceClean().JunkOutlineView, {0, 0});
    testsupport::saveScreenshot(page.view(), "clean-junk");
    page.showCleanCacheview();
    selectFolder(page.deviceClean().CacheOutlineView, {0, 0, 0, 0});
    testsupport::saveScreenshot(page.view(), "clean-cache");
    page.showCleanCookView();
    selectFolder(page.deviceClean().CookOutlineView, {0, 0, 0});
    testsupport::saveScreenshot(page.view(), "clean-cookie");
    page.showCleanMediaView();
    testsupport::saveScreenshot(page.view(), "clean-media");
    page.showCleanMainView();
    EXPECT_TRUE(page.deviceClean().cleanMainView->isVisible());
    EXPECT_FALSE(page.deviceClean().cleanMediaView->isVisible());
}

TEST_F(CleanPageTest, EachRowSaysWhatItHoldsAndStartsTheScanUntilTheScanSaysWhatItFound) {
    int asked = 0;
    page.requestDeviceCleanScan = [&] {
        ++asked;
        page.showDeviceClean(0);
    };
    const auto& c = page.deviceClean();
    auto hint = [](QWidget* pane) { return pane->findChild<QLabel*>("junkHint")->text(); };
    auto button = [](QWidget* pane) { return pane->findChild<QPushButton*>("junkScanBtn"); };
    // Before any scan: what each row holds, and a way to start.
    page.showCleanJunkView();
    EXPECT_TRUE(hint(c.cleanJunkView).startsWith("Temporary files are what apps leave"));
    EXPECT_TRUE(hint(c.cleanMediaView).contains("Scan your device to find them."));
    EXPECT_TRUE(button(c.cleanCookView)->isEnabled());
    testsupport::saveScreenshot(page.view(), "clean-junk-before-scan");

    button(c.cleanJunkView)->click();
    settle();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(rowTexts(page.JunkTreeController), (QStringList{"Mail", "Notes"}));
    // After it: what was found, on every row and on the page's own pane.
    EXPECT_EQ(hint(c.cleanJunkView).toStdString().substr(0, 54),
              "The scan found 2 files, 180.00bytes of temporary files");
    EXPECT_TRUE(hint(c.cleanCookView).startsWith("The scan found 1 file, 300.00bytes of cookies"));
    EXPECT_TRUE(hint(c.cleanMediaView).startsWith("The scan found 2 files, "));
    EXPECT_EQ(button(c.cleanCacheview)->text(), "Scan Again");
    const QString summary = static_cast<QLabel*>(c.cleanMainView)->text();
    EXPECT_TRUE(summary.startsWith("The scan found 9 files")) << summary.toStdString();
    EXPECT_FALSE(summary.contains("Scan your device"));
    testsupport::saveScreenshot(page.view(), "clean-junk-after-scan");

    // Emptied by a removal, a row says so.
    page.deviceClean().cookieTableView->setFocus();
    selectFolder(c.CookOutlineView, {0});
    page.CleanAllCookieFiles();
    settle();
    EXPECT_EQ(hint(c.cleanCookView), "The scan found no cookies on your device.");
}

TEST_F(CleanPageTest, ASecondScanWaitsItsTurnAndARepeatStartsFromEmpty) {
    ASSERT_TRUE(page.showDeviceClean(0));
    EXPECT_FALSE(page.showDeviceClean(0));  // the first cannot finish before the main thread turns
    settle();
    const auto first = page.GetCleanTaotalFileNumber();
    scan();
    EXPECT_EQ(page.GetCleanTaotalFileNumber(), first);
    EXPECT_EQ(page.CacheTreeController->rowCount(), 2);
    EXPECT_EQ(page.syncFailedController->rowCount(), 2);
    EXPECT_EQ(page.categoryLists().cacheFileArray.size(), 4u);
}

TEST_F(CleanPageTest, ADeviceRemovedMidScanEndsWithoutFinishing) {
    Notifications log;
    device.disconnectAfterInfoCalls(4);
    scan();
    EXPECT_FALSE(page.isScanning());
    EXPECT_EQ(log.count(notices::CleanFilehasFinished.name()), 0);
}

TEST_F(CleanPageTest, RemovingOneFileFollowsWhatTheDeviceDid) {
    scan();
    Notifications log;
    selectFolder(page.deviceClean().CacheOutlineView, {0, 0, 0, 1});  // Mail/Library/Caches/Snapshots
    page.deviceClean().cacheFileTableView->selectRow(0);
    page.CleanCacheFile();
    settle();
    EXPECT_FALSE(device.exists(kMail, "/Library/Caches/Snapshots/s.png"));
    EXPECT_EQ(page.CacheFileController->rowCount(), 0);
    EXPECT_EQ(log.names, std::vector<std::string>{notices::CleanCacheFilesSize.name()});
    EXPECT_EQ(log.values, std::vector<std::string>{"2600"});
    EXPECT_EQ(page.counters().cacheFileSize, 5800u);
    EXPECT_EQ(page.GetCleanTaotalFileNumber(), 8u);
    // Asked first, as every removal is.
    ASSERT_EQ(responder.alerts.size(), 1);
    EXPECT_EQ(responder.alerts[0], "\"s.png\" will be removed from your device.");

    // A removal the device refuses keeps its row and its bytes, and says so once.
    device.refuseRemoval(kMail, "/tmp/draft.tmp");
    selectFolder(page.deviceClean().JunkOutlineView, {0, 0});
    page.deviceClean().junkFileTableView->selectRow(0);
    page.CleanJunkFile();
    settle();
    EXPECT_TRUE(device.exists(kMail, "/tmp/draft.tmp"));
    EXPECT_EQ(page.JunkFileController->rowCount(), 1);
    EXPECT_EQ(page.counters().junkFileSize, 180u);
    EXPECT_EQ(log.count(notices::CleanJunkFilesSize.name()), 0);
    EXPECT_EQ(responder.alerts.size(), 3);  // the question and the refusal

    // Nothing selected: nothing is asked, nothing happens, and the user is told.
    page.deviceClean().cookieTableView->clearSelection();
    page.CleanCookieFile();
    settle();
    EXPECT_TRUE(device.exists(kMail, "/Library/Cookies/Cookies.binarycookies"));
    EXPECT_EQ(responder.alerts.back(), "Nothing is selected.");

    // Cancel, the question's default, removes nothing.
    responder.answer_ = NSAlertSecondButtonReturn;
    page.CleanJunkFile();
    settle();
    EXPECT_TRUE(device.exists(kMail, "/tmp/draft.tmp"));
    EXPECT_EQ(page.JunkFileController->rowCount(), 1);
}

// A page that goes while its removal runs waits for it, and the removal's hand-off to the gone
// page is dropped: nothing touches the page afterwards, and the teardown does not hang.
TEST_F(CleanPageTest, APageGoingMidRemovalWaitsForItsWorkerAndDropsItsHandOff) {
    auto going = std::make_unique<PRCleanViewController>(device);
    going->deviceConnected = [] { return true; };
    going->view()->show();
    ASSERT_TRUE(going->showDeviceClean(0));
    ASSERT_TRUE(testsupport::waitForWorkers());
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    selectFolder(going->deviceClean().CacheOutlineView, {0, 0, 0, 1});  // Mail/Library/Caches/Snapshots
    going->deviceClean().cacheFileTableView->selectRow(0);

    std::atomic<bool> entered{false}, release{false};
    device.beforeRemove = [&](const std::string&, const std::string&) {
        entered = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    going->CleanCacheFile();
    ASSERT_TRUE(testsupport::waitUntil([&] { return entered.load(); }));
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        release = true;
    });
    going.reset();  // returns once the removal has ended
    releaser.join();
    device.beforeRemove = nullptr;
    EXPECT_FALSE(device.exists(kMail, "/Library/Caches/Snapshots/s.png"));
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(responder.alerts.size(), 1);  // the question alone
}

TEST_F(CleanPageTest, RemovingAnAppFolderEmptiesItOnTheDevice) {
    scan();
    selectFolder(page.deviceClean().CacheOutlineView, {0});  // Mail
    page.cleanCacheDirFile();
    settle();
    EXPECT_TRUE(device.filesUnder(kMail, "/Library/Caches").empty());
    EXPECT_TRUE(device.exists(kMail, "/Library/Caches/Snapshots"));  // folders stay
    EXPECT_FALSE(device.filesUnder(kNotes, "/Library/Caches").empty());
    EXPECT_EQ(page.counters().cacheFileSize, 1000u);
    EXPECT_EQ(page.counters().cacheFileNumber, 1u);
    selectFolder(page.deviceClean().CacheOutlineView, {0, 0, 0, 1});
    EXPECT_EQ(page.CacheFileController->rowCount(), 0);
}

TEST_F(CleanPageTest, CleaningEverythingEmptiesTheFoldersAndTheCounters) {
    for (int i = 0; i < 30; ++i) {
        const std::string id = "com.example.app" + std::to_string(i);
        device.addApp(id, "App " + std::to_string(i));
        device.addFile(id, "/Library/Caches/c" + std::to_string(i), 10);
    }
    scan();
    page.cleanAllCacheFiles();
    page.CleanAllJunkFiles();
    page.CleanAllCookieFiles();
    page.CleanAllSyncedMediaFile();
    settle();
    for (const std::string& id : {kMail, kNotes}) {
        EXPECT_TRUE(device.filesUnder(id, "/Library/Caches").empty());
        EXPECT_TRUE(device.filesUnder(id, "/tmp").empty());
        EXPECT_TRUE(device.filesUnder(id, "/Library/Cookies").empty());
    }
    EXPECT_TRUE(device.filesUnder(FakeCleanDevice::kMedia, "/iTunes_Control/Sync").empty());
    EXPECT_EQ(page.counters().totalFileSize, 0u);
    EXPECT_EQ(page.GetCleanTaotalFileNumber(), 0u);
    EXPECT_EQ(page.syncFailedController->rowCount(), 0);
    EXPECT_LE(device.maxOpenServices(), 4);
    // One question per remove-all, and no failure.
    for (const QString& alert : responder.alerts) EXPECT_TRUE(alert.startsWith("All ")) << alert.toStdString();
}

QStringList filesBelow(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

TEST_F(CleanPageTest, ExportsGoIntoTheChosenFolderAndNowhereElse) {
    device.addRawFile(FakeCleanDevice::kMedia, "/iTunes_Control/Sync", "../../../escape", 11);
    scan();
    const QString scratch = QString::fromStdString(testsupport::scratchDirectory("page-export"));

    // Cancel exports nothing.
    page.deviceClean().syncFailedTableView->selectRow(2);
    page.ExportTheSyncedFiletoMac();
    settle();
    EXPECT_TRUE(filesBelow(scratch).isEmpty());
    ASSERT_EQ(responder.panels.size(), 1);
    EXPECT_TRUE(responder.panels[0].startsWith("Quillomatrix "));

    responder.answer = scratch + "/One";
    ASSERT_EQ(page.syncFailedController->index(2, 0).data().toString(), "/iTunes_Control/Sync/../../../escape");
    page.deviceClean().syncFailedTableView->selectRow(2);
    page.ExportTheSyncedFiletoMac();
    settle();
    EXPECT_EQ(filesBelow(scratch), QStringList{"One/escape"});
    EXPECT_EQ(shown, QStringList{scratch + "/One"});
    EXPECT_EQ(page.exportPath(), scratch + "/One");
    EXPECT_FALSE(page.bExportSynced);

    responder.answer = scratch + "/Folder";
    selectFolder(page.deviceClean().CacheOutlineView, {0});
    page.ExportCacheFilesToMac();
    settle();
    EXPECT_EQ(filesBelow(scratch + "/Folder"),
              (QStringList{"Library/Caches/Snapshots/s.png", "Library/Caches/com.example.mail/Cache.db",
                           "Library/Caches/com.example.mail/fsCachedData/A1"}));
    EXPECT_EQ(QFileInfo(scratch + "/Folder/Library/Caches/Snapshots/s.png").size(), 2600);
    EXPECT_TRUE(responder.alerts.isEmpty());
}

TEST(SavePanelName, DateAndDottedTime) {
    EXPECT_EQ(PRCleanViewController::proposedExportName(QDateTime(QDate(2024, 3, 9), QTime(7, 5, 30))),
              "Quillomatrix 2024-03-09 - 07.05.30");
}

TEST_F(CleanPageTest, ContextMenusAreEnabledOnlyOverARow) {
    scan();
    page.showCleanCacheview();
    QMenu* menu = page.prepareContextMenu(page.deviceClean().CacheOutlineView, QPoint(5, 400));
    ASSERT_EQ(menu, page.deviceClean().cacheDirMenu);
    for (QAction* action : menu->actions()) EXPECT_FALSE(action->isEnabled());
    const QRect first = page.deviceClean().CacheOutlineView->visualRect(page.CacheTreeController->index(0, 0));
    page.prepareContextMenu(page.deviceClean().CacheOutlineView, first.center());
    for (QAction* action : menu->actions()) EXPECT_TRUE(action->isEnabled());
    page.showCleanMediaView();
    EXPECT_EQ(page.prepareContextMenu(page.deviceClean().syncFailedTableView, QPoint(5, 500)),
              page.deviceClean().syncedMenu);
    for (QAction* action : page.deviceClean().syncedMenu->actions()) EXPECT_FALSE(action->isEnabled());
}

}  // namespace
