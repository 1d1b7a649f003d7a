// The results screen as a user meets it: the browser row opens the chosen backup, the scan
// fills every category, the tree and the tables are marked, sorted, searched and filtered,
// another backup is chosen in the pop-up (also mid-scan), and damaged files are named.
#include "BrowserTestBackups.h"
#include "CarvingFixtures.h"
#include "DeviceFolder.h"
#include "TestSupport.h"
#include "app/OstrevaneAppDelegate.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRResultViewController.h"
#include "browser/PRTreeController.h"
#include "device/DeviceManager.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "widgets/PRProgressView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

class Answers : public DialogResponder {
public:
    int answerAlert(const AlertRequest& request) override {
        alerts.push_back(request.messageText);
        return answer;
    }
    QStringList answerPanel(const PanelRequest&) override { return {}; }
    int answer = NSAlertSecondButtonReturn;
    QStringList alerts;
};

class ResultScreenTest : public testsupport::HomeTest {
protected:
    void SetUp() override {
        dialogs::setResponder(&answers);
        root = paths::userPath("Library/Application Support/MobileSync/Backup");
        app = std::make_unique<OstrevaneAppDelegate>();
        app->awakeFromNib();
        app->applicationDidFinishLaunching();
    }
    void TearDown() override {
        simdevice::detachAll();
        testsupport::waitUntil([] { return amd::DeviceManager::Instance()->DeviceCount() == 0; });
        testsupport::spinEventLoop(std::chrono::milliseconds(20));
        app.reset();
        testsupport::waitForWorkers();
        dialogs::setResponder(nullptr);
    }
    PRResultViewController* open() {
        app->ClickScaniTunesBackup(nullptr);
        PRResultViewController* result = app->resultViewController;
        EXPECT_TRUE(result);
        EXPECT_TRUE(testsupport::waitUntil([result] { return !result->scanRunning(); }, std::chrono::seconds(60)));
        return result;
    }
    // The picture once the layouts have caught up with the texts just set.
    static void shoot(PRResultViewController* result, const QString& name) {
        testsupport::spinEventLoop(std::chrono::milliseconds(50));
        testsupport::saveScreenshot(result->view(), name);
    }
    static QStringList column(const QAbstractItemModel& model, int column) {
        QStringList out;
        for (int row = 0; row < model.rowCount(); ++row) out << model.index(row, column).data().toString();
        return out;
    }

    Answers answers;
    std::string root;
    std::unique_ptr<OstrevaneAppDelegate> app;
};

}  // namespace

