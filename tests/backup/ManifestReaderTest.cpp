#include "ManifestFixture.h"
#include "backup/BackupFileKeys.h"
#include "backup/ManifestRecordStream.h"

#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using ManifestReader = ManifestFixture;

const std::string kMagic("mbdb\x05\x00", 6);

std::string stringField(const std::string& text) {
    return std::string{static_cast<char>(text.size() >> 8), static_cast<char>(text.size() & 0xFF)} + text;
}

TEST_F(ManifestReader, TheMagicDecidesWhetherAnythingIsRead) {
    const std::string record = encodeManifestRecord(entry("HomeDomain", "Library/SMS/sms.db"));
    writeRaw(kMagic + record);
    scan();
    ASSERT_EQ(nodes.size(), 1u);

    for (const std::string& bytes : {std::string("mbdb\x04\x00", 6) + record, std::string("MBDB\x05\x00", 6) + record,
                                     std::string("mbd"), std::string()}) {
        order.clear();
        writeRaw(bytes);
        scan();
        EXPECT_TRUE(order.empty()) << "posted for a manifest starting " << bytes.substr(0, 6);
    }
    ::unlink(manifest.c_str());
    scan();
    EXPECT_TRUE(order.empty());
}

TEST_F(ManifestReader, EveryRecordGetsTheKeyOfItsBackupFile) {
    ManifestEntry folderEntry = entry("HomeDomain", "Library/SMS");
    folderEntry.mode = 040755;
    writeManifest(manifest,
                  {entry("HomeDomain", "Library/SMS/sms.db"), entry("RootDomain", "Library/Caches/x"), folderEntry});
    scan();
    ASSERT_EQ(nodes.size(), 3u);
    // A folder's record says so; a file's does not.
    EXPECT_FALSE(nodes[0]->isFolderRecord());
    EXPECT_TRUE(nodes[2]->isFolderRecord());
    EXPECT_EQ(nodes[0]->fileDomain(), "HomeDomain");
    EXPECT_EQ(nodes[0]->filePath(), "Library/SMS/sms.db");
    EXPECT_EQ(nodes[0]->fileKey(), folder + "/" + backupkeys::messages);
    EXPECT_EQ(nodes[0]->fileName(), "");
    EXPECT_EQ(nodes[0]->nodeIcon(), "unselected");
    EXPECT_EQ(nodes[1]->fileKey(), keyPath("RootDomain", "Library/Caches/x"));
}

TEST_F(ManifestReader, AnAbsentDomainIsPostedButNotKept) {
    ManifestEntry withoutDomain = entry("", "Library/orphan.jpg");
    std::string record = encodeManifestRecord(withoutDomain);
    record[0] = record[1] = '\xFF';  // 0xFFFF: absent, no bytes follow
    writeRaw(kMagic + record + encodeManifestRecord(entry("HomeDomain", "after")));
    scan();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->fileDomain(), "");
    EXPECT_EQ(nodes[0]->filePath(), "Library/orphan.jpg");
    EXPECT_EQ(nodes[0]->fileKey(), folder + "/" + backupFileKey("", "Library/orphan.jpg"));
    EXPECT_EQ(nodes[1]->filePath(), "after");
    EXPECT_EQ(state.treeFileCount(), 1u);
    EXPECT_TRUE(media.empty());
}

TEST_F(ManifestReader, LongPathsAndPropertiesAreReadWholeAndTheNextRecordFollows) {
    std::string longPath = "Library/Caches/";
    while (longPath.size() < 300) longPath += "deep/";
    ManifestEntry first = entry("HomeDomain", longPath);
    first.linkTarget = std::string(280, 'l');
    first.dataHash = std::string(20, '\x01');
    first.properties = {{"com.apple.assetsd.UUID", std::string(400, 'u')}, {"empty", ""}, {"x", "y"}};
    writeManifest(manifest, {first, entry("MediaDomain", "next.txt")});
    scan();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->filePath(), longPath);
    EXPECT_EQ(nodes[0]->fileKey(), keyPath("HomeDomain", longPath));  // the whole path, not its first 259 bytes
    EXPECT_EQ(nodes[1]->fileDomain(), "MediaDomain");
    EXPECT_EQ(nodes[1]->filePath(), "next.txt");
}

