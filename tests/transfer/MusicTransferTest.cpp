// The music and video transfer over the sample device's media library: both lists from one
// read, local copies, exports compared byte for byte, and the add to the music library.
#include "DeviceFolder.h"
#include "SampleDevice.h"
#include "disk/core/DiskDeviceServices.h"
#include "transfer/core/MusicTransfer.h"
#include "transfer/core/iTunesScriptHandler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace devicetest;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class MusicTransferTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        folder = home.path() + "/sample";
        ASSERT_TRUE(sampledevice::write(folder));
        attachAndWait(folder);
        index = connected.back();
        scan = transfer::scanMusicLibrary(disk::deviceDiskServices(), index);
        root = QString::fromStdString(testsupport::scratchDirectory("copies"));
    }
    PRTranMusicNodePtr track(const std::string& title) const {
        for (const auto* list : {&scan.music, &scan.video})
            for (const PRTranMusicNodePtr& t : *list)
                if (t->musicTitle() == title) return t;
        ADD_FAILURE() << "no track " << title;
        return std::make_shared<PRTranMusicNode>();
    }
    QByteArray deviceBytes(const PRTranMusicNodePtr& t) const {
        return bytesOf(QString::fromStdString(folder + "/media/" + t->musicLoctionpath()));
    }
    static QStringList titles(const std::vector<PRTranMusicNodePtr>& tracks) {
        QStringList out;
        for (const PRTranMusicNodePtr& t : tracks) out << QString::fromStdString(t->musicTitle());
        return out;
    }
    std::string folder;
    int index = 0;
    transfer::MusicScanResult scan;
    QString root;
};

}  // namespace

TEST_F(MusicTransferTest, OneReadFillsBothListsAndListsTracksWhoseFileIsGone) {
    EXPECT_TRUE(scan.serviceStarted);
    EXPECT_TRUE(scan.libraryRead);
    EXPECT_FALSE(scan.stopped);
    QStringList music = titles(scan.music);
    music.sort();
    EXPECT_EQ(music, (QStringList{"Lanterns", "Morning Tide", "Paper Boats", "Slow River"}));
    EXPECT_EQ(titles(scan.video), QStringList{"Harbour at Dusk"});
    EXPECT_EQ(track("Lanterns")->musicArtist(), "Harbour Lights");
    EXPECT_EQ(track("Lanterns")->musicLoctionpath(), "iTunes_Control/Music/F03/KZPD.wav");

    // A removed device ends the read after the row it is on.
    int rows = 0;
    const transfer::MusicScanResult cut =
        transfer::scanMusicLibrary(disk::deviceDiskServices(), index, [&] { return ++rows < 2; });
    EXPECT_TRUE(cut.stopped);
    EXPECT_EQ(cut.music.size() + cut.video.size(), 2u);
}

TEST_F(MusicTransferTest, CopiesAreKeyedByPidAndMadeOnlyWhenWhole) {
    const PRTranMusicNodePtr lanterns = track("Lanterns");
    const transfer::TrackCopy copy = transfer::copyTrackToLocal(disk::deviceDiskServices(), index, *lanterns, root);
    ASSERT_TRUE(copy.ok);
    EXPECT_EQ(copy.localPath, root + "/" + QString::fromStdString(lanterns->musicPid()) + "/Lanterns.wav");
    EXPECT_EQ(bytesOf(copy.localPath), deviceBytes(lanterns));

    // The library names the file, the device lost it: no copy, and no file left behind.
    const transfer::TrackCopy lost =
        transfer::copyTrackToLocal(disk::deviceDiskServices(), index, *track("Paper Boats"), root);
    EXPECT_FALSE(lost.ok);
    EXPECT_EQ(lost.result.failures, 1u);
    EXPECT_FALSE(QFileInfo::exists(lost.localPath));

    // Two tracks of one title stay apart; device names cannot leave the folder.
    PRTranMusicNode a, b, c;
    a.setMusicTitle("Song");
    a.setMusicPid("11");
    a.setMusicLoctionpath("/iTunes_Control/Music/F00/A.mp3");
    b = a;
    b.setMusicPid("12");
    EXPECT_NE(transfer::trackCopyPath(a, root), transfer::trackCopyPath(b, root));
    c.setMusicTitle("../../AC/DC");
    c.setMusicLoctionpath("/iTunes_Control/Music/../../x/Q.mp3");
    const QString inside = transfer::trackCopyPath(c, root);
    EXPECT_TRUE(QDir::cleanPath(inside).startsWith(root + "/iTunes_Control/Music/")) << inside.toStdString();
    EXPECT_TRUE(inside.endsWith("/_.._AC_DC.mp3")) << inside.toStdString();  // visible, climbing nowhere
    c.setMusicTitle(".hidden");
    EXPECT_EQ(transfer::trackFileName(c), "hidden.mp3");
}

