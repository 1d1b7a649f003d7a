// The one-click copy without a window, over the sample device and the real backup tool: the
// export folder's layout, the media byte for byte, the record files against the data the
// device's databases were made from; a failing tool, a device that leaves, a refused copy; the
// conversations its message pages hold, against those of the other pages.
#include "DeviceFolder.h"
#include "ExportChecks.h"
#include "MediaAreaWrapper.h"
#include "SampleDevice.h"
#include "ToolStandIn.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/PRMessageReader.h"
#include "browser/core/PRScanIntake.h"
#include "disk/core/DiskDeviceServices.h"
#include "platform/CoreFoundation.h"
#include "transfer/core/OneCopyRecords.h"
#include "transfer/core/OneCopyRun.h"
#include "transfer/core/TransferRecordIntake.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace devicetest;
using transfer::OneCopyCategory;
using transfer::OneCopyRun;

namespace {

const std::string kSampleUdid = "5a1e7c0ffee5a1e7c0ffee0123456789abcdef01";

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The files below folder, as paths relative to it, sorted.
QStringList filesBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

// The device's services, refusing the copy of one device file with its bytes cut short, as a
// file that vanishes mid-copy leaves them.
transfertest::MediaAreaWrapper refusing(const std::string& refused) {
    return transfertest::MediaAreaWrapper(
        [refused](amd::FileService& inner, const std::string& from, files::NewFile& into) {
            if (from != refused) return inner.CopyToLocal(from, into);
            into.write("partial", 7);
            return 5;
        });
}

class OneCopyRunTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        device = home.path() + "/sample";
        ASSERT_TRUE(sampledevice::write(device));
        attachAndWait(device);
        options.deviceIndex = connected.back();
        options.udid = kSampleUdid;
        options.deviceName = "Sample iPhone";
        exportFolder = QString::fromStdString(testsupport::scratchDirectory("export"));
        options.exportFolder = exportFolder;
        hooks.rowEnded = [this](OneCopyCategory c, bool done) { ended.push_back({c, done}); };
    }
    transfer::OneCopySummary run(disk::DiskDeviceServices& services = disk::deviceDiskServices()) {
        return OneCopyRun(services, options, hooks).run();
    }
    QString media(const QString& path) const { return QString::fromStdString(device) + "/media/" + path; }
    QString text(const QString& relative) const { return QString::fromUtf8(bytesOf(exportFolder + "/" + relative)); }

    std::string device;
    QString exportFolder;
    transfer::OneCopyOptions options;
    OneCopyRun::Hooks hooks;
    std::vector<std::pair<OneCopyCategory, bool>> ended;
};

}  // namespace

