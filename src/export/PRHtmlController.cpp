#include "export/PRHtmlController.h"

#include "export/FileInPieces.h"
#include "platform/NewFile.h"

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

}  // namespace

PRHtmlController::PRHtmlController() = default;

PRHtmlController::~PRHtmlController() = default;

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

void PRHtmlController::initMessageHtmlHeader(const std::string& title) {
    file_.reset();
    strHtmlContent_ = messageHtmlHeader(title);
}

void PRHtmlController::beginHtmlInPath(const std::string& filePath, const std::string& title) {
    strHtmlContent_.clear();
    // Outside data may hold a malformed sequence: the page is made what its header declares.
    file_ = std::make_unique<FileInPieces>(filePath, FileInPieces::Text::WellFormedUtf8);
    file_->write(messageHtmlHeader(title));
}

files::Outcome PRHtmlController::endHtml() {
    if (!file_) return {{}, "the page was not begun"};
    file_->write(kFooter);
    const files::Outcome outcome = file_->finish();
    file_.reset();
    return outcome;
}

void PRHtmlController::addHtmlContent(const std::string& fragment) {
    if (file_)
        file_->write(fragment);
    else
        strHtmlContent_ += fragment;
}

files::Outcome PRHtmlController::writeHtmlInPath(const std::string& filePath) {
    // Written in slices through the same cleaning as a page begun in a file, without a second
    // copy of the page.
    strHtmlContent_ += kFooter;
    FileInPieces file(filePath, FileInPieces::Text::WellFormedUtf8);
    constexpr size_t kSlice = size_t(1) << 16;
    const std::string_view page = strHtmlContent_;
    for (size_t at = 0; at < page.size() && !file.failed(); at += kSlice) file.write(page.substr(at, kSlice));
    return file.finish();
}

files::Outcome PRHtmlController::writeHtmlInPathEx(const std::string& filePath) {
    strHtmlContent_ += "</table>";
    return files::writeNewFile(filePath, strHtmlContent_);
}
