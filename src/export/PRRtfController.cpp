#include "export/PRRtfController.h"

#include "export/FileInPieces.h"
#include "platform/NewFile.h"

PRRtfController::PRRtfController() { setRtfHeader(); }

PRRtfController::~PRRtfController() = default;

void PRRtfController::setRtfHeader() { strRtfContent_.clear(); }

void PRRtfController::addRtfContent(const std::string& entry) {
    if (file_) {
        file_->write(entry);
        file_->write("\n\n");
        return;
    }
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

void PRRtfController::beginRtfInPath(const std::string& folder, const std::string& fileType) {
    setRtfHeader();
    file_ = std::make_unique<FileInPieces>(folder + "/" + fileNameForType(fileType), FileInPieces::Text::AsItIs);
}

files::Outcome PRRtfController::endRtf() {
    if (!file_) return {{}, "the file was not begun"};
    setRtfEnder();
    const files::Outcome outcome = file_->finish();
    file_.reset();
    return outcome;
}
