// The check of a record's texts: a text that is not whole UTF-8 (or holds a NUL) is no row's,
// and neither is one a carver reads that holds control bytes other than tabs and line breaks,
// wherever in the text the odd byte lies; equal texts sign alike and different ones do not.
#include "TestShapes.h"
#include "backup/carve/RecordValues.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Checks a record of the row id's NULL, then text in a kept column ("kt|t") or in one past them.
bool accepted(const std::string& text, bool kept, carve::Signatures* out = nullptr) {
    static const carve::TableShape shape = carvetest::shapeOf("kt|t");
    const uint64_t serial = 13 + 2 * text.size();
    const std::vector<uint64_t> serials =
        kept ? std::vector<uint64_t>{0, serial, 13} : std::vector<uint64_t>{0, 13, serial};
    carve::Signatures signatures;
    const bool sound = carve::checkValues(shape, serials, text, 0, signatures);
    if (out) *out = signatures;
    return sound;
}

TEST(RecordValues, TakesWholeTextsAndRejectsBrokenOnesWhereverTheOddByteLies) {
    struct Case {
        std::string odd;   // put into a text of plain letters
        bool whole;        // whole UTF-8 without a NUL
        bool controlFree;  // no control byte other than a tab or a line break
    };
    const std::vector<Case> cases = {
        {"a", true, true},
        {"\t", true, true},
        {"\n", true, true},
        {"\r\n", true, true},
        {"\xc3\xa9", true, true},          // é
        {"\xe2\x82\xac", true, true},      // €
        {"\xf0\x9f\x98\x80", true, true},  // an emoji, four bytes
        {std::string(1, '\0'), false, false},
        {"\x01", true, false},
        {"\x1f", true, false},
        {"\x7f", true, false},
        {"\xc3", false, true},              // a character cut short
        {"\xa9", false, true},              // a continuation byte alone
        {"\xc0\xaf", false, true},          // overlong
        {"\xed\xa0\x80", false, true},      // a surrogate
        {"\xf4\x90\x80\x80", false, true},  // past U+10FFFF
        {"\xff", false, true},
    };
    for (const Case& c : cases)
        for (size_t at = 0; at <= 17; ++at)
            for (size_t after : {size_t{0}, size_t{1}, size_t{8}}) {
                const std::string text = std::string(at, 'x') + c.odd + std::string(after, 'y');
                SCOPED_TRACE(::testing::PrintToString(text));
                EXPECT_EQ(accepted(text, false), c.whole);
                EXPECT_EQ(accepted(text, true), c.whole && c.controlFree);
            }
    EXPECT_TRUE(accepted("", true));
}

TEST(RecordValues, SignsEqualTextsAlikeAndDifferentOnesApart) {
    const std::vector<std::string> texts = {"",
                                            "Anna",
                                            "Anna ",
                                            "exactly8",
                                            "exactly8\t",
                                            "Ren\xc3\xa9"
                                            "e Dupont-Lef\xc3\xa8vre",
                                            "a longer name of several words, thirty-odd"};
    for (bool kept : {true, false}) {
        std::vector<uint64_t> seen;
        for (const std::string& text : texts) {
            carve::Signatures first, again;
            ASSERT_TRUE(accepted(text, kept, &first));
            ASSERT_TRUE(accepted(std::string(text), kept, &again));
            EXPECT_EQ(first.all, again.all);
            for (uint64_t earlier : seen) EXPECT_NE(first.all, earlier) << text;
            seen.push_back(first.all);
        }
    }
}

// A row whose overflow chain broke inside a long text of its identity: the start it keeps tells
// it from the live rows only where it holds as many bytes as their keys by their starts do; one
// shorter could be the stale copy of any live row that begins alike, and is no row.
TEST(RecordValues, ALongIdentityTextCutWithItsChainTellsTheRowOnlyByAWholeStart) {
    static const carve::TableShape shape = carvetest::shapeOf("kt^i^t^/|");
    const std::string address = "+15550100", text(3000, 'w');
    std::string body = address;
    body += std::string{0x12, 0x34, 0x56, 0x78};
    body += text;
    const std::vector<uint64_t> serials = {0, 13 + 2 * address.size(), 4, 13 + 2 * text.size()};
    const size_t textAt = address.size() + 4;
    for (size_t kept : {size_t{0}, size_t{8}, carve::kIdentityStart - 1, carve::kIdentityStart, size_t{500}}) {
        SCOPED_TRACE(kept);
        carve::Signatures signatures;
        const bool sound =
            carve::checkValues(shape, serials, body, 0, signatures, SIZE_MAX, false, nullptr, textAt + kept);
        EXPECT_EQ(sound, kept >= carve::kIdentityStart);
        if (sound) {
            EXPECT_NE(signatures.identity, 0u);
        }
    }
}

}  // namespace
