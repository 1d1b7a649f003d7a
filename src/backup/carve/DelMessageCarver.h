// Rebuilds deleted text messages from the raw pages of a backup's message database, in each of
// its three layouts: the plain and write-ahead layouts of older systems, whose messages are
// posted as found, and the newer layout, whose messages are joined with their chat participants
// after the walk. Each message is posted as "ScanDelMessageInfo", then "ScanProgressInfo" with 80.
#pragma once

#include "backup/carve/CarveContext.h"

#include <cstdint>
#include <string>
#include <unordered_set>

namespace carve {

class CarveDatabase;
class FieldValue;

class DelMessageCarver {
public:
    explicit DelMessageCarver(CarveContext& context) : context_(context) {}

    void scanDelMessageThread(const std::string& backupFolder);

    // The direction texts of the older layouts' flags number and of the newer layout's number.
    static std::string flagsType(int flags);
    static std::string iOS6Type(int value);

private:
    void carvePlainPage(CarveDatabase& db, int64_t P);
    void carveWriteAheadPage(CarveDatabase& db, int64_t P);
    void carveIOS6Page(CarveDatabase& db, int64_t P, int code);
    void joinIOS6Messages();
    void post(const PRMessageNodePtr& message);

    CarveContext& context_;
    int64_t pageSize_ = 0;
    std::unordered_set<int> chatRowids_;
};

}  // namespace carve