TEST_F(MusicTransferTest, ExportsOneOrAllTracksByteForByteAndNeverOverwrites) {
    const QString out = QString::fromStdString(testsupport::scratchDirectory("export"));
    // One track from its local copy, the others from the device.
    const PRTranMusicNodePtr tide = track("Morning Tide");
    const transfer::TrackCopy copy = transfer::copyTrackToLocal(disk::deviceDiskServices(), index, *tide, root);
    ASSERT_TRUE(copy.ok);
    tide->setBhasCopy(true);
    tide->setBCopyLocationPath(copy.localPath.toStdString());
    disk::ActionResult one = transfer::exportTracks(disk::deviceDiskServices(), index, {tide}, out);
    EXPECT_TRUE(one.ok());
    EXPECT_EQ(bytesOf(out + "/Morning Tide.wav"), deviceBytes(tide));

    QStringList written;
    std::vector<PRTranMusicNodePtr> all = scan.music;
    all.insert(all.end(), scan.video.begin(), scan.video.end());
    const disk::ActionResult result =
        transfer::exportTracks(disk::deviceDiskServices(), index, all, out, nullptr, &written);
    // Morning Tide is there already and goes beside it; Paper Boats is gone from the device.
    EXPECT_EQ(result.files, 4u);
    EXPECT_EQ(result.failures, 1u);
    EXPECT_EQ(written.size(), 4);
    EXPECT_TRUE(written.contains(out + "/Morning Tide (2).wav"));
    EXPECT_EQ(bytesOf(out + "/Morning Tide (2).wav"), deviceBytes(tide));
    for (const char* title : {"Lanterns", "Slow River", "Harbour at Dusk"}) {
        const PRTranMusicNodePtr t = track(title);
        EXPECT_EQ(bytesOf(out + "/" + transfer::trackFileName(*t)), deviceBytes(t)) << title;
    }
    EXPECT_FALSE(QFileInfo::exists(out + "/Paper Boats.wav"));
    EXPECT_EQ(bytesOf(out + "/Morning Tide.wav"), deviceBytes(tide));
}

TEST_F(MusicTransferTest, AddToTheLibraryGoesToThePlaylistOrElseTheDropFolder) {
    const PRTranMusicNodePtr lanterns = track("Lanterns");
    const transfer::TrackCopy copy = transfer::copyTrackToLocal(disk::deviceDiskServices(), index, *lanterns, root);
    ASSERT_TRUE(copy.ok);
    iTunesScriptHandler script;
    QStringList alerts;
    script.errorAlert = [&](const QString& text) { alerts << text; };
    EXPECT_EQ(transfer::addCopyToLibrary(script, copy.localPath, "Lanterns.wav"), transfer::LibraryAdd::Playlist);
    const QString library = QString::fromStdString(home.path()) + "/Music/Quillomatrix Library";
    EXPECT_EQ(bytesOf(library + "/Playlists/iPhoneMusic.m3u8"), "#EXTM3U\n../Media/Lanterns.wav\n");
    EXPECT_EQ(bytesOf(library + "/Media/Lanterns.wav"), deviceBytes(lanterns));

    // A failed playlist call does not keep the file from being added.
    iTunesScriptHandler missing(QString::fromStdString(home.path()) + "/no-script");
    missing.errorAlert = [&](const QString& text) { alerts << text; };
    QStringList calls;
    missing.eventSent = [&](const ScriptSubroutineEvent& event) { calls << event.subroutineName; };
    EXPECT_EQ(transfer::addCopyToLibrary(missing, copy.localPath, "Lanterns.wav", false), transfer::LibraryAdd::Failed);
    EXPECT_EQ(calls, (QStringList{"addnewplaylist", "addnewfile"}));
    EXPECT_EQ(transfer::addCopyToLibrary(missing, copy.localPath, "Lanterns.wav"), transfer::LibraryAdd::DropFolder);
    EXPECT_EQ(bytesOf(transfer::libraryDropFolder() + "/Lanterns.wav"), deviceBytes(lanterns));
    EXPECT_EQ(alerts.size(), 4);

    // The script takes the dropped file into the library at its next call: listed once, as the
    // same file was added before.
    ASSERT_TRUE(script.getAllPlaylist().contains("iPhoneMusic"));
    EXPECT_FALSE(QFileInfo::exists(transfer::libraryDropFolder() + "/Lanterns.wav"));
    EXPECT_EQ(QDir(library + "/Media").entryList(QDir::Files), QStringList{"Lanterns.wav"});
}
