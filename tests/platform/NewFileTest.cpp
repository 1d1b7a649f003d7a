// The one writer: a file the user has is never replaced or lost, same-named files each arrive,
// writers racing for one name each get their own, and whatever fails leaves nothing behind.
#include "HostileFiles.h"
#include "TestSupport.h"
#include "platform/FileOpen.h"
#include "platform/NewFile.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

std::string slurp(const std::string& path) {
    std::string bytes;
    std::string error;
    files::readRegularFile(path, 1 << 26, &bytes, &error);
    return bytes;
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

class NewFileTest : public HomeTest {
protected:
    std::string folder = scratchDirectory("writer");
};

}  // namespace

TEST_F(NewFileTest, ATakenNameGetsTheNextNumberBeforeItsExtension) {
    EXPECT_EQ(files::numberedName("IMG_0001.JPG", 2), "IMG_0001 (2).JPG");
    EXPECT_EQ(files::numberedName("Contacts.txt", 12), "Contacts (12).txt");
    EXPECT_EQ(files::numberedName("archive.tar.gz", 2), "archive.tar (2).gz");
    EXPECT_EQ(files::numberedName("README", 3), "README (3)");
    EXPECT_EQ(files::numberedName(".profile", 2), ".profile (2)");
    // A name at the longest a file name can be stays valid: the stem gives way, never inside a
    // character of several bytes.
    std::string longName;
    while (longName.size() < 250) longName += "é";
    const std::string numbered = files::numberedName(longName + ".jpg", 2);
    EXPECT_LE(numbered.size(), 255u);
    EXPECT_TRUE(numbered.ends_with(" (2).jpg"));
    EXPECT_EQ(numbered.size() % 2, 0u);  // whole two-byte characters before " (2).jpg"

    // Written for real: the user's file stays, each later file takes the next free number, and
    // ".x" beside "x" is its own file.
    writeFile(folder + "/IMG_0001.JPG", "the user's own");
    for (const char* bytes : {"first", "second"})
        ASSERT_TRUE(files::writeNewFile(folder + "/IMG_0001.JPG", bytes).ok());
    EXPECT_EQ(slurp(folder + "/IMG_0001.JPG"), "the user's own");
    EXPECT_EQ(slurp(folder + "/IMG_0001 (2).JPG"), "first");
    EXPECT_EQ(slurp(folder + "/IMG_0001 (3).JPG"), "second");
    ASSERT_TRUE(files::writeNewFile(folder + "/x", "x").ok());
    ASSERT_TRUE(files::writeNewFile(folder + "/.x", ".x").ok());
    EXPECT_EQ(namesIn(folder),
              (std::set<std::string>{"IMG_0001.JPG", "IMG_0001 (2).JPG", "IMG_0001 (3).JPG", "x", ".x"}));
}

TEST_F(NewFileTest, WritersRacingForOneNameEachGetAWholeFileOfTheirOwn) {
    constexpr int kWriters = 8;
    std::vector<std::string> sources;
    for (int i = 0; i < kWriters; ++i) sources.push_back(std::string(300000 + i * 1000, char('a' + i)));
    std::vector<files::Outcome> outcomes(kWriters);
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i)
        writers.emplace_back([&, i] { outcomes[i] = files::writeNewFile(folder + "/Messages.html", sources[i]); });
    for (auto& w : writers) w.join();
    std::set<std::string> paths;
    for (int i = 0; i < kWriters; ++i) {
        ASSERT_TRUE(outcomes[i].ok()) << outcomes[i].reason;
        paths.insert(outcomes[i].path);
        EXPECT_EQ(slurp(outcomes[i].path), sources[i]) << outcomes[i].path;
    }
    EXPECT_EQ(paths.size(), size_t(kWriters));
    EXPECT_EQ(namesIn(folder).size(), size_t(kWriters));  // no temporary file stays
}

TEST_F(NewFileTest, ACopyReadsOnlyARegularFileAndAFailureLeavesNothing) {
    const std::string outside = scratchDirectory("outside");
    writeFile(outside + "/shadow", "secret");
    writeFile(folder + "/photo.jpg", "the user's photo");
    const std::string backup = scratchDirectory("backup");
    ::symlink((outside + "/shadow").c_str(), (backup + "/linked").c_str());
    ::symlink("/dev/zero", (backup + "/endless").c_str());
    ASSERT_TRUE(makeFifo(backup + "/fifo"));

    // A link (to a file outside, or to an endless device), a FIFO and a missing file: each a
    // named failure, at once, and nothing written; the user's file of that name untouched.
    for (const char* name : {"linked", "endless", "fifo", "missing"}) {
        const files::Outcome copied = files::copyNewFile(backup + "/" + name, folder + "/photo.jpg");
        EXPECT_FALSE(copied.ok()) << name;
        EXPECT_NE(copied.reason.find(backup + "/" + name), std::string::npos) << copied.reason;
    }
    EXPECT_EQ(namesIn(folder), std::set<std::string>{"photo.jpg"});
    EXPECT_EQ(slurp(folder + "/photo.jpg"), "the user's photo");

    // A source that fails part-way (here: the bytes say so) leaves no file and no temporary.
    files::NewFile half(folder + "/half.mov");
    half.write("partial", 7);
    half.fail("the device was disconnected");
    const files::Outcome outcome = half.finish();
    EXPECT_EQ(outcome.reason, "the device was disconnected");
    EXPECT_EQ(namesIn(folder), std::set<std::string>{"photo.jpg"});

    // A folder that is not there is the local cause, in the system's words.
    EXPECT_EQ(files::writeNewFile(folder + "/no/such/x", "x").reason, "No such file or directory");
    EXPECT_EQ(files::makeFolders(folder + "/photo.jpg/sub"), folder + "/photo.jpg exists and is not a folder");
}

