// Where each category's scan stands, and the usage overview's figures.
#include "disk/core/DiskScanState.h"
#include "disk/core/UsageOverview.h"

#include <gtest/gtest.h>

namespace {

using disk::DiskCategory;
using disk::DiskScanGroup;
using Action = disk::DiskScanState::LaunchAction;

TEST(DiskScanState, ACategoryScansOnceShowsItsTableWhileScanningAndItsResultsAfter) {
    disk::DiskScanState state;
    EXPECT_EQ(state.launch(DiskCategory::Photos), Action::StartScan);
    EXPECT_TRUE(state.scanStarted(DiskScanGroup::Photos));
    EXPECT_EQ(state.launch(DiskCategory::Photos), Action::ShowTable);
    state.finished(DiskScanGroup::Photos);
    EXPECT_EQ(state.launch(DiskCategory::Photos), Action::ShowResults);
    EXPECT_FALSE(state.scanStarted(DiskScanGroup::Photos));
}

TEST(DiskScanState, PairsShareOneScanAndRememberWhichRowWasOpened) {
    disk::DiskScanState state;
    EXPECT_EQ(state.launch(DiskCategory::Music), Action::StartScan);
    EXPECT_TRUE(state.bClickMusic);
    EXPECT_EQ(state.launch(DiskCategory::Videos), Action::ShowTable);
    EXPECT_FALSE(state.bClickMusic);
    state.finished(DiskScanGroup::MusicAndVideos);
    EXPECT_EQ(state.resultCategory(DiskScanGroup::MusicAndVideos), DiskCategory::Videos);
    EXPECT_EQ(state.launch(DiskCategory::Videos), Action::ShowResults);

    EXPECT_EQ(state.launch(DiskCategory::SystemApps), Action::StartScan);
    EXPECT_FALSE(state.bUserApps);
    EXPECT_EQ(state.resultCategory(DiskScanGroup::Apps), DiskCategory::SystemApps);
    EXPECT_EQ(state.launch(DiskCategory::UserApps), Action::ShowTable);
    EXPECT_EQ(state.resultCategory(DiskScanGroup::Apps), DiskCategory::UserApps);
}

TEST(DiskScanState, AFailedScanCanStartAgainAndAWholeRunWaitsForRunningScans) {
    disk::DiskScanState state;
    EXPECT_EQ(state.launch(DiskCategory::UserApps), Action::StartScan);
    EXPECT_FALSE(state.beginWholeRun());
    state.failed(DiskScanGroup::Apps);
    EXPECT_EQ(state.launch(DiskCategory::SystemApps), Action::StartScan);
    state.finished(DiskScanGroup::Apps);

    ASSERT_TRUE(state.beginWholeRun());
    for (DiskScanGroup g : disk::kWholeRunOrder) EXPECT_TRUE(state.scanStarted(g));
    // A row opened during the run shows the table instead of a second scan.
    EXPECT_EQ(state.launch(DiskCategory::Books), Action::ShowTable);
    for (DiskScanGroup g : disk::kWholeRunOrder) state.finished(g);
    EXPECT_TRUE(state.beginWholeRun());
}

TEST(UsageArea, FiguresTheDeviceDidNotGiveLeaveTheAreaEmpty) {
    for (auto [capacity, available] : {std::pair<uint64_t, uint64_t>{0, 0}, {0, 5}, {10, 11}}) {
        const disk::UsageArea area = disk::UsageArea::of(capacity, available);
        EXPECT_FALSE(area.known);
        EXPECT_EQ(area.ratio, 0.0f);
        EXPECT_EQ(area.usedText("User Used:"), "User Used:");
        EXPECT_EQ(area.freeText("User Free:"), "User Free:");
    }
}

}  // namespace
