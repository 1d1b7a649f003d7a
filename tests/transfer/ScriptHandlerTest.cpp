// The music-library script handler and the script stand-in it runs: the events it builds, its
// error texts, and the library the script keeps after adds.
#include "TestSupport.h"
#include "platform/Paths.h"
#include "transfer/core/iTunesScriptHandler.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fstream>
#include <gtest/gtest.h>

namespace {

class ScriptHandlerTest : public testsupport::HomeTest {
protected:
    ScriptHandlerTest() {
        handler.errorAlert = [this](const QString& text) { alerts << text; };
        handler.eventSent = [this](const ScriptSubroutineEvent& event) { events.push_back(event); };
    }
    QString library() const { return QString::fromStdString(home.path()) + "/Music/Quillomatrix Library"; }
    QString localFile(const std::string& name, const std::string& bytes) {
        const std::string path = testsupport::scratchDirectory("Music") + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return QString::fromStdString(path);
    }
    static QString read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString("<missing>");
    }

    iTunesScriptHandler handler;
    QStringList alerts;
    std::vector<ScriptSubroutineEvent> events;
};

}  // namespace

TEST_F(ScriptHandlerTest, EventCarriesTheLowerCaseNameAndTheParameterList) {
    handler.addNewPlaylist("iPhoneMusic");
    handler.addNewFile("/tmp/Music/Song.mp3", "iPhoneMusic");
    ASSERT_EQ(events.size(), 2u);
    const ScriptSubroutineEvent& add = events[1];
    EXPECT_EQ(add.eventClass, "ascr");
    EXPECT_EQ(add.eventID, "psbr");
    EXPECT_EQ(add.targetHigh, 0u);
    EXPECT_EQ(add.targetLow, 2u);
    EXPECT_EQ(add.returnID, -1);
    EXPECT_EQ(add.transactionID, 0);
    EXPECT_EQ(add.subroutineName, "addnewfile");
    EXPECT_EQ(add.directObject.kind(), NSAppleEventDescriptor::Kind::List);
    EXPECT_EQ(add.directObject.listOfStringsToArray(), (QStringList{"/tmp/Music/Song.mp3", "iPhoneMusic"}));
    EXPECT_EQ(add.directObject.descriptorAtIndex(1).kind(), NSAppleEventDescriptor::Kind::String);

    // Numbers become integers, descriptors go in unchanged, no parameters an empty list.
    events.clear();
    handler.callHandler("GetAllPlaylist",
                        {QVariant(7), QVariant::fromValue(NSAppleEventDescriptor::descriptorWithString("x"))});
    handler.hideWindow();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].directObject.descriptorAtIndex(1).kind(), NSAppleEventDescriptor::Kind::Integer);
    EXPECT_EQ(events[0].directObject.descriptorAtIndex(1).int32Value(), 7);
    EXPECT_EQ(events[0].directObject.descriptorAtIndex(2).stringValue(), "x");
    EXPECT_EQ(events[1].subroutineName, "hidewindow");
    EXPECT_EQ(events[1].directObject.numberOfItems(), 0);
}

TEST_F(ScriptHandlerTest, UnsupportedParameterKindSendsNothing) {
    const auto reply = handler.callHandler("AddNewFile", {QString("a"), QVariant(QDate(2013, 5, 2))});
    EXPECT_FALSE(reply.has_value());
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(ScriptHandlerTest, FailingHandlerShowsTheScriptsErrorAndReturnsNothing) {
    // The playlist is not there: the script refuses the add.
    const auto reply = handler.addNewFile("/tmp/Music/Song.mp3", "iPhoneMusic");
    EXPECT_FALSE(reply.has_value());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith("Error -43 occured the AddNewFile(/tmp/Music/Song.mp3, iPhoneMusic) call: "))
        << alerts[0].toStdString();
    EXPECT_GT(alerts[0].size(),
              QString("Error -43 occured the AddNewFile(/tmp/Music/Song.mp3, iPhoneMusic) call: ").size());

    // An unknown handler and a missing script fail the same way; the handler stays usable.
    EXPECT_FALSE(handler.callHandler("NoSuchHandler", {}).has_value());
    EXPECT_TRUE(alerts.last().startsWith("Error -1708 occured the NoSuchHandler() call: "));
    iTunesScriptHandler missing(QString::fromStdString(home.path()) + "/no-script");
    QString missingText;
    missing.errorAlert = [&](const QString& text) { missingText = text; };
    EXPECT_FALSE(missing.quit().has_value());
    EXPECT_TRUE(missingText.startsWith("Error  occured the QuitWindow() call: ")) << missingText.toStdString();
    EXPECT_TRUE(handler.addNewPlaylist("iPhoneMusic").has_value());
}

