#include "backup/carve/CarveRecords.h"

#include "backup/carve/BlockList.h"
#include "backup/carve/CarvedRowid.h"
#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/KeySet.h"
#include "backup/carve/KeyTable.h"
#include "backup/carve/PageFormat.h"
#include "backup/carve/SerialTypes.h"
#include "backup/carve/Varint.h"
#include "model/PRRecordFields.h"
#include "platform/WordHash.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <thread>
#include <utility>

namespace carve {

int64_t latestPlausibleTime(int64_t now) {
    constexpr int64_t k2030 = 1893456000, kYear = 365 * 86400;
    return std::max<int64_t>(k2030, now + kYear);
}

int64_t latestPlausibleTime() {
    static const int64_t latest = latestPlausibleTime(static_cast<int64_t>(std::time(nullptr)));
    return latest;
}

int64_t CarvedValue::asInteger() const {
    if (type == integerValue) return integer;
    if (type == realValue) return static_cast<int64_t>(real);
    return 0;
}

double CarvedValue::asReal() const {
    if (type == realValue) return real;
    if (type == integerValue) return static_cast<double>(integer);
    return 0;
}

std::string textOf(const CarvedValue& value) {
    return value.type == CarvedValue::text ? GetStringFormChar(value.bytes, value.length) : std::string();
}

std::string_view textView(const CarvedValue& value) {
    return value.type == CarvedValue::text ? GetStringViewFormChar(value.bytesView()) : std::string_view();
}

size_t TableShape::keptSlot(size_t column) const {
    const uint64_t before = column < 64 ? (uint64_t{1} << column) - 1 : ~uint64_t{0};
    return column - static_cast<size_t>(std::popcount(unstoredColumns & before));
}

bool lostPart(const CarvedRecord& row) {
    return std::any_of(row.values.begin(), row.values.end(), [](const CarvedValue& v) { return v.isLost(); });
}

std::span<const CarvedValue> alsoKeptValues(const CarvedRecord& row, const TableShape& shape) {
    if (row.values.size() < shape.alsoKept.size()) return {};
    return row.values.last(shape.alsoKept.size());
}

namespace {

// What the head of a freed cell keeps of its row id (see CarvedRecord): the cell held
// [payload length][row id] in the offset bytes before its record header, and the free-space chain
// wrote over the first four. The id's varint takes the bytes the payload length's leaves; those
// of them past the fourth are the id's last ones, each but the last with its high bit set. The
// block may start up to three bytes before the cell (a fragment it took in): the id's varint is
// then shorter, and the bytes past the fourth still end with its own or show no varint's end.
void keepRowidTail(const uint8_t* cell, int offset, uint64_t payloadLength, CarvedRecord& r) {
    const int lengthBytes = varintLength(payloadLength);
    const int idBytes = offset - lengthBytes;
    if (idBytes < 1 || idBytes > kSevenBitBytes) return;
    const int from = std::max(static_cast<int>(kFreeblockHeadSize), lengthBytes);
    uint32_t tail = 0;
    for (int i = from; i < offset; ++i) {
        if (((cell[i] & 0x80) != 0) != (i + 1 < offset)) return;  // no varint's end: another reading
        tail = tail << kVarintBits | (cell[i] & 0x7fu);
    }
    r.rowidLength = static_cast<uint8_t>(idBytes);
    r.rowidTailBits = static_cast<uint8_t>(kVarintBits * std::max(offset - from, 0));
    r.rowidTail = static_cast<uint16_t>(tail);
}

// Where the record header of a cell whose first four bytes a freeblock's head took may begin, in
// bytes from the cell's start, in the order tried: four to six bytes on it is whole (the cell's
// length and row id took those bytes), three bytes on its length was lost, two bytes on its
// first serial type too.
constexpr int kFreedHeaderOffsets[] = {4, 5, 6, 3, 2};
constexpr int kHeaderLengthLost = 3;
constexpr int kFirstSerialLost = 2;

class PageCarver {
    // The live rows' ids, signatures (of all values and of the kept ones) and unique values, per
    // shape: listed by each thread as it finds them (KeyList), then put together (KeyTable).
    template <class Keys>
    struct LiveKeys {
        explicit LiveKeys(size_t shapes)
            : rowids(shapes), values(shapes), kept(shapes), uniques(shapes), identities(shapes) {}
        std::vector<Keys> rowids, values, kept, uniques, identities;
        // A shape that keeps every column has its kept signatures among its signatures.
        const Keys& keptOf(size_t s, const TableShape& shape) const {
            return shape.wholeColumnCount() < shape.columns.size() ? kept[s] : values[s];
        }
        static constexpr std::vector<Keys> LiveKeys::*kinds[] = {&LiveKeys::rowids, &LiveKeys::values, &LiveKeys::kept,
                                                                 &LiveKeys::uniques, &LiveKeys::identities};
    };
    using LiveLists = LiveKeys<KeyList>;
    using LiveTables = LiveKeys<KeyTable>;

public:
    // Reads the pages of db through file: the database's own, or another reader of it.
    PageCarver(CarveDatabase& db, CarveFile& file, const std::vector<TableShape>& shapes)
        : db_(db),
          file_(&file),
          shapes_(shapes),
          pageSize_(db.pageSize()),
          usable_(db.usableSize()),
          page_(static_cast<size_t>(db.pageSize())) {
        maxLocal_ = maxLocalPayload(usable_);
        minLocal_ = minLocalPayload(usable_);
        overflowLeft_ = kOverflowReadsPerImage * db.imageCount() + kOverflowReadsAtLeast;
        tables_.resize(shapes.size());
        pageFound_.resize(shapes.size());
        deleted_.resize(shapes.size());
    }

    // Every page is read on its own, so a large file is split into pieces of pages read side by
    // side by threads, each through its own reader (the pieces, a few per thread, are taken in
    // turn, since some parts of a file take longer than others); the pieces' rows are then put
    // together in the file's order, so that the result is the one a single walk gives.
    std::vector<CarvedTable> run(int runs) {
        const int64_t pages = db_.imageCount();
        const int64_t threads = runs > 0
                                    ? std::clamp<int64_t>(runs, 1, std::max<int64_t>(pages, 1))
                                    : std::clamp<int64_t>(pages / kPagesPerPart, 1,
                                                          std::max<int64_t>(std::thread::hardware_concurrency(), 1));
        std::vector<std::unique_ptr<CarveFile>> ownReaders;
        std::vector<CarveFile*> readers = {&db_.file()};
        for (int64_t k = 1; k < threads; ++k) {
            auto reader = std::make_unique<CarveFile>();
            if (!reader->openSame(db_.file())) break;
            readers.push_back(reader.get());
            ownReaders.push_back(std::move(reader));
        }
        const int64_t pieces =
            readers.size() == 1 ? 1 : std::min<int64_t>(pages, 4 * static_cast<int64_t>(readers.size()));
        std::vector<std::unique_ptr<PageCarver>> others;
        std::vector<PageCarver*> all = {this};
        for (int64_t k = 1; k < pieces; ++k) {
            others.push_back(std::make_unique<PageCarver>(db_, db_.file(), shapes_));
            all.push_back(others.back().get());
        }
        // Each thread lists the keys of the live rows it finds.
        std::vector<LiveLists> found;
        for (size_t t = 0; t < readers.size(); ++t) found.emplace_back(shapes_.size());
        inParallel(all.size(), readers.size(), [&](size_t k, size_t thread) {
            all[k]->file_ = readers[thread];
            all[k]->live_ = &found[thread];
            all[k]->carvePages(pages * static_cast<int64_t>(k) / pieces, pages * static_cast<int64_t>(k + 1) / pieces);
        });
        file_ = &db_.file();
        for (PageCarver* carver : all) carver->live_ = nullptr;
        {
            // Their tables are not asked again: their room goes back before the rows are sorted.
            const LiveTables live = tablesOf(found, readers.size());
            inParallel(all.size(), readers.size(), [&](size_t k, size_t) { all[k]->markRepeats(live); });
        }
        gather(all, readers.size());
        int64_t examined = 0, headerPages = 0;
        for (const PageCarver* carver : all) {
            examined += carver->examined_;
            headerPages += carver->headerPages_;
        }
        db_.recordCoverage(examined, headerPages);
        return finish(all, readers.size());
    }

private:
    // Runs of fewer pages are not worth a thread of their own.
    static constexpr int64_t kPagesPerPart = 2048;
    // The overflow pages that the cells read from one part of the file may ask for, per page
    // image of the file: each overflow page of a sound file belongs to one row, read once or a
    // few times (a row and its stale copies). Crafted chains (each cell of a page naming the same
    // long chain) end there, so that the carve of any file takes time in proportion to its size.
    static constexpr int64_t kOverflowReadsPerImage = 2;
    static constexpr int64_t kOverflowReadsAtLeast = 4096;

