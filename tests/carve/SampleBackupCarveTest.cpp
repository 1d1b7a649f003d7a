// backup-dump --carve over the sample backup: the deleted rows that the fixture maker adds come
// back with their fields, and no live row of the readers is among them.
#include "CarvingFixtures.h"
#include "SampleBackup.h"
#include "TestSupport.h"
#include "platform/Paths.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

std::multimap<std::string, QJsonObject> dumpCarve(const std::string& folder) {
    QProcess process;
    process.start(QString::fromStdString(paths::executableDirectory() + "/backup-dump"),
                  {"--carve", QString::fromStdString(folder)});
    std::multimap<std::string, QJsonObject> posted;
    if (!process.waitForFinished(120000) || process.exitCode() != 0) return posted;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty()) posted.emplace(o["name"].toString().toStdString(), o["object"].toObject());
    }
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
    EXPECT_TRUE(has("ScanDelNoteInfo", "noteTitle", "Note D8"));
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
