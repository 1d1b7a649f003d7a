// The conversation view: paging by fifty with "More...", bubble kinds, the header, and the
// document's height; plus the paging and naming rules on their own.
#include "PreviewTestSupport.h"
#include "browser/ConversationPaging.h"
#include "browser/ConversationPdf.h"
#include "browser/PRChatView.h"
#include "browser/PRConversationView.h"
#include "platform/NewFileDevice.h"

#include <QBuffer>
#include <QFile>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QScrollBar>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace previewtest;

namespace {

class ConversationViewTest : public testsupport::HomeTest {
protected:
    ConversationViewTest() {
        view.resize(425, 400);
        view.show();
    }
    QList<PRChatView*> bubbles() const {
        return view.documentView()->findChildren<PRChatView*>(Qt::FindDirectChildrenOnly);
    }
    void pressMore() {
        ASSERT_NE(view.moreButton(), nullptr);
        view.moreButton()->click();
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
    }
    PRConversationView view;
};

TEST(ConversationPaging, PagesOfFiftyWithMoreAfterAFullFirstPage) {
    using conversation::firstPage;
    using conversation::nextPage;
    EXPECT_EQ(firstPage(0).count, 0);
    EXPECT_FALSE(firstPage(49).more);
    EXPECT_EQ(firstPage(49).count, 49);
    EXPECT_TRUE(firstPage(50).more);
    EXPECT_EQ(firstPage(120).count, 50);
    EXPECT_EQ(nextPage(50, 50).count, 0);
    EXPECT_FALSE(nextPage(50, 50).more);
    EXPECT_EQ(nextPage(50, 51).count, 1);
    EXPECT_FALSE(nextPage(50, 51).more);
    EXPECT_EQ(nextPage(50, 120).count, 50);
    EXPECT_TRUE(nextPage(50, 120).more);
    EXPECT_EQ(nextPage(100, 150).count, 50);
    EXPECT_FALSE(nextPage(100, 150).more);
}

TEST(ConversationPaging, AttachmentKindsAndDateLines) {
    PRMessageNode m;
    m.setMessageContent("hi");
    EXPECT_EQ(conversation::bubbleContent(m).kind, conversation::BubbleKind::Text);
    m.setAttachmentPath("a");  // one character: still text
    EXPECT_FALSE(conversation::isAttachment(m));
    m.setAttachmentPath("/x/IMG_1.jpg");  // the flag is off, the path decides
    m.setAttachType("Image");
    EXPECT_EQ(conversation::bubbleContent(m).kind, conversation::BubbleKind::Picture);
    EXPECT_EQ(conversation::bubbleContent(m).imagePath, "/x/IMG_1.jpg");
    m.setAttachType("Location");
    EXPECT_EQ(conversation::bubbleContent(m).imageName, "location");
    m.setAttachType(std::nullopt);
    EXPECT_EQ(conversation::bubbleContent(m).kind, conversation::BubbleKind::Fallback);
    // The text sent with an attachment is kept beside it, without the mark standing for it.
    EXPECT_EQ(conversation::textBesideAttachment(m), "hi");
    m.setMessageContent("\xEF\xBF\xBC");
    EXPECT_EQ(conversation::textBesideAttachment(m), "");

    // Who wrote it: the contact, else the number, for a received message; "Me" for a sent one.
    m.setMessagePhone("+261 34 05 516 08");
    m.setMessageDate("03-01-2013 10:30");
    m.setMessageType("Received");
    EXPECT_EQ(conversation::dateLine(m), "+261 34 05 516 08     03-01-2013 10:30");
    m.setMessageName("Anna");
    EXPECT_EQ(conversation::dateLine(m), "Anna     03-01-2013 10:30");
    m.setMessageType("Send");
    EXPECT_EQ(conversation::dateLine(m), "Me     03-01-2013 10:30");
    // A deleted message that came back without some of its values (its date among them, maybe).
    m.setBPartial(true);
    EXPECT_EQ(conversation::dateLine(m), "Me     03-01-2013 10:30 (partial)");
    m.setMessageDate("");
    EXPECT_EQ(conversation::dateLine(m), "Me     (partial)");
}

TEST(ConversationPaging, PictureNamesStayInTheDesktopFolder) {
    testsupport::TempHome home;
    const std::string folder = conversation::messageImageFolder();
    EXPECT_EQ(folder, home.path() + "/Desktop/Quillomatrix");
    EXPECT_EQ(conversation::messageImagePath("Anna Berg"), folder + "/Anna Berg_MessageImage.png");
    EXPECT_EQ(conversation::messageImagePath("../../etc/x"), folder + "/.._.._etc_x_MessageImage.png");
    EXPECT_EQ(conversation::messageImagePath(""), folder + "/Conversation_MessageImage.png");
}

TEST_F(ConversationViewTest, FortyNineMessagesShowWithoutMore) {
    view.showConversation(textConversation(49));
    EXPECT_EQ(bubbles().size(), 49);
    EXPECT_EQ(view.moreButton(), nullptr);
    EXPECT_EQ(view.haveAddChatNum, 49);
}

TEST_F(ConversationViewTest, ExactlyFiftyOffersMoreThatAddsNothing) {
    view.showConversation(textConversation(50));
    EXPECT_EQ(bubbles().size(), 50);
    pressMore();
    EXPECT_EQ(bubbles().size(), 50);
    EXPECT_EQ(view.moreButton(), nullptr);
}

TEST_F(ConversationViewTest, LongConversationPagesUntilTheEnd) {
    view.showConversation(textConversation(120));
    EXPECT_EQ(bubbles().size(), 50);
    const int heightBefore = view.documentView()->height();
    pressMore();
    EXPECT_EQ(bubbles().size(), 100);
    EXPECT_GT(view.documentView()->height(), heightBefore);
    pressMore();
    EXPECT_EQ(bubbles().size(), 120);
    EXPECT_EQ(view.moreButton(), nullptr);
    // The bubbles stack without overlapping, in message order; a page starts where its
    // "More..." button was.
    const auto all = bubbles();
    for (int i = 1; i < all.size(); ++i) {
        const int gap = all[i]->geometry().top() - all[i - 1]->geometry().bottom() - 1;
        EXPECT_EQ(gap, i % 50 == 0 ? 40 : 0) << i;
    }
    // Another conversation starts again from its first page.
    view.showConversation(textConversation(3));
    EXPECT_EQ(bubbles().size(), 3);
    EXPECT_EQ(view.haveAddChatNum, 3);
}

TEST_F(ConversationViewTest, EmptyConversationShowsItsHeaderOnly) {
    view.showConversation(textConversation(0, "Nobody"));
    EXPECT_TRUE(bubbles().isEmpty());
    EXPECT_EQ(view.moreButton(), nullptr);
    const auto names = view.documentView()->findChildren<PRChatNameView*>();
    ASSERT_EQ(names.size(), 1);
    EXPECT_EQ(names[0]->text(), "Nobody");
    // Short content: no scroller, the document exactly as tall as the visible area.
    EXPECT_EQ(view.documentView()->height(), view.viewport()->height());
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(ConversationViewTest, SidesColoursAndPlainText) {
    auto markup = textMessage("Don't forget the keys <b>under the mat</b> & all", true);
    auto empty = textMessage("", false);
    view.showConversation(conversationOf({markup, empty}, "Anna"));
    const auto all = bubbles();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0]->x(), 0);
    EXPECT_EQ(all[0]->messageType(), 1);
    EXPECT_EQ(all[0]->dateTextView->text(), "Anna Berg     03-01-2013 10:30");
    EXPECT_EQ(all[0]->textView->textFormat(), Qt::PlainText);
    EXPECT_EQ(all[0]->textView->text(), "Don't forget the keys <b>under the mat</b> & all");
    // A sent bubble ends at the pane's right edge.
    EXPECT_EQ(all[1]->geometry().right(), view.viewport()->width() - 1);
    EXPECT_EQ(all[1]->width(), PRChatView::kBubbleWidth);
    EXPECT_EQ(all[1]->messageType(), 0);
    EXPECT_EQ(all[1]->dateTextView->text(), "Me     03-01-2013 10:30");
    EXPECT_EQ(all[1]->textView->text(), "Unsaved File");
    EXPECT_EQ(all[1]->textView->palette().color(QPalette::WindowText), PRChatView::kNoticeColor);
    EXPECT_GE(all[1]->height(), 35 + int(PRConversationView::calculateChatRect("").height()));
}

