// Which conversation a message belongs to. Every page that groups messages (the transfer page,
// one-click copy, the backup result screen and its deleted messages) files them by this one
// rule, so that one backup shows the same conversations everywhere: a message joins the first
// conversation whose address is its own by the contact rule (model/ContactNumberRule.h: the
// same number however it is written, the same e-mail address in any case); a new one, named
// after the message, when none does. An empty address is no one's: a message without a handle
// joins only others without one, never a sender's conversation.
#pragma once

#include "model/PRMessageNode.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Whether a message of phone belongs to a conversation of address.
bool conversationAddressesMatch(const std::string& phone, const std::string& address);

// The same over addresses made into keys first, for callers that compare one address with
// many: conversationAddressesMatch(p, a) == conversationKeysMatch(conversationKey(p), conversationKey(a)).
std::string conversationKey(const std::string& address);
bool conversationKeysMatch(const std::string& a, const std::string& b);

// The address a message is filed by: its group's (the members' addresses) for a message of a
// group conversation, else its own.
const std::string& conversationAddress(const PRMessageNode& message);

// A new conversation for message: named after its sender (its address when the sender has no
// name), at its address, still without messages; for a message of a group, named after the
// group's members, at the group's address.
PRMessageTreeNodePtr conversationStartedBy(const PRMessageNode& message);

// Files message into the first of conversations it belongs to, or into a new one added at the end.
void fileIntoConversation(std::vector<PRMessageTreeNodePtr>& conversations, const PRMessageNodePtr& message);

// The first of a growing list of conversations that a message belongs to by the rule above,
// found without a walk of the list: a list of thousands of conversations takes in millions of
// messages. Addresses that are one by the rule share their matching tail (ContactNumberRule.h),
// so a message's address is compared only with the conversations of its own tail.
class ConversationFinder {
public:
    // Adds the conversation at address; its place is the number of conversations added before.
    void add(const std::string& address);
    // The place of the first conversation added that a message of phone belongs to; npos when none.
    static constexpr size_t npos = SIZE_MAX;
    size_t find(const std::string& phone) const;
    size_t size() const { return count_; }

private:
    struct Entry {
        std::string key;  // conversationKey of the address
        size_t place;     // of the first conversation of that key
    };
    // Looked up by a view of a key's tail, with no text made for it.
    struct TailHash {
        using is_transparent = void;
        size_t operator()(std::string_view tail) const { return std::hash<std::string_view>{}(tail); }
    };
    std::unordered_map<std::string, std::vector<Entry>, TailHash, std::equal_to<>> byTail_;  // each in the order added
    size_t count_ = 0;
};
