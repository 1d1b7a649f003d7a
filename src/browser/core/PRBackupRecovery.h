// Writes the records and backup files a user marked into a folder of their choice, one
// sub-folder per category: file copies, one text file per record type, a vCard per contact and
// one conversation page with its video and contact attachments. The parts (the copy, the
// attachment writers, the text entries and the page fragments) also serve the pages that copy
// from a fresh device backup into a folder of their own.
//
// Every name taken from a backup (file names, contact names, attachment names, backup paths) is
// made safe before it becomes a file name, so nothing is written outside the chosen folder.
// A failed write is counted and the first one kept with its reason; the run goes on.
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
#include "platform/NewFile.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class PRHtmlController;
class PRRtfController;
class QDateTime;

// The records to look at; only the marked ones (bSelected) are written.
struct PRRecoverySelection {
    std::string deviceName;  // names the folder of the backup files and the conversation page
    std::vector<PRPhotoAndVideoNodePtr> photoAndVideoArray;
    std::vector<PRTreeDirNodePtr> treeRoots;  // the backup-file tree, with its marks
    std::vector<PRContactNodePtr> contactArray;
    std::vector<PRMessageTreeNodePtr> messageTreeArray;
    std::vector<PRNoteNodePtr> noteArray;
    std::vector<PRCallHistoryNodePtr> callHistoryArray;
    std::vector<PRBookMarkNodePtr> bookMarkArray;
    std::vector<PRCalenderNodePtr> calenderArray;
    std::vector<PRFaceTwitterNodePtr> faceTwitterArray;
};

class PRScanIntake;
// Every category of a scanned backup (the marks are read when the recovery runs).
PRRecoverySelection recoverySelectionOf(PRScanIntake& intake, const std::string& deviceName);

struct PRRecoveryResult {
    uint64_t written = 0;  // items that arrived whole (a record of a text file once the file is)
    // What arrived whole, by kind: the messages of the conversations written, and every
    // attachment (a contact or location card too, which is no item of its own).
    enum Kind {
        Photos,
        BackupFiles,
        Contacts,
        Conversations,
        Messages,
        Notes,
        Calls,
        BookMarks,
        CalendarItems,
        SocialFiles,
        Attachments,
        KindCount
    };
    std::array<uint64_t, KindCount> writtenOf{};
    uint64_t failures = 0;  // files or folders that could not be written
    std::string firstFailedPath;
    std::string firstReason;
    bool cancelled = false;
    bool ok() const { return failures == 0 && !cancelled; }
};

class PRBackupRecovery {
public:
    // The largest contact or location card attachment read.
    static constexpr size_t kCardLimit = 1u << 20;

    // Sub-folders of the chosen folder, in the order they are made.
    static constexpr const char* kPhotoFolder = "Photo&Video";
    static constexpr const char* kContactFolder = "Contact";
    static constexpr const char* kMessageFolder = "Message";
    static constexpr const char* kNoteFolder = "Note";
    static constexpr const char* kCallFolder = "CallHistory";
    static constexpr const char* kBookMarkFolder = "BookMark";
    static constexpr const char* kCalendarFolder = "Calendar&Reminder";
    static constexpr const char* kSocialFolder = "FaceBook&Twitter";
    // The conversation page inside the message folder (".html" added), its attachments in
    // "Messages_files" beside it.
    static constexpr const char* kMessagePageName = "Messages";

    // "Quillomatrix 2013-05-01 - 14.22.05": the folder name the save panel proposes.
    static std::string defaultFolderName(const QDateTime& when);

    // Copies the bytes of the backup file source to destination exactly as read, through the
    // checked opener (a link, FIFO or missing file is a failure) and the one writer (a taken
    // name gets the next numbered one; a failed copy leaves nothing). False with the reason.
    static bool copyFile(const std::string& source, const std::string& destination, std::string* reason = nullptr);

    // One text entry per record, as the text files hold it.
    static std::string contactEntry(const PRContactNode& contact);
    static std::string messageEntry(const PRMessageNode& message);
    static std::string callHistoryEntry(const PRCallHistoryNode& call);
    static std::string noteEntry(const PRNoteNode& note);
    static std::string bookMarkEntry(const PRBookMarkNode& bookmark);
    static std::string calenderEntry(const PRCalenderNode& item);
    // The vCard name of a contact: its shown name (shownContactName), else "unknown <rowid>" (safe).
    static std::string contactCardName(const PRContactNode& contact);

