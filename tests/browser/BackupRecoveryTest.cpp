// The recovery into a folder: every category of a scanned backup lands in its sub-folder with
// the files equal to the backup's, copies are exact at the chunk edges, names from a backup
// cannot leave the chosen folder, record texts cannot break the page, and a folder that
// cannot be written is reported rather than half-written, and nothing is read through a link
// or blocked on a FIFO in a backup.
#include "BrowserTestBackups.h"
#include "HostileFiles.h"
#include "SampleBackup.h"
#include "TestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/ManifestWriter.h"
#include "backup/PRBackupManifestReader.h"
#include "backup/PRBackupScanState.h"
#include "backup/SHAH.h"
#include "browser/core/PRBackupFileTree.h"
#include "browser/core/PRBackupRecovery.h"
#include "browser/core/PRBackupScanJob.h"
#include "export/PRHtmlController.h"
#include "export/PRVCFController.h"
#include "platform/NotificationCenter.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sqlite3.h>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = char(gen() & 0xff);
    return bytes;
}

// Every file below folder, as paths relative to it.
std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files.insert(fs::relative(e.path(), folder).string());
    return files;
}

// The conversation page as text (UTF-8, as it declares).
QString pageText(const std::string& path) { return QString::fromStdString(readAll(path)); }

// A vCard parses when it is one BEGIN/END block of "NAME:value" lines with a version and a name.
bool parsesAsVCard(const std::string& text) {
    const QStringList lines = QString::fromStdString(text).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
    if (lines.size() < 4 || lines.first() != "BEGIN:VCARD" || lines.last() != "END:VCARD") return false;
    if (!lines.contains("VERSION:3.0")) return false;
    bool named = false;
    for (const QString& line : lines) {
        if (!line.contains(':') && !line.startsWith(' ')) return false;
        named = named || line.startsWith("FN:") || line.startsWith("N:");
    }
    return named;
}

// The body of a death test, in a process of its own: the test's program run again, with a
// temporary home of its own (home) where the test wrote its files anew. Copies source over
// target with files limited to 1 MiB, and exits 0 when the copy failed on writing, target still
// holds earlier and no hidden temporary file stayed beside it. The checks are made here, as the
// parent's files are not these. The process ends without unwinding, so it removes its home.
[[noreturn]] void copyUnderSizeLimit(const std::string& source, const std::string& target, const std::string& earlier,
                                     const std::string& home) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 1 << 20;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string why;
    // The local cause in the system's own words.
    const bool failedOnWriting = !PRBackupRecovery::copyFile(source, target, &why) && why == "File too large";
    const bool targetWhole = readAll(target) == earlier;
    bool hiddenLeft = false;
    for (const auto& e : fs::directory_iterator(fs::path(target).parent_path()))
        hiddenLeft = hiddenLeft || e.path().filename().string()[0] == '.';
    std::error_code ignored;
    fs::remove_all(home, ignored);
    std::_Exit(failedOnWriting && targetWhole && !hiddenLeft ? 0 : 1);
}

// The body of a death test like the one above: recovers s into out with files limited to 64 KiB,
// and exits 0 when the conversation page failed part-way in the system's words, counted none of
// its conversations or messages, and left neither the page nor a hidden temporary file.
[[noreturn]] void recoverUnderSizeLimit(const PRRecoverySelection& s, const std::string& out, const std::string& home) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 1 << 16;
    setrlimit(RLIMIT_FSIZE, &limit);
    PRBackupRecovery recovery;
    const PRRecoveryResult r = recovery.recoverFilesThread(s, out);
    const bool failed =
        r.failures == 1 && r.firstReason == "File too large" && r.firstFailedPath == out + "/Message/Messages.html";
    const bool nothingCounted = r.written == 0 && r.writtenOf[PRRecoveryResult::Conversations] == 0 &&
                                r.writtenOf[PRRecoveryResult::Messages] == 0;
    const bool nothingLeft = fs::is_empty(out + "/Message");
    std::error_code ignored;
    fs::remove_all(home, ignored);
    std::_Exit(failed && nothingCounted && nothingLeft ? 0 : 1);
}

class BackupRecoveryTest : public testsupport::HomeTest {
protected:
    std::string scratch(const std::string& name) { return testsupport::scratchDirectory("Recovery/" + name); }
};

}  // namespace

