#include "AppFixture.h"
#include "device/BaseInfo.h"
#include "device/DeviceManager.h"
#include "platform/SimulatedDevices.h"
#include "widgets/ElidedText.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"
#include "widgets/PlainText.h"

#include <QLabel>
#include <QProgressBar>
#include <QTextDocument>

using apptest::AppTest;

namespace {

// Asset metrics as the device sends them.
CFHolder<CFDictionaryRef> metrics(int64_t apps, int64_t music, int64_t movies, int64_t photos, int64_t cameraRoll) {
    auto sized = [](int64_t bytes) {
        CFMutableDictionaryRef d = CFDictionaryCreateMutable();
        CFHolder<CFNumberRef> n(CFNumberCreate(kCFNumberSInt64Type, &bytes));
        CFDictionarySetValue(d, "_PhysicalSize", n.get());
        return CFHolder<CFDictionaryRef>(d);
    };
    CFMutableDictionaryRef params = CFDictionaryCreateMutable();
    CFDictionarySetValue(params, "Application", sized(apps).get());
    CFMutableDictionaryRef media = CFDictionaryCreateMutable();
    CFDictionarySetValue(media, "Music", sized(music).get());
    CFDictionarySetValue(media, "Movie", sized(movies).get());
    CFDictionarySetValue(params, "Media", media);
    CFRelease(media);
    CFMutableDictionaryRef photo = CFDictionaryCreateMutable();
    CFDictionarySetValue(photo, "Photo", sized(photos).get());
    CFDictionarySetValue(photo, "CameraRoll", sized(cameraRoll).get());
    CFDictionarySetValue(params, "Photo", photo);
    CFRelease(photo);
    return CFHolder<CFDictionaryRef>(params);
}

}  // namespace

TEST_F(AppTest, ConnectFillsTheOverviewAndDisconnectReturnsToNoDevice) {
    const int id = attach();
    ASSERT_EQ(shownPages().size(), 1u);
    EXPECT_EQ(shownPages()[0], app->frame().StatuView);
    EXPECT_FALSE(app->sidebar()->manageHasDeviceView->isHidden());
    EXPECT_TRUE(app->sidebar()->manageNoDeviceView->isHidden());
    EXPECT_FALSE(app->banner().mainStatusBannerBtn->isHidden());
    EXPECT_TRUE(app->banner().mainStatusBannerBtn->btnDown());
    EXPECT_EQ(app->banner().mainStatusBannerBtn->imageName(), "DeviceManager_Down.png");
    EXPECT_EQ(app->sidebarRow(0).imageView->property("imageName").toString(), "iDeviceStartup02");
    EXPECT_EQ(app->sidebarRow(6).imageView->property("imageName").toString(), "transContactNom");

    EXPECT_EQ(text(app->overview().iDeviceNamelab), "Test iPhone");
    EXPECT_EQ(text(app->overview().iDeviceCapacityValuelab), "13.00GB");
    EXPECT_EQ(text(app->overview().iDeviceSoftwareVersionValuelab), "7.1.2");
    EXPECT_EQ(text(app->overview().iDeviceFirmValuelab), "11D257");
    EXPECT_EQ(text(app->overview().iDeviceIDValuelab), "0123456789abcdef0123456789abcdef01234567");
    EXPECT_EQ(text(app->overview().iDeviceSerialValuelab), "F2LLX0XXFF9R");
    EXPECT_EQ(text(app->overview().iDevicepPhoneValuelab), "+1 555 0100");
    EXPECT_EQ(text(app->overview().usedSpaceLab), "4.00GB of 13.00GB");
    EXPECT_EQ(text(app->overview().freeSpacelab), "9.00GB free");
    EXPECT_FALSE(app->overview().iDeviceColorView->getShowMore());
    EXPECT_NEAR(app->overview().iDeviceColorView->usedValue(), 3999999999.0 / 13e9, 1e-6);

    const PRiDeviceNodePtr node = app->currentIDevicenode();
    ASSERT_TRUE(node);
    EXPECT_EQ(node->totalFileSizeNumber(), 13000000000ULL);
    EXPECT_EQ(node->freeFileSizeNumber(), 9000000001ULL);
    EXPECT_EQ(node->deviceModel(), "iPhone5,3");

    // The sample sync messages carry the apps size only.
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->overview().iDeviceColorView->getShowMore(); }));
    EXPECT_EQ(app->counter(AppCounter::CurrentAppFileSize), 123456u);
    EXPECT_EQ(text(app->overview().appSizelab), "Apps: 123.46KB");
    EXPECT_EQ(text(app->overview().photoSizelab), "Photo: 0.00bytes");
    EXPECT_FALSE(app->boardPollRunning());
    testsupport::saveScreenshot(app->window(), "app-overview");

    app->state().setCounter(AppCounter::TotalAppRemoveFileSize, 1000);
    app->AddCleanFileSizeThreadProgressInfoHandleOnMain(2048, 0, 0);
    EXPECT_EQ(elided::wholeText(app->sidebar()->tempJunkFileTextlab), "Temp Files Cleaner (2.05KB)");
    detach(id);
    ASSERT_EQ(shownPages().size(), 1u);
    EXPECT_EQ(shownPages()[0], app->frame().noDeviceView);
    EXPECT_TRUE(app->banner().mainStatusBannerBtn->isHidden());
    EXPECT_TRUE(app->sidebar()->manageHasDeviceView->isHidden());
    EXPECT_EQ(app->counter(AppCounter::CurrentAppFileSize), 0u);
    EXPECT_EQ(app->counter(AppCounter::TotalAppRemoveFileSize), 0u);
    // Nothing of the device that left stays to be read as the next one's.
    EXPECT_FALSE(app->currentIDevicenode());
    for (QLabel* value : {app->overview().iDeviceNamelab, app->overview().iDevicepPhoneValuelab,
                          app->overview().usedSpaceLab, app->overview().freeSpacelab})
        EXPECT_EQ(text(value), "") << value->objectName().toStdString();
    EXPECT_EQ(text(app->overview().appSizelab), "Apps:");
    EXPECT_EQ(elided::wholeText(app->sidebar()->tempJunkFileTextlab), "Temp Files Cleaner");
}

