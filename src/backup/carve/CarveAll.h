// The six carvers over one backup folder, in the order their records are listed: contacts,
// messages, notes, calls, bookmarks, calendars.
#pragma once

#include "backup/carve/CarveContext.h"

#include <functional>
#include <string>

namespace carve {

// Runs them in turn on this thread; stop, when given and answering true before a carver, ends
// the run there. The context's progress, when set, follows them (CarveProgress).
void carveAll(CarveContext& context, const std::string& backupFolder, const std::function<bool()>& stop = {});

}  // namespace carve
