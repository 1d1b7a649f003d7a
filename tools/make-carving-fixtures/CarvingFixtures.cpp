#include "CarvingFixtures.h"

#include "FixtureDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/layouts/IosSchemas.h"

#include <cstdio>
#include <functional>
#include <map>

namespace carvefix {

namespace {

using iosschema::Ios;
using iosschema::tableStatement;

// Seconds since 2001 around 2013, and since 1970 around 2011: four-byte integers whose bytes
// never look like the serial types around them (no 0x00 to 0x0f bytes).
int64_t dateBytes(int64_t top, int i) {
    return (top << 24) | (static_cast<int64_t>(0x30 + (i / 196) % 0xC0) << 16) |
           (static_cast<int64_t>(0x11 * (1 + (i / 14) % 14)) << 8) | (0x11 * (1 + i % 14));
}
int64_t date2001(int i) { return dateBytes(0x17, i); }
int64_t date1970(int i) { return dateBytes(0x4D, i); }

std::string uuid(const std::string& tag, int i) {
    char text[40];
    std::snprintf(text, sizeof text, "5A1E%04X-%04X-4C2D-9E3F-ABCDEF%06X", i & 0xffff,
                  static_cast<unsigned>(tag.size()), static_cast<unsigned>(i));
    return text;
}

std::string longText(const std::string& head, int length) {
    std::string text = head;
    static const char* words[] = {"lorem", "ipsum", "dolor", "sit", "amet", "vitae", "magna"};
    for (int w = 0; static_cast<int>(text.size()) < length; ++w) text += std::string(" ") + words[w % 7];
    return text.substr(0, static_cast<size_t>(length));
}

// Inserts the rows one per row id in order and deletes the chosen ones: a run at the end that
// frees whole pages, and every third one of the first live + deleted rows (freeblocks between
// live cells).
template <class Row>
Rows<Row> fill(FixtureDatabase& db, const Options& o, int64_t firstRowid, const std::function<Row(int)>& make,
               const std::function<void(int64_t, const Row&)>& insert, const std::string& deleteSql) {
    Rows<Row> rows;
    std::vector<int64_t> doomed;
    int mixed = o.live + o.deleted;
    int total = mixed + o.deletedPages;
    int liveLeft = o.live, deletedLeft = o.deleted;
    db.exec("BEGIN;");
    for (int i = 0; i < total; ++i) {
        Row row = make(i);
        int64_t rowid = firstRowid + i;
        insert(rowid, row);
        bool deleted;
        if (i >= mixed)
            deleted = true;
        else if (liveLeft == 0)
            deleted = true;
        else if (deletedLeft == 0)
            deleted = false;
        else
            deleted = (i % 3) == 2;  // pages stay two thirds full: SQLite leaves them as they are
        (deleted ? deletedLeft : liveLeft) -= (i < mixed) ? 1 : 0;
        if (deleted) {
            doomed.push_back(rowid);
            rows.deleted.push_back(row);
        } else {
            rows.live.push_back(row);
        }
    }
    db.exec("COMMIT;");
    // The run at the end goes first: emptying its pages rebalances the pages next to them,
    // which would pack away the freeblocks of rows deleted before.
    db.exec("BEGIN;");
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) db.run(deleteSql, {*it});
    db.exec("COMMIT;");
    return rows;
}

std::vector<uint8_t> blob(int length, int seed) {
    std::vector<uint8_t> b(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) b[static_cast<size_t>(i)] = static_cast<uint8_t>(0x40 + (i * 7 + seed) % 60);
    return b;
}

}  // namespace

Rows<CallRow> writeCallHistory(const std::string& path, const Options& o, bool ios6) {
    FixtureDatabase db(path, o.pageSize, o.writeAheadLog, o.addToExisting);
    db.exec(tableStatement(iosschema::callHistory(ios6 ? Ios::v6 : Ios::v5), "call"));
    auto make = [&](int i) {
        CallRow c;
        char phone[32];
        std::snprintf(phone, sizeof phone, "+1555%s%04d", o.tag.c_str(), 100 + i);
        c.address = phone;
        c.date = date2001(i);
        c.duration = (i % 3 == 0) ? 0 : 128 + i * 37;  // never a one-byte integer
        c.flags = (i % 2 == 0) ? 5 : 4;
        return c;
    };
    auto insert = [&](int64_t rowid, const CallRow& c) {
        if (ios6)
            db.run(
                "INSERT INTO call VALUES (?, ?, ?, ?, ?, -1, NULL, '310', '410', 1, 0, NULL, ?)",
                {rowid, c.address, c.date, static_cast<int64_t>(c.duration), static_cast<int64_t>(c.flags), c.address});
        else
            db.run("INSERT INTO call VALUES (?, ?, ?, ?, ?, -1, NULL, '310')",
                   {rowid, c.address, c.date, static_cast<int64_t>(c.duration), static_cast<int64_t>(c.flags)});
    };
    auto rows = fill<CallRow>(db, o, o.firstRowid, make, insert, "DELETE FROM call WHERE ROWID=?");
    if (!db.ok()) return {};
    return rows;
}

