// The schema writers: each table as the device's own database defines it (the columns the
// readers ask for, and enough of the others that the files look like the real ones).
#include "SampleDatabases.h"
#include "SqliteWriter.h"

#include "platform/CoreFoundation.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace sampledb {
namespace {

const char* orNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

}  // namespace

bool writeAddressBook(const std::string& path, const std::vector<Contact>& contacts, int walOnly) {
    SqliteWriter db(path);
    db.exec(
        "CREATE TABLE _SqliteDatabaseProperties (key TEXT, value TEXT, UNIQUE(key));"
        "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, Middle TEXT, "
        "FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, Organization TEXT, Department TEXT, Note TEXT, "
        "Kind INTEGER, Birthday TEXT, JobTitle TEXT, Nickname TEXT, Prefix TEXT, Suffix TEXT, FirstSort TEXT, "
        "LastSort TEXT, CreationDate INTEGER, ModificationDate INTEGER, CompositeNameFallback TEXT, "
        "ExternalIdentifier TEXT, ExternalModificationTag TEXT, ExternalUUID TEXT, StoreID INTEGER, DisplayName TEXT, "
        "ExternalRepresentation BLOB, FirstSortSection TEXT, LastSortSection TEXT, "
        "FirstSortLanguageIndex INTEGER DEFAULT 2147483647, LastSortLanguageIndex INTEGER DEFAULT 2147483647, "
        "PersonLink INTEGER DEFAULT -1, ImageURI TEXT, IsPreferredName INTEGER DEFAULT 1);"
        "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, "
        "identifier INTEGER, label INTEGER, value TEXT);"
        "CREATE INDEX ABMultiValueRecordIDIndex ON ABMultiValue(record_id);"
        "CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value));"
        "CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT, UNIQUE(parent_id, key));"
        "CREATE TABLE ABMultiValueEntryKey (value TEXT, UNIQUE(value));"
        "CREATE TABLE ABGroup (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT);"
        "INSERT INTO ABMultiValueLabel VALUES ('_$!<Mobile>!$_'), ('_$!<Home>!$_'), ('_$!<Work>!$_'), "
        "('_$!<HomePage>!$_');"
        "INSERT INTO ABMultiValueEntryKey VALUES ('Street'), ('City'), ('ZIP'), ('Country');");
    SqliteWriter::Statement person(db,
        "INSERT INTO ABPerson (ROWID, First, Last, Middle, Organization, Department, Note, Kind, Birthday, JobTitle, "
        "FirstSort, LastSort, CreationDate, ModificationDate, StoreID, DisplayName) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?, 0, ?)");
    SqliteWriter::Statement value(db,
        "INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, ?, ?, ?, ?)");
    insertRows(db, contacts.size(), walOnly, [&](size_t i) {
        const Contact& c = contacts[i];
        const int64_t created = 380000000 + static_cast<int64_t>(i) * 3600;
        person.run(c.rowid, orNull(c.first), orNull(c.last), orNull(c.middle), orNull(c.organization),
                   orNull(c.department), orNull(c.note), orNull(c.birthday), orNull(c.jobTitle),
                   c.first + " " + c.last, c.last + " " + c.first, created, created + 86400, nullptr);
        int identifier = 0;
        auto values = [&](const std::vector<std::string>& list, int property, int label) {
            for (const auto& v : list) value.run(c.rowid, property, identifier++, label, v);
        };
        values(c.phones, 3, 1);
        values(c.emails, 4, 2);
        values(c.addresses, 5, 2);
        values(c.urls, 22, 4);
    });
    return db.ok();
}

bool writeAddressBookImages(const std::string& path, const std::vector<Contact>& contacts, ImagesForm form) {
    SqliteWriter db(path);
    if (form == ImagesForm::fullSize) {
        db.exec(
            "CREATE TABLE ABFullSizeImage (record_id INTEGER, crop_x INTEGER, crop_y INTEGER, crop_width INTEGER, "
            "crop_height INTEGER, data BLOB, UNIQUE(record_id));"
            "CREATE TABLE ABThumbnailImage (record_id INTEGER, format INTEGER, derived_from_format INTEGER, "
            "data BLOB, UNIQUE(record_id, format));");
    } else {
        db.exec("CREATE TABLE ABImage (record_id INTEGER, format INTEGER, data BLOB, UNIQUE(record_id, format));");
    }
    SqliteWriter::Statement insert(db, form == ImagesForm::fullSize
                                           ? "INSERT INTO ABFullSizeImage VALUES (?, 0, 0, 64, 64, ?)"
                                           : "INSERT INTO ABImage VALUES (?, 0, ?)");
    insertRows(db, contacts.size(), 0, [&](size_t i) {
        if (!contacts[i].photo.empty()) insert.run(contacts[i].rowid, contacts[i].photo);
    });
    return db.ok();
}