TEST_F(BackupRecoveryTest, EveryCategoryOfTheSampleBackupLandsInItsFolderEqualToTheBackup) {
    auto size = browsertest::smallSize(12, 60);
    size.photos = true;
    const auto made = browsertest::makeBackup(scratch("backup"), "Ann's iPhone", size);
    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    job->run();
    const auto intake = job->takeIntake();
    ASSERT_TRUE(intake);

    PRRecoverySelection s = recoverySelectionOf(*intake, made.device.name);
    auto markAll = [](auto& array) {
        for (auto& r : array) r->setBSelected(true);
    };
    markAll(s.photoAndVideoArray);
    markAll(s.contactArray);
    markAll(s.messageTreeArray);
    markAll(s.noteArray);
    markAll(s.callHistoryArray);
    markAll(s.bookMarkArray);
    markAll(s.calenderArray);
    markAll(s.faceTwitterArray);
    for (const auto& root : s.treeRoots) PRBackupFileTree::setFolderState(root, PRTreeSelected);
    ASSERT_FALSE(s.contactArray.empty());
    ASSERT_FALSE(s.messageTreeArray.empty());
    ASSERT_FALSE(s.treeRoots.empty());

    const std::string out = scratch("out") + "/" + PRBackupRecovery::defaultFolderName(QDateTime::currentDateTime());
    PRBackupRecovery recovery;
    const PRRecoveryResult result = recovery.recoverFilesThread(s, out);
    EXPECT_TRUE(result.ok()) << result.firstFailedPath << ": " << result.firstReason;
    EXPECT_GE(result.written, PRBackupRecovery::countSelected(s));
    EXPECT_EQ(recovery.allSelectedFileNum(), PRBackupRecovery::countSelected(s));

    for (const char* folder :
         {"Photo&Video", "Ann's iPhone", "Contact", "Message", "Note", "CallHistory", "BookMark", "Calendar&Reminder"})
        EXPECT_TRUE(fs::is_directory(out + "/" + folder)) << folder;
    // A category without records makes no folder: the backup has no social files.
    EXPECT_EQ(fs::is_directory(out + "/FaceBook&Twitter"), !s.faceTwitterArray.empty());
    for (const char* file :
         {"Contact/Contacts.txt", "Note/Notes.txt", "CallHistory/Call History.txt", "BookMark/BookMark.txt",
          "Calendar&Reminder/Calendar&Reminder.txt", "Message/Messages.html"})
        EXPECT_TRUE(fs::is_regular_file(out + "/" + file)) << file;

    // One file per photo, each equal to its source byte for byte, records of one name included.
    std::multiset<std::string> expected, found;
    for (const auto& photo : s.photoAndVideoArray) expected.insert(readAll(photo->filePath()));
    for (const auto& e : fs::directory_iterator(out + "/Photo&Video")) found.insert(readAll(e.path().string()));
    EXPECT_FALSE(expected.empty());
    EXPECT_TRUE(found == expected) << found.size() << " files for " << expected.size() << " photos";
    uint64_t backupFiles = 0;
    std::function<void(const PRTreeDirNodePtr&)> walk = [&](const PRTreeDirNodePtr& dir) {
        for (const auto& file : dir->fileChildren()) {
            if (!file->isFile()) continue;
            ++backupFiles;
            const std::string copy = out + "/Ann's iPhone/" + file->dirFilePath();
            ASSERT_TRUE(fs::is_regular_file(copy)) << copy;
            EXPECT_TRUE(readAll(copy) == readAll(*file->filePath())) << copy;
        }
        for (const auto& child : dir->children()) walk(child);
    };
    for (const auto& root : s.treeRoots) walk(root);
    EXPECT_GT(backupFiles, 3u);

    // One entry and one card per contact, contacts of one name included, and the cards parse.
    const std::string contacts = readAll(out + "/Contact/Contacts.txt");
    for (const auto& c : s.contactArray) {
        EXPECT_NE(contacts.find("Name:" + c.get()->contactName() + "  "), std::string::npos);
        // Postal addresses and birthdays are in the text too.
        EXPECT_NE(contacts.find("Address:" + c->contactAdress() + "  Birthday:" + c->contactBirthday() + "  "),
                  std::string::npos)
            << c->contactName();
    }
    EXPECT_TRUE(std::any_of(s.contactArray.begin(), s.contactArray.end(), [](const auto& c) {
        return !c->contactAdress().empty() && !c->contactBirthday().empty();
    }));
    int cards = 0;
    for (const auto& e : fs::directory_iterator(out + "/Contact")) {
        if (e.path().extension() != ".vcf") continue;
        ++cards;
        EXPECT_TRUE(parsesAsVCard(readAll(e.path()))) << e.path();
    }
    EXPECT_EQ(size_t(cards), s.contactArray.size());

    const QString page = pageText(out + "/Message/Messages.html");
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(page.trimmed().endsWith("</html>"));
    EXPECT_EQ(page.count("<hr/>"), qsizetype(s.messageTreeArray.size()));
}

