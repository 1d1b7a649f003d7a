// The recovery as a user runs it on the results screen: photos checked in the grid, messages,
// contacts and backup files marked, the recover button, the save panel's folder, the progress
// sheet, and the folder revealed with everything in it; a cancelled panel starts nothing and a
// folder that cannot be written is named in one alert.
#include "BrowserTestBackups.h"
#include "CraftedLog.h"
#include "TestSupport.h"
#include "app/OstrevaneAppDelegate.h"
#include "backup/BackupFileKeys.h"
#include "backup/CommitDB.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRResultViewController.h"
#include "browser/PRSrollThumView.h"
#include "browser/PRThumbnailModel.h"
#include "browser/PRTreeController.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"
#include "widgets/PRProgressView.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace {

class Answers : public DialogResponder {
public:
    int answerAlert(const AlertRequest& request) override {
        alerts.push_back(request.messageText + " | " + request.informativeText);
        return NSAlertFirstButtonReturn;
    }
    QStringList answerPanel(const PanelRequest& request) override {
        panels.push_back(request);
        return folder.isEmpty() ? QStringList() : QStringList{folder};
    }
    QString folder;
    QStringList alerts;
    std::vector<PanelRequest> panels;
};

class RecoveryScreenTest : public testsupport::HomeTest {
protected:
    void SetUp() override {
        dialogs::setResponder(&answers);
        workspace::setRecorder([this](workspace::Action action, const QString& target) {
            if (action == workspace::Action::ShowFolder) shown << target;
        });
        app = std::make_unique<OstrevaneAppDelegate>();
        app->awakeFromNib();
        app->applicationDidFinishLaunching();
        app->window()->resize(1100, 720);
    }
    void TearDown() override {
        app.reset();
        testsupport::waitForWorkers();
        workspace::setRecorder({});
        dialogs::setResponder(nullptr);
    }
    PRResultViewController* open() {
        app->ClickScaniTunesBackup(nullptr);
        PRResultViewController* result = app->resultViewController;
        EXPECT_TRUE(result);
        EXPECT_TRUE(testsupport::waitUntil([result] { return !result->scanRunning(); }, std::chrono::seconds(60)));
        return result;
    }
    PRResultViewController* openSample() {
        auto size = browsertest::smallSize(8, 40);
        size.photos = true;
        browsertest::makeBackup(paths::userPath("Library/Application Support/MobileSync/Backup") + "/aaa",
                                "Ann's iPhone", size);
        return open();
    }
    static std::string readAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    Answers answers;
    QStringList shown;
    std::unique_ptr<OstrevaneAppDelegate> app;
};

}  // namespace

