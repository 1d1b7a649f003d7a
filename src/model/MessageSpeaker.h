// Who wrote a message, when, and what it says, as every page, PDF, bubble and text file shows it.
#pragma once

#include "model/PRMessageNode.h"

#include <string>

// Whether the phone's owner sent the message.
bool isSentMessage(const PRMessageNode& message);
// Who wrote the message: "Me" for a sent one; for any other the sender's contact name, else its
// number or address (in a group conversation, each received message's own sender).
std::string messageSpeaker(const PRMessageNode& message);
// When the message was written, and "(partial)" after it for a deleted message that came back
// without some of its values.
std::string messageDateText(const PRMessageNode& message);
// The message's text as shown beside its attachments: without the object-replacement marks a
// phone puts where each attachment stands, and without blanks at either end; empty when only
// the attachment is there.
std::string messageText(const PRMessageNode& message);
