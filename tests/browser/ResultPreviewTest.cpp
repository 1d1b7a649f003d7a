// The results screen's preview as a user meets it: selecting a record of a category (a row of
// a table, a conversation, a cell of the photo grid) shows it beside the pages; a long
// conversation pages with "More..."; the shown conversation becomes a picture on the desktop;
// the links, the feedback window and the guide open from the screen.
#include "BrowserTestBackups.h"
#include "TestSupport.h"
#include "app/OstrevaneAppDelegate.h"
#include "browser/ConversationPaging.h"
#include "browser/PRChatView.h"
#include "browser/PRConversationView.h"
#include "browser/PRFeedbackWindow.h"
#include "browser/PRGuideSheet.h"
#include "browser/PRRecordPreviewPane.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRResultViewController.h"
#include "browser/PRSrollThumView.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "widgets/PRTextView.h"

#include <QApplication>
#include <QBuffer>
#include <QEnterEvent>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {

class Answers : public DialogResponder {
public:
    int answerAlert(const AlertRequest& request) override {
        alerts.push_back(request.messageText);
        return NSAlertSecondButtonReturn;
    }
    QStringList answerPanel(const PanelRequest&) override { return {}; }
    QStringList alerts;
};

std::string jpeg(QColor colour) {
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes.toStdString();
}

class ResultPreviewTest : public testsupport::HomeTest {
protected:
    void SetUp() override {
        dialogs::setResponder(&answers);
        workspace::setRecorder([this](workspace::Action a, const QString& path) { opened.push_back({a, path}); });
        const std::string root = paths::userPath("Library/Application Support/MobileSync/Backup");
        sampledb::SampleSize size = browsertest::smallSize(24, 130);
        size.conversations = 2;  // conversations longer than one page
        size.photos = true;      // contact photos and picture attachments
        made = browsertest::makeBackup(root + "/aaa", "Ann's iPhone", size);
        samplebackup::addFilesToBackup(
            made.folder, {{"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0777.JPG", jpeg(QColor(40, 140, 90))}});
        app = std::make_unique<OstrevaneAppDelegate>();
        app->awakeFromNib();
        app->applicationDidFinishLaunching();
        app->window()->resize(1180, 760);
        app->ClickScaniTunesBackup(nullptr);
        result = app->resultViewController;
        ASSERT_TRUE(result);
        ASSERT_TRUE(testsupport::waitUntil([this] { return !result->scanRunning(); }, std::chrono::seconds(60)));
        ASSERT_TRUE(result->intake());
    }
    void TearDown() override {
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
        app.reset();
        testsupport::waitForWorkers();
        workspace::setRecorder({});
        dialogs::setResponder(nullptr);
    }
    void shoot(const QString& name) {
        testsupport::spinEventLoop(std::chrono::milliseconds(50));
        testsupport::saveScreenshot(result->view(), name);
    }
    void select(PRResultViewController::Category category, int row) { result->tableOf(category)->selectRow(row); }
    template <class Model, class Pred>
    int rowWhere(const Model& model, Pred pred) {
        for (int row = 0; row < model.rowCount(); ++row)
            if (pred(*model.recordOfRow(row))) return row;
        return -1;
    }
    QList<PRChatView*> bubbles() const {
        return result->messageTreeScrollView->documentView()->findChildren<PRChatView*>(Qt::FindDirectChildrenOnly);
    }

    Answers answers;
    std::vector<std::pair<workspace::Action, QString>> opened;
    browsertest::MadeBackup made;
    std::unique_ptr<OstrevaneAppDelegate> app;
    PRResultViewController* result = nullptr;
};

}  // namespace

