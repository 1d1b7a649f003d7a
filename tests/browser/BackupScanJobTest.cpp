// The scan of a backup as one worker: every category against the databases, each database
// copied at most once, the steps named and the bar moving while the carvers work, scans that
// run at once keep their records apart, a cancelled scan hands nothing over, damaged files are
// named while the rest is read, and the scan's threads leave a core to the window.
#include "BackupReaders.h"
#include "BrowserTestBackups.h"
#include "TestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/PreparedDatabase.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/UsableCores.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sqlite3.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class BackupScanJobTest : public testsupport::HomeTest {
protected:
    std::string folderFor(const std::string& name) { return testsupport::scratchDirectory("Backup/" + name); }
};

// How many records the readers alone post under each name.
std::map<std::string, int> readerCounts(const std::string& folder) {
    NSNotificationCenter nc;
    std::map<std::string, int> counts;
    int token = 0;
    for (const NoticeName* notice : backupReaderNotices())
        notice->observe(nc, &token, [&counts](const NSNotification& n) { ++counts[n.name()]; });
    PRBackupScanState state;
    runBackupReaders(folder, state, nc);
    return counts;
}

// Counts the private copies of databases made while it lives: each copy is a folder of its own
// in the copies folder, however soon it is removed again.
class CopiesMade {
public:
    CopiesMade() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        const std::string folder = PreparedDatabase::copiesFolder();
        ::mkdir(folder.c_str(), 0700);
        if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_CREATE);
    }
    ~CopiesMade() {
        if (fd_ >= 0) ::close(fd_);
    }
    int count() {
        alignas(inotify_event) char buffer[1 << 16];
        for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->mask & IN_ISDIR) ++count_;
                at += sizeof(inotify_event) + event->len;
            }
        return count_;
    }
    bool watching() const { return fd_ >= 0; }

private:
    int fd_;
    int count_ = 0;
};

// The databases of a backup folder whose "-wal" journal holds anything: the ones read through
// a private copy.
int journaledDatabases(const std::string& folder) {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().string();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, "-wal") == 0 && entry.file_size() > 0 &&
            std::filesystem::is_regular_file(name.substr(0, name.size() - 4)))
            ++n;
    }
    return n;
}

}  // namespace

TEST_F(BackupScanJobTest, EachJournaledDatabaseIsCopiedOnceForItsReaderAndItsCarver) {
    const auto made = browsertest::makeBackup(folderFor("copies"), "Ann's iPhone", browsertest::smallSize(30, 120));
    const int journaled = journaledDatabases(made.folder);
    ASSERT_GT(journaled, 0) << "the test backup keeps rows in journals";
    CopiesMade copies;
    ASSERT_TRUE(copies.watching());
    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    job->run();
    ASSERT_TRUE(job->takeIntake());
    // The readers fold each journal in a copy; the carvers read the original files as they lie.
    EXPECT_EQ(copies.count(), journaled);
}

TEST_F(BackupScanJobTest, EveryCategoryMatchesTheDatabasesAndTheManifest) {
    const auto made = browsertest::makeBackup(folderFor("one"), "Ann's iPhone", browsertest::smallSize(30, 120));
    const auto expected = readerCounts(made.folder);

    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    int progressCalls = 0, finished = 0;
    job->onProgress = [&] { ++progressCalls; };
    job->onFinished = [&] { ++finished; };
    job->run();
    EXPECT_TRUE(job->isFinished());
    EXPECT_EQ(finished, 1);
    EXPECT_GT(progressCalls, 0);
    const auto intake = job->takeIntake();
    ASSERT_TRUE(intake);
    EXPECT_FALSE(job->takeIntake());  // handed over once

    const PRScanCounts c = intake->counts();
    EXPECT_EQ(c.contactNum, int(made.data.contacts.size()));
    EXPECT_EQ(c.messageNum, int(made.data.messages.size()));
    EXPECT_EQ(c.callNum, int(made.data.calls.size()));
    EXPECT_EQ(c.noteNum, int(made.data.notes.size()));
    EXPECT_EQ(c.bookMarkNum, expected.at(notices::scanBookMarkInfo.name()));
    EXPECT_EQ(c.calenderNum, expected.at(notices::scanCalenderInfo.name()));
    EXPECT_EQ(c.photovideoNum, expected.at(notices::ScanPhotoAndVideo.name()));
    EXPECT_GE(c.photovideoNum, 2);  // the camera roll's two, and the messages' picture attachments
    EXPECT_EQ(c.backupfiles, uint64_t(expected.at(notices::FindBackUpDirFileInfo.name())));
    EXPECT_EQ(c.BackUpFilesNum, c.contactNum + c.messageNum + c.callNum + c.noteNum + c.bookMarkNum + c.calenderNum +
                                    c.photovideoNum + c.facetwitterNum);
    // Conversations hold every live message once.
    size_t grouped = 0;
    for (const auto& conversation : intake->messageTreeArray())
        if (!conversation->bdeleted()) grouped += conversation->MessageNodeArray().size();
    EXPECT_EQ(grouped, made.data.messages.size());
    EXPECT_GE(intake->messageTreeArray().size(), 2u);
    ASSERT_EQ(intake->tree.roots().size(), 1u);
    EXPECT_EQ(intake->tree.roots()[0]->fileName(), "Ann's iPhone");
    EXPECT_TRUE(job->problems().empty());
}

