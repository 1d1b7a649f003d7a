// The contact, message and note tables of the transfer page on the sample device: one backup,
// the tables against the device's databases, the previews, the exports of each kind, a failed
// backup, and another reader run at the same time not mixing with the page's.
#include "AppFixture.h"
#include "SampleDevice.h"
#include "ToolStandIn.h"
#include "backup/BackupNotices.h"
#include "backup/PRContactReader.h"
#include "browser/PRConversationView.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"
#include "platform/Workspace.h"
#include "transfer/PRTansferViewController.h"
#include "transfer/core/RecordExport.h"
#include "widgets/ActionResultLine.h"
#include "widgets/FlashView.h"
#include "widgets/RecordTableModels.h"

#include <QLabel>
#include <QPdfDocument>
#include <QStringDecoder>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using transfer::RecordExport;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

QString htmlText(const std::string& path) {
    const QByteArray bytes = QByteArray::fromStdString(readAll(path));
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    return decoder(bytes);
}

class TransferRecordsPageTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        workspace::setRecorder([this](workspace::Action, const QString& path) { shown << path; });
        page = app->GetTansferViewController();
        page->view();
        device = testsupport::scratchDirectory("devices") + "/sample";
        std::string error;
        ASSERT_TRUE(sampledevice::write(device, nullptr, &error)) << error;
        deviceId = simdevice::attach(device);
        ASSERT_GT(deviceId, 0);
        ASSERT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
        app->window()->resize(1000, 680);
        data = sampledevice::homeData();
    }
    void TearDown() override {
        workspace::setRecorder({});
        AppTest::TearDown();
    }
    void waitForReads(int count) {
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return page->recordReadsFinished() >= count; }, std::chrono::seconds(120)));
    }
    void exportWith(void (PRTansferViewController::*action)(QObject*)) {
        const int before = page->recordExportsFinished();
        (page->*action)(nullptr);
        ASSERT_TRUE(testsupport::waitUntil([&] { return page->recordExportsFinished() == before + 1; },
                                           std::chrono::seconds(60)));
    }
    size_t messageCount() const {
        size_t n = 0;
        for (const auto& c : page->messageController->content()) n += c->MessageNodeArray().size();
        return n;
    }

    PRTansferViewController* page = nullptr;
    std::string device;
    int deviceId = 0;
    QStringList shown;
    sampledb::SampleData data;
};

}  // namespace

TEST_F(TransferRecordsPageTest, MessagesFirstBacksUpOnceAndFillsContactsAndConversations) {
    app->CilckMessage(nullptr);
    EXPECT_TRUE(page->bMessageStartTransfer);
    page->showMessage(0);  // a second opening while the backup runs starts nothing more
    waitForReads(1);
    EXPECT_EQ(page->recordReadsFinished(), 1);
    EXPECT_TRUE(page->bBackup);
    EXPECT_TRUE(page->bContactFinished);
    EXPECT_TRUE(page->bMessageFinished);
    EXPECT_EQ(page->contactController->rowCount(), int(data.contacts.size()));
    EXPECT_EQ(messageCount(), data.messages.size());

    // Every conversation holds the messages of one party or one group, and none is split: a
    // group's message comes from one of its members, or from the phone.
    std::set<std::string> parties;
    for (const auto& m : data.messages) {
        std::string party = m.address;
        if (!m.members.empty()) party = "group of " + std::to_string(m.members.size()) + " " + m.members.front();
        parties.insert(party);
    }
    EXPECT_EQ(page->messageController->rowCount(), int(parties.size()));
    for (const auto& conversation : page->messageController->content())
        for (const auto& message : conversation->MessageNodeArray()) {
            const std::string& address = conversation->messageTreeNodeAdress();
            if (message->groupAddress().empty()) {
                EXPECT_EQ(message->messagePhone(), address);
                continue;
            }
            EXPECT_EQ(message->groupAddress(), address);
            if (message->messageType() == "Send")
                EXPECT_EQ(message->messagePhone(), "");
            else
                EXPECT_NE(address.find(message->messagePhone()), std::string::npos) << address;
        }

    // The first conversation is previewed: a header and at most fifty bubbles.
    ASSERT_TRUE(page->messageTreeScrollView->currentMessageTreeNode);
    EXPECT_EQ(page->messageTreeScrollView->currentMessageTreeNode, page->messageController->at(0));
    EXPECT_LE(page->messageTreeScrollView->haveAddChatNum, 50);
    EXPECT_GT(page->messageTreeScrollView->haveAddChatNum, 0);
    EXPECT_TRUE(app->sidebar()->circleMessageProgress->isHidden());
    testsupport::saveScreenshot(app->window(), "transfer-messages");

    // Later kinds read the same backup at once.
    app->ClickNote(nullptr);
    waitForReads(2);
    EXPECT_EQ(page->noteController->rowCount(), int(data.notes.size()));
    EXPECT_FALSE(page->noteContentlab->text().isEmpty());
    testsupport::saveScreenshot(app->window(), "transfer-notes");

    app->ClickContact(nullptr);  // already filled: nothing is read again
    EXPECT_EQ(page->recordReadsFinished(), 2);
    page->contactTableView->selectRow(0);
    const auto first = page->contactController->at(0);
    EXPECT_EQ(page->contactNamelab->text().toStdString(), first->contactName());
    EXPECT_EQ(page->contactPhonelab->isHidden(), first->contactPhone().empty());
    testsupport::saveScreenshot(app->window(), "transfer-contacts");
}

