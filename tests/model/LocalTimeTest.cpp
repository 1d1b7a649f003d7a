#include "FixedTimeZone.h"
#include "model/LocalTime.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

std::string fieldsOf(const struct tm& t) {
    return std::to_string(t.tm_year) + "/" + std::to_string(t.tm_mon) + "/" + std::to_string(t.tm_mday) + " d" +
           std::to_string(t.tm_yday) + " w" + std::to_string(t.tm_wday) + " " + std::to_string(t.tm_hour) + ":" +
           std::to_string(t.tm_min) + ":" + std::to_string(t.tm_sec) + " off" + std::to_string(t.tm_gmtoff) + " dst" +
           std::to_string(t.tm_isdst);
}

// Every moment must give what localtime_r gives, whatever the order the moments come in.
void expectSameAsLocaltime(const std::vector<time_t>& moments) {
    for (time_t t : moments) {
        struct tm expected {};
        struct tm got {};
        ASSERT_NE(localtime_r(&t, &expected), nullptr);
        ASSERT_TRUE(cachedLocalTime(t, got));
        ASSERT_EQ(fieldsOf(got), fieldsOf(expected)) << "at " << t;
        // The offset alone, and the fields of the wall clock it gives.
        const auto offset = cachedUtcOffset(t);
        ASSERT_TRUE(offset);
        struct tm wall = expected;
        wallClockFields(static_cast<int64_t>(t) + *offset, wall);
        ASSERT_EQ(fieldsOf(wall), fieldsOf(expected)) << "at " << t;
    }
}

// Moments each side of the clock changes of a year: every minute near them, a few odd seconds,
// forwards, backwards and shuffled.
std::vector<time_t> momentsAround(std::initializer_list<time_t> changes) {
    std::vector<time_t> moments;
    for (time_t change : changes)
        for (time_t t = change - 3 * 3600; t <= change + 3 * 3600; t += 60) {
            moments.push_back(t);
            moments.push_back(t + 59);
        }
    std::vector<time_t> all = moments;
    all.insert(all.end(), moments.rbegin(), moments.rend());
    std::mt19937 random(12);
    std::shuffle(moments.begin(), moments.end(), random);
    all.insert(all.end(), moments.begin(), moments.end());
    return all;
}

TEST(LocalTime, MatchesLocaltimeAcrossDaylightSavingChanges) {
    struct Zone {
        const char* tz;
        std::initializer_list<time_t> changes;  // UTC moments of the changes in 2013
    };
    const Zone zones[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", {1364691600, 1382835600}},            // whole hours
        {"NST3:30NDT,M3.2.0,M11.1.0", {1362893400, 1383453000}},             // half-hour offset
        {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", {1365260400, 1380987000}},  // half-hour step
        {"<+0545>-5:45", {1362893400}},                                      // quarter-hour offset
        {"UTC0", {1362893400}},
    };
    for (const Zone& zone : zones) {
        SCOPED_TRACE(zone.tz);
        FixedTimeZone fixed(zone.tz);
        expectSameAsLocaltime(momentsAround(zone.changes));
    }
}

TEST(LocalTime, MatchesLocaltimeOverTheWholeRangeOfThirtyTwoBitTimes) {
    for (const char* tz : {"Europe/Berlin", "America/St_Johns", "Australia/Lord_Howe", "Asia/Kathmandu"}) {
        if (!std::filesystem::exists(std::string("/usr/share/zoneinfo/") + tz))
            continue;  // the zone files are not installed
        SCOPED_TRACE(tz);
        FixedTimeZone fixed(tz);
        std::vector<time_t> moments;
        std::mt19937 random(7);
        std::uniform_int_distribution<int64_t> any(INT32_MIN, INT32_MAX);
        for (int i = 0; i < 20000; ++i) {
            const time_t t = static_cast<time_t>(any(random));
            moments.push_back(t);
            moments.push_back(t + 1800);  // often the same hour again, now from the cache
        }
        expectSameAsLocaltime(moments);
    }
}

// The zones whose clocks changed twice within the fewest days: every ten minutes through the
// years around those changes, in order, as a call history asks.
TEST(LocalTime, MatchesLocaltimeWhereClocksChangedTwiceWithinDays) {
    struct Zone {
        const char* tz;
        time_t from;  // a few months before the changes
    };
    const Zone zones[] = {{"Africa/Freetown", -978307200},
                          {"America/Cambridge_Bay", 960000000},
                          {"America/Recife", 960000000},
                          {"Europe/Kaliningrad", -787000000}};
    for (const Zone& zone : zones) {
        if (!std::filesystem::exists(std::string("/usr/share/zoneinfo/") + zone.tz)) continue;
        SCOPED_TRACE(zone.tz);
        FixedTimeZone fixed(zone.tz);
        std::vector<time_t> moments;
        for (time_t t = zone.from; t < zone.from + 366 * 86400; t += 600 + t % 7) moments.push_back(t);
        expectSameAsLocaltime(moments);
    }
}

TEST(LocalTime, FollowsAChangeOfTimeZone) {
    const time_t t = 1370000000;
    struct tm first {};
    struct tm second {};
    {
        FixedTimeZone fixed("UTC0");
        ASSERT_TRUE(cachedLocalTime(t, first));
    }
    {
        FixedTimeZone fixed("<+0545>-5:45");
        ASSERT_TRUE(cachedLocalTime(t, second));
    }
    EXPECT_EQ(second.tm_gmtoff - first.tm_gmtoff, 5 * 3600 + 45 * 60);
    EXPECT_EQ((second.tm_hour * 60 + second.tm_min) - (first.tm_hour * 60 + first.tm_min), 5 * 60 + 45);
}

// A hold keeps the zone it found for the moments it has seen, and lets go of it when it goes:
// a later read must not show its times in the zone of an earlier one.
TEST(LocalTime, AHoldKeepsItsZoneAndLetsGoOfItWhenItGoes) {
    const time_t t = 1370000000;
    FixedTimeZone utc("UTC0");
    struct tm held {};
    struct tm after {};
    {
        const LocalZoneHold hold;
        const LocalZoneHold inner;  // holds nest
        ASSERT_TRUE(cachedLocalTime(t, held));
        FixedTimeZone shifted("<+0545>-5:45");
        EXPECT_EQ(cachedUtcOffset(t + 60), 0);
    }
    EXPECT_EQ(held.tm_gmtoff, 0);
    FixedTimeZone shifted("<+0545>-5:45");
    ASSERT_TRUE(cachedLocalTime(t, after));
    EXPECT_EQ(after.tm_gmtoff, 5 * 3600 + 45 * 60);
    EXPECT_EQ((after.tm_hour * 60 + after.tm_min) - (held.tm_hour * 60 + held.tm_min), 5 * 60 + 45);
}

}  // namespace