TEST_F(OneCopyRunTest, AWholeCopyFillsTheExportFolderWithTheDevicesMediaAndRecords) {
    const transfer::OneCopySummary summary = run();
    EXPECT_TRUE(summary.backupCompleted) << summary.backupMessage;
    EXPECT_FALSE(summary.deviceLeft);
    // The library lists one track whose file is gone from the device: that copy alone fails.
    EXPECT_EQ(summary.media.failures, 1u);
    EXPECT_EQ(summary.media.firstFailurePath, "iTunes_Control/Music/F17/MNOP.wav");

    // Photos of every camera, stream and synced folder side by side, equal to the device's.
    const QStringList photoFolders{"DCIM/100APPLE", "DCIM/101APPLE", "PhotoStreamsData/1285471922/100APPLE",
                                   "PhotoData/Sync/100SYNCD", "Photos/Sync/100SYNCD"};
    int photos = 0;
    for (const QString& folder : photoFolders)
        for (const QString& name : QDir(media(folder)).entryList(QDir::Files)) {
            ++photos;
            EXPECT_EQ(bytesOf(exportFolder + "/" + name), bytesOf(media(folder + "/" + name))) << name.toStdString();
        }
    EXPECT_GE(photos, 23);
    EXPECT_FALSE(QFileInfo::exists(exportFolder + "/Info.plist")) << "the hidden .MISC folder is not a camera folder";

    // Tracks under title and extension, music and video alike.
    EXPECT_EQ(bytesOf(exportFolder + "/Lanterns.wav"), bytesOf(media("iTunes_Control/Music/F03/KZPD.wav")));
    EXPECT_TRUE(QDir(exportFolder).entryList({"Harbour at Dusk.*"}).size() == 1);

    // Books below Books/Purchases, every file equal.
    const QStringList books = filesBelow(media("Books/Purchases"));
    ASSERT_FALSE(books.isEmpty());
    for (const QString& book : books)
        EXPECT_EQ(bytesOf(exportFolder + "/Books/Purchases/" + book), bytesOf(media("Books/Purchases/" + book)))
            << book.toStdString();

    // The records, against what the databases were made from.
    const sampledb::SampleData data = sampledevice::homeData();
    QString cards;
    for (const QString& card : QDir(exportFolder + "/Contact").entryList({"*.vcf"})) cards += text("Contact/" + card);
    for (const sampledb::Contact& contact : data.contacts)
        EXPECT_TRUE(
            cards.contains(QString::fromStdString(contact.first.empty() ? contact.organization : contact.first)))
            << contact.first << contact.organization;
    QString pages;
    for (const QString& page : QDir(exportFolder + "/Message").entryList({"*.html"})) {
        // The pages are written in UTF-8, as they declare.
        const QByteArray bytes = bytesOf(exportFolder + "/Message/" + page);
        QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
        pages += decoder.decode(bytes);
    }
    ASSERT_FALSE(pages.isEmpty()) << summary.lines().join("\n").toStdString();
    for (const sampledb::Message& message : data.messages)
        if (message.attachmentName.empty() && !message.text.empty() &&
            message.text.find_first_of("<>&'\"") == std::string::npos) {
            EXPECT_TRUE(pages.contains(QString::fromStdString(message.text))) << message.text;
        }
    // The cards and pages as a vCard parser and an HTML5 parser read them: every person of the
    // device's address book in a card of their own, every page well formed and linking only its
    // own attachments.
    const QString book = QString::fromStdString(device) + "/home/Library/AddressBook/AddressBook";
    EXPECT_TRUE(exportchecks::passes("vcards.py", {"--addressbook", book + ".sqlitedb", "--images",
                                                   book + "Images.sqlitedb", exportFolder + "/Contact"}));
    QStringList pageFiles{"--min-links", "3", exportFolder};
    for (const QString& page : QDir(exportFolder + "/Message").entryList({"*.html"}))
        pageFiles << exportFolder + "/Message/" + page;
    EXPECT_TRUE(exportchecks::passes("pages.py", pageFiles));
    for (const sampledb::Note& note : data.notes)
        EXPECT_TRUE(text("Note/Notes.txt").contains(QString::fromStdString(note.title))) << note.title;
    for (const sampledb::Bookmark& bookmark : data.bookmarks)
        EXPECT_TRUE(text("BookMark/BookMark.txt").contains(QString::fromStdString(bookmark.url))) << bookmark.url;
    for (const sampledb::CalendarItem& item : data.calendar)
        EXPECT_TRUE(text("Calendar&Reminder/Calendar&Reminder.txt").contains(QString::fromStdString(item.summary)));
    for (const sampledb::Call& call : data.calls)
        EXPECT_TRUE(text("CallLogs/Call History.txt").contains(QString::fromStdString(call.address))) << call.address;
    EXPECT_EQ(summary.records[size_t(OneCopyCategory::CallLogs)], int(data.calls.size()));

    // Every row ended as done, in the copy's order (the books end the bookmarks row first), but
    // the music's and the videos': the library's track whose file is gone did not arrive. So the
    // copy is not done, and its closing line says why.
    std::vector<OneCopyCategory> order;
    for (const auto& [c, done] : ended) {
        EXPECT_EQ(done, c != OneCopyCategory::Music && c != OneCopyCategory::Video) << OneCopyRun::categoryName(c);
        order.push_back(c);
    }
    EXPECT_FALSE(summary.complete());
    EXPECT_EQ(summary.closingLine().toStdString(), "The one-click copy did not complete: 1 file could not be copied");
    using C = OneCopyCategory;
    EXPECT_EQ(order, (std::vector<C>{C::CameraRoll, C::PhotoStream, C::PhotoLibrary, C::Music, C::Video, C::BookMarks,
                                     C::Contacts, C::Messages, C::Notes, C::BookMarks, C::Calendar, C::CallLogs}));
    EXPECT_TRUE(summary.lines().join("\n").contains("Call Logs: " + QString::number(data.calls.size()) + " written"));

    // Run again into the same folder (a later launch): what is the same stays and is not written
    // twice, the books' folders too; a photo changed on the device since comes beside the earlier
    // one under the next name.
    const QStringList before = filesBelow(exportFolder);
    const QByteArray firstPhoto = bytesOf(exportFolder + "/IMG_0001.JPG");
    {
        QFile changed(media("DCIM/100APPLE/IMG_0001.JPG"));
        ASSERT_TRUE(changed.open(QIODevice::Append));
        changed.write("edited");
    }
    const transfer::OneCopySummary again = run();
    EXPECT_EQ(bytesOf(exportFolder + "/IMG_0001.JPG"), firstPhoto);
    EXPECT_EQ(bytesOf(exportFolder + "/IMG_0001 (2).JPG"), bytesOf(media("DCIM/100APPLE/IMG_0001.JPG")));
    QStringList added = filesBelow(exportFolder);
    for (const QString& file : before) added.removeOne(file);
    EXPECT_EQ(added, QStringList{"IMG_0001 (2).JPG"}) << added.join(", ").toStdString();
    EXPECT_GT(again.media.alreadyThere, uint64_t(photos + books.size()));
    EXPECT_EQ(again.media.files, 1u);
    EXPECT_EQ(again.recordFiles.files, 0u);
    const QString said = again.lines().join("\n");
    EXPECT_TRUE(said.contains("already there with the same content"));
    // Each record category says it wrote nothing new, never that it wrote what was there.
    EXPECT_TRUE(said.contains("Call Logs: nothing new, " + QString::number(data.calls.size()) + " already there"))
        << said.toStdString();
    EXPECT_FALSE(said.contains(" written")) << said.toStdString();

    // Once more, nothing changed: nothing new at all, and the line says so.
    const transfer::OneCopySummary third = run();
    EXPECT_EQ(filesBelow(exportFolder).size(), before.size() + 1);
    EXPECT_EQ(third.media.files, 0u);
    EXPECT_TRUE(third.lines().join("\n").contains("Nothing new was copied")) << third.lines().join("\n").toStdString();
}