TEST_F(ResultPreviewTest, ContactsNotesAndPhotosShowTheSelectedRecord) {
    PRRecordPreviewPane* pane = result->previewPane;
    // The backup files leave the tree and the files the whole room until a file is chosen.
    EXPECT_EQ(pane->isVisible(), pane->showsFile());

    // A contact with a photo shows it; one without shows the "contact" picture.
    result->categoryBtns[PRResultViewController::Contacts]->click();
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->currentWidget(), pane->contactPage);
    const auto& contacts = *result->contactController;
    const int withPhoto =
        rowWhere(contacts, [](const PRContactNode& c) { return c.imageData() && !c.imageData()->empty(); });
    const int without =
        rowWhere(contacts, [](const PRContactNode& c) { return !c.imageData() || c.imageData()->empty(); });
    ASSERT_GE(withPhoto, 0);
    ASSERT_GE(without, 0);
    const QImage fallback =
        QPixmap::fromImage(images::imageNamed("contact").scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation))
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    select(PRResultViewController::Contacts, without);
    EXPECT_EQ(pane->contactNamelab->text().toStdString(), contacts.recordOfRow(without)->contactName());
    EXPECT_EQ(pane->contactImageView->pixmap().toImage().convertToFormat(QImage::Format_ARGB32), fallback);
    select(PRResultViewController::Contacts, withPhoto);
    const PRContactNode& shown = *contacts.recordOfRow(withPhoto);
    EXPECT_EQ(pane->contactNamelab->text().toStdString(), shown.contactName());
    EXPECT_EQ(pane->contactPhonelab->isVisible(), !shown.contactPhone().empty());
    EXPECT_NE(pane->contactImageView->pixmap().toImage().convertToFormat(QImage::Format_ARGB32), fallback);
    shoot("result-preview-contact");

    // A click into the table's empty part keeps what the pane shows.
    result->tableOf(PRResultViewController::Contacts)->clearSelection();
    EXPECT_EQ(pane->contactNamelab->text().toStdString(), shown.contactName());

    // A search that finds nothing leaves no record in the pane.
    result->searchlab->setText("no such name at all");
    EXPECT_NE(pane->currentWidget(), pane->contactPage);
    result->searchlab->clear();
    EXPECT_EQ(pane->currentWidget(), pane->contactPage);

    // A category without records shows no stale record of another tab.
    result->categoryBtns[PRResultViewController::FaceTwitter]->click();
    ASSERT_EQ(result->faceTwitterController->rowCount(), 0);
    EXPECT_EQ(pane->currentWidget(), pane->emptyPage);

    // Notes: the second one selected.
    result->categoryBtns[PRResultViewController::Notes]->click();
    ASSERT_GT(result->noteController->rowCount(), 1);
    select(PRResultViewController::Notes, 1);
    const PRNoteNode& note = *result->noteController->recordOfRow(1);
    EXPECT_EQ(pane->currentWidget(), pane->notePage);
    EXPECT_EQ(pane->noteTitlelab->text().toStdString(), "Title: " + note.noteTitle());
    EXPECT_EQ(pane->noteContentView->toPlainText().toStdString(), note.noteContent());

    // Photos: a cell of the grid is what is selected.
    result->categoryBtns[PRResultViewController::Photos]->click();
    EXPECT_EQ(pane->currentWidget(), pane->photoPage);
    const int photo = rowWhere(*result->photoController, [](const PRPhotoAndVideoNode& p) {
        return p.fileNodeName().find("IMG_0777") != std::string::npos;
    });
    ASSERT_GE(photo, 0);
    result->thumView->setCurrentIndex(result->thumView->model()->index(photo, 0));
    EXPECT_EQ(pane->imageFileNamelab->text().toStdString(),
              "File Name: " + result->photoController->recordOfRow(photo)->fileNodeName());
    ASSERT_FALSE(pane->imageView->pixmap().isNull());
    const QImage picture = pane->imageView->pixmap().toImage();
    const QColor centre(picture.pixel(picture.width() / 2, picture.height() / 2));
    EXPECT_GT(centre.green(), centre.red() + 50);  // the green photo, not an icon
    shoot("result-preview-photo");
}

