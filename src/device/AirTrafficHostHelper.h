// A device's media-sync connection and the thread that reads the messages the device sends.
// Of these only "AssetMetrics" is kept: its parameters go to the device's BaseInfo.
#pragma once

#include "platform/AirTrafficHost.h"

#include <atomic>
#include <memory>
#include <semaphore>
#include <thread>

namespace amd {

class AirTrafficHostHelper {
public:
    AirTrafficHostHelper() = default;
    AirTrafficHostHelper(const AirTrafficHostHelper&) = delete;
    AirTrafficHostHelper& operator=(const AirTrafficHostHelper&) = delete;
    // Ends the connection (a blocked read returns), then stops and joins the reader.
    virtual ~AirTrafficHostHelper();

    // The library identifier derived from the device's "/iTunes_Control/iTunes/iTunesPrefs";
    // owned by the caller.
    static CFStringRef LibraryId(int deviceIndex);
    // 0 once connected; 1 for a NULL identifier or a refused connection.
    int Connect(CFStringRef udid, int deviceIndex);
    int StartReader();
    int HandleMessage(CFTypeRef command, CFTypeRef params);

private:
    void readMessages();

    int deviceIndex = 0;
    std::thread readerThread;
    std::unique_ptr<std::binary_semaphore> stop;  // set once the reader was started
    std::atomic<ATHostConnectionRef> connection{nullptr};
};

}  // namespace amd
