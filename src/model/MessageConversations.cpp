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
// The hashes of every piece of key, [from, from + length) in turn, worked out as each piece grows
// by a character rather than each anew.
template <class Visit>
void forEachPiece(std::string_view key, Visit visit) {
    for (size_t from = 0; from < key.size(); ++from) {
        uint64_t hash = 0xcbf29ce484222325ULL;
        for (size_t end = from; end < key.size(); ++end) {
            hash = (hash ^ static_cast<unsigned char>(key[end])) * 0x100000001b3ULL;
            if (!visit(hash ^ (end - from + 1) * 0x9E3779B97F4A7C15ULL)) return;
        }
    }
}

// The hash forEachPiece gives the whole of key.
uint64_t hashOf(std::string_view key) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    return hash ^ key.size() * 0x9E3779B97F4A7C15ULL;
}
}  // namespace

void ConversationFinder::FirstPlaces::enter(uint64_t hash, size_t place) {
    if (2 * (used_ + 1) > hashes_.size()) {
        std::vector<uint64_t> hashes;
        std::vector<size_t> places;
        hashes.swap(hashes_);
        places.swap(places_);
        hashes_.assign(std::max<size_t>(64, 2 * hashes.size()), 0);
        places_.assign(hashes_.size(), npos);
        used_ = 0;
        for (size_t k = 0; k < hashes.size(); ++k)
            if (places[k] != npos) enter(hashes[k], places[k]);
    }
    const size_t mask = hashes_.size() - 1;
    for (size_t i = static_cast<size_t>(hash * 0x9E3779B97F4A7C15ULL >> 20) & mask;; i = (i + 1) & mask) {
        if (places_[i] == npos) {
            hashes_[i] = hash;
            places_[i] = place;
            ++used_;
            return;
        }
        if (hashes_[i] == hash) return;  // the first place stays
    }
}

size_t ConversationFinder::FirstPlaces::find(uint64_t hash) const {
    if (hashes_.empty()) return npos;
    const size_t mask = hashes_.size() - 1;
    for (size_t i = static_cast<size_t>(hash * 0x9E3779B97F4A7C15ULL >> 20) & mask;; i = (i + 1) & mask) {
        if (places_[i] == npos) return npos;
        if (hashes_[i] == hash) return places_[i];
    }
}

void ConversationFinder::add(const std::string& address) {
    const size_t place = keys_.size();
    keys_.push_back(conversationKey(address));
    const std::string& key = keys_.back();
    byKey_.enter(hashOf(key), place);
    if (key.size() > kIndexedLength) {
        long_.push_back(place);
        return;
    }
    forEachPiece(key, [&](uint64_t hash) {
        byPiece_.enter(hash, place);
        return true;
    });
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
    auto consider = [&](const FirstPlaces& places, uint64_t hash) {
        const size_t found = places.find(hash);
        if (found == npos || found >= first) return true;
        if (!conversationKeysMatch(key, keys_[found])) return false;
        first = found;
        return true;
    };
    bool sure = true;
    if (key.empty()) {
        sure = consider(byKey_, hashOf(key));  // an empty address is only its own
    } else if (key.size() > kIndexedLength) {
        sure = false;
    } else {
        // A conversation whose address holds the message's, or is a piece of it.
        sure = consider(byPiece_, hashOf(key));
        if (sure) forEachPiece(key, [&](uint64_t hash) { return sure = consider(byKey_, hash); });
        for (size_t place : long_)
            if (place < first && conversationKeysMatch(key, keys_[place])) first = place;
    }
    if (sure) return first;
    for (size_t place = 0; place < keys_.size(); ++place)
        if (conversationKeysMatch(key, keys_[place])) return place;
    return npos;
}
