// Message records: one message, one conversation, an attachment row joined to its message,
// and a chat participant rebuilt from deleted rows.
#pragma once

#include "model/PRRecord.h"

// A conversation repeats its address and name, and every message is one of a few kinds: those
// are shared. A message of a group conversation carries the group's address (its members'
// addresses) and name (theirs by the contact rule); both are empty for a message between the
// phone and one other, whose conversation its own address makes. A deleted message that lost
// some of its values to later writes (its time, party or direction), its text whole, is partial.
#define PR_MESSAGE_NODE_FIELDS(X)                            \
    X(PRSharedText, messageName, setMessageName, {})         \
    X(PRSharedText, messagePhone, setMessagePhone, {})       \
    X(std::string, messageContent, setMessageContent, {})    \
    X(std::string, messageDate, setMessageDate, {})          \
    X(PRSharedText, messageType, setMessageType, {})         \
    X(bool, bImessage, setBImessage, false)                  \
    X(bool, bSelected, setBSelected, false)                  \
    X(bool, bDeleted, setBDeleted, false)                    \
    X(bool, bPartial, setBPartial, false)                    \
    X(int, handle_id, setHandle_id, -1)                      \
    X(bool, isHasAttach, setIsHasAttach, false)              \
    X(PROptionalText, attachmentPath, setAttachmentPath, {}) \
    X(PROptionalText, attachType, setAttachType, {})         \
    X(int, rowId, setRowId, -1)                              \
    X(PRBytes, contactImageData, setContactImageData, {})    \
    X(PRSharedText, groupAddress, setGroupAddress, {})       \
    X(PRSharedText, groupName, setGroupName, {})

class PRMessageNode final : public PRRecord {
    PR_RECORD(PRMessageNode, PR_MESSAGE_NODE_FIELDS)
};

using PRMessageNodePtr = std::shared_ptr<PRMessageNode>;

#define PR_MESSAGE_TREE_NODE_FIELDS(X)                                          \
    X(std::vector<PRMessageNodePtr>, MessageNodeArray, setMessageNodeArray, {}) \
    X(std::string, messageTreeNodeName, setMessageTreeNodeName, {})             \
    X(std::string, messageTreeNodeAdress, setMessageTreeNodeAdress, {})         \
    X(bool, bSelected, setBSelected, false)                                     \
    X(bool, bdeleted, setBdeleted, false)

class PRMessageTreeNode final : public PRRecord {
    PR_RECORD(PRMessageTreeNode, PR_MESSAGE_TREE_NODE_FIELDS)
    // The conversation's messages, for appending in place.
    std::vector<PRMessageNodePtr>& MessageNodeArray() { return MessageNodeArray_; }
};

#define PR_MESSAGE_ATTACH_NODE_FIELDS(X)             \
    X(int, messageId, setMessageId, -1)              \
    X(int, attachmentId, setAttachmentId, -1)        \
    X(PROptionalText, attachpath, setAttachpath, {}) \
    X(PROptionalText, attachType, setAttachType, {})

class PRMessageAttachNode final : public PRRecord {
    PR_RECORD(PRMessageAttachNode, PR_MESSAGE_ATTACH_NODE_FIELDS)
};

#define PR_CHAT_MESSAGE_NODE_FIELDS(X) \
    X(int, rowid, setRowid, -1)        \
    X(std::string, phoneValue, setPhoneValue, {})

class PRChatMessageNode final : public PRRecord {
    PR_RECORD(PRChatMessageNode, PR_CHAT_MESSAGE_NODE_FIELDS)
};

using PRMessageTreeNodePtr = std::shared_ptr<PRMessageTreeNode>;
using PRMessageAttachNodePtr = std::shared_ptr<PRMessageAttachNode>;
using PRChatMessageNodePtr = std::shared_ptr<PRChatMessageNode>;
