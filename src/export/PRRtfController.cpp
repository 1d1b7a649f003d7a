#include "export/PRRtfController.h"

#include "platform/NewFile.h"

void PRRtfController::setRtfHeader() { strRtfContent_.clear(); }

void PRRtfController::addRtfContent(const std::string& entry) {
    strRtfContent_ += entry;
    strRtfContent_ += "\n\n";
}

void PRRtfController::setRtfEnder() {}

std::string PRRtfController::fileNameForType(const std::string& fileType) {
    if (fileType == "Contact") return "Contacts.txt";
    if (fileType == "Message") return "Messages.txt";
    if (fileType == "CallHistory") return "Call History.txt";
    if (fileType == "Note") return "Notes.txt";
    if (fileType == "BookMark") return "BookMark.txt";
    if (fileType == "Calendar&Reminder") return "Calendar&Reminder.txt";
    return "TXT.txt";
}

files::Outcome PRRtfController::writeRtfInPath(const std::string& folder, const std::string& fileType) {
    setRtfEnder();
    return files::writeNewFile(folder + "/" + fileNameForType(fileType), strRtfContent_);
}
