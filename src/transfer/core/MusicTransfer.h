// The music and video transfer of the transfer page without a window: one read of the device's
// media library fills both lists, tracks are copied into local copies (the first play, preview
// or add to the music library makes one), exported into a folder, and added to the computer's
// music library through the script.
//
// Local copies are keyed by the track's pid (or, without one, its device path), so two tracks
// of one title never share a copy; a copy counts as made only once it is whole.
#pragma once

#include "disk/core/ActionResult.h"
#include "disk/core/DiskDeviceServices.h"
#include "model/PRTranMusicNode.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

class iTunesScriptHandler;

namespace transfer {

// Where track copies go, as the system names it ("/tmp" is the private folder).
inline constexpr const char* kLocalMusicFolder = "/tmp/Music";
// The playlist every added track goes into.
inline constexpr const char* kMusicPlaylist = "iPhoneMusic";

struct MusicScanResult {
    bool serviceStarted = false;  // false: the device's file access could not be started
    bool libraryRead = false;     // false: no library could be copied or read
    bool stopped = false;         // ended early: the device went away or the page went
    std::vector<PRTranMusicNodePtr> music, video;
};

// Copies the device's media library into dbFolder (a private folder of its own when empty),
// reads every row and files "Music" rows and "Video" rows; a row without a kind goes to
// neither. Unlike the disk manager, a track whose file is missing is listed all the same.
MusicScanResult scanMusicLibrary(disk::DiskDeviceServices& services, int deviceIndex,
                                 const std::function<bool()>& keepGoing = {}, std::string dbFolder = {});

// "title.ext" (the extension of the device path), made a safe local file name; a leading dot is
// dropped as the exports have always done.
QString trackFileName(const PRTranMusicNode& track);
// The local copy's path below root (kLocalMusicFolder when empty): root/<pid>/<title.ext>.
QString trackCopyPath(const PRTranMusicNode& track, QString root = {});

struct TrackCopy {
    bool ok = false;
    QString localPath;
    disk::ActionResult result;
};
// Copies the track's device file into its local copy on a service of its own.
TrackCopy copyTrackToLocal(disk::DiskDeviceServices& services, int deviceIndex, const PRTranMusicNode& track,
                           const QString& root = {});

// Copies each track into folder as "title.ext": the local copy when there is one, else the
// device file. An existing file is never overwritten (that track fails). cancelled stops
// between tracks. written, when given, hears each file made.
disk::ActionResult exportTracks(disk::DiskDeviceServices& services, int deviceIndex,
                                const std::vector<PRTranMusicNodePtr>& tracks, const QString& folder,
                                const std::atomic<bool>* cancelled = nullptr, QStringList* written = nullptr);

// The library's automatic-add folder: a file put there is taken into the library at the
// script's next call.
QString libraryDropFolder();
enum class LibraryAdd { Playlist, DropFolder, Failed };
// Asks for the music library's "iPhoneMusic" playlist, then adds the local copy to it (also when
// the first call failed); when the add fails and dropFallback is set, copies it into the drop
// folder as fileName instead.
LibraryAdd addCopyToLibrary(iTunesScriptHandler& script, const QString& localCopy, const QString& fileName,
                            bool dropFallback = true);

}  // namespace transfer
