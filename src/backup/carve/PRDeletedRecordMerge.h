// How the backup result screen takes in deleted records: a carved record that repeats one it
// already lists (a live row the readers found, or a record carved twice) is dropped; the others
// are marked deleted, listed and counted, and deleted messages are filed into conversations of
// their own. The screen drives this from its notification handlers; tools use it alone.
#pragma once

#include "model/MessageConversations.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "platform/MappedMemory.h"

#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

class PRDeletedRecordMerge {
public:
    // What the screen lists: the readers' records first, then the deleted ones it accepts.
    std::vector<PRContactNodePtr> contactArray;
    std::vector<PRMessageNodePtr> messageArray;
    std::vector<PRMessageTreeNodePtr> messageTreeArray;
    std::vector<PRNoteNodePtr> noteArray;
    std::vector<PRCallHistoryNodePtr> callArray;
    std::vector<PRBookMarkNodePtr> bookMarkArray;
    std::vector<PRCalenderNodePtr> calenderArray;

    int deleteeFilesNum = 0;
    int delContactNum = 0;
    int delMessageNum = 0;
    int delNoteNum = 0;
    int delCallNum = 0;
    int delBookMarkNum = 0;
    int delCalenderNum = 0;

    // Each answers whether the screen keeps the record: listed as a new deleted record or,
    // for a message, filed into a deleted conversation it already shows.
    bool ScanDelContactInfomationHandle(const PRContactNodePtr& contact);
    bool ScanDelMessageInfomationHandle(const PRMessageNodePtr& message);
    bool ScanDelNoteInfomationHandle(const PRNoteNodePtr& note);
    bool ScanDelCallHistoryInfomationHandle(const PRCallHistoryNodePtr& call);
    bool scanDelBookMarkInfoHandle(const PRBookMarkNodePtr& bookmark);
    bool scanDelCalenderInfoHandle(const PRCalenderNodePtr& item);

    // The same with the record's key hash worked out beforehand by keyHash (where the record
    // was made, while it was still in the cache), for a caller taking in many records at once.
    bool ScanDelContactInfomationHandle(const PRContactNodePtr& contact, uint64_t keyHash);
    bool ScanDelMessageInfomationHandle(const PRMessageNodePtr& message, uint64_t keyHash);
    bool ScanDelNoteInfomationHandle(const PRNoteNodePtr& note, uint64_t keyHash);
    bool ScanDelCallHistoryInfomationHandle(const PRCallHistoryNodePtr& call, uint64_t keyHash);
    bool scanDelBookMarkInfoHandle(const PRBookMarkNodePtr& bookmark, uint64_t keyHash);
    bool scanDelCalenderInfoHandle(const PRCalenderNodePtr& item, uint64_t keyHash);

    // The hash of what identifies a record, as its intake above looks it up (a message's short
    // phone counted as "Unknown"). Touches nothing but the record: safe on any thread.
    static uint64_t keyHash(const PRContactNode& contact);
    static uint64_t keyHash(const PRMessageNode& message);
    static uint64_t keyHash(const PRNoteNode& note);
    static uint64_t keyHash(const PRCallHistoryNode& call);
    static uint64_t keyHash(const PRBookMarkNode& bookmark);
    static uint64_t keyHash(const PRCalenderNode& item);

    // Starts loading the look-up's cells for a record of kind Node with that key hash, for a
    // caller that knows which records come next: the look-up of a million listed records is
    // larger than the caches, and each first touch would otherwise wait on memory.
    template <class Node>
    void prefetch(uint64_t keyHash) const {
        std::get<0>(kindOf<Node>(*this)).prefetch(keyHash);
    }

    // For a caller that hands each record on as it is taken in and lists nothing itself (a tool
    // printing or counting them): from now on the arrays stay empty and no record is kept, only
    // each listed record's key, as two hashes (the table's piece of one, and the other whole),
    // so that a million live records cost a few bytes each. A record is then taken for a listed
    // one when both agree. Deleted messages are filed into no conversation. Call before anything
    // is taken in or listed.
    void keepKeysOnly() { keysOnly_ = true; }
    // With keepKeysOnly: enters a live record the readers listed, without keeping it.
    void listLive(const PRContactNode& contact);
    void listLive(const PRMessageNode& message);
    void listLive(const PRNoteNode& note);
    void listLive(const PRCallHistoryNode& call);
    void listLive(const PRBookMarkNode& bookmark);
    void listLive(const PRCalenderNode& item);

    // With keepKeysOnly, a record stands for itself in the intake by its key alone: the two
    // hashes a listed record leaves, and whether the intake takes such a record at all (never, as
    // a record its handle drops unseen; always, as a note without its key; or unless one with the
    // same key is listed). Made from the record on any thread; takeInKey then decides as the
    // record's handle would and lists the key, so that a caller that only counts what is kept
    // need not keep the record until it is taken in.
    struct KeyOnly {
        enum class Take : uint8_t { never, unlessListed, always };
        uint64_t hash = 0;
        uint64_t second = 0;
        Take take = Take::never;
    };
    // For a record of any of the six kinds.
    template <class Node>
    static KeyOnly keyOnly(const Node& record);
    template <class Node>
    bool takeInKey(const KeyOnly& key) {
        auto [index, counted] = kindOf<Node>(*this);
        return takeInKey(index, key, counted);
    }

