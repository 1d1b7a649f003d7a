// backup-dump --carve over the sample backup: the deleted rows that the fixture maker adds come
// back with their fields, and no live row of the readers is among them.
#include "CarvingFixtures.h"
#include "SampleBackup.h"
#include "TestSupport.h"
#include "backup/BackupFileKeys.h"
#include "model/PRRecordFields.h"
#include "platform/Paths.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// What backup-dump --carve posted, line by line: each name with its object (or, with --quiet,
// with its count); what it said on standard error goes to errors, when given.
std::vector<std::pair<std::string, QJsonValue>> dumpCarveLines(const std::string& folder, bool quiet = false,
                                                               std::string* errors = nullptr) {
    QProcess process;
    QStringList arguments = {"--carve", QString::fromStdString(folder)};
    if (quiet) arguments.insert(1, "--quiet");
    process.start(QString::fromStdString(paths::executableDirectory() + "/backup-dump"), arguments);
    std::vector<std::pair<std::string, QJsonValue>> lines;
    if (!process.waitForFinished(120000) || process.exitCode() != 0) return lines;
    if (errors) *errors = process.readAllStandardError().toStdString();
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty()) lines.emplace_back(o["name"].toString().toStdString(), o[quiet ? "count" : "object"]);
    }
    return lines;
}

std::multimap<std::string, QJsonObject> dumpCarve(const std::string& folder) {
    std::multimap<std::string, QJsonObject> posted;
    for (const auto& [name, object] : dumpCarveLines(folder)) posted.emplace(name, object.toObject());
    return posted;
}

std::set<std::string> values(const std::multimap<std::string, QJsonObject>& posted, const std::string& name,
                             const char* field) {
    std::set<std::string> out;
    auto range = posted.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) out.insert(it->second[field].toString().toStdString());
    return out;
}

class SampleBackupCarve : public testsupport::HomeTest {};

}  // namespace

TEST_F(SampleBackupCarve, DeletedRowsComeBackAndLiveRowsDoNot) {
    const std::string root = testsupport::scratchDirectory("Backup");
    std::vector<std::string> folders = samplebackup::writeSampleBackups(root);
    ASSERT_FALSE(folders.empty());
    const std::string folder = folders[0];

    // Before the fixture maker adds anything the sample holds no deleted row at all.
    auto clean = dumpCarve(folder);
    ASSERT_FALSE(clean.empty());
    for (const char* name : {"ScanDelContactInfo", "ScanDelMessageInfo", "ScanDelNoteInfo", "ScanDelCallHistoryInfo",
                             "scanDelBookMarkInfo", "scanDelCalenderInfo"})
        EXPECT_EQ(clean.count(name), 0u) << name;

    ASSERT_EQ(carvefix::addDeletedRecords(folder, true), 36);
    auto posted = dumpCarve(folder);
    ASSERT_FALSE(posted.empty());
    auto has = [&](const std::string& name, const char* field, const std::string& value) {
        return values(posted, name, field).count(value) > 0;
    };
    EXPECT_TRUE(has("ScanDelContactInfo", "contactName", "ChloeD Zed2"));
    EXPECT_TRUE(has("ScanDelMessageInfo", "messageContent", "Message D8 see you soon"));
    EXPECT_TRUE(has("ScanDelNoteInfo", "noteTitle", "Note D70"));
    EXPECT_TRUE(has("ScanDelCallHistoryInfo", "callPhone", "+1555D0108"));
    EXPECT_TRUE(has("scanDelBookMarkInfo", "bookMarkTitle", "Bookmark D8"));
    EXPECT_TRUE(has("scanDelCalenderInfo", "calTitle", "Event D8"));
    EXPECT_EQ(posted.count("scanDelBookMarkInfo"), 5u);  // the reading-list folder is never posted
    for (const char* name : {"ScanDelContactInfo", "ScanDelMessageInfo", "ScanDelNoteInfo", "ScanDelCallHistoryInfo",
                             "scanDelCalenderInfo"})
        EXPECT_EQ(posted.count(name), 6u) << name;

    // Not one of them repeats a live record the readers listed.
    auto disjoint = [&](const char* live, const char* carved, const char* field) {
        std::set<std::string> a = values(posted, live, field), b = values(posted, carved, field);
        for (const std::string& v : b) EXPECT_EQ(a.count(v), 0u) << carved << " " << field << " " << v;
    };
    disjoint("ScanContactInfo", "ScanDelContactInfo", "contactName");
    disjoint("ScanMessageInfo", "ScanDelMessageInfo", "messageContent");
    disjoint("ScanNoteInfo", "ScanDelNoteInfo", "noteTitle");
    disjoint("ScanCallHistoryInfo", "ScanDelCallHistoryInfo", "callPhone");
    disjoint("scanBookMarkInfo", "scanDelBookMarkInfo", "bookMarkTitle");
    disjoint("scanCalenderInfo", "scanDelCalenderInfo", "calTitle");
}

