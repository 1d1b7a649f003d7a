// The carvers on databases as phones leave them (real layouts, natural values, a run and
// scattered rows deleted, or rows deleted over time with others written between), scored as
// tools/carve-quality scores them: every page looked through, never a live row reported as
// deleted and never a record with another's joined value; after a run and scattered rows, no
// garbage, and nearly all of the deleted rows whose bytes are still in the file come back, with
// every joined value.
#include "CarveQuality.h"
#include "CarveTestSupport.h"
#include "platform/FileOpen.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <tuple>

using carvefix::CarveKind;
using iosschema::Ios;

using carvefix::Deletions;

class CarveQuality : public carvetest::CarveTest,
                     public ::testing::WithParamInterface<std::tuple<CarveKind, Ios, int, Deletions>> {};

TEST_P(CarveQuality, DeletedRowsComeBackAndNothingElse) {
    const auto [kind, ios, page, deletions] = GetParam();
    carvefix::NaturalOptions options;
    options.ios = ios;
    options.pageSize = page;
    options.rows = 200;
    options.deletions = deletions;
    const carvequality::Score s = carvequality::measure(kind, options, folder());
    SCOPED_TRACE(std::string(carvefix::kindName(kind)) + " iOS " + std::to_string(static_cast<int>(ios)) + " page " +
                 std::to_string(page) + (deletions == Deletions::overTime ? " deleted over time" : ""));
    EXPECT_EQ(s.deleted, 60);
    EXPECT_EQ(s.liveAsDeleted, 0);
    EXPECT_GT(s.coverage.pages, 1);
    EXPECT_TRUE(s.coverage.complete()) << s.coverage.examined << " of " << s.coverage.pages << " pages";
    EXPECT_LE(s.recovered, s.recoverable) << "a row counted as gone from the file came back: its marker is wrong";
    EXPECT_EQ(s.wrongJoins, 0) << "of " << s.reported;
    // Rows written after others were deleted take their room, and a balance of the pages then
    // moves what is left: what comes back then is measured by carve-quality, not held here.
    if (deletions == Deletions::overTime) return;
    EXPECT_LT(s.share(s.garbage), 1.0) << s.garbage << " of " << s.reported;
    EXPECT_GE(s.recallOfRecoverable(), 95.0) << s.recovered << " of " << s.recoverable << " still in the file";
}

INSTANTIATE_TEST_SUITE_P(KindsLayoutsAndPageSizes, CarveQuality,
                         ::testing::Combine(::testing::Values(CarveKind::calls, CarveKind::contacts,
                                                              CarveKind::messages, CarveKind::notes,
                                                              CarveKind::bookmarks, CarveKind::calendar),
                                            ::testing::Values(Ios::v4, Ios::v6), ::testing::Values(1024, 4096),
                                            ::testing::Values(Deletions::runAndScattered, Deletions::overTime)));

// Rows deleted over time, with others written between: freed rows lose their row ids to the
// free-space chain, and with them the joins to their other rows, and the rows written since take
// the tails of others.
class CarveOverTime : public carvetest::CarveTest {
protected:
    // The order rows were written in still ranks those that lost their ids among the live ones.
    // Scored against the same file with that order turned around in the live rows (in place, by
    // the sql turn): that file ranks nothing. Neither joins anything wrongly.
    void expectRanked(CarveKind kind, const char* turn) {
        carvefix::NaturalOptions options;
        options.pageSize = 1024;
        options.rows = 20000;
        options.deletions = Deletions::overTime;
        carvequality::Score ranked, unranked;
        for (const bool turned : {false, true}) {
            const std::string folder = this->folder() + (turned ? "/turned" : "/ranked");
            ::mkdir(folder.c_str(), 0700);
            const carvefix::NaturalRows rows = carvefix::writeNaturalDatabase(folder, kind, options);
            if (turned) {
                sqlite3* db = nullptr;
                const std::string path = folder + "/" + carvefix::backupFileName(kind);
                ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
                ASSERT_EQ(sqlite3_exec(db, turn, nullptr, nullptr, nullptr), SQLITE_OK);
                sqlite3_close(db);
            }
            (turned ? unranked : ranked) = carvequality::carveAndScore(kind, rows, options, folder);
        }
        EXPECT_EQ(ranked.liveAsDeleted + unranked.liveAsDeleted, 0);
        EXPECT_EQ(ranked.wrongJoins, 0) << "of " << ranked.reported;
        EXPECT_EQ(unranked.wrongJoins, 0) << "of " << unranked.reported;
        EXPECT_GT(ranked.recovered, unranked.recovered + unranked.recovered / 100)
            << ranked.recovered << " against " << unranked.recovered << " of " << ranked.recoverable;
    }
};