// Bubbles are laid out from the pane's width: at any width each side's bubbles stay inside
// the pane, a long word breaks inside its bubble, and the date line with the sender's name
// wraps rather than running out of it; the header's name is cut with its whole text in the tip.
TEST_F(ConversationViewTest, BubblesStayInsideThePaneAtAnyWidth) {
    auto longWord = textMessage("https://example.com/" + std::string(120, 'x') + "/end", false);
    auto longName = textMessage("See you at the station at seven, the one by the river", true);
    longName->setMessageName("Maximiliane Alexandra von Hohenberg-Sternfeld");
    auto reply = textMessage("Thanks, that was lovely.", false);
    const std::string header = "A conversation whose name is much longer than any header could show";
    auto unsaved = textMessage("", true);  // shows "Unsaved File"
    view.showConversation(conversationOf({longWord, longName, reply, unsaved}, header));
    for (int width : {180, 260, 330, 425, 900, 300}) {
        view.resize(width, 400);
        testsupport::spinEventLoop(std::chrono::milliseconds(5));
        const int pane = view.viewport()->width();
        const auto all = bubbles();
        ASSERT_EQ(all.size(), 4);
        for (PRChatView* bubble : all) {
            SCOPED_TRACE(::testing::Message() << "width " << width << ": " << bubble->textView->text().toStdString());
            EXPECT_GE(bubble->x(), 0);
            EXPECT_LE(bubble->geometry().right(), pane - 1);
            for (QLabel* part : {bubble->dateTextView, bubble->textView}) {
                EXPECT_TRUE(bubble->rect().contains(part->geometry())) << part->text().toStdString();
                EXPECT_LE(part->heightForWidth(part->width()), part->height()) << part->text().toStdString();
            }
        }
        EXPECT_EQ(all[0]->geometry().right(), pane - 1) << "sent on the right";
        EXPECT_EQ(all[1]->x(), 0) << "received on the left";
        for (int i = 1; i < all.size(); ++i) EXPECT_EQ(all[i]->y(), all[i - 1]->geometry().bottom() + 1);
        const auto names = view.documentView()->findChildren<PRChatNameView*>();
        ASSERT_EQ(names.size(), 1);
        EXPECT_LE(names[0]->geometry().right(), pane - 1);
        EXPECT_LE(names[0]->fontMetrics().horizontalAdvance(names[0]->text()), names[0]->width());
        if (names[0]->text().toStdString() != header) {
            EXPECT_EQ(names[0]->toolTip().toStdString(), header);
        }
    }
    testsupport::saveScreenshot(&view, "browser-conversation-narrow");
}

