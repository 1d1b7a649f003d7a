// The message reader with its name look-up over a generated sms.db of 50,000 messages and an
// address book of 2,000 contacts, against the bare SQL query over the same file.
#include "SampleDatabases.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRMessageReader.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

struct Fixture {
    std::string folder;
    PRBackupScanState state;

    Fixture() {
        std::string pattern = paths::privateTempDirectory() + "/message-bench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!::mkdtemp(name.data())) std::abort();
        folder = name.data();
        sampledb::SampleSize size;
        size.contacts = 2000;
        size.messages = 50000;
        size.conversations = 200;
        size.photos = false;
        const sampledb::SampleData data = sampledb::makeSampleData(size);
        if (!sampledb::writeMessages(folder + "/" + sampledb::keys::messages, data.messages,
                                     sampledb::MessageSchema::ios6))
            std::abort();
        for (const auto& c : data.contacts) {
            auto contact = std::make_shared<PRContactNode>();
            contact->setContactName(" " + c.first + " " + c.last);
            std::string phones;
            for (const auto& p : c.phones) phones += " " + p;
            contact->setContactPhone(phones);
            state.contactArray.push_back(contact);
        }
        state.currentNodeIsiOS6Version = true;
    }
    ~Fixture() { std::filesystem::remove_all(folder); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void MessageReaderWithNames(benchmark::State& run) {
    Fixture& f = fixture();
    NSNotificationCenter nc;
    size_t messages = 0;
    nc.addObserver(&messages, "ScanMessageInfo", [&](const NSNotification&) { ++messages; });
    for (auto _ : run) {
        messages = 0;
        f.state.meesageAttachArray.clear();
        PRMessageReader(f.state, nc).scanMessageThread(f.folder);
    }
    run.counters["messages"] = static_cast<double>(messages);
}

void BareMessageQuery(benchmark::State& run) {
    Fixture& f = fixture();
    const std::string path = f.folder + "/" + sampledb::keys::messages;
    size_t rows = 0;
    for (auto _ : run) {
        rows = 0;
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db,
                           "select message.ROWID,message.cache_has_attachments,message.text,message.date,"
                           "message.handle_id,handle.id,is_from_me from message left join handle on "
                           "message.handle_id=handle.ROWID",
                           -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < 7; ++c) benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
            ++rows;
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
    run.counters["messages"] = static_cast<double>(rows);
}

}  // namespace

BENCHMARK(BareMessageQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(MessageReaderWithNames)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
