// Databases written the way a phone writes them over months: rows added, live rows edited
// between deletions (an edit that changes a row's length leaves its old copy behind, in a
// freeblock that took its row id), never vacuumed. What the carvers list as deleted must be
// deleted: no live record among them, and none with another record's values.
#include "CarveTestSupport.h"
#include "CarvingFixtures.h"
#include "FixtureDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "backup/layouts/IosSchemas.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <set>

using namespace carvetest;

namespace {

const char* const kFirstNames[] = {"Anna", "Bo", "Carla", "Dmitri", "Eve", "Farid", "Grete", "Hiro", "Ines", "Jon"};
const char* const kLastNames[] = {"Berg", "Chow", "Duarte", "Ekström", "Fontaine", "Gallo", "Hart", "Ivanova"};

// Every version a record had, and whether it is still in the file's tables.
struct History {
    bool live = true;
    std::set<std::string> names;   // a contact's names ("First Last"), a message's texts
    std::set<std::string> values;  // a contact's numbers and addresses, a message's address
};

class Writer {
public:
    explicit Writer(uint64_t seed) : random_(seed) {}
    int64_t below(int64_t n) { return std::uniform_int_distribution<int64_t>(0, n - 1)(random_); }
    template <class T, size_t N>
    const char* pick(T (&from)[N]) {
        return from[below(static_cast<int64_t>(N))];
    }

private:
    std::mt19937_64 random_;
};

// Puts to over every place the file at path holds from, as a later write puts its bytes over
// a freed row's; answers how many places it changed.
int overwrite(const std::string& path, const std::string& from, const std::string& to) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    int changed = 0;
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + from.size())) {
        bytes.replace(at, to.size(), to);
        ++changed;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return changed;
}

// The eight bytes SQLite stores a real in.
std::string realBytes(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes;
    for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(bits >> shift & 0xff));
    return bytes;
}

// An address book of iOS 5 written over time: contacts come in rounds (the first ones in a sync,
// within seconds, then one by one), and between rounds some live contacts are edited (a name
// part, a number changed, an e-mail added) and others deleted, with their values.
std::map<int64_t, History> writeEditedAddressBook(const std::string& path, int contacts, double editShare,
                                                  uint64_t seed) {
    carvefix::FixtureDatabase db(path, 4096, false);
    db.exec(iosschema::addressBook(iosschema::Ios::v5) + iosschema::addressBookRows());
    Writer w(seed);
    std::map<int64_t, History> people;
    std::map<int64_t, std::vector<int64_t>> valueRows;  // each contact's ABMultiValue rows
    std::map<int64_t, int> versions;
    int64_t created = 300000000;
    // A person edits one name at a time: the first name, then the last, and so on.
    auto name = [&](int64_t id, int version) {
        const std::string first = kFirstNames[id % std::size(kFirstNames)];
        const std::string last = std::string(kLastNames[id % std::size(kLastNames)]) + std::to_string(id);
        const int firstEdits = (version + 1) / 2, lastEdits = version / 2;
        return std::make_pair(firstEdits ? first + "-" + std::to_string(firstEdits) : first,
                              lastEdits ? last + "x" + std::to_string(lastEdits) : last);
    };
    auto addValue = [&](int64_t id, int property, const std::string& text) {
        db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, ?, ?, 1, ?)",
               {id, int64_t{property}, static_cast<int64_t>(valueRows[id].size()), text});
        valueRows[id].push_back(db.lastRowid());
        people[id].values.insert(text);
    };
    auto phone = [&](int64_t id, int version) {
        return "+1 555 " + std::to_string(100000 + id) + (version ? " " + std::to_string(version) : "");
    };
    auto insert = [&](int index) {
        created += index < contacts / 10 ? w.below(2) : 60 + w.below(86400 * 20);
        const auto [first, last] = name(index + 1, 0);
        db.run(
            "INSERT INTO ABPerson (First, Last, Organization, Note, Kind, FirstSort, LastSort, CreationDate, "
            "ModificationDate, StoreID, FirstSortSection, LastSortSection) VALUES (?, ?, ?, ?, 0, ?, ?, ?, ?, 0, "
            "?, ?)",
            {first, last, w.below(3) ? carvefix::Value(nullptr) : carvefix::Value(std::string("Acme Ltd")),
             w.below(4) ? carvefix::Value(nullptr) : carvefix::Value("met at the fair " + std::to_string(index)),
             first + " " + last, last + " " + first, created, created, first.substr(0, 1), last.substr(0, 1)});
        const int64_t id = db.lastRowid();
        people[id].names.insert(first + " " + last);
        for (int64_t k = 0, phones = 1 + w.below(2); k < phones; ++k) addValue(id, 3, phone(id, static_cast<int>(k)));
        if (w.below(2)) addValue(id, 4, first + "." + last + "@example.com");
    };
    auto edit = [&](int64_t id) {
        const int version = ++versions[id];
        const auto [first, last] = name(id, version);
        db.run(
            "UPDATE ABPerson SET First = ?, Last = ?, FirstSort = ?, LastSort = ?, ModificationDate = ? "
            "WHERE ROWID = ?",
            {first, last, first + " " + last, last + " " + first, created + 30, id});
        people[id].names.insert(first + " " + last);
        const std::string number = phone(id, 10 + version);
        db.run("UPDATE ABMultiValue SET value = ? WHERE UID = ?", {number, valueRows[id].front()});
        people[id].values.insert(number);
        if (w.below(2)) addValue(id, 4, "new" + std::to_string(version) + "." + last + "@example.org");
    };
    auto remove = [&](int64_t id) {
        for (int64_t value : valueRows[id]) db.run("DELETE FROM ABMultiValue WHERE UID = ?", {value});
        db.run("DELETE FROM ABPerson WHERE ROWID = ?", {id});
        people[id].live = false;
    };
    constexpr int kRounds = 20;
    int written = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (const int end = contacts * (round + 1) / kRounds; written < end; ++written) insert(written);
        std::vector<int64_t> live;
        for (const auto& [id, h] : people)
            if (h.live) live.push_back(id);
        // Over all rounds, editShare of the contacts are edited and about a fifth deleted.
        const auto edits = static_cast<int64_t>(contacts * editShare / kRounds) + 1;
        for (int64_t k = 0; k < edits; ++k) edit(live[static_cast<size_t>(w.below(static_cast<int64_t>(live.size())))]);
        for (int64_t k = 0, deletes = contacts / (5 * kRounds) + 1; k < deletes; ++k) {
            const int64_t id = live[static_cast<size_t>(w.below(static_cast<int64_t>(live.size())))];
            if (people[id].live) remove(id);
        }
    }
    db.close();
    return people;
}

