#include "TestSupport.h"
#include "platform/Paths.h"
#include "platform/ScratchFolder.h"

#include <fstream>
#include <sys/stat.h>

using testsupport::HomeTest;

class Paths : public HomeTest {};

TEST_F(Paths, LoginNameComesFromTheAccount) { EXPECT_FALSE(paths::loginName().empty()); }

TEST_F(Paths, UsersFolderMapsToHome) {
    const std::string home = this->home.path();
    EXPECT_EQ(paths::userPath("Documents/Quillomatrix"), home + "/Documents/Quillomatrix");
    EXPECT_EQ(paths::resolve("/Users/" + paths::loginName() + "/Library/Application Support/MobileSync/Backup"),
              home + "/Library/Application Support/MobileSync/Backup");
    EXPECT_EQ(paths::resolve("/Users/" + paths::loginName()), home);
    // Already mapped paths and others stay as they are.
    EXPECT_EQ(paths::resolve(home + "/x"), home + "/x");
    EXPECT_EQ(paths::resolve("/var/lib/x"), "/var/lib/x");
    EXPECT_EQ(paths::resolve("/Usersfoo/x"), "/Usersfoo/x");
}

TEST_F(Paths, TmpMapsToOnePrivateFolder) {
    const std::string priv = paths::privateTempDirectory();
    ASSERT_FALSE(priv.empty());
    EXPECT_EQ(priv.rfind(home.path(), 0), 0u) << priv;
    struct stat st {};
    ASSERT_EQ(lstat(priv.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700);
    EXPECT_EQ(paths::resolve("/tmp/Backup"), priv + "/Backup");
    EXPECT_EQ(paths::resolve("/private/tmp/DB/x.db"), priv + "/DB/x.db");
    EXPECT_EQ(paths::resolve("/tmp"), priv);
    EXPECT_EQ(paths::resolve(priv + "/Icon"), priv + "/Icon");
}

TEST_F(Paths, PrivateFolderModeIsRepairedAndLinksRefused) {
    const std::string priv = paths::privateTempDirectory();
    ASSERT_EQ(chmod(priv.c_str(), 0777), 0);
    {
        testsupport::TempHome other;  // a new home forgets the cached folder
        ASSERT_FALSE(paths::privateTempDirectory().empty());
    }
    EXPECT_EQ(paths::privateTempDirectory(), priv);
    testsupport::TempHome linked;
    const std::string cache = linked.path() + "/.cache/Quillomatrix";
    ASSERT_TRUE(paths::makeDirectories(cache));
    ASSERT_EQ(symlink("/tmp", (cache + "/tmp").c_str()), 0);
    EXPECT_EQ(paths::privateTempDirectory(), "");
    EXPECT_EQ(paths::resolve("/tmp/Backup"), "");
}

// Two runs of a tool at once each write into a folder of their own, and nothing of either is
// left behind; where no private folder can be made, there is no scratch folder either.
TEST_F(Paths, ScratchFoldersAreOwnAndGoWithTheirFiles) {
    std::string first, second;
    {
        ScratchFolder a("measure"), b("measure");
        first = a.path();
        second = b.path();
        ASSERT_FALSE(first.empty());
        ASSERT_NE(first, second);
        EXPECT_EQ(first.rfind(paths::privateTempDirectory() + "/measure-", 0), 0u) << first;
        ASSERT_TRUE(paths::makeDirectories(a.file("inner")));
        std::ofstream(a.file("inner/calls.db")) << "rows";
        struct stat st {};
        ASSERT_EQ(lstat(first.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700);
    }
    struct stat st {};
    EXPECT_NE(lstat(first.c_str(), &st), 0);
    EXPECT_NE(lstat(second.c_str(), &st), 0);
    testsupport::TempHome linked;
    const std::string cache = linked.path() + "/.cache/Quillomatrix";
    ASSERT_TRUE(paths::makeDirectories(cache));
    ASSERT_EQ(symlink("/tmp", (cache + "/tmp").c_str()), 0);
    EXPECT_EQ(ScratchFolder("measure").path(), "");
}

TEST(PathComponents, SplitAndJoin) {
    EXPECT_EQ(paths::lastPathComponent("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(paths::lastPathComponent("/a/b/"), "b");
    EXPECT_EQ(paths::lastPathComponent("plain"), "plain");
    EXPECT_EQ(paths::lastPathComponent("/a"), "a");
    EXPECT_EQ(paths::lastPathComponent("a//"), "a");
    EXPECT_EQ(paths::lastPathComponent("/"), "/");
    EXPECT_EQ(paths::lastPathComponent("///"), "/");
    EXPECT_EQ(paths::lastPathComponent(""), "");
    EXPECT_EQ(paths::deletingLastPathComponent("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(paths::deletingLastPathComponent("/a"), "/");
    EXPECT_EQ(paths::appendingPathComponent("/a/", "/b"), "/a/b");
    EXPECT_EQ(paths::appendingPathComponent("/a", "b"), "/a/b");
    EXPECT_EQ(paths::pathExtension("/x/photo.JPG"), "JPG");
    EXPECT_EQ(paths::pathExtension("/x/.hidden"), "");
    EXPECT_TRUE(paths::isContainedRelativePath("Library/Caches/a..b"));
    EXPECT_FALSE(paths::isContainedRelativePath("Library/../../etc"));
    EXPECT_FALSE(paths::isContainedRelativePath(".."));
}
