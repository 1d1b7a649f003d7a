// What the conversation view decides without drawing: how many messages a page places, what
// kind of bubble a message becomes, and where the picture of a conversation is written.
#pragma once

#include "model/PRMessageNode.h"

#include <string>

namespace conversation {

constexpr int kPageSize = 50;

// One page placed from message start of count: how many bubbles, and whether a "More..."
// button follows them. A page that would end exactly at the last message shows the button
// only on the first page (a conversation of exactly one page still offers "More...").
struct Page {
    int count = 0;
    bool more = false;
};
Page firstPage(int messageCount, int pageSize = kPageSize);
Page nextPage(int start, int messageCount, int pageSize = kPageSize);

enum class BubbleKind { Text, Picture, Caption, Fallback };
struct BubbleContent {
    BubbleKind kind = BubbleKind::Text;
    std::string text;       // Text: the message; Caption: "Video File", "Contact File", "Location File"
    std::string imageName;  // Caption: the named image that must exist for the caption
    std::string imagePath;  // Picture: the local copy of the attachment
};
// A message is an attachment when it says so or names a path of two or more characters.
bool isAttachment(const PRMessageNode& message);
// The message's bubble: its attachment when it has one, else its text.
BubbleContent bubbleContent(const PRMessageNode& message);
// The text an attachment's message holds beside it, shown in a bubble of its own after the
// attachment's; empty when there is none (or the message is no attachment).
std::string textBesideAttachment(const PRMessageNode& message);
bool isReceived(const PRMessageNode& message);
// The date line: "speaker     date" ("Me" for a sent message, model/MessageSpeaker.h).
std::string dateLine(const PRMessageNode& message);

// "<desktop>/Quillomatrix/<name>_MessageImage.png"; a name that could leave the folder ("/",
// "..") is made safe, and no name at all gives "Conversation".
std::string messageImageFolder();
std::string messageImagePath(const std::string& conversationName);

}  // namespace conversation