// A deleted message of a group stands in its group's deleted conversation where its row still
// names the group (an iOS 5 row's group_id, the room of a group chat of iMessages), and by its
// own address where it names none (an SMS group of iOS 6): never in another group. backup-dump
// --carve gives each the group the screen gives it.
TEST_F(BackupScanJobTest, DeletedGroupMessagesStandInTheirGroupWhereTheirRowNamesIt) {
    for (const sampledb::Ios ios : {sampledb::Ios::v5, sampledb::Ios::v6}) {
        const bool newer = ios == sampledb::Ios::v6;
        const std::string folder = folderFor(newer ? "groups6" : "groups5");
        ASSERT_TRUE(samplebackup::addSampleDatabases(folder, sampledb::BackupSchemas::forIos(ios),
                                                     browsertest::smallSize(30, 900)));
        ASSERT_TRUE(samplebackup::writeBackupPropertyLists(
            folder, newer ? samplebackup::sampleIPhone() : samplebackup::sampleIPhoneOfIos5()));
        // Four messages of each group, marked, then deleted (their bytes stay in the file).
        const std::string groupRows =
            newer ? "select message_id from chat_message_join join chat on chat.ROWID = chat_id where style = 43"
                  : "select ROWID from message where group_id in (select group_id from group_member group by "
                    "group_id having count(*) > 1)";
        const std::string sql =
            "pragma secure_delete = 0; create temp table gone as select ROWID as id from message "
            "where ROWID in (" +
            groupRows +
            ") and ROWID % 4 < 2 limit 8;"
            "update message set text = 'gone ' || ROWID where ROWID in (select id from gone);"
            "delete from message where ROWID in (select id from gone);";
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder + "/" + backupkeys::messages).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        ASSERT_EQ(sqlite3_changes(db), 8);
        sqlite3_close(db);

        auto job = std::make_shared<PRBackupScanJob>(PRBackupScanRequest{folder, "Groups", newer, false, true});
        job->run();
        const auto intake = job->takeIntake();
        ASSERT_TRUE(intake);
        // The live groups: an iMessage one and an SMS one.
        std::string iMessageGroup, smsGroup;
        for (const auto& conversation : intake->messageTreeArray())
            if (!conversation->bdeleted() && conversation->messageTreeNodeAdress().find(", ") != std::string::npos)
                (conversation->MessageNodeArray().front()->bImessage() ? iMessageGroup : smsGroup) =
                    conversation->messageTreeNodeAdress();
        ASSERT_FALSE(iMessageGroup.empty());
        ASSERT_FALSE(smsGroup.empty());
        int gone[2] = {0, 0};                        // SMS, iMessage
        std::map<std::string, std::string> groupOf;  // each deleted message's group, as the screen has it
        for (const auto& conversation : intake->messageTreeArray())
            for (const auto& message : conversation->MessageNodeArray()) {
                if (!message->messageContent().starts_with("gone ")) continue;
                groupOf[message->messageContent()] = message->groupAddress();
                ++gone[message->bImessage()];
                EXPECT_TRUE(conversation->bdeleted());
                const std::string& address = conversation->messageTreeNodeAdress();
                if (newer && !message->bImessage()) {
                    EXPECT_EQ(address, message->messagePhone()) << "an SMS group's row names no group";
                    continue;
                }
                EXPECT_EQ(address, message->bImessage() ? iMessageGroup : smsGroup) << message->messageContent();
                if (message->messageType() == "Received") {
                    EXPECT_NE(address.find(message->messagePhone()), std::string::npos);
                }
            }
        // Carving finds most of them, of both groups.
        EXPECT_GE(gone[0] + gone[1], 6) << (newer ? "iOS 6" : "iOS 5");
        EXPECT_GT(gone[0], 0);
        EXPECT_GT(gone[1], 0);

        QProcess dump;
        dump.start(QString::fromStdString(paths::executableDirectory() + "/backup-dump"),
                   {"--carve", QString::fromStdString(folder)});
        ASSERT_TRUE(dump.waitForFinished(120000));
        size_t dumped = 0;
        for (const QByteArray& line : dump.readAllStandardOutput().split('\n')) {
            const QJsonObject posted = QJsonDocument::fromJson(line).object();
            if (posted["name"].toString() != "ScanDelMessageInfo") continue;
            const QJsonObject message = posted["object"].toObject();
            const auto screen = groupOf.find(message["messageContent"].toString().toStdString());
            if (screen == groupOf.end()) continue;
            ++dumped;
            EXPECT_EQ(message["groupAddress"].toString().toStdString(), screen->second) << screen->first;
        }
        EXPECT_EQ(dumped, groupOf.size());
    }
}

