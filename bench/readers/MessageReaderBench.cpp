// The message reader with its name look-up over a generated sms.db of 50,000 messages and an
// address book of 2,000 contacts, against the bare SQL over the same file: the statements the
// reader runs (the schema check, the attachments, the messages), every row stepped and every
// column read. Both sides read the private prepared copy, which the fixture holds, so neither
// pays for making it; MessagesPrivateCopy times that on its own.
#include "ReaderBench.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRMessageReader.h"
#include "backup/PreparedDatabase.h"
#include "platform/NotificationCenter.h"

#include <cstdlib>

namespace {

struct Fixture {
    readerbench::TempFolder folder{"message-bench"};
    std::shared_ptr<PreparedDatabase> copy;
    PRBackupScanState state;

    Fixture() {
        sampledb::SampleSize size;
        size.contacts = 2000;
        size.messages = 50000;
        size.conversations = 200;
        size.calls = 0;
        size.photos = false;
        const sampledb::SampleData data = sampledb::makeSampleData(size);
        const std::string path = folder.file(sampledb::keys::messages);
        if (!sampledb::writeMessages(path, data.messages, sampledb::MessageSchema::ios6)) std::abort();
        copy = PreparedDatabase::prepare(path);
        if (!copy) std::abort();
        state.contactArray = readerbench::lookupContacts(data.contacts);
        state.currentNodeIsiOS6Version = true;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void MessageReaderWithNames(benchmark::State& run) {
    Fixture& f = fixture();
    {
        NSNotificationCenter nc;
        readerbench::RecordDigest digest;
        nc.addObserver(&digest, "ScanMessageInfo", [&](const NSNotification& n) {
            const auto message = n.objectAs<PRMessageNode>();
            digest.add(*message);
            digest.add(message->contactImageData());
        });
        f.state.meesageAttachArray.clear();
        PRMessageReader(f.state, nc).scanMessageThread(f.folder.path());
        for (const auto& attach : f.state.meesageAttachArray) digest.add(*attach);
        if (!digest.check(run, "message_reader")) return;
    }
    NSNotificationCenter nc;
    size_t messages = 0;
    nc.addObserver(&messages, "ScanMessageInfo", [&](const NSNotification&) { ++messages; });
    for (auto _ : run) {
        messages = 0;
        f.state.meesageAttachArray.clear();
        PRMessageReader(f.state, nc).scanMessageThread(f.folder.path());
    }
    run.counters["messages"] = static_cast<double>(messages);
}

void BareMessageQuery(benchmark::State& run) {
    Fixture& f = fixture();
    size_t rows = 0;
    for (auto _ : run) {
        sqlite3* db = readerbench::openCopy(f.copy->path());
        readerbench::runAll(db, "select name from pragma_table_info('message')");
        readerbench::runAll(db,
                            "select message_attachment_join.message_id, message_attachment_join.attachment_id,"
                            "message_attachment_join.attachment_id,attachment.ROWID,attachment.filename from "
                            "attachment left join  message_attachment_join on  attachment.ROWID= "
                            "message_attachment_join.attachment_id");
        rows = readerbench::runAll(db,
                                   "select message.ROWID,message.cache_has_attachments,message.text,message.date,"
                                   "message.handle_id,handle.id,is_from_me from message left join handle on "
                                   "message.handle_id=handle.ROWID");
        sqlite3_close(db);
    }
    run.counters["messages"] = static_cast<double>(rows);
}

// What each read pays before its first query: the private copy of the file, made and removed.
void MessagesPrivateCopy(benchmark::State& run) {
    Fixture& f = fixture();
    const std::string original = f.copy->original();
    f.copy.reset();
    for (auto _ : run) benchmark::DoNotOptimize(PreparedDatabase::prepare(original));
    f.copy = PreparedDatabase::prepare(original);
}

}  // namespace

BENCHMARK(BareMessageQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(MessageReaderWithNames)->Unit(benchmark::kMillisecond);
BENCHMARK(MessagesPrivateCopy)->Unit(benchmark::kMillisecond);
