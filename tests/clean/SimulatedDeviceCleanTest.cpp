// The clean page against simulated devices through the device layer: small devices made
// here, and the sample device.
#include "DeviceFolder.h"
#include "SampleDevice.h"
#include "clean/PRCleanViewController.h"
#include "clean/core/CleanNotices.h"
#include "platform/CoreFoundation.h"
#include "platform/Dialogs.h"
#include "platform/MobileDevice.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTableView>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

namespace fs = std::filesystem;

namespace {

struct Responder : DialogResponder {
    int answerAlert(const AlertRequest& request) override {
        alerts << request.messageText;
        details << request.informativeText;
        return NSAlertFirstButtonReturn;
    }
    QStringList answerPanel(const PanelRequest&) override {
        return answer.isEmpty() ? QStringList{} : QStringList{answer};
    }
    QStringList alerts;
    QStringList details;  // the line below each alert's text
    QString answer;
};

struct Notifications {
    Notifications() {
        using namespace notices;
        for (const NoticeName* notice : std::initializer_list<const NoticeName*>{
                 &CleanFileProgressInfo, &AddCleanFileSizeThreadProgressInfo, &CleanFilehasFinished})
            notice->observe(NSNotificationCenter::defaultCenter(), this, [this](const NSNotification& n) {
                std::lock_guard<std::mutex> lock(mutex);
                names.push_back(n.name());
                if (onPost) onPost(n);
            });
    }
    ~Notifications() { NSNotificationCenter::defaultCenter().removeObserver(this); }
    int count(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex);
        return int(std::count(names.begin(), names.end(), name));
    }
    std::mutex mutex;
    std::vector<std::string> names;
    std::function<void(const NSNotification&)> onPost;
};

void addApp(const std::string& device, const std::string& id, const std::string& name) {
    CFHolder<CFMutableDictionaryRef> attributes(CFDictionaryCreateMutable());
    for (auto [key, value] : {std::pair<const char*, std::string>{"CFBundleIdentifier", id},
                              {"CFBundleDisplayName", name},
                              {"ApplicationType", "User"}}) {
        CFHolder<CFStringRef> text(CFStringCreateWithCString(value.c_str()));
        CFDictionarySetValue(attributes.get(), key, text.get());
    }
    paths::makeDirectories(device + "/apps/" + id + "/container");
    CFPropertyListWriteToFile(attributes.get(), device + "/apps/" + id + "/attributes.plist",
                              kCFPropertyListXMLFormat_v1_0);
}

std::vector<std::string> regularFilesUnder(const std::string& folder) {
    std::vector<std::string> out;
    if (!fs::exists(folder)) return out;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) out.push_back(entry.path().string());
    return out;
}

class SimulatedCleanTest : public devicetest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dialogs::setResponder(&responder);
        workspace::setRecorder([](workspace::Action, const QString&) {});
        page = std::make_unique<PRCleanViewController>();
        page->deviceConnected = [] { return simdevice::attachedCount() > 0; };
        page->view()->resize(960, 600);
        page->view()->show();
    }
    void TearDown() override {
        testsupport::waitForWorkers();
        page.reset();
        dialogs::setResponder(nullptr);
        workspace::setRecorder({});
        DeviceTest::TearDown();
    }
    void scan(int index) {
        ASSERT_TRUE(page->showDeviceClean(index));
        ASSERT_TRUE(testsupport::waitForWorkers(std::chrono::seconds(120)));
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
    }
    // A small device: one app with every kind of junk, and leftovers of a failed sync.
    std::string smallDevice() {
        const std::string folder = deviceFolder("small");
        fs::remove_all(folder + "/apps");
        addApp(folder, "com.example.mail", "Mail");
        const std::string c = folder + "/apps/com.example.mail/container";
        devicetest::writeFile(c + "/tmp/draft.tmp", std::string(120, 't'));
        devicetest::writeFile(c + "/Library/Caches/Cache.db", std::string(4000, 'c'));
        devicetest::writeFile(c + "/Library/Caches/Snapshots/s.png", std::string(2600, 's'));
        devicetest::writeFile(c + "/Library/Cookies/Cookies.binarycookies", std::string(300, 'k'));
        devicetest::writeFile(c + "/Documents/keep.txt", "keep");
        addApp(folder, "com.example.notes", "Notes");
        devicetest::writeFile(folder + "/apps/com.example.notes/container/Library/Caches", std::string(70, 'f'));
        devicetest::writeFile(folder + "/media/iTunes_Control/Sync/sync.plist", std::string(700, 'p'));
        devicetest::writeFile(folder + "/media/iTunes_Control/Sync/Media/song.m4a", std::string(5000, 'm'));
        return folder;
    }

    Responder responder;
    std::unique_ptr<PRCleanViewController> page;
};

