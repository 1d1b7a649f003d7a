// The music and video sub-views inside the launched application with the sample device: the
// tables from its media library, playing a track, exports and the add to the music library.
#include "SampleAppTest.h"
#include "platform/Workspace.h"
#include "transfer/MusicTrackTableModel.h"
#include "transfer/PRTansferViewController.h"
#include "widgets/ActionResultLine.h"
#include "widgets/FlashView.h"
#include "widgets/TrackPlayer.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

using devicetest::readFile;
using devicetest::writeFile;

namespace {

class MusicPageTest : public transfertest::SampleAppTest {
protected:
    void SetUp() override {
        SampleAppTest::SetUp();
        workspace::setRecorder([this](workspace::Action, const QString& path) { shown << path; });
        app->ClickMusic(nullptr);
        ASSERT_TRUE(testsupport::waitUntil([this] { return page->bMusicLoadFinished; }, std::chrono::seconds(60)));
    }
    void TearDown() override {
        workspace::setRecorder({});
        SampleAppTest::TearDown();
    }
    int row(MusicTrackTableModel* model, const std::string& title) const {
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->objectAt(r)->musicTitle() == title) return r;
        ADD_FAILURE() << "no row " << title;
        return -1;
    }
    // A left click on the track's row, as the mouse gives it.
    void click(QTableView* table, MusicTrackTableModel* model, const std::string& title) {
        const QRect cell = table->visualRect(model->index(row(model, title), MusicTrackTableModel::Title));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // The context menu opened at a point of the table's rows (on no row when past the last).
    QMenu* openMenu(QTableView* table, QPoint at) {
        emit table->customContextMenuRequested(at);
        QMenu* menu = table == page->videoTableView ? page->videoMenu : page->musicMenu;
        EXPECT_TRUE(menu && menu->isVisible());
        return menu;
    }
    QPoint onRow(QTableView* table, MusicTrackTableModel* model, const std::string& title) const {
        return table->visualRect(model->index(row(model, title), MusicTrackTableModel::Title)).center();
    }
    static QAction* entry(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text) return action;
        ADD_FAILURE() << "no entry " << text.toStdString();
        return nullptr;
    }
    std::string deviceBytes(const PRTranMusicNodePtr& track) const {
        return readFile(device + "/media/" + track->musicLoctionpath());
    }
    void waitForJobs(int count) {
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return page->musicJobsFinished() >= count; }, std::chrono::seconds(60)));
    }

    QStringList shown;
};

}  // namespace

TEST_F(MusicPageTest, OneReadFillsTheMusicAndTheVideoTable) {
    EXPECT_FALSE(page->bMusiceStartTransfer);
    EXPECT_EQ(page->musicController->rowCount(), 4);
    EXPECT_EQ(page->musicArray.size(), 4u);
    EXPECT_EQ(page->videoController->rowCount(), 1);
    EXPECT_EQ(page->videoController->index(0, MusicTrackTableModel::Title).data().toString(), "Harbour at Dusk");
    const int lanterns = row(page->musicController, "Lanterns");
    EXPECT_EQ(page->musicController->index(lanterns, MusicTrackTableModel::Artist).data().toString(), "Harbour Lights");
    EXPECT_EQ(page->musicController->index(lanterns, MusicTrackTableModel::Album).data().toString(), "Coastline");
    EXPECT_TRUE(app->sidebar()->circleMusicProgress->isHidden());

    // Sorting by size sorts by bytes.
    page->musicController->sort(MusicTrackTableModel::Size);
    uint64_t last = 0;
    for (const PRTranMusicNodePtr& t : page->musicController->content()) {
        EXPECT_GE(t->fileSizeNumber(), last);
        last = t->fileSizeNumber();
    }
    // Visiting again reads nothing more.
    page->ShowMusic(0);
    EXPECT_FALSE(page->bMusiceStartTransfer);
    EXPECT_EQ(page->musicController->rowCount(), 4);
    testsupport::saveScreenshot(app->window(), "transfer-music");
    app->ClickVideo(nullptr);
    testsupport::saveScreenshot(app->window(), "transfer-video");
}