// The messages of an iOS 5 phone written over time: a message comes in or goes out, is marked
// read later (its row grows by the time it was read, so its old copy is left behind), and now
// and then one message, or a whole conversation, is deleted.
std::map<int64_t, History> writeEditedMessages(const std::string& path, int messages, uint64_t seed) {
    carvefix::FixtureDatabase db(path, 4096, false);
    db.exec(iosschema::messages(iosschema::Ios::v5));
    Writer w(seed);
    std::map<int64_t, History> texts;
    std::map<std::string, std::vector<int64_t>> byAddress;
    std::vector<std::string> partners;
    for (int k = 0; k < 12; ++k) partners.push_back("+4479460" + std::to_string(10000 + 37 * k));
    int64_t when = 1320000000;
    std::vector<int64_t> unread;
    for (int i = 0; i < messages; ++i) {
        when += 1 + w.below(40000);
        const std::string& address = partners[static_cast<size_t>(w.below(static_cast<int64_t>(partners.size())))];
        const std::string text = "see you at " + std::to_string(i) + (w.below(3) ? "" : " and bring the keys");
        const bool sent = w.below(2);
        db.run("INSERT INTO message (address, date, text, flags, read, UIFlags, version) VALUES (?, ?, ?, ?, ?, 0, 0)",
               {address, when, text, int64_t{sent ? 3 : 2}, int64_t{sent ? 1 : 0}});
        const int64_t id = db.lastRowid();
        texts[id].names.insert(text);
        texts[id].values.insert(address);
        byAddress[address].push_back(id);
        if (!sent) unread.push_back(id);
        if (i % 10 != 9) continue;
        // The phone marks what was read, then the user deletes a message or, rarely, a thread.
        for (int64_t read : unread)
            db.run("UPDATE message SET read = 1, UIFlags = 4, madrid_date_read = ? WHERE ROWID = ?",
                   {when + 300, read});
        unread.clear();
        std::vector<int64_t> gone;
        if (w.below(12) == 0) {
            std::vector<int64_t>& thread = byAddress[address];
            gone.swap(thread);
        } else {
            const int64_t victim = 1 + w.below(id);
            if (texts[victim].live) gone.push_back(victim);
        }
        for (int64_t victim : gone) {
            db.run("DELETE FROM message WHERE ROWID = ?", {victim});
            texts[victim].live = false;
        }
    }
    db.close();
    return texts;
}

// The notes of an iOS 5 phone written over time: notes are written, retitled and rewritten
// (each edit a new title, summary and body, the note's guid and time made kept), and deleted.
std::map<int64_t, History> writeEditedNotes(const std::string& path, int notes, uint64_t seed) {
    carvefix::FixtureDatabase db(path, 4096, false);
    db.exec(iosschema::notes(iosschema::Ios::v5));
    Writer w(seed);
    std::map<int64_t, History> titles;
    std::map<int64_t, int> versions;
    double created = 320000000;
    auto text = [](int64_t pk, int version) {
        const std::string title = "groceries for week " + std::to_string(pk) + std::string(version, '!');
        return std::make_pair(title, "<div>" + title + "</div><div>eggs " + std::to_string(version) + "</div>");
    };
    for (int64_t pk = 1; pk <= notes; ++pk) {
        created += 60 + static_cast<double>(w.below(86400));
        const auto [title, body] = text(pk, 0);
        db.run(
            "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE, ZDELETEDFLAG, ZINTEGERID, "
            "ZISBOOKKEEPINGENTRY, ZBODY, ZSTORE, ZCREATIONDATE, ZMODIFICATIONDATE, ZGUID, ZSUMMARY, ZTITLE) "
            "VALUES (?, 3, 1, 0, 0, 0, ?, 0, ?, 1, ?, ?, ?, ?, ?)",
            {pk, 1000 + pk, pk, created, created, "5F0C1D2E-" + std::to_string(100000 + pk * 7919), title, title});
        db.run("INSERT INTO ZNOTEBODY (Z_PK, Z_ENT, Z_OPT, ZOWNER, ZCONTENT) VALUES (?, 4, 1, ?, ?)", {pk, pk, body});
        titles[pk].names.insert(title);
        if (pk % 10 != 0) continue;
        for (int k = 0; k < 3; ++k) {
            const int64_t edited = 1 + w.below(pk);
            if (!titles[edited].live) continue;
            const auto [newTitle, newBody] = text(edited, ++versions[edited]);
            db.run(
                "UPDATE ZNOTE SET ZTITLE = ?, ZSUMMARY = ?, ZMODIFICATIONDATE = ?, Z_OPT = Z_OPT + 1 "
                "WHERE Z_PK = ?",
                {newTitle, newTitle, created + 30, edited});
            db.run("UPDATE ZNOTEBODY SET ZCONTENT = ? WHERE ZOWNER = ?", {newBody, edited});
            titles[edited].names.insert(newTitle);
        }
        const int64_t victim = 1 + w.below(pk);
        if (!titles[victim].live) continue;
        db.run("DELETE FROM ZNOTEBODY WHERE ZOWNER = ?", {victim});
        db.run("DELETE FROM ZNOTE WHERE Z_PK = ?", {victim});
        titles[victim].live = false;
    }
    db.close();
    return titles;
}

// Who had each name and each value, by any version.
struct Owners {
    std::map<std::string, int64_t> byName, byValue;
    explicit Owners(const std::map<int64_t, History>& records) {
        for (const auto& [id, h] : records) {
            for (const std::string& n : h.names) byName[n] = id;
            for (const std::string& v : h.values) byValue[v] = id;
        }
    }
};

// What the contact carver lists of an edited address book: deleted contacts that are live ones,
// and deleted contacts showing a value of another person.
struct ContactFaults {
    int listed = 0, liveListed = 0, othersValues = 0, deletedWithValues = 0;
    std::set<int64_t> deletedShown;  // the deleted contacts listed, each once however often listed
};

ContactFaults contactFaults(const std::vector<PRContactNodePtr>& carved, const std::map<int64_t, History>& people) {
    const Owners owners(people);
    ContactFaults faults;
    for (const PRContactNodePtr& c : carved) {
        ++faults.listed;
        const auto owner = owners.byName.find(c->contactName());
        const bool live = owner != owners.byName.end() && people.at(owner->second).live;
        faults.liveListed += live;
        if (owner != owners.byName.end() && !live) faults.deletedShown.insert(owner->second);
        if (getenv("CARVE_DEBUG") && live) std::cout << "live listed: " << c->contactName() << "\n";
        bool others = false, any = false;
        for (const auto* list : {&c->contactPhones(), &c->contactEmails()})
            for (const PRContactValue& v : *list) {
                any = true;
                const auto of = owners.byValue.find(std::string(v.value.view()));
                others = others ||
                         (of != owners.byValue.end() && (owner == owners.byName.end() || of->second != owner->second));
            }
        faults.othersValues += others;
        if (getenv("CARVE_DEBUG") && others) std::cout << "another's value: " << c->contactName() << "\n";
        faults.deletedWithValues += any && !live && !others;
    }
    return faults;
}

