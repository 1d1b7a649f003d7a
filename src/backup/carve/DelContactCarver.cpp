#include "backup/carve/DelContactCarver.h"

#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/CarvedRowid.h"
#include "backup/carve/CreationOrder.h"
#include "backup/carve/FileShapes.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/KeyPairTable.h"
#include "model/PRRecordFields.h"
#include "platform/HeapGrowth.h"
#include "platform/WordHash.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace carve {

namespace {

// The persons of the address book (ABPerson; each keeps when it was made, the live ones too) and
// their values (ABMultiValue: phones, e-mails, addresses, home pages...). The rows store only the
// columns read here: a large address book's deleted rows are counted in hundreds of thousands.
enum PersonColumn : size_t {
    kFirst,
    kLast,
    kMiddle,
    kOrganization,
    kDepartment,
    kNote,
    kJobTitle,
    kCreated,
    kModified
};
const KnownTable kPersonTable{"ABPerson",
                              {
                                  {"First", ColumnKind::text, kRead | kNeeded | kEditKept},
                                  {"Last", ColumnKind::text, kRead | kNeeded | kEditKept},
                                  {"Middle", ColumnKind::text, kRead},
                                  {"Organization", ColumnKind::text, kRead | kNeeded},
                                  {"Department", ColumnKind::text, kRead},
                                  {"Note", ColumnKind::text, kRead},
                                  {"JobTitle", ColumnKind::text, kRead},
                                  {"CreationDate", ColumnKind::real, kReadIfThere},
                                  {"ModificationDate", ColumnKind::real, kReadIfThere},
                                  {"FirstPhonetic", ColumnKind::text},
                                  {"MiddlePhonetic", ColumnKind::text},
                                  {"LastPhonetic", ColumnKind::text},
                                  {"Kind", ColumnKind::integer},
                                  {"Birthday", ColumnKind::text},
                                  {"Nickname", ColumnKind::text},
                                  {"Prefix", ColumnKind::text},
                                  {"Suffix", ColumnKind::text},
                                  {"FirstSort", ColumnKind::text},
                                  {"LastSort", ColumnKind::text},
                                  {"CompositeNameFallback", ColumnKind::text},
                                  {"ExternalIdentifier", ColumnKind::text},
                                  {"ExternalModificationTag", ColumnKind::text},
                                  {"ExternalUUID", ColumnKind::text, kUnique},
                                  {"StoreID", ColumnKind::integer},
                                  {"DisplayName", ColumnKind::text},
                                  {"ExternalRepresentation", ColumnKind::blob},
                                  {"FirstSortSection", ColumnKind::text},
                                  {"LastSortSection", ColumnKind::text},
                                  {"FirstSortLanguageIndex", ColumnKind::integer},
                                  {"LastSortLanguageIndex", ColumnKind::integer},
                                  {"PersonLink", ColumnKind::integer},
                                  {"ImageURI", ColumnKind::text},
                                  {"IsPreferredName", ColumnKind::integer},
                              },
                              LiveRows::digest};
enum ValueColumn : size_t { kPerson, kProperty, kIdentifier, kText };
const KnownTable kValueTable{"ABMultiValue",
                             {
                                 {"record_id", ColumnKind::integer, kRead | kNotNull | kNeeded},
                                 {"property", ColumnKind::integer, kRead | kNotNull | kNeeded},
                                 {"identifier", ColumnKind::integer, kRead},
                                 {"value", ColumnKind::text, kRead | kNeeded},
                                 {"label", ColumnKind::integer},
                             }};

// The ids no person is known to hold: neither a live person nor a deleted one whose id is known.
// A person that lost its id may have any of them that its bounds allow, the id of a person gone
// from the file included: the ids its values name are no count of the persons. Counted within a
// range and with what is left of a lost id's last bits, without a walk of the ids.
class FreeIds {
public:
    // held: the ids persons are known to hold, sorted, each once.
    FreeIds(mapped::Vector<int64_t> held, std::span<const CarvedRecord* const> persons) : held_(std::move(held)) {
        for (const CarvedRecord* p : persons)
            if (!p->rowidKnown && p->rowidTailBits > 0) byTail_.try_emplace(key(*p));
        // Every held id asks for the tails of 7 and of 14 bits: those lists are found by place.
        std::vector<mapped::Vector<int64_t>*> of7(size_t{1} << 7), of14(size_t{1} << 14);
        for (auto& [at, ids] : byTail_) {
            std::vector<mapped::Vector<int64_t>*>& of = (at >> 16) == 7 ? of7 : of14;
            if (const uint32_t tail = at & 0xffff; ((at >> 16) == 7 || (at >> 16) == 14) && tail < of.size())
                of[tail] = &ids;
        }
        if (!byTail_.empty())
            for (int64_t id : held_) {
                if (mapped::Vector<int64_t>* ids = of7[static_cast<size_t>(id & 0x7f)]) ids->push_back(id);
                if (mapped::Vector<int64_t>* ids = of14[static_cast<size_t>(id & 0x3fff)]) ids->push_back(id);
            }
    }
    // The free ids in [low, high] that what is left of p's id allows (any, without p), in order,
    // when there are at most `most` of them; none when there are more.
    std::optional<std::vector<int64_t>> within(int64_t low, int64_t high, size_t most,
                                               const CarvedRecord* p = nullptr) const {
        int64_t step = 1, tail = 0;
        const mapped::Vector<int64_t>* held = &held_;
        if (p) {
            const auto [shortest, longest] = tailRange(*p);
            low = std::max(low, shortest);
            high = std::min(high, longest);
            step = int64_t{1} << p->rowidTailBits;
            tail = p->rowidTail;
            if (p->rowidTailBits > 0) held = &byTail_.at(key(*p));
        }
        low = std::max<int64_t>(low, 1);
        std::vector<int64_t> free;
        const int64_t first = low + ((tail - low) & (step - 1));
        if (low > high || first > high) return free;
        const size_t from = static_cast<size_t>(std::lower_bound(held->begin(), held->end(), first) - held->begin());
        const size_t to = static_cast<size_t>(std::upper_bound(held->begin(), held->end(), high) - held->begin());
        const int64_t count = (high - first) / step + 1 - static_cast<int64_t>(to - from);
        if (count > static_cast<int64_t>(most)) return std::nullopt;
        size_t h = from;
        for (int64_t id = first; static_cast<int64_t>(free.size()) < count; id += step) {
            if (h == to || (*held)[h] != id) {
                free.push_back(id);
                continue;
            }
            // A run of held ids, one step apart, is stepped over at once: the first of the held
            // ids after h that is not the id its place in the run gives ends it.
            size_t lo = h, hi = to;
            while (lo + 1 < hi) {
                const size_t mid = lo + (hi - lo) / 2;
                ((*held)[mid] == id + static_cast<int64_t>(mid - h) * step ? lo : hi) = mid;
            }
            id += static_cast<int64_t>(lo - h) * step;
            h = lo + 1;
        }
        return free;
    }

private:
    static uint32_t key(uint32_t bits, uint32_t tail) { return bits << 16 | tail; }
    static uint32_t key(const CarvedRecord& p) { return key(p.rowidTailBits, p.rowidTail); }
    mapped::Vector<int64_t> held_;
    std::unordered_map<uint32_t, mapped::Vector<int64_t>> byTail_;  // the held ids that end in each kept tail
};

// Whether a value's text holds a control byte, which no number, address or home page does: the
// bytes a later state of the page wrote over its end (the cell pointers of a page that grew, a
// freeblock's head) rather than its own.
bool holdsControlBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// The kind of value (ABMultiValue's property) of an e-mail address.
constexpr int64_t kEmailProperty = 4;

// Whether an e-mail address's text ends as an address does: in a letter or digit of its domain
// (or a byte of a letter beyond ASCII). A cell written over the end of a freed value, one byte
// before the live cell that later took the same end, leaves its payload's length as the value's
// last byte: for a value's row a small number, most often a byte of punctuation, which no
// address ends in.
bool endsAsAddress(std::string_view text) {
    const auto last = static_cast<unsigned char>(text.back());
    return last >= 0x80 || (last >= '0' && last <= '9') || (last >= 'a' && last <= 'z') || (last >= 'A' && last <= 'Z');
}

// When a person was made, where its row kept that.
std::optional<int64_t> madeAt(const CarvedValue& made) {
    if (made.type != CarvedValue::integerValue && made.type != CarvedValue::realValue) return std::nullopt;
    return made.asInteger();
}

// What EditKeys reads of a person, read from its row once: the texts of its names and of what
// it works as, by column, and when it was made. Every text a carved row keeps was read whole
// UTF-8 without a NUL (see checkValues()), which is all textView() would look for again: its
// bytes are taken as they are, for every live person of a large address book.
struct PersonTexts {
    PersonTexts(const RowShape& shape, const CarvedRecord& person) : made(madeAt(shape.value(person, kCreated))) {
        for (size_t column = kFirst; column < kCreated; ++column)
            if (const CarvedValue& v = shape.value(person, column); v.type == CarvedValue::text)
                texts[column] = v.bytesView();
    }
    bool empty(PersonColumn column) const { return texts[column].empty(); }
    std::array<std::string_view, kCreated> texts;
    std::optional<int64_t> made;
};

// What a person's copy from before an edit of one of its names still shares with it: the other
// name (not empty), the rest of what it is called and works as, and when it was made, which no
// edit changes. One key per name an edit may have changed. A copy whose tail (its time made) a
// later cell took is known by its values alone, and only where it holds more than its names:
// two persons of one family share a last name and nothing else.
// The keys of one person differ only in the name left out and in the time: what they share is
// hashed once (EditKeys), and each key is that hash with the time, or with none.
class EditKeys {
public:
    explicit EditKeys(const PersonTexts& person) : made_(person.made) {
        constexpr PersonColumn kOthers[] = {kMiddle, kOrganization, kDepartment, kNote, kJobTitle};
        WordHash rest;
        for (const PersonColumn column : kOthers) {
            const std::string_view text = person.texts[column];
            others_ = others_ || !text.empty();
            rest.word(text.size());
            if (!text.empty()) rest.mix(text.data(), text.size());
        }
        for (const PersonColumn edited : {kFirst, kLast}) {
            const std::string_view other = person.texts[edited == kFirst ? kLast : kFirst];
            if (other.empty()) continue;
            WordHash h;
            h.word(edited);
            h.word(other.size());
            h.mix(other.data(), other.size());
            h.word(rest.h);
            kept_[edited] = h.h;
        }
    }
    // withTime: the keys with the time made (none without one), else those without it.
    template <class Visit>
    void visit(bool withTime, Visit&& visit) const {
        if (withTime ? !made_ : !others_) return;
        for (const std::optional<uint64_t>& kept : kept_) {
            if (!kept) continue;
            WordHash h{*kept};
            h.word(withTime ? static_cast<uint64_t>(*made_) : ~uint64_t{0});
            visit(h.h);
        }
    }

private:
    std::optional<int64_t> made_;
    bool others_ = false;                          // it holds more than names
    std::array<std::optional<uint64_t>, 2> kept_;  // by name left out (kFirst, kLast)
};

// All the carve needs of a live person, kept as its row is read in place of its values (a large
// address book's live persons' values are as large as its deleted rows' together): when it was
// made and last changed, and the keys its earlier copies would share with it (see EditKeys).
class LivePerson {
public:
    static constexpr size_t kMostKeys = 4;  // with and without the time made, for each of two names

