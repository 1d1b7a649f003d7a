#include "export/PRHtmlController.h"

#include "model/PRRecordFields.h"
#include "platform/NewFile.h"

#include <cstdint>
#include <sys/stat.h>

namespace {

// The page's style sheet and opening, in pieces joined by tabs; "%@" takes the title.
const char* const kHeaderPieces[] = {
    "<!DOCTYPE html><html lang='en'><head><meta charset='utf-8'><title>%@</title><style>body {padding:0; margin:0; "
    "font:1em/1.4 Helvetica,Cambria, Georgia, sans-serif; color:#333;  font-size:12px; background:#fff;}"
    ".date {text-align:center;}",
    "#container {width:500px; padding:0 0 50px; margin:0 auto;}h1 {font-size:18px;text-align:center; "
    "font-weight:bold;}h3 {font-size:14px; font-weight:bold; font-style:normal; text-align:left;color:#272727; }",
    ".triangle-isosceles {background:#f3f3f3;word-break:break-all;width:200px;position:relative;padding:10px;"
    "margin:1em 0 3em;background:-webkit-gradient(linear, 0 0, 0 100%, from(#f3f3f3), to(#dedede));",
    "background:-moz-linear-gradient(#f3f3f3, #dedede);background:-o-linear-gradient(#f3f3f3, #dedede);"
    "background:linear-gradient(#f3f3f3, #dedede);",
    "-webkit-border-radius:10px;-moz-border-radius:10px;border-radius:10px;}",
    ".triangle-isosceles:after {content:'';position:absolute;bottom:-15px; left:30px; border-width:15px 15px 0; "
    "border-style:solid;border-color:#dedede transparent;display:block; width:0;}",
    ".content {width:400px; position:relative;z-index:1;}",
    ".triangle-isosceles2 {background:#addc53;word-break:break-all;width:200px; left:170px;position:relative;"
    "padding:10px;margin:1em 0 3em;background:-webkit-gradient(linear, 0 0, 0 100%, from(#addc53), to(#8eca35));",
    "background:-moz-linear-gradient(#addc53, #8eca35);background:-o-linear-gradient(#addc53, #8eca35);",
    "background:linear-gradient(#addc53, #8eca35);-webkit-border-radius:10px;-moz-border-radius:10px;"
    "border-radius:10px;}",
    ".triangle-isosceles2:after {content:'';position:absolute;bottom:-15px; right:30px;border-width:15px 15px 0; "
    "border-style:solid;border-color:#8eca35 transparent;display:block; width:0;}",
    ".triangle-isosceles3 {background:#a0cff8;word-break:break-all;width:200px; left:170px;position:relative;"
    "padding:10px;margin:1em 0 3em;background:-webkit-gradient(linear, 0 0, 0 100%, from(#a0cff8), to(#87bfef));"
    "background:-moz-linear-gradient(#a0cff8, #87bfef);",
    "background:-o-linear-gradient(#a0cff8, #87bfef);background:linear-gradient(#a0cff8, #87bfef);"
    "-webkit-border-radius:10px;-moz-border-radius:10px;border-radius:10px;}",
    ".triangle-isosceles3:after {content:'';position:absolute;bottom:-15px; right:30px;border-width:15px 15px 0; "
    "border-style:solid;border-color:#87bfef transparent;display:block; width:0;}",
    "hr{height:1px;border:0;border-bottom:1px dotted #cccccc;margin:0;}.imgdic{left:170px; position:relative;}"
    "</style></head><body><h1>%@</h1><div id='container'><div class='content'>",
};

const char* const kFooter = "</div></div></body></html>";

// One UTF-8 character at text[i] (advancing i); U+FFFD for a malformed sequence.
uint32_t nextCodePoint(const std::string& text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i++);
    if (lead < 0x80) return lead;
    size_t extra;
    uint32_t cp;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07u;
        minimum = 0x10000;
    } else
        return 0xFFFD;
    for (size_t k = 0; k < extra; ++k) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (byte(i++) & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    return cp;
}

// The text as well-formed UTF-8: a malformed sequence (outside data may hold one) becomes
// U+FFFD, so that the page is what its declaration says.
std::string wellFormedUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) appendUtf8(out, nextCodePoint(text, i));
    return out;
}

}  // namespace

std::string PRHtmlController::escapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += ch;
        }
    }
    return out;
}

std::string PRHtmlController::messageHtmlHeader(const std::string& title) {
    std::string header;
    for (const char* piece : kHeaderPieces) {
        if (!header.empty()) header += '\t';
        header += piece;
    }
    const std::string escaped = escapeHtml(title);
    for (size_t at = header.find("%@"); at != std::string::npos; at = header.find("%@", at + escaped.size()))
        header.replace(at, 2, escaped);
    return header;
}

void PRHtmlController::initMessageHtmlHeader(const std::string& title) { strHtmlContent_ = messageHtmlHeader(title); }

void PRHtmlController::addHtmlContent(const std::string& fragment) { strHtmlContent_ += fragment; }

files::Outcome PRHtmlController::writeHtmlInPath(const std::string& filePath) {
    strHtmlContent_ += kFooter;
    return files::writeNewFile(filePath, wellFormedUtf8(strHtmlContent_));
}

files::Outcome PRHtmlController::writeHtmlInPathEx(const std::string& filePath) {
    strHtmlContent_ += "</table>";
    return files::writeNewFile(filePath, strHtmlContent_);
}
