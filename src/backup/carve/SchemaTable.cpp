// The schema table's rows read from the page images of one state of the database (see
// readSchema in TableSchema.h).
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/TableSchema.h"
#include "backup/carve/Varint.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

namespace carve {

namespace {

constexpr uint8_t kTableLeaf = 0x0d, kTableInterior = 0x05;
constexpr int64_t kFirstPageHeader = 100;  // the file's header before the first page's tree header

// The header's text encodings.
enum class Encoding : uint8_t { utf8, utf16le, utf16be };

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3f));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

// A text of the database's encoding as UTF-8; a surrogate without its partner becomes U+FFFD, an
// odd last byte is dropped.
std::string utf8Of(const uint8_t* bytes, size_t length, Encoding encoding) {
    if (encoding == Encoding::utf8) return std::string(reinterpret_cast<const char*>(bytes), length);
    const bool little = encoding == Encoding::utf16le;
    auto unit = [&](size_t i) {
        return static_cast<uint32_t>(little ? bytes[i] | bytes[i + 1] << 8 : bytes[i] << 8 | bytes[i + 1]);
    };
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i + 1 < length; i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xd800 && c < 0xdc00 && i + 3 < length && unit(i + 2) >= 0xdc00 && unit(i + 2) < 0xe000) {
            c = 0x10000 + ((c - 0xd800) << 10) + (unit(i + 2) - 0xdc00);
            i += 2;
        } else if (c >= 0xd800 && c < 0xe000) {
            c = 0xfffd;
        }
        appendUtf8(out, c);
    }
    return out;
}

// One state of the database: its tree from page 1, each page the image that state holds.
class SchemaWalk {
public:
    // state: a state of the log (see PageImages::stateOf), or kFolded for the database as folded.
    static constexpr int64_t kFolded = -2;
    SchemaWalk(CarveDatabase& db, int64_t state)
        : db_(db),
          state_(state),
          pageSize_(db.pageSize()),
          usable_(db.usableSize()),
          page_(static_cast<size_t>(db.pageSize())) {}

    std::optional<std::vector<SchemaEntry>> read() {
        if (pageSize_ <= 0 || !readPage(1)) return std::nullopt;
        const auto encoding = static_cast<uint32_t>(readBigEndian(page_.data(), 56, 4));
        encoding_ = encoding == 2 ? Encoding::utf16le : encoding == 3 ? Encoding::utf16be : Encoding::utf8;
        // Depth first, each interior page's children in the order of their keys: the rows come
        // in the order of their ids.
        std::vector<int64_t> pending = {1};
        std::vector<SchemaEntry> entries;
        while (!pending.empty()) {
            const int64_t page = pending.back();
            pending.pop_back();
            if (!enter(page) || !readPage(page)) return std::nullopt;
            const int64_t header = page == 1 ? kFirstPageHeader : 0;
            const uint8_t type = page_[static_cast<size_t>(header)];
            if (type != kTableLeaf && type != kTableInterior) return std::nullopt;
            const int64_t pointers = header + (type == kTableLeaf ? 8 : 12);
            const auto cells = static_cast<int64_t>(readBigEndian(page_.data(), header + 3, 2));
            if (pointers + 2 * cells > usable_) return std::nullopt;
            if (type == kTableInterior) {
                pending.push_back(static_cast<int64_t>(readBigEndian(page_.data(), header + 8, 4)));
                for (int64_t k = cells; k-- > 0;) {
                    const auto at = static_cast<int64_t>(readBigEndian(page_.data(), pointers + 2 * k, 2));
                    if (at < pointers + 2 * cells || at + 4 > usable_) return std::nullopt;
                    pending.push_back(static_cast<int64_t>(readBigEndian(page_.data(), at, 4)));
                }
                continue;
            }
            // The cells' payloads first: reading an overflow chain takes the page's buffer.
            std::vector<std::string> payloads;
            for (int64_t k = 0; k < cells; ++k) {
                const auto at = static_cast<int64_t>(readBigEndian(page_.data(), pointers + 2 * k, 2));
                if (at < pointers + 2 * cells || at >= usable_ || !cellPayload(at, payloads)) return std::nullopt;
            }
            for (const std::string& payload : payloads)
                if (!entry(payload, entries)) return std::nullopt;
        }
        return entries;
    }

private:
    // The image of page in the state walked; -1 when the state has no such page.
    int64_t imageOf(int64_t page) const {
        return state_ == kFolded ? db_.images().currentImage(page) : db_.images().imageOf(page, state_);
    }

    // Takes page into the walk; false for a page met before (a tree or chain that loops or
    // shares a page), one the state does not hold, or a pointer-map page.
    bool enter(int64_t page) { return imageOf(page) >= 0 && !db_.pointerMapPage(page) && seen_.insert(page).second; }

    // The page's image into page_ (the file's header on the first page as it lies).
    bool readPage(int64_t page) {
        const int64_t image = imageOf(page);
        if (image < 0) return false;
        // The file reads nothing at its very first byte (the header's name of the format, no
        // part of the tree): the first page is taken from its second byte on.
        const int64_t at = image * pageSize_;
        page_[0] = 0;
        db_.file().copy(at == 0 ? 1 : at, page_.size() - (at == 0 ? 1 : 0), page_.data() + (at == 0 ? 1 : 0));
        return true;
    }

