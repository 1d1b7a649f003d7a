// The sample device's personal records survive a backup, and the privacy clean's change to
// the backup (its calls deleted) reaches the device through a restore.
#include "BackupReaders.h"
#include "BackupToolFixture.h"
#include "SampleDevice.h"
#include "backup/BackupNotices.h"
#include "backup/CommitDB.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "platform/BackupTool.h"

#include <gtest/gtest.h>
#include <set>
#include <sqlite3.h>

using namespace backuptooltest;

namespace {

class Records {
public:
    explicit Records(const std::string& backupFolder) {
        NSNotificationCenter nc;
        PRBackupScanState state;
        for (const NoticeName* notice : backupReaderNotices())
            notice->observe(nc, this, [this](const NSNotification& n) { posted[n.name()].push_back(n.object()); });
        runBackupReaders(backupFolder, state, nc);
        nc.removeObserver(this);
    }
    template <class T>
    std::vector<std::shared_ptr<T>> of(const Notice<T>& notice) const {
        std::vector<std::shared_ptr<T>> out;
        if (auto found = posted.find(notice.name()); found != posted.end())
            for (const NSObjectPtr& object : found->second) out.push_back(std::dynamic_pointer_cast<T>(object));
        return out;
    }
    std::map<std::string, std::vector<NSObjectPtr>> posted;
};

int callRows(const std::string& database) {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
        sqlite3_exec(
            db, "select count(*) from call",
            [](void* out, int, char** values, char**) {
                *static_cast<int*>(out) = std::atoi(values[0]);
                return 0;
            },
            &count, nullptr);
    sqlite3_close(db);
    return count;
}

// What the privacy clean does to the backup's call history.
void deleteCalls(const std::string& database) {
    commitDB(database);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "delete from call", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    commitDB(database);
}

}  // namespace

TEST_F(BackupToolTest, TheBackupGivesTheDeviceOwnRecords) {
    ASSERT_EQ(backuptool::backupDevice(udid), 0);
    const Records records(backupFolder());
    const sampledb::SampleData data = sampledevice::homeData();

    // Every row counts, those still in the device's journals included.
    EXPECT_EQ(records.of(notices::ScanContactInfo).size(), data.contacts.size());
    EXPECT_EQ(records.of(notices::ScanNoteInfo).size(), data.notes.size());
    EXPECT_EQ(records.of(notices::scanCalenderInfo).size(), data.calendar.size());

    std::multiset<std::pair<std::string, int>> expectedCalls, calls;
    for (const sampledb::Call& call : data.calls) expectedCalls.insert({call.address, call.duration});
    for (const auto& call : records.of(notices::ScanCallHistoryInfo))
        calls.insert({call->callPhone(), call->callTime()});
    EXPECT_EQ(calls, expectedCalls);

    const auto messages = records.of(notices::ScanMessageInfo);
    ASSERT_EQ(messages.size(), data.messages.size());
    std::set<std::string> attachments;
    for (const auto& message : messages)
        if (message->attachmentPath()) attachments.insert(readFile(*message->attachmentPath()));
    std::set<std::string> expectedAttachments;
    for (const sampledb::Message& message : data.messages)
        if (!message.attachmentName.empty())
            expectedAttachments.insert(readFile(device + "/home/" + message.attachmentName.substr(2)));
    EXPECT_FALSE(expectedAttachments.empty());
    EXPECT_EQ(attachments, expectedAttachments);
}

TEST_F(BackupToolTest, CallsDeletedInTheBackupAreGoneFromTheDeviceAfterARestore) {
    const std::string deviceCalls = device + "/wireless/Library/CallHistory/call_history.db";
    ASSERT_EQ(backuptool::backupDevice(udid), 0);
    deleteCalls(backupFile(backupFolder(), "WirelessDomain", "Library/CallHistory/call_history.db"));

    ASSERT_EQ(backuptool::restoreDevice(udid), 0);
    EXPECT_EQ(callRows(deviceCalls), 0);

    // A new backup of the device shows no calls, and everything else as before.
    ASSERT_EQ(backuptool::backupDevice(udid), 0);
    const Records records(backupFolder());
    EXPECT_TRUE(records.of(notices::ScanCallHistoryInfo).empty());
    EXPECT_EQ(records.of(notices::ScanContactInfo).size(), sampledevice::homeData().contacts.size());
}
