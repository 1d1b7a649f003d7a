// The disk manager against simulated devices through the device layer: the sample device's
// user data, apps, tracks, books and photos add up to what its folder holds; a service that does not start and a
// device pulled mid-scan leave rows the user can open again.
#include "DeviceFolder.h"
#include "DiskTree.h"
#include "SampleDevice.h"
#include "device/BaseInfo.h"
#include "device/DeviceManager.h"
#include "device/StatusText.h"
#include "disk/DiskAppListController.h"
#include "disk/DiskBookListController.h"
#include "disk/DiskMusicListController.h"
#include "disk/DiskPhotoListController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/PRSystemlibFileController.h"
#include "disk/core/AppScan.h"
#include "model/PRRecordFields.h"
#include "platform/CoreFoundation.h"
#include "platform/SimulatedDevices.h"
#include "widgets/PRProgressView.h"

#include <QImage>
#include <QLabel>
#include <QTableView>
#include <QTreeView>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;
using disk::DiskScanGroup;

namespace {

using disktree::folderAt;

std::string stringIn(CFDictionaryRef d, const char* key) {
    auto s = cfCast<CFString>(CFDictionaryGetValue(d, key), CFStringGetTypeID());
    return s ? CFStringGetStdString(s) : std::string();
}

int64_t numberIn(CFDictionaryRef d, const char* key, bool* present = nullptr) {
    auto n = cfCast<CFNumber>(CFDictionaryGetValue(d, key), CFNumberGetTypeID());
    int64_t v = 0;
    if (n) CFNumberGetValue(n, kCFNumberSInt64Type, &v);
    if (present) *present = n != nullptr;
    return v;
}

class DiskDeviceTest : public devicetest::DeviceTest {
protected:
    void startPage(const std::string& folder) {
        simId = attachAndWait(folder);
        page = std::make_unique<PRDiskaManagerViewController>();
        page->deviceConnected = [] { return simdevice::attachedCount() > 0; };
        host.resize(960, 600);
        page->showView(&host);
        page->setDiskManageDeviceIndex(connected.back());
        host.show();
    }
    void TearDown() override {
        page.reset();
        EXPECT_TRUE(testsupport::waitForWorkers());
        DeviceTest::TearDown();
    }
    bool waitIdle() {
        return testsupport::waitUntil([this] { return page->runningScans() == 0 && !page->scanState().anyScanning(); },
                                      std::chrono::seconds(60));
    }
    int simId = 0;
    QWidget host;
    std::unique_ptr<PRDiskaManagerViewController> page;
};

TEST_F(DiskDeviceTest, TheSampleDevicesUserDataAndAppsAddUpToItsFolder) {
    const std::string folder = home.path() + "/sample";
    ASSERT_TRUE(sampledevice::write(folder));
    startPage(folder);

    // The overview shows the device's own figures.
    amd::DiskCapacities figures;
    amd::DeviceManager::Instance()->FindItem(connected.back())->info->DiskUsage(figures);
    page->setDiskManageDeviceWithAllUserData(figures.totalDataCapacity, figures.totalDataAvailable,
                                             figures.totalSystemCapacity, figures.totalSystemAvailable);
    EXPECT_EQ(page->userFreelab->text(),
              "User Free:   " + QString::fromStdString(sizeText(figures.totalDataAvailable)));
    EXPECT_FLOAT_EQ(page->systemProgress->value(), float(figures.totalSystemCapacity - figures.totalSystemAvailable) /
                                                       float(figures.totalSystemCapacity));
    testsupport::saveScreenshot(&host, "disk-overview");

    page->ScanDiskUserDataFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->shownPage(), page->userLibDataView);
    uint64_t bytes = 0;
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder + "/media")) {
        const std::string devicePath = entry.path().string().substr(folder.size() + 6);
        const PRPhoneSystemDirNodePtr parent =
            folderAt(*page->libTreeController, fs::path(devicePath).parent_path().string());
        ASSERT_TRUE(parent) << devicePath;
        bool listed = false;
        for (const auto& e : parent->fileChildren())
            if (e->filePath.toStdString() == devicePath) {
                listed = true;
                if (entry.is_regular_file()) {
                    EXPECT_EQ(e->fileSize.toStdString(), sizeText(entry.file_size())) << devicePath;
                    EXPECT_EQ(e->fileType, "File");
                } else {
                    EXPECT_EQ(e->fileType, "Folder");
                }
            }
        EXPECT_TRUE(listed) << devicePath;
        if (entry.is_regular_file()) {
            bytes += entry.file_size();
            ++files;
        }
    }
    EXPECT_GT(files, 50u);
    EXPECT_EQ(page->allUserDataFileSize, bytes);
    EXPECT_EQ(page->userLibDataFileSizelab->text(), QString::fromStdString(sizeText(bytes)));
    EXPECT_TRUE(folderAt(*page->libTreeController, "/PhotoData/Thumbnails/V2/DCIM/100APPLE/IMG_0001.JPG"));
    page->userLibDataFileOutlineView->setCurrentIndex(
        page->libTreeController->indexForNode(folderAt(*page->libTreeController, "/DCIM/100APPLE").get()));
    EXPECT_EQ(page->libFileController->rowCount(), 10);
    testsupport::saveScreenshot(&host, "disk-userdata");

    page->ScanDiskUserAppFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->shownPage(), page->appFileView);
    // What the app folders say.
    uint64_t userBytes = 0;
    size_t userApps = 0, systemApps = 0, services = 0;
    std::map<std::string, std::string> versions;
    for (const auto& app : fs::directory_iterator(folder + "/apps")) {
        CFHolder<CFPropertyListRef> plist(CFPropertyListCreateFromFile(app.path().string() + "/attributes.plist"));
        auto attributes = cfCast<CFDictionary>(plist.get(), CFDictionaryGetTypeID());
        ASSERT_TRUE(attributes);
        const std::string shortVersion = stringIn(attributes, "CFBundleShortVersionString");
        versions[stringIn(attributes, "CFBundleIdentifier")] =
            shortVersion.empty() ? stringIn(attributes, "CFBundleVersion") : shortVersion;
        bool hasStatic = false;
        const int64_t bundle = numberIn(attributes, "StaticDiskUsage", &hasStatic);
        if (stringIn(attributes, "ApplicationType") == "User") {
            ++userApps;
            userBytes += uint64_t(bundle + numberIn(attributes, "DynamicDiskUsage"));
        } else {
            ++systemApps;
            if (!hasStatic) ++services;
        }
    }
    ASSERT_EQ(page->appFilesArray.size(), userApps);
    ASSERT_EQ(page->systemAppFileArray.size(), systemApps);
    EXPECT_EQ(page->allAppFileSize, userBytes);
    EXPECT_EQ(page->appFileSizelab->text(), QString::fromStdString(sizeText(userBytes)));
    for (const auto& app : page->appFilesArray) {
        EXPECT_EQ(app->appVersion.toStdString(), versions[app->appBundleId.toStdString()]);
        EXPECT_FALSE(app->appIcon.isNull()) << app->appBundleId.toStdString();
        EXPECT_EQ(app->fileType, "DIR");
    }
    size_t serviceRows = 0;
    for (const auto& app : page->systemAppFileArray) {
        EXPECT_EQ(app->appVersion.toStdString(), versions[app->appBundleId.toStdString()]);
        EXPECT_GE(app->appDisplayName.size(), 2) << app->appBundleId.toStdString();
        EXPECT_FALSE(app->appIcon.isNull()) << app->appBundleId.toStdString();
        if (app->fileType == "Service") ++serviceRows;
    }
    EXPECT_EQ(serviceRows, services);
    EXPECT_GT(services, 0u);
    EXPECT_EQ(page->appFileTableView->indexAt(QPoint(4, 4)).row(), 0);
    // A selected app fills the pane beside its table: icon, name and version.
    page->appFileTableView->selectRow(0);
    const PRAppDirTreeNodePtr firstApp = page->appFileController->objectAt(0);
    EXPECT_EQ(page->appFileNamelab->text(), firstApp->appDisplayName);
    EXPECT_EQ(page->appVersionlab->text(), firstApp->appVersion);
    EXPECT_FALSE(page->appPreviewImage->pixmap().isNull());
    testsupport::spinEventLoop(std::chrono::milliseconds(30));
    testsupport::saveScreenshot(&host, "disk-userapps");
    page->ScanDiskSystemAppFiles();
    EXPECT_EQ(page->shownPage(), page->systemAppFileView);
    const int last = page->systemAppFileController->rowCount() - 1;
    page->systemAppFileTableView->selectRow(last);
    const PRAppDirTreeNodePtr systemApp = page->systemAppFileController->objectAt(last);
    EXPECT_EQ(page->systemAppNamelb->text(), systemApp->appDisplayName);
    EXPECT_EQ(page->systemAppVersionlab->text(), systemApp->appVersion);
    EXPECT_FALSE(page->systemAppPreviewImageView->pixmap().isNull());
    testsupport::saveScreenshot(&host, "disk-systemapps");
    page->showTableView();
    testsupport::saveScreenshot(&host, "disk-categories");
}

