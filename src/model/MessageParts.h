// The parts of a multimedia message as iOS 4 and 5 keep them, one row of msg_pieces each: the
// message's row id, the part's number, its content type and its data. The message's text is that
// of its "text/plain" parts, joined in part order; its pictures and movies (sound too, which
// the program shows as it shows a movie) are its attachments, so that such a message carries its
// text and attachment together as a message of iOS 6 and later does. The presentation part
// ("application/smil") and any other are neither. Readers and carvers hand the rows over as plain
// values, in any order, and ask by message.
#pragma once

#include "model/PRMessageNode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class MessageParts {
public:
    // One row of msg_pieces. A part that is neither text nor picture nor movie is not kept.
    void add(int64_t messageId, int64_t partId, std::string_view contentType, std::string_view data);
    bool empty() const { return byMessage_.empty(); }

    // A picture or movie part: its number and the attachment kind records name it by ("Image",
    // "Mov").
    struct File {
        int64_t partId;
        const char* kind;
    };
    struct Message {
        std::string text;         // the text parts in part order, a line break between two
        std::vector<File> files;  // in part order
    };
    // The message's text and attachments; nothing for a message with no such part (a plain SMS).
    std::optional<Message> of(int64_t messageId) const;

    // Gives message its parts: their text where the message holds none of its own, and the first
    // picture or movie as its attachment, whose file in the backup is file (nothing where the
    // backup lacks it: the message still shows that it had one).
    static void give(PRMessageNode& message, const Message& parts, PROptionalText file);

private:
    enum class Kind : uint8_t { text, image, movie };
    struct Part {
        int64_t partId;
        Kind kind;
        std::string text;  // a text part's
    };
    std::unordered_map<int64_t, std::vector<Part>> byMessage_;
};
