#include "ReaderTestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/PRMessageReader.h"
#include "model/PRTreeDirNode.h"
#include "platform/CoreFoundation.h"

#include <algorithm>
#include <fstream>
#include <sqlite3.h>

using sampledb::Message;

namespace {

void execSql(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

Message message(int64_t rowid, const std::string& address, const std::string& text, bool fromMe,
                const std::string& attachment = "", const std::string& bytes = "") {
    Message m;
    m.rowid = rowid;
    m.address = address;
    m.text = text;
    m.fromMe = fromMe;
    m.date = kMarchFirst + 60 * (rowid - 1);
    m.attachmentName = attachment;
    m.attachment = bytesOf(bytes);
    return m;
}

const std::string kImage = "~/Library/SMS/Attachments/ab/01/IMG_0001.JPG";
const std::string kCard = "~/Library/SMS/Attachments/ab/02/GUID-1/Contact.vcf";
const std::string kMovie = "~/Library/SMS/Attachments/ab/03/MOV_0001.MOV";
const std::string kCardText = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Olsen;Karin;;;\r\nEND:VCARD\r\n";

std::vector<Message> conversation() {
    return {message(1, "+15550101234", "Hello", false), message(2, "+15550101234", "Hi <b>", true, kImage, "JPEG"),
            message(3, "friend@example.net", "", false, kCard, kCardText),
            message(4, "+15559999999", "Look", false, kMovie, "MOVIE")};
}

PRContactNodePtr anna() {
    auto contact = std::make_shared<PRContactNode>();
    contact->setContactName("Anna Berg");
    contact->setContactPhone(" (555) 010-1234");
    contact->setImageData(makeBytes(bytesOf("ANNA-PHOTO")));
    return contact;
}

class MessageReaderTest : public ReaderTest {
protected:
    // The manifest records the manifest reader would keep for the attachments, their files
    // written under their keys.
    void keepAttachment(const std::string& name, const std::string& bytes) {
        const std::string path = name.substr(2);
        const std::string key = folder + "/" + sampledb::backupKey("MediaDomain", path);
        std::ofstream(key, std::ios::binary) << bytes;
        auto node = std::make_shared<PRTreeDirNode>();
        node->setFileDomain("MediaDomain");
        node->setFilePath(path);
        node->setFileKey(key);
        state.addTreeFileNode(node);
    }
    void writeInfoPlist(const char* file, const char* key, const char* version, bool lockdown = false) {
        CFHolder<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable());
        CFHolder<CFStringRef> value(CFStringCreateWithCString(version));
        CFDictionarySetValue(dict.get(), key, value.get());
        if (lockdown) {
            CFHolder<CFMutableDictionaryRef> outer(CFDictionaryCreateMutable());
            CFDictionarySetValue(outer.get(), "Lockdown", dict.get());
            ASSERT_TRUE(CFPropertyListWriteToFile(outer.get(), folder + "/" + file, kCFPropertyListBinaryFormat_v1_0));
        } else {
            ASSERT_TRUE(CFPropertyListWriteToFile(dict.get(), folder + "/" + file, kCFPropertyListXMLFormat_v1_0));
        }
    }
    const std::string sms() const { return at(backupkeys::messages); }
};

}  // namespace

