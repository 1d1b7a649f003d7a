#include "AppFixture.h"
#include "appcore/AppShell.h"
#include "appcore/AppState.h"

#include <thread>
#include <vector>

using apptest::AppTest;

TEST(AppState, WithoutAnApplicationPagesSeeAnAttachedDeviceAndTheDefaultFolder) {
    testsupport::TempHome home;
    ASSERT_EQ(AppState::current(), nullptr);
    EXPECT_TRUE(AppState::deviceCountsAsConnected());
    EXPECT_EQ(AppState::exportFolder().toStdString(), home.path() + "/Documents/Quillomatrix");
}

TEST(AppState, CountersRiseFromManyThreadsAndLowerNoFurtherThanZero) {
    AppState state;
    std::vector<std::thread> workers;
    for (int i = 0; i < 8; ++i)
        workers.emplace_back([&] {
            for (int j = 0; j < 1000; ++j) state.raiseCounter(AppCounter::TotalAppRemoveFileSize, 3);
        });
    for (auto& w : workers) w.join();
    EXPECT_EQ(state.counter(AppCounter::TotalAppRemoveFileSize), 24000u);
    EXPECT_EQ(state.counter(AppCounter::TotalPhotoRemoveFileSize), 0u);  // each category apart

    state.setCounter(AppCounter::AllCacheFileNumber, 10);
    EXPECT_EQ(state.lowerCounter(AppCounter::AllCacheFileNumber, 4), 6u);
    EXPECT_EQ(state.lowerCounter(AppCounter::AllCacheFileNumber, 100), 0u);
    EXPECT_EQ(state.counter(AppCounter::AllCacheFileNumber), 0u);
}

TEST_F(AppTest, TheDelegatesStateIsWhatPagesReadAndGoesWithIt) {
    ASSERT_EQ(AppState::current(), &app->state());
    EXPECT_FALSE(AppState::deviceCountsAsConnected());  // no device attached yet
    app->setQuillomatrixExportPath("/elsewhere");
    EXPECT_EQ(AppState::exportFolder(), "/elsewhere");
    app.reset();
    EXPECT_EQ(AppState::current(), nullptr);
}

TEST_F(AppTest, PagesReachTheWindowThroughTheShellOnlyWhileTheDelegateRuns) {
    AppShell* shell = AppShell::current();
    ASSERT_EQ(shell, static_cast<AppShell*>(app.get()));
    ASSERT_NE(shell->window(), nullptr);
    EXPECT_EQ(shell->window(), app->window());
    app.reset();
    EXPECT_EQ(AppShell::current(), nullptr);  // a page left behind navigates nowhere
}
