// backup-dump [--transfer | --carve] [--quiet] FOLDER: runs the backup browser's readers (or, with
// --transfer, the transfer pages' database readers) on an iTunes backup folder and prints every
// notification they post as one line of JSON; with --carve the deleted-record carvers run too and
// their deleted records are printed the same way, after the readers' records. With --quiet the
// records are not printed: one line per notification name gives how many were posted, in the
// order the names first came (the scan's own cost, without making hundreds of megabytes of text).
// With --carve, how much of each database the carvers looked through (the file's pages and the
// frames of its write-ahead log) goes to standard error, a line each: "carved PATH: all N pages
// and F frames (...)", the frames its log kept of an earlier run counted among them ("and F
// frames, E of them of an earlier run of the log"), or "carved PATH: only E of N pages and
// frames looked through", followed by the layout each table's rows were read by ("; message:
// the file's own layout").
// Exits 0 after a complete run (every line written), 1 when the folder is not a backup (with a
// message) or the output could not be written, 2 on wrong usage.
#include "BackupReaders.h"
#include "DeletedRecordCarvers.h"
#include "HandOff.h"
#include "NotificationJson.h"
#include "backup/PreparedDatabase.h"
#include "backup/carve/CarveAll.h"
#include "platform/HeapGrowth.h"
#include "platform/Prefetch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

namespace {
constexpr size_t kFlushSize = 1 << 20;

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool isBackupFolder(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    return exists(folder + "/Manifest.mbdb") || exists(folder + "/Info.plist") || exists(folder + "/Manifest.plist");
}
}  // namespace