    // Pages [from, to), upwards, each brought into the reader's window with its neighbours.
    void carvePages(int64_t from, int64_t to) {
        for (int64_t index = from; index < to; ++index) {
            const int64_t start = index * pageSize_;
            file_->focus(start - pageSize_, start + 2 * pageSize_, /*upwards*/ true);
            carvePage(index, start);
        }
    }

    // The threads' lists of each kind of key put together, one kind after another, each list
    // emptied as it is taken in: the keys are held twice over for one kind at most.
    LiveTables tablesOf(std::vector<LiveLists>& found, size_t threads) const {
        LiveTables tables(shapes_.size());
        for (size_t kind = 0; kind < std::size(LiveTables::kinds); ++kind)
            for (size_t s = 0; s < shapes_.size(); ++s) {
                std::vector<KeyList*> lists;
                for (LiveLists& thread : found) lists.push_back(&(thread.*LiveLists::kinds[kind])[s]);
                (tables.*LiveTables::kinds[kind])[s].build(lists, threads);
            }
        return tables;
    }

    // Marks the deleted rows that repeat a live row of their table found by any of the threads:
    // the same row id, the same values, or the same value where no two rows share one. A balance
    // that moves rows to another page leaves their old cells behind, to be written over in part
    // later: a row that lost its id repeats a live one whose kept values it has.
    void markRepeats(const LiveTables& live) {
        for (size_t s = 0; s < shapes_.size(); ++s)
            for (Found& f : deleted_[s])
                f.repeatsLive = live.values[s].contains(f.signature) ||
                                (f.unique && live.uniques[s].contains(f.unique)) ||
                                (f.identity && live.identities[s].contains(f.identity)) ||
                                ((!f.record.rowidKnown || f.tailLost) && live.keptOf(s, shapes_[s]).contains(f.kept)) ||
                                (f.record.rowidKnown && live.rowids[s].contains(static_cast<uint64_t>(f.record.rowid)));
    }

    // Moves the live rows the others found after this one's, in the order of all (this carver
    // first). The deleted rows wait in each carver's list for finish().
    void gather(const std::vector<PageCarver*>& all, size_t threads) {
        for (size_t s = 0; s < shapes_.size(); ++s) {
            gatherLive(all, threads, s, &CarvedTable::live);
            gatherLive(all, threads, s, &CarvedTable::liveKept);
            // The rows' values stay where they are, now kept by this carver's table, part after part.
            tables_[s].parts.assign(all.size(), {});
            tables_[s].parts[0].blockEnd = tables_[s].store.blocks();
            for (size_t k = 1; k < all.size(); ++k) {
                tables_[s].store.take(std::move(all[k]->tables_[s].store));
                tables_[s].parts[k].blockEnd = tables_[s].store.blocks();
            }
        }
    }

    // Moves one list of live rows of shape s that the others found after this one's.
    template <class Row>
    void gatherLive(const std::vector<PageCarver*>& all, size_t threads, size_t s, CarvedRows<Row> CarvedTable::*rows) {
        std::vector<size_t> liveAt = {0};
        for (const PageCarver* carver : all) liveAt.push_back(liveAt.back() + (carver->tables_[s].*rows).size());
        if (liveAt.back() == (tables_[s].*rows).size()) return;  // the others found none
        (tables_[s].*rows).resize(liveAt.back());
        inParallel(all.size(), threads, [&](size_t k, size_t) {
            if (k == 0) return;  // this carver's rows are in place
            CarvedRows<Row>& live = all[k]->tables_[s].*rows;
            std::move(live.begin(), live.end(), (tables_[s].*rows).begin() + static_cast<ptrdiff_t>(liveAt[k]));
            CarvedRows<Row>().swap(live);
        });
    }

    struct Found {
        CarvedRecord record;
        uint64_t signature = 0;  // of the values, row id aside (see values())
        uint64_t kept = 0;       // of the values of the columns every reading holds (see values())
        uint64_t unique = 0;     // of the shape's unique value, 0 when it has none (see values())
        uint64_t identity = 0;   // of the values of the shape's identity, 0 without (see values())
        bool live = false;
        // Read from a page's unallocated gap: bytes of an older state of the page, whose rows
        // are no neighbours of the cells there now.
        bool fromGap = false;
        bool repeatsLive = false;  // see markRepeats()
        bool tailLost = false;     // a row whose tail a later cell took (see scanGap)
        bool pageInOrder = false;  // see endPage()
        int64_t end = 0;           // where the cell's bytes on its page end, as record.position counts
    };
    using FoundList = BlockList<Found>;

    // The payload of a cell of payloadLength bytes whose local part starts at page offset at;
    // the bytes past the page come from the overflow chain, each page as the database stood
    // when the image read was written. False when the cell leaves the page or the chain breaks:
    // it leaves the database, comes back to a page it already passed, or reaches past what the
    // part of the file read may ask for (see kOverflowReadsPerImage).
    // A freed row's chain (freed: the row is read as one the database no longer holds there)
    // went to the free list when the row was deleted: a page of it that the database as folded
    // took again since holds another's bytes, and breaks the chain too.
    bool payload(int64_t at, uint64_t payloadLength, std::string& out, int64_t& localEnd, bool freed) {
        int64_t local = static_cast<int64_t>(payloadLength);
        const bool overflow = local > maxLocal_;
        if (overflow) {
            local = minLocal_ + static_cast<int64_t>((payloadLength - minLocal_) %
                                                     static_cast<uint64_t>(usable_ - kOverflowNextSize));
            if (local > maxLocal_) local = minLocal_;
        }
        localEnd = at + local + (overflow ? kOverflowPointerSize : 0);
        if (at < 0 || localEnd > usable_) return false;
        out.assign(reinterpret_cast<const char*>(page_.data() + at), static_cast<size_t>(local));
        if (!overflow) return true;
        const auto perPage = static_cast<uint64_t>(usable_ - kOverflowNextSize);
        const auto chainPages =
            static_cast<int64_t>((payloadLength - static_cast<uint64_t>(local) + perPage - 1) / perPage);
        if (chainPages > db_.imageCount()) return false;  // more pages than the database has
        int64_t next = static_cast<int64_t>(readBigEndian(page_.data(), at + local, kPageNumberSize));
        std::vector<uint8_t>& chunk = chunk_;
        chunk.resize(static_cast<size_t>(usable_));
        chain_.clear();
        while (out.size() < payloadLength) {
            const int64_t image = db_.images().imageOf(next, state_);
            if (image < 0 || overflowLeft_ <= 0 || passed(next)) return false;
            if (freed && image == db_.images().currentImage(next) && !db_.freeLeaf(next)) return false;
            --overflowLeft_;
            file_->copy(image * pageSize_, chunk.size(), chunk.data());
            const size_t take = std::min<size_t>(payloadLength - out.size(), chunk.size() - kOverflowNextSize);
            out.append(reinterpret_cast<const char*>(chunk.data() + kOverflowNextSize), take);
            next = static_cast<int64_t>(readBigEndian(chunk.data(), 0, kPageNumberSize));
        }
        // The last page of a chain names no next one. A page that does was taken since for
        // another row's chain, whose bytes it now holds.
        return next == 0;
    }

    // Whether the chain read (chain_) already passed page; enters it when not.
    bool passed(int64_t page) {
        constexpr size_t kListed = 32;  // a longer chain is looked up in a set
        if (chain_.size() < kListed) {
            if (std::find(chain_.begin(), chain_.end(), page) != chain_.end()) return true;
            chain_.push_back(page);
            if (chain_.size() == kListed) {
                chainSet_ = KeySet();
                for (int64_t p : chain_) chainSet_.insert(static_cast<uint64_t>(p));
            }
            return false;
        }
        return !chainSet_.insert(static_cast<uint64_t>(page));
    }

