// The app cleaner against the sample device, through the device layer.
#include "DeviceFolder.h"
#include "SampleDevice.h"
#include "TestSupport.h"
#include "clean/PRCleanViewController.h"
#include "clean/core/AdCacheScan.h"
#include "platform/Dialogs.h"
#include "platform/SimulatedDevices.h"
#include "widgets/PRButton.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Responder : DialogResponder {
    int answerAlert(const AlertRequest& request) override {
        alerts << request.messageText;
        return NSAlertFirstButtonReturn;
    }
    QStringList answerPanel(const PanelRequest&) override { return {}; }
    QStringList alerts;
};

// The device layer's services, with a gate the n-th removal waits at.
class GatedServices : public clean::DeviceCleanServices {
public:
    class File : public amd::FileService {
    public:
        File(std::unique_ptr<amd::FileService> inner, GatedServices& owner) : inner_(std::move(inner)), owner_(owner) {}
        bool ListDirectory(const std::string& p, std::vector<std::string>& n) override {
            return inner_->ListDirectory(p, n);
        }
        bool FileInfo(const std::string& p, amd::FileEntry& i) override { return inner_->FileInfo(p, i); }
        int RemovePath(const std::string& p) override {
            owner_.beforeRemove();
            return inner_->RemovePath(p);
        }
        int CopyToLocal(const std::string& d, files::NewFile& into) override { return inner_->CopyToLocal(d, into); }
        int CopyToDevice(const std::string& l, const std::string& d) override { return inner_->CopyToDevice(l, d); }

    private:
        std::unique_ptr<amd::FileService> inner_;
        GatedServices& owner_;
    };

    std::unique_ptr<amd::FileService> startAppDir(int d, const std::string& b, int* status) override {
        auto inner = clean::deviceCleanServices().startAppDir(d, b, status);
        return inner ? std::make_unique<File>(std::move(inner), *this) : nullptr;
    }
    std::unique_ptr<amd::FileService> startMediaArea(int d, int* status) override {
        return clean::deviceCleanServices().startMediaArea(d, status);
    }
    bool lookupApplications(int d, std::vector<clean::InstalledApp>& apps, int* status) override {
        return clean::deviceCleanServices().lookupApplications(d, apps, status);
    }
    IconResult iconPNGData(int d, const std::string& b, std::vector<uint8_t>& png, int* status) override {
        return clean::deviceCleanServices().iconPNGData(d, b, png, status);
    }

    void beforeRemove() {
        std::unique_lock<std::mutex> lock(mutex);
        if (++removals != holdAt) return;
        held = true;
        changed.notify_all();
        changed.wait(lock, [this] { return released; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
    bool isHeld() {
        std::lock_guard<std::mutex> lock(mutex);
        return held;
    }

    std::mutex mutex;
    std::condition_variable changed;
    int removals = 0, holdAt = -1;
    bool held = false, released = false;
};

struct Listed {
    uint64_t files = 0, bytes = 0;
    int adFolders = 0;
};

uint64_t regularBytes(const fs::path& folder, uint64_t* files = nullptr) {
    uint64_t bytes = 0;
    if (!fs::is_directory(folder)) return 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            bytes += entry.file_size();
            if (files) ++*files;
        }
    return bytes;
}

// What the app cleaner should list, read from the device folder itself.
Listed listedOnDisk(const std::string& device) {
    Listed listed;
    for (const auto& app : fs::directory_iterator(device + "/apps")) {
        const fs::path c = app.path() / "container";
        for (const char* folder : {"Library/Caches", "Library/Cookies", "tmp"})
            listed.bytes += regularBytes(c / folder, &listed.files);
        if (fs::is_directory(c / "Documents"))
            for (const auto& entry : fs::recursive_directory_iterator(c / "Documents")) {
                const std::string extension = entry.path().extension().string();
                if (entry.is_regular_file() && extension.size() > 1 &&
                    PRCleanViewController::GetDocumentFileType(extension.c_str() + 1) != -1) {
                    listed.bytes += entry.file_size();
                    ++listed.files;
                }
            }
    }
    return listed;
}

class SimulatedAppCleanTest : public devicetest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dialogs::setResponder(&responder);
        folder = home.path() + "/sample";
        ASSERT_TRUE(sampledevice::write(folder));
        attachAndWait(folder);
        page = std::make_unique<PRCleanViewController>(services);
        page->deviceConnected = [] { return simdevice::attachedCount() > 0; };
        container.resize(960, 560);
        page->showView(&container);
        page->QuillomatrixShowDeviceClean(connected.back());
        container.show();
    }
    void TearDown() override {
        services.release();
        testsupport::waitForWorkers(std::chrono::seconds(120));
        page.reset();
        dialogs::setResponder(nullptr);
        DeviceTest::TearDown();
    }
    // As a user presses: a button that has become "Remove" takes a press once the results
    // have been on screen a moment.
    void press() {
        if (page->appClean().appStartBtn->imageName() == "RemoveBtnNom.png")
            testsupport::spinEventLoop(std::chrono::milliseconds(ResultsSettle::kMilliseconds + 100));
        QTest::mouseClick(page->appClean().appStartBtn, Qt::LeftButton);
    }
    void settle() {
        ASSERT_TRUE(testsupport::waitForWorkers(std::chrono::seconds(120)));
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
    }

