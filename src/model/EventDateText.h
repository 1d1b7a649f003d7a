// The start and end a calendar event shows, from the values its row keeps: the times (seconds
// since 2001), the start's time zone (start_tz) and whether it lasts all day (all_day).
//
// A timed event keeps the moment it starts and ends, shown in local time ("MM-DD-YYYY hh:mm")
// wherever the event was made: its zone's name only says the times are fixed moments. A
// floating time (start_tz "_float") is a wall-clock time, the same in every zone, so it is shown
// as it stands. An all-day event is a day, not a moment: its start and end are shown as the days
// they are on the event's own clock ("MM-DD-YYYY"; the wall clock kept for a floating event, the
// clock of its zone for one that names a zone), whatever zone the computer is in, and it ends on
// its last day: a stored end is the last second of that day or the first of the next.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct PREventTimes {
    std::optional<int64_t> start, end;  // seconds since 2001; nothing for NULL
    std::string_view zone;              // start_tz: a zone's name, "_float", or empty for NULL
    std::optional<bool> allDay;         // all_day; nothing where the value is not known
};

struct PREventDateTexts {
    std::string start, end;  // empty for a time that is absent or cannot be shown
};

PREventDateTexts eventDateTexts(const PREventTimes& times);