TEST_F(OneCopyRunTest, SwitchedOffCategoriesAreNotCopiedAndAFailedBackupWritesNoRecords) {
    browsertest::ToolStandIn tool(testsupport::scratchDirectory("tool"), "echo 'no device here' >&2; exit 3");
    hooks.enabled = [](OneCopyCategory c) { return c != OneCopyCategory::Music && c != OneCopyCategory::Notes; };
    const transfer::OneCopySummary summary = run();

    EXPECT_FALSE(summary.backupCompleted);
    EXPECT_TRUE(QFileInfo::exists(exportFolder + "/IMG_0001.JPG")) << "the media copy goes on";
    EXPECT_FALSE(QFileInfo::exists(exportFolder + "/Lanterns.wav"));
    for (const char* folder : {"Contact", "Message", "Note", "BookMark", "Calendar&Reminder", "CallLogs"})
        EXPECT_FALSE(QFileInfo::exists(exportFolder + "/" + folder)) << folder;
    // Five record categories are on; each says it was not written, its row not done.
    EXPECT_EQ(summary.notWritten.size(), 5);
    EXPECT_TRUE(summary.notWritten.contains("Messages: not written, the backup failed"));
    int failedRows = 0;
    for (const auto& [c, done] : ended) failedRows += done ? 0 : 1;
    EXPECT_EQ(failedRows, 5);
    EXPECT_TRUE(summary.lines().join("\n").contains("no device here"));
}

TEST_F(OneCopyRunTest, WithVideoOffTheVideosGoWithTheMusicAndTheirRowEndsWithIt) {
    hooks.enabled = [](OneCopyCategory c) { return c == OneCopyCategory::Music; };
    options.udid.clear();  // no backup: quick
    run();
    EXPECT_EQ(QDir(exportFolder).entryList({"Harbour at Dusk.*"}).size(), 1);
    // Both rows end as the music did: one track's file is gone from the device.
    const std::vector<std::pair<OneCopyCategory, bool>> rows(ended.begin(), ended.begin() + 2);
    EXPECT_EQ(rows, (std::vector<std::pair<OneCopyCategory, bool>>{{OneCopyCategory::Music, false},
                                                                   {OneCopyCategory::Video, false}}));

    // With the music off, the video switch alone copies the videos, and no track.
    const QString videosOnly = QString::fromStdString(testsupport::scratchDirectory("videos"));
    options.exportFolder = videosOnly;
    hooks.enabled = [](OneCopyCategory c) { return c == OneCopyCategory::Video; };
    ended.clear();
    const transfer::OneCopySummary summary = run();
    EXPECT_EQ(QDir(videosOnly).entryList({"Harbour at Dusk.*"}).size(), 1);
    EXPECT_FALSE(QFileInfo::exists(videosOnly + "/Lanterns.wav"));
    EXPECT_TRUE(summary.notCopied.isEmpty()) << summary.notCopied.join(", ").toStdString();
}

