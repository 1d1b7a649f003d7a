// Reading a backup never writes to it: not its databases (read where they lie through a
// descriptor that cannot write, or folded in private copies when their journals hold rows), not
// the files its links name, not with the carvers or the transfer readers. And hostile files in
// a backup (FIFOs, deep property lists, unreadable versions) end in a clear message, never a
// hang, a crash or silently lost records.
#include "BackupDumpRun.h"
#include "HostileFiles.h"
#include "SampleBackup.h"
#include "TestSupport.h"
#include "backup/BackupDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/PreparedDatabase.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

bool isDatabase(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[16] = {};
    in.read(magic, sizeof magic);
    return std::string(magic, 15) == "SQLite format 3";
}

int linesNamed(const QByteArray& out, const char* name) {
    int n = 0;
    for (const QByteArray& line : out.split('\n'))
        if (line.contains(QByteArray("\"") + name + "\"")) ++n;
    return n;
}

// No private copy is held (none is left once a run has ended).
bool copiesRemoved() {
    const std::string copies = PreparedDatabase::copiesFolder();
    return !fs::exists(copies) || fs::is_empty(copies);
}

class BackupUntouched : public HomeTest {
protected:
    void SetUp() override {
        root = scratchDirectory("Backup");
        // The first one written is the iOS 6 phone.
        for (const std::string& folder : samplebackup::writeSampleBackups(root))
            if (withJournals.empty() && fs::exists(folder + "/" + backupkeys::messages + "-wal")) withJournals = folder;
        ASSERT_FALSE(withJournals.empty()) << "the sample backup keeps rows in journals";
    }

    std::string root, withJournals;
};

}  // namespace