TEST_F(CarveTest, EditedAddressBookListsOnlyDeletedContactsWithTheirOwnValues) {
    // QM_EDITED_CONTACTS and QM_EDITED_SHARE size the book and its edits for a measurement by
    // hand (a large phone's: 20000 contacts, 0.025 of them edited); the figures are printed.
    const char* size = getenv("QM_EDITED_CONTACTS");
    const char* share = getenv("QM_EDITED_SHARE");
    const int contacts = size ? std::atoi(size) : 3000;
    const auto people =
        writeEditedAddressBook(file(backupkeys::addressBook), contacts, share ? std::atof(share) : 0.25, 7);
    carve::DelContactCarver(context).scanDelContactThread(folder());
    const ContactFaults faults = contactFaults(posted(notices::ScanDelContactInfo), people);
    int deleted = 0;
    for (const auto& [id, h] : people) deleted += !h.live;
    std::cout << contacts << " contacts, " << deleted << " deleted: " << faults.listed << " listed, "
              << faults.liveListed << " of them live, " << faults.deletedShown.size() << " deleted ones shown, "
              << faults.othersValues << " with another's values, " << faults.deletedWithValues
              << " deleted with their own values\n";
    // An old copy that kept its time made, or that lies right before the live row it became, is
    // known for that row. Left: old copies whose id, time and tail later writes all took, with
    // nothing to tie them to a live row but their names (one in twenty listed here, where a
    // quarter of the contacts were edited; one in eight hundred where a fortieth were).
    EXPECT_LE(faults.liveListed * 10, faults.listed) << "of " << faults.listed << " listed";
    EXPECT_EQ(faults.othersValues, 0) << "of " << faults.listed << " listed";
    // The deleted contacts whose bytes later rows left still come back, most with their own
    // numbers.
    EXPECT_GE(faults.deletedShown.size() * 3, static_cast<size_t>(deleted)) << deleted << " deleted";
    EXPECT_GE(faults.deletedWithValues, deleted / 4) << deleted << " deleted";
}

// Namesakes: in each family two live John Smiths, each renamed once (one's first name, the
// other's last), and a third John Smith made later and deleted. The renamed ones' earlier copies
// hold the names the deleted one has, and are no deleted contacts; the deleted one, made at
// another time, still is one. So is Anna Smith, made in the same second as her live brother Ben
// in a sync, neither changed since, who share all but their first names.
TEST_F(CarveTest, RenamedNamesakesAreNoDeletedContactsAndTheDeletedNamesakeIs) {
    carvefix::FixtureDatabase db(file(backupkeys::addressBook), 1024, false);
    db.exec(iosschema::addressBook(iosschema::Ios::v5) + iosschema::addressBookRows());
    constexpr int kFamilies = 40;
    int64_t created = 300000000;
    auto insert = [&](const std::string& note, const std::string& first = "John", bool sameSecond = false) {
        created += sameSecond ? 0 : 3600;
        db.run(
            "INSERT INTO ABPerson (First, Last, Note, Kind, FirstSort, LastSort, CreationDate, ModificationDate, "
            "StoreID, FirstSortSection, LastSortSection) VALUES (?, 'Smith', ?, 0, ?, ?, ?, ?, 0, ?, 'S')",
            {first, note.empty() ? carvefix::Value(nullptr) : carvefix::Value(note), first + " Smith", "Smith " + first,
             created, created, first.substr(0, 1)});
        const int64_t id = db.lastRowid();
        db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, 3, 0, 1, ?)",
               {id, "+1 555 " + std::to_string(100000 + id)});
        return id;
    };
    std::vector<std::array<int64_t, 4>> families;
    for (int family = 0; family < kFamilies; ++family) {
        const std::string of = " of family " + std::to_string(family);
        const int64_t first = insert("the first" + of), second = insert("the second" + of);
        const int64_t third = insert("the third" + of);
        insert("", "Ben");
        families.push_back({first, second, third, insert("", "Anna", true)});
    }
    // The renames, then the deletions: no later row takes the deleted ones' room.
    for (const auto& [first, second, third, sister] : families) {
        db.run(
            "UPDATE ABPerson SET First = 'Jonathan', FirstSort = 'Jonathan Smith', ModificationDate = ? "
            "WHERE ROWID = ?",
            {created + 60, first});
        db.run(
            "UPDATE ABPerson SET Last = 'Smithson', LastSort = 'Smithson John', ModificationDate = ? "
            "WHERE ROWID = ?",
            {created + 60, second});
    }
    for (const auto& family : families)
        for (const int64_t deleted : {family[2], family[3]}) {
            db.run("DELETE FROM ABMultiValue WHERE record_id = ?", {deleted});
            db.run("DELETE FROM ABPerson WHERE ROWID = ?", {deleted});
        }
    db.close();
    carve::DelContactCarver(context).scanDelContactThread(folder());
    int live = 0, sisters = 0;
    std::set<std::string> deletedListed;
    for (const PRContactNodePtr& c : posted(notices::ScanDelContactInfo)) {
        const std::string note(c->contactNote());
        if (note.rfind("the third", 0) == 0) {
            EXPECT_EQ(c->contactName(), "John Smith");
            deletedListed.insert(note);
        } else if (note.empty() && c->contactName() == "Anna Smith") {
            ++sisters;
        } else {
            ++live;
            ADD_FAILURE() << "a live namesake's earlier copy listed: " << c->contactName() << ", " << note;
        }
    }
    EXPECT_EQ(live, 0);
    EXPECT_GE(deletedListed.size(), size_t{kFamilies * 3 / 4});
    EXPECT_GE(sisters, kFamilies * 3 / 4);
}

