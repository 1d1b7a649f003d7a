#include "backup/carve/CarveDatabase.h"

#include "model/PRRecordFields.h"
#include "platform/LogCategories.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <sys/stat.h>

namespace carve {

std::string CarveDatabase::existingFile(const std::string& folder, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        std::string path = folder + "/" + name;
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
    }
    return {};
}

bool CarveDatabase::open(const std::string& path, const CarveContext& context) {
    // The backup's own file, as it lies: its original header and every byte of its free pages.
    // It is only read, never folded or otherwise written.
    if (!file_.open(path)) return false;
    context_ = &context;
    writeAheadLog_ = checkSQliteVersion(file_, 18);
    layout_ = readPageLayout(file_);
    coverage_ = {};
    coverage_.file = path;
    coverage_.pages = layout_.pageCount;
    coverage_.partialBytes = layout_.pageSize > 0 ? file_.size() % layout_.pageSize : file_.size();
    readFreeList();
    return true;
}

void CarveDatabase::recordCoverage(int64_t examined, int64_t headerPages) {
    coverage_.examined = examined;
    coverage_.headerPages = headerPages;
    if (context_ && context_->coverage) context_->coverage(coverage_);
}

bool CarveDatabase::openIn(const std::string& folder, std::initializer_list<const char*> names,
                           const CarveContext& context, const char* missingLog) {
    if (folder.empty()) return false;
    const std::string path = existingFile(folder, names);
    if (path.empty()) {
        if (missingLog) context.writeLog(missingLog);
        return false;
    }
    return open(path, context);
}

namespace {
uint32_t bigEndian32(CarveFile& file, int64_t pos) {
    return static_cast<uint32_t>(readBigEndian(file.bytes(pos, 4), 0, 4));
}

}  // namespace

void CarveDatabase::readFreeList() {
    const int64_t n = layout_.pageCount;
    freePage_.assign(static_cast<size_t>(std::max<int64_t>(n, 0)), false);
    if (n <= 0) return;
    // Trunk pages name the free leaf pages; a trunk chain that loops or leaves the file ends.
    // Each trunk page is read whole, once.
    std::vector<uint8_t> page(static_cast<size_t>(layout_.pageSize));
    int64_t trunk = bigEndian32(file_, 32);
    for (int64_t visited = 0; trunk >= 1 && trunk <= n && visited < n; ++visited) {
        file_.copy((trunk - 1) * layout_.pageSize, page.size(), page.data());
        freePage_[static_cast<size_t>(trunk - 1)] = true;
        const int64_t leaves = std::min<int64_t>(readBigEndian(page.data(), 4, 4), (layout_.pageSize - 8) / 4);
        for (int64_t k = 0; k < leaves; ++k) {
            auto leaf = static_cast<int64_t>(readBigEndian(page.data(), 8 + 4 * k, 4));
            if (leaf >= 1 && leaf <= n) freePage_[static_cast<size_t>(leaf - 1)] = true;
        }
        trunk = static_cast<int64_t>(readBigEndian(page.data(), 0, 4));
    }
}

std::string textOf(const FieldValue& value) {
    std::string_view t = value.text();
    return GetStringFormChar(t.data(), t.size());
}

namespace {
std::string dateText(int64_t seconds, bool fileType) {
    auto text = dateTimeText(seconds, fileType);
    return text ? std::move(*text) : std::string();
}
}  // namespace

std::string dateTextOf32(const FieldValue& value, bool fileType) { return dateText(value.intNumber(), fileType); }

std::string dateTextOf64(const FieldValue& value, bool fileType) { return dateText(value.number(), fileType); }

size_t characterCount(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xc0) != 0x80) ++n;
    return n;
}

void postProgress(const CarveContext& context, int value) {
    context.nc->postNotificationName("ScanProgressInfo", NSNumber::numberWithInt(value));
}

ContactNames::ContactNames(const PRBackupScanState& state) : state_(state) {}

ContactNames::~ContactNames() = default;

std::string ContactNames::nameFor(const std::string& phone) {
    if (state_.contactArray.empty()) return {};  // nothing to find: spare the number's normalising
    if (!index_ || index_->contactCount() != state_.contactArray.size()) index_ = state_.contactNumbers();
    return copiedText(index_->nameOf(phone));
}

CarveContext::CarveContext(PRBackupScanState& scanState, NSNotificationCenter& center)
    : state(scanState), nc(&center), names_(std::make_shared<ContactNames>(scanState)) {}

void CarveContext::writeLog(const std::string& line) const {
    if (log)
        log(line);
    else
        qCInfo(lcCarve, "%s", line.c_str());
}

}  // namespace carve
