#include "model/MessageConversations.h"

#include "model/ContactNumberRule.h"
#include "model/PRRecordFields.h"

bool conversationAddressesMatch(const std::string& phone, const std::string& address) {
    return conversationKeysMatch(conversationKey(phone), conversationKey(address));
}

std::string conversationKey(const std::string& address) { return addressKey(address); }

bool conversationKeysMatch(const std::string& p, const std::string& a) {
    if (p.empty() || a.empty()) return p == a;
    return keysMatch(p, a);
}

const std::string& conversationAddress(const PRMessageNode& message) {
    return message.groupAddress().empty() ? message.messagePhone() : message.groupAddress();
}

PRMessageTreeNodePtr conversationStartedBy(const PRMessageNode& message) {
    auto conversation = std::make_shared<PRMessageTreeNode>();
    // Named after its sender (or group); a sender of no known name by the address, so that no
    // conversation is nameless in a list, a file name or a picture's name.
    const bool group = !message.groupAddress().empty();
    const std::string_view name = trimmedText(group ? message.groupName() : message.messageName());
    const std::string& address = conversationAddress(message);
    conversation->setMessageTreeNodeName(name.empty() ? address : std::string(name));
    conversation->setMessageTreeNodeAdress(address);
    return conversation;
}

void fileIntoConversation(std::vector<PRMessageTreeNodePtr>& conversations, const PRMessageNodePtr& message) {
    for (const PRMessageTreeNodePtr& conversation : conversations) {
        if (conversationAddressesMatch(conversationAddress(*message), conversation->messageTreeNodeAdress())) {
            conversation->MessageNodeArray().push_back(message);
            return;
        }
    }
    conversations.push_back(conversationStartedBy(*message));
    conversations.back()->MessageNodeArray().push_back(message);
}

void ConversationFinder::add(const std::string& address) {
    const size_t place = count_++;
    std::string key = conversationKey(address);
    std::vector<Entry>& bucket = byTail_[std::string(matchingTail(key))];
    // A key met before keeps its first place: a later conversation of it is never the answer.
    for (const Entry& entry : bucket)
        if (entry.key == key) return;
    bucket.push_back({std::move(key), place});
}

size_t ConversationFinder::find(const std::string& phone) const {
    const std::string key = conversationKey(phone);
    const auto bucket = byTail_.find(matchingTail(key));
    if (bucket == byTail_.end()) return npos;
    // A bucket lists its keys in the order their conversations came: the first match is the answer.
    for (const Entry& entry : bucket->second)
        if (conversationKeysMatch(key, entry.key)) return entry.place;
    return npos;
}
