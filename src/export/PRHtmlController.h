// Collects the fragments of a conversation page (bubbles, dates, pictures) and writes the
// page as one HTML file: either kept in memory and written at the end, or written as its
// fragments come (a page of a whole message history is never held).
#pragma once

#include "platform/NSObject.h"
#include "platform/NewFile.h"

#include <memory>
#include <string>

class FileInPieces;

class PRHtmlController : public NSObject {
public:
    PRHtmlController();
    ~PRHtmlController() override;

    // Replaces the page with the fixed page header, the title (escaped) as title and heading.
    void initMessageHtmlHeader(const std::string& title);
    // Starts the page as a new file for filePath (its folder must be there), beginning with the
    // header for title: from now on each fragment goes to the file as it is added, made
    // well-formed UTF-8 on its way, and endHtml puts the page in place. Nothing is kept in memory.
    void beginHtmlInPath(const std::string& filePath, const std::string& title);
    // Appends the footer to a page begun with beginHtmlInPath and puts the file in place (a taken
    // name gets the next numbered one); a page whose writing failed leaves nothing.
    files::Outcome endHtml();
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

    // The page kept in memory (empty for a page begun in a file).
    const std::string& strHtmlContent() const { return strHtmlContent_; }

private:
    std::string strHtmlContent_;
    std::unique_ptr<FileInPieces> file_;
};
