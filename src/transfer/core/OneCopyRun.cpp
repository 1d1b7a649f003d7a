#include "transfer/core/OneCopyRun.h"

#include "browser/core/BackupToolRun.h"
#include "device/ExportWalk.h"
#include "disk/core/LocalCopies.h"
#include "platform/Counted.h"
#include "platform/LocalNames.h"
#include "platform/NewFile.h"
#include "platform/Paths.h"
#include "transfer/core/MusicTransfer.h"
#include "transfer/core/OneCopyRecords.h"

#include <QFileInfo>

namespace transfer {

namespace {

bool holds(const std::string& name, const std::string& needle) {
    return needle.empty() || QString::fromStdString(name).contains(QString::fromStdString(needle), Qt::CaseInsensitive);
}

}  // namespace

const char* OneCopyRun::categoryName(OneCopyCategory category) {
    static const char* const names[kOneCopyCategoryCount] = {
        "Camera Roll", "Photo Stream", "Photo Library",        "Music",    "Video", "Contacts", "Messages",
        "Notes",       "Bookmarks",    "Calendar & Reminders", "Call Logs"};
    const int i = int(category);
    return i >= 0 && i < kOneCopyCategoryCount ? names[i] : "";
}

OneCopyRun::OneCopyRun(disk::DiskDeviceServices& services, OneCopyOptions options, Hooks hooks,
                       const std::atomic<bool>* cancelled)
    : services_(services), options_(std::move(options)), hooks_(std::move(hooks)), cancelled_(cancelled) {
    if (options_.bookExportPath.isEmpty()) options_.bookExportPath = options_.exportFolder;
}

bool OneCopyRun::goOn() {
    if (cancelled_ && cancelled_->load()) summary_.cancelled = true;
    if (!summary_.deviceLeft && hooks_.deviceConnected && !hooks_.deviceConnected()) summary_.deviceLeft = true;
    return !summary_.cancelled && !summary_.deviceLeft;
}

std::vector<std::string> OneCopyRun::subFolders(amd::FileService& service, const std::string& folder,
                                                const std::string& needle) {
    std::vector<std::string> names, out;
    if (!service.ListDirectory(folder, names)) return out;
    for (const std::string& name : names) {
        if (name.empty() || name == "." || name == ".." || !holds(name, needle)) continue;
        amd::FileEntry entry;
        if (service.FileInfo(folder + "/" + name, entry) && entry.kind == amd::FileEntry::Kind::Directory)
            out.push_back(folder + "/" + name);
    }
    return out;
}

bool OneCopyRun::copyFolderFiles(amd::FileService& service, const std::string& folder) {
    std::vector<std::string> names;
    if (!service.ListDirectory(folder, names)) return goOn();
    for (const std::string& name : names) {
        if (name.empty() || name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        amd::FileEntry entry;
        if (!service.FileInfo(path, entry) || entry.kind != amd::FileEntry::Kind::Regular) continue;
        say(QStringLiteral("Copying %1").arg(QString::fromStdString(name)));
        // Photos of every folder land side by side; a later one of the same name is numbered.
        const QString local = options_.exportFolder + "/" + localnames::exportedName(QString::fromStdString(name));
        amd::ExportWalk::copyFile(service, path, entry.size, local, summary_.media);
        if (!goOn()) return false;
    }
    return true;
}

void OneCopyRun::startCopyCameraRoll() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (service) {
        for (const std::string& folder : subFolders(*service, "/DCIM", "APPLE"))
            if (!copyFolderFiles(*service, folder)) return;
    }
    ended(OneCopyCategory::CameraRoll, bool(service));
}

void OneCopyRun::startCopyPhotoStream() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (service) {
        for (const std::string& stream : subFolders(*service, "/PhotoStreamsData", ""))
            for (const std::string& album : subFolders(*service, stream, "APPLE"))
                if (!copyFolderFiles(*service, album)) return;
    }
    ended(OneCopyCategory::PhotoStream, bool(service));
}

