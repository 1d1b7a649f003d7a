// The sample device's personal data: the home area's databases and message attachments, and
// the call history in the telephony area, written by the backup fixture makers.
#include "SampleDevice.h"
#include "platform/Paths.h"

#include <fstream>

namespace sampledevice {

sampledb::SampleData homeData() { return sampledb::makeSampleData(); }

bool writeHomeArea(const std::string& folder, std::string* error) {
    const std::string home = folder + "/home";
    const std::string library = home + "/Library";
    const sampledb::SampleData data = homeData();
    constexpr int kWalOnly = 5;  // the newest rows of each database still in its journal, as on a phone
    for (const char* sub : {"AddressBook", "SMS", "Notes", "Safari", "Calendar", "Preferences"})
        paths::makeDirectories(library + "/" + sub);
    paths::makeDirectories(folder + "/wireless/Library/CallHistory");

    bool ok =
        sampledb::writeAddressBook(library + "/AddressBook/AddressBook.sqlitedb", data.contacts, kWalOnly) &&
        sampledb::writeAddressBookImages(library + "/AddressBook/AddressBookImages.sqlitedb", data.contacts,
                                         sampledb::ImagesForm::fullSize) &&
        sampledb::writeMessages(library + "/SMS/sms.db", data.messages, sampledb::MessageSchema::ios6, kWalOnly) &&
        sampledb::writeCallHistory(folder + "/wireless/Library/CallHistory/call_history.db", data.calls, kWalOnly) &&
        sampledb::writeNotes(library + "/Notes/notes.sqlite", data.notes, sampledb::NotesSchema::coreData, kWalOnly) &&
        sampledb::writeBookmarks(library + "/Safari/Bookmarks.db", data.bookmarks) &&
        sampledb::writeHistoryPlist(library + "/Safari/History.plist", data.history, true) &&
        sampledb::writeCalendar(library + "/Calendar/Calendar.sqlitedb", data.calendar, sampledb::CalendarSchema::ios6);
    // Attachments lie where the messages database names them ("~/Library/SMS/Attachments/...").
    for (const sampledb::Message& message : data.messages) {
        if (!ok || message.attachmentName.size() < 3) continue;
        const std::string path = home + "/" + message.attachmentName.substr(2);
        paths::makeDirectories(paths::deletingLastPathComponent(path));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(message.attachment.data()),
                  static_cast<std::streamsize>(message.attachment.size()));
        ok = static_cast<bool>(out);
    }
    if (!ok && error) *error = "cannot write the home area of " + folder;
    return ok;
}

}  // namespace sampledevice