TEST_F(RecoveryScreenTest, MarkedPhotosMessagesContactsAndFilesAreRecoveredIntoTheChosenFolder) {
    PRResultViewController* result = openSample();
    ASSERT_TRUE(result && result->intake());
    EXPECT_FALSE(result->saveBtn->isEnabled());

    // Photos: the grid is the tab's page; checking a cell marks the record.
    result->showCategory(PRResultViewController::Photos);
    EXPECT_EQ(result->CustomView->currentWidget(), result->thumView);
    PRThumbnailModel* grid = result->thumbnailModel;
    ASSERT_GE(grid->rowCount(), 1);
    grid->waitForIdle();
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    grid->waitForIdle();
    EXPECT_TRUE(grid->isLoaded(0));
    grid->setData(grid->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_TRUE(result->saveBtn->isEnabled());
    EXPECT_FALSE(result->selecteFilelab->isHidden());
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    testsupport::saveScreenshot(result->view(), "result-photo-grid");

    // Two contacts, every conversation, and the whole backup-file tree.
    result->contactController->markRows({0, 1}, true);
    result->messageTreeController->markAll(true);
    result->treeController->setData(result->treeController->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    const auto photo = result->photoController->recordOfRow(0);

    answers.folder = QString::fromStdString(testsupport::scratchDirectory("chosen")) + "/Quillomatrix recovered";
    result->saveBtn->click();
    ASSERT_EQ(answers.panels.size(), 1u);
    EXPECT_EQ(answers.panels[0].kind, PanelRequest::Kind::Save);
    EXPECT_TRUE(answers.panels[0].suggestedName.startsWith("Quillomatrix "));
    ASSERT_TRUE(testsupport::waitUntil([result] { return !result->recovering(); }, std::chrono::seconds(60)));
    EXPECT_TRUE(result->saveWindow->isHidden());
    EXPECT_EQ(result->savepercentlab->text(), "0%");
    EXPECT_EQ(shown, QStringList{answers.folder});
    EXPECT_TRUE(answers.alerts.isEmpty()) << answers.alerts.join("\n").toStdString();
    // The closing line names what was written: the conversations' messages, not the
    // conversations as items.
    size_t messages = 0;
    for (const auto& conversation : result->messageTreeController->content())
        messages += conversation->MessageNodeArray().size();
    const auto* line = app->window()->findChild<ActionResultLine*>();
    ASSERT_TRUE(line);
    const QString said = line->text();
    EXPECT_TRUE(
        said.startsWith(QString("1 photo or video, %1 backup files, 2 contacts, %2 messages in %3 conversations, ")
                            .arg(result->intake()->tree.getTreeSelectedItemNum())
                            .arg(messages)
                            .arg(result->messageTreeController->recordCount())))
        << said.toStdString();
    EXPECT_TRUE(said.contains(" attachments recovered in " + answers.folder)) << said.toStdString();

    const std::string out = answers.folder.toStdString();
    EXPECT_TRUE(readAll(out + "/Photo&Video/" + photo->fileNodeName()) == readAll(photo->filePath()));
    int cards = 0;
    for (const auto& e : fs::directory_iterator(out + "/Contact")) cards += e.path().extension() == ".vcf";
    EXPECT_EQ(cards, 2);
    EXPECT_TRUE(fs::is_regular_file(out + "/Message/Messages.html"));
    EXPECT_EQ(readAll(out + "/Ann's iPhone/CameraRollDomain/Media/DCIM/100APPLE/IMG_0002.MOV"), std::string(4096, 'm'));

    // The sheet as it shows while a recovery runs.
    result->showSaveWindow();
    result->saveProgressor->setProgressValue(0.42f);
    result->savepercentlab->setText("42%");
    testsupport::spinEventLoop(std::chrono::milliseconds(30));
    testsupport::saveScreenshot(result->saveWindow, "result-recovery-sheet");
    result->saveWindow->hide();
}

// A journal SQLite cannot use never empties its database: the screen shows the records of the main
// file as it stands, says which journal was set aside, and the recovery's line says it again.
TEST_F(RecoveryScreenTest, AJournalThatCannotBeUsedLeavesTheMainFilesRecordsAndIsNamed) {
    const auto made = browsertest::makeBackup(paths::userPath("Library/Application Support/MobileSync/Backup") + "/aaa",
                                              "Ann's iPhone", browsertest::smallSize(8, 40));
    std::string calls = made.folder + "/" + backupkeys::callHistory;
    if (!fs::exists(calls)) calls = made.folder + "/" + backupkeys::callHistoryOld;
    const std::string messages = made.folder + "/" + backupkeys::messages;
    // The rows each main file holds alone, read from a copy without its journal.
    auto rowsOfMainFile = [](const std::string& path, const char* table) {
        const std::string copy = testsupport::scratchDirectory("main") + "/copy.db";
        fs::remove(copy);
        fs::copy_file(path, copy);
        sqlite3* db = nullptr;
        int rows = -1;
        sqlite3_stmt* count = nullptr;
        if (sqlite3_open(copy.c_str(), &db) == SQLITE_OK &&
            sqlite3_prepare_v2(db, (std::string("SELECT count(*) FROM ") + table).c_str(), -1, &count, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(count) == SQLITE_ROW)
            rows = sqlite3_column_int(count, 0);
        sqlite3_finalize(count);
        sqlite3_close(db);
        return rows;
    };
    // The sample keeps its rows in the journals: folded first, the main files hold them, and the
    // journals written then are what SQLite cannot use.
    ASSERT_TRUE(commitDB(calls) && commitDB(messages));
    const int mainCalls = rowsOfMainFile(calls, "call"), mainMessages = rowsOfMainFile(messages, "message");
    ASSERT_GT(mainCalls, 0);
    ASSERT_GT(mainMessages, 0);
    ASSERT_TRUE(carvefix::writeUnusableLog(calls, carvefix::UnusableLog::OtherPageSize, "call"));
    ASSERT_TRUE(carvefix::writeUnusableLog(messages, carvefix::UnusableLog::TablePageOverwritten, "message"));

    PRResultViewController* result = open();
    ASSERT_TRUE(result && result->intake());
    EXPECT_EQ(result->intake()->counts().callNum, mainCalls);
    EXPECT_EQ(result->intake()->counts().messageNum, mainMessages);
    const QString problems = result->remindlab->text();
    EXPECT_TRUE(
        problems.contains("The journal of the call history could not be read; calls as of the last checkpoint."))
        << problems.toStdString();
    EXPECT_TRUE(problems.contains("The journal of the messages could not be read; messages as of the last checkpoint."))
        << problems.toStdString();

    result->callHistoryController->markAll(true);
    answers.folder = QString::fromStdString(testsupport::scratchDirectory("chosen")) + "/recovered";
    result->saveBtn->click();
    ASSERT_TRUE(testsupport::waitUntil([result] { return !result->recovering(); }, std::chrono::seconds(60)));
    const auto* line = app->window()->findChild<ActionResultLine*>();
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->text().startsWith(QString("%1 calls recovered (the journal of the call history could not be "
                                                "read; calls as of the last checkpoint) in ")
                                            .arg(mainCalls)))
        << line->text().toStdString();
    std::string written;
    for (const auto& e : fs::directory_iterator(answers.folder.toStdString() + "/CallHistory"))
        written += readAll(e.path());
    EXPECT_FALSE(written.empty());
}

TEST_F(RecoveryScreenTest, ACancelledPanelStartsNothingAndAnUnwritableFolderIsNamed) {
    PRResultViewController* result = openSample();
    ASSERT_TRUE(result && result->intake());
    result->contactController->markRows({0}, true);
    answers.folder.clear();
    result->saveBtn->click();
    EXPECT_EQ(answers.panels.size(), 1u);
    EXPECT_FALSE(result->recovering());
    EXPECT_TRUE(shown.isEmpty());

    const std::string blocker = testsupport::scratchDirectory("blocked") + "/file";
    std::ofstream(blocker) << "x";
    answers.folder = QString::fromStdString(blocker + "/out");
    result->saveBtn->click();
    ASSERT_TRUE(testsupport::waitUntil([result] { return !result->recovering(); }, std::chrono::seconds(60)));
    ASSERT_EQ(answers.alerts.size(), 1);
    EXPECT_TRUE(answers.alerts[0].contains(answers.folder)) << answers.alerts[0].toStdString();
}
