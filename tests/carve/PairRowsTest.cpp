// Rows of two tables that name each other (an event and its place, a note and its body) are
// paired only where the row ids allow no other pairing, from either side.
#include "backup/carve/CarveRecords.h"

#include <gtest/gtest.h>

using namespace carve;

namespace {

// A row whose column 0 names its partner; id 0 stands for a row id that was lost, bounded by the
// whole rows around it (0 for none).
CarvedRecord row(int64_t id, int64_t names, int64_t before = 0, int64_t after = 0) {
    CarvedRecord r;
    r.rowid = id;
    r.rowidKnown = id > 0;
    r.rowidBefore = before;
    r.rowidAfter = after;
    CarvedValue v;
    v.type = CarvedValue::integerValue;
    v.integer = names;
    r.values.push_back(v);
    return r;
}

std::vector<int> pair(const std::vector<CarvedRecord>& left, const std::vector<CarvedRecord>& right) {
    std::vector<const CarvedRecord*> l, r;
    for (const auto& x : left) l.push_back(&x);
    for (const auto& x : right) r.push_back(&x);
    return pairRows(l, 0, r, 0);
}

}  // namespace

TEST(PairRows, RowsWithReadIdsPairWithTheRowsTheyName) {
    EXPECT_EQ(pair({row(10, 51), row(11, 52)}, {row(52, 11), row(51, 10)}), (std::vector<int>{1, 0}));
    // A partner that names another row is none.
    EXPECT_EQ(pair({row(10, 51)}, {row(51, 12)}), (std::vector<int>{-1}));
}

TEST(PairRows, ARowWhoseIdIsLostTakesThePartnerWhoseCertainIdItNames) {
    // The event lost its id and nothing bounds it, so every place naming an event is open to
    // it, the two whose ids are lost too among them; but place 51 is certain (read, or the one id
    // its neighbours leave) and only this event names it.
    EXPECT_EQ(pair({row(0, 51)}, {row(0, 90), row(51, 84), row(0, 91)}), (std::vector<int>{1}));
    EXPECT_EQ(pair({row(0, 51)}, {row(0, 90), row(0, 84, 50, 52), row(0, 91)}), (std::vector<int>{1}));
}

TEST(PairRows, RowsSharingTheirBoundsPairInTheOrderOfTheIdsTheyName) {
    // Two events name the two ids between places 50 and 53, whose own ids are lost: they were
    // written one after another, each with its place.
    EXPECT_EQ(pair({row(0, 52), row(0, 51)}, {row(0, 84, 50, 53), row(0, 85, 50, 53)}), (std::vector<int>{1, 0}));
}

TEST(PairRows, NoGuessWhereTheRowIdsLeaveMoreThanOnePairing) {
    // Either place, whose ids are lost and unbounded, can be the event's.
    EXPECT_EQ(pair({row(0, 51)}, {row(0, 84), row(0, 90)}), (std::vector<int>{-1}));
}