namespace {

void createGroupMemberMessages(SqliteWriter& db, MessageSchema schema) {
    std::string columns =
        "ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, text TEXT, flags INTEGER, "
        "replace INTEGER, svc_center TEXT, group_id INTEGER, association_id INTEGER, height INTEGER, "
        "UIFlags INTEGER, version INTEGER, subject TEXT, country TEXT, headers BLOB, recipients BLOB, read INTEGER";
    if (schema == MessageSchema::ios5)
        columns +=
            ", madrid_attributedBody BLOB, madrid_handle TEXT, madrid_version INTEGER, madrid_guid TEXT, "
            "madrid_type INTEGER, madrid_roomname TEXT, madrid_service TEXT, madrid_account TEXT, "
            "madrid_account_guid TEXT, madrid_flags INTEGER, madrid_attachmentInfo BLOB, madrid_url TEXT, "
            "madrid_error INTEGER, is_madrid INTEGER, madrid_date_read INTEGER, madrid_date_delivered INTEGER";
    if (schema == MessageSchema::ios6WithoutHandle) columns += ", cache_has_attachments INTEGER DEFAULT 0";
    db.exec("CREATE TABLE message (" + columns + ");"
            "CREATE TABLE msg_group (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER, newest_message INTEGER, "
            "unread_count INTEGER, hash INTEGER);"
            "CREATE TABLE group_member (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, group_id INTEGER, address TEXT, "
            "country TEXT);");
}

void createHandleMessages(SqliteWriter& db) {
    db.exec(
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, country TEXT, "
        "service TEXT NOT NULL, uncanonicalized_id TEXT, UNIQUE (id, service));"
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, text TEXT, "
        "replace INTEGER DEFAULT 0, service_center TEXT, handle_id INTEGER DEFAULT 0, subject TEXT, country TEXT, "
        "attributedBody BLOB, version INTEGER DEFAULT 0, type INTEGER DEFAULT 0, service TEXT, account TEXT, "
        "account_guid TEXT, error INTEGER DEFAULT 0, date INTEGER, date_read INTEGER, date_delivered INTEGER, "
        "is_delivered INTEGER DEFAULT 0, is_finished INTEGER DEFAULT 0, is_emote INTEGER DEFAULT 0, "
        "is_from_me INTEGER DEFAULT 0, is_empty INTEGER DEFAULT 0, is_delayed INTEGER DEFAULT 0, "
        "is_auto_reply INTEGER DEFAULT 0, is_prepared INTEGER DEFAULT 0, is_read INTEGER DEFAULT 0, "
        "is_system_message INTEGER DEFAULT 0, is_sent INTEGER DEFAULT 0, has_dd_results INTEGER DEFAULT 0, "
        "is_service_message INTEGER DEFAULT 0, is_forward INTEGER DEFAULT 0, was_downgraded INTEGER DEFAULT 0, "
        "is_archive INTEGER DEFAULT 0, cache_has_attachments INTEGER DEFAULT 0, cache_roomnames TEXT, "
        "was_data_detected INTEGER DEFAULT 0, was_deduplicated INTEGER DEFAULT 0);"
        "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, style INTEGER, "
        "state INTEGER, account_id TEXT, properties BLOB, chat_identifier TEXT, service_name TEXT, room_name TEXT, "
        "account_login TEXT, is_archived INTEGER DEFAULT 0, last_addressed_handle TEXT, display_name TEXT);"
        "CREATE TABLE chat_handle_join (chat_id INTEGER, handle_id INTEGER, UNIQUE(chat_id, handle_id));"
        "CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER, PRIMARY KEY (chat_id, message_id));");
}

void createAttachments(SqliteWriter& db) {
    db.exec(
        "CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, "
        "created_date INTEGER DEFAULT 0, start_date INTEGER DEFAULT 0, filename TEXT, uti TEXT, mime_type TEXT, "
        "transfer_state INTEGER DEFAULT 0, is_outgoing INTEGER DEFAULT 0);"
        "CREATE TABLE message_attachment_join (message_id INTEGER, attachment_id INTEGER, "
        "UNIQUE(message_id, attachment_id));");
}

std::string mimeOf(const std::string& name) {
    std::string ext = name.substr(name.find_last_of('.') + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return std::tolower(ch); });
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "png") return "image/png";
    if (ext == "mov") return "video/quicktime";
    if (ext == "vcf") return "text/x-vcard";
    return "application/octet-stream";
}

}  // namespace

