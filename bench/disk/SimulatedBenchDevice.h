// A simulated device for the disk benchmarks: a folder with its lockdown values, filled by the
// benchmark, attached once for the program's life and removed at its end.
#pragma once

#include "device/DeviceManager.h"
#include "platform/CoreFoundation.h"
#include "platform/SimulatedDevices.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct SimulatedBenchDevice {
    std::string root;
    SimulatedBenchDevice(const std::string& udid, const std::function<void(const std::string& root)>& fill) {
        std::string base =
            (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/qm-disk-bench-XXXXXX");
        std::vector<char> name(base.begin(), base.end());
        name.push_back('\0');
        if (!::mkdtemp(name.data())) std::abort();
        root = name.data();
        CFHolder<CFMutableDictionaryRef> values(CFDictionaryCreateMutable());
        CFHolder<CFStringRef> id(CFStringCreateWithCString(udid.c_str()));
        CFDictionarySetValue(values.get(), "UniqueDeviceID", id.get());
        std::filesystem::create_directories(root + "/lockdown");
        CFPropertyListWriteToFile(values.get(), root + "/lockdown/values.plist", kCFPropertyListXMLFormat_v1_0);
        fill(root);
        amd::DeviceManager::Instance()->Subscribe();
        if (simdevice::attach(root) == 0 || !amd::DeviceManager::Instance()->FindItem(0)) std::abort();
    }
    ~SimulatedBenchDevice() {
        simdevice::detachAll();
        std::filesystem::remove_all(root);
    }
};
