#include "device/StatusText.h"

#include "platform/MobileDevice.h"

#include <cstdio>

namespace amd {

std::string statusText(int status) {
    switch (status) {
    case kAMDSuccess: return "Success";
    case 1: return "The device or its service is not available";
    case -1: return "The device service is not started";
    case kAMDDeviceDisconnectedError: return "The device was disconnected";
    case kAMDNotConnectedError: return "The device is not connected";
    case kAMDSessionInactiveError: return "The device session is not active";
    case kAMDInvalidPairRecordError: return "The device is not paired with this computer";
    case kAMDPasswordProtectedError: return "The device is locked with a passcode";
    case kAMDInvalidArgumentError: return "The device refused an invalid argument";
    case kAMDServiceProhibitedError: return "The device does not allow this service";
    case kAMDApplicationNotFoundError: return "The app is not installed on the device";
    case kAMDNotFoundError: return "Not found on the device";
    case kAMDUndefinedError: return "The device reported an undefined error";
    case kAFCUnknownError: return "The file service reported an unknown error";
    case kAFCInvalidArgumentError: return "The file service refused an invalid argument";
    case kAFCObjectNotFoundError: return "No such file or folder on the device";
    case kAFCObjectIsDirectoryError: return "It is a folder";
    case kAFCPermissionDeniedError: return "Permission denied by the device";
    case kAFCNotConnectedError: return "The file service is not connected";
    case kAFCReadError: return "The device could not read the file";
    case kAFCWriteError: return "The device could not write the file";
    case kAFCNoSpaceLeftError: return "The device has no space left";
    case kAFCObjectExistsError: return "It already exists on the device";
    case kAFCObjectIsNotDirectoryError: return "It is not a folder";
    case kAFCDirectoryNotEmptyError: return "The folder is not empty";
    }
    char text[48];
    std::snprintf(text, sizeof text, "Unknown device status 0x%08X", static_cast<unsigned>(status));
    return text;
}

}  // namespace amd
