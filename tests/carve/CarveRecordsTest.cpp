// The record carver reads the runs of a large file's pages side by side: however many runs it
// takes, the rows it answers, their order and every field must be those of a single walk.
#include "CarveTestSupport.h"
#include "NaturalFixtures.h"
#include "backup/carve/CarveRecords.h"

using namespace carvetest;

namespace {

void expectSameRecords(const std::vector<carve::CarvedRecord>& want, const std::vector<carve::CarvedRecord>& got) {
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
        ASSERT_EQ(a.values.size(), b.values.size());
        for (size_t c = 0; c < a.values.size(); ++c) {
            EXPECT_EQ(a.values[c].type, b.values[c].type);
            EXPECT_EQ(a.values[c].asInteger(), b.values[c].asInteger());
            EXPECT_EQ(a.values[c].asReal(), b.values[c].asReal());
            EXPECT_EQ(a.values[c].bytesView(), b.values[c].bytesView());
        }
    }
}

}  // namespace

class CarveRecordsRuns : public CarveTest {};

TEST_F(CarveRecordsRuns, AnyNumberOfRunsGivesTheRowsOfOneWalk) {
    // Contacts in small pages: two tables, rows deleted in a run and here and there, enough
    // pages for several runs; the values table keeps its live rows' values.
    carvefix::NaturalOptions options;
    options.pageSize = 1024;
    options.rows = 6000;
    carvefix::writeNaturalDatabase(folder(), carvefix::CarveKind::contacts, options);
    const std::vector<carve::TableShape> shapes = {carve::shapeOf("ktttttttttitttttttrrttttitbttiiiti"),
                                                   carve::shapeOf("kIIiit", true)};
    auto carve = [&](int runs) {
        carve::CarveDatabase db;
        EXPECT_TRUE(db.openIn(folder(), {carvefix::backupFileName(carvefix::CarveKind::contacts)}, context));
        EXPECT_GT(db.pageCount(), 1000);
        return carve::carveRecords(db, shapes, runs);
    };
    const std::vector<carve::CarvedTable> single = carve(1);
    ASSERT_EQ(single.size(), 2u);
    EXPECT_GT(single[0].deleted.size(), 1000u);
    EXPECT_GT(single[1].live.size(), 5000u);
    for (int runs : {2, 7}) {
        const std::vector<carve::CarvedTable> split = carve(runs);
        ASSERT_EQ(split.size(), single.size());
        for (size_t t = 0; t < single.size(); ++t) {
            SCOPED_TRACE("runs " + std::to_string(runs) + ", table " + std::to_string(t));
            expectSameRecords(single[t].live, split[t].live);
            expectSameRecords(single[t].deleted, split[t].deleted);
        }
    }
}
