#include "model/ContactNumberRule.h"

#include "model/PRRecordFields.h"

#include <algorithm>

namespace {

constexpr size_t kLeastAgreeing = 7;

// What people and address books put between the digits of a number: blanks of every width,
// dashes, dots, slashes, brackets, and the invisible marks that keep a number left to right in
// a right-to-left text.
bool isSeparator(char32_t c) {
    switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case '-':
    case '.':
    case '/':
    case '(':
    case ')':
    case 0x00A0:  // no-break space
    case 0x00AD:  // soft hyphen
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:  // narrow no-break space
    case 0x205F:
    case 0x2212:  // minus sign
    case 0x3000:
    case 0xFE58:
    case 0xFE63:
    case 0xFEFF:
    case 0xFF08:
    case 0xFF09:
    case 0xFF0D:
    case 0xFF0E:
    case 0xFF0F: return true;
    default: break;
    }
    return (c >= 0x2000 && c <= 0x200F)      // blanks, zero-width ones, direction marks
           || (c >= 0x2010 && c <= 0x2015)   // hyphens and dashes
           || (c >= 0x202A && c <= 0x202E)   // direction embeddings
           || (c >= 0x2060 && c <= 0x2069);  // word joiner, direction isolates
}

// The digits of a phone number without separators and without its international prefix or
// trunk zero; false when the text holds anything else (then it is no number).
bool numberDigits(std::string_view address, std::string& digits) {
    bool plus = false;
    for (size_t i = 0; i < address.size();) {
        char32_t c;
        if (!decodeUtf8(address, i, c)) return false;
        if (c >= '0' && c <= '9')
            digits += static_cast<char>(c);
        else if (c == '+' && digits.empty() && !plus)
            plus = true;
        else if (!isSeparator(c))
            return false;
    }
    // A prefix is dropped only from a number long enough to agree in seven digits after it: a
    // short code keeps every digit it has.
    size_t prefix = 0;
    if (!plus && digits.starts_with("00"))
        prefix = 2;
    else if (!plus && digits.starts_with("0"))
        prefix = 1;
    if (prefix > 0 && digits.size() - prefix >= kLeastAgreeing) digits.erase(0, prefix);
    return true;
}

uint32_t lastSeven(std::string_view key) {
    uint32_t value = 0;
    for (const char c : matchingTail(key)) value = value * 10 + static_cast<uint32_t>(c - '0');
    return value;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

std::string addressKey(std::string_view address) {
    std::string digits;
    if (numberDigits(address, digits)) return digits;
    std::string key(trimmedText(address));
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

bool isNumberKey(std::string_view key) {
    return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool keysMatch(std::string_view a, std::string_view b) {
    if (a.empty() || b.empty()) return false;
    const bool numberA = isNumberKey(a), numberB = isNumberKey(b);
    if (numberA != numberB) return false;
    if (!numberA || a.size() < kLeastAgreeing || b.size() < kLeastAgreeing) return a == b;
    return a.size() < b.size() ? endsWith(b, a) : endsWith(a, b);
}

bool sameAddress(std::string_view a, std::string_view b) { return keysMatch(addressKey(a), addressKey(b)); }

std::string_view matchingTail(std::string_view key) {
    return isNumberKey(key) && key.size() >= kLeastAgreeing ? key.substr(key.size() - kLeastAgreeing) : key;
}

ContactNumberIndex::ContactNumberIndex(const std::vector<PRContactNodePtr>& contacts) {
    contacts_.reserve(contacts.size());
    for (const PRContactNodePtr& contact : contacts)
        if (contact) contacts_.push_back(contact);
    names_.reserve(contacts_.size());
    for (const PRContactNodePtr& contact : contacts_) names_.push_back(shownContactName(*contact));
    recordNames_.reserve(names_.size());
    for (const std::string& name : names_) recordNames_.emplace_back(copiedText(name));

    auto add = [this](std::string_view address, uint32_t place) {
        std::string key = addressKey(address);
        if (key.empty()) return;
        if (isNumberKey(key) && key.size() >= kLeastAgreeing) {
            byLastSeven_[lastSeven(key)].push_back({std::move(key), place});
            return;
        }
        const auto [at, added] = whole_.try_emplace(std::move(key), place);
        if (!added && better(place, 0, at->second, 0)) at->second = place;
    };
    for (uint32_t place = 0; place < contacts_.size(); ++place) {
        const PRContactNode& contact = *contacts_[place];
        // A record made without its list of values holds its numbers in the joined text alone.
        if (!contact.contactPhones().empty())
            for (const PRContactValue& phone : contact.contactPhones()) add(phone.value.view(), place);
        else if (!contact.contactPhone().empty())
            add(contact.contactPhone(), place);
        if (!contact.contactEmails().empty()) {
            for (const PRContactValue& email : contact.contactEmails()) add(email.value.view(), place);
        } else {
            // E-mail addresses hold no blank: the joined text splits back into them.
            const std::string emails = contact.contactEmail();
            std::string_view rest = emails;
            while (!(rest = trimmedText(rest)).empty()) {
                const size_t blank = std::min(rest.find(' '), rest.size());
                add(rest.substr(0, blank), place);
                rest.remove_prefix(blank);
            }
        }
    }
}

bool ContactNumberIndex::better(uint32_t a, size_t agreeingA, uint32_t b, size_t agreeingB) const {
    const bool namedA = !names_[a].empty(), namedB = !names_[b].empty();
    if (namedA != namedB) return namedA;
    if (agreeingA != agreeingB) return agreeingA > agreeingB;
    return a < b;
}

ContactNumberIndex::Found ContactNumberIndex::find(std::string_view address) const {
    const size_t place = placeOf(address);
    if (place == kNone) return {};
    return {contacts_[place].get(), &names_[place], &recordNames_[place]};
}

const std::string& ContactNumberIndex::nameOf(std::string_view address) const {
    static const std::string kNoName;
    const Found found = find(address);
    return found ? *found.name : kNoName;
}

size_t ContactNumberIndex::placeOf(std::string_view address) const {
    // Without contacts no address is one: spare making its key (every message and call asks).
    if (contacts_.empty()) return kNone;
    const std::string key = addressKey(address);
    if (key.empty()) return kNone;
    if (!isNumberKey(key) || key.size() < kLeastAgreeing) {
        const auto found = whole_.find(key);
        return found == whole_.end() ? kNone : found->second;
    }
    const auto bucket = byLastSeven_.find(lastSeven(key));
    if (bucket == byLastSeven_.end()) return kNone;
    size_t best = kNone, bestAgreeing = 0;
    for (const Number& number : bucket->second) {
        if (!keysMatch(key, number.key)) continue;
        const size_t agreeing = std::min(key.size(), number.key.size());
        if (best == kNone || better(number.contact, agreeing, static_cast<uint32_t>(best), bestAgreeing)) {
            best = number.contact;
            bestAgreeing = agreeing;
        }
    }
    return best;
}