// The carvers run beside the readers, but what they find is printed as if they ran after them:
// every record of the readers first, then each carver's deleted records followed by its progress
// value, carver after carver.
TEST_F(SampleBackupCarve, DeletedRecordsFollowTheReadersInTheCarversOrder) {
    const std::string root = testsupport::scratchDirectory("Backup");
    std::vector<std::string> folders = samplebackup::writeSampleBackups(root);
    ASSERT_FALSE(folders.empty());
    ASSERT_EQ(carvefix::addDeletedRecords(folders[0], true), 36);
    const auto lines = dumpCarveLines(folders[0]);
    ASSERT_FALSE(lines.empty());

    const std::vector<std::pair<std::string, int>> carvers = {
        {"ScanDelContactInfo", 75},     {"ScanDelMessageInfo", 80},  {"ScanDelNoteInfo", 85},
        {"ScanDelCallHistoryInfo", 90}, {"scanDelBookMarkInfo", 95}, {"scanDelCalenderInfo", 100}};
    size_t firstCarved = lines.size();
    for (size_t i = 0; i < lines.size() && firstCarved == lines.size(); ++i)
        for (const auto& carver : carvers)
            if (lines[i].first == carver.first) firstCarved = i;
    ASSERT_LT(firstCarved, lines.size());
    for (size_t i = firstCarved; i < lines.size(); ++i)
        EXPECT_TRUE(
            lines[i].first == "ScanProgressInfo" ||
            std::any_of(carvers.begin(), carvers.end(), [&](const auto& c) { return c.first == lines[i].first; }))
            << "a reader's " << lines[i].first << " after the carvers' records";

    // Each carver's records come before its progress value and after the previous carver's.
    size_t carver = 0;
    for (size_t i = firstCarved; i < lines.size(); ++i) {
        ASSERT_LT(carver, carvers.size());
        if (lines[i].first == "ScanProgressInfo") {
            EXPECT_EQ(lines[i].second.toInt(), carvers[carver].second);
            ++carver;
        } else {
            EXPECT_EQ(lines[i].first, carvers[carver].first);
        }
    }
    EXPECT_EQ(carver, carvers.size());
}

// Without printing, backup-dump counts what it would have printed: each name once, in the order
// the names first came, with as many as the printed run has lines of it. The readers' contacts
// wait for the contact carver: a backup without an address book, which that carver never
// carves, is read and counted all the same.
TEST_F(SampleBackupCarve, QuietRunCountsWhatAPrintedRunPrints) {
    const std::string root = testsupport::scratchDirectory("Backup");
    std::vector<std::string> folders = samplebackup::writeSampleBackups(root);
    ASSERT_FALSE(folders.empty());
    ASSERT_EQ(carvefix::addDeletedRecords(folders[0], true), 36);
    for (const bool addressBook : {true, false}) {
        SCOPED_TRACE(addressBook ? "with its address book" : "without an address book");
        if (!addressBook) {
            ASSERT_EQ(std::remove((folders[0] + "/" + backupkeys::addressBook).c_str()), 0);
        }
        std::vector<std::pair<std::string, int>> expected;
        for (const auto& [name, object] : dumpCarveLines(folders[0])) {
            auto it = std::find_if(expected.begin(), expected.end(), [&](const auto& e) { return e.first == name; });
            if (it == expected.end()) it = expected.insert(expected.end(), {name, 0});
            ++it->second;
        }
        ASSERT_FALSE(expected.empty());
        const bool contacts = std::any_of(expected.begin(), expected.end(),
                                          [](const auto& e) { return e.first == "ScanDelContactInfo"; });
        EXPECT_EQ(contacts, addressBook);
        std::vector<std::pair<std::string, int>> counted;
        for (const auto& [name, count] : dumpCarveLines(folders[0], true)) counted.emplace_back(name, count.toInt());
        EXPECT_EQ(counted, expected);
    }
}

// Each database the carvers read is looked through whole, and backup-dump says so.
TEST_F(SampleBackupCarve, EveryCarvedDatabaseIsLookedThroughWhole) {
    const std::string root = testsupport::scratchDirectory("Backup");
    std::vector<std::string> folders = samplebackup::writeSampleBackups(root);
    ASSERT_FALSE(folders.empty());
    ASSERT_EQ(carvefix::addDeletedRecords(folders[0], true), 36);
    std::string errors;
    ASSERT_FALSE(dumpCarveLines(folders[0], true, &errors).empty());
    for (const char* name : {backupkeys::addressBook, backupkeys::messages, backupkeys::notes, backupkeys::callHistory,
                             backupkeys::bookmarks, backupkeys::calendar})
        EXPECT_NE(errors.find("carved " + folders[0] + "/" + name + ": all "), std::string::npos) << name << "\n"
                                                                                                  << errors;
    EXPECT_EQ(errors.find(": only "), std::string::npos) << errors;
}

