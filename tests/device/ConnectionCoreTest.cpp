// Conversions, message framing on a socket, and the device mutex around lockdown work.
#include "DeviceFolder.h"
#include "LogCapture.h"
#include "device/BaseDevice.h"
#include "device/BaseInfo.h"
#include "device/BaseService.h"
#include "device/Conversions.h"
#include "device/DeviceManager.h"
#include "platform/SimulatedDevices.h"

#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace devicetest;

namespace {

TEST(Conversions, TextNumbersAndIdentifiers) {
    const uint8_t bytes[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(amd::uuid_bytes_to_string(bytes), "00010203-0405-0607-0809-0A0B0C0D0E0F");

    CFHolder<CFStringRef> text(amd::string_to_cfstring("h\xC3\xA9llo"));
    EXPECT_EQ(amd::cfstring_to_string(text.get()), "h\xC3\xA9llo");
    EXPECT_EQ(amd::cfnumber_to_int64(text.get()), 0);
    EXPECT_EQ(amd::cftype_to_string(nullptr), "");
    EXPECT_EQ(amd::cfnumber_to_int64(kCFNull), 0);

    CFHolder<CFNumberRef> number(amd::int64_to_cfnumber(-5000000000LL));
    EXPECT_EQ(amd::cfnumber_to_int64(number.get()), -5000000000LL);
    EXPECT_EQ(amd::cftype_to_string(number.get()), "-5000000000");

    CFHolder<CFMutableDictionaryRef> dict(amd::map_to_cfdictionary({{"a", number.get()}, {"b", text.get()}}));
    auto map = amd::cfdictionary_to_map(dict.get());
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map["a"], number.get());
    EXPECT_TRUE(amd::cfdictionary_to_map(text.get()).empty());

    CFHolder<CFMutableArrayRef> array(amd::vector_to_cfarray({text.get(), number.get()}));
    auto vector = amd::cfarray_to_vector(array.get());
    ASSERT_EQ(vector.size(), 2u);
    EXPECT_EQ(vector[1], number.get());
    EXPECT_TRUE(amd::cfarray_to_vector(kCFNull).empty());
}

// A service whose socket is one end of a socket pair the test holds the other end of.
class SocketService : public amd::BaseService {
public:
    explicit SocketService(int fd) { socket = fd; }
};

class Framing : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
    void TearDown() override {
        if (fds[1] >= 0) ::close(fds[1]);
    }
    void sendHeader(uint32_t length) {
        uint32_t header = htonl(length);
        ASSERT_EQ(::write(fds[1], &header, 4), 4);
    }
    void closePeer() {
        ::close(fds[1]);
        fds[1] = -1;
    }
    int fds[2] = {-1, -1};
};

CFDictionaryRef message(const std::string& value) {
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable();
    CFHolder<CFStringRef> s(CFStringCreateWithCString(value.c_str()));
    CFDictionarySetValue(dict, "Command", s.get());
    return dict;
}