bool writeMessages(const std::string& path, const std::vector<Message>& messages, MessageSchema schema,
                   int walOnly) {
    SqliteWriter db(path);
    const bool handles = schema == MessageSchema::ios6;
    const bool attachments = schema == MessageSchema::ios6 || schema == MessageSchema::ios6WithoutHandle;
    if (handles) createHandleMessages(db);
    else createGroupMemberMessages(db, schema);
    if (attachments) createAttachments(db);

    // One conversation per address, in order of first appearance.
    std::vector<std::string> addresses;
    auto conversationOf = [&](const std::string& address) {
        auto it = std::find(addresses.begin(), addresses.end(), address);
        if (it != addresses.end()) return static_cast<int64_t>(it - addresses.begin()) + 1;
        addresses.push_back(address);
        return static_cast<int64_t>(addresses.size());
    };
    for (const auto& m : messages) conversationOf(m.address);

    db.exec("BEGIN");
    if (handles) {
        SqliteWriter::Statement handle(db, "INSERT INTO handle (ROWID, id, country, service) VALUES (?, ?, 'us', ?)");
        SqliteWriter::Statement chat(db,
            "INSERT INTO chat (ROWID, guid, style, state, chat_identifier, service_name) VALUES (?, ?, 45, 3, ?, 'SMS')");
        SqliteWriter::Statement chatHandle(db, "INSERT INTO chat_handle_join VALUES (?, ?)");
        for (size_t i = 0; i < addresses.size(); ++i) {
            const auto id = static_cast<int64_t>(i + 1);
            handle.run(id, addresses[i], addresses[i].find('@') != std::string::npos ? "iMessage" : "SMS");
            chat.run(id, "SMS;-;" + addresses[i], addresses[i]);
            chatHandle.run(id, id);
        }
    } else {
        SqliteWriter::Statement group(db, "INSERT INTO msg_group (ROWID, type, newest_message, unread_count) VALUES (?, 0, 0, 0)");
        SqliteWriter::Statement member(db, "INSERT INTO group_member (group_id, address, country) VALUES (?, ?, 'us')");
        for (size_t i = 0; i < addresses.size(); ++i) {
            group.run(static_cast<int64_t>(i + 1));
            member.run(static_cast<int64_t>(i + 1), addresses[i]);
        }
    }
    db.exec("COMMIT");

    std::string insertSql;
    if (handles) {
        insertSql =
            "INSERT INTO message (ROWID, guid, text, handle_id, service, account, date, date_read, date_delivered, "
            "is_delivered, is_finished, is_from_me, is_read, is_sent, cache_has_attachments) "
            "VALUES (?1, ?2, ?3, ?4, ?5, 'e:', ?6, ?6, ?6, 1, 1, ?7, 1, ?7, ?8)";
    } else if (schema == MessageSchema::ios6WithoutHandle) {
        insertSql =
            "INSERT INTO message (ROWID, address, date, text, flags, replace, group_id, association_id, read, "
            "cache_has_attachments) VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, 0, 1, ?7)";
    } else if (schema == MessageSchema::ios5) {
        insertSql =
            "INSERT INTO message (ROWID, address, date, text, flags, replace, group_id, association_id, read, "
            "madrid_handle, madrid_flags, is_madrid, madrid_service, madrid_account) "
            "VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, 0, 1, ?7, ?8, ?9, ?10, ?11)";
    } else {
        insertSql =
            "INSERT INTO message (ROWID, address, date, text, flags, replace, group_id, association_id, read) "
            "VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, 0, 1)";
    }
    SqliteWriter::Statement insert(db, insertSql);
    std::unique_ptr<SqliteWriter::Statement> attachment, join;
    if (attachments) {
        attachment = std::make_unique<SqliteWriter::Statement>(db,
            "INSERT INTO attachment (ROWID, guid, created_date, start_date, filename, mime_type, transfer_state, "
            "is_outgoing) VALUES (?, ?, ?, ?, ?, ?, 5, ?)");
        join = std::make_unique<SqliteWriter::Statement>(db, "INSERT INTO message_attachment_join VALUES (?, ?)");
    }
    int64_t attachmentRow = 0;
    insertRows(db, messages.size(), walOnly, [&](size_t i) {
        const Message& m = messages[i];
        const int64_t conversation = conversationOf(m.address);
        const int hasAttachment = attachments && !m.attachmentName.empty() ? 1 : 0;
        if (handles) {
            insert.run(m.rowid, "SAMPLE-MSG-" + std::to_string(m.rowid), orNull(m.text), conversation,
                       m.iMessage ? "iMessage" : "SMS", m.date - kMacEpochOffset, m.fromMe ? 1 : 0, hasAttachment);
        } else if (schema == MessageSchema::ios6WithoutHandle) {
            insert.run(m.rowid, m.address, m.date - kMacEpochOffset, orNull(m.text), m.fromMe ? 3 : 2, conversation,
                       hasAttachment);
        } else if (schema == MessageSchema::ios5) {
            // iMessages keep their own address and flags; the SMS columns stay empty for them.
            if (m.iMessage)
                insert.run(m.rowid, nullptr, m.date, orNull(m.text), 0, conversation, m.address,
                           m.fromMe ? 36869 : 12289, 1, "iMessage", "e:sample@example.com");
            else
                insert.run(m.rowid, m.address, m.date, orNull(m.text), m.fromMe ? 3 : 2, conversation, nullptr,
                           0, 0, nullptr, nullptr);
        } else {
            insert.run(m.rowid, m.address, m.date, orNull(m.text), m.fromMe ? 3 : 2, conversation);
        }
        if (hasAttachment) {
            ++attachmentRow;
            attachment->run(attachmentRow, "SAMPLE-ATT-" + std::to_string(attachmentRow), m.date - kMacEpochOffset,
                            m.date - kMacEpochOffset, m.attachmentName, mimeOf(m.attachmentName), m.fromMe ? 1 : 0);
            join->run(m.rowid, attachmentRow);
        }
    });
    return db.ok();
}