TEST_F(AppTest, ADeviceThatSendsNoNumbersShowsNoneOfThePreviousDevices) {
    const int first = attach({}, "first");
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->overview().iDeviceColorView->getShowMore(); }));
    detach(first);
    devicetest::DeviceSpec bare;
    bare.udid = "fedcba9876543210fedcba9876543210fedcba98";
    bare.name = "Wi-Fi iPad";
    bare.sendsNumbers = false;
    bare.applicationBytes = 2000;
    attach(bare, "second");
    EXPECT_EQ(text(app->overview().iDeviceNamelab), "Wi-Fi iPad");
    EXPECT_EQ(text(app->overview().iDevicepPhoneValuelab), "");
    EXPECT_EQ(text(app->overview().iDeviceSerialValuelab), "");
    EXPECT_EQ(text(app->overview().iDeviceFirmValuelab), "");
    // Its usage is its own once it arrives, not the first device's until then.
    EXPECT_EQ(text(app->overview().appSizelab), "Apps:");
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->overview().iDeviceColorView->getShowMore(); }));
    EXPECT_EQ(text(app->overview().appSizelab), "Apps: 2.00KB");
}

TEST_F(AppTest, UsageBarAddsPhotosAndCameraRoll) {
    devicetest::DeviceSpec spec;
    const int id = attach(spec);
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->overview().iDeviceColorView->getShowMore(); }));
    // A later message replaces the first; the overview draws it on its next poll.
    auto params = metrics(2000000000, 1000000000, 500000000, 300000000, 200000000);
    ASSERT_TRUE(simdevice::postSyncMessage(id, "AssetMetrics", params.get()));
    ASSERT_TRUE(testsupport::waitUntil([this] {
        CFHolder<CFDictionaryRef> now = app->bi->GetAssetMetrics();
        return now && CFDictionaryGetValue(now.get(), "Photo") != nullptr;
    }));
    app->BoardMessageTimer_hander();
    EXPECT_EQ(text(app->overview().photoSizelab), "Photo: 500.00MB");
    EXPECT_EQ(text(app->overview().musicSizelab), "Music: 1.00GB");
    EXPECT_EQ(text(app->overview().movieSizelab), "Movie: 500.00MB");
    EXPECT_EQ(text(app->overview().appSizelab), "Apps: 2.00GB");
    EXPECT_EQ(text(app->overview().otherSizelab), "Others: 0.00bytes");  // 3999999999 - 4000000000 < 0
    EXPECT_EQ(app->counter(AppCounter::CurrentUserDataFileSize), 0u);
    EXPECT_EQ(app->counter(AppCounter::CurrentPhotoFileSize), 500000000u);
    EXPECT_NEAR(app->overview().iDeviceColorView->photoValue(), 5e8 / 13e9, 1e-6);
    EXPECT_EQ(app->overview().iDeviceColorView->othersValue(), 0.0f);

    // The overview nets out what the user removed.
    app->state().setCounter(AppCounter::TotalMusicRemoveFileSize, 400000000);
    app->ClickMainStatu(nullptr);
    app->state().setCounter(AppCounter::TotalPhotoRemoveFileSize, 100000000);
    app->ClickMainStatu(nullptr);
    EXPECT_NEAR(app->overview().iDeviceColorView->musicValue(), 6e8 / 13e9, 1e-6);
    EXPECT_EQ(text(app->overview().musicSizelab), "Music: 600.00MB");
    EXPECT_EQ(text(app->overview().photoSizelab), "Photo: 400.00MB");
    EXPECT_EQ(text(app->overview().freeSpacelab), "9.50GB free");
}