TEST_F(NewFileTest, TheProgramsOwnFilesAreReplacedWholeAndNewFilesAreTheUsersToRead) {
    ASSERT_TRUE(files::replaceOwnFile(folder + "/playlist.m3u8", "#EXTM3U\nold\n"));
    ASSERT_TRUE(files::replaceOwnFile(folder + "/playlist.m3u8", "#EXTM3U\nnew\n"));
    EXPECT_EQ(slurp(folder + "/playlist.m3u8"), "#EXTM3U\nnew\n");
    EXPECT_EQ(namesIn(folder), std::set<std::string>{"playlist.m3u8"});

    // An exported file is the user's document: readable as any new file of theirs (the umask),
    // which a temporary file's private mode must not leak into.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(files::writeNewFile(folder + "/card.vcf", "card").ok());
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat((folder + "/card.vcf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(NewFileTest, ARunThatDiedOrHitTheFileSizeLimitLeavesNoPartBehind) {
    // Left by a run that died: a temporary file nobody writes any more. Another writer's, still
    // being written (it holds its lock), and a user's files that only look alike (of the
    // program's old pattern too) stay, however old.
    const std::string dead = folder + "/.IMG_0001.JPG.quillomatrix-Ab3dE7gH2k9Q.part";
    const std::string live = folder + "/.IMG_0002.JPG.quillomatrix-Zz9yY8xX7w6V.part";
    writeFile(dead, "half a photo");
    writeFile(live, "being written");
    writeFile(folder + "/.notes.part", "the user's");
    writeFile(folder + "/.backup.20241231.part", "the user's backup");
    const timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
    for (const std::string& path : {dead, live, folder + "/.backup.20241231.part"})
        ::utimensat(AT_FDCWD, path.c_str(), long_ago, 0);
    const int writer = ::open(live.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    ASSERT_TRUE(files::writeNewFile(folder + "/IMG_0003.JPG", "whole").ok());
    ::close(writer);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{".IMG_0002.JPG.quillomatrix-Zz9yY8xX7w6V.part", ".notes.part",
                                                      ".backup.20241231.part", "IMG_0003.JPG"}));

    // Under a file-size limit the file too large fails in the system's words, leaves nothing,
    // and the program goes on to the next one.
    const std::string limited = scratchDirectory("limited");
    files::letWritesFailPastTheSizeLimit();
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit limit = before;
    limit.rlim_cur = 1 << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const files::Outcome large = files::writeNewFile(limited + "/movie.mov", std::string(2 << 20, 'm'));
    const files::Outcome small = files::writeNewFile(limited + "/photo.jpg", "small");
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(large.reason, "File too large");
    EXPECT_TRUE(small.ok()) << small.reason;
    EXPECT_EQ(namesIn(limited), std::set<std::string>{"photo.jpg"});

    // A folder export takes the next free name at its top, past a folder or a file of its name.
    ::mkdir((limited + "/Trip").c_str(), 0755);
    writeFile(limited + "/Trip (2)", "a file");
    const files::Outcome trip = files::makeNewFolder(limited + "/Trip");
    EXPECT_EQ(trip.path, limited + "/Trip (3)");
    EXPECT_TRUE(fs::is_directory(trip.path));
}

// Where files already there are skipped, the writer keeps its lock while it compares its file and
// gives it its name: another run's sweep (here a thread that takes every whole temporary file it
// can lock, at once) never removes the file before it is in place.
TEST_F(NewFileTest, TheWriterHoldsItsLockUntilItsFileHasItsName) {
    const std::string bytes(4 << 20, 'b');
    std::string almost = bytes;
    almost.back() = 'c';
    for (const char* name : {"/a.bin", "/a (2).bin", "/a (3).bin"}) writeFile(folder + name, almost);
    std::atomic<bool> stop{false};
    std::atomic<int> swept{0};
    std::thread sweeper([&] {
        while (!stop) {
            std::error_code error;
            for (const auto& e : fs::directory_iterator(folder, error)) {
                const std::string name = e.path().filename().string();
                if (name[0] != '.' || !name.ends_with(".part")) continue;
                const int fd = ::open(e.path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
                struct stat st {};
                if (fd >= 0 && ::fstat(fd, &st) == 0 && size_t(st.st_size) == bytes.size() &&
                    ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(e.path().c_str()) == 0)
                    ++swept;
                if (fd >= 0) ::close(fd);
            }
        }
    });
    {
        files::SkipFilesAlreadyThere skip;
        for (int round = 0; round < 6; ++round) {
            const files::Outcome outcome = files::writeNewFile(folder + "/a.bin", bytes);
            EXPECT_TRUE(outcome.ok()) << outcome.reason;
            EXPECT_EQ(outcome.alreadyThere, round > 0);
        }
    }
    stop = true;
    sweeper.join();
    EXPECT_EQ(swept, 0);
    EXPECT_EQ(slurp(folder + "/a (4).bin"), bytes);
}
