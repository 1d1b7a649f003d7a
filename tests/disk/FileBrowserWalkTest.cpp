// The file browser's walk when it does not end normally: a device that leaves stops the busy
// widgets and the next visit walks again from nothing; a page that goes mid-walk stops and waits
// for its worker.
#include "MemoryDiskDevice.h"
#include "TestSupport.h"
#include "disk/PRPhoneSystemViewController.h"
#include "disk/PRSystemLibTreeController.h"

#include <QLabel>
#include <QProgressBar>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

class FileBrowserWalkTest : public testsupport::HomeTest {
protected:
    FileBrowserWalkTest() {
        for (int f = 0; f < 20; ++f)
            for (int i = 0; i < 10; ++i) device.media.addFile("/F" + std::to_string(f) + "/f" + std::to_string(i), "x");
    }
    MemoryDiskDevice device;
    QWidget host;
};

TEST_F(FileBrowserWalkTest, ADeviceThatLeavesStopsTheBusyWidgetsAndTheNextVisitWalksAgain) {
    PRPhoneSystemViewController page(device);
    std::atomic<int> asked{0};
    std::atomic<bool> attached{true};
    page.deviceConnected = [&] { return ++asked < 30 ? true : attached.load(); };
    page.showPhoneSystemView(&host);
    attached = false;
    page.LookupSystemTree(0);
    EXPECT_TRUE(page.infolab->isVisibleTo(&host));
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.runningWorkers() == 0 && !page.bScanStart; }));
    EXPECT_FALSE(page.bLoadFinished);
    EXPECT_FALSE(page.progressor->isVisibleTo(&host));

    attached = true;
    page.LookupSystemTree(0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.bLoadFinished && page.runningWorkers() == 0; }));
    const PRPhoneSystemDirNodePtr root = page.libTreeController->content().at(0);
    EXPECT_EQ(root->children().size(), 20u);
    for (const auto& folder : root->children()) EXPECT_EQ(folder->fileChildren().size(), 10u);
}

TEST_F(FileBrowserWalkTest, APageThatGoesMidWalkWaitsForItsWorker) {
    auto page = std::make_unique<PRPhoneSystemViewController>(device);
    page->deviceConnected = [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return true;
    };
    page->showPhoneSystemView(&host);
    page->LookupSystemTree(0);
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    ASSERT_EQ(page->runningWorkers(), 1);
    page.reset();  // returns once the worker has ended
    EXPECT_TRUE(testsupport::waitForWorkers(std::chrono::seconds(5)));
}

}  // namespace
