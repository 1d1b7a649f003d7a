// The lockdown bracket around one device handle: connect, check pairing, start and stop a
// session, disconnect. One process-wide recursive mutex is held from every connect to the
// matching disconnect, so all lockdown work of the process is serialised.
#pragma once

#include "platform/MobileDevice.h"

#include <functional>
#include <mutex>

namespace amd {

// The device mutex.
std::recursive_mutex& DeviceMutex();

class BaseDevice {
public:
    explicit BaseDevice(AMDeviceRef device) : device(device) {}

    // 0 keeps the device mutex held until Disconnect; a failure releases it.
    int Connect();
    // Releases the device mutex in every case (-1 without a handle: the mutex is not touched).
    int Disconnect();
    int ValidatePairing();
    int StartSession();
    int StopSession();

    // Runs work connected, paired and in a session, and returns the first non-zero status
    // (work's own included). The mutex is free again afterwards whatever failed.
    int Lockdown(const std::function<int(AMDeviceRef)>& work);

    AMDeviceRef Handle() const { return device; }

private:
    AMDeviceRef device;  // not owned
};

}  // namespace amd
