#include "TestSupport.h"
#include "export/PRHtmlController.h"
#include "export/PRRtfController.h"
#include "export/PRVCFController.h"

#include <QDir>
#include <fstream>
#include <sstream>

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> out;
    for (const QString& name : QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden))
        out.push_back(name.toStdString());
    return out;
}

class ExportTest : public testsupport::HomeTest {
protected:
    std::string folder = testsupport::scratchDirectory("export");
};

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(const std::string& text, bool padded = true) {
    std::vector<char> out(PRVCFController::encodedLength(text.size(), padded) + 1, '#');
    const size_t n = PRVCFController::baseEncode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out.data(),
                                                 out.size() - 1, kAlphabet, padded);
    EXPECT_EQ(out.back(), '#');  // nothing written past the room given
    return std::string(out.data(), n);
}

}  // namespace

TEST_F(ExportTest, PlainTextFileIsNamedByRecordTypeAndKeptByTheNextExport) {
    PRRtfController rtf;
    rtf.addRtfContent("first");
    rtf.addRtfContent("second");
    rtf.addRtfContent("ünïcode ✓");
    ASSERT_TRUE(rtf.writeRtfInPath(folder, "CallHistory").ok());
    EXPECT_EQ(readAll(folder + "/Call History.txt"), "first\n\nsecond\n\nünïcode ✓\n\n");
    EXPECT_EQ(entries(folder), std::vector<std::string>{"Call History.txt"});

    PRRtfController again;
    again.addRtfContent("newer");
    const files::Outcome second = again.writeRtfInPath(folder, "CallHistory");
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second.path, folder + "/Call History (2).txt");
    EXPECT_EQ(readAll(folder + "/Call History.txt"), "first\n\nsecond\n\nünïcode ✓\n\n");
    EXPECT_EQ(readAll(folder + "/Call History (2).txt"), "newer\n\n");

    ASSERT_TRUE(again.writeRtfInPath(folder, "Something").ok());
    EXPECT_EQ(readAll(folder + "/TXT.txt"), "newer\n\n");
    const files::Outcome missing = again.writeRtfInPath(folder + "/missing", "Note");
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.reason, "No such file or directory");

    EXPECT_EQ(PRRtfController::fileNameForType("Contact"), "Contacts.txt");
    EXPECT_EQ(PRRtfController::fileNameForType("Message"), "Messages.txt");
    EXPECT_EQ(PRRtfController::fileNameForType("Note"), "Notes.txt");
    EXPECT_EQ(PRRtfController::fileNameForType("BookMark"), "BookMark.txt");
    EXPECT_EQ(PRRtfController::fileNameForType("Calendar&Reminder"), "Calendar&Reminder.txt");
}

TEST(Base64, StandardVectorsAndTheRoomEachLengthNeeds) {
    EXPECT_EQ(base64("f"), "Zg==");
    EXPECT_EQ(base64("fo"), "Zm8=");
    EXPECT_EQ(base64("foo"), "Zm9v");
    EXPECT_EQ(base64("foob"), "Zm9vYg==");
    EXPECT_EQ(base64("fooba"), "Zm9vYmE=");
    EXPECT_EQ(base64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64("f", false), "Zg");
    EXPECT_EQ(base64(std::string("\xff\xfe\x00", 3)), "//4A");
    char small[3];
    const uint8_t one = 'f';
    EXPECT_EQ(PRVCFController::baseEncode(&one, 1, small, sizeof small, kAlphabet, true), 0u);
    EXPECT_EQ(PRVCFController::baseEncode(nullptr, 1, small, sizeof small, kAlphabet, true), 0u);
    EXPECT_EQ(PRVCFController::baseEncode(&one, 0, small, sizeof small, kAlphabet, true), 0u);
}

TEST_F(ExportTest, VCardWithEveryFieldEscapesItsValues) {
    PRContactNode contact;
    contact.setContactName(" Anna; Berg, Jr.");
    contact.setContactCompany(" Alder & Finch\\Legal");
    contact.setContactEmail(" anna@example.com");
    contact.setContactPhone(" (555) 010-1234 555 010 9876");
    contact.setContactHomepage(" http://a.example.com/?a=1,2");
    contact.setContactNote("ignored\r\nnote");
    contact.setImageData(makeBytes({'f', 'o'}));
    PRVCFController vcf;
    const std::string path = folder + "/Anna.vcf";
    ASSERT_TRUE(vcf.creatFile(contact, path).ok());
    EXPECT_EQ(readAll(path),
              "BEGIN:VCARD\r\nVERSION:3.0\r\n"
              "N: Anna\\; Berg\\, Jr.\r\n"
              "ORG: Alder & Finch\\\\Legal\r\n"
              "EMAIL;INTERNET;HOME;PREF: anna@example.com\r\n"
              "TEL;CELL;PREF: (555) 010-1234 555 010 9876\r\n"
              "URL: http://a.example.com/?a=1\\,2\r\n"
              "PHOTO;ENCODING=b;TYPE=JPEG:Zm8=\r\n"
              "END:VCARD");
    EXPECT_EQ(PRVCFController::escapeValue("a\nb\rc\r\nd"), "a\\nb\\nc\\nd");

    // A one-byte photo fits too.
    contact.setImageData(makeBytes({'f'}));
    const files::Outcome again = vcf.creatFile(contact, path);
    ASSERT_TRUE(again.ok());
    EXPECT_NE(readAll(again.path).find("PHOTO;ENCODING=b;TYPE=JPEG:Zg==\r\nEND:VCARD"), std::string::npos);
}