// A NUL inside a record's text never cuts what follows it: the readers keep it (as U+FFFD), and
// the card, the text file and the conversation page hold the whole text.
TEST_F(BackupRecoveryTest, TextAfterANulIsKept) {
    const auto made = browsertest::makeBackup(scratch("nul"), "Ann's iPhone", browsertest::smallSize(6, 20));
    const std::string nul("NUL\0AFTER", 9);
    for (const auto& [key, sql] :
         {std::pair{backupkeys::addressBook,
                    "UPDATE ABPerson SET First = ?1 WHERE ROWID = (SELECT min(ROWID) FROM ABPerson)"},
          std::pair{backupkeys::messages,
                    "UPDATE message SET text = ?1 WHERE ROWID = (SELECT min(ROWID) FROM message)"}}) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((made.folder + "/" + key).c_str(), &db), SQLITE_OK);
        sqlite3_stmt* update = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, sql, -1, &update, nullptr), SQLITE_OK);
        sqlite3_bind_text(update, 1, nul.data(), int(nul.size()), SQLITE_STATIC);
        EXPECT_EQ(sqlite3_step(update), SQLITE_DONE);
        sqlite3_finalize(update);
        sqlite3_close(db);
    }
    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    job->run();
    const auto intake = job->takeIntake();
    ASSERT_TRUE(intake);
    PRRecoverySelection s = recoverySelectionOf(*intake, made.device.name);
    for (auto& c : s.contactArray) c->setBSelected(true);
    for (auto& m : s.messageTreeArray) m->setBSelected(true);
    const std::string out = scratch("nul-out");
    PRBackupRecovery recovery;
    const PRRecoveryResult result = recovery.recoverFilesThread(s, out);
    EXPECT_TRUE(result.ok()) << result.firstFailedPath << ": " << result.firstReason;

    const std::string kept = "NUL\uFFFDAFTER";
    EXPECT_NE(readAll(out + "/Contact/Contacts.txt").find(kept), std::string::npos);
    EXPECT_NE(readAll(out + "/Message/Messages.html").find(kept), std::string::npos);
    bool card = false;
    for (const auto& e : fs::directory_iterator(out + "/Contact"))
        card = card || (e.path().extension() == ".vcf" && readAll(e.path()).find(kept) != std::string::npos);
    EXPECT_TRUE(card);

    // A text that holds a NUL itself (a carved one) is written whole too.
    PRContactNode contact;
    contact.setContactFirstName(nul);
    EXPECT_NE(PRVCFController::cardText(contact).find("AFTER"), std::string::npos);
    PRMessageNode message;
    message.setMessageContent(nul);
    EXPECT_NE(PRBackupRecovery::messageEntry(message).find("AFTER"), std::string::npos);
}

// A database recovered from the backup-file tree comes with the journal the backup holds beside
// it, so that it opens with every row the browser showed; and the recovery writes only what was
// chosen: no folder or file of a category none of whose records was marked.
TEST_F(BackupRecoveryTest, ADatabaseRecoveredFromTheTreeOpensWithItsJournalsRows) {
    const auto made = browsertest::makeBackup(scratch("tree-db"), "Ann's iPhone", browsertest::smallSize(6, 40));
    ASSERT_TRUE(fs::exists(made.folder + "/" + backupkeys::messages + "-wal")) << "the sample keeps rows in journals";
    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    job->run();
    const auto intake = job->takeIntake();
    ASSERT_TRUE(intake);
    PRRecoverySelection s = recoverySelectionOf(*intake, made.device.name);
    PRTreeFileNodePtr database;
    std::function<void(const PRTreeDirNodePtr&)> find = [&](const PRTreeDirNodePtr& dir) {
        for (const auto& file : dir->fileChildren())
            if (file->dirFilePath() == "HomeDomain/Library/SMS/sms.db") database = file;
        for (const auto& child : dir->children()) find(child);
    };
    for (const auto& root : s.treeRoots) find(root);
    ASSERT_TRUE(database);
    PRBackupFileTree::setFileState(database, true);

    const std::string out = scratch("tree-db-out");
    PRBackupRecovery recovery;
    const PRRecoveryResult result = recovery.recoverFilesThread(s, out);
    EXPECT_TRUE(result.ok()) << result.firstFailedPath << ": " << result.firstReason;
    EXPECT_EQ(result.writtenOf[PRRecoveryResult::BackupFiles], 1u);
    const std::string recovered = out + "/Ann's iPhone/HomeDomain/Library/SMS/sms.db";
    EXPECT_EQ(readAll(recovered + "-wal"), readAll(made.folder + "/" + backupkeys::messages + "-wal"));
    // Nothing but the file chosen (with its journal).
    std::set<std::string> top;
    for (const auto& e : fs::directory_iterator(out)) top.insert(e.path().filename().string());
    EXPECT_EQ(top, std::set<std::string>{"Ann's iPhone"});

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(recovered.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_stmt* count = nullptr;
    int rows = -1;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM message", -1, &count, nullptr) == SQLITE_OK &&
        sqlite3_step(count) == SQLITE_ROW)
        rows = sqlite3_column_int(count, 0);
    sqlite3_finalize(count);
    sqlite3_close(db);
    EXPECT_EQ(rows, intake->counts().messageNum);
    EXPECT_GT(rows, 0);
}