// Deleted contacts of every mix of name and work parts, each part there or not (a person needs
// a first name, a last name or an organization): each comes back showing its name's parts in the
// columns' order, its company without the job title, and its parts as they were.
TEST_F(CarveTest, DeletedContactsShowTheirNameAndCompanyInEveryMixOfParts) {
    carvefix::FixtureDatabase db(file(backupkeys::addressBook), 4096, false);
    db.exec(iosschema::addressBook(iosschema::Ios::v6) + iosschema::addressBookRows());
    enum Part { kFirst, kLast, kMiddle, kOrganization, kDepartment, kJobTitle, kParts };
    const std::array<std::string, kParts> texts = {"Maria", "Okafor", "Lund", "Acme Ltd", "Sales", "Engineer"};
    auto part = [&](int mix, Part p) { return mix >> p & 1 ? texts[p] : std::string(); };
    auto value = [](const std::string& text) {
        return text.empty() ? carvefix::Value(nullptr) : carvefix::Value(text);
    };
    auto joined = [](std::initializer_list<std::string> parts) {
        std::string text;
        for (const std::string& p : parts)
            if (!p.empty()) text += (text.empty() ? "" : " ") + p;
        return text;
    };
    std::vector<int64_t> ids;
    int64_t created = 300000000;
    for (int mix = 0; mix < 1 << kParts; ++mix) {
        if (part(mix, kFirst).empty() && part(mix, kLast).empty() && part(mix, kOrganization).empty()) continue;
        created += 3600;
        db.run(
            "INSERT INTO ABPerson (First, Last, Middle, Organization, Department, JobTitle, Note, Kind, CreationDate, "
            "ModificationDate, StoreID) VALUES (?, ?, ?, ?, ?, ?, ?, 0, ?, ?, 0)",
            {value(part(mix, kFirst)), value(part(mix, kLast)), value(part(mix, kMiddle)),
             value(part(mix, kOrganization)), value(part(mix, kDepartment)), value(part(mix, kJobTitle)),
             "mix " + std::to_string(mix), created, created});
        ids.push_back(db.lastRowid());
        // A live person after each keeps the pages in the table: the deleted ones lie in their gaps.
        db.run(
            "INSERT INTO ABPerson (First, Last, Note, Kind, CreationDate, ModificationDate, StoreID) "
            "VALUES ('Live', ?, 'still here', 0, ?, ?, 0)",
            {"Person" + std::to_string(mix), created + 1, created + 1});
    }
    for (const int64_t id : ids) db.run("DELETE FROM ABPerson WHERE ROWID = ?", {id});
    db.close();
    carve::DelContactCarver(context).scanDelContactThread(folder());
    std::set<int> found;
    for (const PRContactNodePtr& c : posted(notices::ScanDelContactInfo)) {
        const std::string note(c->contactNote());
        ASSERT_EQ(note.rfind("mix ", 0), 0u) << note;
        const int mix = std::atoi(note.c_str() + 4);
        found.insert(mix);
        EXPECT_EQ(c->contactName(), joined({part(mix, kFirst), part(mix, kLast), part(mix, kMiddle)})) << note;
        EXPECT_EQ(c->contactCompany(), joined({part(mix, kOrganization), part(mix, kDepartment)})) << note;
        EXPECT_EQ(std::string(c->contactFirstName()), part(mix, kFirst)) << note;
        EXPECT_EQ(std::string(c->contactLastName()), part(mix, kLast)) << note;
        EXPECT_EQ(std::string(c->contactMiddleName()), part(mix, kMiddle)) << note;
        EXPECT_EQ(std::string(c->contactOrganization()), part(mix, kOrganization)) << note;
        EXPECT_EQ(std::string(c->contactDepartment()), part(mix, kDepartment)) << note;
        EXPECT_EQ(std::string(c->contactJobtitle()), part(mix, kJobTitle)) << note;
    }
    EXPECT_GE(found.size(), ids.size() * 3 / 4);
}

TEST_F(CarveTest, MessagesMarkedReadBetweenDeletionsListOnlyDeletedOnes) {
    const auto texts = writeEditedMessages(file(backupkeys::messages), 3000, 11);
    state.currentNodeIsiOS6Version = false;
    carve::DelMessageCarver(context).scanDelMessageThread(folder());
    const Owners owners(texts);
    int listed = 0, liveListed = 0, othersAddress = 0, deleted = 0;
    for (const auto& [id, h] : texts) deleted += !h.live;
    for (const PRMessageNodePtr& m : posted(notices::ScanDelMessageInfo)) {
        ++listed;
        const auto owner = owners.byName.find(m->messageContent());
        if (owner == owners.byName.end()) continue;
        liveListed += texts.at(owner->second).live;
        othersAddress += !texts.at(owner->second).values.count(std::string(m->messagePhone()));
    }
    EXPECT_EQ(liveListed, 0) << "of " << listed << " listed";
    EXPECT_EQ(othersAddress, 0) << "of " << listed << " listed";
    EXPECT_GE(listed - liveListed, deleted * 3 / 10) << deleted << " deleted";
}

TEST_F(CarveTest, EditedNotesAreNoDeletedNotes) {
    const auto titles = writeEditedNotes(file(backupkeys::notes), 1500, 5);
    carve::DelNoteCarver(context).scanDelNoteThread(folder());
    const Owners owners(titles);
    int listed = 0, liveListed = 0;
    for (const PRNoteNodePtr& n : posted(notices::ScanDelNoteInfo)) {
        ++listed;
        const auto owner = owners.byName.find(n->noteTitle());
        liveListed += owner != owners.byName.end() && titles.at(owner->second).live;
    }
    int deleted = 0;
    for (const auto& [pk, h] : titles) deleted += !h.live;
    EXPECT_EQ(liveListed, 0) << "of " << listed << " listed";
    EXPECT_GE(listed, deleted / 4) << deleted << " deleted";
}

// Bookmark pages laid out byte for byte as an edit leaves them: the edited row written anew over
// the end of its own freed cell, which keeps its title, address and the first characters of its
// identifier. Rows of the iOS 4 layout: id, special id, parent, type, title, address, children,
// editable, deletable, hidden, hidden ancestors, order, identifier.
using Bytes = std::vector<uint8_t>;

Bytes bookmarkRecord(const std::string& title, const std::string& url, const std::string& identifier,
                     uint8_t parent = 1, uint8_t order = 2) {
    auto serial = [](const std::string& text) { return static_cast<uint8_t>(13 + 2 * text.size()); };
    Bytes r = {0x0e, 0x00, 0x08, 0x01, 0x08, serial(title), serial(url),
               0x08, 0x09, 0x09, 0x08, 0x08, 0x01,          serial(identifier)};
    r.push_back(parent);
    r.insert(r.end(), title.begin(), title.end());
    r.insert(r.end(), url.begin(), url.end());
    r.push_back(order);
    r.insert(r.end(), identifier.begin(), identifier.end());
    return r;
}

