// Shared by the carver tests: a backup folder per test, a context that collects what the
// carvers post, and look-ups over the collected records.
#pragma once

#include "backup/BackupNotices.h"
#include "backup/carve/CarveContext.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"

#include <QTemporaryDir>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace carvetest {

// A variable-length integer as SQLite writes it, in as few bytes as hold it.
inline std::vector<uint8_t> varint(uint64_t value) {
    std::vector<uint8_t> out = {static_cast<uint8_t>(value & 0x7f)};
    for (value >>= 7; value > 0; value >>= 7) out.insert(out.begin(), static_cast<uint8_t>(0x80 | (value & 0x7f)));
    return out;
}

class CarveTest : public ::testing::Test {
protected:
    CarveTest();
    ~CarveTest() override;

    std::string folder() const { return dir_.path().toStdString(); }
    std::string file(const char* name) const { return folder() + "/" + name; }

    // Records posted as notice, in posting order.
    template <class T>
    std::vector<std::shared_ptr<T>> posted(const Notice<T>& notice) const {
        std::vector<std::shared_ptr<T>> out;
        auto it = posts_.find(notice.name());
        if (it == posts_.end()) return out;
        for (const auto& object : it->second)
            if (auto record = std::dynamic_pointer_cast<T>(object)) out.push_back(record);
        return out;
    }
    std::vector<int> progress() const;
    std::vector<std::string> logLines;

    PRBackupScanState state;
    NSNotificationCenter nc;
    carve::CarveContext context{state, nc};

private:
    QTemporaryDir dir_;
    std::map<std::string, std::vector<NSObjectPtr>> posts_;
    std::vector<NSNumberPtr> progress_;
};

}  // namespace carvetest
