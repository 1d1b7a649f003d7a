// Reads a backup folder's "Manifest.mbdb": announces every file record as a backup-file node
// with the path of the backup file that holds its content, keeps the records of six domains
// for later look-ups, and turns their media files and the files of three social apps into
// records of their own. Runs synchronously on the calling thread (the backup scan thread)
// and posts on the given notification centre from it. One reader object scans one folder at
// a time.
#pragma once

#include "backup/PRBackupScanState.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRTreeDirNode.h"
#include "platform/NotificationCenter.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class PRBackupManifestReader {
public:
    explicit PRBackupManifestReader(PRBackupScanState& state,
                                    NSNotificationCenter& nc = NSNotificationCenter::defaultCenter())
        : state_(state), nc_(nc) {}

    // Posts "FindBackUpDirFileInfo" for every record, and for the records of the kept domains
    // "ScanProgressInfo" (0 to 20), "ScanPhotoAndVideo" and "scanFaceTwitterInfo"; keeps
    // those records in the state's treeFileArray. A missing manifest or a wrong magic posts
    // nothing.
    void scanDirAnalyThread(const std::string& backupFolder);
    // Makes and posts the media record and the social-app record of one kept node.
    void GetMediaFileByNode(const PRTreeDirNodePtr& node);

    static bool isKeptDomain(const std::string& domain);
    static bool isSocialDomain(const std::string& domain);

private:
    // GetMediaFileByNode with the social-domain test already made.
    void postMediaRecords(const PRTreeDirNode& node, bool social);
    std::optional<uint64_t> backupFileSize(const std::string& fileKey) const;

    PRBackupScanState& state_;
    NSNotificationCenter& nc_;
    // The folder being scanned, open, so that a backup file's size is asked by its name alone
    // instead of walking the whole path again for every record.
    int folderFd_ = -1;
    std::string folderPrefix_;
    // The folder's names as long as a backup file name, sorted, read once per scan: a record
    // whose file is not there is answered without asking the file system.
    std::vector<std::array<char, 40>> presentKeys_;
    bool listed_ = false;
    // The last media and social-app records posted, refilled for the next ones when no
    // observer kept them.
    std::shared_ptr<PRPhotoAndVideoNode> mediaRecord_;
    std::shared_ptr<PRFaceTwitterNode> socialRecord_;
};
