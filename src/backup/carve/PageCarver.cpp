// The page walk of one part of a database file (see PageCarver.h).
#include "backup/carve/PageCarver.h"

#include "backup/carve/CarvedRowid.h"
#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/PageFormat.h"
#include "backup/carve/Varint.h"

#include <algorithm>
#include <utility>

namespace carve {

namespace {
// The most rows of a page put in order in place (see PageCarver::endPage); a page of more, which
// only a large page of small rows holds, takes the buffered sort.
constexpr size_t kFewRows = 64;
}  // namespace

PageCarver::PageCarver(CarveDatabase& db, const std::vector<TableShape>& shapes)
    : db_(db),
      file_(&db.file()),
      shapes_(shapes),
      pageSize_(db.pageSize()),
      usable_(db.usableSize()),
      page_(static_cast<size_t>(db.pageSize())),
      tables_(shapes.size()),
      payload_(db),
      reader_(shapes, tables_, page_.data(), usable_, payload_),
      pageFound_(shapes.size()),
      deleted_(shapes.size()),
      liveTextKeys_(shapes.size()) {}

void PageCarver::carvePages(int64_t from, int64_t to, CarveFile& reader, LiveLists& live) {
    file_ = &reader;
    payload_.setFile(&reader);
    live_ = &live;
    for (int64_t index = from; index < to; ++index) {
        const int64_t start = index * pageSize_;
        file_->focus(start - pageSize_, start + 2 * pageSize_, /*upwards*/ true);
        carvePage(index, start);
    }
    live_ = nullptr;
}

void PageCarver::carvePage(int64_t index, int64_t pageStart) {
    // The header page: the file's header and the table definitions.
    db_.pageLookedThrough();
    if (db_.images().pageOf(index) == kHeaderPage) {
        ++headerPages_;
        return;
    }
    ++examined_;
    // A pointer-map page holds five-byte entries, whose type bytes read as a page's kind.
    if (db_.pointerMapPage(db_.images().pageOf(index))) return;
    payload_.setState(db_.images().stateOf(index));
    pageStart_ = pageStart;
    payload_.forgetChains();
    readPage(index, pageStart);
    for (size_t s = 0; s < shapes_.size(); ++s) endPage(s);
    reader_.forgetLiveValues();
    claims_.endPage();
}

void PageCarver::readPage(int64_t index, int64_t pageStart) {
    gapEnd_ = -1;
    cellStarts_.clear();
    blockStarts_.clear();
    file_->copy(pageStart, page_.size(), page_.data());
    reader_.forgetCellsLooked();
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
    int64_t contentStart = static_cast<int64_t>(readBigEndian(page_.data(), headerAt + kContentStartAt, kOffsetSize));
    if (contentStart == 0) contentStart = kContentStartOfZero;
    const int64_t pointers = headerAt + kLeafHeaderSize;
    const int64_t pointersEnd = pointers + kCellPointerSize * cells;
    if (pointersEnd > usable_) {
        if (freed) scan(index, pageStart, kFreedPageFrom, usable_);
        return;
    }
    // An older image of a page: its cells that the folded image holds as they are are live rows.
    const bool older = freed && !db_.images().current(index);
    if (older) {
        const int64_t current = db_.images().currentImage(db_.images().pageOf(index));
        current_.read(*file_, current >= 0 && !db_.rowsGone(current) ? current : -1, pageSize_, usable_);
    }
    std::vector<int64_t>& cellStarts = cellStarts_;
    for (int64_t k = 0; k < cells; ++k) {
        const int64_t at =
            static_cast<int64_t>(readBigEndian(page_.data(), pointers + kCellPointerSize * k, kOffsetSize));
        cellStarts.push_back(at);
        FoundRow found;
        int64_t end = 0;
        size_t shape = 0;
        if (at < pointersEnd || at >= usable_) continue;
        // A live row's copy keeps no values: it only bounds the ids of the rows around it. Where
        // its shape tells copies by what they keep of an edit (see TableShape::editKeptColumns),
        // the copies tied to a live row tell others, and it is read as any other.
        bool copy = older && current_.holds(page_.data(), at, usable_);
        if (copy && !(reader_.wholeCell(at, usable_, found, end, shape, CellReader::Reading::look) &&
                      !shapes_[shape].editKeptColumns)) {
            copy = false;
            found = FoundRow();
        }
        if (!copy && !reader_.wholeCell(at, usable_, found, end, shape,
                                        freed ? CellReader::Reading::deleted : CellReader::Reading::live))
            continue;
        found.copyOfCurrent = copy;
        found.live = !freed;
        // A live row with a long text is also known by that text's start: its copy from before
        // an edit, whose overflow pages the live row took, keeps no more of it.
        if (found.live && reader_.lastIdentityStart()) live_->identities[shape].push(reader_.lastIdentityStart());
        keep(std::move(found), shape, index, pageStart, at, end);
    }
    // Freeblocks: the first cell has lost its head, the rest of the block holds whole cells.
    int64_t block = static_cast<int64_t>(readBigEndian(page_.data(), headerAt + kFirstFreeblockAt, kOffsetSize));
    while (block >= pointersEnd && block + kFreeblockHeadSize <= usable_) {
        blockStarts_.push_back(block);
        const int64_t size = reader_.blockSizeAt(block);
        const int64_t blockEnd = std::min(usable_, block + std::max<int64_t>(size, kFreeblockHeadSize));
        // A cell written into a freeblock takes the block's end, and the block keeps the
        // rest: where a cell begins right at the block's end, the block's row that runs on
        // into it lost its tail to it (the block's other rows are whole). A cell that took the
        // end before it and was freed since may have left its head there, over the end of the
        // block's row.
        const bool endTaken = std::find(cellStarts.begin(), cellStarts.end(), blockEnd) != cellStarts.end();
        const int64_t earlierHead = endTaken ? reader_.earlierHeadBefore(blockEnd, block + kFreeblockHeadSize) : 0;
        reader_.allowLostTails(endTaken, endTaken);
        // Freeblocks that met were joined into one, and each cell that had been a freeblock of
        // its own keeps the chain's four bytes over its head: so every cell of the block may
        // have lost its head.
        int64_t rest = block;
        for (;;) {
            FoundRow found;
            int64_t end = 0;
            size_t shape = 0;
            if (rest + kFreeblockHeadSize > blockEnd) break;
            // A later cell of the block whose first four bytes no block's head could be (its
            // next block's offset off the page, or its size) was freed with the one before it,
            // in one go: its head, row id included, is whole.
            const bool headWhole = rest > block && !reader_.looksLikeFreeblockHead(rest, blockEnd) &&
                                   reader_.wholeCell(rest, blockEnd, found, end, shape);
            // A cell written later inside the block and freed since keeps its head: the cell
            // before it ends there, and the scan below reads the later one.
            bool whole = headWhole || reader_.damagedCell(rest, blockEnd, found, end, shape);
            // A row whose kept values run over that head keeps those before it; one that cannot
            // be read without the head's bytes is no row.
            if (whole && earlierHead > 0 && end > earlierHead && reader_.lastValuesEnd() > earlierHead &&
                !cutAtEarlierHead(rest, earlierHead, headWhole, found, end, shape)) {
                rest = end;
                break;
            }
            const bool cut = !whole && cutByLaterCell(rest, blockEnd, blockEnd, false, found, end, shape);
            reader_.allowLostTails(endTaken, endTaken);
            if (!whole && !cut) break;
            found.live = false;
            keep(std::move(found), shape, index, pageStart, rest, end);
            rest = end;
            if (!whole) break;
        }
        scan(index, pageStart, rest == block ? block + kFreeblockHeadSize : rest, blockEnd);
        reader_.allowLostTails(false);
        // The blocks lie in the order of their places, none over another: a block that
        // starts before this one ends (a list that loops or overlaps) ends the list.
        const int64_t next = reader_.blockNextAt(block);
        if (next < blockEnd) break;
        block = next;
    }
    // The gap between the cell pointers and the cells keeps whatever was there before.
    std::sort(cellStarts.begin(), cellStarts.end());
    scanGap(index, pageStart, pointersEnd, std::min(contentStart, usable_));
}

void PageCarver::readInterior(int64_t index) {
    const int64_t cells = static_cast<int64_t>(readBigEndian(page_.data(), kCellCountAt, kOffsetSize));
    const int64_t pointersEnd = kInteriorHeaderSize + kCellPointerSize * cells;
    if (pointersEnd > usable_) return;
    const PageImages& images = db_.images();
    Interior interior;
    interior.page = index;
    for (int64_t k = 0; k < cells; ++k) {
        const int64_t at =
            static_cast<int64_t>(readBigEndian(page_.data(), kInteriorHeaderSize + kCellPointerSize * k, kOffsetSize));
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
    tree_.interiors.push_back(std::move(interior));
}

void PageCarver::scanOtherPageGap(int64_t index, int64_t pageStart, uint8_t type) {
    if (type != kIndexInteriorPage && type != kTableInteriorPage && type != kIndexLeafPage) return;
    const int64_t pointers = pageHeaderSize(type);
    const int64_t cells = static_cast<int64_t>(readBigEndian(page_.data(), kCellCountAt, kOffsetSize));
    int64_t contentStart = static_cast<int64_t>(readBigEndian(page_.data(), kContentStartAt, kOffsetSize));
    if (contentStart == 0) contentStart = kContentStartOfZero;
    if (pointers + kCellPointerSize * cells >= std::min(contentStart, usable_)) return;
    scanGap(index, pageStart, pointers + kCellPointerSize * cells, std::min(contentStart, usable_));
}

void PageCarver::scanGap(int64_t index, int64_t pageStart, int64_t from, int64_t to) {
    gapEnd_ = pageStart + to;
    inGap_ = true;
    reader_.allowLostTails(true);
    scan(index, pageStart, from, to);
    inGap_ = false;
    reader_.allowLostTails(false);
}

void PageCarver::scan(int64_t index, int64_t pageStart, int64_t from, int64_t to) {
    for (int64_t at = std::max<int64_t>(from, 0); at + kSmallestCell <= to;) {
        // Most bytes start no cell: told by their first few, before a row is made ready.
        if (!reader_.cellMayStart(at, to)) {
            ++at;
            continue;
        }
        FoundRow found;
        int64_t end = 0;
        size_t shape = 0;
        auto cellAt = [&](int64_t limit) {
            return reader_.wholeCell(at, limit, found, end, shape) ||
                   (reader_.looksLikeFreeblockHead(at, limit) &&
                    reader_.damagedCell(at, limit, found, end, shape, /*lookalike*/ true));
        };
        bool cell = cellAt(to);
        int64_t limit = to;  // where the row's own bytes end at the latest
        // A row an older state of the page left in its gap may have lost its tail to a cell
        // written over it later and freed in turn: that row is its own only up to there.
        // So may one whose values a freeblock's head lies over, the block it names ending where a
        // cell of the page begins: a cell written over the row and freed, whose block a later
        // cell took the rest of.
        if (cell && inGap_) {
            int64_t cut = reader_.freedHeadWithin(reader_.lastBodyAt(), std::min(reader_.lastCellEnd(), to), to);
            // The earlier of the two ends the row.
            const int64_t keptEnd = std::min({reader_.lastCellEnd(), reader_.lastValuesEnd(), cut > 0 ? cut : to});
            if (const int64_t head = blockHeadWithin(reader_.lastBodyAt(), keptEnd); head > 0) cut = head;
            if (cut > 0) {
                limit = cut;
                cell = cellAt(cut);
            }
        }
        // Where the loss made the row unreadable (a text of its kept columns ran on into that
        // cell's head), the freed head it starts with names its block: the later cell begins
        // inside it.
        if (!cell && inGap_ && reader_.looksLikeFreeblockHead(at, to))
            cell = cutByLaterCell(at, std::min(to, at + reader_.blockSizeAt(at)), to, true, found, end, shape);
        if (cell) {
            // A row without its head and tail read a few bytes before a row with its head
            // whole is that row read from the wrong place.
            if (found.tailLost && !found.record.rowidKnown)
                for (int64_t k = 1; k <= kLongestHead; ++k) {
                    FoundRow whole;
                    int64_t wholeEnd = 0;
                    size_t wholeShape = 0;
                    if (reader_.wholeCell(at + k, limit, whole, wholeEnd, wholeShape)) {
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

int64_t PageCarver::blockHeadWithin(int64_t from, int64_t end) {
    if (cellStarts_.empty()) return 0;
    for (int64_t k = from; k < end && k + kFreeblockHeadSize <= usable_; ++k) {
        const int64_t next = reader_.blockNextAt(k), size = reader_.blockSizeAt(k);
        if (size < kSmallestCell || k + size > usable_ ||
            (next != 0 && (next <= k + size || !std::binary_search(blockStarts_.begin(), blockStarts_.end(), next))))
            continue;
        const auto cell = std::upper_bound(cellStarts_.begin(), cellStarts_.end(), k);
        if (k + size == usable_ || std::binary_search(cellStarts_.begin(), cellStarts_.end(), k + size) ||
            reader_.freedHeaderAt(k, cell == cellStarts_.end() ? usable_ : *cell))
            return k;
    }
    return 0;
}

bool PageCarver::cutAtEarlierHead(int64_t at, int64_t head, bool headWhole, FoundRow& found, int64_t& rowEnd,
                                  size_t& shape) {
    // Only what runs on past the head is lost (see CellReader::allowLostTails).
    reader_.allowLostTails(true, true);
    FoundRow row;
    int64_t end = 0;
    size_t rowShape = 0;
    const bool read = (headWhole ? reader_.wholeCell(at, head, row, end, rowShape)
                                 : reader_.damagedCell(at, head, row, end, rowShape)) &&
                      row.tailLost;
    if (read) {
        found = std::move(row);
        rowEnd = end;
        shape = rowShape;
    }
    return read;
}

bool PageCarver::cutByLaterCell(int64_t at, int64_t end, int64_t limit, bool freedHeads, FoundRow& found,
                                int64_t& rowEnd, size_t& shape) {
    const int64_t later = reader_.cellWithin(at + kFreeblockHeadSize, end, limit, freedHeads);
    if (later == 0) return false;
    // Only what runs on past the later cell's start is lost (see CellReader::allowLostTails).
    reader_.allowLostTails(true, true);
    const bool read = reader_.damagedCell(at, later, found, rowEnd, shape) && found.tailLost;
    reader_.allowLostTails(inGap_);
    return read;
}

void PageCarver::endPage(size_t s) {
    std::vector<FoundRow>& page = pageFound_[s];
    if (page.empty()) return;
    // Indexes, not rows, are sorted: a page holds a few dozen rows, a file millions.
    std::vector<uint32_t>& order = order_;
    order.resize(page.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
    // The rows come mostly in order already (cells lie below one another as the page fills):
    // the sort, and the buffer it takes, are left out for them. A page of a few dozen rows is
    // put in order by moving each row back to its place, which keeps rows of one place in the
    // order found as the buffered sort does, without taking a buffer for each page.
    auto sortBy = [&](auto&& before) {
        if (std::is_sorted(order.begin(), order.end(), before)) return;
        if (order.size() > kFewRows) {
            std::stable_sort(order.begin(), order.end(), before);
            return;
        }
        for (size_t i = 1; i < order.size(); ++i) {
            const uint32_t row = order[i];
            size_t j = i;
            for (; j > 0 && before(row, order[j - 1]); --j) order[j] = order[j - 1];
            order[j] = row;
        }
    };
    sortBy([&](uint32_t a, uint32_t b) { return page[a].record.position > page[b].record.position; });
    bounds_.bound(page, order, gapEnd_);
    // Places all told apart (rows at one place keep the order they were found in): the order
    // from the lowest is the other one turned round.
    if (std::adjacent_find(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            return page[a].record.position == page[b].record.position;
        }) == order.end())
        std::reverse(order.begin(), order.end());
    else
        sortBy([&](uint32_t a, uint32_t b) { return page[a].record.position < page[b].record.position; });
    if (shapes_[s].editKeptColumns) markEditedCopies(s, page, order);
    int64_t lowestLive = INT64_MAX;
    for (uint32_t i : order) {
        FoundRow& f = page[i];
        if (f.live) {
            lowestLive = std::min(lowestLive, f.record.rowid);
            listLiveRow(*live_, s, shapes_[s], f);
            if (shapes_[s].live == LiveRows::alsoKept)
                tables_[s].liveKept.push_back({f.record.rowid, f.record.values});
            else if (shapes_[s].live == LiveRows::digest)
                digestLive(s, f.record);
            else if (shapes_[s].live != LiveRows::none)
                tables_[s].live.push_back(std::move(f.record));
        } else if (!f.copyOfCurrent) {
            claims_.place(f.claim, s, deleted_[s].size());
            deleted_[s].push_back(std::move(f));
        }
    }
    if (lowestLive != INT64_MAX) tree_.lowestLive.emplace_back(page.front().record.page, lowestLive);
    page.clear();
}

void PageCarver::digestLive(size_t s, const CarvedRecord& live) {
    const TableShape& shape = shapes_[s];
    LiveDigest& digest = tables_[s].digests.emplace_back();
    digest.rowid = live.rowid;
    if (shape.digest) shape.digest(live, digest);
    // What markCopiesOfFileTexts() would have read of the row's values.
    const uint64_t others = shape.editKeptColumns & ~shape.editTellColumns;
    for (size_t c = 0; others >> c; ++c)
        if (others >> c & 1)
            if (const uint64_t key = textKey(shape, live, c)) liveTextKeys_[s].push_back(key);
}

void PageCarver::markEditedCopies(size_t s, std::vector<FoundRow>& page, const std::vector<uint32_t>& order) {
    // An edit that changes a row's length frees its cell and writes the row anew on the same
    // page, into the end of the first free block that holds it: often its own old cell, whose
    // head stays right before the new cell, its id lost to the block's own head and its tail
    // (its time made, where a table keeps one) to the new cell. So a row without id and tail
    // whose next cell is a live row that holds the same values but in one of the texts an edit
    // changes is that live row as it was, and so is one that begins its identifier and holds
    // every value no edit changes (a row renamed and then moved: its new cell took the end of
    // the old one, and one row is named, not any of the page). (Any live row of the page that
    // is so alike would do as well only where names are never shared: a deleted person would be
    // taken for any live one of the same first name and no other values.)
    for (size_t k = 0; k + 1 < order.size(); ++k) {
        FoundRow& f = page[order[k]];
        const FoundRow& next = page[order[k + 1]];
        if (f.live || !f.tailLost || f.record.rowidKnown || !next.live || next.record.position < f.end()) continue;
        // The live rows' values are not kept: the next one's are read again.
        FoundRow taker;
        int64_t end = 0;
        size_t shape = 0;
        if (!reader_.wholeCell(next.record.position - pageStart_, usable_, taker, end, shape) || shape != s) continue;
        f.repeatsLive =
            editedCopy(shapes_[s], f.record, taker.record) || identifierTells(s, f, taker, page, kStartBytesOfTaker) ||
            renamedAndMoved(shapes_[s], f, taker, kStartBytesOnPage) ||
            (shapes_[s].editTellColumns &&
             sameTail(s, f, ownEnd(f, next.record.position - pageStart_), taker, lastPlaces(), kTailBytesOfTaker));
    }
    if (!shapes_[s].editTellColumns) return;
    // Where the edited values tell a row among those of its page, the edit may have written the
    // row anywhere on it: every live row of the page is asked, read again only where some row
    // lost its id and tail.
    auto candidate = [](const FoundRow& f) {
        return !f.live && !f.repeatsLive && f.tailLost && (!f.record.rowidKnown || f.record.rowidInferred);
    };
    if (std::none_of(page.begin(), page.end(), candidate)) return;
    std::vector<FoundRow>& takers = pageLive_;
    takers.clear();
    pageLivePlaces_.clear();
    for (const FoundRow& live : page) {
        if (!live.live) continue;
        FoundRow taker;
        int64_t end = 0;
        size_t shape = 0;
        if (reader_.wholeCell(live.record.position - pageStart_, usable_, taker, end, shape) && shape == s) {
            takers.push_back(std::move(taker));
            pageLivePlaces_.push_back(lastPlaces());
        }
    }
    ownEnds_.assign(page.size(), 0);
    for (size_t k = 0; k < order.size(); ++k)
        ownEnds_[order[k]] =
            ownEnd(page[order[k]], k + 1 < order.size() ? page[order[k + 1]].record.position - pageStart_ : 0);
    // A value the row shares with the live one tells it only where no other live row of the page
    // holds it too: two bookmarks of one site, two events at one time, are two rows.
    auto tells = [&](const FoundRow& taker, uint64_t shared) {
        for (size_t c = 0; shared >> c; ++c)
            if ((shared >> c & 1) && std::none_of(takers.begin(), takers.end(), [&](const FoundRow& other) {
                    return &other != &taker && sameInColumn(shapes_[s], other.record, taker.record, c);
                }))
                return true;
        return false;
    };
    const uint64_t telling = shapes_[s].editTellColumns, others = shapes_[s].editKeptColumns & ~telling;
    for (FoundRow& f : page) {
        if (!candidate(f)) continue;
        const FoundRow* alike = nullptr;
        uint64_t sharedOthers = 0;
        const int64_t ownEnd = ownEnds_[static_cast<size_t>(&f - page.data())];
        for (const FoundRow& taker : takers) {
            if (!tailAdmits(f.record, taker.record.rowid)) continue;
            const uint64_t shared = editedCopyOnPage(shapes_[s], f.record, taker.record);
            if (renamedAndMoved(shapes_[s], f, taker) || tells(taker, shared & telling) ||
                identifierTells(s, f, taker, page, kStartBytesOnPage) ||
                (ownEnd > 0 &&
                 sameTail(s, f, ownEnd, taker, pageLivePlaces_[static_cast<size_t>(&taker - takers.data())],
                          kTailBytesOnPage))) {
                f.repeatsLive = true;
                break;
            }
            if (!alike && tells(taker, shared & others)) {
                alike = &taker;
                sharedOthers = shared & others;
            }
        }
        // Told by a text other rows of the file may share: the finish counts them.
        if (f.repeatsLive || !alike) continue;
        for (size_t c = 0; sharedOthers >> c; ++c)
            if (sharedOthers >> c & 1)
                if (const uint64_t key = textKey(shapes_[s], alike->record, c)) {
                    pending_.push_back({s, f.record.position, key});
                    break;
                }
    }
}

bool PageCarver::identifierTells(size_t s, const FoundRow& f, const FoundRow& live, const std::vector<FoundRow>& page,
                                 size_t fewest) const {
    // Most rows' starts begin no identifier of the page's: the page's other rows are not looked at.
    if (f.unique || !startsAlike(f.uniqueStart, live.uniqueStart)) return false;
    if (editTookTail(shapes_[s], f, live, live, fewest)) return true;
    return std::any_of(page.begin(), page.end(), [&](const FoundRow& other) {
        return &other != &f && !other.live && copyOfLive(other, live) &&
               editTookTail(shapes_[s], f, live, other, fewest);
    });
}

int64_t PageCarver::ownEnd(const FoundRow& f, int64_t nextStart) const {
    const int64_t at = f.record.position - pageStart_;
    if (!reader_.looksLikeFreeblockHead(at, usable_)) return nextStart;
    const int64_t blockEnd = std::min(at + reader_.blockSizeAt(at), usable_);
    return nextStart > 0 ? std::min(nextStart, blockEnd) : blockEnd;
}

int64_t PageCarver::editedFrom(size_t s, const CarvedRecord& row, int64_t keptEnd) const {
    const TableShape& shape = shapes_[s];
    const uint64_t edited = shape.editKeptColumns;
    if (!edited) return -1;
    int64_t at = keptEnd;
    for (size_t c = std::min(shape.keptColumns, shape.columns.size()); c-- > 0;) {
        if (shape.unstored(c)) return -1;
        const size_t slot = shape.keptSlot(c);
        if (slot >= row.values.size()) return -1;
        const CarvedValue& v = row.values[slot];
        if (v.type != CarvedValue::text && v.type != CarvedValue::null) return -1;
        at -= v.type == CarvedValue::text ? static_cast<int64_t>(v.length) : 0;
        if (c < 64 && (edited >> c & 1) && (edited & ((uint64_t{1} << c) - 1)) == 0) return at;
    }
    return -1;
}

bool PageCarver::sameTail(size_t s, const FoundRow& f, int64_t ownEnd, const FoundRow& live, const CellPlaces& places,
                          int64_t fewest) const {
    const int64_t from = f.end() - pageStart_, length = ownEnd - from;
    // The last byte of its row id, where the copy kept it, is one more the edit left.
    if (f.record.rowidTailBits >= kVarintBits) --fewest;
    if (length < std::max<int64_t>(fewest, 0) || places.keptEnd + length > places.cellEnd ||
        !tailAdmits(f.record, live.record.rowid) || !sameUnedited(shapes_[s], f.record, live.record))
        return false;
    const uint8_t* page = page_.data();
    // Its own bytes may end before ownEnd, where the head of a later cell that no longer reads as
    // a row begins (the rest of it went to a cell written after it).
    const int64_t same = std::mismatch(page + from, page + ownEnd, page + places.keptEnd).first - (page + from);
    // Or a few bytes before it: a block's rest too short for a block's head is left as a
    // fragment, a byte or three of another's between the copy and the cell that took its tail.
    // Those are taken for such only after a start of its identifier long enough to tell it.
    const bool fragment =
        length - same < kFreeblockHeadSize && same >= fewest + static_cast<int64_t>(kStartBytesOfTaker);
    if (same < length && (same < fewest || !(fragment || reader_.cellMayStart(from + same, usable_)))) return false;
    // The values before the texts an edit changes (those a carver does not keep among them).
    const int64_t copyEdited = editedFrom(s, f.record, from), liveEdited = editedFrom(s, live.record, places.keptEnd);
    const int64_t head = liveEdited - places.bodyAt;
    if (copyEdited < 0 || liveEdited < 0 || head < 0 || copyEdited - head < f.record.position - pageStart_)
        return false;
    return std::equal(page + copyEdited - head, page + copyEdited, page + places.bodyAt);
}

}  // namespace carve
