// Every page at the window's default size, as a user lands on it with the sample device and the
// sample backups: each page filled, then looked at for cut texts (labels, buttons, headers and
// cells), conversation bubbles leaving their pane, and pages without a control to act on.
// Each page's screenshot is written for review.
#include "AppFixture.h"
#include "ReadableCheck.h"
#include "SampleBackup.h"
#include "SampleDevice.h"
#include "browser/ConversationPdf.h"
#include "browser/PRChatView.h"
#include "browser/PRConversationView.h"
#include "browser/PRRecordPreviewPane.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRResultViewController.h"
#include "browser/core/PRBackupRecovery.h"
#include "clean/PRCleanViewController.h"
#include "clean/PRSystemBoostViewController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRFindLargeFileViewController.h"
#include "disk/PRPhoneSystemViewController.h"
#include "export/PRHtmlController.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"
#include "transfer/PRTansferViewController.h"
#include "widgets/ActionResultLine.h"
#include "widgets/PRButton.h"
#include "widgets/SecondLineCells.h"
#include "widgets/TextFonts.h"
#include "widgets/TrackPlayer.h"

#include <QAbstractItemModel>
#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPdfDocument>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTreeView>
#include <algorithm>

namespace {

// Values of the samples that rows are read by (names, numbers, dates, sizes): wherever a page
// shows one, it shows it whole, or its table scrolls sideways to it. Paths are cut only at
// their start.
const QStringList kWhole = {
    // photos: names, dates
    "IMG_0001.JPG", "2014-05-02 18:20:00 +0000",
    // apps: a long name, a backup domain
    "Photo Editor Pro: Filters & Frames", "AppDomain-com.tallowmere.Recipes",
    // contacts and messages: names, numbers, addresses
    "Amélie J. Young", "(555) 010-0153 (555) 028-5176", "+15550101060", "friend21@example.net",
    // file names of the device: a snapshot, a crash log
    "UIApplicationAutomaticSnapshotDefault-Portrait@2x.png", "ExcUserFault_Maps_2014-05-05-120311_Sample-iPhone.ips",
    // sizes
    "119.11KB", "112.00bytes"};

// The pixels of image in an emoji's yellow: text is black and grey, the bubbles green and grey.
int yellowPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.hsvSaturation() > 150 && c.value() > 150 && c.hsvHue() >= 35 && c.hsvHue() <= 60 ? 1 : 0;
        }
    return count;
}

// The names and addresses of the conversations in view that their list does not show whole
// inside its visible width (read without scrolling sideways): the address under the name, or in
// a column of its own.
QStringList conversationsNotInSight(QTableView* list) {
    QStringList found;
    const QAbstractItemModel* model = list->model();
    const QFontMetrics metrics(list->font());
    // The style's margins around a cell's text, and the cell's own.
    const int margins = 4 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    for (int row = std::max(0, list->rowAt(0)); row < model->rowCount(); ++row) {
        const QRect cell = list->visualRect(model->index(row, PRMessageTreeController::Name));
        if (cell.top() >= list->viewport()->height()) break;
        // The name's lines and the address's under them, each whole and all within the row.
        QStringList lines;
        for (int column : {int(PRMessageTreeController::Name), int(PRMessageTreeController::Address)})
            lines += secondline::linesOf(model->index(row, column).data().toString(), metrics, cell.width() - margins);
        const bool inView = cell.left() >= 0 && cell.right() < list->viewport()->width();
        for (const QString& line : lines)
            if (!inView || metrics.horizontalAdvance(line) + margins > cell.width() + 1)
                found << QStringLiteral("\"%1\" in row %2 is not shown whole").arg(line).arg(row);
        if (int(lines.size()) * metrics.lineSpacing() > cell.height())
            found << QStringLiteral("row %1 is too low for its %2 lines").arg(row).arg(lines.size());
    }
    return found;
}

