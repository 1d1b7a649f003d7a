// mobilebackup: the device backup tool.
//
//   mobilebackup --backup --target UDID                  into the user's iTunes backup folder
//   mobilebackup --backup --root FOLDER --target UDID    into FOLDER/UDID
//   mobilebackup --restore --target UDID --source NAME   from the iTunes backup folder's NAME
//
// Exit status 0 on success; otherwise one line on standard error and the status of ToolError.h.
// A restore names each record it leaves out on a line of its own before that line, and when it
// left out any, ends with a line that counts them and exits kSkippedRecords.
#include "BackupWriter.h"
#include "DeviceFolder.h"
#include "DeviceRestore.h"
#include "FileCopy.h"
#include "ToolError.h"
#include "platform/NewFile.h"
#include "platform/Paths.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace mobilebackup;

namespace {

struct Request {
    bool backup = false;
    bool restore = false;
    std::string target, root, source;
};

// A device identifier or backup name becomes a folder name: it must be one plain component.
bool isPlainName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

Request parse(int argc, char** argv) {
    const ToolError usage(kBadArguments,
                          "bad arguments: expected --backup [--root FOLDER] --target UDID, "
                          "or --restore --target UDID --source UDID");
    Request request;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        std::string* value = option == "--target"   ? &request.target
                             : option == "--root"   ? &request.root
                             : option == "--source" ? &request.source
                                                    : nullptr;
        if (option == "--backup" && !request.backup) {
            request.backup = true;
        } else if (option == "--restore" && !request.restore) {
            request.restore = true;
        } else if (value && value->empty() && i + 1 < argc && argv[i + 1][0] != '\0') {
            *value = argv[++i];
        } else {
            throw usage;
        }
    }
    const bool backupForm = request.backup && !request.restore && request.source.empty();
    const bool restoreForm = request.restore && !request.backup && request.root.empty() && isPlainName(request.source);
    if (!(backupForm || restoreForm) || !isPlainName(request.target)) throw usage;
    return request;
}

std::string iTunesBackupFolder() { return paths::userPath("Library/Application Support/MobileSync/Backup"); }

void perform(const Request& request, std::vector<SkippedRecord>& skipped) {
    if (request.restore) {
        const std::string backup = iTunesBackupFolder() + "/" + request.source;
        struct stat info {};
        if (::stat((backup + "/Manifest.mbdb").c_str(), &info) != 0)
            throw ToolError(kNoBackup, "no backup " + request.source + " in " + iTunesBackupFolder());
        const auto device = findDevice(request.target);
        if (!device->trustsComputer())
            throw ToolError(kFailed, "the device " + request.target + " does not trust this computer");
        restoreBackup(*device, backup, skipped);
        return;
    }
    const auto device = findDevice(request.target);
    if (!device->trustsComputer())
        throw ToolError(kFailed, "the device " + request.target + " does not trust this computer");
    writeBackup(*device, request.root.empty() ? iTunesBackupFolder() : request.root);
}

// One printable line, whatever the message holds (a record's name may hold any byte).
std::string oneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = c == '\n' || c == '\r' ? ' ' : '?';
    return text;
}

void say(const std::string& text) { std::fprintf(stderr, "mobilebackup: %s\n", oneLine(text).c_str()); }

void sayEach(const std::vector<SkippedRecord>& skipped) {
    for (const SkippedRecord& s : skipped) say("not restored: " + s.record + ": " + s.reason);
}

}  // namespace

int main(int argc, char** argv) {
    installStopHandlers();
    files::letWritesFailPastTheSizeLimit();
    std::vector<SkippedRecord> skipped;
    try {
        perform(parse(argc, argv), skipped);
        if (skipped.empty()) return kSucceeded;
        sayEach(skipped);
        say("the restore left out " + std::to_string(skipped.size()) + (skipped.size() == 1 ? " record" : " records") +
            " of the backup; the first: " + skipped.front().record + ": " + skipped.front().reason);
        return kSkippedRecords;
    } catch (const ToolError& error) {
        sayEach(skipped);
        say(error.what());
        return error.status();
    } catch (const std::exception& error) {
        sayEach(skipped);
        say(error.what());
        return kFailed;
    }
}
