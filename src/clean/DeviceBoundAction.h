// The device work of one action queued by a clean page, run on a worker. It reaches the device
// only while the rows it acts on still belong to the page's device (their stamp holds), and then
// only that device; otherwise nothing is done and the result names why.
#pragma once

#include "appcore/DeviceTie.h"
#include "clean/core/JunkFileActions.h"

#include <functional>

namespace clean {

inline ActionResult onItsDevice(const DeviceStamp& stamp, const std::function<ActionResult(int deviceIndex)>& work) {
    if (!stamp.holds()) {
        ActionResult refused;
        refused.fail(QString(), DeviceTie::refusal());
        return refused;
    }
    const auto onlyItsDevice = stamp.onlyThisDevice();
    return work(stamp.index());
}

}  // namespace clean
