// The links, the feedback window, the guide sheet and the conversation picture on the desktop.
#include "PreviewTestSupport.h"
#include "browser/PRConversationImageExport.h"
#include "browser/PRConversationView.h"
#include "browser/PRFeedbackWindow.h"
#include "browser/PRGuideSheet.h"
#include "browser/PRSupportLinks.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "platform/Workspace.h"
#include "widgets/PRTextView.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

using namespace previewtest;

namespace {

class SupportTest : public testsupport::HomeTest {
protected:
    SupportTest() {
        workspace::setRecorder([this](workspace::Action a, const QString& path) { opened.push_back({a, path}); });
    }
    ~SupportTest() override { workspace::setRecorder({}); }
    std::vector<std::pair<workspace::Action, QString>> opened;
};

TEST_F(SupportTest, LinksOpenOurPagesAndUnderlineOnlyThemselves) {
    QPushButton facebook, twitter, feedback, photos;
    PRSupportLinks links;
    links.setLinkButtons(&facebook, &twitter, &feedback);
    links.clickFacebook();
    links.clickTwitter();
    links.clickSupport();
    ASSERT_EQ(opened.size(), 3u);
    for (const auto& [action, url] : opened) {
        EXPECT_EQ(action, workspace::Action::OpenURL);
        EXPECT_TRUE(url.startsWith("https://www.quillomatrix.example/")) << url.toStdString();
    }
    EXPECT_NE(opened[0].second, opened[1].second);

    links.PRbuttonMouseEnteredHandle(&feedback);
    EXPECT_TRUE(feedback.font().underline());
    EXPECT_EQ(feedback.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(feedback.text(), "Feedback");
    links.PRbuttonMouseExitedHandle(&feedback);
    EXPECT_FALSE(feedback.font().underline());
    EXPECT_EQ(feedback.cursor().shape(), Qt::ArrowCursor);

    const QFont before = photos.font();
    links.PRbuttonMouseEnteredHandle(&photos);
    EXPECT_EQ(photos.font(), before);
    links.PRbuttonMouseEnteredHandle(nullptr);

    // Without a browser the click says so, and the address can be copied from it.
    struct : DialogResponder {
        int answerAlert(const AlertRequest& request) override {
            alerts.push_back(request);
            return NSAlertFirstButtonReturn;  // "Copy Address"
        }
        QStringList answerPanel(const PanelRequest&) override { return {}; }
        std::vector<AlertRequest> alerts;
    } answers;
    dialogs::setResponder(&answers);
    workspace::setBrowserAvailable(false);
    links.clickTwitter();
    workspace::setBrowserAvailable(true);
    dialogs::setResponder(nullptr);
    ASSERT_EQ(answers.alerts.size(), 1u);
    EXPECT_EQ(answers.alerts[0].messageText, "The page could not be opened.");
    EXPECT_TRUE(answers.alerts[0].informativeText.contains(PRSupportLinks::kTwitterURL));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), PRSupportLinks::kTwitterURL);
}

TEST_F(SupportTest, FeedbackWindowOpenedTwiceIsOneWindowWithItsPromptBack) {
    PRFeedbackWindow window;
    window.clickFeedBack();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.feedbackView->toPlainText(), PRFeedBackView::kPlaceholder);
    // The first click clears the prompt; what is typed stays while the window is hidden.
    QTest::mouseClick(window.feedbackView->viewport(), Qt::LeftButton);
    EXPECT_TRUE(window.feedbackView->toPlainText().isEmpty());
    window.feedbackView->insertPlainText("The export button is hard to find.");
    window.feedbackEmailVaule->setText("me@example.com");
    window.ClickDontSendFeedBack();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.feedbackView->toPlainText(), "The export button is hard to find.");

    window.clickFeedBack();
    window.clickFeedBack();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.feedbackView->toPlainText(), PRFeedBackView::kPlaceholder);
    EXPECT_TRUE(window.feedbackEmailVaule->text().isEmpty());
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) windows += qobject_cast<PRFeedbackWindow*>(w) && w->isVisible();
    EXPECT_EQ(windows, 1);
}

