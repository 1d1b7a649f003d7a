#include "CarveTestSupport.h"

namespace carvetest {

namespace {
const char* const kNames[] = {"ScanDelContactInfo",  "ScanDelMessageInfo",  "ScanDelNoteInfo", "ScanDelCallHistoryInfo",
                              "scanDelBookMarkInfo", "scanDelCalenderInfo", "ScanProgressInfo"};
}

CarveTest::CarveTest() {
    context.log = [this](const std::string& line) { logLines.push_back(line); };
    for (const char* name : kNames)
        nc.addObserver(this, name, [this, name](const NSNotification& n) { posts_[name].push_back(n.object()); });
}

CarveTest::~CarveTest() { nc.removeObserver(this); }

std::vector<int> CarveTest::progress() const {
    std::vector<int> values;
    auto it = posts_.find("ScanProgressInfo");
    if (it == posts_.end()) return values;
    for (const auto& object : it->second)
        if (auto number = std::dynamic_pointer_cast<NSNumber>(object)) values.push_back(number->intValue());
    return values;
}

}  // namespace carvetest