TEST_F(OneCopyRunTest, TheCalendarAloneIsReadInItsBackupsSchema) {
    hooks.enabled = [](OneCopyCategory c) { return c == OneCopyCategory::Calendar; };
    const transfer::OneCopySummary summary = run();
    ASSERT_TRUE(summary.backupCompleted) << summary.backupMessage;
    const sampledb::SampleData data = sampledevice::homeData();
    EXPECT_EQ(summary.records[size_t(OneCopyCategory::Calendar)], int(data.calendar.size()));
    for (const sampledb::CalendarItem& item : data.calendar)
        EXPECT_TRUE(text("Calendar&Reminder/Calendar&Reminder.txt").contains(QString::fromStdString(item.summary)));
    EXPECT_FALSE(QFileInfo::exists(exportFolder + "/Message"));
}

TEST_F(OneCopyRunTest, ADeviceThatLeavesEndsTheRunAndARefusedCopyLeavesNoFile) {
    // The device goes once three files are in the export folder.
    hooks.deviceConnected = [&] { return QDir(exportFolder).entryList(QDir::Files).size() < 3; };
    transfer::OneCopySummary summary = run();
    EXPECT_TRUE(summary.deviceLeft);
    EXPECT_EQ(summary.media.files, 3u);
    EXPECT_TRUE(ended.empty()) << "no row is shown as done";
    EXPECT_FALSE(QFileInfo::exists(exportFolder + "/Books"));
    EXPECT_TRUE(summary.lines().first().contains("disconnected"));

    // A copy the device refuses half-way is reported and leaves no file behind.
    hooks.deviceConnected = {};
    ended.clear();
    exportFolder = QString::fromStdString(testsupport::scratchDirectory("second"));
    options.exportFolder = exportFolder;
    hooks.enabled = [](OneCopyCategory c) { return c == OneCopyCategory::CameraRoll; };
    options.udid.clear();  // no backup either: quick
    transfertest::MediaAreaWrapper services = refusing("/DCIM/100APPLE/IMG_0002.JPG");
    summary = run(services);
    EXPECT_EQ(summary.media.failures, 1u);
    EXPECT_EQ(summary.media.firstFailurePath, "/DCIM/100APPLE/IMG_0002.JPG");
    EXPECT_FALSE(QFileInfo::exists(exportFolder + "/IMG_0002.JPG"));
    EXPECT_TRUE(QFileInfo::exists(exportFolder + "/IMG_0003.JPG"));
    EXPECT_TRUE(summary.lines().join("\n").contains("IMG_0002.JPG"));
}

