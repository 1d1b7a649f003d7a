// What the disk manager's category rows do when opened, and where each category's scan stands.
// Seven categories share five scans: music and videos are one scan, user and system apps one.
// A scan goes never scanned -> scanning -> finished; a scan that cannot start or whose device
// leaves goes back to never scanned, so the next opening scans again. Main thread only.
#pragma once

#include <array>
#include <cstddef>

namespace disk {

enum class DiskCategory { Photos, Music, Videos, Books, UserApps, SystemApps, UserData };
// The scans, in the order of a whole run.
enum class DiskScanGroup { Photos, MusicAndVideos, Books, Apps, UserData };
inline constexpr std::array<DiskScanGroup, 5> kWholeRunOrder = {DiskScanGroup::Photos, DiskScanGroup::MusicAndVideos,
                                                                DiskScanGroup::Books, DiskScanGroup::Apps,
                                                                DiskScanGroup::UserData};

DiskScanGroup groupOf(DiskCategory category);

class DiskScanState {
public:
    enum class Phase { NeverScanned, Scanning, Finished };
    enum class LaunchAction { ShowResults, ShowTable, StartScan };

    // Opening a category: its results once scanned, the category table while it scans, else a
    // new scan (the group is scanning from then on). Music and videos note which of the two
    // was opened last, as do the two app rows.
    LaunchAction launch(DiskCategory category);
    // A whole run: every scan starts over, in kWholeRunOrder. Refused (false) while any scan
    // runs, so that no category is scanned twice at once.
    bool beginWholeRun();
    void finished(DiskScanGroup group);
    // The scan could not start, or its device left: it can be started again.
    void failed(DiskScanGroup group);

    Phase phase(DiskScanGroup group) const { return phases_[index(group)]; }
    bool scanStarted(DiskScanGroup group) const { return phase(group) == Phase::Scanning; }
    bool scanFinished(DiskScanGroup group) const { return phase(group) == Phase::Finished; }
    bool anyScanning() const;
    // The category whose results a finished scan shows.
    DiskCategory resultCategory(DiskScanGroup group) const;

    bool bClickMusic = false;  // music was opened after videos
    bool bUserApps = false;    // user apps were opened after system apps

private:
    static std::size_t index(DiskScanGroup group) { return static_cast<size_t>(group); }
    std::array<Phase, kWholeRunOrder.size()> phases_{};
};

}  // namespace disk
