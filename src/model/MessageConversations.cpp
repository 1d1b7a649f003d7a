#include "model/MessageConversations.h"

#include "model/PRRecordFields.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <string_view>

bool conversationAddressesMatch(const std::string& phone, const std::string& address) {
    return conversationKeysMatch(conversationKey(phone), conversationKey(address));
}

std::string conversationKey(const std::string& address) {
    std::string key = address;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

bool conversationKeysMatch(const std::string& p, const std::string& a) {
    if (p.empty() || a.empty()) return p == a;
    // Only the longer text can hold the other.
    return a.size() > p.size() ? a.find(p) != std::string::npos : p.find(a) != std::string::npos;
}

PRMessageTreeNodePtr conversationStartedBy(const PRMessageNode& message) {
    auto conversation = std::make_shared<PRMessageTreeNode>();
    // Named after its sender; a sender of no known name by the address, so that no conversation
    // is nameless in a list, a file name or a picture's name.
    const std::string_view name = trimmedText(message.messageName());
    conversation->setMessageTreeNodeName(name.empty() ? message.messagePhone() : std::string(name));
    conversation->setMessageTreeNodeAdress(message.messagePhone());
    return conversation;
}

void fileIntoConversation(std::vector<PRMessageTreeNodePtr>& conversations, const PRMessageNodePtr& message) {
    for (const PRMessageTreeNodePtr& conversation : conversations) {
        if (conversationAddressesMatch(message->messagePhone(), conversation->messageTreeNodeAdress())) {
            conversation->MessageNodeArray().push_back(message);
            return;
        }
    }
    conversations.push_back(conversationStartedBy(*message));
    conversations.back()->MessageNodeArray().push_back(message);
}

namespace {
uint64_t hashOf(std::string_view text) { return std::hash<std::string_view>()(text); }
}  // namespace

void ConversationFinder::add(const std::string& address) {
    const size_t place = keys_.size();
    keys_.push_back(conversationKey(address));
    const std::string& key = keys_.back();
    byKey_.try_emplace(hashOf(key), place);
    if (key.size() > kIndexedLength) {
        long_.push_back(place);
        return;
    }
    for (size_t from = 0; from < key.size(); ++from)
        for (size_t length = 1; from + length <= key.size(); ++length)
            byPiece_.try_emplace(hashOf(std::string_view(key).substr(from, length)), place);
}

size_t ConversationFinder::find(const std::string& phone) {
    std::string key = conversationKey(phone);
    if (const auto known = answers_.find(key); known != answers_.end()) return known->second;
    const size_t place = lookUp(key);
    // Nothing found yet may be found once more conversations come.
    if (place != npos) answers_.emplace(std::move(key), place);
    return place;
}

size_t ConversationFinder::lookUp(const std::string& key) const {
    size_t first = npos;
    // A hash found is checked on the key itself; a piece's first place may hide a later one whose
    // hash is the same, so a check that fails looks through every key.
    auto consider = [&](const std::unordered_map<uint64_t, size_t>& map, std::string_view piece) {
        const auto found = map.find(hashOf(piece));
        if (found == map.end() || found->second >= first) return true;
        if (!conversationKeysMatch(key, keys_[found->second])) return false;
        first = found->second;
        return true;
    };
    bool sure = true;
    if (key.empty()) {
        sure = consider(byKey_, key);  // an empty address is only its own
    } else if (key.size() > kIndexedLength) {
        sure = false;
    } else {
        // A conversation whose address holds the message's, or is a piece of it.
        sure = consider(byPiece_, key);
        for (size_t from = 0; from < key.size() && sure; ++from)
            for (size_t length = 1; from + length <= key.size() && sure; ++length)
                sure = consider(byKey_, std::string_view(key).substr(from, length));
        for (size_t place : long_)
            if (place < first && conversationKeysMatch(key, keys_[place])) first = place;
    }
    if (sure) return first;
    for (size_t place = 0; place < keys_.size(); ++place)
        if (conversationKeysMatch(key, keys_[place])) return place;
    return npos;
}
