// tools/carve-corpus-score over the public SQLite Forensic Corpus: every database of the deleted
// and overwritten categories is read with its answer key and carved, the rows the keys say a
// tool should bring back are counted as the keys give them, and the figures add up. The values
// of a key match the carved values of their kinds, and nothing else.
#include "AnswerKey.h"
#include "CorpusScore.h"
#include "KeyValue.h"
#include "TestSupport.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;

using corpusscore::Tally;

namespace {

void expectConsistent(const Tally& t) {
    EXPECT_GE(t.recall(), 0.0);
    EXPECT_LE(t.recall(), 1.0);
    EXPECT_GE(t.precision(), 0.0);
    EXPECT_LE(t.precision(), 1.0);
    EXPECT_LE(t.matched, t.carved);
    EXPECT_LE(t.matched, t.expected);
    EXPECT_LE(t.liveAsDeleted, t.carved - t.matched);
}

carve::CarvedValue integer(int64_t v) {
    carve::CarvedValue c;
    c.type = carve::CarvedValue::integerValue;
    c.integer = v;
    return c;
}

carve::CarvedValue real(double v) {
    carve::CarvedValue c;
    c.type = carve::CarvedValue::realValue;
    c.real = v;
    return c;
}

carve::CarvedValue bytes(carve::CarvedValue::Type type, const std::string& held) {
    carve::CarvedValue c;
    c.type = type;
    c.bytes = held.data();
    c.length = static_cast<uint32_t>(held.size());
    return c;
}

}  // namespace

class CorpusScore : public testsupport::HomeTest {};

