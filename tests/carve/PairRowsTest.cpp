// Rows of two tables that name each other (an event and its place, a note and its body) are
// paired only where the row ids allow no other pairing, from either side, and never by guess.
#include "TestShapes.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/CarvedRowid.h"
#include "backup/carve/DeletedNotes.h"
#include "backup/carve/PairRows.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <gtest/gtest.h>
#include <random>

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
    // Kept for the whole run: the rows only view their values.
    static std::deque<CarvedValue> kept;
    CarvedValue& v = kept.emplace_back();
    v.type = CarvedValue::integerValue;
    v.integer = names;
    r.values = {&v, 1};
    return r;
}

std::vector<const CarvedRecord*> pointersTo(const std::vector<CarvedRecord>& rows) {
    std::vector<const CarvedRecord*> pointers;
    for (const auto& x : rows) pointers.push_back(&x);
    return pointers;
}

// Rows whose texts, where they have any, always agree: the row ids alone decide.
bool anyTexts(size_t, size_t) { return true; }

std::vector<int> pairRows(const std::vector<const CarvedRecord*>& left, const std::vector<const CarvedRecord*>& right) {
    return carve::pairRows(left, carvetest::namedIn(left, 0), right, carvetest::namedIn(right, 0), anyTexts);
}

std::vector<int> pair(const std::vector<CarvedRecord>& left, const std::vector<CarvedRecord>& right) {
    return pairRows(pointersTo(left), pointersTo(right));
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

TEST(PairRows, NoGuessWhereTheRowIdsLeaveMoreThanOnePairing) {
    // Either place, whose ids are lost and unbounded, can be the event's.
    EXPECT_EQ(pair({row(0, 51)}, {row(0, 84), row(0, 90)}), (std::vector<int>{-1}));
    // Two events name the two ids between places 50 and 53, whose own ids are lost: either
    // pairing fits, and the order the rows were written in is no proof of one.
    EXPECT_EQ(pair({row(0, 52), row(0, 51)}, {row(0, 84, 50, 53), row(0, 85, 50, 53)}), (std::vector<int>{-1, -1}));
}

namespace {

// The pairing done the plain way: every right row weighed against every left row, every list
// cleared of the rows taken at every step.
std::vector<int> plainPairs(const std::vector<const CarvedRecord*>& left,
                            const std::vector<const CarvedRecord*>& right) {
    std::vector<std::vector<int>> candidates(left.size());
    for (size_t a = 0; a < left.size(); ++a) {
        const CarvedRecord& l = *left[a];
        const int64_t named = l.values[0].asInteger();
        const int64_t lowest = l.rowidKnown ? l.rowid : std::max<int64_t>(l.rowidBefore, 0) + 1;
        const int64_t highest = l.rowidKnown ? l.rowid : l.rowidAfter == 0 ? INT64_MAX : l.rowidAfter - 1;
        for (size_t b = 0; b < right.size(); ++b) {
            const int64_t ref = right[b]->values[0].asInteger();
            if (admitsRowid(*right[b], named) && ref >= lowest && ref <= highest)
                candidates[a].push_back(static_cast<int>(b));
        }
    }
    std::vector<int> partner(left.size(), -1);
    std::vector<bool> taken(right.size(), false);
    auto clear = [&](size_t a) { std::erase_if(candidates[a], [&](int b) { return taken[static_cast<size_t>(b)]; }); };
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t a = 0; a < left.size(); ++a) {
            if (partner[a] >= 0) continue;
            clear(a);
            if (candidates[a].size() != 1) continue;
            partner[a] = candidates[a].front();
            taken[static_cast<size_t>(partner[a])] = true;
            changed = true;
        }
        std::vector<int> wanting(right.size(), 0), wanter(right.size(), -1);
        for (size_t a = 0; a < left.size(); ++a) {
            if (partner[a] >= 0) continue;
            clear(a);
            for (int b : candidates[a]) {
                ++wanting[static_cast<size_t>(b)];
                wanter[static_cast<size_t>(b)] = static_cast<int>(a);
            }
        }
        for (size_t b = 0; b < right.size(); ++b) {
            const CarvedRecord& r = *right[b];
            const bool pinned = r.rowidKnown || (r.rowidBefore > 0 && r.rowidAfter == r.rowidBefore + 2);
            if (!pinned || wanting[b] != 1 || partner[static_cast<size_t>(wanter[b])] >= 0) continue;
            partner[static_cast<size_t>(wanter[b])] = static_cast<int>(b);
            taken[b] = true;
            changed = true;
        }
    }
    return partner;
}