void OneCopyRun::startCopyPhotoLibrary() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (service) {
        for (const char* root : {"/PhotoData/Sync", "/Photos/Sync"})
            for (const std::string& folder : subFolders(*service, root, "SYNCD"))
                if (!copyFolderFiles(*service, folder)) return;
    }
    ended(OneCopyCategory::PhotoLibrary, bool(service));
}

void OneCopyRun::startCopyMuisc() {
    say(QStringLiteral("Reading the music library"));
    // The library copy is kept per device, so journals of another device are never folded in.
    const std::string dbFolder = disk::localCopyFolder(
        "DB/OneCopy/" + localnames::safeLocalName(QString::fromStdString(options_.udid)).toStdString());
    MusicScanResult library = scanMusicLibrary(
        services_, options_.deviceIndex, [this] { return goOn(); }, dbFolder);
    std::unique_ptr<amd::FileService> service =
        library.serviceStarted ? services_.startMediaArea(options_.deviceIndex) : nullptr;
    if (!service || !goOn()) {
        ended(OneCopyCategory::Music, false);
        if (on(OneCopyCategory::Video)) ended(OneCopyCategory::Video, false);
        return;
    }
    for (const auto* list : {&library.music, &library.video}) {
        for (const PRTranMusicNodePtr& track : *list) {
            if (track->musicLoctionpath().empty()) continue;
            const QString name = trackFileName(*track);
            say(QStringLiteral("Copying %1").arg(name));
            amd::ExportWalk::copyFile(*service, track->musicLoctionpath(), options_.exportFolder + "/" + name,
                                      summary_.media);
            if (!goOn()) return;
        }
    }
    // The videos went with the music whatever the video switch says, so their row is done too.
    ended(OneCopyCategory::Music, true);
    ended(OneCopyCategory::Video, true);
}

void OneCopyRun::startCopyBooks() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (service) {
        say(QStringLiteral("Copying the books"));
        amd::ExportWalk walk(*service, options_.bookExportPath, cancelled_);
        std::vector<std::string> names;
        service->ListDirectory("/Books/Purchases", names);
        for (const std::string& name : names) {
            if (name.empty() || name == "." || name == "..") continue;
            walk.exportEntry("/Books/Purchases/" + name, /*asNewFolder*/ true);  // a book kept as a folder
            if (!goOn()) break;
        }
        summary_.media.add(walk.result());
    }
    // The books have no row of their own: their end is shown on the bookmarks row.
    if (goOn()) ended(OneCopyCategory::BookMarks, bool(service));
}

void OneCopyRun::startBackupDevice() {
    say(QStringLiteral("Backing the device up"));
    const browser::BackupRunResult backup =
        browser::BackupToolRun::run(options_.udid, paths::resolve(options_.backupRoot));
    summary_.backupCompleted = backup.completed();
    summary_.backupMessage = backup.message;
}

void OneCopyRun::startCopyRecords() {
    using C = OneCopyCategory;
    struct Step {
        C category;
        int (OneCopyRecords::*copy)();
    };
    static constexpr Step steps[] = {
        {C::Contacts, &OneCopyRecords::startCopyContacts},  {C::Messages, &OneCopyRecords::startCopyMessages},
        {C::Notes, &OneCopyRecords::startCopyNotes},        {C::BookMarks, &OneCopyRecords::startCopyBookMarks},
        {C::Calendar, &OneCopyRecords::StartCopyReminders}, {C::CallLogs, &OneCopyRecords::StartCopyCallLogs}};
    const std::string backupFolder =
        browser::BackupToolRun::backupFolderFor(options_.udid, paths::resolve(options_.backupRoot));
    OneCopyRecords records(backupFolder, options_.exportFolder.toStdString(), options_.deviceName);
    for (const Step& step : steps) {
        if (!on(step.category)) continue;
        if (!summary_.backupCompleted) {
            // Whatever an earlier backup left there is not this copy's: nothing is written.
            summary_.notWritten << QStringLiteral("%1: not written, the backup failed")
                                       .arg(QString::fromLatin1(categoryName(step.category)));
            ended(step.category, false);
            continue;
        }
        say(QStringLiteral("Writing %1").arg(QString::fromLatin1(categoryName(step.category))));
        summary_.records[size_t(step.category)] = (records.*step.copy)();
        summary_.recordsThere[size_t(step.category)] = records.alreadyThere();
        ended(step.category, true);
        if (cancelled_ && cancelled_->load()) {
            summary_.cancelled = true;
            break;
        }
    }
    summary_.recordFiles.add(records.result());
}