    static void digest(const RowShape& shape, const CarvedRecord& p, LiveDigest& d) {
        const PersonTexts texts(shape, p);
        d.words[kMade] = static_cast<uint64_t>(texts.made.value_or(0));
        d.words[kChanged] = static_cast<uint64_t>(madeAt(shape.value(p, kModified)).value_or(INT64_MAX));
        uint64_t count = 0;
        const EditKeys edits(texts);
        for (const bool withTime : {true, false})
            edits.visit(withTime, [&](uint64_t key) { d.words[kFirstKey + count++] = key; });
        d.words[kFlags] = count | (texts.made ? kHasMade : 0);
    }

    explicit LivePerson(const LiveDigest& d) : d_(d) {}
    int64_t id() const { return d_.rowid; }
    std::optional<int64_t> made() const {
        return d_.words[kFlags] & kHasMade ? std::optional(static_cast<int64_t>(d_.words[kMade])) : std::nullopt;
    }
    // When it was last changed; INT64_MAX where its row kept no time.
    int64_t changed() const { return static_cast<int64_t>(d_.words[kChanged]); }
    std::span<const uint64_t> keys() const {
        return {d_.words.data() + kFirstKey, static_cast<size_t>(d_.words[kFlags] & kKeyCount)};
    }

private:
    enum Word : size_t { kMade, kChanged, kFlags, kFirstKey };
    static_assert(kFirstKey + kMostKeys <= std::tuple_size_v<decltype(LiveDigest::words)>);
    static constexpr uint64_t kKeyCount = 0xff, kHasMade = 0x100;
    const LiveDigest& d_;
};

// What the carve keeps of the live persons: their ids, (when made, id) where a row kept when,
// (id, when last changed, the latest time where the row kept none), and the keys of their
// earlier copies (see EditKeys), each with when its person was last changed.
struct LivePersons {
    mapped::Vector<int64_t> ids;
    mapped::Vector<std::pair<int64_t, int64_t>> madeWhen, changedWhen;
    std::vector<KeyPairs> edits;
};

// Adds the live persons of a shape to those kept (their ids aside, listed before the values of the
// deleted persons are told by them), made side by side in parts of the persons:
// several hundred thousand persons give over a million edit keys, which one thread would take a
// good part of the carve's time to make.
void addLivePersons(const CarvedRows<LiveDigest>& live, LivePersons& kept) {
    const size_t threads = threadsFor(live.size(), 16384);
    const size_t parts = threads == 1 ? 1 : 4 * threads;
    const size_t before = kept.changedWhen.size(), firstPart = kept.edits.size();
    kept.changedWhen.resize(before + live.size());
    kept.edits.resize(firstPart + parts);
    // (when made, id) goes in each person's place, then those of persons that kept no time are
    // dropped: no person's pair is held twice.
    const size_t madeBefore = kept.madeWhen.size();
    kept.madeWhen.resize(madeBefore + live.size());
    std::vector<uint8_t> madeKnown(live.size());  // a byte each: the parts write side by side
    inParallel(parts, threads, [&](size_t k, size_t) {
        KeyPairs& keys = kept.edits[firstPart + k];
        const size_t from = live.size() * k / parts, to = live.size() * (k + 1) / parts;
        keys.reserve(4 * (to - from));
        for (size_t i = from; i < to; ++i) {
            const LivePerson p(live[i]);
            kept.changedWhen[before + i] = {p.id(), p.changed()};
            if (const auto made = p.made()) {
                kept.madeWhen[madeBefore + i] = {*made, p.id()};
                madeKnown[i] = 1;
            }
            for (const uint64_t key : p.keys()) keys.emplace_back(key, p.changed());
        }
    });
    size_t madeEnd = madeBefore;
    for (size_t i = 0; i < live.size(); ++i)
        if (madeKnown[i]) kept.madeWhen[madeEnd++] = kept.madeWhen[madeBefore + i];
    kept.madeWhen.resize(madeEnd);
}

// When each person was made, and the ids of the live persons made just before and after it (none
// where the file keeps no such order), by index of persons.
struct MadeBetween {
    mapped::Vector<std::optional<int64_t>> made;
    mapped::Vector<std::optional<std::pair<int64_t, int64_t>>> around;