TEST_F(BackupRecoveryTest, TheSampleIPhoneBackupGivesAFileForEveryPhotoSocialFileAndContact) {
    // The full sample backup (iOS 6) holds photos, message attachments and social files of one
    // name, and contacts of one name with different numbers: each must arrive.
    const std::string iPhone = samplebackup::writeSampleBackups(scratch("samples")).front();
    auto job = std::make_shared<PRBackupScanJob>(PRBackupScanRequest{iPhone, "iPhone", true, false, false});
    job->run();
    const auto intake = job->takeIntake();
    ASSERT_TRUE(intake);
    PRRecoverySelection s = recoverySelectionOf(*intake, "iPhone");
    for (auto& r : s.photoAndVideoArray) r->setBSelected(true);
    for (auto& r : s.contactArray) r->setBSelected(true);
    for (auto& r : s.faceTwitterArray) r->setBSelected(true);
    std::set<std::string> photoNames, contactNames;
    for (const auto& r : s.photoAndVideoArray) photoNames.insert(r->fileNodeName());
    for (const auto& r : s.contactArray) contactNames.insert(PRBackupRecovery::contactCardName(*r));
    ASSERT_LT(photoNames.size(), s.photoAndVideoArray.size());  // the backup does hold same-named ones
    ASSERT_LT(contactNames.size(), s.contactArray.size());

    const std::string out = scratch("samples-recovered");
    PRBackupRecovery recovery;
    const PRRecoveryResult r = recovery.recoverFilesThread(s, out);
    EXPECT_TRUE(r.ok()) << r.firstFailedPath << ": " << r.firstReason;
    auto count = [](const std::string& folder, const char* extension = nullptr) {
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(folder)) n += !extension || e.path().extension() == extension;
        return n;
    };
    EXPECT_EQ(count(out + "/Photo&Video"), s.photoAndVideoArray.size());
    EXPECT_EQ(count(out + "/FaceBook&Twitter"), s.faceTwitterArray.size());
    EXPECT_EQ(count(out + "/Contact", ".vcf"), s.contactArray.size());
    EXPECT_EQ(r.written, s.photoAndVideoArray.size() + s.faceTwitterArray.size() + s.contactArray.size());
}