bool writeCallHistory(const std::string& path, const std::vector<Call>& calls, int walOnly) {
    SqliteWriter db(path);
    db.exec(
        "CREATE TABLE _SqliteDatabaseProperties (key TEXT, value TEXT, UNIQUE(key));"
        "CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, duration INTEGER, "
        "flags INTEGER, id INTEGER, name TEXT, country_code TEXT, network_code TEXT, read INTEGER, "
        "assisted INTEGER, face_time_data BLOB, originalAddress TEXT);"
        "CREATE TABLE data (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, pdp_ip INTEGER, bytes_rcvd REAL, "
        "bytes_sent REAL, bytes_last_rcvd REAL, bytes_last_sent REAL, bytes_lifetime_rcvd REAL, "
        "bytes_lifetime_sent REAL);");
    SqliteWriter::Statement insert(db,
        "INSERT INTO call (address, date, duration, flags, id, country_code, network_code, read, assisted, "
        "originalAddress) VALUES (?1, ?2, ?3, ?4, -1, '310', '410', 1, 0, ?1)");
    insertRows(db, calls.size(), walOnly, [&](size_t i) {
        insert.run(calls[i].address, calls[i].date, calls[i].duration, calls[i].flags);
    });
    return db.ok();
}

bool writeNotes(const std::string& path, const std::vector<Note>& notes, NotesSchema schema, int walOnly) {
    SqliteWriter db(path);
    std::unique_ptr<SqliteWriter::Statement> note, body;
    if (schema == NotesSchema::coreData) {
        db.exec(
            "CREATE TABLE ZNOTE ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZCONTAINSCJK INTEGER, "
            "ZCONTENTTYPE INTEGER, ZDELETEDFLAG INTEGER, ZEXTERNALFLAGS INTEGER, ZEXTERNALSEQUENCENUMBER INTEGER, "
            "ZEXTERNALSERVERINTID INTEGER, ZINTEGERID INTEGER, ZBODY INTEGER, ZSTORE INTEGER, "
            "ZCREATIONDATE TIMESTAMP, ZMODIFICATIONDATE TIMESTAMP, ZAUTHOR VARCHAR, ZGUID VARCHAR, "
            "ZSERVERID VARCHAR, ZSUMMARY VARCHAR, ZTITLE VARCHAR );"
            "CREATE TABLE ZNOTEBODY ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZOWNER INTEGER, "
            "ZCONTENT VARCHAR, ZEXTERNALCONTENTREF VARCHAR, ZEXTERNALREPRESENTATION BLOB );"
            "CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER);");
        note = std::make_unique<SqliteWriter::Statement>(db,
            "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE, ZDELETEDFLAG, ZINTEGERID, ZBODY, "
            "ZSTORE, ZCREATIONDATE, ZMODIFICATIONDATE, ZGUID, ZSUMMARY, ZTITLE) "
            "VALUES (?1, 3, 1, 0, 0, 0, ?1, ?1, 1, ?2, ?3, ?4, ?5, ?6)");
        body = std::make_unique<SqliteWriter::Statement>(db,
            "INSERT INTO ZNOTEBODY (Z_PK, Z_ENT, Z_OPT, ZOWNER, ZCONTENT) VALUES (?1, 2, 1, ?1, ?2)");
    } else {
        db.exec(
            "CREATE TABLE Note (creation_date INTEGER, title TEXT, summary TEXT, contains_cjk INTEGER, "
            "modification_date INTEGER, remote_id INTEGER);"
            "CREATE TABLE note_bodies (note_id INTEGER, data, UNIQUE(note_id) ON CONFLICT REPLACE);");
        note = std::make_unique<SqliteWriter::Statement>(db,
            "INSERT INTO Note (ROWID, creation_date, modification_date, title, summary, contains_cjk) "
            "VALUES (?1, ?2, ?3, ?5, ?4, 0)");
        body = std::make_unique<SqliteWriter::Statement>(db, "INSERT INTO note_bodies VALUES (?, ?)");
    }
    insertRows(db, notes.size(), walOnly, [&](size_t i) {
        const Note& n = notes[i];
        const auto pk = static_cast<int64_t>(i + 1);
        const std::string summary = n.body.substr(0, 60);
        if (schema == NotesSchema::coreData)
            note->run(pk, static_cast<double>(n.created - kMacEpochOffset) + 0.25,
                      static_cast<double>(n.modified - kMacEpochOffset) + 0.5, "SAMPLE-NOTE-" + std::to_string(pk),
                      summary, n.title);
        else
            note->run(pk, n.created - kMacEpochOffset, n.modified - kMacEpochOffset, summary, n.title);
        body->run(pk, n.body);
    });
    return db.ok();
}

