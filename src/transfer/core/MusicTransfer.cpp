#include "transfer/core/MusicTransfer.h"

#include "device/ExportWalk.h"
#include "disk/core/LocalCopies.h"
#include "disk/core/MediaLibraryReader.h"
#include "platform/LocalNames.h"
#include "platform/NewFile.h"
#include "platform/Paths.h"
#include "transfer/core/iTunesScriptHandler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace transfer {

namespace {

QString devicePathOf(const PRTranMusicNode& track) { return QString::fromStdString(track.musicLoctionpath()); }

bool blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

MusicScanResult scanMusicLibrary(disk::DiskDeviceServices& services, int deviceIndex,
                                 const std::function<bool()>& keepGoing, std::string dbFolder) {
    MusicScanResult result;
    std::unique_ptr<amd::FileService> service = services.startMediaArea(deviceIndex);
    if (!service) return result;
    result.serviceStarted = true;
    // A folder of its own: the disk manager may be reading its copy at the same moment.
    if (dbFolder.empty()) dbFolder = disk::localCopyFolder("DB/Transfer");
    const std::string local = disk::fetchMediaLibrary(*service, dbFolder);
    if (local.empty()) return result;
    disk::MediaLibraryReader reader(local);
    const auto outcome =
        reader.ReadMusicInfoFromHandleTablewithSqlitePath([&](const PRTranMusicNodePtr& record, uint64_t) {
            if (record->musicType() == "Video")
                result.video.push_back(record);
            else if (record->musicType() == "Music")
                result.music.push_back(record);
            return !keepGoing || keepGoing();
        });
    result.libraryRead = outcome != disk::MediaLibraryReader::Outcome::NoDatabase;
    result.stopped = outcome == disk::MediaLibraryReader::Outcome::Stopped;
    return result;
}

QString trackFileName(const PRTranMusicNode& track) {
    QString name = QString::fromStdString(track.musicTitle()).trimmed();
    if (name.isEmpty()) name = QStringLiteral("Untitled");
    const QString extension = QFileInfo(devicePathOf(track)).suffix();
    if (!extension.isEmpty()) name += QLatin1Char('.') + extension;
    if (name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
    return localnames::safeLocalName(name);
}

QString trackCopyPath(const PRTranMusicNode& track, QString root) {
    if (root.isEmpty()) root = QString::fromStdString(paths::resolve(kLocalMusicFolder));
    const QString key = blank(track.musicPid()) ? QString() : QString::fromStdString(track.musicPid());
    const QString folder = key.isEmpty() ? localnames::localPathUnder(root, devicePathOf(track))
                                         : root + QLatin1Char('/') + localnames::safeLocalName(key);
    return folder + QLatin1Char('/') + trackFileName(track);
}

TrackCopy copyTrackToLocal(disk::DiskDeviceServices& services, int deviceIndex, const PRTranMusicNode& track,
                           const QString& root) {
    TrackCopy copy;
    copy.localPath = trackCopyPath(track, root);
    if (track.musicLoctionpath().empty()) {
        copy.result.failed(track.musicTitle(), "the library names no file for it");
        return copy;
    }
    std::unique_ptr<amd::FileService> service = services.startMediaArea(deviceIndex);
    if (!service) {
        copy.result.failed(track.musicLoctionpath(), "the device's files cannot be reached");
        return copy;
    }
    // The program's own copy: an earlier one is replaced once the new one is whole.
    std::string why = files::makeFolders(QFileInfo(copy.localPath).path().toStdString());
    if (why.empty() &&
        amd::copyToOwnFile(*service, track.musicLoctionpath(), copy.localPath.toStdString(), &why) == 0) {
        copy.ok = true;
        copy.result.succeeded(uint64_t(QFileInfo(copy.localPath).size()));
    } else {
        copy.result.failed(track.musicLoctionpath(), why);
    }
    return copy;
}

disk::ActionResult exportTracks(disk::DiskDeviceServices& services, int deviceIndex,
                                const std::vector<PRTranMusicNodePtr>& tracks, const QString& folder,
                                const std::atomic<bool>* cancelled, QStringList* written) {
    disk::ActionResult result;
    std::unique_ptr<amd::FileService> service;  // started for the first track
    for (const PRTranMusicNodePtr& track : tracks) {
        if (cancelled && *cancelled) break;
        // Tracks of one title (or a file the user has) each keep their own: the writer numbers.
        const QString target = folder + QLatin1Char('/') + trackFileName(*track);
        const QString localCopy = QString::fromStdString(track->bCopyLocationPath());
        QString landed;
        bool made = false;
        if (track->musicLoctionpath().empty()) {
            result.failed(track->musicTitle(), "the library names no file for it");
        } else {
            if (!service) service = services.startMediaArea(deviceIndex);
            if (!service)
                result.failed(track->musicLoctionpath(), "the device's files cannot be reached");
            else if (track->bhasCopy() &&
                     amd::ownCopyCurrent(*service, track->musicLoctionpath(), localCopy.toStdString()))
                // The copy kept stands in for the track only while the device still has it.
                made = amd::ExportWalk::copyLocalCopy(localCopy, track->musicLoctionpath(),
                                                      uint64_t(QFileInfo(localCopy).size()), target, result, &landed);
            else
                made = amd::ExportWalk::copyFile(*service, track->musicLoctionpath(), target, result, &landed);
        }
        if (made && written) *written << landed;
    }
    return result;
}

QString libraryDropFolder() {
    return QString::fromStdString(paths::homeDirectory()) +
           QStringLiteral("/Music/Quillomatrix Library/Automatically Add");
}

LibraryAdd addCopyToLibrary(iTunesScriptHandler& script, const QString& localCopy, const QString& fileName,
                            bool dropFallback) {
    const QString playlist = QString::fromLatin1(kMusicPlaylist);
    // The file is added whatever the playlist call answered: the playlist may be there already.
    script.addNewPlaylist(playlist);
    if (script.addNewFile(localCopy, playlist)) return LibraryAdd::Playlist;
    if (!dropFallback) return LibraryAdd::Failed;
    disk::ActionResult ignored;
    const QString target = libraryDropFolder() + QLatin1Char('/') + localnames::safeLocalName(fileName);
    return amd::ExportWalk::copyLocalCopy(localCopy, fileName.toStdString(), 0, target, ignored)
               ? LibraryAdd::DropFolder
               : LibraryAdd::Failed;
}

}  // namespace transfer
