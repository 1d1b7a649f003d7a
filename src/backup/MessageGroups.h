// The group conversations of a messages database, as the phone keeps them. On iOS 6 and later a
// message belongs to its chat (chat_message_join), whose members are the handles joined to it
// (chat_handle_join): a sent message of a group names no handle, so only its chat places it. On
// older phones a message belongs to its msg_group (message.group_id), whose members are its
// group_member rows. A chat or group of two members or more, or a chat the phone marks as a
// group, is a group conversation; any other is a conversation with one person, which the
// message's own address places.
#pragma once

#include "model/ContactNumberRule.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class BackupDatabase;

class MessageGroups {
public:
    // What every message of one group conversation carries.
    struct Group {
        std::string address;  // the members' addresses, ", " between them, ordered by their keys
        std::string name;     // each member's contact name by the contact rule (else its address)
    };

    // Reads the groups of db in the iOS 6 layout (chat tables) or the older one (group_member),
    // naming members by contacts. A database without those tables has none.
    void read(BackupDatabase& db, bool ios6, const ContactNumberIndex& contacts);

    // iOS 6 and later: the group conversation of the message with that row id, null when it
    // belongs to none.
    const Group* ofMessage(int64_t messageRowId) const;
    // iOS 6 and later: the group conversation of a chat's room name (message.cache_roomnames),
    // null for a name no group chat has.
    const Group* ofRoom(std::string_view room) const;
    // Older layouts: the group conversation of a group_id, null when that group has fewer than
    // two members.
    const Group* ofGroupId(int64_t groupId) const;
    // Older layouts: the address of the one member of a group_id's conversation, null when it
    // has none or several.
    const std::string* soleMember(int64_t groupId) const;

    bool empty() const { return groups_.empty(); }

private:
    // Makes the group of members (addresses), unless fewer than two and not marked as a group;
    // its place in groups_, or kNone.
    uint32_t addGroup(std::vector<std::string> members, bool marked, const ContactNumberIndex& contacts);
    void readChats(BackupDatabase& db, const ContactNumberIndex& contacts);
    void readGroupMembers(BackupDatabase& db, const ContactNumberIndex& contacts);

    static constexpr uint32_t kNone = UINT32_MAX;
    std::vector<Group> groups_;
    // iOS 6: (message row id, group) for the messages of group chats only, by row id.
    std::vector<std::pair<int64_t, uint32_t>> messages_;
    std::unordered_map<std::string, uint32_t> rooms_;
    // Older: each group_id's group, and the address of each group_id of one member.
    std::unordered_map<int64_t, uint32_t> byGroupId_;
    std::unordered_map<int64_t, std::string> soleMembers_;
};
