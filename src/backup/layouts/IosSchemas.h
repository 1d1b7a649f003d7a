// The personal databases of an iPhone of iOS 4 to 7 as the device itself lays them out: every
// table, index and trigger of each file, the fixed rows a new file starts with, and the journal
// kind the device uses. The sample databases, the sample backups and the carving fixtures all
// create their files from these texts, so a fixture never drifts from what a device writes.
//
// Where public dumps of a device's own file give its statements (the messages, call history,
// notes and calendar of iOS 6, the address book, messages and call history of iOS 5), they are
// used as they stand. The rest is reconstructed: where sources give only the columns (Safari
// bookmarks), the statement follows those columns in their order; the calendars of iOS 4 and 5
// and every file of iOS 7 (taken to keep the tables of iOS 6) are not described by any public
// source, and follow the nearest version that is. Phones of iOS 5 and later keep a write-ahead
// log: sources say so of the messages alone, and the others are taken to do the same.
#pragma once

#include <string>

namespace iosschema {

enum class Ios { v4 = 4, v5 = 5, v6 = 6, v7 = 7 };

// Files of iOS 5 and later keep a write-ahead log; iOS 4 writes a rollback journal.
bool writeAheadLog(Ios ios);

// Seconds from 1970-01-01 to 2001-01-01: the newer columns count from 2001.
constexpr long long kSince2001 = 978307200;

// Library/AddressBook/AddressBook.sqlitedb: ABPerson, ABMultiValue (property 3 phone, 4 e-mail,
// 5 postal address, 13 messaging handle, 22 web page, 46 social profile; label = row id of
// ABMultiValueLabel), the parts of addresses, handles and profiles in ABMultiValueEntry (key =
// row id of ABMultiValueEntryKey) and the bookkeeping tables.
std::string addressBook(Ios ios);
// Its fixed rows: the labels ("_$!<Mobile>!$_" is row 1, "_$!<Home>!$_" 2, "_$!<Work>!$_" 3,
// "_$!<HomePage>!$_" 4, "iPhone" 5, "_$!<Other>!$_" 6, then labels a user typed: "Telma" 7,
// "Orange" 8, "Galaxy tab" 9) and the entry keys (in the order a device met them: "Country" 1,
// "Street" 2, "ZIP" 3, "City" 4, "CountryCode" 5, "State" 6, "service" 7, "username" 8, "url" 9).
std::string addressBookRows();
// Library/AddressBook/AddressBookImages.sqlitedb (ABFullSizeImage, ABThumbnailImage).
std::string addressBookImages();
// The ".mddata" picture file of older backups (ABImage).
std::string addressBookImagesOld();

// How a device came to its version's layout: installed with that version, or upgraded from the
// one before, whose tables grew by ALTER TABLE (the new columns last). Only the messages of iOS 5
// are known to differ between the two: the public dump has madrid_account_guid last, while a
// phone installed with iOS 5.1 keeps it beside madrid_account.
enum class History { fresh, upgraded };

// Library/SMS/sms.db: message with msg_pieces and group_member (iOS 4; iOS 5 adds the iMessage
// "madrid" columns), or message, handle, chat, attachment and their joins (iOS 6 and 7).
std::string messages(Ios ios, History history = History::upgraded);

// Library/CallHistory/call_history.db with its timer triggers; addresses, durations and flags
// (bit 0 set: outgoing) as the phone writes them.
std::string callHistory(Ios ios);
// The keys the timer triggers update, and the client version of the layout.
std::string callHistoryRows(Ios ios);

// Library/Notes/notes.sqlite (Core Data: ZNOTE, ZNOTEBODY with ZNOTE.ZBODY and ZNOTEBODY.ZOWNER
// naming each other, whose keys each entity counts on its own).
std::string notes(Ios ios);
// The older notes.db (Note, note_bodies) some upgraded devices still carry.
std::string notesLegacy();

// Library/Safari/Bookmarks.db.
std::string bookmarks(Ios ios);

// The one CREATE TABLE statement of table in a database's schema text (with its ";"), for a
// maker that needs that table alone; empty when the text has no such table.
std::string tableStatement(const std::string& schema, const std::string& table);

// Library/Calendar/Calendar.sqlitedb: Event (iOS 4), CalendarItem with Location and Calendar
// (iOS 5 to 7), plus Store.
std::string calendar(Ios ios);

}  // namespace iosschema
