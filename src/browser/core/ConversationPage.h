// A conversation page that stands on its own. The attachments of its messages are copied into
// a folder beside the page ("<page>_files") and linked from the page by relative,
// percent-encoded addresses: the page still shows them once the backup is replaced or a cache
// is cleared, and nothing it links lies outside the folder it was exported to.
//
// The recovery writes all marked conversations into one page; the transfer page and the
// one-click copy write one page per conversation.
#pragma once

#include "export/PRHtmlController.h"
#include "model/PRMessageNode.h"
#include "platform/NewFile.h"

#include <string>

class PRBackupRecovery;

class ConversationPage {
public:
    // A page for folder under baseName (made safe; ".html" added): the first of "baseName",
    // "baseName (2)"... for which neither the page nor its attachment folder is there yet, so
    // that a page and its attachments always go together. The copies go through copier, which
    // counts them and keeps their failures. The page's file is begun now, in folder (which must
    // be there), and each conversation added goes to it at once.
    ConversationPage(PRBackupRecovery& copier, const std::string& folder, const std::string& baseName,
                     const std::string& title);

    // The conversation's header, each message with its attachment, and a rule after them.
    void addConversation(const PRMessageTreeNode& conversation);
    // Ends the page and puts it in place: at path() unless something took that name meanwhile,
    // at the next numbered name then. A page whose writing failed leaves nothing.
    files::Outcome write();

    const std::string& path() const { return path_; }
    // The folder the attachments go to (made once the first one is copied).
    std::string attachmentFolder() const;
    // The relative address of fileName inside the attachment folder named folderName, each
    // part percent-encoded (UTF-8).
    static std::string linkTo(const std::string& folderName, const std::string& fileName);

private:
    std::string copyAttachment(const PRMessageNode& message);

    PRBackupRecovery& copier_;
    std::string folder_, path_, filesName_;
    PRHtmlController html_;
};
