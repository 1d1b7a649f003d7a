#include "backup/carve/CarveDatabase.h"

#include "backup/BackupDate.h"
#include "backup/BackupNotices.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/DatabaseHeader.h"
#include "model/PRRecordFields.h"
#include "platform/FileOpen.h"
#include "platform/LogCategories.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <sys/stat.h>

namespace carve {

std::string CarveDatabase::existingFile(const std::string& folder, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        std::string path = folder + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return path;
    }
    return {};
}

bool CarveDatabase::open(const std::string& path, const CarveContext& context) {
    // The backup's own file, as it lies: its original header and every byte of its free pages.
    // It is only read, never folded or otherwise written.
    context_ = &context;
    if (!file_.open(path)) {
        context.writeLog(path + " " + files::openFailure(errno) + ": not carved");
        return false;
    }
    // A file changed after the backup's date (an Info.plist left from an earlier backup, a
    // backup added to since) may hold rows up to that change: the later of the two is taken, so
    // that no row the phone wrote is taken for other bytes.
    backupTime_ = context.backupTime;
    if (backupTime_ == 0) backupTime_ = backupdate::backupDate(paths::deletingLastPathComponent(path)).value_or(0);
    if (struct stat st; ::lstat(path.c_str(), &st) == 0) backupTime_ = std::max<int64_t>(backupTime_, st.st_mtime);
    layout_ = readPageLayout(file_);
    writeAheadLog_ = layout_.writeAheadLog;
    coverage_ = {};
    coverage_.file = path;
    coverage_.pages = layout_.pageCount;
    coverage_.partialBytes = layout_.pageSize > 0 ? file_.size() % layout_.pageSize : file_.size();
    images_ = PageImages(layout_.pageCount, {}, layout_.pageCount);
    readWriteAheadLog(path + "-wal");
    readHeader();
    readFreeList();
    if (context.progress) {
        context.progress->lookedThrough = 0;
        context.progress->images = imageCount();
    }
    return true;
}

void CarveDatabase::readWriteAheadLog(const std::string& path) {
    CarveFile log;
    if (!log.open(path)) {
        // No log is the usual case; one that cannot be read is said, and the file carved alone.
        if (errno != ENOENT) context_->writeLog(path + " " + files::openFailure(errno) + ": not carved");
        return;
    }
    WriteAheadLog frames = carve::readWriteAheadLog(log, layout_.pageSize);
    const auto taken = static_cast<int64_t>(frames.frames.size() + frames.earlier.size());
    coverage_.framesLeft = frames.framesInFile - taken;
    if (taken == 0) return;
    if (layout_.pageSize == 0) {
        // A file whose header never reached the disk: the log's page size is the database's.
        layout_.pageSize = frames.pageSize;
        layout_.pageCount = file_.size() / frames.pageSize;
        coverage_.pages = layout_.pageCount;
        coverage_.partialBytes = file_.size() % frames.pageSize;
    }
    std::vector<int64_t> offsets;
    for (const auto* list : {&frames.frames, &frames.earlier})
        for (const LogFrame& f : *list) offsets.push_back(f.offset);
    if (!file_.showPieces(log.duplicateDescriptor(), layout_.pageCount * layout_.pageSize, std::move(offsets),
                          layout_.pageSize))
        return;
    coverage_.frames = taken;
    coverage_.earlierFrames = static_cast<int64_t>(frames.earlier.size());
    // A log whose current run holds nothing leaves the database as the main file has it.
    const int64_t folded = frames.frames.empty() ? layout_.pageCount : frames.pagesAfterCommit;
    images_ = PageImages(layout_.pageCount, std::move(frames.frames), folded, std::move(frames.earlier));
}

int64_t CarveDatabase::latestTime() const { return latestPlausibleTime(backupTime_); }

void CarveDatabase::noteLayout(const std::string& note, bool problem) const {
    if (!context_) return;
    if (context_->layoutNote)
        context_->layoutNote(coverage_.file, note);
    else if (problem)
        qCInfo(lcCarve, "%s: %s", coverage_.file.c_str(), note.c_str());
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

constexpr int64_t kLockByte = 0x40000000;
}  // namespace

