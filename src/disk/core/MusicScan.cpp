#include "disk/core/MusicScan.h"

#include "disk/core/LocalCopies.h"
#include "disk/core/MediaLibraryReader.h"
#include "platform/LogCategories.h"

namespace disk {

MusicScan::MusicScan(DiskDeviceServices& services, Options options, MusicScanSink& sink)
    : services_(services), options_(std::move(options)), sink_(sink) {}

MusicScan::Outcome MusicScan::startScanDeviceMusic() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (!service) return Outcome::NoService;
    const std::string folder = options_.localFolder.empty() ? localCopyFolder("DB") : options_.localFolder;
    const std::string local =
        folder.empty() ? std::string() : fetchMediaLibrary(*service, folder, [this](float v) { sink_.progress(v); });

    MediaLibraryReader reader(local);
    Outcome outcome = Outcome::Finished;
    // One service serves the existence checks of every row.
    const auto file = [&](const PRTranMusicNodePtr& record, uint64_t rowSize) {
        if (options_.stop && *options_.stop) {
            outcome = Outcome::Stopped;
            return false;
        }
        if (options_.deviceConnected && !options_.deviceConnected()) {
            outcome = Outcome::Disconnected;
            return false;
        }
        amd::FileEntry entry;
        const bool onDevice =
            !record->musicLoctionpath().empty() && service->FileInfo(record->musicLoctionpath(), entry);
        qCDebug(lcDisk, "musicdic===%s: %s", record->musicLoctionpath().c_str(), onDevice ? "found" : "missing");
        if (!onDevice) return true;
        if (record->musicType() == "Music") {
            music_ += rowSize;
            sink_.deliver(record, false);
        } else if (record->musicType() == "Video") {
            video_ += rowSize;
            sink_.deliver(record, true);
        }
        return true;
    };
    reader.ReadMusicInfoFromHandleTablewithSqlitePath(file, [this](float v) { sink_.progress(v); });
    // Without a library copy nothing is read: the progress stays where the copies left it and
    // the lists stay empty.
    if (outcome == Outcome::Finished && options_.deviceConnected && !options_.deviceConnected())
        outcome = Outcome::Disconnected;
    return outcome;
}

}  // namespace disk
