#include "backup/carve/PRDeletedRecordMerge.h"

#include "backup/carve/InParallel.h"
#include "model/MessageConversations.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

// The key of a record: each part followed by a unit separator.
void keyInto(std::string& k, std::initializer_list<std::string_view> parts) {
    k.clear();
    for (std::string_view p : parts) {
        k += p;
        k += '\x1f';
    }
}

uint64_t hashOf(const std::string& k) { return std::hash<std::string_view>()(k); }

// A second hash of a key, made another way than std::hash's: with the table's piece of the first
// it stands for a listed key that is not kept (96 bits: two keys of millions of records agree
// in both by chance less than once in 10^12 backups).
uint64_t secondHashOf(std::string_view k) {
    const auto mix = [](uint64_t x) {
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        x *= 0xc4ceb9fe1a85ec53ULL;
        return x ^ (x >> 33);
    };
    uint64_t h = mix(0x9e3779b97f4a7c15ULL ^ k.size());
    size_t i = 0;
    for (; i + 8 <= k.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, k.data() + i, 8);
        h = mix(h ^ word) + 0x9e3779b97f4a7c15ULL;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, k.data() + i, k.size() - i);
    return mix(h ^ tail);
}

}  // namespace

void PRDeletedRecordMerge::Index::reserve(size_t records) {
    // At most three quarters full, so that a look-up meets few cells of other keys.
    if (records + records / 3 < cells.size()) return;
    size_t capacity = 16;
    while (capacity * 3 / 4 <= records) capacity *= 2;
    std::vector<Cell, Uncleared<Cell>> old(capacity);
    constexpr size_t kCellsPerStretch = size_t(1) << 18;
    carve::inStretches(capacity, kCellsPerStretch, 0, [&](size_t first, size_t end, size_t) {
        std::fill(old.begin() + static_cast<std::ptrdiff_t>(first), old.begin() + static_cast<std::ptrdiff_t>(end),
                  Cell{0, 0});
    });
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

void PRDeletedRecordMerge::Index::insertSideBySide(const std::vector<uint64_t>& hashes, size_t firstPlace) {
    reserve(used + hashes.size());
    const size_t mask = cells.size() - 1;
    // Each cell is claimed whole in one exchange: a thread that finds its cell taken by another
    // goes on to the next, as a lone insert would. Which of two equal keys lies first does not
    // matter: a look-up confirms every cell of its tag on the listed record itself.
    constexpr size_t kPerStretch = 65536;
    carve::inStretches(hashes.size(), kPerStretch, 0, [&](size_t first, size_t end, size_t) {
        for (size_t k = first; k < end; ++k) {
            const uint32_t tag = static_cast<uint32_t>(hashes[k] >> 32);
            const Cell cell{tag, static_cast<uint32_t>(firstPlace + k + 1)};
            for (size_t i = tag & mask;; i = (i + 1) & mask) {
                Cell free{};
                if (std::atomic_ref<Cell>(cells[i]).compare_exchange_strong(free, cell, std::memory_order_relaxed))
                    break;
            }
        }
    });
    used += hashes.size();
}

template <class Ptr, class KeyOf>
void PRDeletedRecordMerge::catchUp(Index& index, const std::vector<Ptr>& array, KeyOf keyOf) {
    if (index.seen > array.size()) index = Index();  // the array was emptied or replaced
    if (index.seen == array.size()) return;
    // The live records may arrive all at once (a million calls): size the table once for them,
    // with room for deleted records half as many, so that taking those in does not rebuild it.
    index.reserve(array.size() + array.size() / 2);
    // The keys' hashes first, side by side when many records came (a million calls the readers
    // listed before the first deleted one), each thread making keys in its own storage.
    const size_t from = index.seen, count = array.size() - from;
    std::vector<uint64_t> hashes(count);
    constexpr size_t kPerStretch = 16384;
    carve::inStretches(count, kPerStretch, 0, [&](size_t first, size_t end, size_t) {
        std::string key;
        for (size_t i = first; i < end; ++i) {
            keyOf(key, *array[from + i]);
            hashes[i] = hashOf(key);
        }
    });
    // Then the entries, also side by side (the table's cache misses then overlap).
    index.insertSideBySide(hashes, from);
    index.seen = array.size();
}

void PRDeletedRecordMerge::Index::prefetch(uint64_t hash) const {
    if (!cells.empty()) __builtin_prefetch(&cells[static_cast<uint32_t>(hash >> 32) & (cells.size() - 1)]);
}

template <class Ptr, class KeyOf>
bool PRDeletedRecordMerge::listed(Index& index, const std::vector<Ptr>& array, const Ptr& record, uint64_t hash,
                                  KeyOf keyOf) {
    catchUp(index, array, keyOf);
    if (index.cells.empty()) return false;
    const uint32_t tag = static_cast<uint32_t>(hash >> 32);
    const size_t mask = index.cells.size() - 1;
    bool keyMade = false;  // the record's own key, made only when a cell's tag matches
    uint64_t second = 0;
    for (size_t i = tag & mask; index.cells[i].place; i = (i + 1) & mask) {
        if (index.cells[i].tag != tag) continue;
        if (!keyMade) {
            keyOf(recordKey_, *record);
            if (keysOnly_) second = secondHashOf(recordKey_);
        }
        keyMade = true;
        if (keysOnly_) {
            if (index.seconds[index.cells[i].place - 1] == second) return true;
            continue;
        }
        keyOf(scratch_, *array[index.cells[i].place - 1]);
        if (scratch_ == recordKey_) return true;
    }
    return false;
}

template <class Node, class KeyOf>
void PRDeletedRecordMerge::listKey(Index& index, const Node& record, KeyOf keyOf) {
    keyOf(recordKey_, record);
    index.insert(hashOf(recordKey_), index.seconds.size());
    index.seconds.push_back(secondHashOf(recordKey_));
}

template <class Ptr, class KeyOf>
void PRDeletedRecordMerge::list(Index& index, std::vector<Ptr>& array, const Ptr& record, uint64_t hash, KeyOf keyOf,
                                int& counted) {
    record->setBDeleted(true);
    if (keysOnly_) {
        keyOf(recordKey_, *record);
        index.insert(hash, index.seconds.size());
        index.seconds.push_back(secondHashOf(recordKey_));
    } else {
        array.push_back(record);
        // listed() caught the look-up up with the array just before: the record takes the next place.
        if (index.seen + 1 == array.size()) index.insert(hash, index.seen++);
    }
    ++deleteeFilesNum;
    ++counted;
}

template <class Ptr, class KeyOf>
bool PRDeletedRecordMerge::takeIn(Index& index, std::vector<Ptr>& array, const Ptr& record, uint64_t hash, KeyOf keyOf,
                                  int& counted) {
    if (listed(index, array, record, hash, keyOf)) return false;
    list(index, array, record, hash, keyOf, counted);
    return true;
}

namespace {
const std::string& unknownPhone() {
    static const std::string text = "Unknown";
    return text;
}
// Fewer than three characters besides spaces: no number a message could come from.
bool isShortPhone(const std::string& phone) {
    return std::count_if(phone.begin(), phone.end(), [](char c) { return c != ' ' && (c & 0xc0) != 0x80; }) < 3;
}

void contactKey(std::string& k, const PRContactNode& c) { keyInto(k, {c.contactName(), c.contactPhone()}); }
void messageKey(std::string& k, const PRMessageNode& m) {
    keyInto(k, {m.messagePhone(), m.messageContent(), m.messageDate()});
}
// A note is told by its key (its row id, never reused), never by its text: distinct notes often
// share one (every note whose body is gone has none). A note whose key was lost has no key to
// repeat: its key here matches no note that has one.
void noteKey(std::string& k, const PRNoteNode& n) {
    k.assign(1, n.uid() > 0 ? '#' : '\x1e');
    if (n.uid() > 0) k += std::to_string(n.uid());
}
void callKey(std::string& k, const PRCallHistoryNode& c) { keyInto(k, {c.callPhone(), c.callDate()}); }
void bookMarkKey(std::string& k, const PRBookMarkNode& b) { keyInto(k, {b.bookMarkURL(), b.bookMarkTitle()}); }
void calenderKey(std::string& k, const PRCalenderNode& c) { keyInto(k, {c.calTitle(), c.calNote(), c.startDate()}); }

template <class Node>
uint64_t hashOfKey(void (*keyOf)(std::string&, const Node&), const Node& node) {
    thread_local std::string k;
    keyOf(k, node);
    return hashOf(k);
}
// A message's key as its intake takes it in: a short phone counted as "Unknown".
void takenMessageKey(std::string& k, const PRMessageNode& m) {
    const std::string& phone = isShortPhone(m.messagePhone()) ? unknownPhone() : m.messagePhone();
    keyInto(k, {phone, m.messageContent(), m.messageDate()});
}
}  // namespace

uint64_t PRDeletedRecordMerge::keyHash(const PRContactNode& contact) { return hashOfKey(contactKey, contact); }
uint64_t PRDeletedRecordMerge::keyHash(const PRMessageNode& message) { return hashOfKey(takenMessageKey, message); }
uint64_t PRDeletedRecordMerge::keyHash(const PRNoteNode& note) { return hashOfKey(noteKey, note); }
uint64_t PRDeletedRecordMerge::keyHash(const PRCallHistoryNode& call) { return hashOfKey(callKey, call); }
uint64_t PRDeletedRecordMerge::keyHash(const PRBookMarkNode& bookmark) { return hashOfKey(bookMarkKey, bookmark); }
uint64_t PRDeletedRecordMerge::keyHash(const PRCalenderNode& item) { return hashOfKey(calenderKey, item); }

namespace {
// Whether the intake takes a record in at all, as each handle below decides.
using Take = PRDeletedRecordMerge::KeyOnly::Take;
Take takeOf(const PRContactNode&) { return Take::unlessListed; }
Take takeOf(const PRMessageNode& m) {
    return m.messagePhone().empty() && m.messageContent().empty() ? Take::never : Take::unlessListed;
}
Take takeOf(const PRNoteNode& n) {
    if (n.noteTitle().empty() && n.noteContent().empty()) return Take::never;
    return n.uid() <= 0 ? Take::always : Take::unlessListed;
}
Take takeOf(const PRCallHistoryNode& c) {
    return c.callName().empty() && c.callPhone().empty() ? Take::never : Take::unlessListed;
}
Take takeOf(const PRBookMarkNode& b) {
    return b.bookMarkURL().empty() && b.bookMarkTitle().empty() ? Take::never : Take::unlessListed;
}
Take takeOf(const PRCalenderNode& c) {
    return c.calTitle().empty() && c.calNote().empty() && c.startDate().empty() ? Take::never : Take::unlessListed;
}
// The key each is taken in by.
void takenKey(std::string& k, const PRContactNode& c) { contactKey(k, c); }
void takenKey(std::string& k, const PRMessageNode& m) { takenMessageKey(k, m); }
void takenKey(std::string& k, const PRNoteNode& n) { noteKey(k, n); }
void takenKey(std::string& k, const PRCallHistoryNode& c) { callKey(k, c); }
void takenKey(std::string& k, const PRBookMarkNode& b) { bookMarkKey(k, b); }
void takenKey(std::string& k, const PRCalenderNode& c) { calenderKey(k, c); }
}  // namespace

template <class Node>
PRDeletedRecordMerge::KeyOnly PRDeletedRecordMerge::keyOnly(const Node& record) {
    const Take take = takeOf(record);
    if (take == Take::never) return {};
    thread_local std::string k;
    takenKey(k, record);
    return {hashOf(k), secondHashOf(k), take};
}
template PRDeletedRecordMerge::KeyOnly PRDeletedRecordMerge::keyOnly(const PRContactNode&);
template PRDeletedRecordMerge::KeyOnly PRDeletedRecordMerge::keyOnly(const PRMessageNode&);
template PRDeletedRecordMerge::KeyOnly PRDeletedRecordMerge::keyOnly(const PRNoteNode&);
template PRDeletedRecordMerge::KeyOnly PRDeletedRecordMerge::keyOnly(const PRCallHistoryNode&);
template PRDeletedRecordMerge::KeyOnly PRDeletedRecordMerge::keyOnly(const PRBookMarkNode&);
template PRDeletedRecordMerge::KeyOnly PRDeletedRecordMerge::keyOnly(const PRCalenderNode&);

bool PRDeletedRecordMerge::listedKey(const Index& index, uint64_t hash, uint64_t second) {
    if (index.cells.empty()) return false;
    const uint32_t tag = static_cast<uint32_t>(hash >> 32);
    const size_t mask = index.cells.size() - 1;
    for (size_t i = tag & mask; index.cells[i].place; i = (i + 1) & mask)
        if (index.cells[i].tag == tag && index.seconds[index.cells[i].place - 1] == second) return true;
    return false;
}

bool PRDeletedRecordMerge::takeInKey(Index& index, const KeyOnly& key, int& counted) {
    if (key.take == KeyOnly::Take::never) return false;
    if (key.take == KeyOnly::Take::unlessListed && listedKey(index, key.hash, key.second)) return false;
    index.insert(key.hash, index.seconds.size());
    index.seconds.push_back(key.second);
    ++deleteeFilesNum;
    ++counted;
    return true;
}

void PRDeletedRecordMerge::listLive(const PRContactNode& contact) { listKey(contacts_, contact, contactKey); }
void PRDeletedRecordMerge::listLive(const PRMessageNode& message) { listKey(messages_, message, messageKey); }
void PRDeletedRecordMerge::listLive(const PRNoteNode& note) { listKey(notes_, note, noteKey); }
void PRDeletedRecordMerge::listLive(const PRCallHistoryNode& call) { listKey(calls_, call, callKey); }
void PRDeletedRecordMerge::listLive(const PRBookMarkNode& bookmark) { listKey(bookmarks_, bookmark, bookMarkKey); }
void PRDeletedRecordMerge::listLive(const PRCalenderNode& item) { listKey(calenders_, item, calenderKey); }

void PRDeletedRecordMerge::indexListed() {
    catchUp(contacts_, contactArray, contactKey);
    catchUp(messages_, messageArray, messageKey);
    catchUp(notes_, noteArray, noteKey);
    catchUp(calls_, callArray, callKey);
    catchUp(bookmarks_, bookMarkArray, bookMarkKey);
    catchUp(calenders_, calenderArray, calenderKey);
}

bool PRDeletedRecordMerge::ScanDelContactInfomationHandle(const PRContactNodePtr& contact) {
    return contact && ScanDelContactInfomationHandle(contact, keyHash(*contact));
}
bool PRDeletedRecordMerge::ScanDelMessageInfomationHandle(const PRMessageNodePtr& message) {
    return message && ScanDelMessageInfomationHandle(message, keyHash(*message));
}
bool PRDeletedRecordMerge::ScanDelNoteInfomationHandle(const PRNoteNodePtr& note) {
    return note && ScanDelNoteInfomationHandle(note, keyHash(*note));
}
bool PRDeletedRecordMerge::ScanDelCallHistoryInfomationHandle(const PRCallHistoryNodePtr& call) {
    return call && ScanDelCallHistoryInfomationHandle(call, keyHash(*call));
}
bool PRDeletedRecordMerge::scanDelBookMarkInfoHandle(const PRBookMarkNodePtr& bookmark) {
    return bookmark && scanDelBookMarkInfoHandle(bookmark, keyHash(*bookmark));
}
bool PRDeletedRecordMerge::scanDelCalenderInfoHandle(const PRCalenderNodePtr& item) {
    return item && scanDelCalenderInfoHandle(item, keyHash(*item));
}

bool PRDeletedRecordMerge::ScanDelContactInfomationHandle(const PRContactNodePtr& contact, uint64_t hash) {
    return contact && takeIn(contacts_, contactArray, contact, hash, contactKey, delContactNum);
}

bool PRDeletedRecordMerge::ScanDelMessageInfomationHandle(const PRMessageNodePtr& message, uint64_t hash) {
    if (!message || takeOf(*message) == Take::never) return false;
    if (isShortPhone(message->messagePhone())) message->setMessagePhone(unknownPhone());
    if (listed(messages_, messageArray, message, hash, messageKey)) return false;
    if (!keysOnly_) fileInConversation(message);
    // Every kept message is a deleted record of its own, whether it opened its conversation
    // or joined one: marked, listed (so that a second carving of it is a repeat) and counted.
    list(messages_, messageArray, message, hash, messageKey, delMessageNum);
    return true;
}

void PRDeletedRecordMerge::fileInConversation(const PRMessageNodePtr& message) {
    // The first deleted conversation the message belongs to, found by its address's key.
    catchUpConversations();
    PRMessageTreeNodePtr conversation;
    if (const size_t place = conversationFinder_.find(conversationAddress(*message)); place != ConversationFinder::npos)
        conversation = deletedConversations_[place];
    if (!conversation) {
        conversation = conversationStartedBy(*message);
        conversation->setBdeleted(true);
        messageTreeArray.push_back(conversation);
        catchUpConversations();
    }
    conversation->MessageNodeArray().push_back(message);
}

void PRDeletedRecordMerge::catchUpConversations() {
    if (conversationsSeen_ > messageTreeArray.size()) {  // the list was emptied or replaced
        conversationFinder_ = ConversationFinder();
        deletedConversations_.clear();
        conversationsSeen_ = 0;
    }
    for (; conversationsSeen_ < messageTreeArray.size(); ++conversationsSeen_) {
        const PRMessageTreeNodePtr& tree = messageTreeArray[conversationsSeen_];
        if (!tree->bdeleted()) continue;
        conversationFinder_.add(tree->messageTreeNodeAdress());
        deletedConversations_.push_back(tree);
    }
}

bool PRDeletedRecordMerge::ScanDelNoteInfomationHandle(const PRNoteNodePtr& note, uint64_t hash) {
    const Take take = note ? takeOf(*note) : Take::never;
    if (take == Take::never) return false;
    // Only a copy of a listed note (a live one, or one carved before) of the same key is
    // dropped; a note without its key is a note of its own.
    if (take == Take::always) {
        list(notes_, noteArray, note, hash, noteKey, delNoteNum);
        return true;
    }
    return takeIn(notes_, noteArray, note, hash, noteKey, delNoteNum);
}

bool PRDeletedRecordMerge::ScanDelCallHistoryInfomationHandle(const PRCallHistoryNodePtr& call, uint64_t hash) {
    if (!call || takeOf(*call) == Take::never) return false;
    return takeIn(calls_, callArray, call, hash, callKey, delCallNum);
}

bool PRDeletedRecordMerge::scanDelBookMarkInfoHandle(const PRBookMarkNodePtr& bookmark, uint64_t hash) {
    if (!bookmark || takeOf(*bookmark) == Take::never) return false;
    return takeIn(bookmarks_, bookMarkArray, bookmark, hash, bookMarkKey, delBookMarkNum);
}

bool PRDeletedRecordMerge::scanDelCalenderInfoHandle(const PRCalenderNodePtr& item, uint64_t hash) {
    if (!item || takeOf(*item) == Take::never) return false;
    return takeIn(calenders_, calenderArray, item, hash, calenderKey, delCalenderNum);
}
