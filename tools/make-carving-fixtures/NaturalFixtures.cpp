#include "NaturalFixtures.h"

#include "CarvingFixtures.h"
#include "FixtureDatabase.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>

namespace carvefix {

namespace {

using iosschema::Ios;

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    int64_t below(int64_t n) { return n <= 0 ? 0 : static_cast<int64_t>(next() % static_cast<uint64_t>(n)); }
    template <class T, size_t N>
    const T& pick(const T (&list)[N]) {
        return list[below(N)];
    }

private:
    uint64_t state_;
};

const char* const kWords[] = {"soon",   "train",   "coffee",  "tomorrow", "keys",  "office",  "dinner",
                              "garden", "parcel",  "meeting", "café",     "Grüße", "ticket",  "doctor",
                              "school", "weekend", "rain",    "😀",        "beach", "invoice", "flight",
                              "museum", "bakery",  "budget",  "piano",    "tennis"};
const char* const kFirst[] = {"Anna",  "Ben", "Clara", "David", "Elena", "Felix", "Grace", "Hugo",  "Iris",  "Jonas",
                              "Karin", "Leo", "Maya",  "Nils",  "Olga",  "Paul",  "Rosa",  "Søren", "Chloé", "Mateo"};
const char* const kLast[] = {"Anders", "Berg",      "Castro", "Dahl",  "Evans", "Fischer", "García", "Hall",   "Ito",
                             "Keller", "Lindqvist", "Moreau", "Novak", "Olsen", "Petrov",  "Rossi",  "Tanaka", "Weber"};

std::string words(Random& r, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? " " : "") + std::string(r.pick(kWords));
    return text;
}

// Short and long texts: most a few words, now and then one that fills more than a small page.
std::string naturalText(Random& r, int index) {
    const int64_t roll = r.below(40);
    const int count = roll == 0  ? 180 + static_cast<int>(r.below(120))
                      : roll < 8 ? 12 + static_cast<int>(r.below(30))
                                 : 1 + static_cast<int>(r.below(8));
    return words(r, count) + " #" + std::to_string(index);
}

std::string phone(Random& r) {
    char text[32];
    const int64_t n = 2000000 + r.below(7999999);
    switch (r.below(3)) {
    case 0: std::snprintf(text, sizeof text, "+1555%07lld", static_cast<long long>(n)); break;
    case 1:
        std::snprintf(text, sizeof text, "(555) %03lld-%04lld", static_cast<long long>(n / 10000 % 1000),
                      static_cast<long long>(n % 10000));
        break;
    default: std::snprintf(text, sizeof text, "+44 7700 %06lld", static_cast<long long>(n % 1000000)); break;
    }
    return text;
}

std::string uuid(Random& r) {
    char text[40];
    std::snprintf(text, sizeof text, "%08llX-%04llX-%04llX-%04llX-%012llX",
                  static_cast<unsigned long long>(r.next() >> 32), static_cast<unsigned long long>(r.below(65536)),
                  static_cast<unsigned long long>(r.below(65536)), static_cast<unsigned long long>(r.below(65536)),
                  static_cast<unsigned long long>(r.next() >> 16));
    return text;
}

std::string date(int64_t value, bool fileType) { return dateTimeText(value, fileType).value_or(""); }

std::string withoutMarkup(std::string text) {
    for (const char* piece : {"<div>", "</div>", "&nbsp;", "<br>", "</br>"})
        for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
            text.replace(at, std::strlen(piece), " ");
    return text;
}

// The first count characters of a UTF-8 text: the phone cuts its summaries between characters,
// never inside one.
std::string firstCharacters(const std::string& text, size_t count) {
    size_t at = 0;
    for (size_t n = 0; at < text.size() && n <= count; ++at)
        if ((static_cast<unsigned char>(text[at]) & 0xc0) != 0x80 && n++ == count) break;
    return text.substr(0, at);
}

// A number as a record stores a four-byte integer.
std::string bigEndian32(int64_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
    return bytes;
}

