// carve-quality tells which deleted rows are still in a file by their markers, all looked for in
// one pass: it must answer as a search for each marker on its own would, a row's number followed
// by another digit being another row's, and a stretch of a long value split at a page's end
// still counting as there.
#include "MarkerSearch.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using carvequality::MarkerText;

TEST(MarkerSearch, FindsWhatASearchForEachFinds) {
    // Bytes of many rows' texts, most of them sharing their first bytes, as numbers and
    // addresses do.
    std::string bytes;
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) {
        texts.push_back("+1555" + std::to_string(1000000 + i * 7) + " dinner " + std::to_string(i));
        if (i % 3 != 0) bytes += texts.back() + (i % 5 == 0 ? "7" : "|") + std::string(1, static_cast<char>(i));
    }
    // Short ones too (a place's name and its row's number), many sharing their first bytes, one
    // at the very end.
    std::vector<std::string> shortTexts;
    for (int i = 0; i < 300; ++i) {
        shortTexts.push_back("café" + std::to_string(i));
        if (i % 4 != 0) bytes += shortTexts.back() + (i % 7 == 0 ? "1" : "|");
    }
    bytes += std::string("\0\0\x01", 3) + "short 4|" + "tail";
    std::vector<MarkerText> markers;
    for (const std::string& text : texts) markers.push_back({text, true});
    markers.push_back({"short 4", true});        // shorter than what the pass looks for at once
    markers.push_back({"short 5", true});        // nowhere
    markers.push_back({"+15551000007", false});  // inside a longer text: found, being no row's number
    markers.push_back({"", false});              // no marker: the row counts as there
    for (const std::string& text : shortTexts) markers.push_back({text, true});
    markers.push_back({"tail", false});
    markers.push_back({"ai", false});

    const std::vector<bool> found = carvequality::markersFound(bytes, markers);
    ASSERT_EQ(found.size(), markers.size());
    size_t present = 0;
    for (size_t m = 0; m < markers.size(); ++m) {
        const bool alone =
            markers[m].text.empty() || carvequality::findMarker(bytes, markers[m]) != std::string_view::npos;
        EXPECT_EQ(found[m], alone) << markers[m].text;
        present += found[m];
    }
    // Rows 1, 2, 4, 5... are there, but those followed by a digit (every fifth) are not.
    EXPECT_FALSE(found[5]);
    EXPECT_TRUE(found[7]);
    EXPECT_FALSE(found[0]);
    EXPECT_TRUE(found[3000]);
    EXPECT_FALSE(found[3001]);
    EXPECT_TRUE(found[3002]);
    EXPECT_TRUE(found[3003]);
    EXPECT_GT(present, 1000u);
    EXPECT_TRUE(found[markers.size() - 2]);
}

TEST(MarkerSearch, AStretchOfALongValueMayLieSplitAtAPageEnd) {
    const std::string stretch = "garden rain tennis soon piano school weekend museum budget #17";
    // The value runs to a page's end, and goes on four bytes into another page.
    const std::string bytes = "....." + stretch.substr(0, 30) + std::string("\0\0\0\x07", 4) + "xxxx" + "...." +
                              std::string("\0\0\0\0", 4) + stretch.substr(30) + "|.....";
    const std::vector<bool> found = carvequality::markersFound(
        bytes,
        {{stretch, false, true}, {stretch, false, false}, {"garden rain tennis soon piano museum ##", false, true}});
    EXPECT_TRUE(found[0]);
    EXPECT_FALSE(found[1]) << "only a stretch of a long value may be split";
    EXPECT_FALSE(found[2]) << "a stretch whose second part is nowhere";

    // A page may end a gram after the stretch starts or a gram before it ends; a start and an end
    // that both lie in the file but leave bytes of the stretch between them are no split of it.
    const std::string early = "weekend 😀 office keys parcel ticket school soon café doctor #4211";
    const std::string late = "invoice rain flight beach museum garden piano office budget #9907";
    const std::string apart = "bakery dinner tennis coffee Grüße meeting train tomorrow keys #5123";
    const std::string page = std::string("\0\0\0\x09", 4);
    const std::string file = "..." + early.substr(0, 8) + page + early.substr(8) + "|.." +
                             late.substr(0, late.size() - 8) + page + late.substr(late.size() - 8) + "|.." +
                             apart.substr(0, 24) + page + "xx" + apart.substr(30) + "|" + early.substr(0, 8) + "1" +
                             late.substr(0, 7);
    const std::vector<bool> atEnds = carvequality::markersFound(
        file, {{early, true, true}, {late, true, true}, {apart, true, true}, {late + "0", true, true}});
    EXPECT_TRUE(atEnds[0]) << "split a gram after its start";
    EXPECT_TRUE(atEnds[1]) << "split a gram before its end";
    EXPECT_FALSE(atEnds[2]) << "six bytes between its start and its end are nowhere";
    EXPECT_FALSE(atEnds[3]) << "its last gram is nowhere";
}
