// The recovery of 1 GB of backup files (four of 200 MB, 3,200 of 64 KB in 40 folders) against
// `cp -r` of the same files; the recovery of a message history of 400,000 messages in 2,000
// conversations into its page, with the memory it takes beside the records (held_MB: the page is
// written as it is made, so next to nothing); and the photo grid's first screen of thumbnails
// with 200 and with 20,000 photos in the backup.
#include "../support/ApplicationMain.h"
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRSrollThumView.h"
#include "browser/PRThumbnailModel.h"
#include "browser/core/PRBackupFileTree.h"
#include "browser/core/PRBackupRecovery.h"
#include "platform/ResidentMemory.h"

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

void writeRandom(const std::string& path, size_t size, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    std::ofstream out(path, std::ios::binary);
    for (size_t left = size; left > 0;) {
        for (auto& v : block) v = gen();
        const size_t n = std::min(left, block.size() * sizeof(uint64_t));
        out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(n));
        left -= n;
    }
}

// The backup's files on disk and a marked tree over them.
struct GigabyteBackup {
    bench::TempFolder made{"recovery-bench"};
    std::string folder = made.path();
    std::string files = folder + "/files";
    PRTreeDirNodePtr root = std::make_shared<PRTreeDirNode>();
    uint64_t bytes = 0;

    GigabyteBackup() {
        root->setFileName("HomeDomain");
        auto add = [this](const PRTreeDirNodePtr& dir, const std::string& relative, size_t size, unsigned seed) {
            const std::string path = files + "/" + relative;
            fs::create_directories(fs::path(path).parent_path());
            writeRandom(path, size, seed);
            auto file = std::make_shared<PRTreeFileNode>();
            file->setFilePath(path);
            file->setDirFilePath(relative);
            file->setIsFile(true);
            file->setRealFileSize(size);
            file->setParent(dir);
            dir->addFileChildren(file);
            bytes += size;
        };
        for (int i = 0; i < 4; ++i) add(root, "large/video" + std::to_string(i) + ".mov", 200u << 20, unsigned(i));
        for (int d = 0; d < 40; ++d) {
            auto dir = std::make_shared<PRTreeDirNode>();
            dir->setFileName("d" + std::to_string(d));
            dir->setParent(root);
            root->children().push_back(dir);
            for (int f = 0; f < 80; ++f)
                add(dir, "small/d" + std::to_string(d) + "/f" + std::to_string(f), 64u << 10,
                    unsigned(1000 + d * 80 + f));
        }
        PRBackupFileTree::setFolderState(root, PRTreeSelected);
    }
};

GigabyteBackup& backup() {
    static GigabyteBackup made;
    return made;
}

// Recovers selection into out once, untimed, and checks that what it wrote (counts and files) is
// what the previous build wrote; out is removed after.
bool recoveryUnchanged(benchmark::State& state, const PRRecoverySelection& selection, const std::string& out,
                       const char* name) {
    const PRRecoveryResult result = PRBackupRecovery().recoverFilesThread(selection, out);
    bench::OutputCheck check;
    check.add(static_cast<int64_t>(result.written));
    check.add(static_cast<int64_t>(result.failures));
    check.addFolder(out, true);
    fs::remove_all(out);
    return bench::outputUnchanged(state, name, check.finish());
}

void RecoveryOfOneGigabyte(benchmark::State& state) {
    GigabyteBackup& b = backup();
    PRRecoverySelection selection;
    selection.deviceName = "Bench iPhone";
    selection.treeRoots = {b.root};
    if (!recoveryUnchanged(state, selection, b.folder + "/recovered", "recovery_RecoveryOfOneGigabyte")) return;
    for (auto _ : state) {
        const std::string out = b.folder + "/recovered";
        PRBackupRecovery recovery;
        const PRRecoveryResult result = recovery.recoverFilesThread(selection, out);
        if (!result.ok()) state.SkipWithError(result.firstReason.c_str());
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * b.bytes));
}

// A heavy history: every conversation marked, each message's text of a phone's usual length.
std::vector<PRMessageTreeNodePtr> messageHistory(int messages, int conversations) {
    std::vector<PRMessageTreeNodePtr> made;
    for (int c = 0; c < conversations; ++c) {
        auto conversation = std::make_shared<PRMessageTreeNode>();
        conversation->setMessageTreeNodeName("Friend " + std::to_string(c));
        conversation->setMessageTreeNodeAdress("+1 555 01" + std::to_string(1000 + c));
        conversation->setBSelected(true);
        made.push_back(conversation);
    }
    std::mt19937 gen(7);
    for (int m = 0; m < messages; ++m) {
        auto message = std::make_shared<PRMessageNode>();
        message->setMessageName(made[size_t(m % conversations)]->messageTreeNodeName());
        message->setMessageType(m % 2 ? "Send" : "Received");
        message->setMessageDate("03-01-2013 10:30");
        message->setMessageContent("See you at " + std::to_string(gen() % 24) + " & bring the <notes> ✓ " +
                                   std::string(gen() % 60, 'x'));
        made[size_t(m % conversations)]->MessageNodeArray().push_back(message);
    }
    return made;
}

