// A simulated device for the disk benchmarks: a folder with its lockdown values, filled by the
// benchmark, attached once for the program's life and removed at its end.
#pragma once

#include "../support/TempFolder.h"
#include "device/DeviceManager.h"
#include "platform/CoreFoundation.h"
#include "platform/SimulatedDevices.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct SimulatedBenchDevice {
    bench::TempFolder made{"disk-bench"};
    std::string root = made.path();
    SimulatedBenchDevice(const std::string& udid, const std::function<void(const std::string& root)>& fill) {
        CFHolder<CFMutableDictionaryRef> values(CFDictionaryCreateMutable());
        CFHolder<CFStringRef> id(CFStringCreateWithCString(udid.c_str()));
        CFDictionarySetValue(values.get(), "UniqueDeviceID", id.get());
        std::filesystem::create_directories(root + "/lockdown");
        CFPropertyListWriteToFile(values.get(), root + "/lockdown/values.plist", kCFPropertyListXMLFormat_v1_0);
        fill(root);
        amd::DeviceManager::Instance()->Subscribe();
        if (simdevice::attach(root) == 0 || !amd::DeviceManager::Instance()->FindItem(0)) std::abort();
    }
    ~SimulatedBenchDevice() { simdevice::detachAll(); }
};
