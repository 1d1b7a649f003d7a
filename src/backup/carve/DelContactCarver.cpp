#include "backup/carve/DelContactCarver.h"

#include "backup/carve/CarveDatabase.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace carve {

namespace {
const std::string kPosted = "ScanDelContactInfo";
const char* const kAddressBook = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";

// Opening bytes of the serial types that follow a person row's name columns.
bool isPersonMark(const uint8_t* t) {
    if (t[0] == 0x0f) return t[1] == 0x0f && t[2] == 0x08 && t[3] == 0x08 && t[4] == 0x01;
    if (t[0] != 0x00 || t[1] != 0x00 || t[2] != 0x04 || t[3] != 0x04) return false;
    return t[4] == 0x01 || t[4] == 0x00 || t[4] == 0x13;
}

std::string asciiLower(std::string text);
std::optional<std::string> phoneAfter(const std::string& text, const std::string& lowerText, const std::string& lowerKey);

// Values of the contact's name columns are taken only when shorter than this.
constexpr size_t kShortText = 260;
constexpr size_t kValueText = 1024;
}  // namespace

void DelContactCarver::scanDelContactThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kAddressBook}, context_, "contactDB is not exist")) return;
    pageSize_ = db.pageSize();
    lastRowid_ = highestRowid_ = 0;
    unknownNamed_ = false;
    lastPageText_.reset();

    const int64_t n = db.pageCount();
    std::vector<uint8_t> page(static_cast<size_t>(pageSize_));
    db.walkPages(/*upwards*/ false, [&](int64_t i, int64_t P) {
        if (i == n - 1) {
            db.file().copy(P, page.size(), page.data());
            lastPageText_ = GetLastPageStringWithChar(page.data(), pageSize_);
        }
        if (getPageType(db.file(), P) != 1) return;
        int F = db.pageNumber(P + 8);
        if (bcheckSubStringIsValid(db.file(), P + F + 30, 10, 4, 10) == 1) carvePersons(db, P);
        nameUnknownPersons();
        carveValues(db, P);
    });
    joinAndPost();
    postProgress(context_, 75);
}

void DelContactCarver::carvePersons(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    PRBackupScanState& arrays = context_.state;
    FieldValue value;
    for (int64_t p = P; p < P + pageSize_; ++p) {
        if (!isPersonMark(file.bytes(p, 5))) continue;
        int64_t s = bSortAlter(file, p - 12);
        int m = bNoteAlter(file, p - 19 - s) ? 1 : 0;
        int u = bImageURLAlter(file, p + 6) ? 1 : 0;
        int f = context_.state.bIOS7DeviceNode ? 1 : 0;
        RecordCursor rec{file, p - 27 - s - m, 34 + 2 * f + s + m + u};
        rec.valueCapacity = pageSize_;

        auto person = std::make_shared<PRContactNode>();
        for (int column = 1; column <= 34; ++column) {
            if (m == 1 && column == 10) continue;  // the second byte of the note's serial type
            if (m == 1 && column == 9)
                AnalyseAlterbleDB(rec, column, value);
            else
                AnalyseDBDataFile(rec, column, value);
            std::string_view raw = value.text();
            bool counts = !raw.empty() && (column == 9 || raw.size() < kShortText);
            if (!counts) continue;
            std::string text = textOf(value);
            switch (column) {
            case 1: person->setContactName(text); break;
            case 2:
            case 3: person->setContactName(person->contactName() + " " + text); break;
            case 7: person->setContactCompany(text); break;
            case 8: person->setContactCompany(person->contactCompany() + " " + text); break;
            case 9: person->setContactNote(text); break;
            case 13: person->setContactJobtitle(text); break;
            default: break;
            }
        }

        const int64_t r = rec.start;
        const bool live = db.isLiveRow(p);  // counted for the row ids, not listed
        if (getDeletedMark(file, r - 1, 4) == 1) {
            int rowid = file.byte(r - 2);
            int before = file.byte(r - 3);
            if (before >= 0x81 && before <= 0x89) rowid = getAlterInteger(before, rowid);
            highestRowid_ = std::max(highestRowid_, rowid);
            if (rowid == 0) rowid = lastRowid_ + 1;
            person->setRowid(rowid);
            lastRowid_ = rowid;
        } else if (lastRowid_ == 0) {
            if (!live) arrays.delUnKnowContactArray.push_back(person);
            continue;
        } else {
            lastRowid_ -= 1;
            person->setRowid(lastRowid_);
        }
        if (!live) arrays.delContactArray.push_back(person);
    }
}