TEST_F(DiskDeviceTest, AServiceThatFailsToStartLeavesTheRowsReadyForASecondRun) {
    startPage(deviceFolder("small"));
    simdevice::failCall(simId, "AMDeviceStartService", 7);
    page->ScanDiskUsage();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->scanState().phase(DiskScanGroup::UserData), disk::DiskScanState::Phase::NeverScanned);
    EXPECT_EQ(page->scanState().phase(DiskScanGroup::Apps), disk::DiskScanState::Phase::NeverScanned);
    EXPECT_TRUE(page->appFilesArray.empty());

    simdevice::failCall(simId, "AMDeviceStartService", 0);
    page->ScanDiskUsage();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(page->scanState().scanFinished(DiskScanGroup::UserData));
    EXPECT_TRUE(page->scanState().scanFinished(DiskScanGroup::Apps));
    EXPECT_FALSE(page->appFilesArray.empty());
    EXPECT_EQ(page->shownPage(), page->diskTableView);
}

TEST_F(DiskDeviceTest, AnAppListOrIconServiceThatDoesNotStartKeepsTheDevicesReason) {
    startPage(deviceFolder("small"));
    const int device = connected.back();
    simdevice::failCall(simId, "AMDeviceStartService", kAMDServiceProhibitedError);
    struct Nothing : disk::AppScanSink {
        void deliver(disk::AppScanRecord, float) override { ++delivered; }
        int delivered = 0;
    } sink;
    disk::AppScan::Options options;
    options.deviceIndex = device;
    disk::AppScan scan(disk::deviceDiskServices(), options, sink);
    EXPECT_EQ(scan.startScanDeviceApps(), disk::AppScan::Outcome::NoService);
    EXPECT_NE(scan.failureReason().find(amd::statusText(kAMDServiceProhibitedError)), std::string::npos)
        << scan.failureReason();
    EXPECT_EQ(sink.delivered, 0);

    int status = 0;
    std::vector<uint8_t> png;
    EXPECT_EQ(disk::deviceDiskServices().iconPNGData(device, "com.example.none", png, &status),
              disk::DiskDeviceServices::IconResult::NoService);
    EXPECT_EQ(status, kAMDServiceProhibitedError);

    // Once the device lets the service start, the same scan lists the apps and says nothing.
    simdevice::failCall(simId, "AMDeviceStartService", 0);
    EXPECT_EQ(scan.startScanDeviceApps(), disk::AppScan::Outcome::Finished);
    EXPECT_TRUE(scan.failureReason().empty());
    EXPECT_GT(sink.delivered, 0);
}

