// What a carver takes from the application: the scan state (the arrays the carvers add to, the
// schema flags and the contact-name look-up), the notification centre it posts on, and where a
// missing database is logged. Carvers read the backup's files as they lie, never writing them.
#pragma once

#include "backup/PRBackupScanState.h"
#include "backup/PRContactPhoneIndex.h"
#include "platform/NotificationCenter.h"

#include <functional>
#include <memory>
#include <string>

namespace carve {

struct CarveCoverage;

// Contact names for phone numbers, as the scan state's look-up answers (the first contact, in
// list order, whose numbers match), from an index of the contacts made at the first question:
// carved calls and messages ask for hundreds of thousands of numbers. One thread at a time (the
// index learns the numbers it is asked); a list that grew since is indexed again.
class ContactNames {
public:
    explicit ContactNames(const std::vector<PRContactNodePtr>& contacts);
    ~ContactNames();
    ContactNames(const ContactNames&) = delete;
    ContactNames& operator=(const ContactNames&) = delete;

    // The contact name for a phone number, empty when no contact matches.
    std::string nameFor(const std::string& phone);

private:
    const std::vector<PRContactNodePtr>& contacts_;
    std::unique_ptr<PRContactPhoneIndex> index_;
    size_t indexed_ = 0;  // how many contacts the index holds
};

struct CarveContext {
    CarveContext(PRBackupScanState& scanState, NSNotificationCenter& center);

    PRBackupScanState& state;
    NSNotificationCenter* nc;
    // The log line of a missing database; standard error unless set.
    std::function<void(const std::string&)> log;
    // Told, when set, how much of each database a carver looked through (see CarveCoverage).
    std::function<void(const CarveCoverage&)> coverage;

    // The contact name for a phone number, empty when no contact matches; from the carving thread.
    std::string nameFor(const std::string& phone) const { return names_->nameFor(phone); }
    void writeLog(const std::string& line) const;

private:
    std::shared_ptr<ContactNames> names_;
};

}  // namespace carve
