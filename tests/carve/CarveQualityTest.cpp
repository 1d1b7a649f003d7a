// The carvers on databases as phones leave them (real layouts, natural values, a run and
// scattered rows deleted), scored as tools/carve-quality scores them: never a live row reported
// as deleted, no wrong join and no garbage, and nearly all of the deleted rows whose bytes are
// still in the file come back.
#include "CarveQuality.h"
#include "CarveTestSupport.h"

#include <gtest/gtest.h>
#include <tuple>

using carvefix::CarveKind;
using iosschema::Ios;

class CarveQuality : public carvetest::CarveTest,
                     public ::testing::WithParamInterface<std::tuple<CarveKind, Ios, int>> {};

TEST_P(CarveQuality, DeletedRowsComeBackAndNothingElse) {
    const auto [kind, ios, page] = GetParam();
    carvefix::NaturalOptions options;
    options.ios = ios;
    options.pageSize = page;
    options.rows = 200;
    const carvequality::Score s = carvequality::measure(kind, options, folder());
    SCOPED_TRACE(std::string(carvefix::kindName(kind)) + " iOS " + std::to_string(static_cast<int>(ios)) + " page " +
                 std::to_string(page));
    EXPECT_EQ(s.deleted, 60);
    EXPECT_EQ(s.liveAsDeleted, 0);
    EXPECT_LT(s.share(s.wrongJoins), 1.0) << s.wrongJoins << " of " << s.reported;
    EXPECT_LT(s.share(s.garbage), 1.0) << s.garbage << " of " << s.reported;
    EXPECT_GE(s.recallOfRecoverable(), 95.0) << s.recovered << " of " << s.recoverable << " still in the file";
    EXPECT_LE(s.recovered, s.recoverable) << "a row counted as gone from the file came back: its marker is wrong";
}

INSTANTIATE_TEST_SUITE_P(KindsLayoutsAndPageSizes, CarveQuality,
                         ::testing::Combine(::testing::Values(CarveKind::calls, CarveKind::contacts,
                                                              CarveKind::messages, CarveKind::notes,
                                                              CarveKind::bookmarks, CarveKind::calendar),
                                            ::testing::Values(Ios::v4, Ios::v6), ::testing::Values(1024, 4096)));
