// Puts the sample databases into a backup folder under their backup file names.
#include "SampleDatabases.h"
#include "backup/BackupFileKeys.h"

#include <cstdio>
#include <fstream>
#include <openssl/sha.h>

namespace sampledb {

std::string backupKey(const std::string& domain, const std::string& path) {
    const std::string text = domain + "-" + path;
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    char hex[2 * SHA_DIGEST_LENGTH + 1];
    for (int i = 0; i < SHA_DIGEST_LENGTH; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

namespace {

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

std::vector<BackupFile> backupDatabaseRecords(const SampleData& data, const BackupSchemas& schemas) {
    std::vector<BackupFile> files = {
        {"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", backupkeys::addressBook},
        {"HomeDomain", "Library/AddressBook/AddressBookImages.sqlitedb",
         schemas.images == ImagesForm::fullSize ? backupkeys::addressBookImages : backupkeys::addressBookImagesOld},
        {"HomeDomain", "Library/SMS/sms.db", backupkeys::messages},
        schemas.oldCallHistoryName
            ? BackupFile{"HomeDomain", "Library/CallHistory/call_history.db", backupkeys::callHistoryOld}
            : BackupFile{"WirelessDomain", "Library/CallHistory/call_history.db", backupkeys::callHistory},
        schemas.notes == NotesSchema::coreData
            ? BackupFile{"HomeDomain", "Library/Notes/notes.sqlite", backupkeys::notes}
            : BackupFile{"HomeDomain", "Library/Notes/notes.db", backupkeys::notesOld},
        {"HomeDomain", "Library/Safari/Bookmarks.db", backupkeys::bookmarks},
        {"HomeDomain", "Library/Safari/History.plist", backupkeys::history},
        {"HomeDomain", "Library/Calendar/Calendar.sqlitedb", backupkeys::calendar},
    };
    // Message attachments live in the media domain, under the path the database names
    // without its leading "~/", or a multimedia message's under that of its part.
    for (const auto& m : data.messages) {
        const std::string path = attachmentPath(m, schemas.messages);
        if (!path.empty()) files.push_back({"MediaDomain", path, backupKey("MediaDomain", path)});
    }
    return files;
}

std::vector<BackupFile> writeBackupDatabases(const std::string& folder, const SampleData& data,
                                             const BackupSchemas& schemas) {
    const std::vector<BackupFile> records = backupDatabaseRecords(data, schemas);
    std::vector<BackupFile> written;
    size_t attachment = 0;
    for (const auto& record : records) {
        const std::string at = folder + "/" + record.fileName;
        bool ok;
        if (record.fileName == backupkeys::addressBook)
            ok = writeAddressBook(at, data.contacts, schemas.walOnly, schemas.ios);
        else if (record.path == "Library/AddressBook/AddressBookImages.sqlitedb")
            ok = writeAddressBookImages(at, data.contacts, schemas.images);
        else if (record.fileName == backupkeys::messages)
            ok = writeMessages(at, data.messages, schemas.messages, schemas.walOnly, deletedMessagesOf(data, schemas));
        else if (record.path == "Library/CallHistory/call_history.db")
            ok = writeCallHistory(at, data.calls, schemas.walOnly, schemas.ios);
        else if (record.fileName == backupkeys::notes || record.fileName == backupkeys::notesOld)
            ok = writeNotes(at, data.notes, schemas.notes, schemas.walOnly, schemas.ios);
        else if (record.fileName == backupkeys::bookmarks)
            ok = writeBookmarks(at, data.bookmarks, schemas.ios);
        else if (record.fileName == backupkeys::history)
            ok = writeHistoryPlist(at, data.history, schemas.binaryHistory);
        else if (record.fileName == backupkeys::calendar)
            ok = writeCalendar(at, data.calendar, schemas.calendar);
        else {
            while (attachment < data.messages.size() && data.messages[attachment].attachmentName.size() < 3)
                ++attachment;
            ok = attachment < data.messages.size() && writeFile(at, data.messages[attachment++].attachment);
        }
        if (ok)
            written.push_back(record);
        else
            std::fprintf(stderr, "could not write %s-%s\n", record.domain.c_str(), record.path.c_str());
    }
    return written;
}

}  // namespace sampledb
