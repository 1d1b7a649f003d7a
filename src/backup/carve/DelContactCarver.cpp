#include "backup/carve/DelContactCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/CreationOrder.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/KeySet.h"
#include "backup/carve/SlotSums.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <tuple>

namespace carve {

namespace {
const std::string kPosted = "ScanDelContactInfo";
const char* const kAddressBook = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";

// ABPerson (ROWID, First, Last, Middle, phonetics, Organization, Department, Note, Kind,
// Birthday, JobTitle, ..., CreationDate, ...) and ABMultiValue (UID, record_id, property,
// identifier, label, value). Each person keeps when it was made, the live ones too.
enum Shape { kPerson, kValue };
const std::vector<TableShape>& contactShapes() {
    static const std::vector<TableShape> shapes = {shapeOf("ktttttttttitt|tttttr+rtttt!itbttiiiti", LiveRows::alsoKept),
                                                   shapeOf("kIIiit")};
    return shapes;
}

// The rows of a stretch of a page whose ids are inferred together, and the bits of their
// tails that tell how far apart their ids lie.
constexpr size_t kStretch = 3;
constexpr uint8_t kStretchBits = 7;

// The open ids (of the values, not yet taken) that what is left of lost row ids allows: per
// kept tail of an id (its last 7 or 14 bits), those of the sorted ids that end in it, each
// counted while open.
class OpenByTail {
public:
    OpenByTail(const std::vector<int64_t>& ids, const std::vector<const CarvedRecord*>& persons) : ids_(ids) {
        for (const CarvedRecord* p : persons)
            if (!p->rowidKnown && p->rowidTailBits > 0) tails_.try_emplace(key(p->rowidTailBits, p->rowidTail));
        for (auto& [k, tail] : tails_) {
            const int64_t mask = (int64_t{1} << (k >> 16)) - 1;
            for (size_t at = 0; at < ids.size(); ++at)
                if ((ids[at] & mask) == (k & 0xffff)) tail.at.push_back(at);
            tail.open = SlotSums(tail.at.size(), 1);
        }
    }
    // The id at index at of the sorted ids is taken.
    void take(size_t at) {
        for (uint32_t bits : {7u, 14u}) {
            const auto tail = tails_.find(key(bits, static_cast<uint32_t>(ids_[at] & ((1 << bits) - 1))));
            if (tail == tails_.end()) continue;
            const auto slot = std::lower_bound(tail->second.at.begin(), tail->second.at.end(), at);
            tail->second.open.add(static_cast<size_t>(slot - tail->second.at.begin()), -1);
        }
    }
    // The index of the one open id in the sorted ids [from, to) that p's tail allows, or none
    // (none open, or more than one).
    std::optional<size_t> only(const CarvedRecord& p, size_t from, size_t to) const {
        const auto [tail, first, last] = within(p, from, to);
        const int64_t before = tail.open.before(first);
        if (tail.open.before(last) - before != 1) return std::nullopt;
        return tail.at[tail.open.nth(before + 1)];
    }
    // The indexes of the open ids in the sorted ids [from, to) that p's tail allows.
    std::vector<size_t> all(const CarvedRecord& p, size_t from, size_t to) const {
        const auto [tail, first, last] = within(p, from, to);
        std::vector<size_t> open;
        for (int64_t k = tail.open.before(first) + 1, end = tail.open.before(last); k <= end; ++k)
            open.push_back(tail.at[tail.open.nth(k)]);
        return open;
    }

private:
    static uint32_t key(uint32_t bits, uint32_t tail) { return bits << 16 | tail; }
    struct Tail {
        std::vector<size_t> at;  // indexes of the sorted ids
        SlotSums open{0};
    };
    // p's tail, with the first and the end of its ids that lie in [from, to).
    std::tuple<const Tail&, size_t, size_t> within(const CarvedRecord& p, size_t from, size_t to) const {
        const Tail& tail = tails_.at(key(p.rowidTailBits, p.rowidTail));
        const auto first = std::lower_bound(tail.at.begin(), tail.at.end(), from) - tail.at.begin();
        const auto last = std::lower_bound(tail.at.begin(), tail.at.end(), to) - tail.at.begin();
        return {tail, static_cast<size_t>(first), static_cast<size_t>(std::max(first, last))};
    }
    const std::vector<int64_t>& ids_;
    std::map<uint32_t, Tail> tails_;
};

// When a person was made, where its row kept that.
std::optional<int64_t> madeAt(const CarvedRecord& p) {
    const std::span<const CarvedValue> kept = alsoKeptValues(p, contactShapes()[kPerson]);
    if (kept.empty()) return std::nullopt;
    const CarvedValue& made = kept.front();
    if (made.type != CarvedValue::integerValue && made.type != CarvedValue::realValue) return std::nullopt;
    return made.asInteger();
}

// When each person was made, and the ids of the live persons made just before and after it (none
// where the file keeps no such order), by index of persons.
struct MadeBetween {
    std::vector<std::optional<int64_t>> made;
    std::vector<std::optional<std::pair<int64_t, int64_t>>> around;

