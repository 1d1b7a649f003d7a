// Which contact a phone number or handle is. Calls, messages, conversations and their titles,
// previews and every export ask this one rule, so that a number carries the same name wherever
// it shows.
//
// Two phone numbers are one when, with every separator dropped (any Unicode blank, dash, dot,
// slash, parenthesis, and the invisible direction marks address books put around numbers) and
// a leading international prefix ("+", "00") or trunk "0" dropped, the digits of one end the
// other's and at least seven digits agree: "+33 6 12 34 56 78", "0033612345678" and
// "06.12.34.56.78" are one number. Numbers of fewer than seven digits (service and short codes:
// "100", "611") are one only with the same number. A handle that is no number (an e-mail
// address, a sender's name) is one with the same text in any letter case, whole.
#pragma once

#include "model/PRContactNode.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// An address reduced to what the rule compares: a phone number's digits without prefix, any
// other handle trimmed and in lower case; empty for an address of nothing (no digit, no text).
std::string addressKey(std::string_view address);
// Whether a key made by addressKey is a phone number's (digits only).
bool isNumberKey(std::string_view key);
// Whether two keys are one address by the rule; an empty key is no address and matches none.
bool keysMatch(std::string_view a, std::string_view b);
// Whether two addresses are one by the rule.
bool sameAddress(std::string_view a, std::string_view b);
// The part of a key that every key matching it shares: a long number's last seven digits, any
// other key whole. Tables of addresses are kept by it, so that an address is compared only with
// the few that may be one with it.
std::string_view matchingTail(std::string_view key);

// The contacts of one read, indexed once by every number and e-mail address they hold. Where
// several contacts hold an address, a named one wins over one without a name, then the one
// whose number agrees in more digits, then the first in the list. Read-only once made: any
// number of threads may ask at once.
class ContactNumberIndex {
public:
    explicit ContactNumberIndex(const std::vector<PRContactNodePtr>& contacts);

    // The contact an address is, with its shown name (shownContactName) and that name as
    // records copy it (copiedText), made once: a million calls of two thousand people share
    // their names without a copy each. All live as long as the index. Null when no contact
    // holds the address.
    struct Found {
        const PRContactNode* contact = nullptr;
        const std::string* name = nullptr;
        const PRSharedText* recordName = nullptr;
        explicit operator bool() const { return contact != nullptr; }
    };
    Found find(std::string_view address) const;
    const PRContactNode* contactOf(std::string_view address) const { return find(address).contact; }
    // The shown name, or empty when no contact holds address.
    const std::string& nameOf(std::string_view address) const;
    // How many contacts the index was made from.
    size_t contactCount() const { return contacts_.size(); }

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);
    struct Number {
        std::string key;
        uint32_t contact;  // place in contacts_
    };
    // Whether the contact at place a is a better answer than the one at place b.
    bool better(uint32_t a, size_t agreeingA, uint32_t b, size_t agreeingB) const;
    // The place in contacts_ of the contact address is, or kNone.
    size_t placeOf(std::string_view address) const;

    std::vector<PRContactNodePtr> contacts_;
    std::vector<std::string> names_;         // shown names, by place
    std::vector<PRSharedText> recordNames_;  // the same as records copy them
    // Numbers of seven digits or more by their last seven digits: a number asked can only be one
    // of those that end as it does.
    std::unordered_map<uint32_t, std::vector<Number>> byLastSeven_;
    // Short numbers and other handles, each with the contact that answers for it.
    std::unordered_map<std::string, uint32_t> whole_;
};