TEST_F(MessageReaderTest, Ios6MessagesGetNamesDirectionsDatesAndAttachments) {
    ASSERT_TRUE(sampledb::writeMessages(sms(), conversation(), sampledb::MessageSchema::ios6));
    keepAttachment(kImage, "JPEG");
    keepAttachment(kCard, kCardText);
    state.currentNodeIsiOS6Version = true;
    state.contactArray = {anna()};
    NotificationRecorder recorder(nc, {&notices::ScanMessageInfo, &notices::ScanProgressInfo});
    PRMessageReader(state, nc).scanMessageThread(folder);

    const auto messages = recorder.records(notices::ScanMessageInfo);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(recorder.names().back(), notices::ScanProgressInfo.name());
    EXPECT_EQ(recorder.numbers(notices::ScanProgressInfo), std::vector<int>{50});

    const auto& hello = *messages[0];
    EXPECT_EQ(hello.rowId(), 1);
    EXPECT_EQ(hello.messageContent(), "Hello");
    EXPECT_EQ(hello.messageDate(), kMarchFirstText);
    EXPECT_EQ(hello.messagePhone(), "+15550101234");
    EXPECT_EQ(hello.messageType(), "Received");
    EXPECT_EQ(hello.messageName(), "Anna Berg");
    ASSERT_TRUE(hello.contactImageData());
    EXPECT_EQ(*hello.contactImageData(), bytesOf("ANNA-PHOTO"));
    EXPECT_FALSE(hello.isHasAttach());
    EXPECT_FALSE(hello.attachType());

    const auto& picture = *messages[1];
    EXPECT_EQ(picture.messageType(), "Send");
    EXPECT_EQ(picture.messageDate(), "03-01-2013 10:31");
    EXPECT_TRUE(picture.isHasAttach());
    EXPECT_EQ(picture.attachType(), "Image");
    EXPECT_EQ(picture.attachmentPath(),
              folder + "/" + sampledb::backupKey("MediaDomain", "Library/SMS/Attachments/ab/01/IMG_0001.JPG"));

    const auto& card = *messages[2];
    EXPECT_EQ(card.messageName(), "");
    EXPECT_EQ(card.attachType(), "Contact");
    ASSERT_TRUE(card.contactImageData());
    EXPECT_EQ(*card.contactImageData(), bytesOf(kCardText));

    // The movie's file is not in the manifest: its kind is known, its backup file is not.
    EXPECT_EQ(messages[3]->attachType(), "Mov");
    EXPECT_FALSE(messages[3]->attachmentPath());
    EXPECT_FALSE(messages[3]->contactImageData());

    ASSERT_EQ(state.meesageAttachArray.size(), 3u);
    EXPECT_EQ(state.meesageAttachArray[0]->messageId(), 2);
    EXPECT_EQ(state.meesageAttachArray[0]->attachpath(), "Library/SMS/Attachments/ab/01/IMG_0001.JPG");
    EXPECT_FALSE(state.messageContactData);
}

TEST_F(MessageReaderTest, AttachmentKindsFollowExtensionAndName) {
    ASSERT_TRUE(sampledb::writeMessages(sms(), conversation(), sampledb::MessageSchema::ios6));
    execSql(sms(),
            "INSERT INTO attachment (ROWID, guid, filename) VALUES (10, 'a', '~/x/song.m4a'), "
            "(11, 'b', '~/x/Current Location.loc.vcf'), (12, 'c', '~/x/notes.txt'), (13, 'd', '~/x/model.3dm'), "
            "(14, 'e', NULL);"
            "DELETE FROM message_attachment_join WHERE message_id = 4;");
    std::vector<PRMessageAttachNodePtr> rows;
    PRMessageReader::scanTransMessageAttachThread(sms(), rows);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[3]->attachType(), "Mov");
    EXPECT_EQ(rows[3]->messageId(), -1);  // no join row
    EXPECT_EQ(rows[4]->attachType(), "Location");
    EXPECT_EQ(rows[4]->attachpath(), "x/Current Location.loc.vcf");
    EXPECT_FALSE(rows[5]->attachType());
    EXPECT_EQ(rows[6]->attachType(), "Image");  // the first row of the image table counts as found
    EXPECT_FALSE(rows[7]->attachpath());

    // A message whose attachment row is gone keeps the start values.
    state.currentNodeIsiOS6Version = true;
    NotificationRecorder recorder(nc, {&notices::ScanMessageInfo});
    PRMessageReader(state, nc).scanMessageThread(folder);
    const auto messages = recorder.records(notices::ScanMessageInfo);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_TRUE(messages[3]->isHasAttach());
    EXPECT_FALSE(messages[3]->attachType());
    EXPECT_FALSE(messages[3]->attachmentPath());
}

