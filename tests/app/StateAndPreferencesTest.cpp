#include "AppFixture.h"
#include "app/DeviceUsage.h"
#include "appcore/AppState.h"
#include "platform/Paths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <fstream>

using apptest::AppTest;

TEST_F(AppTest, StartsWithItsDefaults) {
    EXPECT_EQ(app->GetLimitLargeFileSize(), 2000000u);
    EXPECT_EQ(app->quillomatrixExportPath().toStdString(), home.path() + "/Documents/Quillomatrix");
    EXPECT_FALSE(app->getDeviceConnected());
    EXPECT_FALSE(app->currentIDevicenode());
    EXPECT_FALSE(app->currentNode());
    EXPECT_FALSE(app->currentNodeIsiOS6Version());
    EXPECT_TRUE(app->allCleanFileNumber().isNull());
    EXPECT_EQ(app->counter(AppCounter::TotalPhotoRemoveFileSize) + app->counter(AppCounter::CurrentBooksFileSize) +
                  app->counter(AppCounter::AllCookFileNumber),
              0u);
    EXPECT_EQ(OstrevaneAppDelegate::sizeText(1499), "1.50KB");
    EXPECT_EQ(OstrevaneAppDelegate::sizeFormString("2.00GB"), 2000000000u);
}

TEST_F(AppTest, PreferencesApplyTheLimitAndTheFolderOnlyOnApply) {
    app->preferences()->fileSizeSlider->setValue(app->preferences()->fileSizeSlider->maximum());
    EXPECT_EQ(app->preferences()->fileSizeSliderInfolab->text(), "Mimimum Large File Size: 50MB");
    EXPECT_EQ(app->GetLimitLargeFileSize(), 2000000u);  // moving the slider alone changes the label

    responder.panelAnswer = {"/srv/exports"};
    app->ChangeExportFilePath(nullptr);
    ASSERT_EQ(responder.panels.size(), 1u);
    EXPECT_TRUE(responder.panels[0].chooseDirectories);
    EXPECT_FALSE(responder.panels[0].chooseFiles);
    EXPECT_FALSE(responder.panels[0].multipleSelection);
    EXPECT_EQ(app->preferences()->quillomatrixPathlab->text(), "/srv/exports");
    responder.panelAnswer = {};  // Cancel leaves the field
    app->ChangeExportFilePath(nullptr);
    EXPECT_EQ(app->preferences()->quillomatrixPathlab->text(), "/srv/exports");
    EXPECT_EQ(app->quillomatrixExportPath().toStdString(), home.path() + "/Documents/Quillomatrix");

    app->ResetPreferenceSetting(nullptr);
    EXPECT_EQ(app->GetLimitLargeFileSize(), 50000000u);
    EXPECT_EQ(app->quillomatrixExportPath(), "/srv/exports");

    app->preferences()->fileSizeSlider->setValue(5);
    EXPECT_EQ(app->preferences()->fileSizeSliderInfolab->text(), "Mimimum Large File Size: 2MB");
    app->ResetPreferenceSetting(nullptr);
    EXPECT_EQ(app->GetLimitLargeFileSize(), 2000000u);
}

// The export folder must be a full path of a folder the user can write (or one that can be made in
// such a folder): anything else is refused with its reason, the folder before stays, and the
// exports keep writing there, never into the program's current folder or below "/".
TEST_F(AppTest, TheExportFolderIsTakenOnlyWhenItCanBeOne) {
    const std::string file = home.path() + "/a file";
    std::ofstream(file) << "not a folder";
    const QString before = app->quillomatrixExportPath();
    const std::pair<QString, QString> refused[] = {
        {"", "No export folder is given."},
        {"exports", "must be a full path"},
        {QString::fromStdString(file), "is not a folder"},
        {QString::fromStdString(file + "/inside"), "is not a folder"},
    };
    for (const auto& [typed, why] : refused) {
        app->preferences()->quillomatrixPathlab->setText(typed);
        const size_t alerts = responder.alerts.size();
        app->ResetPreferenceSetting(nullptr);
        ASSERT_EQ(responder.alerts.size(), alerts + 1) << typed.toStdString();
        EXPECT_EQ(responder.alerts.back().messageText, "The export folder was not changed.");
        EXPECT_TRUE(responder.alerts.back().informativeText.contains(why))
            << responder.alerts.back().informativeText.toStdString();
        EXPECT_EQ(app->quillomatrixExportPath(), before);
        EXPECT_EQ(AppState::exportFolder(), before);
    }
    // A folder not made yet inside one the user can write is taken as it is written.
    const QString later = QString::fromStdString(home.path() + "/Exports/Later/");
    app->preferences()->quillomatrixPathlab->setText(later);
    const size_t alerts = responder.alerts.size();
    app->ResetPreferenceSetting(nullptr);
    EXPECT_EQ(responder.alerts.size(), alerts);
    EXPECT_EQ(AppState::exportFolder().toStdString(), home.path() + "/Exports/Later");
}