TEST(ConversationMeasure, BlankTextsMeasureAsNothing) {
    EXPECT_TRUE(PRConversationView::calculateChatRect(QString()).isNull());
    EXPECT_TRUE(PRConversationView::calculateChatRect("\n").isNull());
    EXPECT_TRUE(PRConversationView::calculateChatRect(" ").isNull());
    const QRectF one = PRConversationView::calculateChatRect("ok");
    EXPECT_GT(one.width(), 36);
    EXPECT_GE(one.height(), 33 + 10);
    const QRectF wrapped = PRConversationView::calculateChatRect(QString(200, 'w').replace(10, 1, " "));
    EXPECT_LE(wrapped.width(), 184 + 36 + 1);  // long text wraps at 184 points
    EXPECT_GT(wrapped.height(), one.height());
}

TEST_F(ConversationViewTest, ImageAttachmentShowsItsPicture) {
    // A picture attachment as the readers hand it over: the local copy of the file.
    const QString file = QString::fromStdString(testsupport::scratchDirectory("Attachments") + "/IMG_0001.JPG");
    QImage photo(160, 120, QImage::Format_RGB32);
    photo.fill(QColor(90, 150, 210));
    ASSERT_TRUE(photo.save(file, "JPEG"));
    auto picture = textMessage("", true);
    picture->setIsHasAttach(true);
    picture->setAttachType("Image");
    picture->setAttachmentPath(file.toStdString());
    auto missing = std::make_shared<PRMessageNode>(*picture);
    missing->setAttachmentPath(*picture->attachmentPath() + ".gone");
    auto card = textMessage("", true);
    card->setIsHasAttach(true);
    card->setAttachType("Contact");
    // A backup's attachment is never read through a link, nor from a FIFO (which would block
    // the window): both show as a missing file does.
    auto linked = std::make_shared<PRMessageNode>(*picture);
    linked->setAttachmentPath(*picture->attachmentPath() + ".link");
    ASSERT_EQ(::symlink(file.toStdString().c_str(), linked->attachmentPath()->c_str()), 0);
    auto fifo = std::make_shared<PRMessageNode>(*picture);
    fifo->setAttachmentPath(*picture->attachmentPath() + ".fifo");
    ASSERT_EQ(::mkfifo(fifo->attachmentPath()->c_str(), 0600), 0);
    view.showConversation(conversationOf({picture, missing, card, linked, fifo}, "Photos"));
    const auto all = bubbles();
    ASSERT_EQ(all.size(), 5);
    ASSERT_NE(all[0]->imageView, nullptr);
    EXPECT_EQ(all[0]->width(), PRChatView::kBubbleWidth);
    EXPECT_GE(all[0]->height(), PRChatView::kPictureHeight);
    const QImage shown = all[0]->imageView->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_NEAR(shown.pixelColor(shown.rect().center()).blue(), 210, 8);
    ASSERT_NE(all[1]->imageView, nullptr);  // the missing file falls back to the "Contact" picture
    EXPECT_EQ(all[1]->size(), all[0]->size());
    const QImage fallback = all[1]->imageView->pixmap().toImage();
    EXPECT_NE(fallback, shown);
    ASSERT_NE(all[2]->textView, nullptr);
    EXPECT_EQ(all[2]->textView->text(), "Contact File");
    for (PRChatView* refused : {all[3], all[4]}) {
        ASSERT_NE(refused->imageView, nullptr);
        EXPECT_EQ(refused->imageView->pixmap().toImage(), fallback);
    }
    testsupport::saveScreenshot(&view, "browser-conversation-attachments");
}

}  // namespace