    // Checks the values of a record whose body starts at body inside data, and answers their
    // signatures: a hash of the values with the row id column aside (each value's type, length
    // and bytes, eight at a time), the same of the columns every reading of a row holds whole
    // (TableShape::wholeColumnCount), and that of the shape's unique value when it holds a text
    // there (0 otherwise). False when a value runs past the end or a text is not UTF-8. Bytes of
    // data from trusted on are no longer the row's (a newer cell was written over its tail): a
    // column reaching there is lost, taken as no value of the row; false when the row must hold
    // it whole. When lenient, and the last column kept is a text, the first column past those
    // kept whose bytes are no text starts the lost tail too. lost says whether a column was lost.
    struct Signatures {
        uint64_t all = 0, kept = 0, unique = 0, identity = 0;
        size_t keptEnd = 0;  // where the bytes of the kept columns the row holds end in data
        // Where the row's own bytes end in data: a cut found where a later column is no text
        // (see values()); the values past it are a later cell's and are lost.
        size_t ownEnd = SIZE_MAX;
    };
    // Whether text holds control bytes other than blanks: the heads of cells and freeblocks do,
    // no name does.
    static bool hasControlBytes(std::string_view text) {
        return std::any_of(text.begin(), text.end(), [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return (b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7f;
        });
    }
    // Whether the last column a shape keeps is a text: a cut found after it (where a later
    // column is no text) lies past a value whose every byte was checked, not inside a number,
    // which any bytes make.
    static bool endsOnText(const TableShape& shape) {
        return shape.keptColumns > 0 && shape.keptColumns < shape.columns.size() &&
               shape.columns[shape.keptColumns - 1].kind == ColumnKind::text;
    }
    static bool values(const TableShape& shape, const std::vector<uint64_t>& serials, const std::string& data,
                       size_t body, Signatures& out, size_t trusted = SIZE_MAX, bool lenient = false,
                       bool* lost = nullptr) {
        const int rowidAlias = shape.rowidAlias;
        out = {};
        struct Hash : WordHash {
            void value(const CarvedValue& v, const char* text) {
                if (v.type == CarvedValue::integerValue || v.type == CarvedValue::realValue) {
                    uint64_t bits;
                    std::memcpy(&bits, &v.integer, 8);
                    word(v.type);
                    word(bits);
                } else {
                    word(v.type | static_cast<uint64_t>(v.length) << 8);
                    mix(text, v.length);
                }
            }
        } all, identity;
        bool identityText = false;  // an identity of NULLs and numbers alone tells no row
        std::string_view lastKept;  // the bytes of the last column kept
        size_t at = body;
        for (size_t c = 0; c < serials.size(); ++c) {
            const uint64_t s = serials[c];
            const int64_t length = valueLength(s);
            if (at + static_cast<size_t>(length) > data.size()) return false;
            const char* text = data.data() + at;
            if (lenient && c >= shape.keptColumns && at < trusted && s >= kFirstTextSerial && s % 2 == 1 &&
                endsOnText(shape) && !keepsWholeText(text, static_cast<size_t>(length))) {
                // The cut may also lie inside that text where the bytes after it still read as
                // one: the heads of cells and freeblocks are control bytes, which no name holds.
                if (hasControlBytes(lastKept)) return false;
                trusted = out.ownEnd = at;
            }
            if (at + static_cast<size_t>(length) > trusted) {
                if (lost) *lost = true;
                if (c < shape.wholeColumnCount()) return false;
                if (c < 64 && (shape.identityColumns >> c & 1)) identity.word(~uint64_t{0});
                all.word(~uint64_t{0});
                at += static_cast<size_t>(length);
                continue;
            }
            const CarvedValue v = valueOf(s, reinterpret_cast<const uint8_t*>(text), length);
            if (v.type == CarvedValue::text && !keepsWholeText(text, v.length)) return false;
            if (static_cast<int>(c) == shape.uniqueColumn && v.type == CarvedValue::text && v.length > 0)
                out.unique = std::hash<std::string_view>()(std::string_view(text, v.length)) | 1;
            if (static_cast<int>(c) != rowidAlias) all.value(v, text);
            if (c < 64 && (shape.identityColumns >> c & 1)) {
                identity.value(v, text);
                identityText = identityText || (v.type == CarvedValue::text && v.length > 0);
            }
            at += static_cast<size_t>(length);
            if (c + 1 == std::min(serials.size(), shape.wholeColumnCount())) out.kept = all.h;
            if (c < shape.keptColumns) out.keptEnd = at;
            if (c + 1 == std::min(serials.size(), shape.keptColumns))
                lastKept = std::string_view(text, static_cast<size_t>(length));
        }
        if (identityText) out.identity = identity.h | 1;
        out.all = all.h;
        return true;
    }

    // Keeps the values values() found sound in the store of table s: those of the columns the
    // shape keeps (none for a live row of a shape that keeps only the others), then those of the
    // columns it also keeps (NULL past the row's columns), then the bytes of their texts and
    // blobs. A value that reaches past trusted is lost.
    std::span<const CarvedValue> keepValues(size_t s, const std::vector<uint64_t>& serials, const std::string& data,
                                            size_t body, size_t trusted = SIZE_MAX, bool alsoKeptOnly = false) {
        const TableShape& shape = shapes_[s];
        const size_t columns = alsoKeptOnly ? 0 : std::min(serials.size(), shape.keptColumns);
        const size_t stored = alsoKeptOnly ? 0 : shape.keptSlot(columns);
        const size_t count = stored + shape.alsoKept.size();
        // Per slot: the column whose value it keeps, and where that value starts in data (SIZE_MAX
        // for one left NULL, kLost for one lost).
        constexpr size_t kLost = SIZE_MAX - 1;
        std::vector<size_t>& from = keptAt_;
        std::vector<size_t>& columnOf = keptColumn_;
        from.assign(count, SIZE_MAX);
        columnOf.assign(count, 0);
        size_t bytesNeeded = 0;
        size_t at = body;
        for (size_t c = 0, next = 0, extra = 0; c < serials.size() && (c < columns || extra < shape.alsoKept.size());
             ++c) {
            const auto length = static_cast<size_t>(valueLength(serials[c]));
            size_t slot = SIZE_MAX;
            if (c < columns) {
                if (!shape.unstored(c)) slot = next++;
            } else if (extra < shape.alsoKept.size() && shape.alsoKept[extra] == c) {
                slot = stored + extra++;
            }
            if (slot != SIZE_MAX) {
                columnOf[slot] = c;
                if (at + length <= std::min(trusted, data.size())) {
                    from[slot] = at;
                    if (serials[c] >= kFirstBlobSerial) bytesNeeded += length;
                } else {
                    from[slot] = kLost;
                }
            }
            at += length;
        }
        char* kept = tables_[s].store.allocate(count * sizeof(CarvedValue) + bytesNeeded);
        auto* out = reinterpret_cast<CarvedValue*>(kept);
        char* bytes = kept + count * sizeof(CarvedValue);
        for (size_t slot = 0; slot < count; ++slot) {
            const size_t c = columnOf[slot];
            if (from[slot] >= kLost) {
                new (out + slot) CarvedValue();
                if (from[slot] == kLost) out[slot].type = CarvedValue::lost;
                continue;
            }
            const int64_t length = valueLength(serials[c]);
            CarvedValue& v = *new (out + slot) CarvedValue(
                valueOf(serials[c], reinterpret_cast<const uint8_t*>(data.data() + from[slot]), length));
            if (v.type == CarvedValue::text || v.type == CarvedValue::blob) {
                std::memcpy(bytes, data.data() + from[slot], v.length);
                v.bytes = bytes;
                bytes += v.length;
            }
        }
        return {out, count};
    }

    // What a reading of a cell is for: a deleted row, a live row (whose values are kept only for
    // the shapes that keep them), or a look at whether a cell starts there (nothing kept).
    enum class Reading : uint8_t { deleted, live, look };

    // A whole cell at page offset at that is a row of some shape; its end on the page. A live
    // cell of a shape whose live values are not kept gets only its signature.
    bool wholeCell(int64_t at, int64_t limit, Found& found, int64_t& end, size_t& shapeIndex,
                   Reading reading = Reading::deleted) {
        const uint8_t* p = page_.data() + at;
        const uint8_t* stop = page_.data() + limit;
        uint64_t payloadLength = 0, rowid = 0;
        const int a = varint(p, stop, payloadLength);
        if (a == 0 || payloadLength < kShortestHeader || payloadLength > kLargestPayload) return false;
        const int b = varint(p + a, stop, rowid);
        if (b == 0 || static_cast<int64_t>(rowid) <= 0) return false;
        // The cell must end on the page before its bytes are worth copying; most offsets of a
        // gap fail here. A row in a page's unallocated gap may run on into the cells at its foot,
        // written since, which took its tail: its columns before them are still its own.
        const bool overflows = static_cast<int64_t>(payloadLength) > maxLocal_;
        const int64_t cellEnd = at + a + b + static_cast<int64_t>(payloadLength);
        const bool tailMayBeLost = reading == Reading::deleted && tailMayBeLostAt(cellEnd, limit);
        const int64_t reach = tailMayBeLost && !overflows ? usable_ : limit;
        if (!overflows && cellEnd > reach) return false;
        const size_t trusted = !overflows && cellEnd > limit ? static_cast<size_t>(limit - (at + a + b)) : SIZE_MAX;
        if (trusted != SIZE_MAX) {
            // Its record header at least must lie before the cell that took its tail: looked at
            // before the payload is copied, as most offsets of a gap fail here.
            uint64_t headerLength = 0;
            if (varint(p + a + b, stop, headerLength) == 0 || headerLength < kShortestHeader || headerLength > trusted)
                return false;
        }
        // Scratch buffers kept across calls: this runs at every byte of every gap.
        std::string& data = cellData_;
        if (!payload(at + a + b, payloadLength, data, end, reading == Reading::deleted) || end > reach) return false;
        const auto* d = reinterpret_cast<const uint8_t*>(data.data());
        uint64_t headerLength = 0;
        const int h = varint(d, d + data.size(), headerLength);
        if (h == 0 || headerLength > std::min(data.size(), trusted)) return false;
        // A reading as a whole row of some shape first; only then, in a gap, one whose tail a
        // later cell took where a column past the kept ones is no text (see values()).
        for (size_t k = 0; k < 2 * shapes_.size(); ++k) {
            const size_t s = k % shapes_.size();
            const bool lenient = k >= shapes_.size();
            if (lenient && !tailMayBeLost) break;
            std::vector<uint64_t>& serials = cellSerials_;
            serials.clear();
            int used = 0;
            if (!serialTypes(shapes_[s], 0, d + h, d + headerLength, serials, used)) continue;
            if (static_cast<uint64_t>(h + used) != headerLength) continue;
            int64_t body = 0;
            for (uint64_t serial : serials) body += valueLength(serial);
            if (static_cast<uint64_t>(body) + headerLength != payloadLength) continue;
            Signatures signatures;
            bool lost = false;
            if (!values(shapes_[s], serials, data, headerLength, signatures, trusted, lenient, &lost)) continue;
            startFound(found, signatures, lost, at + a + b, end);
            if (reading == Reading::deleted || (reading == Reading::live && shapes_[s].live == LiveRows::values))
                found.record.values = keepValues(s, serials, data, headerLength, std::min(trusted, signatures.ownEnd));
            else if (reading == Reading::live && shapes_[s].live == LiveRows::alsoKept)
                found.record.values =
                    keepValues(s, serials, data, headerLength, std::min(trusted, signatures.ownEnd), true);
            found.record.rowid = static_cast<int64_t>(rowid);
            found.record.rowidKnown = true;
            shapeIndex = s;
            if (reading != Reading::look) {
                bodyAt_ = at + a + b + static_cast<int64_t>(headerLength);
                cellEnd_ = overflows ? end - kOverflowPointerSize : cellEnd;
            }
            return true;
        }
        return false;
    }

    // Whether a row read up to limit whose bytes end at end may have lost its tail to a later
    // cell: in a gap any row may; in a freeblock whose end a cell took, only the row that runs on
    // into that cell (see readPage).
    bool tailMayBeLostAt(int64_t end, int64_t limit) const {
        return tailMayBeLost_ && (!blockEndTaken_ || end > limit);
    }

    // The first cell of a freeblock, whose first four bytes the free-space chain overwrote.
    // The record header begins after the cell's length and row id: two bytes on (the header's
    // length and the first serial type are then lost; the first column is taken to be the row
    // id's NULL), three bytes on (its length lost), or four to six bytes on (whole).
    // lookalike: only the look of the four bytes at at says that a freeblock began there.
    bool damagedCell(int64_t at, int64_t limit, Found& found, int64_t& end, size_t& shapeIndex,
                     bool lookalike = false) {
        return damagedCellAt(at, limit, found, end, shapeIndex, 0, lookalike);
    }

    // depth 1 looks at whether such a cell starts at at, keeping nothing.
    bool damagedCellAt(int64_t at, int64_t limit, Found& found, int64_t& end, size_t& shapeIndex, int depth,
                       bool lookalike = false) {
        const uint8_t* base = page_.data();
        bool best = false;
        Found bestFound;
        int64_t bestEnd = 0;
        size_t bestShape = 0;
        size_t bestBodyAt = 0;
        int64_t bestBodyStart = 0, bestCellEnd = 0;
        size_t bestTrusted = SIZE_MAX;
        for (int offset : kFreedHeaderOffsets) {
            // In a gap, a row whose tail a later cell took (see wholeCell), its serial types whole.
            const bool tailMayBeLost = tailMayBeLost_ && depth == 0 && offset >= kHeaderLengthLost;
            for (size_t s = 0; s < shapes_.size(); ++s) {
                const TableShape& shape = shapes_[s];
                // Scratch of its own for the look at the next cell, which runs before this
                // reading's values are kept.
                std::vector<uint64_t>& serials = depth > 0 ? lookSerials_ : blockSerials_;
                serials.clear();
                size_t from = 0;
                int lengthBytes = 1;
                int64_t serialsAt = at + offset;
                if (offset == kFirstSerialLost) {
                    if (shape.rowidAlias != 0) continue;
                    serials.push_back(kNullSerial);
                    from = 1;
                    serialsAt = at + kFreeblockHeadSize;
                } else if (offset == kHeaderLengthLost) {
                    serialsAt = at + kFreeblockHeadSize;
                }
                uint64_t headerLength = 0;
                if (offset >= kFreeblockHeadSize) {
                    lengthBytes = varint(base + serialsAt, base + limit, headerLength);
                    if (lengthBytes == 0) continue;
                    serialsAt += lengthBytes;
                }
                int used = 0;
                if (serialsAt >= limit || !serialTypes(shape, from, base + serialsAt, base + limit, serials, used))
                    continue;
                const int64_t computed = lengthBytes + used + static_cast<int64_t>(from);
                if (offset >= kFreeblockHeadSize && static_cast<int64_t>(headerLength) != computed) continue;
                int64_t body = 0;
                for (uint64_t serial : serials) body += valueLength(serial);
                const uint64_t payloadLength = static_cast<uint64_t>(computed + body);
                // The bytes lost before the header held the cell's length and row id: two bytes
                // hold a length of one byte, three one of two bytes at most.
                if ((offset == kFirstSerialLost && payloadLength > kLargestOneByteVarint) ||
                    (offset == kHeaderLengthLost && payloadLength > kLargestTwoByteVarint))
                    continue;
                // A shape that needs a NULL for the row id must not meet data there.
                if (shape.rowidAlias >= 0 && serials[static_cast<size_t>(shape.rowidAlias)] != kNullSerial) continue;
                std::string& data = depth > 0 ? lookData_ : blockData_;
                const int64_t headerAt = at + offset;
                const bool overflows = static_cast<int64_t>(payloadLength) > maxLocal_;
                if (!payload(headerAt, payloadLength, data, end, depth == 0) ||
                    end > (tailMayBeLost && !overflows ? usable_ : limit))
                    continue;
                const size_t trusted = end > limit ? static_cast<size_t>(limit - headerAt) : SIZE_MAX;
                Signatures signatures;
                const auto bodyAt = static_cast<size_t>(computed);
                bool lost = false;
                const bool lenient = tailMayBeLost && tailMayBeLostAt(end, limit);
                if (!values(shape, serials, data, bodyAt, signatures, trusted, lenient, &lost)) continue;
                startFound(found, signatures, lost, headerAt, end);
                // The row's own bytes on the page (see freedHeadWithin).
                const int64_t bodyStart = headerAt + static_cast<int64_t>(bodyAt);
                const int64_t ownEnd =
                    overflows ? end - kOverflowPointerSize : headerAt + static_cast<int64_t>(payloadLength);
                // Where only the look of four bytes says a block began, no cell need begin there.
                if (!lookalike) keepRowidTail(base + at, offset, payloadLength, found.record);
                // A reading that ends where the block ends (or leaves too few bytes for a
                // freeblock: a fragment), or where a whole cell starts, is the cell's own;
                // another one is kept only while nothing better turns up.
                const bool fitsBlock = depth > 0 || end >= limit || end + kFreeblockHeadSize > limit;
                Found ignored;
                int64_t nextEnd = 0;
                size_t nextShape = 0;
                if (fitsBlock || wholeCell(end, limit, ignored, nextEnd, nextShape, Reading::look) ||
                    headOnlyCell(end, limit)) {
                    if (depth == 0) {
                        found.record.values =
                            keepValues(s, serials, data, bodyAt, std::min(trusted, signatures.ownEnd));
                        bodyAt_ = bodyStart;
                        cellEnd_ = ownEnd;
                    }
                    shapeIndex = s;
                    return true;
                }
                // The weakest reading (the header's length and first serial type lost) behind a
                // lookalike head must end where a cell or the block ends: on its own it is as
                // often a stretch of another record's header.
                if (!best && !(lookalike && offset == kFirstSerialLost)) {
                    best = true;
                    bestFound = found;
                    bestEnd = end;
                    bestShape = s;
                    bestBodyAt = bodyAt;
                    bestBodyStart = bodyStart;
                    bestCellEnd = ownEnd;
                    bestTrusted = std::min(trusted, signatures.ownEnd);
                    bestData_ = data;
                    bestSerials_ = serials;
                }
            }
        }
        if (!best) return false;
        // Nor is it the cell's own where a cell written over it later (whole, or freed in turn)
        // begins inside it and runs on past its end: its last bytes are that cell's, and that
        // cell is read instead.
        if (depth == 0 && laterCellWithin(bestBodyStart, bestEnd, limit)) return false;
        found = bestFound;
        // A reading kept for want of a better one may have its header elsewhere: the bytes
        // before it tell nothing of the row id.
        found.record.rowidLength = found.record.rowidTailBits = 0;
        found.record.rowidTail = 0;
        found.record.values = keepValues(bestShape, bestSerials_, bestData_, bestBodyAt, bestTrusted);
        end = bestEnd;
        shapeIndex = bestShape;
        if (depth == 0) {
            bodyAt_ = bestBodyStart;
            cellEnd_ = bestCellEnd;
        }
        return true;
    }

    // A reading's row, begun afresh with its signatures. A row whose tail was taken ends, on the
    // page, where its kept columns do (payloadAt: where its payload starts on the page).
    static void startFound(Found& found, const Signatures& signatures, bool lost, int64_t payloadAt, int64_t& end) {
        found.record = {};
        found.tailLost = lost;
        if (lost) end = payloadAt + static_cast<int64_t>(signatures.keptEnd);
        found.signature = signatures.all;
        found.kept = signatures.kept;
        found.unique = signatures.unique;
        found.identity = signatures.identity;
    }

    // Whether a cell whose head a freeblock overwrote starts at at (the next cell of a block):
    // its first four bytes look like a block's, and a row follows.
    bool headOnlyCell(int64_t at, int64_t limit) {
        if (!looksLikeFreeblockHead(at, limit)) return false;
        Found found;
        int64_t end = 0;
        size_t shape = 0;
        return damagedCellAt(at, limit, found, end, shape, /*depth*/ 1);
    }

    // The fewest bytes a freeblock is taken to cover where only the look of its head says one
    // began: its own four bytes and the first four of a small cell.
    static constexpr int64_t kSmallestBlockLooked = 8;

    // Four bytes a freeblock once wrote over a cell's head: the next block's offset (0, or
    // further on the page) and a size that covers at least a small cell and stays on the page.
    // Cells deleted one after another keep them even when their page went to the free list.
    bool looksLikeFreeblockHead(int64_t at, int64_t limit) const {
        if (at + kSmallestBlockLooked > limit) return false;
        const int64_t next = static_cast<int64_t>(readBigEndian(page_.data(), at + kFreeblockNextAt, kOffsetSize));
        const int64_t size = static_cast<int64_t>(readBigEndian(page_.data(), at + kFreeblockSizeAt, kOffsetSize));
        return (next == 0 || (next > at && next < usable_)) && size >= kSmallestBlockLooked && size <= usable_;
    }

    void keep(Found found, size_t shape, int64_t index, int64_t pageStart, int64_t at, int64_t end) {
        found.record.page = index;
        found.record.position = pageStart + at;
        found.end = pageStart + end;
        found.fromGap = inGap_;
        pageFound_[shape].push_back(std::move(found));
    }

    // A freed page is looked through past its first eight bytes: a leaf page's header, or a
    // free-list trunk page's next trunk and count of leaves.
    static constexpr int64_t kFreedPageFrom = 8;
    static constexpr int64_t kLongestHead = 6;  // a freeblock's four bytes and the header's length

    // Cells anywhere in [from, to): the unallocated gap, the rest of a freeblock, a freed page.
    // Whole cells, and cells whose head a freeblock overwrote; a cell found is stepped over.
    void scan(int64_t index, int64_t pageStart, int64_t from, int64_t to) {
        for (int64_t at = std::max<int64_t>(from, 0); at + kSmallestCell <= to;) {
            Found found;
            int64_t end = 0;
            size_t shape = 0;
            auto cellAt = [&](int64_t limit) {
                return wholeCell(at, limit, found, end, shape) ||
                       (looksLikeFreeblockHead(at, limit) &&
                        damagedCell(at, limit, found, end, shape, /*lookalike*/ true));
            };
            bool cell = cellAt(to);
            // A row an older state of the page left in its gap may have lost its tail to a cell
            // written over it later and freed in turn: that row is its own only up to there.
            if (cell && inGap_)
                if (const int64_t cut = freedHeadWithin(bodyAt_, std::min(cellEnd_, to), to); cut > 0)
                    cell = cellAt(cut);
            if (cell) {
                // A row without its head and tail read a few bytes before a row with its head
                // whole is that row read from the wrong place.
                if (found.tailLost && !found.record.rowidKnown)
                    for (int64_t k = 1; k <= kLongestHead; ++k) {
                        Found whole;
                        int64_t wholeEnd = 0;
                        size_t wholeShape = 0;
                        if (wholeCell(at + k, to, whole, wholeEnd, wholeShape)) {
                            found = std::move(whole);
                            end = wholeEnd;
                            shape = wholeShape;
                            at += k;
                            break;
                        }
                    }
                found.live = false;
                keep(std::move(found), shape, index, pageStart, at, end);
                at = end;
            } else {
                ++at;
            }
        }
    }

    // Whether a cell that runs on past end, whole or with its head overwritten by a freeblock's,
    // begins in (from, end), a row's body.
    bool laterCellWithin(int64_t from, int64_t end, int64_t limit) {
        Found ignored;
        int64_t cellEnd = 0;
        size_t shape = 0;
        for (int64_t k = from + 1; k < end; ++k)
            if ((wholeCell(k, limit, ignored, cellEnd, shape, Reading::look) ||
                 (looksLikeFreeblockHead(k, limit) && damagedCellAt(k, limit, ignored, cellEnd, shape, /*depth*/ 1))) &&
                cellEnd > end)
                return true;
        return false;
    }

    // Where in [from, end), a row's body, a cell whose head a freeblock overwrote begins, its four
    // bytes all inside: 0 for nowhere. Not looked for in the row's header, whose serial types can
    // look like a block's head, nor across its end, where the next cell's length and id can.
    int64_t freedHeadWithin(int64_t from, int64_t end, int64_t limit) {
        for (int64_t k = from; k + kFreeblockHeadSize <= end; ++k)
            if (headOnlyCell(k, limit)) return k;
        return 0;
    }

    // A page's unallocated gap keeps rows of older states of the page; cells written since (those
    // at its foot, and older ones a later state wrote over the gap) took the tails of some.
    void scanGap(int64_t index, int64_t pageStart, int64_t from, int64_t to) {
        gapEnd_ = pageStart + to;
        inGap_ = tailMayBeLost_ = true;
        scan(index, pageStart, from, to);
        inGap_ = tailMayBeLost_ = false;
    }

    // The unallocated gap of an interior or index page. A table's root page that filled up moved
    // its rows to a new child and became an interior page with a few short cells: the rows it
    // held stay below its cell pointers. A freed leaf taken again for an index keeps its old
    // rows there the same way.
    void scanOtherPageGap(int64_t index, int64_t pageStart, uint8_t type) {
        if (type != kIndexInteriorPage && type != kTableInteriorPage && type != kIndexLeafPage) return;
        const int64_t pointers = pageHeaderSize(type);
        const int64_t cells = static_cast<int64_t>(readBigEndian(page_.data(), kCellCountAt, kOffsetSize));
        int64_t contentStart = static_cast<int64_t>(readBigEndian(page_.data(), kContentStartAt, kOffsetSize));
        if (contentStart == 0) contentStart = kContentStartOfZero;
        if (pointers + kCellPointerSize * cells >= std::min(contentStart, usable_)) return;
        scanGap(index, pageStart, pointers + kCellPointerSize * cells, std::min(contentStart, usable_));
    }

    // A table's interior page in the tree: its children by index, each with the largest row id
    // it may hold (the right-most child with none of its own).
    struct Interior {
        int64_t page = 0;
        std::vector<std::pair<int64_t, int64_t>> children;  // (child index, key)
        int64_t rightMost = -1;
    };

    // The children are named by their pages; the tree is the folded database's, so each is
    // taken as that database's image of its page.
    void readInterior(int64_t index) {
        const int64_t cells = static_cast<int64_t>(readBigEndian(page_.data(), kCellCountAt, kOffsetSize));
        const int64_t pointersEnd = kInteriorHeaderSize + kCellPointerSize * cells;
        if (pointersEnd > usable_) return;
        const PageImages& images = db_.images();
        Interior interior;
        interior.page = index;
        for (int64_t k = 0; k < cells; ++k) {
            const int64_t at = static_cast<int64_t>(
                readBigEndian(page_.data(), kInteriorHeaderSize + kCellPointerSize * k, kOffsetSize));
            uint64_t key = 0;
            if (at < pointersEnd || at + kChildKeyAt >= usable_ ||
                varint(page_.data() + at + kChildKeyAt, page_.data() + usable_, key) == 0)
                return;
            interior.children.emplace_back(
                images.currentImage(static_cast<int64_t>(readBigEndian(page_.data(), at, kPageNumberSize))),
                static_cast<int64_t>(key));
        }
        interior.rightMost =
            images.currentImage(static_cast<int64_t>(readBigEndian(page_.data(), kRightMostChildAt, kPageNumberSize)));
        interiors_.push_back(std::move(interior));
    }

    // The row ids each leaf of a table's tree may hold, (low, high]: above the key its parent
    // keeps before it, and below the lowest live row of the leaf after it in the tree. (The key
    // a parent keeps for the leaf itself is the largest row id the leaf held when the tree was
    // last balanced, and rows deleted from its end before then lie above it.) Pages no live
    // interior page names (freed ones, a table that is a single leaf) have none.
    struct Bounds {
        int64_t low = 0, high = INT64_MAX;
        bool known = false;
    };
    std::vector<Bounds> treeBounds(const std::vector<PageCarver*>& all) const {
        std::vector<Bounds> bounds(static_cast<size_t>(std::max<int64_t>(db_.imageCount(), 0)));
        std::vector<const Interior*> byPage(bounds.size(), nullptr);
        std::vector<bool> named(bounds.size(), false);
        std::vector<int64_t> lowestLive(bounds.size(), INT64_MAX);
        auto valid = [&](int64_t page) { return page >= 0 && page < static_cast<int64_t>(bounds.size()); };
        for (const PageCarver* carver : all) {
            for (const Interior& interior : carver->interiors_) {
                byPage[static_cast<size_t>(interior.page)] = &interior;
                for (const auto& [child, key] : interior.children)
                    if (valid(child)) named[static_cast<size_t>(child)] = true;
                if (valid(interior.rightMost)) named[static_cast<size_t>(interior.rightMost)] = true;
            }
            for (const auto& [page, rowid] : carver->lowestLive_) lowestLive[static_cast<size_t>(page)] = rowid;
        }
        // Each tree from its root, its leaves in the order of their keys; a page met twice (named
        // by a stale interior page) keeps what it got first.
        std::vector<bool> seen(bounds.size(), false);
        for (size_t root = 0; root < byPage.size(); ++root) {
            if (!byPage[root] || named[root]) continue;
            std::vector<int64_t> leaves;
            std::vector<std::pair<int64_t, int64_t>> pending = {{static_cast<int64_t>(root), 0}};  // (page, low)
            while (!pending.empty()) {
                const auto [page, low] = pending.back();
                pending.pop_back();
                if (seen[static_cast<size_t>(page)]) continue;
                seen[static_cast<size_t>(page)] = true;
                const Interior* interior = byPage[static_cast<size_t>(page)];
                if (!interior) {
                    bounds[static_cast<size_t>(page)] = {low, INT64_MAX, true};
                    leaves.push_back(page);
                    continue;
                }
                // Children go on the stack last first, so that they come off in key order.
                std::vector<std::pair<int64_t, int64_t>> children;
                int64_t before = low;
                for (const auto& [child, key] : interior->children) {
                    if (valid(child) && key > before) children.emplace_back(child, before);
                    before = std::max(before, key);
                }
                if (valid(interior->rightMost)) children.emplace_back(interior->rightMost, before);
                pending.insert(pending.end(), children.rbegin(), children.rend());
            }
            int64_t next = INT64_MAX;  // the lowest live row id of the leaves after this one
            for (auto leaf = leaves.rbegin(); leaf != leaves.rend(); ++leaf) {
                Bounds& b = bounds[static_cast<size_t>(*leaf)];
                if (next != INT64_MAX) b.high = next - 1;
                next = std::min(next, lowestLive[static_cast<size_t>(*leaf)]);
            }
        }
        return bounds;
    }

    void carvePage(int64_t index, int64_t pageStart) {
        // The header page: the file's header and the table definitions.
        db_.pageLookedThrough();
        if (db_.images().pageOf(index) == kHeaderPage) {
            ++headerPages_;
            return;
        }
        ++examined_;
        // A pointer-map page holds five-byte entries, whose type bytes read as a page's kind.
        if (db_.pointerMapPage(db_.images().pageOf(index))) return;
        state_ = db_.images().stateOf(index);
        readPage(index, pageStart);
        for (size_t s = 0; s < shapes_.size(); ++s) endPage(s);
    }

    void readPage(int64_t index, int64_t pageStart) {
        gapEnd_ = -1;
        file_->copy(pageStart, page_.size(), page_.data());
        // A page on the free list, or an older image of a page: every row on it is gone from
        // the database as folded (unless it holds it elsewhere: see markRepeats).
        const bool freed = db_.rowsGone(index);
        const int64_t headerAt = 0;
        const uint8_t type = page_[static_cast<size_t>(headerAt)];
        if (type != kTableLeafPage) {
            // A freed page that held no table rows may still hold some from before.
            if (freed) {
                scan(index, pageStart, kFreedPageFrom, usable_);
                return;
            }
            if (type == kTableInteriorPage) readInterior(index);
            scanOtherPageGap(index, pageStart, type);
            return;
        }
        const int64_t cells = static_cast<int64_t>(readBigEndian(page_.data(), headerAt + kCellCountAt, kOffsetSize));
        int64_t contentStart =
            static_cast<int64_t>(readBigEndian(page_.data(), headerAt + kContentStartAt, kOffsetSize));
        if (contentStart == 0) contentStart = kContentStartOfZero;
        const int64_t pointers = headerAt + kLeafHeaderSize;
        const int64_t pointersEnd = pointers + kCellPointerSize * cells;
        if (pointersEnd > usable_) {
            if (freed) scan(index, pageStart, kFreedPageFrom, usable_);
            return;
        }
        std::vector<int64_t>& cellStarts = cellStarts_;
        cellStarts.clear();
        for (int64_t k = 0; k < cells; ++k) {
            const int64_t at =
                static_cast<int64_t>(readBigEndian(page_.data(), pointers + kCellPointerSize * k, kOffsetSize));
            cellStarts.push_back(at);
            Found found;
            int64_t end = 0;
            size_t shape = 0;
            if (at < pointersEnd || at >= usable_ ||
                !wholeCell(at, usable_, found, end, shape, freed ? Reading::deleted : Reading::live))
                continue;
            found.live = !freed;
            keep(std::move(found), shape, index, pageStart, at, end);
        }
        // Freeblocks: the first cell has lost its head, the rest of the block holds whole cells.
        int64_t block = static_cast<int64_t>(readBigEndian(page_.data(), headerAt + kFirstFreeblockAt, kOffsetSize));
        while (block >= pointersEnd && block + kFreeblockHeadSize <= usable_) {
            const int64_t size =
                static_cast<int64_t>(readBigEndian(page_.data(), block + kFreeblockSizeAt, kOffsetSize));
            const int64_t blockEnd = std::min(usable_, block + std::max<int64_t>(size, kFreeblockHeadSize));
            // A cell written into a freeblock takes the block's end, and the block keeps the
            // rest: where a cell begins right at the block's end, the block's row that runs on
            // into it lost its tail to it (the block's other rows are whole).
            tailMayBeLost_ = blockEndTaken_ =
                std::find(cellStarts.begin(), cellStarts.end(), blockEnd) != cellStarts.end();
            // Freeblocks that met were joined into one, and each cell that had been a freeblock of
            // its own keeps the chain's four bytes over its head: so every cell of the block may
            // have lost its head.
            int64_t rest = block;
            for (;;) {
                Found found;
                int64_t end = 0;
                size_t shape = 0;
                if (rest + kFreeblockHeadSize > blockEnd || !damagedCell(rest, blockEnd, found, end, shape)) break;
                found.live = false;
                keep(std::move(found), shape, index, pageStart, rest, end);
                rest = end;
            }
            scan(index, pageStart, rest == block ? block + kFreeblockHeadSize : rest, blockEnd);
            tailMayBeLost_ = blockEndTaken_ = false;
            // The blocks lie in the order of their places, none over another: a block that
            // starts before this one ends (a list that loops or overlaps) ends the list.
            const int64_t next =
                static_cast<int64_t>(readBigEndian(page_.data(), block + kFreeblockNextAt, kOffsetSize));
            if (next < blockEnd) break;
            block = next;
        }
        // The gap between the cell pointers and the cells keeps whatever was there before.
        scanGap(index, pageStart, pointersEnd, std::min(contentStart, usable_));
    }

    // The page's rows of one shape in the order of their cells' positions, each with the row ids
    // of the nearest whole rows around it: rows inserted one after another sit below one another,
    // the newest lowest. The live ones are answered and remembered at once; the deleted ones wait
    // for finish(), which needs every live row of the file.
    void endPage(size_t s) {
        std::vector<Found>& page = pageFound_[s];
        if (page.empty()) return;
        // Indexes, not rows, are sorted: a page holds a few dozen rows, a file millions.
        std::vector<uint32_t>& order = order_;
        order.resize(page.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return page[a].record.position > page[b].record.position; });
        // Rows written one after another lie lower on the page the later they came, so their ids
        // fall as their places rise: there a row that lost its id lies between the rows around
        // it, whether they are cells, freed cells or rows freed into the unallocated gap. A page
        // whose ids do not keep that order took rows into room freed before (or was freed and
        // taken again): its rows are bounded by nothing there.
        // Of the rows in the unallocated gap, only those that fill it from the cells up, one
        // after another, were freed from the top of the cells as they are now (SQLite gives the
        // gap what it frees there); the others are what an older state of the page left, rows
        // that a balance moved away, and neither lie in the order nor bound anything.
        std::vector<uint32_t>& ordered = ordered_;
        ordered.clear();
        int64_t reach = gapEnd_;
        for (uint32_t i : order) {
            Found& f = page[i];
            if (f.fromGap && f.end != reach) {
                f.pageInOrder = false;
                f.record.rowidBefore = f.record.rowidAfter = 0;
                continue;
            }
            if (f.fromGap) reach = f.record.position;
            ordered.push_back(i);
        }
        bool inOrder = true;
        int64_t last = 0;
        for (uint32_t i : ordered) {
            if (!page[i].record.rowidKnown) continue;
            inOrder = inOrder && page[i].record.rowid > last;
            last = page[i].record.rowid;
        }
        if (inOrder)
            boundByNeighbours(page, ordered);
        else
            boundByLocalOrder(page, order);
        for (Found& f : page) dropEmptyBounds(f);
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return page[a].record.position < page[b].record.position; });
        int64_t lowestLive = INT64_MAX;
        for (uint32_t i : order) {
            Found& f = page[i];
            if (f.live) {
                lowestLive = std::min(lowestLive, f.record.rowid);
                live_->rowids[s].push(static_cast<uint64_t>(f.record.rowid));
                live_->values[s].push(f.signature);
                if (shapes_[s].wholeColumnCount() < shapes_[s].columns.size()) live_->kept[s].push(f.kept);
                if (f.unique) live_->uniques[s].push(f.unique);
                if (f.identity) live_->identities[s].push(f.identity);
                if (shapes_[s].live == LiveRows::alsoKept)
                    tables_[s].liveKept.push_back({f.record.rowid, f.record.values});
                else if (shapes_[s].live != LiveRows::none)
                    tables_[s].live.push_back(std::move(f.record));
            } else {
                deleted_[s].push_back(std::move(f));
            }
        }
        if (lowestLive != INT64_MAX) lowestLive_.emplace_back(page.front().record.page, lowestLive);
        page.clear();
    }

