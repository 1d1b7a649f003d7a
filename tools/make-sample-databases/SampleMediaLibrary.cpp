#include "SampleMediaLibrary.h"

#include "SqliteWriter.h"

#include <cstdio>
#include <set>

namespace sampledb {

bool writeMediaLibrary(const std::string& path, const MediaLibrary& library, int walOnly) {
    SqliteWriter db(path);
    db.exec(
        "CREATE TABLE _MLDatabaseProperties (key TEXT PRIMARY KEY, value TEXT);"
        "CREATE TABLE item (item_pid INTEGER PRIMARY KEY, media_type INTEGER NOT NULL DEFAULT 0, "
        "title_order INTEGER NOT NULL DEFAULT 0, title_order_section INTEGER NOT NULL DEFAULT 0, "
        "item_artist_pid INTEGER NOT NULL DEFAULT 0, item_artist_order INTEGER NOT NULL DEFAULT 0, "
        "album_pid INTEGER NOT NULL DEFAULT 0, album_order INTEGER NOT NULL DEFAULT 0, "
        "album_artist_pid INTEGER NOT NULL DEFAULT 0, composer_pid INTEGER NOT NULL DEFAULT 0, "
        "genre_id INTEGER NOT NULL DEFAULT 0, base_location_id INTEGER NOT NULL DEFAULT 0, "
        "disc_number INTEGER NOT NULL DEFAULT 0, track_number INTEGER NOT NULL DEFAULT 0, "
        "date_accessed INTEGER NOT NULL DEFAULT 0, in_my_library INTEGER NOT NULL DEFAULT 1);"
        "CREATE TABLE item_extra (item_pid INTEGER PRIMARY KEY, title TEXT NOT NULL DEFAULT '', "
        "sort_title TEXT, disc_count INTEGER NOT NULL DEFAULT 0, track_count INTEGER NOT NULL DEFAULT 0, "
        "total_time_ms INTEGER NOT NULL DEFAULT 0, year INTEGER NOT NULL DEFAULT 0, location TEXT NOT NULL DEFAULT '', "
        "file_size INTEGER, integrity BLOB, is_audible_audio_book INTEGER NOT NULL DEFAULT 0, "
        "date_modified INTEGER NOT NULL DEFAULT 0, media_kind INTEGER NOT NULL DEFAULT 0, "
        "content_rating INTEGER NOT NULL DEFAULT 0, is_user_disabled INTEGER NOT NULL DEFAULT 0, "
        "bpm INTEGER NOT NULL DEFAULT 0, genius_id INTEGER NOT NULL DEFAULT 0, location_kind_id INTEGER NOT NULL "
        "DEFAULT 0);"
        "CREATE TABLE item_artist (item_artist_pid INTEGER PRIMARY KEY, item_artist TEXT NOT NULL DEFAULT '', "
        "sort_item_artist TEXT, series_name TEXT NOT NULL DEFAULT '', grouping_key BLOB, "
        "keep_local INTEGER NOT NULL DEFAULT 0, store_id INTEGER NOT NULL DEFAULT 0, "
        "representative_item_pid INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE album (album_pid INTEGER PRIMARY KEY, album TEXT NOT NULL DEFAULT '', sort_album TEXT, "
        "album_artist_pid INTEGER NOT NULL DEFAULT 0, representative_item_pid INTEGER NOT NULL DEFAULT 0, "
        "grouping_key BLOB, keep_local INTEGER NOT NULL DEFAULT 0, album_year INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE album_artist (album_artist_pid INTEGER PRIMARY KEY, album_artist TEXT NOT NULL DEFAULT '', "
        "sort_album_artist TEXT, representative_item_pid INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE base_location (base_location_id INTEGER PRIMARY KEY, path TEXT NOT NULL);"
        "CREATE INDEX ItemArtistRepresentativeIndex ON item_artist (representative_item_pid);"
        "INSERT INTO _MLDatabaseProperties VALUES ('MLJaliscoNeedsUpdateForTokens', '0');"
        "INSERT INTO _MLDatabaseProperties VALUES ('_UUID', 'D1B4C6F2-7A3E-4E1F-9C0B-5A2D8E6F4B10');");
    SqliteWriter::Statement location(db, "INSERT INTO base_location (base_location_id, path) VALUES (?1, ?2)");
    db.exec("BEGIN");
    for (const auto& [id, folder] : library.baseLocations) location.run(id, folder);
    db.exec("COMMIT");

    SqliteWriter::Statement item(
        db,
        "INSERT INTO item (item_pid, media_type, item_artist_pid, album_pid, base_location_id, track_number) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    SqliteWriter::Statement extra(
        db,
        "INSERT INTO item_extra (item_pid, title, sort_title, total_time_ms, location, file_size, media_kind, "
        "date_modified, location_kind_id) VALUES (?1, ?2, ?2, ?3, ?4, ?5, ?6, ?7, 42)");
    SqliteWriter::Statement artist(
        db,
        "INSERT INTO item_artist (item_artist_pid, item_artist, sort_item_artist, representative_item_pid) "
        "VALUES (?1, ?2, ?2, ?3)");
    SqliteWriter::Statement album(
        db, "INSERT INTO album (album_pid, album, sort_album, representative_item_pid) VALUES (?1, ?2, ?2, ?3)");
    std::set<int64_t> artists, albums;
    insertRows(db, library.tracks.size(), walOnly, [&](size_t i) {
        const MediaTrack& t = library.tracks[i];
        // The media type of the item table follows the kind as devices write it.
        item.run(t.itemPid, t.mediaKind == 2 ? 2048 : 1, t.artistPid, t.albumPid, t.baseLocationId, int(i % 12) + 1);
        if (t.fileSize)
            extra.run(t.itemPid, t.title, t.totalTimeMs, t.location, *t.fileSize, t.mediaKind,
                      int64_t(420000000 + i * 60));
        else
            extra.run(t.itemPid, t.title, t.totalTimeMs, t.location, nullptr, t.mediaKind, int64_t(420000000 + i * 60));
        if (t.artistPid && artists.insert(t.artistPid).second) artist.run(t.artistPid, t.artist, t.itemPid);
        if (t.albumPid && albums.insert(t.albumPid).second) album.run(t.albumPid, t.album, t.itemPid);
    });
    return db.ok();
}

MediaLibrary makeMediaLibrary(int count) {
    MediaLibrary library;
    for (int f = 0; f < 50; ++f) {
        char folder[40];
        std::snprintf(folder, sizeof folder, "iTunes_Control/Music/F%02d", f);
        library.baseLocations.emplace_back(3840 + f, folder);
    }
    uint64_t state = 0x2545F4914F6CDD1DULL;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int i = 0; i < count; ++i) {
        MediaTrack t;
        t.itemPid = int64_t(next());
        const int artistNumber = i % 400, albumNumber = i % 1600;
        t.artistPid = int64_t(0x5A00000000000000ULL + uint64_t(artistNumber) * 7919);
        t.albumPid = int64_t(0x3C00000000000000ULL + uint64_t(albumNumber) * 104729);
        t.artist = "Artist " + std::to_string(artistNumber);
        t.album = "Album " + std::to_string(albumNumber);
        t.title = "Track " + std::to_string(i);
        t.mediaKind = i % 10 == 0 ? 2 : 1;
        t.fileSize = int64_t(2000000 + next() % 8000000);
        t.totalTimeMs = int64_t(90000 + next() % 300000);
        t.baseLocationId = 3840 + i % 50;
        char name[16];
        std::snprintf(name, sizeof name, "%c%c%c%c.%s", 'A' + int(next() % 26), 'A' + int(next() % 26),
                      'A' + int(next() % 26), 'A' + int(next() % 26), t.mediaKind == 2 ? "m4v" : "m4a");
        t.location = name;
        library.tracks.push_back(std::move(t));
    }
    return library;
}

}  // namespace sampledb
