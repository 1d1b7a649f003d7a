// The device-framework calls the device layer makes: device arrival and removal, lockdown
// connections, pairing and sessions, lockdown values, service start, house arrest, app
// lookup, install, uninstall and archive, and the AFC file calls.
//
// Every status is an int: 0 is success, any other value a failure. Handles are opaque: a
// handle of a device that has gone stays safe to pass in and only yields failures.
// The backend built here is the simulated device (platform/SimulatedDevices.h).
#pragma once

#include "platform/CoreFoundation.h"

#include <cstdint>

struct am_device;
using AMDeviceRef = am_device*;
struct am_device_notification;
using AMDeviceNotificationRef = am_device_notification*;
struct afc_connection;
using AFCConnectionRef = afc_connection*;
struct afc_directory;
using AFCDirectoryRef = afc_directory*;
struct afc_dictionary;
using AFCDictionaryRef = afc_dictionary*;
using AFCFileRef = uint64_t;

// Failure statuses of the device calls (negative, so they never collide with the layer's own
// 1 and -1).
enum : int {
    kAMDSuccess = 0,
    kAMDDeviceDisconnectedError = static_cast<int>(0xE8000084),
    kAMDNotConnectedError = static_cast<int>(0xE8000015),
    kAMDSessionInactiveError = static_cast<int>(0xE800002B),
    kAMDInvalidPairRecordError = static_cast<int>(0xE800001F),
    kAMDPasswordProtectedError = static_cast<int>(0xE8000025),
    kAMDInvalidArgumentError = static_cast<int>(0xE8000007),
    kAMDServiceProhibitedError = static_cast<int>(0xE8000043),
    kAMDApplicationNotFoundError = static_cast<int>(0xE8000058),
    kAMDNotFoundError = static_cast<int>(0xE8000008),
    kAMDUndefinedError = static_cast<int>(0xE8000001),
};

// Failure statuses of the AFC calls.
enum : int {
    kAFCSuccess = 0,
    kAFCUnknownError = 2,
    kAFCInvalidArgumentError = 7,
    kAFCObjectNotFoundError = 8,
    kAFCObjectIsDirectoryError = 9,
    kAFCPermissionDeniedError = 10,
    kAFCNotConnectedError = 11,
    kAFCReadError = 12,
    kAFCWriteError = 13,
    kAFCNoSpaceLeftError = 15,
    kAFCObjectExistsError = 16,
    kAFCObjectIsNotDirectoryError = 17,
    kAFCDirectoryNotEmptyError = 33,
};

// AFC open modes.
enum : uint64_t {
    kAFCModeRead = 1,
    kAFCModeWrite = 2,  // created or truncated
    kAFCModeReadWrite = 3,
};

// Device notification codes.
enum : unsigned int {
    kAMDeviceAttached = 1,
    kAMDeviceDetached = 2,
};

struct am_device_notification_callback_info {
    AMDeviceRef dev;
    unsigned int msg;
    AMDeviceNotificationRef subscription;
};

using am_device_notification_callback = void (*)(am_device_notification_callback_info* info, void* context);
// Progress of app transfers, installs, uninstalls and archives: one status dictionary a call.
using am_device_progress_callback = void (*)(CFDictionaryRef status, void* context);

// Device arrival and removal. The callback runs on the event loop of the subscribing thread
// (inline on the attaching thread when no Qt application exists), 1 for an arrival and 2 for
// a removal. The first subscription of the process attaches the simulated devices named in
// QUILLOMATRIX_SIMULATED_DEVICES; devices already attached are announced to a new subscriber.
int AMDeviceNotificationSubscribe(am_device_notification_callback callback, unsigned int unused0, unsigned int unused1,
                                  void* context, AMDeviceNotificationRef* handle);
int AMDeviceNotificationUnsubscribe(AMDeviceNotificationRef handle);

// Lockdown.
int AMDeviceConnect(AMDeviceRef device);
int AMDeviceDisconnect(AMDeviceRef device);
int AMDeviceStartSession(AMDeviceRef device);
int AMDeviceStopSession(AMDeviceRef device);
int AMDeviceValidatePairing(AMDeviceRef device);
int AMDevicePair(AMDeviceRef device);
bool AMDeviceIsPaired(AMDeviceRef device);
// A value owned by the caller, or NULL; a NULL key gives the whole domain.
CFTypeRef AMDeviceCopyValue(AMDeviceRef device, CFStringRef domain, CFStringRef key);
// On 0, *socket is a connected socket descriptor owned by the caller.
int AMDeviceStartService(AMDeviceRef device, CFStringRef serviceName, int* socket);
int AMDeviceStartHouseArrestService(AMDeviceRef device, CFStringRef bundleId, CFDictionaryRef options, int* socket,
                                    unsigned int* unused);

// Apps. *result maps each bundle identifier to its attribute dictionary (owned by the caller).
int AMDeviceLookupApplications(AMDeviceRef device, CFDictionaryRef options, CFDictionaryRef* result);
int AMDeviceUninstallApplication(int socket, CFStringRef bundleId, CFDictionaryRef options,
                                 am_device_progress_callback callback, void* context);
int AMDeviceTransferApplication(int socket, CFStringRef path, CFDictionaryRef options,
                                am_device_progress_callback callback, void* context);
int AMDeviceInstallApplication(int socket, CFStringRef path, CFDictionaryRef options,
                               am_device_progress_callback callback, void* context);
int AMDeviceArchiveApplication(int socket, CFStringRef bundleId, CFDictionaryRef options,
                               am_device_progress_callback callback, void* context);
int AMDeviceRemoveApplicationArchive(int socket, CFStringRef bundleId, CFDictionaryRef options,
                                     am_device_progress_callback callback, void* context);

// Files (AFC) on a socket of "com.apple.afc", "com.apple.crashreportcopymobile" or house arrest.
int AFCConnectionOpen(int socket, unsigned int ioTimeout, AFCConnectionRef* connection);
int AFCConnectionClose(AFCConnectionRef connection);
int AFCFileRefOpen(AFCConnectionRef connection, const char* path, uint64_t mode, AFCFileRef* ref);
// *length: bytes asked for, then bytes read (0 at the end of the file).
int AFCFileRefRead(AFCConnectionRef connection, AFCFileRef ref, void* buffer, uint32_t* length);
int AFCFileRefWrite(AFCConnectionRef connection, AFCFileRef ref, const void* buffer, uint32_t length);
int AFCFileRefClose(AFCConnectionRef connection, AFCFileRef ref);
// Key/value text pairs: "st_size", "st_blocks", "st_nlink", "st_ifmt" ("S_IFDIR" or "S_IFREG"),
// "st_mtime" and "st_birthtime" (nanoseconds since 1970). Strings stay valid until the next
// read or the close.
int AFCFileInfoOpen(AFCConnectionRef connection, const char* path, AFCDictionaryRef* info);
int AFCKeyValueRead(AFCDictionaryRef info, char** key, char** value);
int AFCKeyValueClose(AFCDictionaryRef info);
// Names, "." and ".." included; *name is NULL after the last one and stays valid until the
// next read or the close.
int AFCDirectoryOpen(AFCConnectionRef connection, const char* path, AFCDirectoryRef* dir);
int AFCDirectoryRead(AFCConnectionRef connection, AFCDirectoryRef dir, char** name);
int AFCDirectoryClose(AFCConnectionRef connection, AFCDirectoryRef dir);
int AFCDirectoryCreate(AFCConnectionRef connection, const char* path);
int AFCRemovePath(AFCConnectionRef connection, const char* path);
int AFCRenamePath(AFCConnectionRef connection, const char* from, const char* to);
