// The transfer page's ends of its scans of the device's photos, music and apps (and of what a
// device that left had under way).
#pragma once

#include "platform/Notice.h"

namespace notices {

inline const NoticeName photoScanFinished{"photoScanFinished"};
inline const NoticeName musicScanFinished{"musicScanFinished"};
inline const NoticeName AppScanFinished{"AppScanFinished"};

}  // namespace notices
