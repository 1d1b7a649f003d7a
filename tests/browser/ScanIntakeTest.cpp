// The scan intake: categories and counts, conversations, and deleted records beside live ones.
#include "backup/BackupNotices.h"
#include "browser/core/PRScanIntake.h"

#include <gtest/gtest.h>

namespace {

PRMessageNodePtr message(const std::string& phone, const std::string& text, const std::string& date = "d") {
    auto m = std::make_shared<PRMessageNode>();
    m->setMessagePhone(phone);
    m->setMessageName(phone);
    m->setMessageContent(text);
    m->setMessageDate(date);
    return m;
}

template <class T>
void post(PRScanIntake& intake, const Notice<T>& notice, std::shared_ptr<T> object) {
    EXPECT_TRUE(intake.take(NSNotification(notice.name(), std::move(object), nullptr))) << notice.name();
}

}  // namespace

TEST(ScanIntake, MessagesAreGroupedByAddressWhicheverComesFirst) {
    for (bool shortFirst : {false, true}) {
        PRScanIntake intake;
        const std::string longAddress = "+1 555 0100", shortAddress = "555 0100";
        intake.ScanMessageInfomationHandle(message(shortFirst ? shortAddress : longAddress, "a"));
        intake.ScanMessageInfomationHandle(message(shortFirst ? longAddress : shortAddress, "b"));
        intake.ScanMessageInfomationHandle(message("555 0199", "c"));
        intake.ScanMessageInfomationHandle(message("", "d"));
        intake.ScanMessageInfomationHandle(message("", "e"));
        intake.ScanMessageInfomationHandle(message("+1 555 0100", "f"));
        const auto& conversations = intake.messageTreeArray();
        ASSERT_EQ(conversations.size(), 3u);
        EXPECT_EQ(conversations[0]->MessageNodeArray().size(), 3u);
        EXPECT_EQ(conversations[1]->messageTreeNodeAdress(), "555 0199");
        EXPECT_EQ(conversations[2]->messageTreeNodeAdress(), "");
        EXPECT_EQ(conversations[2]->MessageNodeArray().size(), 2u);
        EXPECT_EQ(intake.messageArray().size(), 6u);
        EXPECT_EQ(intake.counts().messageNum, 6);
        EXPECT_EQ(intake.counts().BackUpFilesNum, 6);
    }
}

TEST(ScanIntake, DeletedMessagesOpenConversationsOfTheirOwnAndLiveOnesJoinTheFirstMatch) {
    PRScanIntake intake;
    post(intake, notices::ScanMessageInfo, message("+33 6 12 34 56 78", "live"));
    // A deleted message whose address matches only a live conversation opens a deleted one.
    post(intake, notices::ScanDelMessageInfo, message("+33 6 12 34 56 78", "gone", "d1"));
    // A second deleted message of that address joins it and is a deleted record too.
    auto joined = message("+33 6 12 34 56 78", "gone too", "d2");
    post(intake, notices::ScanDelMessageInfo, joined);
    // A repeat of a live message is dropped.
    post(intake, notices::ScanDelMessageInfo, message("+33 6 12 34 56 78", "live"));

    const auto& conversations = intake.messageTreeArray();
    ASSERT_EQ(conversations.size(), 2u);
    EXPECT_FALSE(conversations[0]->bdeleted());
    EXPECT_TRUE(conversations[1]->bdeleted());
    EXPECT_EQ(conversations[1]->MessageNodeArray().size(), 2u);
    EXPECT_TRUE(joined->bDeleted());
    const PRScanCounts counts = intake.counts();
    EXPECT_EQ(counts.messageNum, 1);
    EXPECT_EQ(counts.delMessageNum, 2);
    EXPECT_EQ(counts.deleteeFilesNum, 2);
    EXPECT_EQ(intake.messageArray().size(), 3u);

    // A live message arriving later, of the same number in its national form, joins the first
    // matching conversation, the live one.
    intake.ScanMessageInfomationHandle(message("06 12 34 56 78", "later"));
    EXPECT_EQ(conversations[0]->MessageNodeArray().size(), 2u);
}

TEST(ScanIntake, EveryCategoryIsListedAndCounted) {
    PRScanIntake intake("Phone");
    auto contact = std::make_shared<PRContactNode>();
    contact->setContactName("Ann");
    contact->setContactPhone("123");
    post(intake, notices::ScanContactInfo, contact);
    auto again = std::make_shared<PRContactNode>(*contact);
    post(intake, notices::ScanDelContactInfo, again);  // same name and phone: a repeat
    auto other = std::make_shared<PRContactNode>(*contact);
    other->setContactPhone("456");
    post(intake, notices::ScanDelContactInfo, other);
    post(intake, notices::ScanNoteInfo, std::make_shared<PRNoteNode>());
    post(intake, notices::ScanCallHistoryInfo, std::make_shared<PRCallHistoryNode>());
    post(intake, notices::scanBookMarkInfo, std::make_shared<PRBookMarkNode>());
    post(intake, notices::scanCalenderInfo, std::make_shared<PRCalenderNode>());
    post(intake, notices::ScanPhotoAndVideo, std::make_shared<PRPhotoAndVideoNode>());
    post(intake, notices::scanFaceTwitterInfo, std::make_shared<PRFaceTwitterNode>());
    auto file = std::make_shared<PRTreeDirNode>();
    file->setFileDomain("HomeDomain");
    file->setFilePath("Library/x");
    post(intake, notices::FindBackUpDirFileInfo, file);
    post(intake, notices::FindBackUpDirFileInfo, std::make_shared<PRTreeDirNode>());  // no path: ignored
    post(intake, notices::ScanProgressInfo, NSNumber::numberWithInt(40));
    EXPECT_FALSE(intake.take(NSNotification(notices::ScanTransferContactInfo.name(), contact, nullptr)));

    const PRScanCounts c = intake.counts();
    EXPECT_EQ(c.percent, 40);
    EXPECT_EQ(c.BackUpFilesNum, 7);
    EXPECT_EQ(c.contactNum, 1);
    EXPECT_EQ(c.delContactNum, 1);
    EXPECT_EQ(c.deleteeFilesNum, 1);
    EXPECT_EQ(c.noteNum + c.callNum + c.bookMarkNum + c.calenderNum + c.photovideoNum + c.facetwitterNum, 6);
    EXPECT_EQ(c.backupfiles, 1u);
    ASSERT_EQ(intake.contactArray().size(), 2u);
    EXPECT_TRUE(intake.contactArray()[1]->bDeleted());
    EXPECT_EQ(intake.tree.roots().size(), 1u);
}