// A table leaf of the bookmarks: live cells, and cells freed into blocks whose four bytes took
// the cell's length, row id and nothing more (the record follows whole).
class BookmarkLeaf {
public:
    BookmarkLeaf(carvefix::PageFile& file, int page) : file_(file), start_(file.pageStart(page)) {}
    // A live cell at at; its length.
    int live(int at, int rowid, const Bytes& record) {
        Bytes cell = varint(record.size());
        const Bytes id = varint(static_cast<uint64_t>(rowid));
        cell.insert(cell.end(), id.begin(), id.end());
        cell.insert(cell.end(), record.begin(), record.end());
        file_.put(start_ + at, cell);
        cells_.push_back(at);
        return static_cast<int>(cell.size());
    }
    // A freed cell at at whose block ends at end: a live cell written there later took the rest.
    void freed(int at, int end, const Bytes& record) {
        file_.put(start_ + at + 4, record);
        blocks_.emplace_back(at, end - at);
    }
    // A freed cell at at that a block holds whole.
    void freedWhole(int at, const Bytes& record) { freed(at, at + 4 + static_cast<int>(record.size()), record); }
    // A freed cell at at whose identifier (the record's last identifierLength bytes) a live cell
    // written later cut after kept characters.
    void cutBy(int at, const Bytes& copy, size_t identifierLength, int kept, int rowid, const Bytes& live) {
        const int end = at + 4 + static_cast<int>(copy.size() - identifierLength) + kept;
        freed(at, end, copy);
        this->live(end, rowid, live);
    }
    // Writes the page's header, cell pointers and block heads (blocks in the order of their places).
    void finish() {
        std::sort(blocks_.begin(), blocks_.end());
        int content = *std::min_element(cells_.begin(), cells_.end());
        if (!blocks_.empty()) content = std::min(content, blocks_.front().first);
        auto be16 = [](int v) { return Bytes{static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v & 0xff)}; };
        file_.put(start_, Bytes{0x0d});
        file_.put(start_ + 1, be16(blocks_.empty() ? 0 : blocks_.front().first));
        file_.put(start_ + 3, be16(static_cast<int>(cells_.size())));
        file_.put(start_ + 5, be16(content));
        for (size_t k = 0; k < cells_.size(); ++k) file_.put(start_ + 8 + 2 * static_cast<int64_t>(k), be16(cells_[k]));
        for (size_t k = 0; k < blocks_.size(); ++k) {
            file_.put(start_ + blocks_[k].first, be16(k + 1 < blocks_.size() ? blocks_[k + 1].first : 0));
            file_.put(start_ + blocks_[k].first + 2, be16(blocks_[k].second));
        }
    }

private:
    carvefix::PageFile& file_;
    int64_t start_;
    std::vector<int> cells_;
    std::vector<std::pair<int, int>> blocks_;
};

// A freed row and the live cell that cut its identifier.
struct CutRow {
    Bytes copy;
    size_t identifierLength;
    int rowid;
    Bytes live;
};

// A page of freed rows, at 300, 600, each cut after kept characters of its identifier.
void pageOfCutRows(carvefix::PageFile& f, int page, int kept, const std::vector<CutRow>& rows) {
    BookmarkLeaf leaf(f, page);
    int at = 300;
    for (const CutRow& row : rows) {
        leaf.cutBy(at, row.copy, row.identifierLength, kept, row.rowid, row.live);
        at += 300;
    }
    leaf.finish();
}

class BookmarkPages : public CarveTest {
protected:
    // The titles of the deleted bookmarks listed from a bookmark file of these pages.
    std::set<std::string> listedFrom(const carvefix::PageFile& f) {
        EXPECT_TRUE(f.write(file(backupkeys::bookmarks)));
        carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder());
        std::set<std::string> titles;
        for (const PRBookMarkNodePtr& b : posted(notices::scanDelBookMarkInfo)) titles.insert(b->bookMarkTitle());
        return titles;
    }
};

// A retitled bookmark of a site that another live bookmark of the page shares: its old copy keeps
// the address and three characters of the identifier before its own new cell, which tells it.
// A deleted bookmark of the same site, cut by another bookmark's cell whose identifier starts
// otherwise, is still one.
TEST_F(BookmarkPages, AnEarlierBookmarkCutByItsOwnRewriteIsNoDeletedOne) {
    carvefix::PageFile f(1024, 2);
    BookmarkLeaf page(f, 1);
    const std::string site = "http://a.example/";
    const std::string recipes = "7A1B3C4D-0000-4000-8000-00000000A001", maps = "9F8E7D6C-0000-4000-8000-00000000A002",
                      weather = "5E5E5E5E-0000-4000-8000-00000000A003";
    const Bytes copy = bookmarkRecord("Recipes", site, recipes), deleted = bookmarkRecord("Weather", site, weather);
    page.cutBy(400, copy, recipes.size(), 3, 7, bookmarkRecord("Recipes 2", site, recipes));
    page.cutBy(600, deleted, weather.size(), 3, 8, bookmarkRecord("Maps", site, maps));
    page.finish();
    EXPECT_EQ(listedFrom(f), std::set<std::string>{"Weather"});
}

// A bookmark retitled and moved to another address, its old copy cut after four characters of
// its identifier by its own rewrite right after it: it shares no edited value with the live row,
// but every other value and the start of the identifier of the one row whose cell took its tail.
// A deleted bookmark cut alike by another's cell whose identifier starts otherwise is still one.
TEST_F(BookmarkPages, ABookmarkRetitledAndMovedIsToldByItsRewritesIdentifier) {
    carvefix::PageFile f(1024, 2);
    BookmarkLeaf page(f, 1);
    const std::string garden = "C3D4E5F6-0000-4000-8000-00000000D001", news = "C3D5A0A0-0000-4000-8000-00000000D002";
    page.cutBy(300, bookmarkRecord("Garden", "http://g.example/", garden), garden.size(), 4, 9,
               bookmarkRecord("Garden club", "http://club.example/", garden));
    page.cutBy(600, bookmarkRecord("Old news", "http://n.example/", news), news.size(), 4, 10,
               bookmarkRecord("Radio", "http://r.example/", "1A2B3C4D-0000-4000-8000-00000000D003"));
    page.finish();
    EXPECT_EQ(listedFrom(f), std::set<std::string>{"Old news"});
}

