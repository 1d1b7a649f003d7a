// Which conversation a message belongs to. Every page that groups messages (the transfer page,
// one-click copy, the backup result screen and its deleted messages) files them by this one
// rule, so that one backup shows the same conversations everywhere: a message joins the first
// conversation whose address and its own contain one another, ignoring case; a new one, named
// after the message, when none does. An empty address is contained in no other: a message
// without a handle joins only others without one, never a sender's conversation.
#pragma once

#include "model/PRMessageNode.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Whether a message of phone belongs to a conversation of address.
bool conversationAddressesMatch(const std::string& phone, const std::string& address);

// The same over addresses made into keys first, for callers that compare one address with
// many: conversationAddressesMatch(p, a) == conversationKeysMatch(conversationKey(p), conversationKey(a)).
std::string conversationKey(const std::string& address);
bool conversationKeysMatch(const std::string& phoneKey, const std::string& addressKey);

// A new conversation for message: named after its sender (its address when the sender has no
// name), at its address, still without messages.
PRMessageTreeNodePtr conversationStartedBy(const PRMessageNode& message);

// Files message into the first of conversations it belongs to, or into a new one added at the end.
void fileIntoConversation(std::vector<PRMessageTreeNodePtr>& conversations, const PRMessageNodePtr& message);

// The first of a growing list of conversations that a message belongs to by the rule above,
// found without a walk of the list: a list of thousands of conversations takes in millions of
// messages. Each address is folded once; a conversation is found by its own key, or by the key
// of a piece of it (its address holds the message's) or of a piece of the message's address.
// What an address finds never changes once it found something (later conversations come after),
// so each address is worked out once.
class ConversationFinder {
public:
    // Adds the conversation at address; its place is the number of conversations added before.
    void add(const std::string& address);
    // The place of the first conversation added that a message of phone belongs to; npos when none.
    static constexpr size_t npos = SIZE_MAX;
    size_t find(const std::string& phone);
    size_t size() const { return keys_.size(); }

private:
    // Addresses up to this long are indexed by every piece of them; longer ones (no phone number
    // or address a phone keeps is) are looked through one by one.
    static constexpr size_t kIndexedLength = 48;
    // The first place entered for each hash, in one flat table (millions of pieces).
    class FirstPlaces {
    public:
        void enter(uint64_t hash, size_t place);
        size_t find(uint64_t hash) const;  // npos when none

    private:
        std::vector<uint64_t> hashes_;
        std::vector<size_t> places_;  // npos for a free slot
        size_t used_ = 0;
    };
    size_t lookUp(const std::string& key) const;
    std::vector<std::string> keys_;                    // by place
    FirstPlaces byKey_;                                // a whole key's hash: its first place
    FirstPlaces byPiece_;                              // a piece's hash: the first place holding it
    std::vector<size_t> long_;                         // places of keys longer than kIndexedLength
    std::unordered_map<std::string, size_t> answers_;  // by folded phone, once found
};
