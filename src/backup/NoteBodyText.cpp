#include "backup/NoteBodyText.h"

#include "backup/HtmlEntities.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace backuptext {

namespace {

// Tags whose start and end end a line.
bool isBlock(std::string_view name) {
    static constexpr std::array<std::string_view, 27> blocks = {
        "address", "article", "blockquote", "center", "dd",      "div",   "dl", "dt",     "footer",
        "form",    "h1",      "h2",         "h3",     "h4",      "h5",    "h6", "header", "hr",
        "li",      "ol",      "p",          "pre",    "section", "table", "tr", "ul",     "title"};
    return std::find(blocks.begin(), blocks.end(), name) != blocks.end();
}

bool isNameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string noteBodyText(std::string_view html) {
    std::string plain;
    plain.reserve(html.size());
    // A block ended or began: the next text starts a line of its own, unless it starts the body
    // or a line already.
    bool lineEnds = false;
    for (size_t i = 0; i < html.size();) {
        const char c = html[i];
        const bool closing = c == '<' && i + 1 < html.size() && html[i + 1] == '/';
        const size_t nameAt = i + (closing ? 2 : 1);
        const bool opensTag = c == '<' && nameAt < html.size() &&
                              (std::isalpha(static_cast<unsigned char>(html[nameAt])) || html[nameAt] == '!');
        const size_t end = opensTag ? html.find('>', nameAt) : std::string_view::npos;
        if (end == std::string_view::npos) {
            // Blanks and line ends of the HTML's own layout between blocks show nothing.
            if (lineEnds && (c == ' ' || c == '\n' || c == '\r' || c == '\t')) {
                ++i;
                continue;
            }
            if (lineEnds && !plain.empty() && plain.back() != '\n') plain += '\n';
            lineEnds = false;
            plain += c;
            ++i;
            continue;
        }
        size_t nameEnd = nameAt;
        while (nameEnd < end && isNameCharacter(html[nameEnd])) ++nameEnd;
        std::string name(html.substr(nameAt, nameEnd - nameAt));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char x) { return static_cast<char>(std::tolower(static_cast<unsigned char>(x))); });
        if (name == "br") {
            // A break after a block's end starts that line first: "<div>a</div><br>" leaves an
            // empty line, as "<div>a</div><div><br></div>" does.
            if (lineEnds && !plain.empty() && plain.back() != '\n') plain += '\n';
            lineEnds = false;
            plain += '\n';
        } else if (isBlock(name)) {
            lineEnds = true;
        }
        i = end + 1;
    }
    while (!plain.empty() && plain.back() == '\n') plain.pop_back();
    // References are read last, so that a "&lt;" the user typed never opens a tag.
    return decodeHtmlEntities(plain);
}

std::string titleFromBodyText(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        size_t first = at, last = end;
        while (first < last && blank(text[first])) ++first;
        while (last > first && blank(text[last - 1])) --last;
        if (first < last) return std::string(text.substr(first, last - first));
        at = end + 1;
    }
    return {};
}

}  // namespace backuptext