TEST_F(ManifestReader, OnlyTheSixDomainsAreKeptComparedExactly) {
    const std::vector<std::string> kept = {"CameraRollDomain",
                                           "MediaDomain",
                                           "HomeDomain",
                                           "AppDomain-com.facebook.Facebook",
                                           "AppDomain-com.facebook.Messenger",
                                           "AppDomain-com.atebits.Tweetie2"};
    const std::vector<std::string> others = {"homedomain",
                                             "HomeDomainX",
                                             "AppDomain-com.facebook.Facebook2",
                                             "RootDomain",
                                             "AppDomain-com.atebits.tweetie2",
                                             ""};
    std::vector<ManifestEntry> entries;
    for (const auto& domain : others) entries.push_back(entry(domain, "a.txt"));
    for (const auto& domain : kept) entries.push_back(entry(domain, "a.txt"));
    writeManifest(manifest, entries);
    scan();
    EXPECT_EQ(nodes.size(), 12u);
    EXPECT_EQ(progress.size(), 6u);
    const auto keptNodes = state.treeFileArray();
    ASSERT_EQ(keptNodes.size(), 6u);
    for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(keptNodes[i]->fileDomain(), kept[i]);
}

TEST_F(ManifestReader, ManyDomainsInAnyOrderEachKeepTheirOwnText) {
    // More distinct domains than the reader remembers, met again after others; a domain cut
    // by a NUL is kept by its text, one that is no UTF-8 shows its bad byte as U+FFFD (and so
    // is not a kept domain), while both keys come from the raw bytes.
    const std::vector<std::string> domains = {"HomeDomain", "AppDomain-com.atebits.Tweetie2", "CameraRollDomain"};
    const std::string cutByNul("HomeDomain\0x", 12);
    const std::string notUtf8 = "MediaDomain\xFF";
    std::vector<ManifestEntry> entries;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 40; ++i) {
            entries.push_back(entry("AppDomain-org.example.App" + std::to_string((i * 7 + round) % 40), "x"));
            if (i % 9 == 0) entries.push_back(entry(domains[(i + round) % domains.size()], "k"));
        }
        entries.push_back(entry(cutByNul, "nul"));
        entries.push_back(entry(notUtf8, "bad"));
    }
    writeManifest(manifest, entries);
    scan();
    ASSERT_EQ(nodes.size(), entries.size());
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& raw = entries[i].domain;
        const std::string text = raw == cutByNul ? "HomeDomain" : raw == notUtf8 ? "MediaDomain\uFFFD" : raw;
        ASSERT_EQ(nodes[i]->fileDomain(), text) << i;
        ASSERT_EQ(nodes[i]->fileKey(), keyPath(raw, entries[i].path)) << i;
        if (PRBackupManifestReader::isKeptDomain(text)) ++kept;
    }
    EXPECT_EQ(kept, 3u * 5 + 3);
    EXPECT_EQ(state.treeFileCount(), kept);
    EXPECT_EQ(progress.size(), kept);
    EXPECT_EQ(social.size(), 0u);  // no backing files
}

