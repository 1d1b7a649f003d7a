// The app sub-view inside the launched application with the sample device: the user apps with
// icons, an app's container in the outline, and adding, deleting and exporting its files.
#include "SampleAppTest.h"
#include "SampleDeviceMedia.h"
#include "clean/PRAppFileController.h"
#include "clean/PRAppTreeController.h"
#include "widgets/ActionResultLine.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTableView>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

using devicetest::exists;
using devicetest::readFile;
using devicetest::writeFile;

namespace {

class AppPageTest : public transfertest::SampleAppTest {
protected:
    void SetUp() override {
        SampleAppTest::SetUp();
        app->ClickApp(nullptr);
        ASSERT_TRUE(testsupport::waitUntil([this] { return page->bAppLoadFinished; }, std::chrono::seconds(60)));
    }
    QModelIndex child(const QModelIndex& parent, const QString& name) const {
        for (int r = 0; r < page->appTreeController->rowCount(parent); ++r) {
            const QModelIndex i = page->appTreeController->index(r, 0, parent);
            if (i.data().toString() == name) return i;
        }
        ADD_FAILURE() << "no row " << name.toStdString();
        return {};
    }
    void select(const QModelIndex& index) {
        page->appOutlineView->selectionModel()->select(index,
                                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    // Opens Budget's container and shows its Documents folder.
    void openBudgetDocuments() {
        const int before = page->appJobsFinished();
        select(child({}, "Budget"));
        ASSERT_TRUE(testsupport::waitUntil([&] { return page->appJobsFinished() > before; }));
        select(child(child({}, "Budget"), "Documents"));
    }
    int fileRow(const QString& name) const {
        for (int r = 0; r < page->appFileController->rowCount(); ++r)
            if (page->appFileController->index(r, 0).data().toString() == name) return r;
        return -1;
    }
    void waitForJobs(int count) {
        ASSERT_TRUE(testsupport::waitUntil([&] { return page->appJobsFinished() >= count; }));
    }
    std::string container() const { return device + "/apps/com.ironbridge.Budget/container"; }
};

}  // namespace

TEST_F(AppPageTest, UserAppsAreListedWithIconsAndAContainerIsBrowsed) {
    const QModelIndex budget = child({}, "Budget");
    EXPECT_FALSE(budget.data(Qt::DecorationRole).isNull());
    EXPECT_EQ(page->appTreeController->rowCount(budget), 0);  // read on the first selection
    openBudgetDocuments();
    EXPECT_NE(fileRow("2014.csv"), -1);
    const QModelIndex library = child(child({}, "Budget"), "Library");
    EXPECT_TRUE(child(library, "Caches").isValid());
    page->appOutlineView->expand(child({}, "Budget"));
    page->appTableView->selectRow(fileRow("2014.csv"));
    testsupport::saveScreenshot(app->window(), "transfer-apps");
}

TEST_F(AppPageTest, AddsDeletesAndExportsContainerFiles) {
    openBudgetDocuments();
    int jobs = page->appJobsFinished();
    // A computer file lands beside the selected file.
    const std::string local = testsupport::scratchDirectory("mac") + "/receipt.txt";
    writeFile(local, "receipt");
    page->appTableView->selectRow(fileRow("2014.csv"));
    responder.panelAnswer = {QString::fromStdString(local)};
    page->addFilesToApp();
    waitForJobs(++jobs);
    EXPECT_EQ(readFile(container() + "/Documents/receipt.txt"), "receipt");
    EXPECT_NE(fileRow("receipt.txt"), -1);  // listed at once, the chosen file still chosen
    EXPECT_TRUE(page->appTableView->selectionModel()->isRowSelected(fileRow("2014.csv"), {}));

    // Exports: the selection at its container path, then the whole folder.
    const std::string chosen = testsupport::scratchDirectory("chosen");
    responder.panelAnswer = {QString::fromStdString(chosen + "/files")};
    page->AppExportFilestoMac();
    waitForJobs(++jobs);
    EXPECT_EQ(readFile(chosen + "/files/Documents/2014.csv"), readFile(container() + "/Documents/2014.csv"));
    // The export ends with a word at the foot of the window: how many files went where.
    const auto* line = app->window()->findChild<ActionResultLine*>();
    ASSERT_TRUE(line && line->isVisible());
    EXPECT_EQ(line->text(), QString::fromStdString("1 file exported in " + chosen + "/files"));
    responder.panelAnswer = {QString::fromStdString(chosen + "/folder")};
    page->AppDirExporttoMac();
    waitForJobs(++jobs);
    EXPECT_EQ(readFile(chosen + "/folder/Documents/receipt.txt"), "receipt");
    EXPECT_EQ(readFile(chosen + "/folder/Documents/2014.csv"), readFile(container() + "/Documents/2014.csv"));

    // "Cancel" deletes nothing; "Deleted" removes the selected file.
    responder.alertAnswer = NSAlertSecondButtonReturn;
    page->AppDeleted();
    EXPECT_TRUE(exists(container() + "/Documents/2014.csv"));
    responder.alertAnswer = NSAlertFirstButtonReturn;
    page->AppDeleted();
    waitForJobs(++jobs);
    EXPECT_FALSE(exists(container() + "/Documents/2014.csv"));
    // Gone from the list and from the preview as well.
    EXPECT_EQ(fileRow("2014.csv"), -1);
    EXPECT_NE(fileRow("receipt.txt"), -1);
    EXPECT_TRUE(page->appImageView->pixmap().isNull());
    ASSERT_EQ(responder.alerts.size(), 2u);
    EXPECT_EQ(responder.alerts[0].buttons, (QStringList{"Deleted", "Cancel"}));
}

TEST_F(AppPageTest, SelectingADocumentShowsItFromItsLocalCopy) {
    const QModelIndex chirp = child({}, "Chirp");
    int jobs = page->appJobsFinished();
    select(chirp);
    waitForJobs(++jobs);
    select(child(child({}, "Chirp"), "Documents"));
    const std::string avatar = device + "/apps/com.bluefinch.Chirp/container/Documents/avatar.jpg";
    ASSERT_NE(fileRow("avatar.jpg"), -1);
    page->appTableView->selectRow(fileRow("avatar.jpg"));
    auto file = std::dynamic_pointer_cast<PRAppFileTreeNode>(page->appFileController->objectAt(fileRow("avatar.jpg")));
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->btransfer);
    EXPECT_TRUE(file->transferPath.endsWith("/DB/com.bluefinch.Chirp/Documents/avatar.jpg"))
        << file->transferPath.toStdString();
    EXPECT_EQ(readFile(file->transferPath.toStdString()), readFile(avatar));
    // The picture itself (320 by 240), not a document icon.
    const QPixmap shown = page->appImageView->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_GT(shown.width(), shown.height());
    testsupport::saveScreenshot(app->window(), "transfer-apps-preview");

