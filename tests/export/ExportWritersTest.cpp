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

    // Written as the entries come: the same bytes, the same numbering, nothing left by a failure.
    PRRtfController streamed;
    streamed.beginRtfInPath(folder, "CallHistory");
    for (const char* entry : {"first", "second", "ünïcode ✓"}) streamed.addRtfContent(entry);
    EXPECT_TRUE(streamed.strRtfContent().empty());
    const files::Outcome third = streamed.endRtf();
    ASSERT_TRUE(third.ok()) << third.reason;
    EXPECT_EQ(third.path, folder + "/Call History (3).txt");
    EXPECT_EQ(readAll(third.path), readAll(folder + "/Call History.txt"));
    streamed.beginRtfInPath(folder + "/missing", "Note");
    streamed.addRtfContent("lost");
    EXPECT_EQ(streamed.endRtf().reason, "No such file or directory");
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"Call History (2).txt", "Call History (3).txt",
                                                         "Call History.txt", "TXT.txt"}));

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

TEST_F(ExportTest, VCardHoldsEveryValueOnALineOfItsOwnWithItsTypeEscapedAndFolded) {
    PRContactNode contact;
    contact.setContactName("Anna; Berg, Jr.");
    contact.setContactFirstName("Anna;");
    contact.setContactLastName("Berg, Jr.");
    contact.setContactPrefix("Dr.");
    contact.setContactOrganization("Alder & Finch\\Legal");
    contact.setContactDepartment("Sales");
    contact.setContactJobtitle("Engineer");
    contact.setContactEmails({{"Work", "anna@example.com"}, {"", "a@example.org"}});
    contact.setContactPhones({{"Mobile", "(555) 010-1234"},
                              {"iPhone", "555 010 9876"},
                              {"Home", "1"},
                              {"Work", "2"},
                              {"Main", "3"},
                              {"HomeFAX", "4"},
                              {"Pager", "5"},
                              {"Boat", "6"}});
    contact.setContactHomepages({{"HomePage", "http://a.example.com/?a=1,2"}});
    contact.setContactAddresses({{"Home", "1 Elm St", "Springfield", "IL", "62701", "United States"}});
    contact.setContactBirthday("1980-01-01");
    contact.setContactNote("first line\r\nsecond; line");
    contact.setImageData(makeBytes({'f', 'o'}));
    PRVCFController vcf;
    const std::string path = folder + "/Anna.vcf";
    ASSERT_TRUE(vcf.creatFile(contact, path).ok());
    EXPECT_EQ(readAll(path),
              "BEGIN:VCARD\r\nVERSION:3.0\r\n"
              "N:Berg\\, Jr.;Anna\\;;;Dr.;\r\n"
              "FN:Anna\\; Berg\\, Jr.\r\n"
              "ORG:Alder & Finch\\\\Legal;Sales\r\n"
              "TITLE:Engineer\r\n"
              "EMAIL;TYPE=INTERNET,WORK,PREF:anna@example.com\r\n"
              "EMAIL;TYPE=INTERNET:a@example.org\r\n"
              "TEL;TYPE=CELL,PREF:(555) 010-1234\r\n"
              "TEL;TYPE=IPHONE,CELL:555 010 9876\r\n"
              "TEL;TYPE=HOME:1\r\n"
              "TEL;TYPE=WORK:2\r\n"
              "TEL;TYPE=MAIN:3\r\n"
              "TEL;TYPE=HOME,FAX:4\r\n"
              "TEL;TYPE=PAGER:5\r\n"
              "item1.TEL:6\r\n"
              "item1.X-ABLabel:Boat\r\n"
              "URL:http://a.example.com/?a=1\\,2\r\n"
              "ADR;TYPE=HOME:;;1 Elm St;Springfield;IL;62701;United States\r\n"
              "BDAY:1980-01-01\r\n"
              "NOTE:first line\\nsecond\\; line\r\n"
              "PHOTO;ENCODING=b;TYPE=JPEG:Zm8=\r\n"
              "END:VCARD\r\n");
    EXPECT_EQ(PRVCFController::escapeValue("a\nb\rc\r\nd"), "a\\nb\\nc\\nd");

    // A one-byte photo fits too; a PNG says so.
    contact.setImageData(makeBytes({0x89, 'P', 'N', 'G'}));
    const files::Outcome again = vcf.creatFile(contact, path);
    ASSERT_TRUE(again.ok());
    EXPECT_NE(readAll(again.path).find("PHOTO;ENCODING=b;TYPE=PNG:iVBORw==\r\nEND:VCARD\r\n"), std::string::npos);

    // Long lines are folded at 75 octets, never inside a character, and unfold to the value.
    const std::string note = "NOTE:" + std::string(70, 'x') + "\xC3\xA9\xC3\xA9" + std::string(200, 'y');
    const std::string folded = PRVCFController::foldedLine(note);
    std::string unfolded;
    size_t start = 0;
    for (size_t end = folded.find("\r\n"); end != std::string::npos; end = folded.find("\r\n", start)) {
        const std::string line = folded.substr(start, end - start);
        EXPECT_LE(line.size(), 75u) << line;
        EXPECT_NE(static_cast<unsigned char>(line.back()), 0xC3) << "a character cut in two";
        unfolded += start == 0 ? line : line.substr(1);
        if (start > 0) {
            EXPECT_EQ(line[0], ' ');
        }
        start = end + 2;
    }
    EXPECT_EQ(start, folded.size());
    EXPECT_EQ(unfolded, note);
}