OneCopySummary OneCopyRun::run() {
    summary_ = OneCopySummary();
    // A copy run again into the folder of an earlier one adds only what changed.
    const files::SkipFilesAlreadyThere sameFilesStay;
    using C = OneCopyCategory;
    // Each step runs to its end before the next; a device that leaves ends the run.
    const std::pair<C, void (OneCopyRun::*)()> media[] = {{C::CameraRoll, &OneCopyRun::startCopyCameraRoll},
                                                          {C::PhotoStream, &OneCopyRun::startCopyPhotoStream},
                                                          {C::PhotoLibrary, &OneCopyRun::startCopyPhotoLibrary},
                                                          {C::Music, &OneCopyRun::startCopyMuisc}};
    for (const auto& [category, step] : media) {
        if (!goOn()) return summary_;
        if (on(category)) (this->*step)();
    }
    if (!goOn()) return summary_;
    startCopyBooks();
    if (!goOn()) return summary_;
    startBackupDevice();
    if (!goOn()) return summary_;
    startCopyRecords();
    return summary_;
}

QStringList OneCopySummary::lines() const {
    QStringList out;
    if (deviceLeft) out << QStringLiteral("The device was disconnected: the copy ended early.");
    if (cancelled) out << QStringLiteral("The copy was stopped.");
    out << QStringLiteral("%1 media files copied (%2 bytes).").arg(media.files).arg(media.bytes);
    if (const uint64_t same = media.alreadyThere + recordFiles.alreadyThere)
        out << QStringLiteral("%1 already there with the same content, left as they were.")
                   .arg(counted(same, "file", "files"));
    if (media.files == 0 && recordFiles.files == 0 && media.alreadyThere + recordFiles.alreadyThere > 0)
        out << QStringLiteral("Nothing new was copied: everything was already in the folder.");
    if (media.failures)
        out << QStringLiteral("%1 could not be copied, first %2: %3")
                   .arg(counted(media.failures, "file", "files"))
                   .arg(QString::fromStdString(media.firstFailurePath),
                        QString::fromStdString(media.firstFailureReason));
    if (!deviceLeft && !cancelled && !backupCompleted)
        out << QStringLiteral("The backup failed: %1").arg(QString::fromStdString(backupMessage));
    out << notWritten;
    for (int i = int(OneCopyCategory::Contacts); i < kOneCopyCategoryCount; ++i) {
        const int written = records[size_t(i)], there = recordsThere[size_t(i)];
        const QString name = QString::fromLatin1(OneCopyRun::categoryName(OneCopyCategory(i)));
        if (written && there)
            out << QStringLiteral("%1: %2 written, %3 already there").arg(name).arg(written).arg(there);
        else if (written)
            out << QStringLiteral("%1: %2 written").arg(name).arg(written);
        else if (there)
            out << QStringLiteral("%1: nothing new, %2 already there").arg(name).arg(there);
    }
    if (recordFiles.failures)
        out << QStringLiteral("%1 could not be written, first %2: %3")
                   .arg(counted(recordFiles.failures, "record file", "record files"))
                   .arg(QString::fromStdString(recordFiles.firstFailurePath),
                        QString::fromStdString(recordFiles.firstFailureReason));
    return out;
}

}  // namespace transfer
