#include "AppFixture.h"
#include "platform/Images.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

using apptest::AppTest;

TEST_F(AppTest, LaunchShowsOnlyTheNoDevicePage) {
    ASSERT_EQ(shownPages().size(), 1u);
    EXPECT_EQ(shownPages()[0], app->frame().noDeviceView);
    EXPECT_EQ(app->frame().noDeviceView->objectName(), "noDeviceView");
    EXPECT_FALSE(app->sidebar()->manageNoDeviceView->isHidden());
    EXPECT_TRUE(app->sidebar()->manageHasDeviceView->isHidden());
    EXPECT_FALSE(app->backupList().manageHasBackupView->isHidden());
    EXPECT_TRUE(app->backupList().manageNoBackUpView->isHidden());
    EXPECT_FALSE(app->cleanPanel().cleanScanView->isHidden());
    EXPECT_TRUE(app->cleanPanel().cleanFinishView->isHidden() && app->cleanPanel().fixResultView->isHidden());
    // Only the privacy entry of the banner shows before a device arrives, and it cannot be
    // pressed: its clean backs a device up.
    EXPECT_TRUE(app->banner().mainStatusBannerBtn->isHidden());
    EXPECT_TRUE(app->banner().adsRemoveBannerBtn->isHidden());
    EXPECT_FALSE(app->banner().privacyBannerBtn->isHidden());
    EXPECT_FALSE(app->banner().privacyBannerBtn->isEnabled());
    EXPECT_TRUE(app->sidebar()->circleMusicProgress->isHidden());
    EXPECT_EQ(app->sidebar()->connectDeviceRow.imageView->property("imageName").toString(), "ConnectDevice02");
    EXPECT_EQ(app->sidebar()->disConnectBroswerRow.imageView->property("imageName").toString(), "BackupBroswer01");
    EXPECT_EQ(app->overview().transferBtn->text(), "Transfer");
    EXPECT_EQ(app->overview().disConnectBroswerMainBtn->text(), "iTunes Backup Broswer");
    EXPECT_EQ(OstrevaneAppDelegate::GetAppControllor(), app.get());
    EXPECT_TRUE(app->window()->isVisible());
    testsupport::saveScreenshot(app->window(), "app-no-device");
}

TEST_F(AppTest, ExitAlertQuitsOnlyOnExit) {
    ASSERT_TRUE(app->crashApplicationRunning()) << "build/bin/CrashReport is built beside the tests";
    responder.alertAnswer = NSAlertSecondButtonReturn;  // "Cancel"
    app->window()->close();
    ASSERT_EQ(responder.alerts.size(), 1u);
    EXPECT_EQ(responder.alerts[0].messageText, "Are you sure you want to Exit ?");
    EXPECT_EQ(responder.alerts[0].buttons, QStringList({" Exit ", "Cancel"}));
    EXPECT_TRUE(responder.alerts[0].informativeText.isEmpty());
    EXPECT_TRUE(app->window()->isVisible());
    EXPECT_TRUE(app->crashApplicationRunning());

    responder.alertAnswer = NSAlertFirstButtonReturn;  // " Exit "
    EXPECT_TRUE(app->windowShouldClose(app->window()));
    EXPECT_FALSE(app->crashApplicationRunning());
}

TEST_F(AppTest, TitleBarCloseButtonAsksAndRestoresItsImage) {
    responder.alertAnswer = NSAlertSecondButtonReturn;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), app->frame().closedButton->mapToGlobal(QPointF(3, 3)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app->frame().closedButton, &press);
    EXPECT_EQ(responder.alerts.size(), 1u);
    EXPECT_EQ(app->frame().closedButton->imageName(), "Close_Nom.png");  // the running system is 10.10 or later

    app->OpenPreferenceWindow(nullptr);
    ASSERT_TRUE(app->preferenceWindow()->isVisible());
    QMouseEvent pressPref(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(app->preferences()->closedPreferenceButton, &pressPref);
    EXPECT_FALSE(app->preferenceWindow()->isVisible());
    EXPECT_EQ(responder.alerts.size(), 1u);
}