bool writeBookmarks(const std::string& path, const std::vector<Bookmark>& bookmarks) {
    SqliteWriter db(path);
    db.exec(
        "CREATE TABLE bookmarks (id INTEGER PRIMARY KEY AUTOINCREMENT, special_id INTEGER DEFAULT 0, "
        "parent INTEGER, type INTEGER, title TEXT, url TEXT COLLATE NOCASE, num_children INTEGER DEFAULT 0, "
        "editable INTEGER DEFAULT 1, deletable INTEGER DEFAULT 1, hidden INTEGER DEFAULT 0, "
        "hidden_ancestor_count INTEGER DEFAULT 0, order_index INTEGER NOT NULL, external_uuid TEXT, "
        "read INTEGER DEFAULT NULL, last_modified REAL DEFAULT NULL, server_id TEXT, sync_key TEXT, "
        "sync_data BLOB, added INTEGER DEFAULT 1, deleted INTEGER DEFAULT 0, extra_attributes BLOB DEFAULT NULL, "
        "local_attributes BLOB DEFAULT NULL);"
        "CREATE TABLE bookmark_title_words (id INTEGER PRIMARY KEY, bookmark_id INTEGER NOT NULL, "
        "word TEXT, word_index INTEGER);");
    SqliteWriter::Statement insert(db,
        "INSERT INTO bookmarks (id, parent, type, title, url, order_index, external_uuid) "
        "VALUES (?, ?, ?, ?, ?, ?, ?)");
    insertRows(db, bookmarks.size(), 0, [&](size_t i) {
        const Bookmark& b = bookmarks[i];
        insert.run(static_cast<int64_t>(b.id), b.parent, b.type, b.title, b.type == 1 ? nullptr : b.url.c_str(), static_cast<int>(i),
                   "SAMPLE-BM-" + std::to_string(b.id));
    });
    return db.ok();
}

