#include "disk/core/DiskScanState.h"

#include <algorithm>

namespace disk {

DiskScanGroup groupOf(DiskCategory category) {
    switch (category) {
    case DiskCategory::Photos: return DiskScanGroup::Photos;
    case DiskCategory::Music:
    case DiskCategory::Videos: return DiskScanGroup::MusicAndVideos;
    case DiskCategory::Books: return DiskScanGroup::Books;
    case DiskCategory::UserApps:
    case DiskCategory::SystemApps: return DiskScanGroup::Apps;
    case DiskCategory::UserData: break;
    }
    return DiskScanGroup::UserData;
}

DiskScanState::LaunchAction DiskScanState::launch(DiskCategory category) {
    if (category == DiskCategory::Music || category == DiskCategory::Videos)
        bClickMusic = category == DiskCategory::Music;
    if (category == DiskCategory::UserApps || category == DiskCategory::SystemApps)
        bUserApps = category == DiskCategory::UserApps;
    Phase& phase = phases_[index(groupOf(category))];
    switch (phase) {
    case Phase::Finished: return LaunchAction::ShowResults;
    case Phase::Scanning: return LaunchAction::ShowTable;
    case Phase::NeverScanned: break;
    }
    phase = Phase::Scanning;
    return LaunchAction::StartScan;
}

bool DiskScanState::beginWholeRun() {
    if (anyScanning()) return false;
    phases_.fill(Phase::Scanning);
    return true;
}

void DiskScanState::finished(DiskScanGroup group) { phases_[index(group)] = Phase::Finished; }

void DiskScanState::failed(DiskScanGroup group) { phases_[index(group)] = Phase::NeverScanned; }

bool DiskScanState::anyScanning() const {
    return std::any_of(phases_.begin(), phases_.end(), [](Phase p) { return p == Phase::Scanning; });
}

DiskCategory DiskScanState::resultCategory(DiskScanGroup group) const {
    switch (group) {
    case DiskScanGroup::Photos: return DiskCategory::Photos;
    case DiskScanGroup::MusicAndVideos: return bClickMusic ? DiskCategory::Music : DiskCategory::Videos;
    case DiskScanGroup::Books: return DiskCategory::Books;
    case DiskScanGroup::Apps: return bUserApps ? DiskCategory::UserApps : DiskCategory::SystemApps;
    case DiskScanGroup::UserData: break;
    }
    return DiskCategory::UserData;
}

}  // namespace disk