TEST_F(ManifestReader, MediaRecordsByExtensionWithTheBackingFileSize) {
    writeBackingFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", 1500);
    writeBackingFile("MediaDomain", "Models/tower.3DM", 10);
    writeBackingFile("HomeDomain", "Media/song.m4a", 2500000);
    writeManifest(manifest, {entry("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG"),
                             entry("MediaDomain", "Models/tower.3DM"), entry("HomeDomain", "Media/song.m4a"),
                             entry("HomeDomain", "Media/missing.MP4"), entry("HomeDomain", "notes.txt"),
                             entry("RootDomain", "other.jpg")});
    scan();
    ASSERT_EQ(media.size(), 4u);
    EXPECT_EQ(media[0]->fileNodeName(), "IMG_0001.JPG");
    EXPECT_EQ(media[0]->filePath(), keyPath("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG"));
    EXPECT_EQ(media[0]->fileSizeNumber(), 1500u);
    EXPECT_EQ(media[0]->fileNodeSize(), "1.50KB");
    EXPECT_FALSE(media[0]->bmov());
    EXPECT_FALSE(media[1]->bmov());  // 3DM is the first row of the image kinds
    EXPECT_TRUE(media[2]->bmov());   // sound counts as a movie record
    EXPECT_EQ(media[2]->fileNodeSize(), "2.50MB");
    EXPECT_TRUE(media[3]->bmov());
    EXPECT_EQ(media[3]->fileSizeNumber(), 0u);  // a missing backup file still gives a record
    EXPECT_EQ(media[3]->fileNodeSize(), "0.00bytes");
    EXPECT_TRUE(social.empty());
}

TEST_F(ManifestReader, EveryPresentBackupFileIsFoundAmongManyAndOnlyInTheFolderScanned) {
    // Sizes are answered from one listing of the folder: every present file must still be
    // found wherever it sorts, names that are no key must not confuse it, and a reader used
    // again must look at the new folder.
    std::vector<ManifestEntry> entries;
    for (int i = 0; i < 60; ++i) {
        const std::string path = "Media/DCIM/IMG_" + std::to_string(i) + ".JPG";
        entries.push_back(entry("CameraRollDomain", path));
        if (i % 3 != 0) writeBackingFile("CameraRollDomain", path, 100 + i);
    }
    std::ofstream(folder + "/Info.plist") << "x";
    std::ofstream(folder + "/" + std::string(40, 'g')) << "x";
    writeManifest(manifest, entries);
    PRBackupManifestReader reader(state, nc);
    reader.scanDirAnalyThread(folder);
    ASSERT_EQ(media.size(), 60u);
    for (int i = 0; i < 60; ++i) EXPECT_EQ(media[i]->fileSizeNumber(), i % 3 != 0 ? 100u + i : 0u) << i;

    const std::string other = folder + "/other";
    ASSERT_EQ(::mkdir(other.c_str(), 0700), 0);
    writeManifest(other + "/Manifest.mbdb", {entry("CameraRollDomain", "Media/DCIM/IMG_1.JPG"),
                                             entry("CameraRollDomain", "Media/DCIM/IMG_3.JPG")});
    std::ofstream(other + "/" + backupFileKey("CameraRollDomain", "Media/DCIM/IMG_3.JPG")) << "abc";
    media.clear();
    reader.scanDirAnalyThread(other);
    ASSERT_EQ(media.size(), 2u);
    EXPECT_EQ(media[0]->fileSizeNumber(), 0u);  // present in the first folder only
    EXPECT_EQ(media[1]->fileSizeNumber(), 3u);
}

TEST_F(ManifestReader, SocialAppFilesNeedTheirBackupFile) {
    writeBackingFile("AppDomain-com.facebook.Facebook", "Documents/clip.mov", 4000);
    writeBackingFile("AppDomain-com.atebits.Tweetie2", "Library/feed.json", 12);
    writeManifest(manifest, {entry("AppDomain-com.facebook.Facebook", "Documents/clip.mov"),
                             entry("AppDomain-com.atebits.Tweetie2", "Library/feed.json"),
                             entry("AppDomain-com.facebook.Messenger", "Library/gone.plist")});
    scan();
    ASSERT_EQ(media.size(), 1u);  // the movie of a social domain gives both records
    EXPECT_TRUE(media[0]->bmov());
    ASSERT_EQ(social.size(), 2u);
    EXPECT_EQ(social[0]->faceTwitterFileName(), "clip.mov");
    EXPECT_EQ(social[0]->faceTwitterFilePath(), keyPath("AppDomain-com.facebook.Facebook", "Documents/clip.mov"));
    EXPECT_EQ(social[0]->fileSize(), "4.00KB");
    EXPECT_EQ(social[1]->faceTwitterFileName(), "feed.json");
    EXPECT_EQ(social[1]->fileSize(), "12.00bytes");
}

