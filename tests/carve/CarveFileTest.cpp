// The sliding window must give the same bytes and walk answers as the plain file, wherever the
// walk goes, and read each part of a file once when the pages are visited in order.
#include "backup/carve/CarveFile.h"

#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
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
    int64_t naiveBackward(int64_t pos, uint8_t stop) const {
        if (pos <= 0) return 0;
        if (pos >= static_cast<int64_t>(bytes_.size())) {
            if (stop == 0) return pos;
            pos = static_cast<int64_t>(bytes_.size()) - 1;
        }
        for (int64_t q = pos; q >= 1; --q)
            if (bytes_[static_cast<size_t>(q)] == stop) return q;
        return 0;
    }
    int64_t naiveForward(int64_t pos, uint8_t stop) const {
        if (pos < 1) pos = 1;
        for (int64_t q = pos; q < static_cast<int64_t>(bytes_.size()); ++q)
            if (bytes_[static_cast<size_t>(q)] == stop) return q;
        return std::max<int64_t>(pos, static_cast<int64_t>(bytes_.size()));
    }

    QTemporaryDir dir_;
    std::vector<uint8_t> bytes_;
};

}  // namespace

TEST_F(CarveFileTest, WalksAgreeWithThePlainFileInAnyOrder) {
    std::string path = writeFile(5 * 1024 * 1024 + 123, 7);
    CarveFile file;
    ASSERT_TRUE(file.open(path));
    std::mt19937 rng(3);
    const int64_t size = file.size();
    for (int order = 0; order < 3; ++order) {
        for (int i = 0; i < 600; ++i) {
            int64_t pos;
            if (order == 0)
                pos = i * (size / 600);  // upwards
            else if (order == 1)
                pos = size - i * (size / 600);  // downwards
            else
                pos = static_cast<int64_t>(rng() % (size + 10));  // anywhere
            file.focus(pos - 4096, pos + 8192, order != 1);
            uint8_t stop = (i % 3 == 0) ? 0 : static_cast<uint8_t>(rng());
            ASSERT_EQ(file.findBackward(pos, stop), naiveBackward(pos, stop)) << pos << " " << int(stop);
            ASSERT_EQ(file.findForward(pos, stop), naiveForward(pos, stop)) << pos << " " << int(stop);
            ASSERT_EQ(file.byte(pos), pos > 0 && pos < size ? bytes_[static_cast<size_t>(pos)] : 0);
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
}
