#include "BackupDumpRun.h"
#include "NotificationJson.h"
#include "SampleBackup.h"
#include "TestSupport.h"
#include "backup/ManifestRecordStream.h"
#include "backup/PRBackupManifestReader.h"
#include "backup/SHAH.h"
#include "model/PRIOSDeviceController.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRRecordFields.h"
#include "platform/Paths.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

class SampleBackup : public testsupport::HomeTest {
protected:
    void SetUp() override {
        root = testsupport::scratchDirectory("Backup");
        folders = samplebackup::writeSampleBackups(root);
        ASSERT_EQ(folders.size(), 5u);
    }
    std::string root;
    std::vector<std::string> folders;
};

TEST_F(SampleBackup, DumpListsEveryRecordWithTheKeyOfItsBackupFile) {
    const DumpRun run = backupDump({QString::fromStdString(folders[0])});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    std::vector<samplebackup::BackupItem> items = samplebackup::sampleBackupItems();
    ASSERT_GE(items.size(), 2000u);
    // The personal databases and message attachments are listed after the other files.
    for (const auto& record :
         sampledb::backupDatabaseRecords(sampledb::makeSampleData(), samplebackup::sampleDatabaseSchemas()))
        items.push_back({record.domain, record.path, {}, false});
    std::multiset<std::string> expectedKeys;
    size_t mediaFiles = 0;
    size_t socialFiles = 0;
    for (const auto& item : items) {
        const std::string key = folders[0] + "/" + backupFileKey(item.domain, item.path);
        expectedKeys.insert(key);
        if (!item.folder) {
            EXPECT_TRUE(std::filesystem::is_regular_file(key)) << item.path;
        }
        if (!PRBackupManifestReader::isKeptDomain(item.domain)) continue;
        const std::string extension = paths::pathExtension(item.path);
        if (GetImageType(extension.c_str()) >= 0 || GetAudioType(extension.c_str()) >= 0 ||
            GetViedoType(extension.c_str()) >= 0)
            ++mediaFiles;
        if (PRBackupManifestReader::isSocialDomain(item.domain) && !item.folder) ++socialFiles;
    }

    std::multiset<std::string> keys;
    std::vector<int> progress;
    size_t media = 0;
    size_t social = 0;
    for (const QByteArray& line : run.out.split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        const QString name = object["name"].toString();
        if (name == "FindBackUpDirFileInfo")
            keys.insert(object["object"].toObject()["fileKey"].toString().toStdString());
        else if (name == "ScanProgressInfo" && object["object"].toInt() <= 20)
            progress.push_back(object["object"].toInt());
        else if (name == "ScanPhotoAndVideo")
            ++media;
        else if (name == "scanFaceTwitterInfo")
            ++social;
    }
    EXPECT_EQ(keys, expectedKeys);
    EXPECT_EQ(media, mediaFiles);
    EXPECT_EQ(social, socialFiles);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 20);
}

TEST_F(SampleBackup, DumpRefusesAFolderThatIsNoBackup) {
    const DumpRun notBackup = backupDump({QString::fromStdString(root)});
    EXPECT_EQ(notBackup.exitCode, 1);
    EXPECT_TRUE(notBackup.out.isEmpty());
    EXPECT_TRUE(notBackup.err.contains("not an iTunes backup folder"));
    EXPECT_EQ(backupDump({QString::fromStdString(root + "/missing")}).exitCode, 1);
    EXPECT_EQ(backupDump({}).exitCode, 2);
}

TEST_F(SampleBackup, TheBackupListReadsTheSampleBackups) {
    PRIOSDeviceController list;
    for (const std::string& folder : folders) list.addDeviceNodeByPath(folder);
    ASSERT_EQ(list.arrangedObjects().size(), 5u);
    const auto& phone = *list.arrangedObjects()[0];
    EXPECT_EQ(phone.strDeviceName(), samplebackup::sampleIPhone().name);
    EXPECT_EQ(phone.strDeviceType(), "iPhone 5");
    EXPECT_EQ(phone.strIOSVersion(), "6.1.4");
    EXPECT_FALSE(phone.strDeviceBackUpTime().empty());
    const auto& pad = *list.arrangedObjects()[1];  // described by its Manifest.plist alone
    EXPECT_EQ(pad.strDeviceName(), samplebackup::sampleIPad().name);
    EXPECT_EQ(pad.deviceImage(), "ipad");
    EXPECT_EQ(pad.strIOSVersion(), "7.0.4");
    // The phone upgraded from iOS 4 says what it runs now.
    const auto upgraded = std::find_if(list.arrangedObjects().begin(), list.arrangedObjects().end(), [](const auto& b) {
        return b->strDeviceName() == samplebackup::sampleIPhoneUpgradedToIos5().name;
    });
    ASSERT_NE(upgraded, list.arrangedObjects().end());
    EXPECT_EQ((*upgraded)->strDeviceType(), "iPhone3GS");
    EXPECT_EQ((*upgraded)->strIOSVersion(), "5.0.1");
}

TEST(NotificationJson, TextsAreEscapedAndKeptValid) {
    EXPECT_EQ(jsonString("a\"b\\c\nd\x01"), "\"a\\\"b\\\\c\\nd\\u0001\"");
    EXPECT_EQ(jsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    EXPECT_EQ(jsonString("bad\xFF\xC3"), "\"bad\\ufffd\\ufffd\"");
    auto record = std::make_shared<PRPhotoAndVideoNode>();
    record->setFileNodeName("x\"y");
    record->setFileSizeNumber(12);
    const std::string line = notificationJson(NSNotification("ScanPhotoAndVideo", record, nullptr));
    EXPECT_EQ(line.rfind("{\"name\": \"ScanPhotoAndVideo\", \"object\": {\"fileNodeName\": \"x\\\"y\"", 0), 0u);
    EXPECT_NE(line.find("\"fileSizeNumber\": 12"), std::string::npos);
    EXPECT_EQ(notificationJson(NSNotification("ScanProgressInfo", NSNumber::numberWithInt(7), nullptr)),
              "{\"name\": \"ScanProgressInfo\", \"object\": 7}");
}

}  // namespace