// A message's address is what its handle row gives as the database joins them: by a row id
// with gaps, none for a handle gone or with an address that is no text, and where the handle table names its
// rows by a column of texts (one of them twice), every row the join finds.
TEST_F(MessageReaderTest, Ios6MessagesTakeTheAddressTheirHandleRowGives) {
    ASSERT_TRUE(sampledb::writeMessages(sms(), conversation(), sampledb::MessageSchema::ios6));
    execSql(sms(),
            "UPDATE handle SET ROWID = ROWID + 10 WHERE id = '+15559999999';"
            "UPDATE message SET handle_id = handle_id + 10 WHERE ROWID = 4;"
            "UPDATE handle SET id = CAST(X'FF' AS TEXT) WHERE id = 'friend@example.net';"
            "UPDATE message SET handle_id = 99 WHERE ROWID = 2;");
    state.currentNodeIsiOS6Version = true;
    auto phones = [&] {
        NotificationRecorder recorder(nc, {&notices::ScanMessageInfo});
        PRMessageReader(state, nc).scanMessageThread(folder);
        std::vector<std::pair<int, std::string>> out;
        for (const auto& m : recorder.records(notices::ScanMessageInfo))
            out.emplace_back(m->rowId(), m->messagePhone());
        std::sort(out.begin(), out.end());
        return out;
    };
    using Phones = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(phones(), (Phones{{1, "+15550101234"}, {2, ""}, {3, ""}, {4, "+15559999999"}}));

    execSql(sms(),
            "CREATE TABLE named AS SELECT CAST(ROWID AS TEXT) AS ROWID, id FROM handle;"
            "INSERT INTO named VALUES ((SELECT handle_id FROM message WHERE ROWID = 1), 'again@example.net');"
            "DROP TABLE handle; ALTER TABLE named RENAME TO handle;");
    EXPECT_EQ(phones(), (Phones{{1, "+15550101234"}, {1, "again@example.net"}, {2, ""}, {3, ""}, {4, "+15559999999"}}));
}

TEST_F(MessageReaderTest, Ios6WithoutHandleFallsBackToTheGroupMemberQuery) {
    ASSERT_TRUE(sampledb::writeMessages(sms(), conversation(), sampledb::MessageSchema::ios6WithoutHandle));
    keepAttachment(kImage, "JPEG");
    state.currentNodeIsiOS6Version = true;
    NotificationRecorder recorder(nc, {&notices::ScanMessageInfo});
    PRMessageReader(state, nc).scanMessageThread(folder);
    const auto messages = recorder.records(notices::ScanMessageInfo);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0]->messageContent(), "Hello");
    EXPECT_EQ(messages[0]->messageDate(), kMarchFirstText);
    EXPECT_EQ(messages[0]->messagePhone(), "+15550101234");
    EXPECT_EQ(messages[0]->messageType(), "Received");
    EXPECT_EQ(messages[1]->messageType(), "Send");
    EXPECT_EQ(messages[1]->attachType(), "Image");
    EXPECT_TRUE(messages[1]->attachmentPath());
}

TEST_F(MessageReaderTest, OlderSchemasReadFlagsAndIMessageColumns) {
    std::vector<Message> rows = conversation();
    rows[2].iMessage = true;
    for (auto& m : rows) m.attachmentName.clear();
    rows.push_back(message(5, "+15550101234", "five", false));
    rows.push_back(message(6, "+15550101234", "six", false));
    ASSERT_TRUE(sampledb::writeMessages(sms(), rows, sampledb::MessageSchema::ios5));
    execSql(sms(),
            "UPDATE message SET flags = 16387 WHERE ROWID = 5; UPDATE message SET flags = 5 WHERE ROWID = 6;"
            "UPDATE message SET madrid_handle = 'other@example.net', madrid_flags = 16387, "
            "madrid_attachmentInfo = CAST(X'616200636400' AS BLOB) WHERE ROWID = 3;");
    state.contactArray = {anna()};
    NotificationRecorder recorder(nc, {&notices::ScanMessageInfo});
    PRMessageReader(state, nc).scanMessageThread(folder);
    const auto messages = recorder.records(notices::ScanMessageInfo);
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[0]->messageDate(), kMarchFirstText);
    EXPECT_EQ(messages[0]->messageType(), "Received");
    EXPECT_EQ(messages[0]->messageName(), "Anna Berg");
    EXPECT_EQ(messages[1]->messageType(), "Send");
    EXPECT_FALSE(messages[1]->bImessage());
    EXPECT_TRUE(messages[2]->bImessage());
    EXPECT_EQ(messages[2]->messagePhone(), "other@example.net");  // even though group_member has one
    EXPECT_EQ(messages[2]->messageType(), "Send");
    EXPECT_EQ(messages[2]->messageContent(), "abcd");
    EXPECT_EQ(messages[4]->messageType(), "Send");
    EXPECT_EQ(messages[5]->messageType(), "unknown");
    EXPECT_TRUE(state.meesageAttachArray.empty());

    // Without the iMessage columns the second query reads the same positions.
    ASSERT_TRUE(sampledb::writeMessages(sms(), rows, sampledb::MessageSchema::ios4));
    recorder.posted.clear();
    PRMessageReader(state, nc).scanMessageThread(folder);
    const auto oldest = recorder.records(notices::ScanMessageInfo);
    ASSERT_EQ(oldest.size(), 6u);
    EXPECT_EQ(oldest[1]->messageContent(), "Hi <b>");
    EXPECT_EQ(oldest[1]->messageType(), "Send");
    EXPECT_EQ(oldest[2]->messagePhone(), "friend@example.net");
    EXPECT_FALSE(oldest[2]->bImessage());
}

