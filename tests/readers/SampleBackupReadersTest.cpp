// The database readers over the whole sample backup, in the backup browser's order and in
// the transfer variants, as backup-dump runs them.
#include "BackupReaders.h"
#include "ReaderTestSupport.h"
#include "SampleBackup.h"
#include "backup/BackupFileKeys.h"
#include "backup/PRBookMarkReader.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRRecordFields.h"
#include "platform/Paths.h"

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

class SampleBackupReaders : public ReaderTest {
protected:
    void SetUp() override {
        ReaderTest::SetUp();
        const auto folders = samplebackup::writeSampleBackups(testsupport::scratchDirectory("Backup"));
        ASSERT_EQ(folders.size(), 5u);
        all = folders;
        phone = folders[0];
        data = sampledb::makeSampleData();
    }
    // The phone's bookmarks but its folders, the two built-in pages it does not keep (it keeps
    // Apple's, Yahoo's and Google's), and its history.
    size_t expectedBookmarks() const {
        size_t n = 2 + data.history.size();
        for (const auto& b : data.bookmarks) n += b.title != "Root" && b.title != "com.apple.ReadingList";
        return n;
    }
    std::vector<std::string> all;
    std::string phone;
    sampledb::SampleData data;
};

size_t attachments(const sampledb::SampleData& data) {
    size_t n = 0;
    for (const auto& m : data.messages) n += !m.attachmentName.empty();
    return n;
}

}  // namespace

TEST_F(SampleBackupReaders, BrowserOrderReadsEveryRecordOfTheSampleBackup) {
    using namespace notices;
    const std::vector<const NoticeName*> readers = {&ScanContactInfo,     &ScanMessageInfo,  &ScanNoteInfo,
                                                    &ScanCallHistoryInfo, &scanBookMarkInfo, &scanCalenderInfo};
    std::vector<const NoticeName*> observed = readers;
    observed.push_back(&ScanProgressInfo);
    NotificationRecorder recorder(nc, observed);
    runBackupReaders(phone, state, nc);

    EXPECT_EQ(recorder.records(notices::ScanContactInfo).size(), data.contacts.size());
    const auto messages = recorder.records(notices::ScanMessageInfo);
    ASSERT_EQ(messages.size(), data.messages.size());
    size_t named = 0, withFile = 0, cards = 0;
    for (const auto& m : messages) {
        named += !m->messageName().empty();
        if (m->attachmentPath()) {
            ++withFile;
            EXPECT_TRUE(std::filesystem::is_regular_file(*m->attachmentPath())) << *m->attachmentPath();
            EXPECT_EQ(m->attachmentPath()->rfind(phone + "/", 0), 0u);
        }
        cards += m->attachType() == "Contact" || m->attachType() == "Location";
    }
    EXPECT_GT(named, messages.size() / 2);
    EXPECT_EQ(withFile, attachments(data));
    EXPECT_GT(cards, 0u);
    EXPECT_EQ(recorder.records(notices::ScanNoteInfo).size(), data.notes.size());
    EXPECT_EQ(recorder.records(notices::ScanCallHistoryInfo).size(), data.calls.size());
    EXPECT_EQ(recorder.records(notices::scanBookMarkInfo).size(), expectedBookmarks());
    EXPECT_EQ(recorder.records(notices::scanCalenderInfo).size(), data.calendar.size());

    // After the manifest's 0 to 20: contacts, messages, notes, calls.
    std::vector<int> progress;
    for (int p : recorder.numbers(notices::ScanProgressInfo))
        if (p > 20) progress.push_back(p);
    EXPECT_EQ(progress, (std::vector<int>{40, 50, 70, 60}));
    // The order of the readers shows in the order of their first records.
    std::vector<std::string> order, expected;
    for (const auto& p : recorder.posted)
        if (p.name != ScanProgressInfo.name() && (order.empty() || order.back() != p.name)) order.push_back(p.name);
    for (const NoticeName* reader : readers) expected.push_back(reader->name());
    EXPECT_EQ(order, expected);
}