TEST_F(BackupScanJobTest, TheCountsNameEachStepAndTheBarMovesWhileTheCarversLookThroughPages) {
    // A history large enough that its carve takes many looks at the carvers' progress.
    const auto made = browsertest::makeBackup(folderFor("large"), "Ann's iPhone", browsertest::smallSize(30, 40000));
    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    job->carveTick = std::chrono::milliseconds(1);
    std::vector<PRScanCounts> told;
    job->onProgress = [&] { told.push_back(job->counts()); };
    job->run();
    ASSERT_TRUE(job->takeIntake());

    // The readers' steps in their order, each named as it starts, then the carvers' in theirs
    // (one that ends within a look at their progress may go unnamed).
    std::vector<std::pair<bool, PRScanStep>> steps;
    for (const PRScanCounts& c : told)
        if (steps.empty() || steps.back() != std::pair(c.lookingForDeleted, c.step))
            steps.emplace_back(c.lookingForDeleted, c.step);
    using S = PRScanStep;
    const std::vector<std::pair<bool, PRScanStep>> reading = {
        {false, S::Files}, {false, S::Contacts},  {false, S::Messages}, {false, S::Notes},
        {false, S::Calls}, {false, S::Bookmarks}, {false, S::Calendar}};
    ASSERT_GT(steps.size(), reading.size());
    EXPECT_TRUE(std::equal(reading.begin(), reading.end(), steps.begin()));
    const std::vector<std::pair<bool, PRScanStep>> carving = {{true, S::Contacts},  {true, S::Messages},
                                                              {true, S::Notes},     {true, S::Calls},
                                                              {true, S::Bookmarks}, {true, S::Calendar}};
    EXPECT_TRUE(std::is_sorted(steps.begin() + long(reading.size()), steps.end()));
    EXPECT_TRUE(std::includes(carving.begin(), carving.end(), steps.begin() + long(reading.size()), steps.end()));
    EXPECT_TRUE(std::find(steps.begin(), steps.end(), std::pair(true, S::Messages)) != steps.end());

    // The bar only goes forward, through the readers (whose own values do not come in their
    // order) and the carvers to the end, and it moves while the messages are looked through.
    int last = -1, first = -1;
    std::set<int> whileMessages;
    for (const PRScanCounts& c : told) {
        EXPECT_GE(c.percent, last);
        last = c.percent;
        if (!c.lookingForDeleted) continue;
        if (first < 0) first = c.percent;
        if (c.step == S::Messages) whileMessages.insert(c.percent);
    }
    EXPECT_GT(first, 0);
    EXPECT_GE(last, 99);
    EXPECT_GE(whileMessages.size(), 3u);
}

