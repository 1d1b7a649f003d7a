// The system library page's end of its walk of the device's files, however it ended.
#pragma once

#include "platform/Notice.h"

namespace notices {

inline const NoticeName SystemlibhasFinished{"SystemlibhasFinished"};

}  // namespace notices