TEST_F(SampleBackupReaders, TransferVariantsReadTheSameAndEachEnds) {
    NotificationRecorder recorder(nc, transferReaderNotices());
    runTransferReaders(phone, state, nc);
    EXPECT_EQ(recorder.records(notices::ScanTransferContactInfo).size(), data.contacts.size());
    const auto messages = recorder.records(notices::ScanTransferMessageInfo);
    ASSERT_EQ(messages.size(), data.messages.size());
    size_t withFile = 0;
    for (const auto& m : messages) withFile += m->attachmentPath().has_value();
    EXPECT_EQ(withFile, attachments(data));
    for (size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(messages[i]->bImessage(), data.messages[i].iMessage) << i;
        EXPECT_EQ(messages[i]->groupAddress().empty(), data.messages[i].members.empty()) << i;
    }
    EXPECT_EQ(recorder.records(notices::ScanTransferNoteInfo).size(), data.notes.size());
    EXPECT_EQ(recorder.records(notices::scanCopyCallLogInfo).size(), data.calls.size());
    EXPECT_EQ(recorder.records(notices::scanCopyBookMarkInfo).size(), expectedBookmarks());
    EXPECT_EQ(recorder.records(notices::scanCopyRemindMarkInfo).size(), data.calendar.size());
    const NoticeName* const ends[] = {&notices::ScanTransferContactFinished, &notices::ScanTransferMessageFinished,
                                      &notices::ScanTransferNoteFinished,    &notices::scanCopyCallLogInfoFinished,
                                      &notices::scanCopyBookMarkFinished,    &notices::scanCopyRemindMarkInfoFinished};
    for (const NoticeName* end : ends) EXPECT_EQ(recorder.count(*end), 1u) << end->name();
    EXPECT_EQ(state.transContactArray.size(), data.contacts.size());
}

TEST_F(SampleBackupReaders, BackupDumpRunsTheTransferVariantsOnRequest) {
    QProcess dump;
    dump.start(QString::fromStdString(paths::executableDirectory() + "/backup-dump"),
               {"--transfer", QString::fromStdString(phone)});
    ASSERT_TRUE(dump.waitForFinished(120000));
    EXPECT_EQ(dump.exitCode(), 0) << dump.readAllStandardError().toStdString();
    const QByteArray out = dump.readAllStandardOutput();
    EXPECT_EQ(out.count("{\"name\": \"ScanTransferContactInfo\""), static_cast<qsizetype>(data.contacts.size()));
    EXPECT_TRUE(out.contains("{\"name\": \"scanCopyRemindMarkInfoFinished\", \"object\": null}"));
    EXPECT_FALSE(out.contains("FindBackUpDirFileInfo"));
}

