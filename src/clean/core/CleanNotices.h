// The notifications of a junk scan and of the clean page: the scan's progress (0 to 90), the
// junk, cache and cookie sizes found so far (an array of three numbers), its total at the end;
// and the bytes the page removed from one category.
#pragma once

#include "platform/Notice.h"

namespace notices {

inline const Notice<NSNumber> CleanFileProgressInfo{"CleanFileProgressInfo"};
inline const Notice<NSArray> AddCleanFileSizeThreadProgressInfo{"AddCleanFileSizeThreadProgressInfo"};
inline const Notice<NSNumber> CleanFilehasFinished{"CleanFilehasFinished"};

inline const Notice<NSNumber> CleanCacheFilesSize{"CleanCacheFilesSize"};
inline const Notice<NSNumber> CleanJunkFilesSize{"CleanJunkFilesSize"};
inline const Notice<NSNumber> CleanCookFilesSize{"CleanCookFilesSize"};

}  // namespace notices
