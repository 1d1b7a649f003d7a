// Local time of a moment, as localtime_r gives it, for code that converts one time per record
// over millions of records. localtime_r takes a process-wide lock and searches the zone's
// transitions on every call; records of one database tend to lie close together in time, so
// the offset from UTC found at both ends of a span of two days serves every moment of it.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

// Fills the calendar fields of out (tm_year, tm_mon, tm_mday, tm_yday, tm_wday, tm_hour,
// tm_min, tm_sec), tm_gmtoff and tm_isdst exactly as localtime_r would; false where
// localtime_r fails. tm_zone is the one localtime_r gives for the start of the same span.
// Safe from any thread (each thread keeps its own cache); a change of TZ is noticed, outside
// a LocalZoneHold.
bool cachedLocalTime(time_t seconds, struct tm& out);

// The offset from UTC (tm_gmtoff) localtime_r gives for the moment, from the same cache;
// nothing where localtime_r fails. The moment's local calendar fields are those of the wall
// clock seconds + offset (wallClockFields).
std::optional<long> cachedUtcOffset(time_t seconds);

// The proleptic Gregorian date (month 1 to 12) of the day the given number of days after
// 1970-01-01, and the way back.
void civilDate(int64_t days, int64_t& year, int& month, int& day);
int64_t daysFromCivil(int64_t year, int month, int day);

// The calendar fields (tm_year to tm_sec, tm_yday, tm_wday) of a wall-clock time given as
// seconds since 1970-01-01 00:00 of that clock.
void wallClockFields(int64_t wallSeconds, struct tm& out);

// While one lives on a thread, the conversions of that thread keep the zone (TZ) they found
// when the outermost hold was made instead of looking TZ up again for every moment: a read of
// many records shows them all in one zone and saves a search of the environment for each.
// A change of TZ made meanwhile is noticed once the last hold of the thread is gone.
class LocalZoneHold {
public:
    LocalZoneHold();
    ~LocalZoneHold();
    LocalZoneHold(const LocalZoneHold&) = delete;
    LocalZoneHold& operator=(const LocalZoneHold&) = delete;
};
