// Writers of the personal databases an iTunes backup holds (address book, messages, call
// history, notes, bookmarks with browsing history, calendar), in each schema that the backup
// readers know, filled with generated but realistic rows. Tests, benchmarks and the sample
// backup share them.
#pragma once

#include "backup/layouts/IosSchemas.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sampledb {

using Bytes = std::vector<uint8_t>;

// Seconds between 1970-01-01 and 2001-01-01: the newer databases count from 2001.
constexpr int64_t kMacEpochOffset = 978307200;

using iosschema::Ios;

enum class MessageSchema {
    ios6,               // message + handle + attachment tables
    ios6WithoutHandle,  // newer message columns, but conversations still kept in group_member
    ios5,               // message with the iMessage ("madrid") columns, group_member, created in the
                        // order of a phone upgraded from iOS 4 (madrid_account_guid last)
    ios5Fresh,          // the same, created as a phone installed with iOS 5.1 does (madrid_account_guid
                        // beside madrid_account)
    ios5Upgraded,       // iOS 4's table on a phone upgraded to iOS 5: its first messages written as iOS 4
                        // wrote them, then the iMessage columns added by ALTER TABLE, then iOS 5 rows
    ios4,               // message without the iMessage columns, group_member
    ios7,               // the tables of iOS 6
};
enum class NotesSchema {
    legacy,    // notes.db: note + note_bodies
    coreData,  // notes.sqlite: ZNOTE + ZNOTEBODY
};
enum class CalendarSchema {
    ios6,  // CalendarItem with a location row number
    ios5,  // CalendarItem joined to Location and Calendar
    ios4,  // Event only
    ios7,  // the tables of iOS 6
};
enum class ImagesForm {
    fullSize,  // AddressBookImages.sqlitedb, ABFullSizeImage
    mddata,    // older backups: ABImage in a ".mddata" file
};

// A postal address as a device keeps it: one part per key, empty parts left out.
struct PostalAddress {
    std::string street, city, state, zip, country, countryCode;
};

// A messaging handle or a social profile: the service and the user's name on it.
struct Handle {
    std::string service, username;
};

struct Contact {
    int64_t rowid = 0;
    std::string first, middle, last, organization, department, jobTitle, note, birthday;
    std::vector<std::string> phones, emails, urls;
    // Labels the user typed, by the number's place among phones (none: the standard label).
    std::vector<std::string> phoneLabels;
    std::vector<Handle> messengers, profiles;
    std::vector<PostalAddress> addresses;
    Bytes photo;  // empty: no photo
};

struct Message {
    int64_t rowid = 0;
    // Phone number or e-mail of the other party; in a group, of the sender (none when sent).
    std::string address;
    // Every other member of a group conversation (none for a conversation with one person).
    std::vector<std::string> members;
    std::string text;
    int64_t date = 0;  // seconds since 1970
    bool fromMe = false;
    bool iMessage = false;
    // Attachment as the messages database names it ("~/Library/SMS/Attachments/..."), and its bytes.
    std::string attachmentName;
    Bytes attachment;
};

struct Call {
    std::string address;
    int64_t date = 0;  // seconds since 1970
    int duration = 0;  // seconds
    int flags = 4;     // bit 0 set: outgoing (4 and 5 for calls, 16 and 17 for FaceTime, ...)
};

struct Note {
    std::string title, body;
    int64_t created = 0, modified = 0;  // seconds since 1970
};

struct Bookmark {
    int id = 0;
    int parent = 0;
    int type = 0;  // 0 bookmark, 1 folder
    std::string title, url;
};

struct HistoryEntry {
    std::string url;
    std::string title;  // empty: the entry carries no title
    bool hasTitle = true;
};

struct CalendarItem {
    std::string summary, location, description;
    // Seconds since 1970: a timed event's moments; an all-day event's days as wall-clock times
    // (midnight of its first day as if in UTC, and the last second of its last day or the
    // midnight after it), as a phone keeps a floating time.
    int64_t start = 0, end = 0;
    bool allDay = false;
    bool reminder = false;
    // The start's zone as the row names it; empty gives what the sample phone writes: "_float"
    // for an all-day event, "Europe/London" (where its owner lives) for a timed one.
    std::string timeZone;
};

struct SampleData {
    std::vector<Contact> contacts;
    std::vector<Message> messages;
    std::vector<Call> calls;
    std::vector<Note> notes;
    std::vector<Bookmark> bookmarks;
    std::vector<HistoryEntry> history;
    std::vector<CalendarItem> calendar;
};

struct SampleSize {
    int contacts = 300;
    int conversations = 40;
    int messages = 3000;
    int calls = 400;
    int notes = 60;
    int history = 80;
    int calendarItems = 120;
    bool photos = true;  // small JPEG photos for most contacts and image attachments
};