TEST_F(TransferRecordsPageTest, EachKindExportsIntoItsDocumentsFolder) {
    app->CilckMessage(nullptr);
    waitForReads(1);
    app->ClickNote(nullptr);
    waitForReads(2);

    // The clicked-contact export opened on no row makes the folder and does nothing else.
    const std::string contacts = RecordExport::contactFolder();
    page->contactClickedRow = -1;
    page->exportSelectedContactToDocument();
    EXPECT_TRUE(fs::is_directory(contacts));
    EXPECT_TRUE(fs::is_empty(contacts));
    EXPECT_TRUE(shown.isEmpty());

    exportWith(&PRTansferViewController::exportallContactsToDocument);
    EXPECT_EQ(contacts, paths::userPath("Documents/Contact"));
    size_t cards = 0;
    for (const auto& entry : fs::directory_iterator(contacts)) {
        ++cards;
        const std::string card = readAll(entry.path());
        EXPECT_EQ(card.rfind("BEGIN:VCARD", 0), 0u) << entry.path();
        EXPECT_NE(card.find("END:VCARD"), std::string::npos);
    }
    EXPECT_GT(cards, 0u);
    EXPECT_LE(cards, data.contacts.size());  // one name, one file
    EXPECT_TRUE(shown.contains(QString::fromStdString(contacts)));

    page->messageClickedRow = 0;
    exportWith(&PRTansferViewController::exportSelectedMessageToDocumentHtml);
    const auto conversation = page->messageController->at(0);
    const std::string html =
        RecordExport::messageFolder() + "/" + RecordExport::conversationBaseName(*conversation) + ".html";
    const QString text = htmlText(html);
    EXPECT_TRUE(text.contains("<html") || text.contains("<HTML")) << html;
    EXPECT_EQ(text.count("class='name'"), conversation->MessageNodeArray().size());
    exportWith(&PRTansferViewController::exportSelectedMessageToDocumentHtml);  // the same page: the first kept
    EXPECT_FALSE(fs::exists(html.substr(0, html.size() - 5) + " (2).html"));

    exportWith(&PRTansferViewController::exportSelectedMessageToDocumentPdf);
    const QString pdf = QString::fromStdString(RecordExport::messageFolder() + "/" +
                                               RecordExport::conversationBaseName(*conversation) + ".pdf");
    QPdfDocument document;
    ASSERT_EQ(document.load(pdf), QPdfDocument::Error::None) << pdf.toStdString();
    ASSERT_GE(document.pageCount(), 1);
    // Its texts are text, drawn from the conversation's current messages.
    const QString drawnText = document.getAllText(0).text().simplified().remove(' ');
    for (const PRMessageNodePtr& m : conversation->MessageNodeArray())
        if (!m->isHasAttach() && !m->messageContent().empty()) {
            EXPECT_TRUE(drawnText.contains(QString::fromStdString(m->messageContent()).simplified().remove(' ')))
                << m->messageContent();
            break;
        }
    // A long conversation prints on pages of paper, as many as it needs.
    EXPECT_GT(document.pageCount(), 1);
    const QSize paper = document.pagePointSize(0).toSize();
    EXPECT_TRUE(paper == QSize(595, 842) || paper == QSize(612, 792)) << paper.width() << " x " << paper.height();
    QLabel rendered;
    const QSizeF points = document.pagePointSize(0);
    rendered.setPixmap(QPixmap::fromImage(
        document.render(0, QSize(200, int(200 * points.height() / points.width()))).copy(0, 0, 200, 400)));
    rendered.adjustSize();
    testsupport::saveScreenshot(&rendered, "transfer-message-pdf");

    exportWith(&PRTansferViewController::exportAllNotesToDocument);
    const std::string notes = readAll(RecordExport::noteFolder() + "/Notes.txt");
    for (const auto& note : page->noteController->content())
        EXPECT_NE(notes.find("Title:" + note->noteTitle()), std::string::npos);

    // No row under the menu: the folder is made and shown, nothing is written.
    page->noteClickedRow = -1;
    exportWith(&PRTansferViewController::exortSelectedNoteToDocument);
}

