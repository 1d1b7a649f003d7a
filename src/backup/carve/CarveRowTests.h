// Byte tests of the calendar, bookmark and call carvers. The walking ones go backwards from the
// position to the nearest stop byte (0x00, or 0x01 for the title-and-URL test) and stop at the
// start of the file when there is none.
#pragma once

#include "backup/carve/CarveFile.h"

#include <cstdint>

namespace carve {

bool TitileIsAlterbleDBFile(CarveFile& file, int64_t pos);
bool DescriptionIsAlterbleDBFile(CarveFile& file, int64_t pos, int version);
int accquireFieldLength(CarveFile& file, int64_t pos, int version);
bool unique_identifAlter(CarveFile& file, int64_t pos, int version);
// 1, 0 or -1 from the byte before the nearest 0x00 at or before pos; -1 when there is none.
int getMarkBookLength(CarveFile& file, int64_t pos, int length);
bool IsServer_IDAlter(CarveFile& file, int64_t pos, int length);
bool IsExtra_AttributeAlter(CarveFile& file, int64_t pos, int length);
// Steps back to the nearest 0x01 byte; the whole way to the start when there is none.
int64_t TitleAndUrlIsAlterbleDBFile(CarveFile& file, int64_t pos);
int bBookMarkTableAlter(CarveFile& file, int64_t pos);
bool accquireField(CarveFile& file, int64_t pos);
// From the byte before the nearest 0x00 at or before pos; 0 when there is none.
int accquireFieldLength(CarveFile& file, int64_t pos);

}  // namespace carve
