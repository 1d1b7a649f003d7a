// Rebuilds deleted contacts from the raw pages of a backup's address-book database: person rows
// give the contacts, value rows their phone numbers, e-mail addresses and home pages, joined by
// row id. Each contact is posted as "ScanDelContactInfo", then "ScanProgressInfo" with 75.
#pragma once

#include "backup/carve/CarveContext.h"

#include <cstdint>
#include <optional>
#include <string>

namespace carve {

class CarveDatabase;

class DelContactCarver {
public:
    explicit DelContactCarver(CarveContext& context) : context_(context) {}

    // Runs the whole carve over the address book of the backup folder, on the calling thread.
    void scanDelContactThread(const std::string& backupFolder);

    // The last page as text, one character per byte: printable ASCII stays, all else is ".".
    static std::string GetLastPageStringWithChar(const uint8_t* bytes, int64_t length);
    // The phone candidate that follows name in the last-page text (see the carver), or nil.
    static std::optional<std::string> getNextSubStringInString(const std::string& text, const std::string& name);

private:
    void carvePersons(CarveDatabase& db, int64_t pageStart);
    void carveValues(CarveDatabase& db, int64_t pageStart);
    void nameUnknownPersons();
    void joinAndPost();

    CarveContext& context_;
    int64_t pageSize_ = 0;
    int lastRowid_ = 0;
    int highestRowid_ = 0;
    bool unknownNamed_ = false;
    std::optional<std::string> lastPageText_;
    std::string lastPageLower_;
};

}  // namespace carve
