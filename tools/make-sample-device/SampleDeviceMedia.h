// The sample device's synced media: the music and video library with its database and real
// audio and movie files, the purchased books with their artwork, and the camera roll's
// screenshot and movie beside its photos. Each part writes through the device writer and says
// what it wrote, so that the device's usage figures agree with the files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sampledevice {

// Writes bytes to a path relative to the device folder with a modification time of the
// sample's epoch plus minutes; returns the number of bytes.
using FileWriter = std::function<uint64_t(const std::string& relative, const std::string& bytes, int minutes)>;

struct MediaLibraryBytes {
    uint64_t music = 0, movies = 0;  // bytes of the track files written
    int musicCount = 0, movieCount = 0;
    uint64_t other = 0;  // the database and its journal files
};

// "media/iTunes_Control/iTunes/MediaLibrary.sqlitedb" (its newest rows only in the "-wal") and
// the track files it names under "media/iTunes_Control/Music/Fnn": songs as WAV tones, a
// movie when a movie can be made, and one song whose file is missing.
MediaLibraryBytes writeMediaLibraryArea(const std::string& deviceFolder, const FileWriter& file);

// "media/Books/Purchases": the purchases list, two EPUB folders with "iTunesArtwork" and one
// PDF kept as a single file. Returns the bytes of the books.
uint64_t writeBookPurchases(const FileWriter& file, int* count = nullptr);

// A screenshot (PNG) and a short movie (MOV, when one can be made) in the camera roll's second
// folder. Returns their bytes and adds their number to count.
uint64_t writeCameraRollExtras(const FileWriter& file, int* count = nullptr);

// A short H.264 movie of size width x height lasting seconds, with a tone, made by the ffmpeg
// encoder; empty when it is not installed.
std::string shortMovie(int width, int height, int seconds, const std::string& format);

}  // namespace sampledevice