// The glyphs of runs that are a font's empty box: characters that no font of the list, nor any
// the system falls back to, has.
int emptyBoxes(const QList<QGlyphRun>& runs) {
    int boxes = 0;
    for (const QGlyphRun& run : runs)
        for (quint32 glyph : run.glyphIndexes()) boxes += glyph == 0 ? 1 : 0;
    return boxes;
}
int emptyBoxes(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    while (layout.createLine().isValid()) {}
    layout.endLayout();
    return emptyBoxes(layout.glyphRuns());
}
int emptyBoxes(QTextDocument& document) {
    document.documentLayout()->documentSize();  // lays every block out
    int boxes = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        boxes += emptyBoxes(block.layout()->glyphRuns());
    return boxes;
}

// The first page of a conversation's PDF, drawn.
QImage pdfPage(const PRMessageTreeNodePtr& conversation) {
    QBuffer bytes;
    bytes.setData(conversationpdf::conversationPdf(conversation));
    bytes.open(QIODevice::ReadOnly);
    QPdfDocument pdf;
    pdf.load(&bytes);
    return pdf.pageCount() > 0 ? pdf.render(0, (pdf.pagePointSize(0) * 2).toSize()) : QImage();
}

class PagesAtDefaultSize : public apptest::AppTest {
protected:
    void attachSample() {
        const std::string folder = testsupport::scratchDirectory("devices") + "/sample";
        ASSERT_TRUE(sampledevice::write(folder));
        ASSERT_GT(simdevice::attach(folder), 0);
        ASSERT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
        ASSERT_EQ(app->window()->size(), QSize(980, 640));
    }
    // Looks at the shown page as it is now: its screenshot, then every finding as a failure.
    void look(const QString& name) {
        testsupport::spinEventLoop(std::chrono::milliseconds(30));
        testsupport::saveScreenshot(app->window(), "default-size-" + name);
        const std::vector<QWidget*> pages = shownPages();
        ASSERT_EQ(pages.size(), 1u) << name.toStdString();
        const QStringList cut = readable::cutTexts(app->window()) + readable::cutValues(app->window(), kWhole) +
                                readable::bubblesOutside(app->window()) + readable::oddButtons(app->window());
        EXPECT_TRUE(cut.isEmpty()) << name.toStdString() << ":\n  " << cut.join("\n  ").toStdString();
        EXPECT_TRUE(readable::hasControl(pages.front())) << name.toStdString() << ": nothing to act on";
    }
    // In the shown folder tree of a clean list, the first folder holding files, as a user
    // opens it to see them.
    void openFirstFolderWithFiles() {
        for (QTreeView* tree : app->window()->findChildren<QTreeView*>()) {
            if (!tree->isVisible() || !tree->model()) continue;
            for (QModelIndex i = tree->model()->index(0, 0); i.isValid(); i = tree->indexBelow(i)) {
                tree->expand(i);
                tree->setCurrentIndex(i);
                tree->selectionModel()->select(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                testsupport::spinEventLoop(std::chrono::milliseconds(5));
                bool filled = false;
                for (QTableView* table : app->window()->findChildren<QTableView*>())
                    filled = filled || (table->isVisible() && table->model() && table->model()->rowCount() > 0);
                if (filled) return;
            }
        }
    }
    // Opens the folder at path below the backup's root in tree.
    static void openFolder(QTreeView* tree, const QStringList& path) {
        QModelIndex at = tree->model()->index(0, 0);
        for (const QString& name : path) {
            tree->expand(at);
            QModelIndex next;
            for (int r = 0; r < tree->model()->rowCount(at) && !next.isValid(); ++r)
                if (tree->model()->index(r, 0, at).data().toString() == name) next = tree->model()->index(r, 0, at);
            ASSERT_TRUE(next.isValid()) << name.toStdString();
            at = next;
        }
        tree->setCurrentIndex(at);
        tree->scrollTo(at);
    }
    static void selectFirst(QAbstractItemView* view) {
        if (view->model() && view->model()->rowCount() > 0) view->setCurrentIndex(view->model()->index(0, 0));
    }
};

TEST_F(PagesAtDefaultSize, TheOverviewCleanAndDiskPages) {
    attachSample();
    look("overview");

    app->overview().cleanBtn->click();
    PRCleanViewController* clean = app->cleanViewController;
    ASSERT_TRUE(testsupport::waitUntil([&] { return !clean->isScanning() && clean->pendingJobs() == 0; }));
    look("clean");
    const std::pair<void (OstrevaneAppDelegate::*)(QObject*), const char*> rows[] = {
        {&OstrevaneAppDelegate::ClickCleanJunk, "clean-temp-files"},
        {&OstrevaneAppDelegate::ClickCleanCache, "clean-cache"},
        {&OstrevaneAppDelegate::ClickCleanCook, "clean-cookies"},
        {&OstrevaneAppDelegate::ClickCleanMedia, "clean-sync-failed-media"}};
    for (const auto& [row, name] : rows) {
        (app.get()->*row)(nullptr);
        // The list shows what the scan found without a row chosen first.
        bool listed = false;
        for (QTableView* table : app->window()->findChildren<QTableView*>())
            listed = listed || (table->isVisible() && table->model() && table->model()->rowCount() > 0);
        EXPECT_TRUE(listed) << name;
        openFirstFolderWithFiles();
        look(name);
    }

    apptest::click(app->banner().appCleanBannerBtn);
    apptest::click(clean->appClean().appStartBtn);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !clean->appCleanScanning(); }));
    look("app-cleaner");
    const std::pair<void (PRCleanViewController::*)(QObject*), const char*> lists[] = {
        {&PRCleanViewController::ClickCacheFileAction, "app-cleaner-caches"},
        {&PRCleanViewController::ClickCookieFileAction, "app-cleaner-cookies"},
        {&PRCleanViewController::ClickJunkFileAction, "app-cleaner-temporary-files"},
        {&PRCleanViewController::ClickDocumentFileAction, "app-cleaner-documents"},
        {&PRCleanViewController::ClickAppAdsFileAction, "app-cleaner-ads"}};
    for (const auto& [list, name] : lists) {
        (clean->*list)(nullptr);
        openFirstFolderWithFiles();
        look(name);
    }

    apptest::click(app->banner().adsRemoveBannerBtn);
    PRSystemBoostViewController* boost = app->systemBoostViewController;
    apptest::click(boost->scanButton);
    ASSERT_TRUE(testsupport::waitUntil([&] { return boost->isScanFinished(); }));
    look("system-boost");
    const std::pair<void (PRSystemBoostViewController::*)(QObject*), const char*> details[] = {
        {&PRSystemBoostViewController::ClickSystemLogAction, "system-boost-crash-logs"},
        {&PRSystemBoostViewController::ClickDownloadAction, "system-boost-downloads"},
        {&PRSystemBoostViewController::ClickUsesStorageAction, "system-boost-user-storage"},
        {&PRSystemBoostViewController::ClickiTunesSyncfailedAction, "system-boost-sync-failed-media"},
        {&PRSystemBoostViewController::ClickiTunesCacheAction, "system-boost-photo-edits"}};
    for (const auto& [detail, name] : details) {
        (boost->*detail)(nullptr);
        for (QTableView* table : boost->view()->findChildren<QTableView*>())
            if (table->isVisible()) selectFirst(table);
        look(name);
        boost->BackAction();
    }
    apptest::click(app->banner().privacyBannerBtn);
    look("privacy");

    apptest::click(app->banner().diskManageBannerBtn);
    PRDiskaManagerViewController* disk = app->diskManagerViewController;
    look("disk");
    const std::pair<void (OstrevaneAppDelegate::*)(QObject*), const char*> categories[] = {
        {&OstrevaneAppDelegate::ClickPhotoDiskManage, "disk-photos"},
        {&OstrevaneAppDelegate::ClickMusicDiskManage, "disk-music"},
        {&OstrevaneAppDelegate::ClickVideoDiskManage, "disk-videos"},
        {&OstrevaneAppDelegate::ClickBooksDiskManage, "disk-books"},
        {&OstrevaneAppDelegate::ClickAppsDiskManage, "disk-apps"},
        {&OstrevaneAppDelegate::ClickSystemAppsDiskManage, "disk-system-apps"},
        {&OstrevaneAppDelegate::ClickUserDataDiskManage, "disk-user-data"}};
    for (const auto& [category, name] : categories) {
        (app.get()->*category)(nullptr);
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return disk->runningScans() == 0 && !disk->scanState().anyScanning(); }));
        look(name);
    }

    app->ClickSystemLib(nullptr);
    PRPhoneSystemViewController* files = app->GetSystemViewController();
    ASSERT_TRUE(testsupport::waitUntil([&] { return files->bLoadFinished && files->runningWorkers() == 0; }));
    // The deepest first folder with files, as a user opens it.
    QModelIndex folder = files->theOutlineView->model()->index(0, 0);
    for (QModelIndex next = folder; next.isValid(); next = files->theOutlineView->model()->index(0, 0, next)) {
        folder = next;
        files->theOutlineView->expand(folder);
        files->theOutlineView->setCurrentIndex(folder);
        testsupport::spinEventLoop(std::chrono::milliseconds(10));
        if (files->theTableView->model()->rowCount() > 0) break;
    }
    selectFirst(files->theTableView);
    look("file-browser");

    apptest::click(app->banner().findLargeBannerBtn);
    PRFindLargeFileViewController* finder = app->findLargerFileViewController;
    apptest::click(finder->startScanBtn);
    ASSERT_TRUE(testsupport::waitUntil([&] { return finder->bScanFinished && finder->runningWorkers() == 0; }));
    look("large-files");
    finder->ClickUserDataFileAction();
    selectFirst(finder->userDataBigTableView);
    look("large-files-user-data");
    finder->ClickAppDataFileAction();
    selectFirst(finder->appBigTableView);
    look("large-files-apps");

    apptest::click(app->banner().oneClickCopyBannerBtn);
    look("one-click-copy");
    app->sidebar()->row(13).button->click();
    look("device-backup");
}

