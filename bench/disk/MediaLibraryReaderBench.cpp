// The media library reader on a library of 20,000 tracks: the read of the local copy against
// one joined query that returns the same fields and makes the same records, and the disk
// manager's whole music and video scan of a simulated device holding the library and its
// files, with the time of the device calls (the copies and the existence checks) apart.
// The reader's per-row debug lines are switched off, as they are in a release run.
#include "../support/OutputCheck.h"
#include "SampleMediaLibrary.h"
#include "SimulatedBenchDevice.h"
#include "TimedDiskServices.h"
#include "disk/core/MediaLibraryReader.h"
#include "disk/core/MusicScan.h"
#include "model/PRRecordFields.h"

#include <QLoggingCategory>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>

namespace fs = std::filesystem;
using benchdisk::Clock;
using benchdisk::g_deviceNanos;
using benchdisk::TimedServices;

namespace {

constexpr int kTracks = 20000;

const sampledb::MediaLibrary& library() {
    static const sampledb::MediaLibrary made = sampledb::makeMediaLibrary(kTracks);
    return made;
}

// The library on a simulated device, with every track's file, and a local copy of it.
struct BenchLibrary : SimulatedBenchDevice {
    std::string local;
    BenchLibrary()
        : SimulatedBenchDevice("medialibrarybench00000000000000000000000", [](const std::string& root) {
              const std::string db = root + "/media/iTunes_Control/iTunes/MediaLibrary.sqlitedb";
              fs::create_directories(fs::path(db).parent_path());
              if (!sampledb::writeMediaLibrary(db, library(), 50)) std::abort();
              for (const auto& [id, folder] : library().baseLocations)
                  fs::create_directories(root + "/media/" + folder);
              for (const sampledb::MediaTrack& t : library().tracks) {
                  const auto* base =
                      &library().baseLocations[size_t(t.baseLocationId - library().baseLocations[0].first)];
                  std::ofstream(root + "/media/" + base->second + "/" + t.location) << "x";
              }
          }) {
        local = root + "/local/MediaLibrary.sqlitedb";
        fs::create_directories(root + "/local");
        fs::copy_file(root + "/media/iTunes_Control/iTunes/MediaLibrary.sqlitedb", local);
        fs::copy_file(root + "/media/iTunes_Control/iTunes/MediaLibrary.sqlitedb-wal", local + "-wal");
        QLoggingCategory::setFilterRules("quillomatrix.disk.debug=false");
    }
};

BenchLibrary& benchLibrary() {
    static BenchLibrary l;
    return l;
}

// The same fields in one statement, made into the same records; check, when given, gets each.
size_t joinedQuery(const std::string& path, bench::OutputCheck* check = nullptr) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "select e.title, e.file_size, e.media_kind, e.total_time_ms, e.item_pid, a.item_artist, "
                       "al.album, b.path, e.location, i.item_artist_pid, i.album_pid from item_extra e "
                       "left join item_artist r on e.item_pid = r.representative_item_pid "
                       "left join item i on i.item_pid = e.item_pid "
                       "left join item_artist a on a.item_artist_pid = i.item_artist_pid "
                       "left join album al on al.album_pid = i.album_pid "
                       "left join base_location b on b.base_location_id = i.base_location_id",
                       -1, &stmt, nullptr);
    auto text = [stmt](int c) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        return t ? std::string(t) : std::string();
    };
    size_t rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        auto r = std::make_shared<PRTranMusicNode>();
        r->setMusicTitle(text(0));
        const uint64_t size = uint64_t(sqlite3_column_int64(stmt, 1));
        r->setMusicFileSize(sizeText(size));
        r->setFileSizeNumber(size);
        r->setMusicType(sqlite3_column_int(stmt, 2) == 2 ? "Video" : "Music");
        r->setMusicTime(getCallHistoryDate(sqlite3_column_int(stmt, 3)));
        r->setMusicPid(text(4));
        r->setMusicArtist(text(5));
        r->setMusicAlbm(text(6));
        r->setMusicLoctionpath(text(7) + "/" + text(8));
        r->setArtistPid(text(9));
        r->setAlbumPid(text(10));
        benchmark::DoNotOptimize(r);
        if (check) check->addFields(*r);
        ++rows;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