    MadeBetween(const std::vector<const CarvedRecord*>& persons, const CreationOrder& order) : made(persons.size()) {
        for (size_t i = 0; i < persons.size(); ++i) made[i] = madeAt(*persons[i]);
        around = order.idsAround(made);
    }
    // Whether person i may have the id for when it was made.
    bool fits(size_t i, int64_t id) const { return !around[i] || (around[i]->first < id && id < around[i]->second); }
};

// The ids that the order persons were made in gives those that lost theirs (see
// CreationOrder::idsByMaking), by index of persons. The deleted persons whose ids are known hold
// theirs unless their times refute them: such an id was given by a guess, a wrong one, and holds
// nothing.
std::vector<std::optional<int64_t>> idsByMaking(const std::vector<const CarvedRecord*>& persons,
                                                const CreationOrder& order, const MadeBetween& between) {
    std::vector<std::optional<int64_t>> lost(persons.size());
    std::vector<int64_t> taken;
    for (size_t i = 0; i < persons.size(); ++i) {
        if (!persons[i]->rowidKnown)
            lost[i] = between.made[i];
        else if (between.fits(i, persons[i]->rowid))
            taken.push_back(persons[i]->rowid);
    }
    std::sort(taken.begin(), taken.end());
    return order.idsByMaking(lost, taken, [&](size_t i, int64_t id) { return admitsRowid(*persons[i], id); });
}

// The row id each deleted person had: its own when it was read; else the one id that the values
// name, that no live person has and that the rows around the person (and what is left of its
// id's bytes) leave to it alone. A guess that more than one id fits is no join: the person comes
// without values rather than another's.
// orphans: the ids the values name, sorted, each once. The answer goes with persons, by index.
std::vector<std::optional<int64_t>> personIds(const std::vector<const CarvedRecord*>& persons,
                                              const std::vector<int64_t>& orphans, const CarvedTable& table,
                                              const CreationOrder& order) {
    std::vector<std::optional<int64_t>> ids(persons.size());
    const MadeBetween between(persons, order);
    const std::vector<std::optional<int64_t>> byMaking = idsByMaking(persons, order, between);
    // What is left of a person's id, and when it was made, must agree with an id guessed for it.
    auto admitsMade = [&](size_t i, int64_t id) { return tailAdmits(*persons[i], id) && between.fits(i, id); };
    SlotSums open(orphans.size(), 1);  // 1 while the id is not taken
    OpenByTail openByTail(orphans, persons);
    auto take = [&](size_t at) {
        open.add(at, -1);
        openByTail.take(at);
    };
    auto isOpen = [&](size_t at) { return open.before(at + 1) - open.before(at) == 1; };
    auto indexOf = [&](int64_t id) {
        return static_cast<size_t>(std::lower_bound(orphans.begin(), orphans.end(), id) - orphans.begin());
    };
    // The ids a person with a lost row id allows (see admitsRowid): a stretch of the sorted ids;
    // within takes in what the length of its id's varint allows too.
    struct Guess {
        size_t person;
        size_t from, to;
        size_t withinFrom, withinTo;
    };
    std::vector<Guess> guesses;
    for (size_t i = 0; i < persons.size(); ++i) {
        const CarvedRecord* p = persons[i];
        // A known id the person's time refutes was a guess of the rows around it, and a wrong one.
        if (p->rowidKnown && !between.fits(i, p->rowid)) continue;
        if (p->rowidKnown || byMaking[i]) {
            ids[i] = p->rowidKnown ? p->rowid : *byMaking[i];
            if (const size_t at = indexOf(*ids[i]); at < orphans.size() && orphans[at] == *ids[i]) take(at);
            continue;
        }
        const size_t from = indexOf(std::max<int64_t>(p->rowidBefore, 0) + 1);
        const size_t to = p->rowidAfter == 0 ? orphans.size() : indexOf(p->rowidAfter);
        const auto [shortest, longest] = tailRange(*p);
        size_t withinFrom = std::max(from, indexOf(shortest));
        size_t withinTo = longest == INT64_MAX ? to : std::min(to, indexOf(longest + 1));
        if (p->withinPage) {
            const auto [low, high] = table.pageRange.at(p->page);
            withinFrom = std::max(withinFrom, indexOf(low + 1));
            if (high < INT64_MAX) withinTo = std::min(withinTo, indexOf(high + 1));
        }
        if (from < to) guesses.push_back({i, from, to, withinFrom, withinTo});
    }
    // Persons that share the same whole rows around them on their page (or the page's edge),
    // with as many ids open between those rows as there are persons: each must take one of them,
    // so they take them all. They were written one after another, the first highest on the
    // page, so they take the ids in that order (where what is left of their ids agrees). A lone
    // person with one open id takes it. Ids taken in one hole (or by a person whose id was read)
    // may leave another hole just enough; so the holes are looked at again until none settles.
    // Persons bounded by nothing on a side share a hole only with themselves: the ids open across
    // the whole file are no such count.
    std::map<std::tuple<int64_t, int64_t, int64_t, size_t>, std::vector<size_t>> holes;
    for (size_t g = 0; g < guesses.size(); ++g) {
        const CarvedRecord* p = persons[guesses[g].person];
        const bool closed = p->rowidBefore > 0 && p->rowidAfter > 0;
        holes[{p->page, p->rowidBefore, p->rowidAfter, closed ? 0 : g}].push_back(g);
    }
    for (auto& [hole, group] : holes)
        std::sort(group.begin(), group.end(), [&](size_t a, size_t b) {
            return persons[guesses[a].person]->position > persons[guesses[b].person]->position;
        });
    // The persons whose ids' last bits were kept, per page, the highest on the page first.
    std::map<int64_t, std::vector<size_t>> tailedOnPage;
    for (size_t g = 0; g < guesses.size(); ++g)
        if (persons[guesses[g].person]->rowidTailBits >= kStretchBits)
            tailedOnPage[persons[guesses[g].person]->page].push_back(g);
    for (auto& [page, onPage] : tailedOnPage)
        std::sort(onPage.begin(), onPage.end(), [&](size_t a, size_t b) {
            return persons[guesses[a].person]->position > persons[guesses[b].person]->position;
        });
    std::vector<bool> settled(guesses.size(), false);
    auto settle = [&](size_t g, size_t at) {
        ids[guesses[g].person] = orphans[at];
        take(at);
        settled[g] = true;
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (auto& [hole, group] : holes) {
            std::erase_if(group, [&](size_t g) { return settled[g]; });
            if (group.empty()) continue;
            const Guess& first = guesses[group.front()];
            const int64_t before = open.before(first.from);
            if (open.before(first.to) - before != static_cast<int64_t>(group.size())) continue;
            bool agree = true;
            for (size_t k = 0; k < group.size(); ++k)
                agree = agree &&
                        admitsMade(guesses[group[k]].person, orphans[open.nth(before + 1 + static_cast<int64_t>(k))]);
            if (!agree) continue;
            for (size_t g : group) settle(g, open.nth(before + 1));
            group.clear();
            changed = true;
        }
        // A person with one open id among those its bounds, its page, its id's length and last
        // bits allow takes it.
        std::vector<std::pair<size_t, size_t>> proposed;  // (guess, index of the id)
        for (size_t g = 0; g < guesses.size(); ++g) {
            const CarvedRecord& p = *persons[guesses[g].person];
            const Guess& guess = guesses[g];
            if (settled[g]) continue;
            if (p.rowidTailBits > 0) {
                if (const std::optional<size_t> at = openByTail.only(p, guess.withinFrom, guess.withinTo))
                    proposed.emplace_back(g, *at);
            } else if (guess.withinFrom < guess.withinTo) {
                const int64_t before = open.before(guess.withinFrom);
                if (open.before(guess.withinTo) - before == 1) proposed.emplace_back(g, open.nth(before + 1));
            }
        }
        // Persons of a page that a balance wrote anew lie in the order of their ids, the lowest
        // highest on the page, and rows close on a page have close ids: three such persons one
        // after another whose ids differ by less than their tails' span take the one run of open
        // ids that their tails allow, where one alone does.
        for (auto& [page, onPage] : tailedOnPage) {
            std::erase_if(onPage, [&](size_t g) { return settled[g]; });
            for (size_t k = 0; k + kStretch <= onPage.size(); ++k) {
                std::optional<std::array<size_t, kStretch>> found;
                bool many = false;
                const Guess& lowest = guesses[onPage[k]];
                for (size_t at : openByTail.all(*persons[lowest.person], lowest.withinFrom, lowest.withinTo)) {
                    std::array<size_t, kStretch> run = {at};
                    bool whole = true;
                    for (size_t j = 1; j < kStretch && whole; ++j) {
                        const CarvedRecord& p = *persons[guesses[onPage[k + j]].person];
                        constexpr int64_t kSpan = int64_t{1} << kStretchBits;
                        const int64_t after = orphans[run[j - 1]] + 1;
                        const int64_t id = after + ((p.rowidTail - after) & (kSpan - 1));
                        run[j] = indexOf(id);
                        whole =
                            run[j] < orphans.size() && orphans[run[j]] == id && isOpen(run[j]) && admitsRowid(p, id);
                    }
                    if (!whole) continue;
                    many = found.has_value();
                    found = run;
                    if (many) break;
                }
                if (!found || many) continue;
                for (size_t j = 0; j < kStretch; ++j) proposed.emplace_back(onPage[k + j], (*found)[j]);
            }
        }
        // A person proposed two ids takes neither; an id proposed to two persons goes to neither
        // (one of them is no person whose values are open).
        std::erase_if(proposed, [&](const std::pair<size_t, size_t>& p) {
            return !admitsMade(guesses[p.first].person, orphans[p.second]);
        });
        std::sort(proposed.begin(), proposed.end());
        proposed.erase(std::unique(proposed.begin(), proposed.end()), proposed.end());
        std::vector<std::pair<size_t, size_t>> alone;  // (index of the id, guess)
        for (size_t k = 0; k < proposed.size(); ++k) {
            const bool twice = (k > 0 && proposed[k - 1].first == proposed[k].first) ||
                               (k + 1 < proposed.size() && proposed[k + 1].first == proposed[k].first);
            if (!twice) alone.emplace_back(proposed[k].second, proposed[k].first);
        }
        std::sort(alone.begin(), alone.end());
        for (size_t k = 0; k < alone.size(); ++k) {
            const bool shared = (k > 0 && alone[k - 1].first == alone[k].first) ||
                                (k + 1 < alone.size() && alone[k + 1].first == alone[k].first);
            if (shared) continue;
            settle(alone[k].second, alone[k].first);
            changed = true;
        }
    }
    return ids;
}
}  // namespace

void DelContactCarver::scanDelContactThread(const std::string& backupFolder, int threads) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kAddressBook}, context_, "contactDB is not exist")) return;
    std::vector<CarvedTable> tables = carveRecords(db, contactShapes());
    PRBackupScanState& arrays = context_.state;

    KeySet livePersons;
    livePersons.reserve(tables[kPerson].live.size());
    for (const CarvedRecord& p : tables[kPerson].live) livePersons.insert(static_cast<uint64_t>(p.rowid));
    // Values of deleted persons by the person they name, each person's in the order they were
    // written (their identifier), then in the order found.
    struct Named {
        int64_t person, identifier;
        size_t found;
        const CarvedRecord* value;
    };
    std::vector<Named> valuesByPerson;
    const std::vector<CarvedRecord>& deletedValues = tables[kValue].deleted;
    for (size_t i = 0; i < deletedValues.size(); ++i) {
        const CarvedRecord& v = deletedValues[i];
        const int64_t person = v.values[1].asInteger();
        if (!livePersons.contains(static_cast<uint64_t>(person)))
            valuesByPerson.push_back({person, v.values[3].asInteger(), i, &v});
    }
    std::sort(valuesByPerson.begin(), valuesByPerson.end(), [](const Named& a, const Named& b) {
        return std::tie(a.person, a.identifier, a.found) < std::tie(b.person, b.identifier, b.found);
    });
    std::vector<int64_t> orphanIds;
    for (const Named& n : valuesByPerson)
        if (orphanIds.empty() || orphanIds.back() != n.person) orphanIds.push_back(n.person);

    std::vector<const CarvedRecord*> persons;
    for (const CarvedRecord& p : tables[kPerson].deleted) {
        // A person is someone: a row without any name or company is other bytes.
        if (textView(p.values[1]).empty() && textView(p.values[2]).empty() && textView(p.values[7]).empty()) continue;
        persons.push_back(&p);
    }
    // Only the live persons' ids are sure: a deleted person's may have been inferred.
    std::vector<std::pair<int64_t, int64_t>> madeWhen;
    for (const CarvedRecord& p : tables[kPerson].live)
        if (const auto when = madeAt(p)) madeWhen.emplace_back(*when, p.rowid);
    const auto ids = personIds(persons, orphanIds, tables[kPerson], CreationOrder(std::move(madeWhen)));
    // The records are made side by side in stretches of persons, each value into the slots its
    // person was given, then handed on and posted here in order. Texts are read as views of the
    // carved bytes and copied once, into the record that keeps them.
    std::vector<std::pair<Named*, Named*>> namedBy(persons.size(), {nullptr, nullptr});
    std::vector<size_t> slotAt(persons.size() + 1, 0);
    for (size_t i = 0; i < persons.size(); ++i) {
        if (const std::optional<int64_t> id = ids[i])
            namedBy[i] = std::equal_range(valuesByPerson.data(), valuesByPerson.data() + valuesByPerson.size(),
                                          Named{*id, 0, 0, nullptr},
                                          [](const Named& a, const Named& b) { return a.person < b.person; });
        slotAt[i + 1] = slotAt[i] + static_cast<size_t>(namedBy[i].second - namedBy[i].first);
    }
    std::vector<PRContactNodePtr> made(persons.size());
    std::vector<DelContactValuePtr> entries(slotAt.back());
    auto make = [&](size_t i) {
        const CarvedRecord* p = persons[i];
        auto person = std::make_shared<PRContactNode>();
        auto part = [&](size_t column) { return std::string(trimmedText(textView(p->values[column]))); };
        person->setContactFirstName(part(1));
        person->setContactLastName(part(2));
        person->setContactMiddleName(part(3));
        person->setContactOrganization(part(7));
        person->setContactDepartment(part(8));
        std::string name = person->contactFirstName();
        appendPart(name, person->contactLastName());
        appendPart(name, person->contactMiddleName());
        person->setContactName(std::move(name));
        std::string company = person->contactOrganization();
        appendPart(company, person->contactDepartment());
        person->setContactCompany(std::move(company));
        person->setContactNote(std::string(textView(p->values[9])));
        person->setContactJobtitle(part(12));
        if (const std::optional<int64_t> id = ids[i]) {
            person->setRowid(static_cast<int>(*id));
            std::string phone, email, homepage;
            std::vector<PRContactValue> phones, emails, homepages;
            size_t slot = slotAt[i];
            for (const Named* named = namedBy[i].first; named != namedBy[i].second; ++named, ++slot) {
                const CarvedRecord* v = named->value;
                const std::string_view text = textView(v->values[5]);
                if (text.empty()) continue;
                auto entry = std::make_shared<DelContactValue>();
                entry->setRowID(static_cast<int>(*id));
                entry->setValueType(static_cast<int>(v->values[2].asInteger()));
                entry->setContactValue(std::string(text));
                const std::string_view value = trimmedText(text);
                if (!value.empty()) {
                    switch (entry->valueType()) {
                    case 3:
                        appendPart(phone, value);
                        phones.push_back({{}, std::string(value)});
                        break;
                    case 4:
                        appendPart(email, value);
                        emails.push_back({{}, std::string(value)});
                        break;
                    case 22:
                        appendPart(homepage, value);
                        homepages.push_back({{}, std::string(value)});
                        break;
                    default: break;
                    }
                }
                entries[slot] = std::move(entry);
            }
            person->setContactPhone(std::move(phone));
            person->setContactEmail(std::move(email));
            person->setContactHomepage(std::move(homepage));
            person->setContactPhones(std::move(phones));
            person->setContactEmails(std::move(emails));
            person->setContactHomepages(std::move(homepages));
        }
        made[i] = std::move(person);
    };
    constexpr size_t kPersonsPerStretch = 4096;
    inStretches(persons.size(), kPersonsPerStretch, threads, [&](size_t from, size_t to, size_t) {
        for (size_t i = from; i < to; ++i) make(i);
    });

    arrays.delContactArray.reserve(arrays.delContactArray.size() + persons.size());
    arrays.delContactValueArray.reserve(arrays.delContactValueArray.size() + entries.size());
    for (size_t i = 0; i < persons.size(); ++i) {
        for (size_t slot = slotAt[i]; slot < slotAt[i + 1]; ++slot)
            if (entries[slot]) arrays.delContactValueArray.push_back(std::move(entries[slot]));
        (ids[i] ? arrays.delContactArray : arrays.delUnKnowContactArray).push_back(made[i]);
        context_.nc->postNotificationName(kPosted, std::move(made[i]));
    }
    releaseTables(std::move(tables));
    postProgress(context_, 75);
}

}  // namespace carve
