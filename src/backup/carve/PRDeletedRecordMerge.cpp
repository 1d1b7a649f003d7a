#include "backup/carve/PRDeletedRecordMerge.h"

#include <algorithm>
#include <cctype>

namespace {

std::string key(std::initializer_list<const std::string*> parts) {
    size_t size = 0;
    for (const std::string* p : parts) size += p->size() + 1;
    std::string k;
    k.reserve(size);
    for (const std::string* p : parts) {
        k += *p;
        k += '\x1f';
    }
    return k;
}

std::string withoutSpaces(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

size_t characters(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xc0) != 0x80; }));
}

}  // namespace

bool PRDeletedRecordMerge::addressesMatch(const std::string& phone, const std::string& address) {
    return loweredAddressesMatch(lowered(phone), lowered(address));
}

bool PRDeletedRecordMerge::loweredAddressesMatch(const std::string& p, const std::string& a) {
    if (characters(a) > characters(p)) return !p.empty() && a.find(p) != std::string::npos;
    return p == a || (!a.empty() && p.find(a) != std::string::npos);
}

std::string PRDeletedRecordMerge::loweredAddress(const std::string& address) { return lowered(address); }

template <class Ptr, class KeyOf>
bool PRDeletedRecordMerge::listed(Index<Ptr>& index, const std::vector<Ptr>& array, const std::string& k, KeyOf keyOf) {
    if (index.seen > array.size()) {  // the array was emptied or replaced
        index.keys.clear();
        index.seen = 0;
    }
    // The live records arrive all at once (a million calls): size the table once for them.
    if (index.seen == 0) index.keys.reserve(array.size());
    for (; index.seen < array.size(); ++index.seen) index.keys.insert(keyOf(*array[index.seen]));
    return index.keys.count(k) > 0;
}

bool PRDeletedRecordMerge::ScanDelContactInfomationHandle(const PRContactNodePtr& contact) {
    auto keyOf = [](const PRContactNode& c) { return key({&c.contactName(), &c.contactPhone()}); };
    if (!contact || listed(contacts_, contactArray, keyOf(*contact), keyOf)) return false;
    contact->setBDeleted(true);
    contactArray.push_back(contact);
    ++deleteeFilesNum;
    ++delContactNum;
    return true;
}

bool PRDeletedRecordMerge::ScanDelMessageInfomationHandle(const PRMessageNodePtr& message) {
    if (!message || (message->messagePhone().empty() && message->messageContent().empty())) return false;
    if (characters(withoutSpaces(message->messagePhone())) < 3) message->setMessagePhone("Unknown");
    auto keyOf = [](const PRMessageNode& m) { return key({&m.messagePhone(), &m.messageContent(), &m.messageDate()}); };
    if (listed(messages_, messageArray, keyOf(*message), keyOf)) return false;

    PRMessageTreeNodePtr conversation;
    for (const PRMessageTreeNodePtr& tree : messageTreeArray) {
        if (tree->bdeleted() && addressesMatch(message->messagePhone(), tree->messageTreeNodeAdress())) {
            conversation = tree;
            break;
        }
    }
    if (!conversation) {
        conversation = std::make_shared<PRMessageTreeNode>();
        conversation->setMessageTreeNodeName(message->messageName());
        conversation->setMessageTreeNodeAdress(message->messagePhone());
        conversation->setBdeleted(true);
        messageTreeArray.push_back(conversation);
    }
    conversation->MessageNodeArray().push_back(message);
    // Every kept message is a deleted record of its own, whether it opened its conversation
    // or joined one: marked, listed (so that a second carving of it is a repeat) and counted.
    message->setBDeleted(true);
    messageArray.push_back(message);
    ++deleteeFilesNum;
    ++delMessageNum;
    return true;
}

bool PRDeletedRecordMerge::ScanDelNoteInfomationHandle(const PRNoteNodePtr& note) {
    if (!note || (note->noteTitle().empty() && note->noteContent().empty())) return false;
    auto keyOf = [](const PRNoteNode& n) { return n.noteContent(); };
    if (listed(notes_, noteArray, keyOf(*note), keyOf)) return false;
    note->setBDeleted(true);
    noteArray.push_back(note);
    ++deleteeFilesNum;
    ++delNoteNum;
    return true;
}

bool PRDeletedRecordMerge::ScanDelCallHistoryInfomationHandle(const PRCallHistoryNodePtr& call) {
    if (!call || (call->callName().empty() && call->callPhone().empty())) return false;
    auto keyOf = [](const PRCallHistoryNode& c) { return key({&c.callPhone(), &c.callDate()}); };
    if (listed(calls_, callArray, keyOf(*call), keyOf)) return false;
    call->setBDeleted(true);
    callArray.push_back(call);
    ++deleteeFilesNum;
    ++delCallNum;
    return true;
}

bool PRDeletedRecordMerge::scanDelBookMarkInfoHandle(const PRBookMarkNodePtr& bookmark) {
    if (!bookmark || (bookmark->bookMarkURL().empty() && bookmark->bookMarkTitle().empty())) return false;
    auto keyOf = [](const PRBookMarkNode& b) { return key({&b.bookMarkURL(), &b.bookMarkTitle()}); };
    if (listed(bookmarks_, bookMarkArray, keyOf(*bookmark), keyOf)) return false;
    bookmark->setBDeleted(true);
    bookMarkArray.push_back(bookmark);
    ++deleteeFilesNum;
    ++delBookMarkNum;
    return true;
}

bool PRDeletedRecordMerge::scanDelCalenderInfoHandle(const PRCalenderNodePtr& item) {
    if (!item || (item->calTitle().empty() && item->calNote().empty() && item->startDate().empty())) return false;
    auto keyOf = [](const PRCalenderNode& c) { return key({&c.calTitle(), &c.calNote(), &c.startDate()}); };
    if (listed(calenders_, calenderArray, keyOf(*item), keyOf)) return false;
    item->setBDeleted(true);
    calenderArray.push_back(item);
    ++deleteeFilesNum;
    ++delCalenderNum;
    return true;
}