// Deterministic rows for the given size (the same size gives the same data).
SampleData makeSampleData(const SampleSize& size = {});

// Whether the schema is one of the older layouts (group_member, msg_pieces) with the iMessage
// columns: an iOS 5 table, however the phone came to it.
bool olderLayoutWithIMessages(MessageSchema schema);

// Whether a message is a multimedia message in that messages schema: one sent by SMS with an
// attachment on iOS 4 and 5, which keep its text and attachment as parts (msg_pieces) rather than
// in the message's row.
bool isPartsMessage(const Message& message, MessageSchema schema);
// The text such a message keeps in its text part: its words without the mark a newer phone puts
// where the attachment stands; empty when it has none.
std::string partsText(const Message& message);
// The device path of a message's attachment in the media domain, without "~/": under
// Library/SMS/Attachments as the database names it, or for a multimedia message of iOS 4 and 5
// its part's file under Library/SMS/Parts; empty when it has none.
std::string attachmentPath(const Message& message, MessageSchema schema);

// Messages a phone wrote after the others and then deleted, each with its parts, in the order
// it deleted them.
struct DeletedMessages {
    // Deleted before the "-wal" took over: their bytes are left in the main file's free space.
    std::vector<Message> inMainFile;
    // The latest deletions, in the "-wal" (none where the file keeps no log).
    std::vector<Message> inLog;
    std::vector<Message> all() const;
};

// Each writer creates the file afresh (removing an earlier one with its journals) and answers
// false when the database could not be written. walOnly rows (the last ones) are committed
// into the "-wal" file and left there, as a device leaves them.
// Files of an iOS version that writes a rollback journal keep nothing in a "-wal" file.
// The messages of an older layout (iOS 4 and 5) may be followed by deleted ones (newer layouts
// take none; a file that keeps no log has them all deleted in the main file).
bool writeAddressBook(const std::string& path, const std::vector<Contact>& contacts, int walOnly = 0,
                      Ios ios = Ios::v6);
bool writeAddressBookImages(const std::string& path, const std::vector<Contact>& contacts, ImagesForm form);
bool writeMessages(const std::string& path, const std::vector<Message>& messages, MessageSchema schema, int walOnly = 0,
                   const DeletedMessages& deleted = {});
bool writeCallHistory(const std::string& path, const std::vector<Call>& calls, int walOnly = 0, Ios ios = Ios::v6);
bool writeNotes(const std::string& path, const std::vector<Note>& notes, NotesSchema schema, int walOnly = 0,
                Ios ios = Ios::v6);
bool writeBookmarks(const std::string& path, const std::vector<Bookmark>& bookmarks, Ios ios = Ios::v6);
bool writeHistoryPlist(const std::string& path, const std::vector<HistoryEntry>& entries, bool binary);
bool writeCalendar(const std::string& path, const std::vector<CalendarItem>& items, CalendarSchema schema);

// The SHA-1 backup file name of domain "-" path.
std::string backupKey(const std::string& domain, const std::string& path);

// What a whole backup's databases look like.
struct BackupSchemas {
    // The databases of a device of that iOS version.
    static BackupSchemas forIos(Ios ios);
    Ios ios = Ios::v6;  // the address book, call history, notes and bookmarks, and the journal kind
    MessageSchema messages = MessageSchema::ios6;
    NotesSchema notes = NotesSchema::coreData;
    CalendarSchema calendar = CalendarSchema::ios6;
    ImagesForm images = ImagesForm::fullSize;
    bool oldCallHistoryName = false;
    bool binaryHistory = true;
    int walOnly = 5;  // rows left in each "-wal" that supports it
    // Messages written after the others and then deleted, in an older layout (iOS 4 and 5): the
    // earlier half in the main file, the latest half in the "-wal" where the file keeps one.
    int deletedMessages = 0;
};

// The messages writeBackupDatabases writes after data's and deletes: natural texts in data's
// conversations with one person, each dated after its conversation's messages, their row ids
// after all of data's; the first of each half that has two is a multimedia message with a picture
// and words (whose file went with it). None for a newer layout.
DeletedMessages deletedMessagesOf(const SampleData& data, const BackupSchemas& schemas);

// A file written into the backup folder and the manifest record that names it.
struct BackupFile {
    std::string domain;
    std::string path;      // domain-relative device path
    std::string fileName;  // name inside the backup folder (normally the record's key)
};

// The manifest records of the files writeBackupDatabases writes, without writing them.
std::vector<BackupFile> backupDatabaseRecords(const SampleData& data, const BackupSchemas& schemas = {});

// Writes every database, the history list and the message attachment files into folder under
// their backup file names, and answers the records a manifest of that backup must list.
std::vector<BackupFile> writeBackupDatabases(const std::string& folder, const SampleData& data,
                                             const BackupSchemas& schemas = {});

}  // namespace sampledb
