// Collects the text entries of one record type and writes them as one plain UTF-8 text file
// ("Contacts.txt", "Messages.txt", ...), each entry followed by a blank line.
#pragma once

#include "platform/NSObject.h"
#include "platform/NewFile.h"

#include <string>

class PRRtfController : public NSObject {
public:
    PRRtfController() { setRtfHeader(); }

    void setRtfHeader();
    void addRtfContent(const std::string& entry);
    void setRtfEnder();
    // Writes the text into folder under the name of the record type ("Contact",
    // "Message", "CallHistory", "Note", "BookMark", "Calendar&Reminder"; another type gives
    // "TXT.txt"), as a new file (platform/NewFile.h: an earlier export of that name stays and
    // this one gets the next numbered name).
    files::Outcome writeRtfInPath(const std::string& folder, const std::string& fileType);

    // The file name that writeRtfInPath gives a record type.
    static std::string fileNameForType(const std::string& fileType);

    const std::string& strRtfContent() const { return strRtfContent_; }

private:
    std::string strRtfContent_;
};
