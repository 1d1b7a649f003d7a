// The file services of the device layer: each start makes its own amd service object, which the
// returned object deletes on the thread that used it.
#include "device/FileService.h"

#include "device/AfcService.h"
#include "device/CrashReportService.h"
#include "device/ServiceReplies.h"
#include "device/StatusText.h"
#include "platform/CoreFoundation.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace amd {

namespace {

// The calls the AFC-based services share; Service is AfcService or CrashReportService.
template <typename Service>
class ServiceFiles : public FileService {
public:
    explicit ServiceFiles(std::unique_ptr<Service> service) : service_(std::move(service)) {}

    bool FileInfo(const std::string& path, FileEntry& entry) override {
        CFHolder<CFMutableDictionaryRef> attributes(service_->FileInfo(path));
        if (!attributes) return false;
        entry = entryFromAttributes(attributes.get());
        return true;
    }
    int RemovePath(const std::string& path) override { return service_->RemovePath(path); }
    int CopyToLocal(const std::string& devicePath, files::NewFile& into) override {
        return service_->CopyToLocal(devicePath, into);
    }

protected:
    bool listed(CFMutableArrayRef list, std::vector<std::string>& names) {
        CFHolder<CFMutableArrayRef> held(list);
        if (!held) return false;
        appendEntryNames(held.get(), names);
        return true;
    }

    std::unique_ptr<Service> service_;
};

class AfcFiles final : public ServiceFiles<AfcService> {
public:
    using ServiceFiles::ServiceFiles;
    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        return listed(service_->ListDirectory(path), names);
    }
    int CopyToDevice(const std::string& localPath, const std::string& devicePath) override {
        return service_->CopyToDevice(localPath, devicePath);
    }
};

// Only the root is listed: the crash logs lie there, and the service lists nothing else.
class CrashReportFiles final : public ServiceFiles<CrashReportService> {
public:
    using ServiceFiles::ServiceFiles;
    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        return path == "/" && listed(service_->ListRoot(), names);
    }
};

template <typename Files, typename Service>
std::unique_ptr<FileService> started(std::unique_ptr<Service> service, int status, int* statusOut) {
    if (statusOut) *statusOut = status;
    if (status != 0) return nullptr;
    return std::make_unique<Files>(std::move(service));
}

}  // namespace

std::unique_ptr<FileService> startMediaAreaFiles(int deviceIndex, int* status) {
    auto service = std::make_unique<AfcService>();
    const int code = service->Start(deviceIndex);
    return started<AfcFiles>(std::move(service), code, status);
}

std::unique_ptr<FileService> startAppDirFiles(int deviceIndex, const std::string& bundleId, int* status) {
    auto service = std::make_unique<AppDirService>();
    CFHolder<CFStringRef> id(CFStringCreateWithCString(bundleId.c_str()));
    const int code = id ? service->Start(deviceIndex, id.get()) : kAMDInvalidArgumentError;
    return started<AfcFiles>(std::unique_ptr<AfcService>(std::move(service)), code, status);
}

std::unique_ptr<FileService> startCrashReportFiles(int deviceIndex, int* status) {
    auto service = std::make_unique<CrashReportService>();
    const int code = service->Start(deviceIndex);
    return started<CrashReportFiles>(std::move(service), code, status);
}

namespace {

// Reads the device file into into; a device failure becomes into's reason.
int readInto(FileService& service, const std::string& devicePath, files::NewFile& into) {
    const int status = service.CopyToLocal(devicePath, into);
    if (status != 0 && !into.failed())
        into.fail(status == 1 ? std::string("the device file cannot be opened")
                              : "the device refused the copy (" + statusText(status) + ")");
    return status;
}

}  // namespace

files::Outcome copyToNewFile(FileService& service, const std::string& devicePath, const std::string& localPath) {
    files::NewFile into(localPath);
    readInto(service, devicePath, into);
    return into.finish();
}

int copyToOwnFile(FileService& service, const std::string& devicePath, const std::string& localPath,
                  std::string* reason) {
    // The time is read before the bytes: a file changed during the copy then differs from its
    // copy's time, and the copy is not taken for it later.
    FileEntry entry;
    const bool known = service.FileInfo(devicePath, entry) && entry.kind == FileEntry::Kind::Regular;
    files::NewFile into(localPath);
    const int status = readInto(service, devicePath, into);
    const files::Outcome placed = into.finishOwn();
    if (!placed.ok() && reason) *reason = placed.reason;
    if (status != 0 || !placed.ok()) return status != 0 ? status : 1;
    if (known && entry.mtime > 0) {
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(entry.mtime / 1000000000), long(entry.mtime % 1000000000)}};
        ::utimensat(AT_FDCWD, placed.path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    return 0;
}

bool ownCopyMatches(const FileEntry& entry, const std::string& localPath) {
    struct stat st {};
    if (entry.kind != FileEntry::Kind::Regular || ::lstat(localPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (uint64_t(st.st_size) != entry.size) return false;
    const int64_t copyTime = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return entry.mtime <= 0 || copyTime == entry.mtime;
}

bool ownCopyCurrent(FileService& service, const std::string& devicePath, const std::string& localPath) {
    FileEntry entry;
    return service.FileInfo(devicePath, entry) && ownCopyMatches(entry, localPath);
}

}  // namespace amd
