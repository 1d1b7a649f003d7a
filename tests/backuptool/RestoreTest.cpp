// Restores of the sample device from its backup, what a restore refuses to do, and how it names
// the records it leaves out.
#include "BackupToolFixture.h"
#include "backup/ManifestWriter.h"
#include "platform/BackupTool.h"
#include "platform/Paths.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace backuptooltest;
using namespace std::string_literals;

namespace {

int rowCount(const std::string& path) {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "select count(*) from t", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

void execute(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

class Restore : public BackupToolTest {
protected:
    void SetUp() override {
        BackupToolTest::SetUp();
        ASSERT_EQ(backuptool::backupDevice(udid), 0);
    }
    std::string keyFile(const std::string& domain, const std::string& path) const {
        return backupFile(backupFolder(), domain, path);
    }
    const std::string appDomain = "AppDomain-com.brightleaf.RecipeBox";
    const std::string appFile = "/apps/com.brightleaf.RecipeBox/container/Documents/Shopping List.txt";
};

}  // namespace

TEST_F(Restore, ChangesMadeInTheBackupReachTheDevice) {
    writeFile(keyFile(appDomain, "Documents/Shopping List.txt"), "changed in the backup");
    writeFile(keyFile("CameraRollDomain", "Media/DCIM/101APPLE/IMG_0012.JPG"), "changed photo");
    ::unlink((device + "/media/DCIM/100APPLE/IMG_0005.JPG").c_str());
    writeFile(device + "/media/DCIM/100APPLE/IMG_0099.JPG", "taken after the backup");

    ASSERT_EQ(backuptool::restoreDevice(udid), 0);
    EXPECT_EQ(readFile(device + appFile), "changed in the backup");
    EXPECT_EQ(readFile(device + "/media/DCIM/101APPLE/IMG_0012.JPG"), "changed photo");
    EXPECT_TRUE(exists(device + "/media/DCIM/100APPLE/IMG_0005.JPG"));
    EXPECT_EQ(readFile(device + "/media/DCIM/100APPLE/IMG_0099.JPG"), "taken after the backup");
    // No temporary files of the restore are left beside the restored ones.
    for (const std::string& name : folderNames(device + "/media/DCIM/101APPLE"))
        EXPECT_EQ(name.find(".mobilebackup"), std::string::npos) << name;
}

TEST_F(Restore, AnIncompleteOrDamagedBackupChangesNothing) {
    writeFile(keyFile(appDomain, "Documents/Shopping List.txt"), "changed in the backup");
    const std::string before = readFile(device + appFile);
    const std::string missing = keyFile("CameraRollDomain", "Media/DCIM/101APPLE/IMG_0013.JPG");
    const std::string photo = readFile(missing);
    ::unlink(missing.c_str());
    ToolRun run = runTool({"--restore", "--target", udid, "--source", udid});
    EXPECT_EQ(run.exitCode, 1) << run.error;
    EXPECT_NE(run.error.find("incomplete"), std::string::npos) << run.error;
    EXPECT_EQ(readFile(device + appFile), before);

    writeFile(missing, photo);
    const std::string manifest = backupFolder() + "/Manifest.mbdb";
    ASSERT_EQ(::truncate(manifest.c_str(), static_cast<off_t>(readFile(manifest).size() - 7)), 0);
    run = runTool({"--restore", "--target", udid, "--source", udid});
    EXPECT_EQ(run.exitCode, 1) << run.error;
    EXPECT_EQ(readFile(device + appFile), before);
}

TEST_F(Restore, NothingIsWrittenOutsideTheDevice) {
    const std::string outside = testsupport::scratchDirectory("outside");
    ::symlink(outside.c_str(), (device + "/apps/com.brightleaf.RecipeBox/container/Linked").c_str());
    std::vector<ManifestEntry> entries;
    std::vector<std::pair<std::string, std::string>> records = {
        {appDomain, "../../../../scratch/outside/climbed"},
        {appDomain, "Documents/../../../../../scratch/outside/climbed2"},
        {appDomain, "Linked/through-link"},
        {"HomeDomain", "Library/Caches/not-restored"},
        {"KeychainDomain", "keychain-backup.plist"},
    };
    for (const auto& [domain, path] : records) {
        ManifestEntry entry;
        entry.domain = domain;
        entry.path = path;
        entry.size = 4;
        entries.push_back(entry);
        writeFile(keyFile(domain, path), "evil");
    }
    ASSERT_TRUE(appendManifestRecords(backupFolder() + "/Manifest.mbdb", entries));

    const ToolRun run = runTool({"--restore", "--target", udid, "--source", udid});
    EXPECT_EQ(run.exitCode, 1) << "the link in the way is reported";
    EXPECT_NE(run.error.find("Linked"), std::string::npos) << run.error;
    EXPECT_TRUE(folderNames(outside).empty());
    EXPECT_FALSE(exists(device + "/home/Library/Caches/not-restored"));
    EXPECT_FALSE(exists(device + "/keychain-backup.plist"));
}

TEST_F(Restore, RecordsLeftOutAreNamedAndTheRestoreFails) {
    const std::string outside = testsupport::scratchDirectory("outside");
    writeFile(keyFile(appDomain, "Documents/Shopping List.txt"), "changed in the backup");
    struct Left {
        std::string domain, path;
        uint16_t mode;
        const char* reason;
    };
    const std::vector<Left> leftOut = {
        {appDomain, "../../../../scratch/outside/climbed", S_IFREG | 0644, "climbs out"},
        {"HomeDomain", "/Library/Preferences/absolute.plist", S_IFREG | 0644, "absolute"},
        // Cut at the NUL, each "..<NUL>" would name "..".
        {appDomain, "Documents/..\0/..\0/..\0/..\0/..\0/scratch/outside/nul"s, S_IFREG | 0644, "NUL"},
        {appDomain, "Documents/link", S_IFLNK | 0755, "a link"},
        {appDomain, "Documents/pipe", S_IFIFO | 0644, "neither a file nor a folder"},
        {"KeychainDomain", "keychain-backup.plist", S_IFREG | 0644, "no folder of the device"},
        {"HomeDomain", "Library/Caches/not-restored", S_IFREG | 0644, "no folder of the device"},
    };
    std::vector<ManifestEntry> entries;
    for (const Left& left : leftOut) {
        ManifestEntry entry;
        entry.domain = left.domain;
        entry.path = left.path;
        entry.mode = left.mode;
        entry.size = 4;
        if (S_ISLNK(left.mode)) entry.linkTarget = "/etc/passwd";
        entries.push_back(entry);
        if (S_ISREG(left.mode)) writeFile(keyFile(left.domain, left.path), "evil");
    }
    ASSERT_TRUE(appendManifestRecords(backupFolder() + "/Manifest.mbdb", entries));

    const ToolRun run = runTool({"--restore", "--target", udid, "--source", udid});
    EXPECT_EQ(run.exitCode, 6) << run.error;
    // Each record on a line of its own (a NUL or line break in a name printed as one character).
    for (const Left& left : leftOut) {
        std::string shown = left.domain + "-" + left.path;
        std::replace(shown.begin(), shown.end(), '\0', '?');
        const size_t line = run.error.find("mobilebackup: not restored: " + shown + ": ");
        ASSERT_NE(line, std::string::npos) << shown << "\n" << run.error;
        EXPECT_NE(run.error.substr(line, run.error.find('\n', line) - line).find(left.reason), std::string::npos)
            << run.error;
    }
    EXPECT_NE(run.error.find("mobilebackup: the restore left out 7 records of the backup; the first: " + appDomain +
                             "-../../../../scratch/outside/climbed: its path climbs out of its folder\n"),
              std::string::npos)
        << run.error;
    // The rest of the backup was restored; nothing of what was left out was written anywhere.
    EXPECT_EQ(readFile(device + appFile), "changed in the backup");
    EXPECT_TRUE(folderNames(outside).empty());
    for (const char* path : {"/home/Library/Preferences/absolute.plist", "/home/Library/Caches/not-restored",
                             "/keychain-backup.plist", "/apps/com.brightleaf.RecipeBox/container/Documents/link",
                             "/apps/com.brightleaf.RecipeBox/container/Documents/pipe"})
        EXPECT_FALSE(exists(device + path)) << path;

    // The application hears of it as a failure, with what the tool ended with.
    std::string message;
    EXPECT_EQ(backuptool::restoreDevice(udid, &message), backuptool::kRestoreLeftOutRecords);
    EXPECT_EQ(message.rfind("mobilebackup: the restore left out 7 records", 0), 0u) << message;
}

TEST_F(Restore, DatabaseJournalsTravelWithTheirDatabase) {
    // Rows still in a database's write-ahead journal are in the backup's copy of the database.
    const std::string database = device + "/wireless/Library/CallHistory/call_history.db";
    paths::makeDirectories(paths::deletingLastPathComponent(database));
    sqlite3* open = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &open), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(open,
                           "pragma journal_mode=wal; pragma wal_autocheckpoint=0; create table t(x);"
                           "insert into t values (1), (2), (3);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_TRUE(exists(database + "-wal"));
    ASSERT_EQ(backuptool::backupDevice(udid), 0);
    sqlite3_close(open);

    const std::string copy = keyFile("WirelessDomain", "Library/CallHistory/call_history.db");
    EXPECT_FALSE(exists(copy + "-wal"));
    EXPECT_EQ(rowCount(copy), 3);
    const auto records = manifestRecords(backupFolder());
    EXPECT_TRUE(records.count("WirelessDomain-Library/CallHistory/call_history.db"));
    EXPECT_FALSE(records.count("WirelessDomain-Library/CallHistory/call_history.db-wal"));
    EXPECT_FALSE(records.count("WirelessDomain-Library/CallHistory/call_history.db-shm"));

    // A journal left on the device beside the replaced database must not outlive it.
    execute(copy, "delete from t where x > 1");
    writeFile(database + "-wal", "stale journal");
    writeFile(database + "-shm", "stale index");
    ASSERT_EQ(backuptool::restoreDevice(udid), 0);
    EXPECT_FALSE(exists(database + "-wal"));
    EXPECT_FALSE(exists(database + "-shm"));
    EXPECT_EQ(rowCount(database), 1);
}
