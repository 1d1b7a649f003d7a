// The six carvers over one backup folder, in the order their records are listed: contacts,
// messages, notes, calls, bookmarks, calendars.
#pragma once

#include "backup/carve/CarveContext.h"

#include <functional>
#include <string>

namespace carve {

// Runs them in turn on this thread; stop, when given and answering true before a carver, ends
// the run there. The context's progress, when set, follows them (CarveProgress).
// The contact carver alone names nothing by the scan state's contacts: contactsIn, when given, is
// asked after it, before any other makes a record (the message carver looks through its
// database's pages first), and may wait for the contacts to come in (false ends the run there,
// nothing more posted). The contacts may be read meanwhile, while the deleted ones are carved and
// the message database's pages looked through. contactsCarved, when given, is called once the
// contact carver is done (or was not run), before the message carver starts.
void carveAll(CarveContext& context, const std::string& backupFolder, const std::function<bool()>& stop = {},
              const std::function<bool()>& contactsIn = {}, const std::function<void()>& contactsCarved = {});

// Whether the backup folder holds a database whose carver names numbers by the scan state's
// contacts (messages, calls): without one, the carvers need no contacts.
bool namesNumbers(const std::string& backupFolder);

}  // namespace carve
