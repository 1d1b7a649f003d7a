#include "backup/carve/DelContactCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/KeySet.h"
#include "backup/carve/SlotSums.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

namespace carve {

namespace {
const std::string kPosted = "ScanDelContactInfo";
const char* const kAddressBook = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";

// ABPerson (ROWID, First, Last, Middle, phonetics, Organization, Department, Note, Kind,
// Birthday, JobTitle, ...) and ABMultiValue (UID, record_id, property, identifier, label, value).
enum Shape { kPerson, kValue };
const std::vector<TableShape>& contactShapes() {
    static const std::vector<TableShape> shapes = {shapeOf("ktttttttttitt|tttttrrtttt!itbttiiiti", LiveRows::places),
                                                   shapeOf("kIIiit")};
    return shapes;
}

// The row id each deleted person had: its own when it was read; else the one id that the values
// name, that no live person has and that the rows around the person leave to it alone. A guess
// that more than one id fits is no join: the person comes without values rather than another's.
// orphans: the ids the values name, sorted, each once. The answer goes with persons, by index.
std::vector<std::optional<int64_t>> personIds(const std::vector<const CarvedRecord*>& persons,
                                              const std::vector<int64_t>& orphans) {
    std::vector<std::optional<int64_t>> ids(persons.size());
    SlotSums open(orphans.size(), 1);  // 1 while the id is not taken
    auto indexOf = [&](int64_t id) { return std::lower_bound(orphans.begin(), orphans.end(), id) - orphans.begin(); };
    // The ids a person with a lost row id allows (see admitsRowid): a stretch of the sorted ids.
    struct Guess {
        size_t person;
        size_t from, to;
    };
    std::vector<Guess> guesses;
    for (size_t i = 0; i < persons.size(); ++i) {
        const CarvedRecord* p = persons[i];
        if (p->rowidKnown) {
            ids[i] = p->rowid;
            if (const auto at = static_cast<size_t>(indexOf(p->rowid)); at < orphans.size() && orphans[at] == p->rowid)
                open.add(at, -1);
            continue;
        }
        const auto from = static_cast<size_t>(indexOf(std::max<int64_t>(p->rowidBefore, 0) + 1));
        const auto to = p->rowidAfter == 0 ? orphans.size() : static_cast<size_t>(indexOf(p->rowidAfter));
        if (from < to) guesses.push_back({i, from, to});
    }
    // Persons that share the same whole rows around them on their page (or the page's edge),
    // with as many ids open between those rows as there are persons: each must take one of them,
    // so they take them all. They were written one after another, the first highest on the
    // page, so they take the ids in that order. A lone person with one open id takes it. Ids
    // taken in one hole (or by a person whose id was read) may leave another hole just enough;
    // so the holes are looked at again until none settles. Persons bounded by nothing on a side
    // share a hole only with themselves: the ids open across the whole file are no such count.
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
    std::vector<bool> settled(guesses.size(), false);
    for (bool changed = true; changed;) {
        changed = false;
        for (auto& [hole, group] : holes) {
            if (settled[group.front()]) continue;
            const Guess& first = guesses[group.front()];
            if (open.before(first.to) - open.before(first.from) != static_cast<int64_t>(group.size())) continue;
            for (size_t g : group) {
                const size_t at = open.nth(open.before(first.from) + 1);
                ids[guesses[g].person] = orphans[at];
                open.add(at, -1);
                settled[g] = true;
            }
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
    const auto ids = personIds(persons, orphanIds);

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
