// Database files with deleted rows for the deleted-record carvers: real SQLite files (secure
// delete off, so deleted rows stay behind in freeblocks and freed pages) in the table layouts
// the carvers know, and hand-built pages for the cases real files rarely show. Each maker
// answers which rows it left live and which it deleted, with the fields the carvers rebuild.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace carvefix {

struct Options {
    int pageSize = 4096;
    bool writeAheadLog = false;  // the header names the write-ahead log (journal_mode=WAL)
    int live = 24;               // rows left in place
    int deleted = 12;            // rows deleted one by one (freeblocks), every third row
    int deletedPages = 0;        // rows deleted in one run, enough to free whole pages
    int64_t firstRowid = 100;    // row ids climb past 127 (two-byte row ids) from here
    bool longValues = true;      // some values long enough to need two-byte serial types
    std::string tag;             // makes the generated texts of one file differ from another's
    // Non-empty: the rows go into tables of this suffix in the existing database at the path,
    // beside its own tables, instead of into a new file.
    std::string addToExisting;
    // The calendar of the newer schemas (write-ahead layout only): a wider item row.
    bool ios6Calendar = false;
};

template <class Row>
struct Rows {
    std::vector<Row> live;
    std::vector<Row> deleted;
};

struct CallRow {
    std::string address;
    int64_t date = 0;  // the database's own value (seconds since 2001)
    int duration = 0;
    int flags = 4;  // 5 outgoing
};
// Call history: with ios6 the call table of newer systems, else the shorter old one.
Rows<CallRow> writeCallHistory(const std::string& path, const Options& options, bool ios6 = true);

struct BookmarkRow {
    std::string title, url;
};
Rows<BookmarkRow> writeBookmarks(const std::string& path, const Options& options);

struct CalendarRow {
    std::string title, location, description;
    int64_t start = 0, end = 0;  // seconds since 2001
};
// The rollback-journal layout (Event table) or, with writeAheadLog, the newer CalendarItem.
Rows<CalendarRow> writeCalendar(const std::string& path, const Options& options);

struct NoteRow {
    int id = 0;
    std::string title, body;
    int64_t created = 0, modified = 0;  // seconds since 2001
};
Rows<NoteRow> writeNotes(const std::string& path, const Options& options);

struct ContactRow {
    int64_t rowid = 0;
    std::string first, last, middle, organization, department, note, nickname;
    std::vector<std::string> phones, emails, urls;
};
Rows<ContactRow> writeAddressBook(const std::string& path, const Options& options);

struct MessageRow {
    std::string address, text, service;  // service: "SMS" or "iMessage" (newer layout)
    int64_t date = 0;                    // seconds since 2001 (newer) or since 1970 (older)
    int flags = 2;                       // older layouts: 2 received, 3 sent
    bool fromMe = false;                 // newer layout
    int handle = 0;                      // newer layout: handle row id
};
enum class MessageLayout { ios6, plain, madrid };
// ios6: message + handle tables; plain: the older message table; madrid: the older table with
// the iMessage columns (use writeAheadLog for the layouts that need it).
Rows<MessageRow> writeMessages(const std::string& path, const Options& options, MessageLayout layout);

// Hand-built files: a header naming the page size and journal kind, then pages given byte by
// byte. Unset bytes are zero.
class PageFile {
public:
    PageFile(int pageSize, int pageCount, bool writeAheadLog = false);
    // Raw header page-size field (1 stands for 65536, 0 and other odd values are hostile).
    void setPageSizeField(uint16_t value);
    void put(int64_t pos, const std::vector<uint8_t>& bytes);
    void put(int64_t pos, const std::string& text);
    // A table-leaf page whose first cell pointer names offset cell.
    void tableLeaf(int page, int cell);
    int64_t pageStart(int page) const { return static_cast<int64_t>(page) * pageSize_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    void truncate(size_t size) { bytes_.resize(size); }
    bool write(const std::string& path) const;

private:
    int pageSize_;
    std::vector<uint8_t> bytes_;
};

// Writes one database of every kind into folder under its backup file name.
bool writeBackupFolder(const std::string& folder, const Options& options);
// Adds live and deleted rows of every kind to the databases a backup folder already holds
// (the sample backup's), in tables of their own beside the databases' tables; ios6 chooses the
// message and call layouts of newer backups. Answers the deleted rows' count.
int addDeletedRecords(const std::string& folder, bool ios6);

}  // namespace carvefix
