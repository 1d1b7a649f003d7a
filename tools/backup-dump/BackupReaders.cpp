#include "BackupReaders.h"

#include "backup/PRBackupManifestReader.h"

const std::vector<std::string>& backupReaderNotificationNames()
{
    static const std::vector<std::string> names = {
        "FindBackUpDirFileInfo", "ScanProgressInfo",    "ScanPhotoAndVideo",   "ScanPhotoAndVideoInfo",
        "ScanContactInfo",       "ScanMessageInfo",     "ScanCallHistoryInfo", "ScanNoteInfo",
        "scanBookMarkInfo",      "scanCalenderInfo",    "scanFaceTwitterInfo", "ScanDelContactInfo",
        "ScanDelMessageInfo",    "ScanDelNoteInfo",     "ScanDelCallHistoryInfo", "scanDelBookMarkInfo",
        "scanDelCalenderInfo"};
    return names;
}

void runBackupReaders(const std::string& backupFolder, PRBackupScanState& state, NSNotificationCenter& nc)
{
    state.resetScanArrays();
    PRBackupManifestReader(state, nc).scanDirAnalyThread(backupFolder);
    state.removeSomeArray();
}