    // Selected again after the device lost it: the copy is shown, the device not read.
    std::filesystem::remove(avatar);
    page->appTableView->clearSelection();
    page->appTableView->selectRow(fileRow("avatar.jpg"));
    EXPECT_GT(page->appImageView->pixmap().width(), page->appImageView->pixmap().height());

    // A document that is no picture shows the document icon.
    openBudgetDocuments();
    page->appTableView->selectRow(fileRow("2014.csv"));
    EXPECT_EQ(page->appImageView->pixmap().width(), page->appImageView->pixmap().height());
}

// A document replaced through Add File shows its new picture: the copy kept of the old one is
// dropped with the Replace, and the next preview reads the device.
TEST_F(AppPageTest, AReplacedDocumentShowsItsNewPicture) {
    int jobs = page->appJobsFinished();
    select(child({}, "Chirp"));
    waitForJobs(++jobs);
    select(child(child({}, "Chirp"), "Documents"));
    page->appTableView->selectRow(fileRow("avatar.jpg"));
    ASSERT_GT(page->appImageView->pixmap().width(), page->appImageView->pixmap().height());

    const std::string local = testsupport::scratchDirectory("mac") + "/avatar.jpg";
    QImage tall(120, 240, QImage::Format_RGB32);
    tall.fill(Qt::darkRed);
    ASSERT_TRUE(tall.save(QString::fromStdString(local)));
    responder.panelAnswer = {QString::fromStdString(local)};
    responder.alertAnswer = NSAlertFirstButtonReturn;  // Replace
    page->addFilesToApp();
    waitForJobs(++jobs);
    ASSERT_EQ(readFile(device + "/apps/com.bluefinch.Chirp/container/Documents/avatar.jpg"), readFile(local));

    page->appTableView->clearSelection();
    page->appTableView->selectRow(fileRow("avatar.jpg"));
    EXPECT_LT(page->appImageView->pixmap().width(), page->appImageView->pixmap().height());
}

TEST_F(AppPageTest, ADocumentThatCannotBeCopiedIsNeitherShownNorMarked) {
    openBudgetDocuments();
    std::filesystem::remove(container() + "/Documents/2014.csv");
    page->appTableView->selectRow(fileRow("2014.csv"));
    auto file = std::dynamic_pointer_cast<PRAppFileTreeNode>(page->appFileController->objectAt(fileRow("2014.csv")));
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->btransfer);
    EXPECT_TRUE(page->appImageView->pixmap().isNull());
}