QStringList rows(QAbstractItemModel* model, int column = 0) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, column).data().toString();
    return out;
}

TEST_F(SimulatedCleanTest, ScanFindsTheJunkOfASmallDevice) {
    attachAndWait(smallDevice());
    Notifications log;
    scan(connected.back());
    EXPECT_EQ(rows(page->JunkTreeController), QStringList{"Mail"});
    EXPECT_EQ(rows(page->CacheTreeController), (QStringList{"Mail", "Notes"}));
    EXPECT_EQ(rows(page->CookTreeController), QStringList{"Mail"});
    EXPECT_EQ(rows(page->syncFailedController),
              (QStringList{"/iTunes_Control/Sync/Media/song.m4a", "/iTunes_Control/Sync/sync.plist"}));
    EXPECT_EQ(page->syncFailedController->index(1, 1).data().toString(), "700.00bytes");
    EXPECT_EQ(page->counters().cacheFileSize, 4000u + 2600 + 70);
    EXPECT_EQ(page->counters().totalFileSize, 120u + 6670 + 300 + 5700);
    EXPECT_EQ(page->GetCleanTaotalFileNumber(), 7u);
    EXPECT_EQ(log.names, (std::vector<std::string>{
                             notices::CleanFileProgressInfo.name(), notices::AddCleanFileSizeThreadProgressInfo.name(),
                             notices::CleanFileProgressInfo.name(), notices::AddCleanFileSizeThreadProgressInfo.name(),
                             notices::CleanFilehasFinished.name()}));
}

TEST_F(SimulatedCleanTest, RemovalsEmptyTheDeviceFolders) {
    const std::string folder = smallDevice();
    attachAndWait(folder);
    scan(connected.back());
    const std::string mail = folder + "/apps/com.example.mail/container";

    // One file.
    page->deviceClean().CacheOutlineView->setCurrentIndex(page->CacheTreeController->index(0, 0));    // Mail
    QModelIndex at = page->CacheTreeController->index(0, 0, page->CacheTreeController->index(0, 0));  // Library
    at = page->CacheTreeController->index(0, 0, at);                                                  // Caches
    page->deviceClean().CacheOutlineView->setCurrentIndex(at);
    ASSERT_EQ(rows(page->CacheFileController), QStringList{"Cache.db"});
    page->deviceClean().cacheFileTableView->selectRow(0);
    page->CleanCacheFile();
    ASSERT_TRUE(testsupport::waitForWorkers());
    EXPECT_FALSE(fs::exists(mail + "/Library/Caches/Cache.db"));
    EXPECT_EQ(page->counters().cacheFileSize, 2600u + 70);

    // One app's folder.
    page->deviceClean().JunkOutlineView->setCurrentIndex(page->JunkTreeController->index(0, 0));
    page->CleanJunkDirFile();
    ASSERT_TRUE(testsupport::waitForWorkers());
    EXPECT_TRUE(regularFilesUnder(mail + "/tmp").empty());
    EXPECT_TRUE(fs::is_directory(mail + "/tmp"));

    // Everything.
    page->cleanAllCacheFiles();
    page->CleanAllCookieFiles();
    page->CleanAllSyncedMediaFile();
    ASSERT_TRUE(testsupport::waitForWorkers());
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_TRUE(regularFilesUnder(mail + "/Library/Caches").empty());
    EXPECT_TRUE(regularFilesUnder(mail + "/Library/Cookies").empty());
    EXPECT_TRUE(regularFilesUnder(folder + "/media/iTunes_Control/Sync").empty());
    EXPECT_TRUE(fs::exists(mail + "/Documents/keep.txt"));
    // The Notes cache entry is a file, not a folder: emptying folders leaves it, and the
    // counters say so.
    EXPECT_TRUE(fs::exists(folder + "/apps/com.example.notes/container/Library/Caches"));
    EXPECT_EQ(page->counters().totalFileSize, 70u);
    EXPECT_EQ(page->GetCleanTaotalFileNumber(), 1u);
    // Each removal asked first, and none failed.
    const QStringList asked = {"\"Cache.db\" will be removed from your device.",
                               "All temporary files of \"Mail\" will be removed from your device."};
    ASSERT_GE(responder.alerts.size(), 2);
    EXPECT_EQ(responder.alerts.mid(0, 2), asked);
    for (const QString& alert : responder.alerts.mid(2)) EXPECT_TRUE(alert.startsWith("All ")) << alert.toStdString();
}

