// Collects the fragments of a conversation page (bubbles, dates, pictures) and writes the
// page as one HTML file.
#pragma once

#include "platform/NSObject.h"
#include "platform/NewFile.h"

#include <string>

class PRHtmlController : public NSObject {
public:
    // Replaces the page with the fixed page header, the title (escaped) as title and heading.
    void initMessageHtmlHeader(const std::string& title);
    // Appends a fragment as it is: record texts inside it must come through escapeHtml.
    void addHtmlContent(const std::string& fragment);
    // Appends the page footer and writes the page in UTF-8 (as its header declares), as a new
    // file (platform/NewFile.h: a taken name gets the next numbered one).
    files::Outcome writeHtmlInPath(const std::string& filePath);
    // Appends "</table>" and writes the page as UTF-8, as a new file.
    files::Outcome writeHtmlInPathEx(const std::string& filePath);

    // Text as HTML character data: "&", "<", ">", '"' and "'" as entities.
    static std::string escapeHtml(const std::string& text);
    // The page header for a title, as initMessageHtmlHeader puts it in.
    static std::string messageHtmlHeader(const std::string& title);

    const std::string& strHtmlContent() const { return strHtmlContent_; }

private:
    std::string strHtmlContent_;
};
