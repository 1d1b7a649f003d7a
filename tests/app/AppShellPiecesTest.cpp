// The application shell's small pieces that no page drives yet: the "AppView" page controller
// and the start-at-login action.
#include "AppFixture.h"
#include "app/PRAppViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSlider>
#include <QWidget>

using apptest::AppTest;

TEST(PRAppViewController, ItsPageIsMadeOnceAndOutlivesNeitherOwner) {
    auto controller = std::make_unique<PRAppViewController>();
    QWidget* page = controller->view();
    EXPECT_EQ(page->objectName(), "AppView");
    EXPECT_EQ(controller->view(), page);
    EXPECT_TRUE(page->children().isEmpty());

    // A host that goes first takes the page with it; the controller then must not delete it again.
    auto host = std::make_unique<QWidget>();
    pagehost::place(host.get(), page);
    EXPECT_EQ(page->parentWidget(), host.get());
    host.reset();
    controller.reset();

    // A controller that goes first takes its page out of the host.
    controller = std::make_unique<PRAppViewController>();
    host = std::make_unique<QWidget>();
    QPointer<QWidget> placed = controller->view();
    pagehost::place(host.get(), placed);
    controller.reset();
    EXPECT_TRUE(placed.isNull());
    EXPECT_TRUE(host->findChildren<QWidget*>("AppView").isEmpty());
}

TEST_F(AppTest, TheAutoRunChoiceChangesNothing) {
    app->preferences()->fileSizeSlider->setValue(app->preferences()->fileSizeSlider->maximum());
    app->preferences()->quillomatrixPathlab->setText("/srv/exports");
    app->preferences()->cleanUpCheckBtn->setChecked(true);
    const QString label = app->preferences()->fileSizeSliderInfolab->text();

    QCheckBox autoRun("Start at login");
    autoRun.setChecked(true);
    app->CheckAutoRunAction(&autoRun);
    autoRun.setChecked(false);
    app->CheckAutoRunAction(&autoRun);
    app->CheckAutoRunAction(nullptr);

    // Nothing applied, stored or re-enabled; no question asked.
    EXPECT_EQ(app->GetLimitLargeFileSize(), 2000000u);
    EXPECT_EQ(app->quillomatrixExportPath().toStdString(), home.path() + "/Documents/Quillomatrix");
    EXPECT_EQ(app->preferences()->quillomatrixPathlab->text(), "/srv/exports");
    EXPECT_EQ(app->preferences()->fileSizeSliderInfolab->text(), label);
    EXPECT_TRUE(app->preferences()->cleanUpSchedulButton->isEnabled());
    EXPECT_FALSE(app->preferences()->oneCopySchedulButton->isEnabled());
    EXPECT_TRUE(responder.alerts.empty());
    EXPECT_TRUE(responder.panels.empty());
}
