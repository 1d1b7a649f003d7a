// The check of a record's texts: a text that is not whole UTF-8 (or holds a NUL) is no row's,
// and neither is one a carver reads that holds control bytes other than tabs and line breaks,
// wherever in the text the odd byte lies; equal texts sign alike and different ones do not.
#include "TestShapes.h"
#include "backup/carve/RecordValues.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
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

// A row's values as its body holds them: a serial type each, and the bytes after one another.
struct Body {
    std::vector<uint64_t> serials;
    std::string bytes;
    Body& null() {
        serials.push_back(0);
        return *this;
    }
    Body& integer(int64_t v, int size) {
        static const uint64_t kSerialOfSize[] = {0, 1, 2, 3, 4, 0, 5, 0, 6};
        serials.push_back(kSerialOfSize[size]);
        for (int k = size - 1; k >= 0; --k) bytes.push_back(static_cast<char>(static_cast<uint64_t>(v) >> (8 * k)));
        return *this;
    }
    Body& real(uint64_t bits) {
        serials.push_back(7);
        for (int k = 7; k >= 0; --k) bytes.push_back(static_cast<char>(bits >> (8 * k)));
        return *this;
    }
    Body& text(const std::string& t) {
        serials.push_back(13 + 2 * t.size());
        bytes += t;
        return *this;
    }
    Body& blob(const std::string& b) {
        serials.push_back(12 + 2 * b.size());
        bytes += b;
        return *this;
    }
};

TEST(RecordValues, SignsAWholeRowAlikeHoweverItIsRead) {
    // The row id, a text of the identity, the unique text, a number of the identity and a real,
    // all kept; then a text and a blob checked but not kept.
    const carve::TableShape shape = carvetest::shapeOf("kt^t!i^r|tb");
    const std::string longName =
        "Ren\xc3\xa9"
        "e Dupont-Lef\xc3\xa8vre of a name past thirty-two bytes";
    const std::string identifier = "5F0C2A1E-93B7-4C1D-A0E2-7B3D9F6A1C24";
    std::vector<Body> rows;
    rows.push_back(
        Body().null().text("Anna").text(identifier).integer(7, 1).real(0x41d4c6a0e0000000).text("x").blob("\x01\x02"));
    rows.push_back(Body().null().text(longName).text(identifier).integer(-300, 2).null().text("note\tline").null());
    rows.push_back(Body().null().null().null().null().null().null().null());
    rows.push_back(Body().null().text("").text("").integer(1 << 20, 3).real(0).text("exactly8").blob(""));
    rows.push_back(
        Body().null().text("exactly8").null().integer(int64_t{1} << 40, 6).null().text("\xe2\x82\xac").blob("b"));
    rows.push_back(Body().null().text(std::string(40, 'z')).text("short").integer(-1, 8).null().null().null());
    for (const Body& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.bytes));
        // Strict reading of a whole row, and the reading that weighs a lost tail at each column:
        // nothing of such a row is lost, so the two agree in every part.
        carve::Signatures strict, weighed;
        bool lostStrict = false, lostWeighed = false;
        ASSERT_TRUE(carve::checkValues(shape, row.serials, row.bytes, 0, strict, SIZE_MAX, false, &lostStrict));
        ASSERT_TRUE(carve::checkValues(shape, row.serials, row.bytes, 0, weighed, SIZE_MAX, true, &lostWeighed));
        auto parts = [](const carve::Signatures& g) {
            return std::tuple(g.all, g.kept, g.unique, g.identity, g.identityStart, g.uniqueStart, g.keptEnd, g.ownEnd);
        };
        EXPECT_EQ(parts(strict), parts(weighed));
        EXPECT_FALSE(strict.chainCut || weighed.chainCut || lostStrict || lostWeighed);
        // The same row one byte short runs past its payload, however it is read.
        const std::string cut = row.bytes.substr(0, row.bytes.size() - (row.bytes.empty() ? 0 : 1));
        if (cut.size() < row.bytes.size()) {
            EXPECT_FALSE(carve::checkValues(shape, row.serials, cut, 0, strict));
            EXPECT_FALSE(carve::checkValues(shape, row.serials, cut, 0, weighed, SIZE_MAX, true));
        }
    }
    // Rows that differ in one value sign apart; the identity ignores the columns outside it.
    carve::Signatures a, b;
    ASSERT_TRUE(carve::checkValues(shape, rows[0].serials, rows[0].bytes, 0, a));
    Body other =
        Body().null().text("Anna").text(identifier).integer(7, 1).real(0x41d4c6a0e0000000).text("y").blob("\x01\x02");
    ASSERT_TRUE(carve::checkValues(shape, other.serials, other.bytes, 0, b));
    EXPECT_NE(a.all, b.all);
    EXPECT_EQ(a.kept, b.kept);
    EXPECT_EQ(a.identity, b.identity);
    EXPECT_EQ(a.unique, b.unique);
}

// Rows that hold the same bytes, laid out otherwise: in other values, or in a value of another
// type (a NULL, an empty text or blob, a zero, a number whose eight bytes spell a text), sign
// apart in every signature that reads those columns; equal rows sign alike however many times
// they are read. A copy of a live row is told by these signatures alone, so one that took
// another row's for its own would hide a deleted row.
TEST(RecordValues, SignsRowsApartWhereverTheirBytesLie) {
    const carve::TableShape shape = carvetest::shapeOf("ka^a^a^|a");
    const uint64_t bytesOfText = 0x65786163746c7938;  // "exactly8" read as a big-endian number
    std::vector<Body> rows;
    for (const Body& head :
         {Body().null().null(), Body().null().text(""), Body().null().blob(""), Body().null().integer(0, 1),
          Body().null().text("exactly8"), Body().null().integer(static_cast<int64_t>(bytesOfText), 8),
          Body().null().real(bytesOfText), Body().null().blob("exactly8")})
        for (const auto& [a, b] : {std::pair<std::string, std::string>{"ab", "cdefghij"},
                                   {"abc", "defghij"},
                                   {"abcdefgh", "ij"},
                                   {"abcdefghij", ""},
                                   {"", "abcdefghij"}}) {
            Body row = head;
            rows.push_back(row.text(a).text(b).null());
            Body blobs = head;
            rows.push_back(blobs.blob(a).text(b).null());
        }
    std::vector<carve::Signatures> signatures;
    for (const Body& row : rows) {
        carve::Signatures first, again;
        ASSERT_TRUE(carve::checkValues(shape, row.serials, row.bytes, 0, first));
        ASSERT_TRUE(carve::checkValues(shape, row.serials, std::string(row.bytes), 0, again));
        EXPECT_EQ(std::tie(first.all, first.kept, first.identity), std::tie(again.all, again.kept, again.identity));
        signatures.push_back(first);
    }
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < i; ++j) {
            SCOPED_TRACE(::testing::PrintToString(rows[i].bytes) + " and " + ::testing::PrintToString(rows[j].bytes));
            EXPECT_NE(signatures[i].all, signatures[j].all);
            EXPECT_NE(signatures[i].kept, signatures[j].kept);
            // An identity without a text tells no row (0): only those with one are weighed.
            if (signatures[i].identity && signatures[j].identity) {
                EXPECT_NE(signatures[i].identity, signatures[j].identity);
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
