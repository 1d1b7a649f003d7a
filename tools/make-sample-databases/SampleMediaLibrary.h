// The device's music and video library ("MediaLibrary.sqlitedb") in the layout of iOS 5 to 7
// devices: item, item_extra, item_artist, album, album_artist and base_location, keyed by 64-bit
// persistent ids. Shared by the sample device, the tests and the benchmark.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sampledb {

struct MediaTrack {
    int64_t itemPid = 0;
    std::string title;
    std::optional<int64_t> fileSize;  // absent: the column is NULL
    int mediaKind = 1;                // 1 music, 2 movie, 8 music video, ...
    int64_t totalTimeMs = 0;
    std::string artist;  // item_artist rows are made per distinct artistPid
    int64_t artistPid = 0;
    std::string album;  // album rows per distinct albumPid; 0 for none
    int64_t albumPid = 0;
    int64_t baseLocationId = 0;  // 0: the item names no base location
    std::string location;        // the file's name in its base folder
};

struct MediaLibrary {
    std::vector<MediaTrack> tracks;
    // base_location rows: id and folder path relative to the media area ("iTunes_Control/Music/F00").
    std::vector<std::pair<int64_t, std::string>> baseLocations;
};

// Writes the library afresh at path; the last walOnly tracks are committed into the "-wal"
// file and left there, as a device leaves them. False when it could not be written.
bool writeMediaLibrary(const std::string& path, const MediaLibrary& library, int walOnly = 0);

// A deterministic library of count tracks over 50 folders "iTunes_Control/Music/F00".."F49",
// a tenth of them videos, for benchmarks.
MediaLibrary makeMediaLibrary(int count);

}  // namespace sampledb