// A contact is ranked by when it was made, and takes its numbers.
TEST_F(CarveOverTime, ContactsThatLostTheirIdsAreRankedByWhenTheyWereMade) {
    expectRanked(CarveKind::contacts, "UPDATE ABPerson SET CreationDate = 800000000 - CreationDate");
}

// An event and its place are written together: between two live places, the places and the
// events that name them pair in the order they were written.
TEST_F(CarveOverTime, EventsAndPlacesThatLostTheirIdsPairInTheOrderTheyWereWritten) {
    expectRanked(CarveKind::calendar, "UPDATE Location SET item_owner_id = 30000 - item_owner_id");
}

// An iMessage of iOS 5 keeps its address in the middle of its row and whether it is one near the
// end: a message freed into a page's gap whose tail a later cell took still comes back, with its
// address, time and text, where it has an iMessage address and no other.
TEST_F(CarveOverTime, IMessagesWhoseTailsALaterCellTookComeBack) {
    carvefix::NaturalOptions options;
    options.ios = Ios::v5;
    options.pageSize = 1024;
    options.rows = 20000;
    options.deletions = Deletions::overTime;
    const carvequality::Score s = carvequality::measure(CarveKind::messages, options, folder());
    EXPECT_EQ(s.liveAsDeleted, 0);
    EXPECT_LT(s.share(s.garbage), 1.0) << s.garbage << " of " << s.reported;
    EXPECT_GE(s.recallOfRecoverable(), 98.5) << s.recovered << " of " << s.recoverable << " still in the file";
}

// A phone's database runs with a write-ahead log, and the latest deletions are deleted only in
// the log. Carved as the backup holds it, the log beside it, every kind gives at least the deleted
// rows the same database gives once folded, reports no live row and no wrong join, looks
// through every page and frame, and leaves both files as they were.
class CarveInLog : public carvetest::CarveTest {};

TEST_F(CarveInLog, DeletionsStillInTheLogComeBackAsOnceFolded) {
    for (const CarveKind kind : {CarveKind::calls, CarveKind::contacts, CarveKind::messages, CarveKind::notes,
                                 CarveKind::bookmarks, CarveKind::calendar})
        for (const Deletions deletions : {Deletions::runAndScattered, Deletions::overTime}) {
            SCOPED_TRACE(std::string(carvefix::kindName(kind)) +
                         (deletions == Deletions::overTime ? " over time" : ""));
            carvefix::NaturalOptions options;
            options.pageSize = 1024;
            options.rows = 2000;
            options.deletions = deletions;
            options.inLog = 0.1;
            const carvefix::NaturalRows rows = carvefix::writeNaturalDatabase(folder(), kind, options);
            const std::string path = folder() + "/" + carvefix::backupFileName(kind);
            std::string file, log, fileAfter, logAfter;
            ASSERT_TRUE(files::readRegularFile(path, size_t{1} << 30, &file));
            ASSERT_TRUE(files::readRegularFile(path + "-wal", size_t{1} << 30, &log));
            const carvequality::Score laid = carvequality::carveAndScore(kind, rows, options, folder());
            const carvequality::Score folded = carvequality::carveFoldedAndScore(kind, rows, options, folder());
            EXPECT_GT(laid.coverage.frames, 0);
            EXPECT_TRUE(laid.coverage.complete()) << laid.coverage.examined << " of " << laid.coverage.pages
                                                  << " pages and " << laid.coverage.frames << " frames";
            EXPECT_EQ(laid.liveAsDeleted + folded.liveAsDeleted, 0);
            EXPECT_EQ(laid.wrongJoins + folded.wrongJoins, 0);
            EXPECT_GE(laid.recovered, folded.recovered) << "of " << laid.deleted;
            ASSERT_TRUE(files::readRegularFile(path, size_t{1} << 30, &fileAfter));
            ASSERT_TRUE(files::readRegularFile(path + "-wal", size_t{1} << 30, &logAfter));
            EXPECT_TRUE(file == fileAfter && log == logAfter) << "the carve changed the backup's files";
        }
}