TEST_F(PagesAtDefaultSize, TheTransferPages) {
    attachSample();
    PRTansferViewController* page = app->GetTansferViewController();
    app->ClickApp(nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->bAppLoadFinished; }, std::chrono::seconds(60)));
    const int before = page->appJobsFinished();
    selectFirst(page->appOutlineView);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->appJobsFinished() > before; }));
    openFirstFolderWithFiles();
    selectFirst(page->appTableView);
    look("transfer-apps");

    app->ClickPhoto(nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->bPhotoLoadFinished; }, std::chrono::seconds(60)));
    look("transfer-photos");
    // The videos fill on their first visit, before the music page was ever shown.
    app->ClickVideo(nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->bMusicLoadFinished; }, std::chrono::seconds(60)));
    EXPECT_GT(page->videoTableView->model()->rowCount(), 0);
    app->ClickMusic(nullptr);
    selectFirst(page->musicTableView);
    look("transfer-music");
    // A track that cannot be copied says why in a whole sentence.
    page->musicPlayer->cannotPlay(TrackPlayer::cannotPlayText() +
                                  " It could not be copied from the device (the file was removed from the device "
                                  "while it was being read).");
    look("transfer-music-failed");
    app->ClickVideo(nullptr);
    selectFirst(page->videoTableView);
    look("transfer-videos");

    const std::pair<void (OstrevaneAppDelegate::*)(QObject*), const char*> records[] = {
        {&OstrevaneAppDelegate::ClickContact, "transfer-contacts"},
        {&OstrevaneAppDelegate::CilckMessage, "transfer-messages"},
        {&OstrevaneAppDelegate::ClickNote, "transfer-notes"}};
    int reads = 0;
    for (const auto& [row, name] : records) {
        (app.get()->*row)(nullptr);
        ++reads;
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return page->recordReadsFinished() >= reads; }, std::chrono::seconds(120)));
        for (QTableView* table : page->view()->findChildren<QTableView*>())
            if (table->isVisible() && !table->selectionModel()->hasSelection()) table->selectRow(0);
        look(name);
    }
}