TEST_F(ResultPreviewTest, AConversationPagesWithMoreAndBecomesAPictureOnTheDesktop) {
    result->categoryBtns[PRResultViewController::Messages]->click();
    EXPECT_TRUE(result->exportBtn->isVisible());
    const auto& conversations = *result->messageTreeController;
    const int longRow =
        rowWhere(conversations, [](const PRMessageTreeNode& t) { return t.MessageNodeArray().size() > 50; });
    ASSERT_GE(longRow, 0);
    select(PRResultViewController::Messages, longRow);
    const PRMessageTreeNodePtr shown = conversations.recordOfRow(longRow);
    const int total = int(shown->MessageNodeArray().size());
    EXPECT_EQ(result->previewPane->currentWidget(), result->messageTreeScrollView);
    EXPECT_EQ(result->messageTreeScrollView->currentMessageTreeNode, shown);
    // A bubble per message, and one more for the text sent with an attachment.
    auto bubblesOfFirst = [&](int count) {
        int n = 0;
        for (int i = 0; i < count; ++i)
            n += 1 + !conversation::textBesideAttachment(*shown->MessageNodeArray()[size_t(i)]).empty();
        return n;
    };
    EXPECT_EQ(bubbles().size(), bubblesOfFirst(50));
    ASSERT_NE(result->messageTreeScrollView->moreButton(), nullptr);
    result->messageTreeScrollView->moreButton()->click();
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(bubbles().size(), bubblesOfFirst(std::min(total, 100)));

    // A picture attachment of the backup shows as a picture bubble.
    int pictures = 0;
    for (PRChatView* bubble : bubbles())
        if (bubble->imageView && !bubble->imageView->pixmap().isNull() &&
            bubble->height() >= PRChatView::kPictureHeight)
            ++pictures;
    bool hasImage = false;
    for (int i = 0; i < std::min(total, 100); ++i)
        hasImage |= conversation::bubbleContent(*shown->MessageNodeArray()[size_t(i)]).kind ==
                    conversation::BubbleKind::Picture;
    ASSERT_TRUE(hasImage) << "the sample conversation carries a picture";
    EXPECT_GT(pictures, 0);
    // Sent bubbles on the right lie wholly inside the visible area.
    const int visible = result->messageTreeScrollView->viewport()->width();
    for (PRChatView* bubble : bubbles()) EXPECT_LE(bubble->geometry().right(), visible) << visible;
    shoot("result-preview-conversation");

    // The whole conversation as laid out, as a PNG on the desktop; the folder is shown.
    const QSize laidOut = result->messageTreeScrollView->documentView()->size();
    result->exportBtn->click();
    ASSERT_TRUE(testsupport::waitUntil([this] {
        for (const auto& o : opened)
            if (o.first == workspace::Action::ShowFolder) return true;
        return false;
    }));
    const QString path = QString::fromStdString(conversation::messageImagePath(shown->messageTreeNodeName()));
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "png");
    EXPECT_EQ(reader.size(), laidOut);
    EXPECT_TRUE(answers.alerts.isEmpty());
}

