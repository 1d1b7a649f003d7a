// The carve of a database's rows, step by step: the pages are walked in pieces on threads
// (PageCarver), the keys of the live rows every thread found are put together and each deleted
// row is asked whether it repeats one (LiveKeys.h), the pieces' live rows and values are gathered
// into the first piece's tables in the file's order, and the deleted rows are finished there
// (FinishRows.h).
#include "backup/carve/CarveRecords.h"

#include "backup/carve/ChainClaims.h"
#include "backup/carve/FinishRows.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/LiveKeys.h"
#include "backup/carve/PageCarver.h"
#include "backup/carve/PageFormat.h"
#include "backup/carve/PageRowidBounds.h"
#include "backup/carve/TreeBounds.h"
#include "platform/UsableCores.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <unordered_set>
#include <utility>

namespace carve {

namespace {

// Runs of fewer pages are not worth a thread of their own.
constexpr int64_t kPagesPerPart = 2048;

// Moves one list of live rows of shape s that the other pieces found after the first one's, in
// the order of all.
template <class Row>
void gatherLive(const std::vector<PageCarver*>& all, size_t threads, size_t s, CarvedRows<Row> CarvedTable::*rows) {
    CarvedTable& first = all[0]->tables()[s];
    std::vector<size_t> liveAt = {0};
    for (PageCarver* carver : all) liveAt.push_back(liveAt.back() + (carver->tables()[s].*rows).size());
    if (liveAt.back() == (first.*rows).size()) return;  // the others found none
    (first.*rows).resize(liveAt.back());
    inParallel(all.size(), threads, [&](size_t k, size_t) {
        if (k == 0) return;  // the first piece's rows are in place
        CarvedRows<Row>& live = all[k]->tables()[s].*rows;
        std::move(live.begin(), live.end(), (first.*rows).begin() + static_cast<ptrdiff_t>(liveAt[k]));
        CarvedRows<Row>().swap(live);
    });
}

// Moves the live rows the other pieces found after the first one's, in the order of all. The
// deleted rows wait in each piece's list for the finish.
void gather(const std::vector<PageCarver*>& all, size_t threads, size_t shapes) {
    std::vector<CarvedTable>& tables = all[0]->tables();
    for (size_t s = 0; s < shapes; ++s) {
        gatherLive(all, threads, s, &CarvedTable::live);
        gatherLive(all, threads, s, &CarvedTable::liveKept);
        gatherLive(all, threads, s, &CarvedTable::digests);
        // The rows' values stay where they are, now kept by the first piece's table, part after part.
        tables[s].parts.assign(all.size(), {});
        tables[s].parts[0].blockEnd = tables[s].store.blocks();
        for (size_t k = 1; k < all.size(); ++k) {
            tables[s].store.take(std::move(all[k]->tables()[s].store));
            tables[s].parts[k].blockEnd = tables[s].store.blocks();
        }
    }
}

// Marks the deleted rows each piece found to be a live row's copy but for a text other live rows
// may hold (see PageCarver::pendingCopies) where that live row alone holds it in the whole file.
void markCopiesOfFileTexts(const std::vector<TableShape>& shapes, const std::vector<PageCarver*>& all) {
    for (size_t s = 0; s < shapes.size(); ++s) {
        const uint64_t others = shapes[s].editKeptColumns & ~shapes[s].editTellColumns;
        const bool any = std::any_of(all.begin(), all.end(), [&](const PageCarver* carver) {
            return std::any_of(carver->pendingCopies().begin(), carver->pendingCopies().end(),
                               [&](const PageCarver::PendingCopy& p) { return p.shape == s; });
        });
        if (!any) continue;
        std::vector<uint64_t> held;
        for (PageCarver* carver : all) {
            for (const CarvedRecord& live : carver->tables()[s].live)
                for (size_t c = 0; others >> c; ++c)
                    if (others >> c & 1)
                        if (const uint64_t key = textKey(shapes[s], live, c)) held.push_back(key);
            // Those of a shape that digests its live rows were kept as they were read.
            const std::vector<uint64_t>& digested = carver->liveTextKeys()[s];
            held.insert(held.end(), digested.begin(), digested.end());
        }
        std::sort(held.begin(), held.end());
        for (PageCarver* carver : all) {
            std::unordered_set<int64_t> copies;
            for (const PageCarver::PendingCopy& p : carver->pendingCopies()) {
                const auto [from, to] = std::equal_range(held.begin(), held.end(), p.text);
                if (p.shape == s && to - from == 1) copies.insert(p.position);
            }
            if (copies.empty()) continue;
            for (FoundRow& f : carver->deleted()[s])
                if (copies.count(f.record.position)) f.repeatsLive = true;
        }
    }
}

// Every page is read on its own, so a large file is split into pieces of pages read side by
// side by threads, each through its own reader (the pieces, a few per thread, are taken in
// turn, since some parts of a file take longer than others); the pieces' rows are then put
// together in the file's order, so that the result is the one a single walk gives.
std::vector<CarvedTable> carveInPieces(CarveDatabase& db, const std::vector<TableShape>& shapes, int runs,
                                       const std::function<void()>& pastPeak) {
    const int64_t pages = db.imageCount();
    const int64_t threads =
        runs > 0 ? std::clamp<int64_t>(runs, 1, std::max<int64_t>(pages, 1))
                 : std::clamp<int64_t>(pages / kPagesPerPart, 1, static_cast<int64_t>(usablecores::workerCores()));
    std::vector<std::unique_ptr<CarveFile>> ownReaders;
    std::vector<CarveFile*> readers = {&db.file()};
    for (int64_t k = 1; k < threads; ++k) {
        auto reader = std::make_unique<CarveFile>();
        if (!reader->openSame(db.file())) break;
        readers.push_back(reader.get());
        ownReaders.push_back(std::move(reader));
    }
    const int64_t pieces = readers.size() == 1 ? 1 : std::min<int64_t>(pages, 4 * static_cast<int64_t>(readers.size()));
    std::vector<std::unique_ptr<PageCarver>> carvers;
    std::vector<PageCarver*> all;
    for (int64_t k = 0; k < pieces; ++k) {
        carvers.push_back(std::make_unique<PageCarver>(db, shapes));
        all.push_back(carvers.back().get());
    }
    // Each thread lists the keys of the live rows it finds.
    std::vector<LiveLists> found;
    for (size_t t = 0; t < readers.size(); ++t) found.emplace_back(shapes.size());
    inParallel(all.size(), readers.size(), [&](size_t k, size_t thread) {
        all[k]->carvePages(pages * static_cast<int64_t>(k) / pieces, pages * static_cast<int64_t>(k + 1) / pieces,
                           *readers[thread], found[thread]);
    });
    {
        // Their tables are not asked again: their room goes back before the rows are sorted.
        const LiveTables live = liveTables(found, shapes.size(), readers.size());
        // Rows that lost their ids take those of the holes they fill first, so that one given a
        // live row's id is known for that row's copy.
        inParallel(all.size(), readers.size(), [&](size_t k, size_t) {
            for (size_t s = 0; s < shapes.size(); ++s) fillHoles(all[k]->deleted()[s], live.rowids[s]);
            markRepeats(live, shapes, all[k]->deleted());
        });
        std::vector<std::vector<FoundList>*> deleted;
        for (PageCarver* carver : all) deleted.push_back(&carver->deleted());
        markCopiesByIdentifierStart(live, shapes, deleted);
    }
    markCopiesOfFileTexts(shapes, all);
    std::vector<const TreePages*> trees;
    std::vector<std::vector<FoundList>*> deleted;
    std::vector<const ChainClaims*> claims;
    for (PageCarver* carver : all) {
        trees.push_back(&carver->tree());
        deleted.push_back(&carver->deleted());
        claims.push_back(&carver->claims());
    }
    const std::vector<LeafBounds> bounds = treeBounds(db.imageCount(), trees);
    // An overflow page that two deleted rows read is one's at most, over every part of the file.
    settleClaims(claims, deleted, shapes, bounds, db.usableSize() - kOverflowNextSize);
    gather(all, readers.size(), shapes.size());
    int64_t examined = 0, headerPages = 0;
    for (const PageCarver* carver : all) {
        examined += carver->examined();
        headerPages += carver->headerPages();
    }
    db.recordCoverage(examined, headerPages);
    std::vector<CarvedTable>& tables = all[0]->tables();
    if (pastPeak) pastPeak();
    finishDeleted(shapes, bounds, deleted, readers.size(), tables);
    return std::move(tables);
}

}  // namespace

std::vector<CarvedTable> carveRecords(CarveDatabase& db, const std::vector<TableShape>& shapes, int runs,
                                      const std::function<void()>& pastPeak) {
    if (db.pageSize() <= 0 || shapes.empty()) return std::vector<CarvedTable>(shapes.size());
    std::vector<CarvedTable> tables = carveInPieces(db, shapes, runs, pastPeak);
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