TEST_F(SampleBackupReaders, TheBackupOfEachIosVersionIsReadWhole) {
    struct Version {
        std::string folder;
        sampledb::SampleSize size;
        bool reminders;  // iOS 4 kept none; the iOS 5 query leaves the reminder list out
        int journal;     // the header's write version: 1 rollback journal (iOS 4), 2 write-ahead log
        sampledb::MessageSchema messages;
    };
    const Version versions[] = {
        {all[0], {}, true, 2, sampledb::MessageSchema::ios6},
        {all[1], {20, 4, 150, 30, 8, 10, 12, true}, true, 2, sampledb::MessageSchema::ios7},
        {all[2], {60, 8, 500, 90, 14, 20, 30, true}, false, 1, sampledb::MessageSchema::ios4},
        {all[3], {60, 8, 500, 90, 14, 20, 30, true}, false, 2, sampledb::MessageSchema::ios5Fresh},
        {all[4], {60, 8, 500, 90, 14, 20, 30, true}, false, 2, sampledb::MessageSchema::ios5Upgraded}};
    for (const Version& v : versions) {
        SCOPED_TRACE(v.folder);
        for (const char* key : {backupkeys::addressBook, backupkeys::messages, backupkeys::calendar}) {
            std::ifstream file(v.folder + "/" + key, std::ios::binary);
            char header[20] = {};
            file.read(header, sizeof header);
            EXPECT_EQ(header[18], v.journal) << key;
        }
        const sampledb::SampleData expected = sampledb::makeSampleData(v.size);
        NotificationRecorder recorder(nc, {&notices::ScanContactInfo, &notices::ScanMessageInfo, &notices::ScanNoteInfo,
                                           &notices::ScanCallHistoryInfo, &notices::scanCalenderInfo});
        runBackupReaders(v.folder, state, nc);

        const auto contacts = recorder.records(notices::ScanContactInfo);
        ASSERT_EQ(contacts.size(), expected.contacts.size());
        for (size_t i = 0; i < contacts.size(); ++i)
            EXPECT_EQ(contacts[i]->contactAdress().empty(), expected.contacts[i].addresses.empty()) << i;

        const auto messages = recorder.records(notices::ScanMessageInfo);
        ASSERT_EQ(messages.size(), expected.messages.size());
        size_t imessages = 0, grouped = 0;
        for (size_t i = 0; i < messages.size(); ++i) {
            const auto& m = expected.messages[i];
            EXPECT_EQ(messages[i]->messageType(), m.fromMe ? "Send" : "Received") << i;
            // A multimedia message of iOS 4 and 5 has the words of its text part beside its file.
            const bool parts = sampledb::isPartsMessage(m, v.messages);
            EXPECT_EQ(messages[i]->messageContent(), parts ? sampledb::partsText(m) : m.text) << i;
            if (parts && m.attachmentName.find(".vcf") == std::string::npos) {
                EXPECT_TRUE(messages[i]->isHasAttach()) << i;
                EXPECT_TRUE(messages[i]->attachmentPath()) << i;
            }
            EXPECT_EQ(messages[i]->messagePhone(), m.address) << i;
            EXPECT_EQ(messages[i]->messageDate(), *dateTimeText(m.date, false)) << i;
            // iOS 4 knew no iMessages; every later layout flags them. A group's message stands
            // in its group, with the other members' addresses.
            EXPECT_EQ(messages[i]->bImessage(), m.iMessage && v.journal == 2) << i;
            EXPECT_EQ(messages[i]->groupAddress().empty(), m.members.empty()) << i;
            for (const std::string& member : m.members)
                EXPECT_NE(messages[i]->groupAddress().find(member), std::string::npos) << i;
            imessages += messages[i]->bImessage();
            grouped += !m.members.empty();
        }
        EXPECT_EQ(imessages > 0, v.journal == 2);
        EXPECT_GT(grouped, 0u);

        const auto notes = recorder.records(notices::ScanNoteInfo);
        ASSERT_EQ(notes.size(), expected.notes.size());
        for (const auto& n : notes) EXPECT_EQ(n->noteContent().rfind(n->noteTitle(), 0), 0u) << n->noteTitle();

        const auto calls = recorder.records(notices::ScanCallHistoryInfo);
        ASSERT_EQ(calls.size(), expected.calls.size());
        for (size_t i = 0; i < calls.size(); ++i)
            EXPECT_EQ(calls[i]->callType(), expected.calls[i].flags & 1 ? "Outgoing" : "Incoming") << i;

        const auto items = recorder.records(notices::scanCalenderInfo);
        std::vector<const sampledb::CalendarItem*> shown;
        for (const auto& c : expected.calendar)
            if (v.reminders || !c.reminder) shown.push_back(&c);
        ASSERT_EQ(items.size(), shown.size());
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i]->calTitle(), shown[i]->summary) << i;
            EXPECT_EQ(items[i]->location(), shown[i]->location) << i;
            // An all-day event shows its day alone (local time is UTC here).
            const std::string start = *dateTimeText(shown[i]->start - 978307200, true);
            if (!shown[i]->reminder) {
                EXPECT_EQ(items[i]->startDate(), shown[i]->allDay ? start.substr(0, 10) : start) << i;
            }
        }
    }
}

// The phone keeps Apple's, Yahoo's and Google's pages among its bookmarks, written each its own
// way: the built-in pages are added only where it keeps none of the same address, so that no page
// is listed twice, and those it lacks are still there, before the history.
TEST_F(SampleBackupReaders, NoBookmarkIsListedTwice) {
    std::vector<std::string> wanted;
    for (const auto& b : data.bookmarks)
        if (b.title != "Root" && b.title != "com.apple.ReadingList") wanted.push_back(b.title);
    wanted.insert(wanted.end(), {"iPhone User Guide", "iPhone Web Applications"});
    auto page = [](std::string url) {
        std::transform(url.begin(), url.end(), url.begin(), [](unsigned char c) { return std::tolower(c); });
        if (!url.empty() && url.back() == '/') url.pop_back();
        return url;
    };
    for (const std::string& backup : all) {
        SCOPED_TRACE(backup);
        NotificationRecorder recorder(nc, {&notices::scanBookMarkInfo});
        PRBookMarkReader(nc).scanBookMarkThread(backup);
        const auto read = recorder.records(notices::scanBookMarkInfo);
        ASSERT_GE(read.size(), wanted.size());
        std::vector<std::string> titles;
        std::set<std::string> pages;
        for (size_t i = 0; i < wanted.size(); ++i) {
            titles.push_back(read[i]->bookMarkTitle());
            if (!read[i]->bookMarkURL().empty()) {  // a folder has none
                EXPECT_TRUE(pages.insert(page(read[i]->bookMarkURL())).second) << read[i]->bookMarkURL();
            }
        }
        EXPECT_EQ(titles, wanted);
        EXPECT_EQ(pages.count("http://www.google.com"), 1u);
    }
}
