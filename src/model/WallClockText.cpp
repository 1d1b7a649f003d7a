#include "model/WallClockText.h"

#include "model/LocalTime.h"

#include <cstring>

namespace {

constexpr int64_t kDay = 86400;

// Writes number with at least width digits (a minus sign counting as one) at out; answers the
// characters written.
size_t writeDigits(int number, int width, char* out) {
    if (width == 2 && number >= 0 && number < 100) {  // months, days, hours, minutes
        out[0] = static_cast<char>('0' + number / 10);
        out[1] = static_cast<char>('0' + number % 10);
        return 2;
    }
    size_t n = 0;
    if (number < 0) {
        out[n++] = '-';
        number = -number;
        --width;
    }
    char buf[12];
    int k = 0;
    do {
        buf[k++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    for (int pad = k; pad < width; ++pad) out[n++] = '0';
    while (k > 0) out[n++] = buf[--k];
    return n;
}

// The number the count digits at text[at] spell; -1 when one of them is no digit.
int readDigits(std::string_view text, size_t at, size_t count) {
    int number = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

}  // namespace

size_t writeWallClock(int64_t wall, char (&out)[32]) {
    struct DayText {
        bool valid;
        int64_t day;
        size_t length;
        char text[24];
    };
    thread_local DayText last{};
    int64_t day = wall / kDay;
    if (wall % kDay < 0) --day;
    if (!last.valid || last.day != day) {
        int64_t year = 0;
        int month = 0, dayOfMonth = 0;
        civilDate(day, year, month, dayOfMonth);
        size_t n = writeDigits(month, 2, last.text);
        last.text[n++] = '-';
        n += writeDigits(dayOfMonth, 2, last.text + n);
        last.text[n++] = '-';
        n += writeDigits(static_cast<int>(year), 4, last.text + n);
        last.text[n++] = ' ';
        last.valid = true;
        last.day = day;
        last.length = n;
    }
    std::memcpy(out, last.text, last.length);
    size_t n = last.length;
    const int64_t clock = wall - day * kDay;
    n += writeDigits(static_cast<int>(clock / 3600), 2, out + n);
    out[n++] = ':';
    n += writeDigits(static_cast<int>(clock / 60 % 60), 2, out + n);
    return n;
}

std::optional<int64_t> wallClockMinute(std::string_view text) {
    if (text.size() != 16 || text[2] != '-' || text[5] != '-' || text[10] != ' ' || text[13] != ':')
        return std::nullopt;
    const int month = readDigits(text, 0, 2), day = readDigits(text, 3, 2), year = readDigits(text, 6, 4);
    const int hour = readDigits(text, 11, 2), minute = readDigits(text, 14, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 0 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59)
        return std::nullopt;
    const int64_t minutes = (daysFromCivil(year, month, day) * kDay + hour * 3600 + minute * 60) / 60;
    // A day past its month's end ("02-30") would be written as another day: such a text is no
    // minute of the clock.
    char written[32];
    if (std::string_view(written, writeWallClock(minutes * 60, written)) != text) return std::nullopt;
    return minutes;
}