// The start of a message's text for a marker, up to 24 bytes and before the row's number ("#17"),
// so that no digit of another row's number can follow it.
std::string head(const std::string& text) { return text.substr(0, std::min<size_t>(24, text.rfind(" #"))); }

// Which rows a phone deletes: a run of a tenth of them (a trimmed history, a cleared thread),
// then a fifth scattered over the rest.
std::vector<bool> doomed(Random& r, int rows) {
    std::vector<bool> out(static_cast<size_t>(rows), false);
    const int run = rows / 10;
    const int64_t from = r.below(rows - run);
    for (int i = 0; i < run; ++i) out[static_cast<size_t>(from + i)] = true;
    int scattered = rows * 2 / 10;
    while (scattered > 0) {
        const auto i = static_cast<size_t>(r.below(rows));
        if (out[i]) continue;
        out[i] = true;
        --scattered;
    }
    return out;
}

// Runs the deletions as the phone's apps do: the run in one transaction (one "clear" or one
// deleted thread), then every other row in a transaction of its own, as the user deletes them one
// at a time. Deleting the run empties pages, and SQLite refills the pages beside them from their
// neighbours, over the deleted rows there.
void deleteRows(FixtureDatabase& db, const std::vector<bool>& doomed, const std::function<void(size_t)>& remove) {
    size_t first = 0, last = 0;  // the longest stretch of deleted rows
    for (size_t from = 0; from < doomed.size(); ++from) {
        size_t to = from;
        while (to < doomed.size() && doomed[to]) ++to;
        if (to - from > last - first) first = from, last = to;
        from = to;
    }
    db.exec("BEGIN;");
    for (size_t i = first; i < last; ++i) remove(i);
    db.exec("COMMIT;");
    for (size_t i = 0; i < doomed.size(); ++i) {
        if (!doomed[i] || (i >= first && i < last)) continue;
        db.exec("BEGIN;");
        remove(i);
        db.exec("COMMIT;");
    }
}

// Deletes 30% of the rows written (see doomed) and answers which are live and which deleted.
NaturalRows deleteSome(FixtureDatabase& db, Random& r, const std::vector<ExpectedRecord>& all,
                       const std::function<void(size_t)>& remove) {
    const std::vector<bool> gone = doomed(r, static_cast<int>(all.size()));
    deleteRows(db, gone, remove);
    NaturalRows rows;
    for (size_t i = 0; i < all.size(); ++i) (gone[i] ? rows.deleted : rows.live).push_back(all[i]);
    return rows;
}

// The bound of the random step between two rows' times: the usual one, made smaller when that
// many rows at the usual step would run the history past span (a busy phone's many calls a day
// rather than a century of them, which no carver takes for a phone's).
int64_t stepBound(int64_t usual, int rows, int64_t span) {
    return std::max<int64_t>(1, std::min<int64_t>(usual, 2 * span / std::max(rows, 1)));
}

constexpr int64_t kYear = 365 * 86400;

