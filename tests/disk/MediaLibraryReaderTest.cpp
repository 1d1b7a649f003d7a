// The media library reader against databases in the device's layout, and the disk manager's
// music and video scan that fetches the library from an in-memory device and files its tracks.
#include "FakeDiskDevice.h"
#include "SampleMediaLibrary.h"
#include "TestSupport.h"
#include "disk/core/MediaLibraryReader.h"
#include "disk/core/MusicScan.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using disk::MediaLibraryReader;
using sampledb::MediaTrack;

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

MediaTrack track(int64_t pid, const std::string& title, int kind, int64_t base, const std::string& location) {
    MediaTrack t;
    t.itemPid = pid;
    t.title = title;
    t.mediaKind = kind;
    t.fileSize = 4000000 + pid % 1000;
    t.totalTimeMs = 245000;
    t.artist = "Artist of " + title;
    t.artistPid = pid + 1;
    t.album = "Album of " + title;
    t.albumPid = pid + 2;
    t.baseLocationId = base;
    t.location = location;
    return t;
}

// Four tracks: a song, a movie, a music video (kind 8) without a size, and a song whose item
// names no base location.
sampledb::MediaLibrary smallLibrary() {
    sampledb::MediaLibrary library;
    library.baseLocations = {{3840, "iTunes_Control/Music/F00"}, {3841, "iTunes_Control/Music/F01"}};
    library.tracks.push_back(track(-7218347890245618203, "Morning Song", 1, 3840, "ABCD.m4a"));
    library.tracks.push_back(track(6021547734951880417, "Harbour Film", 2, 3841, "QWER.m4v"));
    MediaTrack clip = track(1154800236412355501, "Clip", 8, 3841, "ZXCV.m4v");
    clip.fileSize.reset();
    library.tracks.push_back(clip);
    library.tracks.push_back(track(-31554101203377, "Lost Song", 1, 0, "LOST.m4a"));
    return library;
}

struct Read {
    std::vector<PRTranMusicNodePtr> records;
    std::vector<uint64_t> sizes;
    std::vector<float> progress;
    // The row of the track titled title (rows come in the database's order, by item pid).
    size_t row(const std::string& title) const {
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i]->musicTitle() == title) return i;
        ADD_FAILURE() << "no track " << title;
        return 0;
    }
};

Read readAll(const std::string& path) {
    Read read;
    MediaLibraryReader reader(path);
    reader.ReadMusicInfoFromHandleTablewithSqlitePath(
        [&](const PRTranMusicNodePtr& r, uint64_t size) {
            read.records.push_back(r);
            read.sizes.push_back(size);
            return true;
        },
        [&](float v) { read.progress.push_back(v); });
    return read;
}

class MediaLibraryTest : public testsupport::HomeTest {
protected:
    std::string folder = testsupport::scratchDirectory("medialibrary");
    std::string db = folder + "/MediaLibrary.sqlitedb";
};

TEST_F(MediaLibraryTest, TurnsRowsIntoTracksWithKindsSizesAndPaths) {
    ASSERT_TRUE(sampledb::writeMediaLibrary(db, smallLibrary()));
    const Read read = readAll(db);
    ASSERT_EQ(read.records.size(), 4u);

    const PRTranMusicNode& song = *read.records[read.row("Morning Song")];
    EXPECT_EQ(song.musicTitle(), "Morning Song");
    EXPECT_EQ(song.musicType(), "Music");
    EXPECT_EQ(song.musicArtist(), "Artist of Morning Song");
    EXPECT_EQ(song.musicAlbm().value_or(""), "Album of Morning Song");
    EXPECT_EQ(song.musicTime(), "00:04:05");
    EXPECT_EQ(song.musicPid(), "-7218347890245618203");
    EXPECT_EQ(song.artistPid(), "-7218347890245618202");
    EXPECT_EQ(song.musicLoctionpath(), "iTunes_Control/Music/F00/ABCD.m4a");
    EXPECT_EQ(song.fileSizeNumber(), 4000000u - 203u);
    EXPECT_EQ(song.musicFileSize(), "4.00MB");

    const PRTranMusicNode& film = *read.records[read.row("Harbour Film")];
    EXPECT_EQ(film.musicType(), "Video");
    EXPECT_EQ(film.musicLoctionpath(), "iTunes_Control/Music/F01/QWER.m4v");
    // A music video is music here; without a size it has no size text and adds nothing.
    const size_t clip = read.row("Clip");
    EXPECT_EQ(read.records[clip]->musicType(), "Music");
    EXPECT_EQ(read.records[clip]->musicFileSize(), " ");
    EXPECT_EQ(read.sizes[clip], 0u);
    // No base location, no path on the device.
    EXPECT_TRUE(read.records[read.row("Lost Song")]->musicLoctionpath().empty());

    EXPECT_EQ(read.progress, (std::vector<float>{0.06f, 0.07f, 0.08f, 0.09f, 1.0f}));
}

