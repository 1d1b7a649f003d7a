// The carvers on databases as phones leave them (real layouts, natural values, a run and
// scattered rows deleted, or rows deleted over time with others written between), scored as
// tools/carve-quality scores them: every page looked through, never a live row reported as
// deleted and never a record with another's joined value; after a run and scattered rows, no
// garbage, and nearly all of the deleted rows whose bytes are still in the file come back, with
// every joined value.
#include "CarveQuality.h"
#include "CarveTestSupport.h"
#include "platform/FileOpen.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
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

// A log that wrote most pages again leaves, in their older images, the rows the folded pages
// still hold, byte for byte, and edits leave earlier versions beside them: the walk knows the
// first for live rows' copies as it reads them and lets them go, and still every deletion in the
// log comes back once, never a live row nor an earlier version of one, as many as once folded.
TEST_F(CarveInLog, RowsThePagesStillHoldInTheirOlderImagesGiveNoRecordAndHideNone) {
    for (const CarveKind kind : {CarveKind::calls, CarveKind::notes, CarveKind::messages}) {
        SCOPED_TRACE(carvefix::kindName(kind));
        carvefix::NaturalOptions options;
        options.pageSize = 1024;
        options.rows = 3000;
        options.inLog = 0.5;
        options.phoneHabits = true;
        const carvefix::NaturalRows rows = carvefix::writeNaturalDatabase(folder(), kind, options);
        const carvequality::Score laid = carvequality::carveAndScore(kind, rows, options, folder());
        const carvequality::Score folded = carvequality::carveFoldedAndScore(kind, rows, options, folder());
        EXPECT_GT(laid.coverage.frames, 0);
        // A note's stray bytes may read as a note of no row, laid as folded; a call or message never.
        if (kind != CarveKind::notes) {
            EXPECT_EQ(laid.garbage, 0) << "a record came twice, or is no row";
        }
        EXPECT_EQ(laid.liveAsDeleted, 0);
        EXPECT_EQ(laid.othersValues, 0);
        EXPECT_GE(laid.recovered, folded.recovered) << "of " << laid.deleted;
        EXPECT_GT(laid.recovered, laid.deleted / 2);
    }
}

// Databases written as a phone in use writes them: live rows edited between the deletions, notes
// of a title alone, long messages. The scorer knows every version of an edited row as live, and
// tells a record carrying a value not its row's from one that is its row's.
class PhoneHabits : public carvetest::CarveTest {
protected:
    carvefix::NaturalRows write(CarveKind kind, Deletions deletions = Deletions::overTime) {
        carvefix::NaturalOptions options;
        options.pageSize = 1024;
        options.rows = 400;
        options.deletions = deletions;
        options.phoneHabits = true;
        const carvefix::NaturalRows rows = carvefix::writeNaturalDatabase(folder(), kind, options);
        EXPECT_TRUE(files::readRegularFile(folder() + "/" + carvefix::backupFileName(kind), size_t{1} << 30, &bytes_));
        return rows;
    }
    carvequality::Score score(CarveKind kind, const carvefix::NaturalRows& rows,
                              const std::vector<carvefix::ExpectedRecord>& reported) {
        return carvequality::scoreRecords(kind, rows, reported, bytes_, 1024);
    }
    std::string bytes_;
};

TEST_F(PhoneHabits, EveryVersionOfAnEditedRowIsLiveAndEveryValueIsJudgedByItsRow) {
    for (const CarveKind kind : {CarveKind::calls, CarveKind::contacts, CarveKind::messages, CarveKind::notes,
                                 CarveKind::bookmarks, CarveKind::calendar}) {
        SCOPED_TRACE(carvefix::kindName(kind));
        const carvefix::NaturalRows rows = write(kind);
        ASSERT_GT(rows.edited.size(), 20u);
        ASSERT_EQ(rows.deleted.size(), 120u);
        std::vector<carvefix::ExpectedRecord> versions;
        bool keyChanged = false, valueChanged = false;
        for (const auto& row : rows.edited) {
            ASSERT_GE(row.size(), 2u);
            keyChanged = keyChanged || row.front().key != row.back().key;
            valueChanged = valueChanged || row.front().fields != row.back().fields;
            versions.insert(versions.end(), row.begin(), row.end());
        }
        // Calls keep their number and time through an edit, messages their party, time and text;
        // the others' edits change both their names and their values.
        EXPECT_EQ(keyChanged, kind != CarveKind::calls && kind != CarveKind::messages);
        EXPECT_EQ(valueChanged, kind != CarveKind::messages);
        // Each version reported as deleted is a live row so reported, with its own values.
        carvequality::Score s = score(kind, rows, versions);
        EXPECT_EQ(s.liveAsDeleted, static_cast<int>(versions.size()));
        EXPECT_EQ(s.othersValues + s.recovered + s.garbage, 0);
        // The deleted rows as they were written all come back, none with another's values.
        s = score(kind, rows, rows.deleted);
        EXPECT_EQ(s.recovered, 120);
        EXPECT_EQ(s.liveAsDeleted + s.othersValues + s.garbage + s.wrongJoins, 0);
        // A value taken from another row: another deleted row's, or another edited row's.
        auto withAnothers = [](carvefix::ExpectedRecord record, const carvefix::ExpectedRecord& other) {
            for (auto& [field, value] : record.fields)
                if (!other.fields.at(field).empty() && other.fields.at(field) != value) {
                    value = other.fields.at(field);
                    return record;
                }
            return carvefix::ExpectedRecord{};
        };
        std::vector<carvefix::ExpectedRecord> mixed;
        for (size_t i = 1; i < rows.deleted.size() && mixed.empty(); ++i)
            if (auto record = withAnothers(rows.deleted[0], rows.deleted[i]); !record.key.empty())
                mixed.push_back(record);
        for (size_t i = 1; i < rows.edited.size() && mixed.size() < 2; ++i)
            if (auto record = withAnothers(rows.edited[0].front(), rows.edited[i].back()); !record.key.empty())
                mixed.push_back(record);
        ASSERT_EQ(mixed.size(), 2u);
        s = score(kind, rows, mixed);
        EXPECT_EQ(s.othersValues, 2);
        EXPECT_EQ(s.liveAsDeleted, 1);
        EXPECT_EQ(s.recovered, 0);
    }
}

