// App icons through SpringBoard services ("com.apple.springboardservices").
#pragma once

#include "device/BaseService.h"

#include <cstdint>

namespace amd {

class SBService : public BaseService {
public:
    ~SBService() override;

    int Start(int deviceIndex) override;
    // 0 with the icon's PNG bytes; 1 when the request could not be sent, 2 when no icon came
    // back (bytes NULL, length 0). The bytes stay valid until the next call or the object's end.
    int getIconPNGData(CFStringRef bundleId, const uint8_t** bytes, int64_t* length);
    // The device's reply, owned by the caller, or NULL.
    CFPropertyListRef getIconState();

private:
    CFPropertyListRef lastReply = nullptr;  // holds the bytes handed out
};

}  // namespace amd