TEST_F(MusicPageTest, FirstPlayCopiesAndLoadsTheTrackAndATrackWithoutFileCannotPlay) {
    click(page->musicTableView, page->musicController, "Lanterns");
    page->musicPlay();
    const PRTranMusicNodePtr lanterns = page->musicController->objectAt(row(page->musicController, "Lanterns"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->musicPlayer->loaded() || page->musicPlayer->failed(); }));
    EXPECT_TRUE(lanterns->bhasCopy());
    EXPECT_EQ(readFile(lanterns->bCopyLocationPath()), deviceBytes(lanterns));
    EXPECT_EQ(page->musicTitlelab->text(), "Lanterns");
    EXPECT_EQ(page->musicArtistlab->text(), "Harbour Lights");
    ASSERT_FALSE(page->musicPlayer->failed()) << page->musicStatuslab->text().toStdString();
    // Loaded, not started; the backend measured it (five notes of 450 ms).
    EXPECT_FALSE(page->musicPlayer->playing());
    EXPECT_TRUE(testsupport::waitUntil([&] { return page->musicPlayer->duration() > 2000; }));

    // The library names it, the device lost it: it is not marked copied and cannot play.
    click(page->musicTableView, page->musicController, "Paper Boats");
    page->musicPlay();
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->musicPlayer->failed(); }));
    EXPECT_TRUE(page->musicStatuslab->text().startsWith(TrackPlayer::cannotPlayText()));
    EXPECT_FALSE(page->musicController->objectAt(row(page->musicController, "Paper Boats"))->bhasCopy());
    EXPECT_TRUE(page->musicProgress->isHidden());
}

TEST_F(MusicPageTest, ExportsGoToDocumentsOrTheChosenFolderByteForByte) {
    click(page->musicTableView, page->musicController, "Slow River");
    page->musicExporttoDocument();
    waitForJobs(1);
    const PRTranMusicNodePtr river = page->musicController->objectAt(row(page->musicController, "Slow River"));
    const QString documents = QString::fromStdString(home.path()) + "/Documents";
    EXPECT_EQ(readFile((documents + "/Slow River.wav").toStdString()), deviceBytes(river));
    EXPECT_EQ(shown, QStringList{documents});

    const std::string folder = testsupport::scratchDirectory("chosen") + "/Music export";
    responder.panelAnswer = {QString::fromStdString(folder)};
    page->musicExporttoMac();
    waitForJobs(2);
    for (const PRTranMusicNodePtr& t : page->musicController->content()) {
        if (t->musicTitle() == "Paper Boats") continue;
        EXPECT_EQ(readFile(folder + "/" + t->musicTitle() + ".wav"), deviceBytes(t)) << t->musicTitle();
    }
    // One alert for the action names the track the device lost.
    ASSERT_TRUE(testsupport::waitUntil([&] { return !responder.alerts.empty(); }));
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    ASSERT_EQ(responder.alerts.size(), 1u);
    EXPECT_TRUE(responder.alerts[0].informativeText.contains("MNOP.wav"))
        << responder.alerts[0].informativeText.toStdString();

    // The selected videos go to Documents and the window says so, without opening the folder.
    app->ClickVideo(nullptr);
    page->videoTableView->selectAll();
    shown.clear();
    page->videoExporttoDocument();
    waitForJobs(3);
    const PRTranMusicNodePtr video = page->videoController->objectAt(0);
    EXPECT_EQ(readFile((documents + "/" + QString::fromStdString(video->musicTitle())).toStdString() + ".m4v"),
              deviceBytes(video));
    const auto* line = app->window()->findChild<ActionResultLine*>();
    ASSERT_TRUE(line && line->isVisible());
    EXPECT_EQ(line->text(), "1 track exported in " + documents);
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MusicPageTest, AddingAllTracksFillsTheLibraryPlaylist) {
    page->musicCopyAlltoiTunes();
    waitForJobs(4);
    const std::string library = home.path() + "/Music/Quillomatrix Library";
    const std::string playlist = readFile(library + "/Playlists/iPhoneMusic.m3u8");
    for (const char* title : {"Morning Tide", "Lanterns", "Slow River"}) {
        EXPECT_NE(playlist.find(std::string("../Media/") + title + ".wav"), std::string::npos) << playlist;
        EXPECT_TRUE(page->musicController->objectAt(row(page->musicController, title))->bhasCopy());
    }
    EXPECT_EQ(playlist.find("Paper Boats"), std::string::npos);
    // The lost track is reported; the script itself never failed.
    ASSERT_TRUE(testsupport::waitUntil([&] { return !responder.alerts.empty(); }));
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    ASSERT_EQ(responder.alerts.size(), 1u);
    EXPECT_NE(responder.alerts[0].messageText.indexOf("music library"), -1);
    // The window says what was added and what was not.
    const auto* line = app->window()->findChild<ActionResultLine*>();
    ASSERT_TRUE(line && line->isVisible());
    EXPECT_EQ(line->text(), "3 tracks added to the music library, 1 failed");

    // With neither the library nor its drop folder writable, adding them all again ends in one
    // alert for the action, not one per track and per script call.
    std::filesystem::rename(library, library + " away");
    writeFile(library, "not a folder");
    writeFile(home.path() + "/Music/iTunes", "not a folder");
    page->musicCopyAlltoiTunes();
    waitForJobs(8);
    testsupport::spinEventLoop(std::chrono::milliseconds(100));
    ASSERT_EQ(responder.alerts.size(), 2u);
    EXPECT_TRUE(responder.alerts[1].messageText.startsWith("4 tracks"))
        << responder.alerts[1].messageText.toStdString();
}

