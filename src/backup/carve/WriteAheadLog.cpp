#include "backup/carve/WriteAheadLog.h"

#include "backup/carve/DatabaseHeader.h"

#include <cstring>

namespace carve {

namespace {
constexpr int64_t kHeader = 32;
constexpr int64_t kFrameHeader = 24;
constexpr uint32_t kMagic = 0x377f0682;  // the low bit says the checksums' words are big-endian

// The log's running checksum over words of data (a multiple of eight bytes), read in the byte
// order the header's magic names.
void addToChecksum(const uint8_t* data, size_t size, bool bigEndian, uint32_t sum[2]) {
    for (size_t i = 0; i + 8 <= size; i += 8) {
        uint32_t x0, x1;
        if (bigEndian) {
            x0 = static_cast<uint32_t>(readBigEndian(data, static_cast<int64_t>(i), 4));
            x1 = static_cast<uint32_t>(readBigEndian(data, static_cast<int64_t>(i) + 4, 4));
        } else {
            std::memcpy(&x0, data + i, 4);
            std::memcpy(&x1, data + i + 4, 4);
        }
        sum[0] += x0 + sum[1];
        sum[1] += x1 + sum[0];
    }
}

uint32_t word(const uint8_t* data, int64_t at) { return static_cast<uint32_t>(readBigEndian(data, at, 4)); }
}  // namespace

WriteAheadLog readWriteAheadLog(CarveFile& file, int64_t pageSize) {
    WriteAheadLog log;
    // The file's first byte reads as nothing (see CarveFile): it is taken to be the magic's.
    uint8_t header[kHeader];
    header[0] = kMagic >> 24;
    file.copy(1, sizeof header - 1, header + 1);
    if (file.size() < kHeader || (word(header, 0) & ~1u) != kMagic) return log;
    const bool bigEndian = word(header, 0) & 1;
    const int64_t size = word(header, 8);
    if (!validPageSize(size) || (pageSize > 0 && size != pageSize)) return log;
    uint32_t sum[2] = {0, 0};
    addToChecksum(header, 24, bigEndian, sum);
    if (sum[0] != word(header, 24) || sum[1] != word(header, 28)) return log;
    log.pageSize = size;
    const int64_t frameSize = kFrameHeader + size;
    log.framesInFile = (file.size() - kHeader) / frameSize;
    std::vector<uint8_t> frame(static_cast<size_t>(frameSize));
    auto readFrame = [&](int64_t k) {
        const int64_t at = kHeader + k * frameSize;
        file.focus(at, at + frameSize, /*upwards*/ true);
        file.copy(at, frame.size(), frame.data());
        return at;
    };
    std::vector<LogFrame> pending;  // the frames of the transaction not committed yet
    int64_t k = 0;
    for (; k < log.framesInFile; ++k) {
        const int64_t at = readFrame(k);
        // A frame of another run of the log (written before the log was last begun again), or
        // one whose checksum breaks the chain, ends what SQLite takes of the log.
        if (std::memcmp(frame.data() + 8, header + 16, 8) != 0) break;
        addToChecksum(frame.data(), 8, bigEndian, sum);
        addToChecksum(frame.data() + kFrameHeader, static_cast<size_t>(size), bigEndian, sum);
        if (sum[0] != word(frame.data(), 16) || sum[1] != word(frame.data(), 20)) break;
        const int64_t page = word(frame.data(), 0);
        if (page < 1) break;
        pending.push_back({page, at + kFrameHeader, 0});
        if (const int64_t pages = word(frame.data(), 4); pages > 0) {
            for (LogFrame& f : pending) f.commit = k;
            log.frames.insert(log.frames.end(), pending.begin(), pending.end());
            pending.clear();
            log.pagesAfterCommit = pages;
        }
    }
    // Past them, the frames of earlier runs. Each frame's checksum continues the one of the frame
    // before it in its run: where that frame is still there (the same salts) the chain is checked
    // from its stored checksum; the first frame left of a run lost its predecessor to a later run.
    // A run's frames after its last commit belong to a transaction that never committed.
    uint8_t salts[8] = {};   // of the frame before, when it was of an earlier run
    uint32_t chain[2] = {};  // its stored checksum
    bool before = false;
    size_t committed = 0;  // the earlier frames up to the last commit of their run
    for (; k < log.framesInFile; ++k) {
        const int64_t at = readFrame(k);
        const bool run = std::memcmp(frame.data() + 8, header + 16, 8) != 0;
        const bool sameRun = run && before && std::memcmp(frame.data() + 8, salts, 8) == 0;
        if (!sameRun) log.earlier.resize(committed);
        bool sound = run && word(frame.data(), 0) >= 1;
        if (sound && sameRun) {
            uint32_t check[2] = {chain[0], chain[1]};
            addToChecksum(frame.data(), 8, bigEndian, check);
            addToChecksum(frame.data() + kFrameHeader, static_cast<size_t>(size), bigEndian, check);
            sound = check[0] == word(frame.data(), 16) && check[1] == word(frame.data(), 20);
        }
        if (sound) {
            log.earlier.push_back({word(frame.data(), 0), at + kFrameHeader, 0});
            if (word(frame.data(), 4) > 0) committed = log.earlier.size();
        }
        before = run;
        std::memcpy(salts, frame.data() + 8, 8);
        chain[0] = word(frame.data(), 16);
        chain[1] = word(frame.data(), 20);
    }
    log.earlier.resize(committed);
    return log;
}

}  // namespace carve
