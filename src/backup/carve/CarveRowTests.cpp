#include "backup/carve/CarveRowTests.h"

namespace carve {

namespace {
// The byte as the tests read it: -1 where nothing can be read.
inline int at(CarveFile& file, int64_t pos) { return CarveFile::readable(pos) ? file.byte(pos) : -1; }

// The byte just before the nearest 0x00 at or before pos; -1 when the walk finds none.
int byteBeforeZero(CarveFile& file, int64_t pos) {
    if (!CarveFile::readable(pos)) return -1;
    int64_t zero = file.findBackward(pos, 0x00);
    if (zero <= 0) return -1;
    return at(file, zero - 1);
}

int sizeClass(int b) {
    if (b < 16) return 0;
    if (b <= 24) return 1;
    return 2;
}
}  // namespace

bool TitileIsAlterbleDBFile(CarveFile& file, int64_t pos) { return at(file, pos) != 0x00; }

bool DescriptionIsAlterbleDBFile(CarveFile& file, int64_t pos, int version) {
    int b = at(file, pos);
    if (version == 1) return b != 0x08 && b != 0x00 && b != 0x01 && b != 0x09;
    return b >= 0x80 && b <= 0x89;
}

int accquireFieldLength(CarveFile& file, int64_t pos, int version) {
    int n = at(file, pos);
    if (version == 0 && n >= 32 && n <= 35) return n - 1;
    if (version == 1 && n >= 42 && n <= 45) return n - 1;
    return 0;
}

bool unique_identifAlter(CarveFile& file, int64_t pos, int version) {
    return version == 1 && at(file, pos) != 0x00;
}

int getMarkBookLength(CarveFile& file, int64_t pos, int length) {
    if (length != 24 && length != 19) return -1;
    int b = byteBeforeZero(file, pos);
    if (b == 0x00) return 0;
    if (length == 24) return (b >= 0x19 && b <= 0x1c) ? 1 : -1;
    return (b >= 0x14 && b <= 0x17) ? 1 : -1;
}

bool IsServer_IDAlter(CarveFile& file, int64_t pos, int length) {
    if (length != 24) return false;
    int a = at(file, pos), b = at(file, pos + 1);
    return a != 0x01 && a != 0x00 && b != 0x01 && b != 0x00;
}

bool IsExtra_AttributeAlter(CarveFile& file, int64_t pos, int length) {
    if (length != 24) return false;
    int b = at(file, pos);
    return b != 0x01 && b != 0x00;
}

int64_t TitleAndUrlIsAlterbleDBFile(CarveFile& file, int64_t pos) {
    if (!CarveFile::readable(pos)) return 0;
    return pos - file.findBackward(pos, 0x01);
}

int bBookMarkTableAlter(CarveFile& file, int64_t pos) {
    int b = at(file, pos);
    if (b >= 0x14 && b <= 0x16) return 1;
    if (b >= 0x19 && b <= 0x1b) return 2;
    if (b == 0x00) return sizeClass(at(file, pos - 1));
    if (at(file, pos + 1) == 0x00) return sizeClass(at(file, pos - 2));
    return 0;
}

bool accquireField(CarveFile& file, int64_t pos) { return at(file, pos) == 0x11; }

int accquireFieldLength(CarveFile& file, int64_t pos) {
    int b = byteBeforeZero(file, pos);
    if (b == 7 || b == 8) return 7;
    if (b >= 9 && b <= 11) return b - 1;
    return 0;
}

}  // namespace carve
