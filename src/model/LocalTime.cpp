#include "model/LocalTime.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

constexpr int64_t kHour = 3600;
constexpr int64_t kDay = 86400;

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = floorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilDate(int64_t days, int64_t& year, int& month, int& day) {
    const int64_t z = days + 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = yoe + era * 400 + (month <= 2);
}

namespace {

// The fields of the moment `local` seconds after 1970-01-01 00:00, read as a wall clock.
void fillFields(int64_t local, struct tm& out) {
    const int64_t days = floorDiv(local, kDay);
    const int64_t rest = local - days * kDay;
    int64_t y = 0;
    int m = 0, d = 0;
    civilDate(days, y, m, d);
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

// Spans of UTC whose offset and daylight-saving flag were found the same at their first second
// and the first second of the next span. No zone moves its clocks twice within such a stretch
// (the closest changes of the zone database between 1901 and 2038 lie four days apart:
// Freetown, 1939), so then the whole span has that offset. Records hours apart (a call history) share a span that way;
// a few spans are kept, each in the slot of its number, for records that step back and forth.
constexpr int64_t kSpan = 2 * kDay;

// Plain data, so that each thread reaches its own without a guard.
struct SpanCache {
    struct Span {
        bool valid;
        int64_t span;
        struct tm start;  // localtime_r of the span's first second
    };
    bool known;
    bool hadZone;
    char zone[120];  // the TZ text the spans were found under
    Span spans[4];
    // localtime_r of the first second of the span after the last one checked: records that
    // move on into the next span find its start there, one conversion instead of two.
    struct {
        bool valid;
        int64_t at;
        struct tm local;
    } next;
};

// Forgets the spans when TZ is no longer the text they were found under; false for a TZ text
// too long to keep (its moments are then converted one by one).
bool followZone(SpanCache& cache) {
    const char* tz = std::getenv("TZ");
    if (cache.known && (tz ? cache.hadZone && std::strcmp(cache.zone, tz) == 0 : !cache.hadZone)) return true;
    for (auto& s : cache.spans) s.valid = false;
    cache.next.valid = false;
    cache.known = false;
    if (tz && std::strlen(tz) >= sizeof cache.zone) return false;
    cache.known = true;
    cache.hadZone = tz != nullptr;
    std::strcpy(cache.zone, tz ? tz : "");
    return true;
}

thread_local SpanCache tCache{};
thread_local int tZoneHolds = 0;

// The checked span of seconds, its slot filled when it was not yet; null where the clocks
// change within the span (or localtime_r fails), whose moments are then converted one by one.
const SpanCache::Span* checkedSpan(time_t seconds) {
    SpanCache& cache = tCache;
    if (!(tZoneHolds > 0 && cache.known) && !followZone(cache)) return nullptr;
    const int64_t span = floorDiv(static_cast<int64_t>(seconds), kSpan);
    SpanCache::Span& slot = cache.spans[static_cast<size_t>(span) % std::size(cache.spans)];
    if (slot.valid && slot.span == span) return &slot;
    slot.valid = false;
    const time_t first = static_cast<time_t>(span * kSpan);
    const time_t after = static_cast<time_t>(first + kSpan);
    if (cache.next.valid && cache.next.at == first)
        slot.start = cache.next.local;
    else if (!localtime_r(&first, &slot.start))
        return nullptr;
    cache.next.valid = false;
    if (!localtime_r(&after, &cache.next.local)) return nullptr;
    cache.next.valid = true;
    cache.next.at = after;
    if (slot.start.tm_gmtoff != cache.next.local.tm_gmtoff || slot.start.tm_isdst != cache.next.local.tm_isdst)
        return nullptr;
    slot.span = span;
    slot.valid = true;
    return &slot;
}

}  // namespace

bool cachedLocalTime(time_t seconds, struct tm& out) {
    const SpanCache::Span* slot = checkedSpan(seconds);
    if (!slot) return localtime_r(&seconds, &out) != nullptr;
    out = slot->start;
    // Within the day the span started in only the clock moves on; past midnight the date does too.
    const int64_t clock = out.tm_hour * kHour + out.tm_min * 60 + out.tm_sec + (seconds - slot->span * kSpan);
    if (clock < kDay) {
        out.tm_hour = static_cast<int>(clock / kHour);
        out.tm_min = static_cast<int>(clock / 60 % 60);
        out.tm_sec = static_cast<int>(clock % 60);
    } else {
        fillFields(static_cast<int64_t>(seconds) + out.tm_gmtoff, out);
    }
    return true;
}

std::optional<long> cachedUtcOffset(time_t seconds) {
    if (const SpanCache::Span* slot = checkedSpan(seconds)) return slot->start.tm_gmtoff;
    struct tm local {};
    if (!localtime_r(&seconds, &local)) return std::nullopt;
    return local.tm_gmtoff;
}

void wallClockFields(int64_t wallSeconds, struct tm& out) { fillFields(wallSeconds, out); }

LocalZoneHold::LocalZoneHold() {
    if (tZoneHolds++ == 0) followZone(tCache);
}

LocalZoneHold::~LocalZoneHold() { --tZoneHolds; }
