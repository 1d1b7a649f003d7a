#include "browser/ConversationPaging.h"

#include "model/MessageDirection.h"
#include "model/MessageSpeaker.h"
#include "platform/Paths.h"

#include <algorithm>

namespace conversation {

Page firstPage(int messageCount, int pageSize) {
    if (messageCount < pageSize) return {std::max(messageCount, 0), false};
    return {pageSize, true};
}

Page nextPage(int start, int messageCount, int pageSize) {
    if (start >= messageCount) return {0, false};
    const int remaining = messageCount - start;
    if (remaining > pageSize) return {pageSize, true};
    return {remaining, false};
}

bool isAttachment(const PRMessageNode& message) {
    return message.isHasAttach() || (message.attachmentPath() && message.attachmentPath()->size() >= 2);
}

BubbleContent bubbleContent(const PRMessageNode& message) {
    if (!isAttachment(message)) return {BubbleKind::Text, messageText(message), {}, {}};
    const std::string type = message.attachType().value_or("");
    if (type == "Image") return {BubbleKind::Picture, {}, {}, message.attachmentPath().value_or("")};
    if (type == "Mov") return {BubbleKind::Caption, "Video File", "quicktime", {}};
    if (type == "Contact") return {BubbleKind::Caption, "Contact File", "contact", {}};
    if (type == "Location") return {BubbleKind::Caption, "Location File", "location", {}};
    return {BubbleKind::Fallback, {}, "Contact", {}};
}

std::string textBesideAttachment(const PRMessageNode& message) {
    return isAttachment(message) ? messageText(message) : std::string();
}

bool isReceived(const PRMessageNode& message) { return message.messageType() == kMessageReceived; }

std::string dateLine(const PRMessageNode& message) {
    return messageSpeaker(message) + "     " + messageDateText(message);
}

std::string messageImageFolder() { return paths::userPath("Desktop/Quillomatrix"); }

std::string messageImagePath(const std::string& conversationName) {
    std::string name = conversationName;
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    if (name.empty() || name == "." || name == "..") name = "Conversation";
    return messageImageFolder() + "/" + name + "_MessageImage.png";
}

}  // namespace conversation
