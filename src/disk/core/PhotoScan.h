// The disk manager's photo scan: every entry of the camera roll ("/DCIM/*APPLE*"), the photo
// stream ("/PhotoStreamsData/*/*APPLE*") and the synced photo library ("/PhotoData/Sync/*SYNCD*",
// older devices "/Photos/Sync/*SYNCD*") becomes a photo record labelled with its source, in
// that order; folder names match without regard to case. Runs on one worker thread.
#pragma once

#include "disk/core/DiskDeviceServices.h"
#include "model/PRPhotoAndVideoNode.h"

#include <atomic>
#include <functional>

namespace disk {

class PhotoScanSink {
public:
    virtual ~PhotoScanSink() = default;
    // One record and the progress after it; returns once taken.
    virtual void deliver(const PRPhotoAndVideoNodePtr& record, float progress) = 0;
    // The progress at the end of a source.
    virtual void progress(float value) = 0;
};

class PhotoScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::function<bool()> deviceConnected;    // false ends the scan after the current file
        const std::atomic<bool>* stop = nullptr;  // true ends the scan after the current file
    };

    PhotoScan(DiskDeviceServices& services, Options options, PhotoScanSink& sink);

    enum class Outcome { Finished, NoService, Disconnected, Stopped };
    Outcome startScanDevicePhoto();

    uint64_t allPhotoFileSize() const { return total_; }

private:
    struct Source;
    // The files of one matching folder; false when the scan must end.
    bool walkFolder(amd::FileService& service, const Source& source, const std::string& folder, int& made);

    DiskDeviceServices& services_;
    Options options_;
    PhotoScanSink& sink_;
    uint64_t total_ = 0;
    Outcome ending_ = Outcome::Finished;
};

}  // namespace disk
