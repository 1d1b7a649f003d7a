// Collects the text entries of one record type and writes them as one plain UTF-8 text file
// ("Contacts.txt", "Messages.txt", ...), each entry followed by a blank line: either kept in
// memory and written at the end, or written as the entries come (beginRtfInPath).
#pragma once

#include "platform/NSObject.h"
#include "platform/NewFile.h"

#include <memory>
#include <string>

class FileInPieces;

class PRRtfController : public NSObject {
public:
    PRRtfController();
    ~PRRtfController() override;

    void setRtfHeader();
    void addRtfContent(const std::string& entry);
    void setRtfEnder();
    // Writes the text into folder under the name of the record type ("Contact",
    // "Message", "CallHistory", "Note", "BookMark", "Calendar&Reminder"; another type gives
    // "TXT.txt"), as a new file (platform/NewFile.h: an earlier export of that name stays and
    // this one gets the next numbered name).
    files::Outcome writeRtfInPath(const std::string& folder, const std::string& fileType);
    // Starts the file that writeRtfInPath would write (folder must be there): from now on each
    // entry goes to the file as it is added, and endRtf puts it in place. Nothing is kept.
    void beginRtfInPath(const std::string& folder, const std::string& fileType);
    // Puts a file begun with beginRtfInPath in place; one whose writing failed leaves nothing.
    files::Outcome endRtf();

    // The file name that writeRtfInPath gives a record type.
    static std::string fileNameForType(const std::string& fileType);

    // The text kept in memory (empty for a file begun with beginRtfInPath).
    const std::string& strRtfContent() const { return strRtfContent_; }

private:
    std::string strRtfContent_;
    std::unique_ptr<FileInPieces> file_;
};