    // Each row of an in-order page (order: by place, highest first) is bounded by the nearest
    // rows around it whose ids were read.
    static void boundByNeighbours(std::vector<Found>& page, const std::vector<uint32_t>& order) {
        int64_t known = 0;
        for (uint32_t i : order) {
            page[i].pageInOrder = true;
            page[i].record.rowidBefore = known;
            if (page[i].record.rowidKnown) known = page[i].record.rowid;
        }
        known = 0;
        for (auto i = order.rbegin(); i != order.rend(); ++i) {
            page[*i].record.rowidAfter = known;
            if (page[*i].record.rowidKnown) known = page[*i].record.rowid;
        }
    }

    // A page that took rows into room freed before keeps the order rows are written in only in
    // stretches: rows written into the gap lie one below the other, each cell ending where the
    // one before it starts, while a row written into a freed cell lands among older ones and
    // (being no longer than the room it took) leaves some of it free. So rows that lost their ids
    // are bounded by the whole rows around them only where, together, they fill the room between
    // those two whole rows to the byte, and those two are also next to each other among the
    // page's ids, the older one higher. Any other row of such a page is bounded by nothing.
    // order: the page's rows by place, highest first.
    void boundByLocalOrder(std::vector<Found>& page, const std::vector<uint32_t>& order) {
        std::vector<int64_t>& ids = pageIds_;
        ids.clear();
        for (const Found& f : page)
            if (f.record.rowidKnown && !f.fromGap) ids.push_back(f.record.rowid);
        std::sort(ids.begin(), ids.end());
        auto nextTo = [&](int64_t low, int64_t high) {
            const auto at = std::upper_bound(ids.begin(), ids.end(), low);
            return at != ids.end() && *at == high;
        };
        for (Found& f : page) {
            f.pageInOrder = false;
            f.record.rowidBefore = f.record.rowidAfter = 0;
        }
        // From the lowest place up: the whole row below the stretch, and where the stretch of
        // rows above it that lost their ids ends so far, while they fill their room.
        constexpr size_t kNone = SIZE_MAX;
        size_t below = kNone;  // index in order
        int64_t reached = 0;
        bool tiled = true, any = false;
        for (size_t k = order.size(); k-- > 0;) {
            Found& f = page[order[k]];
            if (f.fromGap) {
                tiled = false;
                continue;
            }
            if (!f.record.rowidKnown) {
                tiled = tiled && f.record.position == reached;
                reached = f.end;
                any = true;
                continue;
            }
            if (below != kNone && any && tiled && reached == f.record.position) {
                const int64_t older = f.record.rowid, newer = page[order[below]].record.rowid;
                if (older < newer && nextTo(older, newer))
                    for (size_t j = k + 1; j < below; ++j) {
                        page[order[j]].record.rowidBefore = older;
                        page[order[j]].record.rowidAfter = newer;
                    }
            }
            below = k;
            reached = f.end;
            tiled = true;
            any = false;
        }
    }

