// The common base of the records that readers fill and pages show: plain property holders
// that can list their fields by name (for tools that print them, and for tests).
#pragma once

#include "model/PRDateText.h"
#include "model/PRSharedText.h"
#include "model/PRShortText.h"
#include "platform/NSObject.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// Image or file bytes: shared and immutable, so one contact picture can sit in thousands of
// message records without being copied. Null stands for "no data".
using PRBytes = std::shared_ptr<const std::vector<uint8_t>>;
// A text that may be absent (nil), where absence differs from the empty text.
using PROptionalText = std::optional<std::string>;

inline PRBytes makeBytes(std::vector<uint8_t> bytes) {
    return std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
}

// The fields of a record that most records leave empty, kept together out of line: a record
// holds only those it sets, each with its number among these fields, and an empty field reads
// as one shared empty value, so that its getter hands out a reference (or, for a text kept
// short, a copy) as an inline field's does. Value is a std::variant of the fields' types. A
// contact of twenty texts and lists, of which it sets a name and a number or two, would
// otherwise carry the empty shells of all the others (16 to 32 bytes each) in every one of a
// million contacts. What a getter hands out lasts until a rare field of the same record is next
// set: readers fill a record before they post it, and no one sets it after.
template <class Value>
class PRRareFields {
public:
    PRRareFields() = default;
    PRRareFields(const PRRareFields& other)
        : slots_(other.count_ ? new Slot[other.count_] : nullptr), count_(other.count_) {
        std::copy(other.begin(), other.end(), slots_.get());
    }
    PRRareFields(PRRareFields&& other) noexcept
        : slots_(std::move(other.slots_)), count_(std::exchange(other.count_, uint8_t{0})) {}
    PRRareFields& operator=(PRRareFields other) noexcept {
        std::swap(slots_, other.slots_);
        std::swap(count_, other.count_);
        return *this;
    }

    template <class T>
    const T& get(uint8_t field) const {
        for (const Slot& slot : *this)
            if (slot.field == field) return std::get<T>(slot.value);
        static const T kEmpty{};
        return kEmpty;
    }
    // An empty value is not kept: the field then reads as empty again.
    template <class T>
    void set(uint8_t field, T&& value) {
        Slot* at = std::find_if(slots_.get(), slots_.get() + count_,
                                [field](const Slot& slot) { return slot.field == field; });
        const bool empty = isEmpty(value);
        if (at != end()) {
            if (empty)
                resize(count_ - 1, at);
            else
                at->value = std::forward<T>(value);
        } else if (!empty) {
            resize(count_ + 1, nullptr);
            slots_[count_ - 1] = {Value(std::forward<T>(value)), field};
        }
    }

private:
    template <class T>
    static bool isEmpty(const T& value) {
        if constexpr (requires { value.empty(); })
            return value.empty();
        else
            return !value;
    }
    // The field's number in the value's padding, where the value leaves some.
    struct Slot {
        [[no_unique_address]] Value value;
        uint8_t field;
    };
    const Slot* begin() const { return slots_.get(); }
    const Slot* end() const { return slots_.get() + count_; }
    // The slots in a block of just their number, but for dropped (when given).
    void resize(size_t count, const Slot* dropped) {
        std::unique_ptr<Slot[]> resized(count ? new Slot[count] : nullptr);
        size_t to = 0;
        for (size_t from = 0; from < count_ && to < count; ++from)
            if (&slots_[from] != dropped) resized[to++] = std::move(slots_[from]);
        slots_ = std::move(resized);
        count_ = static_cast<uint8_t>(count);
    }
    // Exactly as many slots as fields set (a record sets a few, once): 16 bytes in the record
    // where a vector takes 24 and its block room to grow.
    std::unique_ptr<Slot[]> slots_;
    uint8_t count_ = 0;
};

// One field as a plain value: absent, flag, signed or unsigned number, or text. Bytes are
// listed as their length and arrays as their element count.
using PRFieldValue = std::variant<std::nullptr_t, bool, int64_t, uint64_t, std::string>;

struct PRField {
    const char* name;
    PRFieldValue value;
};

// The same value as it lies in its record, a text by reference: for callers that only look
// at every field of many records (a tool printing a million of them), without copies.
using PRFieldView = std::variant<std::nullptr_t, bool, int64_t, uint64_t, std::string_view>;