TEST_F(CorpusScore, EveryDeletedAndOverwrittenCategoryIsScoredAsItsKeysCountIt) {
    std::string error;
    const std::optional<corpusscore::CorpusScore> score = corpusscore::scoreCorpus(QM_FORENSIC_CORPUS, "", error);
    ASSERT_TRUE(score) << error;
    // The rows the statements deleted (0C to 0E), and every row of a dropped table (0A, 0B).
    const std::map<std::string, std::pair<int, int>> keys = {
        {"0A", {5, 100}}, {"0B", {2, 20}}, {"0C", {10, 101}}, {"0D", {8, 45}}, {"0E", {2, 12}}};
    ASSERT_EQ(score->categories.size(), keys.size());
    Tally sum;
    for (const corpusscore::CategoryScore& c : score->categories) {
        SCOPED_TRACE(c.category);
        ASSERT_TRUE(keys.count(c.category));
        EXPECT_EQ(c.tally.databases, keys.at(c.category).first);
        EXPECT_EQ(c.tally.expected, keys.at(c.category).second);
        expectConsistent(c.tally);
        sum.add(c.tally);
    }
    EXPECT_EQ(sum.expected, score->total.expected);
    EXPECT_EQ(sum.matched, score->total.matched);
    // Rows are matched at all (the keys' values compare with the carved ones), and each database
    // names every row it missed and every row it reported that is no expected one.
    EXPECT_GT(score->total.matched, 0);
    ASSERT_EQ(score->databases.size(), 27u);
    for (const corpusscore::DatabaseScore& d : score->databases) {
        SCOPED_TRACE(d.name);
        expectConsistent(d.tally);
        EXPECT_EQ(static_cast<int>(d.misses.size()), d.tally.expected - d.tally.matched);
        EXPECT_EQ(static_cast<int>(d.falsePositives.size()), d.tally.carved - d.tally.matched);
    }

    // One category alone; a folder without the corpus, and a database without its key, are said.
    const auto deletedRecords = corpusscore::scoreCorpus(QM_FORENSIC_CORPUS, "0C", error);
    ASSERT_TRUE(deletedRecords) << error;
    ASSERT_EQ(deletedRecords->categories.size(), 1u);
    EXPECT_EQ(deletedRecords->total.expected, 101);
    const std::string folder = testsupport::scratchDirectory("corpus");
    EXPECT_FALSE(corpusscore::scoreCorpus(folder, "", error));
    EXPECT_NE(error.find(folder), std::string::npos) << error;
    fs::create_directories(folder + "/0C");
    fs::copy_file(std::string(QM_FORENSIC_CORPUS) + "/0C/0C-01.db", folder + "/0C/0C-01.db");
    EXPECT_FALSE(corpusscore::scoreCorpus(folder, "", error));
    EXPECT_NE(error.find("0C-01.xml"), std::string::npos) << error;
    std::ofstream(folder + "/0C/0C-01.xml") << "<database><element><meta></database>";
    EXPECT_FALSE(corpusscore::readAnswerKey(folder + "/0C/0C-01.xml", error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
}

TEST(CorpusKeyValues, MatchCarvedValuesOfTheirKindAndNothingElse) {
    using carve::CarvedValue;
    using corpusscore::sameValue;
    using corpusscore::TextEncoding;
    const auto utf8 = TextEncoding::utf8;
    // Integers, and whole reals a REAL column keeps as integers.
    EXPECT_TRUE(sameValue("20001", integer(20001), utf8));
    EXPECT_TRUE(sameValue("-4080436718", integer(-4080436718), utf8));
    EXPECT_TRUE(sameValue("4080436718.0", integer(4080436718), utf8));
    EXPECT_FALSE(sameValue("20002", integer(20001), utf8));
    EXPECT_FALSE(sameValue("1.5", integer(1), utf8));
    EXPECT_FALSE(sameValue("20001x", integer(20001), utf8));
    // Reals within a few units of the last place of the key's digits.
    const double stored = 95767725.76932;
    EXPECT_TRUE(sameValue("95767725.76932", real(stored), utf8));
    EXPECT_TRUE(sameValue("95767725.76932", real(std::nextafter(stored, 1e9)), utf8));
    EXPECT_FALSE(sameValue("95767725.76932", real(stored + 1e-4), utf8));
    EXPECT_FALSE(sameValue("-95767725.76932", real(stored), utf8));
    EXPECT_FALSE(sameValue("Marie", real(stored), utf8));
    // Texts byte for byte, in the database's encoding.
    const std::string gross = "Groß";
    EXPECT_TRUE(sameValue("Groß", bytes(CarvedValue::text, gross), utf8));
    EXPECT_FALSE(sameValue("Gross", bytes(CarvedValue::text, gross), utf8));
    EXPECT_FALSE(sameValue("Groß ", bytes(CarvedValue::text, gross), utf8));
    const std::string le = corpusscore::encodedText("Groß", TextEncoding::utf16le);
    EXPECT_EQ(le, std::string("G\0r\0o\0\xdf\0", 8));
    EXPECT_TRUE(sameValue("Groß", bytes(CarvedValue::text, le), TextEncoding::utf16le));
    EXPECT_FALSE(sameValue("Groß", bytes(CarvedValue::text, le), TextEncoding::utf16be));
    // NULL, blobs by their bytes or hexadecimal digits, and never a value the carver lost.
    CarvedValue null, lost;
    lost.type = CarvedValue::lost;
    EXPECT_TRUE(sameValue("NULL", null, utf8));
    EXPECT_FALSE(sameValue("0", null, utf8));
    EXPECT_FALSE(sameValue("NULL", lost, utf8));
    EXPECT_FALSE(sameValue("", lost, utf8));
    EXPECT_FALSE(sameValue("NULL", integer(0), utf8));
    const std::string blob("\x00\xff", 2);
    EXPECT_TRUE(sameValue("X'00ff'", bytes(CarvedValue::blob, blob), utf8));
    EXPECT_TRUE(sameValue("00FF", bytes(CarvedValue::blob, blob), utf8));
    EXPECT_FALSE(sameValue("00fe", bytes(CarvedValue::blob, blob), utf8));
    // As a record holds them: the fewest bytes of an integer, none for 0 and 1 or NULL.
    EXPECT_EQ(corpusscore::recordBytes("20001", carve::ColumnAffinity::integer, utf8), std::string("\x4e\x21"));
    EXPECT_EQ(corpusscore::recordBytes("1", carve::ColumnAffinity::integer, utf8), std::string());
    EXPECT_EQ(corpusscore::recordBytes("NULL", carve::ColumnAffinity::text, utf8), std::string());
    EXPECT_EQ(corpusscore::recordBytes("-2.0", carve::ColumnAffinity::real, utf8), std::string("\xfe"));
    EXPECT_EQ(corpusscore::recordBytes("20001", carve::ColumnAffinity::text, utf8), std::string("20001"));
    EXPECT_EQ(corpusscore::recordBytes("20001", carve::ColumnAffinity::blob, utf8), std::nullopt);
}
