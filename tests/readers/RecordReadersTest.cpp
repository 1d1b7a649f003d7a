// The call, note, bookmark and calendar readers, each against the schemas it knows.
#include "ReaderTestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/HtmlEntities.h"
#include "backup/NoteBodyText.h"
#include "backup/PRBookMarkReader.h"
#include "backup/PRCalenderReader.h"
#include "backup/PRCallHistoryReader.h"
#include "backup/PRNoteReader.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRNoteNode.h"
#include "model/PRRecordFields.h"

#include <fstream>

TEST_F(ReaderTest, CallsGetTypesDurationsAndNames) {
    const std::vector<sampledb::Call> calls = {{"+15550101234", kMarchFirst, 0, 5},
                                               {"+15550101234", kMarchFirst, 0, 4},
                                               {"5550109999", kMarchFirst, 75, 4},
                                               {"+15550101234", kMarchFirst, 7300, 5},
                                               {"+15550101234", kMarchFirst, 1, 4}};
    ASSERT_TRUE(sampledb::writeCallHistory(at(backupkeys::callHistoryOld), calls, /*walOnly*/ 1));
    auto contact = std::make_shared<PRContactNode>();
    contact->setContactName("Anna Berg");
    contact->setContactPhone(" (555) 010-1234");
    state.contactArray = {contact};
    NotificationRecorder recorder(nc, {&notices::ScanCallHistoryInfo, &notices::ScanProgressInfo});
    PRCallHistoryReader(state, nc).scanCallHistoryThread(folder);  // the second file name

    const auto read = recorder.records(notices::ScanCallHistoryInfo);
    ASSERT_EQ(read.size(), 5u);
    EXPECT_EQ(recorder.numbers(notices::ScanProgressInfo), std::vector<int>{60});
    EXPECT_EQ(read[0]->callType(), "Outgoing");
    EXPECT_EQ(read[0]->callDuration(), "Cancelled");
    EXPECT_EQ(read[0]->callTime(), 0);
    EXPECT_EQ(read[0]->callDate(), kMarchFirstText);
    EXPECT_EQ(read[0]->callName(), "Anna Berg");
    EXPECT_EQ(read[1]->callType(), "Incoming");
    EXPECT_EQ(read[1]->callDuration(), "Missed");
    EXPECT_EQ(read[2]->callDuration(), "1 minute");
    EXPECT_EQ(read[2]->callName(), "");
    EXPECT_EQ(read[3]->callDuration(), "2 hours");
    EXPECT_EQ(read[4]->callDuration(), "1 second");
    EXPECT_EQ(read[4]->callPhone(), "+15550101234");

    // The first file name wins; the transfer variant looks names up among the transfer contacts.
    ASSERT_TRUE(sampledb::writeCallHistory(at(backupkeys::callHistory), {calls[2]}));
    recorder.posted.clear();
    NotificationRecorder transfer(nc, {&notices::scanCopyCallLogInfo, &notices::scanCopyCallLogInfoFinished});
    PRCallHistoryReader(state, nc).scanTransferCallLogThread(folder);
    EXPECT_TRUE(recorder.posted.empty());
    EXPECT_EQ(transfer.names(), (std::vector<std::string>{notices::scanCopyCallLogInfo.name(),
                                                          notices::scanCopyCallLogInfoFinished.name()}));
}

TEST_F(ReaderTest, MissingCallHistoryPostsNothingButTheTransferEnd) {
    NotificationRecorder recorder(
        nc, {&notices::ScanCallHistoryInfo, &notices::ScanProgressInfo, &notices::scanCopyCallLogInfoFinished});
    PRCallHistoryReader(state, nc).scanCallHistoryThread(folder);
    EXPECT_TRUE(recorder.posted.empty());
    PRCallHistoryReader(state, nc).scanTransferCallLogThread(folder);
    EXPECT_EQ(recorder.names(), std::vector<std::string>{notices::scanCopyCallLogInfoFinished.name()});
}

class NoteReaderTest : public ReaderTest, public ::testing::WithParamInterface<sampledb::NotesSchema> {};

TEST_P(NoteReaderTest, NotesOfEitherSchemaReadAsLinesOfText) {
    sampledb::Note note{"Shopping", "Shopping<div>Milk</div><div>&nbsp;</div>Eggs<br>Bread</br>Salt &amp; pepper",
                        kMarchFirst - 86400, kMarchFirst};
    const char* file = GetParam() == sampledb::NotesSchema::coreData ? backupkeys::notes : backupkeys::notesOld;
    ASSERT_TRUE(sampledb::writeNotes(at(file), {note, note}, GetParam(), /*walOnly*/ 1));
    NotificationRecorder recorder(nc, {&notices::ScanNoteInfo, &notices::ScanProgressInfo});
    PRNoteReader(nc).scanNoteThread(folder);
    const auto notes = recorder.records(notices::ScanNoteInfo);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0]->noteTitle(), "Shopping");
    EXPECT_EQ(notes[0]->noteContent(), "Shopping\nMilk\n \nEggs\nBread\nSalt & pepper");
    // Each note comes with its own key, which tells a carved copy of it.
    EXPECT_GT(notes[0]->uid(), 0);
    EXPECT_NE(notes[0]->uid(), notes[1]->uid());
    EXPECT_EQ(notes[0]->noteDate(), kMarchFirstText);
    EXPECT_EQ(recorder.numbers(notices::ScanProgressInfo), std::vector<int>{70});
}