// A conversation's PDF leaves the window's text drawing as it was: a bubble's emoji are drawn
// whole, the same before and after any number of PDFs.
TEST_F(ConversationViewTest, EmojiStayWholeAfterPdfs) {
    auto message = std::make_shared<PRMessageNode>();
    message->setMessageContent("Thanks \U0001F44D see you \U0001F600");
    message->setMessageType("Received");
    message->setMessageName("Anna Berg");
    message->setMessageDate("03-01-2013 10:30");
    auto conversation = std::make_shared<PRMessageTreeNode>();
    conversation->setMessageTreeNodeName("Anna Berg");
    conversation->setMessageNodeArray({message});
    auto drawn = [&] {
        view.showConversationRun(conversation, 0, 1);
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
        const QList<PRChatView*> shown = bubbles();
        EXPECT_EQ(shown.size(), 1);
        return shown.isEmpty() ? QImage() : shown.front()->textView->grab().toImage();
    };
    const QImage before = drawn();
    ASSERT_FALSE(before.isNull());
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(conversationpdf::conversationPdf(conversation).isEmpty());
        EXPECT_TRUE(drawn() == before) << "after PDF " << i + 1;
    }
}

// A conversation's PDF prints: pages of the locale's paper, a short conversation on one, a long
// one on as many as it needs with no bubble cut by a page's end, its words searchable.
TEST(ConversationPdfTest, PagesOfTheLocalesPaperWithEveryBubbleWholeOnOne) {
    EXPECT_EQ(conversationpdf::paperFor(QLocale(QLocale::English, QLocale::UnitedStates)).id(), QPageSize::Letter);
    EXPECT_EQ(conversationpdf::paperFor(QLocale(QLocale::German, QLocale::Germany)).id(), QPageSize::A4);
    auto conversationOf = [](int count) {
        std::vector<PRMessageNodePtr> messages;
        for (int i = 0; i < count; ++i) {
            auto m = std::make_shared<PRMessageNode>();
            // Every fifth message runs over several lines.
            QString text = QStringLiteral("Message %1 begins").arg(i);
            if (i % 5 == 0) text += QString(" and goes on").repeated(20);
            m->setMessageContent((text + QStringLiteral(" ends%1").arg(i)).toStdString());
            m->setMessageType(i % 2 ? "Send" : "Received");
            m->setMessageName(i % 2 ? "Me" : "Anna Berg");
            m->setMessageDate("03-01-2013 10:30");
            messages.push_back(m);
        }
        auto conversation = std::make_shared<PRMessageTreeNode>();
        conversation->setMessageTreeNodeName("Anna Berg");
        conversation->setMessageNodeArray(messages);
        return conversation;
    };
    auto pagesOf = [](const QByteArray& pdf, QPdfDocument& document, QBuffer& buffer) {
        buffer.setData(pdf);
        buffer.open(QIODevice::ReadOnly);
        document.load(&buffer);
        return document.pageCount();
    };
    {
        QPdfDocument document;
        QBuffer buffer;
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        ASSERT_EQ(pagesOf(conversationpdf::conversationPdf(conversationOf(3), nullptr, us), document, buffer), 1);
        EXPECT_EQ(document.pagePointSize(0).toSize(), QSize(612, 792));
        EXPECT_TRUE(document.getAllText(0).text().contains("ends2"));
    }
    QPdfDocument document;
    QBuffer buffer;
    const int pages = pagesOf(
        conversationpdf::conversationPdf(conversationOf(60), nullptr, QLocale(QLocale::German, QLocale::Germany)),
        document, buffer);
    ASSERT_GE(pages, 3);
    QStringList texts;
    for (int p = 0; p < pages; ++p) {
        EXPECT_EQ(document.pagePointSize(p).toSize(), QSize(595, 842)) << p;
        texts << document.getAllText(p).text().simplified();
    }
    // Each bubble's first and last words on one page.
    for (int i = 0; i < 60; ++i) {
        const auto first = std::find_if(texts.begin(), texts.end(), [&](const QString& t) {
            return t.contains(QStringLiteral("Message %1 begins").arg(i));
        });
        ASSERT_NE(first, texts.end()) << i;
        EXPECT_TRUE(first->contains(QStringLiteral("ends%1").arg(i))) << "message " << i << " is cut by a page's end";
    }

    // Written into its file as the writer makes it: the same bytes, dated by the last message, so
    // that an export run again finds its earlier file.
    testsupport::TempHome home;
    const std::string path = testsupport::scratchDirectory("pdf") + "/long.pdf";
    const QLocale germany(QLocale::German, QLocale::Germany);
    files::NewFile file(path);
    {
        files::NewFileDevice into(file);
        ASSERT_TRUE(conversationpdf::writeConversationPdf(conversationOf(60), into, nullptr, germany));
    }
    ASSERT_TRUE(file.finish().ok());
    QFile written(QString::fromStdString(path));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes == conversationpdf::conversationPdf(conversationOf(60), nullptr, germany));
    EXPECT_EQ(bytes.count("/CreationDate (D:20130301103000"), 1);
}