bool writeHistoryPlist(const std::string& path, const std::vector<HistoryEntry>& entries, bool binary) {
    CFHolder<CFMutableArrayRef> list(CFArrayCreateMutable());
    int n = 0;
    for (const auto& e : entries) {
        CFHolder<CFMutableDictionaryRef> item(CFDictionaryCreateMutable());
        CFHolder<CFStringRef> url(CFStringCreateWithCString(e.url.c_str()));
        CFDictionarySetValue(item.get(), "", url.get());
        if (e.hasTitle) {
            CFHolder<CFStringRef> title(CFStringCreateWithCString(e.title.c_str()));
            CFDictionarySetValue(item.get(), "title", title.get());
        }
        CFHolder<CFStringRef> visited(CFStringCreateWithCString(std::to_string(389059200 + 3600 * n).c_str()));
        CFDictionarySetValue(item.get(), "lastVisitedDate", visited.get());
        int count = 1 + n % 7;
        CFHolder<CFNumberRef> visits(CFNumberCreate(kCFNumberIntType, &count));
        CFDictionarySetValue(item.get(), "visitCount", visits.get());
        CFArrayAppendValue(list.get(), item.get());
        ++n;
    }
    CFHolder<CFMutableDictionaryRef> root(CFDictionaryCreateMutable());
    CFDictionarySetValue(root.get(), "WebHistoryDates", list.get());
    CFHolder<CFStringRef> version(CFStringCreateWithCString("1"));
    CFDictionarySetValue(root.get(), "WebHistoryFileVersion", version.get());
    return CFPropertyListWriteToFile(root.get(), path,
                                     binary ? kCFPropertyListBinaryFormat_v1_0 : kCFPropertyListXMLFormat_v1_0);
}