// A row of any of the kinds a carve finds: its id read, or lost between close or far
// neighbours, after none, before none, or with none at all.
CarvedRecord anyRow(std::mt19937& random, int64_t ids) {
    auto id = [&] { return std::uniform_int_distribution<int64_t>(1, ids)(random); };
    const int64_t at = id();
    switch (std::uniform_int_distribution<int>(0, 5)(random)) {
    case 0: return row(at, id());
    case 1: return row(0, id(), at, at + 2);
    case 2: return row(0, id(), at, at + std::uniform_int_distribution<int64_t>(3, 70)(random));
    case 3: return row(0, id(), 0, at);
    case 4: return row(0, id(), at, 0);
    default: return row(0, id());
    }
}

}  // namespace

TEST(PairRows, ManyRowsPairAsWhenEveryRowIsWeighedAgainstEveryOther) {
    // Rows open to hundreds of partners among rows that pair, from either side, as the plain
    // pairing pairs them.
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        const int64_t ids = seed % 2 ? 150 : 600;
        std::vector<CarvedRecord> left, right;
        for (int i = 0; i < 600; ++i) left.push_back(anyRow(random, ids));
        for (int i = 0; i < 1500; ++i) right.push_back(anyRow(random, ids));
        const std::vector<const CarvedRecord*> l = pointersTo(left), r = pointersTo(right);
        const std::vector<int> expected = plainPairs(l, r);
        EXPECT_EQ(pairRows(l, r), expected) << "seed " << seed;
        EXPECT_GT(std::count_if(expected.begin(), expected.end(), [](int b) { return b >= 0; }), 0) << "seed " << seed;
    }
}

TEST(PairRows, ARowOpenToManyPartnersTakesTheLastOnesTheOthersLeave) {
    // Events 1..100 each name place 500 and are named by one place each; the events whose ids
    // are lost admit every place, until the others have taken theirs: one takes the place left,
    // two are left apart.
    for (int open : {1, 2}) {
        std::vector<CarvedRecord> left, right;
        for (int k = 0; k < open; ++k) left.push_back(row(0, 500 + k));
        for (int i = 1; i <= 100; ++i) left.push_back(row(i, 500));
        for (int i = 1; i <= 100 + open; ++i) right.push_back(row(0, i, 0, 1000));
        const std::vector<const CarvedRecord*> l = pointersTo(left), r = pointersTo(right);
        const std::vector<int> paired = pairRows(l, r);
        EXPECT_EQ(paired, plainPairs(l, r));
        for (int k = 0; k < open; ++k) EXPECT_EQ(paired[static_cast<size_t>(k)], open == 1 ? 100 : -1);
    }
}

TEST(PairRows, APairMadeByARowOpenToManyLeavesTheNextRowOne) {
    // The event whose id is lost takes place 101 once events 1..100 took theirs; the event
    // after it, open to places 101 and 102 only, is left place 102.
    std::vector<CarvedRecord> left{row(0, 500)}, right;
    for (int i = 1; i <= 100; ++i) left.push_back(row(i, 500));
    left.push_back(row(0, 600, 100, 102));
    for (int i = 1; i <= 101; ++i) right.push_back(row(0, i, 0, 1000));
    right.push_back(row(0, 101, 550, 0));
    const std::vector<const CarvedRecord*> l = pointersTo(left), r = pointersTo(right);
    const std::vector<int> paired = pairRows(l, r);
    EXPECT_EQ(paired, plainPairs(l, r));
    EXPECT_EQ(paired.front(), 100);
    EXPECT_EQ(paired.back(), 101);
}

