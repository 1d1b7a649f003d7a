// The readers on databases laid out as the phones of iOS 4 to 7 write them: the values that
// live where the device keeps them, not where a simpler layout would.
#include "ReaderTestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/PRCallHistoryReader.h"
#include "backup/PRMessageReader.h"
#include "backup/PRNoteReader.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRNoteNode.h"

namespace {

constexpr int64_t kLeapDay2012 = 1330516800;  // 2012-02-29 12:00 UTC

sampledb::Message imessage(int64_t rowid, bool fromMe, const std::string& text, const std::string& attachment = "") {
    sampledb::Message m;
    m.rowid = rowid;
    m.address = "friend@example.net";
    m.iMessage = true;
    m.fromMe = fromMe;
    m.text = text;
    m.date = kLeapDay2012 + 600 * rowid;
    m.attachmentName = attachment;
    return m;
}

}  // namespace

TEST_F(ReaderTest, IMessagesOfIos5KeepTheirDirectionTextAndDay) {
    // Rows 1 to 4 cover the madrid_flags values of received (12289, 77825) and sent (36869,
    // 45061, 102405) messages; row 3 carries its attachment list as a binary property list.
    std::vector<sampledb::Message> rows = {
        imessage(1, false, "See you at eight"),
        imessage(3, true, "\xEF\xBF\xBC Look at this", "~/Library/SMS/Attachments/3a/10/IMG_0042.JPG"),
        imessage(4, false, "Lovely"), imessage(5, true, "ok"), imessage(11, true, "Bye")};
    sampledb::Message sms;
    sms.rowid = 12;
    sms.address = "+15550101234";
    sms.text = "Plain text message";
    sms.date = kLeapDay2012;
    rows.push_back(sms);
    ASSERT_TRUE(sampledb::writeMessages(at(backupkeys::messages), rows, sampledb::MessageSchema::ios5));
    NotificationRecorder recorder(nc, {&notices::ScanMessageInfo});
    PRMessageReader(state, nc).scanMessageThread(folder);
    const auto messages = recorder.records(notices::ScanMessageInfo);
    ASSERT_EQ(messages.size(), rows.size());
    const char* const expected[] = {"Received", "Send", "Received", "Send", "Send", "Received"};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(messages[i]->messageType(), expected[i]) << i;
        EXPECT_EQ(messages[i]->messageContent(), rows[i].text) << i;
        EXPECT_EQ(messages[i]->bImessage(), rows[i].iMessage) << i;
    }
    EXPECT_EQ(messages[0]->messagePhone(), "friend@example.net");
    // iMessage times count from 2001, SMS times from 1970: both land on the leap day.
    EXPECT_EQ(messages[0]->messageDate(), "02-29-2012 12:10");
    EXPECT_EQ(messages[5]->messageDate(), "02-29-2012 12:00");
}

TEST_F(ReaderTest, NewerMessageTimesKeepTheLeapDay) {
    sampledb::Message m;
    m.rowid = 1;
    m.address = "+15550101234";
    m.text = "Leap";
    m.date = kLeapDay2012;
    ASSERT_TRUE(sampledb::writeMessages(at(backupkeys::messages), {m}, sampledb::MessageSchema::ios7));
    state.currentNodeIsiOS6Version = true;
    NotificationRecorder recorder(nc, {&notices::ScanMessageInfo});
    PRMessageReader(state, nc).scanMessageThread(folder);
    const auto messages = recorder.records(notices::ScanMessageInfo);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0]->messageDate(), "02-29-2012 12:00");
}

TEST_F(ReaderTest, NotesGetTheBodyTheirNoteNames) {
    // Body keys run ahead of note keys on a device; each note must still get its own body.
    std::vector<sampledb::Note> notes;
    for (int i = 0; i < 6; ++i)
        notes.push_back({"Title " + std::to_string(i), "<div>Body " + std::to_string(i) + "</div>",
                         kLeapDay2012 + 3600 * i, kLeapDay2012 + 3600 * i + 60});
    ASSERT_TRUE(
        sampledb::writeNotes(at(backupkeys::notes), notes, sampledb::NotesSchema::coreData, 0, sampledb::Ios::v6));
    NotificationRecorder recorder(nc, {&notices::ScanNoteInfo});
    PRNoteReader(nc).scanNoteThread(folder);
    const auto read = recorder.records(notices::ScanNoteInfo);
    ASSERT_EQ(read.size(), notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(read[i]->noteTitle(), notes[i].title);
        EXPECT_EQ(read[i]->noteContent(), "Body " + std::to_string(i));
    }
    EXPECT_EQ(read[0]->noteDate(), "02-29-2012 12:01");
}

TEST_F(ReaderTest, CallDirectionIsTheOutgoingBit) {
    // Ordinary calls 4 and 5, FaceTime 16 and 17, and other values a phone writes.
    const std::vector<sampledb::Call> calls = {
        {"+15550101234", kMarchFirst, 0, 17},  {"+15550101234", kMarchFirst, 40, 16},
        {"+15550101234", kMarchFirst, 0, 1},   {"+15550101234", kMarchFirst, 0, 20},
        {"+15550101234", kMarchFirst, 90, 21}, {"+15550101234", kMarchFirst, 40000, 5}};
    for (auto ios : {sampledb::Ios::v4, sampledb::Ios::v7}) {
        ASSERT_TRUE(sampledb::writeCallHistory(at(backupkeys::callHistory), calls, 0, ios));
        NotificationRecorder recorder(nc, {&notices::ScanCallHistoryInfo});
        PRCallHistoryReader(state, nc).scanCallHistoryThread(folder);
        const auto read = recorder.records(notices::ScanCallHistoryInfo);
        ASSERT_EQ(read.size(), calls.size());
        const char* const types[] = {"Outgoing", "Incoming", "Outgoing", "Incoming", "Outgoing", "Outgoing"};
        const char* const durations[] = {"Cancelled", "40 seconds", "Cancelled", "Missed", "1 minute", "11 hours"};
        for (size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(read[i]->callType(), types[i]) << i;
            EXPECT_EQ(read[i]->callDuration(), durations[i]) << i;
        }
    }
}