TEST_F(AppTest, WebPagesAndSheets) {
    std::vector<QString> opened;
    workspace::setRecorder([&](workspace::Action action, const QString& url) {
        EXPECT_EQ(action, workspace::Action::OpenURL);
        opened.push_back(url);
    });
    app->ClickCheckupDate(nullptr);
    app->ClickHomePage(nullptr);
    app->ClickHelp(nullptr);
    app->ClickLearnMore(nullptr);
    workspace::setRecorder({});
    ASSERT_EQ(opened.size(), 4u);
    for (const QString& url : opened) EXPECT_TRUE(url.startsWith("https://")) << url.toStdString();

    app->ClickAbout(nullptr);
    EXPECT_TRUE(app->aboutWindow()->isVisible());
    app->leadWindow()->show();
    app->ClickStart(nullptr);
    EXPECT_FALSE(app->leadWindow()->isVisible());
    app->cryWindow()->show();
    app->Cancel(nullptr);
    EXPECT_FALSE(app->cryWindow()->isVisible());
    app->cryWindow()->show();
    app->Sender(nullptr);
    EXPECT_FALSE(app->cryWindow()->isVisible());
    EXPECT_FALSE(app->feedback().feedbackIndicator->isHidden());
}

TEST_F(AppTest, EveryImageOfTheVisitedPagesExists) {
    // Launch has drawn the no-device page; visit the rest that exist so far.
    app->ClickMainStatu(nullptr);
    for (int row = 0; row < OstrevaneAppDelegate::kSidebarRows; ++row) app->selectSidebarRow(row);
    app->ActPreferenceCleanup(nullptr);
    app->ActPreferenceOneClickCopy(nullptr);
    app->ActPreferenceGeneral(nullptr);
    app->OpenPreferenceWindow(nullptr);
    app->ClickAbout(nullptr);
    app->cryWindow()->show();
    app->Sender(nullptr);
    // The hover and pressed states of the banner, overview and title-bar buttons.
    for (const char* base : {"DeviceManager_", "diskmanager", "appcleaner", "findlargefiles", "onecilickcopy",
                             "privacyclean_", "SystemCleanup_"})
        for (const char* state : {"Enter.png", "Down.png"}) images::imageNamed(QString(base) + state);
    for (const char* base : {"photos", "musics", "books", "videos", "userapps", "systemapps", "userdata"})
        images::imageNamed(QString(base) + "_Enter.png");
    for (const char* name : {"Close_Down.png", "titlebarred.png", "titlebarreddown.png", "titlebaryellow.png",
                             "titlebargreen.png", "ConnectDevice01", "BackupBroswer02", "uninstall.png"})
        images::imageNamed(name);
    EXPECT_TRUE(images::missingImageNames().isEmpty()) << images::missingImageNames().join(", ").toStdString();
}

TEST_F(AppTest, PreferencesWindowStartsOnGeneral) {
    app->OpenPreferenceWindow(nullptr);
    EXPECT_FALSE(app->preferences()->preferenceGeneraView->isHidden());
    EXPECT_TRUE(app->preferences()->preferenceCleanupView->isHidden() &&
                app->preferences()->preferenceOneCopyView->isHidden());
    for (QComboBox* popup : {app->preferences()->cleanUpSchedulButton, app->preferences()->oneCopySchedulButton}) {
        EXPECT_FALSE(popup->isEnabled());
        ASSERT_EQ(popup->count(), 3);
        EXPECT_EQ(popup->itemText(0), "Every Day");
        EXPECT_EQ(popup->itemText(1), "Every Week");
        EXPECT_EQ(popup->itemText(2), "Every Month");
    }
    EXPECT_EQ(app->preferences()->fileSizeSliderInfolab->text(), "Mimimum Large File Size: 2MB");
    testsupport::saveScreenshot(app->preferenceWindow(), "app-preferences");
    app->ActPreferenceCleanup(nullptr);
    EXPECT_FALSE(app->preferences()->preferenceCleanupView->isHidden());
    EXPECT_TRUE(app->preferences()->preferenceGeneraView->isHidden() &&
                app->preferences()->preferenceOneCopyView->isHidden());
    EXPECT_EQ(app->preferences()->cleanupBtn->property("imageName").toString(), "cleanupDown.png");
    EXPECT_EQ(app->preferences()->generaBtn->property("imageName").toString(), "generalNom.png");
}

TEST(SystemVersion, PackedWordHoldsOnlyOldSystems) {
    int major = 0, minor = 0, bugFix = 0;
    EXPECT_TRUE(OstrevaneAppDelegate::decodeSystemVersionWord(0x1039, &major, &minor, &bugFix));
    EXPECT_EQ(major, 10);
    EXPECT_EQ(minor, 3);
    EXPECT_EQ(bugFix, 9);
    EXPECT_FALSE(OstrevaneAppDelegate::decodeSystemVersionWord(0x1040, &major, &minor, &bugFix));
    EXPECT_TRUE(OstrevaneAppDelegate::decodeSystemVersionWord(0x1000, nullptr, nullptr, nullptr));
    OstrevaneAppDelegate::getSystemVersionMajor(&major, &minor, nullptr);
    EXPECT_EQ(major, 10);
    EXPECT_GT(minor, 9);
}