TEST_F(BackupScanJobTest, TheScanLeavesOneCoreToTheWindowWhileItReadsAndCarves) {
    const auto made = browsertest::makeBackup(folderFor("cores"), "Ann's iPhone", browsertest::smallSize(10, 200));
    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    const size_t all = usablecores::usableCores();
    std::set<size_t> poolSizes;
    std::set<bool> carving;
    job->onProgress = [&] {
        poolSizes.insert(usablecores::workerCores());
        carving.insert(job->counts().lookingForDeleted);
    };
    job->run();
    ASSERT_TRUE(job->takeIntake());
    EXPECT_EQ(carving, (std::set<bool>{false, true}));
    EXPECT_EQ(poolSizes, std::set<size_t>{all > 1 ? all - 1 : 1});
    // Given back once the scan is done.
    EXPECT_EQ(usablecores::workerCores(), all);
}

TEST_F(BackupScanJobTest, ScansRunningAtOnceKeepTheirRecordsApart) {
    const auto a = browsertest::makeBackup(folderFor("a"), "Phone A", browsertest::smallSize(40, 150));
    const auto b = browsertest::makeBackup(folderFor("b"), "Phone B", browsertest::smallSize(12, 60));
    auto first = std::make_shared<PRBackupScanJob>(browsertest::requestFor(a));
    auto second = std::make_shared<PRBackupScanJob>(browsertest::requestFor(b));
    first->start();
    second->start();
    ASSERT_TRUE(first->waitUntilFinished(std::chrono::seconds(60)));
    ASSERT_TRUE(second->waitUntilFinished(std::chrono::seconds(60)));
    const auto one = first->takeIntake(), two = second->takeIntake();
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->counts().contactNum, 40);
    EXPECT_EQ(two->counts().contactNum, 12);
    EXPECT_EQ(one->counts().messageNum, 150);
    EXPECT_EQ(two->counts().messageNum, 60);
    EXPECT_EQ(one->tree.roots()[0]->fileName(), "Phone A");
    EXPECT_EQ(two->tree.roots()[0]->fileName(), "Phone B");
    EXPECT_TRUE(testsupport::waitForWorkers());
}

TEST_F(BackupScanJobTest, ACancelledScanStopsAndHandsNothingOver) {
    const auto made = browsertest::makeBackup(folderFor("c"), "Phone C", browsertest::smallSize(20, 80));
    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    std::atomic<int> finished{0};
    job->onFinished = [&] { ++finished; };
    // Cancelled while the manifest is read: no database reader runs after it.
    std::atomic<bool> sawContact{false};
    int token = 0;
    notices::ScanContactInfo.observe(NSNotificationCenter::defaultCenter(), &token,
                                     [&](const NSNotification&) { sawContact = true; });
    job->onProgress = [&] { job->cancel(); };
    job->progressInterval = std::chrono::milliseconds(0);
    job->run();
    NSNotificationCenter::defaultCenter().removeObserver(&token);
    EXPECT_TRUE(job->isFinished());
    EXPECT_FALSE(sawContact);
    EXPECT_EQ(finished, 0);
    EXPECT_FALSE(job->takeIntake());
}

TEST_F(BackupScanJobTest, DamagedFilesAreNamedAndTheRestIsRead) {
    const auto made = browsertest::makeBackup(folderFor("d"), "Phone D", browsertest::smallSize(15, 50));
    // The file list cut inside a record, and the notes database overwritten at its start.
    const std::string manifest = made.folder + "/Manifest.mbdb";
    const auto manifestSize = std::filesystem::file_size(manifest);
    std::filesystem::resize_file(manifest, manifestSize - 7);
    const std::string notes = made.folder + "/" + backupkeys::notes;
    {
        std::fstream file(notes, std::ios::in | std::ios::out | std::ios::binary);
        file.write("not a database!!", 16);
    }

    auto job = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    job->run();
    const auto intake = job->takeIntake();
    ASSERT_TRUE(intake);
    EXPECT_EQ(intake->counts().contactNum, 15);
    EXPECT_EQ(intake->counts().messageNum, 50);
    EXPECT_GT(intake->counts().backupfiles, 0u);
    const auto problems = job->problems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("Manifest.mbdb"), std::string::npos);
    EXPECT_NE(problems[0].find("damaged"), std::string::npos);
    EXPECT_EQ(problems[1], "Notes could not be read: the database is damaged.");

    // Not even a file list: said so, and the databases are still read.
    std::filesystem::remove(manifest);
    auto bare = std::make_shared<PRBackupScanJob>(browsertest::requestFor(made));
    bare->run();
    EXPECT_EQ(bare->takeIntake()->counts().contactNum, 15);
    EXPECT_NE(bare->problems()[0].find("could not be read"), std::string::npos);
}