// Observers that only look at what is posted, and change it, see the same records as
// observers that keep them: nothing one record was given or changed into reaches the next.
TEST_F(ManifestReader, ObserversThatKeepNothingSeeEveryRecordAsNew) {
    writeBackingFile("AppDomain-com.facebook.Facebook", "Documents/clip.mov", 4000);
    writeBackingFile("AppDomain-com.facebook.Facebook", "Library/a.plist", 7);
    writeBackingFile("CameraRollDomain", "Media/DCIM/IMG_0002.PNG", 300);
    writeManifest(manifest, {entry("AppDomain-com.facebook.Facebook", "Documents/clip.mov"),
                             entry("AppDomain-com.facebook.Facebook", "Library/a.plist"),
                             entry("CameraRollDomain", "Media/DCIM/IMG_0001.JPG"),
                             entry("CameraRollDomain", "Media/DCIM/IMG_0002.PNG"), entry("", ""),
                             entry("RootDomain", "a-long-path-that-does-not-fit-in-a-short-text/b.jpg"),
                             entry("HomeDomain", "s.db"), entry("HomeDomain", std::string("Library/cut\0.jpg", 16)),
                             entry("HomeDomain", "Library/not-utf8-\xFF.jpg")});
    scan();  // the fixture's observers keep every record

    NSNotificationCenter looking;
    std::vector<std::string> seen;
    int observer = 0;
    notices::FindBackUpDirFileInfo.observe(looking, &observer, [&](const PRTreeDirNodePtr& node) {
        seen.push_back(node->description());
        node->setIsLeaf(true);
        node->setNodeIcon("selected");
        node->setFileName("changed by an observer");
        node->children().push_back(std::make_shared<PRTreeDirNode>());
    });
    notices::ScanPhotoAndVideo.observe(looking, &observer, [&](const PRPhotoAndVideoNodePtr& record) {
        seen.push_back(record->description());
        record->setFileType("changed");
        record->setBhasCopy(true);
    });
    notices::scanFaceTwitterInfo.observe(looking, &observer, [&](const PRFaceTwitterNodePtr& record) {
        seen.push_back(record->description());
        record->setBSelected(true);
    });
    PRBackupScanState lookingState;
    PRBackupManifestReader(lookingState, looking).scanDirAnalyThread(folder);

    std::vector<std::string> kept;
    size_t node = 0, photo = 0, app = 0;
    for (const std::string& name : order) {
        if (name == notices::FindBackUpDirFileInfo.name()) kept.push_back(nodes[node++]->description());
        if (name == notices::ScanPhotoAndVideo.name()) kept.push_back(media[photo++]->description());
        if (name == notices::scanFaceTwitterInfo.name()) kept.push_back(social[app++]->description());
    }
    EXPECT_EQ(seen, kept);
    ASSERT_EQ(nodes.size(), 9u);
    EXPECT_EQ(nodes[5]->filePath(), "a-long-path-that-does-not-fit-in-a-short-text/b.jpg");
    EXPECT_EQ(nodes[6]->filePath(), "s.db");  // kept records keep their own texts
    // A path is kept up to a NUL, and one that is no UTF-8 with its bad bytes shown as U+FFFD,
    // never dropped; keys hash the raw bytes.
    EXPECT_EQ(nodes[7]->filePath(), "Library/cut");
    EXPECT_EQ(nodes[7]->fileKey(), keyPath("HomeDomain", std::string("Library/cut\0.jpg", 16)));
    EXPECT_EQ(nodes[8]->filePath(), "Library/not-utf8-\uFFFD.jpg");
    EXPECT_EQ(lookingState.treeFileCount(), state.treeFileCount());
}