TEST_F(ExportTest, VCardOfAnEmptyContactHoldsItsNameLinesAndKeepsTheUsersFile) {
    const std::string path = folder + "/empty.vcf";
    std::ofstream(path) << "the user's own card";
    PRVCFController vcf;
    PRContactNode empty;
    empty.setRowid(12);
    const files::Outcome card = vcf.creatFile(empty, path);
    ASSERT_TRUE(card.ok());
    EXPECT_EQ(readAll(path), "the user's own card");
    EXPECT_EQ(card.path, folder + "/empty (2).vcf");
    // No value is written empty: an importer would keep an empty number or address.
    EXPECT_EQ(readAll(card.path), "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN:unknown 12\r\nEND:VCARD\r\n");
    EXPECT_EQ(vcf.strContent(), readAll(card.path));
    EXPECT_FALSE(vcf.creatFile(PRContactNode(), folder + "/no/such/folder/x.vcf").ok());

    // A company shows as the card's name.
    PRContactNode company;
    company.setContactCompany("Blue Harbor Clinic");
    EXPECT_NE(PRVCFController::cardText(company).find("FN:Blue Harbor Clinic\r\nORG:Blue Harbor Clinic\r\n"),
              std::string::npos);
}

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

TEST_F(ExportTest, HtmlPageIsUtf8AsItDeclaresAndAnExistingPageIsKept) {
    PRHtmlController html;
    html.initMessageHtmlHeader("Anna Berg");
    html.addHtmlContent("<div class='triangle-isosceles'>" + PRHtmlController::escapeHtml("Hi <b>✓ \xFF") + "</div>");
    const std::string path = folder + "/Anna.html";
    ASSERT_TRUE(html.writeHtmlInPath(path).ok());
    const std::string first = readAll(path);
    EXPECT_NE(PRHtmlController::messageHtmlHeader("x").find("<meta charset='utf-8'>"), std::string::npos);
    // No byte-order mark; a byte that is no UTF-8 becomes U+FFFD, so the page is what it says.
    EXPECT_EQ(first, PRHtmlController::messageHtmlHeader("Anna Berg") +
                         "<div class='triangle-isosceles'>Hi &lt;b&gt;✓ \xEF\xBF\xBD</div></div></div></body></html>");

    PRHtmlController second;
    second.initMessageHtmlHeader("Second");
    ASSERT_TRUE(second.writeHtmlInPath(path).ok());
    EXPECT_EQ(readAll(path), first);
    EXPECT_NE(readAll(folder + "/Anna (2).html").find("<h1>Second</h1>"), std::string::npos);

    PRHtmlController third;
    third.initMessageHtmlHeader("Third");
    ASSERT_TRUE(third.writeHtmlInPath(path).ok());
    EXPECT_NE(readAll(folder + "/Anna (3).html").find("<h1>Third</h1>"), std::string::npos);
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"Anna (2).html", "Anna (3).html", "Anna.html"}));
}

TEST_F(ExportTest, HtmlPageWrittenAsItsFragmentsComeIsThePageCleanedWhole) {
    // Characters cut between fragments are joined before they are judged; what no later byte
    // completes becomes U+FFFD, wherever the cut falls.
    const std::vector<std::string> fragments = {
        "<p>a\xE2\x82", "\xAC b", "\xF0", "\x9F\x98", "\x80", " \xE2", "</p>", "\xC3", "\xA9\xFF\xED\xA0\x80<p>",
        "\xE2\x82"};
    const std::string expected = PRHtmlController::messageHtmlHeader("Ann") +
                                 "<p>a€ b😀 \xEF\xBF\xBD</p>é\xEF\xBF\xBD\xEF\xBF\xBD<p>\xEF\xBF\xBD"
                                 "</div></div></body></html>";
    PRHtmlController streamed;
    streamed.beginHtmlInPath(folder + "/Ann.html", "Ann");
    for (const std::string& fragment : fragments) streamed.addHtmlContent(fragment);
    EXPECT_TRUE(streamed.strHtmlContent().empty());
    const files::Outcome written = streamed.endHtml();
    ASSERT_TRUE(written.ok()) << written.reason;
    EXPECT_EQ(readAll(written.path), expected);

    // A page kept in memory is written in slices: a character across a slice's edge stays whole.
    PRHtmlController held;
    held.initMessageHtmlHeader("Ann");
    for (const std::string& fragment : fragments) held.addHtmlContent(fragment);
    ASSERT_TRUE(held.writeHtmlInPath(folder + "/Ann.html").ok());
    EXPECT_EQ(readAll(folder + "/Ann (2).html"), expected);
    PRHtmlController wide;
    wide.initMessageHtmlHeader("Wide");
    const std::string filler((1 << 16) - 1 - wide.strHtmlContent().size(), 'x');
    wide.addHtmlContent(filler + "€€");
    ASSERT_TRUE(wide.writeHtmlInPath(folder + "/Wide.html").ok());
    EXPECT_EQ(readAll(folder + "/Wide.html"),
              PRHtmlController::messageHtmlHeader("Wide") + filler + "€€</div></div></body></html>");

    // A page that cannot be written leaves nothing and says why.
    PRHtmlController nowhere;
    nowhere.beginHtmlInPath(folder + "/missing/Ann.html", "Ann");
    nowhere.addHtmlContent("<p>lost</p>");
    EXPECT_EQ(nowhere.endHtml().reason, "No such file or directory");
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"Ann (2).html", "Ann.html", "Wide.html"}));
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