TEST_F(MusicPageTest, SelectingATrackCopiesAndLoadsItWithoutPlayingThenReusesTheCopy) {
    const PRTranMusicNodePtr lanterns = page->musicController->objectAt(row(page->musicController, "Lanterns"));
    page->musicTableView->selectRow(row(page->musicController, "Lanterns"));
    EXPECT_FALSE(page->musicProgress->isHidden());  // busy while the track is copied
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->musicPlayer->loaded() || page->musicPlayer->failed(); }));
    ASSERT_FALSE(page->musicPlayer->failed()) << page->musicStatuslab->text().toStdString();
    EXPECT_TRUE(lanterns->bhasCopy());
    EXPECT_EQ(readFile(lanterns->bCopyLocationPath()), deviceBytes(lanterns));
    EXPECT_FALSE(page->musicPlayer->playing());
    EXPECT_TRUE(page->musicProgress->isHidden());
    EXPECT_EQ(page->musicTitlelab->text(), "Lanterns");
    EXPECT_EQ(page->musicArtistlab->text(), "Harbour Lights");

    // Selected again once the device lost the file: the local copy is loaded, the device not read.
    std::filesystem::remove(device + "/media/" + lanterns->musicLoctionpath());
    page->musicTableView->selectRow(row(page->musicController, "Slow River"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->runningMusicJobs() == 0; }));
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    page->musicTableView->selectRow(row(page->musicController, "Lanterns"));
    EXPECT_TRUE(page->musicProgress->isHidden());
    EXPECT_EQ(page->musicPlayer->source(), QString::fromStdString(lanterns->bCopyLocationPath()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->musicPlayer->loaded() || page->musicPlayer->failed(); }));
    EXPECT_FALSE(page->musicPlayer->failed());
    EXPECT_FALSE(page->musicPlayer->playing());
    EXPECT_FALSE(page->musicImageView->pixmap().isNull());
    testsupport::saveScreenshot(app->window(), "transfer-music-preview");

    // A video is copied and put into its player, not started.
    app->ClickVideo(nullptr);
    page->videoTableView->selectRow(0);
    const PRTranMusicNodePtr video = page->videoController->objectAt(0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return video->bhasCopy() && page->videoProgress->isHidden(); }));
    EXPECT_EQ(page->videoPlayer->source(), QString::fromStdString(video->bCopyLocationPath()));
    EXPECT_FALSE(page->videoPlayer->playing());
}

