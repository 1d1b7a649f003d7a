// What a carver takes from the application: the scan state (the arrays the carvers add to, the
// schema flags and the contact-name look-up), the notification centre it posts on, and where a
// missing database is logged. Carvers read the backup's files as they lie, never writing them.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace carve {

struct CarveCoverage;

// Contact names for phone numbers by the contact rule, from the scan state's index of its
// contacts (model/ContactNumberRule.h), taken at the first question: carved calls and messages
// ask for hundreds of thousands of numbers, and name them as the live ones are named. One
// thread at a time; a list that grew since is asked again.
class ContactNames {
public:
    explicit ContactNames(const PRBackupScanState& state);
    ~ContactNames();
    ContactNames(const ContactNames&) = delete;
    ContactNames& operator=(const ContactNames&) = delete;

    // The contact name for a phone number, empty when no contact matches.
    std::string nameFor(const std::string& phone);
    // Whether no contact is known at all, when every name is empty without a look at the number.
    bool knowsNoContacts() const;

private:
    const PRBackupScanState& state_;
    std::shared_ptr<const ContactNumberIndex> index_;
};

// How far a run of the carvers (carveAll) is, for a progress bar: written by the carving threads
// (records by whoever takes the carver's notifications in), read from any other thread while they
// work. A carver first looks through its database's pages, then makes and posts a record of each
// deleted row they gave that it keeps.
struct CarveProgress {
    std::atomic<int> carver{-1};            // the carver at work, by its place in carveAll's order
    std::atomic<int64_t> images{0};         // the page images of the database it opened
    std::atomic<int64_t> lookedThrough{0};  // of those, the ones looked through so far
    std::atomic<int64_t> deletedRows{-1};   // the deleted rows the pages gave; -1 until they are known
    std::atomic<int64_t> records{0};        // the deleted records posted so far
};

struct CarveContext {
    CarveContext(PRBackupScanState& scanState, NSNotificationCenter& center);

    PRBackupScanState& state;
    NSNotificationCenter* nc;
    // The log line of a missing database; standard error unless set.
    std::function<void(const std::string&)> log;
    // Told, when set, how much of each database a carver looked through (see CarveCoverage).
    std::function<void(const CarveCoverage&)> coverage;
    // Called, when set, by the contact carver once the most it holds at once is behind it: every
    // page of the address book was read and the live rows' keys let go (see carveRecords). A
    // caller that runs other large work beside the carve (the readers' contacts) may start it
    // then rather than hold both at once. Not called where there is no address book to carve.
    std::function<void()> pastPeak;
    // Told, when set, which layout of each table a carver read a database's rows by (see
    // FileShapes); logged otherwise.
    std::function<void(const std::string& file, const std::string& note)> layoutNote;
    // Told, when set, how far the carvers are (see CarveProgress).
    CarveProgress* progress = nullptr;
    // When the backup was made, in seconds from 1970 (see backupdate::backupDate): the times the
    // carved rows hold are judged against it (or against a database file's own time, when
    // later). 0 when not known: each database then takes its backup folder's date; -1 when the
    // folder gives none.
    int64_t backupTime = 0;
    // Whether the carvers also list the deleted records they post in the state's arrays (the
    // contacts with records of their values, the messages, the notes), as the screen's state
    // keeps them. A caller that takes the posted records alone clears it: a large database's
    // would otherwise all stay to the end (the values' records are then not made at all).
    bool listInState = true;

    // The contact name for a phone number, empty when no contact matches; from the carving thread.
    std::string nameFor(const std::string& phone) const { return names_->nameFor(phone); }
    void writeLog(const std::string& line) const;

private:
    std::shared_ptr<ContactNames> names_;
};

}  // namespace carve