TEST_F(SupportTest, GuideWalksThreeStepsAndStartsOverWhenOpenedAgain) {
    QMainWindow main;
    main.resize(800, 600);
    main.show();
    PRGuideSheet guide(&main);
    guide.clickGetLog();
    EXPECT_TRUE(guide.isVisible());
    EXPECT_EQ(guide.firstTiplab->text(), PRGuideSheet::kStep1Text);
    EXPECT_EQ(guide.currentStep, 0);
    guide.nextBtn->click();
    EXPECT_EQ(guide.firstTiplab->text(), PRGuideSheet::kStep2Text);
    EXPECT_EQ(guide.currentStep, 1);
    guide.nextBtn->click();
    EXPECT_EQ(guide.firstTiplab->text(), "Strep3: Run Quillomatrix and rescan.");
    EXPECT_EQ(guide.nextBtn->accessibleName(), "doneNom");
    testsupport::saveScreenshot(&guide, "browser-guide-step3");
    guide.nextBtn->click();
    EXPECT_FALSE(guide.isVisible());
    EXPECT_EQ(guide.currentStep, 0);
    guide.clickGetLog();
    EXPECT_TRUE(guide.isVisible());
    EXPECT_EQ(guide.firstTiplab->text(), PRGuideSheet::kStep1Text);
    EXPECT_EQ(guide.nextBtn->accessibleName(), "nextBtn");
    guide.nextBtn->click();
    EXPECT_EQ(guide.firstTiplab->text(), PRGuideSheet::kStep2Text);
    guide.nextBtn->click();

    // Left with Esc at step 3 and opened again: step 1's picture, title, text and button agree.
    QTest::keyClick(&guide, Qt::Key_Escape);
    EXPECT_FALSE(guide.isVisible());
    guide.clickGetLog();
    EXPECT_EQ(guide.firstTiplab->text(), PRGuideSheet::kStep1Text);
    EXPECT_EQ(guide.nextBtn->accessibleName(), "nextBtn");
    EXPECT_EQ(guide.showStepImageView->pixmap().toImage(),
              QPixmap::fromImage(images::imageNamed("firstSteppic")).toImage());
}

TEST_F(SupportTest, ConversationPictureIsARealPngOfTheWholeConversation) {
    PRConversationView view;
    view.resize(425, 300);
    view.show();
    view.showConversation(textConversation(80, "Anna Berg"));
    const QSize whole = view.documentView()->size();
    ASSERT_GT(whole.height(), view.viewport()->height());  // taller than what is visible

    PRConversationImageExport exporter;
    std::vector<std::pair<std::string, bool>> finished;
    exporter.onFinished = [&](const std::string& path, bool written) { finished.push_back({path, written}); };
    exporter.actExportImage(&view);
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished.size() == 1; }));
    EXPECT_TRUE(finished[0].second);
    const QString path = QString::fromStdString(finished[0].first);
    EXPECT_EQ(path.toStdString(), home.path() + "/Desktop/Quillomatrix/Anna Berg_MessageImage.png");
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "png");
    const QImage picture = reader.read();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), whole);
    EXPECT_TRUE(opened.empty());  // the page that asked for it says where it went

    // Again, after a page more: the taller picture goes beside the first, which stays.
    view.ClickMoreBtn();
    exporter.actExportImage(&view);
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished.size() == 2; }));
    EXPECT_EQ(finished[1].first, home.path() + "/Desktop/Quillomatrix/Anna Berg_MessageImage (2).png");
    EXPECT_GT(QImage(QString::fromStdString(finished[1].first)).height(), picture.height());
    EXPECT_EQ(QImage(path).height(), picture.height());
    EXPECT_EQ(QDir(QString::fromStdString(home.path() + "/Desktop/Quillomatrix")).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(testsupport::waitForWorkers());
}

}  // namespace