TEST_F(AppTest, DeviceLeavingBeforeThePollStartsLeavesNoTimer) {
    OstrevaneAppDelegate::setBoardMessageTimings(std::chrono::milliseconds(400), std::chrono::milliseconds(20));
    const int id = attach();
    ASSERT_TRUE(testsupport::waitUntil([this] { return !app->boardPollPending() && app->boardPollRunning(); }));
    detach(id);
    EXPECT_FALSE(app->boardPollRunning());
    EXPECT_EQ(app->bi, nullptr);
    // Past the start delay nothing reads the removed device's objects (the sanitizers watch).
    testsupport::spinEventLoop(std::chrono::milliseconds(600));
    EXPECT_FALSE(app->overview().iDeviceColorView->getShowMore());
    EXPECT_FALSE(app->boardPollRunning());
}

TEST_F(AppTest, DeviceLeavingWhileTheConnectionOpensIsIgnored) {
    const int id = attach();
    detach(id);  // the worker may still be connecting
    EXPECT_TRUE(testsupport::waitForWorkers());
    testsupport::spinEventLoop(std::chrono::milliseconds(200));
    EXPECT_FALSE(app->boardPollRunning());
    EXPECT_FALSE(app->overview().iDeviceColorView->getShowMore());
}

TEST_F(AppTest, ZeroCapacityShowsAnEmptyBar) {
    devicetest::DeviceSpec spec;
    spec.diskUsage = false;
    spec.applicationBytes = 5000;
    attach(spec);
    EXPECT_EQ(text(app->overview().iDeviceCapacityValuelab), "0.00bytes");
    EXPECT_EQ(text(app->overview().usedSpaceLab), "0.00bytes of 0.00bytes");
    EXPECT_EQ(text(app->overview().freeSpacelab), "0.00bytes free");
    EXPECT_TRUE(app->overview().iDeviceColorView->segments(500, 22).empty());
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->overview().iDeviceColorView->getShowMore(); }));
    EXPECT_EQ(text(app->overview().otherSizelab), "Others: 0.00bytes");
    EXPECT_TRUE(app->overview().iDeviceColorView->segments(500, 22).empty());
}

// A device's name and number are shown as the text they are: markup in them neither styles the
// text nor loads a picture from the computer's disk; a tooltip of such a text is shown escaped.
TEST_F(AppTest, TextFromADeviceIsNeverMarkup) {
    devicetest::DeviceSpec spec;
    spec.name = "<font color=red size=6>Bob</font><img src=\"" + home.path() + "/secret.png\">";
    spec.phoneNumber = "<b>+1 555 0199</b>";
    attach(spec);
    app->window()->show();
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    for (QLabel* label : {app->overview().iDeviceNamelab, app->overview().iDevicepPhoneValuelab}) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
        // Shown as plain text the markup takes a line of its own width; read as markup it would not.
        EXPECT_GT(label->sizeHint().width(), label->fontMetrics().horizontalAdvance("Bob") * 4);
    }
    EXPECT_EQ(text(app->overview().iDeviceNamelab), QString::fromStdString(spec.name));
    // Every label of the window that did not ask for rich text shows plain text.
    for (QLabel* label : app->window()->findChildren<QLabel*>()) EXPECT_NE(label->textFormat(), Qt::AutoText);
    EXPECT_EQ(plaintext::tooltipOf(QString::fromStdString(spec.phoneNumber)),
              Qt::convertFromPlainText(QString::fromStdString(spec.phoneNumber), Qt::WhiteSpaceNoWrap));
    EXPECT_EQ(plaintext::tooltipOf("IMG_0001.JPG"), "IMG_0001.JPG");
}

TEST_F(AppTest, SecondDeviceReplacesTheFirstSummary) {
    const int first = attach({}, "first");
    devicetest::DeviceSpec other;
    other.udid = "fedcba9876543210fedcba9876543210fedcba98";
    other.name = "Second iPad";
    ASSERT_GT(simdevice::attach(devicetest::makeDevice(home.path() + "/second", other)), 0);
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->theDevice == 1; }));
    EXPECT_EQ(text(app->overview().iDeviceNamelab), "Second iPad");
    EXPECT_EQ(app->currentIDevicenode()->udidNumber(), "fedcba9876543210fedcba9876543210fedcba98");
    EXPECT_EQ(shownPages().size(), 1u);

    // The first device leaving does not end the second one's connection.
    ASSERT_TRUE(simdevice::detach(first));
    ASSERT_TRUE(testsupport::waitUntil([] { return amd::DeviceManager::Instance()->DeviceCount() == 1; }));
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    EXPECT_TRUE(app->getDeviceConnected());
    ASSERT_EQ(shownPages().size(), 1u);
    EXPECT_EQ(shownPages()[0], app->frame().StatuView);
    EXPECT_NE(app->bi, nullptr);
}
