// The byte tests and field readers shared by the deleted-record carvers.
//
// The carvers recognise records by comparing the file's bytes, written as two lowercase hex
// digits each, with fixed patterns; some searches slide a window one hex digit (half a byte)
// at a time. These functions give exactly those answers while working on the bytes themselves:
// no hex text is ever built. Reads at position 0 or below yield nothing (no pattern matches
// there), and bytes past the end of the file read as zero.
#pragma once

#include "backup/carve/CarveFile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace carve {

// ---- Numbers and serial types ----

// Big-endian unsigned value of count bytes (1 to 8) from buffer[index]; 0 for count < 1.
uint64_t readBigEndian(const uint8_t* buffer, int64_t index, int count);
// The two-byte serial type of a record header, decoded the way the carvers always have: the
// format's two-byte variable-length integer for first bytes 0x80 to 0x9f, larger values beyond.
int getAlterInteger(int first, int second);
// Length in bytes of a value of the given serial type.
int64_t getFieldDataLengthBy(int64_t serialType);

// ---- Page and pattern tests ----

// 1 table leaf, 2 interior/free, 3 index interior, 4 index leaf, -1 anything else or unreadable.
int getPageType(CarveFile& file, int64_t pos);
// 1 when the two bytes at pos open one of the record-start marks of the given type (1 to 7).
int getDeletedMark(CarveFile& file, int64_t pos, int type);
// 1 when the n bytes at data begin with an entry of the type's pattern list, else -1
// (0 for no data). An entry longer than the data never matches.
int bCheckDataIsValid(const uint8_t* data, size_t n, int type);
int bCheckDataIsValid(CarveFile& file, int64_t pos, size_t n, int type);
// Window searches over the hex digits of n bytes at pos: a window of w digits starts at every
// digit position p < 2n - w. 1 when some window passes, else 0.
int bcheckSubStringIsValid(CarveFile& file, int64_t pos, size_t n, int type, int w);
int bcheckChatIOS6SubStringIsValid(CarveFile& file, int64_t pos, size_t n, int w);
int bcheckMessageIOS6SubStringIsValid(CarveFile& file, int64_t pos, size_t n, int w);
// True when the bytes at pos begin with the given pattern (never at positions below 1).
bool startsWith(CarveFile& file, int64_t pos, std::string_view pattern);

// ---- Single-byte tests ----

bool bNoteAlter(CarveFile& file, int64_t pos);
bool bImageURLAlter(CarveFile& file, int64_t pos);
bool checkSQliteVersion(CarveFile& file, int64_t pos);
bool IsAlterAboutContent(CarveFile& file, int64_t pos);
bool ISAlterMessageContentFiled(CarveFile& file, int64_t pos);
bool ISAlterPropertFiled(CarveFile& file, int64_t pos);

// ---- Byte-run tests (walks end at the start and at the end of the file) ----

// Steps backwards from pos until a 0x00 byte.
int64_t bSortAlter(CarveFile& file, int64_t pos);
// type 2: 1 when the byte is a text or blob serial type of at least one byte; type 6: steps
// forwards until a 0x00 byte; other types 0.
int64_t bIsAlterbleDBFile(CarveFile& file, int64_t pos, int type);
// 2 or 1 for the serial type found before the next 0x00 byte (see the message carver), else 0.
int GetFildLength(CarveFile& file, int64_t pos);

// ---- Field extraction ----

// What one column read left in the carver's value buffer: raw bytes, or the decimal text of an
// integer. The buffer is one page long, so a longer value keeps its first page size - 1 bytes.
class FieldValue {
public:
    void clear() {
        data_.clear();
        serialType_ = -1;
        isInteger_ = false;
    }
    // The NUL-terminated text the buffer holds (an integer as its decimal text).
    std::string_view text() const;
    const std::string& raw() const;
    std::string& raw() { return data_; }
    void setSerialType(int type) { serialType_ = type; }
    // An integer column: kept as a number, written out as text only when the text is asked for.
    void setInteger(int32_t value) {
        integer_ = value;
        isInteger_ = true;
    }
    // The value as a number, the way the carvers read integer columns from their text. The
    // integers 0 and 1 are stored as serial types 8 and 9 with no body at all: they leave the
    // buffer empty like a missing value, but as numbers they are 0 and 1, not "nothing".
    int64_t number() const;
    int intNumber() const;

private:
    void writeInteger() const;
    mutable std::string data_;
    int serialType_ = -1;
    mutable bool isInteger_ = false;
    int32_t integer_ = 0;
};

// One record: columns have their serial types at start + head + k and their values one after
// another from start + head + headerLength; running is the offset over the values taken so far.
struct RecordCursor {
    CarveFile& file;
    int64_t start;
    int64_t headerLength;
    int64_t head = 0;
    int64_t running = 0;
    int64_t valueCapacity = 4096;  // the value buffer's size (one page)
};

// One-byte serial type; integers become decimal text (AnalyseDBDataFile / AnalyseTheDBDataFile).
void AnalyseDBDataFile(RecordCursor& record, int column, FieldValue& out);
// Two-byte serial type; every value is copied raw (AnalyseAlterbleDB / AnalyseAlterbleDBFile).
void AnalyseAlterbleDB(RecordCursor& record, int column, FieldValue& out);

// NSString-style integer parse of a value text: leading blanks, a sign, digits; 0 otherwise.
int intValueOf(std::string_view text);
int64_t longLongValueOf(std::string_view text);

// ---- Walk helpers ----

// The header of a database file as the carvers read it.
struct PageLayout {
    int64_t pageSize = 0;   // 0 when the header names no usable page size
    int64_t pageCount = 0;  // whole pages in the file
    bool writeAheadLog = false;
};
// Reads the page size (two bytes at 16; 1 means 65536) and the write-version byte. A page size
// that is not a power of two from 512 to 65536 gives no pages at all.
PageLayout readPageLayout(CarveFile& file);

}  // namespace carve