TEST(PairRows, ARowOpenToManyWaitsWhileOthersTakeRowsItDoesNotAdmit) {
    // Events 300..399 take their places first, none of them among the hundred the event whose id
    // is lost (below 200) admits; it pairs only once events 1..99 have taken theirs, and its
    // pair leaves the event after it (id 100, open to two places) the other one.
    std::vector<CarvedRecord> left, right;
    for (int i = 300; i <= 399; ++i) left.push_back(row(i, 500));
    left.push_back(row(0, 500, 0, 200));
    left.push_back(row(0, 600, 99, 101));
    for (int i = 1; i <= 99; ++i) left.push_back(row(i, 500));
    for (int i = 1; i <= 100; ++i) right.push_back(row(0, i, 0, 1000));
    for (int i = 300; i <= 399; ++i) right.push_back(row(0, i, 0, 1000));
    right.push_back(row(0, 100, 550, 0));
    const std::vector<const CarvedRecord*> l = pointersTo(left), r = pointersTo(right);
    const std::vector<int> paired = pairRows(l, r);
    EXPECT_EQ(paired, plainPairs(l, r));
    EXPECT_EQ(paired[100], 99);
    EXPECT_EQ(paired[101], 200);
}

// A deleted note whose id was lost, beside a body that names a live note (that note's earlier
// version) and would fit it by the ids alone: the deleted note never takes that body, nor the
// live note's id with it, and is listed with its title alone; the body lists nothing. In both
// layouts: a note that names its body, and the older one whose bodies alone name their notes.
TEST(DeletedNotes, ADeletedNoteNeverTakesALiveNotesBody) {
    for (const bool notesNameBodies : {true, false}) {
        SCOPED_TRACE(notesNameBodies ? "notes name bodies" : "bodies name notes");
        const CarvedRecord title = row(0, 500, 90, 0), body = row(500, 100);
        NoteRows rows;
        rows.notesNameBodies = notesNameBodies;
        rows.notes.push_back({&title, notesNameBodies ? 500 : 0, 1.0, "", ""});
        rows.bodies.push_back({&body, 100, "<div>groceries</div>", false});
        rows.liveNoteIds = {100};
        const std::vector<DeletedNote> listed = deletedNotes(rows);
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].note, 0);
        EXPECT_EQ(listed[0].body, -1);
        EXPECT_NE(listed[0].id, 100);
    }
}

// A deleted note whose id was lost, beside bodies whose ids were lost too: the ids allow each, and
// notes that begin alike for a few words take only the body whose start holds the note's whole
// summary. Where its own body is gone, another that begins alike is not its own.
TEST(DeletedNotes, ANoteTakesOnlyTheBodyThatHoldsItsWholeSummary) {
    const CarvedRecord title = row(0, 500, 90, 0), own = row(0, 100, 490, 0), other = row(0, 200, 490, 0);
    for (const bool ownLeft : {true, false}) {
        SCOPED_TRACE(ownLeft ? "its own body left" : "its own body gone");
        NoteRows rows;
        rows.notes.push_back({&title, 500, 1.0, "Meeting with the bank about the loan 318657 bring", ""});
        rows.bodies.push_back(
            {&other, 200, "<div>Meeting with the bank about the loan 400167</div><div>bring</div>", false});
        if (ownLeft)
            rows.bodies.push_back(
                {&own, 100, "<div>Meeting with the bank about the loan 318657</div><div>bring</div>", false});
        const std::vector<DeletedNote> listed = deletedNotes(rows);
        ASSERT_FALSE(listed.empty());
        EXPECT_EQ(listed[0].note, 0);
        EXPECT_EQ(listed[0].body, ownLeft ? 1 : -1);
    }
}