TEST_F(BackupRecoveryTest, CopiesAreExactAtEveryChunkEdgeAndKeepAFileOfTheSameName) {
    const std::string dir = scratch("copies");
    const size_t chunk = size_t(1) << 20;  // the writer's copy buffer
    unsigned seed = 1;
    for (size_t size : {size_t(0), size_t(1), chunk - 1, chunk, chunk + 1, 2 * chunk + 12345}) {
        const std::string source = dir + "/src-" + std::to_string(size);
        const std::string target = dir + "/dst-" + std::to_string(size);
        const std::string bytes = randomBytes(size, seed++);
        writeBytes(source, bytes);
        const std::string earlier(size + 100, 'x');  // the user's own file of that name
        writeBytes(target, earlier);
        std::string reason;
        ASSERT_TRUE(PRBackupRecovery::copyFile(source, target, &reason)) << reason;
        EXPECT_TRUE(readAll(target) == earlier) << size;
        EXPECT_TRUE(readAll(target + " (2)") == bytes) << size;
    }
    // No hidden temporary file stays behind.
    for (const auto& e : fs::directory_iterator(dir)) EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

TEST_F(BackupRecoveryTest, AFailedCopyLeavesNothingUnderTheFinalName) {
    const std::string dir = scratch("failed");
    std::string reason;
    EXPECT_FALSE(PRBackupRecovery::copyFile(dir + "/missing", dir + "/out", &reason));
    EXPECT_NE(reason.find("missing"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir + "/out"));

    // A file standing where the folder should be.
    writeBytes(dir + "/src", "abc");
    writeBytes(dir + "/blocker", "i am a file");
    EXPECT_FALSE(PRBackupRecovery::copyFile(dir + "/src", dir + "/blocker/out", &reason));
    EXPECT_EQ(readAll(dir + "/blocker"), "i am a file");

    for (const auto& e : fs::directory_iterator(dir)) EXPECT_NE(e.path().filename().string()[0], '.') << e.path();

    // Disk full mid-copy (a file-size limit in a child process): the earlier file stays whole.
    writeBytes(dir + "/big", randomBytes(3 << 20, 9));
    writeBytes(dir + "/kept", "earlier");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(copyUnderSizeLimit(dir + "/big", dir + "/kept", "earlier", home.path()), ::testing::ExitedWithCode(0),
                "");
}

TEST_F(BackupRecoveryTest, HostileNamesFromACraftedBackupStayInsideTheChosenFolder) {
    const std::string backup = scratch("crafted");
    writeBytes(backup + "/photo", "jpeg");
    writeBytes(backup + "/social", "db");
    writeBytes(backup + "/card", "BEGIN:VCARD\nVERSION:3.0\nFN:x\nEND:VCARD\n");
    const std::string outer = scratch("hostile-out");
    const std::string out = outer + "/chosen";

    PRRecoverySelection s;
    s.deviceName = "../..";
    for (const char* name : {"../../escape.jpg", "..", "", "a/../../b.jpg"}) {
        auto p = std::make_shared<PRPhotoAndVideoNode>();
        p->setFileNodeName(name);
        p->setFilePath(backup + "/photo");
        p->setBSelected(true);
        s.photoAndVideoArray.push_back(p);
    }
    auto social = std::make_shared<PRFaceTwitterNode>();
    social->setFaceTwitterFileName("/etc/passwd");
    social->setFaceTwitterFilePath(backup + "/social");
    social->setBSelected(true);
    s.faceTwitterArray.push_back(social);
    for (const char* name : {"../../contact", "."}) {
        auto c = std::make_shared<PRContactNode>();
        c->setContactName(name);
        c->setBSelected(true);
        s.contactArray.push_back(c);
    }
    auto root = std::make_shared<PRTreeDirNode>();
    root->setFileName("HomeDomain");
    auto file = std::make_shared<PRTreeFileNode>();
    file->setDirFilePath("../../../tree-escape.txt");
    file->setFilePath(backup + "/photo");
    file->setIsFile(true);
    file->setParent(root);
    root->addFileChildren(file);
    PRBackupFileTree::setFolderState(root, PRTreeSelected);
    s.treeRoots.push_back(root);
    auto conversation = std::make_shared<PRMessageTreeNode>();
    conversation->setMessageTreeNodeName("<script>alert(1)</script>");
    conversation->setBSelected(true);
    auto message = std::make_shared<PRMessageNode>();
    message->setMessageName("Eve");
    message->setMessageContent("</p><img src=x onerror=alert(2)>");
    message->setMessageType("Received");
    conversation->MessageNodeArray().push_back(message);
    auto card = std::make_shared<PRMessageNode>();
    card->setMessageType("Received");
    card->setIsHasAttach(true);
    card->setAttachmentPath(backup + "/card");
    card->setAttachType("Contact");
    conversation->MessageNodeArray().push_back(card);
    s.messageTreeArray.push_back(conversation);

    PRBackupRecovery recovery;
    const PRRecoveryResult result = recovery.recoverFilesThread(s, out);
    EXPECT_TRUE(result.ok()) << result.firstFailedPath << ": " << result.firstReason;
    // Nothing beside the chosen folder, nothing in the backup.
    EXPECT_EQ(filesBelow(outer).size(), filesBelow(out).size());
    EXPECT_EQ(filesBelow(backup).size(), 3u);
    EXPECT_FALSE(fs::exists(outer + "/escape.jpg"));
    const auto written = filesBelow(out);
    // Names that would climb or be hidden are written visible.
    EXPECT_TRUE(written.count("Photo&Video/_"));
    EXPECT_TRUE(written.count("Photo&Video/_.._escape.jpg"));
    EXPECT_TRUE(written.count("FaceBook&Twitter/_etc_passwd"));
    EXPECT_TRUE(written.count("Contact/_.._contact.vcf"));
    EXPECT_TRUE(written.count("Message/Messages_files/card.vcf"));
    EXPECT_TRUE(std::any_of(written.begin(), written.end(),
                            [](const std::string& f) { return f.find("tree-escape.txt") != std::string::npos; }));
    for (const std::string& f : written)
        for (const auto& part : fs::path(f)) EXPECT_NE(part, "..") << f;

    const QString page = pageText(out + "/Message/Messages.html");
    EXPECT_FALSE(page.contains("<script>"));
    EXPECT_FALSE(page.contains("<img src=x"));
    EXPECT_TRUE(page.contains("&lt;script&gt;"));
}

TEST_F(BackupRecoveryTest, LinksAndFifosInABackupAreNamedFailuresAndNothingIsReadThroughThem) {
    // Photo records whose data file is a link to a file outside the backup, a link to an endless
    // device file, a FIFO, a missing file; and one good photo. The recovery ends (a FIFO would
    // block it for good), copies the good one, and names the others.
    const std::string outside = scratch("system");
    writeBytes(outside + "/shadow", "root:$6$secret");
    const std::string backup = scratch("hostile-backup");
    writeBytes(backup + "/good", "jpeg bytes");
    ::symlink((outside + "/shadow").c_str(), (backup + "/linked").c_str());
    ::symlink("/dev/zero", (backup + "/endless").c_str());
    ASSERT_TRUE(testsupport::makeFifo(backup + "/fifo"));
    PRRecoverySelection s;
    for (const char* key : {"good", "linked", "endless", "fifo", "missing"}) {
        auto p = std::make_shared<PRPhotoAndVideoNode>();
        p->setFileNodeName(std::string(key) + ".jpg");
        p->setFilePath(backup + "/" + key);
        p->setBSelected(true);
        s.photoAndVideoArray.push_back(p);
    }
    const std::string out = scratch("hostile-recovered");
    PRBackupRecovery recovery;
    const PRRecoveryResult r = recovery.recoverFilesThread(s, out);
    EXPECT_EQ(r.written, 1u);
    EXPECT_EQ(r.failures, 4u);
    EXPECT_NE(r.firstReason.find(backup + "/linked"), std::string::npos) << r.firstReason;
    EXPECT_EQ(filesBelow(out + "/Photo&Video"), (std::set<std::string>{"good.jpg"}));
    EXPECT_EQ(readAll(out + "/Photo&Video/good.jpg"), "jpeg bytes");
}

TEST_F(BackupRecoveryTest, BackupFileRecordsAreRecoveredAsTheManifestSaysAndNoneIsLeftOut) {
    // A crafted backup: a folder record, a file, a file whose data is missing, one whose data is
    // a FIFO, one whose data is a link to a device, a link record (which has no data), a file
    // whose path is not valid UTF-8, and a file record without a path.
    const std::string backup = scratch("modes");
    std::vector<ManifestEntry> entries;
    auto add = [&](const std::string& path, uint16_t mode) -> std::string {
        ManifestEntry entry;
        entry.domain = "HomeDomain";
        entry.path = path;
        entry.mode = mode;
        entries.push_back(entry);
        if (mode == 0120755) entries.back().linkTarget = "/private/var/mobile/elsewhere";
        SHAH sha;
        const std::string keyText = "HomeDomain-" + path;
        sha.Input(keyText.data(), unsigned(keyText.size()));
        unsigned digest[5];
        sha.Result(digest);
        std::string key(SHAH::kHexDigits, '0');
        SHAH::DigestToHex(digest, key.data());
        return backup + "/" + key;
    };
    add("Library/Notes", 040755);
    writeBytes(add("Library/Notes/plain.txt", 0100644), "plain");
    add("Library/Notes/missing.txt", 0100644);
    ASSERT_TRUE(testsupport::makeFifo(add("Library/Notes/fifo.txt", 0100644)));
    ::symlink("/dev/zero", add("Library/Notes/device.txt", 0100644).c_str());
    add("Library/Notes/link", 0120755);
    writeBytes(add("Library/Notes/caf\xE9.txt", 0100644), "latin-1 name");
    const std::string withoutPath = add("", 0100644);
    writeBytes(withoutPath, "a file without a path");
    ASSERT_TRUE(writeManifest(backup + "/Manifest.mbdb", entries));

    // Read as a scan reads it: every record reaches the tree, the odd name shown, not dropped.
    PRBackupScanState state;
    NSNotificationCenter nc;
    PRBackupFileTree tree;
    int listed = 0;
    notices::FindBackUpDirFileInfo.observe(nc, &tree, [&](const PRTreeDirNodePtr& record) {
        if (record) listed += tree.addTreeNode(*record, "iPhone") ? 1 : 0;
    });
    PRBackupManifestReader(state, nc).scanDirAnalyThread(backup);
    nc.removeObserver(&tree);
    EXPECT_EQ(listed, int(entries.size()));
    for (const PRTreeDirNodePtr& root : tree.roots()) PRBackupFileTree::setFolderState(root, PRTreeSelected);
    PRRecoverySelection s;
    s.deviceName = "iPhone";
    s.treeRoots = tree.roots();

    const std::string out = scratch("modes-recovered");
    PRBackupRecovery recovery;
    const PRRecoveryResult r = recovery.recoverFilesThread(s, out);
    // The plain file and the oddly named one arrive, in the folder the folder record names (a
    // folder of the tree, not an item of its own); the five others (the file without a path
    // among them) are failures, the first named with its reason; nothing stands in for them.
    EXPECT_EQ(r.written, 2u);
    EXPECT_EQ(r.failures, 5u);
    // The record without a path, listed in its domain's folder, comes first.
    EXPECT_EQ(r.firstFailedPath, withoutPath);
    EXPECT_EQ(r.firstReason, "it has no path in the backup, not recovered");
    const std::string notes = out + "/iPhone/HomeDomain/Library/Notes";
    EXPECT_EQ(filesBelow(notes), (std::set<std::string>{"plain.txt", "caf\uFFFD.txt"}));
    EXPECT_EQ(readAll(notes + "/caf\uFFFD.txt"), "latin-1 name");
    size_t folders = 0;
    for (const auto& e : fs::recursive_directory_iterator(out + "/iPhone")) folders += e.is_directory() ? 1 : 0;
    EXPECT_EQ(folders, 3u);  // HomeDomain/Library/Notes: no folder in a file's place
}

TEST_F(BackupRecoveryTest, AFolderThatCannotBeWrittenIsReportedAndTheRestIsWritten) {
    const std::string dir = scratch("blocked");
    writeBytes(dir + "/notafolder", "x");
    PRRecoverySelection s;
    auto note = std::make_shared<PRNoteNode>();
    note->setNoteTitle("kept");
    note->setBSelected(true);
    s.noteArray.push_back(note);
    s.contactArray.push_back(std::make_shared<PRContactNode>());
    s.contactArray.back()->setBSelected(true);

    PRBackupRecovery whole;
    PRRecoveryResult r = whole.recoverFilesThread(s, dir + "/notafolder/out");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.firstFailedPath, dir + "/notafolder/out");

    // One category folder blocked by a file: named, the others still written.
    const std::string out = dir + "/out";
    writeBytes(out + "/Contact", "squatter");
    PRBackupRecovery partly;
    r = partly.recoverFilesThread(s, out);
    EXPECT_EQ(r.firstFailedPath, out + "/Contact");
    EXPECT_GE(r.failures, 1u);
    EXPECT_EQ(readAll(out + "/Contact"), "squatter");
    EXPECT_NE(readAll(out + "/Note/Notes.txt").find("Title:kept  "), std::string::npos);
}

