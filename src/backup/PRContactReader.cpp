#include "backup/PRContactReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/BackupReaderFields.h"
#include "backup/ContactBookRows.h"
#include "backup/TableInParts.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <unordered_map>

namespace {

using namespace contactrows;

// Each person once (its row id is among the columns), in the table's order.
const char* const kPeopleColumns =
    "Rowid, first, Department,DisplayName,firstPhonetic,jobTitle,organization,middle,"
    "middlePhonetic,CreationDate,Last,Note,Nickname,prefix, suffix, Birthday";
// A birthday is stored as seconds from 2001-01-01 ("-662731200.000000"), near noon GMT so that
// its day is the same everywhere: shown and written as that day, never as the raw count. A
// birthday entered without a year is stored in the year 1604, and is that day of no year
// ("--03-15"). A value that is not a number is kept as it stands.
std::string birthdayText(const std::string& stored) {
    char* end = nullptr;
    const double seconds = std::strtod(stored.c_str(), &end);
    if (end == stored.c_str() || !std::isfinite(seconds) || std::fabs(seconds) > 1e11) return stored;
    const std::time_t when = static_cast<std::time_t>(std::llround(seconds)) + 978307200;
    std::tm day{};
    if (!gmtime_r(&when, &day)) return stored;
    constexpr int kNoYear = 1604;
    char text[32];
    return std::strftime(text, sizeof text, day.tm_year + 1900 == kNoYear ? "--%m-%d" : "%Y-%m-%d", &day)
               ? std::string(text)
               : stored;
}

PRContactNodePtr contactFromRow(const BackupDatabase::Row& row) {
    using backupreader::text;
    auto contact = std::make_shared<PRContactNode>();
    if (auto rowid = row.decimal(0); rowid && *rowid != 0) contact->setRowid(static_cast<int>(*rowid));
    auto part = [&row](int column) {
        const char* column_ = row.text(column);
        return trimmedText(GetStringViewFormChar(column_ ? column_ : ""));
    };
    contact->setContactFirstName(part(1));
    contact->setContactMiddleName(part(7));
    contact->setContactLastName(part(10));
    contact->setContactPrefix(part(13));
    contact->setContactSuffix(part(14));
    contact->setContactDepartment(part(2));
    contact->setContactOrganization(part(6));
    contact->setContactJobtitle(part(5));
    // The shown name and company are the record's joins of these parts.
    if (auto v = text(row.text(11))) contact->setContactNote(std::move(*v));
    if (auto v = text(row.text(15))) contact->setContactBirthday(birthdayText(*v));
    return contact;
}

// The parts of one postal address ("Street", "City", "State", "ZIP", "Country"; the country
// code says what the country's name says already, other keys are kept nowhere). Nothing when it
// has no part.
std::optional<PRContactAddress> addressOf(const EntryParts& parts, int64_t uid) {
    PRContactAddress address;
    bool any = false;
    using Key = EntryParts::Key;
    for (const EntryParts::Entry& part : parts.of(uid)) {
        PRShortText* into = part.key == Key::kStreet    ? &address.street
                            : part.key == Key::kCity    ? &address.city
                            : part.key == Key::kState   ? &address.state
                            : part.key == Key::kZip     ? &address.zip
                            : part.key == Key::kCountry ? &address.country
                                                        : nullptr;
        if (!into) continue;
        *into = part.value();
        any = true;
    }
    if (!any) return std::nullopt;
    return address;
}

// A messaging handle or social profile: its service, user name and address. Nothing without a
// user name or an address.
std::optional<PRContactHandle> handleOf(const EntryParts& parts, int64_t uid) {
    PRContactHandle handle;
    using Key = EntryParts::Key;
    for (const EntryParts::Entry& part : parts.of(uid)) {
        if (part.key == Key::kService) handle.service = part.value();
        if (part.key == Key::kUsername) handle.username = part.value();
        if (part.key == Key::kUrl) handle.url = part.value();
    }
    if (handle.username.empty() && handle.url.empty()) return std::nullopt;
    return handle;
}

// Gives a person their values, each kept with its label. The shown phone, e-mail, home page and
// address are the record's joins of its lists.
void addValues(PRContactNode& contact, const std::vector<const Value*>& values, const EntryParts& addressParts,
               const Labels& labels) {
    std::vector<PRContactValue> phoneList, emailList, homepageList;
    std::vector<PRContactAddress> addressList;
    std::vector<PRContactHandle> messengers, profiles;
    // Each list takes its room once: a contact's values are counted before they are kept.
    size_t count[4] = {};
    for (const Value* v : values) {
        const long long property = v->property();
        count[0] += property == kPhone;
        count[1] += property == kEmail;
        count[2] += property == kHomepage;
        count[3] += property == kPostalAddress;
    }
    phoneList.reserve(count[0]);
    emailList.reserve(count[1]);
    homepageList.reserve(count[2]);
    addressList.reserve(count[3]);
    for (const Value* each : values) {
        const Value& v = *each;
        std::string label = labels[v.label()];
        const long long property = v.property();
        const std::optional<std::string_view> text = v.text();  // trimmed as it was read
        if (property == kMessenger || property == kSocialProfile) {
            std::optional<PRContactHandle> handle = handleOf(addressParts, v.uid());
            if (!handle) continue;
            handle->label = std::move(label);
            (property == kMessenger ? messengers : profiles).push_back(std::move(*handle));
            continue;
        }
        if (property == kPostalAddress) {
            std::optional<PRContactAddress> address;
            if (text) {
                address.emplace();
                address->street = *text;
            } else {
                address = addressOf(addressParts, v.uid());
            }
            if (!address) continue;
            address->label = label;
            addressList.push_back(std::move(*address));
            continue;
        }
        if (!text || text->empty()) continue;
        const std::string_view value = *text;
        std::vector<PRContactValue>* list = property == kPhone      ? &phoneList
                                            : property == kEmail    ? &emailList
                                            : property == kHomepage ? &homepageList
                                                                    : nullptr;
        if (!list) continue;
        list->push_back({label, value});
    }
    contact.setContactPhones(std::move(phoneList));
    contact.setContactEmails(std::move(emailList));
    contact.setContactHomepages(std::move(homepageList));
    contact.setContactAddresses(std::move(addressList));
    contact.setContactMessengers(std::move(messengers));
    contact.setContactProfiles(std::move(profiles));
}

// The pictures of the backup: the newer picture database, else the older ".mddata" file.
std::vector<PRContactImageNodePtr> readImages(const std::string& folder) {
    std::vector<PRContactImageNodePtr> images;
    const std::string full = folder + "/" + backupkeys::addressBookImages;
    const bool newer = backupreader::fileExists(full);
    BackupDatabase db(newer ? full : folder + "/" + backupkeys::addressBookImagesOld);
    db.query(newer ? "select record_id, data from ABFullSizeImage" : "select record_id, data from ABImage",
             [&](const BackupDatabase::Row& row) {
                 auto image = std::make_shared<PRContactImageNode>();
                 image->setRowid(static_cast<int>(row.integer(0)));
                 size_t length = 0;
                 if (const uint8_t* bytes = row.bytes(1, &length))
                     image->setImageData(makeBytes(std::vector<uint8_t>(bytes, bytes + length)));
                 images.push_back(std::move(image));
             });
    return images;
}

}  // namespace