NaturalRows calls(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, iosschema::writeAheadLog(o.ios));
    db.exec(iosschema::callHistory(o.ios) + iosschema::callHistoryRows(o.ios));
    const bool newer = static_cast<int>(o.ios) >= 6;
    std::vector<ExpectedRecord> all;
    int64_t when = 1262304000 + r.below(86400 * 400);
    db.exec("BEGIN;");
    for (int i = 0; i < o.rows; ++i) {
        when += 60 + r.below(stepBound(86400, o.rows, 8 * kYear));
        const std::string address = r.below(15) == 0 ? "friend" + std::to_string(i) + "@example.com" : phone(r);
        const int64_t sizes[] = {
            0, 1, 1 + r.below(126), 128 + r.below(3000), 3600 + r.below(20000), 40000 + r.below(40000)};
        const int64_t duration = sizes[r.below(6)];
        const int64_t flags = std::vector<int64_t>{4, 5, 4, 5, 16, 17, 20, 21}[static_cast<size_t>(r.below(8))];
        const Value contact = r.below(3) ? Value(int64_t{-1}) : Value(1 + r.below(400));
        if (newer)
            db.run(
                "INSERT INTO call (address, date, duration, flags, id, name, country_code, network_code, read, "
                "assisted, face_time_data, originalAddress) VALUES (?, ?, ?, ?, ?, NULL, '310', '410', ?, 0, NULL, ?)",
                {address, when, duration, flags, contact, r.below(2), address});
        else
            db.run(
                "INSERT INTO call (address, date, duration, flags, id, name, country_code) VALUES (?, ?, ?, ?, ?, "
                "NULL, '310')",
                {address, when, duration, flags, contact});
        const bool out = flags & 1;
        all.push_back({address + "|" + date(when, false),
                       {{"callType", out ? "Outgoing" : "Incoming"},
                        {"callDuration", duration ? getCallHistoryDuration(static_cast<int32_t>(duration))
                                         : out    ? "Cancelled"
                                                  : "Missed"}},
                       address});
    }
    db.exec("COMMIT;");
    return deleteSome(db, r, all,
                      [&](size_t i) { db.run("DELETE FROM call WHERE ROWID = ?", {static_cast<int64_t>(i + 1)}); });
}

NaturalRows bookmarks(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, iosschema::writeAheadLog(o.ios));
    db.exec(iosschema::bookmarks(o.ios));
    std::vector<ExpectedRecord> all;
    db.exec("BEGIN;");
    for (int i = 0; i < o.rows; ++i) {
        const bool folder = r.below(12) == 0;
        const std::string title = words(r, 1 + static_cast<int>(r.below(5))) + " " + std::to_string(i);
        std::string url = "http://" + std::string(r.pick(kWords)) + ".example.org/";
        if (r.below(4) == 0)
            url += words(r, 3 + static_cast<int>(r.below(20))) + "?q=" + std::to_string(r.next() % 100000);
        std::replace(url.begin(), url.end(), ' ', '/');
        db.run(
            "INSERT INTO bookmarks (special_id, parent, type, title, url, num_children, editable, deletable, hidden, "
            "hidden_ancestor_count, order_index, external_uuid) VALUES (0, ?, ?, ?, ?, ?, 1, 1, 0, 0, ?, ?)",
            {r.below(3) ? int64_t{0} : 1 + r.below(std::max(i, 1)), int64_t{folder ? 1 : 0}, title,
             folder ? Value(nullptr) : Value(url), int64_t{folder ? r.below(9) : 0}, int64_t{i % 40}, uuid(r)});
        all.push_back({title, {{"bookMarkURL", folder ? "" : url}}, title});
    }
    db.exec("COMMIT;");
    return deleteSome(db, r, all,
                      [&](size_t i) { db.run("DELETE FROM bookmarks WHERE id = ?", {static_cast<int64_t>(i + 1)}); });
}

