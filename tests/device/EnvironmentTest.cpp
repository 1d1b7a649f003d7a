// The application's road: a device folder named in the environment is attached when the
// device manager subscribes, announced with "DeviceConnect", and removed with "DeviceDisConnect";
// renaming its folder pulls it out while the program runs, and naming it back plugs it in again.
#include "DeviceFolder.h"
#include "device/BaseInfo.h"
#include "device/DeviceManager.h"
#include "device/DeviceNotices.h"
#include "device/PRDeviceNotify.h"
#include "platform/NotificationCenter.h"
#include "platform/SimulatedDevices.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace devicetest;

TEST(SimulatedDeviceEnvironment, AttachedAtSubscription) {
    testsupport::TempHome home;
    std::string first = makeDevice(home.path() + "/one");
    DeviceSpec spec;
    spec.udid = "second";
    std::string second = makeDevice(home.path() + "/two", spec);
    std::string list = first + "::" + home.path() + "/not-a-device:" + second;
    ::setenv(simdevice::kEnvironmentVariable, list.c_str(), 1);

    std::vector<int> connected, disconnected;
    auto& center = NSNotificationCenter::defaultCenter();
    int marker = 0;
    notices::DeviceConnect.observe(center, &marker, [&](const NSNumberPtr& n) { connected.push_back(n->intValue()); });
    notices::DeviceDisConnect.observe(center, &marker,
                                      [&](const NSNumberPtr& n) { disconnected.push_back(n->intValue()); });
    amd::PRDeviceNotify sink;
    auto* manager = amd::DeviceManager::Instance();
    manager->SetNotify(&sink);
    ASSERT_EQ(manager->Subscribe(), 0);
    EXPECT_EQ(simdevice::attachedCount(), 2);
    ASSERT_TRUE(testsupport::waitUntil([&] { return connected.size() == 2; }));
    EXPECT_EQ(connected, (std::vector<int>{0, 1}));

    ASSERT_EQ(::rename(first.c_str(), (first + "-away").c_str()), 0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return disconnected.size() == 1; }));
    EXPECT_EQ(disconnected, (std::vector<int>{0}));
    EXPECT_EQ(manager->DeviceCount(), 1u);
    ASSERT_EQ(::rename((first + "-away").c_str(), first.c_str()), 0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return connected.size() == 3; }));
    EXPECT_EQ(connected.back(), 2);
    EXPECT_EQ(manager->DeviceCount(), 2u);

    simdevice::detachAll();
    ASSERT_TRUE(testsupport::waitUntil([&] { return disconnected.size() == 3; }));
    EXPECT_EQ(manager->DeviceCount(), 0u);
    manager->Unsubscribe();
    center.removeObserver(&marker);
    ::unsetenv(simdevice::kEnvironmentVariable);
}