// A bookmark edited twice leaves two copies. On its page: the first copy, its title and address
// both since changed, cut after five characters of the identifier by the live row, shares its
// title with the second, whose identifier is whole. Across pages: a copy whose identifier another
// row's cell cut after eight characters holds the address of a copy that a later page keeps
// whole with the live row's identifier; and one cut after four holds that copy's title and
// address. Another deleted bookmark of that address, whose identifier starts otherwise, is
// still one.
TEST_F(BookmarkPages, ABookmarkEditedTwiceLeavesNoDeletedCopies) {
    carvefix::PageFile f(1024, 5);
    const std::string twice = "BF80CC02-2A36-E076-5A42-975D6D40B2B4", moved = "71DE3582-66D2-2012-AA87-344B08468FD4",
                      other = "D2D2D2D2-0000-4000-8000-00000000B001";
    {
        BookmarkLeaf page(f, 1);
        page.freedWhole(300, bookmarkRecord("First", "http://c.example/2", twice));
        page.cutBy(500, bookmarkRecord("First", "http://c.example/1", twice), twice.size(), 5, 20,
                   bookmarkRecord("Third", "http://c.example/3", twice));
        page.finish();
    }
    pageOfCutRows(f, 2, 8,
                  {{bookmarkRecord("Zero", "http://d.example/", moved), moved.size(), 30,
                    bookmarkRecord("News", "http://m.example/", "00112233-4455-6677-8899-AABBCCDDEEFF")},
                   {bookmarkRecord("Other", "http://d.example/", other), other.size(), 31,
                    bookmarkRecord("Sport", "http://s.example/", "12121212-0000-4000-8000-00000000C001")}});
    {
        BookmarkLeaf page(f, 3);
        page.freedWhole(300, bookmarkRecord("Zero two", "http://d.example/", moved));
        page.live(600, 40, bookmarkRecord("Zero three", "http://e.example/", moved));
        page.finish();
    }
    pageOfCutRows(f, 4, 4,
                  {{bookmarkRecord("Zero two", "http://d.example/", moved), moved.size(), 50,
                    bookmarkRecord("Post", "http://p.example/", "55555555-0000-4000-8000-00000000C002")}});
    EXPECT_EQ(listedFrom(f), std::set<std::string>{"Other"});
}

// Copies whose identifier another row's cell cut. One that kept fourteen characters, whose
// cutter's length and row id read as letters: eight of them tell the row in a file of a phone's
// size. On the live row's page, one that kept five and the address of the live row, which
// another live bookmark of the page shares. On another page, one that kept six and that address.
// Deleted bookmarks cut alike, their identifiers their own (one of them the same but for its
// sixth character), are still ones.
TEST_F(BookmarkPages, AnEarlierBookmarkCutByAnotherRowIsToldByItsIdentifiersStart) {
    carvefix::PageFile f(1024, 4);
    const std::string garden = "A6588E16-0000-4000-8000-00000000E001", daisy = "B7B7B7B7-0000-4000-8000-00000000E002";
    // Cutters of 80 bytes ('P') with row ids 65 and 66 ('A', 'B').
    auto cutByLetters = [](const char* title, const std::string& identifier, int rowid, const std::string& path) {
        return CutRow{bookmarkRecord(title, "http://h.example/", identifier), identifier.size(), rowid,
                      bookmarkRecord("Sport", "http://sport.example/" + path,
                                     std::string(8, path[0]) + "-0000-4000-8000-00000000E0" + path)};
    };
    pageOfCutRows(f, 1, 14, {cutByLetters("Garden 1", garden, 65, "42"), cutByLetters("Daisy", daisy, 66, "43")});
    {
        BookmarkLeaf page(f, 2);
        page.cutBy(300, bookmarkRecord("Garden", "http://g.example/", garden), garden.size(), 5, 61,
                   bookmarkRecord("Lawn", "http://g.example/", "11111111-0000-4000-8000-00000000E003"));
        page.live(700, 60, bookmarkRecord("Garden 2", "http://g.example/", garden));
        page.finish();
    }
    // Cutters whose length (of two bytes) reads as no character.
    auto cutBy = [](const char* title, const std::string& identifier, int rowid) {
        return CutRow{bookmarkRecord(title, "http://g.example/", identifier), identifier.size(), rowid,
                      bookmarkRecord("Atlas", "http://maps.example/" + std::string(100, 'm'),
                                     "2222222" + std::to_string(rowid) + "-0000-4000-8000-00000000E004")};
    };
    pageOfCutRows(f, 3, 6, {cutBy("Garden 0", garden, 70), cutBy("Fern", "A6588F16-0000-4000-8000-00000000E005", 71)});
    EXPECT_EQ(listedFrom(f), (std::set<std::string>{"Daisy", "Fern"}));
}

