#include "model/LocalTime.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

namespace {

constexpr int64_t kHour = 3600;
constexpr int64_t kDay = 86400;

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date (month 1 to 12).
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = floorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The fields of the moment `local` seconds after 1970-01-01 00:00, read as a wall clock.
void fillFields(int64_t local, struct tm& out) {
    const int64_t days = floorDiv(local, kDay);
    const int64_t rest = local - days * kDay;
    const int64_t z = days + 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int64_t y = yoe + era * 400 + (m <= 2);
    out.tm_year = static_cast<int>(y - 1900);
    out.tm_mon = m - 1;
    out.tm_mday = d;
    out.tm_yday = static_cast<int>(days - daysFromCivil(y, 1, 1));
    const int64_t weekday = (days + 4) % 7;  // 1970-01-01 was a Thursday
    out.tm_wday = static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
    out.tm_hour = static_cast<int>(rest / kHour);
    out.tm_min = static_cast<int>(rest % kHour / 60);
    out.tm_sec = static_cast<int>(rest % 60);
}

// Hours of UTC whose offset and daylight-saving flag were found the same at their first and
// their last second. No zone moves its clocks twice within an hour (the closest changes of the
// zone database are days apart), so then the whole hour has that offset. A few hours are kept,
// each in the slot of its number: a record's start and end often lie in neighbouring hours.
struct HourCache {
    struct Hour {
        bool valid = false;
        int64_t hour = 0;
        struct tm start {};  // localtime_r of the hour's first second
    };
    bool known = false;
    bool hadZone = false;
    std::string zone;  // the TZ text the hours were found under
    Hour hours[4];
};

// Forgets the hours when TZ is no longer the text they were found under.
void followZone(HourCache& cache) {
    const char* tz = std::getenv("TZ");
    if (cache.known && (tz ? cache.hadZone && cache.zone == tz : !cache.hadZone)) return;
    for (auto& h : cache.hours) h.valid = false;
    cache.known = true;
    cache.hadZone = tz != nullptr;
    cache.zone = tz ? tz : "";
}

}  // namespace

bool cachedLocalTime(time_t seconds, struct tm& out) {
    thread_local HourCache cache;
    followZone(cache);
    const int64_t hour = floorDiv(static_cast<int64_t>(seconds), kHour);
    HourCache::Hour& slot = cache.hours[static_cast<size_t>(hour) % std::size(cache.hours)];
    if (!slot.valid || slot.hour != hour) {
        slot.valid = false;
        const time_t first = static_cast<time_t>(hour * kHour);
        const time_t last = static_cast<time_t>(first + kHour - 1);
        struct tm end {};
        if (!localtime_r(&first, &slot.start) || !localtime_r(&last, &end) || slot.start.tm_gmtoff != end.tm_gmtoff ||
            slot.start.tm_isdst != end.tm_isdst)
            return localtime_r(&seconds, &out) != nullptr;  // the clocks change in this hour
        slot.hour = hour;
        slot.valid = true;
    }
    out = slot.start;
    // Within the day the hour started in only the clock moves on; past midnight the date does too.
    const int64_t clock = out.tm_hour * kHour + out.tm_min * 60 + out.tm_sec + (seconds - hour * kHour);
    if (clock < kDay) {
        out.tm_hour = static_cast<int>(clock / kHour);
        out.tm_min = static_cast<int>(clock / 60 % 60);
        out.tm_sec = static_cast<int>(clock % 60);
    } else {
        fillFields(static_cast<int64_t>(seconds) + out.tm_gmtoff, out);
    }
    return true;
}