// A removal the device refuses: the row stays, and the one alert names the file and the
// device's reason; a container that will not open names the reason of the start.
TEST_F(SimulatedCleanTest, AFailedRemovalsAlertNamesTheFileAndTheReason) {
    const std::string folder = smallDevice();
    const int id = attachAndWait(folder);
    scan(connected.back());
    const std::string mail = folder + "/apps/com.example.mail/container";
    auto selectCacheDb = [&] {
        page->deviceClean().CacheOutlineView->setCurrentIndex(page->CacheTreeController->index(0, 0));
        QModelIndex at = page->CacheTreeController->index(0, 0, page->CacheTreeController->index(0, 0));
        page->deviceClean().CacheOutlineView->setCurrentIndex(page->CacheTreeController->index(0, 0, at));
        ASSERT_EQ(rows(page->CacheFileController), QStringList{"Cache.db"});
        page->deviceClean().cacheFileTableView->selectRow(0);
    };

    selectCacheDb();
    simdevice::failCall(id, "AFCRemovePath", kAFCPermissionDeniedError);
    page->CleanCacheFile();
    ASSERT_TRUE(testsupport::waitForWorkers());
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    simdevice::failCall(id, "AFCRemovePath", 0);
    EXPECT_TRUE(fs::exists(mail + "/Library/Caches/Cache.db"));
    EXPECT_EQ(rows(page->CacheFileController), QStringList{"Cache.db"});
    ASSERT_EQ(responder.alerts, (QStringList{"\"Cache.db\" will be removed from your device.",
                                             "The file could not be removed from the device."}));
    EXPECT_EQ(responder.details[1], "/Library/Caches/Cache.db: Permission denied by the device");
    responder.alerts.removeFirst();
    responder.details.removeFirst();

    // Emptying every cache folder: one alert for the whole action, naming the first refusal.
    simdevice::failCall(id, "AMDeviceStartHouseArrestService", kAMDApplicationNotFoundError);
    page->cleanAllCacheFiles();
    ASSERT_TRUE(testsupport::waitForWorkers());
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    simdevice::failCall(id, "AMDeviceStartHouseArrestService", 0);
    EXPECT_TRUE(fs::exists(mail + "/Library/Caches/Cache.db"));
    ASSERT_EQ(responder.alerts.size(), 3);  // the remove-all asked first
    EXPECT_TRUE(responder.alerts[1].startsWith("All cache files"));
    EXPECT_EQ(responder.alerts[2], "Some files could not be removed from the device.");
    EXPECT_EQ(responder.details[2],
              "/Library/Caches: The device's file service could not be started: "
              "The app is not installed on the device");
}