TEST(NoteText, CharacterReferencesReadAsTyped) {
    using backuptext::decodeHtmlEntities;
    EXPECT_EQ(decodeHtmlEntities("a &lt;b&gt; &quot;c&quot; &apos;d&apos; &amp; e&nbsp;f"), "a <b> \"c\" 'd' & e f");
    EXPECT_EQ(decodeHtmlEntities("caf&#233; caf&#xE9; &#X1F600;"), "caf\u00e9 caf\u00e9 \U0001F600");
    // Decoded once: what the user typed as "&lt;" stays "&lt;".
    EXPECT_EQ(decodeHtmlEntities("&amp;lt;"), "&lt;");
    // Anything that is not a reference we know stands as it is.
    for (const char* kept : {"Tom & Jerry", "&copy;", "&#0;", "&#xD800;", "&#x110000;", "&#;", "&#12a;", "&amp",
                             "AT&T;", "&#99999999;", "& amp;", "trailing &"})
        EXPECT_EQ(decodeHtmlEntities(kept), kept);
}

// A body's lines stay lines: "eggs" and "call plumber" never run together.
TEST(NoteText, BlocksAndBreaksBecomeLines) {
    using backuptext::noteBodyText;
    EXPECT_EQ(noteBodyText("<div>eggs</div><div>call plumber</div>"), "eggs\ncall plumber");
    EXPECT_EQ(noteBodyText("eggs<br>call plumber</br>done<br/>"), "eggs\ncall plumber\ndone");
    EXPECT_EQ(noteBodyText("<DIV>Up</DIV>\n<p>a</p><ul><li>b</li><li>c</li></ul><h1>d</h1>"), "Up\na\nb\nc\nd");
    // An empty line the user left, and the break a block ends with, which adds none.
    EXPECT_EQ(noteBodyText("<div>eggs</div><div><br></div><div>milk<br></div><div>tea</div>"), "eggs\n\nmilk\ntea");
    // Other tags go; what the user typed stays as typed, a "<" that opens no tag included.
    EXPECT_EQ(noteBodyText("<b>bold</b> &lt;div&gt; <font color=\"red\">x</font> a < b"), "bold <div> x a < b");
    EXPECT_EQ(noteBodyText("cut inside <di"), "cut inside <di");
    EXPECT_EQ(backuptext::titleFromBodyText("\n  \n  Groceries \neggs"), "Groceries");
    EXPECT_EQ(backuptext::titleFromBodyText(" \n"), "");
}

INSTANTIATE_TEST_SUITE_P(Schemas, NoteReaderTest,
                         ::testing::Values(sampledb::NotesSchema::legacy, sampledb::NotesSchema::coreData));

TEST_F(ReaderTest, NoteTransferEndsWithSeventyAndMissingNotesPostNothing) {
    NotificationRecorder recorder(nc, {&notices::ScanNoteInfo, &notices::ScanProgressInfo,
                                       &notices::ScanTransferNoteInfo, &notices::ScanTransferNoteFinished});
    PRNoteReader(nc).scanNoteThread(folder);
    EXPECT_TRUE(recorder.posted.empty());
    std::ofstream(at(backupkeys::notes)) << "not a database";
    PRNoteReader(nc).scanTransferNoteThread(folder);
    EXPECT_EQ(recorder.names(), std::vector<std::string>{notices::ScanTransferNoteFinished.name()});
    EXPECT_EQ(recorder.numbers(notices::ScanTransferNoteFinished), std::vector<int>{70});
}

namespace {

std::vector<sampledb::Bookmark> someBookmarks() {
    return {{0, 0, 1, "Root", ""},
            {1, 0, 1, "com.apple.ReadingList", ""},
            {2, 0, 0, "Weather", "http://weather.example.com/"},
            {3, 1, 0, "Slow travel", "http://magazine.example.org/slow"}};
}

std::vector<std::string> titles(const std::vector<PRBookMarkNodePtr>& list) {
    std::vector<std::string> out;
    for (const auto& b : list) out.push_back(b->bookMarkTitle());
    return out;
}

}  // namespace

