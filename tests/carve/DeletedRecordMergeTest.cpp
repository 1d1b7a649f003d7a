// The result screen's intake of deleted records: live rows and repeats are dropped, messages
// are filed into deleted conversations.
#include "backup/carve/PRDeletedRecordMerge.h"

#include <gtest/gtest.h>
#include <tuple>
#include <type_traits>
#include <vector>

namespace {
PRMessageNodePtr message(const std::string& phone, const std::string& text, const std::string& date) {
    auto m = std::make_shared<PRMessageNode>();
    m->setMessagePhone(phone);
    m->setMessageContent(text);
    m->setMessageDate(date);
    return m;
}
// Calls of as many numbers, a minute of the hour each.
PRCallHistoryNodePtr call(int i) {
    auto c = std::make_shared<PRCallHistoryNode>();
    c->setCallPhone("+1555" + std::to_string(i));
    c->setCallDate("04-30-2013 14:" + std::to_string(i % 60));
    return c;
}
}  // namespace

TEST(DeletedRecordMerge, LiveRowsAndRepeatsAreDropped) {
    PRDeletedRecordMerge merge;
    auto live = std::make_shared<PRContactNode>();
    live->setContactName("Ann Lee");
    live->setContactPhone(" +4477");
    merge.contactArray.push_back(live);
    auto same = std::make_shared<PRContactNode>();
    same->setContactName("Ann Lee");
    same->setContactPhone(" +4477");
    auto other = std::make_shared<PRContactNode>();
    other->setContactName("Ann Lee");
    other->setContactPhone(" +4478");
    EXPECT_FALSE(merge.ScanDelContactInfomationHandle(same));
    EXPECT_TRUE(merge.ScanDelContactInfomationHandle(other));
    EXPECT_FALSE(merge.ScanDelContactInfomationHandle(other));  // carved twice
    EXPECT_TRUE(other->bDeleted());
    EXPECT_FALSE(same->bDeleted());
    EXPECT_EQ(merge.delContactNum, 1);

    auto call = std::make_shared<PRCallHistoryNode>();
    call->setCallPhone("+1555");
    call->setCallDate("04-30-2013 14:47");
    merge.callArray.push_back(call);
    auto carvedCall = std::make_shared<PRCallHistoryNode>(*call);
    EXPECT_FALSE(merge.ScanDelCallHistoryInfomationHandle(carvedCall));
    EXPECT_FALSE(merge.ScanDelCallHistoryInfomationHandle(std::make_shared<PRCallHistoryNode>()));  // no name, no phone

    auto root = std::make_shared<PRBookMarkNode>();
    EXPECT_FALSE(merge.scanDelBookMarkInfoHandle(root));
    auto item = std::make_shared<PRCalenderNode>();
    item->setStartDate("01-01-2013 10:00");
    EXPECT_TRUE(merge.scanDelCalenderInfoHandle(item));
    EXPECT_EQ(merge.deleteeFilesNum, 2);
}

// Notes share texts (every note whose body is gone has none): a carved note is dropped only when
// its key repeats a live note's (an earlier version of it) or one listed already.
TEST(DeletedRecordMerge, NotesAreToldApartByTheirKeysNeverByTheirText) {
    auto note = [](int uid, const std::string& title, const std::string& text) {
        auto n = std::make_shared<PRNoteNode>();
        n->setUid(uid);
        n->setNoteTitle(title);
        n->setNoteContent(text);
        return n;
    };
    PRDeletedRecordMerge merge;
    merge.noteArray.push_back(note(5, "Groceries", "Groceries\neggs"));
    EXPECT_FALSE(merge.ScanDelNoteInfomationHandle(note(5, "Groceries", "Groceries\nmilk")));  // its old body
    EXPECT_TRUE(merge.ScanDelNoteInfomationHandle(note(9, "Plumber", "")));
    EXPECT_TRUE(merge.ScanDelNoteInfomationHandle(note(10, "Dentist", "")));
    EXPECT_TRUE(merge.ScanDelNoteInfomationHandle(note(11, "Groceries", "Groceries\neggs")));
    EXPECT_FALSE(merge.ScanDelNoteInfomationHandle(note(9, "Plumber", "Plumber\ncall")));  // carved twice
    // Without its key a note repeats nothing: it is listed, however its texts compare.
    EXPECT_TRUE(merge.ScanDelNoteInfomationHandle(note(-1, "Keys", "")));
    EXPECT_TRUE(merge.ScanDelNoteInfomationHandle(note(-1, "Keys", "")));
    EXPECT_FALSE(merge.ScanDelNoteInfomationHandle(note(-1, "", "")));  // nothing to show
    EXPECT_EQ(merge.delNoteNum, 5);
    EXPECT_EQ(merge.noteArray.size(), 6u);
    // A key worked out ahead keeps what the intake keeps.
    const auto again = note(10, "Dentist", "");
    EXPECT_FALSE(merge.ScanDelNoteInfomationHandle(again, PRDeletedRecordMerge::keyHash(*again)));
}

