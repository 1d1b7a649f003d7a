#include "model/MessageParts.h"

#include "model/PRRecordFields.h"

#include <algorithm>

namespace {

// The media type of a content type ("Text/Plain; charset=utf-8" is "text/plain"), in lower case.
std::string mediaType(std::string_view contentType) {
    std::string type(trimmedText(contentType.substr(0, contentType.find(';'))));
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return type;
}

bool startsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

}  // namespace

void MessageParts::add(int64_t messageId, int64_t partId, std::string_view contentType, std::string_view data) {
    const std::string type = mediaType(contentType);
    Part part{partId, Kind::text, {}};
    if (type == "text/plain") {
        // A text that is not valid UTF-8 keeps its readable characters rather than going whole.
        part.text = textWithReplacementCharacters(data);
        if (trimmedText(part.text).empty()) return;
    } else if (startsWith(type, "image/")) {
        part.kind = Kind::image;
    } else if (startsWith(type, "video/") || startsWith(type, "audio/")) {
        part.kind = Kind::movie;
    } else {
        return;
    }
    byMessage_[messageId].push_back(std::move(part));
}

std::optional<MessageParts::Message> MessageParts::of(int64_t messageId) const {
    const auto found = byMessage_.find(messageId);
    if (found == byMessage_.end()) return std::nullopt;
    std::vector<const Part*> parts;
    for (const Part& part : found->second) parts.push_back(&part);
    std::stable_sort(parts.begin(), parts.end(), [](const Part* a, const Part* b) { return a->partId < b->partId; });
    Message message;
    for (const Part* part : parts) {
        if (part->kind == Kind::text)
            appendPart(message.text, part->text, "\n");
        else
            message.files.push_back({part->partId, part->kind == Kind::image ? "Image" : "Mov"});
    }
    return message;
}

void MessageParts::give(PRMessageNode& message, const Message& parts, PROptionalText file) {
    if (trimmedText(message.messageContent()).empty() && !parts.text.empty()) message.setMessageContent(parts.text);
    if (parts.files.empty()) return;
    message.setIsHasAttach(true);
    message.setAttachType(std::string(parts.files.front().kind));
    message.setAttachmentPath(std::move(file));
}
