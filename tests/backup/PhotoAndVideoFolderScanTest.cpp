#include "TestSupport.h"
#include "backup/BackupNotices.h"
#include "backup/PhotoAndVideoFolderScan.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the scan posted, in order: "p<n>" for a progress count, "f<path>" for a file.
class PhotoAndVideoFolderScanTest : public testsupport::HomeTest {
protected:
    void SetUp() override {
        folder = testsupport::scratchDirectory("loose");
        notices::ScanProgressInfo.observe(center, this, [this](const NSNumberPtr& number) {
            posts.push_back("p" + std::to_string(number->intValue()));
        });
        notices::ScanPhotoAndVideoInfo.observe(
            center, this, [this](const std::shared_ptr<NSString>& path) { posts.push_back("f" + path->UTF8String()); });
    }
    void file(const std::string& name, size_t bytes) {
        std::ofstream(folder + "/" + name, std::ios::binary) << std::string(bytes, 'x');
    }
    void emptyFolder() {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove_all(entry);
    }
    std::vector<std::string> files() const {
        std::vector<std::string> found;
        for (const auto& post : posts)
            if (post[0] == 'f') found.push_back(post.substr(1));
        return found;
    }
    std::vector<int> progress() const {
        std::vector<int> counts;
        for (const auto& post : posts)
            if (post[0] == 'p') counts.push_back(std::stoi(post.substr(1)));
        return counts;
    }

    NSNotificationCenter center;
    std::string folder;
    std::vector<std::string> posts;
};

TEST_F(PhotoAndVideoFolderScanTest, OnlyEntriesOfAtLeastFiftyThousandBytesAreAnnounced) {
    file("IMG_0001.JPG", 50000);
    file("IMG_0002.JPG", 49999);
    file(".hidden.mov", 120000);
    file("empty.mov", 0);
    ASSERT_EQ(::mkdir((folder + "/DCIM").c_str(), 0755), 0);
    std::ofstream(folder + "/DCIM/IMG_0003.JPG", std::ios::binary) << std::string(80000, 'x');
    ASSERT_EQ(::symlink((folder + "/.hidden.mov").c_str(), (folder + "/link.mov").c_str()), 0);

    PhotoAndVideoFolderScan(center).scanPhotoAndVideoThread(folder);
    // The sub-folder is not entered, and a link counts by its own size, not its target's.
    EXPECT_EQ(files(), (std::vector<std::string>{folder + "/.hidden.mov", folder + "/IMG_0001.JPG"}));
}

TEST_F(PhotoAndVideoFolderScanTest, ProgressCountsUpToTwentyNineWhateverTheFolderSize) {
    for (int entries : {60, 7, 1}) {
        SCOPED_TRACE(entries);
        emptyFolder();
        posts.clear();
        for (int i = 0; i < entries; ++i) file("f" + std::to_string(100 + i), i % 2 ? 60000 : 10);
        PhotoAndVideoFolderScan(center).scanPhotoAndVideoThread(folder);

        std::vector<int> expected;
        for (int n = 1; n <= 29; ++n) expected.push_back(n);
        EXPECT_EQ(progress(), expected);
        EXPECT_EQ(files().size(), size_t(entries / 2));
    }
    // Sixty entries: a step at every second entry, posted before that entry's file.
    ASSERT_EQ(posts.size(), 29u);  // the last round: one entry, all 29 steps on it, too small to post
    posts.clear();
    emptyFolder();
    for (int i = 0; i < 60; ++i) file("f" + std::to_string(100 + i), 60000);
    PhotoAndVideoFolderScan(center).scanPhotoAndVideoThread(folder);
    ASSERT_EQ(posts.size(), 89u);
    EXPECT_EQ(posts[0], "f" + folder + "/f100");
    EXPECT_EQ(posts[1], "f" + folder + "/f101");
    EXPECT_EQ(posts[2], "p1");
    EXPECT_EQ(posts[3], "f" + folder + "/f102");
    EXPECT_EQ(posts[86], "p29");
    EXPECT_EQ(posts[87], "f" + folder + "/f158");
    EXPECT_EQ(posts[88], "f" + folder + "/f159");
}

TEST_F(PhotoAndVideoFolderScanTest, AFolderThatCannotBeListedPostsNothing) {
    PhotoAndVideoFolderScan(center).scanPhotoAndVideoThread(folder + "/missing");
    file("not-a-folder", 60000);
    PhotoAndVideoFolderScan(center).scanPhotoAndVideoThread(folder + "/not-a-folder");
    EXPECT_TRUE(posts.empty());
}

}  // namespace
