// The files the exports write, as the programs that open them read them: the five sample
// backups recovered whole, their records written as the one-click copy writes them, and their
// conversations exported as the transfer page does, each kind checked by a parser we did not
// write (tests/export/checks) and against the databases the records came from.
#include "ExportChecks.h"
#include "SampleBackup.h"
#include "SampleDatabases.h"
#include "TestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRContactReader.h"
#include "browser/ConversationPaging.h"
#include "browser/ConversationPdf.h"
#include "browser/core/PRBackupRecovery.h"
#include "browser/core/PRBackupScanJob.h"
#include "browser/core/PRScanIntake.h"
#include "export/PRVCFController.h"
#include "platform/NewFile.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "transfer/core/OneCopyRecords.h"
#include "transfer/core/RecordExport.h"
#include "widgets/RecordTableModels.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

std::string fileText(const std::string& path) {
    QFile file(qs(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// The records backup-dump prints for a backup under one notification name, in order.
std::vector<QJsonObject> dumped(const std::string& backup, const QString& name) {
    QProcess dump;
    dump.start(qs(paths::executableDirectory() + "/backup-dump"), {qs(backup)});
    std::vector<QJsonObject> records;
    if (!dump.waitForFinished(120000) || dump.exitCode() != 0) {
        ADD_FAILURE() << "backup-dump " << backup << ": " << dump.readAllStandardError().toStdString();
        return records;
    }
    for (const QByteArray& line : dump.readAllStandardOutput().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object["name"].toString() == name) records.push_back(object["object"].toObject());
    }
    return records;
}

// Sets the process's time zone (TZ) for the life of the object, and puts the one before back.
class ZoneForTest {
public:
    explicit ZoneForTest(const char* zone) {
        if (const char* before = std::getenv("TZ")) before_ = before;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneForTest() {
        if (before_)
            ::setenv("TZ", before_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> before_;
};

// One sample backup and what each export made of it.
struct Exported {
    std::string backup;     // the backup folder
    std::string recovered;  // the recovery of every record
    std::string oneCopy;    // the one-click copy's record files
    std::shared_ptr<PRScanIntake> intake;
};

// The five sample backups, each scanned, recovered whole and copied as the one-click copy does,
// made once for the tests of one run.
class SampleExportsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new QTemporaryDir;
        const std::string root = root_->path().toStdString();
        const std::vector<std::string> folders = samplebackup::writeSampleBackups(root + "/backups");
        ASSERT_EQ(folders.size(), 5u);
        // iPhone (iOS 6, with deleted rows to carve), iPad (iOS 7), the iOS 4 phone and the iOS 5
        // phones (installed fresh, and upgraded from iOS 4).
        const bool newer[] = {true, true, false, false, false};
        const bool ios7[] = {false, true, false, false, false};
        exported_ = new std::vector<Exported>;
        for (size_t i = 0; i < folders.size(); ++i) {
            Exported e;
            e.backup = folders[i];
            const std::string name = "Phone " + std::to_string(i);
            auto job =
                std::make_shared<PRBackupScanJob>(PRBackupScanRequest{e.backup, name, newer[i], ios7[i], i == 0});
            job->run();
            e.intake = job->takeIntake();
            ASSERT_TRUE(e.intake);
            PRRecoverySelection s = recoverySelectionOf(*e.intake, name);
            for (auto& contact : s.contactArray) contact->setBSelected(true);
            for (auto& conversation : s.messageTreeArray) conversation->setBSelected(true);
            for (auto& call : s.callHistoryArray) call->setBSelected(true);
            for (auto& note : s.noteArray) note->setBSelected(true);
            e.recovered = root + "/recovered/" + std::to_string(i);
            PRBackupRecovery recovery;
            const PRRecoveryResult r = recovery.recoverFilesThread(s, e.recovered);
            EXPECT_TRUE(r.ok()) << r.firstFailedPath << ": " << r.firstReason;

            e.oneCopy = root + "/one-copy/" + std::to_string(i);
            transfer::OneCopyRecords copy(e.backup, e.oneCopy, name);
            EXPECT_GT(copy.startCopyContacts(), 0);
            copy.startCopyMessages();
            EXPECT_EQ(copy.result().failures, 0u) << copy.result().firstFailurePath;
            exported_->push_back(std::move(e));
        }
    }
    static void TearDownTestSuite() {
        delete exported_;
        delete root_;
    }

    // The backup's file of the database kept under one of keys.
    static QString database(const Exported& e, std::initializer_list<const char*> keys) {
        for (const char* key : keys)
            if (fs::exists(e.backup + "/" + key)) return qs(e.backup + "/" + key);
        return qs(e.backup + "/" + *keys.begin());
    }
    // The checker's arguments that compare every message of a page with the backup's databases.
    static QStringList messagesOf(const Exported& e) {
        return {"--messages", database(e, {backupkeys::messages}), "--addressbook",
                database(e, {backupkeys::addressBook})};
    }

    static QStringList pagesIn(const std::string& folder) {
        QStringList pages;
        for (const QString& page : QDir(qs(folder)).entryList({"*.html"}, QDir::Files))
            pages << qs(folder) + "/" + page;
        return pages;
    }

    static QTemporaryDir* root_;
    static std::vector<Exported>* exported_;
};

QTemporaryDir* SampleExportsTest::root_ = nullptr;
std::vector<Exported>* SampleExportsTest::exported_ = nullptr;

}  // namespace

// Every card parses and validates, and every person of the address book has a card of their
// own carrying each of their fields, in the recovery and in the one-click copy alike.
TEST_F(SampleExportsTest, EveryCardParsesAndCarriesEachFieldOfItsPerson) {
    ASSERT_EQ(exported_->size(), 5u);
    for (const Exported& e : *exported_) {
        const QStringList book{"--addressbook", qs(e.backup + "/" + backupkeys::addressBook), "--images",
                               qs(e.backup + "/" + backupkeys::addressBookImages)};
        EXPECT_TRUE(exportchecks::passes("vcards.py", book + QStringList{qs(e.recovered + "/Contact")}));
        EXPECT_TRUE(exportchecks::passes("vcards.py", book + QStringList{qs(e.oneCopy + "/Contact")}));
    }
}

// Every page parses as HTML5 without an error, declares its encoding, and links only files of
// its own export folder, each of them there; the iPhone's pictures, movies and cards are linked.
// Every message of the backup stands on the pages once, on its side, under the name of who
// wrote it, with its text beside its attachment.
TEST_F(SampleExportsTest, EveryConversationPageParsesAndShowsEachMessageAsWritten) {
    ASSERT_EQ(exported_->size(), 5u);
    for (size_t i = 0; i < exported_->size(); ++i) {
        const Exported& e = (*exported_)[i];
        const QStringList minimum = QStringList{"--min-links", i == 0 ? "3" : "0"} + messagesOf(e);
        EXPECT_TRUE(exportchecks::passes("pages.py",
                                         minimum + QStringList{qs(e.recovered)} + pagesIn(e.recovered + "/Message")));
        EXPECT_TRUE(
            exportchecks::passes("pages.py", minimum + QStringList{qs(e.oneCopy)} + pagesIn(e.oneCopy + "/Message")));
    }
    // The transfer page's export: a page per conversation, each with its own attachments.
    const std::string transferFolder = root_->path().toStdString() + "/transfer";
    for (const PRMessageTreeNodePtr& conversation : exported_->front().intake->messageTreeArray()) {
        const auto written =
            transfer::RecordExport::exportConversation(*conversation, "Phone", transferFolder + "/Message");
        EXPECT_TRUE(written.ok()) << written.firstFailedPath << ": " << written.firstReason;
    }
    EXPECT_TRUE(exportchecks::passes("pages.py", QStringList{"--min-links", "3"} + messagesOf(exported_->front()) +
                                                     QStringList{qs(transferFolder)} +
                                                     pagesIn(transferFolder + "/Message")));
}

// The text files hold what the databases hold: every call named by the contact whose number it
// is, every note with its text, every person with their numbers apart and their birthday.
TEST_F(SampleExportsTest, EveryTextFileHoldsItsDatabase) {
    ASSERT_EQ(exported_->size(), 5u);
    for (const Exported& e : *exported_) {
        const QString book = database(e, {backupkeys::addressBook});
        EXPECT_TRUE(exportchecks::passes(
            "texts.py", {"--calls", database(e, {backupkeys::callHistory, backupkeys::callHistoryOld}), "--addressbook",
                         book, qs(e.recovered + "/CallHistory/Call History.txt")}));
        EXPECT_TRUE(exportchecks::passes("texts.py", {"--notes", database(e, {backupkeys::notes, backupkeys::notesOld}),
                                                      qs(e.recovered + "/Note/Notes.txt")}));
        EXPECT_TRUE(exportchecks::passes("texts.py", {"--contacts", book, qs(e.recovered + "/Contact/Contacts.txt")}));
    }
}

// A multimedia message of iOS 4 and 5 keeps its words in a text part beside its picture part:
// the words are its text beside its picture in the bubbles, on the exported conversation page and
// in backup-dump's record, where the bubble said "Unsaved File" and the words were lost.
TEST_F(SampleExportsTest, AMultimediaMessageShowsItsWordsBesideItsPicture) {
    ASSERT_EQ(exported_->size(), 5u);
    const sampledb::SampleData data = sampledb::makeSampleData({60, 8, 500, 90, 14, 20, 30, true});
    const std::pair<size_t, sampledb::MessageSchema> olderPhones[] = {{2, sampledb::MessageSchema::ios4},
                                                                      {3, sampledb::MessageSchema::ios5Fresh},
                                                                      {4, sampledb::MessageSchema::ios5Upgraded}};
    for (const auto& [index, schema] : olderPhones) {
        const Exported& e = (*exported_)[index];
        SCOPED_TRACE(e.backup);
        std::map<int, PRMessageNodePtr> read;
        for (const PRMessageTreeNodePtr& conversation : e.intake->messageTreeArray())
            for (const PRMessageNodePtr& m : conversation->MessageNodeArray()) read[m->rowId()] = m;
        std::map<int, QJsonObject> printed;
        for (const QJsonObject& m : dumped(e.backup, "ScanMessageInfo")) printed[m["rowId"].toInt()] = m;
        std::string pages;
        for (const QString& page : pagesIn(e.recovered + "/Message")) pages += fileText(page.toStdString());
        size_t checked = 0;
        for (const sampledb::Message& m : data.messages) {
            const std::string words = sampledb::partsText(m);
            if (!sampledb::isPartsMessage(m, schema) || words.empty() ||
                m.attachmentName.find(".JPG") == std::string::npos)
                continue;
            ++checked;
            SCOPED_TRACE(m.rowid);
            const int row = static_cast<int>(m.rowid);
            ASSERT_TRUE(read.count(row));
            const PRMessageNode& message = *read[row];
            EXPECT_EQ(message.messageContent(), words);
            const conversation::BubbleContent bubble = conversation::bubbleContent(message);
            EXPECT_EQ(bubble.kind, conversation::BubbleKind::Picture);
            EXPECT_TRUE(fs::is_regular_file(bubble.imagePath)) << bubble.imagePath;
            EXPECT_EQ(conversation::textBesideAttachment(message), words);
            // On the page: the message's picture, then its words.
            const size_t at = pages.find("id='message-" + std::to_string(row) + "'");
            ASSERT_NE(at, std::string::npos);
            const std::string block = pages.substr(at, pages.find("</div>", at) - at);
            ASSERT_NE(block.find(words), std::string::npos) << block;
            EXPECT_LT(block.find("<img "), block.find(words)) << block;
            EXPECT_EQ(printed[row]["messageContent"].toString().toStdString(), words);
            EXPECT_EQ(printed[row]["attachType"].toString(), "Image");
        }
        EXPECT_GT(checked, 0u);
    }
}

// A contact that holds a company alone is known by it: in the contact list of either layout, in
// Contacts.txt, and as its card's name and file name, in the recovery and the one-click copy.
TEST_F(SampleExportsTest, AContactOfACompanyAloneIsKnownByTheCompany) {
    ASSERT_EQ(exported_->size(), 5u);
    for (const Exported& e : *exported_) {
        SCOPED_TRACE(e.backup);
        const std::vector<PRContactNodePtr> contacts = e.intake->contactArray();
        PRContactController marked(nullptr, PRRecordTableModel::Layout::Marking);
        PRContactController listed(nullptr, PRRecordTableModel::Layout::Listing);
        marked.setRecords(contacts);
        listed.setRecords(contacts);
        const std::string contactsText = fileText(e.recovered + "/Contact/Contacts.txt");
        std::vector<std::pair<std::string, std::string>> cards;  // file name, text
        for (const std::string& folder : {e.recovered + "/Contact", e.oneCopy + "/Contact"})
            for (const auto& entry : fs::directory_iterator(folder))
                if (entry.path().extension() == ".vcf")
                    cards.emplace_back(entry.path().filename().string(), fileText(entry.path().string()));
        size_t companies = 0;
        for (const PRContactNodePtr& contact : contacts) {
            if (!contact->contactName().empty() || contact->contactOrganization().empty()) continue;
            ++companies;
            const std::string company = contact->contactOrganization();
            SCOPED_TRACE(company);
            for (PRContactController* list : {&marked, &listed}) {
                const int column = list == &marked ? PRContactController::Name : PRContactController::Name - 1;
                int row = 0;
                while (row < list->rowCount() && list->at(row) != contact) ++row;
                ASSERT_LT(row, list->rowCount());
                EXPECT_EQ(list->index(row, column).data().toString(), qs(company));
            }
            EXPECT_NE(contactsText.find("Name:" + company + "  Phone:"), std::string::npos);
            const size_t named = std::count_if(cards.begin(), cards.end(), [&](const auto& card) {
                return card.first.rfind(company, 0) == 0 &&
                       card.second.find("\r\nFN:" + company + "\r\n") != std::string::npos;
            });
            EXPECT_GE(named, 2u) << "a card in the recovery and one in the copy";
        }
        EXPECT_GT(companies, 0u);
    }
}

// An all-day event stands on its own dates whatever zone the computer is in, ending on its last
// day, and an event of another zone at its moment in the computer's: in the event list, in
// Calendar&Reminder.txt and in backup-dump's records of every sample backup; a deleted all-day
// event comes back on its day too.
TEST_F(SampleExportsTest, AllDayEventsStandOnTheirDatesInAnyZone) {
    ASSERT_EQ(exported_->size(), 5u);
    struct Dates {
        std::string title, start, end;
    };
    const std::vector<Dates> allDay = {{"Tax Day", "04-15-2016", "04-15-2016"},
                                       {"Independence Day", "07-04-2016", "07-04-2016"},
                                       {"Christmas Holidays", "12-24-2016", "12-26-2016"},
                                       {"Anna's Birthday", "06-02-2016", "06-02-2016"}};
    // 10:00 in Tokyo, where the call was set.
    const std::pair<const char*, Dates> zones[] = {
        {"America/New_York", {"Call with the Tokyo office", "05-09-2016 21:00", "05-09-2016 22:00"}},
        {"Asia/Shanghai", {"Call with the Tokyo office", "05-10-2016 09:00", "05-10-2016 10:00"}}};

    // A phone whose holidays were deleted, for the carver.
    const std::string root = root_->path().toStdString() + "/zones";
    const std::string deleted = root + "/deleted";
    samplebackup::SampleDevice phone = samplebackup::sampleIPhone();
    ASSERT_TRUE(samplebackup::addSampleDatabases(deleted, samplebackup::sampleDatabaseSchemas(),
                                                 {20, 4, 40, 10, 4, 4, 6, false}));
    ASSERT_TRUE(samplebackup::writeBackupPropertyLists(deleted, phone));
    sqlite3* calendar = nullptr;
    ASSERT_EQ(sqlite3_open((deleted + "/" + backupkeys::calendar).c_str(), &calendar), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(calendar, "PRAGMA secure_delete = OFF; DELETE FROM CalendarItem WHERE all_day = 1;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(calendar);

    int run = 0;
    for (const auto& [zone, call] : zones) {
        SCOPED_TRACE(zone);
        ZoneForTest inZone(zone);
        std::vector<Dates> wanted = allDay;
        wanted.push_back(call);
        const bool newer[] = {true, true, false, false, false};
        for (size_t i = 0; i < exported_->size(); ++i) {
            const Exported& e = (*exported_)[i];
            SCOPED_TRACE(e.backup);
            auto job =
                std::make_shared<PRBackupScanJob>(PRBackupScanRequest{e.backup, "Phone", newer[i], i == 1, false});
            job->run();
            const std::shared_ptr<PRScanIntake> intake = job->takeIntake();
            ASSERT_TRUE(intake);
            std::map<std::string, PRCalenderNodePtr> listed;
            for (const PRCalenderNodePtr& item : intake->calenderArray()) listed[item->calTitle()] = item;
            PRRecoverySelection selection;
            selection.deviceName = "Phone";
            selection.calenderArray = intake->calenderArray();
            for (const PRCalenderNodePtr& item : selection.calenderArray) item->setBSelected(true);
            const std::string folder = root + "/recovered-" + std::to_string(run++);
            PRBackupRecovery recovery;
            EXPECT_TRUE(recovery.recoverFilesThread(selection, folder).ok());
            const std::string text = fileText(folder + "/Calendar&Reminder/Calendar&Reminder.txt");
            std::map<std::string, QJsonObject> printed;
            for (const QJsonObject& item : dumped(e.backup, "scanCalenderInfo"))
                printed[item["calTitle"].toString().toStdString()] = item;
            for (const Dates& d : wanted) {
                SCOPED_TRACE(d.title);
                ASSERT_TRUE(listed.count(d.title));
                EXPECT_EQ(listed[d.title]->startDate(), d.start);
                EXPECT_EQ(listed[d.title]->endDate(), d.end);
                EXPECT_NE(
                    text.find("Title:" + d.title + "  Note:  Start Date:" + d.start + "  End Date:" + d.end + "  "),
                    std::string::npos);
                EXPECT_EQ(printed[d.title]["startDate"].toString().toStdString(), d.start);
                EXPECT_EQ(printed[d.title]["endDate"].toString().toStdString(), d.end);
            }
        }
        // A carved row keeps its start's zone and whether it lasts all day: it comes back as the
        // same day, ending on its last one.
        auto job = std::make_shared<PRBackupScanJob>(PRBackupScanRequest{deleted, "Phone", true, false, true});
        job->run();
        const std::shared_ptr<PRScanIntake> intake = job->takeIntake();
        ASSERT_TRUE(intake);
        size_t carved = 0;
        for (const PRCalenderNodePtr& item : intake->calenderArray()) {
            if (!item->bDeleted()) continue;
            for (const Dates& d : allDay)
                if (item->calTitle() == d.title) {
                    ++carved;
                    EXPECT_EQ(item->startDate(), d.start) << d.title;
                    EXPECT_EQ(item->endDate(), d.end) << d.title;
                }
        }
        EXPECT_EQ(carved, allDay.size());
    }
}

// A conversation's PDF holds the name and the messages of both sides as searchable text at the
// size the screen shows them on pages of paper: one page for a short conversation, as many as it
// needs for one of over 400 messages.
TEST_F(SampleExportsTest, AConversationPdfHoldsTheTextOfBothSidesOnReadablePages) {
    ASSERT_EQ(exported_->size(), 5u);
    const auto& conversations = exported_->front().intake->messageTreeArray();
    const auto longest = std::max_element(conversations.begin(), conversations.end(), [](const auto& a, const auto& b) {
        return a->MessageNodeArray().size() < b->MessageNodeArray().size();
    });
    ASSERT_NE(longest, conversations.end());
    ASSERT_GT((*longest)->MessageNodeArray().size(), 400u);
    int drawn = 0;
    bool longDrawn = false, shortDrawn = false;
    for (const PRMessageTreeNodePtr& conversation : conversations) {
        const bool isLongest = conversation == *longest;
        std::string sent, received;
        for (const PRMessageNodePtr& m : conversation->MessageNodeArray()) {
            // Short texts without symbols or emoji (U+2000 and up): an emoji is drawn as a picture
            // of itself, and other symbols depend on the fonts at hand.
            const std::string& text = m->messageContent();
            if (m->isHasAttach() || text.empty() || text.size() > 60 ||
                std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE2; }))
                continue;
            std::string& side = m->messageType() == "Send" ? sent : received;
            if (side.empty()) side = m->messageContent();
        }
        // A conversation of a few messages fits on one page.
        const bool isShort = conversation->MessageNodeArray().size() <= 5;
        if (sent.empty() || received.empty() || (drawn >= 3 && !isLongest && !(isShort && !shortDrawn))) continue;
        QString why;
        const QByteArray pdf = conversationpdf::conversationPdf(conversation, &why);
        ASSERT_FALSE(pdf.isEmpty()) << why.toStdString();
        const std::string path = root_->path().toStdString() + "/conversation-" + std::to_string(drawn) + ".pdf";
        ASSERT_TRUE(files::writeNewFile(path, std::string_view(pdf.constData(), size_t(pdf.size()))).ok());
        const QStringList pages = isLongest ? QStringList{"--min-pages", "2"}
                                  : isShort ? QStringList{"--pages", "1"}
                                            : QStringList{};
        EXPECT_TRUE(exportchecks::passes(
            "pdf.py",
            pages + QStringList{qs(path), qs(conversation->messageTreeNodeName()), qs(sent), qs(received), "Me"}));
        ++drawn;
        longDrawn |= isLongest;
        shortDrawn |= isShort;
        // Kept beside the screenshots, for a look at its pages (pdftoppm -png).
        if (isLongest) {
            std::error_code ignored;
            fs::create_directories(QM_SCREENSHOT_DIR, ignored);
            fs::copy_file(path, QM_SCREENSHOT_DIR "/long-conversation.pdf", fs::copy_options::overwrite_existing,
                          ignored);
        }
    }
    EXPECT_GE(drawn, 3);
    EXPECT_TRUE(longDrawn);
    EXPECT_TRUE(shortDrawn);
}

// A contact with two numbers, an address and a birthday, read from an address book and written
// as a card, keeps all of them when the card is read back.
TEST(VCardRoundTripTest, TwoNumbersAnAddressAndABirthdaySurviveACard) {
    testsupport::TempHome home;
    const std::string backup = testsupport::scratchDirectory("backup");
    sampledb::Contact ito;
    ito.rowid = 3;  // numbers of a row divisible by three are labelled iPhone
    ito.last = "Ito";
    ito.organization = "Harbour; Sons, Ltd";
    ito.note = "Line one\nline two, with \"quotes\"";
    ito.birthday = "-662731200.000000";
    ito.phones = {"+81 3 1234 5678", "(555) 010-9876"};
    ito.emails = {"ito@example.com"};
    sampledb::PostalAddress address;
    address.street = "1-2-3 Minato";
    address.city = "Tōkyō";
    address.zip = "105-0011";
    address.country = "Japan";
    ito.addresses = {address};
    ASSERT_TRUE(sampledb::writeAddressBook(backup + "/" + backupkeys::addressBook, {ito}));

    NSNotificationCenter nc;
    PRBackupScanState state;
    PRContactReader(state, nc).scanContactThread(backup);
    ASSERT_EQ(state.contactArray.size(), 1u);
    const PRContactNode& read = *state.contactArray.front();
    EXPECT_EQ(read.contactName(), "Ito");  // no blank where the first name is missing
    const std::string cards = testsupport::scratchDirectory("cards");
    const std::string path = cards + "/" + PRBackupRecovery::contactCardName(read) + ".vcf";
    ASSERT_TRUE(PRVCFController().creatFile(read, path).ok());
    EXPECT_EQ(fs::path(path).filename(), "Ito.vcf");
    EXPECT_TRUE(
        exportchecks::passes("vcards.py", {"--addressbook", qs(backup + "/" + backupkeys::addressBook), qs(cards)}));
}
