// A new file (platform/NewFile.h) written in pieces as they are made, so that a page of a
// million messages is never held whole: the pieces are gathered into blocks (a page of small
// fragments costs few writes), and a text that declares itself UTF-8 is made well-formed on its
// way, once (a malformed sequence becomes U+FFFD). A sequence cut between two pieces is joined
// before it is judged, so the file is byte for byte what the pieces make together, cleaned whole.
#pragma once

#include "platform/NewFile.h"

#include <string>
#include <string_view>

class FileInPieces {
public:
    enum class Text { AsItIs, WellFormedUtf8 };

    // Opens the new file for path now (the folder must exist); a failure to open is kept and
    // reported by finish.
    FileInPieces(std::string path, Text text);
    FileInPieces(const FileInPieces&) = delete;
    FileInPieces& operator=(const FileInPieces&) = delete;
    ~FileInPieces() = default;  // what was never finished is removed

    // Appends piece; false once the file has failed (what follows is then dropped).
    bool write(std::string_view piece);
    bool failed() const { return file_.failed(); }
    // Puts the file in place under its name or the next free numbered one, unless something failed.
    files::Outcome finish();

private:
    // Appends the well-formed form of text to block_; a sequence that text ends inside is kept in
    // cut_ for the next piece, unless this is the last.
    void clean(std::string_view text, bool last);
    void flushBlock();

    files::NewFile file_;
    bool clean_;
    std::string block_;
    std::string cut_;
};