// Copies that lost their id and all their identifier but a few characters or none, and keep an
// address other live bookmarks of the page share, told by the bytes they kept past the ones a
// carver reads: the folder before the title and the place in it after the address. One retitled
// and one retitled and moved (title and address both changed), each cut by its own rewrite; one
// retitled and moved whose second version's head lies between it and the live row; one retitled
// with a fragment between; one retitled whose tail another bookmark's cell took, its live row
// elsewhere on the page. Deleted bookmarks of
// that address cut alike are still ones: by another bookmark of the folder at another place, by
// one at the same place of another folder, and one at the live row's place and folder whose
// identifier starts otherwise.
TEST_F(BookmarkPages, AnEarlierBookmarkThatKeptOnlyASharedAddressIsToldByItsFolderAndPlace) {
    carvefix::PageFile f(4096, 3);
    const std::string site = "http://a.example/";
    const std::string recipes = "7A1B3C4D-0000-4000-8000-00000000F001", maps = "9F8E7D6C-0000-4000-8000-00000000F002",
                      news = "3C4D5E6F-0000-4000-8000-00000000F003", tides = "C0C0C0C0-0000-4000-8000-00000000F004",
                      radio = "E1E1E1E1-0000-4000-8000-00000000F005", moon = "F2F2F2F2-0000-4000-8000-00000000F006",
                      weather = "5E5E5E5E-0000-4000-8000-00000000F007", courts = "F227E504-0000-4000-8000-00000000F00C",
                      library = "ABABABAB-0000-4000-8000-00000000F00D", board = "ABCDEF12-0000-4000-8000-00000000F00F";
    {
        BookmarkLeaf page(f, 1);
        // Retitled, cut right where its identifier began; moved too, cut after one character.
        page.cutBy(300, bookmarkRecord("Recipes", site, recipes, 7, 5), recipes.size(), 0, 11,
                   bookmarkRecord("Recipes 2", site, recipes, 7, 5));
        page.cutBy(500, bookmarkRecord("News", site, news, 7, 6), news.size(), 1, 12,
                   bookmarkRecord("News 2", "http://n.example/", news, 7, 6));
        // Deleted: cut by a bookmark of its folder at another place, by one of another folder at
        // its place (the edit of its title and address alike).
        page.cutBy(700, bookmarkRecord("Weather", site, weather, 7, 8), weather.size(), 0, 13,
                   bookmarkRecord("Maps", site, maps, 7, 9));
        page.cutBy(900, bookmarkRecord("Tides", site, tides, 7, 10), tides.size(), 1, 14,
                   bookmarkRecord("Charts", "http://t.example/", "C1C1C1C1-0000-4000-8000-00000000F008", 4, 10));
        // Retitled and moved, its second version freed and cut in its header by the live row
        // (its length, row id and first serial types left between the two).
        const Bytes tennis = bookmarkRecord("Tennis", "http://r.example/", courts, 9, 15);
        const int second = 1500 + 4 + static_cast<int>(tennis.size() - courts.size()) + 4;
        const Bytes head = {0x7b, 0x19, 0x0e, 0x00, 0x08, 0x01, 0x08, 0x4b};
        page.freed(1500, second + static_cast<int>(head.size()), tennis);
        f.put(f.pageStart(1) + second, head);
        page.live(second + static_cast<int>(head.size()), 0x19,
                  bookmarkRecord("Tennis 3", "http://w.example/", courts, 9, 15));
        // Retitled, cut after five characters of its identifier: a byte of another's, a
        // fragment too short for a block, lies between it and its rewrite.
        const Bytes chess = bookmarkRecord("Chess", site, board, 7, 16);
        const int own = 2000 + 4 + static_cast<int>(chess.size() - board.size()) + 5;
        page.freed(2000, own + 1, chess);
        f.put(f.pageStart(1) + own, Bytes{'z'});
        page.live(own + 1, 0x1a, bookmarkRecord("Chess 2", site, board, 7, 16));
        page.finish();
    }
    {
        BookmarkLeaf page(f, 2);
        // Retitled; another bookmark's cell took its tail after one character of its identifier.
        page.cutBy(300, bookmarkRecord("Radio", site, radio, 7, 20), radio.size(), 1, 21,
                   bookmarkRecord("Gone", "http://g.example/", "0A0A0A0A-0000-4000-8000-00000000F009", 2, 30));
        page.live(1200, 22, bookmarkRecord("Radio 2", site, radio, 7, 20));
        page.live(1400, 23, bookmarkRecord("Podcasts", site, "D3D3D3D3-0000-4000-8000-00000000F00A", 7, 21));
        // Deleted, cut alike: at the live row's place and folder, its identifier its own.
        page.cutBy(600, bookmarkRecord("Moon", site, moon, 7, 20), moon.size(), 1, 24,
                   bookmarkRecord("Sun", "http://s.example/", "0B0B0B0B-0000-4000-8000-00000000F00B", 2, 31));
        // Retitled, cut right after its address by its rewrite: the last byte of its row id (the
        // block's head took its length and the rest of the id) is the live row's. A deleted
        // bookmark of the folder and address cut alike by another has a row id of its own.
        const std::string path = "http://l.example/" + std::string(40, 'p'), title(45, 't');
        auto cutAtAddress = [&](int at, const std::string& old, int rowid, int liveRowid, const Bytes& live) {
            Bytes copy = {static_cast<uint8_t>(rowid & 0x7f)};
            const Bytes record = bookmarkRecord(old + title, path, library, 7, 40);
            copy.insert(copy.end(), record.begin(), record.end() - 1 - static_cast<int>(library.size()));
            page.freed(at, at + 4 + static_cast<int>(copy.size()), copy);
            page.live(at + 4 + static_cast<int>(copy.size()), liveRowid, live);
        };
        cutAtAddress(2000, "Library", 20000, 20000, bookmarkRecord("Library", path, library, 7, 40));
        cutAtAddress(2600, "Archive", 20100, 20101,
                     bookmarkRecord("Museum", path, "0C0C0C0C-0000-4000-8000-00000000F00E", 7, 41));
        page.finish();
    }
    EXPECT_EQ(listedFrom(f), (std::set<std::string>{"Weather", "Tides", "Moon", "Archive" + std::string(45, 't')}));
}

// In the gap of a page, an older bookmark freed whole: the four bytes over its head are a block's
// whose size is the row's, its length, row id, header length and first type lost. Right after it
// lies a row of an older state that ran on into the live cells. Both come back.
TEST_F(BookmarkPages, AFreedBookmarkWhoseBlockSizeIsItsOwnComesBackBeforeARowThatRanOn) {
    carvefix::PageFile f(1024, 2);
    BookmarkLeaf page(f, 1);
    const Bytes ticket = bookmarkRecord("Ticket", "http://b.example/", "97622DFE-CD33-9092-041A-E0F324F4600E");
    const int cell = 2 + static_cast<int>(ticket.size());
    const int at = 760 - cell;
    f.put(f.pageStart(1) + at, Bytes{0x00, 0x00, 0x00, static_cast<uint8_t>(cell)});
    f.put(f.pageStart(1) + at + 4, Bytes(ticket.begin() + 2, ticket.end()));
    const Bytes older = bookmarkRecord("Older", "http://w.example/", "3C3C3C3C-0000-4000-8000-00000000D001");
    Bytes olderCell = {static_cast<uint8_t>(older.size()), 49};
    olderCell.insert(olderCell.end(), older.begin(), older.end());
    f.put(f.pageStart(1) + 760, olderCell);
    page.live(800, 50, bookmarkRecord("Live", "http://l.example/", "4D4D4D4D-0000-4000-8000-00000000D002"));
    page.finish();
    EXPECT_EQ(listedFrom(f), (std::set<std::string>{"Older", "Ticket"}));
}

