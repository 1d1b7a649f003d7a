// Which way a message went, from what its row keeps, in the texts a message's type holds
// ("Send", "Received"): the message reader and the carver of deleted messages decide it here.
#pragma once

#include <cstdint>

// A message's type as the pages ask it: sent from this phone, or received.
inline constexpr const char* kMessageSent = "Send";
inline constexpr const char* kMessageReceived = "Received";

// flags of an SMS row of iOS 4 and 5: 2 and 22 received, 3 and 16387 sent, "unknown" otherwise.
const char* messageDirectionOfFlags(int64_t flags);
// madrid_flags of an iMessage row of iOS 5, a set of bits (12289, 36869, 77825, 102405...) where
// 0x4 marks a message sent from this phone; a value the SMS rule knows keeps its answer, and 0
// is "unknown".
const char* messageDirectionOfMadridFlags(int64_t flags);

// Where a message of iOS 6 and later came from: its database read, or a deleted row carved.
enum class MessageRow { Read, Carved };
// is_from_me of iOS 6 and later: 1 sent, 0 received. Any other value (a carved row's lost one
// among them) is "unknown" in a row read and "Unknowed" in a carved one.
const char* messageDirectionOfFromMe(int64_t isFromMe, MessageRow row);