TEST_F(ResultPreviewTest, LinksFeedbackAndGuideOpenFromTheScreen) {
    result->supprotBtn->click();
    result->facebookBtn->click();
    result->twitterBtn->click();
    ASSERT_EQ(opened.size(), 3u);
    for (const auto& o : opened) EXPECT_EQ(o.first, workspace::Action::OpenURL);
    EXPECT_NE(opened[1].second, opened[2].second);

    // The pointer over "Feedback" underlines it; leaving takes the underline away.
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(result->feedBackBtn, &enter);
    EXPECT_TRUE(result->feedBackBtn->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(result->feedBackBtn, &leave);
    EXPECT_FALSE(result->feedBackBtn->font().underline());

    result->feedBackBtn->click();
    ASSERT_TRUE(result->feedbackWindow);
    EXPECT_TRUE(result->feedbackWindow->isVisible());
    result->feedbackWindow->ClickDontSendFeedBack();

    result->getLogBtn->click();
    ASSERT_TRUE(result->guidWindow);
    PRGuideSheet* guide = result->guidWindow;
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(guide->parentWidget(), app->window());
    guide->nextBtn->click();
    EXPECT_EQ(guide->firstTiplab->text(), PRGuideSheet::kStep2Text);
    guide->nextBtn->click();
    EXPECT_EQ(guide->firstTiplab->text(), PRGuideSheet::kStep3Text);
    guide->nextBtn->click();
    EXPECT_FALSE(guide->isVisible());
    result->getLogBtn->click();
    EXPECT_EQ(result->guidWindow, guide);
    EXPECT_EQ(guide->currentStep, 0);
    EXPECT_EQ(guide->firstTiplab->text(), PRGuideSheet::kStep1Text);
}

TEST_F(ResultPreviewTest, ASortKeepsTheSelectedCallSelectedAndPreviewedOrSelectsTheFirstRow) {
    PRRecordPreviewPane* pane = result->previewPane;
    QTableView* table = result->tableOf(PRResultViewController::CallHistory);
    const PRCallHistoryController& calls = *result->callHistoryController;
    auto previewed = [pane](const PRCallHistoryNode& call) {
        return pane->currentWidget() == pane->callPage &&
               pane->callPhonelab->text() == "Phone: " + QString::fromStdString(call.callPhone()) &&
               pane->callDatelab->text() == "Date: " + QString::fromStdString(call.callDate());
    };
    auto sortBy = [&](int column, Qt::SortOrder order) {
        table->sortByColumn(column, order);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !calls.rowsPending(); }, std::chrono::seconds(60)));
    };
    // The backup's own calls (their rows worked out at once), then 200,000 (on a worker thread).
    std::vector<PRCallHistoryNodePtr> many;
    for (int64_t i = 0; i < 200000; ++i) {
        auto call = std::make_shared<PRCallHistoryNode>();
        call->setCallName("Caller " + std::to_string(i * 7919 % 1000));
        call->setCallPhone("+1 555 " + std::to_string(1000000 + i * 104729 % 9000000));
        call->setCallDate("03-" + std::to_string(10 + i % 18) + "-2013 10:" + std::to_string(10 + i % 50));
        many.push_back(std::move(call));
    }
    for (bool large : {false, true}) {
        SCOPED_TRACE(large ? "200,000 calls" : "the backup's calls");
        if (large) result->callHistoryController->setRecords(many);
        result->categoryBtns[PRResultViewController::CallHistory]->click();
        ASSERT_GT(calls.rowCount(), 2);
        EXPECT_TRUE(previewed(*calls.at(0)));

        // The first call by phone number, selected, goes to the end of a descending sort, still
        // selected and previewed.
        sortBy(PRCallHistoryController::Phone, Qt::AscendingOrder);
        table->selectRow(0);
        const PRCallHistoryNodePtr chosen = calls.at(0);
        ASSERT_TRUE(previewed(*chosen));
        sortBy(PRCallHistoryController::Phone, Qt::DescendingOrder);
        const QModelIndexList selected = table->selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(calls.at(selected.front().row()), chosen);
        EXPECT_GT(selected.front().row(), 0);
        EXPECT_EQ(table->currentIndex().row(), selected.front().row());
        EXPECT_TRUE(previewed(*chosen));

        // With nothing selected the pane keeps its call until a sort selects the first row.
        table->clearSelection();
        EXPECT_TRUE(previewed(*chosen));
        sortBy(PRCallHistoryController::Date, Qt::DescendingOrder);
        ASSERT_EQ(table->selectionModel()->selectedRows().size(), 1);
        EXPECT_EQ(table->selectionModel()->selectedRows().front().row(), 0);
        EXPECT_TRUE(previewed(*calls.at(0)));
    }
    shoot("result-calls-sorted");
}