class PRFieldVisitor {
public:
    virtual void field(const char* name, const PRFieldView& value) = 0;

protected:
    ~PRFieldVisitor() = default;
};

class PRRecord : public NSObject {
public:
    virtual const char* className() const = 0;
    // Every field in declared order, under its property name.
    virtual std::vector<PRField> fields() const = 0;
    // The same fields in the same order, handed to visitor one by one; valid during the call.
    virtual void visitFields(PRFieldVisitor& visitor) const = 0;
    // "<Class: name=value, ...>" for logs.
    std::string description() const override;
};

namespace pr_field {
inline PRFieldValue value(bool v) { return v; }
inline PRFieldValue value(int v) { return static_cast<int64_t>(v); }
inline PRFieldValue value(uint64_t v) { return v; }
inline PRFieldValue value(const std::string& v) { return v; }
inline PRFieldValue value(const PRSharedText& v) { return v.str(); }
inline PRFieldValue value(const PRDateText& v) { return v.str(); }
inline PRFieldValue value(const PRShortText& v) { return v.str(); }
inline PRFieldValue value(const PROptionalText& v) { return v ? PRFieldValue(*v) : PRFieldValue(nullptr); }
inline PRFieldValue value(const PRBytes& v) {
    return v ? PRFieldValue(static_cast<uint64_t>(v->size())) : PRFieldValue(nullptr);
}
template <class T>
PRFieldValue value(const std::vector<T>& v) {
    return static_cast<uint64_t>(v.size());
}

inline PRFieldView view(bool v) { return v; }
inline PRFieldView view(int v) { return static_cast<int64_t>(v); }
inline PRFieldView view(uint64_t v) { return v; }
inline PRFieldView view(const std::string& v) { return std::string_view(v); }
inline PRFieldView view(const PRSharedText& v) { return std::string_view(v.str()); }
inline PRFieldView view(const PRShortText& v) { return v.view(); }
// A date is written into a buffer made for the call that asks: it lasts until the end of the
// statement that holds the call, as a view handed to a visitor must.
inline PRFieldView view(const PRDateText& v, PRDateText::Buffer&& buffer = {}) { return v.view(buffer); }
inline PRFieldView view(const PROptionalText& v) {
    return v ? PRFieldView(std::string_view(*v)) : PRFieldView(nullptr);
}
inline PRFieldView view(const PRBytes& v) {
    return v ? PRFieldView(static_cast<uint64_t>(v->size())) : PRFieldView(nullptr);
}
template <class T>
PRFieldView view(const std::vector<T>& v) {
    return static_cast<uint64_t>(v.size());
}

// What a getter hands out: the field itself, but a shared text as the text, and a date or a
// short text as a text of its own.
template <class T>
const T& get(const T& v) {
    return v;
}
inline const std::string& get(const PRSharedText& v) { return v.str(); }
inline std::string get(const PRDateText& v) { return v.str(); }
inline std::string get(const PRShortText& v) { return v.str(); }
}  // namespace pr_field