    // made: when each person was made, where its row kept that.
    MadeBetween(std::span<const CarvedRecord* const> persons, mapped::Vector<std::optional<int64_t>> madeWhen,
                const CreationOrder& order)
        : made(std::move(madeWhen)), ownId_(persons.size()) {
        for (size_t i = 0; i < persons.size(); ++i) ownId_[i] = persons[i]->rowidKnown && !persons[i]->rowidInferred;
        around = order.idsAround(made);
        if (!order.holds()) return;
        // The known rows' ids rise with their times: by time, they are by id already.
        madeById_.reserve(order.known().size() + persons.size());
        for (const auto& [when, id] : order.known()) madeById_.emplace_back(id, when);
        const auto read = madeById_.begin() + static_cast<ptrdiff_t>(madeById_.size());
        for (size_t i = 0; i < persons.size(); ++i)
            if (ownId_[i] && made[i]) madeById_.emplace_back(persons[i]->rowid, *made[i]);
        std::sort(read, madeById_.end());
        std::inplace_merge(madeById_.begin(), read, madeById_.end());
    }
    // Whether person i may have the id for when it was made: between the live persons made just
    // before and after it and, for an id not read from its own cell, after the person of the
    // next lower read id was made and before the one of the next higher (a deleted person's
    // too, which the live ones alone leave far apart where many were deleted).
    bool fits(size_t i, int64_t id) const {
        if (around[i] && !(around[i]->first < id && id < around[i]->second)) return false;
        if (ownId_[i] || !made[i] || madeById_.empty()) return true;
        auto above = std::lower_bound(madeById_.begin(), madeById_.end(), std::make_pair(id, INT64_MIN));
        const bool earlierBelow = above == madeById_.begin() || std::prev(above)->second <= *made[i];
        while (above != madeById_.end() && above->first == id) ++above;
        return earlierBelow && (above == madeById_.end() || above->second >= *made[i]);
    }

private:
    std::vector<bool> ownId_;                               // the person's id was read from its cell
    mapped::Vector<std::pair<int64_t, int64_t>> madeById_;  // (id, when made) of persons of read ids
};

// Whether a deleted person is an earlier copy of a live one (or of a deleted one whose id was
// read, liveMade then naming those): an edit that changes a person's length writes the row anew
// and leaves the old cell behind, its id lost, with the names it had then but the time the
// person was made, which no edit changes. A person whose id was not read
// from its cell, made in the same second as a live person whose id its cell's remains and the
// rows around it allow, is taken for that person (ids are never given twice, so one whose id was
// read is another). liveMade: (when made, id) of the live persons, sorted; mayBe(id): whether
// what else is known of p lets it be that person's copy (any, without).
bool earlierCopy(const CarvedRecord& p, std::optional<int64_t> made,
                 std::span<const std::pair<int64_t, int64_t>> liveMade,
                 const std::function<bool(int64_t)>& mayBe = nullptr) {
    if (!made || (p.rowidKnown && !p.rowidInferred)) return false;
    const auto from = std::lower_bound(liveMade.begin(), liveMade.end(), std::make_pair(*made, INT64_MIN));
    for (auto live = from; live != liveMade.end() && live->first == *made; ++live)
        if (couldHaveHad(p, live->second) && (!mayBe || mayBe(live->second))) return true;
    return false;
}

// The ids that the order persons were made in gives those that lost theirs (see
// CreationOrder::idsByMaking), by index of persons. The deleted persons whose ids are known hold
// theirs unless their times refute them: such an id was given by a guess, a wrong one, and holds
// nothing.
mapped::Vector<std::optional<int64_t>> idsByMaking(std::span<const CarvedRecord* const> persons,
                                                   const CreationOrder& order, const MadeBetween& between) {
    mapped::Vector<std::optional<int64_t>> lost(persons.size());
    mapped::Vector<int64_t> taken;
    for (size_t i = 0; i < persons.size(); ++i) {
        if (!persons[i]->rowidKnown)
            lost[i] = between.made[i];
        else if (between.fits(i, persons[i]->rowid))
            taken.push_back(persons[i]->rowid);
    }
    std::sort(taken.begin(), taken.end());
    return order.idsByMaking(lost, between.around, taken,
                             [&](size_t i, int64_t id) { return admitsRowid(*persons[i], id); });
}

void withdrawShared(std::span<const CarvedRecord* const> persons, std::span<const std::optional<int64_t>> made,
                    mapped::Vector<std::optional<int64_t>>& ids);

// The row id each deleted person had, where one id alone is possible: its own when it was read;
// the one the order persons were made in gives it; else the one free id (see FreeIds) that its
// bounds allow (the whole rows around it on its page, the live persons made just before and
// after it, what is left of its id's bytes). Persons between the same two whole rows of their
// page take the free ids between those, in the order of their places, where they are as many.
// A person more than one id fits comes without values rather than with another's.
// made: when each person was made, where its row kept that; liveIds: the live persons' ids,
// sorted. The answer goes with persons, by index.
mapped::Vector<std::optional<int64_t>> personIds(std::span<const CarvedRecord* const> persons,
                                                 mapped::Vector<std::optional<int64_t>> made,
                                                 std::span<const int64_t> liveIds,
                                                 mapped::Vector<std::pair<int64_t, int64_t>> liveMade) {
    mapped::Vector<std::optional<int64_t>> ids(persons.size());
    const CreationOrder order(std::move(liveMade));
    const MadeBetween between(persons, std::move(made), order);
    const mapped::Vector<std::optional<int64_t>> byMaking = idsByMaking(persons, order, between);
    mapped::Vector<int64_t> held(liveIds.begin(), liveIds.end());
    mapped::Vector<size_t> open;  // the persons whose ids are still to be found
    for (size_t i = 0; i < persons.size(); ++i) {
        const CarvedRecord* p = persons[i];
        // A known id the person's time refutes was a guess of the rows around it, and a wrong one.
        if (p->rowidKnown && !between.fits(i, p->rowid)) continue;
        if (!p->rowidKnown && byMaking[i] && !between.fits(i, *byMaking[i])) continue;
        if (p->rowidKnown || byMaking[i]) {
            ids[i] = p->rowidKnown ? p->rowid : *byMaking[i];
            held.push_back(*ids[i]);
        } else {
            open.push_back(i);
        }
    }
    // The live ids come sorted: only those added are sorted before the two are merged.
    const auto added = held.begin() + static_cast<ptrdiff_t>(liveIds.size());
    std::sort(added, held.end());
    std::inplace_merge(held.begin(), added, held.end());
    held.erase(std::unique(held.begin(), held.end()), held.end());
    const FreeIds free(std::move(held), persons);
    // The ids each open person's bounds allow.
    auto bounds = [&](size_t i) {
        const CarvedRecord& p = *persons[i];
        int64_t low = std::max<int64_t>(p.rowidBefore, 0) + 1, high = p.rowidAfter == 0 ? INT64_MAX : p.rowidAfter - 1;
        if (const auto& around = between.around[i]) {
            low = std::max(low, around->first + 1);
            high = std::min(high, around->second - 1);
        }
        return std::make_pair(low, high);
    };
    // Few enough free ids that others taking theirs may leave one.
    constexpr size_t kFew = 8;
    mapped::Vector<std::optional<std::vector<int64_t>>> allowed(persons.size());
    // The rows around a person on its page can be rows of another order than its own (a page a
    // balance wrote anew, an older row left in its gap): they place it only where when it was
    // made places it too.
    std::erase_if(open, [&](size_t i) { return !between.around[i]; });
    for (size_t i : open) {
        const auto [low, high] = bounds(i);
        allowed[i] = free.within(low, high, kFew, persons[i]);
    }
    // Persons between the same two whole rows of a page, the highest on the page first (they
    // were written one after another), with the free ids between those rows.
    struct Hole {
        std::vector<size_t> persons;
        std::optional<std::vector<int64_t>> ids;
    };
    std::map<std::tuple<int64_t, int64_t, int64_t>, Hole> holes;
    // A hole that holds a live person's id (written anew elsewhere by an edit) may hold that
    // person's old copy: its rows are no count of its free ids.
    auto liveWithin = [&](int64_t low, int64_t high) {
        const auto above = std::upper_bound(liveIds.begin(), liveIds.end(), low);
        return above != liveIds.end() && *above < high;
    };
    for (size_t i : open) {
        const CarvedRecord* p = persons[i];
        if (p->rowidBefore > 0 && p->rowidAfter > p->rowidBefore && !liveWithin(p->rowidBefore, p->rowidAfter))
            holes[{p->page, p->rowidBefore, p->rowidAfter}].persons.push_back(i);
    }
    for (auto& [at, hole] : holes) {
        std::sort(hole.persons.begin(), hole.persons.end(),
                  [&](size_t a, size_t b) { return persons[a]->position > persons[b]->position; });
        hole.ids = free.within(std::get<1>(at) + 1, std::get<2>(at) - 1, hole.persons.size() + kFew);
    }
    std::unordered_set<int64_t> taken;
    auto untaken = [&](const std::vector<int64_t>& from) {
        std::vector<int64_t> left;
        for (int64_t id : from)
            if (!taken.count(id)) left.push_back(id);
        return left;
    };
    auto settle = [&](size_t i, int64_t id) {
        ids[i] = id;
        taken.insert(id);
    };
    auto fits = [&](size_t i, int64_t id) { return tailAdmits(*persons[i], id) && between.fits(i, id); };
    for (bool changed = true; changed;) {
        changed = false;
        for (auto& [at, hole] : holes) {
            std::erase_if(hole.persons, [&](size_t i) { return ids[i].has_value(); });
            if (hole.persons.empty() || !hole.ids) continue;
            const std::vector<int64_t> left = untaken(*hole.ids);
            if (left.size() != hole.persons.size()) continue;
            bool agree = true;
            for (size_t k = 0; k < left.size() && agree; ++k) agree = fits(hole.persons[k], left[k]);
            if (!agree) continue;
            for (size_t k = 0; k < left.size(); ++k) settle(hole.persons[k], left[k]);
            hole.persons.clear();
            changed = true;
        }
        // A person with one free id left takes it, unless another has that one alone too (one
        // of the two is bounded wrongly, or they are copies of one person).
        std::map<int64_t, std::vector<size_t>> proposed;  // by id
        for (size_t i : open)
            if (!ids[i] && allowed[i])
                if (const std::vector<int64_t> left = untaken(*allowed[i]); left.size() == 1 && fits(i, left.front()))
                    proposed[left.front()].push_back(i);
        for (const auto& [id, wanting] : proposed)
            if (wanting.size() == 1) {
                settle(wanting.front(), id);
                changed = true;
            }
    }
    withdrawShared(persons, between.made, ids);
    return ids;
}

// Copies of one person share the time it was made: a person whose id was not read keeps the id
// it was given only where no other person made in the same second could have it too, nor it
// the id that one was given (either may be the other's earlier copy, and the values an id
// names are one person's).
// made: when each person was made; ids: their ids, by index of persons.
void withdrawShared(std::span<const CarvedRecord* const> persons, std::span<const std::optional<int64_t>> made,
                    mapped::Vector<std::optional<int64_t>>& ids) {
    mapped::Vector<size_t> byTime;
    for (size_t i = 0; i < persons.size(); ++i)
        if (made[i]) byTime.push_back(i);
    std::sort(byTime.begin(), byTime.end(), [&](size_t a, size_t b) { return *made[a] < *made[b]; });
    auto mayHave = [&](size_t j, int64_t id) {
        const CarvedRecord& q = *persons[j];
        return q.rowidInferred ? q.rowid == id || couldHaveHad(q, id) : admitsRowid(q, id);
    };
    std::vector<size_t> withdrawn;
    for (size_t from = 0; from < byTime.size();) {
        size_t to = from + 1;
        while (to < byTime.size() && *made[byTime[to]] == *made[byTime[from]]) ++to;
        for (size_t k = from; k < to && to - from > 1; ++k) {
            const size_t i = byTime[k];
            const CarvedRecord& p = *persons[i];
            if (!ids[i] || (p.rowidKnown && !p.rowidInferred)) continue;
            for (size_t m = from; m < to; ++m)
                if (m != k && (mayHave(byTime[m], *ids[i]) || (ids[byTime[m]] && mayHave(i, *ids[byTime[m]])))) {
                    withdrawn.push_back(i);
                    break;
                }
        }
        from = to;
    }
    for (size_t i : withdrawn) ids[i].reset();
}

// A value of a deleted person, by the person it names: each person's in the order they were
// written (their identifier), then in the order found.
struct Named {
    int64_t person, identifier;
    uint32_t found;
    // What a contact shows of it: its kind (a phone, an e-mail, a home page) and its text.
    struct Value {
        int kind;
        std::string_view text;
    } value;
};

// Adds to named the values of deleted persons (liveIds: those of the live ones, sorted) of a
// table read by shape, in the order found, each keeping what a contact shows of it, its text
// copied into texts; the table, its rows and the values of all their columns, goes as they are
// taken. A value without a text, with bytes no number, address or home page holds, or an e-mail
// address that does not end as one (see endsAsAddress), is no value of a contact.
void addValuesOfDeleted(CarvedTable& values, const RowShape& shape, std::span<const int64_t> liveIds,
                        CarvedStore& texts, mapped::Vector<Named>& named) {
    // The rows are read side by side by the parts of the file they were found in: each part
    // counts its values, then writes them where the parts before it end, their texts into a store
    // of its own. The parts are written a few at a time, in order, and the values of those
    // written go before the next are: no value is held twice over, and the table's values go
    // while the list grows rather than after it is whole.
    const CarvedRows<CarvedRecord>& rows = values.deleted;
    const size_t threads = threadsFor(rows.size(), 16384);
    std::vector<size_t> ends;  // where each part's rows end
    for (const CarvedTable::Part& part : values.parts) ends.push_back(part.deletedEnd);
    if (ends.empty() || ends.back() != rows.size()) ends.push_back(rows.size());
    const size_t parts = ends.size();
    auto from = [&](size_t k) { return k == 0 ? 0 : ends[k - 1]; };
    // A row's text where the row is a value of a deleted person, else none.
    auto valueText = [&](const CarvedRecord& v) {
        const std::string_view t = textView(shape.value(v, kText));
        return t.empty() || holdsControlBytes(t) ||
                       (shape.value(v, kProperty).asInteger() == kEmailProperty && !endsAsAddress(t)) ||
                       std::binary_search(liveIds.begin(), liveIds.end(), shape.value(v, kPerson).asInteger())
                   ? std::string_view()
                   : t;
    };
    // Whether each row is such a value, told once: a byte each, the parts write side by side.
    std::vector<uint8_t> taken(rows.size());
    std::vector<size_t> at(parts + 1, 0);
    inParallel(parts, threads, [&](size_t k, size_t) {
        size_t count = 0;
        for (size_t i = from(k); i < ends[k]; ++i) count += taken[i] = !valueText(rows[i]).empty();
        at[k + 1] = count;
    });
    at[0] = named.size();
    for (size_t k = 0; k < parts; ++k) at[k + 1] += at[k];
    named.reserve(at[parts]);
    std::vector<CarvedStore> stores(parts);
    for (size_t first = 0; first < parts; first += threads) {
        const size_t last = std::min(parts, first + threads);
        named.resize(at[last]);
        inParallel(last - first, threads, [&](size_t j, size_t) {
            const size_t k = first + j;
            size_t next = at[k];
            for (size_t i = from(k); i < ends[k]; ++i) {
                if (!taken[i]) continue;
                const CarvedRecord& v = rows[i];
                const std::string_view t = textView(shape.value(v, kText));
                named[next] = {shape.value(v, kPerson).asInteger(),
                               shape.value(v, kIdentifier).asInteger(),
                               static_cast<uint32_t>(next),
                               {static_cast<int>(shape.value(v, kProperty).asInteger()), stores[k].keep(t)}};
                ++next;
            }
        });
        releaseValuesBefore(values, ends[last - 1]);
    }
    for (CarvedStore& store : stores) texts.take(std::move(store));
    values = CarvedTable();
}

void sortByPerson(mapped::Vector<Named>& named) {
    std::sort(named.begin(), named.end(), [](const Named& a, const Named& b) {
        return std::tie(a.person, a.identifier, a.found) < std::tie(b.person, b.identifier, b.found);
    });
}
}  // namespace

