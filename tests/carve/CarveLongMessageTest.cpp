// Deleted messages whose texts run onto overflow pages, written by SQLite itself: the pages of a
// deleted message go to the free list, where they stay until a new row takes them.
#include "CarveTestSupport.h"
#include "FixtureDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/layouts/IosSchemas.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace carvetest;

namespace {

// A text of about length bytes that no other text of the test shares a stretch of; wide, its
// words are of characters of three bytes, so that a break in its chain may fall inside one.
std::string longText(const std::string& head, size_t length, bool wide = false) {
    static const char* words[] = {"river", "lantern", "copper", "meadow", "violet", "harbor", "ember", "quartz"};
    static const char* wideWords[] = {"\u20ac\u20ac", "\u2603", "\u263a\u2602\u2601"};
    std::string text = head;
    for (size_t w = head.size(); text.size() < length; ++w)
        text += std::string(" ") + (wide ? wideWords[w % 3] : words[(w * 7 + head.size()) % 8]);
    return wide ? text : text.substr(0, length);
}

class CarveLongMessage : public CarveTest {
protected:
    CarveLongMessage() : db_(file(backupkeys::messages), 1024, false) {
        const std::string schema = iosschema::messages(iosschema::Ios::v6);
        db_.exec(iosschema::tableStatement(schema, "handle"));
        db_.exec(iosschema::tableStatement(schema, "message"));
        db_.run("INSERT INTO handle VALUES (1, '+14155550101', 'us', 'SMS', NULL)", {});
    }

    void insert(int64_t rowid, const std::string& text) {
        db_.run(
            "INSERT INTO message (ROWID, guid, text, handle_id, service, account, date, is_from_me) "
            "VALUES (?, ?, ?, 1, 'SMS', 'e:me@example.com', ?, 0)",
            {rowid, "GUID-" + std::to_string(rowid), text, int64_t{400000000} + rowid * 977});
    }
    void remove(int64_t rowid) { db_.run("DELETE FROM message WHERE ROWID=?", {rowid}); }
    // Short messages between the long ones keep each long one's cell on a page of its own rows.
    void shortOnes(int64_t from) {
        for (int64_t k = from; k < from + 12; ++k)
            insert(k, "short message " + std::to_string(k) + " with a few words in it to take room");
    }

    // A message of three overflow pages whose last page a later message of one page took for
    // its own, both deleted (1024-byte pages, a page holding 1020 bytes of a payload): the free
    // list hands out the first leaf of its trunk and fills that leaf's slot with its last one.
    // Short messages after the long one put the later ones on another page, whose ids the tree
    // places above the long one's.
    static std::string splicedText() { return longText("Three page one", 3000); }
    static std::string laterText() { return longText("Later short chain", 1000); }
    std::vector<PRMessageNodePtr> spliceLastPage() {
        shortOnes(100);
        insert(150, longText("First freed one", 1000));
        shortOnes(200);
        insert(250, longText("Second freed one", 1000));
        shortOnes(300);
        insert(350, splicedText());
        shortOnes(400);
        // The first freed page becomes the free list's trunk, the others its leaves, in the order
        // their chains are freed: the second message's page, then the three of the long one.
        remove(150);
        remove(250);
        remove(350);
        insert(600, longText("Takes a leaf", 1000));  // the second one's page; the long one's last moves first
        insert(700, laterText());                     // takes the long one's last page for its own
        remove(700);                                  // and hands it back, holding its own words
        return carve();
    }

    // The deleted messages posted, after the database is closed.
    std::vector<PRMessageNodePtr> carve() {
        db_.close();
        carve::DelMessageCarver(context).scanDelMessageThread(folder());
        return posted(notices::ScanDelMessageInfo);
    }

    carvefix::FixtureDatabase db_;
};

const PRMessageNode* startingWith(const std::vector<PRMessageNodePtr>& messages, const std::string& head) {
    for (const auto& m : messages)
        if (m->messageContent().compare(0, head.size(), head) == 0) return m.get();
    return nullptr;
}

// The text of the message that starts with head, which must be reported marked partial with a
// start of written, shorter than it: no other text follows its own. Empty where it is not.
std::string partialStart(const std::vector<PRMessageNodePtr>& messages, const std::string& head,
                         const std::string& written) {
    const PRMessageNode* m = startingWith(messages, head);
    EXPECT_NE(m, nullptr) << head << ": its start is reported";
    if (!m) return {};
    const std::string& text = m->messageContent();
    EXPECT_TRUE(m->bPartial()) << head;
    EXPECT_LT(text.size(), written.size()) << head;
    EXPECT_EQ(written.compare(0, text.size(), text), 0) << head << ": its own start, no other text after it";
    // Cut where a character ends: the lead byte of its last character has all its bytes.
    size_t lead = text.size();
    while (lead > 0 && (static_cast<unsigned char>(text[lead - 1]) & 0xc0) == 0x80) --lead;
    if (lead > 0) {
        const auto b = static_cast<unsigned char>(text[lead - 1]);
        EXPECT_EQ(text.size() - lead + 1, b >= 0xf0 ? 4u : b >= 0xe0 ? 3u : b >= 0xc0 ? 2u : 1u) << head;
    }
    return text;
}

}  // namespace