void DelContactCarver::nameUnknownPersons() {
    PRBackupScanState& arrays = context_.state;
    if (unknownNamed_ || arrays.delUnKnowContactArray.empty()) return;
    unknownNamed_ = true;
    int next = highestRowid_;
    for (auto it = arrays.delUnKnowContactArray.rbegin(); it != arrays.delUnKnowContactArray.rend(); ++it) {
        (*it)->setRowid(++next);
        arrays.delContactArray.push_back(*it);
    }
}

void DelContactCarver::carveValues(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int F = db.pageNumber(P + 8);
    if (bcheckSubStringIsValid(file, P + F + 4, 8, 4, 8) != 1) return;
    FieldValue value;
    for (int64_t q = P + pageSize_; q >= P + 1; --q) {
        if (bCheckDataIsValid(file.bytes(q, 4), 4, 4) != 1) continue;
        auto entry = std::make_shared<DelContactValue>();
        RecordCursor rec{file, q - 4, context_.state.bIOS7DeviceNode ? 7 : 6, 3};
        rec.valueCapacity = pageSize_;
        for (int column = 1; column <= 5; ++column) {
            AnalyseDBDataFile(rec, column, value);
            if (column == 1) {
                int rowid = value.intNumber();
                entry->setRowID(rowid == 0 ? 1 : rowid);
            } else if (column == 2) {
                entry->setValueType(value.intNumber());
            } else if (column == 5) {
                std::string_view raw = value.text();
                if (!raw.empty() && raw.size() < kValueText) entry->setContactValue(textOf(value));
            }
        }
        context_.state.delContactValueArray.push_back(entry);
    }
}

void DelContactCarver::joinAndPost() {
    PRBackupScanState& arrays = context_.state;
    if (lastPageText_) lastPageLower_ = asciiLower(*lastPageText_);
    // Values by row id, in array order, so that the join does not rescan every value per person.
    std::unordered_map<int, std::vector<const DelContactValue*>> byRow;
    for (const DelContactValuePtr& v : arrays.delContactValueArray) byRow[v->rowID()].push_back(v.get());
    for (const PRContactNodePtr& person : arrays.delContactArray) {
        auto found = byRow.find(person->rowid());
        if (found != byRow.end()) {
            for (const DelContactValue* v : found->second) {
                if (v->valueType() == 3) person->setContactPhone(person->contactPhone() + " " + v->contactValue());
                if (v->valueType() == 4) person->setContactEmail(person->contactEmail() + " " + v->contactValue());
                if (v->valueType() == 22)
                    person->setContactHomepage(person->contactHomepage() + " " + v->contactValue());
            }
        }
        if (characterCount(person->contactPhone()) <= 2) {
            std::string key = person->contactName();
            key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
            auto phone = lastPageText_ ? phoneAfter(*lastPageText_, lastPageLower_, asciiLower(key)) : std::nullopt;
            person->setContactPhone(phone.value_or(std::string()));
        }
        context_.nc->postNotificationName(kPosted, person);
    }
}

std::string DelContactCarver::GetLastPageStringWithChar(const uint8_t* bytes, int64_t length) {
    std::string text(static_cast<size_t>(std::max<int64_t>(length, 0)), '.');
    for (int64_t i = 0; i < length; ++i)
        if (bytes[i] >= 32 && bytes[i] <= 126) text[static_cast<size_t>(i)] = static_cast<char>(bytes[i]);
    return text;
}

namespace {

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The search of getNextSubStringInString over a text and key already lowered; candidates are
// cut from the text as it was.
std::optional<std::string> phoneAfter(const std::string& text, const std::string& lowerText, const std::string& lowerKey) {
    if (lowerKey.empty() || text.empty()) return std::nullopt;
    const size_t end = text.size() - 1;  // the text's last character is never searched
    size_t start = 0;
    while (start + lowerKey.size() < end) {
        size_t hit = lowerText.find(lowerKey, start);
        if (hit == std::string::npos || hit + lowerKey.size() > end) return std::nullopt;
        size_t matchEnd = hit + lowerKey.size();
        size_t space = text.find(' ', matchEnd);
        size_t stop = (space == std::string::npos || space >= end) ? end : space + 1;
        std::string candidate = text.substr(matchEnd, stop - matchEnd);
        if (candidate.size() < 21) return candidate;
        start = 2 * matchEnd + candidate.size();
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> DelContactCarver::getNextSubStringInString(const std::string& text,
                                                                      const std::string& name) {
    return phoneAfter(text, asciiLower(text), asciiLower(name));
}

}  // namespace carve
