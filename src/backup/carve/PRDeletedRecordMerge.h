// How the backup result screen takes in deleted records: a carved record that repeats one it
// already lists (a live row the readers found, or a record carved twice) is dropped; the others
// are marked deleted, listed and counted, and deleted messages are filed into conversations of
// their own. The screen drives this from its notification handlers; tools use it alone.
#pragma once

#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"

#include <cstdint>
#include <string>
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

    // Whether a message of phone belongs to a conversation of address: the longer of the two
    // contains the other, ignoring case; two equal texts match, an empty text is found in no other.
    static bool addressesMatch(const std::string& phone, const std::string& address);
    // The same over texts already lowered with loweredAddress, for callers that compare one
    // address with many.
    static bool loweredAddressesMatch(const std::string& phone, const std::string& address);
    static std::string loweredAddress(const std::string& address);

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
        struct Cell {
            uint32_t tag = 0;    // the high half of the key's hash
            uint32_t place = 0;  // position in the array plus one; 0 for a free cell
        };
        std::vector<Cell> cells;
        size_t used = 0;
        size_t seen = 0;
        void insert(uint64_t hash, size_t place);
        void reserve(size_t records);
    };
    template <class Ptr, class KeyOf>
    void catchUp(Index& index, const std::vector<Ptr>& array, KeyOf keyOf);
    template <class Ptr, class KeyOf>
    bool listed(Index& index, const std::vector<Ptr>& array, const std::string& key, KeyOf keyOf);
    std::string scratch_;  // a listed record's key, made again in the same storage

    Index contacts_;
    Index messages_;
    Index notes_;
    Index calls_;
    Index bookmarks_;
    Index calenders_;
};