    GatedServices services;
    Responder responder;
    QWidget container;
    std::string folder;
    std::unique_ptr<PRCleanViewController> page;
};

TEST_F(SimulatedAppCleanTest, TheSampleDeviceIsCleanedOfWhatThePanelShows) {
    const Listed before = listedOnDisk(folder);
    ASSERT_GT(before.files, 0u);
    testsupport::saveScreenshot(&container, "appclean-sample-before");
    press();
    settle();
    ASSERT_TRUE(page->bAppCleanerFinish);
    EXPECT_EQ(page->appCleanCounters().totalFileNumber, before.files);
    EXPECT_EQ(page->appCleanCounters().totalFileSize, before.bytes);
    EXPECT_GT(page->appCleanCounters().documentFileNumber, 0u);
    // Recipe Box, Sky Hopper, Photo Frame, Farm Friends, Transit Now, Word Quest, Star Gazer,
    // Weatherly and Solitaire carry advertising caches.
    EXPECT_EQ(page->appClean().appAdslab->text(), "14 built-in ads");
    testsupport::saveScreenshot(&container, "appclean-sample-scanned");

    services.holdAt = 40;
    press();
    ASSERT_TRUE(testsupport::waitUntil([&] { return services.isHeld(); }));
    testsupport::spinEventLoop(std::chrono::milliseconds(30));
    EXPECT_TRUE(page->removeSheet().removeWindow->isVisible());
    testsupport::saveScreenshot(&container, "appclean-sample-during");
    testsupport::saveScreenshot(page->removeSheet().removeWindow, "appclean-sample-during-sheet");
    services.release();
    settle();
    EXPECT_EQ(page->appClean().appStartBtn->imageName(), "doneNom.png");
    testsupport::saveScreenshot(&container, "appclean-sample-after");

    // The device lost exactly the bytes the panel had shown; only the empty files standing in
    // for the advertising folders are left of what was listed.
    const Listed after = listedOnDisk(folder);
    EXPECT_EQ(after.bytes, 0u);
    EXPECT_EQ(page->appCleanCounters().totalFileSize, 0u);
    int placeholders = 0;
    for (const auto& app : fs::directory_iterator(folder + "/apps")) {
        const fs::path caches = app.path() / "container/Library/Caches";
        if (!fs::is_directory(caches)) continue;
        for (const auto& entry : fs::directory_iterator(caches))
            if (entry.is_regular_file()) {
                EXPECT_EQ(entry.file_size(), 0u) << entry.path();
                ++placeholders;
            }
    }
    EXPECT_EQ(placeholders, 14);
    EXPECT_TRUE(fs::exists(folder + "/apps/com.brightleaf.RecipeBox/container/Documents/Shopping List.txt"));
    EXPECT_FALSE(fs::exists(folder + "/apps/com.brightleaf.RecipeBox/container/Documents/Lasagne.JPG"));
    EXPECT_TRUE(fs::exists(folder + "/apps/com.brightleaf.RecipeBox/container/Library/Preferences"));
    EXPECT_EQ(page->appClean().appAdslab->text(), "0 built-in ads");
    EXPECT_EQ(responder.alerts.size(), 1);  // the question before the removal
}

TEST_F(SimulatedAppCleanTest, AdvertisingCachesGoAppByApp) {
    press();
    settle();
    page->ClickAppAdsFileAction();
    ASSERT_GT(page->adsController->rowCount(), 1);
    const PRAppAdsRemoveNodePtr first = page->adsController->objectAt(0);
    EXPECT_EQ(first->appName, "Sky Hopper");
    EXPECT_EQ(first->appPlatformCount, "3");
    EXPECT_EQ(first->appVersion, "1.9.4");
    page->appClean().AdsTableView->selectRow(0);
    page->RemoveAdsAction();
    settle();
    const std::string sky = folder + "/apps/com.pixelforge.SkyHopper/container/Library/Caches/";
    for (const char* ad : {"flurry", "mopub-cache", "com.chartboost.cache"}) {
        EXPECT_TRUE(fs::is_regular_file(sky + ad)) << ad;
        EXPECT_EQ(fs::file_size(sky + ad), 0u);
    }
    EXPECT_TRUE(fs::is_directory(folder + "/apps/com.sunburst.WordQuest/container/Library/Caches/admob"));
    EXPECT_EQ(first->appAdsState, "Removed");
    EXPECT_EQ(page->appClean().appAdslab->text(), "11 built-in ads");
    EXPECT_TRUE(responder.alerts.isEmpty());
}

}  // namespace
