#include "backup/carve/DelMessageCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/InParallel.h"
#include "model/PRRecordFields.h"

#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

namespace carve {

namespace {
const std::string kPosted = "ScanDelMessageInfo";
const char* const kMessages = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";

// message of iOS 4; the same with the iMessage columns of iOS 5 (its group_id among the kept
// ones); message (with its chat's room name kept) and handle of iOS 6 and 7. A message whose
// last bytes a later cell took is read where its text is whole (the columns up to it): it comes
// without what it lost, marked partial. Of the newer layout's columns up to is_from_me, only those
// read are stored: a large file holds hundreds of thousands of deleted messages.
enum Shape { kPlain, kMadrid, kMessage6, kHandle };
const std::vector<TableShape>& messageShapes() {
    static const std::vector<TableShape> shapes = {
        shapeOf("kt^i^t^/i|itiiiiittbbi"),
        shapeOf("kt^i^t^/iitiiiiittbbibt|it!ittti+btii+iit"),
        shapeOf("kT!-t/i-t-it-t-b-i-i-tt-t-i-ii-i-i-i-i-i|iiiiiiiiiiiiit+ii"),
        shapeOf("kT|tTt", LiveRows::values),
    };
    return shapes;
}
// The columns of the newer layout that a message is made of.
enum Message6Column : size_t { kText = 2, kHandleId = 5, kService = 11, kDate = 15, kFromMe = 21 };

// A time a message of these phones can have: from 2005 to the latest time a phone can hold,
// counted from 1970 or from 2001.
bool plausibleTime(int64_t t) {
    constexpr int64_t kEarliest = 1104537600;
    const int64_t latest = latestPlausibleTime();
    return (t >= kEarliest && t < latest) || (t >= kEarliest - kSince2001 && t < latest - kSince2001);
}

// The group_id of an older row, where the row kept it: the iMessage layout of iOS 5 keeps it;
// the iOS 4 layout keeps no column past the flags.
std::optional<int64_t> groupIdOf(const CarvedRecord& row, int shape) {
    constexpr size_t kGroupColumn = 7;
    if (shape != kMadrid || row.values.size() <= kGroupColumn || row.values[kGroupColumn].isNull()) return std::nullopt;
    return row.values[kGroupColumn].asInteger();
}

// madrid_flags of an iMessage: bit 0x4 marks one sent from this phone.
std::string madridType(int64_t flags) {
    std::string known = DelMessageCarver::flagsType(static_cast<int>(flags));
    if (known != "unknown" || flags == 0) return known;
    return (flags & 0x4) ? "Send" : "Received";
}
}  // namespace

std::string DelMessageCarver::flagsType(int flags) {
    if (flags == 2 || flags == 22) return "Received";
    if (flags == 3 || flags == 16387) return "Send";
    return "unknown";
}

std::string DelMessageCarver::iOS6Type(int value) {
    if (value == 1) return "Send";
    if (value == 0) return "Received";
    return "Unknowed";
}

void DelMessageCarver::post(const PRMessageNodePtr& message) { context_.nc->postNotificationName(kPosted, message); }

void DelMessageCarver::joinGroup(PRMessageNode& message, const MessageGroups::Group* group) {
    if (!group) return;
    message.setGroupAddress(group->address);
    message.setGroupName(group->name);
}

void DelMessageCarver::postOlder(const CarvedRecord& row, int shape) {
    const int64_t date = row.values[2].asInteger();
    if (!plausibleTime(date)) return;
    auto message = std::make_shared<PRMessageNode>();
    message->setMessagePhone(textOf(row.values[1]));
    message->setMessageDate(dateTimeText(date, false).value_or(""));
    message->setMessageContent(textOf(row.values[3]));
    message->setMessageType(flagsType(static_cast<int>(row.values[4].asInteger())));
    message->setBPartial(lostPart(row));
    // An iMessage keeps its address and direction in its own columns (is_madrid and
    // madrid_flags, kept past the others: a row whose tail a later cell took has lost them, and
    // is an iMessage where it has an iMessage address and no other).
    if (shape == kMadrid && row.values.size() > 18) {
        const std::span<const CarvedValue> madrid = alsoKeptValues(row, messageShapes()[kMadrid]);
        const std::string handle = textOf(row.values[18]);
        const bool lost = madrid.empty() || madrid[1].isNull();
        if (lost ? !handle.empty() && message->messagePhone().empty() : madrid[1].asInteger() == 1) {
            message->setBImessage(true);
            message->setMessagePhone(handle);
            message->setMessageType(lost ? "unknown" : madridType(madrid[0].asInteger()));
        }
    }
    if (characterCount(message->messagePhone()) > 1) message->setMessageName(context_.nameFor(message->messagePhone()));
    // A deleted message keeps its group_id: it stands in its group where that group is still on
    // the phone with two members or more, and nowhere else.
    const std::optional<int64_t> groupId = groupIdOf(row, shape);
    if (const MessageGroups* groups = context_.state.messageGroups.get(); groups && groupId)
        joinGroup(*message, groups->ofGroupId(*groupId));
    post(message);
}

void DelMessageCarver::scanDelMessageThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kMessages}, context_, "messageDB is not exist")) return;
    std::vector<CarvedTable> tables = carveRecords(db, messageShapes());
    for (Shape shape : {kPlain, kMadrid}) {
        for (const CarvedRecord& row : tables[shape].deleted) postOlder(row, shape);
        releaseValuesBefore(tables[shape], tables[shape].deleted.size());
    }

    // The other party of a newer message is the handle it names; handles outlive their
    // messages, so most are live rows with their own row ids.
    PRBackupScanState& arrays = context_.state;
    // Each address kept once as the messages share it: a message takes it with no look-up.
    std::unordered_map<int64_t, PRSharedText> handles;
    for (const auto* list : {&tables[kHandle].live, &tables[kHandle].deleted})
        for (const CarvedRecord& handle : *list) {
            if (!handle.rowidKnown) continue;
            auto chat = std::make_shared<PRChatMessageNode>();
            chat->setRowid(static_cast<int>(handle.rowid));
            chat->setPhoneValue(textOf(handle.values[1]));
            arrays.chatMessageArray.push_back(chat);
            handles.emplace(handle.rowid, chat->phoneValue());
        }
    const MessageGroups* groups = context_.state.messageGroups.get();
    auto messageOf = [&](const CarvedRecord& row, ContactNames& names) -> PRMessageNodePtr {
        const TableShape& shape = messageShapes()[kMessage6];
        auto value = [&](Message6Column column) -> const CarvedValue& { return row.values[shape.keptSlot(column)]; };
        // What a later cell took stays unsaid: no time, party, service or direction of another's.
        const CarvedValue &dateValue = value(kDate), &handleValue = value(kHandleId), &service = value(kService),
                          &fromMe = value(kFromMe);
        const int64_t date = dateValue.asInteger();
        if (!dateValue.isLost() && !plausibleTime(date)) return nullptr;
        auto message = std::make_shared<PRMessageNode>();
        message->setMessageContent(textOf(value(kText)));
        if (!handleValue.isLost()) message->setHandle_id(static_cast<int>(handleValue.asInteger()));
        message->setBImessage(!service.isLost() && textOf(service) != "SMS");
        if (!dateValue.isLost()) message->setMessageDate(dateTimeText(date, false).value_or(""));
        message->setMessageType(iOS6Type(fromMe.isLost() ? -1 : static_cast<int>(fromMe.asInteger())));
        message->setBPartial(lostPart(row));
        if (auto handle = handles.find(message->handle_id()); handle != handles.end()) {
            message->setMessagePhone(handle->second);
            const std::string& phone = handle->second.str();
            if (characterCount(phone) > 1) message->setMessageName(names.nameFor(phone));
        }
        // A deleted message of a group chat of iMessages keeps its room's name: it stands in that
        // group. Others keep nothing of their chat, and stand by their own address.
        const std::span<const CarvedValue> room = alsoKeptValues(row, shape);
        if (groups && !room.empty() && !room[0].isNull()) joinGroup(*message, groups->ofRoom(textOf(room[0])));
        return message;
    };
    // The messages are made side by side in stretches, each thread with a name look-up of its
    // own, and listed and posted here in order as the stretches are made; the rows' values go as
    // the messages come, rather than both being held to the end.
    const CarvedRows<CarvedRecord>& rows = tables[kMessage6].deleted;
    constexpr size_t kMessagesPerStretch = 16384;
    std::vector<PRMessageNodePtr> made(rows.size());
    std::vector<std::unique_ptr<ContactNames>> names(stretchThreads(rows.size(), kMessagesPerStretch, 0));
    inStretchesInOrder(
        rows.size(), kMessagesPerStretch, 0,
        [&](size_t from, size_t to, size_t thread) {
            if (!names[thread]) names[thread] = std::make_unique<ContactNames>(context_.state);
            for (size_t i = from; i < to; ++i) made[i] = messageOf(rows[i], *names[thread]);
        },
        [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) {
                if (!made[i]) continue;
                arrays.messageArray.push_back(made[i]);
                post(std::exchange(made[i], nullptr));
            }
            releaseValuesBefore(tables[kMessage6], to);
        });
    releaseTables(std::move(tables));
    postProgress(context_, 80);
}

}  // namespace carve