TEST_F(CarveLongMessage, ComesBackWholeWhereItsChainIsAndMarkedPartialWhereAPartOfItWasTaken) {
    // Short messages between the long ones keep each long one's cell on a page of its own rows;
    // the pages of its chain come from the free list.
    const std::string untouched = longText("Untouched chain", 5000), reused = longText("Reused chain", 6000, true),
                      taker = longText("Taker of pages", 2500), spliced = longText("Spliced chain", 2200),
                      spliceTaker = longText("Splice taker", 7000), live = longText("Live long one", 4000);
    shortOnes(100);
    insert(150, untouched);
    shortOnes(200);
    insert(250, reused);
    shortOnes(300);
    insert(350, spliced);
    shortOnes(400);
    insert(450, live);
    shortOnes(500);
    // The second message's pages go to the free list and a new message takes some of them.
    remove(250);
    insert(600, taker);
    // The third message's pages are taken by a longer message that is deleted in turn: they are
    // free again, and hold the longer message's bytes, which link on past the third's end.
    remove(350);
    insert(700, spliceTaker);
    remove(700);
    // The first one's pages are untouched.
    remove(150);
    const auto messages = carve();

    const PRMessageNode* whole = startingWith(messages, "Untouched chain");
    ASSERT_NE(whole, nullptr) << "a message whose overflow pages are untouched is reported";
    EXPECT_EQ(whole->messageContent(), untouched);
    EXPECT_FALSE(whole->bPartial());
    EXPECT_EQ(whole->messagePhone(), "+14155550101");

    // A message whose chain a new row took in part keeps its start.
    EXPECT_FALSE(partialStart(messages, "Reused chain", reused).empty());
    EXPECT_EQ(startingWith(messages, "Reused chain")->messageDate(), "") << "its date lay past the break";

    // The one whose chain runs on into another's keeps only what lies on its own page.
    const PRMessageNode* joined = startingWith(messages, "Spliced chain");
    ASSERT_NE(joined, nullptr);
    EXPECT_TRUE(joined->bPartial());
    EXPECT_LT(joined->messageContent().size(), 1024u);

    // No message carries another's bytes: each text is one written, or the start of one and
    // marked partial; the live rows are not among the deleted.
    for (const auto& m : messages) {
        SCOPED_TRACE(m->messageContent().substr(0, 20));
        const std::string& text = m->messageContent();
        bool own = false;
        for (const std::string* written : {&untouched, &reused, &spliced, &spliceTaker})
            own = own || text == *written ||
                  (m->bPartial() && !text.empty() && written->compare(0, text.size(), text) == 0);
        EXPECT_TRUE(own);
    }
    EXPECT_EQ(startingWith(messages, "Taker of pages"), nullptr);
    EXPECT_EQ(startingWith(messages, "Live long one"), nullptr);
}

TEST_F(CarveLongMessage, AMessageWhoseLastPageALaterMessageTookKeepsItsOwnStartAndNeverTheOthersWords) {
    // The page is the later message's: the ids the tree allows the pages tell so.
    const auto messages = spliceLastPage();

    const PRMessageNode* own = startingWith(messages, "Later short chain");
    ASSERT_NE(own, nullptr) << "the message that wrote the page last is reported";
    EXPECT_EQ(own->messageContent(), laterText());
    EXPECT_FALSE(own->bPartial());

    // The message that lost its last page keeps its start, its first two overflow pages
    // included, and no word of the later message.
    EXPECT_GT(partialStart(messages, "Three page one", splicedText()).size(), 2000u);
}

