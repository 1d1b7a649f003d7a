#include "model/EventDateText.h"

#include "model/PRRecordFields.h"
#include "model/WallClockText.h"

#include <QByteArray>
#include <QDateTime>
#include <QTimeZone>
#include <memory>

namespace {

constexpr int64_t kSince2001 = 978307200;
constexpr int64_t kDay = 86400;

// Only the low 32 bits of a stored time count, as for every other date a record shows.
int64_t secondsSince1970(int64_t since2001) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(since2001))) + kSince2001;
}

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

bool isFloating(std::string_view zone) { return zone == "_float"; }

// The offset from UTC of a zone named in a calendar at a moment; nothing for a name no zone has.
// A calendar names a zone or two: the last one asked is kept for the next.
std::optional<int> zoneOffset(std::string_view zone, int64_t moment) {
    thread_local std::string lastName;
    thread_local std::unique_ptr<QTimeZone> last;
    if (!last || lastName != zone) {
        last = std::make_unique<QTimeZone>(QByteArray(zone.data(), static_cast<qsizetype>(zone.size())));
        lastName = std::string(zone);
    }
    if (!last->isValid()) return std::nullopt;
    return last->offsetFromUtc(QDateTime::fromSecsSinceEpoch(moment, Qt::UTC));
}

// The wall clock of an all-day event's stored time: kept as it stands for a floating event (or
// one that names no zone), else the clock of the zone it names.
int64_t allDayWallClock(int64_t since2001, std::string_view zone) {
    const int64_t stored = secondsSince1970(since2001);
    if (zone.empty() || isFloating(zone)) return stored;
    return stored + zoneOffset(zone, stored).value_or(0);
}

// "MM-DD-YYYY" of the day that many days after 1970-01-01.
std::string dayText(int64_t day) {
    char text[32];
    const std::string_view written(text, writeWallClock(day * kDay, text));
    return std::string(written.substr(0, written.rfind(' ')));
}

std::string timedText(int64_t since2001, std::string_view zone) {
    if (!isFloating(zone)) return dateTimeText(since2001, true).value_or("");
    char text[32];
    return std::string(text, writeWallClock(secondsSince1970(since2001), text));
}

}  // namespace

PREventDateTexts eventDateTexts(const PREventTimes& times) {
    PREventDateTexts texts;
    if (!times.allDay.value_or(false)) {
        if (times.start) texts.start = timedText(*times.start, times.zone);
        if (times.end) texts.end = timedText(*times.end, times.zone);
        return texts;
    }
    std::optional<int64_t> firstDay;
    if (times.start) {
        firstDay = floorDiv(allDayWallClock(*times.start, times.zone), kDay);
        texts.start = dayText(*firstDay);
    }
    if (times.end) {
        // The day of the end's last second: an end at the next midnight is on the day before.
        int64_t lastDay = floorDiv(allDayWallClock(*times.end, times.zone) - 1, kDay);
        if (firstDay && lastDay < *firstDay) lastDay = *firstDay;
        texts.end = dayText(lastDay);
    }
    return texts;
}