TEST_F(ReaderTest, BookmarksSkipFoldersThenBuiltInsThenHistory) {
    ASSERT_TRUE(sampledb::writeBookmarks(at(backupkeys::bookmarks), someBookmarks()));
    ASSERT_TRUE(sampledb::writeHistoryPlist(
        at(backupkeys::history), {{"http://a.example.com/", "A", true}, {"http://b.example.com/", "", false}},
        /*binary*/ false));
    NotificationRecorder recorder(nc, {&notices::scanBookMarkInfo});
    PRBookMarkReader(nc).scanBookMarkThread(folder);
    const auto read = recorder.records(notices::scanBookMarkInfo);
    EXPECT_EQ(titles(read), (std::vector<std::string>{"Weather", "Slow travel", "Apple", "Yahoo", "Google",
                                                      "iPhone User Guide", "iPhone Web Applications", "A", ""}));
    ASSERT_EQ(read.size(), 9u);
    EXPECT_EQ(read[0]->bookMarkURL(), "http://weather.example.com/");
    EXPECT_EQ(read[7]->bookMarkURL(), "http://a.example.com/");
    EXPECT_EQ(read[8]->bookMarkURL(), "http://b.example.com/");
    for (const auto& b : read) EXPECT_FALSE(b->bookMarkURL().empty()) << b->bookMarkTitle();
}

TEST_F(ReaderTest, BookmarkTransferReadsBinaryHistoryAndEndsEvenWithoutIt) {
    // The older file name, without any rows: the built-in bookmarks are still there.
    ASSERT_TRUE(sampledb::writeBookmarks(at(backupkeys::bookmarksOld), {}));
    ASSERT_TRUE(sampledb::writeHistoryPlist(at(backupkeys::history), {{"http://a.example.com/", "A", true}}, true));
    NotificationRecorder recorder(
        nc, {&notices::scanCopyBookMarkInfo, &notices::scanCopyBookMarkFinished, &notices::scanBookMarkInfo});
    PRBookMarkReader(nc).scanTransferBookMarkThread(folder);
    EXPECT_EQ(recorder.records(notices::scanCopyBookMarkInfo).size(), 6u);
    EXPECT_EQ(recorder.names().back(), notices::scanCopyBookMarkFinished.name());

    std::remove(at(backupkeys::history).c_str());
    recorder.posted.clear();
    PRBookMarkReader(nc).scanTransferBookMarkThread(folder);
    EXPECT_EQ(recorder.records(notices::scanCopyBookMarkInfo).size(), 5u);
    EXPECT_EQ(recorder.names().back(), notices::scanCopyBookMarkFinished.name());

    // No bookmarks database at all: the scan posts nothing, the transfer only its end.
    std::remove(at(backupkeys::bookmarksOld).c_str());
    recorder.posted.clear();
    PRBookMarkReader(nc).scanBookMarkThread(folder);
    EXPECT_TRUE(recorder.posted.empty());
    PRBookMarkReader(nc).scanTransferBookMarkThread(folder);
    EXPECT_EQ(recorder.names(), std::vector<std::string>{notices::scanCopyBookMarkFinished.name()});
}

TEST_F(ReaderTest, HistoryListThatIsNoPropertyListIsSkipped) {
    ASSERT_TRUE(sampledb::writeBookmarks(at(backupkeys::bookmarks), someBookmarks()));
    std::ofstream(at(backupkeys::history)) << "<?xml version='1.0'?><plist><dict><key>WebHistoryDates";
    NotificationRecorder recorder(nc, {&notices::scanCopyBookMarkInfo, &notices::scanCopyBookMarkFinished});
    PRBookMarkReader(nc).scanTransferBookMarkThread(folder);
    EXPECT_EQ(recorder.records(notices::scanCopyBookMarkInfo).size(), 7u);
    EXPECT_EQ(recorder.names().back(), notices::scanCopyBookMarkFinished.name());
}

namespace {

std::vector<sampledb::CalendarItem> someItems() {
    sampledb::CalendarItem dentist{
        "Dentist", "Main Street Dental", "Bring the card", kMarchFirst, kMarchFirst + 3600, false, false, ""};
    sampledb::CalendarItem rent{"Pay rent", "", "", kMarchFirst, kMarchFirst, false, true, ""};
    return {dentist, rent};
}

}  // namespace

