#include "disk/core/MediaLibraryReader.h"

#include "backup/CommitDB.h"
#include "model/PRRecordFields.h"
#include "platform/LogCategories.h"
#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>

namespace disk {

namespace {

// A column's text when it is present and not empty.
std::optional<std::string> columnText(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    if (!text || !*text) return std::nullopt;
    std::string value = GetStringFormChar(text);
    if (value.empty()) return std::nullopt;
    return value;
}

}  // namespace

std::string fetchMediaLibrary(amd::FileService& service, const std::string& folder,
                              const std::function<void(float)>& progress) {
    auto report = [&progress](float value) {
        if (progress) progress(value);
    };
    report(0.1f);
    paths::makeDirectories(folder);
    const std::string local = paths::appendingPathComponent(folder, "MediaLibrary.sqlitedb");
    std::error_code ignored;
    // A journal of an earlier device (or an earlier copy) must not be folded into this copy.
    for (const char* suffix : {"", "-shm", "-wal", "-journal"}) std::filesystem::remove(local + suffix, ignored);
    const bool copied = amd::copyToOwnFile(service, kMediaLibraryDevicePath, local) == 0;
    report(0.3f);
    amd::copyToOwnFile(service, std::string(kMediaLibraryDevicePath) + "-shm", local + "-shm");
    report(0.4f);
    amd::copyToOwnFile(service, std::string(kMediaLibraryDevicePath) + "-wal", local + "-wal");
    report(0.5f);
    if (!copied) return {};
    commitDB(local);
    return local;
}

// One prepared look-up, run again for every row with a new key.
struct MediaLibraryReader::Lookup {
    Lookup(sqlite3* db, const char* sql) {
        if (db && sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            stmt = nullptr;
        }
    }
    ~Lookup() { sqlite3_finalize(stmt); }
    sqlite3_stmt* stmt = nullptr;
};

MediaLibraryReader::MediaLibraryReader(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return;
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    item_ = std::make_unique<Lookup>(db_, "select item_artist_pid,album_pid from item where item_pid=?1");
    artist_ = std::make_unique<Lookup>(db_, "select item_artist from item_artist where item_artist_pid=?1");
    album_ = std::make_unique<Lookup>(db_, "select album from album where album_pid=?1");
    location_ = std::make_unique<Lookup>(db_,
                                         "select base_location.path from base_location left join item on "
                                         "item.base_location_id=base_location.base_location_id where item.item_pid=?1");
}

MediaLibraryReader::~MediaLibraryReader() {
    item_.reset();
    artist_.reset();
    album_.reset();
    location_.reset();
    sqlite3_close(db_);
}

std::optional<std::string> MediaLibraryReader::lookup(Lookup& statement, const std::string& key,
                                                      PRTranMusicNode* itemRecord) {
    sqlite3_stmt* stmt = statement.stmt;
    if (!stmt) return std::nullopt;
    sqlite3_reset(stmt);
    // The key is a parameter: a key holding a quote is a value like any other.
    sqlite3_bind_text(stmt, 1, key.data(), int(key.size()), SQLITE_TRANSIENT);
    std::optional<std::string> result;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::optional<std::string> first = columnText(stmt, 0);
        if (itemRecord) {
            if (first) itemRecord->setArtistPid(*first);
            if (std::optional<std::string> second = columnText(stmt, 1)) itemRecord->setAlbumPid(*second);
        }
        if (first) result = std::move(first);
    }
    sqlite3_reset(stmt);
    return result;
}

void MediaLibraryReader::selectAlbmandArtistFromItemTablewithSqlite(const std::string& itemPid,
                                                                    PRTranMusicNode& record) {
    lookup(*item_, itemPid, &record);
}

std::optional<std::string> MediaLibraryReader::selectArtistFromitem_ArtistTablewithSqlite(
    const std::string& artistPid) {
    return lookup(*artist_, artistPid);
}

std::optional<std::string> MediaLibraryReader::selectAlbmArtistFromAlbumTablewithSqlite(const std::string& albumPid) {
    return lookup(*album_, albumPid);
}

std::optional<std::string> MediaLibraryReader::selectFileLocationFromAlbumTablewithSqlite(const std::string& itemPid) {
    return lookup(*location_, itemPid);
}

float MediaLibraryReader::rowProgress(int n) {
    const int r = n + 20;
    const int d = r - 20;
    return d < 80 ? float(r - 15) / 100.0f : float(d) / float(r);
}

MediaLibraryReader::Outcome MediaLibraryReader::ReadMusicInfoFromHandleTablewithSqlitePath(
    const RecordHandler& onRecord, const std::function<void(float)>& progress) {
    if (!db_) return Outcome::NoDatabase;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_,
                           "select item_extra.title,item_extra.file_size,item_extra.media_kind,"
                           "item_extra.total_time_ms,item_extra.item_pid,item_artist.item_artist,item_extra.location "
                           "from item_extra left join item_artist on "
                           "item_extra.item_pid=item_artist.representative_item_pid",
                           -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return Outcome::NoDatabase;
    }
    int n = 0;
    Outcome outcome = Outcome::Finished;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        auto record = std::make_shared<PRTranMusicNode>();
        if (auto title = columnText(stmt, 0)) record->setMusicTitle(*title);
        uint64_t rowSize = 0;
        if (auto size = columnText(stmt, 1)) {
            const long long bytes = std::atoll(size->c_str());
            rowSize = bytes > 0 ? uint64_t(bytes) : 0;
            record->setMusicFileSize(sizeText(rowSize));
            record->setFileSizeNumber(rowSize);
        }
        if (auto kind = columnText(stmt, 2)) record->setMusicType(std::atoi(kind->c_str()) == 2 ? "Video" : "Music");
        if (auto time = columnText(stmt, 3))
            record->setMusicTime(getCallHistoryDate(int32_t(std::strtol(time->c_str(), nullptr, 10))));
        if (auto pid = columnText(stmt, 4)) record->setMusicPid(*pid);
        if (auto artist = columnText(stmt, 5)) record->setMusicArtist(*artist);

        selectAlbmandArtistFromItemTablewithSqlite(record->musicPid(), *record);
        qCDebug(lcDisk, "[musicNode Artist]===%s,[musicNode musicPid]==%s", record->artistPid().c_str(),
                record->musicPid().c_str());
        record->setMusicArtist(selectArtistFromitem_ArtistTablewithSqlite(record->artistPid()).value_or(std::string()));
        if (auto album = selectAlbmArtistFromAlbumTablewithSqlite(record->albumPid())) record->setMusicAlbm(*album);
        // Without a base folder the track has no path on the device.
        const std::optional<std::string> base = selectFileLocationFromAlbumTablewithSqlite(record->musicPid());
        if (auto location = columnText(stmt, 6); location && base) record->setMusicLoctionpath(*base + "/" + *location);

        if (onRecord && !onRecord(record, rowSize)) {
            outcome = Outcome::Stopped;
            break;
        }
        ++n;
        const float value = rowProgress(n);
        qCDebug(lcDisk, "fnumber====%f", double(value));
        if (progress) progress(value);
    }
    sqlite3_finalize(stmt);
    if (outcome == Outcome::Finished && progress) progress(1.0f);
    return outcome;
}

}  // namespace disk
