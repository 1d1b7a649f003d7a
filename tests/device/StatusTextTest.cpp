// Status codes of the device layer as users read them.
#include "device/StatusText.h"
#include "platform/MobileDevice.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

TEST(StatusText, EveryKnownStatusHasATextOfItsOwn) {
    const int known[] = {kAMDDeviceDisconnectedError,
                         kAMDNotConnectedError,
                         kAMDSessionInactiveError,
                         kAMDInvalidPairRecordError,
                         kAMDPasswordProtectedError,
                         kAMDInvalidArgumentError,
                         kAMDServiceProhibitedError,
                         kAMDApplicationNotFoundError,
                         kAMDNotFoundError,
                         kAMDUndefinedError,
                         kAFCUnknownError,
                         kAFCInvalidArgumentError,
                         kAFCObjectNotFoundError,
                         kAFCObjectIsDirectoryError,
                         kAFCPermissionDeniedError,
                         kAFCNotConnectedError,
                         kAFCReadError,
                         kAFCWriteError,
                         kAFCObjectExistsError,
                         kAFCObjectIsNotDirectoryError,
                         kAFCDirectoryNotEmptyError,
                         1,
                         -1};
    std::set<std::string> texts;
    for (int status : known) {
        const std::string text = amd::statusText(status);
        EXPECT_EQ(text.find("Unknown device status"), std::string::npos) << status;
        EXPECT_TRUE(texts.insert(text).second) << "shared text: " << text;
    }
    EXPECT_EQ(amd::statusText(kAFCPermissionDeniedError), "Permission denied by the device");
}

TEST(StatusText, AnUnknownStatusIsShownByItsNumber) {
    EXPECT_EQ(amd::statusText(static_cast<int>(0xE80000FF)), "Unknown device status 0xE80000FF");
    EXPECT_EQ(amd::statusText(99), "Unknown device status 0x00000063");
}
