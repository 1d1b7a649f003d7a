#include "device/BaseDevice.h"

#include "device/Conversions.h"

namespace amd {

std::recursive_mutex& DeviceMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

int BaseDevice::Connect() {
    if (!device) return -1;
    DeviceMutex().lock();
    int status = AMDeviceConnect(device);
    if (status != 0) {
        Diagnostic("* Can't connect (%d)\n", status);
        DeviceMutex().unlock();
    }
    return status;
}

int BaseDevice::Disconnect() {
    if (!device) return -1;
    int status = AMDeviceDisconnect(device);
    if (status != 0) Diagnostic("* Can't disconnect (%d)\n", status);
    DeviceMutex().unlock();
    return status;
}

int BaseDevice::ValidatePairing() {
    if (!device) return -1;
    if (AMDeviceValidatePairing(device) == 0) return 0;
    if (AMDevicePair(device) == 0 && AMDeviceIsPaired(device)) return 0;
    Diagnostic("* Invalid pair\n");
    return 1;
}

int BaseDevice::StartSession() {
    if (!device) return -1;
    int status = AMDeviceStartSession(device);
    if (status != 0) Diagnostic("* Can't start session (%d)\n", status);
    return status;
}

int BaseDevice::StopSession() {
    if (!device) return -1;
    int status = AMDeviceStopSession(device);
    if (status != 0) Diagnostic("* Can't stop session (%d)\n", status);
    return status;
}

int BaseDevice::Lockdown(const std::function<int(AMDeviceRef)>& work) {
    int status = Connect();
    if (status != 0) return status;
    status = ValidatePairing();
    if (status == 0) {
        status = StartSession();
        if (status == 0) {
            status = work(device);
            StopSession();
        }
    }
    int disconnected = Disconnect();
    return status != 0 ? status : disconnected;
}

}  // namespace amd