NaturalRows calendar(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, iosschema::writeAheadLog(o.ios));
    db.exec(iosschema::calendar(o.ios));
    const bool events = o.ios == Ios::v4;
    std::vector<ExpectedRecord> all;
    std::vector<int64_t> places;  // each item's Location row, 0 for none
    int64_t start = 300000000 + r.below(30000000);
    db.exec("BEGIN;");
    for (int i = 0; i < o.rows; ++i) {
        start += 900 * (1 + r.below(stepBound(200, o.rows, 15 * kYear / 900)));
        const int64_t end = start + 900 * (1 + r.below(12));
        const std::string title = words(r, 1 + static_cast<int>(r.below(4))) + " " + std::to_string(i);
        const std::string place = r.below(3) == 0 ? std::string() : words(r, 1 + static_cast<int>(r.below(3)));
        const std::string notes = r.below(3) == 0 ? naturalText(r, i) : std::string();
        const Value placeValue = place.empty() ? Value(nullptr) : Value(place);
        const Value notesValue = notes.empty() ? Value(nullptr) : Value(notes);
        std::string placeBytes;  // the place's row id, stored right after the title in the newer layout
        if (events) {
            db.run(
                "INSERT INTO Event (summary, location, description, start_date, start_tz, end_date, all_day, "
                "calendar_id, last_modified, unique_identifier, hidden) VALUES (?, ?, ?, ?, 'Europe/London', ?, 0, 1, "
                "?, ?, 0)",
                {title, placeValue, notesValue, start, end, start - r.below(900000), uuid(r)});
        } else {
            const int64_t row = i + 1;
            int64_t locationId = 0;
            if (!place.empty()) {
                db.run("INSERT INTO Location (title, item_owner_id) VALUES (?, ?)", {place, row});
                locationId = db.lastRowid();
                if (locationId >= 128) placeBytes += static_cast<char>(locationId >> 8);
                placeBytes += static_cast<char>(locationId & 0xff);
            }
            places.push_back(locationId);
            db.run(
                "INSERT INTO CalendarItem (ROWID, summary, location_id, description, start_date, start_tz, end_date, "
                "all_day, calendar_id, status, availability, privacy_level, last_modified, sequence_num, birthday_id, "
                "hidden, has_recurrences, has_attendees, UUID, entity_type, priority, creation_date) "
                "VALUES (?, ?, ?, ?, ?, 'Europe/London', ?, 0, 1, 0, 0, 0, ?, 0, -1, 0, 0, 0, ?, 2, 0, ?)",
                {row, title, locationId, notesValue, static_cast<double>(start), static_cast<double>(end),
                 static_cast<double>(start - r.below(900000)) + 0.25, uuid(r),
                 static_cast<double>(start - r.below(900000)) + 0.5});
        }
        all.push_back(
            {title,
             {{"location", place}, {"calNote", notes}, {"startDate", date(start, true)}, {"endDate", date(end, true)}},
             title + placeBytes});
    }
    db.exec("COMMIT;");
    // The schema's trigger would remove an item's place (and its alarms, recurrences and exception
    // dates, of which these items have none) by scanning the whole table for each item; the same
    // rows go by their keys instead, in the same order, so the file comes out the same.
    if (!events) db.setTriggersEnabled(false);
    return deleteSome(db, r, all, [&](size_t i) {
        db.run(events ? "DELETE FROM Event WHERE ROWID = ?" : "DELETE FROM CalendarItem WHERE ROWID = ?",
               {static_cast<int64_t>(i + 1)});
        if (!events && places[i] != 0) db.run("DELETE FROM Location WHERE ROWID = ?", {places[i]});
    });
}

NaturalRows notes(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, iosschema::writeAheadLog(o.ios));
    db.exec(iosschema::notes(o.ios));
    std::vector<ExpectedRecord> all;
    int64_t created = 290000000 + r.below(60000000);
    int64_t bodyKey = 0;
    db.exec("BEGIN;");
    for (int i = 0; i < o.rows; ++i) {
        created += 60 + r.below(stepBound(86400 * 5, o.rows, 15 * kYear));
        const int64_t modified = created + r.below(86400 * 30);
        const std::string title = words(r, 1 + static_cast<int>(r.below(4))) + " " + std::to_string(i);
        std::string body = title;
        const int64_t lines = 1 + r.below(8);
        for (int64_t l = 0; l < lines; ++l)
            body += (l % 2 ? "<br>" : "<div>") + naturalText(r, i) + (l % 2 ? "" : "</div>");
        bodyKey += 1 + (r.below(4) == 0 ? 1 : 0);  // bodies replaced on edits count on
        const int64_t pk = i + 1;
        const int64_t opt = 1 + r.below(9), integerId = 1000 + pk + r.below(3);
        const double createdAt = static_cast<double>(created) + static_cast<double>(r.below(1000)) / 1000.0;
        const std::string guid = uuid(r), summary = firstCharacters(withoutMarkup(body), 100);
        db.run(
            "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE, ZDELETEDFLAG, ZINTEGERID, "
            "ZISBOOKKEEPINGENTRY, ZBODY, ZSTORE, ZCREATIONDATE, ZMODIFICATIONDATE, ZGUID, ZSUMMARY, ZTITLE) "
            "VALUES (?, 3, ?, 0, 0, 0, ?, 0, ?, 1, ?, ?, ?, ?, ?)",
            {pk, opt, integerId, bodyKey, createdAt, static_cast<double>(modified) + 0.125, guid, summary, title});
        db.run("INSERT INTO ZNOTEBODY (Z_PK, Z_ENT, Z_OPT, ZOWNER, ZCONTENT) VALUES (?, 4, ?, ?, ?)",
               {bodyKey, 1 + r.below(9), pk, body});
        // As the carver shows a note: "<div>" and "</div>" dropped, the other markup a blank; dated
        // by its creation in a rollback-journal file, by its change in a newer one.
        std::string plain = body;
        for (const char* piece : {"<div>", "</div>"})
            for (size_t at = plain.find(piece); at != std::string::npos; at = plain.find(piece))
                plain.erase(at, std::strlen(piece));
        all.push_back(
            {title,
             {{"noteContent", withoutMarkup(plain)}, {"noteDate", date(o.ios == Ios::v4 ? created : modified, true)}},
             guid + summary + title});
    }
    db.exec("COMMIT;");
    return deleteSome(db, r, all, [&](size_t i) {
        db.run("DELETE FROM ZNOTEBODY WHERE ZOWNER = ?", {static_cast<int64_t>(i + 1)});
        db.run("DELETE FROM ZNOTE WHERE Z_PK = ?", {static_cast<int64_t>(i + 1)});
    });
}