Rows<BookmarkRow> writeBookmarks(const std::string& path, const Options& o) {
    FixtureDatabase db(path, o.pageSize, o.writeAheadLog, o.addToExisting);
    db.exec(tableStatement(iosschema::bookmarks(Ios::v6), "bookmarks"));
    db.useLegacyIntegerFormat();
    auto make = [&](int i) {
        BookmarkRow b;
        if (i == 0) {
            b.title = "Root";
        } else if (i == 2) {  // the first row deleted
            b.title = "com.apple.ReadingList";
        } else {
            b.title = "Bookmark " + o.tag + std::to_string(i);
            b.url = "http://example.org/" + o.tag + "page/" + std::to_string(i);
            if (o.longValues && i % 5 == 2) b.title = longText(b.title + " long title", 70);
            if (o.longValues && i % 10 == 2) b.url = longText(b.url + "/deep/path", 90);
        }
        return b;
    };
    // In a database of the current format 0 and 1 take no bytes at all; the layout needs small
    // integers of one byte in these columns, so such a database gets 2 in each.
    const bool modern = db.addsToExisting();
    auto insert = [&](int64_t rowid, const BookmarkRow& b) {
        db.run(modern ? "INSERT INTO bookmarks (id, special_id, parent, type, title, url, num_children, editable, "
                        "deletable, hidden, external_uuid, hidden_ancestor_count, order_index, added) "
                        "VALUES (?, 2, 2, ?, ?, ?, 2, 2, 2, 2, ?, 2, ?, 2)"
                      : "INSERT INTO bookmarks (id, special_id, parent, type, title, url, num_children, editable, "
                        "deletable, hidden, external_uuid, hidden_ancestor_count, order_index, added) "
                        "VALUES (?, 0, 0, ?, ?, ?, 0, 1, 1, 0, ?, 0, ?, 1)",
               {rowid,
                static_cast<int64_t>(modern          ? 2
                                     : b.url.empty() ? 1
                                                     : 0),
                b.title, b.url.empty() ? Value(nullptr) : Value(b.url), uuid(o.tag, static_cast<int>(rowid)),
                static_cast<int64_t>(2 + rowid % 100)});
    };
    auto rows = fill<BookmarkRow>(db, o, o.firstRowid, make, insert, "DELETE FROM bookmarks WHERE id=?");
    if (!db.ok()) return {};
    return rows;
}

