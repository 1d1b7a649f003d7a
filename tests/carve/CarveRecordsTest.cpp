// The record carver reads the runs of a large file's pages side by side: however many runs it
// takes, the rows it answers, their order and every field must be those of a single walk. What a
// shape leaves out of the answer (values of later columns, live rows) still decides which rows
// are found, but for old rows whose tail, past the columns kept, was written over.
#include "CarveTestSupport.h"
#include "NaturalFixtures.h"
#include "TestShapes.h"
#include "backup/carve/CarveRecords.h"

#include <algorithm>
#include <array>
#include <cstdint>

using namespace carvetest;

namespace {

// The rows of want and got are the same, their values up to column kept (got keeps no more).
void expectSameRecords(std::span<const carve::CarvedRecord> want, std::span<const carve::CarvedRecord> got,
                       size_t kept = SIZE_MAX) {
    ASSERT_EQ(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const carve::CarvedRecord& a = want[i];
        const carve::CarvedRecord& b = got[i];
        ASSERT_EQ(a.position, b.position) << "row " << i;
        EXPECT_EQ(a.page, b.page);
        EXPECT_EQ(a.rowid, b.rowid);
        EXPECT_EQ(a.rowidKnown, b.rowidKnown);
        EXPECT_EQ(a.rowidBefore, b.rowidBefore);
        EXPECT_EQ(a.rowidAfter, b.rowidAfter);
        ASSERT_EQ(std::min(a.values.size(), kept), b.values.size());
        for (size_t c = 0; c < b.values.size(); ++c) {
            EXPECT_EQ(a.values[c].type, b.values[c].type);
            EXPECT_EQ(a.values[c].asInteger(), b.values[c].asInteger());
            EXPECT_EQ(a.values[c].asReal(), b.values[c].asReal());
            EXPECT_EQ(a.values[c].bytesView(), b.values[c].bytesView());
        }
    }
}

// The rows of rows at the places of those of at (in their order).
std::vector<carve::CarvedRecord> rowsAt(std::span<const carve::CarvedRecord> rows,
                                        std::span<const carve::CarvedRecord> at) {
    std::vector<carve::CarvedRecord> kept;
    size_t i = 0;
    for (const carve::CarvedRecord& r : rows)
        if (i < at.size() && r.position == at[i].position) {
            kept.push_back(r);
            ++i;
        }
    return kept;
}

}  // namespace

class CarveRecordsRuns : public CarveTest {
protected:
    // Contacts in small pages: two tables, rows deleted in a run and here and there, enough
    // pages for several runs.
    void writeContacts() {
        carvefix::NaturalOptions options;
        options.pageSize = 1024;
        options.rows = 6000;
        carvefix::writeNaturalDatabase(folder(), carvefix::CarveKind::contacts, options);
    }

    std::vector<carve::CarvedTable> carve(const std::vector<carve::TableShape>& shapes, int runs) {
        carve::CarveDatabase db;
        EXPECT_TRUE(db.openIn(folder(), {carvefix::backupFileName(carvefix::CarveKind::contacts)}, context));
        EXPECT_GT(db.imageCount(), 1000);
        return carve::carveRecords(db, shapes, runs);
    }
};

TEST_F(CarveRecordsRuns, AnyNumberOfRunsGivesTheRowsOfOneWalk) {
    // The persons' live rows come without their values, the values' with theirs.
    writeContacts();
    const std::vector<carve::TableShape> shapes = {
        carvetest::shapeOf("ktttttttttitttttttrrttttitbttiiiti", carve::LiveRows::places),
        carvetest::shapeOf("kIIiit", carve::LiveRows::values)};
    const std::vector<carve::CarvedTable> single = carve(shapes, 1);
    ASSERT_EQ(single.size(), 2u);
    EXPECT_GT(single[0].deleted.size(), 1000u);
    EXPECT_GT(single[0].live.size(), 1000u);
    EXPECT_GT(single[1].live.size(), 5000u);
    for (int runs : {2, 7}) {
        const std::vector<carve::CarvedTable> split = carve(shapes, runs);
        ASSERT_EQ(split.size(), single.size());
        for (size_t t = 0; t < single.size(); ++t) {
            SCOPED_TRACE("runs " + std::to_string(runs) + ", table " + std::to_string(t));
            expectSameRecords(single[t].live, split[t].live);
            expectSameRecords(single[t].deleted, split[t].deleted);
        }
    }
}