TEST_F(ManifestReader, EachKeptRecordIsPostedThenProgressThenItsMedia) {
    writeManifest(manifest, {entry("RootDomain", "a.jpg"), entry("CameraRollDomain", "b.jpg")});
    scan();
    const std::string& file = notices::FindBackUpDirFileInfo.name();
    EXPECT_EQ(order, (std::vector<std::string>{file, file, notices::ScanProgressInfo.name(),
                                               notices::ScanPhotoAndVideo.name()}));
    EXPECT_EQ(progress, std::vector<int>{20});
}

TEST_F(ManifestReader, DuplicatePathsAnswerWithTheLaterRecord) {
    writeManifest(manifest, {entry("HomeDomain", "Library/SMS/Attachments/a.jpg"),
                             entry("MediaDomain", "Library/SMS/Attachments/a.jpg"), entry("RootDomain", "only-root")});
    scan();
    EXPECT_EQ(state.getFileKeyBytheFilepath("Library/SMS/Attachments/a.jpg"),
              keyPath("MediaDomain", "Library/SMS/Attachments/a.jpg"));
    EXPECT_EQ(state.getFileKeyBytheFilepath("only-root"), std::nullopt);  // not a kept domain
    EXPECT_EQ(state.getFileKeyBytheFilepath("Library/SMS/Attachments"), std::nullopt);
}

TEST_F(ManifestReader, ACutOrMalformedLastRecordEndsTheScanAfterTheLastWholeOne) {
    ManifestEntry last = entry("HomeDomain", "Library/last.jpg");
    last.properties = {{"name", "value"}};
    const std::string whole =
        kMagic + encodeManifestRecord(entry("HomeDomain", "one")) + encodeManifestRecord(entry("MediaDomain", "two"));
    const std::string lastBytes = encodeManifestRecord(last);
    for (size_t cut = 1; cut < lastBytes.size(); ++cut) {
        nodes.clear();
        writeRaw(whole + lastBytes.substr(0, cut));
        scan();
        ASSERT_EQ(nodes.size(), 2u) << "cut after " << cut << " bytes";
    }
    // A length running past the end of the file.
    nodes.clear();
    writeRaw(whole + stringField("HomeDomain") + "\x7F\xFF" + "short");
    scan();
    EXPECT_EQ(nodes.size(), 2u);
}

TEST_F(ManifestReader, AManifestTheUserCannotWriteIsStillRead) {
    writeManifest(manifest, {entry("HomeDomain", "a")});
    ASSERT_EQ(::chmod(manifest.c_str(), 0444), 0);
    scan();
    EXPECT_EQ(nodes.size(), 1u);
    ::chmod(manifest.c_str(), 0644);
}

// A manifest above 107 MB (sparse: the long property values are holes) whose last record is
// kept: its progress is 20, where 32-bit arithmetic would have wrapped below zero.
TEST_F(ManifestReader, ProgressOfAVeryLargeManifestEndsAt20) {
    const int fd = ::open(manifest.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::string head = kMagic + encodeManifestRecord(entry("HomeDomain", "first"));
    off_t offset = static_cast<off_t>(head.size());
    ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    for (int big = 0; big < 4; ++big) {
        ManifestEntry bulky = entry("RootDomain", "bulk" + std::to_string(big));
        std::string start = encodeManifestRecord(bulky);
        start.back() = static_cast<char>(255);  // the property count, whose pairs follow as holes
        ASSERT_EQ(::pwrite(fd, start.data(), start.size(), offset), static_cast<ssize_t>(start.size()));
        offset += static_cast<off_t>(start.size());
        for (int field = 0; field < 510; ++field) {
            ASSERT_EQ(::pwrite(fd, "\xFF\xFE", 2, offset), 2);
            offset += 2 + 0xFFFE;
        }
    }
    const std::string tail = encodeManifestRecord(entry("HomeDomain", "last"));
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), offset), static_cast<ssize_t>(tail.size()));
    ::close(fd);
    ASSERT_GT(offset, 107 * 1024 * 1024);

    scan();
    ASSERT_EQ(nodes.size(), 6u);
    EXPECT_EQ(nodes.back()->filePath(), "last");
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0], 0);
    EXPECT_EQ(progress[1], 20);
}

