// Which conversation a message belongs to. Every page that groups messages (the transfer page,
// one-click copy, the backup result screen and its deleted messages) files them by this one
// rule, so that one backup shows the same conversations everywhere: a message joins the first
// conversation whose address is its own by the contact rule (model/ContactNumberRule.h: the
// same number however it is written, the same e-mail address in any case); a new one, named
// after the message, when none does. An empty address is no one's: a message without a handle
// joins only others without one, never a sender's conversation.
#pragma once

#include "model/PRMessageNode.h"

#include <string>
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