void DelContactCarver::scanDelContactThread(const std::string& backupFolder, int threads) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {backupkeys::addressBook}, context_, "contactDB is not exist")) return;
    FileShapes shapes(db);
    const size_t personGroup = shapes.add(kPersonTable), valueGroup = shapes.add(kValueTable);
    const std::vector<FileShapes::Member> personMembers = shapes.of(personGroup);
    std::vector<TableShape> tableShapes = shapes.shapes();
    for (const FileShapes::Member& member : personMembers)
        tableShapes[member.index].digest = [shape = member.shape](const CarvedRecord& p, LiveDigest& d) {
            LivePerson::digest(*shape, p, d);
        };
    std::vector<CarvedTable> tables = carveRecords(db, tableShapes, 0, context_.pastPeak);
    shapes.report(tables);
    PRBackupScanState& arrays = context_.state;

    // The look-ups the finish of the rows made and freed on this thread's heap go back before
    // the rows are taken in.
    heapgrowth::giveBackFreed();
    // All the carve needs of the live persons: their ids, sorted, and when each was made. Only
    // their ids are sure: a deleted person's may have been inferred.
    // The live persons' values are kept only as the keys their earlier copies would share with
    // them (see EditKeys), each with when the live person was last changed.
    LivePersons live;
    mapped::Vector<int64_t>& liveIds = live.ids;
    for (const FileShapes::Member& member : personMembers)
        for (const LiveDigest& digest : tables[member.index].digests) liveIds.push_back(digest.rowid);
    std::sort(liveIds.begin(), liveIds.end());
    // The values of the deleted persons (those the live ids leave) are kept from here as what a
    // contact shows of them, and their table (its rows and the values of all their columns, the
    // largest part of what the carve holds) goes before the rest of the live persons is kept and
    // the persons are worked out.
    CarvedStore valueTexts;
    mapped::Vector<Named> named;
    for (const FileShapes::Member& member : shapes.of(valueGroup))
        addValuesOfDeleted(tables[member.index], *member.shape, liveIds, valueTexts, named);
    for (const FileShapes::Member& member : personMembers) {
        CarvedRows<LiveDigest>& digests = tables[member.index].digests;
        addLivePersons(digests, live);
        CarvedRows<LiveDigest>().swap(digests);
    }
    mapped::Vector<std::pair<int64_t, int64_t>>& madeWhen = live.madeWhen;        // (when made, id)
    mapped::Vector<std::pair<int64_t, int64_t>>& changedWhen = live.changedWhen;  // (id, when changed)
    KeyPairTable liveEdits;
    // When the deleted persons whose ids were read were made: an earlier copy of one of them
    // (an edit before the delete) is that person, listed once.
    mapped::Vector<std::pair<int64_t, int64_t>> readMade;
    // None of these needs another: they are put in order side by side.
    inParallel(4, 4, [&](size_t job, size_t) {
        switch (job) {
        case 0: liveEdits.build(live.edits, threadsFor(liveIds.size(), 16384)); break;
        case 1: std::sort(changedWhen.begin(), changedWhen.end()); break;
        case 2: std::sort(madeWhen.begin(), madeWhen.end()); break;
        default:
            for (const FileShapes::Member& member : personMembers)
                for (const CarvedRecord& p : tables[member.index].deleted)
                    if (const auto made = madeAt(member.shape->value(p, kCreated));
                        made && p.rowidKnown && !p.rowidInferred)
                        readMade.emplace_back(*made, p.rowid);
            std::sort(readMade.begin(), readMade.end());
        }
    });
    auto holdsLiveKey = [&](uint64_t key, auto&& changedFits) {
        for (const KeyPair& edit : liveEdits.of(key))
            if (changedFits(edit.second)) return true;
        return false;
    };
    // The deleted persons, those of each shape after another's, each with its shape and when it
    // was made; where each shape's end among them.
    mapped::Vector<const CarvedRecord*> persons;
    std::vector<const RowShape*> personShapes;
    mapped::Vector<std::optional<int64_t>> madeTimes;
    std::vector<size_t> personsEnd;
    for (const FileShapes::Member& member : personMembers) {
        // Which of the shape's deleted rows are persons of their own (not a live one's copy),
        // told side by side in stretches; then listed in order.
        const CarvedRows<CarvedRecord>& deleted = tables[member.index].deleted;
        // edits: the keys of p's names where they were made before (see below), else none.
        auto isPerson = [&](const CarvedRecord& p, std::optional<EditKeys>& edits) {
            // A person is someone: a row without any name or company is other bytes.
            const PersonTexts texts(*member.shape, p);
            if (texts.empty(kFirst) && texts.empty(kLast) && texts.empty(kOrganization)) return false;
            const std::optional<int64_t> made = texts.made;
            const std::optional<int64_t> changed = madeAt(member.shape->value(p, kModified));
            // Made when first asked, where not made before.
            auto editKeys = [&](bool withTime, auto&& visit) {
                if (!edits) edits.emplace(texts);
                edits->visit(withTime, visit);
            };
            // A copy of a live person made in the same second was changed before it (an edit),
            // or when it was, holding all its values (a balance moved it): a person made with it
            // in a sync and changed with it, of another name, is another person.
            auto mayBeCopyOf = [&](int64_t id) {
                const auto live =
                    std::lower_bound(changedWhen.begin(), changedWhen.end(), std::make_pair(id, INT64_MIN));
                if (!changed || live == changedWhen.end() || live->first != id || live->second == INT64_MAX ||
                    *changed < live->second)
                    return true;
                if (*changed > live->second) return false;
                bool keys = false, all = true;
                editKeys(true, [&](uint64_t key) {
                    keys = true;
                    all = all && holdsLiveKey(key, [&](int64_t when) { return when == live->second; });
                });
                return !keys || all;
            };
            if (earlierCopy(p, made, madeWhen, mayBeCopyOf) || earlierCopy(p, made, readMade)) return false;
            // A person whose id was not read, made in the same second as a live one (or, its time
            // lost, holding more than names) and holding all its values but one of its names, is
            // that person before it was renamed, where it was changed before that person last was
            // (a rename stamps the person): a person of the same names made at another time is
            // another, and so is one made with it in a sync and not changed since.
            if (!p.rowidKnown || p.rowidInferred) {
                bool renamed = false;
                editKeys(made.has_value(), [&](uint64_t key) {
                    renamed = renamed || holdsLiveKey(key, [&](int64_t when) {
                                  return !changed || when == INT64_MAX || *changed < when;
                              });
                });
                if (renamed) return false;
            }
            return true;
        };
        std::vector<uint8_t> person(deleted.size());  // a byte each: the stretches write side by side
        inStretches(deleted.size(), 2048, threads, [&](size_t from, size_t to, size_t) {
            // A person whose id was not read asks the live persons' table of the keys of its
            // names, which lies far outside the cache: the keys of the row a few places on are
            // made, and asked of memory, while a row is told, and kept for its turn.
            constexpr size_t kAhead = 8;
            std::array<std::optional<EditKeys>, 2 * kAhead> ahead;
            auto lookAhead = [&](size_t i) {
                std::optional<EditKeys>& edits = ahead[i % ahead.size()];
                edits.reset();
                const CarvedRecord& p = deleted[i];
                if (p.rowidKnown && !p.rowidInferred) return;
                const PersonTexts texts(*member.shape, p);
                edits.emplace(texts);
                edits->visit(texts.made.has_value(), [&](uint64_t key) { liveEdits.prefetch(key); });
            };
            for (size_t i = from; i < std::min(to, from + kAhead); ++i) lookAhead(i);
            for (size_t i = from; i < to; ++i) {
                if (i + kAhead < to) lookAhead(i + kAhead);
                person[i] = isPerson(deleted[i], ahead[i % ahead.size()]);
            }
        });
        for (size_t i = 0; i < deleted.size(); ++i) {
            if (!person[i]) continue;
            persons.push_back(&deleted[i]);
            personShapes.push_back(member.shape);
            madeTimes.push_back(madeAt(member.shape->value(deleted[i], kCreated)));
        }
        personsEnd.push_back(persons.size());
    }
    // The deleted persons' values are put in order of the person they name while the ids of the
    // persons are worked out: neither needs the other.
    mapped::Vector<std::optional<int64_t>> ids;
    inParallel(2, 2, [&](size_t job, size_t) {
        if (job == 0) {
            sortByPerson(named);
        } else {
            ids = personIds(persons, std::move(madeTimes), liveIds, std::move(madeWhen));
        }
    });
    mapped::Vector<int64_t>().swap(liveIds);
    // The records are made side by side in stretches of persons, each value into the slots its
    // person was given, then handed on and posted here in order. Texts are read as views of the
    // carved bytes and copied once, into the record that keeps them. Each slot holds the values
    // of the row it takes, the persons' one after another: the list by person goes before the
    // records are made.
    mapped::Vector<size_t> slotAt(persons.size() + 1, 0);
    mapped::Vector<Named::Value> slotValues;
    {
        // Each person's values are found, and then put in its slots, side by side in stretches.
        mapped::Vector<std::pair<const Named*, const Named*>> namedBy(persons.size(), {nullptr, nullptr});
        inStretches(persons.size(), 4096, threads, [&](size_t from, size_t to, size_t) {
            for (size_t i = from; i < to; ++i)
                if (const std::optional<int64_t> id = ids[i])
                    namedBy[i] = std::equal_range(named.data(), named.data() + named.size(), Named{*id, 0, 0, {}},
                                                  [](const Named& a, const Named& b) { return a.person < b.person; });
        });
        for (size_t i = 0; i < persons.size(); ++i)
            slotAt[i + 1] = slotAt[i] + static_cast<size_t>(namedBy[i].second - namedBy[i].first);
        slotValues.resize(slotAt.back());
        inStretches(persons.size(), 4096, threads, [&](size_t from, size_t to, size_t) {
            for (size_t i = from; i < to; ++i)
                std::transform(namedBy[i].first, namedBy[i].second,
                               slotValues.begin() + static_cast<ptrdiff_t>(slotAt[i]),
                               [](const Named& value) { return value.value; });
        });
        mapped::Vector<Named>().swap(named);
    }
    mapped::Vector<PRContactNodePtr> made(persons.size());
    // The values' own records are made only for the state's list of them.
    const bool listed = context_.listInState;
    mapped::Vector<DelContactValuePtr> entries(listed ? slotAt.back() : 0);
    auto make = [&](size_t i) {
        const CarvedRecord* p = persons[i];
        const RowShape& shape = *personShapes[i];
        auto person = std::make_shared<PRContactNode>();
        auto part = [&](PersonColumn column) { return trimmedText(textView(shape.value(*p, column))); };
        const std::string_view first = part(kFirst), last = part(kLast), middle = part(kMiddle),
                               organization = part(kOrganization), department = part(kDepartment),
                               jobTitle = part(kJobTitle);
        person->setContactFirstName(first);
        person->setContactLastName(last);
        person->setContactMiddleName(middle);
        person->setContactOrganization(organization);
        person->setContactDepartment(department);
        person->setContactJobtitle(jobTitle);
        // A deleted contact shows its name's parts in the columns' order and its company without
        // the job title; the record keeps those texts only where they differ from its own joins
        // (first, middle and last name; department, job title and organization). Where the parts
        // left out or put elsewhere are empty the two are the same, and a new record follows its
        // joins already: those texts are neither made nor compared.
        if (!middle.empty() && !last.empty()) {
            std::string name;
            for (const std::string_view namePart : {first, last, middle}) appendPart(name, namePart);
            person->setContactName(std::move(name));
        }
        if (!jobTitle.empty() || (!organization.empty() && !department.empty())) {
            std::string company;
            for (const std::string_view companyPart : {organization, department}) appendPart(company, companyPart);
            person->setContactCompany(std::move(company));
        }
        person->setContactNote(textView(shape.value(*p, kNote)));
        if (const std::optional<int64_t> id = ids[i]) {
            person->setRowid(static_cast<int>(*id));
            std::vector<PRContactValue> phones, emails, homepages;
            for (size_t slot = slotAt[i]; slot < slotAt[i + 1]; ++slot) {
                const Named::Value& v = slotValues[slot];
                const std::string_view text = v.text;
                if (listed) {
                    auto entry = std::make_shared<DelContactValue>();
                    entry->setRowID(static_cast<int>(*id));
                    entry->setValueType(v.kind);
                    entry->setContactValue(text);
                    entries[slot] = std::move(entry);
                }
                // The shown phone, e-mail and home page are the record's joins of these lists.
                const std::string_view value = trimmedText(text);
                if (!value.empty()) {
                    switch (v.kind) {
                    case 3: phones.push_back({{}, value}); break;
                    case 4: emails.push_back({{}, value}); break;
                    case 22: homepages.push_back({{}, value}); break;
                    default: break;
                    }
                }
            }
            person->setContactPhones(std::move(phones));
            person->setContactEmails(std::move(emails));
            person->setContactHomepages(std::move(homepages));
        }
        made[i] = std::move(person);
    };
    // Posted here in order as the stretches are made; the persons' rows go as their contacts come
    // (the records hold copies of what they keep), the values' rows, which any person may name,
    // once every contact is made.
    constexpr size_t kPersonsPerStretch = 4096;
    if (listed) {
        arrays.delContactArray.reserve(arrays.delContactArray.size() + persons.size());
        arrays.delContactValueArray.reserve(arrays.delContactValueArray.size() + entries.size());
    }
    inStretchesInOrder(
        persons.size(), kPersonsPerStretch, threads,
        [&](size_t from, size_t to, size_t) {
            for (size_t i = from; i < to; ++i) make(i);
        },
        [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) {
                if (listed) {
                    for (size_t slot = slotAt[i]; slot < slotAt[i + 1]; ++slot)
                        arrays.delContactValueArray.push_back(std::move(entries[slot]));
                    (ids[i] ? arrays.delContactArray : arrays.delUnKnowContactArray).push_back(made[i]);
                }
                notices::ScanDelContactInfo.post(*context_.nc, std::move(made[i]));
            }
            // Each shape's rows go once its persons are made.
            for (size_t m = 0; m < personMembers.size(); ++m) {
                CarvedTable& table = tables[personMembers[m].index];
                if (personsEnd[m] <= to)
                    releaseValuesBefore(table, table.deleted.size());
                else if (m == 0 ? to > 0 : personsEnd[m - 1] < to)
                    releaseValuesBefore(table, static_cast<size_t>(persons[to - 1] - table.deleted.data()) + 1);
            }
        });
    releaseTables(std::move(tables));
    postProgress(context_, 75);
}

}  // namespace carve
