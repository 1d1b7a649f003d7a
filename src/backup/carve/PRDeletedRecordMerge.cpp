#include "backup/carve/PRDeletedRecordMerge.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <string_view>

namespace {

// The key of a record: each part followed by a unit separator.
void keyInto(std::string& k, std::initializer_list<const std::string*> parts) {
    k.clear();
    for (const std::string* p : parts) {
        k += *p;
        k += '\x1f';
    }
}

std::string key(std::initializer_list<const std::string*> parts) {
    std::string k;
    keyInto(k, parts);
    return k;
}

uint64_t hashOf(const std::string& k) { return std::hash<std::string_view>()(k); }

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

void PRDeletedRecordMerge::Index::reserve(size_t records) {
    // At most three quarters full, so that a look-up meets few cells of other keys.
    if (records + records / 3 < cells.size()) return;
    size_t capacity = 16;
    while (capacity * 3 / 4 <= records) capacity *= 2;
    std::vector<Cell> old(capacity);
    old.swap(cells);
    const size_t mask = cells.size() - 1;
    for (const Cell& cell : old) {
        if (!cell.place) continue;
        // The low half of the hash is gone: the cell's new place comes from its tag.
        size_t i = cell.tag & mask;
        while (cells[i].place) i = (i + 1) & mask;
        cells[i] = cell;
    }
}

void PRDeletedRecordMerge::Index::insert(uint64_t hash, size_t place) {
    reserve(used + 1);
    const size_t mask = cells.size() - 1;
    const uint32_t tag = static_cast<uint32_t>(hash >> 32);
    size_t i = tag & mask;
    while (cells[i].place) i = (i + 1) & mask;
    cells[i] = {tag, static_cast<uint32_t>(place + 1)};
    ++used;
}

template <class Ptr, class KeyOf>
void PRDeletedRecordMerge::catchUp(Index& index, const std::vector<Ptr>& array, KeyOf keyOf) {
    if (index.seen > array.size()) index = Index();  // the array was emptied or replaced
    if (index.seen == array.size()) return;
    // The live records may arrive all at once (a million calls): size the table once for them.
    index.reserve(array.size());
    for (; index.seen < array.size(); ++index.seen) {
        keyOf(scratch_, *array[index.seen]);
        index.insert(hashOf(scratch_), index.seen);
    }
}

template <class Ptr, class KeyOf>
bool PRDeletedRecordMerge::listed(Index& index, const std::vector<Ptr>& array, const std::string& k, KeyOf keyOf) {
    catchUp(index, array, keyOf);
    if (index.cells.empty()) return false;
    const uint32_t tag = static_cast<uint32_t>(hashOf(k) >> 32);
    const size_t mask = index.cells.size() - 1;
    for (size_t i = tag & mask; index.cells[i].place; i = (i + 1) & mask) {
        if (index.cells[i].tag != tag) continue;
        keyOf(scratch_, *array[index.cells[i].place - 1]);
        if (scratch_ == k) return true;
    }
    return false;
}

namespace {
void contactKey(std::string& k, const PRContactNode& c) { keyInto(k, {&c.contactName(), &c.contactPhone()}); }
void messageKey(std::string& k, const PRMessageNode& m) {
    keyInto(k, {&m.messagePhone(), &m.messageContent(), &m.messageDate()});
}
void noteKey(std::string& k, const PRNoteNode& n) { k = n.noteContent(); }
void callKey(std::string& k, const PRCallHistoryNode& c) { keyInto(k, {&c.callPhone(), &c.callDate()}); }
void bookMarkKey(std::string& k, const PRBookMarkNode& b) { keyInto(k, {&b.bookMarkURL(), &b.bookMarkTitle()}); }
void calenderKey(std::string& k, const PRCalenderNode& c) { keyInto(k, {&c.calTitle(), &c.calNote(), &c.startDate()}); }
}  // namespace

void PRDeletedRecordMerge::indexListed() {
    catchUp(contacts_, contactArray, contactKey);
    catchUp(messages_, messageArray, messageKey);
    catchUp(notes_, noteArray, noteKey);
    catchUp(calls_, callArray, callKey);
    catchUp(bookmarks_, bookMarkArray, bookMarkKey);
    catchUp(calenders_, calenderArray, calenderKey);
}

bool PRDeletedRecordMerge::ScanDelContactInfomationHandle(const PRContactNodePtr& contact) {
    if (!contact ||
        listed(contacts_, contactArray, key({&contact->contactName(), &contact->contactPhone()}), contactKey))
        return false;
    contact->setBDeleted(true);
    contactArray.push_back(contact);
    ++deleteeFilesNum;
    ++delContactNum;
    return true;
}

bool PRDeletedRecordMerge::ScanDelMessageInfomationHandle(const PRMessageNodePtr& message) {
    if (!message || (message->messagePhone().empty() && message->messageContent().empty())) return false;
    if (characters(withoutSpaces(message->messagePhone())) < 3) message->setMessagePhone("Unknown");
    if (listed(messages_, messageArray,
               key({&message->messagePhone(), &message->messageContent(), &message->messageDate()}), messageKey))
        return false;

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
    if (listed(notes_, noteArray, note->noteContent(), noteKey)) return false;
    note->setBDeleted(true);
    noteArray.push_back(note);
    ++deleteeFilesNum;
    ++delNoteNum;
    return true;
}

bool PRDeletedRecordMerge::ScanDelCallHistoryInfomationHandle(const PRCallHistoryNodePtr& call) {
    if (!call || (call->callName().empty() && call->callPhone().empty())) return false;
    if (listed(calls_, callArray, key({&call->callPhone(), &call->callDate()}), callKey)) return false;
    call->setBDeleted(true);
    callArray.push_back(call);
    ++deleteeFilesNum;
    ++delCallNum;
    return true;
}

bool PRDeletedRecordMerge::scanDelBookMarkInfoHandle(const PRBookMarkNodePtr& bookmark) {
    if (!bookmark || (bookmark->bookMarkURL().empty() && bookmark->bookMarkTitle().empty())) return false;
    if (listed(bookmarks_, bookMarkArray, key({&bookmark->bookMarkURL(), &bookmark->bookMarkTitle()}), bookMarkKey))
        return false;
    bookmark->setBDeleted(true);
    bookMarkArray.push_back(bookmark);
    ++deleteeFilesNum;
    ++delBookMarkNum;
    return true;
}

bool PRDeletedRecordMerge::scanDelCalenderInfoHandle(const PRCalenderNodePtr& item) {
    if (!item || (item->calTitle().empty() && item->calNote().empty() && item->startDate().empty())) return false;
    if (listed(calenders_, calenderArray, key({&item->calTitle(), &item->calNote(), &item->startDate()}), calenderKey))
        return false;
    item->setBDeleted(true);
    calenderArray.push_back(item);
    ++deleteeFilesNum;
    ++delCalenderNum;
    return true;
}
