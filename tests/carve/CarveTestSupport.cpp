#include "CarveTestSupport.h"

namespace carvetest {

CarveTest::CarveTest() {
    context.log = [this](const std::string& line) { logLines.push_back(line); };
    for (const NoticeName* notice : notices::carvedRecords)
        notice->observe(nc, this, [this](const NSNotification& n) { posts_[n.name()].push_back(n.object()); });
    notices::ScanProgressInfo.observe(nc, this, [this](const NSNumberPtr& n) { progress_.push_back(n); });
}

CarveTest::~CarveTest() { nc.removeObserver(this); }

std::vector<int> CarveTest::progress() const {
    std::vector<int> values;
    for (const NSNumberPtr& number : progress_)
        if (number) values.push_back(number->intValue());
    return values;
}

}  // namespace carvetest
