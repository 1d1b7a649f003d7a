// Small simulated-device folders made at test time, and a fixture that attaches them to the
// device manager and waits for the arrival to be handled.
#pragma once

#include "TestSupport.h"
#include "platform/CoreFoundation.h"

#include <cstdint>
#include <string>
#include <vector>

namespace devicetest {

struct DeviceSpec {
    std::string udid = "0123456789abcdef0123456789abcdef01234567";
    std::string name = "Test iPhone";
    std::string phoneNumber = "+1 555 0100";
    std::string productType = "iPhone5,3";
    bool paired = true;
    bool trusted = true;
    bool diskUsage = true;
    // The phone number, serial number and firmware build among the lockdown values.
    bool sendsNumbers = true;
    std::vector<uint8_t> itunesPrefs = std::vector<uint8_t>(128, 0);
    // Sync messages sent on every connection: the asset metrics with this app size.
    int64_t applicationBytes = 123456;
};

// Writes a device folder (two apps, a media area, a crash-report area) and returns its path.
std::string makeDevice(const std::string& folder, const DeviceSpec& spec = {});
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool exists(const std::string& path);

// Each test has its own home; the device manager is subscribed once per process and every
// device attached by a test is removed (and its removal handled) when the test ends.
class DeviceTest : public testsupport::HomeTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Attaches a device folder and waits until the manager has handled the arrival.
    int attachAndWait(const std::string& folder);
    // Removes a device and waits until the manager has dropped it.
    void detachAndWait(int id);
    std::string deviceFolder(const std::string& name, const DeviceSpec& spec = {});

    std::vector<int> connected;     // indices posted with "DeviceConnect"
    std::vector<int> disconnected;  // indices posted with "DeviceDisConnect"
};

}  // namespace devicetest