TEST_F(PagesAtDefaultSize, TheResultsScreenOfTheIos6Backup) {
    attachSample();
    const std::vector<std::string> made =
        samplebackup::writeSampleBackups(paths::userPath("Library/Application Support/MobileSync/Backup"));
    ASSERT_FALSE(made.empty());
    app->sidebar()->row(14).button->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !app->backupScanRunning(); }, std::chrono::seconds(120)));
    PRResultViewController* result = app->resultViewController;
    // The iOS 6 backup, chosen from the pop-up of backups.
    const auto& backups = app->GetPRIOSDeviceController()->arrangedObjects();
    const auto ios6 =
        std::find_if(backups.begin(), backups.end(), [](const auto& b) { return b->strIOSVersion() == "6.1.4"; });
    ASSERT_NE(ios6, backups.end());
    result->actSelectBackUpBtn(int(ios6 - backups.begin()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !app->backupScanRunning(); }, std::chrono::seconds(120)));
    ASSERT_EQ(result->deviceVersionlab->text(), "6.1.4");
    look("results");
    for (int c = 0; c < PRResultViewController::CategoryCount; ++c) {
        const auto category = PRResultViewController::Category(c);
        result->showCategory(category);
        if (category == PRResultViewController::BackupFiles) {
            // A file that is not a picture shows its type's icon.
            openFolder(result->treeOutlineView, {"HomeDomain", "Library", "Preferences"});
            selectFirst(result->treetableView);
            ASSERT_GT(result->treetableView->model()->rowCount(), 0);
            EXPECT_TRUE(result->previewPane->isVisible());
            EXPECT_FALSE(result->previewPane->showsFilePicture());
            look("results-backup-files-without-pictures");
            // The camera roll's pictures show beside them.
            openFolder(result->treeOutlineView, {"CameraRollDomain", "Media", "DCIM", "100APPLE"});
            const QAbstractItemModel* files = result->treetableView->model();
            for (int r = 0; r < files->rowCount(); ++r)
                if (files->index(r, PRTreeFileController::Name).data().toString().endsWith(".JPG")) {
                    result->treetableView->selectRow(r);
                    break;
                }
            EXPECT_TRUE(result->previewPane->isVisible());
        }
        const QString shownName =
            "results-" + PRResultViewController::categoryTitle(category).remove('&').replace(' ', '-').toLower();
        look(shownName);
        // Found rows read as whole as all of them.
        if (result->searchlab->isEnabled() && category != PRResultViewController::BackupFiles) {
            result->searchlab->setText(QStringLiteral("e"));
            testsupport::spinEventLoop(std::chrono::milliseconds(300));
            look(shownName + "-search");
            result->searchlab->clear();
            testsupport::spinEventLoop(std::chrono::milliseconds(100));
        }
        if (category == PRResultViewController::Messages) {
            // The conversation takes half the room beside the categories: its bubbles keep their
            // whole width, and a short sentence its one line.
            EXPECT_GE(result->previewPane->width(), result->contentSplit->width() * 45 / 100);
            const auto bubbles =
                result->previewPane->messageTreeScrollView->documentView()->findChildren<PRChatView*>();
            ASSERT_FALSE(bubbles.isEmpty());
            for (const PRChatView* bubble : bubbles) EXPECT_EQ(bubble->width(), PRChatView::kBubbleWidth);
            const auto shortOne = std::find_if(bubbles.begin(), bubbles.end(), [](const PRChatView* bubble) {
                return bubble->textView && bubble->textView->text() == "Photos from the weekend";
            });
            ASSERT_NE(shortOne, bubbles.end());
            const QRectF lines =
                PRChatView::measureText((*shortOne)->textView->text(), PRChatView::wrapWidthFor((*shortOne)->width()));
            EXPECT_LT(lines.height() - 33, 2 * (*shortOne)->textView->fontMetrics().lineSpacing());
            // Beside it, every conversation in view reads by its name and address, whole.
            const QStringList hidden = conversationsNotInSight(result->tableOf(category));
            EXPECT_TRUE(hidden.isEmpty()) << hidden.join("\n").toStdString();
        }
        if (category == PRResultViewController::BookMarks) {
            // Each field's value shows on the line after its name.
            QLabel* title = result->previewPane->bookMarkTitlelab;
            EXPECT_GE(title->height(), 2 * title->fontMetrics().lineSpacing()) << title->text().toStdString();
        }
    }

    // A message of several lines with an emoji and Japanese and Korean words: every line shows
    // in its bubble, the emoji in colour, on screen and in the conversation's PDF, the words in
    // a font that has them there and in the conversation's page.
    auto message = std::make_shared<PRMessageNode>();
    message->setMessageContent("First line\nsecond line\nthird line");
    message->setMessageType("Received");
    message->setMessageName("Anna Berg");
    message->setMessageDate("03-01-2013 10:30");
    auto conversation = std::make_shared<PRMessageTreeNode>();
    conversation->setMessageTreeNodeName("Anna Berg");
    conversation->setMessageNodeArray({message});
    const QImage plainPdf = pdfPage(conversation);
    message->setMessageContent("First line\nsecond line\nthird line \U0001F600 日本 한국어");
    result->showCategory(PRResultViewController::Messages);
    result->previewPane->showConversation(conversation);
    look("results-message-lines");
    const auto bubbles = result->previewPane->messageTreeScrollView->documentView()->findChildren<PRChatView*>();
    ASSERT_EQ(bubbles.size(), 1);
    QLabel* text = bubbles.front()->textView;
    EXPECT_GE(text->height(), 3 * text->fontMetrics().lineSpacing());
    EXPECT_GT(yellowPixels(text->grab().toImage()), 20);
    EXPECT_GT(yellowPixels(pdfPage(conversation)), yellowPixels(plainPdf) + 20);
    EXPECT_EQ(emptyBoxes(QStringLiteral("日本 한국어"), textfonts::withFallbacks(text->font())), 0);
    EXPECT_TRUE(conversationpdf::conversationPdf(conversation).contains("/BaseFont /NotoSansCJK"));
    PRHtmlController page;
    page.initMessageHtmlHeader("Anna Berg");
    PRBackupRecovery::handleMessageHtml(*message, page, false);
    QTextDocument document;
    document.setHtml(QString::fromStdString(page.strHtmlContent()));
    EXPECT_TRUE(document.toPlainText().contains(QStringLiteral("日本 한국어")));
    EXPECT_EQ(emptyBoxes(document), 0);

    // The conversation saved as a picture: the window says where, whole.
    result->showCategory(PRResultViewController::Messages);
    result->exportBtn->click();
    ASSERT_TRUE(testsupport::waitUntil([&] {
        const auto* line = app->window()->findChild<ActionResultLine*>();
        return line && line->isVisible();
    }));
    look("results-conversation-picture");

    // The recovery button keeps its size whether the count of marked records shows beside it
    // or not.
    result->showCategory(PRResultViewController::Contacts);
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    const QSize unmarked = result->saveBtn->size();
    result->contactController->markRows({0}, true);
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_FALSE(result->selecteFilelab->isHidden());
    EXPECT_TRUE(result->saveBtn->isEnabled());
    EXPECT_EQ(result->saveBtn->size(), unmarked);
    look("results-marked");
}

}  // namespace