// A folder is browsed also when it holds nothing, and two documents of one name each show
// their own content.
TEST_F(AppPageTest, EmptyFoldersAreListedAndDocumentsOfOneNameKeepTheirOwnPreview) {
    std::filesystem::create_directories(container() + "/Documents/Empty");
    std::filesystem::create_directories(container() + "/Documents/Receipts");
    std::filesystem::create_directories(container() + "/Documents/Old");
    QImage wide(200, 100, QImage::Format_RGB32), tall(100, 200, QImage::Format_RGB32);
    wide.fill(Qt::darkGreen);
    tall.fill(Qt::darkRed);
    ASSERT_TRUE(wide.save(QString::fromStdString(container() + "/Documents/Receipts/scan.png")));
    ASSERT_TRUE(tall.save(QString::fromStdString(container() + "/Documents/Old/scan.png")));
    openBudgetDocuments();
    const QModelIndex documents = child(child({}, "Budget"), "Documents");
    select(child(documents, "Empty"));
    EXPECT_EQ(page->appFileController->rowCount(), 0);

    auto preview = [&](const QString& folder) {
        select(child(child(child({}, "Budget"), "Documents"), folder));
        page->appTableView->selectRow(fileRow("scan.png"));
        return page->appImageView->pixmap().size();
    };
    const QSize fromReceipts = preview("Receipts");
    EXPECT_GT(fromReceipts.width(), fromReceipts.height());
    const QSize fromOld = preview("Old");
    EXPECT_LT(fromOld.width(), fromOld.height());
    EXPECT_EQ(preview("Receipts"), fromReceipts);
}

// A PDF shows its first page and a movie its first frame, not the document icon.
TEST_F(AppPageTest, DocumentsWithAPictureShowIt) {
    const std::string folder = container() + "/Documents/Media";
    std::filesystem::create_directories(folder);
    {
        QPdfWriter pdf(QString::fromStdString(folder + "/wide.pdf"));
        pdf.setPageSize(QPageSize(QSizeF(400, 200), QPageSize::Point));
        QPainter painter(&pdf);
        painter.fillRect(painter.viewport(), Qt::darkBlue);
    }
    writeFile(folder + "/clip.mp4", sampledevice::shortMovie(320, 240, 1, "mp4"));
    openBudgetDocuments();
    select(child(child(child({}, "Budget"), "Documents"), "Media"));
    page->appTableView->selectRow(fileRow("wide.pdf"));
    const QImage page1 = page->appImageView->pixmap().toImage();
    EXPECT_GT(page1.width(), page1.height() * 3 / 2);
    EXPECT_EQ(page1.pixelColor(page1.rect().center()), QColor(Qt::darkBlue));
    page->appTableView->selectRow(fileRow("clip.mp4"));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            const QPixmap frame = page->appImageView->pixmap();
            return frame.width() > frame.height();
        },
        std::chrono::seconds(15)));
}