Rows<CalendarRow> writeCalendar(const std::string& path, const Options& o) {
    FixtureDatabase db(path, o.pageSize, o.writeAheadLog, o.addToExisting);
    const bool item = o.writeAheadLog;
    const std::string schema = iosschema::calendar(item ? (o.ios6Calendar ? Ios::v6 : Ios::v5) : Ios::v4);
    db.exec(tableStatement(schema, item ? "CalendarItem" : "Event"));
    auto make = [&](int i) {
        CalendarRow c;
        c.title = "Event " + o.tag + std::to_string(i);
        c.location = item ? std::string() : "Room " + std::to_string(i % 7);
        c.description = "Notes for event " + std::to_string(i);
        if (o.longValues && i % 4 == 3) c.description = longText(c.description + " with a long agenda", 90);
        c.start = date2001(i);
        c.end = c.start + 3600;
        return c;
    };
    auto insert = [&](int64_t rowid, const CalendarRow& c) {
        if (!item)
            db.run(
                "INSERT INTO Event (ROWID, summary, location, description, start_date, start_tz, end_date, all_day, "
                "calendar_id, orig_event_id, orig_start_date, organizer_id, organizer_is_self, "
                "self_attendee_status, status, availability, privacy_level, last_modified, sequence_num, "
                "unique_identifier, hidden) "
                "VALUES (?, ?, ?, ?, ?, NULL, ?, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, ?, 0, ?, 0)",
                {rowid, c.title, c.location, c.description, c.start, c.end, c.start,
                 uuid(o.tag, static_cast<int>(rowid))});
        else
            db.run(
                "INSERT INTO CalendarItem (ROWID, summary, location_id, description, start_date, start_tz, end_date, "
                "all_day, calendar_id, orig_item_id, organizer_id, self_attendee_id, status, availability, "
                "privacy_level, sequence_num, last_modified, unique_identifier, hidden, UUID, entity_type) "
                "VALUES (?, ?, 0, ?, ?, 'Europe/London', ?, 0, 1, 0, 0, 0, 0, 0, 0, 0, ?, ?, 0, ?, 2)",
                {rowid, c.title, c.description, c.start, c.end, c.start, uuid(o.tag, static_cast<int>(rowid)),
                 uuid(o.tag, static_cast<int>(rowid) + 5000)});
    };
    auto rows = fill<CalendarRow>(db, o, o.firstRowid, make, insert,
                                  item ? "DELETE FROM CalendarItem WHERE ROWID=?" : "DELETE FROM Event WHERE ROWID=?");
    if (!db.ok()) return {};
    return rows;
}

Rows<NoteRow> writeNotes(const std::string& path, const Options& o) {
    FixtureDatabase db(path, o.pageSize, o.writeAheadLog, o.addToExisting);
    const std::string schema = iosschema::notes(Ios::v6);
    db.exec(tableStatement(schema, "ZNOTE") + tableStatement(schema, "ZNOTEBODY"));
    db.useLegacyIntegerFormat();
    const int firstId = o.addToExisting.empty() ? 1 : 64;
    auto make = [&](int i) {
        NoteRow n;
        // Note ids stay one-byte integers: bodies are found by them. Notes added beside an
        // existing database's own take ids past those (a note is told by its id: one of a live
        // note's is an earlier version of it).
        n.id = firstId + i;
        n.title = "Note " + o.tag + std::to_string(n.id);
        n.body = "<div>Body of note " + o.tag + std::to_string(n.id) + "</div>&nbsp;line<br>end";
        if (o.longValues && i % 3 == 1) n.body = longText(n.body + " and more", 150);
        n.created = date2001(i);
        n.modified = n.created + 600;
        return n;
    };
    auto insert = [&](int64_t, const NoteRow& n) {
        // The summary is the start of the body; short bodies keep it one-byte.
        std::string summary = n.body.substr(0, 40);
        const std::string columns =
            "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE, ZDELETEDFLAG, ZEXTERNALFLAGS, "
            "ZEXTERNALSERVERINTID, ZINTEGERID, ZISBOOKKEEPINGENTRY, ZBODY, ZSTORE, ZCREATIONDATE, ZMODIFICATIONDATE, "
            "ZGUID, ZSUMMARY, ZTITLE) ";
        db.run(columns + (db.addsToExisting() ? "VALUES (?, 3, 3, 2, 2, 2, 2, ?, ?, 2, ?, 2, ?, ?, ?, ?, ?)"
                                              : "VALUES (?, 3, 1, 0, 0, 0, 0, ?, ?, 0, ?, 1, ?, ?, ?, ?, ?)"),
               {static_cast<int64_t>(n.id), static_cast<int64_t>(0x100000000LL + n.id), static_cast<int64_t>(n.id),
                static_cast<int64_t>(n.id), n.created, n.modified, uuid(o.tag, n.id), summary, n.title});
        db.run(db.addsToExisting() ? "INSERT INTO ZNOTEBODY VALUES (?, 2, 3, ?, ?, NULL, NULL)"
                                   : "INSERT INTO ZNOTEBODY VALUES (?, 2, 1, ?, ?, NULL, NULL)",
               {static_cast<int64_t>(n.id), static_cast<int64_t>(n.id), n.body});
    };
    auto rows = fill<NoteRow>(db, o, firstId, make, insert, "DELETE FROM ZNOTE WHERE Z_PK=?1; ");
    // The bodies of the deleted notes go too, the run at the end first (see fill).
    db.exec("BEGIN;");
    for (auto it = rows.deleted.rbegin(); it != rows.deleted.rend(); ++it)
        db.run("DELETE FROM ZNOTEBODY WHERE Z_PK=?", {static_cast<int64_t>(it->id)});
    db.exec("COMMIT;");
    if (!db.ok()) return {};
    return rows;
}

