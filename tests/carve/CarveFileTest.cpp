// The sliding window must give the same bytes as the plain file, wherever the walk goes, and read
// each part of a file once when the pages are visited in order.
#include "backup/carve/CarveFile.h"

#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>
#include <vector>

using namespace carve;

namespace {

class CarveFileTest : public ::testing::Test {
protected:
    // A file of size bytes, zero bytes rare so that walks go far.
    std::string writeFile(size_t size, unsigned seed) {
        bytes_.resize(size);
        std::mt19937 rng(seed);
        for (auto& b : bytes_) b = static_cast<uint8_t>(rng() % 4000 == 0 ? 0 : 1 + rng() % 255);
        std::string path = dir_.path().toStdString() + "/f" + std::to_string(seed);
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes_.data(), 1, bytes_.size(), f);
        std::fclose(f);
        return path;
    }
    QTemporaryDir dir_;
    std::vector<uint8_t> bytes_;
};

}  // namespace

// A database's write-ahead log shown after its whole pages: every read, wherever the window
// stands, gives the file's pages and then the log's pieces, as one run of bytes; so does a
// second reader of it.
TEST_F(CarveFileTest, PiecesOfALogReadAsPagesAfterTheFile) {
    const int64_t page = 1024;
    const std::string path = writeFile(3 * 1024 * 1024 + 123, 7);
    const std::vector<uint8_t> own = bytes_;
    const std::string logPath = writeFile(1024 * 1024, 8);
    const std::vector<uint8_t> log = bytes_;
    std::vector<int64_t> offsets;
    std::vector<uint8_t> expected(own.begin(), own.begin() + static_cast<ptrdiff_t>(own.size() / page * page));
    for (int64_t at = 32 + 24; at + page <= static_cast<int64_t>(log.size()); at += page + 24) {
        offsets.push_back(at);
        expected.insert(expected.end(), log.begin() + at, log.begin() + at + page);
    }
    CarveFile file, second;
    CarveFile logFile;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(logFile.open(logPath));
    ASSERT_TRUE(
        file.showPieces(logFile.duplicateDescriptor(), static_cast<int64_t>(own.size()) / page * page, offsets, page));
    ASSERT_TRUE(second.openSame(file));
    const auto size = static_cast<int64_t>(expected.size());
    for (CarveFile* reader : {&file, &second}) {
        EXPECT_EQ(reader->size(), size);
        std::mt19937 rng(3);
        for (int order = 0; order < 3; ++order)
            for (int i = 0; i < 400; ++i) {
                const int64_t pos = order == 0   ? i * (size / 400)
                                    : order == 1 ? size - i * (size / 400)
                                                 : static_cast<int64_t>(rng() % (size + 10));
                reader->focus(pos - page, pos + 2 * page, order != 1);
                ASSERT_EQ(reader->byte(pos), pos > 0 && pos < size ? expected[static_cast<size_t>(pos)] : 0) << pos;
                if (pos <= 0) continue;  // nothing is read there at all
                std::vector<uint8_t> copied(3000);
                reader->copy(pos, copied.size(), copied.data());
                for (size_t k = 0; k < copied.size(); ++k) {
                    const int64_t at = pos + static_cast<int64_t>(k);
                    ASSERT_EQ(copied[k], at > 0 && at < size ? expected[static_cast<size_t>(at)] : 0) << at;
                }
            }
    }
}

TEST_F(CarveFileTest, BytesAndCopiesAcrossTheWindowAndTheEnd) {
    std::string path = writeFile(3 * 1024 * 1024, 11);
    CarveFile file;
    ASSERT_TRUE(file.open(path));
    file.focus(0, 4096, true);
    const int64_t size = file.size();
    for (int64_t pos : {int64_t{1}, int64_t{4090}, int64_t{2 * 1024 * 1024 - 3}, size - 5, size + 3}) {
        const uint8_t* b = file.bytes(pos, 10);
        for (int i = 0; i < 10; ++i) {
            int64_t at = pos + i;
            ASSERT_EQ(b[i], at < size ? bytes_[static_cast<size_t>(at)] : 0) << pos;
        }
    }
    std::vector<uint8_t> big(300000);
    file.copy(size - 1000, big.size(), big.data());
    EXPECT_EQ(big[999], bytes_.back());
    EXPECT_EQ(big[1000], 0);
    // Nothing at all is read at position 0 or before it.
    EXPECT_EQ(file.bytes(0, 4)[0], 0);
    EXPECT_EQ(file.byte(-5), 0);
}

TEST_F(CarveFileTest, APageWalkReadsTheFileOnce) {
    std::string path = writeFile(6 * 1024 * 1024, 5);
    const int64_t page = 4096, pages = 6 * 1024 * 1024 / 4096;
    {
        CarveFile file;
        ASSERT_TRUE(file.open(path));
        for (int64_t i = 0; i < pages; ++i) file.focus((i - 1) * page, (i + 2) * page, true);
        EXPECT_EQ(file.bytesRead(), file.size());
    }
    {
        CarveFile file;
        ASSERT_TRUE(file.open(path));
        for (int64_t i = pages; i >= 1; --i) file.focus((i - 1) * page, (i + 2) * page, false);
        EXPECT_EQ(file.bytesRead(), file.size());
    }
}

TEST_F(CarveFileTest, OnlyRegularFilesOpen) {
    CarveFile file;
    EXPECT_FALSE(file.open(dir_.path().toStdString()));
    EXPECT_FALSE(file.open(dir_.path().toStdString() + "/missing"));
    // A link is never followed, not even to a regular file.
    const std::string target = writeFile(4096, 1), link = dir_.path().toStdString() + "/link";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_TRUE(file.open(target));
    EXPECT_FALSE(file.open(link));
}
