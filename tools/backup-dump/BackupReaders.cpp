#include "BackupReaders.h"

#include "backup/BackupNotices.h"
#include "backup/PRBackupManifestReader.h"
#include "backup/PRBookMarkReader.h"
#include "backup/PRCalenderReader.h"
#include "backup/PRCallHistoryReader.h"
#include "backup/PRContactReader.h"
#include "backup/PRMessageReader.h"
#include "backup/PRNoteReader.h"

const std::vector<const NoticeName*>& backupReaderNotices() {
    using namespace notices;
    static const std::vector<const NoticeName*> posted = {
        &FindBackUpDirFileInfo, &ScanProgressInfo, &ScanPhotoAndVideo,      &ScanPhotoAndVideoInfo,
        &ScanContactInfo,       &ScanMessageInfo,  &ScanCallHistoryInfo,    &ScanNoteInfo,
        &scanBookMarkInfo,      &scanCalenderInfo, &scanFaceTwitterInfo,    &ScanDelContactInfo,
        &ScanDelMessageInfo,    &ScanDelNoteInfo,  &ScanDelCallHistoryInfo, &scanDelBookMarkInfo,
        &scanDelCalenderInfo};
    return posted;
}

void runBackupReaders(const std::string& backupFolder, PRBackupScanState& state, NSNotificationCenter& nc,
                      const std::function<void()>& namesRead, const std::function<void()>& contactsMayStart) {
    state.resetScanArrays();
    // The browser takes the schemas from the backup's iOS version, as its property lists give it.
    PRMessageReader(state, nc).checkiOSVersionByPath(backupFolder);
    PRBackupManifestReader(state, nc).scanDirAnalyThread(backupFolder);
    if (contactsMayStart) contactsMayStart();
    PRContactReader(state, nc).scanContactThread(backupFolder);
    PRMessageReader(state, nc).scanMessageThread(backupFolder);
    if (namesRead) namesRead();
    PRNoteReader(nc).scanNoteThread(backupFolder);
    PRCallHistoryReader(state, nc).scanCallHistoryThread(backupFolder);
    PRBookMarkReader(nc).scanBookMarkThread(backupFolder);
    PRCalenderReader(state, nc).scanCalenderThread(backupFolder);
    state.removeSomeArray();
}

const std::vector<const NoticeName*>& transferReaderNotices() {
    using namespace notices;
    static const std::vector<const NoticeName*> posted = {
        &ScanTransferContactInfo,     &ScanTransferContactFinished, &ScanTransferMessageInfo,
        &ScanTransferMessageFinished, &ScanTransferNoteInfo,        &ScanTransferNoteFinished,
        &scanCopyCallLogInfo,         &scanCopyCallLogInfoFinished, &scanCopyBookMarkInfo,
        &scanCopyBookMarkFinished,    &scanCopyRemindMarkInfo,      &scanCopyRemindMarkInfoFinished};
    return posted;
}

void runTransferReaders(const std::string& backupFolder, PRBackupScanState& state, NSNotificationCenter& nc) {
    PRContactReader(state, nc).scanTransferContactThread(backupFolder);
    // The message reader decides the schemas from the folder; the calendar reader follows it.
    PRMessageReader(state, nc).scanTransferMessageThread(backupFolder);
    PRNoteReader(nc).scanTransferNoteThread(backupFolder);
    PRCallHistoryReader(state, nc).scanTransferCallLogThread(backupFolder);
    PRBookMarkReader(nc).scanTransferBookMarkThread(backupFolder);
    PRCalenderReader(state, nc).scanTransferCalenderThread(backupFolder);
}