// A record class lists its fields once, as X(Type, getter, setter, start value), and
// PR_RECORD turns that list into the members, a getter and setter per field, fields() and
// visitFields().
#define PR_FIELD_MEMBER(Type, name, setter, start) Type name##_ = start;
// A setter given a value to copy assigns it into the field's own storage, so a record that
// is refilled for the next value allocates nothing when the value fits.
#define PR_FIELD_ACCESSORS(Type, name, setter, start)                \
    decltype(auto) name() const { return ::pr_field::get(name##_); } \
    void setter(const Type& value) { name##_ = value; }              \
    void setter(Type&& value) { name##_ = std::move(value); }
#define PR_FIELD_ENTRY(Type, name, setter, start) PRField{#name, ::pr_field::value(name##_)},
#define PR_FIELD_VISIT(Type, name, setter, start) visitor.field(#name, ::pr_field::view(name##_));

// A record whose list also names rarely set fields, as R(Type, getter, setter, start), and texts
// joined from its other fields, as J(getter, setter, join), among the X(...) in declared order,
// lists them as FIELDS(X, R, J) and is made by PR_RECORD_WITH_RARE, given a std::variant of the
// rare fields' types (a PRShortText among them, which keeps what a joined text is given): the rare
// fields are kept in a PRRareFields, with the same getters and setters as the others.
#define PR_NO_FIELD(Type, name, setter, start)
#define PR_RARE_FIELD_NUMBER(Type, name, setter, start) kRare_##name,
#define PR_RARE_FIELD_ACCESSORS(Type, name, setter, start)                                          \
    decltype(auto) name() const { return ::pr_field::get(rare_.template get<Type>(kRare_##name)); } \
    void setter(const Type& value) { rare_.set(kRare_##name, value); }                              \
    void setter(Type&& value) { rare_.set(kRare_##name, std::move(value)); }
#define PR_RARE_FIELD_ENTRY(Type, name, setter, start) \
    PRField{#name, ::pr_field::value(rare_.template get<Type>(kRare_##name))},
#define PR_RARE_FIELD_VISIT(Type, name, setter, start) \
    visitor.field(#name, ::pr_field::view(rare_.template get<Type>(kRare_##name)));

// A joined text (a contact's shown name from its name's parts, its shown numbers from its numbers)
// is not kept twice: its getter joins it, as a text of its own, by the record's member function
// join(). A text set that is not the join of what the record then holds, as a record made
// elsewhere may give, is kept among the rare fields and handed out as it was given; a text that
// is the join, as a record starts, follows the fields it is joined from.
#define PR_NO_JOINED(name, setter, join)
#define PR_JOINED_FIELD_NUMBER(name, setter, join) kRare_##name,
#define PR_JOINED_FIELD_BIT(name, setter, join) kGiven_##name,
#define PR_JOINED_FIELD_ACCESSORS(name, setter, join)                                                        \
    std::string name() const {                                                                               \
        return (given_ >> kGiven_##name) & 1 ? rare_.template get<PRShortText>(kRare_##name).str() : join(); \
    }                                                                                                        \
    void setter(std::string text) {                                                                          \
        const bool given = text != join();                                                                   \
        given_ = static_cast<uint8_t>((given_ & ~(1u << kGiven_##name)) | (given << kGiven_##name));         \
        rare_.set(kRare_##name, given ? PRShortText(text) : PRShortText());                                  \
    }
#define PR_JOINED_FIELD_ENTRY(name, setter, join) PRField{#name, name()},
// The joined text lasts until the end of the statement, as a view handed to a visitor must.
#define PR_JOINED_FIELD_VISIT(name, setter, join) visitor.field(#name, std::string_view(name()));

#define PR_RECORD_WITH_RARE(Class, FIELDS, RareValue)                                                 \
public:                                                                                               \
    const char* className() const override { return #Class; }                                         \
    std::vector<PRField> fields() const override {                                                    \
        return {FIELDS(PR_FIELD_ENTRY, PR_RARE_FIELD_ENTRY, PR_JOINED_FIELD_ENTRY)};                  \
    }                                                                                                 \
    void visitFields(PRFieldVisitor& visitor) const override {                                        \
        FIELDS(PR_FIELD_VISIT, PR_RARE_FIELD_VISIT, PR_JOINED_FIELD_VISIT);                           \
    }                                                                                                 \
    FIELDS(PR_FIELD_ACCESSORS, PR_RARE_FIELD_ACCESSORS, PR_JOINED_FIELD_ACCESSORS)                    \
                                                                                                      \
private:                                                                                              \
    enum RareField : uint8_t { FIELDS(PR_NO_FIELD, PR_RARE_FIELD_NUMBER, PR_JOINED_FIELD_NUMBER) };   \
    enum GivenField : uint8_t { FIELDS(PR_NO_FIELD, PR_NO_FIELD, PR_JOINED_FIELD_BIT) kGivenFields }; \
    static_assert(kGivenFields <= 8, "one bit each in given_");                                       \
    FIELDS(PR_FIELD_MEMBER, PR_NO_FIELD, PR_NO_JOINED)                                                \
    uint8_t given_ = 0; /* the joined texts kept as given rather than joined, a bit each */           \
    PRRareFields<RareValue> rare_;                                                                    \
                                                                                                      \
public:

#define PR_RECORD(Class, FIELDS)                                                         \
public:                                                                                  \
    const char* className() const override { return #Class; }                            \
    std::vector<PRField> fields() const override { return {FIELDS(PR_FIELD_ENTRY)}; }    \
    void visitFields(PRFieldVisitor& visitor) const override { FIELDS(PR_FIELD_VISIT); } \
    FIELDS(PR_FIELD_ACCESSORS)                                                           \
                                                                                         \
private:                                                                                 \
    FIELDS(PR_FIELD_MEMBER)                                                              \
                                                                                         \
public:
