// The message reader with its name look-up over a generated sms.db of 50,000 messages and an
// address book of 2,000 contacts, against the bare SQL over the same file: the statements the
// reader runs (the schema check, the attachments, the chats and their members, the messages),
// every row stepped and every column read. Both sides read the prepared database, which the
// fixture holds, so neither pays for preparing it; MessagesPreparation times that on its own.
#include "ReaderBench.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRMessageReader.h"
#include "backup/PreparedDatabase.h"
#include "platform/NotificationCenter.h"

#include <cstdlib>

namespace {

struct Fixture {
    bench::TempFolder folder{"message-bench"};
    std::shared_ptr<PreparedDatabase> prepared;
    PRBackupScanState state;

    Fixture() {
        const sampledb::SampleData data = sampledb::makeSampleData(
            {.contacts = 2000, .conversations = 200, .messages = 50000, .calls = 0, .photos = false});
        const std::string path = folder.file(backupkeys::messages);
        if (!sampledb::writeMessages(path, data.messages, sampledb::MessageSchema::ios6)) std::abort();
        prepared = readerbench::heldPreparation(path);
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
    readerbench::timeReader(
        run, {"message_reader", &notices::ScanMessageInfo, "messages",
              [&](NSNotificationCenter& nc) { PRMessageReader(f.state, nc).scanMessageThread(f.folder.path()); },
              [](readerbench::RecordDigest& digest, const NSNotification& n) {
                  const auto message = n.objectAs<PRMessageNode>();
                  digest.add(*message);
                  digest.add(message->contactImageData());
              },
              [&](readerbench::RecordDigest& digest) {
                  for (const auto& attach : f.state.meesageAttachArray) digest.add(*attach);
              },
              [&] { f.state.meesageAttachArray.clear(); }});
}

void BareMessageQuery(benchmark::State& run) {
    Fixture& f = fixture();
    size_t rows = 0;
    for (auto _ : run) {
        sqlite3* db = readerbench::openPrepared(*f.prepared);
        readerbench::runAll(db, "select name from pragma_table_info('message')");
        readerbench::runAll(db,
                            "select message_attachment_join.message_id, message_attachment_join.attachment_id,"
                            "message_attachment_join.attachment_id,attachment.ROWID,attachment.filename from "
                            "attachment left join  message_attachment_join on  attachment.ROWID= "
                            "message_attachment_join.attachment_id");
        readerbench::runAll(db, "select ROWID, style, room_name from chat");
        readerbench::runAll(db,
                            "select chat_handle_join.chat_id, handle.id from chat_handle_join join handle on "
                            "handle.ROWID = chat_handle_join.handle_id");
        readerbench::runAll(db, "select message_id, chat_id from chat_message_join");
        rows = readerbench::runAll(db,
                                   "select message.ROWID,message.cache_has_attachments,message.text,message.date,"
                                   "message.handle_id,handle.id,is_from_me,message.service from message left join "
                                   "handle on message.handle_id=handle.ROWID");
        sqlite3_close(db);
    }
    run.counters["messages"] = static_cast<double>(rows);
}

// What each read pays before its first query: the file prepared for reading, and let go.
void MessagesPreparation(benchmark::State& run) { readerbench::timePreparation(run, {&fixture().prepared}); }

}  // namespace

BENCHMARK(BareMessageQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(MessageReaderWithNames)->Unit(benchmark::kMillisecond);
BENCHMARK(MessagesPreparation)->Unit(benchmark::kMillisecond);
