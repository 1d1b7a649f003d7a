// Note bodies are stored as HTML: a "&" the user typed is kept as "&amp;", a "<" as "&lt;".
// Shown or exported as plain text, they must read as typed.
#pragma once

#include <string>
#include <string_view>

namespace backuptext {

// The text with the character references a note body holds replaced by their characters:
// the five named XML ones, "&nbsp;" (a blank) and numeric ones ("&#233;", "&#xE9;"). Any other
// "&" is left as it stands, so text that merely contains one is unchanged.
std::string decodeHtmlEntities(std::string_view text);

}  // namespace backuptext
