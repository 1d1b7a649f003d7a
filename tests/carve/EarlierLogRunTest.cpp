// A write-ahead log that was checkpointed and begun again is written over from its start and
// keeps, past its current run, the frames of its earlier run: the only place left of the rows
// deleted before the checkpoint, when the deletion wiped them from the page it wrote.
#include "CarveTestSupport.h"
#include "FixtureDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "model/PRRecordFields.h"
#include "platform/FileOpen.h"
#include "platform/Paths.h"

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <map>
#include <set>

using namespace carvetest;

namespace {

struct Call {
    std::string address;
    int64_t date = 0;
};

std::vector<Call> calls(const std::string& prefix, int count, int64_t firstDate) {
    std::vector<Call> out;
    for (int i = 0; i < count; ++i) out.push_back({prefix + std::to_string(1000 + i), firstDate + 3600 * i});
    return out;
}

class EarlierLogRun : public CarveTest {};

}  // namespace

TEST_F(EarlierLogRun, RowsDeletedBeforeTheLogBeganAgainComeBackAndLiveOnesDoNot) {
    const std::string path = file(backupkeys::callHistory);
    const std::vector<Call> live = calls("+1555100", 6, 1600000000), deleted = calls("+1555200", 10, 1600100000),
                            later = calls("+1555300", 1, 1600200000);
    {
        carvefix::FixtureDatabase db(path, 1024, /*writeAheadLog*/ true);
        db.keepWritingInLog();
        db.exec(
            "CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, duration "
            "INTEGER, flags INTEGER, id INTEGER)");
        auto insert = [&](const Call& c) {
            db.run("INSERT INTO call (address, date, duration, flags, id) VALUES (?, ?, 42, 5, -1)",
                   {c.address, c.date});
        };
        // Each call a transaction of its own, as a phone writes them: the log's run grows long.
        for (const Call& c : live) insert(c);
        for (const Call& c : deleted) insert(c);
        // Deleted with their bytes wiped from the page, which the checkpoint then copies into
        // the file: only the log's older frames keep them.
        db.exec("PRAGMA secure_delete=ON");
        db.exec("DELETE FROM call WHERE address LIKE '+1555200%'");
        db.exec("PRAGMA wal_checkpoint(FULL)");
        // The next write begins the log again, over its first frames.
        for (const Call& c : later) insert(c);
        ASSERT_TRUE(db.ok());
    }
    std::string fileBytes, logBytes;
    ASSERT_TRUE(files::readRegularFile(path, size_t{1} << 24, &fileBytes));
    ASSERT_TRUE(files::readRegularFile(path + "-wal", size_t{1} << 24, &logBytes));
    for (const Call& c : deleted) {
        ASSERT_EQ(fileBytes.find(c.address), std::string::npos) << "the file itself still holds " << c.address;
        ASSERT_NE(logBytes.find(c.address), std::string::npos) << "the log lost " << c.address;
    }

    carve::CarveCoverage coverage;
    context.coverage = [&](const carve::CarveCoverage& c) { coverage = c; };
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
    std::map<std::string, std::set<std::string>> datesOf;
    for (const auto& call : posted(notices::ScanDelCallHistoryInfo))
        datesOf[call->callPhone()].insert(call->callDate());
    for (const Call& c : deleted)
        EXPECT_EQ(datesOf[c.address], std::set<std::string>{recordDate(c.date, false).str()}) << c.address;
    for (const auto* kept : {&live, &later})
        for (const Call& c : *kept) EXPECT_EQ(datesOf.count(c.address), 0u) << "live call reported: " << c.address;

    // The frames of the earlier run are looked through and counted apart; what no committed
    // transaction of either run wrote is left and said.
    EXPECT_GT(coverage.earlierFrames, 0);
    EXPECT_LT(coverage.earlierFrames, coverage.frames);
    EXPECT_TRUE(coverage.complete()) << coverage.examined << " + " << coverage.headerPages << " of " << coverage.pages
                                     << " pages and " << coverage.frames << " frames";
    EXPECT_EQ(coverage.framesLeft, 0);

    // backup-dump says so on its carve line.
    std::ofstream(file("Info.plist"))
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict/></plist>";
    QProcess dump;
    QTemporaryDir home;  // whatever the program keeps of its own stays out of the user's
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    dump.setProcessEnvironment(environment);
    dump.start(QString::fromStdString(paths::executableDirectory() + "/backup-dump"),
               {"--carve", "--quiet", QString::fromStdString(folder())});
    ASSERT_TRUE(dump.waitForFinished(60000));
    EXPECT_EQ(dump.exitCode(), 0);
    const std::string said = dump.readAllStandardError().toStdString();
    EXPECT_NE(said.find("carved " + path + ": all " + std::to_string(coverage.pages) + " pages and " +
                        std::to_string(coverage.frames) + " frames, " + std::to_string(coverage.earlierFrames) +
                        " of them of an earlier run of the log ("),
              std::string::npos)
        << said;
}