TEST_F(BackupRecoveryTest, ConversationFragmentsEntriesAndCardNames) {
    const std::string dir = scratch("conversation");
    writeBytes(dir + "/backup/abc123", randomBytes(5000, 3));
    auto conversation = std::make_shared<PRMessageTreeNode>();
    conversation->setMessageTreeNodeName("Bob");
    conversation->setMessageTreeNodeAdress("+1 555");
    conversation->setBSelected(true);
    auto add = [&](const char* name, const char* type, const char* text) {
        auto m = std::make_shared<PRMessageNode>();
        m->setMessageName(name);
        m->setMessageType(type);
        m->setMessageContent(text);
        conversation->MessageNodeArray().push_back(m);
        return m;
    };
    // The reader names every message of a conversation after the other party, sent ones too.
    add("Bob", "Send", "hi");
    // A deleted message that came back without some of its values says so beside its date.
    auto partial = add("Bob", "Received", "yo & co");
    partial->setBDeleted(true);
    partial->setBPartial(true);
    partial->setMessageDate("03-01-2013 10:30");
    auto video = add("Bob", "Send", "look \xEF\xBF\xBC");
    video->setIsHasAttach(true);
    video->setAttachmentPath(dir + "/backup/abc123");
    video->setAttachType("Mov");
    PRRecoverySelection s;
    s.deviceName = "Phone";
    s.messageTreeArray = {conversation};
    auto nameless = std::make_shared<PRContactNode>();
    nameless->setRowid(7);
    nameless->setBSelected(true);
    auto company = std::make_shared<PRContactNode>();
    company->setContactCompany("ACME");
    company->setBSelected(true);
    s.contactArray = {nameless, company};

    PRBackupRecovery recovery;
    const PRRecoveryResult r = recovery.recoverFilesThread(s, dir + "/out");
    EXPECT_TRUE(r.ok()) << r.firstReason;
    EXPECT_EQ(r.written, 2u + 2u);  // the conversation and its video; two contacts
    // The video is copied beside the page, in the page's own folder, and played from there.
    EXPECT_EQ(readAll(dir + "/out/Message/Messages_files/abc123.mov"), readAll(dir + "/backup/abc123"));
    EXPECT_TRUE(fs::exists(dir + "/out/Contact/unknown 7.vcf"));
    EXPECT_TRUE(fs::exists(dir + "/out/Contact/ACME.vcf"));

    const QString page = pageText(dir + "/out/Message/Messages.html");
    EXPECT_EQ(page.count("<h3>Name: Bob &nbsp;&nbsp;Phone: +1 555</h3>"), 1);
    EXPECT_EQ(page.count("<p class='name'>"), 3);
    EXPECT_EQ(page.count("<hr/>"), 1);
    EXPECT_EQ(page.count("Name: <span class='speaker'>Me</span>"), 2);
    EXPECT_EQ(page.count("Name: <span class='speaker'>Bob</span>"), 1);
    EXPECT_TRUE(page.contains("<p class='triangle-isosceles2'> hi </p>"));
    EXPECT_TRUE(page.contains("<p class='triangle-isosceles'> yo &amp; co </p>"));
    EXPECT_EQ(page.count("Date: 03-01-2013 10:30 (partial)</p>"), 1);
    EXPECT_EQ(PRBackupRecovery::messageEntry(*partial),
              "Name:Bob  Phone:  Date:03-01-2013 10:30 (partial)  Type:Received  Content:yo & co  ");
    // The text sent with the video follows it.
    EXPECT_TRUE(page.contains("<p class='imgdic'><video controls src='Messages_files/abc123.mov'>"));
    EXPECT_TRUE(page.contains("</video></p><p class='triangle-isosceles2'> look </p>"));

    PRCallHistoryNode call;
    call.setCallName("Al");
    call.setCallDuration("00:01:02");
    EXPECT_EQ(PRBackupRecovery::callHistoryEntry(call), "Name:Al  Phone:  Date:  Type:  Duration:00:01:02  ");

    const QDateTime when(QDate(2013, 5, 1), QTime(14, 22, 5));
    EXPECT_EQ(PRBackupRecovery::defaultFolderName(when), "Quillomatrix 2013-05-01 - 14.22.05");
}

