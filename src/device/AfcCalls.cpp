#include "device/AfcCalls.h"

#include "device/Conversions.h"

#include <QByteArray>
#include <QString>
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

int AfcCopyToDevice(AFCConnectionRef afc, const std::string& localPath, const std::string& devicePath) {
    if (!afc) return 1;
    // The local file first: a missing source must not clobber the device file.
    FILE* in = std::fopen(localPath.c_str(), "rb");
    if (!in) return 1;
    AFCFileRef ref = AfcFileOpen(afc, devicePath, kAFCModeWrite);
    if (ref == 0) {
        std::fclose(in);
        return 1;
    }
    uint8_t buffer[4096];
    int chunks = 0;
    int failure = 0;
    while (true) {
        size_t length = std::fread(buffer, 1, sizeof buffer, in);
        if (length == 0) {
            if (std::ferror(in)) failure = 1;
            break;
        }
        if (int status = AFCFileRefWrite(afc, ref, buffer, static_cast<uint32_t>(length))) {
            failure = status;
            break;
        }
        ++chunks;
    }
    AFCFileRefClose(afc, ref);
    std::fclose(in);
    if (failure != 0) {
        AFCRemovePath(afc, devicePath.c_str());
        return failure;
    }
    return chunks > 0 ? 0 : 1;
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