Rows<ContactRow> writeAddressBook(const std::string& path, const Options& o) {
    FixtureDatabase db(path, o.pageSize, o.writeAheadLog, o.addToExisting);
    const std::string schema = iosschema::addressBook(Ios::v6);
    db.exec(tableStatement(schema, "ABPerson") + tableStatement(schema, "ABMultiValue") +
            tableStatement(schema, "ABPersonSearchKey"));
    static const char* firsts[] = {"Alice", "Bruno", "Chloe", "Dmitri", "Elena", "Farid", "Greta"};
    static const char* lasts[] = {"Zed", "Young", "Xu", "Weber", "Vance", "Ueda", "Tran"};
    auto make = [&](int i) {
        ContactRow c;
        c.rowid = o.firstRowid + i;
        c.first = std::string(firsts[i % 7]) + o.tag;
        c.last = std::string(lasts[(i / 7) % 7]) + std::to_string(i);
        if (i % 4 == 1) c.middle = "M";
        c.organization = "Company " + std::to_string(i % 9);
        if (i % 3 == 0) c.department = "Sales";
        c.note = "Met at conference " + std::to_string(i);
        if (o.longValues && i % 5 == 3) c.note = longText(c.note + " about a long topic", 120);
        c.nickname = "Nick" + std::to_string(i);
        char phone[32];
        std::snprintf(phone, sizeof phone, "+44770%04d", 900 + i);
        c.phones.push_back(phone);
        if (i % 2 == 0) c.emails.push_back(c.first + "." + std::to_string(i) + "@example.com");
        if (i % 6 == 0) c.urls.push_back("http://home.example.org/" + std::to_string(i));
        return c;
    };
    int64_t valueId = 1;
    std::map<int64_t, std::vector<int64_t>> valuesOf;  // each contact's ABMultiValue rows
    auto insert = [&](int64_t rowid, const ContactRow& c) {
        bool sections = rowid % 2 == 0;  // both record layouts of the sort columns
        db.run(
            "INSERT INTO ABPerson (ROWID, First, Last, Middle, Organization, Department, Note, Kind, JobTitle, "
            "Nickname, FirstSort, LastSort, CreationDate, ModificationDate, StoreID, DisplayName, "
            "FirstSortSection, LastSortSection, FirstSortLanguageIndex, LastSortLanguageIndex) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, 0, 'Engineer', ?, ?, ?, ?, ?, 0, NULL, ?, ?, ?, ?)",
            {rowid, c.first, c.last, c.middle.empty() ? Value(nullptr) : Value(c.middle), c.organization,
             c.department.empty() ? Value(nullptr) : Value(c.department), c.note, c.nickname, c.first + " " + c.last,
             c.last + " " + c.first, date2001(static_cast<int>(rowid)), date2001(static_cast<int>(rowid) + 1),
             sections ? Value(c.first.substr(0, 1)) : Value(nullptr),
             sections ? Value(c.last.substr(0, 1)) : Value(nullptr),
             sections ? Value(int64_t{0}) : Value(int64_t{2147483647}),
             sections ? Value(int64_t{0}) : Value(int64_t{2147483647})});
        auto addValue = [&](int property, const std::string& value, int label) {
            valuesOf[rowid].push_back(valueId);
            db.run("INSERT INTO ABMultiValue VALUES (?, ?, ?, 0, ?, ?)",
                   {valueId++, rowid, static_cast<int64_t>(property), static_cast<int64_t>(label), value});
        };
        for (const auto& p : c.phones) addValue(3, p, 1);
        for (const auto& e : c.emails) addValue(4, e, 2);
        for (const auto& u : c.urls) addValue(22, u, 4);
    };
    auto rows = fill<ContactRow>(db, o, o.firstRowid, make, insert, "DELETE FROM ABPerson WHERE ROWID=?");
    db.exec("BEGIN;");
    // By their own keys, in the order a scan by record_id meets them: no index leads there.
    for (auto it = rows.deleted.rbegin(); it != rows.deleted.rend(); ++it)
        for (int64_t value : valuesOf[it->rowid]) db.run("DELETE FROM ABMultiValue WHERE UID=?", {value});
    // Search keys go last, so that they fill the last page of the file.
    for (const auto* list : {&rows.live, &rows.deleted})
        for (const ContactRow& c : *list)
            db.run("INSERT INTO ABPersonSearchKey VALUES (?, ?)", {c.rowid, c.first + c.last + c.phones.front() + " "});
    db.exec("COMMIT;");
    if (!db.ok()) return {};
    return rows;
}

