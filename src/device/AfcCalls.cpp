#include "device/AfcCalls.h"

#include "device/Conversions.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace amd {

AFCFileRef AfcFileOpen(AFCConnectionRef afc, const std::string& path, uint64_t mode) {
    if (!afc) return 0;
    AFCFileRef ref = 0;
    if (AFCFileRefOpen(afc, path.c_str(), mode, &ref) != 0) return 0;
    return ref;
}

int AfcFileClose(AFCConnectionRef afc, AFCFileRef ref) {
    if (!afc || ref == 0) return 1;
    return AFCFileRefClose(afc, ref);
}

int AfcCopyToLocal(AFCConnectionRef afc, const std::string& devicePath, files::NewFile& into, uint8_t* buffer,
                   uint32_t bufferSize) {
    if (!afc) return 1;
    AFCFileRef ref = AfcFileOpen(afc, devicePath, kAFCModeRead);
    if (ref == 0) return 1;
    int failure = 0;
    while (true) {
        uint32_t length = bufferSize;
        if (int status = AFCFileRefRead(afc, ref, buffer, &length)) {
            failure = status;
            break;
        }
        if (length == 0) break;
        if (!into.write(buffer, length)) {
            failure = 1;
            break;
        }
    }
    AFCFileRefClose(afc, ref);
    return failure;
}

int AfcCopyToLocal(AFCConnectionRef afc, const std::string& devicePath, const std::string& localPath, uint8_t* buffer,
                   uint32_t bufferSize) {
    files::NewFile into(localPath);
    const int status = AfcCopyToLocal(afc, devicePath, into, buffer, bufferSize);
    if (status != 0) into.fail("the device file cannot be read (status " + std::to_string(status) + ")");
    const bool empty = into.size() == 0;
    if (!into.finishOwn().ok()) return status != 0 ? status : 1;
    return empty ? 1 : 0;
}

std::string AfcIncomingPathBeside(AFCConnectionRef afc, const std::string& devicePath) {
    if (!afc) return {};
    const size_t slash = devicePath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : devicePath.substr(0, slash);
    for (int n = 1; n <= 1000; ++n) {
        std::string candidate = folder + "/.quillomatrix-incoming-" + std::to_string(n);
        AFCDictionaryRef info = nullptr;
        const int status = AFCFileInfoOpen(afc, candidate.c_str(), &info);
        if (status == 0 && info) AFCKeyValueClose(info);
        if (status == kAFCObjectNotFoundError) return candidate;
        if (status != 0) return {};  // the folder cannot be asked: nothing is written
    }
    return {};
}

AfcReplacingWrite::AfcReplacingWrite(AFCConnectionRef afc, const std::string& devicePath)
    : afc_(afc), target_(devicePath) {
    if (!afc_) {
        status_ = 1;
        return;
    }
    temporary_ = AfcIncomingPathBeside(afc_, devicePath);
    if (temporary_.empty()) {
        status_ = 1;
        return;
    }
    if (int opened = AFCFileRefOpen(afc_, temporary_.c_str(), kAFCModeWrite, &ref_); opened != 0 || ref_ == 0) {
        status_ = opened != 0 ? opened : 1;
        ref_ = 0;
        discard();
    }
}

AfcReplacingWrite::~AfcReplacingWrite() {
    if (!done_) discard();
}

void AfcReplacingWrite::discard() {
    if (ref_ != 0) AFCFileRefClose(afc_, ref_);
    ref_ = 0;
    if (afc_ && !temporary_.empty()) AFCRemovePath(afc_, temporary_.c_str());
    done_ = true;
}

int AfcReplacingWrite::write(const uint8_t* bytes, size_t length) {
    while (status_ == 0 && length > 0) {
        const auto chunk = static_cast<uint32_t>(std::min<size_t>(length, size_t(1) << 30));
        status_ = AFCFileRefWrite(afc_, ref_, bytes, chunk);
        bytes += chunk;
        length -= chunk;
    }
    return status_;
}

int AfcReplacingWrite::finish() {
    if (done_) return status_ != 0 ? status_ : 1;
    if (status_ == 0) status_ = AFCFileRefClose(afc_, ref_);
    ref_ = 0;
    if (status_ == 0) status_ = AFCRenamePath(afc_, temporary_.c_str(), target_.c_str());
    if (status_ != 0) {
        discard();
        return status_;
    }
    done_ = true;
    return 0;
}

int AfcCopyToDevice(AFCConnectionRef afc, const std::string& localPath, const std::string& devicePath) {
    if (!afc) return 1;
    // The local file first: a missing source must not touch the device.
    FILE* in = std::fopen(localPath.c_str(), "rb");
    if (!in) return 1;
    AfcReplacingWrite out(afc, devicePath);
    uint8_t buffer[4096];
    bool any = false;
    bool readFailed = false;
    while (out.status() == 0) {
        const size_t length = std::fread(buffer, 1, sizeof buffer, in);
        if (length == 0) {
            readFailed = std::ferror(in) != 0;
            break;
        }
        if (out.write(buffer, length) == 0) any = true;
    }
    std::fclose(in);
    if (readFailed) return 1;  // out removes its temporary file
    if (const int status = out.finish(); status != 0) return status;
    return any ? 0 : 1;
}

CFMutableDictionaryRef AfcFileInfo(AFCConnectionRef afc, const std::string& path) {
    if (!afc) return nullptr;
    AFCDictionaryRef info = nullptr;
    if (AFCFileInfoOpen(afc, path.c_str(), &info) != 0 || !info) return nullptr;
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable();
    char* key = nullptr;
    char* value = nullptr;
    while (AFCKeyValueRead(info, &key, &value) == 0 && key && value) {
        CFHolder<CFStringRef> k(string_to_cfstring(key));
        CFHolder<CFStringRef> v(string_to_cfstring(value));
        if (k && v) CFDictionarySetValue(dict, k.get(), v.get());
    }
    AFCKeyValueClose(info);
    return dict;
}

CFMutableArrayRef AfcListDirectory(AFCConnectionRef afc, const std::string& path,
                                   const std::function<bool(const char*)>& keep) {
    if (!afc) return nullptr;
    AFCDirectoryRef dir = nullptr;
    if (AFCDirectoryOpen(afc, path.c_str(), &dir) != 0 || !dir) return nullptr;
    CFMutableArrayRef names = CFArrayCreateMutable();
    char* name = nullptr;
    while (AFCDirectoryRead(afc, dir, &name) == 0 && name) {
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (keep && !keep(name)) continue;
        // A name that is not UTF-8 cannot be a string: it is listed as its bytes, so that every
        // action on it (removal, copy) names the entry the device has.
        const QByteArray bytes(name);
        if (QString::fromUtf8(bytes).toUtf8() == bytes) {
            CFHolder<CFStringRef> text(string_to_cfstring(name));
            if (text) CFArrayAppendValue(names, text.get());
        } else {
            CFHolder<CFDataRef> raw(CFDataCreate(reinterpret_cast<const uint8_t*>(name), CFIndex(bytes.size())));
            if (raw) CFArrayAppendValue(names, raw.get());
        }
    }
    AFCDirectoryClose(afc, dir);
    return names;
}

}  // namespace amd