TEST_F(AppTest, ScheduleCheckBoxesEnableTheirPopUps) {
    app->preferences()->cleanUpCheckBtn->setChecked(true);
    EXPECT_TRUE(app->preferences()->cleanUpSchedulButton->isEnabled());
    EXPECT_TRUE(app->preferences()->cheanupSchedullab->isEnabled());
    EXPECT_FALSE(app->preferences()->oneCopySchedulButton->isEnabled());
    app->preferences()->cleanUpCheckBtn->setChecked(false);
    EXPECT_FALSE(app->preferences()->cleanUpSchedulButton->isEnabled());
    app->preferences()->onecopyCheckBtn->setChecked(true);
    EXPECT_TRUE(app->preferences()->oneCopySchedulButton->isEnabled() &&
                app->preferences()->onecopySchedullab->isEnabled());
}

TEST(LargeFileLimit, SliderMegabytesAndTheirLimit) {
    EXPECT_EQ(OstrevaneAppDelegate::largeFileMegabytes(50, 50), 50);
    EXPECT_EQ(OstrevaneAppDelegate::largeFileMegabytes(1, 3), 16);
    EXPECT_EQ(OstrevaneAppDelegate::largeFileMegabytes(0, 50), 0);
    EXPECT_EQ(OstrevaneAppDelegate::largeFileMegabytes(5, 0), 0);
    EXPECT_EQ(OstrevaneAppDelegate::largeFileLimitForMegabytes(0), 2000000u);
    EXPECT_EQ(OstrevaneAppDelegate::largeFileLimitForMegabytes(2), 2000000u);
    EXPECT_EQ(OstrevaneAppDelegate::largeFileLimitForMegabytes(3), 3000000u);
    EXPECT_EQ(OstrevaneAppDelegate::largeFileLimitForMegabytes(50), 50000000u);
}

TEST(DeviceSummary, FreshRecordIsEmpty) {
    PRiDeviceNode node;
    for (const QString& text :
         {node.deviceName(), node.deviceSize(), node.freeSize(), node.musicSize(), node.photoSize(), node.videoSize(),
          node.appSize(), node.otherSize(), node.productVersion(), node.iOSVersion(), node.seriNumber(),
          node.udidNumber(), node.firemVersion(), node.PhoneNumber(), node.deviceModel()})
        EXPECT_TRUE(text.isNull());
    EXPECT_EQ(node.totalFileSizeNumber(), 0u);
    EXPECT_EQ(node.freeFileSizeNumber(), 0u);
}

TEST(DeviceUsage, MissingOrOddFiguresCountAsZero) {
    CFHolder<CFMutableDictionaryRef> metrics(CFDictionaryCreateMutable());
    CFHolder<CFStringRef> junk(CFStringCreateWithCString("not a dictionary"));
    CFDictionarySetValue(metrics.get(), "Media", junk.get());
    const DeviceUsage usage = DeviceUsage::fromAssetMetrics(metrics.get(), 1000, 400);
    EXPECT_EQ(usage.apps + usage.music + usage.movies + usage.photos, 0u);
    EXPECT_EQ(usage.others, 600u);
    EXPECT_EQ(DeviceUsage::fromAssetMetrics(nullptr, 1000, 1200).others, 0u);  // free above capacity
    EXPECT_EQ(capacityShare(5, 0), 0.0f);
    EXPECT_EQ(subtractOrZero(3, 5), 0u);
    EXPECT_EQ(addSaturating(~0ULL, 2), ~0ULL);
}
