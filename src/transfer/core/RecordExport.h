// The exports of the transfer page's record tables: contacts as vCards, each conversation as
// an HTML page with its attachments beside it, notes as one text file. Every name taken
// from the backup becomes a file name only through the safe-name helper, so nothing is written
// outside the folder given. Runs on any thread.
#pragma once

#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "platform/NewFile.h"

#include <string>
#include <vector>

namespace transfer {

struct RecordExportResult {
    int written = 0;
    int alreadyThere = 0;  // items not written again: their file was there with the same bytes
    int failures = 0;
    std::string firstFailedPath, firstReason;
    std::vector<std::string> files;  // the pages or cards written, in order
    bool ok() const { return failures == 0; }
    void failed(const std::string& path, const std::string& reason);
    // A file that arrived is written (at its own path), one found there already is counted as
    // such; one that did not arrive is a failure.
    void counted(const files::Outcome& outcome);
    void add(const RecordExportResult& other);
};

class RecordExport {
public:
    // The fixed folders under the user's Documents folder.
    static std::string contactFolder();
    static std::string messageFolder();
    static std::string noteFolder();

    // "<name>.vcf": the contact's name, else its company, else "unknown <rowid>".
    static std::string contactFileName(const PRContactNode& contact);
    // The conversation's name when it has two characters or more, else its address (safe).
    static std::string conversationBaseName(const PRMessageTreeNode& conversation);

    static RecordExportResult exportContacts(const std::vector<PRContactNodePtr>& contacts, const std::string& folder);
    // The conversation's page into folder as "<base>.html" (beside an earlier one under the
    // next numbered name), its attachments in the page's own folder beside it.
    static RecordExportResult exportConversation(const PRMessageTreeNode& conversation, const std::string& deviceName,
                                                 const std::string& folder);
    // All notes as one "Notes.txt" in folder.
    static RecordExportResult exportNotes(const std::vector<PRNoteNodePtr>& notes, const std::string& folder);
};

}  // namespace transfer