namespace {

// Counts the PDF's bytes as they come and, at each write, the bubbles alive then.
class BubbleCountingDevice : public QIODevice {
public:
    BubbleCountingDevice() { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    QByteArray bytes;
    int mostBubbles = 0, writesWhileDrawing = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        int alive = 0;
        for (QWidget* widget : QApplication::allWidgets()) alive += qobject_cast<PRChatView*>(widget) ? 1 : 0;
        mostBubbles = std::max(mostBubbles, alive);
        writesWhileDrawing += alive > 0 ? 1 : 0;
        bytes.append(data, size);
        return size;
    }
};

// A PDF's pages and where words stand on them. A bubble cut by a page's end holds all its words
// on both pages, most of them beyond the margins: only those between them are shown.
struct Pages {
    explicit Pages(const QByteArray& pdf) {
        buffer.setData(pdf);
        buffer.open(QIODevice::ReadOnly);
        document.load(&buffer);
        for (int p = 0; p < document.pageCount(); ++p) texts << document.getAllText(p).text();
    }
    // Where each number that mark (its one capture) stands beside is shown between the margins:
    // the page and the height on it, once for each time.
    std::map<int, std::vector<std::pair<int, qreal>>> shown(const QRegularExpression& mark) {
        std::map<int, std::vector<std::pair<int, qreal>>> places;
        for (int p = 0; p < texts.size(); ++p) {
            const QRectF paper = QRectF(QPointF(), document.pagePointSize(p))
                                     .marginsRemoved(QMarginsF(1, 1, 1, 1) * conversationpdf::kMarginPoints);
            for (auto found = mark.globalMatch(texts[p]); found.hasNext();) {
                const QRegularExpressionMatch m = found.next();
                const QPointF at = document.getSelectionAtIndex(p, int(m.capturedStart()), int(m.capturedLength()))
                                       .boundingRectangle()
                                       .center();
                if (paper.contains(at)) places[m.captured(1).toInt()].emplace_back(p, at.y());
            }
        }
        return places;
    }
    QBuffer buffer;
    QPdfDocument document;
    QStringList texts;
};

}  // namespace