    // Brings the look-up of what is listed up to date with the arrays. The intake does this
    // itself at the first deleted record; a caller that has a moment while the carvers run
    // can do it then instead.
    void indexListed();

private:
    // Keys of what is listed, kept beside the arrays so that a large backup is not rescanned
    // for every carved record; rebuilt when the arrays grew from outside. A key is the
    // record's identifying fields, each followed by a unit separator. The table keeps a piece
    // of the key's hash and the record's place in its array, and a piece that matches is
    // confirmed on the record's own key, so a million live rows cost no key strings of their own.
    struct Index {
        struct alignas(8) Cell {  // aligned whole, to be claimed in one atomic exchange
            uint32_t tag;         // the high half of the key's hash
            uint32_t place;       // position in the array plus one; 0 for a free cell
        };
        // Cells are made uncleared: reserve() clears a large table on several threads, as the
        // first touch of tens of megabytes costs more than the rest of entering a million keys.
        template <class T>
        struct Uncleared : std::allocator<T> {
            template <class U>
            struct rebind {
                using other = Uncleared<U>;
            };
            template <class U>
            void construct(U* at) {
                ::new (static_cast<void*>(at)) U;
            }
        };
        std::vector<Cell, Uncleared<Cell>> cells;
        mapped::Vector<uint64_t> seconds;  // with keepKeysOnly, each listed key's second hash, by place
        size_t used = 0;
        size_t seen = 0;
        void insert(uint64_t hash, size_t place);
        // Enters hashes[k] for place firstPlace + k, for every k, on several threads.
        void insertSideBySide(const std::vector<uint64_t>& hashes, size_t firstPlace);
        void reserve(size_t records);
        void prefetch(uint64_t hash) const;
    };
    // The look-up of the records of kind Node and their count as deleted ones.
    template <class Node, class Self>
    static auto kindOf(Self& self) {
        if constexpr (std::is_same_v<Node, PRContactNode>) return std::tie(self.contacts_, self.delContactNum);
        if constexpr (std::is_same_v<Node, PRMessageNode>) return std::tie(self.messages_, self.delMessageNum);
        if constexpr (std::is_same_v<Node, PRNoteNode>) return std::tie(self.notes_, self.delNoteNum);
        if constexpr (std::is_same_v<Node, PRCallHistoryNode>) return std::tie(self.calls_, self.delCallNum);
        if constexpr (std::is_same_v<Node, PRBookMarkNode>) return std::tie(self.bookmarks_, self.delBookMarkNum);
        if constexpr (std::is_same_v<Node, PRCalenderNode>) return std::tie(self.calenders_, self.delCalenderNum);
    }
    bool takeInKey(Index& index, const KeyOnly& key, int& counted);
    // With keepKeysOnly: whether a key of these hashes is listed.
    static bool listedKey(const Index& index, uint64_t hash, uint64_t second);
    template <class Ptr, class KeyOf>
    void catchUp(Index& index, const std::vector<Ptr>& array, KeyOf keyOf);
    template <class Ptr, class KeyOf>
    bool listed(Index& index, const std::vector<Ptr>& array, const Ptr& record, uint64_t hash, KeyOf keyOf);
    // Lists record (not listed yet) as a deleted one: marked, at the end of array (or, keeping
    // keys only, its key's second hash at the end of the look-up's), entered in the look-up with
    // its hash, and counted in counted and deleteeFilesNum.
    template <class Ptr, class KeyOf>
    void list(Index& index, std::vector<Ptr>& array, const Ptr& record, uint64_t hash, KeyOf keyOf, int& counted);
    // With keepKeysOnly: enters a key made by keyOf in the look-up.
    template <class Node, class KeyOf>
    void listKey(Index& index, const Node& record, KeyOf keyOf);
    // Lists record as above unless it repeats one already listed; whether it was listed.
    template <class Ptr, class KeyOf>
    bool takeIn(Index& index, std::vector<Ptr>& array, const Ptr& record, uint64_t hash, KeyOf keyOf, int& counted);
    // Files a deleted message into the deleted conversation of its address, opened when none is.
    void fileInConversation(const PRMessageNodePtr& message);
    // Enters the deleted conversations added to messageTreeArray since last time in the finder.
    void catchUpConversations();
    ConversationFinder conversationFinder_;                   // of the deleted conversations listed
    std::vector<PRMessageTreeNodePtr> deletedConversations_;  // by their place in the finder
    size_t conversationsSeen_ = 0;                            // of messageTreeArray
    std::string scratch_;                                     // a listed record's key, made again in the same storage
    std::string recordKey_;                                   // the key of the record being taken in, likewise

    bool keysOnly_ = false;
    Index contacts_;
    Index messages_;
    Index notes_;
    Index calls_;
    Index bookmarks_;
    Index calenders_;
};
