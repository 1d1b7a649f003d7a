// The rows of a backup's address book that the contact reader makes contacts of, held compactly
// while it reads: the multi-values (phone numbers, e-mail and postal addresses, web pages,
// messaging handles, social profiles) of every person, their labels, and the parts of those kept
// in ABMultiValueEntry. A large address book holds a million multi-values: each is kept in 24
// bytes in blocks that never move (a text of more than 15 bytes beside it), never in a vector
// that doubles as it grows, and only the rows a contact shows are kept at all.
#pragma once

#include "backup/BackupDatabase.h"
#include "backup/carve/CarvedStore.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace contactrows {

// The address book's property numbers of the multi-values read.
enum Property : long long {
    kPhone = 3,
    kEmail = 4,
    kPostalAddress = 5,
    kMessenger = 13,  // instant messaging: service and user name in ABMultiValueEntry
    kHomepage = 22,
    kSocialProfile = 46,  // service, user name and address in ABMultiValueEntry
};

// The address book's labels by a number of their own: "_$!<Mobile>!$_" is kept as "Mobile", a
// label the user typed as it stands. Number 0 is the empty label.
class Labels {
public:
    explicit Labels(BackupDatabase& book);
    // The number of the label in the row of ABMultiValueLabel given; 0 for none or a row not there.
    uint32_t numberOf(std::optional<int64_t> row) const;
    const std::string& operator[](uint32_t number) const { return names_[number]; }

private:
    std::vector<std::string> names_{std::string()};
    std::unordered_map<int64_t, uint32_t> numbers_;  // by row of ABMultiValueLabel
};

// One multi-value row of a property a contact shows, as read.
class Value {
public:
    // A row of person's property, or nothing for a property no contact shows.
    static std::optional<Value> of(int32_t person, long long property, uint32_t label);

    int32_t person() const { return person_; }
    long long property() const { return kProperties[tag_ >> kFormBits]; }
    uint32_t label() const { return label_; }  // a number of Labels
    // The text, trimmed; nothing where the row has none (its parts are in ABMultiValueEntry).
    // Valid while the values read live.
    std::optional<std::string_view> text() const;
    // The multi-value whose parts ABMultiValueEntry keeps, where the row has no text.
    int64_t uid() const;

    // Keeps text (trimmed already) in place when it fits, else in store.
    void keepText(std::string_view text, carve::CarvedStore& store);
    void keepUid(int64_t uid);

private:
    Value(int32_t person, uint8_t property, uint32_t label)
        : person_(person), label_(label), tag_(static_cast<uint8_t>(property << kFormBits)) {}

    static constexpr long long kProperties[] = {kPhone, kEmail, kPostalAddress, kMessenger, kHomepage, kSocialProfile};
    static constexpr int kFormBits = 5;
    static constexpr uint8_t kInPlace = 15;            // the longest text kept in place
    static constexpr uint8_t kInStore = kInPlace + 1;  // the payload holds the text's address and length
    static constexpr uint8_t kNoText = kInPlace + 2;   // the payload holds the uid

    int32_t person_;
    uint32_t label_;
    char payload_[kInPlace] = {};  // the text in place, or where it is, or the uid
    uint8_t tag_;  // the property's place in kProperties (high bits), how payload_ holds the row (low bits)
};

// The values of every person, read in parts side by side, each person's in table order. Read
// once, then asked from any number of threads at once.
class PersonValues {
public:
    PersonValues(BackupDatabase& book, const Labels& labels);
    // The values of person, in table order.
    void of(int person, std::vector<const Value*>& into) const;

private:
    // Rows that follow each other in the table and in one block of the store, their people in order.
    struct Run {
        const Value* first;
        uint32_t count;
        int32_t firstPerson, lastPerson;
    };
    struct Part;

    // Each run's people after the last run's or the same (a person's rows may end one run and
    // start the next), each person's rows in table order.
    std::vector<Run> runs_;
    carve::CarvedStore rows_;   // the values
    carve::CarvedStore texts_;  // their texts too long to keep in place
};

// The parts of the multi-values kept in ABMultiValueEntry (a postal address, a messaging handle,
// a social profile) that a contact shows, each under its key name, trimmed; empty parts are left
// out. Read once, then asked from any thread.
class EntryParts {
public:
    enum class Key : uint8_t { kStreet, kCity, kState, kZip, kCountry, kService, kUsername, kUrl };
    struct Entry {
        int64_t parent;
        const char* text;
        uint32_t length;
        Key key;
        std::string_view value() const { return {text, length}; }
    };

    explicit EntryParts(BackupDatabase& book);
    // The parts of the multi-value uid, in the order of their keys.
    std::span<const Entry> of(int64_t uid) const;

private:
    std::vector<Entry> entries_;  // by parent, as the query orders them
    carve::CarvedStore texts_;
};

}  // namespace contactrows