// A long conversation's PDF is drawn a run of messages at a time, with a bounded number of bubbles
// alive, and comes out as the whole conversation laid out at once would: every message once and
// in order, each on one page but those taller than a page, which are cut where a page ends and go
// on at the top of the next; the same pages whatever the run.
TEST(ConversationPdfTest, ALongConversationComesOutWholeAndInOrderWhateverTheRun) {
    const int count = 1200;
    const std::set<int> tall = {99, 100, 640, 1103};  // at a run's end and start, and one over three pages
    std::vector<PRMessageNodePtr> messages;
    for (int i = 0; i < count; ++i) {
        QString text = QStringLiteral("Message %1 begins").arg(i);
        if (i % 9 == 0) text += QString(" and goes on").repeated(15);
        if (tall.count(i))
            for (int w = 0; w < (i == 640 ? 1200 : 500); ++w) text += QStringLiteral(" w%1").arg(w);
        const PRMessageNodePtr m = textMessage((text + QStringLiteral(" ends%1.").arg(i)).toStdString(), i % 3 == 0);
        // Every thirteenth is a picture that cannot be read (its stand-in is drawn) with words
        // beside it: one message in two bubbles.
        if (i % 13 == 5) {
            m->setAttachmentPath("/nowhere/IMG_" + std::to_string(i) + ".jpg");
            m->setAttachType("Image");
        }
        messages.push_back(m);
    }
    const PRMessageTreeNodePtr conversation = conversationOf(messages, "Anna Berg");

    const QLocale germany(QLocale::German, QLocale::Germany);
    auto drawn = [&](int runMessages, BubbleCountingDevice& into) {
        EXPECT_TRUE(conversationpdf::writeConversationPdf(conversation, into, nullptr, germany, runMessages));
    };
    BubbleCountingDevice inRuns, inShortRuns, atOnce;
    drawn(conversationpdf::kRunMessages, inRuns);
    drawn(7, inShortRuns);  // fewer than a page holds: runs grow until they fill one
    drawn(count, atOnce);
    EXPECT_GT(atOnce.mostBubbles, count);
    EXPECT_LE(inRuns.mostBubbles, 2 * conversationpdf::kRunMessages);
    EXPECT_LE(inShortRuns.mostBubbles, 2 * conversationpdf::kRunMessages);
    EXPECT_GT(inRuns.writesWhileDrawing, 50) << "the pages are written as they are drawn";

    Pages pages(inRuns.bytes);
    ASSERT_GT(pages.texts.size(), 100);
    EXPECT_EQ(Pages(atOnce.bytes).texts, pages.texts);
    EXPECT_EQ(Pages(inShortRuns.bytes).texts, pages.texts);

    auto begins = pages.shown(QRegularExpression(QStringLiteral("Message (\\d+) begins"))),
         ends = pages.shown(QRegularExpression(QStringLiteral("ends(\\d+)\\.")));
    EXPECT_EQ(begins.size(), size_t(count));
    std::pair<int, qreal> before(-1, 0);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(begins[i].size(), 1u) << "message " << i << " is not shown once";
        ASSERT_EQ(ends[i].size(), 1u) << "message " << i << " is not shown once";
        EXPECT_GT(begins[i][0], before) << "message " << i << " is out of order";
        before = begins[i][0];
        if (tall.count(i))
            EXPECT_GT(ends[i][0].first, begins[i][0].first) << "message " << i << " is taller than a page";
        else
            EXPECT_EQ(ends[i][0].first, begins[i][0].first) << "message " << i << " is cut";
    }
}