NaturalRows contacts(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, iosschema::writeAheadLog(o.ios));
    db.exec(iosschema::addressBook(o.ios) + iosschema::addressBookRows());
    std::vector<ExpectedRecord> all;
    // Each contact's ABMultiValue rows, in the order they were written.
    std::vector<std::vector<int64_t>> valueRows(static_cast<size_t>(std::max(o.rows, 0)));
    db.exec("BEGIN;");
    for (int i = 0; i < o.rows; ++i) {
        const int64_t row = i + 1;
        const std::string first = std::string(r.pick(kFirst)) + (i % 3 ? "" : std::to_string(i));
        const std::string last = std::string(r.pick(kLast)) + std::to_string(i);
        const std::string middle = r.below(6) == 0 ? "J." : "";
        const Value note = r.below(4) == 0 ? Value(naturalText(r, i)) : Value(nullptr);
        const int64_t created = 280000000 + r.below(100000000);
        db.run(
            "INSERT INTO ABPerson (ROWID, First, Last, Middle, Organization, Note, Kind, JobTitle, FirstSort, "
            "LastSort, "
            "CreationDate, ModificationDate, StoreID, FirstSortSection, LastSortSection, FirstSortLanguageIndex, "
            "LastSortLanguageIndex) VALUES (?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, 0, ?, ?, 0, 0)",
            {row, first, last, middle.empty() ? Value(nullptr) : Value(middle),
             r.below(3) ? Value(nullptr) : Value(words(r, 2) + " Ltd"), note,
             r.below(4) ? Value(nullptr) : Value(std::string(r.pick(kWords))), first + " " + last, last + " " + first,
             created, created + r.below(9000000), first.substr(0, 1), last.substr(0, 1)});
        std::string phones, emails;
        int identifier = 0;
        const int64_t phoneCount = 1 + r.below(3);
        for (int64_t k = 0; k < phoneCount; ++k) {
            const std::string number = phone(r);
            db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, 3, ?, ?, ?)",
                   {row, int64_t{identifier++}, 1 + r.below(6), number});
            valueRows[static_cast<size_t>(i)].push_back(db.lastRowid());
            phones += (phones.empty() ? "" : " ") + number;  // values are joined by blanks, none in front
        }
        if (r.below(2)) {
            const std::string mail = first.substr(0, 1) + last + "@example.com";
            db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, 4, ?, 2, ?)",
                   {row, int64_t{identifier++}, mail});
            valueRows[static_cast<size_t>(i)].push_back(db.lastRowid());
            emails += (emails.empty() ? "" : " ") + mail;
        }
        if (r.below(5) == 0) {
            db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, 5, ?, 2, NULL)",
                   {row, int64_t{identifier++}});
            const int64_t uid = db.lastRowid();
            valueRows[static_cast<size_t>(i)].push_back(uid);
            db.run("INSERT INTO ABMultiValueEntry VALUES (?, 2, ?), (?, 4, ?)",
                   {uid, std::to_string(1 + r.below(300)) + " " + r.pick(kWords) + " Street", uid,
                    std::string(r.pick(kWords))});
        }
        std::string name = first + " " + last + (middle.empty() ? "" : " " + middle);
        // The two sort keys lie side by side in the row; the last name alone is in its e-mail too.
        all.push_back(
            {name, {{"contactPhone", phones}, {"contactEmail", emails}}, first + " " + last + last + " " + first});
    }
    db.exec("COMMIT;");
    // A contact's multi-values go by their own keys, and their entries through the entries' index
    // on parent_id: no index leads from a contact to its multi-values, so a delete by record_id
    // would scan the whole table for every contact. The rows go in the order such a scan meets
    // them, so the file comes out the same.
    return deleteSome(db, r, all, [&](size_t i) {
        for (int64_t value : valueRows[i]) db.run("DELETE FROM ABMultiValueEntry WHERE parent_id = ?", {value});
        for (int64_t value : valueRows[i]) db.run("DELETE FROM ABMultiValue WHERE UID = ?", {value});
        db.run("DELETE FROM ABPerson WHERE ROWID = ?", {static_cast<int64_t>(i + 1)});
    });
}

