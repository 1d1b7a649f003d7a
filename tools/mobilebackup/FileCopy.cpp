#include "FileCopy.h"

#include "platform/Beneath.h"
#include "platform/FileOpen.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <unistd.h>
#include <vector>

namespace mobilebackup {
namespace {

volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) { stopSignal = signal; }

constexpr size_t kChunk = 1 << 20;

struct DigestDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Digest = std::unique_ptr<EVP_MD_CTX, DigestDeleter>;

Digest newDigest() {
    Digest digest(EVP_MD_CTX_new());
    if (digest && EVP_DigestInit_ex(digest.get(), EVP_sha1(), nullptr) != 1) digest.reset();
    return digest;
}

std::string finish(EVP_MD_CTX* digest) {
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(digest, bytes, &length) != 1) return {};
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

using Descriptor = beneath::Fd;

// Reads up to size bytes, retrying interrupted reads; -1 on error.
ssize_t readSome(int fd, char* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
        if (stopRequested()) return -1;
    }
}

bool writeAll(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, bytes, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool stopRequested() { return stopSignal != 0; }

CopyResult copyFile(const std::string& from, const std::string& to, mode_t mode, bool withDigest) {
    return copyFileAt(AT_FDCWD, from, AT_FDCWD, to, mode, withDigest);
}

CopyResult copyFileAt(int fromFolder, const std::string& from, int toFolder, const std::string& to, mode_t mode,
                      bool withDigest) {
    CopyResult result;
    Descriptor source(files::openRegularAt(fromFolder, from, O_RDONLY | O_NOFOLLOW));
    if (source.get() < 0) {
        result.error = errno;
        result.sourceMissing = errno == ENOENT;
        return result;
    }
    Descriptor target(::openat(toFolder, to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (target.get() < 0) {
        result.error = errno;
        return result;
    }
    Digest digest = withDigest ? newDigest() : nullptr;
    std::vector<char> buffer(kChunk);
    bool ok = !withDigest || digest;
    while (ok) {
        if (stopRequested()) {
            result.stopped = true;
            ok = false;
            break;
        }
        const ssize_t got = readSome(source.get(), buffer.data(), buffer.size());
        if (got == 0) break;
        if (got < 0 || !writeAll(target.get(), buffer.data(), static_cast<size_t>(got)) ||
            (digest && EVP_DigestUpdate(digest.get(), buffer.data(), static_cast<size_t>(got)) != 1)) {
            result.error = errno;
            ok = false;
            break;
        }
        result.size += static_cast<uint64_t>(got);
    }
    if (::close(target.release()) != 0 && ok) {
        result.error = errno;
        ok = false;
    }
    if (ok && digest) {
        result.sha1 = finish(digest.get());
        ok = !result.sha1.empty();
    }
    if (!ok) {
        if (result.error == 0 && result.stopped) result.error = EINTR;
        ::unlinkat(toFolder, to.c_str(), 0);
        return result;
    }
    result.ok = true;
    return result;
}

std::string fileDigest(const std::string& path) {
    Descriptor source(files::openRegular(path, O_RDONLY | O_NOFOLLOW));
    Digest digest = newDigest();
    if (source.get() < 0 || !digest) return {};
    std::vector<char> buffer(kChunk);
    for (;;) {
        const ssize_t got = readSome(source.get(), buffer.data(), buffer.size());
        if (got == 0) return finish(digest.get());
        if (got < 0 || EVP_DigestUpdate(digest.get(), buffer.data(), static_cast<size_t>(got)) != 1) return {};
    }
}

}  // namespace mobilebackup