TEST_F(MessageReaderTest, TransferReadDecidesTheSchemaFromTheFolderAndUsesItsOwnFiles) {
    ASSERT_TRUE(sampledb::writeMessages(sms(), conversation(), sampledb::MessageSchema::ios6, /*walOnly*/ 2));
    std::ofstream(folder + "/" + sampledb::backupKey("MediaDomain", kCard.substr(2)), std::ios::binary) << kCardText;
    writeInfoPlist("Info.plist", "Product Version", "8.1");  // later versions keep the iOS 6 schemas
    state.transContactArray = {anna()};
    NotificationRecorder recorder(
        nc, {&notices::ScanTransferMessageInfo, &notices::ScanTransferMessageFinished, &notices::ScanMessageInfo});
    PRMessageReader(state, nc).scanTransferMessageThread(folder);

    EXPECT_TRUE(state.currentNodeIsiOS6Version);
    const auto messages = recorder.records(notices::ScanTransferMessageInfo);
    ASSERT_EQ(messages.size(), 4u);  // two of them only in the journal
    EXPECT_EQ(recorder.names().back(), notices::ScanTransferMessageFinished.name());
    EXPECT_EQ(messages[0]->messageName(), "Anna Berg");
    EXPECT_EQ(messages[1]->attachType(), "Image");
    EXPECT_FALSE(messages[1]->attachmentPath());  // its file is not in the folder
    EXPECT_EQ(messages[2]->attachmentPath(), folder + "/" + sampledb::backupKey("MediaDomain", kCard.substr(2)));
    ASSERT_TRUE(messages[2]->contactImageData());
    EXPECT_EQ(*messages[2]->contactImageData(), bytesOf(kCardText));
    EXPECT_TRUE(state.meesageAttachArray.empty());
    EXPECT_TRUE(std::ifstream(sms() + "-wal").good());  // folded in the private copy only
}

TEST_F(MessageReaderTest, BackupVersionComesFromInfoThenFromTheManifestLockdown) {
    PRMessageReader reader(state, nc);
    writeInfoPlist("Manifest.plist", "ProductVersion", "5.1.1", /*lockdown*/ true);
    state.currentNodeIsiOS6Version = true;
    reader.checkiOSVersionByPath(folder);
    EXPECT_FALSE(state.currentNodeIsiOS6Version);
    writeInfoPlist("Info.plist", "Product Version", "7.0.4");
    reader.checkiOSVersionByPath(folder);
    EXPECT_TRUE(state.currentNodeIsiOS6Version);
    EXPECT_TRUE(state.bIOS7DeviceNode);
    // A manifest without a lockdown part, or no folder at all, changes nothing.
    std::remove((folder + "/Info.plist").c_str());
    writeInfoPlist("Manifest.plist", "ProductVersion", "5.0");
    reader.checkiOSVersionByPath(folder);
    EXPECT_TRUE(state.currentNodeIsiOS6Version);
    reader.checkiOSVersionByPath(folder + "/missing");
    EXPECT_TRUE(state.currentNodeIsiOS6Version);
}

TEST_F(MessageReaderTest, MissingOrCorruptDatabases) {
    NotificationRecorder recorder(
        nc, {&notices::ScanMessageInfo, &notices::ScanProgressInfo, &notices::ScanTransferMessageFinished});
    PRMessageReader(state, nc).scanMessageThread(folder);
    EXPECT_TRUE(recorder.posted.empty());
    PRMessageReader(state, nc).scanTransferMessageThread(folder);
    EXPECT_EQ(recorder.names(), std::vector<std::string>{notices::ScanTransferMessageFinished.name()});

    std::ofstream(sms(), std::ios::binary) << std::string("SQLite format 3\0", 16) << std::string(4000, '\x07');
    recorder.posted.clear();
    state.currentNodeIsiOS6Version = true;
    PRMessageReader(state, nc).scanMessageThread(folder);
    EXPECT_EQ(recorder.names(), std::vector<std::string>{notices::ScanProgressInfo.name()});
}
