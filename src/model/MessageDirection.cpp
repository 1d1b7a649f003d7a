#include "model/MessageDirection.h"

#include <string_view>

namespace {
const char* const kUnknown = "unknown";
}  // namespace

const char* messageDirectionOfFlags(int64_t flags) {
    if (flags == 2 || flags == 22) return kMessageReceived;
    if (flags == 3 || flags == 16387) return kMessageSent;
    return kUnknown;
}

const char* messageDirectionOfMadridFlags(int64_t flags) {
    if (const char* known = messageDirectionOfFlags(flags); std::string_view(known) != kUnknown || flags == 0)
        return known;
    return (flags & 0x4) ? kMessageSent : kMessageReceived;
}

const char* messageDirectionOfFromMe(int64_t isFromMe, MessageRow row) {
    if (isFromMe == 1) return kMessageSent;
    if (isFromMe == 0) return kMessageReceived;
    return row == MessageRow::Carved ? "Unknowed" : kUnknown;
}
