// The notifications the backup layer posts: the manifest reader's files, the database readers'
// records (the backup browser's and the transfer pages' variants), the carvers' deleted
// records, and the progress and ends of each. Their names are the system's own, typos
// included; posters and observers name them by these identifiers.
#pragma once

#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRTreeDirNode.h"
#include "platform/Notice.h"

namespace notices {

// The backup browser's scan: every file record of the manifest, then the pictures, movies and
// social-app files among those of the kept domains.
inline const Notice<PRTreeDirNode> FindBackUpDirFileInfo{"FindBackUpDirFileInfo"};
inline const Notice<PRPhotoAndVideoNode> ScanPhotoAndVideo{"ScanPhotoAndVideo"};
inline const Notice<PRFaceTwitterNode> scanFaceTwitterInfo{"scanFaceTwitterInfo"};
// The path of each large file of a folder of photos and videos ("<folder>/<name>").
inline const Notice<NSString> ScanPhotoAndVideoInfo{"ScanPhotoAndVideoInfo"};

// The live records the readers read, one notification each.
inline const Notice<PRContactNode> ScanContactInfo{"ScanContactInfo"};
inline const Notice<PRMessageNode> ScanMessageInfo{"ScanMessageInfo"};
inline const Notice<PRNoteNode> ScanNoteInfo{"ScanNoteInfo"};
inline const Notice<PRCallHistoryNode> ScanCallHistoryInfo{"ScanCallHistoryInfo"};
inline const Notice<PRBookMarkNode> scanBookMarkInfo{"scanBookMarkInfo"};
inline const Notice<PRCalenderNode> scanCalenderInfo{"scanCalenderInfo"};

// The deleted records the carvers find.
inline const Notice<PRContactNode> ScanDelContactInfo{"ScanDelContactInfo"};
inline const Notice<PRMessageNode> ScanDelMessageInfo{"ScanDelMessageInfo"};
inline const Notice<PRNoteNode> ScanDelNoteInfo{"ScanDelNoteInfo"};
inline const Notice<PRCallHistoryNode> ScanDelCallHistoryInfo{"ScanDelCallHistoryInfo"};
inline const Notice<PRBookMarkNode> scanDelBookMarkInfo{"scanDelBookMarkInfo"};
inline const Notice<PRCalenderNode> scanDelCalenderInfo{"scanDelCalenderInfo"};
// The six, in the carvers' order.
inline constexpr const NoticeName* carvedRecords[] = {&ScanDelContactInfo,  &ScanDelMessageInfo,
                                                      &ScanDelNoteInfo,     &ScanDelCallHistoryInfo,
                                                      &scanDelBookMarkInfo, &scanDelCalenderInfo};

// A scan's progress: the manifest's share (0 to 20), then each reader's and carver's end value.
inline const Notice<NSNumber> ScanProgressInfo{"ScanProgressInfo"};

// The transfer pages' reads of the same records, each ended by its own notification (the notes'
// with 70, the others' with no object).
inline const Notice<PRContactNode> ScanTransferContactInfo{"ScanTransferContactInfo"};
inline const NoticeName ScanTransferContactFinished{"ScanTransferContactFinished"};
inline const Notice<PRMessageNode> ScanTransferMessageInfo{"ScanTransferMessageInfo"};
inline const NoticeName ScanTransferMessageFinished{"ScanTransferMessageFinished"};
inline const Notice<PRNoteNode> ScanTransferNoteInfo{"ScanTransferNoteInfo"};
inline const Notice<NSNumber> ScanTransferNoteFinished{"ScanTransferNoteFinished"};
inline const Notice<PRCallHistoryNode> scanCopyCallLogInfo{"scanCopyCallLogInfo"};
inline const NoticeName scanCopyCallLogInfoFinished{"scanCopyCallLogInfoFinished"};
inline const Notice<PRBookMarkNode> scanCopyBookMarkInfo{"scanCopyBookMarkInfo"};
inline const NoticeName scanCopyBookMarkFinished{"scanCopyBookMarkFinished"};
inline const Notice<PRCalenderNode> scanCopyRemindMarkInfo{"scanCopyRemindMarkInfo"};
inline const NoticeName scanCopyRemindMarkInfoFinished{"scanCopyRemindMarkInfoFinished"};

}  // namespace notices