TEST_F(BackupUntouched, EveryDumpLeavesTheBackupByteForByteAsItWas) {
    const auto before = folderPicture(withJournals);
    for (const QStringList& arguments : {QStringList{}, QStringList{"--carve"}, QStringList{"--transfer"}}) {
        const DumpRun run = backupDump(arguments + QStringList{QString::fromStdString(withJournals)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_GT(run.out.count('\n'), 200);
        EXPECT_TRUE(folderPicture(withJournals) == before) << arguments.join(" ").toStdString();
        EXPECT_TRUE(copiesRemoved());
    }
}

TEST_F(BackupUntouched, DatabasesThatAreLinksAreNeitherReadNorWrittenThrough) {
    const DumpRun plain = backupDump({QString::fromStdString(withJournals)});
    ASSERT_EQ(plain.exitCode, 0);
    ASSERT_GT(linesNamed(plain.out, "ScanCallHistoryInfo"), 0);
    // Every database, journal and property list moves out of the backup; a link takes its place
    // (as a crafted backup would hold one to a file anywhere on the computer).
    const std::string outside = scratchDirectory("outside");
    int linked = 0;
    for (const auto& entry : fs::directory_iterator(withJournals)) {
        const std::string name = entry.path().filename().string();
        const bool journal = name.size() > 4 && name.compare(name.size() - 4, 4, "-wal") == 0;
        const bool propertyList = name.ends_with(".plist") || name == backupkeys::history;
        if (!journal && !propertyList && !isDatabase(entry.path())) continue;
        fs::rename(entry.path(), outside + "/" + name);
        fs::create_symlink(outside + "/" + name, entry.path());
        ++linked;
    }
    ASSERT_GE(linked, 8);
    const auto backupBefore = folderPicture(withJournals);
    const auto outsideBefore = folderPicture(outside);
    for (const QStringList& arguments : {QStringList{}, QStringList{"--carve"}, QStringList{"--transfer"}}) {
        const DumpRun run = backupDump(arguments + QStringList{QString::fromStdString(withJournals)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        // No record of a linked database is read, by a reader or a carver.
        for (const char* name :
             {"ScanCallHistoryInfo", "ScanContactInfo", "ScanMessageInfo", "scanCopyCallLogInfo",
              "ScanTransferContactInfo", "ScanTransferMessageInfo", "ScanDelCallHistoryInfo", "ScanDelContactInfo",
              "ScanDelMessageInfo", "ScanDelNoteInfo", "scanBookMarkInfo", "scanDelBookMarkInfo"})
            EXPECT_EQ(linesNamed(run.out, name), 0) << name << " " << arguments.join(" ").toStdString();
        EXPECT_TRUE(folderPicture(withJournals) == backupBefore);
        EXPECT_TRUE(folderPicture(outside) == outsideBefore) << arguments.join(" ").toStdString();
    }
}

TEST_F(BackupUntouched, FifosInPlaceOfBackupFilesAreSkippedWithoutAHang) {
    const DumpRun plain = backupDump({QString::fromStdString(withJournals)});
    ASSERT_EQ(plain.exitCode, 0);
    const int messages = linesNamed(plain.out, "ScanMessageInfo");
    ASSERT_GT(messages, 0);
    // Every database but the messages one, and the property lists and manifest, become FIFOs.
    for (const auto& entry : fs::directory_iterator(withJournals)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(backupkeys::messages, 0) == 0 ||
            (!isDatabase(entry.path()) && name.find(".plist") == std::string::npos && name != "Manifest.mbdb"))
            continue;
        ASSERT_TRUE(makeFifo(entry.path().string())) << name;
    }
    for (const QStringList& arguments : {QStringList{}, QStringList{"--carve"}, QStringList{"--transfer"}}) {
        const DumpRun run = backupDump(arguments + QStringList{QString::fromStdString(withJournals)});
        ASSERT_EQ(run.exitCode, 0) << arguments.join(" ").toStdString() << run.err.toStdString();
        // No version to read: the messages are still read, with the schema their database holds.
        const bool transfer = arguments == QStringList{"--transfer"};
        EXPECT_EQ(linesNamed(run.out, transfer ? "ScanTransferMessageInfo" : "ScanMessageInfo"), messages);
        EXPECT_TRUE(run.err.contains("could not be read (")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("is not a regular file")) << run.err.toStdString();
    }
}

TEST_F(BackupUntouched, UnreadableVersionsStillGiveEveryMessage) {
    const DumpRun plain = backupDump({QString::fromStdString(withJournals)});
    const int messages = linesNamed(plain.out, "ScanMessageInfo");
    ASSERT_GT(messages, 100);
    ASSERT_FALSE(plain.err.contains("could not be read"));
    // A property list nested 100,000 levels deep, and a manifest list without its lockdown part.
    ASSERT_TRUE(writeFile(withJournals + "/Info.plist", deepXmlPropertyList(100000)));
    ASSERT_TRUE(writeFile(withJournals + "/Manifest.plist", deepBinaryPropertyList(3)));
    const DumpRun run = backupDump({QString::fromStdString(withJournals)});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(linesNamed(run.out, "ScanMessageInfo"), messages);
    EXPECT_TRUE(run.err.contains("Info.plist: nested deeper than 512 levels")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("read with the iOS 6 schema that the database holds")) << run.err.toStdString();
}

TEST_F(BackupUntouched, PreparedCopiesAreSharedWhileHeldAndRemovedAfter) {
    const std::string original = withJournals + "/" + backupkeys::messages;
    {
        // Its journal holds rows: the database is read from a private copy.
        auto first = PreparedDatabase::prepare(original);
        ASSERT_TRUE(first);
        EXPECT_FALSE(first->readsInPlace());
        EXPECT_EQ(PreparedDatabase::prepare(original), first);
        EXPECT_FALSE(copiesRemoved());
        BackupDatabase db(first);
        int rows = 0;
        ASSERT_TRUE(db.query("select count(*) from message",
                             [&](const BackupDatabase::Row& row) { rows = static_cast<int>(row.integer(0)); }));
        EXPECT_GT(rows, 0);
    }
    EXPECT_TRUE(copiesRemoved());

    // A changed original gets a fresh preparation (an empty journal holds nothing: no copy);
    // FIFOs, folders and missing files get none.
    auto held = PreparedDatabase::prepare(original);
    ASSERT_TRUE(held);
    ASSERT_TRUE(writeFile(original + "-wal", ""));
    auto fresh = PreparedDatabase::prepare(original);
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, held);
    EXPECT_TRUE(fresh->readsInPlace());
    const std::string fifo = scratchDirectory("fifo") + "/db";
    ASSERT_TRUE(makeFifo(fifo));
    EXPECT_FALSE(PreparedDatabase::prepare(fifo));
    EXPECT_FALSE(PreparedDatabase::prepare(withJournals));
    EXPECT_FALSE(PreparedDatabase::prepare(withJournals + "/absent"));
    EXPECT_FALSE(BackupDatabase(fifo).isOpen());
}

namespace {

// A database without a journal beside it is read where it lies, through a descriptor opened
// once, and nothing is ever written to it or beside it.
class ReadInPlace : public HomeTest {
protected:
    using Rows = std::vector<std::pair<int64_t, std::string>>;

    static std::string noteOf(int id) { return "call " + std::to_string(id) + std::string(100, 'a' + id % 26); }

    // A call table of rows 1..rows in journal mode ("delete" or "wal"), closed.
    static void writeCalls(const std::string& path, int rows, const char* mode) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const std::string sql = std::string("pragma journal_mode=") + mode +
                                ";create table call (ROWID INTEGER PRIMARY KEY, note TEXT); begin;";
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        insertCalls(db, 1, rows);
        ASSERT_EQ(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    static void insertCalls(sqlite3* db, int from, int to) {
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "insert into call values (?1, ?2)", -1, &insert, nullptr);
        for (int id = from; id <= to; ++id) {
            sqlite3_bind_int64(insert, 1, id);
            sqlite3_bind_text(insert, 2, noteOf(id).c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
    }

    static Rows expected(int rows) {
        Rows out;
        for (int id = 1; id <= rows; ++id) out.emplace_back(id, noteOf(id));
        return out;
    }

    static Rows read(BackupDatabase& db, const std::string& order = "rowid") {
        Rows out;
        db.query("select rowid, note from call order by " + order, [&](const BackupDatabase::Row& row) {
            out.emplace_back(row.integer(0), row.text(1) ? row.text(1) : "");
        });
        return out;
    }

    static Rows read(const std::string& path) {
        BackupDatabase db(path);
        return read(db);
    }

    static int64_t modified(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
};

}  // namespace

TEST_F(ReadInPlace, DatabasesWithoutAJournalAreReadWhereTheyLieAndLeftAsTheyWere) {
    constexpr int kRows = 20000;  // 2.5 MB of notes: sorting them all goes through temporary files
    for (const char* mode : {"delete", "wal"}) {
        const std::string folder = scratchDirectory(mode);
        const std::string path = folder + "/calls.db";
        writeCalls(path, kRows, mode);
        ASSERT_FALSE(fs::exists(path + "-wal"));
        std::ifstream header(path, std::ios::binary);
        char version[20] = {};
        header.read(version, sizeof version);
        EXPECT_EQ(version[18], std::string(mode) == "wal" ? 2 : 1) << mode;  // the header's journal mode

        // Writable, then a read-only file, then a read-only folder.
        for (const fs::perms protection : {fs::perms::none, fs::perms::owner_write}) {
            const auto before = folderPicture(folder);
            const int64_t mtime = modified(path);
            {
                auto prepared = PreparedDatabase::prepare(path);
                ASSERT_TRUE(prepared);
                EXPECT_TRUE(prepared->readsInPlace());
                BackupDatabase db(prepared);
                EXPECT_EQ(read(db), expected(kRows)) << mode;
                Rows sorted = read(db, "note desc");
                ASSERT_EQ(sorted.size(), size_t(kRows));
                EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(),
                                           [](const auto& a, const auto& b) { return a.second > b.second; }));
                EXPECT_TRUE(copiesRemoved()) << "no copy is made";
            }
            EXPECT_TRUE(folderPicture(folder) == before) << mode;
            EXPECT_EQ(modified(path), mtime) << mode;
            if (protection == fs::perms::none) {
                fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
            } else {
                fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
                EXPECT_EQ(read(path), expected(kRows)) << mode;
                EXPECT_TRUE(folderPicture(folder) == before) << mode;
                fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add);
            }
        }
    }
}

TEST_F(ReadInPlace, ACommittedJournalIsStillFoldedInAPrivateCopy) {
    // Rows 101 to 150 are committed in the journal only, as a device that did not checkpoint
    // leaves them.
    const std::string written = scratchDirectory("written") + "/calls.db";
    writeCalls(written, 100, "wal");
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(written.c_str(), &writer), SQLITE_OK);
    sqlite3_exec(writer, "pragma wal_autocheckpoint=0", nullptr, nullptr, nullptr);
    insertCalls(writer, 101, 150);
    const std::string backup = scratchDirectory("backup");
    for (const char* suffix : {"", "-wal"}) fs::copy_file(written + suffix, backup + "/calls.db" + suffix);
    sqlite3_close(writer);
    ASSERT_GT(fs::file_size(backup + "/calls.db-wal"), 0u);

    const auto before = folderPicture(backup);
    {
        auto prepared = PreparedDatabase::prepare(backup + "/calls.db");
        ASSERT_TRUE(prepared);
        EXPECT_FALSE(prepared->readsInPlace());
        EXPECT_FALSE(copiesRemoved());
        BackupDatabase db(prepared);
        EXPECT_EQ(read(db), expected(150));
    }
    EXPECT_TRUE(copiesRemoved());
    EXPECT_TRUE(folderPicture(backup) == before);
}

TEST_F(ReadInPlace, AFileSwappedInAfterPreparingIsNeverRead) {
    const std::string folder = scratchDirectory("swap");
    writeCalls(folder + "/calls.db", 100, "delete");
    writeCalls(folder + "/other.db", 5, "delete");
    auto prepared = PreparedDatabase::prepare(folder + "/calls.db");
    ASSERT_TRUE(prepared);
    fs::rename(folder + "/other.db", folder + "/calls.db");
    BackupDatabase held(prepared);
    EXPECT_EQ(read(held), expected(100));
    // A preparation made now reads the file now at the path.
    EXPECT_EQ(read(folder + "/calls.db"), expected(5));
}

TEST_F(ReadInPlace, HostileFilesInTheDatabasesPlaceFailCleanly) {
    const std::string folder = scratchDirectory("hostile");
    // A link to a FIFO is refused before anything opens it.
    ASSERT_TRUE(makeFifo(folder + "/fifo"));
    fs::create_symlink(folder + "/fifo", folder + "/linked.db");
    EXPECT_FALSE(PreparedDatabase::prepare(folder + "/linked.db"));
    EXPECT_FALSE(BackupDatabase(folder + "/linked.db").isOpen());

    // A truncated file, one overwritten in its middle and one that is no database give fewer
    // rows or none, never a crash.
    const std::string path = folder + "/calls.db";
    writeCalls(path, 5000, "delete");
    const size_t size = fs::file_size(path);
    fs::resize_file(path, size / 2);
    EXPECT_LT(read(path).size(), 5000u);
    writeCalls(folder + "/whole.db", 5000, "delete");
    {
        std::fstream file(folder + "/whole.db", std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(size / 3));
        file << std::string(size / 3, '\xff');
    }
    read(folder + "/whole.db");
    ASSERT_TRUE(writeFile(path, std::string(8192, 'x')));
    BackupDatabase garbage(path);
    EXPECT_FALSE(garbage.query("select * from call", [](const BackupDatabase::Row&) {}));
}