TEST_F(DiskDeviceTest, ADevicePulledMidScanStopsTheWalk) {
    const std::string folder = deviceFolder("pulled");
    for (int i = 0; i < 300; ++i) devicetest::writeFile(folder + "/media/Many/file" + std::to_string(i), "x");
    startPage(folder);
    std::atomic<int> asked{0};
    page->deviceConnected = [&asked] {
        if (++asked == 40) simdevice::detachAll();
        return simdevice::attachedCount() > 0;
    };
    page->ScanDiskUserDataFiles();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(page->scanState().phase(DiskScanGroup::UserData), disk::DiskScanState::Phase::NeverScanned);
    EXPECT_EQ(asked.load(), 40);
    EXPECT_EQ(page->userLibDataProgress->value(), 0.0f);
}

}  // namespace

namespace {

// Bytes and number of the regular files below folder whose path matches keep.
std::pair<uint64_t, size_t> filesBelow(const std::string& folder, const std::function<bool(const std::string&)>& keep) {
    uint64_t bytes = 0;
    size_t count = 0;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file() && keep(entry.path().string())) {
            bytes += entry.file_size();
            ++count;
        }
    return {bytes, count};
}

bool containsNoCase(const std::string& text, const char* part) {
    return QString::fromStdString(text).contains(QLatin1String(part), Qt::CaseInsensitive);
}

