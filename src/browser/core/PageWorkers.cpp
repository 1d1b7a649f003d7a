#include "browser/core/PageWorkers.h"

namespace browser {

PageWorkers::~PageWorkers() { cancelAndWait(); }

void PageWorkers::start(std::function<void(const std::atomic<bool>& cancelled)> job) {
    // A job queued before the cancel but reached after it is skipped.
    pool_.enqueue([&flag = pool_.cancelFlag(), job = std::move(job)] {
        if (!flag) job(flag);
    });
}

void PageWorkers::cancelAndWait() {
    pool_.cancel();
    pool_.waitTurningEvents();
}

}  // namespace browser