TEST_F(ExportTest, VCardWithNoFieldsHasEightLinesAndKeepsTheUsersFile) {
    const std::string path = folder + "/empty.vcf";
    std::ofstream(path) << "the user's own card";
    PRVCFController vcf;
    const files::Outcome card = vcf.creatFile(PRContactNode(), path);
    ASSERT_TRUE(card.ok());
    EXPECT_EQ(readAll(path), "the user's own card");
    EXPECT_EQ(card.path, folder + "/empty (2).vcf");
    EXPECT_EQ(readAll(card.path),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:\r\nORG:\r\nEMAIL;INTERNET;HOME;PREF:\r\nTEL;CELL;PREF:\r\nURL:\r\n"
              "END:VCARD");
    EXPECT_EQ(vcf.strContent(), readAll(card.path));
    EXPECT_FALSE(vcf.creatFile(PRContactNode(), folder + "/no/such/folder/x.vcf").ok());
}

namespace {

// The UTF-16 page read back as UTF-8 (the tests' texts are all in the basic plane).
std::string fromUtf16(const std::string& bytes) {
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toStdString();
}

}  // namespace

TEST_F(ExportTest, HtmlHeaderHoldsTheEscapedTitleTwice) {
    const std::string header = PRHtmlController::messageHtmlHeader("%@");
    EXPECT_EQ(header.size(), 2495u);
    EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), 14);
    const std::string empty = PRHtmlController::messageHtmlHeader("");
    EXPECT_NE(empty.find("<title></title>"), std::string::npos);
    EXPECT_NE(empty.find("<h1></h1>"), std::string::npos);
    const std::string hostile = PRHtmlController::messageHtmlHeader("<script>alert('x')</script> & co");
    EXPECT_EQ(hostile.find("<script>"), std::string::npos);
    EXPECT_NE(hostile.find("<h1>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; co</h1>"), std::string::npos);
    EXPECT_EQ(PRHtmlController::escapeHtml("a \"b\" <c>"), "a &quot;b&quot; &lt;c&gt;");
}

TEST_F(ExportTest, HtmlPageIsUtf16AndAnExistingPageIsKept) {
    PRHtmlController html;
    html.initMessageHtmlHeader("Anna Berg");
    html.addHtmlContent("<div class='triangle-isosceles'>" + PRHtmlController::escapeHtml("Hi <b>✓") + "</div>");
    const std::string path = folder + "/Anna.html";
    ASSERT_TRUE(html.writeHtmlInPath(path).ok());
    const std::string first = fromUtf16(readAll(path));
    EXPECT_EQ(first, PRHtmlController::messageHtmlHeader("Anna Berg") +
                         "<div class='triangle-isosceles'>Hi &lt;b&gt;✓</div></div></div></body></html>");

    PRHtmlController second;
    second.initMessageHtmlHeader("Second");
    ASSERT_TRUE(second.writeHtmlInPath(path).ok());
    EXPECT_EQ(fromUtf16(readAll(path)), first);
    EXPECT_NE(fromUtf16(readAll(folder + "/Anna (2).html")).find("<h1>Second</h1>"), std::string::npos);

    PRHtmlController third;
    third.initMessageHtmlHeader("Third");
    ASSERT_TRUE(third.writeHtmlInPath(path).ok());
    EXPECT_NE(fromUtf16(readAll(folder + "/Anna (3).html")).find("<h1>Third</h1>"), std::string::npos);
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"Anna (2).html", "Anna (3).html", "Anna.html"}));
}

TEST_F(ExportTest, HtmlNumberingTouchesOnlyTheFileName) {
    const std::string sub = folder + "/talks.html";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(sub)));
    PRHtmlController html;
    html.initMessageHtmlHeader("x");
    ASSERT_TRUE(html.writeHtmlInPath(sub + "/a.html").ok());
    ASSERT_TRUE(html.writeHtmlInPath(sub + "/a.html").ok());
    EXPECT_EQ(entries(sub), (std::vector<std::string>{"a (2).html", "a.html"}));
    ASSERT_TRUE(html.writeHtmlInPathEx(sub + "/plain.html").ok());
    EXPECT_EQ(readAll(sub + "/plain.html").substr(0, 15), "<!DOCTYPE html>");
}
