// Rebuilds deleted notes from the raw pages of a backup's notes database: note rows (title,
// summary, dates) and body rows (the text) are read by their layouts and paired where the note
// names its body (ZBODY) and the body its note (ZOWNER). Each note is posted as "ScanDelNoteInfo",
// then "ScanProgressInfo" with 85.
#pragma once

#include "backup/carve/CarveContext.h"

#include <string>

namespace carve {

class DelNoteCarver {
public:
    explicit DelNoteCarver(CarveContext& context) : context_(context) {}

    void scanDelNoteThread(const std::string& backupFolder);

    // The body's text without its markup.
    static std::string plainNoteText(std::string text);

private:
    CarveContext& context_;
};

}  // namespace carve