TEST_F(CarveLongMessage, AMessageWhosePagesALiveMessagesEarlierTextTookNeverCarriesThatText) {
    // A live message with a lower id than the deleted one was edited after it went: its longer
    // text took the deleted one's pages, in their order and as many. Its next edit, which made it
    // short again and handed them back, is still in the log, so the main file keeps the earlier
    // text's cell whole, and both it and the deleted message's cell name the pages; the earlier
    // copy's id, given before the deleted one's, says nothing of when an edit wrote it.
    const std::string gone = longText("Deleted before the edit", 2000);
    // As long a payload: its guid is a byte shorter.
    const std::string edited = longText("Edited text of a live one", 2001);
    insert(50, longText("Freed first", 1000));  // its page becomes the free list's trunk
    insert(90, "a short live message");
    shortOnes(100);
    insert(150, gone);
    shortOnes(200);
    remove(50);
    remove(150);
    db_.run("UPDATE message SET text = ? WHERE ROWID = 90", {edited});
    db_.keepWritingInLog();
    db_.run("UPDATE message SET text = 'short again' WHERE ROWID = 90", {});
    const auto messages = carve();

    EXPECT_EQ(startingWith(messages, "Edited text"), nullptr) << "a live message's earlier text";
    // The deleted message keeps what lies on its own page, and none of the live one's words.
    EXPECT_FALSE(partialStart(messages, "Deleted before the edit", gone).empty());
}

TEST_F(CarveLongMessage, AMessageWhoseFirstOverflowPageBecameTheFreeListsTrunkKeepsTheTextBeforeIt) {
    // Deleted while the free list is empty: its first overflow page becomes the list's trunk,
    // whose head (the next trunk, the count of leaves and the leaves' numbers) takes the start
    // of the text that page held; its other pages are the trunk's leaves, untouched.
    const std::string trunked = longText("Trunked chain", 4000, true);
    shortOnes(100);
    insert(150, trunked);
    shortOnes(200);
    remove(150);
    const auto messages = carve();

    // The text on the message's own page; nothing from the trunk page on, the link past it lost.
    const std::string text = partialStart(messages, "Trunked chain", trunked);
    EXPECT_FALSE(text.empty());
    EXPECT_LT(text.size(), 1024u);
}

namespace {

// The messages of iOS 5, which no identifier tells apart: a message is told by its address, time
// and text.
class CarveOlderLongMessage : public CarveTest {
protected:
    CarveOlderLongMessage() : db_(file(backupkeys::messages), 1024, false) {
        db_.exec(iosschema::tableStatement(iosschema::messages(iosschema::Ios::v5), "message"));
    }

    void insert(int64_t rowid, const std::string& text) {
        db_.run(
            "INSERT INTO message (ROWID, address, date, text, flags, group_id, height, country, read, is_madrid) "
            "VALUES (?, '+14155550101', ?, ?, 3, 1, 300, 'us', 1, 0)",
            {rowid, int64_t{1300000000} + rowid * 977, text});
    }
    void shortOnes(int64_t from, int count) {
        for (int64_t k = from; k < from + count; ++k)
            insert(k, "short message " + std::to_string(k) + " with a few words in it to take room");
    }
    std::vector<PRMessageNodePtr> carve() {
        db_.close();
        carve::DelMessageCarver(context).scanDelMessageThread(folder());
        return posted(notices::ScanDelMessageInfo);
    }

    carvefix::FixtureDatabase db_;
};

}  // namespace

TEST_F(CarveOlderLongMessage, AnEditedLongMessagesEarlierCopyIsNoDeletedMessage) {
    const std::string read = longText("Read long one", 1200), gone = longText("Deleted long one", 1200);
    // A deleted one on an earlier page; the long one first of its page, with room left on it.
    insert(50, gone);
    shortOnes(60, 22);
    insert(150, read);
    shortOnes(200, 3);
    // Read on the phone: its time read set (a longer row, written into the room left, the first
    // staying behind in a freeblock), then its bubble's height worked out again (a row as long,
    // written where the last one was). Each edit writes the text's end on an overflow page of
    // its own, the second on the one the first freed: the earliest copy names a page the live
    // row holds now, and keeps no more of its text than lies on its own page.
    db_.run("UPDATE message SET madrid_date_read = 330000000 WHERE ROWID = 150", {});
    db_.run("UPDATE message SET height = 301 WHERE ROWID = 150", {});
    db_.run("DELETE FROM message WHERE ROWID = 50", {});
    const auto messages = carve();

    EXPECT_EQ(startingWith(messages, "Read long one"), nullptr) << "a live message's earlier copy";
    // A deleted message of the same party, its text as long, comes back whole, and once: the
    // earlier copies of its cell that its pages' splits left behind, cut short since, are that
    // message.
    std::vector<const PRMessageNode*> deleted;
    for (const auto& m : messages)
        if (m->messageContent().rfind("Deleted long one", 0) == 0) deleted.push_back(m.get());
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0]->messageContent(), gone);
    EXPECT_EQ(deleted[0]->messagePhone(), "+14155550101");
    EXPECT_FALSE(deleted[0]->bPartial());
}