// One-click copy, the transfer page and the backup result screen read the same messages into
// the same conversations. A message without a handle opens a conversation of its own and joins
// no sender's (one-click copy once filed every later message of every sender with it).
TEST(OneCopyRecordsTest, EveryPageGroupsMessagesIntoTheSameConversations) {
    testsupport::TempHome home;
    const std::string backup = testsupport::scratchDirectory("backup");
    const std::vector<std::string> senders = {
        "",         "+44 7700 900123", "7700 900123", "900123",    "Ann@Example.com", "", "ann@example.com",
        "555 0100", "555 0199",        "15551234",    "1555-1234", "bob@example.com", ""};
    std::vector<sampledb::Message> rows;
    for (size_t i = 0; i < senders.size(); ++i) {
        sampledb::Message m;
        m.rowid = int64_t(i) + 1;
        m.address = senders[i];
        m.text = "message " + std::to_string(i + 1);
        m.date = 1370000000 + 60 * m.rowid;
        rows.push_back(m);
    }
    const std::string database = backup + "/" + backupkeys::messages;
    ASSERT_TRUE(sampledb::writeMessages(database, rows, sampledb::MessageSchema::ios6));
    {  // The messages of the empty address lose their handle, as a device leaves such rows.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(
            sqlite3_exec(db,
                         "UPDATE message SET handle_id = 0 WHERE handle_id IN (SELECT ROWID FROM handle WHERE id = '')",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(db);
    }
    CFHolder<CFMutableDictionaryRef> info(CFDictionaryCreateMutable());
    CFHolder<CFStringRef> version(CFStringCreateWithCString("6.1.3"));
    CFDictionarySetValue(info.get(), "Product Version", version.get());
    ASSERT_TRUE(CFPropertyListWriteToFile(info.get(), backup + "/Info.plist", kCFPropertyListXMLFormat_v1_0));

    // Each conversation as its address and the numbers of its messages.
    using Grouping = std::vector<std::pair<std::string, std::vector<std::string>>>;
    auto grouping = [](const std::vector<PRMessageTreeNodePtr>& conversations) {
        Grouping out;
        for (const PRMessageTreeNodePtr& c : conversations) {
            out.push_back({c->messageTreeNodeAdress(), {}});
            for (const PRMessageNodePtr& m : c->MessageNodeArray())
                out.back().second.push_back(m->messageContent().substr(8));
        }
        return out;
    };
    const Grouping expected = {{"", {"1", "6", "13"}},
                               {"+44 7700 900123", {"2", "3"}},
                               {"900123", {"4"}},                // six digits: a short code of its own
                               {"Ann@Example.com", {"5", "7"}},  // without case
                               {"555 0100", {"8"}},
                               {"555 0199", {"9"}},
                               {"15551234", {"10", "11"}},  // "1555-1234" is the same number
                               {"bob@example.com", {"12"}}};

    // One-click copy: one page per conversation.
    const std::string out = testsupport::scratchDirectory("out");
    transfer::OneCopyRecords records(backup, out, "Phone");
    EXPECT_EQ(records.startCopyMessages(), int(senders.size()));
    EXPECT_EQ(grouping(records.messageTreeArray()), expected);
    EXPECT_EQ(QDir(QString::fromStdString(out + "/Message")).entryList({"*.html"}, QDir::Files).size(),
              qsizetype(expected.size()));

    // The transfer page.
    NSNotificationCenter nc;
    transfer::TransferRecordIntake page(nc);
    PRBackupScanState pageState;
    PRMessageReader pageReader(pageState, nc);
    pageReader.setSender(page.token());
    pageReader.scanTransferMessageThread(backup);
    EXPECT_EQ(grouping(page.messageTreeArray()), expected);

    // The backup result screen.
    PRScanIntake screen;
    notices::ScanMessageInfo.observe(nc, &screen, [&screen](const NSNotification& n) { screen.take(n); });
    PRBackupScanState screenState;
    screenState.currentNodeIsiOS6Version = true;
    PRMessageReader(screenState, nc).scanMessageThread(backup);
    nc.removeObserver(&screen);
    EXPECT_EQ(grouping(screen.messageTreeArray()), expected);
}

// A category without records still says so in the export folder: an empty file of its name,
// and for messages the empty folder; contacts, one file each, leave nothing.
TEST(OneCopyRecordsTest, ACategoryWithoutRecordsWritesAnEmptyFileOfItsName) {
    testsupport::TempHome home;
    const std::string backup = testsupport::scratchDirectory("backup");
    const QString out = QString::fromStdString(testsupport::scratchDirectory("out"));
    transfer::OneCopyRecords records(backup, out.toStdString(), "Phone");
    EXPECT_EQ(records.startCopyContacts() + records.startCopyMessages() + records.startCopyNotes() +
                  records.startCopyBookMarks() + records.StartCopyReminders() + records.StartCopyCallLogs(),
              0);
    EXPECT_EQ(filesBelow(out), (QStringList{"BookMark/BookMark.txt", "Calendar&Reminder/Calendar&Reminder.txt",
                                            "CallLogs/Call History.txt", "Note/Notes.txt"}));
    for (const QString& file : filesBelow(out)) EXPECT_EQ(QFileInfo(out + "/" + file).size(), 0) << file.toStdString();
    EXPECT_TRUE(QDir(out + "/Message").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(out + "/Contact"));
    EXPECT_TRUE(records.result().ok());

    // A second copy into the same folder keeps the first's files and writes beside them.
    EXPECT_EQ(records.startCopyNotes(), 0);
    EXPECT_TRUE(QFileInfo::exists(out + "/Note/Notes (2).txt"));
}
