// Collects the fragments of a conversation page (bubbles, dates, pictures) and writes the
// page as one HTML file.
#pragma once

#include "platform/NSObject.h"

#include <string>

class PRHtmlController : public NSObject {
public:
    // Replaces the page with the fixed page header, the title (escaped) as title and heading.
    void initMessageHtmlHeader(const std::string& title);
    // Appends a fragment as it is: record texts inside it must come through escapeHtml.
    void addHtmlContent(const std::string& fragment);
    // Appends the page footer and writes the page as UTF-16 with a byte-order mark, in one
    // step. When a file already stands at filePath, the page goes to the name with "_.html"
    // in place of ".html" (replacing a page already there). False when nothing was written.
    bool writeHtmlInPath(const std::string& filePath);
    // Appends "</table>" and writes the page as UTF-8.
    bool writeHtmlInPathEx(const std::string& filePath);

    // Text as HTML character data: "&", "<", ">", '"' and "'" as entities.
    static std::string escapeHtml(const std::string& text);
    // The page header for a title, as initMessageHtmlHeader puts it in.
    static std::string messageHtmlHeader(const std::string& title);

    const std::string& strHtmlContent() const { return strHtmlContent_; }

private:
    std::string strHtmlContent_;
};
