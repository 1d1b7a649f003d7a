#include "backup/carve/DelMessageCarver.h"

#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/FileShapes.h"
#include "backup/carve/InParallel.h"
#include "model/MessageDirection.h"
#include "model/MessageParts.h"
#include "model/PRRecordFields.h"

#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

namespace carve {

namespace {

// The messages of iOS 4 and 5 (message, with the iMessage "madrid" columns on iOS 5: a phone
// installed with iOS 5 keeps madrid_account_guid beside madrid_account, one upgraded from iOS 4
// last), and those of iOS 6 and 7 (message, naming the other party's handle). A message whose
// last bytes a later cell took is read where its text is whole: it comes without what it lost,
// marked partial.
enum OlderColumn : size_t { kAddress, kDate, kText, kFlags, kGroupId, kMadridHandle, kMadridFlags, kIsMadrid };
const KnownTable kOlderMessageTable{"message",
                                    {
                                        {"address", ColumnKind::text, kRead | kIdentity | kWholeInPart | kNeeded},
                                        {"date", ColumnKind::integer, kRead | kIdentity | kWholeInPart | kNeeded},
                                        {"text", ColumnKind::text, kRead | kIdentity | kWholeInPart | kNeeded},
                                        {"flags", ColumnKind::integer, kRead | kNeeded},
                                        {"group_id", ColumnKind::integer, kReadIfThere},
                                        {"madrid_handle", ColumnKind::text, kRead},
                                        {"madrid_flags", ColumnKind::integer, kReadIfThere},
                                        {"is_madrid", ColumnKind::integer, kReadIfThere},
                                        {"replace", ColumnKind::integer},
                                        {"svc_center", ColumnKind::text},
                                        {"association_id", ColumnKind::integer},
                                        {"height", ColumnKind::integer},
                                        {"UIFlags", ColumnKind::integer},
                                        {"version", ColumnKind::integer},
                                        {"subject", ColumnKind::text},
                                        {"country", ColumnKind::text},
                                        {"headers", ColumnKind::blob},
                                        {"recipients", ColumnKind::blob},
                                        {"read", ColumnKind::integer},
                                        {"madrid_attributedBody", ColumnKind::blob},
                                        {"madrid_version", ColumnKind::integer},
                                        {"madrid_guid", ColumnKind::text, kUnique},
                                        {"madrid_type", ColumnKind::integer},
                                        {"madrid_roomname", ColumnKind::text},
                                        {"madrid_service", ColumnKind::text},
                                        {"madrid_account", ColumnKind::text},
                                        {"madrid_attachmentInfo", ColumnKind::blob},
                                        {"madrid_url", ColumnKind::text},
                                        {"madrid_error", ColumnKind::integer},
                                        {"madrid_date_read", ColumnKind::integer},
                                        {"madrid_date_delivered", ColumnKind::integer},
                                        {"madrid_account_guid", ColumnKind::text},
                                    }};
enum MessageColumn : size_t { kGuid, kBody, kHandleId, kService, kSent, kFromMe, kRoom };
const KnownTable kMessageTable{"message",
                               {
                                   {"guid", ColumnKind::text, kUnique | kNotNull | kWholeInPart | kNeeded},
                                   {"text", ColumnKind::text, kRead | kWholeInPart | kNeeded},
                                   {"handle_id", ColumnKind::integer, kRead | kNeeded},
                                   {"service", ColumnKind::text, kRead},
                                   {"date", ColumnKind::integer, kRead | kNeeded},
                                   {"is_from_me", ColumnKind::integer, kRead | kNeeded},
                                   {"cache_roomnames", ColumnKind::text, kReadIfThere},
                                   {"replace", ColumnKind::integer},
                                   {"service_center", ColumnKind::text},
                                   {"subject", ColumnKind::text},
                                   {"country", ColumnKind::text},
                                   {"attributedBody", ColumnKind::blob},
                                   {"version", ColumnKind::integer},
                                   {"type", ColumnKind::integer},
                                   {"account", ColumnKind::text},
                                   {"account_guid", ColumnKind::text},
                                   {"error", ColumnKind::integer},
                                   {"date_read", ColumnKind::integer},
                                   {"date_delivered", ColumnKind::integer},
                                   {"is_delivered", ColumnKind::integer},
                                   {"is_finished", ColumnKind::integer},
                                   {"is_emote", ColumnKind::integer},
                                   {"is_empty", ColumnKind::integer},
                                   {"is_delayed", ColumnKind::integer},
                                   {"is_auto_reply", ColumnKind::integer},
                                   {"is_prepared", ColumnKind::integer},
                                   {"is_read", ColumnKind::integer},
                                   {"is_system_message", ColumnKind::integer},
                                   {"is_sent", ColumnKind::integer},
                                   {"has_dd_results", ColumnKind::integer},
                                   {"is_service_message", ColumnKind::integer},
                                   {"is_forward", ColumnKind::integer},
                                   {"was_downgraded", ColumnKind::integer},
                                   {"is_archive", ColumnKind::integer},
                                   {"cache_has_attachments", ColumnKind::integer},
                                   {"was_data_detected", ColumnKind::integer},
                                   {"was_deduplicated", ColumnKind::integer},
                               }};
// The parts of a multimedia message of iOS 4 and 5: its words and files.
enum PieceColumn : size_t { kPieceMessage, kPieceNumber, kContentType, kPieceData };
const KnownTable kPieceTable{"msg_pieces",
                             {
                                 {"message_id", ColumnKind::integer, kRead | kNeeded},
                                 {"part_id", ColumnKind::integer, kRead | kNeeded},
                                 {"content_type", ColumnKind::text, kRead | kNeeded},
                                 {"data", ColumnKind::any, kRead},
                                 {"preview_part", ColumnKind::integer},
                                 {"height", ColumnKind::integer},
                                 {"version", ColumnKind::integer},
                                 {"flags", ColumnKind::integer},
                                 {"content_id", ColumnKind::text},
                                 {"content_loc", ColumnKind::text},
                                 {"headers", ColumnKind::blob},
                             },
                             LiveRows::values};
// The other party of a message of iOS 6 and 7.
enum HandleColumn : size_t { kHandleAddress };
const KnownTable kHandleTable{"handle",
                              {
                                  {"id", ColumnKind::text, kRead | kNotNull | kNeeded},
                                  {"country", ColumnKind::text},
                                  {"service", ColumnKind::text, kNotNull},
                                  {"uncanonicalized_id", ColumnKind::text},
                              },
                              LiveRows::values};

// A time a message of these phones can have: from 2005 to the latest time its database can hold
// (see CarveDatabase::latestTime), counted from 2001 in the newer table, from 1970 or from 2001
// in the older one (which dates iMessages from 2001 beside the texts from 1970).
constexpr int64_t kEarliest = 1104537600;
bool plausibleTimeFrom2001(int64_t t, int64_t latest) { return t >= kEarliest - kSince2001 && t < latest - kSince2001; }
bool plausibleTime(int64_t t, int64_t latest) {
    return (t >= kEarliest && t < latest) || plausibleTimeFrom2001(t, latest);
}
}  // namespace

void DelMessageCarver::post(const PRMessageNodePtr& message) {
    notices::ScanDelMessageInfo.post(*context_.nc, message);
}

void DelMessageCarver::joinGroup(PRMessageNode& message, const MessageGroups::Group* group) {
    if (!group) return;
    message.setGroupAddress(group->address);
    message.setGroupName(group->name);
}

void DelMessageCarver::postOlder(const CarvedRecord& row, const RowShape& shape, const MessageParts* parts,
                                 const MessagePartFiles* partFiles) {
    const int64_t date = shape.value(row, kDate).asInteger();
    if (!plausibleTime(date, latest_)) return;
    auto message = std::make_shared<PRMessageNode>();
    message->setMessagePhone(textOf(shape.value(row, kAddress)));
    message->setMessageDate(dateTimeText(date, TimeBase::judged, backupTime_).value_or(""));
    message->setMessageContent(textOf(shape.value(row, kText)));
    message->setMessageType(messageDirectionOfFlags(shape.value(row, kFlags).asInteger()));
    message->setBPartial(lostPart(row));
    // An iMessage keeps its address and direction in its own columns (is_madrid and
    // madrid_flags, kept past the others: a row whose tail a later cell took has lost them, and
    // is an iMessage where it has an iMessage address and no other).
    if (shape.has(kMadridHandle)) {
        const std::string handle = textOf(shape.value(row, kMadridHandle));
        const CarvedValue &isMadrid = shape.value(row, kIsMadrid), &madridFlags = shape.value(row, kMadridFlags);
        const bool lost = isMadrid.isNull();
        if (lost ? !handle.empty() && message->messagePhone().empty() : isMadrid.asInteger() == 1) {
            message->setBImessage(true);
            message->setMessagePhone(handle);
            // Flags lost say no more than none.
            message->setMessageType(messageDirectionOfMadridFlags(lost ? 0 : madridFlags.asInteger()));
        }
    }
    // A multimedia message's words and file are parts of their own, found by its row id where
    // its cell kept that.
    if (parts && row.rowidKnown && !row.rowidInferred)
        if (const auto own = parts->of(row.rowid)) {
            PROptionalText file;
            if (!own->files.empty()) file = partFiles->fileOf(row.rowid, own->files.front().partId);
            MessageParts::give(*message, *own, std::move(file));
        }
    if (characterCount(message->messagePhone()) > 1) message->setMessageName(context_.nameFor(message->messagePhone()));
    // A deleted message keeps its group_id: it stands in its group where that group is still on
    // the phone with two members or more, and nowhere else.
    const CarvedValue& groupId = shape.value(row, kGroupId);
    if (const MessageGroups* groups = context_.state.messageGroups.get(); groups && !groupId.isNull())
        joinGroup(*message, groups->ofGroupId(groupId.asInteger()));
    post(message);
}

bool DelMessageCarver::scanDelMessageThread(const std::string& backupFolder, const std::function<bool()>& namesIn) {
    // A missing database is logged only once the names are in, and not at all where they never come.
    const bool there = !CarveDatabase::existingFile(backupFolder, {backupkeys::messages}).empty();
    if (!there && namesIn && !namesIn()) return false;
    CarveDatabase db;
    if (!db.openIn(backupFolder, {backupkeys::messages}, context_, "messageDB is not exist")) return true;
    backupTime_ = db.backupTime();
    latest_ = db.latestTime();
    FileShapes shapes(db);
    const size_t older = shapes.add(kOlderMessageTable), newer = shapes.add(kMessageTable),
                 handleGroup = shapes.add(kHandleTable), pieceGroup = shapes.add(kPieceTable);
    std::vector<CarvedTable> tables = carveRecords(db, shapes.shapes());
    shapes.report(tables);
    MessageParts parts;
    for (const FileShapes::Member& member : shapes.of(pieceGroup))
        for (const auto* list : {&tables[member.index].deleted, &tables[member.index].live})
            for (const CarvedRecord& piece : *list) {
                const RowShape& shape = *member.shape;
                parts.add(shape.value(piece, kPieceMessage).asInteger(), shape.value(piece, kPieceNumber).asInteger(),
                          textView(shape.value(piece, kContentType)), shape.value(piece, kPieceData).bytesView());
            }
    // Where the parts' files lie, from the backup's manifest, read only for a file that has parts.
    std::optional<MessagePartFiles> partFiles;
    if (!parts.empty()) partFiles.emplace(backupFolder);
    // The other party of a newer message is the handle it names; handles outlive their
    // messages, so most are live rows with their own row ids.
    PRBackupScanState& arrays = context_.state;
    // Each address kept once as the messages share it: a message takes it with no look-up.
    std::unordered_map<int64_t, PRSharedText> handles;
    for (const FileShapes::Member& member : shapes.of(handleGroup))
        for (const auto* list : {&tables[member.index].live, &tables[member.index].deleted})
            for (const CarvedRecord& handle : *list) {
                if (!handle.rowidKnown) continue;
                auto chat = std::make_shared<PRChatMessageNode>();
                chat->setRowid(static_cast<int>(handle.rowid));
                chat->setPhoneValue(textOf(member.shape->value(handle, kHandleAddress)));
                arrays.chatMessageArray.push_back(chat);
                handles.emplace(handle.rowid, chat->phoneValue());
            }
    // The page walk, most of the carve, and what the rows' parts and handles give take nothing
    // from the scan state: the names and groups the messages take are waited for only now.
    if (there && namesIn && !namesIn()) return false;
    for (const FileShapes::Member& member : shapes.of(older)) {
        for (const CarvedRecord& row : tables[member.index].deleted)
            postOlder(row, *member.shape, partFiles ? &parts : nullptr, partFiles ? &*partFiles : nullptr);
        releaseValuesBefore(tables[member.index], tables[member.index].deleted.size());
    }

    const MessageGroups* groups = context_.state.messageGroups.get();
    auto messageOf = [&](const CarvedRecord& row, const RowShape& shape, ContactNames& names) -> PRMessageNodePtr {
        // What a later cell took stays unsaid: no time, party, service or direction of another's.
        const CarvedValue &dateValue = shape.value(row, kSent), &handleValue = shape.value(row, kHandleId),
                          &service = shape.value(row, kService), &fromMe = shape.value(row, kFromMe);
        const int64_t date = dateValue.asInteger();
        if (!dateValue.isLost() && !plausibleTimeFrom2001(date, latest_)) return nullptr;
        auto message = std::make_shared<PRMessageNode>();
        message->setMessageContent(textOf(shape.value(row, kBody)));
        if (!handleValue.isLost()) message->setHandle_id(static_cast<int>(handleValue.asInteger()));
        message->setBImessage(!service.isLost() && textOf(service) != "SMS");
        if (!dateValue.isLost()) message->setMessageDate(dateTimeText(date, TimeBase::since2001).value_or(""));
        message->setMessageType(
            messageDirectionOfFromMe(fromMe.isLost() ? -1 : fromMe.asInteger(), MessageRow::Carved));
        message->setBPartial(lostPart(row));
        if (auto handle = handles.find(message->handle_id()); handle != handles.end()) {
            message->setMessagePhone(handle->second);
            // A new message's name is empty already where no contact could give it one.
            const std::string& phone = handle->second.str();
            if (!names.knowsNoContacts() && characterCount(phone) > 1) message->setMessageName(names.nameFor(phone));
        }
        // A deleted message of a group chat of iMessages keeps its room's name: it stands in that
        // group. Others keep nothing of their chat, and stand by their own address.
        const CarvedValue& room = shape.value(row, kRoom);
        if (groups && !room.isNull()) joinGroup(*message, groups->ofRoom(textOf(room)));
        return message;
    };
    // The messages are made side by side in stretches, each thread with a name look-up of its
    // own, and listed and posted here in order as the stretches are made; the rows' values go as
    // the messages come, rather than both being held to the end.
    for (const FileShapes::Member& member : shapes.of(newer)) {
        CarvedTable& table = tables[member.index];
        const CarvedRows<CarvedRecord>& rows = table.deleted;
        // Small enough that the hundred thousand deleted messages of a 100 MB file share every
        // core: making them is a third of such a carve, all of it after the page walk.
        constexpr size_t kMessagesPerStretch = 4096;
        std::vector<PRMessageNodePtr> made(rows.size());
        std::vector<std::unique_ptr<ContactNames>> names(stretchThreads(rows.size(), kMessagesPerStretch, 0));
        inStretchesInOrder(
            rows.size(), kMessagesPerStretch, 0,
            [&](size_t from, size_t to, size_t thread) {
                if (!names[thread]) names[thread] = std::make_unique<ContactNames>(context_.state);
                for (size_t i = from; i < to; ++i) made[i] = messageOf(rows[i], *member.shape, *names[thread]);
            },
            [&](size_t from, size_t to) {
                for (size_t i = from; i < to; ++i) {
                    if (!made[i]) continue;
                    if (context_.listInState) arrays.messageArray.push_back(made[i]);
                    post(std::exchange(made[i], nullptr));
                }
                releaseValuesBefore(table, to);
            });
    }
    releaseTables(std::move(tables));
    postProgress(context_, 80);
    return true;
}

}  // namespace carve
