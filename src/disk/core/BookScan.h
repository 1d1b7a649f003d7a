// The disk manager's books scan: the device's list of purchased books
// ("/Books/Purchases/Purchases.plist", array "Books" of entries with "Path" and "Name") becomes
// one book record per entry with its artwork, and the bytes below every book's path are added
// up. Runs on one worker thread.
#pragma once

#include "disk/core/DiskDeviceServices.h"
#include "disk/core/PRBookNode.h"

#include <functional>
#include <string>

namespace disk {

class BookScanSink {
public:
    virtual ~BookScanSink() = default;
    // One book and the progress after it; returns once taken.
    virtual void deliver(const PRBookNodePtr& book, float progress) = 0;
};

class BookScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::string listFolder;  // local copy of the purchases list; the private "DB" folder when empty
        std::string iconFolder;  // local copies of the artwork; the private "Icon" folder when empty
    };

    BookScan(DiskDeviceServices& services, Options options, BookScanSink& sink);

    enum class Outcome { Finished, NoService };
    Outcome startScanDeviceBooks();

    uint64_t allBooksFileSize() const { return total_; }

    // Adds the sizes of the files below path to the total; a path that is not a folder adds
    // nothing (a book kept as one file).
    void traverseDirWithpath(const std::string& path, amd::FileService& service, int depth = 0);

private:
    DiskDeviceServices& services_;
    Options options_;
    BookScanSink& sink_;
    uint64_t total_ = 0;
};

}  // namespace disk