    // The payload of the leaf cell at page offset at, its overflow chain read; false when the
    // cell leaves the page or the chain breaks.
    bool cellPayload(int64_t at, std::vector<std::string>& payloads) {
        const uint8_t* p = page_.data() + at;
        const uint8_t* end = page_.data() + usable_;
        uint64_t length = 0, rowid = 0;
        const int a = varint(p, end, length);
        const int b = a ? varint(p + a, end, rowid) : 0;
        if (b == 0) return false;
        const int64_t maxLocal = usable_ - 35, minLocal = (usable_ - 12) * 32 / 255 - 23, perPage = usable_ - 4;
        int64_t local = static_cast<int64_t>(std::min<uint64_t>(length, static_cast<uint64_t>(maxLocal)));
        const bool overflows = length > static_cast<uint64_t>(maxLocal);
        if (overflows) {
            local = minLocal +
                    static_cast<int64_t>((length - static_cast<uint64_t>(minLocal)) % static_cast<uint64_t>(perPage));
            if (local > maxLocal) local = minLocal;
            // No more bytes than the database's pages can hold, before any room is taken.
            const uint64_t chain = (length - static_cast<uint64_t>(local) + static_cast<uint64_t>(perPage) - 1) /
                                   static_cast<uint64_t>(perPage);
            if (chain > static_cast<uint64_t>(db_.imageCount())) return false;
        }
        const int64_t from = at + a + b;
        if (from + local + (overflows ? 4 : 0) > usable_) return false;
        std::string payload(reinterpret_cast<const char*>(page_.data() + from), static_cast<size_t>(local));
        if (overflows) {
            std::vector<uint8_t> chunk(static_cast<size_t>(usable_));
            auto next = static_cast<int64_t>(readBigEndian(page_.data(), from + local, 4));
            while (payload.size() < length) {
                if (!enter(next)) return false;
                db_.file().copy(imageOf(next) * pageSize_, chunk.size(), chunk.data());
                const size_t take = std::min<size_t>(static_cast<size_t>(length) - payload.size(), chunk.size() - 4);
                payload.append(reinterpret_cast<const char*>(chunk.data() + 4), take);
                next = static_cast<int64_t>(readBigEndian(chunk.data(), 0, 4));
            }
        }
        payloads.push_back(std::move(payload));
        return true;
    }

    // A row of the schema table: type, name, table name, root page, statement. False for a
    // record whose values do not add up to its payload.
    bool entry(const std::string& payload, std::vector<SchemaEntry>& entries) const {
        const auto* d = reinterpret_cast<const uint8_t*>(payload.data());
        const uint8_t* end = d + payload.size();
        uint64_t headerLength = 0;
        const int h = varint(d, end, headerLength);
        if (h == 0 || headerLength < static_cast<uint64_t>(h) || headerLength > payload.size()) return false;
        std::vector<uint64_t> serials;
        for (const uint8_t* p = d + h; p < d + headerLength;) {
            uint64_t serial = 0;
            const int n = varint(p, d + headerLength, serial);
            if (n == 0 || serial == 10 || serial == 11) return false;
            serials.push_back(serial);
            p += n;
        }
        SchemaEntry e;
        std::string* texts[] = {&e.type, &e.name, &e.tableName, nullptr, &e.sql};
        uint64_t at = headerLength;
        for (size_t c = 0; c < serials.size(); ++c) {
            static constexpr uint64_t kFixed[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0};
            const uint64_t s = serials[c];
            const uint64_t length = s < 12 ? kFixed[s] : (s - 12) / 2;
            if (length > payload.size() - at) return false;
            if (c == 3 && s >= 1 && s <= 6) {
                uint64_t raw = readBigEndian(d + at, 0, static_cast<int>(length));
                const int bits = static_cast<int>(length) * 8;
                if (bits < 64 && (raw >> (bits - 1) & 1)) raw |= ~uint64_t{0} << bits;
                e.rootPage = static_cast<int64_t>(raw);
            } else if (c == 3 && s == 9) {
                e.rootPage = 1;
            } else if (c < 5 && c != 3 && s >= 13 && s % 2 == 1) {
                *texts[c] = utf8Of(d + at, static_cast<size_t>(length), encoding_);
            }
            at += length;
        }
        if (at != payload.size()) return false;
        entries.push_back(std::move(e));
        return true;
    }

    CarveDatabase& db_;
    const int64_t state_;
    const int64_t pageSize_;
    const int64_t usable_;
    std::vector<uint8_t> page_;
    Encoding encoding_ = Encoding::utf8;
    std::unordered_set<int64_t> seen_;  // pages of the tree and of the chains walked
};

}  // namespace

std::optional<std::vector<SchemaEntry>> readSchema(CarveDatabase& db) {
    if (db.pageSize() <= 0) return std::nullopt;
    if (auto entries = SchemaWalk(db, SchemaWalk::kFolded).read()) return entries;
    // The earlier states that wrote the first page, the newest first, then the main file alone.
    const PageImages& images = db.images();
    const int64_t folded = images.frames() - 1;
    int64_t tried = folded;
    for (int64_t image = images.filePages() + images.frames(); image-- > images.filePages();) {
        const int64_t state = images.stateOf(image);
        if (images.pageOf(image) != 1 || state == tried) continue;
        tried = state;
        if (auto entries = SchemaWalk(db, state).read()) return entries;
    }
    if (images.frames() == 0) return std::nullopt;  // the folded state was the main file's
    return SchemaWalk(db, PageImages::kFileAlone).read();
}

}  // namespace carve