TEST_F(ResultScreenTest, TheScanFillsEveryCategoryAndTheTablesAreMarkedSortedSearchedAndFiltered) {
    const auto ann = browsertest::makeBackup(root + "/aaa", "Ann's iPhone", browsertest::smallSize(30, 120));
    ASSERT_GT(carvefix::addDeletedRecords(ann.folder, true), 0);
    browsertest::makeBackup(root + "/bbb", "Bob's iPhone", browsertest::smallSize(10, 40));
    app->window()->resize(1100, 720);
    PRResultViewController* result = open();
    ASSERT_TRUE(result && result->intake());
    const auto& intake = *result->intake();

    // The pop-up lists both backups; the first is on show, its files as the tree.
    EXPECT_EQ(result->backupPopBtn->count(), 2);
    EXPECT_TRUE(result->backupPopBtn->currentText().startsWith("Ann's iPhone"));
    EXPECT_TRUE(result->backupPopBtn->isEnabled());
    EXPECT_EQ(result->currentCategory(), PRResultViewController::BackupFiles);
    EXPECT_TRUE(result->scanProgressor->isHidden());
    ASSERT_EQ(result->treeController->rowCount(), 1);
    EXPECT_EQ(result->treeController->index(0, 0).data().toString(), "Ann's iPhone");

    // Every category's count against the databases, on the tab buttons too.
    const PRScanCounts counts = intake.counts();
    EXPECT_EQ(counts.contactNum, 30);
    EXPECT_EQ(counts.messageNum, 120);
    EXPECT_EQ(counts.callNum, int(ann.data.calls.size()));
    EXPECT_EQ(counts.noteNum, int(ann.data.notes.size()));
    EXPECT_GT(counts.deleteeFilesNum, 0);
    EXPECT_GT(counts.delContactNum, 0);
    EXPECT_EQ(result->contactController->recordCount(), size_t(counts.contactNum + counts.delContactNum));
    EXPECT_EQ(result->categoryBtns[PRResultViewController::Contacts]->text(),
              QString("Contacts (%1)").arg(counts.contactNum + counts.delContactNum));
    EXPECT_EQ(result->numLabs[PRResultViewController::Messages]->text(), "Messages:  120");

    // The tree: checking a domain marks its files; the label counts them.
    QTreeView* outline = result->treeOutlineView;
    const QModelIndex device = result->treeController->index(0, 0);
    QModelIndex home;
    for (int row = 0; row < result->treeController->rowCount(device); ++row)
        if (result->treeController->index(row, 0, device).data().toString() == "HomeDomain")
            home = result->treeController->index(row, 0, device);
    ASSERT_TRUE(home.isValid());
    outline->expand(home);
    result->treeController->setData(home, Qt::Checked, Qt::CheckStateRole);
    const uint64_t treeMarked = intake.tree.getTreeSelectedItemNum();
    EXPECT_GT(treeMarked, 3u);
    EXPECT_EQ(device.data(Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_FALSE(result->selecteFilelab->isHidden());
    EXPECT_EQ(result->selecteFilelab->text(), QString("You select %1 files in the backup results.").arg(treeMarked));
    ASSERT_GT(intake.merge.messageTreeArray.size(), 1u);
    // The first folder below the domain that holds files shows them beside the tree.
    QModelIndex withFiles = home;
    while (withFiles.isValid() && result->treeController->folderAt(withFiles)->fileChildren().empty()) {
        outline->expand(withFiles);
        withFiles = result->treeController->index(0, 0, withFiles);
    }
    ASSERT_TRUE(withFiles.isValid());
    outline->setCurrentIndex(withFiles);
    EXPECT_EQ(result->treeFileController->recordCount(),
              result->treeController->folderAt(withFiles)->fileChildren().size());
    EXPECT_EQ(result->treeFileController->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    // One check box edited among the selected files unmarks every one of them, and the folder
    // above shows it.
    QTableView* files = result->treetableView;
    ASSERT_GE(result->treeFileController->rowCount(), 2);
    files->selectionModel()->select(
        QItemSelection(result->treeFileController->index(0, 0), result->treeFileController->index(1, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    result->treeFileController->setData(result->treeFileController->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    for (int row : {0, 1})
        EXPECT_EQ(result->treeFileController->index(row, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked) << row;
    EXPECT_EQ(intake.tree.getTreeSelectedItemNum(), treeMarked - 2);
    result->treeFileController->setData(result->treeFileController->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(intake.tree.getTreeSelectedItemNum(), treeMarked);
    shoot(result, "result-tree");

    // Conversations: select-all marks them all, and unmarking brings the count back.
    result->categoryBtns[PRResultViewController::Messages]->click();
    EXPECT_EQ(result->currentCategory(), PRResultViewController::Messages);
    EXPECT_EQ(size_t(result->messageTreeController->rowCount()), intake.merge.messageTreeArray.size());
    result->selectAllBtn->click();
    EXPECT_EQ(result->selectedFilesNum(), treeMarked + intake.merge.messageTreeArray.size());
    // The count names what it counts.
    EXPECT_EQ(result->selecteFilelab->text(),
              QString("You select %1 files and %2 conversations in the recovery results.")
                  .arg(treeMarked)
                  .arg(intake.merge.messageTreeArray.size()));
    shoot(result, "result-messages");
    // A new sort is shown from its top, the selection kept where it went.
    QTableView* conversations = result->tableOf(PRResultViewController::Messages);
    const int lastRow = result->messageTreeController->rowCount() - 1;
    conversations->selectRow(lastRow);
    conversations->scrollTo(result->messageTreeController->index(lastRow, 0));
    conversations->sortByColumn(PRMessageTreeController::Messages, Qt::DescendingOrder);
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    EXPECT_EQ(conversations->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(conversations->selectionModel()->hasSelection());
    result->selectAllBtn->click();
    result->selectAllBtn->click();
    result->selectAllBtn->click();
    EXPECT_EQ(result->selectedFilesNum(), treeMarked);

    // Contacts: sorted by name both ways, searched, and the deleted ones apart.
    result->categoryBtns[PRResultViewController::Contacts]->click();
    QTableView* contacts = result->tableOf(PRResultViewController::Contacts);
    contacts->sortByColumn(PRContactController::Name, Qt::AscendingOrder);
    QStringList names = column(*result->contactController, PRContactController::Name);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(names, sorted);
    // One check box edited among three selected rows marks the three.
    const uint64_t before = result->selectedFilesNum();
    contacts->clearSelection();
    contacts->selectionModel()->select(
        QItemSelection(result->contactController->index(0, 0), result->contactController->index(2, 0)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    result->contactController->setData(result->contactController->index(1, PRRecordTableModel::kCheckColumn),
                                       Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(result->selectedFilesNum(), before + 3);
    EXPECT_TRUE(result->selecteFilelab->text().contains("and 3 contacts in the backup results."))
        << result->selecteFilelab->text().toStdString();
    result->contactController->setData(result->contactController->index(1, PRRecordTableModel::kCheckColumn),
                                       Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_EQ(result->selectedFilesNum(), before);
    contacts->sortByColumn(PRContactController::Name, Qt::DescendingOrder);
    EXPECT_EQ(column(*result->contactController, PRContactController::Name).front(), sorted.back());
    QString wanted;
    for (const QString& name : sorted)
        if (name.size() >= 3 && wanted.isEmpty()) wanted = name.left(3);
    ASSERT_FALSE(wanted.isEmpty());
    result->searchlab->setText(wanted);
    ASSERT_GT(result->contactController->rowCount(), 0);
    for (int row = 0; row < result->contactController->rowCount(); ++row) {
        const auto& c = *result->contactController->recordOfRow(row);
        EXPECT_TRUE(
            QString::fromStdString(shownContactName(c) + " " + c.contactPhone()).contains(wanted, Qt::CaseInsensitive));
    }
    EXPECT_LT(result->contactController->rowCount(), int(result->contactController->recordCount()));
    result->searchlab->clear();
    EXPECT_EQ(size_t(result->contactController->rowCount()), result->contactController->recordCount());
    result->checkBtn->setChecked(true);
    EXPECT_EQ(result->contactController->rowCount(), counts.delContactNum);
    for (int row = 0; row < result->contactController->rowCount(); ++row)
        EXPECT_TRUE(result->contactController->recordOfRow(row)->bDeleted());
    shoot(result, "result-deleted-contacts");
    // Another tab opens on every record, the box unchecked.
    result->categoryBtns[PRResultViewController::Notes]->click();
    EXPECT_FALSE(result->checkBtn->isChecked());
    EXPECT_EQ(size_t(result->noteController->rowCount()), result->noteController->recordCount());
}

TEST_F(ResultScreenTest, AnotherBackupChosenMidScanStopsTheFirstAndIsOpenedAgainNextTime) {
    browsertest::makeBackup(root + "/aaa", "Ann's iPhone", browsertest::smallSize(30, 120));
    browsertest::makeBackup(root + "/bbb", "Bob's iPhone", browsertest::smallSize(10, 40));

    // Hold the first scan inside its file list until the other backup has been chosen.
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    std::atomic<int> records{0};
    int token = 0;
    auto& nc = NSNotificationCenter::defaultCenter();
    notices::FindBackUpDirFileInfo.observe(nc, &token, [&](const NSNotification&) {
        if (records++ != 0) return;
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return release; });
    });
    app->ClickScaniTunesBackup(nullptr);
    PRResultViewController* result = app->resultViewController;
    ASSERT_TRUE(result && result->scanRunning());
    EXPECT_EQ(result->deviceNamelab->text(), "Ann's iPhone");
    EXPECT_FALSE(result->categoryBtns[PRResultViewController::Contacts]->isEnabled());
    EXPECT_EQ(result->numLabs[PRResultViewController::Contacts]->text(), "Contacts:  0");
    shoot(result, "result-scanning");
    result->actSelectBackUpBtn(1);
    EXPECT_EQ(result->deviceNamelab->text(), "Bob's iPhone");
    ASSERT_TRUE(testsupport::waitUntil([result] { return !result->scanRunning(); }, std::chrono::seconds(60)));
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(testsupport::waitForWorkers());
    nc.removeObserver(&token);

    // Nothing of the first backup reached the screen.
    ASSERT_TRUE(result->intake());
    EXPECT_EQ(result->intake()->counts().contactNum, 10);
    EXPECT_EQ(result->contactController->recordCount(), 10u);
    EXPECT_EQ(result->treeController->rowCount(), 1);
    EXPECT_EQ(result->treeController->index(0, 0).data().toString(), "Bob's iPhone");
    EXPECT_EQ(result->currentSelect, 1);
    EXPECT_EQ(std::dynamic_pointer_cast<PRIOSDeviceNode>(app->currentNode())->strDeviceName(), "Bob's iPhone");

    // Choosing the backup on show does nothing; the browser row opens the chosen one again.
    result->actSelectBackUpBtn(1);
    EXPECT_FALSE(result->scanRunning());
    result = open();
    EXPECT_EQ(result->deviceNamelab->text(), "Bob's iPhone");
    EXPECT_EQ(result->intake()->counts().contactNum, 10);
    EXPECT_EQ(result->backupPopBtn->currentIndex(), 1);

    // Home asks first; "Cancel" keeps the screen.
    result->homeBtn->click();
    ASSERT_EQ(answers.alerts.size(), 1);
    EXPECT_TRUE(result->view()->isVisible() || !result->view()->isHidden());
    answers.answer = NSAlertFirstButtonReturn;
    app->window()->resize(1200, 800);
    result->homeBtn->click();
    EXPECT_TRUE(result->view()->isHidden());
    EXPECT_EQ(result->contactController->recordCount(), 0u);

    // " Back " leads to the list of backups, in the window's own size: each backup named with
    // the picture of its model; the scan button works once a backup is selected.
    EXPECT_EQ(app->window()->size(), app->window()->minimumSize());
    QTableView* list = app->backupList().diskTableView;
    EXPECT_TRUE(list->isVisible());
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal, Qt::UserRole).toString(), "Name");
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), "Ann's iPhone");
    EXPECT_FALSE(list->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QPushButton* scan = app->backupList().button;
    EXPECT_FALSE(scan->isEnabled());
    list->selectRow(0);
    EXPECT_TRUE(scan->isEnabled());
    testsupport::saveScreenshot(app->window(), "backup-list");
    QStringList opened;
    workspace::setRecorder([&](workspace::Action, const QString& url) { opened << url; });
    app->backupList().helpBtn->click();
    workspace::setRecorder({});
    EXPECT_EQ(opened.size(), 1);
    scan->click();
    EXPECT_FALSE(result->view()->isHidden());
    EXPECT_EQ(result->deviceNamelab->text(), "Ann's iPhone");
    ASSERT_TRUE(testsupport::waitUntil([result] { return !result->scanRunning(); }, std::chrono::seconds(60)));
    EXPECT_EQ(result->intake()->counts().contactNum, 30);
    // The columns read most start at their widths.
    EXPECT_EQ(result->tableOf(PRResultViewController::Contacts)->columnWidth(PRContactController::Name), 200);
    EXPECT_EQ(result->tableOf(PRResultViewController::CallHistory)->columnWidth(PRCallHistoryController::Phone), 174);
    // A conversation's address is read under its name.
    EXPECT_TRUE(result->tableOf(PRResultViewController::Messages)->isColumnHidden(PRMessageTreeController::Address));
}

TEST_F(ResultScreenTest, WhatCouldNotBeReadIsSaidAndTheRestIsShown) {
    const auto made = browsertest::makeBackup(root + "/aaa", "Ann's iPhone", browsertest::smallSize(12, 30));
    {
        std::fstream file(made.folder + "/" + backupkeys::notes, std::ios::in | std::ios::out | std::ios::binary);
        file.write("not a database!!", 16);
    }
    // Without its journal, whose first page would make the header whole again.
    std::filesystem::remove(made.folder + "/" + backupkeys::notes + "-wal");
    PRResultViewController* result = open();
    EXPECT_EQ(result->contactController->recordCount(), 12u);
    EXPECT_EQ(result->noteController->recordCount(), 0u);
    EXPECT_TRUE(result->remindlab->text().contains("Notes could not be read"));
}

TEST_F(ResultScreenTest, WithoutBackupsTheScreenSaysSoAndScansNothing) {
    app->ClickScaniTunesBackup(nullptr);
    PRResultViewController* result = app->resultViewController;
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->scanRunning());
    EXPECT_EQ(result->backupPopBtn->currentText(), "No Device");
    EXPECT_TRUE(result->scanProgressor->isHidden());
    for (QPushButton* button : result->categoryBtns) EXPECT_FALSE(button->isEnabled());
    // No device is connected: the plain notice, with one button.
    ASSERT_EQ(answers.alerts.size(), 1);
    EXPECT_TRUE(answers.alerts[0].startsWith("No backups have been found. Please connect"));
    EXPECT_EQ(result->scanInfolab->text(), answers.alerts[0]);
}

TEST_F(ResultScreenTest, AScreenThatGoesMidScanStopsItsScanAndWaitsForIt) {
    const auto made = browsertest::makeBackup(root + "/aaa", "Ann's iPhone", browsertest::smallSize(30, 120));
    auto backup = std::make_shared<PRIOSDeviceNode>();
    backup->setBackUpFilePath(made.folder);
    backup->setStrDeviceName("Ann's iPhone");
    backup->setStrIOSVersion("6.1.4");
    // The worker is held in its file list until the screen has begun to go.
    std::atomic<bool> release{false}, held{false};
    std::atomic<int> contacts{0};
    int token = 0;
    auto& nc = NSNotificationCenter::defaultCenter();
    notices::FindBackUpDirFileInfo.observe(nc, &token, [&](const NSNotification&) {
        held = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    notices::ScanContactInfo.observe(nc, &token, [&](const NSNotification&) { ++contacts; });
    auto* screen = new PRResultViewController;
    screen->scanBackup(backup);
    ASSERT_TRUE(testsupport::waitUntil([&] { return held.load(); }));
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        release = true;
    });
    delete screen;  // stops the scan and returns once its worker has ended
    EXPECT_TRUE(release);
    releaser.join();
    ASSERT_TRUE(testsupport::waitForWorkers());
    nc.removeObserver(&token);
    EXPECT_EQ(contacts.load(), 0);  // no reader ran after the stop
}

TEST_F(ResultScreenTest, WithoutBackupsButWithADeviceTheBackupPageIsOffered) {
    ASSERT_GT(simdevice::attach(devicetest::makeDevice(home.path() + "/device")), 0);
    ASSERT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
    answers.answer = NSAlertFirstButtonReturn;
    app->ClickScaniTunesBackup(nullptr);
    ASSERT_EQ(answers.alerts.size(), 1);
    EXPECT_EQ(answers.alerts[0], "No backups have been found. Do you want to backup your device with Quillomatrix?");
    // " Backup " went on to the device backup page.
    EXPECT_FALSE(app->page(OstrevaneAppDelegate::kBackupView)->isHidden());
    EXPECT_TRUE(app->page(OstrevaneAppDelegate::kITunesBackupBroswerView)->isHidden());
}
