#include "backup/PRContactReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupReaderFields.h"
#include "backup/TableInParts.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <unordered_map>

namespace {

const char* const kAddressBook = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
const char* const kImages = "cd6702cea29fe89cf280a76794405adb17f9a0ee";
const char* const kImagesOld = "cd6702cea29fe89cf280a76794405adb17f9a0ee.mddata";

// Each person once (its row id is among the columns), in the table's order.
const char* const kPeopleColumns =
    "Rowid, first, Department,DisplayName,firstPhonetic,jobTitle,organization,middle,"
    "middlePhonetic,CreationDate,Last,Note,Nickname,prefix, suffix, Birthday";
// Every value of every person in one pass, in the table's order: asked person by person, a
// table without an index on record_id (as the device keeps it) is read through once per person.
const char* const kValuesColumns = "property,label,value, UID, record_id";
// A postal address keeps its parts (street, city, ZIP...) as rows of ABMultiValueEntry under the
// multi-value's UID, each named by a row of ABMultiValueEntryKey; its own value is NULL. All of
// them in one pass, each multi-value's together in the order of their keys.
const char* const kEntryPartsQuery =
    "select ABMultiValueEntry.parent_id, ABMultiValueEntryKey.value, ABMultiValueEntry.value from ABMultiValueEntry "
    "left join ABMultiValueEntryKey on ABMultiValueEntry.key = ABMultiValueEntryKey.ROWID "
    "order by ABMultiValueEntry.parent_id, ABMultiValueEntry.key";

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

// The parts of the multi-values kept in ABMultiValueEntry (a postal address, a messaging handle,
// a social profile), each under its key name in lower case ("street", "username"...), trimmed;
// empty parts are left out. Read once, then asked from any thread.
class EntryParts {
public:
    explicit EntryParts(BackupDatabase& book) {
        book.query(kEntryPartsQuery, [&](const BackupDatabase::Row& row) {
            auto value = backupreader::text(row.text(2));
            if (!value) return;
            std::string key = row.text(1) ? row.text(1) : "";
            for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            std::string part(trimmedText(*value));
            if (!part.empty()) entries_.push_back({row.integer(0), std::move(key), std::move(part)});
        });
        // By the multi-value as it is asked for, each one's parts still in the order of their keys.
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const Entry& a, const Entry& b) { return a.parent < b.parent; });
    }
    // The parts of the multi-value uid, in the order of their keys.
    std::vector<std::pair<std::string, std::string>> of(int64_t uid) const {
        std::vector<std::pair<std::string, std::string>> found;
        auto byParent = [](const Entry& e, int64_t id) { return e.parent < id; };
        for (auto e = std::lower_bound(entries_.begin(), entries_.end(), uid, byParent);
             e != entries_.end() && e->parent == uid; ++e)
            found.emplace_back(e->key, e->value);
        return found;
    }

private:
    struct Entry {
        int64_t parent;
        std::string key, value;
    };
    std::vector<Entry> entries_;  // by parent, as the query orders them
};

// The parts of one postal address ("Street", "City", "State", "ZIP", "Country"; the country
// code says what the country's name says already, other keys are kept nowhere). Nothing when it
// has no part.
std::optional<PRContactAddress> addressOf(const EntryParts& parts, int64_t uid) {
    PRContactAddress address;
    bool any = false;
    for (auto& [key, value] : parts.of(uid)) {
        PRShortText* into = key == "street"    ? &address.street
                            : key == "city"    ? &address.city
                            : key == "state"   ? &address.state
                            : key == "zip"     ? &address.zip
                            : key == "country" ? &address.country
                                               : nullptr;
        if (!into) continue;
        *into = value;
        any = true;
    }
    if (!any) return std::nullopt;
    return address;
}

// A messaging handle or social profile: its service, user name and address. Nothing without a
// user name or an address.
std::optional<PRContactHandle> handleOf(const EntryParts& parts, int64_t uid) {
    PRContactHandle handle;
    for (auto& [key, value] : parts.of(uid)) {
        if (key == "service") handle.service = std::move(value);
        if (key == "username") handle.username = std::move(value);
        if (key == "url") handle.url = std::move(value);
    }
    if (handle.username.empty() && handle.url.empty()) return std::nullopt;
    return handle;
}

// The address book's labels by row number: "_$!<Mobile>!$_" is kept as "Mobile", a label the
// user typed as it stands.
std::unordered_map<int64_t, std::string> readLabels(BackupDatabase& book) {
    std::unordered_map<int64_t, std::string> labels;
    book.query("select ROWID, value from ABMultiValueLabel", [&](const BackupDatabase::Row& row) {
        std::string label = backupreader::text(row.text(1)).value_or("");
        constexpr std::string_view kOpen = "_$!<", kClose = ">!$_";
        if (label.size() >= kOpen.size() + kClose.size() && label.starts_with(kOpen) && label.ends_with(kClose))
            label = label.substr(kOpen.size(), label.size() - kOpen.size() - kClose.size());
        labels.emplace(row.integer(0), std::move(label));
    });
    return labels;
}

// One multi-value row (phone, e-mail, postal address, web page) as read.
struct Value {
    long long property = 0;  // 0 where none is kept
    std::optional<std::string> text;
    int64_t uid = 0;
    std::optional<int64_t> label;
};