TEST_F(Framing, RoundTripAndSplitReads) {
    SocketService service(fds[0]);
    CFHolder<CFDictionaryRef> sent(message(std::string(20000, 'x')));
    EXPECT_NE(service.SendPlist(sent.get()), 0);

    // Read the framed bytes back and return them in small pieces with pauses between.
    uint32_t header;
    ASSERT_EQ(::recv(fds[1], &header, 4, MSG_WAITALL), 4);
    std::string body(ntohl(header), '\0');
    ASSERT_EQ(::recv(fds[1], body.data(), body.size(), MSG_WAITALL), static_cast<ssize_t>(body.size()));
    std::thread writer([&] {
        std::string all(reinterpret_cast<char*>(&header), 4);
        all += body;
        // The header itself arrives in two pieces.
        for (size_t at = 0, n = 2; at < all.size(); at += n, n = 997) {
            n = std::min<size_t>(n, all.size() - at);
            ASSERT_EQ(::write(fds[1], all.data() + at, n), static_cast<ssize_t>(n));
            if (at < 4000) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    CFHolder<CFPropertyListRef> received(service.ReceivePlist());
    writer.join();
    ASSERT_TRUE(received);
    EXPECT_TRUE(CFEqual(received.get(), sent.get()));
}

TEST_F(Framing, BrokenFramesGiveNull) {
    SocketService service(fds[0]);
    sendHeader(0);  // an empty message
    EXPECT_EQ(service.ReceivePlist(), nullptr);
    sendHeader(amd::kMaxPlistMessageLength + 1);  // refused without allocating it
    EXPECT_EQ(service.ReceivePlist(), nullptr);
    sendHeader(100);  // the peer closes mid-body
    ASSERT_EQ(::write(fds[1], "<?xml", 5), 5);
    closePeer();
    EXPECT_EQ(service.ReceivePlist(), nullptr);
}

TEST_F(Framing, HeaderThenCloseAndNotXml) {
    SocketService service(fds[0]);
    const char junk[] = "this is not a property list";
    sendHeader(sizeof junk);
    ASSERT_EQ(::write(fds[1], junk, sizeof junk), static_cast<ssize_t>(sizeof junk));
    EXPECT_EQ(service.ReceivePlist(), nullptr);
    sendHeader(64);
    closePeer();
    EXPECT_EQ(service.ReceivePlist(), nullptr);
}

TEST_F(Framing, SendToClosedPeerFailsWithoutSignal) {
    SocketService service(fds[0]);
    closePeer();
    CFHolder<CFDictionaryRef> sent(message("LookupArchives"));
    EXPECT_EQ(service.SendPlist(sent.get()), 0);  // the process is still here: no SIGPIPE
    SocketService none(0);
    EXPECT_EQ(none.SendPlist(sent.get()), 0);
    EXPECT_EQ(none.ReceivePlist(), nullptr);
}

bool mutexFreeForOtherThreads() {
    return std::async(std::launch::async,
                      [] {
                          if (!amd::DeviceMutex().try_lock()) return false;
                          amd::DeviceMutex().unlock();
                          return true;
                      })
        .get();
}

class DeviceMutex : public DeviceTest {};

TEST_F(DeviceMutex, FreeAfterEveryFailureAndReentrant) {
    int id = attachAndWait(deviceFolder("phone"));
    AMDeviceRef handle = amd::DeviceManager::Instance()->FindDevice(0)->Handle();
    amd::BaseDevice device(handle);

    amd::BaseDevice none(nullptr);
    EXPECT_EQ(none.Connect(), -1);
    EXPECT_EQ(none.Disconnect(), -1);
    EXPECT_TRUE(mutexFreeForOtherThreads());

    // Held from connect to disconnect, and re-entrant on the same thread.
    ASSERT_EQ(device.Connect(), 0);
    EXPECT_FALSE(mutexFreeForOtherThreads());
    amd::BaseDevice second(handle);
    ASSERT_EQ(second.Connect(), 0);
    EXPECT_EQ(second.Disconnect(), 0);
    EXPECT_FALSE(mutexFreeForOtherThreads());
    EXPECT_EQ(device.Disconnect(), 0);
    EXPECT_TRUE(mutexFreeForOtherThreads());

    // Each step of the bracket failing leaves the mutex free and passes its status up.
    const int failure = kAMDUndefinedError;
    for (const char* step : {"AMDeviceConnect", "AMDeviceStartSession", "AMDeviceStartService", "AMDeviceDisconnect"}) {
        simdevice::failCall(id, step, failure);
        testsupport::captureLog("quillomatrix.device");
        amd::BaseService service;
        ASSERT_EQ(service.Start(0), 0);
        EXPECT_EQ(service.StartService("com.apple.afc"), failure) << step;
        std::string out = testsupport::capturedLog();
        EXPECT_TRUE(mutexFreeForOtherThreads()) << step;
        const std::map<std::string, std::string> printed = {{"AMDeviceConnect", "* Can't connect ("},
                                                            {"AMDeviceStartSession", "* Can't start session ("},
                                                            {"AMDeviceDisconnect", "* Can't disconnect ("}};
        if (auto it = printed.find(step); it != printed.end()) {
            EXPECT_NE(out.find(it->second), std::string::npos) << out;
        }
        simdevice::failCall(id, step, 0);
    }
    simdevice::failCall(id, "AMDeviceValidatePairing", failure);
    simdevice::failCall(id, "AMDevicePair", failure);
    testsupport::captureLog("quillomatrix.device");
    amd::BaseInfo info;
    ASSERT_EQ(info.Start(0), 0);
    EXPECT_EQ(info.DeviceName(), nullptr);
    EXPECT_NE(testsupport::capturedLog().find("* Invalid pair\n"), std::string::npos);
    EXPECT_TRUE(mutexFreeForOtherThreads());
}

TEST_F(DeviceMutex, ServiceOfUnknownIndexChangesNothing) {
    amd::BaseService service;
    EXPECT_EQ(service.Start(7), 1);
    EXPECT_EQ(service.StartService("com.apple.afc"), -1);
}

}  // namespace
