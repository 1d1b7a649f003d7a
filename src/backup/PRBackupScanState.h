// The data the backup readers share while a backup is scanned: the arrays that the readers
// and carvers fill, the manifest records kept for look-ups, the contact photo handed from
// the name look-up to the message reader, the transfer contacts and the schema flags. The
// application delegate owns one and forwards its own properties and look-ups to it; tools
// and tests make their own.
#pragma once

#include "backup/KeptManifestRecords.h"
#include "model/ContactNumberRule.h"
#include "model/PRBookMarkNode.h"
#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRTreeDirNode.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class MessageGroups;

class PRBackupScanState {
public:
    // Arrays of one backup scan: made afresh by resetScanArrays() when a scan starts and
    // emptied by removeSomeArray() when it ends. The readers run one after another on the
    // scan thread and use them without a lock.
    std::vector<PRMessageAttachNodePtr> meesageAttachArray;
    std::vector<PRBookMarkNodePtr> bookMarkArray;
    std::vector<PRContactImageNodePtr> contactImageArray;
    std::vector<PRMessageNodePtr> messageArray;
    std::vector<PRChatMessageNodePtr> chatMessageArray;
    std::vector<PRContactNodePtr> contactArray;
    std::vector<PRContactNodePtr> contactInfoArray;
    std::vector<DelContactValuePtr> delContactValueArray;
    std::vector<PRContactNodePtr> delContactArray;
    std::vector<PRNoteNodePtr> noteArray;
    std::vector<PRNoteValueNodePtr> noteValueArray;
    std::vector<PRContactNodePtr> delUnKnowContactArray;
    // The photo of the contact that the last name look-up with data matched.
    PRBytes messageContactData;
    // The group conversations of the messages database the scan's message reader read, for the
    // message carver to place a deleted message of a group in its group.
    std::shared_ptr<const MessageGroups> messageGroups;

    // Contacts of the last transfer contact read; they outlive backup scans.
    std::vector<PRContactNodePtr> transContactArray;

    // Whether the contact reader lists the contacts it posts in contactArray (for the readers and
    // carvers that name numbers). A caller that names none clears it: each contact is then posted
    // as soon as it is made and kept nowhere, rather than the whole address book held at once.
    bool listsContacts = true;

    // YES when the browsed backup uses the newer message, calendar and other schemas.
    bool currentNodeIsiOS6Version = false;
    // YES when the browsed backup is of iOS 7 (the deleted-record carvers' layouts).
    bool bIOS7DeviceNode = false;

    PRBackupScanState() = default;
    ~PRBackupScanState();
    PRBackupScanState(const PRBackupScanState&) = delete;
    PRBackupScanState& operator=(const PRBackupScanState&) = delete;

    void resetScanArrays();
    void removeSomeArray();

    // The manifest records of the kept domains, in manifest order, as nodes of their own
    // holding each record's fileDomain, filePath and fileKey (all the state keeps of a
    // record). Safe from any thread.
    std::vector<PRTreeDirNodePtr> treeFileArray() const;
    size_t treeFileCount() const;
    void addTreeFileNode(const PRTreeDirNodePtr& node);
    // The fileKey of the kept record whose filePath is devicePath (the later one when
    // several are), or nothing. Answers through an index; safe from any thread.
    PROptionalText getFileKeyBytheFilepath(const std::string& devicePath) const;

    // The contact rule over contactArray (transfer: transContactArray), made at the first
    // question after the contacts were read and shared by every reader and carver that names a
    // number, on any thread. A list that changed since is indexed again.
    std::shared_ptr<const ContactNumberIndex> contactNumbers(bool transfer = false) const;

    // The shown name of the contact a number or handle is, by the contact rule over
    // contactArray (transContactArray for the transfer form); nothing when no contact holds it.
    // The forms with data leave that contact's photo in messageContactData.
    PROptionalText getNameByPhoneNumber(const std::string& phone) const;
    PROptionalText getNameByPhoneNumber(const std::string& phone, const PRBytes& withData);
    PROptionalText getTransNameByPhoneNumber(const std::string& phone, const PRBytes& withData);

    // Whether a backup of this iOS version uses the newer schemas (6 and later); also sets
    // bIOS7DeviceNode for a backup of iOS 7 and clears it for any other.
    bool IOSVersionIOS6(const std::string& version);

private:
    PROptionalText nameWithData(const std::string& phone, bool transfer);

    // An index and the list it was made of, by its first record and size.
    struct NumbersMade {
        std::shared_ptr<const ContactNumberIndex> index;
        const PRContactNode* first = nullptr;
        size_t size = 0;
    };
    mutable std::mutex numbersMutex_;
    mutable NumbersMade numbers_[2];  // contactArray, transContactArray
    mutable std::mutex treeMutex_;
    mutable KeptManifestRecords treeFiles_;  // look-ups bring its index up to date
};
