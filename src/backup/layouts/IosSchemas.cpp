#include "backup/layouts/IosSchemas.h"

namespace iosschema {

namespace {
bool atLeast(Ios ios, Ios version) { return static_cast<int>(ios) >= static_cast<int>(version); }

const char* const kProperties = "CREATE TABLE _SqliteDatabaseProperties (key TEXT, value TEXT, UNIQUE(key));";

// The calendar tables of iOS 6 beside its items: attendees and who they are, attachments,
// categories, and the cache of occurrences an item's deletion clears.
const std::string kCalendarTablesOf6 =
    "CREATE TABLE Participant (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, entity_type INTEGER, type INTEGER, "
    "status INTEGER, pending_status INTEGER, role INTEGER, identity_id INTEGER, owner_id INTEGER, "
    "external_rep BLOB, UUID TEXT, email TEXT, is_self INTEGER);"
    "CREATE TABLE Attachment (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, owner_id INTEGER, external_id TEXT, "
    "external_mod_tag TEXT, external_rep BLOB, url TEXT, UUID TEXT, data BLOB, format TEXT, is_binary INTEGER, "
    "filename TEXT, local_url TEXT, file_size INTEGER);"
    "CREATE TABLE Identity (display_name TEXT, address TEXT, first_name TEXT, last_name TEXT, UNIQUE (display_name, "
    "address, first_name, last_name));"
    "CREATE TABLE Category (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, entity_type INTEGER, "
    "hidden INTEGER);"
    "CREATE TABLE CategoryLink (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, owner_id INTEGER, category_id INTEGER);"
    "CREATE TABLE OccurrenceCache (day REAL, event_id INTEGER, calendar_id INTEGER, store_id INTEGER, "
    "occurrence_date REAL, occurrence_start_date REAL, occurrence_end_date REAL);"
    "CREATE TABLE OccurrenceCacheDays (calendar_id INTEGER, store_id INTEGER, day REAL, count INTEGER, "
    "PRIMARY KEY (calendar_id, day));";
}  // namespace

bool writeAheadLog(Ios ios) { return atLeast(ios, Ios::v5); }

std::string addressBook(Ios) {
    // The same tables from iOS 4 to 7 (ABPerson as devices of iOS 6 define it).
    return std::string(kProperties) +
           "CREATE TABLE ABStore (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT, ExternalIdentifier TEXT, "
           "Type INTEGER, ConstraintsPath TEXT, ExternalModificationTag TEXT, StoreInternalIdentifier TEXT, "
           "AccountIdentifier TEXT, Enabled INTEGER DEFAULT 1, UNIQUE(StoreInternalIdentifier));"
           "CREATE TABLE ABGroup (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT, ExternalIdentifier TEXT, "
           "StoreID INTEGER, ExternalModificationTag TEXT, ExternalRepresentation BLOB, ExternalUUID TEXT);"
           "CREATE TABLE ABGroupChanges (record INTEGER, type INTEGER, ExternalIdentifier TEXT, StoreID INTEGER);"
           "CREATE TABLE ABGroupMembers (UID INTEGER PRIMARY KEY, group_id INTEGER, member_type INTEGER, "
           "member_id INTEGER, UNIQUE(group_id, member_type, member_id));"
           "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, "
           "identifier INTEGER, label INTEGER, value TEXT);"
           "CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT, UNIQUE(parent_id, key));"
           "CREATE TABLE ABMultiValueEntryKey (value TEXT, UNIQUE(value));"
           "CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value));"
           "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, Middle TEXT, "
           "FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, Organization TEXT, Department TEXT, "
           "Note TEXT, Kind INTEGER, Birthday TEXT, JobTitle TEXT, Nickname TEXT, Prefix TEXT, Suffix TEXT, "
           "FirstSort TEXT, LastSort TEXT, CreationDate INTEGER, ModificationDate INTEGER, "
           "CompositeNameFallback TEXT, ExternalIdentifier TEXT, ExternalModificationTag TEXT, ExternalUUID TEXT, "
           "StoreID INTEGER, DisplayName TEXT, ExternalRepresentation BLOB, FirstSortSection TEXT, "
           "LastSortSection TEXT, FirstSortLanguageIndex INTEGER DEFAULT 2147483647, "
           "LastSortLanguageIndex INTEGER DEFAULT 2147483647, PersonLink INTEGER DEFAULT -1, ImageURI TEXT, "
           "IsPreferredName INTEGER DEFAULT 1);"
           "CREATE TABLE ABPersonChanges (record INTEGER, type INTEGER, Image INTEGER, ExternalIdentifier TEXT, "
           "StoreID INTEGER);"
           "CREATE TABLE ABPersonLink (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, "
           "PreferredImagePersonID INTEGER DEFAULT -1, PreferredNamePersonID INTEGER DEFAULT -1);"
           "CREATE TABLE ABPersonMultiValueDeletes (record_id INTEGER, property_id INTEGER, identifier INTEGER);"
           "CREATE TABLE ABPersonSearchKey (person_id INTEGER, value BLOB, UNIQUE(person_id));"
           "CREATE TABLE ABPhoneLastFour (multivalue_id INTEGER PRIMARY KEY, value TEXT);"
           "CREATE TABLE ABRecent(date INTEGER, name, property INTEGER, value);"
           "CREATE TABLE FirstSortSectionCount(LanguageIndex, Section TEXT, StoreID, number, "
           "UNIQUE(LanguageIndex, Section, StoreID));"
           "CREATE TABLE LastSortSectionCount(LanguageIndex, Section TEXT, StoreID, number, "
           "UNIQUE(LanguageIndex, Section, StoreID));"
           "CREATE TABLE FirstSortSectionCountTotal(LanguageIndex, Section TEXT, Type INT, number, "
           "UNIQUE(LanguageIndex, Section, Type));"
           "CREATE TABLE LastSortSectionCountTotal(LanguageIndex, Section TEXT, Type INT, number, "
           "UNIQUE(LanguageIndex, Section, Type));";
}

std::string addressBookRows() {
    return "INSERT INTO ABMultiValueLabel (value) VALUES ('_$!<Mobile>!$_'), ('_$!<Home>!$_'), ('_$!<Work>!$_'), "
           "('_$!<HomePage>!$_'), ('iPhone'), ('_$!<Other>!$_'), ('Telma'), ('Orange'), ('Galaxy tab');"
           "INSERT INTO ABMultiValueEntryKey (value) VALUES ('Country'), ('Street'), ('ZIP'), ('City'), "
           "('CountryCode'), ('State'), ('service'), ('username'), ('url');"
           "INSERT INTO ABStore (ROWID, Name, Type, Enabled) VALUES (0, 'Local', 0, 1);";
}

std::string addressBookImages() {
    return "CREATE TABLE ABFullSizeImage (record_id INTEGER, crop_x INTEGER, crop_y INTEGER, crop_width INTEGER, "
           "crop_height INTEGER, data BLOB, UNIQUE(record_id));"
           "CREATE TABLE ABThumbnailImage (record_id INTEGER, format INTEGER, derived_from_format INTEGER, "
           "data BLOB, UNIQUE(record_id, format));";
}

std::string addressBookImagesOld() {
    return "CREATE TABLE ABImage (record_id INTEGER, format INTEGER, data BLOB, UNIQUE(record_id, format));";
}

std::string messages(Ios ios, History history) {
    if (!atLeast(ios, Ios::v6)) {
        std::string message =
            "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, text TEXT, "
            "flags INTEGER, replace INTEGER, svc_center TEXT, group_id INTEGER, association_id INTEGER, "
            "height INTEGER, UIFlags INTEGER, version INTEGER, subject TEXT, country TEXT, headers BLOB, "
            "recipients BLOB, read INTEGER";
        if (ios == Ios::v5) {
            // A phone installed with iOS 5 keeps the account's guid beside the account; one
            // upgraded from iOS 4 got it last, by an ALTER TABLE of a later update.
            const char* accountGuid = ", madrid_account_guid TEXT";
            message +=
                ", madrid_attributedBody BLOB, madrid_handle TEXT, madrid_version INTEGER, madrid_guid TEXT, "
                "madrid_type INTEGER, madrid_roomname TEXT, madrid_service TEXT, madrid_account TEXT";
            if (history == History::fresh) message += accountGuid;
            message +=
                ", madrid_flags INTEGER, madrid_attachmentInfo BLOB, madrid_url TEXT, madrid_error INTEGER, "
                "is_madrid INTEGER, madrid_date_read INTEGER, madrid_date_delivered INTEGER";
            if (history == History::upgraded) message += accountGuid;
        }
        return std::string(kProperties) +
               "CREATE TABLE msg_pieces (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, message_id INTEGER, data BLOB, "
               "part_id INTEGER, preview_part INTEGER, content_type TEXT, height INTEGER, version INTEGER, "
               "flags INTEGER, content_id TEXT, content_loc TEXT, headers BLOB);"
               "CREATE TABLE msg_group (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER, "
               "newest_message INTEGER, unread_count INTEGER, hash INTEGER);" +
               message +
               ");"
               "CREATE TABLE group_member (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, group_id INTEGER, address TEXT, "
               "country TEXT);"
               "CREATE INDEX message_group_index ON message(group_id, ROWID);"
               "CREATE INDEX message_flags_index ON message(flags);";
    }
    // iOS 7 kept the tables of iOS 6.
    return std::string(kProperties) +
           "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, text TEXT, "
           "replace INTEGER DEFAULT 0, service_center TEXT, handle_id INTEGER DEFAULT 0, subject TEXT, "
           "country TEXT, attributedBody BLOB, version INTEGER DEFAULT 0, type INTEGER DEFAULT 0, service TEXT, "
           "account TEXT, account_guid TEXT, error INTEGER DEFAULT 0, date INTEGER, date_read INTEGER, "
           "date_delivered INTEGER, is_delivered INTEGER DEFAULT 0, is_finished INTEGER DEFAULT 0, "
           "is_emote INTEGER DEFAULT 0, is_from_me INTEGER DEFAULT 0, is_empty INTEGER DEFAULT 0, "
           "is_delayed INTEGER DEFAULT 0, is_auto_reply INTEGER DEFAULT 0, is_prepared INTEGER DEFAULT 0, "
           "is_read INTEGER DEFAULT 0, is_system_message INTEGER DEFAULT 0, is_sent INTEGER DEFAULT 0, "
           "has_dd_results INTEGER DEFAULT 0, is_service_message INTEGER DEFAULT 0, is_forward INTEGER DEFAULT 0, "
           "was_downgraded INTEGER DEFAULT 0, is_archive INTEGER DEFAULT 0, cache_has_attachments INTEGER DEFAULT 0, "
           "cache_roomnames TEXT, was_data_detected INTEGER DEFAULT 0, was_deduplicated INTEGER DEFAULT 0);"
           "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, style INTEGER, "
           "state INTEGER, account_id TEXT, properties BLOB, chat_identifier TEXT, service_name TEXT, "
           "room_name TEXT, account_login TEXT, is_archived INTEGER DEFAULT 0, last_addressed_handle TEXT);"
           "CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, "
           "created_date INTEGER DEFAULT 0, start_date INTEGER DEFAULT 0, filename TEXT, uti TEXT, mime_type TEXT, "
           "transfer_state INTEGER DEFAULT 0, is_outgoing INTEGER DEFAULT 0);"
           "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, country TEXT, "
           "service TEXT NOT NULL, uncanonicalized_id TEXT, UNIQUE (id, service));"
           "CREATE TABLE message_attachment_join (message_id INTEGER REFERENCES message (ROWID) ON DELETE CASCADE, "
           "attachment_id INTEGER REFERENCES attachment (ROWID) ON DELETE CASCADE, "
           "UNIQUE(message_id, attachment_id));"
           "CREATE TABLE chat_handle_join (chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE, "
           "handle_id INTEGER REFERENCES handle (ROWID) ON DELETE CASCADE, UNIQUE(chat_id, handle_id));"
           "CREATE TABLE chat_message_join (chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE, "
           "message_id INTEGER REFERENCES message (ROWID) ON DELETE CASCADE, PRIMARY KEY (chat_id, message_id));";
}

std::string callHistory(Ios ios) {
    const bool newer = atLeast(ios, Ios::v6);
    std::string sql = std::string(kProperties) +
                      "CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, "
                      "duration INTEGER, flags INTEGER, id INTEGER, name TEXT, country_code TEXT" +
                      (newer ? ", network_code TEXT, read INTEGER, assisted INTEGER, face_time_data BLOB, "
                               "originalAddress TEXT"
                             : "") +
                      ");"
                      "CREATE TABLE data (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, pdp_ip INTEGER, bytes_rcvd REAL, "
                      "bytes_sent REAL, bytes_last_rcvd REAL, bytes_last_sent REAL, bytes_lifetime_rcvd REAL, "
                      "bytes_lifetime_sent REAL);";
    if (newer) sql += "CREATE INDEX date_index on call(date);";
    return sql +
           "CREATE TRIGGER data_up_trigger UPDATE ON _SqliteDatabaseProperties WHEN (NEW.key = 'data_up_last') "
           "BEGIN UPDATE _SqliteDatabaseProperties SET value = (SELECT NEW.value + (SELECT value FROM "
           "_SqliteDatabaseProperties WHERE key = 'data_up_all')) WHERE key = 'data_up_all'; UPDATE "
           "_SqliteDatabaseProperties SET value = (SELECT NEW.value + (SELECT value FROM _SqliteDatabaseProperties "
           "WHERE key = 'data_up_lifetime')) WHERE key = 'data_up_lifetime'; END;"
           "CREATE TRIGGER data_down_trigger UPDATE ON _SqliteDatabaseProperties WHEN (NEW.key = 'data_down_last') "
           "BEGIN UPDATE _SqliteDatabaseProperties SET value = (SELECT NEW.value + (SELECT value FROM "
           "_SqliteDatabaseProperties WHERE key = 'data_down_all')) WHERE key = 'data_down_all'; UPDATE "
           "_SqliteDatabaseProperties SET value = (SELECT NEW.value + (SELECT value FROM _SqliteDatabaseProperties "
           "WHERE key = 'data_down_lifetime')) WHERE key = 'data_down_lifetime'; END;"
           "CREATE TRIGGER timer_last_trigger INSERT ON call WHEN (NEW.duration != 0) BEGIN UPDATE "
           "_SqliteDatabaseProperties SET value = (((NEW.duration + 59)/60)*60) WHERE key = 'timer_last'; END;"
           "CREATE TRIGGER timer_outgoing_trigger INSERT ON call WHEN (NEW.flags & (1 << 0) == 1) BEGIN UPDATE "
           "_SqliteDatabaseProperties SET value = (((((SELECT NEW.duration)+59)/60)*60) + (SELECT value FROM "
           "_SqliteDatabaseProperties WHERE key = 'timer_outgoing')) WHERE key = 'timer_outgoing'; END;"
           "CREATE TRIGGER timer_incoming_trigger INSERT ON call WHEN (NEW.flags & (1 << 0) == 0) BEGIN UPDATE "
           "_SqliteDatabaseProperties SET value = (((((SELECT NEW.duration)+59)/60)*60) + (SELECT value FROM "
           "_SqliteDatabaseProperties WHERE key = 'timer_incoming')) WHERE key = 'timer_incoming'; END;"
           "CREATE TRIGGER timer_all_trigger INSERT ON call WHEN (NEW.duration != 0) BEGIN UPDATE "
           "_SqliteDatabaseProperties SET value = (((((SELECT NEW.duration) + 59)/60)*60) + (SELECT value FROM "
           "_SqliteDatabaseProperties WHERE key = 'timer_all')) WHERE key = 'timer_all'; END;"
           "CREATE TRIGGER timer_lifetime_trigger INSERT ON call WHEN (NEW.duration != 0) BEGIN UPDATE "
           "_SqliteDatabaseProperties SET value = (((((SELECT NEW.duration) + 59)/60)*60) + (SELECT value FROM "
           "_SqliteDatabaseProperties WHERE key = 'timer_lifetime')) WHERE key = 'timer_lifetime'; END;";
}

std::string callHistoryRows(Ios ios) {
    const char* version = ios == Ios::v7 ? "12" : ios == Ios::v6 ? "11" : ios == Ios::v5 ? "9" : "7";
    return std::string(
               "INSERT INTO _SqliteDatabaseProperties VALUES ('call_history_limit', '100'), "
               "('timer_last', '0'), ('timer_outgoing', '0'), ('timer_incoming', '0'), ('timer_all', '0'), "
               "('timer_lifetime', '0'), ('timer_last_reset', '0'), ('data_up_last', '0'), "
               "('data_down_last', '0'), ('data_up_all', '0'), ('data_down_all', '0'), "
               "('data_up_lifetime', '0'), ('data_down_lifetime', '0'), ('_ClientVersion', '") +
           version + "');";
}

std::string notes(Ios) {
    return "CREATE TABLE ZACCOUNT ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZTYPE INTEGER, "
           "ZDEFAULTSTORE INTEGER, ZACCOUNTIDENTIFIER VARCHAR, ZCONSTRAINTSPATH VARCHAR, ZNAME VARCHAR );"
           "CREATE INDEX ZACCOUNT_ZDEFAULTSTORE_INDEX ON ZACCOUNT (ZDEFAULTSTORE);"
           "CREATE TABLE ZNEXTID ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZCOUNTER INTEGER );"
           "CREATE TABLE ZNOTE ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZCONTAINSCJK INTEGER, "
           "ZCONTENTTYPE INTEGER, ZDELETEDFLAG INTEGER, ZEXTERNALFLAGS INTEGER, ZEXTERNALSERVERINTID INTEGER, "
           "ZINTEGERID INTEGER, ZISBOOKKEEPINGENTRY INTEGER, ZBODY INTEGER, ZSTORE INTEGER, "
           "ZCREATIONDATE TIMESTAMP, ZMODIFICATIONDATE TIMESTAMP, ZAUTHOR VARCHAR, ZGUID VARCHAR, "
           "ZSERVERID VARCHAR, ZSUMMARY VARCHAR, ZTITLE VARCHAR );"
           "CREATE INDEX ZNOTE_ZINTEGERID_INDEX ON ZNOTE (ZINTEGERID);"
           "CREATE INDEX ZNOTE_ZBODY_INDEX ON ZNOTE (ZBODY);"
           "CREATE INDEX ZNOTE_ZSTORE_INDEX ON ZNOTE (ZSTORE);"
           "CREATE TABLE ZNOTEBODY ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZOWNER INTEGER, "
           "ZCONTENT VARCHAR, ZEXTERNALCONTENTREF VARCHAR, ZEXTERNALREPRESENTATION BLOB );"
           "CREATE INDEX ZNOTEBODY_ZOWNER_INDEX ON ZNOTEBODY (ZOWNER);"
           "CREATE TABLE ZNOTECHANGE ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZCHANGETYPE INTEGER, "
           "ZSTORE INTEGER, ZNOTEINTEGERIDS BLOB, ZNOTESERVERIDS BLOB, ZNOTESERVERINTIDS BLOB );"
           "CREATE INDEX ZNOTECHANGE_ZSTORE_INDEX ON ZNOTECHANGE (ZSTORE);"
           "CREATE TABLE ZPROPERTY ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZPROPERTYKEY VARCHAR, "
           "ZPROPERTYVALUE BLOB );"
           "CREATE TABLE ZSTORE ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZACCOUNT INTEGER, "
           "ZEXTERNALIDENTIFIER VARCHAR, ZNAME VARCHAR, ZSYNCANCHOR VARCHAR );"
           "CREATE INDEX ZSTORE_ZACCOUNT_INDEX ON ZSTORE (ZACCOUNT);"
           "CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER);"
           "CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB);"
           "INSERT INTO ZACCOUNT VALUES (1, 1, 1, 0, 1, 'LocalAccount', NULL, 'On My iPhone');"
           "INSERT INTO ZSTORE VALUES (1, 7, 1, 1, 'LocalStore', 'Notes', NULL);"
           "INSERT INTO Z_PRIMARYKEY VALUES (1, 'Account', 0, 1), (2, 'NextId', 0, 0), (3, 'Note', 0, 0), "
           "(4, 'NoteBody', 0, 0), (5, 'NoteChange', 0, 0), (6, 'Property', 0, 0), (7, 'Store', 0, 1);";
}

std::string notesLegacy() {
    return "CREATE TABLE Note (creation_date INTEGER, title TEXT, summary TEXT, contains_cjk INTEGER, "
           "modification_date INTEGER, remote_id INTEGER);"
           "CREATE TABLE note_bodies (note_id INTEGER, data, UNIQUE(note_id) ON CONFLICT REPLACE);";
}

std::string bookmarks(Ios ios) {
    std::string columns =
        "id INTEGER PRIMARY KEY AUTOINCREMENT, special_id INTEGER DEFAULT 0, parent INTEGER, type INTEGER, "
        "title TEXT, url TEXT, num_children INTEGER DEFAULT 0, editable INTEGER DEFAULT 1, "
        "deletable INTEGER DEFAULT 1, hidden INTEGER DEFAULT 0, hidden_ancestor_count INTEGER DEFAULT 0, "
        "order_index INTEGER NOT NULL, external_uuid TEXT";
    if (atLeast(ios, Ios::v6))
        columns +=
            ", read INTEGER DEFAULT NULL, last_modified REAL DEFAULT NULL, server_id TEXT, sync_key TEXT, "
            "sync_data BLOB, added INTEGER DEFAULT 1, deleted INTEGER DEFAULT 0, extra_attributes BLOB DEFAULT NULL, "
            "local_attributes BLOB DEFAULT NULL";
    if (ios == Ios::v7)
        columns +=
            ", fetched_icon BOOL DEFAULT 0, icon BLOB DEFAULT NULL, dav_generation INTEGER DEFAULT 0, "
            "locally_added BOOL DEFAULT 0, archive_status INTEGER DEFAULT 0, syncable BOOL DEFAULT 1, "
            "web_filter_status INTEGER DEFAULT 0";
    return "CREATE TABLE bookmarks (" + columns +
           ");"
           "CREATE TABLE bookmark_title_words (id INTEGER PRIMARY KEY, bookmark_id INTEGER NOT NULL, word TEXT, "
           "word_index INTEGER);"
           "CREATE INDEX parent_index ON bookmarks (parent, order_index);";
}

std::string calendar(Ios ios) {
    std::string sql = std::string(kProperties) +
                      "CREATE TABLE Store (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, "
                      "default_alarm_offset INTEGER, type INTEGER, constraint_path TEXT, disabled INTEGER, "
                      "external_id TEXT, persistent_id TEXT, flags INTEGER);";
    if (ios == Ios::v4)
        return sql +
               "CREATE TABLE Calendar (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, store_id INTEGER, title TEXT, "
               "flags INTEGER, color_r INTEGER, color_g INTEGER, color_b INTEGER, type TEXT, external_id TEXT, "
               "external_mod_tag TEXT, external_id_tag TEXT, external_rep BLOB, display_order INTEGER);"
               "CREATE TABLE Event (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location TEXT, "
               "description TEXT, start_date INTEGER, start_tz TEXT, end_date INTEGER, all_day INTEGER, "
               "calendar_id INTEGER, orig_event_id INTEGER, orig_start_date INTEGER, organizer_id INTEGER, "
               "organizer_is_self INTEGER, organizer_external_id TEXT, self_attendee_status INTEGER, "
               "status INTEGER, availability INTEGER, privacy_level INTEGER, url TEXT, last_modified INTEGER, "
               "sequence_num INTEGER, birthday_id INTEGER, modified_properties INTEGER, "
               "external_tracking_status INTEGER, external_id TEXT, external_mod_tag TEXT, "
               "unique_identifier TEXT, external_schedule_id TEXT, external_rep BLOB, response_comment TEXT, "
               "hidden INTEGER, has_recurrences INTEGER, has_attendees INTEGER);"
               "CREATE INDEX EventCalendarIdIndex ON Event(calendar_id);";
    const bool six = atLeast(ios, Ios::v6);
    sql +=
        "CREATE TABLE Calendar (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, store_id INTEGER, title TEXT, "
        "flags INTEGER, color TEXT, color_is_display INTEGER, type TEXT, supported_entity_types INTEGER, "
        "external_id TEXT, external_mod_tag TEXT, external_id_tag TEXT, external_rep BLOB, display_order INTEGER, "
        "UUID TEXT";
    if (six)
        sql +=
            ", shared_owner_name TEXT, shared_owner_email TEXT, sharing_status INTEGER, "
            "sharing_invitation_response INTEGER, published_URL TEXT, is_published INTEGER, "
            "invitation_status INTEGER, sync_token TEXT, self_identity_id INTEGER, self_identity_email TEXT, "
            "owner_identity_id INTEGER, owner_identity_email TEXT";
    sql +=
        ");"
        "CREATE TABLE CalendarItem (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location_id INTEGER, "
        "description TEXT, start_date REAL, start_tz TEXT, end_date REAL, all_day INTEGER, calendar_id INTEGER, "
        "orig_item_id INTEGER, orig_date REAL, organizer_id INTEGER, self_attendee_id INTEGER, status INTEGER, "
        "invitation_status INTEGER, availability INTEGER, privacy_level INTEGER, url TEXT, last_modified REAL, "
        "sequence_num INTEGER, birthday_id INTEGER, modified_properties INTEGER, "
        "external_tracking_status INTEGER, external_id TEXT, external_mod_tag TEXT, unique_identifier TEXT, "
        "external_schedule_id TEXT, external_rep BLOB, response_comment TEXT, hidden INTEGER, "
        "has_recurrences INTEGER, has_attendees INTEGER, UUID TEXT, entity_type INTEGER, priority INTEGER, "
        "due_date REAL, due_tz TEXT, due_all_day INTEGER, completion_date REAL, creation_date REAL";
    if (six)
        sql +=
            ", conference TEXT, display_order INTEGER, created_by_id INTEGER, modified_by_id INTEGER, "
            "shared_item_created_date REAL, shared_item_created_tz TEXT, shared_item_modified_date REAL, "
            "shared_item_modified_tz TEXT, invitation_changed_properties INTEGER, default_alarm_removed INTEGER, "
            "phantom_master INTEGER";
    return sql +
           ");"
           "CREATE TABLE Location (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, latitude INTEGER, "
           "longitude INTEGER, address_book_id TEXT, radius INTEGER, item_owner_id INTEGER, "
           "alarm_owner_id INTEGER);"
           "CREATE TABLE Alarm (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, trigger_date REAL, "
           "trigger_interval INTEGER, type INTEGER, owner_id INTEGER, external_id TEXT, external_mod_tag TEXT, "
           "external_id_tag TEXT, external_rep BLOB, UUID TEXT, proximity INTEGER, disabled INTEGER, "
           "location_id INTEGER, acknowledgedDate REAL, default_alarm INTEGER, orig_alarm_id INTEGER);"
           "CREATE TABLE Recurrence (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, frequency INTEGER, "
           "interval INTEGER, week_start INTEGER, count INTEGER, cached_end_date REAL, cached_end_date_tz TEXT, "
           "end_date REAL, specifier TEXT, by_month_months INTEGER, owner_id INTEGER, external_id TEXT, "
           "external_mod_tag TEXT, external_id_tag TEXT, external_rep BLOB, UUID TEXT);"
           "CREATE TABLE ExceptionDate (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, owner_id INTEGER, date REAL, "
           "sync_order INTEGER);" +
           (six ? kCalendarTablesOf6 : "") +
           "CREATE TRIGGER delete_event_alarms_recurs AFTER DELETE ON CalendarItem\nBEGIN\n"
           "DELETE FROM Location WHERE item_owner_id = OLD.ROWID;DELETE FROM Alarm WHERE owner_id = OLD.ROWID;"
           "DELETE FROM Recurrence WHERE owner_id = OLD.ROWID;" +
           (six ? "DELETE FROM Participant WHERE owner_id = OLD.ROWID;" : "") +
           "DELETE FROM ExceptionDate WHERE owner_id = OLD.ROWID;" +
           (six ? "DELETE FROM OccurrenceCache WHERE event_id = OLD.ROWID;DELETE FROM OccurrenceCacheDays WHERE "
                  "count = 0;DELETE FROM Attachment WHERE owner_id = OLD.ROWID;"
                : "") +
           "\nEND;";
}

std::string tableStatement(const std::string& schema, const std::string& table) {
    for (const char* gap : {" (", "("}) {
        const std::string head = "CREATE TABLE " + table + gap;
        const size_t start = schema.find(head);
        if (start == std::string::npos) continue;
        int depth = 0;
        for (size_t at = start + head.size() - 1; at < schema.size(); ++at) {
            if (schema[at] == '(') ++depth;
            if (schema[at] == ')' && --depth == 0) return schema.substr(start, at + 1 - start) + ";";
        }
    }
    return {};
}

}  // namespace iosschema