TEST_F(BackupRecoveryTest, APageWrittenAsItsMessagesComeIsThePageAndOneThatFailsLeavesAndCountsNothing) {
    const std::string dir = scratch("pieces");
    auto conversation = std::make_shared<PRMessageTreeNode>();
    conversation->setMessageTreeNodeName("Ann <&>");
    conversation->setMessageTreeNodeAdress("+1 555");
    conversation->setBSelected(true);
    constexpr int kMessages = 3000;  // a page of several of the writer's blocks
    for (int i = 0; i < kMessages; ++i) {
        auto m = std::make_shared<PRMessageNode>();
        m->setMessageName("Ann");
        m->setMessageType(i % 2 ? "Send" : "Received");
        m->setMessageDate("03-01-2013 10:30");
        m->setMessageContent("<b>" + std::to_string(i) + " & 'co'</b>\nline ✓");
        conversation->MessageNodeArray().push_back(m);
    }
    // Outside data may end a text inside a character, or hold a byte that is no UTF-8.
    conversation->MessageNodeArray()[10]->setMessageContent("cut \xE2\x82");
    conversation->MessageNodeArray()[11]->setMessageContent("bad \xFF byte");
    PRRecoverySelection s;
    s.deviceName = "Phone";
    s.messageTreeArray = {conversation};

    PRBackupRecovery recovery;
    const PRRecoveryResult r = recovery.recoverFilesThread(s, dir + "/out");
    ASSERT_TRUE(r.ok()) << r.firstReason;
    EXPECT_EQ(r.writtenOf[PRRecoveryResult::Conversations], 1u);
    EXPECT_EQ(r.writtenOf[PRRecoveryResult::Messages], uint64_t(kMessages));

    // The page is what its fragments make together, cleaned: the same as a page held whole.
    PRHtmlController whole;
    whole.initMessageHtmlHeader("Phone's Message");
    PRBackupRecovery::handleFatherMessageHtml(*conversation, whole);
    for (const PRMessageNodePtr& m : conversation->MessageNodeArray())
        PRBackupRecovery::handleMessageHtml(*m, whole, false, "");
    whole.addHtmlContent("<hr/>");
    std::string expected = whole.strHtmlContent() + "</div></div></body></html>";
    expected.replace(expected.find("cut \xE2\x82"), 6, "cut \xEF\xBF\xBD");
    expected.replace(expected.find("bad \xFF"), 5, "bad \xEF\xBF\xBD");
    const std::string page = readAll(dir + "/out/Message/Messages.html");
    EXPECT_GT(page.size(), size_t(3) << 16);
    EXPECT_TRUE(page == expected) << page.size() << " bytes, " << expected.size() << " expected";
    EXPECT_NE(page.find("<h3>Name: Ann &lt;&amp;&gt; &nbsp;&nbsp;Phone: +1 555</h3>"), std::string::npos);
    EXPECT_NE(page.find("<p class='triangle-isosceles2'> &lt;b&gt;2999 &amp; &#39;co&#39;&lt;/b&gt;<br>line ✓ </p>"),
              std::string::npos);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(QByteArray::fromStdString(page));
    EXPECT_FALSE(utf8.hasError());
    EXPECT_EQ(text.count(QChar(0xFFFD)), 2);
    for (const auto& e : fs::directory_iterator(dir + "/out/Message"))
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();

    // A page that fails part-way (the disk full: a file-size limit, in a process of its own).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(recoverUnderSizeLimit(s, dir + "/limited", home.path()), ::testing::ExitedWithCode(0), "");
}
