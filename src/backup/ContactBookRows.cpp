#include "backup/ContactBookRows.h"

#include "backup/TableInParts.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <deque>
#include <iterator>
#include <new>
#include <type_traits>
#include <utility>

namespace contactrows {

namespace {

// Every value of every person in one pass, in the table's order: asked person by person, a
// table without an index on record_id (as the device keeps it) is read through once per person.
const char* const kValuesColumns = "property,label,value, UID, record_id";
// A postal address keeps its parts (street, city, ZIP...) as rows of ABMultiValueEntry under the
// multi-value's UID, each named by a row of ABMultiValueEntryKey; its own value is NULL. All of
// them in one pass, each multi-value's together in the order of their keys.
const char* const kEntryPartsQuery =
    "select ABMultiValueEntry.parent_id, ABMultiValueEntryKey.value, ABMultiValueEntry.value from ABMultiValueEntry "
    "left join ABMultiValueEntryKey on ABMultiValueEntry.key = ABMultiValueEntryKey.ROWID "
    "order by ABMultiValueEntry.parent_id, ABMultiValueEntry.key";

// A column's text as a contact shows it: trimmed, empty where it is not valid UTF-8. Nothing for
// NULL and the empty text.
std::optional<std::string_view> shownText(const char* column) {
    if (!column || !*column) return std::nullopt;
    return trimmedText(GetStringViewFormChar(column));
}

}  // namespace

Labels::Labels(BackupDatabase& book) {
    book.query("select ROWID, value from ABMultiValueLabel", [&](const BackupDatabase::Row& row) {
        const char* column = row.text(1);
        std::string_view label = column && *column ? GetStringViewFormChar(column) : std::string_view();
        constexpr std::string_view kOpen = "_$!<", kClose = ">!$_";
        if (label.size() >= kOpen.size() + kClose.size() && label.starts_with(kOpen) && label.ends_with(kClose))
            label = label.substr(kOpen.size(), label.size() - kOpen.size() - kClose.size());
        if (numbers_.emplace(row.integer(0), static_cast<uint32_t>(names_.size())).second) names_.emplace_back(label);
    });
}

uint32_t Labels::numberOf(std::optional<int64_t> row) const {
    if (!row) return 0;
    const auto found = numbers_.find(*row);
    return found == numbers_.end() ? 0 : found->second;
}

std::optional<Value> Value::of(int32_t person, long long property, uint32_t label) {
    const auto* place = std::find(std::begin(kProperties), std::end(kProperties), property);
    if (place == std::end(kProperties)) return std::nullopt;
    return Value(person, static_cast<uint8_t>(place - std::begin(kProperties)), label);
}

std::optional<std::string_view> Value::text() const {
    const uint8_t form = tag_ & ((1 << kFormBits) - 1);
    if (form <= kInPlace) return std::string_view(payload_, form);
    if (form == kNoText) return std::nullopt;
    const char* at = nullptr;
    uint32_t length = 0;
    std::memcpy(&at, payload_, sizeof at);
    std::memcpy(&length, payload_ + sizeof at, sizeof length);
    return std::string_view(at, length);
}

int64_t Value::uid() const {
    int64_t uid = 0;
    if ((tag_ & ((1 << kFormBits) - 1)) == kNoText) std::memcpy(&uid, payload_, sizeof uid);
    return uid;
}

void Value::keepText(std::string_view text, carve::CarvedStore& store) {
    const uint8_t property = tag_ & ~((1 << kFormBits) - 1);
    if (text.size() <= kInPlace) {
        std::memcpy(payload_, text.data(), text.size());
        tag_ = static_cast<uint8_t>(property | text.size());
        return;
    }
    static_assert(sizeof payload_ >= sizeof(const char*) + sizeof(uint32_t), "a stored text's place fits");
    // SQLite's texts are shorter than 2 GB.
    const std::string_view kept = store.keep(text.substr(0, UINT32_MAX));
    const char* at = kept.data();
    const uint32_t length = static_cast<uint32_t>(kept.size());
    std::memcpy(payload_, &at, sizeof at);
    std::memcpy(payload_ + sizeof at, &length, sizeof length);
    tag_ = property | kInStore;
}

void Value::keepUid(int64_t uid) {
    std::memcpy(payload_, &uid, sizeof uid);
    tag_ = static_cast<uint8_t>((tag_ & ~((1 << kFormBits) - 1)) | kNoText);
}

static_assert(sizeof(Value) == 24, "a large address book keeps a million");
static_assert(std::is_trivially_destructible_v<Value>, "the store frees values without destroying them");

// What one part of the table is read into, on its own thread.
struct PersonValues::Part {
    carve::CarvedStore rows, texts;
    std::vector<Run> runs;  // in table order
    size_t runBlock = 0;    // the block of rows the last run lies in