Rows<MessageRow> writeMessages(const std::string& path, const Options& o, MessageLayout layout) {
    FixtureDatabase db(path, o.pageSize, o.writeAheadLog, o.addToExisting);
    if (layout == MessageLayout::ios6) {
        const std::string schema = iosschema::messages(Ios::v6);
        if (!db.addsToExisting()) db.exec(tableStatement(schema, "handle"));
        db.exec(tableStatement(schema, "message"));
        // Handles 1 to 9, then 200 and up (two-byte integers in the message rows). An existing
        // database has handles of its own.
        for (int h = 1; h <= 12 && !db.addsToExisting(); ++h) {
            int64_t rowid = h <= 9 ? h : 190 + h;
            char phone[32];
            std::snprintf(phone, sizeof phone, "+3361234%04d", h);
            db.run("INSERT INTO handle VALUES (?, ?, 'fr', ?, NULL)",
                   {rowid, std::string(phone), std::string(h % 3 ? "SMS" : "iMessage")});
        }
    } else {
        db.exec(tableStatement(iosschema::messages(layout == MessageLayout::madrid ? Ios::v5 : Ios::v4), "message"));
    }
    auto make = [&](int i) {
        MessageRow m;
        m.text = "Message " + o.tag + std::to_string(i) + " see you soon";
        if (o.longValues && i % 4 == 2) m.text = longText(m.text + " with a long story", 110);
        m.fromMe = i % 2 == 0;
        if (layout == MessageLayout::ios6) {
            int h = o.addToExisting.empty() ? 1 + i % 12 : 2 + i % 8;  // an existing database's handles
            m.handle = h <= 9 ? h : 190 + h;
            char phone[32];
            std::snprintf(phone, sizeof phone, "+3361234%04d", h);
            m.address = phone;
            m.service = h % 3 ? "SMS" : "iMessage";
            m.date = date2001(i);
        } else {
            char phone[32];
            std::snprintf(phone, sizeof phone, "+1415555%04d", i % 50);
            m.address = phone;
            m.date = date1970(i);
            m.flags = m.fromMe ? 3 : 2;
        }
        return m;
    };
    auto insert = [&](int64_t rowid, const MessageRow& m) {
        if (layout == MessageLayout::ios6) {
            // handle 1 is stored without a body, so its rows carry a country to keep their layout.
            db.run(
                "INSERT INTO message (ROWID, guid, text, replace, service_center, handle_id, subject, country, "
                "attributedBody, version, type, service, account, account_guid, error, date, date_read, "
                "date_delivered, is_delivered, is_finished, is_from_me) "
                "VALUES (?, ?, ?, 0, NULL, ?, NULL, ?, ?, 10, 0, ?, 'e:me@example.com', ?, 0, ?, ?, ?, 1, 1, ?)",
                {rowid, uuid(o.tag, static_cast<int>(rowid)), m.text, static_cast<int64_t>(m.handle),
                 m.handle == 1 ? Value(std::string("fr")) : Value(nullptr), blob(80, static_cast<int>(rowid)),
                 m.service, uuid("acct", 7), m.date, m.date + 60, m.date + 30, static_cast<int64_t>(m.fromMe ? 1 : 0)});
        } else if (layout == MessageLayout::plain) {
            db.run("INSERT INTO message VALUES (?, ?, ?, ?, ?, 0, NULL, 1, 0, 0, 0, 0, NULL, 'us', NULL, NULL, 1)",
                   {rowid, m.address, m.date, m.text, static_cast<int64_t>(m.flags)});
        } else {
            db.run(
                "INSERT INTO message VALUES (?, NULL, ?, ?, 0, 0, NULL, 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL, 1, "
                "?, ?, 0, ?, 0, NULL, 'iMessage', 'e:me@example.com', 12289, NULL, NULL, 0, 1, 0, 0, NULL)",
                {rowid, m.date, m.text, blob(70, static_cast<int>(rowid)), m.address,
                 uuid(o.tag, static_cast<int>(rowid))});
        }
    };
    auto rows = fill<MessageRow>(db, o, o.firstRowid, make, insert, "DELETE FROM message WHERE ROWID=?");
    if (!db.ok()) return {};
    return rows;
}

