#include "disk/core/BookScan.h"

#include "disk/core/LocalCopies.h"
#include "platform/CoreFoundation.h"
#include "platform/Paths.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace disk {

namespace {

constexpr const char* kPurchasesFolder = "/Books/Purchases";
// Deeper folders than any book holds: a loop of links on the device ends here.
constexpr int kMaxDepth = 64;

std::string stringOf(CFTypeRef value) {
    auto s = cfCast<CFString>(value, CFStringGetTypeID());
    return s ? CFStringGetStdString(s) : std::string();
}

// Copies a device file to local, which is emptied first so that a failed copy never leaves an
// older file to pass for it. True when the copy is whole.
bool freshCopy(amd::FileService& service, const std::string& devicePath, const std::string& local) {
    if (local.empty()) return false;
    std::error_code ignored;
    std::filesystem::remove(local, ignored);
    return amd::copyToOwnFile(service, devicePath, local) == 0;
}

PRBytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.empty() ? nullptr : makeBytes(std::move(bytes));
}

}  // namespace

BookScan::BookScan(DiskDeviceServices& services, Options options, BookScanSink& sink)
    : services_(services), options_(std::move(options)), sink_(sink) {}

void BookScan::traverseDirWithpath(const std::string& path, amd::FileService& service, int depth) {
    std::vector<std::string> names;
    if (depth > kMaxDepth || !service.ListDirectory(path, names)) return;
    for (const std::string& name : names) {
        const std::string child = path + "/" + name;
        amd::FileEntry entry;
        if (!service.FileInfo(child, entry)) continue;
        if (entry.kind == amd::FileEntry::Kind::Directory)
            traverseDirWithpath(child, service, depth + 1);
        else
            total_ += entry.size;
    }
}

BookScan::Outcome BookScan::startScanDeviceBooks() {
    std::unique_ptr<amd::FileService> service = services_.startMediaArea(options_.deviceIndex);
    if (!service) return Outcome::NoService;
    const std::string listFolder = options_.listFolder.empty() ? localCopyFolder("DB") : options_.listFolder;
    const std::string iconFolder = options_.iconFolder.empty() ? localCopyFolder("Icon") : options_.iconFolder;
    const std::string listPath = std::string(kPurchasesFolder) + "/Purchases.plist";
    const std::string localList = localCopyPath(listFolder, listPath);

    CFHolder<CFPropertyListRef> list;
    if (freshCopy(*service, listPath, localList)) list.reset(CFPropertyListCreateFromFile(localList));
    auto root = cfCast<CFDictionary>(list.get(), CFDictionaryGetTypeID());
    auto books = root ? cfCast<CFArray>(CFDictionaryGetValue(root, "Books"), CFArrayGetTypeID()) : nullptr;
    const CFIndex count = books ? CFArrayGetCount(books) : 0;
    for (CFIndex i = 0; i < count; ++i) {
        auto entry = cfCast<CFDictionary>(CFArrayGetValueAtIndex(books, i), CFDictionaryGetTypeID());
        const std::string relative = entry ? stringOf(CFDictionaryGetValue(entry, "Path")) : std::string();
        const std::string name = entry ? stringOf(CFDictionaryGetValue(entry, "Name")) : std::string();
        auto book = std::make_shared<PRBookNode>();
        book->setFilePath(std::string(kPurchasesFolder) + "/" + relative);
        const std::string extension = paths::pathExtension(book->filePath());
        book->setBookName(name + "." + extension);
        book->setFileType(extension);
        traverseDirWithpath(book->filePath(), *service);
        // The artwork's copy is kept under the book's own path: two books of one name stay apart.
        const std::string artwork = book->filePath() + "/iTunesArtwork";
        const std::string localArtwork = localCopyPath(iconFolder, artwork);
        if (freshCopy(*service, artwork, localArtwork)) book->setImageIcon(fileBytes(localArtwork));
        sink_.deliver(book, float(i + 1) / float(count));
    }
    return Outcome::Finished;
}

}  // namespace disk
