#include "backup/carve/DelContactCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <unordered_set>

namespace carve {

namespace {
const std::string kPosted = "ScanDelContactInfo";
const char* const kAddressBook = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";

// ABPerson (ROWID, First, Last, Middle, phonetics, Organization, Department, Note, Kind,
// Birthday, JobTitle, ...) and ABMultiValue (UID, record_id, property, identifier, label, value).
enum Shape { kPerson, kValue };
const std::vector<TableShape>& contactShapes() {
    static const std::vector<TableShape> shapes = {shapeOf("ktttttttttitttttttrrttttitbttiiiti"), shapeOf("kIIiit")};
    return shapes;
}

// The row id each deleted person had: its own when it was read; else the one id that the values
// name, that no live person has and that the rows around the person leave to it alone. A guess
// that more than one id fits is no join: the person comes without values rather than another's.
std::map<const CarvedRecord*, int64_t> personIds(const std::vector<const CarvedRecord*>& persons,
                                                 const std::set<int64_t>& orphanIds) {
    std::map<const CarvedRecord*, int64_t> ids;
    std::set<int64_t> taken;
    std::map<const CarvedRecord*, std::vector<int64_t>> candidates;
    for (const CarvedRecord* p : persons) {
        if (p->rowidKnown) {
            ids[p] = p->rowid;
            taken.insert(p->rowid);
            continue;
        }
        for (int64_t id : orphanIds)
            if (admitsRowid(*p, id)) candidates[p].push_back(id);
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (auto& [p, list] : candidates) {
            if (ids.count(p)) continue;
            list.erase(std::remove_if(list.begin(), list.end(), [&](int64_t id) { return taken.count(id) > 0; }),
                       list.end());
            if (list.size() == 1) {
                ids[p] = list.front();
                taken.insert(list.front());
                changed = true;
            }
        }
    }
    // Persons that together fill the whole hole between two whole rows of their page, every id
    // of it named by values and free: they were written one after another, the first highest
    // on the page, so they take the ids in that order.
    std::map<std::tuple<int64_t, int64_t, int64_t>, std::vector<const CarvedRecord*>> holes;
    for (const CarvedRecord* p : persons)
        if (!p->rowidKnown && !ids.count(p) && p->rowidBefore > 0 && p->rowidAfter > p->rowidBefore)
            holes[{p->page, p->rowidBefore, p->rowidAfter}].push_back(p);
    for (auto& [hole, group] : holes) {
        const auto& [page, before, after] = hole;
        if (after - before - 1 != static_cast<int64_t>(group.size())) continue;
        bool free = true;
        for (int64_t id = before + 1; id < after; ++id) free = free && orphanIds.count(id) && !taken.count(id);
        if (!free) continue;
        std::sort(group.begin(), group.end(),
                  [](const CarvedRecord* a, const CarvedRecord* b) { return a->position > b->position; });
        for (size_t k = 0; k < group.size(); ++k) ids[group[k]] = before + 1 + static_cast<int64_t>(k);
    }
    return ids;
}
}  // namespace

void DelContactCarver::scanDelContactThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kAddressBook}, context_, "contactDB is not exist")) return;
    const std::vector<CarvedTable> tables = carveRecords(db, contactShapes());
    PRBackupScanState& arrays = context_.state;

    std::unordered_set<int64_t> livePersons;
    for (const CarvedRecord& p : tables[kPerson].live) livePersons.insert(p.rowid);
    // Values of deleted persons, in the order they were written.
    std::vector<const CarvedRecord*> values;
    for (const CarvedRecord& v : tables[kValue].deleted)
        if (!livePersons.count(v.values[1].asInteger())) values.push_back(&v);
    std::stable_sort(values.begin(), values.end(), [](const CarvedRecord* a, const CarvedRecord* b) {
        return a->values[3].asInteger() < b->values[3].asInteger();  // the person's own order of values
    });
    std::set<int64_t> orphanIds;
    for (const CarvedRecord* v : values) orphanIds.insert(v->values[1].asInteger());

    std::vector<const CarvedRecord*> persons;
    for (const CarvedRecord& p : tables[kPerson].deleted) {
        // A person is someone: a row without any name or company is other bytes.
        if (textOf(p.values[1]).empty() && textOf(p.values[2]).empty() && textOf(p.values[7]).empty()) continue;
        persons.push_back(&p);
    }
    const auto ids = personIds(persons, orphanIds);

    for (const CarvedRecord* p : persons) {
        auto person = std::make_shared<PRContactNode>();
        std::string name = textOf(p->values[1]);
        for (size_t column : {2u, 3u})
            if (auto part = textOf(p->values[column]); !part.empty()) name += " " + part;
        person->setContactName(name);
        std::string company = textOf(p->values[7]);
        if (auto department = textOf(p->values[8]); !department.empty()) company += " " + department;
        person->setContactCompany(company);
        person->setContactNote(textOf(p->values[9]));
        person->setContactJobtitle(textOf(p->values[12]));
        auto id = ids.find(p);
        if (id != ids.end()) {
            person->setRowid(static_cast<int>(id->second));
            for (const CarvedRecord* v : values) {
                if (v->values[1].asInteger() != id->second) continue;
                const std::string text = textOf(v->values[5]);
                if (text.empty()) continue;
                auto entry = std::make_shared<DelContactValue>();
                entry->setRowID(static_cast<int>(id->second));
                entry->setValueType(static_cast<int>(v->values[2].asInteger()));
                entry->setContactValue(text);
                arrays.delContactValueArray.push_back(entry);
                switch (entry->valueType()) {
                case 3: person->setContactPhone(person->contactPhone() + " " + text); break;
                case 4: person->setContactEmail(person->contactEmail() + " " + text); break;
                case 22: person->setContactHomepage(person->contactHomepage() + " " + text); break;
                default: break;
                }
            }
            arrays.delContactArray.push_back(person);
        } else {
            arrays.delUnKnowContactArray.push_back(person);
        }
        context_.nc->postNotificationName(kPosted, person);
    }
    postProgress(context_, 75);
}

}  // namespace carve
