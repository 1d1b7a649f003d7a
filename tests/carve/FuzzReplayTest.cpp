// The fuzz target's input runs in every build: the fixture databases, hand-built pages and the
// crafted files (chains that loop, a log after its database, schemas hard to read, logs SQLite
// cannot use) as seeds, and a few hundred deterministic mutations of them (flipped bytes, cut
// files, shuffled page sizes), under the sanitizers of the test build.
#include "CarveTestSupport.h"
#include "CarvingFixtures.h"
#include "CraftedFiles.h"
#include "CraftedLog.h"
#include "backup/carve/CarveDatabase.h"

#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(CarveFuzzReplay, SeedsAndMutationsRunClean) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    carvefix::Options o;
    o.pageSize = 1024;
    o.live = 6;
    o.deleted = 3;
    o.deletedPages = 6;
    std::vector<std::vector<uint8_t>> seeds;
    auto add = [&](const std::string& path) { seeds.push_back(readAll(path)); };
    carvefix::writeAddressBook(base + "/a", o), add(base + "/a");
    carvefix::writeMessages(base + "/m", o, carvefix::MessageLayout::ios6), add(base + "/m");
    carvefix::writeMessages(base + "/p", o, carvefix::MessageLayout::plain), add(base + "/p");
    carvefix::writeNotes(base + "/n", o), add(base + "/n");
    carvefix::writeCallHistory(base + "/c", o), add(base + "/c");
    carvefix::writeBookmarks(base + "/b", o), add(base + "/b");
    carvefix::writeCalendar(base + "/e", o), add(base + "/e");
    seeds.push_back(carvefix::PageFile(512, 3).bytes());
    // Chains that loop, and a database with deletions still in its log.
    ASSERT_TRUE(carvefix::writeCraftedFiles(base, 1024));
    for (const char* crafted :
         {"/crafted-looping-overflow", "/crafted-looping-lists", "/crafted-with-log", "/crafted-schema-quoting",
          "/crafted-schema-grown", "/crafted-schema-unparsed", "/crafted-schema-log", "/crafted-log-other-page-size",
          "/crafted-log-table-overwritten", "/crafted-log-huge-commit"})
        add(base + crafted);
    for (const auto& seed : seeds) ASSERT_GT(seed.size(), 100u);

    std::mt19937 rng(12);
    for (const auto& seed : seeds) {
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
        for (int round = 0; round < 40; ++round) {
            std::vector<uint8_t> m = seed;
            switch (rng() % 4) {
            case 0:  // flip bytes
                for (int k = 0; k < 20; ++k) m[rng() % m.size()] = static_cast<uint8_t>(rng());
                break;
            case 1:  // cut
                m.resize(rng() % m.size());
                break;
            case 2:  // another page size field
                if (m.size() > 18) m[16] = static_cast<uint8_t>(rng()), m[17] = static_cast<uint8_t>(rng());
                break;
            default:  // bytes the patterns are made of, everywhere
                for (auto& b : m)
                    if (rng() % 8 == 0) b = static_cast<uint8_t>(rng() % 3 == 0 ? 0x01 : (rng() % 2 ? 0x08 : 0x00));
                break;
            }
            LLVMFuzzerTestOneInput(m.data(), m.size());
        }
    }
}

namespace {
class CraftedLogCarve : public carvetest::CarveTest {};
}  // namespace

// A count in a log is taken only as far as the files can back it: a commit that says the
// database has 0xFFFFFFFF pages makes no room for them, and the carve of a 4 KB log stays quick.
TEST_F(CraftedLogCarve, ACommitCountMakesNoRoomBeyondTheFiles) {
    carvefix::Options o;
    o.pageSize = 4096;
    o.live = 40;
    o.deleted = 20;
    const std::string path = file("calls.db");
    carvefix::writeCallHistory(path, o);
    for (auto kind : {carvefix::UnusableLog::HugeCommit, carvefix::UnusableLog::OtherPageSize,
                      carvefix::UnusableLog::TablePageOverwritten}) {
        ASSERT_TRUE(carvefix::writeUnusableLog(path, kind, "call"));
        const auto started = std::chrono::steady_clock::now();
        carve::CarveDatabase db;
        ASSERT_TRUE(db.open(path, context));
        EXPECT_LE(db.images().foldedPages(), db.images().count() + 1);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    }
}
