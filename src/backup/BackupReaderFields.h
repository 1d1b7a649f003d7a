// What the database readers share: finding a backup file, logging, and turning a result
// column into a record's text or date text.
#pragma once

#include "model/PRRecord.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace backupreader {

// A regular file, not a link to one: a link, FIFO or device in a database's place is no database.
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);
// "folder/name" of the first name that exists in folder, or nothing.
std::optional<std::string> firstExisting(const std::string& folder, const std::vector<std::string>& names);
// One diagnostic line on standard error.
void log(const char* message);

// A column's text as the record stores it: nothing for a NULL or empty column.
std::optional<std::string> text(const char* column);
// A time value as the date text of the given file type (0 for messages and calls, 1 for
// notes and calendars); nothing for an absent value or one that local time cannot show.
std::optional<std::string> dateText(std::optional<long long> value, bool fileType);

// Reads a whole file of a backup of at most limit bytes; null when it is missing, unreadable,
// larger, or no regular file (a link is never followed).
PRBytes readFile(const std::string& path, size_t limit);

// Posts a reader's end notification when the read ends, however it ends, once armed. The
// transfer variants arm it from the start: a copy page waiting for it must never wait forever.
class EndNotification {
public:
    EndNotification(bool armed, std::function<void()> post) : post_(std::move(post)), armed_(armed) {}
    ~EndNotification() {
        if (armed_) post_();
    }
    EndNotification(const EndNotification&) = delete;
    EndNotification& operator=(const EndNotification&) = delete;
    void arm() { armed_ = true; }

private:
    std::function<void()> post_;
    bool armed_;
};

}  // namespace backupreader