TEST(DeletedRecordMerge, MessagesAreFiledIntoDeletedConversations) {
    PRDeletedRecordMerge merge;
    merge.messageArray.push_back(message("+33612340001", "live", "d1"));
    EXPECT_FALSE(merge.ScanDelMessageInfomationHandle(message("+33612340001", "live", "d1")));
    EXPECT_FALSE(merge.ScanDelMessageInfomationHandle(message("", "", "d1")));

    auto first = message("+33612340001", "gone", "d2");
    first->setMessageName("Zoe");
    EXPECT_TRUE(merge.ScanDelMessageInfomationHandle(first));
    ASSERT_EQ(merge.messageTreeArray.size(), 1u);
    EXPECT_EQ(merge.messageTreeArray[0]->messageTreeNodeName(), "Zoe");
    EXPECT_TRUE(merge.messageTreeArray[0]->bdeleted());

    // A phone that contains the conversation's address (any case) joins it, and is a deleted
    // record like the first: flagged, listed and counted; carved again, it is a repeat.
    auto joined = message("+33612340001 ", "more", "d3");
    EXPECT_TRUE(merge.ScanDelMessageInfomationHandle(joined));
    EXPECT_TRUE(joined->bDeleted());
    EXPECT_EQ(merge.messageArray.size(), 3u);
    EXPECT_EQ(merge.messageTreeArray.size(), 1u);
    EXPECT_EQ(merge.messageTreeArray[0]->MessageNodeArray().size(), 2u);
    EXPECT_EQ(merge.delMessageNum, 2);
    EXPECT_EQ(merge.deleteeFilesNum, 2);
    EXPECT_FALSE(merge.ScanDelMessageInfomationHandle(message("+33612340001 ", "more", "d3")));
    EXPECT_EQ(merge.delMessageNum, 2);

    // A short phone becomes "Unknown" and opens a conversation of that address.
    auto shortPhone = message("1 2", "who", "d4");
    EXPECT_TRUE(merge.ScanDelMessageInfomationHandle(shortPhone));
    EXPECT_EQ(shortPhone->messagePhone(), "Unknown");
    EXPECT_EQ(merge.messageTreeArray.back()->messageTreeNodeAdress(), "Unknown");
}

TEST(DeletedRecordMerge, ManyListedRecordsAreFoundAfterTheLookUpGrows) {
    PRDeletedRecordMerge merge;
    for (int i = 0; i < 500; ++i) merge.callArray.push_back(call(i));
    merge.indexListed();  // entered ahead, then more come from outside
    // Enough at once for the keys to be made on several threads.
    constexpr int kListed = 150000;
    for (int i = 500; i < kListed; ++i) merge.callArray.push_back(call(i));
    for (int i = 0; i < kListed; i += 7) ASSERT_FALSE(merge.ScanDelCallHistoryInfomationHandle(call(i))) << i;
    EXPECT_TRUE(merge.ScanDelCallHistoryInfomationHandle(call(kListed)));
    // The same phone at another time is a record of its own.
    auto later = call(3);
    later->setCallDate("05-01-2013 09:00");
    EXPECT_TRUE(merge.ScanDelCallHistoryInfomationHandle(later));
    EXPECT_FALSE(merge.ScanDelCallHistoryInfomationHandle(later));
    EXPECT_EQ(merge.delCallNum, 2);

    // A replaced array is looked up afresh.
    merge.callArray = {call(1)};
    EXPECT_TRUE(merge.ScanDelCallHistoryInfomationHandle(call(2)));
    EXPECT_FALSE(merge.ScanDelCallHistoryInfomationHandle(call(1)));
}

