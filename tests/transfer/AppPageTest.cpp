// The app sub-view inside the launched application with the sample device: the user apps with
// icons, an app's container in the outline, and adding, deleting and exporting its files.
#include "SampleAppTest.h"
#include "clean/PRAppFileController.h"
#include "clean/PRAppTreeController.h"

#include <QDir>
#include <QLabel>
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

    // Exports: the selection at its container path, then the whole folder.
    const std::string chosen = testsupport::scratchDirectory("chosen");
    responder.panelAnswer = {QString::fromStdString(chosen + "/files")};
    page->AppExportFilestoMac();
    waitForJobs(++jobs);
    EXPECT_EQ(readFile(chosen + "/files/Documents/2014.csv"), readFile(container() + "/Documents/2014.csv"));
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
    EXPECT_TRUE(file->transferPath.endsWith("/DB/avatar.jpg")) << file->transferPath.toStdString();
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

TEST_F(AppPageTest, ADocumentThatCannotBeCopiedIsNeitherShownNorMarked) {
    openBudgetDocuments();
    std::filesystem::remove(container() + "/Documents/2014.csv");
    page->appTableView->selectRow(fileRow("2014.csv"));
    auto file = std::dynamic_pointer_cast<PRAppFileTreeNode>(page->appFileController->objectAt(fileRow("2014.csv")));
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->btransfer);
    EXPECT_TRUE(page->appImageView->pixmap().isNull());
}