    static bool isBounded(const CarvedRecord& r) { return r.rowidBefore > 0 && r.rowidAfter > r.rowidBefore; }

    // A row that lost its id between rows whose ids leave none between them is no row of their
    // order: bytes a balance left in the gap from before it wrote the page anew. It is bounded by
    // nothing.
    static void dropEmptyBounds(Found& f) {
        CarvedRecord& r = f.record;
        if (r.rowidKnown || r.rowidBefore == 0 || r.rowidAfter == 0 || r.rowidAfter > r.rowidBefore + 1) return;
        r.rowidBefore = r.rowidAfter = 0;
        f.pageInOrder = false;
    }

    // Rows that lost their ids and fill the whole hole between two rows of their page whose ids
    // were read, as many rows as ids between them: on a page whose ids keep the order rows are
    // written in, they take those ids in the order of their places, the first highest.
    static void fillHoles(FoundList& found) {
        for (size_t from = 0; from < found.size();) {
            size_t to = from;
            while (to < found.size() && found[to].record.page == found[from].record.page) ++to;
            std::map<std::pair<int64_t, int64_t>, std::vector<CarvedRecord*>> holes;
            for (size_t i = from; i < to; ++i) {
                CarvedRecord& r = found[i].record;
                if (!r.rowidKnown && r.rowidBefore > 0 && r.rowidAfter > r.rowidBefore)
                    holes[{r.rowidBefore, r.rowidAfter}].push_back(&r);
            }
            for (auto& [hole, rows] : holes) {
                if (hole.second - hole.first - 1 != static_cast<int64_t>(rows.size())) continue;
                std::sort(rows.begin(), rows.end(),
                          [](const CarvedRecord* a, const CarvedRecord* b) { return a->position > b->position; });
                // What is left of a row's id must agree, or the rows are not those of the hole.
                bool agree = true;
                for (size_t k = 0; k < rows.size(); ++k)
                    agree = agree && tailAdmits(*rows[k], hole.first + 1 + static_cast<int64_t>(k));
                if (!agree) continue;
                for (size_t k = 0; k < rows.size(); ++k) {
                    rows[k]->rowid = hole.first + 1 + static_cast<int64_t>(k);
                    rows[k]->rowidKnown = true;
                    rows[k]->rowidInferred = true;
                }
            }
            from = to;
        }
    }