// backup-dump works the key hashes out where the records are carved, before the intake has seen
// them: the intake must then keep and drop exactly what it does when it hashes them itself,
// a short phone counted as "Unknown" included.
TEST(DeletedRecordMerge, HashesWorkedOutAheadKeepWhatTheIntakeKeeps) {
    const std::vector<std::tuple<std::string, std::string, std::string>> carved = {
        {"+33612340001", "live", "d1"}, {"1 2", "who", "d4"}, {"Unknown", "who", "d4"}, {"+33612340002", "gone", "d2"},
        {"+33612340002", "gone", "d2"}, {"", "", "d5"},       {"12", "who", "d4"},      {"+33612340003", "", "d6"}};
    PRDeletedRecordMerge hashedHere, hashedAhead;
    for (PRDeletedRecordMerge* merge : {&hashedHere, &hashedAhead})
        merge->messageArray.push_back(message("+33612340001", "live", "d1"));
    std::vector<PRMessageNodePtr> ahead;
    std::vector<uint64_t> hashes;
    for (const auto& [phone, text, date] : carved) {
        ahead.push_back(message(phone, text, date));
        hashes.push_back(PRDeletedRecordMerge::keyHash(*ahead.back()));
    }
    for (size_t i = 0; i < carved.size(); ++i) {
        const auto& [phone, text, date] = carved[i];
        EXPECT_EQ(hashedHere.ScanDelMessageInfomationHandle(message(phone, text, date)),
                  hashedAhead.ScanDelMessageInfomationHandle(ahead[i], hashes[i]))
            << i;
    }
    EXPECT_EQ(hashedAhead.delMessageNum, 3);  // "who" once as Unknown, "gone" once, the one without text
    EXPECT_EQ(hashedHere.delMessageNum, hashedAhead.delMessageNum);

    // Calls entered with their hashes are found again by a plain look-up.
    auto call = std::make_shared<PRCallHistoryNode>();
    call->setCallPhone("+15550100");
    call->setCallDate("04-30-2013 14:05");
    EXPECT_TRUE(hashedAhead.ScanDelCallHistoryInfomationHandle(call, PRDeletedRecordMerge::keyHash(*call)));
    auto again = std::make_shared<PRCallHistoryNode>(*call);
    EXPECT_FALSE(hashedAhead.ScanDelCallHistoryInfomationHandle(again));
}

