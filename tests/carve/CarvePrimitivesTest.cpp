// The byte-level tests must answer exactly what the hex-text rules answer. The references below
// build the hex text and apply the rules literally; random data biased towards the bytes that
// the patterns are made of compares the two.
#include "backup/carve/CarvePrimitives.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace carve;

namespace {

std::string hexText(const std::vector<uint8_t>& bytes, size_t at, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = at + i < bytes.size() ? bytes[at + i] : 0;
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

const std::vector<std::vector<std::string>> kPatterns = {
    {},
    {"0101", "0301", "0302", "0102", "0109", "0309"},
    {"00110000", "001100", "0808080808", "0808000808080808", "0108000108080808"},
    {"080800080808", "080808080808", "0001000000000055", "0001000000000155", "0000000000000055", "00000108",
     "00000801"},
    {"01010809", "01010901", "09010809", "01010101", "01010801", "02010801", "02010901", "02010809", "02010101",
     "01090809", "0f0f080801", "0000040401", "0000040400", "0000040413", "ffd8ffe0", "00000000000000"},
    {"01010101"},
    {"01010101010105", "010101"},
};

// A window of w characters at every position p < length - w, compared entry by entry over the
// entry's own length within the window.
int referenceWindowSearch(const std::string& text, int type, int w) {
    for (int p = 0; p < static_cast<int>(text.size()) - w; ++p) {
        std::string window = text.substr(static_cast<size_t>(p), static_cast<size_t>(w));
        for (const std::string& entry : kPatterns[static_cast<size_t>(type)])
            if (window.compare(0, entry.size(), entry) == 0 && entry.size() <= window.size()) return 1;
    }
    return 0;
}

std::vector<uint8_t> biasedBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    static const uint8_t common[] = {0x00, 0x01, 0x02, 0x03, 0x08, 0x09, 0x0f, 0x10, 0x11, 0x13,
                                     0x55, 0x80, 0x81, 0xff, 0xd8, 0xe0, 0x04, 0x05, 0x06, 0x20};
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes) b = (rng() % 4 == 0) ? static_cast<uint8_t>(rng()) : common[rng() % sizeof common];
    return bytes;
}

// The base-2 text rule for two-byte serial types, as written.
int referenceAlterInteger(int first, int second) {
    auto binary = [](int v) {
        std::string s;
        do {
            s.insert(s.begin(), static_cast<char>('0' + (v & 1)));
            v >>= 1;
        } while (v);
        return s;
    };
    std::string a = binary(first), b = binary(second);
    while (b.size() < 7) b.insert(b.begin(), '0');
    std::string joined = a + b;
    if (joined.compare(0, 2, "10") == 0) joined = joined.substr(2);
    int value = 0;
    for (char c : joined) value = value * 2 + (c - '0');
    return value;
}

}  // namespace

TEST(CarvePrimitives, WindowSearchesMatchTheHexTextRules) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::vector<uint8_t> bytes = biasedBytes(4096, seed);
        CarveFile file;
        file.openMemory(bytes.data(), bytes.size());
        std::mt19937 rng(seed);
        for (int trial = 0; trial < 400; ++trial) {
            int64_t pos = 1 + static_cast<int64_t>(rng() % 4100);  // some past the end
            size_t n = 1 + rng() % 16;
            int type = 1 + static_cast<int>(rng() % 6);
            int w = static_cast<int>(4 + rng() % 14);
            std::string text = hexText(bytes, static_cast<size_t>(pos), n);
            ASSERT_EQ(bcheckSubStringIsValid(file, pos, n, type, w), referenceWindowSearch(text, type, w))
                << "pos " << pos << " n " << n << " type " << type << " w " << w << " text " << text;
            // Record patterns at the start of the text.
            bool starts = false;
            for (const std::string& entry : kPatterns[static_cast<size_t>(type)])
                starts = starts || (entry.size() <= text.size() && text.compare(0, entry.size(), entry) == 0);
            ASSERT_EQ(bCheckDataIsValid(file, pos, n, type), starts ? 1 : -1) << text;
        }
    }
}