NaturalRows messages(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, iosschema::writeAheadLog(o.ios));
    db.exec(iosschema::messages(o.ios));
    const bool handles = static_cast<int>(o.ios) >= 6;
    std::vector<std::string> partners;
    for (int h = 0; h < 25; ++h) partners.push_back(h % 6 == 5 ? "pal" + std::to_string(h) + "@example.net" : phone(r));
    db.exec("BEGIN;");
    if (handles)
        for (size_t h = 0; h < partners.size(); ++h)
            db.run("INSERT INTO handle (ROWID, id, country, service) VALUES (?, ?, 'us', ?)",
                   {static_cast<int64_t>(h + 1), partners[h],
                    std::string(partners[h].find('@') != std::string::npos ? "iMessage" : "SMS")});
    std::vector<ExpectedRecord> all;
    int64_t when = 1293840000 + r.below(86400 * 300);
    for (int i = 0; i < o.rows; ++i) {
        when += 5 + r.below(stepBound(20000, o.rows, 8 * kYear));
        const size_t who = static_cast<size_t>(r.below(static_cast<int64_t>(partners.size())));
        const bool fromMe = r.below(2);
        const std::string text = naturalText(r, i);
        const bool imessage = partners[who].find('@') != std::string::npos || (o.ios != Ios::v4 && r.below(3) == 0);
        const int64_t since2001 = when - iosschema::kSince2001;
        if (handles) {
            const std::string guid = uuid(r);
            db.run(
                "INSERT INTO message (guid, text, handle_id, service, account, date, date_read, date_delivered, "
                "is_delivered, is_finished, is_from_me, is_read, is_sent) VALUES (?, ?, ?, ?, 'e:', ?, ?, ?, 1, 1, ?, "
                "?, ?)",
                {guid, text, static_cast<int64_t>(who + 1), std::string(imessage ? "iMessage" : "SMS"), since2001,
                 fromMe ? int64_t{0} : since2001 + r.below(5000), fromMe ? since2001 + r.below(30) : int64_t{0},
                 int64_t{fromMe}, int64_t{!fromMe}, int64_t{fromMe}});
            all.push_back(
                {text, {{"messagePhone", partners[who]}, {"messageDate", date(since2001, false)}}, guid + head(text)});
        } else if (o.ios == Ios::v5 && imessage) {
            const int64_t flags = fromMe ? (r.below(5) ? 36869 : 102405) : (r.below(5) ? 12289 : 77825);
            db.run(
                "INSERT INTO message (address, date, text, flags, replace, group_id, association_id, height, UIFlags, "
                "version, read, madrid_handle, madrid_version, madrid_guid, madrid_type, madrid_service, "
                "madrid_account, madrid_flags, madrid_error, is_madrid, madrid_date_read, madrid_date_delivered) "
                "VALUES (NULL, ?, ?, 0, 0, ?, 0, ?, 0, 0, 1, ?, 10, ?, 0, 'iMessage', 'e:ada@example.com', ?, 0, 1, ?, "
                "?)",
                {since2001, text, static_cast<int64_t>(who + 1), 38 + r.below(400), partners[who], uuid(r), flags,
                 fromMe ? int64_t{0} : since2001 + r.below(500), fromMe ? since2001 + 2 : int64_t{0}});
            all.push_back({text,
                           {{"messagePhone", partners[who]}, {"messageDate", date(since2001, false)}},
                           bigEndian32(since2001) + head(text)});
        } else {
            db.run(
                "INSERT INTO message (address, date, text, flags, replace, group_id, association_id, height, UIFlags, "
                "version, country, read" +
                    std::string(o.ios == Ios::v5 ? ", is_madrid" : "") +
                    ") VALUES (?, ?, ?, ?, 0, ?, 0, ?, 0, 0, 'us', 1" + (o.ios == Ios::v5 ? ", 0" : "") + ")",
                {partners[who], when, text, int64_t{fromMe ? 3 : 2}, static_cast<int64_t>(who + 1), 38 + r.below(400)});
            all.push_back({text,
                           {{"messagePhone", partners[who]}, {"messageDate", date(when, false)}},
                           partners[who] + bigEndian32(when) + head(text)});
        }
    }
    db.exec("COMMIT;");
    return deleteSome(db, r, all,
                      [&](size_t i) { db.run("DELETE FROM message WHERE ROWID = ?", {static_cast<int64_t>(i + 1)}); });
}

}  // namespace