TEST_F(DiskDeviceTest, TheSampleDevicesTracksBooksAndPhotosMatchItsFolder) {
    const std::string folder = home.path() + "/sample";
    ASSERT_TRUE(sampledevice::write(folder));
    startPage(folder);
    const std::string media = folder + "/media";

    // Songs whose files are on the device; the one whose file went is not listed.
    page->ScanDiskMusicFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->shownPage(), page->musicFileView);
    const auto songs =
        filesBelow(media + "/iTunes_Control/Music", [](const std::string& p) { return p.ends_with(".wav"); });
    ASSERT_EQ(page->muiscFileController->rowCount(), int(songs.second));
    EXPECT_EQ(page->allMusicFileSize, songs.first);
    QStringList titles;
    for (const auto& track : page->musicFilesArray) titles << QString::fromStdString(track->musicTitle());
    EXPECT_TRUE(titles.contains("Morning Tide"));
    EXPECT_FALSE(titles.contains("Paper Boats"));
    page->musicFileTableView->selectRow(0);
    EXPECT_FALSE(page->musicPreviewFileName->text().isEmpty());
    testsupport::saveScreenshot(&host, "disk-music");

    page->ScanDiskVideoFiles();
    ASSERT_EQ(page->shownPage(), page->videoFileView);
    const auto movies =
        filesBelow(media + "/iTunes_Control/Music", [](const std::string& p) { return p.ends_with(".m4v"); });
    EXPECT_EQ(page->videoFileController->rowCount(), int(movies.second));
    EXPECT_EQ(page->allVideoFileSize, movies.first);
    if (movies.second) page->vidoeFileTableView->selectRow(0);
    testsupport::saveScreenshot(&host, "disk-videos");

    // Books: the PDF kept as one file is listed and adds nothing.
    page->ScanDiskBooksFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->shownPage(), page->booksFileView);
    ASSERT_EQ(page->booksFileController->rowCount(), 3);
    EXPECT_EQ(page->allBooksFileSize, filesBelow(media + "/Books/Purchases", [](const std::string& p) {
                                          return containsNoCase(p, ".epub/");
                                      }).first);
    page->bookFileTableview->selectRow(0);
    EXPECT_FALSE(page->bookPreviewImage->pixmap().isNull());
    EXPECT_EQ(page->bookPreviewFileName->text(), "The Lighthouse Keeper.epub");
    testsupport::saveScreenshot(&host, "disk-books");

    // Photos of the four sources, whatever their kind.
    page->ScanDiskPhotoFiles();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(page->shownPage(), page->photoFileView);
    auto inSource = [&media](const std::string& p) {
        const std::string device = p.substr(media.size());
        const fs::path folderOf = fs::path(device).parent_path();
        const std::string name = folderOf.filename().string(), root = folderOf.parent_path().string();
        return (root == "/DCIM" && containsNoCase(name, "APPLE")) ||
               (folderOf.parent_path().parent_path() == "/PhotoStreamsData" && containsNoCase(name, "APPLE")) ||
               ((root == "/PhotoData/Sync" || root == "/Photos/Sync") && containsNoCase(name, "SYNCD"));
    };
    const auto photos = filesBelow(media, inSource);
    EXPECT_EQ(page->photoFileController->rowCount(), int(photos.second));
    EXPECT_EQ(page->allPhotoFileSize, photos.first);
    EXPECT_EQ(page->photoFileSizelab->text().toStdString(), sizeText(photos.first));

    // The preview shows the picture of the file selected.
    page->photoFileTableview->selectRow(0);
    const PRPhotoAndVideoNodePtr first = page->photoFileController->objectAt(0);
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return first->bhasCopy() && !page->photoPreviewImage->pixmap().isNull(); }));
    const QImage file(QString::fromStdString(media + first->filePath()));
    const QImage shown = page->photoPreviewImage->pixmap().toImage();
    ASSERT_FALSE(file.isNull());
    EXPECT_NEAR(double(shown.width()) / shown.height(), double(file.width()) / file.height(), 0.02);
    const QColor a = file.pixelColor(file.width() / 2, file.height() / 2);
    const QColor b = shown.pixelColor(shown.width() / 2, shown.height() / 2);
    EXPECT_LT(std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()), 60);
    EXPECT_EQ(page->photoPreviewFileName->text().toStdString(), first->fileNodeName());
    testsupport::saveScreenshot(&host, "disk-photos");
}

}  // namespace