TEST_F(MediaLibraryTest, ProgressClimbsQuicklyThenApproachesOne) {
    EXPECT_FLOAT_EQ(MediaLibraryReader::rowProgress(1), 0.06f);
    EXPECT_FLOAT_EQ(MediaLibraryReader::rowProgress(79), 0.84f);
    EXPECT_FLOAT_EQ(MediaLibraryReader::rowProgress(80), 0.8f);
    EXPECT_FLOAT_EQ(MediaLibraryReader::rowProgress(180), 0.9f);
}

TEST_F(MediaLibraryTest, EmptyLibraryGoesStraightToTheEndAndMissingOrForeignFilesGiveNothing) {
    ASSERT_TRUE(sampledb::writeMediaLibrary(db, {}));
    Read read = readAll(db);
    EXPECT_TRUE(read.records.empty());
    EXPECT_EQ(read.progress, std::vector<float>{1.0f});

    read = readAll(folder + "/missing.sqlitedb");
    EXPECT_TRUE(read.records.empty());
    EXPECT_TRUE(read.progress.empty());
    EXPECT_FALSE(std::filesystem::exists(folder + "/missing.sqlitedb"));  // never created

    std::ofstream(folder + "/garbage.sqlitedb") << "not a database at all";
    EXPECT_EQ(MediaLibraryReader(folder + "/garbage.sqlitedb")
                  .ReadMusicInfoFromHandleTablewithSqlitePath([](auto&&, uint64_t) { return true; }),
              MediaLibraryReader::Outcome::NoDatabase);
}

TEST_F(MediaLibraryTest, KeysAreValuesNotSqlText) {
    ASSERT_TRUE(sampledb::writeMediaLibrary(db, smallLibrary()));
    MediaLibraryReader reader(db);
    EXPECT_EQ(reader.selectArtistFromitem_ArtistTablewithSqlite("-7218347890245618202").value_or(""),
              "Artist of Morning Song");
    // Formatted into the statement, this key would match every artist.
    EXPECT_FALSE(reader.selectArtistFromitem_ArtistTablewithSqlite("0 or 1=1").has_value());
    EXPECT_FALSE(reader.selectAlbmArtistFromAlbumTablewithSqlite("1' or '1'='1").has_value());
    PRTranMusicNode record;
    reader.selectAlbmandArtistFromItemTablewithSqlite("x'); drop table item; --", record);
    EXPECT_EQ(record.artistPid(), " ");
    EXPECT_EQ(reader.selectFileLocationFromAlbumTablewithSqlite("6021547734951880417").value_or(""),
              "iTunes_Control/Music/F01");
}

// A device holding the library (its newest rows only in the journal) and the track files.
void putLibraryOn(FakeDiskDevice& device, const std::string& scratch, const sampledb::MediaLibrary& library,
                  int walOnly) {
    const std::string made = scratch + "/device-copy.sqlitedb";
    ASSERT_TRUE(sampledb::writeMediaLibrary(made, library, walOnly));
    device.addFile(disk::kMediaLibraryDevicePath, bytesOf(made));
    for (const char* suffix : {"-wal", "-shm"})
        if (std::filesystem::exists(made + suffix))
            device.addFile(std::string(disk::kMediaLibraryDevicePath) + suffix, bytesOf(made + suffix));
}

