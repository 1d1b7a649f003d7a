// The record half of the one-click copy: the readers of a fresh device backup run one category
// after the other, their records are collected from the notifications they post, and each
// category is written under the export folder: one vCard per contact ("Contact"), one page per
// conversation with its attachments ("Message"), and one text file each for notes, bookmarks,
// calendar items and calls.
//
// A reader always posts its end, also when its database is missing; a category that delivered
// no record writes an empty file of its name (messages: their empty folder), contacts nothing.
#pragma once

#include "disk/core/ActionResult.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "platform/NewFile.h"

#include <string>
#include <vector>

class NSNotificationCenter;

namespace transfer {

class OneCopyRecords {
public:
    OneCopyRecords(std::string backupFolder, std::string exportFolder, std::string deviceName);

    // Each reads its category from the backup and writes it; returns the records written (those
    // whose file was there already with the same bytes are alreadyThere() after the call).
    int startCopyContacts();
    int startCopyMessages();
    int startCopyNotes();
    int startCopyBookMarks();
    int StartCopyReminders();
    int StartCopyCallLogs();

    const disk::ActionResult& result() const { return result_; }
    // The records of the last category that were not written again: their file was there.
    int alreadyThere() const { return alreadyThere_; }
    const std::vector<PRMessageTreeNodePtr>& messageTreeArray() const { return messageTreeArray_; }

private:
    // Counts one file written (or found already there with the same bytes); false when it failed.
    bool tally(const files::Outcome& outcome);
    struct Readers;
    // Writes one text file of entries into folder/name, an empty one without entries.
    template <class Node, class Entry>
    int writeText(const std::vector<std::shared_ptr<Node>>& records, const char* folder, const char* fileType,
                  Entry entry);
    int startWriteMessagesArray();
    std::string folder(const char* name);

    std::string backupFolder_, exportFolder_, deviceName_;
    std::shared_ptr<Readers> readers_;
    std::vector<PRMessageTreeNodePtr> messageTreeArray_;
    disk::ActionResult result_;
    int alreadyThere_ = 0;
};

}  // namespace transfer
