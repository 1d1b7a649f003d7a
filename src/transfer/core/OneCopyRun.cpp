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
    const uint64_t failed = summary_.media.failures;
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (service) {
        for (const std::string& folder : subFolders(*service, "/DCIM", "APPLE"))
            if (!copyFolderFiles(*service, folder)) return;
    }
    ended(OneCopyCategory::CameraRoll, bool(service), summary_.media.failures == failed);
}

void OneCopyRun::startCopyPhotoStream() {
    const uint64_t failed = summary_.media.failures;
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (service) {
        for (const std::string& stream : subFolders(*service, "/PhotoStreamsData", ""))
            for (const std::string& album : subFolders(*service, stream, "APPLE"))
                if (!copyFolderFiles(*service, album)) return;
    }
    ended(OneCopyCategory::PhotoStream, bool(service), summary_.media.failures == failed);
}

void OneCopyRun::startCopyPhotoLibrary() {
    const uint64_t failed = summary_.media.failures;
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (service) {
        for (const char* root : {"/PhotoData/Sync", "/Photos/Sync"})
            for (const std::string& folder : subFolders(*service, root, "SYNCD"))
                if (!copyFolderFiles(*service, folder)) return;
    }
    ended(OneCopyCategory::PhotoLibrary, bool(service), summary_.media.failures == failed);
}

void OneCopyRun::startCopyMuisc() {
    const uint64_t failed = summary_.media.failures;
    say(QStringLiteral("Reading the music library"));
    // The library copy is kept per device, so journals of another device are never folded in.
    const std::string dbFolder = disk::localCopyFolder(
        "DB/OneCopy/" + localnames::safeLocalName(QString::fromStdString(options_.udid)).toStdString());
    MusicScanResult library = scanMusicLibrary(
        services_, options_.deviceIndex, [this] { return goOn(); }, dbFolder);
    std::unique_ptr<amd::FileService> service =
        library.serviceStarted ? services_.startMediaArea(options_.deviceIndex) : nullptr;
    const bool music = on(OneCopyCategory::Music);
    if (!service || !goOn()) {
        if (music) ended(OneCopyCategory::Music, false);
        if (on(OneCopyCategory::Video)) ended(OneCopyCategory::Video, false);
        return;
    }
    // The videos go with the music whatever the video switch says; with the music off, the
    // video switch alone takes them.
    std::vector<const std::vector<PRTranMusicNodePtr>*> lists;
    if (music) lists.push_back(&library.music);
    lists.push_back(&library.video);
    for (const auto* list : lists) {
        for (const PRTranMusicNodePtr& track : *list) {
            if (track->musicLoctionpath().empty()) continue;
            const QString name = trackFileName(*track);
            say(QStringLiteral("Copying %1").arg(name));
            amd::ExportWalk::copyFile(*service, track->musicLoctionpath(), options_.exportFolder + "/" + name,
                                      summary_.media);
            if (!goOn()) return;
        }
    }
    // The videos went with the music whatever the video switch says, so their row ends with it.
    const bool whole = summary_.media.failures == failed;
    if (music) ended(OneCopyCategory::Music, true, whole);
    ended(OneCopyCategory::Video, true, whole);
}

void OneCopyRun::startCopyBooks() {
    const uint64_t failed = summary_.media.failures;
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
    if (goOn()) ended(OneCopyCategory::BookMarks, bool(service), summary_.media.failures == failed);
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
        const uint64_t failed = records.result().failures;
        summary_.records[size_t(step.category)] = (records.*step.copy)();
        summary_.recordsThere[size_t(step.category)] = records.alreadyThere();
        ended(step.category, true, records.result().failures == failed);
        if (cancelled_ && cancelled_->load()) {
            summary_.cancelled = true;
            break;
        }
    }
    summary_.recordFiles.add(records.result());
}

bool OneCopyRun::deviceAnswers() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    return service && amd::ExportWalk::deviceAnswers(*service);
}

OneCopySummary OneCopyRun::finish() {
    // A device that left in the run's last moments is seen here, before the end is said.
    if (!summary_.deviceLeft && !summary_.cancelled && !deviceAnswers()) summary_.deviceLeft = true;
    for (int i = 0; i < kOneCopyCategoryCount; ++i) {
        const auto c = OneCopyCategory(i);
        if (on(c) && summary_.rowEnded[size_t(i)] <= 0) summary_.notCopied << QString::fromLatin1(categoryName(c));
    }
    return summary_;
}

OneCopySummary OneCopyRun::run() {
    summary_ = OneCopySummary();
    summary_.rowEnded.fill(-1);
    // A copy run again into the folder of an earlier one adds only what changed.
    const files::SkipFilesAlreadyThere sameFilesStay;
    using C = OneCopyCategory;
    // Each step runs to its end before the next; a device that leaves ends the run.
    const std::pair<C, void (OneCopyRun::*)()> media[] = {{C::CameraRoll, &OneCopyRun::startCopyCameraRoll},
                                                          {C::PhotoStream, &OneCopyRun::startCopyPhotoStream},
                                                          {C::PhotoLibrary, &OneCopyRun::startCopyPhotoLibrary},
                                                          {C::Music, &OneCopyRun::startCopyMuisc}};
    for (const auto& [category, step] : media) {
        if (!goOn()) return finish();
        if (on(category) || (category == C::Music && on(C::Video))) (this->*step)();
    }
    if (!goOn()) return finish();
    startCopyBooks();
    if (!goOn()) return finish();
    startBackupDevice();
    if (!goOn()) return finish();
    startCopyRecords();
    return finish();
}

bool OneCopySummary::complete() const {
    return !deviceLeft && !cancelled && media.failures == 0 && recordFiles.failures == 0 && notCopied.isEmpty();
}

QString OneCopySummary::closingLine() const {
    if (complete()) return QStringLiteral("The one-click copy is done");
    QStringList why;
    if (deviceLeft) why << QStringLiteral("the device was disconnected");
    if (cancelled) why << QStringLiteral("it was stopped");
    if (const uint64_t failed = media.failures + recordFiles.failures)
        why << counted(failed, "file", "files") + QStringLiteral(" could not be copied");
    if (!notCopied.isEmpty()) why << QStringLiteral("not copied: ") + notCopied.join(QStringLiteral(", "));
    return QStringLiteral("The one-click copy did not complete: ") + why.join(QStringLiteral("; "));
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
    if (!notCopied.isEmpty()) out << QStringLiteral("Not copied: %1.").arg(notCopied.join(QStringLiteral(", ")));
    return out;
}

}  // namespace transfer