// Every Export All run again into its Documents folder adds nothing: the files whose bytes are
// there already stay as they are, and the closing line says that nothing new was exported.
TEST_F(TransferRecordsPageTest, ExportsRunAgainKeepTheFirstAndSaySo) {
    app->CilckMessage(nullptr);
    waitForReads(1);
    app->ClickNote(nullptr);
    waitForReads(2);
    auto filesIn = [](const std::string& folder) {
        std::set<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(folder)) names.insert(e.path().string());
        return names;
    };
    const auto* line = app->window()->findChild<ActionResultLine*>();
    for (auto [action, folder] :
         {std::pair{&PRTansferViewController::exportallContactsToDocument, RecordExport::contactFolder()},
          std::pair{&PRTansferViewController::exportAllMessagesToDocumentHtml, RecordExport::messageFolder()},
          std::pair{&PRTansferViewController::exportAllMessagesToDocumentPdf, RecordExport::messageFolder()},
          std::pair{&PRTansferViewController::exportAllNotesToDocument, RecordExport::noteFolder()}}) {
        exportWith(action);
        const auto first = filesIn(folder);
        ASSERT_FALSE(first.empty()) << folder;
        exportWith(action);
        auto added = filesIn(folder);
        for (const std::string& f : first) added.erase(f);
        EXPECT_TRUE(added.empty()) << folder << ": " << (added.empty() ? std::string() : *added.begin());
        ASSERT_TRUE(line);
        EXPECT_TRUE(line->text().startsWith("Nothing new exported: ")) << line->text().toStdString();
        EXPECT_TRUE(line->text().contains(" already there")) << line->text().toStdString();
    }
}

// Each PDF is drawn at the size the screen shows the conversation, over as many pages as it needs,
// none taller than a PDF page may be.
TEST_F(TransferRecordsPageTest, EveryConversationBecomesItsOwnPdfOfReadablePages) {
    app->CilckMessage(nullptr);
    waitForReads(1);
    exportWith(&PRTansferViewController::exportAllMessagesToDocumentPdf);
    std::set<std::string> names;
    for (const auto& c : page->messageController->content()) names.insert(RecordExport::conversationBaseName(*c));
    for (const std::string& name : names) {
        QPdfDocument document;
        const QString path = QString::fromStdString(RecordExport::messageFolder() + "/" + name + ".pdf");
        ASSERT_EQ(document.load(path), QPdfDocument::Error::None) << path.toStdString();
        ASSERT_GE(document.pageCount(), 1);
        for (int i = 0; i < document.pageCount(); ++i) {
            EXPECT_LE(document.pagePointSize(i).height(), 14400) << path.toStdString();
            EXPECT_GE(document.pagePointSize(i).width(), 300) << path.toStdString();
        }
    }
}

TEST_F(TransferRecordsPageTest, AFailedBackupLeavesEmptyTablesAndSaysWhy) {
    app->ClickContact(nullptr);
    waitForReads(1);
    ASSERT_GT(page->contactController->rowCount(), 0);
    // Another device whose backup fails: nothing of the first one stays.
    page->bBackup = false;
    page->bContactFinished = false;
    {
        browsertest::ToolStandIn failing(testsupport::scratchDirectory("tool"), "echo 'device locked' >&2; exit 3");
        app->ClickContact(nullptr);
        waitForReads(2);
    }
    EXPECT_EQ(page->contactController->rowCount(), 0);
    EXPECT_EQ(page->messageController->rowCount(), 0);
    EXPECT_FALSE(page->bBackup);
    EXPECT_FALSE(page->bContactStartTransfer);  // the next opening tries again
    EXPECT_TRUE(page->contactStatuslab->text().contains("device locked"))
        << page->contactStatuslab->text().toStdString();
    EXPECT_TRUE(app->sidebar()->circleContactProgress->isHidden());
    testsupport::saveScreenshot(app->window(), "transfer-contacts-failed");

    app->ClickContact(nullptr);
    waitForReads(3);
    EXPECT_GT(page->contactController->rowCount(), 0);
}

TEST_F(TransferRecordsPageTest, AnotherReaderRunAtTheSameTimeDoesNotReachThePage) {
    app->ClickContact(nullptr);
    waitForReads(1);
    const std::string backup = paths::resolve("/tmp/Backup");
    std::string folder;
    for (const auto& entry : fs::directory_iterator(backup)) folder = entry.path().string();
    ASSERT_FALSE(folder.empty());

    // A direct run on the default centre (as the one-click copy posts) while the page reads
    // its messages: each gets its own records only.
    std::atomic<int> otherContacts{0};
    const int token = 0;
    notices::ScanTransferContactInfo.observe(NSNotificationCenter::defaultCenter(), &token,
                                             [&](const NSNotification& n) {
                                                 if (n.sender() == nullptr) ++otherContacts;
                                             });
    std::thread other([&] {
        PRBackupScanState state;
        for (int i = 0; i < 3; ++i) PRContactReader(state).scanTransferContactThread(folder);
    });
    app->CilckMessage(nullptr);
    waitForReads(2);
    other.join();
    NSNotificationCenter::defaultCenter().removeObserver(&token);
    EXPECT_EQ(otherContacts.load(), int(3 * data.contacts.size()));
    EXPECT_EQ(page->contactController->rowCount(), int(data.contacts.size()));
    EXPECT_EQ(page->recordIntake().contactArray().size(), data.contacts.size());
    EXPECT_EQ(messageCount(), data.messages.size());
}