// The app menus act on the folder or the files selected, a row they were opened on becoming the
// selection; off the rows on the selection, and with none on nothing.
TEST_F(AppPageTest, TheAppMenusActOnTheRowTheyWereOpenedOn) {
    app->window()->show();
    openBudgetDocuments();
    QTableView* files = page->appTableView;
    const int last = page->appFileController->rowCount() - 1;
    const QPoint below(10, files->rowViewportPosition(last) + files->rowHeight(last) + 10);
    auto enabled = [&](QMenu* menu) {
        QStringList on;
        for (QAction* action : menu->actions())
            if (action->isEnabled() && !action->isSeparator()) on << action->text();
        return on;
    };
    files->clearSelection();
    emit files->customContextMenuRequested(below);
    ASSERT_TRUE(page->appFileMenu->isVisible());
    EXPECT_EQ(enabled(page->appFileMenu), QStringList{"Select All"});
    page->appFileMenu->hide();
    // Off the rows with a file selected: the entries act on the selection.
    files->selectRow(fileRow("2014.csv"));
    emit files->customContextMenuRequested(below);
    EXPECT_EQ(enabled(page->appFileMenu).size(), 6);
    page->appFileMenu->hide();
    files->clearSelection();

    // On a row not selected: that row becomes the selection, and the entries act on it.
    const QModelIndex csv = page->appFileController->index(fileRow("2014.csv"), 0);
    emit files->customContextMenuRequested(files->visualRect(csv).center());
    EXPECT_EQ(files->selectionModel()->selectedRows(), QModelIndexList{csv});
    QAction* exportEntry = nullptr;
    for (QAction* action : page->appFileMenu->actions()) {
        if (!action->isSeparator()) {
            EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
        }
        if (action->text() == "Export to Documents") exportEntry = action;
    }
    ASSERT_TRUE(exportEntry);
    const int jobs = page->appJobsFinished();
    exportEntry->trigger();
    page->appFileMenu->hide();
    waitForJobs(jobs + 1);
    EXPECT_EQ(readFile(home.path() + "/Documents/2014.csv"), readFile(container() + "/Documents/2014.csv"));
    auto trigger = [&](const QString& text) {
        emit files->customContextMenuRequested(files->visualRect(csv).center());
        for (QAction* action : page->appFileMenu->actions())
            if (action->text() == text) action->trigger();
        page->appFileMenu->hide();
    };
    trigger("Select All");
    EXPECT_EQ(files->selectionModel()->selectedRows().size(), page->appFileController->rowCount());
    trigger("Unselect All");
    EXPECT_FALSE(files->selectionModel()->hasSelection());

    // The outline's menu: off the rows nothing, on a folder that folder.
    QTreeView* outline = page->appOutlineView;
    outline->collapseAll();  // the apps' rows alone, room below them
    const QModelIndex lastApp = page->appTreeController->index(page->appTreeController->rowCount() - 1, 0);
    const QPoint belowApps(10, outline->visualRect(lastApp).bottom() + 10);
    ASSERT_FALSE(outline->indexAt(belowApps).isValid());
    outline->clearSelection();
    emit outline->customContextMenuRequested(belowApps);
    for (QAction* action : page->appDirMenu->actions()) EXPECT_FALSE(action->isEnabled());
    page->appDirMenu->hide();
    const QModelIndex library = child(child({}, "Budget"), "Library");
    outline->expand(child({}, "Budget"));
    emit outline->customContextMenuRequested(outline->visualRect(library).center());
    EXPECT_EQ(outline->selectionModel()->selectedRows(), QModelIndexList{library});
    for (QAction* action : page->appDirMenu->actions()) EXPECT_TRUE(action->isEnabled());
    testsupport::saveScreenshot(app->window(), "transfer-apps-menu");
    page->appDirMenu->hide();
}
