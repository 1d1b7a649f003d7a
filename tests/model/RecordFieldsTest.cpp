#include "FixedTimeZone.h"
#include "model/ContactNumberRule.h"
#include "model/MessageDirection.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRRecordFields.h"

#include <clocale>
#include <ctime>
#include <gtest/gtest.h>

namespace {

constexpr int64_t kSince2001 = 978307200;  // seconds from 1970 to 2001

std::string dateText(int64_t value, bool fileType) {
    const auto wide = GetDateTime(value, fileType);
    return wide ? GetNSStringDate(wide->c_str()) : "<none>";
}

TEST(RecordFields, TextFromBytesKeepsValidUtf8AndDropsInvalid) {
    EXPECT_EQ(GetStringFormChar("Caf\xC3\xA9 \xF0\x9F\x98\x80"), "Caf\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(GetStringFormChar(""), "");
    EXPECT_EQ(GetStringFormChar("abc\xFF"), "");  // not UTF-8
    // Long texts: ASCII runs are checked eight bytes at a time, what follows them byte by byte.
    EXPECT_EQ(GetStringFormChar("a long plain text, then caf\xC3\xA9"), "a long plain text, then caf\xC3\xA9");
    EXPECT_EQ(GetStringFormChar("a long plain text, then \xFF"), "");
    EXPECT_EQ(GetStringFormChar("sixteen letters!\xC3"), "");
    EXPECT_EQ(GetStringFormChar("\xC0\xAF"), "");      // overlong
    EXPECT_EQ(GetStringFormChar("\xED\xA0\x80"), "");  // a surrogate
    EXPECT_EQ(GetStringFormChar("ab\xC3", 3), "");     // cut inside a character
    EXPECT_EQ(GetStringFormChar("ab\0cd", 5), "ab");   // up to the first NUL
    // Past the first eight bytes, which are checked eight at a time, and where words end.
    const std::string plain = "Library/Caches/com.example/";
    EXPECT_EQ(GetStringFormChar(plain.c_str()), plain);
    EXPECT_EQ(GetStringFormChar(std::string(16, 'a').c_str(), 16), std::string(16, 'a'));
    for (size_t at : {7u, 8u, 15u, 16u, 26u}) {
        std::string withNul = plain;
        withNul[at] = '\0';
        EXPECT_EQ(GetStringFormChar(withNul.data(), withNul.size()), plain.substr(0, at)) << at;
        std::string withBadByte = plain;
        withBadByte[at] = '\xFF';
        EXPECT_EQ(GetStringFormChar(withBadByte.data(), withBadByte.size()), "") << at;
    }
    const std::string accented = plain + "Caf\xC3\xA9.jpg";
    EXPECT_EQ(GetStringFormChar(accented.c_str()), accented);
    const std::string cut = plain + "\xC3\xA9" + std::string(1, '\0') + "\xFF";
    EXPECT_EQ(GetStringFormChar(cut.data(), cut.size()), plain + "\xC3\xA9");
}

TEST(RecordFields, WideConversionStopsAtCapacityAndAlwaysTerminates) {
    wchar_t buffer[4];
    EXPECT_EQ(Char2Unicode("h\xC3\xA9llo", buffer, 4), 3);
    EXPECT_EQ(std::wstring(buffer), L"h\u00E9l");
    EXPECT_EQ(Char2Unicode("bad\xFF", buffer, 4), 0);
    EXPECT_EQ(buffer[0], L'\0');
    const wchar_t text[] = {L'a', 0x1F600, 0};
    EXPECT_EQ(GetNSStringDate(text), "a\xF0\x9F\x98\x80");
}

TEST(RecordFields, NoteAndCalendarTimesGiveTheirTrueDatesAcrossLeapDays) {
    FixedTimeZone utc("UTC0");
    struct Case {
        int64_t unixTime;
        const char* text;
    };
    // Values count from 2001; the texts are the real calendar dates of those instants.
    const Case cases[] = {
        {978307200, "01-01-2001 00:00"},
        {1330473600, "02-29-2012 00:00"},
        {1330560000, "03-01-2012 00:00"},
        {1356955200, "12-31-2012 12:00"},
        {1362096000, "03-01-2013 00:00"},
        {1075593599, "01-31-2004 23:59"},
        {1452816000 + 3600 * 13 + 60 * 7, "01-15-2016 13:07"},
    };
    for (const Case& c : cases) EXPECT_EQ(dateText(c.unixTime - kSince2001, true), c.text) << c.unixTime;
}

TEST(RecordFields, MessageTimesMoveEarlyYearsForwardAndLeaveLaterOnes) {
    FixedTimeZone zone("QMT-3");  // three hours east of UTC, no daylight saving
    // A value counted from 2001 lands in 1982 when read from 1970, and shows as 2013.
    const std::string shifted = dateText(1367409600 - kSince2001, false);
    EXPECT_EQ(shifted.substr(6, 4), "2013");
    EXPECT_EQ(shifted.size(), 16u);
    // 2014-03-05 10:20 UTC is 13:20 in the zone, and stays in 2014.
    EXPECT_EQ(dateText(1394014800, false), "03-05-2014 13:20");
    // Only the low 32 bits count.
    EXPECT_EQ(dateText(1394014800 + (int64_t(1) << 32), false), "03-05-2014 13:20");
}

// A time of a field that holds either kind counts from 2001 unless that puts it after the backup
// (the present when no backup is named), give or take a year: the times of iOS 6 and 7 (from
// 2001) of 2021 on are no 1990s times, and those of the older phones (from 1970) stay theirs.
TEST(RecordFields, MessageTimesAreJudgedAgainstTheBackupsDate) {
    FixedTimeZone utc("UTC0");
    constexpr int64_t kYear = 365 * 86400;
    auto from2001 = [](int64_t unixTime) { return unixTime - kSince2001; };
    constexpr int64_t k2012 = 1337774400, k2025 = 1748779200, k2030 = 1906545600, k2031 = 1938081600;
    EXPECT_EQ(*dateTimeText(from2001(k2025), TimeBase::judged, k2025 + kYear), "06-01-2025 12:00");
    EXPECT_EQ(*dateTimeText(k2012, TimeBase::judged, k2025), "05-23-2012 12:00");
    // Against the present (past 2025): the same, with no backup named.
    EXPECT_EQ(dateText(from2001(k2025), false), "06-01-2025 12:00");
    EXPECT_EQ(dateText(k2012, false), "05-23-2012 12:00");
    // A backup of 2031 holds times of 2030 either way; one of 2012 reads a 2001 value of 2030
    // from 1970, as no backup of 2012 holds a time of 2030.
    EXPECT_EQ(*dateTimeText(from2001(k2030), TimeBase::judged, k2031), "06-01-2030 12:00");
    EXPECT_EQ(*dateTimeText(k2030, TimeBase::judged, k2031), "06-01-2030 12:00");
    EXPECT_EQ(dateTimeText(from2001(k2030), TimeBase::judged, k2012)->substr(6, 4), "1999");
    // The margin: a year past the backup still counts from 2001, later does not.
    EXPECT_TRUE(countsFrom2001(from2001(k2025 + kYear), k2025));
    EXPECT_FALSE(countsFrom2001(from2001(k2025 + kYear + 2 * 86400), k2025));
    // A field whose epoch is known is read by it, whatever the backup.
    EXPECT_EQ(*dateTimeText(from2001(k2025), TimeBase::since2001, k2012), "06-01-2025 12:00");
    EXPECT_EQ(*dateTimeText(from2001(k2025), TimeBase::since1970, k2031), "06-01-1994 12:00");
    EXPECT_EQ(recordDate(from2001(k2030), TimeBase::judged, k2031).str(), "06-01-2030 12:00");
}

// A record keeps a date as its minute, and must give back exactly the text it was given or that
// the time value reads as; any text not of that exact form is kept as it stands.
TEST(RecordFields, RecordDatesGiveBackTheirTextsWhateverTheyHold) {
    FixedTimeZone zone("<-05>5");
    for (const bool fileType : {false, true})
        for (int64_t value = -400000000; value < 1600000000; value += 7777777 + value % 61) {
            const PRDateText date = recordDate(value, fileType);
            ASSERT_EQ(date.str(), dateText(value, fileType)) << value;
            ASSERT_EQ(PRDateText(date.str()).str(), date.str()) << value;
        }
    const std::string longText(300, 'x');
    for (const char* text : {"",
                             " ",
                             "01-01-0000 00:00",
                             "12-31-9999 23:59",
                             "12-31-1969 23:59",
                             "02-29-2000 12:00",
                             "02-29-2001 12:00",
                             "02-30-2013 10:00",
                             "13-01-2013 10:00",
                             "00-10-2013 10:00",
                             "04-30-2013 24:00",
                             "04-30-2013 14:60",
                             "4-30-2013 14:47",
                             "04-30-2013 14:47 ",
                             "04-30-2013 14:47:10",
                             "04/30/2013 14:47",
                             "04-30-2013\t14:47",
                             "-1-30-2013 14:47",
                             "04-30-2013 1a:47",
                             longText.c_str()}) {
        SCOPED_TRACE(text);
        PRDateText date(text);
        EXPECT_EQ(date.str(), text);
        PRDateText copy = date;
        PRDateText moved = std::move(date);
        EXPECT_EQ(copy.str(), text);
        EXPECT_EQ(moved.str(), text);
        copy = PRDateText("05-01-2013 09:00");
        EXPECT_EQ(copy.str(), "05-01-2013 09:00");
        copy = moved;
        EXPECT_EQ(copy.str(), text);
    }

    // A call lists and shows the text of its date as any other field.
    PRCallHistoryNode call;
    call.setCallDate("04-30-2013 14:47");
    EXPECT_EQ(call.callDate(), "04-30-2013 14:47");
    EXPECT_NE(call.description().find("callDate=04-30-2013 14:47,"), std::string::npos) << call.description();
    struct Dates final : PRFieldVisitor {
        std::string seen;
        void field(const char* name, const PRFieldView& value) override {
            if (std::string_view(name) == "callDate") seen = std::get<std::string_view>(value);
        }
    } dates;
    call.visitFields(dates);
    EXPECT_EQ(dates.seen, "04-30-2013 14:47");
}

TEST(RecordFields, PhoneDatesNeedElevenDigits) {
    EXPECT_EQ(GetPhoneDate(1234567890), " ");
    EXPECT_EQ(GetPhoneDate(13674096001234), "2013-05-01 12:00:00 +0000");
}

TEST(RecordFields, ClockAndDurationTexts) {
    EXPECT_EQ(getCallHistoryDate(0), "00:00:00");
    EXPECT_EQ(getCallHistoryDate(59999), "00:00:59");
    EXPECT_EQ(getCallHistoryDate(3723000), "01:02:03");
    EXPECT_EQ(getCallHistoryDate(360000000), "100:00:00");
    EXPECT_EQ(getCallHistoryDuration(0), "0 second");
    EXPECT_EQ(getCallHistoryDuration(1), "1 second");
    EXPECT_EQ(getCallHistoryDuration(59), "59 seconds");
    EXPECT_EQ(getCallHistoryDuration(61), "1 minute");
    EXPECT_EQ(getCallHistoryDuration(150), "2 minutes");
    EXPECT_EQ(getCallHistoryDuration(3600), "1 hour");
    EXPECT_EQ(getCallHistoryDuration(7300), "2 hours");
}

TEST(RecordFields, MediaKindsByExtension) {
    EXPECT_EQ(GetImageType("3dm"), 0);  // the first row, which callers count as found
    EXPECT_EQ(GetImageType("jpg"), 61);
    EXPECT_EQ(GetImageType("JPEG"), 60);
    EXPECT_EQ(GetImageType("mov"), -1);
    EXPECT_EQ(GetViedoType("MoV"), 28);
    EXPECT_EQ(GetViedoType("dvr-ms"), 14);
    EXPECT_EQ(GetAudioType("m4a"), 30);
    EXPECT_EQ(GetAudioType("ram"), 0);
    EXPECT_EQ(GetImageType(nullptr), -1);
    EXPECT_EQ(GetImageType(""), -1);
    EXPECT_EQ(GetAudioType("txt"), -1);
    EXPECT_EQ(GetImageType("jpg\xC3\xA9"), -1);
    EXPECT_EQ(GetImageType("pictclippingpictc"), -1);  // longer than any name, with one inside it
    EXPECT_EQ(GetImageType("PictClipping"), 91);
    // The one look-up answers as the three tables do.
    for (const char* extension : {"jpg", "JPEG", "3dm", "MoV", "dvr-ms", "m4a", "ram", "txt", "", "mp3", "wmv", "png",
                                  "pictclippingpictc", "jpg\xC3\xA9", "plist"}) {
        const PRMediaKind expected = GetImageType(extension) >= 0                                   ? PRMediaKind::Image
                                     : GetViedoType(extension) >= 0 || GetAudioType(extension) >= 0 ? PRMediaKind::Movie
                                                                                                    : PRMediaKind::None;
        EXPECT_EQ(mediaKindOfExtension(extension), expected) << extension;
    }
    EXPECT_EQ(mediaKindOfExtension(nullptr), PRMediaKind::None);
}

TEST(RecordFields, EightDigitNames) {
    EXPECT_EQ(getFullName(7), "00000007");
    EXPECT_EQ(getFullName(12345678), "12345678");
    EXPECT_EQ(getFullName(123456789012ULL), "123456789012");  // longer numbers keep their digits
}

namespace {
PRContactNodePtr person(const std::string& name, std::vector<std::string> phones,
                        std::vector<std::string> emails = {}) {
    auto contact = std::make_shared<PRContactNode>();
    contact->setContactName(name);
    std::vector<PRContactValue> values;
    for (auto& phone : phones) values.push_back({"", phone});
    contact->setContactPhones(values);
    values.clear();
    for (auto& email : emails) values.push_back({"", email});
    contact->setContactEmails(values);
    return contact;
}
}  // namespace

// A number names the contact that holds it however either is written, and nobody else: short
// codes only whole, e-mail handles whole in any case, a named contact before a nameless one.
TEST(ContactRule, ANumberIsTheContactThatHoldsItHoweverWritten) {
    const ContactNumberIndex index({
        person("", {"+33 6 12 34 56 78"}),                               // nameless, listed first
        person("Telma Rakoto", {"06\u00a012\u00a034\u00a056\u00a078"}),  // no-break spaces
        person("Voicemail", {"100"}),
        person("Hery", {"+261 34 05 516 08"}, {"Hery@Example.org"}),
        person("Hery's office", {"+261 34 05 516 00"}),
        person("Ola", {"0047.22.33.44.55", "22/33/44/56"}),
    });
    const std::pair<const char*, const char*> cases[] = {
        {"+33612345678", "Telma Rakoto"},  // the named one of the two holding it
        {"0033 6 12 34 56 78", "Telma Rakoto"},
        {"\u202a+33 6 12-34-56-78\u202c", "Telma Rakoto"},
        {"100", "Voicemail"},
        {"1100", ""},  // a short number is one only with itself
        {"+1 212 555 0100", ""},
        {"369", ""},
        {"+261340551608", "Hery"},  // thirteen characters: every digit counts
        {"+261340551600", "Hery's office"},
        {"HERY@example.ORG", "Hery"},
        {"hery@example.org.uk", ""},
        {"+47 22 33 44 55", "Ola"},
        {"22334456", "Ola"},
        {"12345679", ""},
        {"", ""},
        {"Orange", ""},
    };
    for (const auto& [asked, name] : cases) EXPECT_EQ(index.nameOf(asked), name) << asked;
    EXPECT_TRUE(sameAddress("06 12 34 56 78", "+33 (0)6 12 34 56 78"));
    EXPECT_TRUE(sameAddress("555.010.2288", "+1 (555) 010-2288"));
    EXPECT_FALSE(sameAddress("611", "+1 611"));
    EXPECT_FALSE(sameAddress("", ""));
}

TEST(RecordFields, ByteSizeTextsAtEveryUnitBoundary) {
    const std::pair<uint64_t, const char*> cases[] = {{0, "0.00bytes"},
                                                      {999, "999.00bytes"},
                                                      {1000, "1.00KB"},
                                                      {1499, "1.50KB"},
                                                      {999999, "1000.00KB"},
                                                      {1000000, "1.00MB"},
                                                      {1234567, "1.23MB"},
                                                      {999999999, "1000.00MB"},
                                                      {1000000000, "1.00GB"},
                                                      {1000000000000ULL, "1.00TB"},
                                                      {UINT64_MAX, "18446744.00TB"}};
    for (const auto& [count, text] : cases) EXPECT_EQ(sizeText(count), text) << count;
    EXPECT_EQ(sizeFormString("999.00bytes"), 999u);
    EXPECT_EQ(sizeFormString("1.50KB"), 1500u);
    EXPECT_EQ(sizeFormString("2.00GB"), 2000000000u);
    EXPECT_EQ(sizeFormString("1KB"), 1000u);
    EXPECT_EQ(sizeFormString("KB"), 0u);
    EXPECT_EQ(sizeFormString("12"), 0u);
    EXPECT_EQ(sizeFormString(""), 0u);
}

TEST(RecordFields, ByteSizeTextsIgnoreACommaDecimalLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma-decimal locale installed";
    EXPECT_EQ(sizeText(1499), "1.50KB");
    EXPECT_EQ(sizeFormString("1.50KB"), 1500u);
    std::setlocale(LC_NUMERIC, previous.c_str());
}

}  // namespace

// The reader and the carver of messages decide a message's direction by these rules alone.
TEST(RecordFields, MessageDirectionsFromEachLayoutsColumns) {
    for (int64_t flags : {2, 22}) EXPECT_STREQ(messageDirectionOfFlags(flags), "Received") << flags;
    for (int64_t flags : {3, 16387}) EXPECT_STREQ(messageDirectionOfFlags(flags), "Send") << flags;
    // Other values, a carved cell's that only its lowest 32 bits would take for 2 among them.
    for (int64_t flags : {int64_t{0}, int64_t{1}, int64_t{4}, (int64_t{1} << 32) + 2})
        EXPECT_STREQ(messageDirectionOfFlags(flags), "unknown") << flags;

    for (int64_t flags : {12289, 77825, 2}) EXPECT_STREQ(messageDirectionOfMadridFlags(flags), "Received") << flags;
    for (int64_t flags : {36869, 102405, 3}) EXPECT_STREQ(messageDirectionOfMadridFlags(flags), "Send") << flags;
    EXPECT_STREQ(messageDirectionOfMadridFlags(0), "unknown");

    for (MessageRow row : {MessageRow::Read, MessageRow::Carved}) {
        EXPECT_STREQ(messageDirectionOfFromMe(1, row), "Send");
        EXPECT_STREQ(messageDirectionOfFromMe(0, row), "Received");
    }
    EXPECT_STREQ(messageDirectionOfFromMe(2, MessageRow::Read), "unknown");
    EXPECT_STREQ(messageDirectionOfFromMe(2, MessageRow::Carved), "Unknowed");
    EXPECT_STREQ(messageDirectionOfFromMe(-1, MessageRow::Carved), "Unknowed");
    EXPECT_STREQ(messageDirectionOfFromMe((int64_t{1} << 32) + 1, MessageRow::Carved), "Unknowed");
}