bool writeCalendar(const std::string& path, const std::vector<CalendarItem>& items, CalendarSchema schema) {
    SqliteWriter db(path);
    db.exec(
        "CREATE TABLE Store (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, default_alarm_offset INTEGER, "
        "type INTEGER, constraint_path TEXT, disabled INTEGER, external_id TEXT, persistent_id TEXT, flags INTEGER);"
        "INSERT INTO Store (ROWID, name, type) VALUES (1, 'Default', 0);");
    if (schema == CalendarSchema::ios4) {
        db.exec(
            "CREATE TABLE Calendar (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, store_id INTEGER, title TEXT, "
            "flags INTEGER, color_r INTEGER, color_g INTEGER, color_b INTEGER, type TEXT);"
            "CREATE TABLE Event (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location TEXT, "
            "description TEXT, start_date INTEGER, start_tz TEXT, end_date INTEGER, all_day INTEGER, "
            "calendar_id INTEGER, orig_event_id INTEGER, orig_start_date INTEGER, organizer_id INTEGER, "
            "organizer_is_self INTEGER, organizer_external_id TEXT, self_attendee_status INTEGER, status INTEGER, "
            "availability INTEGER, privacy_level INTEGER, url TEXT, last_modified INTEGER, sequence_num INTEGER, "
            "birthday_id INTEGER, modified_properties INTEGER, external_tracking_status INTEGER, "
            "external_id TEXT, external_mod_tag TEXT, unique_identifier TEXT, external_schedule_id TEXT, "
            "external_rep BLOB, response_comment TEXT, hidden INTEGER, has_recurrences INTEGER, "
            "has_attendees INTEGER);"
            "INSERT INTO Calendar (ROWID, store_id, title, flags, type) VALUES (1, 1, 'Home', 0, 'local');");
        SqliteWriter::Statement insert(db,
            "INSERT INTO Event (summary, location, description, start_date, start_tz, end_date, all_day, "
            "calendar_id) VALUES (?, ?, ?, ?, 'Europe/London', ?, ?, 1)");
        insertRows(db, items.size(), 0, [&](size_t i) {
            const CalendarItem& c = items[i];
            if (c.reminder) return;  // these devices kept no reminders
            insert.run(c.summary, orNull(c.location), orNull(c.description), c.start - kMacEpochOffset,
                       c.end - kMacEpochOffset, c.allDay ? 1 : 0);
        });
        return db.ok();
    }
    db.exec(
        "CREATE TABLE Calendar (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, store_id INTEGER, title TEXT, "
        "flags INTEGER, color TEXT, type TEXT, supported_entity_types INTEGER, external_id TEXT, "
        "external_mod_tag TEXT, external_id_tag TEXT, external_rep BLOB, display_order INTEGER, "
        "UUID TEXT, shared_owner_name TEXT, shared_owner_address TEXT, notes TEXT, subcal_account_id TEXT);"
        "CREATE TABLE Location (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, address TEXT, "
        "latitude REAL, longitude REAL, reference_frame INTEGER, radius REAL, item_owner_id INTEGER);"
        "CREATE TABLE CalendarItem (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location_id INTEGER, "
        "description TEXT, start_date REAL, start_tz TEXT, end_date REAL, all_day INTEGER, calendar_id INTEGER, "
        "orig_item_id INTEGER DEFAULT 0, orig_date REAL, organizer_id INTEGER DEFAULT 0, "
        "self_attendee_id INTEGER DEFAULT 0, status INTEGER DEFAULT 0, availability INTEGER DEFAULT 0, "
        "privacy_level INTEGER DEFAULT 0, url TEXT, last_modified REAL, sequence_num INTEGER DEFAULT 0, "
        "birthday_id INTEGER DEFAULT -1, modified_properties INTEGER DEFAULT 0, "
        "external_tracking_status INTEGER DEFAULT 0, external_id TEXT, external_mod_tag TEXT, "
        "unique_identifier TEXT, external_schedule_id TEXT, external_rep BLOB, response_comment TEXT, "
        "hidden INTEGER DEFAULT 0, has_recurrences INTEGER DEFAULT 0, has_attendees INTEGER DEFAULT 0, "
        "UUID TEXT, entity_type INTEGER DEFAULT 0, priority INTEGER DEFAULT 0, due_date REAL, due_tz TEXT, "
        "due_all_day INTEGER DEFAULT 0, completion_date REAL, creation_date REAL);"
        "INSERT INTO Calendar (ROWID, store_id, title, flags, type, supported_entity_types, UUID) "
        "VALUES (1, 1, 'Home', 0, 'local', 4, 'SAMPLE-CAL-HOME'), (2, 1, 'Reminders', 0, 'local', 8, 'SAMPLE-CAL-REM');");
    SqliteWriter::Statement location(db, "INSERT INTO Location (ROWID, title, item_owner_id) VALUES (?, ?, ?)");
    SqliteWriter::Statement insert(db,
        "INSERT INTO CalendarItem (ROWID, summary, location_id, description, start_date, start_tz, end_date, "
        "all_day, calendar_id, entity_type, UUID, creation_date, due_date) "
        "VALUES (?1, ?2, ?3, ?4, ?5, 'Europe/London', ?6, ?7, ?8, ?9, ?10, ?5, ?11)");
    int64_t locations = 0;
    insertRows(db, items.size(), 0, [&](size_t i) {
        const CalendarItem& c = items[i];
        const auto row = static_cast<int64_t>(i + 1);
        int64_t locationId = 0;
        if (!c.location.empty()) {
            locationId = ++locations;
            location.run(locationId, c.location, row);
        }
        const double start = static_cast<double>(c.start - kMacEpochOffset);
        const double end = static_cast<double>(c.end - kMacEpochOffset);
        if (c.reminder)
            insert.run(row, c.summary, locationId, orNull(c.description), nullptr, nullptr, 0, 2, 3,
                       "SAMPLE-ITEM-" + std::to_string(row), start);
        else
            insert.run(row, c.summary, locationId, orNull(c.description), start, end, c.allDay ? 1 : 0, 1, 2,
                       "SAMPLE-ITEM-" + std::to_string(row), nullptr);
    });
    return db.ok();
}

}  // namespace sampledb
