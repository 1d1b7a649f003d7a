// Conversions that readers apply to database and manifest values before they go into
// records: text, dates, durations, media kinds by extension and padded numbers. None keeps
// state (the local-time look-up behind the date texts keeps a per-thread cache that gives the
// same answers).
#pragma once

#include "model/PRDateText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == 4, "wide text is UTF-32 here");

// NUL-terminated UTF-8 to a string, up to the first NUL; text that is not valid UTF-8 gives
// the empty string. text must not be null.
// Appends the code point as UTF-8 (the caller keeps it a scalar value).
void appendUtf8(std::string& out, char32_t cp);
// Decodes the UTF-8 character at text[i] into out and moves i past it; false for a malformed,
// overlong or surrogate sequence or a code point above U+10FFFF (i is left as it was).
bool decodeUtf8(std::string_view text, size_t& i, char32_t& out);

std::string GetStringFormChar(const char* text);
std::string GetStringFormChar(const char* bytes, size_t length);
// The same text as a view of bytes (always a leading piece of them), without a copy.
std::string_view GetStringViewFormChar(std::string_view bytes);
// Bytes up to their first NUL as UTF-8 text in which every malformed sequence shows as U+FFFD:
// for a name that must be kept (a backup's file path) where GetStringFormChar would drop it.
std::string textWithReplacementCharacters(std::string_view bytes);
// Whether GetStringFormChar keeps all length bytes (no NUL among them, valid UTF-8), without
// making the string.
bool keepsWholeText(const char* bytes, size_t length);
// A text copied from one record into many (a contact's name into every message and call of
// that number): cut after kCopiedTextLimit bytes, on a character boundary, with "…" added.
// The record it comes from keeps it whole.
constexpr size_t kCopiedTextLimit = 1024;
std::string copiedText(const std::string& text);
// Writes the characters of UTF-8 text as wide characters into out, which holds capacity
// characters: at most capacity - 1 of the text, then a 0 character. Returns how many were
// written; text that is not valid UTF-8 writes none.
int Char2Unicode(const char* text, wchar_t* out, int capacity);
// Wide text up to its 0 character, as a UTF-8 string.
std::string GetNSStringDate(const wchar_t* text);

// Seconds from 1970 to 2001, from which the newer databases count.
constexpr int64_t kSecondsFrom1970To2001 = 978307200;

// Which moment a database time value counts from: the field's own, where the reader knows it
// (notes, calendars and the messages of iOS 6 and later count from 2001), or judged where a
// field may hold either (calls and the older messages count from 1970, though some phones and
// tools wrote them from 2001): from 2001 unless that puts the value after a reference time
// (the backup's date; the present when none is given), from 1970 otherwise.
enum class TimeBase : uint8_t { since1970, since2001, judged };
// How far past a backup's date its records' times may lie: a phone's clock, or the computer's
// that dated the backup, may be somewhat ahead.
constexpr int64_t kClockMargin = 366 * 86400;
// The judgement: whether value counts from 2001 against reference (seconds from 1970, 0 for the
// present). A phone's time read from 2001 lands 31 years after the same value read from 1970,
// and only one of the two can precede the backup that holds it, give or take a year's margin.
bool countsFrom2001(int64_t value, int64_t reference);

// A database time value as "MM-DD-YYYY hh:mm" in local time; nothing when the time cannot be
// converted to local time. Only the low 32 bits count. File type 1 (notes, calendars): seconds
// since 2001. File type 0 (messages, calls): judged against the present (see TimeBase).
std::optional<std::wstring> GetDateTime(int64_t value, bool fileType);
// The same text as UTF-8 (it is plain ASCII), without the wide step between.
std::optional<std::string> dateTimeText(int64_t value, bool fileType);
std::optional<std::string> dateTimeText(int64_t value, TimeBase base, int64_t reference = 0);
// The same date as a record keeps it; the empty text when the time cannot be converted.
PRDateText recordDate(int64_t value, bool fileType);
PRDateText recordDate(int64_t value, TimeBase base, int64_t reference = 0);
// A time value whose first ten digits are seconds since 1970, as "YYYY-MM-DD hh:mm:ss +0000";
// " " for a value of fewer than eleven characters.
std::string GetPhoneDate(int64_t value);
// Seconds since 1970 as the standard date description, "YYYY-MM-DD hh:mm:ss +0000" (UTC).
std::string standardDateDescription(int64_t secondsSince1970);
// Milliseconds as "hh:mm:ss".
std::string getCallHistoryDate(int32_t milliseconds);
// Seconds as "N hours", "1 hour", "N minutes", "1 minute" or "N second(s)".
std::string getCallHistoryDuration(int32_t seconds);

// Media kinds by file extension (without the dot, any case): the row of the first match in
// the kind's table, counted from 0, or -1 when there is none or the text is null. Callers
// count 0 or more as found.
int GetImageType(const char* extension);
int GetViedoType(const char* extension);
int GetAudioType(const char* extension);
// What those tables make of an extension, in one look-up: an image when GetImageType finds
// it, else a movie (sound included) when GetViedoType or GetAudioType does.
enum class PRMediaKind { None, Image, Movie };
PRMediaKind mediaKindOfExtension(const char* extension);
PRMediaKind mediaKindOfExtension(std::string_view extension);

// The number's decimal digits with zeros in front up to eight characters; a longer number
// keeps all its digits.
std::string getFullName(uint64_t number);

// text without the blanks (spaces, tabs, line breaks) at its two ends.
std::string_view trimmedText(std::string_view text);
// Appends part (trimmed) to a text made of parts, after separator when the text already holds
// one: a value made of parts never starts or ends with a blank (a person without a first name
// is "Ito", not " Ito"). An empty part adds nothing.
void appendPart(std::string& text, std::string_view part, std::string_view separator = " ");

// Byte counts as text with a decimal unit ("1.50KB", "999.00bytes"), always with a point,
// whatever the locale. out_buffer holds at least 100 bytes; it is returned.
char* size_to_unit(uint64_t count, char* out_buffer);
std::string sizeText(uint64_t count);
// Reads a text made by size_to_unit back into a byte count; 0 for anything else.
uint64_t sizeFormString(const std::string& text);
