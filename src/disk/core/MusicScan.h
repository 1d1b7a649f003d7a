// The disk manager's music and video scan: fetches the device's media library, reads it with
// the shared reader and files each track whose file is on the device as music or video, adding
// its size to the kind's total. Runs on one worker thread.
#pragma once

#include "disk/core/DiskDeviceServices.h"
#include "model/PRTranMusicNode.h"

#include <atomic>
#include <functional>
#include <string>

namespace disk {

class MusicScanSink {
public:
    virtual ~MusicScanSink() = default;
    // A track filed in the video list (video) or the music list; returns once taken.
    virtual void deliver(const PRTranMusicNodePtr& record, bool video) = 0;
    virtual void progress(float value) = 0;
};

class MusicScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::function<bool()> deviceConnected;    // false ends the read after the current row
        const std::atomic<bool>* stop = nullptr;  // true ends the read after the current row
        std::string localFolder;                  // where the database copy goes; the private "DB" folder when empty
    };

    MusicScan(DiskDeviceServices& services, Options options, MusicScanSink& sink);

    enum class Outcome { Finished, NoService, Disconnected, Stopped };
    Outcome startScanDeviceMusic();

    uint64_t allMusicFileSize() const { return music_; }
    uint64_t allVideoFileSize() const { return video_; }

private:
    DiskDeviceServices& services_;
    Options options_;
    MusicScanSink& sink_;
    uint64_t music_ = 0, video_ = 0;
};

}  // namespace disk
