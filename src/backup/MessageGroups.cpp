#include "backup/MessageGroups.h"

#include "backup/BackupDatabase.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <map>

namespace {
// chat.style of a group chat; 45 is a chat with one person.
constexpr long long kGroupStyle = 43;

struct Chat {
    bool marked = false;
    std::string room;
    std::vector<std::string> members;
};
}  // namespace

uint32_t MessageGroups::addGroup(std::vector<std::string> members, bool marked, const ContactNumberIndex& contacts) {
    // One member however often and however written, in the order of their keys: the same people
    // make the same conversation in every chat and every read.
    std::vector<std::pair<std::string, std::string>> keyed;
    for (std::string& member : members) {
        std::string key = addressKey(member);
        if (key.empty()) continue;
        const bool known =
            std::any_of(keyed.begin(), keyed.end(), [&](const auto& other) { return keysMatch(other.first, key); });
        if (!known) keyed.emplace_back(std::move(key), std::move(member));
    }
    if (keyed.size() < 2 && !(marked && !keyed.empty())) return kNone;
    std::sort(keyed.begin(), keyed.end());
    Group group;
    for (const auto& [key, member] : keyed) {
        appendPart(group.address, trimmedText(member), ", ");
        const std::string& name = contacts.nameOf(member);
        appendPart(group.name, name.empty() ? trimmedText(member) : std::string_view(name), ", ");
    }
    groups_.push_back(std::move(group));
    return static_cast<uint32_t>(groups_.size() - 1);
}

void MessageGroups::read(BackupDatabase& db, bool ios6, const ContactNumberIndex& contacts) {
    if (ios6)
        readChats(db, contacts);
    else
        readGroupMembers(db, contacts);
}

void MessageGroups::readChats(BackupDatabase& db, const ContactNumberIndex& contacts) {
    std::map<int64_t, Chat> chats;
    if (!db.query("select ROWID, style, room_name from chat", [&](const BackupDatabase::Row& row) {
            Chat& chat = chats[row.integer(0)];
            chat.marked = row.decimal(1) == kGroupStyle;
            if (const char* room = row.text(2)) chat.room = room;
        }))
        return;
    db.query(
        "select chat_handle_join.chat_id, handle.id from chat_handle_join join handle on "
        "handle.ROWID = chat_handle_join.handle_id",
        [&](const BackupDatabase::Row& row) {
            const auto chat = chats.find(row.integer(0));
            if (chat != chats.end() && row.text(1)) chat->second.members.push_back(GetStringFormChar(row.text(1)));
        });
    std::unordered_map<int64_t, uint32_t> groupOfChat;
    for (auto& [id, chat] : chats) {
        const uint32_t group = addGroup(std::move(chat.members), chat.marked, contacts);
        if (group == kNone) continue;
        groupOfChat.emplace(id, group);
        if (!chat.room.empty()) rooms_.try_emplace(chat.room, group);
    }
    if (groupOfChat.empty()) return;
    db.query("select message_id, chat_id from chat_message_join", [&](const BackupDatabase::Row& row) {
        const auto group = groupOfChat.find(row.integer(1));
        if (group != groupOfChat.end()) messages_.emplace_back(row.integer(0), group->second);
    });
    // A message of two group chats stays in the first one's.
    std::stable_sort(messages_.begin(), messages_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

void MessageGroups::readGroupMembers(BackupDatabase& db, const ContactNumberIndex& contacts) {
    std::map<int64_t, std::vector<std::string>> members;
    db.query("select group_id, address from group_member order by ROWID", [&](const BackupDatabase::Row& row) {
        if (const char* address = row.text(1); address && *address)
            members[row.integer(0)].push_back(GetStringFormChar(address));
    });
    for (auto& [id, addresses] : members) {
        if (addresses.size() == 1) {
            soleMembers_.emplace(id, std::move(addresses.front()));
            continue;
        }
        const uint32_t group = addGroup(std::move(addresses), false, contacts);
        if (group != kNone) byGroupId_.emplace(id, group);
    }
}

const MessageGroups::Group* MessageGroups::ofMessage(int64_t messageRowId) const {
    const auto found = std::lower_bound(messages_.begin(), messages_.end(), messageRowId,
                                        [](const auto& entry, int64_t rowid) { return entry.first < rowid; });
    return found != messages_.end() && found->first == messageRowId ? &groups_[found->second] : nullptr;
}

const MessageGroups::Group* MessageGroups::ofRoom(std::string_view room) const {
    const auto found = rooms_.find(std::string(room));
    return found == rooms_.end() ? nullptr : &groups_[found->second];
}

const MessageGroups::Group* MessageGroups::ofGroupId(int64_t groupId) const {
    const auto found = byGroupId_.find(groupId);
    return found == byGroupId_.end() ? nullptr : &groups_[found->second];
}

const std::string* MessageGroups::soleMember(int64_t groupId) const {
    const auto found = soleMembers_.find(groupId);
    return found == soleMembers_.end() ? nullptr : &found->second;
}