TEST(CarvePrimitives, WindowSearchEdges) {
    std::vector<uint8_t> bytes = {0x53, 0x08, 0x00, 0x01, 0x00, 0x00, 0x06, 0x00, 0x01};
    CarveFile file;
    file.openMemory(bytes.data(), bytes.size());
    // "0800010000" at position 1 is 10 digits: a 10-digit text has no window at all.
    EXPECT_EQ(bcheckMessageIOS6SubStringIsValid(file, 1, 5, 10), 0);
    EXPECT_EQ(bcheckMessageIOS6SubStringIsValid(file, 1, 6, 10), 1);
    // A pattern straddling bytes: "0600" starts at digit 1 of the bytes 30 60 0x.
    std::vector<uint8_t> odd = {0x53, 0x30, 0x60, 0x01};
    CarveFile oddFile;
    oddFile.openMemory(odd.data(), odd.size());
    EXPECT_EQ(bcheckChatIOS6SubStringIsValid(oddFile, 1, 3, 4), 1);
    // Nothing is read at position 0, and a window never starts there.
    EXPECT_EQ(bcheckChatIOS6SubStringIsValid(file, 0, 8, 4), 0);
    EXPECT_EQ(getDeletedMark(file, 0, 4), 0);
    EXPECT_EQ(getPageType(file, 0), -1);
}

TEST(CarvePrimitives, TwoByteSerialTypesFollowTheBase2Rule) {
    EXPECT_EQ(getAlterInteger(0x81, 0x05), 133);
    EXPECT_EQ(getAlterInteger(0xc1, 0x05), 24709);
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) ASSERT_EQ(getAlterInteger(a, b), referenceAlterInteger(a, b)) << a << " " << b;
}

TEST(CarvePrimitives, SerialTypeLengthsAndNumbers) {
    EXPECT_EQ(getFieldDataLengthBy(12), 0);
    EXPECT_EQ(getFieldDataLengthBy(13), 0);
    EXPECT_EQ(getFieldDataLengthBy(14), 1);
    EXPECT_EQ(getFieldDataLengthBy(15), 1);
    EXPECT_EQ(getFieldDataLengthBy(7), 8);
    EXPECT_EQ(getFieldDataLengthBy(5), 6);
    EXPECT_EQ(getFieldDataLengthBy(-3), 0);
    const uint8_t be[] = {0x01, 0x02, 0x03};
    EXPECT_EQ(readBigEndian(be, 0, 3), 0x010203u);
    EXPECT_EQ(readBigEndian(be, 1, 0), 0u);
    EXPECT_EQ(intValueOf("  -42abc"), -42);
    EXPECT_EQ(intValueOf("abc"), 0);
    EXPECT_EQ(intValueOf("99999999999"), INT_MAX);
}

TEST(CarvePrimitives, SingleByteAndRunTests) {
    //                            0     1     2     3     4     5     6     7     8     9
    std::vector<uint8_t> bytes = {0x53, 0x85, 0x09, 0x04, 0x55, 0x79, 0x07, 0x00, 0x23, 0x41, 0x42, 0x00};
    CarveFile file;
    file.openMemory(bytes.data(), bytes.size());
    EXPECT_TRUE(bNoteAlter(file, 1));
    EXPECT_FALSE(bImageURLAlter(file, 2));
    EXPECT_FALSE(IsAlterAboutContent(file, 3));
    EXPECT_FALSE(ISAlterMessageContentFiled(file, 4));
    EXPECT_TRUE(ISAlterPropertFiled(file, 5));
    EXPECT_EQ(bSortAlter(file, 7), 0);
    EXPECT_EQ(bSortAlter(file, 10), 3);
    EXPECT_EQ(bSortAlter(file, 5), 5);  // no 0x00 before: the walk ends at the start
    EXPECT_EQ(bIsAlterbleDBFile(file, 8, 6), 3);
    EXPECT_EQ(bIsAlterbleDBFile(file, 8, 2), 1);
    EXPECT_EQ(bIsAlterbleDBFile(file, 3, 2), 0);
    EXPECT_EQ(GetFildLength(file, 7), 0);  // serial type 7 before the zero
    EXPECT_EQ(GetFildLength(file, 8), 0);  // 0x42 before the next zero
    std::vector<uint8_t> lengths = {0x53, 0x23, 0x00, 0x41, 0x13, 0x00};
    CarveFile l;
    l.openMemory(lengths.data(), lengths.size());
    EXPECT_EQ(GetFildLength(l, 2), 2);
    EXPECT_EQ(GetFildLength(l, 3), 1);
    // Past the end every byte is zero, so a forward run for zero stops at the end of the file.
    EXPECT_EQ(bIsAlterbleDBFile(l, 3, 6), 2);
}

