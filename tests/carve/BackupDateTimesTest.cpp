// The times of carved calls and messages are judged against the date of the backup that holds
// them, whatever the year: a backup made in 2031 holds calls and messages of 2030, and none of
// 2045 (such a time is other bytes that fit the row's layout).
#include "CarveTestSupport.h"
#include "FixtureDatabase.h"
#include "backup/BackupDate.h"
#include "backup/BackupFileKeys.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/layouts/IosSchemas.h"
#include "model/PRRecordFields.h"
#include "platform/CoreFoundation.h"

#include <cstdio>
#include <set>

using namespace carvetest;

namespace {

constexpr int64_t k2030 = 1906545600;  // 2030-06-01 12:00 UTC
constexpr int64_t k2031 = 1938081600;  // 2031-06-01 12:00 UTC, the backup's date
constexpr int64_t k2045 = 2380104000;  // 2045-06-01 12:00 UTC

class BackupDateTimes : public CarveTest {
protected:
    void writeBackupDate(int64_t seconds) {
        CFHolder<CFMutableDictionaryRef> info(CFDictionaryCreateMutable());
        CFHolder<CFDateRef> date(CFDateCreate(static_cast<double>(seconds) - kCFAbsoluteTimeIntervalSince1970));
        CFDictionarySetValue(info.get(), "Last Backup Date", date.get());
        ASSERT_TRUE(CFPropertyListWriteToFile(info.get(), file("Info.plist"), kCFPropertyListXMLFormat_v1_0));
    }
};

}  // namespace

TEST_F(BackupDateTimes, CallsAndMessagesUpToTheBackupAreKeptAndThoseFarPastItDropped) {
    writeBackupDate(k2031);
    ASSERT_EQ(backupdate::backupDate(folder()), k2031);
    // A live call and message beside each deleted one; the deleted ones leave freeblocks.
    {
        carvefix::FixtureDatabase calls(file(backupkeys::callHistory), 4096, true);
        calls.exec(iosschema::callHistory(iosschema::Ios::v6));
        const std::pair<const char*, int64_t> rows[] = {{"+15550000001", k2030 - 86400},
                                                        {"+15550000002", k2030},
                                                        {"+15550000003", k2030 - kSecondsFrom1970To2001},
                                                        {"+15550000004", k2045}};
        for (const auto& [address, date] : rows)
            calls.run("INSERT INTO call (address, date, duration, flags, id) VALUES (?, ?, 61, 5, -1)",
                      {std::string(address), date});
        calls.exec("DELETE FROM call WHERE address <> '+15550000001'");
        ASSERT_TRUE(calls.ok());
    }
    {
        carvefix::FixtureDatabase messages(file(backupkeys::messages), 4096, true);
        messages.exec(iosschema::messages(iosschema::Ios::v6));
        messages.exec("INSERT INTO handle (id, service) VALUES ('+15550000009', 'SMS')");
        // The table counts its times from 2001.
        const std::pair<const char*, int64_t> rows[] = {{"still on the phone", k2030 - 86400},
                                                        {"sent the summer before the backup", k2030},
                                                        {"dated long after the backup", k2045}};
        int guid = 0;
        for (const auto& [text, date] : rows)
            messages.run(
                "INSERT INTO message (guid, text, handle_id, service, date, is_from_me) VALUES (?, ?, 1, "
                "'SMS', ?, 1)",
                {"GUID-" + std::to_string(++guid), std::string(text), date - kSecondsFrom1970To2001});
        messages.exec("DELETE FROM message WHERE text <> 'still on the phone'");
        ASSERT_TRUE(messages.ok());
    }

    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
    carve::DelMessageCarver(context).scanDelMessageThread(folder());
    const std::string in2030 = *dateTimeText(k2030, TimeBase::since1970);
    std::set<std::pair<std::string, std::string>> calls, messages;
    for (const auto& call : posted(notices::ScanDelCallHistoryInfo)) calls.emplace(call->callPhone(), call->callDate());
    for (const auto& message : posted(notices::ScanDelMessageInfo))
        messages.emplace(message->messageContent(), message->messageDate());
    // A call's time counts from 1970 or from 2001: either way, 2030 is kept.
    EXPECT_EQ(calls,
              (std::set<std::pair<std::string, std::string>>{{"+15550000002", in2030}, {"+15550000003", in2030}}));
    EXPECT_EQ(messages, (std::set<std::pair<std::string, std::string>>{{"sent the summer before the backup", in2030}}));
}

// The date of an older backup, which keeps no Info.plist, is the latest time a file of its
// manifest was changed; a date before any phone was backed up is none.
TEST_F(BackupDateTimes, AnOlderBackupIsDatedByItsManifest) {
    EXPECT_EQ(backupdate::backupDate(folder()), std::nullopt);
    writeBackupDate(0);
    EXPECT_EQ(backupdate::backupDate(folder()), std::nullopt);
    std::remove(file("Info.plist").c_str());
    // Two records of "Manifest.mbdb": five absent strings, then mode, inode, uid, gid, the
    // three times, the size, the protection class and no properties.
    std::string manifest("mbdb\x05\x00", 6);
    for (const uint32_t modified : {uint32_t(k2030), uint32_t(k2031)}) {
        manifest += std::string(10, '\xff');
        std::string fixed(40, '\0');
        for (int i = 0; i < 4; ++i) fixed[static_cast<size_t>(18 + i)] = static_cast<char>(modified >> (24 - 8 * i));
        manifest += fixed;
    }
    FILE* out = std::fopen(file("Manifest.mbdb").c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(manifest.data(), 1, manifest.size(), out);
    std::fclose(out);
    EXPECT_EQ(backupdate::backupDate(folder()), k2031);
}