int main(int argc, char** argv) {
    heapgrowth::growInLargeSteps();
    bool transfer = false, carve = false, quiet = false, known = argc >= 2;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string option = argv[i];
        bool& flag = option == "--transfer" ? transfer : option == "--carve" ? carve : quiet;
        known = known && (option == "--transfer" || option == "--carve" || option == "--quiet") && !flag;
        flag = true;
    }
    if (!known || (transfer && carve)) {
        std::fprintf(stderr, "usage: backup-dump [--transfer | --carve] [--quiet] BACKUP-FOLDER\n");
        return 2;
    }
    std::string folder = argv[argc - 1];
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!isBackupFolder(folder)) {
        std::fprintf(
            stderr, "backup-dump: %s is not an iTunes backup folder (no Manifest.mbdb, Info.plist or Manifest.plist)\n",
            folder.c_str());
        return 1;
    }

    // The readers post on nc; what they post is handed, in order, to a printing thread that
    // posts it again on printed, where the lines are made. Building and writing the lines then
    // costs the readers nothing. The carvers' intake collects the records on nc itself, so that
    // it has them all, and can start on them, as soon as the readers are done.
    struct Posted {
        const std::string* name = nullptr;
        NSObjectPtr object;
        std::function<void()> task;  // when set, run on the printing thread in a record's stead
    };
    // The printing thread may fall behind the readers (a record's line costs more than its
    // reading): held back after some sixteen thousand records, the readers keep no more alive.
    constexpr size_t kMostWaiting = 1 << 14;
    constexpr size_t kGiveBackEvery = 1 << 16;
    HandOff<Posted> handOff(kMostWaiting);
    NSNotificationCenter nc, printed;
    int observer = 0;
    std::string lines;  // gathered, then written in large pieces
    bool written = true;
    auto flush = [&] {
        if (!lines.empty() && std::fwrite(lines.data(), 1, lines.size(), stdout) != lines.size()) written = false;
        lines.clear();
    };
    // With --quiet, in order of first post. Each record is dropped once counted (or printed):
    // nothing here keeps one.
    std::vector<std::pair<const std::string*, size_t>> counted;
    for (const NoticeName* notice : transfer ? transferReaderNotices() : backupReaderNotices()) {
        const std::string& name = notice->name();
        notice->observe(nc, &observer, [&handOff, &name](const NSNotification& n) {
            handOff.push({&name, n.object(), {}});
        });
        notice->observe(printed, &observer, [&](const NSNotification& notification) {
            if (quiet) {
                auto it = std::find_if(counted.begin(), counted.end(), [&](const auto& c) { return c.first == &name; });
                if (it == counted.end()) it = counted.insert(counted.end(), {&name, 0});
                ++it->second;
                return;
            }
            appendNotificationJson(lines, notification);
            lines += '\n';
            if (lines.size() >= kFlushSize) flush();
        });
    }
    std::optional<DeletedRecordCarvers> carvers;
    if (carve) carvers.emplace(nc, printed, folder, quiet);
    std::thread printer([&] {
        size_t dropped = 0;
        handOff.takeAll(
            [&](Posted& posted) {
                if (posted.task) {
                    posted.task();
                    return;
                }
                printed.postNotificationName(*posted.name, std::move(posted.object));
                // The records were made on other threads, whose heaps keep what is freed here
                // for their own next records: what they make no more goes back now and then.
                if (++dropped % kGiveBackEvery == 0) heapgrowth::giveBackFreed();
            },
            [](const Posted& posted) { prefetchShared(posted.object.get()); });
    });

    PRBackupScanState state;
    // The contacts name the numbers of messages and calls alone: without either database, none
    // is kept (each goes once printed or counted).
    state.listsContacts = transfer || carve::namesNumbers(folder);
    auto read = [&] {
        if (transfer)
            runTransferReaders(folder, state, nc);
        else
            runBackupReaders(
                folder, state, nc,
                [&] {
                    if (carvers)
                        carvers->prepare({state.currentNodeIsiOS6Version, state.bIOS7DeviceNode, state.messageGroups});
                },
                [&] {
                    if (carvers) carvers->waitForContactCarve();
                });
        // What the readers kept for one another (the contacts that name messages and calls)
        // goes while the carvers still carve.
        state.removeSomeArray();
        state.transContactArray.clear();
        heapgrowth::giveBackFreed();
        if (carvers) {
            carvers->readersDone();
            // The deleted records are posted after the readers' last one.
            handOff.push({nullptr, nullptr, [&] { carvers->finish(); }});
        }
        handOff.close();
    };
    if (carvers) {
        // The carvers, whose many short-lived allocations are cheapest on the main thread's
        // heap, carve here; the readers read beside them.
        std::thread readers(read);
        carvers->carve();
        readers.join();
    } else {
        read();
    }
    printer.join();
    nc.removeObserver(&observer);
    printed.removeObserver(&observer);
    for (const auto& [name, count] : counted) {
        appendJsonString(lines.append("{\"name\": "), *name);
        lines += ", \"count\": " + std::to_string(count) + "}\n";
    }
    flush();
    const int status = std::fflush(stdout) == 0 && written ? 0 : 1;
    // Records read without a journal SQLite could not use are those of the last checkpoint.
    for (const std::string& database : PreparedDatabase::journalsSetAside())
        std::fprintf(stderr,
                     "backup-dump: the journal of %s could not be read; its records are as of the last checkpoint\n",
                     database.c_str());
    if (carvers)
        for (const carve::CarveCoverage& c : carvers->coverage()) {
            std::string layouts;
            for (const std::string& note : c.layouts) layouts += "; " + note;
            const auto pages = static_cast<long long>(c.pages), frames = static_cast<long long>(c.frames);
            std::string ofLog = frames ? " and " + std::to_string(frames) + " frames" : std::string();
            if (c.earlierFrames)
                ofLog += ", " + std::to_string(c.earlierFrames) + " of them of an earlier run of the log";
            if (c.complete())
                std::fprintf(stderr, "carved %s: all %lld pages%s (%lld looked through, %lld header page%s)%s%s%s\n",
                             c.file.c_str(), pages, ofLog.c_str(), static_cast<long long>(c.examined),
                             static_cast<long long>(c.headerPages), c.headerPages == 1 ? "" : "s",
                             c.partialBytes ? " and bytes past the last whole page" : "",
                             c.framesLeft ? (", " + std::to_string(c.framesLeft) +
                                             " frames of the log written by no committed transaction left")
                                                .c_str()
                                          : "",
                             layouts.c_str());
            else
                std::fprintf(stderr, "carved %s: only %lld of %lld pages%s looked through%s\n", c.file.c_str(),
                             static_cast<long long>(c.examined + c.headerPages), pages + frames,
                             frames ? " and frames" : "", layouts.c_str());
        }
    // Everything is written. The records of a large backup are millions of small allocations
    // that the system takes back at once when the process ends; freeing them one by one first
    // would only keep the caller waiting.
    std::fflush(stderr);
    std::_Exit(status);
}