TEST_F(SimulatedCleanTest, ExportOfAFolderRowKeepsDevicePaths) {
    attachAndWait(smallDevice());
    scan(connected.back());
    const QString target = QString::fromStdString(home.path()) + "/Exported";
    responder.answer = target;
    page->deviceClean().CacheOutlineView->setCurrentIndex(page->CacheTreeController->index(0, 0));
    page->ExportCacheFilesToMac();
    ASSERT_TRUE(testsupport::waitForWorkers());
    EXPECT_EQ(QFileInfo(target + "/Library/Caches/Cache.db").size(), 4000);
    EXPECT_EQ(QFileInfo(target + "/Library/Caches/Snapshots/s.png").size(), 2600);
}

TEST_F(SimulatedCleanTest, PullingTheDeviceOutStopsTheScan) {
    const std::string folder = smallDevice();
    addApp(folder, "com.example.zbig", "Zbig");
    for (int i = 0; i < 400; ++i)
        devicetest::writeFile(folder + "/apps/com.example.zbig/container/Library/Caches/f" + std::to_string(i), "x");
    const int id = attachAndWait(folder);
    Notifications log;
    log.onPost = [id](const NSNotification& n) {
        if (notices::CleanFileProgressInfo.is(n)) simdevice::detach(id);
    };
    scan(connected.back());
    EXPECT_EQ(log.count(notices::CleanFilehasFinished.name()), 0);
    EXPECT_LT(page->GetCleanTaotalFileNumber(), 7u + 400);
}

TEST_F(SimulatedCleanTest, SampleDeviceShowsAndCleansItsJunk) {
    const std::string folder = home.path() + "/sample";
    sampledevice::Summary summary;
    ASSERT_TRUE(sampledevice::write(folder, &summary));
    attachAndWait(folder);
    Notifications log;
    scan(connected.back());
    EXPECT_EQ(log.count(notices::CleanFilehasFinished.name()), 1);
    EXPECT_GT(page->JunkTreeController->rowCount(), 0);
    EXPECT_GT(page->CacheTreeController->rowCount(), 0);
    EXPECT_GT(page->CookTreeController->rowCount(), 0);
    EXPECT_GT(page->syncFailedController->rowCount(), 0);
    EXPECT_GT(page->counters().totalFileSize, 0u);

    auto showFirstFolder = [](QTreeView* outline) {
        QModelIndex at = outline->model()->index(0, 0);
        while (at.isValid() && outline->model()->rowCount(at) > 0) {
            outline->expand(at);
            at = outline->model()->index(0, 0, at);
        }
        outline->setCurrentIndex(at);
    };
    page->showCleanJunkView();
    showFirstFolder(page->deviceClean().JunkOutlineView);
    testsupport::saveScreenshot(page->view(), "clean-sample-junk");
    page->showCleanCacheview();
    showFirstFolder(page->deviceClean().CacheOutlineView);
    testsupport::saveScreenshot(page->view(), "clean-sample-cache");
    page->showCleanCookView();
    showFirstFolder(page->deviceClean().CookOutlineView);
    testsupport::saveScreenshot(page->view(), "clean-sample-cookie");
    page->showCleanMediaView();
    testsupport::saveScreenshot(page->view(), "clean-sample-media");
    page->showCleanMainView();
    testsupport::saveScreenshot(page->view(), "clean-sample-main");

    page->cleanAllCacheFiles();
    page->CleanAllJunkFiles();
    page->CleanAllCookieFiles();
    page->CleanAllSyncedMediaFile();
    ASSERT_TRUE(testsupport::waitForWorkers(std::chrono::seconds(120)));
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    for (const auto& app : fs::directory_iterator(folder + "/apps")) {
        const std::string c = app.path().string() + "/container";
        for (const char* category : {"/tmp", "/Library/Caches", "/Library/Cookies"})
            if (fs::is_directory(c + category)) {
                EXPECT_TRUE(regularFilesUnder(c + category).empty()) << c << category;
            }
    }
    EXPECT_TRUE(regularFilesUnder(folder + "/media/iTunes_Control/Sync").empty());
    EXPECT_EQ(page->counters().junkFileSize + page->counters().cacheFileSize + page->counters().cookieFileSize, 0u);
    EXPECT_EQ(page->syncFailedController->rowCount(), 0);
}

}  // namespace
