// A note's body is HTML: each line the user typed is a block ("<div>eggs</div>") or ends in a
// line break ("eggs<br>"), and what was typed as "&" or "<" is kept as a character reference.
// Shown, exported or compared as plain text, the body must read as typed: one line per line.
#pragma once

#include <string>
#include <string_view>

namespace backuptext {

// The body's text: blocks (div, p, li, headings...) and line breaks become line ends, every
// other tag is left out, character references become their characters. A "<" that opens no tag
// (a body cut inside one) stays as it stands.
std::string noteBodyText(std::string_view html);

// The title a note shows when only its body is left: the body text's first line that holds
// more than blanks, without the blanks around it.
std::string titleFromBodyText(std::string_view text);

}  // namespace backuptext