// A message's text ends in its number: where a digit follows it, the bytes are another row's
// (#116 within #1161), and the deleted message counts as gone from the file, whole or split.
TEST_F(PhoneHabits, AMessageIsInTheFileOnlyWithItsNumberWhole) {
    carvefix::NaturalRows rows = write(CarveKind::messages);
    // A text of one stretch, its last marker.
    const auto shortOne = std::find_if(rows.deleted.begin(), rows.deleted.end(), [](const auto& r) {
        return r.key.size() >= 40 && r.key.size() < 64 && r.markers.back().text == r.key;
    });
    ASSERT_NE(shortOne, rows.deleted.end());
    carvefix::NaturalRows one = rows;
    one.deleted = {*shortOne};
    std::string others;
    for (size_t m = 0; m + 1 < shortOne->markers.size(); ++m) others += shortOne->markers[m].text + "....";
    for (const auto& [after, inFile] : {std::pair<std::string, bool>{"\x03", true}, {"7", false}}) {
        // The row's other markers, then its text; split where a page would end, then whole.
        for (const size_t split : {size_t{20}, shortOne->key.size()}) {
            SCOPED_TRACE(after + " split at " + std::to_string(split));
            const std::string rest = shortOne->key.substr(split);
            bytes_ =
                "...." + others + shortOne->key.substr(0, split) + (rest.empty() ? "" : "..." + rest) + after + "....";
            EXPECT_EQ(score(CarveKind::messages, one, {}).recoverable, inFile ? 1 : 0);
        }
    }
}

// The tables hold each edited row's last version, and its earlier copies lie in the file still:
// what a carver can mistake for deleted rows.
TEST_F(PhoneHabits, TablesHoldTheLastVersionAndTheFileTheEarlierOnes) {
    struct Table {
        CarveKind kind;
        const char* keys;
    };
    for (const Table& table : {Table{CarveKind::calendar, "SELECT summary FROM CalendarItem"},
                               Table{CarveKind::notes, "SELECT ZTITLE FROM ZNOTE"},
                               Table{CarveKind::bookmarks, "SELECT title FROM bookmarks"}}) {
        SCOPED_TRACE(carvefix::kindName(table.kind));
        const carvefix::NaturalRows rows = write(table.kind, Deletions::runAndScattered);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder() + "/" + carvefix::backupFileName(table.kind)).c_str(), &db), SQLITE_OK);
        std::multiset<std::string> inTable;
        sqlite3_stmt* statement = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, table.keys, -1, &statement, nullptr), SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW)
            inTable.insert(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        sqlite3_close(db);
        EXPECT_EQ(inTable.size() + rows.deleted.size(), 400u);
        int earlierInFile = 0;
        for (const auto& row : rows.edited) {
            EXPECT_TRUE(inTable.count(row.back().key)) << row.back().key;
            for (size_t v = 0; v + 1 < row.size(); ++v) {
                if (row[v].key == row.back().key) continue;
                EXPECT_FALSE(inTable.count(row[v].key)) << row[v].key;
                earlierInFile += bytes_.find(row[v].key) != std::string::npos;
            }
        }
        EXPECT_GT(earlierInFile, 0);
    }
}