void CarveDatabase::readHeader() {
    // From the database as folded: the log's newest image of the first page when it holds one
    // (the file's own header may never have reached the disk).
    reservedBytes_ = 0;
    autoVacuum_ = false;
    const int64_t header = images_.currentImage(1);
    if (header < 0 || layout_.pageSize <= 0) return;
    const int64_t at = header * layout_.pageSize;
    reservedBytes_ = file_.byte(at + 20);
    autoVacuum_ = bigEndian32(file_, at + 52) != 0;
}

bool CarveDatabase::pointerMapPage(int64_t page) const {
    if (!autoVacuum_ || page < 2) return false;
    // Each map page names the usable size / 5 pages after it; the page holding the lock byte
    // (at 1 GiB), which is never used, is skipped over.
    const int64_t perMap = usableSize() / 5 + 1;
    int64_t map = (page - 2) / perMap * perMap + 2;
    if (map == kLockByte / layout_.pageSize + 1) ++map;
    return map == page;
}

void CarveDatabase::readFreeList() {
    const int64_t n = images_.foldedPages();
    const int64_t header = images_.currentImage(1);
    freePage_.assign(static_cast<size_t>(std::max<int64_t>(n, 0)), false);
    trunkPage_ = freePage_;
    freedWith_.clear();
    if (n <= 0 || header < 0 || layout_.pageSize <= 0) return;
    // Trunk pages name the free leaf pages; a trunk chain that loops (a trunk already met) or
    // leaves the file ends. Each trunk page is read whole, once.
    std::vector<uint8_t> page(static_cast<size_t>(layout_.pageSize));
    std::vector<bool>& trunks = trunkPage_;
    int64_t trunk = bigEndian32(file_, header * layout_.pageSize + 32);
    while (trunk >= 1 && trunk <= n && !trunks[static_cast<size_t>(trunk - 1)]) {
        trunks[static_cast<size_t>(trunk - 1)] = true;
        const int64_t image = images_.currentImage(trunk);
        if (image < 0) break;
        file_.copy(image * layout_.pageSize, page.size(), page.data());
        freePage_[static_cast<size_t>(trunk - 1)] = true;
        const int64_t leaves = std::min<int64_t>(readBigEndian(page.data(), 4, 4), (usableSize() - 8) / 4);
        int64_t before = 0;
        for (int64_t k = 0; k < leaves; ++k) {
            const auto leaf = static_cast<int64_t>(readBigEndian(page.data(), 8 + 4 * k, 4));
            if (leaf < 1 || leaf > n) {
                before = 0;
                continue;
            }
            freePage_[static_cast<size_t>(leaf - 1)] = true;
            if (before > 0) noteFreedWith(before, leaf);
            before = leaf;
        }
        trunk = static_cast<int64_t>(readBigEndian(page.data(), 0, 4));
    }
}

void CarveDatabase::noteFreedWith(int64_t before, int64_t leaf) {
    // A chain's pages are freed one after another, in the chain's order, each added after the
    // last leaf of the trunk: a leaf whose leaf before links on to it went with it. (A leaf
    // handed out since had its slot filled with the trunk's last one, which then follows another.)
    const int64_t image = images_.currentImage(before);
    if (image < 0 || layout_.pageSize <= 0 || bigEndian32(file_, image * layout_.pageSize) != leaf) return;
    if (freedWith_.empty()) freedWith_.assign(freePage_.size(), 0);
    freedWith_[static_cast<size_t>(leaf - 1)] = static_cast<uint32_t>(before);
}

size_t characterCount(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xc0) != 0x80) ++n;
    return n;
}

void postProgress(const CarveContext& context, int value) {
    notices::ScanProgressInfo.post(*context.nc, NSNumber::numberWithInt(value));
}

ContactNames::ContactNames(const PRBackupScanState& state) : state_(state) {}

ContactNames::~ContactNames() = default;

bool ContactNames::knowsNoContacts() const { return state_.contactArray.empty(); }

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