void PRContactReader::scanContactThread(const std::string& backupFolder) { read(backupFolder, false); }

void PRContactReader::scanTransferContactThread(const std::string& backupFolder) { read(backupFolder, true); }

void PRContactReader::read(const std::string& backupFolder, bool transfer) {
    backupreader::EndNotification end(transfer, [this, transfer] {
        if (transfer)
            notices::ScanTransferContactFinished.post(nc_, sender_);
        else
            notices::ScanProgressInfo.post(nc_, NSNumber::numberWithInt(40));
    });
    if (backupFolder.empty()) return;
    const std::string bookPath = backupFolder + "/" + backupkeys::addressBook;
    if (!backupreader::fileExists(bookPath)) {
        backupreader::log("contactDB is not exist");
        return;
    }
    end.arm();

    auto& contacts = transfer ? state_.transContactArray : state_.contactArray;
    if (transfer) contacts.clear();
    const size_t first = contacts.size();
    const Notice<PRContactNode>& posted = transfer ? notices::ScanTransferContactInfo : notices::ScanContactInfo;
    const bool listed = transfer || state_.listsContacts;

    std::vector<PRContactImageNodePtr> images = readImages(backupFolder);
    std::unordered_map<int, PRBytes> imageByRow;  // the last picture of a row wins
    for (const auto& image : images) imageByRow.insert_or_assign(image->rowid(), image->imageData());
    if (!transfer) state_.contactImageArray.insert(state_.contactImageArray.end(), images.begin(), images.end());

    BackupDatabase book(bookPath);
    {  // what the contacts are made of goes before they are posted
        const Labels labels(book);
        const EntryParts entryParts(book);
        const PersonValues values(book, labels);
        // A contact is made with its values wherever its row is read (a part of a large address
        // book on a thread of its own), and listed here in the order of the rows.
        auto newMaker = [&] {
            return [&, own = std::vector<const Value*>()](const BackupDatabase::Row& row) mutable {
                PRContactNodePtr contact = contactFromRow(row);
                if (auto found = imageByRow.find(contact->rowid()); found != imageByRow.end())
                    contact->setImageData(found->second);
                values.of(contact->rowid(), own);
                if (!own.empty()) addValues(*contact, own, entryParts, labels);
                return contact;
            };
        };
        // Unlisted, each goes as it comes, in the same order.
        tableparts::read(book, "abperson", kPeopleColumns, newMaker, [&](PRContactNodePtr&& contact) {
            if (listed)
                contacts.push_back(std::move(contact));
            else
                posted.post(nc_, std::move(contact));
        });
    }
    for (size_t i = first; i < contacts.size(); ++i) posted.post(nc_, contacts[i], transfer ? sender_ : nullptr);
}