TEST_F(MediaLibraryTest, FetchFoldsThisDevicesJournalAndNeverAnEarlierOne) {
    sampledb::MediaLibrary library = smallLibrary();
    FakeDiskDevice device;
    putLibraryOn(device, folder, library, 2);
    ASSERT_TRUE(device.contents.count(std::string(disk::kMediaLibraryDevicePath) + "-wal"));
    auto service = device.startMediaArea(0);
    const std::string local = folder + "/DB";
    std::vector<float> progress;
    const std::string path = disk::fetchMediaLibrary(*service, local, [&](float v) { progress.push_back(v); });
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(progress, (std::vector<float>{0.1f, 0.3f, 0.4f, 0.5f}));
    EXPECT_EQ(readAll(path).records.size(), 4u);  // two of them only in the journal

    // A second device without a journal: the first one's journal must not come back.
    sampledb::MediaLibrary other;
    other.baseLocations = library.baseLocations;
    other.tracks = {track(42, "Only Track", 1, 3840, "ONLY.m4a")};
    FakeDiskDevice second;
    putLibraryOn(second, folder, other, 0);
    // Leave a journal of the first device in the local folder, as a read that stopped would.
    std::ofstream(local + "/MediaLibrary.sqlitedb-wal", std::ios::binary)
        << device.contents[std::string(disk::kMediaLibraryDevicePath) + "-wal"];
    auto secondService = second.startMediaArea(0);
    const Read read = readAll(disk::fetchMediaLibrary(*secondService, local));
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0]->musicTitle(), "Only Track");

    // A device without a library leaves no earlier copy behind to be read.
    FakeDiskDevice empty;
    auto emptyService = empty.startMediaArea(0);
    EXPECT_TRUE(disk::fetchMediaLibrary(*emptyService, local).empty());
    EXPECT_FALSE(std::filesystem::exists(local + "/MediaLibrary.sqlitedb"));
}

struct Filed : disk::MusicScanSink {
    void deliver(const PRTranMusicNodePtr& record, bool video) override { (video ? videos : music).push_back(record); }
    void progress(float value) override { values.push_back(value); }
    std::vector<PRTranMusicNodePtr> music, videos;
    std::vector<float> values;
};

TEST_F(MediaLibraryTest, MusicScanFilesTracksWhoseFilesAreOnTheDevice) {
    sampledb::MediaLibrary library = smallLibrary();
    library.tracks.push_back(track(77, "Deleted From Device", 1, 3840, "GONE.m4a"));
    FakeDiskDevice device;
    putLibraryOn(device, folder, library, 1);
    device.addFile("iTunes_Control/Music/F00/ABCD.m4a", 4000);
    device.addFile("iTunes_Control/Music/F01/QWER.m4v", 9000);
    device.addFile("iTunes_Control/Music/F01/ZXCV.m4v", 3000);
    Filed sink;
    disk::MusicScan::Options options;
    options.localFolder = folder + "/DB";
    disk::MusicScan scan(device, options, sink);
    ASSERT_EQ(scan.startScanDeviceMusic(), disk::MusicScan::Outcome::Finished);
    ASSERT_EQ(sink.music.size(), 2u);
    EXPECT_EQ(sink.music[0]->musicTitle(), "Morning Song");
    EXPECT_EQ(sink.music[1]->musicTitle(), "Clip");
    ASSERT_EQ(sink.videos.size(), 1u);
    EXPECT_EQ(sink.videos[0]->musicTitle(), "Harbour Film");
    // Totals are the rows' sizes; the clip has none.
    EXPECT_EQ(scan.allMusicFileSize(), uint64_t(*library.tracks[0].fileSize));
    EXPECT_EQ(scan.allVideoFileSize(), uint64_t(*library.tracks[1].fileSize));
    EXPECT_EQ(sink.values.front(), 0.1f);
    EXPECT_EQ(sink.values.back(), 1.0f);
}

TEST_F(MediaLibraryTest, MusicScanWithoutServiceOrLibraryOrDevice) {
    FakeDiskDevice device;
    device.mediaAreaStarts = false;
    Filed sink;
    disk::MusicScan::Options options;
    options.localFolder = folder + "/DB";
    EXPECT_EQ(disk::MusicScan(device, options, sink).startScanDeviceMusic(), disk::MusicScan::Outcome::NoService);

    // No library on the device: empty lists, the progress stays at the copies' end.
    device.mediaAreaStarts = true;
    Filed none;
    EXPECT_EQ(disk::MusicScan(device, options, none).startScanDeviceMusic(), disk::MusicScan::Outcome::Finished);
    EXPECT_TRUE(none.music.empty());
    EXPECT_EQ(none.values.back(), 0.5f);

    // The device leaves during the read: what was filed stays, the scan says so.
    putLibraryOn(device, folder, smallLibrary(), 0);
    device.addFile("iTunes_Control/Music/F00/ABCD.m4a", 4000);
    int asked = 0;
    options.deviceConnected = [&asked] { return ++asked < 2; };
    Filed gone;
    EXPECT_EQ(disk::MusicScan(device, options, gone).startScanDeviceMusic(), disk::MusicScan::Outcome::Disconnected);
    EXPECT_EQ(gone.music.size(), 1u);
}

}  // namespace