// The phones of iOS 5, one installed with it and one upgraded from iOS 4 (its table grown by ALTER
// TABLE, its first messages still rows of iOS 4's shorter layout), deleted messages as a phone
// does: the earlier ones in the main file, the latest in its log. Each comes back with its words,
// party, time, direction and service, a picture message with the words of its text part beside
// its picture; nothing else is listed as deleted, no live message among them, and the carve says
// which layout it read the rows by.
TEST_F(SampleBackupCarve, TheIos5PhonesDeletedMessagesComeBackInEitherOrderOfTheirTable) {
    const std::string root = testsupport::scratchDirectory("Backup");
    const std::vector<std::string> folders = samplebackup::writeSampleBackups(root);
    const std::vector<samplebackup::OlderPhone> phones = samplebackup::olderPhones();
    ASSERT_EQ(folders.size(), 2 + phones.size());
    // Words, party, time, direction, iMessage, and whether it comes with a picture.
    using Message = std::tuple<std::string, std::string, std::string, std::string, bool, bool>;
    std::set<sampledb::MessageSchema> carved;
    for (size_t i = 0; i < phones.size(); ++i) {
        const sampledb::DeletedMessages deleted = samplebackup::deletedMessagesOf(phones[i]);
        if (deleted.inMainFile.empty()) continue;
        const std::string& folder = folders[2 + i];
        SCOPED_TRACE(folder);
        ASSERT_EQ(folder.substr(folder.rfind('/') + 1), phones[i].device.udid);
        ASSERT_FALSE(deleted.inLog.empty());
        carved.insert(phones[i].schemas.messages);
        const sampledb::MessageSchema schema = phones[i].schemas.messages;
        auto expected = [&](const sampledb::Message& m, bool wordsKept) {
            const bool parts = sampledb::isPartsMessage(m, schema);
            std::string words = parts ? sampledb::partsText(m) : m.text;
            if (!wordsKept) words.clear();
            return Message{words,      m.address,         *dateTimeText(m.date, false), m.fromMe ? "Send" : "Received",
                           m.iMessage, parts && wordsKept};
        };
        std::multiset<Message> wanted, wordsMayBeLost;
        size_t pictures = 0;
        for (const auto* list : {&deleted.inMainFile, &deleted.inLog})
            for (const sampledb::Message& m : *list) {
                const bool parts = sampledb::isPartsMessage(m, schema);
                pictures += parts;
                if (!parts || list == &deleted.inLog) {
                    wanted.insert(expected(m, true));
                } else {
                    // The free-space chain took the first bytes of the freed cell, its row id with
                    // them, and its parts name it by that id: its words and picture are its own
                    // only where the carve can still tell which message the parts belong to.
                    wordsMayBeLost.insert(expected(m, true));
                    wordsMayBeLost.insert(expected(m, false));
                }
            }
        EXPECT_EQ(pictures, 2u);

        std::string errors;
        std::vector<Message> found;
        std::set<std::string> live;
        for (const auto& [name, value] : dumpCarveLines(folder, false, &errors)) {
            const QJsonObject o = value.toObject();
            const std::string text = o["messageContent"].toString().toStdString();
            if (name == "ScanMessageInfo") live.insert(text);
            if (name != "ScanDelMessageInfo") continue;
            EXPECT_FALSE(o["bPartial"].toBool()) << text;
            if (!text.empty()) {
                EXPECT_EQ(live.count(text), 0u) << text;
            }
            found.emplace_back(text, o["messagePhone"].toString().toStdString(),
                               o["messageDate"].toString().toStdString(), o["messageType"].toString().toStdString(),
                               o["bImessage"].toBool(), o["attachType"].toString() == "Image");
        }
        ASSERT_FALSE(live.empty());
        EXPECT_EQ(found.size(), wanted.size() + wordsMayBeLost.size() / 2);
        for (const Message& m : found) {
            if (auto at = wanted.find(m); at != wanted.end())
                wanted.erase(at);
            else
                EXPECT_EQ(wordsMayBeLost.count(m), 1u) << "not deleted: " << std::get<0>(m) << " " << std::get<2>(m);
        }
        EXPECT_TRUE(wanted.empty()) << "not carved: " << std::get<0>(*wanted.begin());
        EXPECT_NE(errors.find("message: the file's own layout"), std::string::npos) << errors;
    }
    EXPECT_EQ(carved, (std::set<sampledb::MessageSchema>{sampledb::MessageSchema::ios5Fresh,
                                                         sampledb::MessageSchema::ios5Upgraded}));
}