// The context menus act on the row they were opened on: on no row its entries are off and
// nothing is added or exported, whatever was selected before; on a row, that row's track. The
// entries for every row or the selection follow the rows and the selection.
TEST_F(MusicPageTest, TheMenusActOnTheClickedRowAndOnNothingOffTheRows) {
    app->window()->show();
    click(page->musicTableView, page->musicController, "Slow River");
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->runningMusicJobs() == 0; }));

    const int rows = page->musicController->rowCount();
    const QPoint below(
        10, page->musicTableView->rowViewportPosition(rows - 1) + page->musicTableView->rowHeight(rows - 1) + 10);
    ASSERT_FALSE(page->musicTableView->indexAt(below).isValid());
    QMenu* menu = openMenu(page->musicTableView, below);
    // Off the rows the entries for one row are off; those for the rows or the selection stay on.
    for (const char* off : {"Play", "Export to Documents", "Add to Music Library"})
        EXPECT_FALSE(entry(menu, off)->isEnabled()) << off;
    for (const char* on : {"Select All", "Unselect All", "Add Selected to Music Library", "Export All to a Folder..."})
        EXPECT_TRUE(entry(menu, on)->isEnabled()) << on;
    entry(menu, "Add to Music Library")->trigger();
    entry(menu, "Export to Documents")->trigger();
    menu->hide();
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    EXPECT_EQ(page->runningMusicJobs(), 0);
    EXPECT_EQ(page->musicJobsFinished(), 0);
    const std::string library = home.path() + "/Music/Quillomatrix Library";
    EXPECT_FALSE(std::filesystem::exists(library + "/Media/Slow River.wav"));

    // On a row other than the selected one: that row's track, the selection kept.
    menu = openMenu(page->musicTableView, onRow(page->musicTableView, page->musicController, "Lanterns"));
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) {
            EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
        }
    entry(menu, "Export to Documents")->trigger();
    menu->hide();
    waitForJobs(1);
    const QString documents = QString::fromStdString(home.path()) + "/Documents";
    const PRTranMusicNodePtr lanterns = page->musicController->objectAt(row(page->musicController, "Lanterns"));
    EXPECT_EQ(readFile((documents + "/Lanterns.wav").toStdString()), deviceBytes(lanterns));
    EXPECT_FALSE(QFile::exists(documents + "/Slow River.wav"));
    EXPECT_EQ(page->musicTableView->selectionModel()->selectedRows().size(), 1);

    // On one of several selected rows: every selected track.
    page->musicTableView->clearSelection();
    for (const char* title : {"Morning Tide", "Lanterns", "Slow River"})
        page->musicTableView->selectionModel()->select(
            page->musicController->index(row(page->musicController, title), 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QFile::remove(documents + "/Lanterns.wav");
    menu = openMenu(page->musicTableView, onRow(page->musicTableView, page->musicController, "Lanterns"));
    entry(menu, "Export to Documents")->trigger();
    menu->hide();
    waitForJobs(2);
    for (const char* title : {"Morning Tide", "Lanterns", "Slow River"})
        EXPECT_TRUE(QFile::exists(documents + "/" + title + ".wav")) << title;

    // The video menu follows the same rule.
    app->ClickVideo(nullptr);
    menu = openMenu(page->videoTableView, QPoint(10, page->videoTableView->viewport()->height() - 5));
    EXPECT_FALSE(entry(menu, "Play")->isEnabled());
    EXPECT_TRUE(entry(menu, "Select All")->isEnabled());
    menu->hide();
    menu = openMenu(page->videoTableView, onRow(page->videoTableView, page->videoController, "Harbour at Dusk"));
    EXPECT_TRUE(entry(menu, "Play")->isEnabled());
    testsupport::saveScreenshot(app->window(), "transfer-video-menu");
    menu->hide();
}