PageFile::PageFile(int pageSize, int pageCount, bool writeAheadLog)
    : pageSize_(pageSize), bytes_(static_cast<size_t>(pageSize) * static_cast<size_t>(pageCount), 0) {
    if (bytes_.size() < 100) bytes_.resize(100, 0);
    put(0, std::string("SQLite format 3"));
    setPageSizeField(static_cast<uint16_t>(pageSize == 65536 ? 1 : pageSize));
    bytes_[18] = bytes_[19] = writeAheadLog ? 2 : 1;
    bytes_[44 + 3] = 4;
}

void PageFile::setPageSizeField(uint16_t value) {
    bytes_[16] = static_cast<uint8_t>(value >> 8);
    bytes_[17] = static_cast<uint8_t>(value & 0xff);
}

void PageFile::put(int64_t pos, const std::vector<uint8_t>& bytes) {
    if (pos < 0) return;
    size_t end = static_cast<size_t>(pos) + bytes.size();
    if (end > bytes_.size()) bytes_.resize(end, 0);
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + pos);
}

void PageFile::put(int64_t pos, const std::string& text) { put(pos, std::vector<uint8_t>(text.begin(), text.end())); }

void PageFile::tableLeaf(int page, int cell) {
    int64_t P = pageStart(page);
    put(P, std::vector<uint8_t>{0x0d});
    put(P + 8, std::vector<uint8_t>{static_cast<uint8_t>(cell >> 8), static_cast<uint8_t>(cell & 0xff)});
}

bool PageFile::write(const std::string& path) const {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes_.data(), 1, bytes_.size(), f) == bytes_.size();
    return std::fclose(f) == 0 && ok;
}

int addDeletedRecords(const std::string& folder, bool ios6) {
    auto existing = [&](const char* name) {
        std::string path = folder + "/" + name;
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return std::string();
        std::fclose(f);
        return path;
    };
    Options o;
    // Few rows, so that each table stays on one page: the readers never see these tables, and an
    // old copy that a page split left of a live row would be taken for a deleted one. The first
    // row stays live: the carvers learn a page's layout from its first cell.
    o.live = 3;
    o.deleted = 6;
    o.deletedPages = 0;
    o.tag = "D";
    o.addToExisting = "_archive";
    int deleted = 0;
    if (auto p = existing(backupkeys::addressBook); !p.empty())
        deleted += static_cast<int>(writeAddressBook(p, o).deleted.size());
    if (auto p = existing(backupkeys::messages); !p.empty())
        deleted +=
            static_cast<int>(writeMessages(p, o, ios6 ? MessageLayout::ios6 : MessageLayout::plain).deleted.size());
    if (auto p = existing(backupkeys::notes); !p.empty()) deleted += static_cast<int>(writeNotes(p, o).deleted.size());
    if (auto p = existing(backupkeys::callHistory); !p.empty())
        deleted += static_cast<int>(writeCallHistory(p, o, ios6).deleted.size());
    if (auto p = existing(backupkeys::bookmarks); !p.empty())
        deleted += static_cast<int>(writeBookmarks(p, o).deleted.size());
    if (auto p = existing(backupkeys::calendar); !p.empty()) {
        // The newer calendar layout, in a file switched to the write-ahead log as the device's is.
        Options c = o;
        c.writeAheadLog = true;
        c.ios6Calendar = ios6;
        deleted += static_cast<int>(writeCalendar(p, c).deleted.size());
    }
    return deleted;
}

bool writeBackupFolder(const std::string& folder, const Options& options) {
    auto at = [&](const char* name) { return folder + "/" + name; };
    Options notes = options;
    bool ok = !writeAddressBook(at(backupkeys::addressBook), options).deleted.empty();
    ok = !writeMessages(at(backupkeys::messages), options, MessageLayout::ios6).deleted.empty() && ok;
    ok = !writeNotes(at(backupkeys::notes), notes).deleted.empty() && ok;
    ok = !writeCallHistory(at(backupkeys::callHistory), options, true).deleted.empty() && ok;
    ok = !writeBookmarks(at(backupkeys::bookmarks), options).deleted.empty() && ok;
    ok = !writeCalendar(at(backupkeys::calendar), options).deleted.empty() && ok;
    return ok;
}

}  // namespace carvefix
