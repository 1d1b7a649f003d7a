// The device's music and video library: its SQLite database, fetched into a private local copy,
// read row by row into music-track records that go to the caller one at a time. The disk
// manager files them by kind after checking that each track's file is on the device; the
// transfer page and the one-click copy use the same reader with their own handling.
#pragma once

#include "disk/core/DiskDeviceServices.h"
#include "model/PRTranMusicNode.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct sqlite3;

namespace disk {

// The database and its journal files on the device.
inline constexpr const char* kMediaLibraryDevicePath = "/iTunes_Control/iTunes/MediaLibrary.sqlitedb";

// Copies the device's media library and its "-shm" and "-wal" files into folder (made when
// missing) and folds the journal into the copy. Journal files left there by an earlier device
// are removed first, so that they are never folded into this device's database. progress
// hears 0.1 before the copies and 0.3, 0.4, 0.5 after each. Returns the local database path,
// or empty when the database itself could not be copied.
std::string fetchMediaLibrary(amd::FileService& service, const std::string& folder,
                              const std::function<void(float)>& progress = {});

class MediaLibraryReader {
public:
    // Opens the local copy at path read-only.
    explicit MediaLibraryReader(const std::string& path);
    ~MediaLibraryReader();
    MediaLibraryReader(const MediaLibraryReader&) = delete;
    MediaLibraryReader& operator=(const MediaLibraryReader&) = delete;

    bool isOpen() const { return db_ != nullptr; }

    // Called with each track and its size in bytes (0 when the row gives none); returning
    // false ends the read (the device has gone).
    using RecordHandler = std::function<bool(const PRTranMusicNodePtr& record, uint64_t rowSize)>;
    enum class Outcome { Finished, NoDatabase, Stopped };
    // Reads every row of the library in the database's order. progress hears each row's
    // value (rowProgress) and 1.0 at the end of a complete read.
    Outcome ReadMusicInfoFromHandleTablewithSqlitePath(const RecordHandler& onRecord,
                                                       const std::function<void(float)>& progress = {});

    // The progress after the n-th row (from 1): a quick climb to 0.84 over the first 79 rows,
    // then n / (n + 20), which approaches 1 for long libraries.
    static float rowProgress(int n);

    // The look-ups of one row, each with its key bound as a statement parameter. Each takes the
    // last result row whose first column is not empty; absent when there is none.
    // Sets the record's artistPid and albumPid from the item row, each when not empty.
    void selectAlbmandArtistFromItemTablewithSqlite(const std::string& itemPid, PRTranMusicNode& record);
    std::optional<std::string> selectArtistFromitem_ArtistTablewithSqlite(const std::string& artistPid);
    std::optional<std::string> selectAlbmArtistFromAlbumTablewithSqlite(const std::string& albumPid);
    // The base folder of the item's file.
    std::optional<std::string> selectFileLocationFromAlbumTablewithSqlite(const std::string& itemPid);

private:
    struct Lookup;
    std::optional<std::string> lookup(Lookup& statement, const std::string& key, PRTranMusicNode* itemRecord = nullptr);

    sqlite3* db_ = nullptr;
    std::unique_ptr<Lookup> item_, artist_, album_, location_;
};

}  // namespace disk
