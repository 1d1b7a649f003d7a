// Reading a backup never writes to it: not its databases (whose journals are folded in
// private copies), not the files its links name, not with the carvers or the transfer
// readers. And hostile files in a backup (FIFOs, deep property lists, unreadable versions) end
// in a clear message, never a hang, a crash or silently lost records.
#include "BackupDumpRun.h"
#include "HostileFiles.h"
#include "SampleBackup.h"
#include "TestSupport.h"
#include "backup/BackupDatabase.h"
#include "backup/PreparedDatabase.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

const char* const kMessages = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";

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

class BackupUntouched : public HomeTest {
protected:
    void SetUp() override {
        root = scratchDirectory("Backup");
        // The first one written is the iOS 6 phone.
        for (const std::string& folder : samplebackup::writeSampleBackups(root))
            if (withJournals.empty() && fs::exists(folder + "/" + kMessages + "-wal")) withJournals = folder;
        ASSERT_FALSE(withJournals.empty()) << "the sample backup keeps rows in journals";
    }

    // No copy is left once a run has ended.
    bool copiesRemoved() const {
        const std::string copies = PreparedDatabase::copiesFolder();
        return !fs::exists(copies) || fs::is_empty(copies);
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

TEST_F(BackupUntouched, DatabasesThatAreLinksAreReadButNeverWrittenThrough) {
    const DumpRun plain = backupDump({QString::fromStdString(withJournals)});
    ASSERT_EQ(plain.exitCode, 0);
    // Every database and journal moves out of the backup; a link takes its place.
    const std::string outside = scratchDirectory("outside");
    int linked = 0;
    for (const auto& entry : fs::directory_iterator(withJournals)) {
        const std::string name = entry.path().filename().string();
        const bool journal = name.size() > 4 && name.compare(name.size() - 4, 4, "-wal") == 0;
        if (!journal && !isDatabase(entry.path())) continue;
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
        if (arguments.isEmpty()) {
            EXPECT_EQ(run.out, plain.out);  // the same records, journals included
        }
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
        if (name.rfind(kMessages, 0) == 0 ||
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
    const std::string original = withJournals + "/" + kMessages;
    std::string copyPath;
    {
        auto first = PreparedDatabase::prepare(original);
        ASSERT_TRUE(first);
        copyPath = first->path();
        EXPECT_EQ(PreparedDatabase::prepare(original), first);
        EXPECT_EQ(copyPath.rfind(PreparedDatabase::copiesFolder() + "/", 0), 0u);
        BackupDatabase db(first);
        int rows = 0;
        ASSERT_TRUE(db.query("select count(*) from message",
                             [&](const BackupDatabase::Row& row) { rows = static_cast<int>(row.integer(0)); }));
        EXPECT_GT(rows, 0);
    }
    EXPECT_FALSE(fs::exists(copyPath));
    EXPECT_TRUE(copiesRemoved());

    // A changed original gets a fresh copy; FIFOs, folders and missing files get none.
    auto held = PreparedDatabase::prepare(original);
    ASSERT_TRUE(held);
    ASSERT_TRUE(writeFile(original + "-wal", ""));
    auto fresh = PreparedDatabase::prepare(original);
    EXPECT_NE(fresh, held);
    const std::string fifo = scratchDirectory("fifo") + "/db";
    ASSERT_TRUE(makeFifo(fifo));
    EXPECT_FALSE(PreparedDatabase::prepare(fifo));
    EXPECT_FALSE(PreparedDatabase::prepare(withJournals));
    EXPECT_FALSE(PreparedDatabase::prepare(withJournals + "/absent"));
    EXPECT_FALSE(BackupDatabase(fifo).isOpen());
}