TEST(CarvePrimitives, FieldExtractionTakesColumnsInTurn) {
    // Record start r = 1: serial types at r + k, values from r + L (L = 6).
    std::vector<uint8_t> bytes = {0x53, 0x00, 0x07, 0x09, 0x13, 0x81, 0x00,  // types: -, 7, 9, text(3), two-byte...
                                  0x11, 0x22, 0x33, 0x44, 0x00, 0x00, 0x00, 0x2a,  // type 7: 8 bytes
                                  'a',  'b',  'c'};
    CarveFile file;
    file.openMemory(bytes.data(), bytes.size());
    RecordCursor rec{file, 1, 6};
    FieldValue v;
    AnalyseDBDataFile(rec, 1, v);
    EXPECT_EQ(v.text(), "42");  // low 32 bits of 0x112233440000002a
    EXPECT_EQ(rec.running, 8);
    AnalyseDBDataFile(rec, 2, v);
    EXPECT_EQ(v.text(), "");  // serial type 9 has no body
    EXPECT_EQ(v.number(), 1);
    EXPECT_EQ(rec.running, 8);
    AnalyseDBDataFile(rec, 3, v);
    EXPECT_EQ(v.text(), "abc");
    EXPECT_EQ(rec.running, 11);
}

TEST(CarvePrimitives, ValuesLongerThanTheBufferAreCutButStillSkipped) {
    std::vector<uint8_t> bytes(600, 'x');
    bytes[0] = 0x53;
    bytes[1] = 0x00;
    bytes[2] = 0x83;  // two-byte type: (0x83 - 0x80) * 128 + 0x10 = 400, text of 194 bytes
    bytes[3] = 0x10;
    bytes[4] = 0x0f;  // one-character text after it
    CarveFile file;
    file.openMemory(bytes.data(), bytes.size());
    RecordCursor rec{file, 1, 4};
    rec.valueCapacity = 100;
    FieldValue v;
    AnalyseAlterbleDB(rec, 1, v);
    EXPECT_EQ(v.text().size(), 99u);
    EXPECT_EQ(rec.running, 194);
    // A two-byte type above 4095 yields nothing and leaves the running offset.
    bytes[2] = 0xc1;
    AnalyseAlterbleDB(rec, 1, v);
    EXPECT_EQ(v.text(), "");
    EXPECT_EQ(rec.running, 194);
    // A value reaching past the end of the file reads zeros there.
    RecordCursor tail{file, 590, 1};
    bytes[591] = 0x81;
    bytes[592] = 0x00;  // 128 -> blob of 58 bytes, only 8 in the file
    AnalyseAlterbleDB(tail, 1, v);
    EXPECT_EQ(v.raw().size(), 58u);
    EXPECT_EQ(v.raw()[57], '\0');
}

TEST(CarvePrimitives, PageSizesThatCannotDivideTheFileGiveNoPages) {
    std::vector<uint8_t> header(8192, 0);
    auto layoutFor = [&](uint8_t hi, uint8_t lo, uint8_t version) {
        header[16] = hi;
        header[17] = lo;
        header[18] = version;
        CarveFile file;
        file.openMemory(header.data(), header.size());
        return readPageLayout(file);
    };
    EXPECT_EQ(layoutFor(0x10, 0x00, 1).pageCount, 2);
    EXPECT_TRUE(layoutFor(0x10, 0x00, 2).writeAheadLog);
    EXPECT_EQ(layoutFor(0x00, 0x01, 1).pageSize, 65536);
    EXPECT_EQ(layoutFor(0x00, 0x01, 1).pageCount, 0);
    EXPECT_EQ(layoutFor(0x00, 0x00, 1).pageSize, 0);
    EXPECT_EQ(layoutFor(0x0b, 0xb8, 1).pageSize, 0);  // 3000
    EXPECT_EQ(layoutFor(0x01, 0x00, 1).pageSize, 0);  // 256: below the smallest page
    std::vector<uint8_t> tiny = {0x53, 0x51};
    CarveFile file;
    file.openMemory(tiny.data(), tiny.size());
    EXPECT_EQ(readPageLayout(file).pageCount, 0);
}