// backup-dump keeps no record, only the keys of what is listed: fed the same live and carved
// records, that intake keeps and drops exactly what the screen's keeps, and counts the same.
// Counting only, it takes each carved record in by its key alone, made where it was carved
// (the record dropped at once): the same again.
TEST(DeletedRecordMerge, KeepingKeysOnlyTakesInWhatKeepingRecordsTakesIn) {
    PRDeletedRecordMerge records, keys, keysAlone;
    keys.keepKeysOnly();
    keysAlone.keepKeysOnly();
    auto contact = [](const std::string& name, const std::string& phone) {
        auto c = std::make_shared<PRContactNode>();
        c->setContactName(name);
        c->setContactPhone(phone);
        return c;
    };
    auto note = [](int uid, const std::string& title) {
        auto n = std::make_shared<PRNoteNode>();
        n->setUid(uid);
        n->setNoteTitle(title);
        return n;
    };
    auto bookmark = [](const std::string& url, const std::string& title) {
        auto b = std::make_shared<PRBookMarkNode>();
        b->setBookMarkURL(url);
        b->setBookMarkTitle(title);
        return b;
    };
    auto event = [](const std::string& title, const std::string& start) {
        auto e = std::make_shared<PRCalenderNode>();
        e->setCalTitle(title);
        e->setStartDate(start);
        return e;
    };
    // The live records: enough calls for the look-up to grow many times over.
    constexpr int kLiveCalls = 20000;
    auto live = [&](auto record, auto& array) {
        array.push_back(record);
        keys.listLive(*record);
        keysAlone.listLive(*record);
    };
    live(contact("Ann Lee", "+4477"), records.contactArray);
    live(message("12", "short", "d1"), records.messageArray);  // listed with its own short phone
    live(message("+33612340001", "live", "d1"), records.messageArray);
    live(note(5, "Groceries"), records.noteArray);
    for (int i = 0; i < kLiveCalls; ++i) live(call(i), records.callArray);
    live(bookmark("https://a.example", "A"), records.bookMarkArray);
    live(event("Dentist", "d1"), records.calenderArray);

    // Each carved record is taken in by both, each its own copy (the intake marks what it keeps).
    auto both = [&](auto make, auto handle) {
        auto forRecords = make(), forKeys = make();
        const bool kept = (records.*handle)(forRecords);
        EXPECT_EQ((keys.*handle)(forKeys), kept);
        EXPECT_EQ(forKeys->bDeleted(), forRecords->bDeleted());
        using Node = std::decay_t<decltype(*make())>;
        EXPECT_EQ(keysAlone.takeInKey<Node>(PRDeletedRecordMerge::keyOnly(*make())), kept);
        return kept;
    };
    using M = PRDeletedRecordMerge;
    const auto contactIn = static_cast<bool (M::*)(const PRContactNodePtr&)>(&M::ScanDelContactInfomationHandle);
    const auto messageIn = static_cast<bool (M::*)(const PRMessageNodePtr&)>(&M::ScanDelMessageInfomationHandle);
    const auto noteIn = static_cast<bool (M::*)(const PRNoteNodePtr&)>(&M::ScanDelNoteInfomationHandle);
    const auto callIn = static_cast<bool (M::*)(const PRCallHistoryNodePtr&)>(&M::ScanDelCallHistoryInfomationHandle);
    const auto bookmarkIn = static_cast<bool (M::*)(const PRBookMarkNodePtr&)>(&M::scanDelBookMarkInfoHandle);
    const auto eventIn = static_cast<bool (M::*)(const PRCalenderNodePtr&)>(&M::scanDelCalenderInfoHandle);
    EXPECT_FALSE(both([&] { return contact("Ann Lee", "+4477"); }, contactIn));
    EXPECT_TRUE(both([&] { return contact("Ann Lee", "+4478"); }, contactIn));
    EXPECT_FALSE(both([&] { return contact("Ann Lee", "+4478"); }, contactIn));  // carved twice
    // A carved short phone is counted as "Unknown": no repeat of the live "12".
    EXPECT_TRUE(both([&] { return message("12", "short", "d1"); }, messageIn));
    EXPECT_FALSE(both([&] { return message("1 2", "short", "d1"); }, messageIn));
    EXPECT_FALSE(both([&] { return message("+33612340001", "live", "d1"); }, messageIn));
    EXPECT_TRUE(both([&] { return message("+33612340001", "gone", "d2"); }, messageIn));
    EXPECT_FALSE(both([&] { return message("", "", "d3"); }, messageIn));
    EXPECT_FALSE(both([&] { return note(5, "Groceries, older"); }, noteIn));
    EXPECT_TRUE(both([&] { return note(9, "Plumber"); }, noteIn));
    EXPECT_TRUE(both([&] { return note(-1, "Keys"); }, noteIn));
    EXPECT_TRUE(both([&] { return note(-1, "Keys"); }, noteIn));
    for (int i = 0; i < kLiveCalls; i += 97) EXPECT_FALSE(both([&] { return call(i); }, callIn)) << i;
    EXPECT_TRUE(both([&] { return call(kLiveCalls); }, callIn));
    EXPECT_FALSE(both([&] { return call(kLiveCalls); }, callIn));
    EXPECT_FALSE(both([&] { return bookmark("https://a.example", "A"); }, bookmarkIn));
    EXPECT_TRUE(both([&] { return bookmark("https://b.example", "B"); }, bookmarkIn));
    EXPECT_FALSE(both([&] { return event("Dentist", "d1"); }, eventIn));
    EXPECT_TRUE(both([&] { return event("Dentist", "d2"); }, eventIn));

    EXPECT_EQ(keys.delContactNum, records.delContactNum);
    EXPECT_EQ(keys.delMessageNum, records.delMessageNum);
    EXPECT_EQ(keys.delNoteNum, records.delNoteNum);
    EXPECT_EQ(keys.delCallNum, records.delCallNum);
    EXPECT_EQ(keys.delBookMarkNum, records.delBookMarkNum);
    EXPECT_EQ(keys.delCalenderNum, records.delCalenderNum);
    EXPECT_EQ(keys.deleteeFilesNum, records.deleteeFilesNum);
    EXPECT_EQ(keys.deleteeFilesNum, 9);
    EXPECT_EQ(std::tie(keysAlone.delContactNum, keysAlone.delMessageNum, keysAlone.delNoteNum, keysAlone.delCallNum,
                       keysAlone.delBookMarkNum, keysAlone.delCalenderNum, keysAlone.deleteeFilesNum),
              std::tie(records.delContactNum, records.delMessageNum, records.delNoteNum, records.delCallNum,
                       records.delBookMarkNum, records.delCalenderNum, records.deleteeFilesNum));
    // Nothing is kept but keys.
    EXPECT_TRUE(keys.contactArray.empty() && keys.messageArray.empty() && keys.messageTreeArray.empty() &&
                keys.noteArray.empty() && keys.callArray.empty() && keys.bookMarkArray.empty() &&
                keys.calenderArray.empty());
}
