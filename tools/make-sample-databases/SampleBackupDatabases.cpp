// Puts the sample databases into a backup folder under their backup file names.
#include "SampleDatabases.h"

#include <openssl/sha.h>

#include <cstdio>
#include <fstream>

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

std::vector<BackupFile> writeBackupDatabases(const std::string& folder, const SampleData& data,
                                             const BackupSchemas& schemas) {
    std::vector<BackupFile> files;
    auto add = [&](const std::string& domain, const std::string& path, const std::string& fileName, bool written) {
        if (written) files.push_back({domain, path, fileName});
        else std::fprintf(stderr, "could not write %s-%s\n", domain.c_str(), path.c_str());
    };
    auto at = [&](const char* name) { return folder + "/" + name; };

    add("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", keys::addressBook,
        writeAddressBook(at(keys::addressBook), data.contacts, schemas.walOnly));
    if (schemas.images == ImagesForm::fullSize)
        add("HomeDomain", "Library/AddressBook/AddressBookImages.sqlitedb", keys::addressBookImages,
            writeAddressBookImages(at(keys::addressBookImages), data.contacts, schemas.images));
    else
        add("HomeDomain", "Library/AddressBook/AddressBookImages.sqlitedb", keys::addressBookImagesOld,
            writeAddressBookImages(at(keys::addressBookImagesOld), data.contacts, schemas.images));
    add("HomeDomain", "Library/SMS/sms.db", keys::messages,
        writeMessages(at(keys::messages), data.messages, schemas.messages, schemas.walOnly));
    if (schemas.oldCallHistoryName)
        add("HomeDomain", "Library/CallHistory/call_history.db", keys::callHistoryOld,
            writeCallHistory(at(keys::callHistoryOld), data.calls, schemas.walOnly));
    else
        add("WirelessDomain", "Library/CallHistory/call_history.db", keys::callHistory,
            writeCallHistory(at(keys::callHistory), data.calls, schemas.walOnly));
    if (schemas.notes == NotesSchema::coreData)
        add("HomeDomain", "Library/Notes/notes.sqlite", keys::notes,
            writeNotes(at(keys::notes), data.notes, schemas.notes, schemas.walOnly));
    else
        add("HomeDomain", "Library/Notes/notes.db", keys::notesOld,
            writeNotes(at(keys::notesOld), data.notes, schemas.notes, schemas.walOnly));
    add("HomeDomain", "Library/Safari/Bookmarks.db", keys::bookmarks,
        writeBookmarks(at(keys::bookmarks), data.bookmarks));
    add("HomeDomain", "Library/Safari/History.plist", keys::history,
        writeHistoryPlist(at(keys::history), data.history, schemas.binaryHistory));
    add("HomeDomain", "Library/Calendar/Calendar.sqlitedb", keys::calendar,
        writeCalendar(at(keys::calendar), data.calendar, schemas.calendar));

    // Message attachments live in the media domain, under the path the database names
    // without its leading "~/".
    for (const auto& m : data.messages) {
        if (m.attachmentName.size() < 3) continue;
        const std::string path = m.attachmentName.substr(2);
        const std::string key = backupKey("MediaDomain", path);
        add("MediaDomain", path, key, writeFile(folder + "/" + key, m.attachment));
    }
    return files;
}

}  // namespace sampledb
