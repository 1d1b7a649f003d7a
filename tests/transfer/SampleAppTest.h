// The launched application with the sample device attached and the transfer page built, for
// the transfer sub-view tests.
#pragma once

#include "AppFixture.h"
#include "SampleDevice.h"
#include "platform/SimulatedDevices.h"
#include "transfer/PRTansferViewController.h"

namespace transfertest {

class SampleAppTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        page = app->GetTansferViewController();
        page->view();
        device = testsupport::scratchDirectory("devices") + "/sample";
        ASSERT_TRUE(sampledevice::write(device));
        ASSERT_GT(simdevice::attach(device), 0);
        ASSERT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
        app->window()->resize(1000, 680);
    }

    PRTansferViewController* page = nullptr;
    std::string device;
};

}  // namespace transfertest