    // The deleted rows, in the file's order (those of all, one carver after another), that
    // repeat no live row of their table (see markRepeats()) and no deleted row before them (same
    // row id, values or unique value). Each carver's list is freed once read.
    // The tables are independent of one another: with threads, they are done side by side.
    std::vector<CarvedTable> finish(const std::vector<PageCarver*>& all, size_t threads) {
        const std::vector<Bounds> bounds = treeBounds(all);
        inParallel(all.size() * shapes_.size(), threads,
                   [&](size_t job, size_t) { fillHoles(all[job / shapes_.size()]->deleted_[job % shapes_.size()]); });
        inParallel(shapes_.size(), threads, [&](size_t s, size_t) {
            size_t found = 0;
            for (const PageCarver* carver : all) found += carver->deleted_[s].size();
            KeySet deletedValues, deletedRowids, deletedUniques;
            deletedValues.reserve(found);
            deletedRowids.reserve(found);
            tables_[s].deleted.reserve(found);
            // Of a row's copies (a balance moves rows and leaves the bytes behind), the one that
            // says most of its row id is kept: read, else bounded on both sides, else the first.
            // A copy whose tail was lost repeats any other copy of the columns the table keeps.
            // Of such copies, one with its row id read is kept.
            // Only the copies of rows that lost their ids or tails are asked about: a file of
            // millions of rows that kept both lists no other copy.
            KeySet idLost, tailLost;
            for (const PageCarver* carver : all)
                for (const Found& f : carver->deleted_[s]) {
                    if (f.repeatsLive) continue;
                    if (!f.record.rowidKnown) idLost.insert(f.signature);
                    if (f.tailLost) tailLost.insert(f.kept);
                }
            KeySet withId, bounded, keptWhole, keptTailWithId, keptOfTails;
            for (const PageCarver* carver : all)
                for (const Found& f : carver->deleted_[s]) {
                    if (f.repeatsLive) continue;
                    if (tailLost.contains(f.kept)) {
                        if (!f.tailLost)
                            keptWhole.insert(f.kept);
                        else if (f.record.rowidKnown)
                            keptTailWithId.insert(f.kept);
                    }
                    if (idLost.contains(f.signature)) {
                        if (f.record.rowidKnown)
                            withId.insert(f.signature);
                        else if (isBounded(f.record))
                            bounded.insert(f.signature);
                    }
                }
            for (size_t k = 0; k < all.size(); ++k) {
                for (Found& f : all[k]->deleted_[s]) {
                    const uint64_t key = f.signature;
                    const auto rowid = static_cast<uint64_t>(f.record.rowid);
                    if (f.repeatsLive || deletedValues.contains(key)) continue;
                    if (f.tailLost &&
                        (keptWhole.contains(f.kept) || (!f.record.rowidKnown && keptTailWithId.contains(f.kept)) ||
                         !keptOfTails.insert(f.kept)))
                        continue;
                    if (!f.record.rowidKnown &&
                        (withId.contains(key) || (!isBounded(f.record) && bounded.contains(key))))
                        continue;
                    if (f.record.rowidKnown && deletedRowids.contains(rowid)) continue;
                    if (f.unique && !deletedUniques.insert(f.unique)) continue;
                    deletedValues.insert(key);
                    if (f.record.rowidKnown) deletedRowids.insert(rowid);
                    // A row at the edge of its page lies within what the page's parents give it.
                    const Bounds& page = bounds[static_cast<size_t>(f.record.page)];
                    if (page.known && f.pageInOrder && !f.record.rowidKnown) {
                        if (f.record.rowidBefore == 0) f.record.rowidBefore = page.low;
                        if (f.record.rowidAfter == 0 && page.high < INT64_MAX) f.record.rowidAfter = page.high + 1;
                        dropEmptyBounds(f);
                    }
                    // On a page that keeps no order the rows around a row bound nothing, but a
                    // row freed there (not one left in the gap from an older state of the page)
                    // was most likely freed while the page held the ids its parents allow it now.
                    // A balance since may have moved the page's edge past it: the range is used
                    // only with the last bits of the id, which a wrong range leaves no other id.
                    if (page.known && !f.pageInOrder && !f.fromGap && !f.record.rowidKnown &&
                        f.record.rowidTailBits > 0) {
                        f.record.withinPage = true;
                        tables_[s].pageRange.try_emplace(f.record.page, page.low, page.high);
                    }
                    tables_[s].deleted.push_back(std::move(f.record));
                }
                all[k]->deleted_[s].clear();
                tables_[s].parts[k].deletedEnd = tables_[s].deleted.size();
            }
        });
        return std::move(tables_);
    }

