// The disk pages count their actions with the device layer's tally (device/ActionResult.h).
#pragma once

#include "device/ActionResult.h"

namespace disk {

using amd::ActionResult;

}  // namespace disk