void RecoveryOfAMessageHistory(benchmark::State& state) {
    bench::TempFolder made("recovery-bench-messages");
    PRRecoverySelection selection;
    selection.deviceName = "Bench iPhone";
    selection.messageTreeArray = messageHistory(int(state.range(0)), 2000);
    const std::string out = made.path() + "/recovered";
    const std::string page =
        out + "/" + PRBackupRecovery::kMessageFolder + "/" + PRBackupRecovery::kMessagePageName + ".html";
    if (!recoveryUnchanged(state, selection, out, "recovery_RecoveryOfAMessageHistory")) return;
    double pageBytes = 0, heldMegabytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const int before = residentmemory::heldMegabytes();
        const bool measured = residentmemory::restartPeak();
        state.ResumeTiming();
        const PRRecoveryResult result = PRBackupRecovery().recoverFilesThread(selection, out);
        state.PauseTiming();
        if (!result.ok()) state.SkipWithError(result.firstReason.c_str());
        if (measured) heldMegabytes = std::max(heldMegabytes, double(residentmemory::peakMegabytes() - before));
        std::error_code missing;
        const auto size = fs::file_size(page, missing);
        pageBytes = missing ? 0 : double(size);
        fs::remove_all(out);
        state.ResumeTiming();
    }
    state.counters["page_MB"] = pageBytes / 1e6;
    state.counters["held_MB"] = heldMegabytes;
    state.SetBytesProcessed(int64_t(double(state.iterations()) * pageBytes));
}

void CpOfTheSameFiles(benchmark::State& state) {
    GigabyteBackup& b = backup();
    const std::string out = b.folder + "/copied";
    const std::string command = "cp -r '" + b.files + "' '" + out + "'";
    {
        bench::OutputCheck check;
        check.add(int64_t{std::system(command.c_str())});
        check.addFolder(out, true);
        fs::remove_all(out);
        if (!bench::outputUnchanged(state, "recovery_CpOfTheSameFiles", check.finish())) return;
    }
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * b.bytes));
}

// Photos of a backup: records over 64 distinct 1024 x 768 JPEG files.
std::vector<PRPhotoAndVideoNodePtr> photoRecords(int count) {
    static const bench::TempFolder made("grid-bench");
    static const std::string folder = [] {
        const std::string& dir = made.path();
        QImage image(1024, 768, QImage::Format_RGB32);
        for (int i = 0; i < 64; ++i) {
            image.fill(QColor::fromHsv(i * 5, 180, 200));
            image.save(QString::fromStdString(dir + "/IMG_" + std::to_string(i) + ".JPG"), "JPG", 85);
        }
        return dir;
    }();
    std::vector<PRPhotoAndVideoNodePtr> records;
    records.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        auto p = std::make_shared<PRPhotoAndVideoNode>();
        p->setFileNodeName("IMG_" + std::to_string(i) + ".JPG");
        p->setFilePath(folder + "/IMG_" + std::to_string(i % 64) + ".JPG");
        records.push_back(p);
    }
    return records;
}

// What the first screen shows: each visible cell's title and thumbnail.
std::string firstScreenDigest(const PRThumbnailModel& model, int visible) {
    bench::OutputCheck check;
    for (int row = 0; row < visible; ++row) {
        const QModelIndex index = model.index(row, 0);
        check.add(model.data(index, Qt::DisplayRole).toString().toStdString());
        const QImage image =
            model.data(index, Qt::DecorationRole).value<QImage>().convertToFormat(QImage::Format_ARGB32);
        check.add(int64_t{image.width()});
        check.add(int64_t{image.height()});
        check.add(reinterpret_cast<const char*>(image.constBits()), size_t(image.sizeInBytes()));
    }
    return check.finish();
}

// From the records handed to the grid to the first screen's thumbnails decoded.
void GridFirstScreen(benchmark::State& state) {
    const auto records = photoRecords(int(state.range(0)));
    bool checked = false;
    for (auto _ : state) {
        PRPhotoAndVideoController photos;
        PRThumbnailModel model(&photos);
        PRSrollThumView grid;
        grid.resize(720, 580);  // 5 columns, 4 rows
        grid.setThumbnailModel(&model);
        grid.show();
        photos.setRecords(records);
        const int visible = std::min(int(records.size()), 20);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        auto loaded = [&] {
            for (int row = 0; row < visible; ++row)
                if (!model.isLoaded(row)) return false;
            return true;
        };
        while (!loaded() && std::chrono::steady_clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (!loaded()) state.SkipWithError("the first screen did not load");
        state.PauseTiming();
        // The first screen is checked once, its time left out like the rest of the queue's.
        const bool same =
            checked || bench::outputUnchanged(state, "recovery_GridFirstScreen_" + std::to_string(state.range(0)),
                                              firstScreenDigest(model, visible));
        checked = true;
        model.waitForIdle();
        state.ResumeTiming();
        if (!same) break;
    }
}

}  // namespace

BENCHMARK(RecoveryOfOneGigabyte)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(CpOfTheSameFiles)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(RecoveryOfAMessageHistory)->Arg(400000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(GridFirstScreen)->Arg(200)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char** argv) { return bench::runInApplication(argc, argv); }