TEST_F(ReaderTest, CalendarQueryFollowsTheBackupVersion) {
    NotificationRecorder recorder(nc, {&notices::scanCalenderInfo});
    std::vector<std::shared_ptr<PRCalenderNode>> items;
    // iOS 6 and 7 name the place by its Location row; the user sees the place's title, and an
    // item without a place shows none (not "0").
    for (auto schema : {sampledb::CalendarSchema::ios6, sampledb::CalendarSchema::ios7}) {
        auto withPlaces = someItems();
        withPlaces.insert(withPlaces.begin(),
                          {"Yoga", "Community Hall", "", kMarchFirst, kMarchFirst + 60, false, false, ""});
        ASSERT_TRUE(sampledb::writeCalendar(at(backupkeys::calendar), withPlaces, schema));
        state.currentNodeIsiOS6Version = true;
        recorder.posted.clear();
        PRCalenderReader(state, nc).scanCalenderThread(folder);
        items = recorder.records(notices::scanCalenderInfo);
        ASSERT_EQ(items.size(), 3u);
        EXPECT_EQ(items[0]->location(), "Community Hall");
        EXPECT_EQ(items[1]->calTitle(), "Dentist");
        EXPECT_EQ(items[1]->location(), "Main Street Dental");
        EXPECT_EQ(items[1]->calNote(), "Bring the card");
        EXPECT_EQ(items[1]->startDate(), kMarchFirstText);
        EXPECT_EQ(items[1]->endDate(), "03-01-2013 11:30");
        EXPECT_EQ(items[2]->calTitle(), "Pay rent");
        EXPECT_EQ(items[2]->location(), "");
    }

    // An older backup: the joined query names the location and leaves out the reminder list.
    ASSERT_TRUE(sampledb::writeCalendar(at(backupkeys::calendar), someItems(), sampledb::CalendarSchema::ios5));
    state.currentNodeIsiOS6Version = false;
    recorder.posted.clear();
    PRCalenderReader(state, nc).scanCalenderThread(folder);
    items = recorder.records(notices::scanCalenderInfo);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->calTitle(), "Dentist");
    EXPECT_EQ(items[0]->location(), "Main Street Dental");
    EXPECT_EQ(items[0]->startDate(), kMarchFirstText);

    // The oldest: no calendar-item rows, so the event table is read.
    ASSERT_TRUE(sampledb::writeCalendar(at(backupkeys::calendar), someItems(), sampledb::CalendarSchema::ios4));
    recorder.posted.clear();
    NotificationRecorder transfer(nc, {&notices::scanCopyRemindMarkInfo, &notices::scanCopyRemindMarkInfoFinished});
    PRCalenderReader(state, nc).scanTransferCalenderThread(folder);
    items = transfer.records(notices::scanCopyRemindMarkInfo);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->calTitle(), "Dentist");
    EXPECT_EQ(items[0]->location(), "Main Street Dental");
    EXPECT_EQ(transfer.names().back(), notices::scanCopyRemindMarkInfoFinished.name());
    EXPECT_TRUE(recorder.posted.empty());
}

TEST_F(ReaderTest, MissingCalendarEndsOnlyTheTransfer) {
    NotificationRecorder recorder(nc, {&notices::scanCalenderInfo, &notices::scanCopyRemindMarkInfoFinished});
    PRCalenderReader(state, nc).scanCalenderThread(folder);
    EXPECT_TRUE(recorder.posted.empty());
    PRCalenderReader(state, nc).scanTransferCalenderThread(folder);
    EXPECT_EQ(recorder.names(), std::vector<std::string>{notices::scanCopyRemindMarkInfoFinished.name()});
}

// A contact name of a megabyte is cut where it is copied into each call (and each name
// look-up the carvers make), never in the contact itself.
TEST_F(ReaderTest, HugeContactNamesAreCutWhereTheyAreCopied) {
    std::string huge = "A";
    while (huge.size() < (1u << 20)) huge += "\xC3\xA9";  // "é": two bytes, so a cut may fall inside one
    ASSERT_TRUE(sampledb::writeCallHistory(at(backupkeys::callHistoryOld),
                                           {{"+15550101234", kMarchFirst, 0, 5}, {"+15550101234", kMarchFirst, 3, 4}}));
    auto contact = std::make_shared<PRContactNode>();
    contact->setContactName(huge);
    contact->setContactPhone("+15550101234");
    state.contactArray = {contact};
    NotificationRecorder recorder(nc, {&notices::ScanCallHistoryInfo});
    PRCallHistoryReader(state, nc).scanCallHistoryThread(folder);

    auto expectCut = [&](const std::string& name) {
        EXPECT_LE(name.size(), kCopiedTextLimit + 3);
        EXPECT_EQ(name.compare(name.size() - 3, 3, "\xE2\x80\xA6"), 0);
        EXPECT_EQ(huge.compare(0, name.size() - 3, name, 0, name.size() - 3), 0);
        EXPECT_EQ(GetStringFormChar(name.c_str()), name) << "cut inside a character";
    };
    const auto read = recorder.records(notices::ScanCallHistoryInfo);
    ASSERT_EQ(read.size(), 2u);
    for (const auto& call : read) expectCut(call->callName());
    expectCut(state.getNameByPhoneNumber("+15550101234").value_or("..."));
    EXPECT_EQ(contact->contactName(), huge);
    EXPECT_EQ(copiedText("short name"), "short name");
}