TEST_F(CarveRecordsRuns, WhatATableLeavesOutChangesNoRowFound) {
    // Columns after the kept ones are still checked and still tell rows apart, and live rows not
    // answered still hide their stale copies: the same rows come back, with the kept values only.
    writeContacts();
    const std::vector<carve::CarvedTable> whole =
        carve({carvetest::shapeOf("ktttttttttitttttttrrttttitbttiiiti", carve::LiveRows::places),
               carvetest::shapeOf("kIIiit", carve::LiveRows::values)},
              3);
    const std::vector<carve::CarvedTable> cut = carve({carvetest::shapeOf("ktt|tttttttitttttttrrttttitbttiiiti"),
                                                       carvetest::shapeOf("kII|iit", carve::LiveRows::values)},
                                                      3);
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_GT(cut[0].deleted.size(), 1000u);
    EXPECT_GT(whole[0].live.size(), 1000u);
    EXPECT_TRUE(cut[0].live.empty());
    // A table that keeps fewer columns may also take an old row whose tail, past what it keeps,
    // the cells written since took: a few more rows, never other ones.
    expectSameRecords(whole[0].deleted, rowsAt(cut[0].deleted, whole[0].deleted), 3);
    EXPECT_LT(cut[0].deleted.size() - whole[0].deleted.size(), whole[0].deleted.size() / 100);
    expectSameRecords(whole[1].live, cut[1].live, 3);
    expectSameRecords(whole[1].deleted, rowsAt(cut[1].deleted, whole[1].deleted), 3);
    EXPECT_LT(cut[1].deleted.size() - whole[1].deleted.size(), whole[1].deleted.size() / 100 + 1);

    // Kept columns left unstored, and a later column (when the person was made) kept too, for
    // the live rows alone with their ids: the same rows, each with the values it stores, in order.
    const std::vector<carve::CarvedTable> few =
        carve({carvetest::shapeOf("k-ttt-|ttttttitttttttr+rttttitbttiiiti", carve::LiveRows::alsoKept),
               carvetest::shapeOf("kII|iit", carve::LiveRows::values)},
              3);
    ASSERT_EQ(few[0].deleted.size(), cut[0].deleted.size());
    for (size_t i = 0; i < cut[0].deleted.size(); ++i) {
        const carve::CarvedRecord& a = cut[0].deleted[i];
        const carve::CarvedRecord& b = few[0].deleted[i];
        ASSERT_EQ(a.position, b.position);
        EXPECT_EQ(a.rowid, b.rowid);
        ASSERT_EQ(b.values.size(), 3u);  // columns 1 and 2, then when made
        EXPECT_EQ(a.values[1].bytesView(), b.values[0].bytesView());
        EXPECT_EQ(a.values[2].bytesView(), b.values[1].bytesView());
    }
    EXPECT_TRUE(few[0].live.empty());
    ASSERT_EQ(few[0].liveKept.size(), whole[0].live.size());
    size_t timed = 0;
    for (size_t i = 0; i < whole[0].live.size(); ++i) {
        EXPECT_EQ(few[0].liveKept[i].rowid, whole[0].live[i].rowid);
        ASSERT_EQ(few[0].liveKept[i].values.size(), 1u);
        timed += few[0].liveKept[i].values[0].type == carve::CarvedValue::realValue ||
                 few[0].liveKept[i].values[0].type == carve::CarvedValue::integerValue;
    }
    EXPECT_GT(timed, whole[0].live.size() / 2);
}

TEST_F(CarveRecordsRuns, LiveRowsDigestedAsReadAreTheRowsTheirValuesWouldGive) {
    // A shape that digests its live rows gets, for each live row in the order of one walk, what
    // its digest made of the row's values (here: the row's values summed up), however many runs
    // read the pages; the live rows themselves and their values are not kept, and the deleted
    // rows are the same.
    writeContacts();
    const std::vector<carve::TableShape> kept = {
        carvetest::shapeOf("ktttttttttitttttttrrttttitbttiiiti", carve::LiveRows::values),
        carvetest::shapeOf("kIIiit", carve::LiveRows::values)};
    const std::vector<carve::CarvedTable> whole = carve(kept, 1);
    ASSERT_GT(whole[0].live.size(), 1000u);
    // The values' lengths and numbers, in one word; how many values, in another.
    auto sum = [](std::span<const carve::CarvedValue> values, std::array<uint64_t, 7>& words) {
        for (const carve::CarvedValue& v : values)
            words[0] = words[0] * 31 + v.bytesView().size() + static_cast<uint64_t>(v.asInteger());
        words[1] = values.size();
    };
    std::vector<carve::TableShape> digesting = kept;
    digesting[0].live = carve::LiveRows::digest;
    digesting[0].digest = [&](const carve::CarvedRecord& row, carve::LiveDigest& d) { sum(row.values, d.words); };
    for (int runs : {1, 7}) {
        SCOPED_TRACE("runs " + std::to_string(runs));
        const std::vector<carve::CarvedTable> digested = carve(digesting, runs);
        EXPECT_TRUE(digested[0].live.empty());
        ASSERT_EQ(digested[0].digests.size(), whole[0].live.size());
        for (size_t i = 0; i < whole[0].live.size(); ++i) {
            std::array<uint64_t, 7> want{};
            sum(whole[0].live[i].values, want);
            ASSERT_EQ(digested[0].digests[i].rowid, whole[0].live[i].rowid) << "row " << i;
            EXPECT_EQ(digested[0].digests[i].words, want) << "row " << i;
        }
        expectSameRecords(whole[0].deleted, digested[0].deleted);
        expectSameRecords(whole[1].live, digested[1].live);
        expectSameRecords(whole[1].deleted, digested[1].deleted);
    }
}
