// Property lists and files from outside that are built to hurt: nesting deep enough to
// overflow the stack, references that fan out to billions of values, FIFOs and other
// non-regular files where a regular file belongs.
#include "HostileFiles.h"
#include "TestSupport.h"
#include "platform/CoreFoundation.h"
#include "platform/FileOpen.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace testsupport;

namespace {

CFPropertyListRef parse(const std::string& bytes, std::string* error = nullptr) {
    return CFPropertyListCreateWithBytes(bytes.data(), bytes.size(), nullptr, error);
}

int depthOf(CFTypeRef value) {
    int depth = 0;
    while (CFGetTypeID(value) == CFArrayGetTypeID()) {
        ++depth;
        auto array = static_cast<CFArrayRef>(value);
        if (CFArrayGetCount(array) == 0) break;
        value = CFArrayGetValueAtIndex(array, 0);
    }
    return depth;
}

}  // namespace

TEST(HostilePropertyLists, NestingBeyondTheLimitIsRefusedWithAReason) {
    for (int depth : {100000, kCFPropertyListMaxDepth + 1}) {
        for (const std::string& bytes : {deepXmlPropertyList(depth), deepBinaryPropertyList(depth)}) {
            std::string error;
            CFHolder<CFPropertyListRef> value(parse(bytes, &error));
            EXPECT_FALSE(value) << depth;
            EXPECT_EQ(error, "nested deeper than 512 levels") << depth;
        }
    }
    for (const std::string& bytes :
         {deepXmlPropertyList(kCFPropertyListMaxDepth), deepBinaryPropertyList(kCFPropertyListMaxDepth)}) {
        CFHolder<CFPropertyListRef> value(parse(bytes));
        ASSERT_TRUE(value);
        EXPECT_EQ(depthOf(value.get()), kCFPropertyListMaxDepth);
    }
}

TEST(HostilePropertyLists, SharedReferencesThatFanOutAreRefused) {
    // 40 levels of two references each: a 500-byte file naming 2^40 values.
    std::string error;
    CFHolder<CFPropertyListRef> value(parse(deepBinaryPropertyList(40, 2), &error));
    EXPECT_FALSE(value);
    EXPECT_EQ(error, "holds too many values");
    // A modest fan-out is an ordinary list with shared values.
    CFHolder<CFPropertyListRef> small(parse(deepBinaryPropertyList(8, 2)));
    EXPECT_TRUE(small);
}

TEST(HostilePropertyLists, ArrayThatHoldsItselfIsRefused) {
    std::string bytes = deepBinaryPropertyList(2);
    bytes[8 + 4] = 0;  // object 0's reference now names object 0
    EXPECT_FALSE(CFHolder<CFPropertyListRef>(parse(bytes)));
}

// Random mixes of arrays and dictionaries, in both formats, around the limit: a value comes
// back exactly when its deepest container lies within the limit, and then whole.
TEST(HostilePropertyLists, RandomNestingIsAcceptedExactlyUpToTheLimit) {
    std::mt19937 random(15);
    for (int round = 0; round < 40; ++round) {
        const int depth = kCFPropertyListMaxDepth - 3 + static_cast<int>(random() % 7);
        CFHolder<CFTypeRef> inner(CFStringCreateWithCString("leaf"));
        for (int level = 0; level < depth; ++level) {
            if (random() % 2) {
                CFHolder<CFMutableArrayRef> array(CFArrayCreateMutable());
                CFArrayAppendValue(array.get(), inner.get());
                inner.reset(array.release());
            } else {
                CFHolder<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable());
                CFDictionarySetValue(dict.get(), "k", inner.get());
                inner.reset(dict.release());
            }
        }
        for (auto format : {kCFPropertyListXMLFormat_v1_0, kCFPropertyListBinaryFormat_v1_0}) {
            CFHolder<CFDataRef> data(CFPropertyListCreateData(inner.get(), format));
            ASSERT_TRUE(data);
            CFHolder<CFPropertyListRef> back(CFPropertyListCreateWithData(data.get(), nullptr));
            EXPECT_EQ(static_cast<bool>(back), depth <= kCFPropertyListMaxDepth) << depth << " " << format;
            if (back) {
                EXPECT_TRUE(CFEqual(back.get(), inner.get()));
            }
        }
    }
}

TEST(HostileFiles, NonRegularFilesAreRefusedWithoutBlocking) {
    TempHome home;
    const std::string dir = scratchDirectory("hostile");
    const std::string fifo = dir + "/Info.plist";
    ASSERT_TRUE(makeFifo(fifo));
    std::string error;
    EXPECT_FALSE(CFHolder<CFPropertyListRef>(CFPropertyListCreateFromFile(fifo, &error)));
    EXPECT_EQ(error, fifo + ": is not a regular file");
    EXPECT_FALSE(CFHolder<CFPropertyListRef>(CFPropertyListCreateFromFile(dir, &error)));
    EXPECT_EQ(error, dir + ": is a folder");
    EXPECT_FALSE(files::isRegularFile(fifo));
    errno = 0;
    EXPECT_EQ(files::openForReading(fifo), -1);
    EXPECT_EQ(errno, EINVAL);
    // A writer meets the same check: no reader on the FIFO must not block it either.
    EXPECT_EQ(files::openRegular(fifo, O_WRONLY | O_TRUNC), -1);

    // A socket and a character device.
    const std::string socketPath = dir + "/socket";
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    if (socketPath.size() < sizeof address.sun_path &&
        ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        EXPECT_EQ(files::openForReading(socketPath), -1);
    }
    ::close(s);
    EXPECT_EQ(files::openForReading("/dev/zero"), -1);
    std::string bytes;
    EXPECT_FALSE(files::readRegularFile("/dev/zero", 1 << 20, &bytes, &error));
}

TEST(HostileFiles, LinksAreFollowedOnlyWhenAsked) {
    TempHome home;
    const std::string dir = scratchDirectory("links");
    ASSERT_TRUE(writeFile(dir + "/real", "bytes"));
    ASSERT_EQ(::symlink("real", (dir + "/link").c_str()), 0);
    const int followed = files::openForReading(dir + "/link");
    EXPECT_GE(followed, 0);
    ::close(followed);
    errno = 0;
    EXPECT_EQ(files::openForReading(dir + "/link", false), -1);
    EXPECT_EQ(errno, ELOOP);
    std::string bytes, error;
    EXPECT_TRUE(files::readRegularFile(dir + "/real", 5, &bytes, &error));
    EXPECT_EQ(bytes, "bytes");
    EXPECT_FALSE(files::readRegularFile(dir + "/real", 4, &bytes, &error));
}