// A calendar whose events are renamed and later moved: the rename writes the event anew (a
// longer title) and leaves its old row behind, the move changes its times in place. The old row
// then shares neither title nor times with the live event, only the place it names (whose row
// names the event back) and its notes; its identifier is there or not, as later writes left it
// (here there is none). Deleted events, their places deleted with them, still come back.
TEST_F(CarveTest, EventsRenamedAndMovedAreNoDeletedEvents) {
    carvefix::FixtureDatabase db(file(backupkeys::calendar), 4096, false);
    db.exec(iosschema::calendar(iosschema::Ios::v7));
    constexpr int kEvents = 400;
    std::set<std::string> liveTitles, deletedTitles;  // every title a live event had; the deleted ones'
    for (int i = 0; i < kEvents; ++i) {
        const int64_t id = i + 1;
        const double start = 400000000.0 + 3600.0 * i;
        db.run("INSERT INTO Location (title, item_owner_id) VALUES (?, ?)", {"Room " + std::to_string(i), id});
        const int64_t place = db.lastRowid();
        db.run(
            "INSERT INTO CalendarItem (ROWID, summary, location_id, description, start_date, start_tz, end_date, "
            "all_day, calendar_id) VALUES (?, ?, ?, ?, ?, 'Europe/London', ?, 0, 1)",
            {id, "Meeting " + std::to_string(i), place, "agenda of meeting " + std::to_string(i), start, start + 1800});
    }
    for (int i = 0; i < kEvents; ++i) {
        const int64_t id = i + 1;
        const std::string title = "Meeting " + std::to_string(i);
        if (i % 3 == 0) {
            const std::string renamed = title + " with the whole team";
            db.run("UPDATE CalendarItem SET summary = ? WHERE ROWID = ?", {renamed, id});
            db.run(
                "UPDATE CalendarItem SET start_date = start_date + 7200, end_date = end_date + 7200 WHERE ROWID = "
                "?",
                {id});
            liveTitles.insert({title, renamed});
        } else if (i % 7 != 0) {
            liveTitles.insert(title);
        }
    }
    // The deletions last: no later row takes their room.
    for (int i = 7; i < kEvents; i += 7)
        if (i % 3 != 0) {
            db.run("DELETE FROM CalendarItem WHERE ROWID = ?", {int64_t{i + 1}});
            deletedTitles.insert("Meeting " + std::to_string(i));
        }
    db.close();
    carve::DelCalenderCarver(context).ScanDelCalenderThread(folder());
    size_t live = 0;
    std::set<std::string> deletedListed;
    for (const PRCalenderNodePtr& event : posted(notices::scanDelCalenderInfo)) {
        const std::string title(event->calTitle());
        if (liveTitles.count(title)) {
            ++live;
            ADD_FAILURE() << "a live event's earlier copy listed: " << title;
        } else if (deletedTitles.count(title)) {
            // Its own place, or none where the ids leave its pairing open: never another's.
            const std::string place(event->location());
            EXPECT_TRUE(place.empty() || place == "Room " + title.substr(title.find(' ') + 1))
                << title << ": " << place;
            deletedListed.insert(title);
        }
    }
    EXPECT_EQ(live, 0u);
    EXPECT_GE(deletedListed.size() * 4, deletedTitles.size() * 3) << deletedTitles.size() << " deleted";
}

// A later cell written over a freed value's last byte and freed in turn, one byte before the
// live cell that took the same end since, leaves its payload's length there: a deleted
// contact's address then ends in a byte of punctuation, which no address ends in. The contact
// comes without that address rather than with one that is no one's; the other deleted contacts
// keep theirs.
TEST_F(CarveTest, ADeletedContactsAddressEndingInAnotherCellsLengthIsLeftOut) {
    const std::string path = file(backupkeys::addressBook);
    {
        carvefix::FixtureDatabase db(path, 4096, false);
        db.exec(iosschema::addressBook(iosschema::Ios::v5) + iosschema::addressBookRows());
        constexpr int kPersons = 40;
        for (int i = 0; i < kPersons; ++i) {
            const std::string first = kFirstNames[i % std::size(kFirstNames)];
            const std::string last = kLastNames[i % std::size(kLastNames)] + std::to_string(i);
            const int64_t created = 300000000 + int64_t{86400} * i;
            db.run("INSERT INTO ABPerson (First, Last, CreationDate, ModificationDate) VALUES (?, ?, ?, ?)",
                   {first, last, created, created});
            db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, 4, 0, 1, ?)",
                   {db.lastRowid(), first + "." + last + "@example.com"});
        }
        for (int64_t id = 2; id <= kPersons; id += 4) {
            db.run("DELETE FROM ABMultiValue WHERE record_id = ?", {id});
            db.run("DELETE FROM ABPerson WHERE ROWID = ?", {id});
        }
        db.close();
    }
    // The addresses of the deleted contacts listed, by name, of the records posted from first on.
    auto emails = [&](size_t first) {
        std::map<std::string, std::vector<std::string>> by;
        const std::vector<PRContactNodePtr> contacts = posted(notices::ScanDelContactInfo);
        for (size_t k = first; k < contacts.size(); ++k)
            for (const PRContactValue& v : contacts[k]->contactEmails())
                by[std::string(contacts[k]->contactName())].emplace_back(v.value.view());
        return by;
    };
    carve::DelContactCarver(context).scanDelContactThread(folder());
    std::map<std::string, std::vector<std::string>> expected = emails(0);
    ASSERT_FALSE(expected.empty());
    const std::string address = expected.begin()->second.front();
    ASSERT_EQ(overwrite(path, address, address.substr(0, address.size() - 1) + ")"), 1);
    expected.erase(expected.begin());
    const size_t before = posted(notices::ScanDelContactInfo).size();
    carve::DelContactCarver(context).scanDelContactThread(folder());
    EXPECT_EQ(emails(before), expected);
}

// A freed event's end whose bytes a freed cell's head took (its next block's offset, zeros) reads
// as a time before the event starts, which no event has: the event comes without that end, and
// with its title and start; another deleted event keeps its own end.
TEST_F(CarveTest, ADeletedEventsEndBeforeItsStartIsLeftOut) {
    const std::string path = file(backupkeys::calendar);
    constexpr double kStart = 400000000.25;
    {
        carvefix::FixtureDatabase db(path, 4096, false);
        db.exec(iosschema::calendar(iosschema::Ios::v7));
        int i = 0;
        for (const char* title : {"Dentist", "Lunch with Bo", "Planning"}) {
            const double start = kStart + 86400.0 * i++;
            db.run(
                "INSERT INTO CalendarItem (summary, start_date, start_tz, end_date, all_day, calendar_id) VALUES "
                "(?, ?, 'Europe/London', ?, 0, 1)",
                {std::string(title), start, start + 1800});
        }
        db.exec("DELETE FROM CalendarItem WHERE summary != 'Planning';");
        db.close();
    }
    // The head's two bytes of zeros over the first of the end's.
    std::string end = realBytes(kStart + 1800);
    ASSERT_EQ(overwrite(path, end, std::string(2, '\0')), 1);
    carve::DelCalenderCarver(context).ScanDelCalenderThread(folder());
    std::map<std::string, std::pair<std::string, std::string>> listed;  // (start, end) by title
    for (const PRCalenderNodePtr& event : posted(notices::scanDelCalenderInfo))
        listed[std::string(event->calTitle())] = {std::string(event->startDate()), std::string(event->endDate())};
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_FALSE(listed["Dentist"].first.empty());
    EXPECT_EQ(listed["Dentist"].second, "");
    EXPECT_FALSE(listed["Lunch with Bo"].second.empty());
}

}  // namespace