    CarveDatabase& db_;
    CarveFile* file_;  // the reader of the thread carving the pages
    const std::vector<TableShape>& shapes_;
    int64_t pageSize_;
    int64_t usable_;
    int64_t maxLocal_ = 0;
    int64_t minLocal_ = 0;
    std::vector<uint8_t> page_;
    // Scratch of the readings of cells: whole ones, those of freeblocks, the look at the cell
    // after one of those, and the best reading of a freeblock kept while others are tried.
    std::string cellData_;
    std::vector<size_t> keptAt_, keptColumn_;  // scratch of keepValues()
    std::vector<uint64_t> cellSerials_;
    std::string blockData_;
    std::vector<uint64_t> blockSerials_;
    std::string lookData_;
    std::vector<uint64_t> lookSerials_;
    std::string bestData_;
    std::vector<uint64_t> bestSerials_;
    std::vector<std::vector<Found>> pageFound_;  // per shape: the rows of the page being read
    std::vector<uint32_t> order_, ordered_;      // scratch of endPage()
    std::vector<int64_t> pageIds_;               // scratch of boundByLocalOrder()
    std::vector<int64_t> cellStarts_;            // scratch of readPage()
    std::vector<uint8_t> chunk_;                 // scratch of payload(): an overflow page
    std::vector<int64_t> chain_;                 // the overflow pages of the chain read (see passed())
    KeySet chainSet_;                            // the same, for a long chain
    int64_t overflowLeft_ = 0;                   // overflow pages this carver may still read
    int64_t state_ = 0;                          // the state of the database the page read is of
    std::vector<FoundList> deleted_;             // per shape: deleted rows found so far
    LiveLists* live_ = nullptr;                  // the lists of the thread carving the pages
    bool inGap_ = false;                         // the scan under way reads a page's unallocated gap
    int64_t gapEnd_ = -1;                        // where the gap of the page read ends (see scanGap)
    bool tailMayBeLost_ = false;                 // and takes a row whose tail runs past it (see scanGap)
    int64_t bodyAt_ = 0;                         // where the body of the row read last begins on the page
    int64_t cellEnd_ = 0;                        // and where its bytes there end (before an overflow page's number)
    bool blockEndTaken_ = false;                 // a cell took the end of the freeblock read (see readPage)
    int64_t examined_ = 0;                       // pages read and looked through
    int64_t headerPages_ = 0;                    // images of the header page, left
    std::vector<Interior> interiors_;            // the interior table pages this one read
    std::vector<std::pair<int64_t, int64_t>> lowestLive_;  // (page, lowest live row id) of the pages it read
    std::vector<CarvedTable> tables_;
};

}  // namespace

std::vector<CarvedTable> carveRecords(CarveDatabase& db, const std::vector<TableShape>& shapes, int runs) {
    if (db.pageSize() <= 0 || shapes.empty()) return std::vector<CarvedTable>(shapes.size());
    std::vector<CarvedTable> tables = PageCarver(db, db.file(), shapes).run(runs);
    int64_t deleted = 0;
    for (const CarvedTable& table : tables) deleted += static_cast<int64_t>(table.deleted.size());
    db.deletedRowsFound(deleted);
    return tables;
}

void releaseValuesBefore(CarvedTable& table, size_t row) {
    size_t blocks = 0;
    for (const CarvedTable::Part& part : table.parts) {
        if (part.deletedEnd > row) break;
        blocks = part.blockEnd;
    }
    table.store.releaseFirst(blocks);
}

void releaseTables(std::vector<CarvedTable>&& tables) { std::vector<CarvedTable>().swap(tables); }

}  // namespace carve