// The values of every person, each person's together in table order, read in parts side by
// side. A person's values are asked for, and taken, by one thread alone.
class PersonValues {
public:
    explicit PersonValues(BackupDatabase& book) {
        using Named = std::optional<std::pair<int64_t, Value>>;
        auto newMaker = [] {
            return [](const BackupDatabase::Row& row) -> Named {
                const std::optional<int64_t> person = row.wholeNumber(4);
                if (!person) return std::nullopt;
                return std::make_pair(*person, Value{row.decimal(0).value_or(0), backupreader::text(row.text(2)),
                                                     row.integer(3), row.wholeNumber(1)});
            };
        };
        tableparts::read(book, "abmultivalue", kValuesColumns, newMaker, [&](Named&& named) {
            if (!named) return;
            byPerson_.emplace_back(named->first, static_cast<uint32_t>(values_.size()));
            values_.push_back(std::move(named->second));
        });
        // The values stay where they were read; their places are sorted (a tenth of their size).
        std::sort(byPerson_.begin(), byPerson_.end());
    }
    // The values of the person, in table order, for that person's thread to take.
    void of(int64_t person, std::vector<Value*>& into) {
        into.clear();
        for (auto at = std::lower_bound(byPerson_.begin(), byPerson_.end(), std::make_pair(person, uint32_t{0}));
             at != byPerson_.end() && at->first == person; ++at)
            into.push_back(&values_[at->second]);
    }

private:
    std::vector<Value> values_;                           // in table order
    std::vector<std::pair<int64_t, uint32_t>> byPerson_;  // (person, place of a value), sorted
};

// The address book's property numbers of the multi-values read.
enum Property : long long {
    kPhone = 3,
    kEmail = 4,
    kPostalAddress = 5,
    kMessenger = 13,  // instant messaging: service and user name in ABMultiValueEntry
    kHomepage = 22,
    kSocialProfile = 46,  // service, user name and address in ABMultiValueEntry
};

// Gives a person their values, each kept with its label. The shown phone, e-mail, home page and
// address are the record's joins of its lists.
void addValues(PRContactNode& contact, const std::vector<Value*>& values, const EntryParts& addressParts,
               const std::unordered_map<int64_t, std::string>& labels) {
    std::vector<PRContactValue> phoneList, emailList, homepageList;
    std::vector<PRContactAddress> addressList;
    std::vector<PRContactHandle> messengers, profiles;
    // Each list takes its room once: a contact's values are counted before they are kept.
    size_t count[4] = {};
    for (const Value* v : values) {
        const long long property = v->property;
        count[0] += property == kPhone;
        count[1] += property == kEmail;
        count[2] += property == kHomepage;
        count[3] += property == kPostalAddress;
    }
    phoneList.reserve(count[0]);
    emailList.reserve(count[1]);
    homepageList.reserve(count[2]);
    addressList.reserve(count[3]);
    for (Value* each : values) {
        Value& v = *each;
        std::string label;
        if (v.label)
            if (auto found = labels.find(*v.label); found != labels.end()) label = found->second;
        const long long property = v.property;
        if (property == kMessenger || property == kSocialProfile) {
            std::optional<PRContactHandle> handle = handleOf(addressParts, v.uid);
            if (!handle) continue;
            handle->label = std::move(label);
            (property == kMessenger ? messengers : profiles).push_back(std::move(*handle));
            continue;
        }
        if (property == kPostalAddress) {
            std::optional<PRContactAddress> address;
            if (v.text) {
                address.emplace();
                address->street = trimmedText(*v.text);
            } else {
                address = addressOf(addressParts, v.uid);
            }
            if (!address) continue;
            address->label = label;
            addressList.push_back(std::move(*address));
            continue;
        }
        if (!v.text) continue;
        const std::string_view value = trimmedText(*v.text);
        if (value.empty()) continue;
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
    const std::string full = folder + "/" + kImages;
    const bool newer = backupreader::fileExists(full);
    BackupDatabase db(newer ? full : folder + "/" + kImagesOld);
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
    backupreader::EndNotification end(nc_, transfer ? "ScanTransferContactFinished" : "ScanProgressInfo",
                                      transfer ? nullptr : NSNumber::numberWithInt(40), transfer,
                                      transfer ? sender_ : nullptr);
    if (backupFolder.empty()) return;
    const std::string bookPath = backupFolder + "/" + kAddressBook;
    if (!backupreader::fileExists(bookPath)) {
        backupreader::log("contactDB is not exist");
        return;
    }
    end.arm();

    auto& contacts = transfer ? state_.transContactArray : state_.contactArray;
    if (transfer) contacts.clear();
    const size_t first = contacts.size();

    std::vector<PRContactImageNodePtr> images = readImages(backupFolder);
    std::unordered_map<int, PRBytes> imageByRow;  // the last picture of a row wins
    for (const auto& image : images) imageByRow.insert_or_assign(image->rowid(), image->imageData());
    if (!transfer) state_.contactImageArray.insert(state_.contactImageArray.end(), images.begin(), images.end());

    BackupDatabase book(bookPath);
    {  // what the contacts are made of goes before they are posted
        const auto labels = readLabels(book);
        const EntryParts entryParts(book);
        PersonValues values(book);
        // A contact is made with its values wherever its row is read (a part of a large address
        // book on a thread of its own), and listed here in the order of the rows.
        auto newMaker = [&] {
            return [&, own = std::vector<Value*>()](const BackupDatabase::Row& row) mutable {
                PRContactNodePtr contact = contactFromRow(row);
                if (auto found = imageByRow.find(contact->rowid()); found != imageByRow.end())
                    contact->setImageData(found->second);
                values.of(contact->rowid(), own);
                if (!own.empty()) addValues(*contact, own, entryParts, labels);
                return contact;
            };
        };
        tableparts::read(book, "abperson", kPeopleColumns, newMaker,
                         [&](PRContactNodePtr&& contact) { contacts.push_back(std::move(contact)); });
    }
    const std::string infoName = transfer ? "ScanTransferContactInfo" : "ScanContactInfo";
    for (size_t i = first; i < contacts.size(); ++i)
        nc_.postNotificationName(infoName, contacts[i], transfer ? sender_ : nullptr);
}