    // Conversation page fragments, each closing every element it opens; every record text is
    // escaped. attachmentLink is the page's relative link to its copy of the message's
    // attachment (empty when there is none): a picture is shown, a movie played, a card or
    // another file linked. Both return 0.
    static int handleFatherMessageHtml(const PRMessageTreeNode& conversation, PRHtmlController& html);
    static int handleMessageHtml(const PRMessageNode& message, PRHtmlController& html, bool isFarther,
                                 const std::string& attachmentLink = {});

    // Record-to-text: each adds one entry and counts one item handled. The contact also writes
    // its vCard into folder. True when the record's own files arrived (the text file is
    // written later).
    bool recoverContactNode(const PRContactNode& contact, PRRtfController& rtf, const std::string& folder);
    bool recoverMessageNode(const PRMessageNode& message, PRRtfController& rtf);
    bool recoverCallHistoryNode(const PRCallHistoryNode& call, PRRtfController& rtf);
    bool recoverNoteNode(const PRNoteNode& note, PRRtfController& rtf);
    bool recoverBookMarkNode(const PRBookMarkNode& bookmark, PRRtfController& rtf);
    bool recoverCalenderNode(const PRCalenderNode& item, PRRtfController& rtf);

    // One row of the backup-file tree into target: a folder record as a folder; a file record
    // as a copy of its data, which must be a regular file of the backup; a link record, or a
    // file whose data is missing or not a regular file, as nothing, counted as a failure that
    // names it.
    // landed (when given) gets where the file arrived; empty when it did not.
    void recoverBackupFile(const PRTreeFileNode& file, const std::string& target, std::string* landed = nullptr);
    // The journal of a database recovered at landed (its "-wal", and its "-shm"), beside it under
    // its name plus the suffix, so that it opens with every row the backup holds: the records of
    // the tree named so beside file in folder, else the data files the backup keeps beside the
    // database's own. Not counted as items of their own; a journal that cannot be put beside it
    // is a failure.
    void recoverJournalOf(const PRTreeFileNode& file, const PRTreeDirNode& folder, const std::string& landed);
    // File copies into folder, each counted as one item.
    void recoverPhotoAndVideo(const PRPhotoAndVideoNode& record, const std::string& folder);
    void recoverFaceBookAndTwitter(const PRFaceTwitterNode& record, const std::string& folder);
    // A message's video attachment as "<name>.mov" in folder (counted).
    files::Outcome writeMovFile(const PRMessageNode& message, const std::string& folder);
    // A message's contact or location attachment, UTF-8 text, as "<name>.vcf" in folder (not
    // counted; an attachment that is not UTF-8 text writes nothing and fails).
    files::Outcome writeVCFCardNode(const PRMessageNode& message, const std::string& folder);
    // A message's attachment of any kind into folder: movies and cards as above, a picture
    // under a picture's extension, another file under its own name (counted). Nothing, and a
    // failed outcome, for a message without an attachment file.
    files::Outcome writeAttachment(const PRMessageNode& message, const std::string& folder);
    // Copies the marked files of folder and of its sub-folders under destination, each at its
    // backup path. Returns 0 to go on, -1 when cancelled.
    int traverseRecoverTreeNode(const PRTreeDirNode& folder, const std::string& destination);

    // Items a run of selection will write before attachments: marked records and conversations
    // plus marked backup files.
    static uint64_t countSelected(const PRRecoverySelection& selection);

    // The whole recovery into recoverPath (made when missing), in a fixed order. Runs on a
    // worker; cancel() from any thread stops it between items.
    PRRecoveryResult recoverFilesThread(const PRRecoverySelection& selection, const std::string& recoverPath);

    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    // Read from any thread while a run goes on (display only).
    uint64_t recovredFilesNum() const { return recovredFilesNum_; }
    uint64_t allSelectedFileNum() const { return allSelectedFileNum_; }
    // What has gone wrong so far.
    PRRecoveryResult result() const;

private:
    bool makeFolder(const std::string& path);
    void copyCounted(const std::string& source, const std::string& destination, PRRecoveryResult::Kind kind);
    // A file that arrived counts as written, of its kind; one that did not, as a failure.
    void counted(const files::Outcome& outcome, PRRecoveryResult::Kind kind);
    void failed(const std::string& path, const std::string& reason);

    std::atomic<uint64_t> recovredFilesNum_{0};  // items handled, for the progress
    std::atomic<uint64_t> writtenNum_{0};        // items that arrived whole
    std::array<std::atomic<uint64_t>, PRRecoveryResult::KindCount> writtenOf_{};
    std::atomic<uint64_t> allSelectedFileNum_{0};
    std::atomic<bool> cancelled_{false};
    mutable std::mutex mutex_;
    uint64_t failures_ = 0;
    std::string firstFailedPath_, firstReason_;
};