TEST_F(ManifestReader, ProgressNeverFallsAndStaysWithin0To20) {
    std::vector<ManifestEntry> entries;
    for (int i = 0; i < 300; ++i)
        entries.push_back(entry(i % 3 ? "HomeDomain" : "RootDomain", "file" + std::to_string(i)));
    entries.push_back(entry("HomeDomain", "end"));
    writeManifest(manifest, entries);
    scan();
    ASSERT_FALSE(progress.empty());
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_LE(progress[i - 1], progress[i]);
    EXPECT_GE(progress.front(), 0);
    EXPECT_EQ(progress.back(), 20);
}

TEST_F(ManifestReader, TheStreamReadsWhatTheWriterWrites) {
    std::vector<ManifestEntry> entries;
    for (int i = 0; i < 3000; ++i) {  // enough to cross the read buffer several times
        ManifestEntry e = entry("Domain" + std::to_string(i % 7), std::string(i % 500, 'p') + std::to_string(i));
        e.properties.assign(i % 4, {"key", std::string(i % 300, 'v')});
        entries.push_back(e);
    }
    ASSERT_TRUE(writeManifest(manifest, entries));
    ASSERT_TRUE(appendManifestRecords(manifest, {entry("Added", "later")}));
    ManifestRecordStream stream;
    ASSERT_TRUE(stream.open(manifest));
    ManifestRecord record;
    size_t count = 0;
    while (stream.next(record)) {
        const ManifestEntry& expected = count < entries.size() ? entries[count] : entry("Added", "later");
        ASSERT_EQ(record.domain, expected.domain);
        ASSERT_EQ(record.path, expected.path);
        ++count;
    }
    EXPECT_EQ(count, entries.size() + 1);
    EXPECT_EQ(stream.position(), stream.fileSize());
}

}  // namespace

namespace {

// Damaged manifests of every kind (bytes flipped, cut, repeated) end cleanly: no crash, no
// read past the end, never more records than the bytes can hold.
TEST_F(ManifestReader, DamagedManifestsNeverCrashOrLoop) {
    std::vector<ManifestEntry> entries;
    for (int i = 0; i < 40; ++i) {
        ManifestEntry e = entry(i % 2 ? "HomeDomain" : "CameraRollDomain", "Media/IMG_" + std::to_string(i) + ".JPG");
        e.properties.assign(i % 3, {"k", "v"});
        entries.push_back(e);
    }
    std::string valid = kMagic;
    for (const auto& e : entries) valid += encodeManifestRecord(e);
    std::mt19937 random(1234);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = valid;
        const int damage = 1 + static_cast<int>(random() % 8);
        for (int d = 0; d < damage; ++d) {
            const size_t at = 6 + random() % (bytes.size() - 6);
            switch (random() % 3) {
            case 0: bytes[at] = static_cast<char>(random()); break;
            case 1: bytes.resize(at); break;
            default: bytes.insert(at, bytes.substr(at, random() % 64)); break;
            }
            if (bytes.size() <= 6) break;
        }
        nodes.clear();
        writeRaw(bytes);
        scan();
        // The smallest record is 5 two-byte lengths, 39 fixed bytes and a count: 50 bytes.
        ASSERT_LE(nodes.size(), (bytes.size() - 6) / 50) << "round " << round;
    }
}

}  // namespace