void ReaderAgainstJoinedQuery(benchmark::State& state) {
    const std::string local = benchLibrary().local;
    {
        // The reader's records and the query's, each in the order they are made.
        bench::OutputCheck check;
        disk::MediaLibraryReader reader(local);
        reader.ReadMusicInfoFromHandleTablewithSqlitePath([&check](const PRTranMusicNodePtr& record, uint64_t) {
            check.addFields(*record);
            return true;
        });
        if (!bench::outputUnchanged(state, "disk_media_Reader", check.finish())) return;
        check.add(static_cast<int64_t>(joinedQuery(local, &check)));
        if (!bench::outputUnchanged(state, "disk_media_JoinedQuery", check.finish())) return;
    }
    int64_t readerNanos = 0, joinNanos = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        size_t rows = 0;
        disk::MediaLibraryReader reader(local);
        reader.ReadMusicInfoFromHandleTablewithSqlitePath([&rows](const PRTranMusicNodePtr&, uint64_t) {
            ++rows;
            return true;
        });
        readerNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        start = Clock::now();
        const size_t joined = joinedQuery(local);
        joinNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        if (rows != size_t(kTracks) || joined != rows) state.SkipWithError("wrong number of rows");
    }
    const double n = double(state.iterations());
    state.counters["reader_ms"] = double(readerNanos) / n / 1e6;
    state.counters["joined_query_ms"] = double(joinNanos) / n / 1e6;
    state.counters["reader_over_query"] = double(readerNanos) / double(joinNanos);
}
BENCHMARK(ReaderAgainstJoinedQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

struct Counting : disk::MusicScanSink {
    size_t filed = 0;
    void deliver(const PRTranMusicNodePtr&, bool) override { ++filed; }
    void progress(float) override {}
};

// Every record one scan files, in order, with its kind.
struct Checking : disk::MusicScanSink {
    bench::OutputCheck check;
    void deliver(const PRTranMusicNodePtr& record, bool video) override {
        check.addFields(*record);
        check.add(int64_t{video});
    }
    void progress(float) override {}
};

void MusicScanOfSimulatedDevice(benchmark::State& state) {
    BenchLibrary& bench = benchLibrary();
    TimedServices services(disk::deviceDiskServices());
    {
        Checking sink;
        sink.check.nameFolder(bench.root);
        disk::MusicScan::Options options;
        options.localFolder = bench.root + "/scan";
        sink.check.add(static_cast<int64_t>(disk::MusicScan(services, options, sink).startScanDeviceMusic()));
        if (!bench::outputUnchanged(state, "disk_media_MusicScan", sink.check.finish())) return;
    }
    int64_t totalNanos = 0, deviceNanos = 0;
    for (auto _ : state) {
        Counting sink;
        disk::MusicScan::Options options;
        options.localFolder = bench.root + "/scan";
        g_deviceNanos = 0;
        const auto start = Clock::now();
        disk::MusicScan scan(services, options, sink);
        if (scan.startScanDeviceMusic() != disk::MusicScan::Outcome::Finished)
            state.SkipWithError("scan did not finish");
        totalNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        deviceNanos += g_deviceNanos;
        if (sink.filed != size_t(kTracks)) state.SkipWithError("wrong number of tracks filed");
    }
    const double n = double(state.iterations());
    state.counters["total_ms"] = double(totalNanos) / n / 1e6;
    state.counters["device_calls_ms"] = double(deviceNanos) / n / 1e6;
    state.counters["without_device_ms"] = double(totalNanos - deviceNanos) / n / 1e6;
}
BENCHMARK(MusicScanOfSimulatedDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
