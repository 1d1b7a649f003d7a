// The "MM-DD-YYYY hh:mm" text in which records show their dates and times, written from a
// wall-clock time, and read back to its minute.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Writes the text of wallSeconds (seconds since 1970-01-01 00:00 of the wall clock) into out,
// and answers its length: 16 for the years 0 to 9999. Records of one database come day after
// day, so each thread keeps the "MM-DD-YYYY " of the last day it wrote.
size_t writeWallClock(int64_t wallSeconds, char (&out)[32]);

// The minute (since 1970-01-01 00:00 of the wall clock) whose text writeWallClock writes is
// exactly text; nothing for any other text.
std::optional<int64_t> wallClockMinute(std::string_view text);