const char* backupFileName(CarveKind kind) {
    switch (kind) {
    case CarveKind::calls: return names::calls;
    case CarveKind::contacts: return names::addressBook;
    case CarveKind::messages: return names::messages;
    case CarveKind::notes: return names::notes;
    case CarveKind::bookmarks: return names::bookmarks;
    case CarveKind::calendar: return names::calendar;
    }
    return "";
}

const char* kindName(CarveKind kind) {
    switch (kind) {
    case CarveKind::calls: return "calls";
    case CarveKind::contacts: return "contacts";
    case CarveKind::messages: return "messages";
    case CarveKind::notes: return "notes";
    case CarveKind::bookmarks: return "bookmarks";
    case CarveKind::calendar: return "calendar";
    }
    return "";
}

std::vector<std::string> joinedFields(CarveKind kind) {
    switch (kind) {
    case CarveKind::contacts: return {"contactPhone", "contactEmail"};
    case CarveKind::notes: return {"noteContent"};
    case CarveKind::messages: return {"messagePhone"};
    case CarveKind::calendar: return {"location"};
    default: return {};
    }
}

NaturalRows writeNaturalDatabase(const std::string& folder, CarveKind kind, const NaturalOptions& options) {
    Random r(options.seed * 31 + static_cast<uint64_t>(kind));
    switch (kind) {
    case CarveKind::calls: return calls(folder + "/" + names::calls, options, r);
    case CarveKind::contacts: return contacts(folder + "/" + names::addressBook, options, r);
    case CarveKind::messages: return messages(folder + "/" + names::messages, options, r);
    case CarveKind::notes: return notes(folder + "/" + names::notes, options, r);
    case CarveKind::bookmarks: return bookmarks(folder + "/" + names::bookmarks, options, r);
    case CarveKind::calendar: return calendar(folder + "/" + names::calendar, options, r);
    }
    return {};
}

}  // namespace carvefix