TEST_F(ScriptHandlerTest, LibraryHoldsAddedFilesAndOnePlaylistFilePerPlaylist) {
    const QString song = localFile("Song.mp3", "ID3 song bytes");
    const QString other = localFile("Other.m4a", "other bytes");
    // The playlist may already be there: adding it again succeeds and keeps its entries.
    ASSERT_TRUE(handler.addNewPlaylist("iPhoneMusic").has_value());
    ASSERT_TRUE(handler.addNewFile(song, "iPhoneMusic").has_value());
    ASSERT_TRUE(handler.addNewPlaylist("iPhoneMusic").has_value());
    ASSERT_TRUE(handler.addNewFile(other, "iPhoneMusic").has_value());
    ASSERT_TRUE(handler.addNewFile(song, "iPhoneMusic").has_value());  // listed once
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join("\n").toStdString();

    EXPECT_EQ(read(library() + "/Media/Song.mp3"), "ID3 song bytes");
    EXPECT_EQ(read(library() + "/Media/Other.m4a"), "other bytes");
    EXPECT_EQ(read(library() + "/Playlists/iPhoneMusic.m3u8"), "#EXTM3U\n../Media/Song.mp3\n../Media/Other.m4a\n");

    // Another file of the same name is kept beside the first, not over it.
    const QString sameName = QString::fromStdString(testsupport::scratchDirectory("elsewhere") + "/Song.mp3");
    std::ofstream(sameName.toStdString()) << "another song";
    ASSERT_TRUE(handler.addNewFile(sameName, "iPhoneMusic").has_value());
    EXPECT_EQ(read(library() + "/Media/Song.mp3"), "ID3 song bytes");
    EXPECT_EQ(read(library() + "/Media/Song 2.mp3"), "another song");

    ASSERT_TRUE(handler.addNewPlaylist("Road ../Trip").has_value());
    EXPECT_EQ(handler.getAllPlaylist(), (QStringList{"Road .._Trip", "iPhoneMusic"}));
    ASSERT_TRUE(handler.deletePlaylist("iPhoneMusic").has_value());
    EXPECT_FALSE(handler.deletePlaylist("iPhoneMusic").has_value());
    EXPECT_EQ(handler.getAllPlaylist(), QStringList{"Road .._Trip"});

    // A playlist an earlier library wrote as ".m3u" is still listed and added to, and takes the
    // ".m3u8" name that tells players its text is UTF-8.
    std::ofstream(library().toStdString() + "/Playlists/Caf\xC3\xA9.m3u") << "#EXTM3U\n../Media/Song.mp3\n";
    EXPECT_EQ(handler.getAllPlaylist(), (QStringList{"Café", "Road .._Trip"}));
    ASSERT_TRUE(handler.addNewFile(other, "Café").has_value());
    EXPECT_EQ(read(library() + "/Playlists/Caf\xC3\xA9.m3u8"), "#EXTM3U\n../Media/Song.mp3\n../Media/Other.m4a\n");
    EXPECT_FALSE(QFileInfo::exists(library() + "/Playlists/Caf\xC3\xA9.m3u"));
    EXPECT_EQ(handler.getAllPlaylist(), (QStringList{"Café", "Road .._Trip"}));
}

// What the application dropped while the script could not be called is in the library after
// the script's next call; a file still being written (hidden) and a link stay where they are.
TEST_F(ScriptHandlerTest, TheNextCallTakesTheDroppedFilesIntoTheLibrary) {
    const QString drop = library() + "/Automatically Add";
    ASSERT_TRUE(QDir().mkpath(drop));
    ASSERT_TRUE(QDir().mkpath(library() + "/Media"));
    auto put = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    put(drop + "/Song.mp3", "dropped song");
    put(drop + "/Twice.mp3", "same bytes");
    put(library() + "/Media/Twice.mp3", "same bytes");
    put(drop + "/.Half.mp3.part", "still writing");
    const QString outside = localFile("Outside.mp3", "not the library's");
    ASSERT_TRUE(QFile::link(outside, drop + "/Link.mp3"));

    EXPECT_TRUE(handler.getAllPlaylist().isEmpty());
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join("\n").toStdString();
    EXPECT_EQ(read(library() + "/Media/Song.mp3"), "dropped song");
    EXPECT_EQ(QDir(library() + "/Media").entryList(QDir::Files, QDir::Name), (QStringList{"Song.mp3", "Twice.mp3"}));
    EXPECT_EQ(QDir(drop).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
              (QStringList{".Half.mp3.part", "Link.mp3"}));
    EXPECT_EQ(read(outside), "not the library's");
}
