#include "backup/carve/CarveDatabase.h"

#include "model/PRRecordFields.h"

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

bool CarveDatabase::open(const std::string& path, const CarveContext&) {
    // The backup's own file, as it lies: its original header and every byte of its free pages.
    // It is only read, never folded or otherwise written.
    if (!file_.open(path)) return false;
    writeAheadLog_ = checkSQliteVersion(file_, 18);
    layout_ = readPageLayout(file_);
    usableSize_ = layout_.pageSize - file_.byte(20);
    readFreeList();
    return true;
}

int64_t CarveDatabase::enterPage(int64_t index, bool upwards) {
    int64_t start = index * layout_.pageSize;
    file_.focus(start - layout_.pageSize, start + 2 * layout_.pageSize, upwards);
    liveCells_.clear();
    if (index >= 1 && index < static_cast<int64_t>(freePage_.size()) && !freePage_[static_cast<size_t>(index)])
        readLiveCells(start);
    return start;
}

namespace {
uint32_t bigEndian32(CarveFile& file, int64_t pos) { return static_cast<uint32_t>(readBigEndian(file.bytes(pos, 4), 0, 4)); }

// A variable-length integer of the file format at pos, and its length in bytes.
std::pair<uint64_t, int> varint(CarveFile& file, int64_t pos) {
    const uint8_t* b = file.bytes(pos, 9);
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) {
        v = (v << 7) | (b[i] & 0x7f);
        if (!(b[i] & 0x80)) return {v, i + 1};
    }
    return {(v << 8) | b[8], 9};
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

void CarveDatabase::readLiveCells(int64_t P) {
    const uint8_t type = file_.byte(P);
    if (type != 0x0d && type != 0x0a) return;  // only leaves hold rows
    const bool table = type == 0x0d;
    const int64_t usable = usableSize_;
    const int64_t maxLocal = table ? usable - 35 : (usable - 12) * 64 / 255 - 23;
    const int64_t minLocal = (usable - 12) * 32 / 255 - 23;
    const int cells = static_cast<int>(readBigEndian(file_.bytes(P + 3, 2), 0, 2));
    for (int k = 0; k < cells && 8 + 2 * k + 2 <= layout_.pageSize; ++k) {
        const int64_t start = P + static_cast<int64_t>(readBigEndian(file_.bytes(P + 8 + 2 * k, 2), 0, 2));
        if (start <= P || start >= P + layout_.pageSize) continue;
        auto [payload, sizeBytes] = varint(file_, start);
        int64_t at = start + sizeBytes;
        if (table) at += varint(file_, at).second;  // the row id
        int64_t local = static_cast<int64_t>(std::min<uint64_t>(payload, static_cast<uint64_t>(usable)));
        if (static_cast<int64_t>(payload) > maxLocal) {
            local = minLocal + static_cast<int64_t>((payload - minLocal) % static_cast<uint64_t>(usable - 4));
            if (local > maxLocal) local = minLocal;
            local += 4;  // the first overflow page number
        }
        liveCells_.emplace_back(start, std::min(at + local, P + layout_.pageSize));
    }
    std::sort(liveCells_.begin(), liveCells_.end());
}

bool CarveDatabase::isLiveRow(int64_t pos) const {
    auto after = std::upper_bound(liveCells_.begin(), liveCells_.end(), std::make_pair(pos, INT64_MAX));
    return after != liveCells_.begin() && pos < std::prev(after)->second;
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

std::string dateTextOf32(const FieldValue& value, bool fileType) {
    return dateText(value.intNumber(), fileType);
}

std::string dateTextOf64(const FieldValue& value, bool fileType) {
    return dateText(value.number(), fileType);
}

size_t characterCount(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xc0) != 0x80) ++n;
    return n;
}

void postProgress(const CarveContext& context, int value) {
    context.nc->postNotificationName("ScanProgressInfo", NSNumber::numberWithInt(value));
}

CarveContext::CarveContext(PRBackupScanState& scanState, NSNotificationCenter& center)
    : state(scanState), nc(&center) {}

std::string CarveContext::nameFor(const std::string& phone) const {
    if (state.contactArray.empty()) return {};  // nothing to find: spare the number's normalising
    PROptionalText name = state.getNameByPhoneNumber(phone);
    return name ? *name : std::string();
}

void CarveContext::writeLog(const std::string& line) const {
    if (log)
        log(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace carve
