#include "model/MessageSpeaker.h"

#include "model/MessageDirection.h"
#include "model/PRRecordFields.h"

bool isSentMessage(const PRMessageNode& message) { return message.messageType() == kMessageSent; }

std::string messageSpeaker(const PRMessageNode& message) {
    if (isSentMessage(message)) return "Me";
    if (const std::string_view name = trimmedText(message.messageName()); !name.empty()) return std::string(name);
    return message.messagePhone();
}

std::string messageDateText(const PRMessageNode& message) {
    if (!message.bPartial()) return message.messageDate();
    return message.messageDate() + (message.messageDate().empty() ? "" : " ") + "(partial)";
}

std::string messageText(const PRMessageNode& message) {
    static constexpr std::string_view kObjectMark = "\xEF\xBF\xBC";  // U+FFFC
    std::string text = message.messageContent();
    for (size_t at = text.find(kObjectMark); at != std::string::npos; at = text.find(kObjectMark, at))
        text.erase(at, kObjectMark.size());
    return std::string(trimmedText(text));
}