// Notes of a title alone, many of them alike, beside notes with bodies; messages of 3 to 10 KB,
// longer than a page, beside short ones. A note's text is its text however its blocks are broken.
TEST_F(PhoneHabits, NotesOfATitleAloneAndLongMessagesAreAmongTheDeleted) {
    const carvefix::NaturalRows notes = write(CarveKind::notes);
    std::map<std::string, int> alike;
    int titleAlone = 0;
    for (const carvefix::ExpectedRecord& note : notes.deleted) {
        titleAlone += note.fields.at("noteContent") == note.key;
        alike[note.key] += 1;
    }
    EXPECT_GT(titleAlone, 5);
    EXPECT_TRUE(std::any_of(alike.begin(), alike.end(), [](const auto& each) { return each.second > 1; }));
    std::vector<carvefix::ExpectedRecord> broken = notes.deleted;
    for (carvefix::ExpectedRecord& note : broken)
        std::replace(note.fields["noteContent"].begin(), note.fields["noteContent"].end(), ' ', '\n');
    const carvequality::Score s = score(CarveKind::notes, notes, broken);
    EXPECT_EQ(s.recovered, 120);
    // Told apart: the notes of a title alone still in the file, all of which came back.
    ASSERT_TRUE(s.habits.count("title alone"));
    EXPECT_GT(s.habits.at("title alone").recoverable, 0);
    EXPECT_LE(s.habits.at("title alone").recoverable, titleAlone);
    EXPECT_EQ(s.habits.at("title alone").recovered, s.habits.at("title alone").recoverable);

    const carvefix::NaturalRows messages = write(CarveKind::messages, Deletions::runAndScattered);
    const int longOnes = static_cast<int>(std::count_if(messages.deleted.begin(), messages.deleted.end(),
                                                        [](const auto& m) { return m.key.size() >= 3000; }));
    EXPECT_GT(longOnes, 3);
    EXPECT_LT(longOnes, 30);
    // None came back: none is counted as back.
    const carvequality::Score none = score(CarveKind::messages, messages, {});
    ASSERT_TRUE(none.habits.count("long message"));
    EXPECT_GT(none.habits.at("long message").recoverable, 0);
    EXPECT_LE(none.habits.at("long message").recoverable, longOnes);
    EXPECT_EQ(none.habits.at("long message").recovered, 0);
}

// Carved, a deleted row whose markers say it is gone from the file never comes back whole: long
// messages split over their overflow pages and notes of a title alone are looked for where they
// lie. Every page is looked through, and no record takes another's value.
TEST_F(PhoneHabits, NoRowComesBackThatItsMarkersSayIsGone) {
    for (const CarveKind kind : {CarveKind::calls, CarveKind::contacts, CarveKind::messages, CarveKind::notes,
                                 CarveKind::bookmarks, CarveKind::calendar})
        for (const int page : {1024, 4096}) {
            SCOPED_TRACE(std::string(carvefix::kindName(kind)) + " page " + std::to_string(page));
            carvefix::NaturalOptions options;
            options.pageSize = page;
            options.rows = 400;
            options.phoneHabits = true;
            const carvequality::Score s = carvequality::measure(kind, options, folder());
            EXPECT_EQ(s.deleted, 120);
            EXPECT_GT(s.recovered, 0);
            EXPECT_LE(s.recovered, s.recoverable);
            for (const auto& [habit, h] : s.habits) EXPECT_LE(h.recovered, h.recoverable) << habit;
            // No record carries a value its row never had; an edited row's earlier copy is known
            // by its number and time, its identifier, its values but the edited one (a renamed
            // contact's time made, a bookmark's or event's page), and is never listed as deleted.
            EXPECT_EQ(s.othersValues, 0);
            EXPECT_EQ(s.liveAsDeleted, 0);
            EXPECT_TRUE(s.coverage.complete()) << s.coverage.examined << " of " << s.coverage.pages << " pages";
        }
}

// Files of a phone of iOS 4 as carve-quality writes them by default: renamed contacts, read
// messages, renamed or moved bookmarks and events leave earlier copies of the rows, whose ids,
// tails and identifiers later cells took in part. None of them is listed as deleted, and the
// deleted rows still come back as they do today.
TEST_F(PhoneHabits, EarlierCopiesInALargerFileAreNoDeletedRows) {
    struct Case {
        CarveKind kind;
        int page;
        int recovered;  // of the 600 deleted rows, at least
        Deletions deletions = Deletions::runAndScattered;
    };
    for (const Case& c :
         {Case{CarveKind::contacts, 1024, 500}, Case{CarveKind::messages, 1024, 490},
          Case{CarveKind::messages, 4096, 510}, Case{CarveKind::bookmarks, 4096, 435},
          Case{CarveKind::bookmarks, 1024, 235, Deletions::overTime}, Case{CarveKind::calendar, 1024, 515}}) {
        SCOPED_TRACE(std::string(carvefix::kindName(c.kind)) + " page " + std::to_string(c.page) +
                     (c.deletions == Deletions::overTime ? " deleted over time" : ""));
        carvefix::NaturalOptions options;
        options.ios = Ios::v4;
        options.deletions = c.deletions;
        options.pageSize = c.page;
        options.rows = 2000;
        options.phoneHabits = true;
        const carvequality::Score s = carvequality::measure(c.kind, options, folder());
        EXPECT_EQ(s.deleted, 600);
        EXPECT_EQ(s.liveAsDeleted, 0);
        EXPECT_EQ(s.othersValues, 0);
        EXPECT_GE(s.recovered, c.recovered);
    }
}