    void add(const BackupDatabase::Row& row, const Labels& labels) {
        // A contact is asked for by a row id that fits an int: no contact has the values of
        // another number.
        const std::optional<int64_t> person = row.wholeNumber(4);
        if (!person || *person < INT_MIN || *person > INT_MAX) return;
        const int32_t who = static_cast<int32_t>(*person);
        std::optional<Value> value = Value::of(who, row.decimal(0).value_or(0), labels.numberOf(row.wholeNumber(1)));
        if (!value) return;
        const long long property = value->property();
        if (property == kMessenger || property == kSocialProfile) {
            value->keepUid(row.integer(3));
        } else if (const std::optional<std::string_view> text = shownText(row.text(2)); !text) {
            // An address without a text of its own has its parts in ABMultiValueEntry; any
            // other value without a text shows nothing.
            if (property != kPostalAddress) return;
            value->keepUid(row.integer(3));
        } else {
            if (text->empty() && property != kPostalAddress) return;
            value->keepText(*text, texts);
        }
        const Value* kept = new (rows.allocate(sizeof(Value))) Value(*value);
        // A table of values added in turn holds each person's together, people in order: a run
        // then ends only with its block.
        if (!runs.empty() && runBlock == rows.blocks() && runs.back().lastPerson <= who) {
            ++runs.back().count;
            runs.back().lastPerson = who;
            return;
        }
        runs.push_back({kept, 1, who, who});
        runBlock = rows.blocks();
    }
};

PersonValues::PersonValues(BackupDatabase& book, const Labels& labels) {
    std::deque<Part> parts;  // each part's reader keeps its part where it is while the next are added
    tableparts::readEach(book, "abmultivalue", kValuesColumns, [&](size_t k) {
        if (k == parts.size())
            parts.emplace_back();
        else
            parts[k] = Part();
        return [&labels, &part = parts[k]](const BackupDatabase::Row& row) { part.add(row, labels); };
    });
    size_t count = 0;
    for (const Part& part : parts) count += part.runs.size();
    runs_.reserve(count);
    for (Part& part : parts) {
        runs_.insert(runs_.end(), part.runs.begin(), part.runs.end());
        std::vector<Run>().swap(part.runs);
        rows_.take(std::move(part.rows));
        texts_.take(std::move(part.texts));
    }
    auto overlap = [](const Run& a, const Run& b) { return a.lastPerson > b.firstPerson; };
    if (std::adjacent_find(runs_.begin(), runs_.end(), overlap) == runs_.end()) return;
    // Values added later lie after other people's: the runs are cut where the person changes and
    // sorted by person, each person's still in table order.
    std::vector<Run> single;
    for (const Run& run : runs_) {
        for (uint32_t i = 0; i < run.count; ++i) {
            const int32_t who = run.first[i].person();
            if (i > 0 && single.back().firstPerson == who)
                ++single.back().count;
            else
                single.push_back({run.first + i, 1, who, who});
        }
    }
    std::stable_sort(single.begin(), single.end(),
                     [](const Run& a, const Run& b) { return a.firstPerson < b.firstPerson; });
    runs_ = std::move(single);
}

void PersonValues::of(int person, std::vector<const Value*>& into) const {
    into.clear();
    auto runBefore = [](const Run& run, int who) { return run.lastPerson < who; };
    auto valueBefore = [](const Value& value, int who) { return value.person() < who; };
    for (auto run = std::lower_bound(runs_.begin(), runs_.end(), person, runBefore);
         run != runs_.end() && run->firstPerson <= person; ++run) {
        const Value* const end = run->first + run->count;
        for (const Value* value = std::lower_bound(run->first, end, person, valueBefore);
             value != end && value->person() == person; ++value)
            into.push_back(value);
    }
}

EntryParts::EntryParts(BackupDatabase& book) {
    static constexpr std::pair<std::string_view, Key> kKeys[] = {
        {"street", Key::kStreet},   {"city", Key::kCity},       {"state", Key::kState},       {"zip", Key::kZip},
        {"country", Key::kCountry}, {"service", Key::kService}, {"username", Key::kUsername}, {"url", Key::kUrl}};
    book.query(kEntryPartsQuery, [&](const BackupDatabase::Row& row) {
        std::string name = row.text(1) ? row.text(1) : "";
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto* key =
            std::find_if(std::begin(kKeys), std::end(kKeys), [&](const auto& k) { return k.first == name; });
        if (key == std::end(kKeys)) return;  // a part no contact shows (the country code...)
        const std::optional<std::string_view> part = shownText(row.text(2));
        if (!part || part->empty()) return;
        const std::string_view text = texts_.keep(*part);
        entries_.push_back({row.integer(0), text.data(), static_cast<uint32_t>(text.size()), key->second});
    });
    // By the multi-value as it is asked for, each one's parts still in the order of their keys.
    auto byParent = [](const Entry& a, const Entry& b) { return a.parent < b.parent; };
    if (!std::is_sorted(entries_.begin(), entries_.end(), byParent))
        std::stable_sort(entries_.begin(), entries_.end(), byParent);
}

std::span<const EntryParts::Entry> EntryParts::of(int64_t uid) const {
    auto byParent = [](const Entry& e, int64_t id) { return e.parent < id; };
    const auto first = std::lower_bound(entries_.begin(), entries_.end(), uid, byParent);
    auto end = first;
    while (end != entries_.end() && end->parent == uid) ++end;
    return {first, end};
}

}  // namespace contactrows
