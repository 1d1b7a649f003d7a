// The one-click copy without a window: in one run on the calling thread, the device's camera
// roll, photo stream, photo library, music and videos and purchased books go into the export
// folder, the device is backed up, and the contacts, messages, notes, bookmarks, calendar items
// and call logs of that backup are written as files under the export folder, in a fixed order.
//
// The export folder is given when the run is made (the page reads the preferences when the copy
// starts). Every device name becomes a local name through the safe-name helpers, so nothing is
// written outside the export folder; a failed copy leaves no partial file and is counted with
// its reason. The readers of the backup post to a notification centre of the run's own, so a
// copy never mixes with records another page reads at the same time.
#pragma once

#include "disk/core/ActionResult.h"
#include "disk/core/DiskDeviceServices.h"

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <functional>
#include <string>

namespace transfer {

// The rows of the page, in the order of the table of switches.
enum class OneCopyCategory {
    CameraRoll,
    PhotoStream,
    PhotoLibrary,
    Music,
    Video,
    Contacts,
    Messages,
    Notes,
    BookMarks,
    Calendar,
    CallLogs,
    Count
};
inline constexpr int kOneCopyCategoryCount = int(OneCopyCategory::Count);

// The folder the backup is written into, as the system names it ("/tmp" is the private folder).
inline constexpr const char* kOneCopyBackupRoot = "/tmp/Backup";

struct OneCopyOptions {
    int deviceIndex = 0;
    std::string udid;        // the device to back up
    std::string deviceName;  // titles the conversation pages
    QString exportFolder;    // where everything goes
    QString bookExportPath;  // the root of the books; the export folder when empty
    std::string backupRoot = kOneCopyBackupRoot;
};

struct OneCopySummary {
    disk::ActionResult media;                               // photos, tracks and books copied
    std::array<int, kOneCopyCategoryCount> records{};       // records written per record category
    std::array<int, kOneCopyCategoryCount> recordsThere{};  // records whose file was there already
    disk::ActionResult recordFiles;                         // files of the record categories
    bool backupCompleted = false;
    std::string backupMessage;  // why the backup failed
    QStringList notWritten;     // record categories left out, with the reason
    bool deviceLeft = false;    // the device went away: the run ended early
    bool cancelled = false;
    // How each row's step ended: -1 never reached, 0 it could not do its work, 1 done whole, 2
    // done with files that did not arrive (counted in the failures).
    std::array<int, kOneCopyCategoryCount> rowEnded{};
    // The rows switched on whose step never came or could not do its work, by name.
    QStringList notCopied;

    // Whether the copy is done: every step it counted arrived (no failure, no row left undone,
    // the device there to the end, not stopped).
    bool complete() const;
    // What the page shows when the run has ended, one line each: what arrived and what did not.
    QStringList lines() const;
    // The closing line: "The one-click copy is done", or why it is not.
    QString closingLine() const;
};

class OneCopyRun {
public:
    struct Hooks {
        // Whether a category's switch is on, asked when the run reaches its step.
        std::function<bool(OneCopyCategory)> enabled;
        // A row's step has ended: done true when it did its work, false when it could not.
        std::function<void(OneCopyCategory, bool done)> rowEnded;
        // A line of progress ("Copying IMG_0001.JPG").
        std::function<void(const QString&)> progress;
        // Asked after every file: false when the device is gone.
        std::function<bool()> deviceConnected;
    };

    OneCopyRun(disk::DiskDeviceServices& services, OneCopyOptions options, Hooks hooks,
               const std::atomic<bool>* cancelled = nullptr);

    // The whole copy; returns when every step has run or the run was cut short.
    OneCopySummary run();

    static const char* categoryName(OneCopyCategory category);

private:
    bool on(OneCopyCategory c) const { return !hooks_.enabled || hooks_.enabled(c); }
    // A row's step has ended: ran, when it could do its work; whole, when every file arrived.
    void ended(OneCopyCategory c, bool ran, bool whole = true) {
        // A row of two steps (the books share the bookmarks' row) ends as the worse of the two.
        int& state = summary_.rowEnded[size_t(c)];
        const int now = !ran ? 0 : whole ? 1 : 2;
        state = state == -1 || state == 1 ? now : state == 0 || now == 0 ? 0 : 2;
        if (hooks_.rowEnded) hooks_.rowEnded(c, state == 1);
    }
    // Asked of the device itself, not of a watcher that looks now and then: whether it answers.
    bool deviceAnswers();
    // The run's last step: the device asked, the rows not done named.
    OneCopySummary finish();
    void say(const QString& text) const {
        if (hooks_.progress) hooks_.progress(text);
    }
    bool goOn();

    void startCopyCameraRoll();
    void startCopyPhotoStream();
    void startCopyPhotoLibrary();
    void startCopyMuisc();
    void startCopyBooks();
    void startBackupDevice();
    void startCopyRecords();

    // Copies the files (not the folders) of one device folder into the export folder under
    // their own names; false when the run must stop.
    bool copyFolderFiles(amd::FileService& service, const std::string& folder);
    // The sub-folders of folder whose name holds needle (any case; every one when empty).
    static std::vector<std::string> subFolders(amd::FileService& service, const std::string& folder,
                                               const std::string& needle);

    disk::DiskDeviceServices& services_;
    OneCopyOptions options_;
    Hooks hooks_;
    const std::atomic<bool>* cancelled_;
    OneCopySummary summary_;
};

}  // namespace transfer
