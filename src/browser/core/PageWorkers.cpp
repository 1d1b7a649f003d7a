#include "browser/core/PageWorkers.h"

#include "platform/Threads.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <thread>

namespace browser {

PageWorkers::~PageWorkers() { cancelAndWait(); }

void PageWorkers::start(std::function<void(const std::atomic<bool>& cancelled)> job) {
    pool_.enqueue([flag = cancelled_, job = std::move(job)] {
        if (!*flag) job(*flag);
    });
}

void PageWorkers::cancelAndWait() {
    *cancelled_ = true;
    const bool onMain = NSThread::isMainThread() && QCoreApplication::instance();
    while (pool_.pendingJobs() > 0) {
        if (onMain)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace browser
